#!/usr/bin/env bash
# Large panoramas: travelia-cli opening the picture and writing one
# 1024 x 768 BMP frame, against `vips avg FILE` (a bare decode by libvips),
# side by side, with elapsed time and peak memory (/usr/bin/time -v). The
# pictures are made by bench/make_panoramas.sh in $TMPDIR (one at a time,
# deleted after their run: the 1 Gpx TIFF takes 3 GB of disk). Builds
# nothing: build the release front end first:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTRAVELIA_BUILD_TESTS=OFF
#   cmake --build build/release -j2 --target travelia-cli travelia
# Usage: bench/picture_load_bench.sh [KIND...]
#   KIND: tiff8-1g tiff16-tiled-300m bigtiff-200m png16-100m (default: all)
# Environment: CLI (path of travelia-cli), GUI (path of travelia: the window
# program's peak holding the 1 Gpx picture under Xvfb), TMPDIR, PICTURES (a
# folder where KIND.tif / KIND.png are taken if present, made otherwise),
# KEEP=1 keeps the pictures made there.
# Also compares libpng and libspng on the PNG (png_library_compare.cpp).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/release/bin/travelia-cli}
gui=${GUI:-$root/build/release/bin/travelia}
if [[ ! -x $cli ]]; then
    echo "no travelia-cli at $cli; build the release front end first" >&2
    exit 1
fi
command -v vips >/dev/null || sudo apt-get install -y libvips-tools
kinds=("$@")
[[ ${#kinds[@]} -gt 0 ]] || kinds=(tiff8-1g tiff16-tiled-300m bigtiff-200m png16-100m)

work=$(mktemp -d "${TMPDIR:-/tmp}/travelia-load-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# measure LABEL COMMAND...: "seconds peak_kB cpu_seconds" of the whole process
# (on a shared machine the processor time tells more than the elapsed time).
measure() {
    local label=$1
    shift
    /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >"$work/out" 2>"$work/err" || {
        echo "$label failed:" >&2
        cat "$work/err" >&2
        return 1
    }
    awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time"
}

printf '%-20s %9s %7s %7s %6s %8s %8s %6s %8s %8s %6s\n' picture "24-bit MB" "vips s" "ours s" ratio \
    "vips cpu" "ours cpu" ratio "vips MB" "ours MB" "x pic"
for kind in "${kinds[@]}"; do
    ext=tif
    [[ $kind == png* ]] && ext=png
    file=${PICTURES:-$work}/$kind.$ext
    made=0
    if [[ ! -f $file ]]; then
        "$root/bench/make_panoramas.sh" "$kind" "$file"
        made=1
    fi
    read -r w h < <(vipsheader -f width "$file" | tr '\n' ' '; vipsheader -f height "$file")
    picture_mb=$(awk -v w="$w" -v h="$h" 'BEGIN { printf "%.0f", int((w * 3 + 3) / 4) * 4 * h / 1048576 }')
    sync
    # One read of the file first so that both start from the page cache.
    cat "$file" >/dev/null
    read -r vt vm vc < <(measure vips vips avg "$file")
    rm -rf "$work/out_frames"
    # One step takes the view to the far end: a frame or two.
    read -r tt tm tc < <(measure travelia "$cli" -q --one-way -W 1024 -H 768 -s $((w - 1024)) --no-subdir --overwrite \
        -o "$work/out_frames" "$file")
    frames=$(find "$work/out_frames" -name '*.BMP' | wc -l)
    [[ $frames -ge 1 ]] || { echo "$kind: no frame written" >&2; exit 1; }
    awk -v k="$kind" -v p="$picture_mb" -v vt="$vt" -v vm="$vm" -v vc="$vc" -v tt="$tt" -v tm="$tm" -v tc="$tc" 'BEGIN {
        printf "%-20s %9d %7.2f %7.2f %6.2f %8.2f %8.2f %6.2f %8.0f %8.0f %6.2f\n", k, p, vt, tt, tt / vt, vc, tc,
            tc / vc, vm / 1024, tm / 1024, (tm / 1024 - 100) / p }'
    if [[ $kind == tiff8-1g && -x $gui ]]; then
        # The window program holding the picture: its peak once loaded.
        xvfb-run -a "$gui" "$file" >/dev/null 2>&1 &
        runner=$!
        pid=
        for _ in $(seq 600); do
            pid=$(pgrep -P "$runner" -f "$gui" || pgrep -n -f "^$gui $file" || true)
            [[ -n $pid ]] && break
            sleep 0.1
        done
        last=0 still=0
        while [[ -n $pid && $still -lt 4 ]] && kill -0 "$pid" 2>/dev/null; do
            sleep 0.5
            rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
            if [[ $rss -gt $(( picture_mb * 1024 )) && $rss -eq $last ]]; then still=$((still + 1)); else still=0; fi
            last=$rss
        done
        hwm=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
        kill "$pid" 2>/dev/null || true
        wait "$runner" 2>/dev/null || true
        awk -v k="$kind" -v p="$picture_mb" -v m="$hwm" 'BEGIN {
            printf "%-20s window program holding it: peak %.0f MB, %.2f x the picture (target <= 1.2)\n", k, m / 1024,
                m / 1024 / p }'
    fi
    if [[ $kind == png* ]]; then
        g++ -O2 -std=c++20 -o "$work/png_library_compare" "$root/bench/png_library_compare.cpp" -lpng -lspng
        "$work/png_library_compare" "$file"
    fi
    [[ $made == 1 && ${KEEP:-0} != 1 ]] && rm -f "$file"
    rm -rf "$work/out_frames"
done
echo "targets: ours <= 1.3 x vips time; ours peak <= 1.15 x the 24-bit picture + 100 MB (x pic <= 1.15)"
