#!/usr/bin/env bash
# travelia-cli with --size on a large panorama: the picture is reduced to the
# camera's size as it is read. Peak resident memory and wall time of a run
# that writes PNG frames, with one frame worker and with the default (all
# cores), then the load alone (a test run of two frames, writing nothing),
# the same picture loaded whole without --size, and `vips thumbnail` to the
# same height, in one run; from /usr/bin/time -v.
#
# Usage: bench/camera_load_peak.sh FILE SIZE HEIGHT [BUILD_DIR] [FRAMES] [CLI OPTIONS...]
#   SIZE: travelia-cli's --size (1080p, 2160p, WIDTHxHEIGHT); HEIGHT: its frame height
#   BUILD_DIR: a Release build (default build/release); FRAMES: frames written (default 30);
#   CLI OPTIONS: more options of the runs (--vertical for a picture narrower than the frame's 16:9)
#   bench/make_panoramas.sh jpeg-96m /tmp/p.jpg && bench/camera_load_peak.sh /tmp/p.jpg 1080p 1080
#   bench/make_panoramas.sh tiff8-tiled-1g /tmp/p.tif && bench/camera_load_peak.sh /tmp/p.tif 2160p 2160 build/release 10 --vertical
set -euo pipefail

file=$1
size=$2
height=$3
build=${4:-build/release}
frames=${5:-30}
shift $(($# < 5 ? $# : 5))
extra="$*"
cli="$build/bin/travelia-cli"
[ -x "$cli" ] || { echo "build travelia-cli first: cmake --build $build --target travelia-cli" >&2; exit 1; }
command -v vips >/dev/null || { echo "vips missing (libvips-tools)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

label_width=34
source "$(dirname "$0")/measure.sh"

# The frames: one pass of FRAMES frames at 30 per second, PNG.
run() {
    rm -rf "$work/frames"
    mkdir "$work/frames"
    "$cli" --quiet --size "$size" --one-way --duration "$(awk -v n="$frames" 'BEGIN { print n / 30 }')" \
        --rate 30 -f png --folder "$work/frames" --no-subdir $extra "$@" "$file"
}
export -f run
export cli size frames file work extra

echo "$(vipsheader "$file") -> --size $size, $frames PNG frames"
full=$(vipsheader -f width "$file")x$(vipsheader -f height "$file")
echo "the whole picture at 24 bits: $(vipsheader -f width "$file" | awk -v h="$(vipsheader -f height "$file")" '{ printf "%.0f MB", $1 * h * 3 / 1048576 }') ($full)"
measure "travelia-cli --threads 1" bash -c 'run --threads 1'
measure "travelia-cli (all cores)" bash -c 'run'
ls "$work/frames" | wc -l | awk '{ print "frames written: " $1 }'
measure "travelia-cli load, 2 frames shown" "$cli" --quiet --test --size "$size" --one-way --duration 0.05 --rate 30 $extra "$file"
measure "travelia-cli whole load, 2 frames" "$cli" --quiet --test -W 1920 -H "$height" --one-way -s 1000000 $extra "$file"
measure "vips thumbnail (load only)" vips thumbnail "$file" "$work/thumb.v" 10000000 --height "$height" --size down
