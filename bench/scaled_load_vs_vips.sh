#!/usr/bin/env bash
# A panorama loaded at the height of the output frames (scaled_load_peak)
# beside `vips thumbnail` to the same height, and the same file loaded whole:
# wall time and peak resident memory of each, from /usr/bin/time -v.
#
# Usage: bench/scaled_load_vs_vips.sh FILE HEIGHT [BUILD_DIR]   (BUILD_DIR: a Release build)
#   bench/make_panoramas.sh jpeg-96m /tmp/p.jpg && bench/scaled_load_vs_vips.sh /tmp/p.jpg 1080
#   bench/make_panoramas.sh tiff8-tiled-1g /tmp/p.tif && bench/scaled_load_vs_vips.sh /tmp/p.tif 2160
set -euo pipefail

file=$1
height=$2
build=${3:-build/release}
tool="$build/bench/scaled_load_peak"
[ -x "$tool" ] || { echo "build scaled_load_peak first: cmake --build $build --target scaled_load_peak" >&2; exit 1; }
command -v vips >/dev/null || { echo "vips missing (libvips-tools)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source "$(dirname "$0")/measure.sh"

echo "$(vipsheader "$file") -> $height rows"
measure "travelia scaled load" "$tool" "$file" "$height"
measure "vips thumbnail" vips thumbnail "$file" "$work/thumb.v" 10000000 --height "$height" --size down
measure "travelia whole load" "$tool" "$file" full
