#!/usr/bin/env bash
# Large panoramas: travelia-cli opening the picture and writing one
# 1024 x 768 BMP frame, against `vips avg FILE` (a bare decode by libvips),
# side by side, with elapsed time and peak memory (/usr/bin/time -v). The
# pictures are made by bench/make_panoramas.sh in $TMPDIR (one at a time,
# deleted after their run: the 1 Gpx TIFF takes 3 GB of disk). Builds
# nothing: build the release front end first:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTRAVELIA_BUILD_TESTS=OFF
#   cmake --build build/release -j2 --target travelia-cli
# Usage: bench/picture_load_bench.sh [KIND...]
#   KIND: tiff8-1g tiff16-tiled-300m bigtiff-200m png16-100m (default: all)
# Environment: CLI (path of travelia-cli), TMPDIR, KEEP=1 keeps the pictures.
# Also compares libpng and libspng on the PNG (png_library_compare.cpp).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/release/bin/travelia-cli}
if [[ ! -x $cli ]]; then
    echo "no travelia-cli at $cli; build the release front end first" >&2
    exit 1
fi
command -v vips >/dev/null || sudo apt-get install -y libvips-tools
kinds=("$@")
[[ ${#kinds[@]} -gt 0 ]] || kinds=(tiff8-1g tiff16-tiled-300m bigtiff-200m png16-100m)

work=$(mktemp -d "${TMPDIR:-/tmp}/travelia-load-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# measure LABEL COMMAND...: "seconds peak_kB" of the whole process.
measure() {
    local label=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" 2>"$work/err" || {
        echo "$label failed:" >&2
        cat "$work/err" >&2
        return 1
    }
    cat "$work/time"
}

printf '%-20s %12s %9s %9s %7s %9s %9s %7s\n' picture "24-bit MB" "vips s" "ours s" ratio "vips MB" "ours MB" "x pic"
for kind in "${kinds[@]}"; do
    file=$work/$kind.${kind%%-*}
    [[ $kind == png* ]] && file=$work/$kind.png
    [[ $kind == tiff* || $kind == bigtiff* ]] && file=$work/$kind.tif
    "$root/bench/make_panoramas.sh" "$kind" "$file"
    read -r w h < <(vipsheader -f width "$file" | tr '\n' ' '; vipsheader -f height "$file")
    picture_mb=$(awk -v w="$w" -v h="$h" 'BEGIN { printf "%.0f", int((w * 3 + 3) / 4) * 4 * h / 1048576 }')
    sync
    # One read of the file first so that both start from the page cache.
    cat "$file" >/dev/null
    read -r vt vm < <(measure vips vips avg "$file")
    rm -rf "$work/out_frames"
    read -r tt tm < <(measure travelia "$cli" -q --one-way -W 1024 -H 768 -s "$w" --no-subdir --overwrite \
        -o "$work/out_frames" "$file")
    frames=$(find "$work/out_frames" -name '*.BMP' | wc -l)
    [[ $frames -ge 1 ]] || { echo "$kind: no frame written" >&2; exit 1; }
    awk -v k="$kind" -v p="$picture_mb" -v vt="$vt" -v vm="$vm" -v tt="$tt" -v tm="$tm" 'BEGIN {
        printf "%-20s %12d %9.2f %9.2f %7.2f %9.0f %9.0f %7.2f\n", k, p, vt, tt, tt / vt, vm / 1024, tm / 1024,
            (tm / 1024 - 100) / p }'
    if [[ $kind == png* ]]; then
        g++ -O2 -std=c++20 -o "$work/png_library_compare" "$root/bench/png_library_compare.cpp" -lpng -lspng
        "$work/png_library_compare" "$file"
    fi
    [[ ${KEEP:-0} == 1 ]] && mv "$file" "${TMPDIR:-/tmp}/" || rm -f "$file"
    rm -rf "$work/out_frames"
done
echo "targets: ours <= 1.3 x vips time; ours peak <= 1.15 x the 24-bit picture + 100 MB (x pic <= 1.15)"
