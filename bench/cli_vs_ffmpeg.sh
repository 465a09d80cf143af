#!/usr/bin/env bash
# travelia-cli against ffmpeg on the same job: N frames of 1024 x 768 cut out
# of a 5000 x 800 panorama, written as BMP and as JPEG, plus a raw disk-write
# reference of the same number of bytes. Builds nothing: build the release
# front end first:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTRAVELIA_BUILD_TESTS=OFF
#   cmake --build build/release -j2 --target travelia-cli
# Environment: CLI (path of travelia-cli), STEP (pixels per frame, default 8
# giving 497 frames), TMPDIR (where the frames go; removed afterwards).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/release/bin/travelia-cli}
step=${STEP:-8}
if [[ ! -x $cli ]]; then
    echo "no travelia-cli at $cli; build the release front end first" >&2
    exit 1
fi
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/travelia-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

frames=$(( (5000 - 1024) / step ))
frame_bytes=$(( 54 + 768 * 1024 * 3 ))
ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=5000x800:rate=1" -frames:v 1 -pix_fmt bgr24 \
    "$work/pano.bmp"

results=()
# run LABEL OUTDIR EXT COMMAND...: times the command, checks the frame count.
run() {
    local label=$1 out=$2 ext=$3
    shift 3
    rm -rf "$out"
    mkdir -p "$out"
    sync
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    local count bytes
    count=$(find "$out" -name "*.$ext" | wc -l)
    bytes=$(du -sb "$out" | cut -f1)
    if [[ $count -ne $frames ]]; then
        echo "$label: $count frames instead of $frames" >&2
        exit 1
    fi
    results+=("$(awk -v l="$label" -v n="$count" -v s="$start" -v e="$end" -v b="$bytes" \
        'BEGIN { t = e - s; printf "%-28s %6d %8.2f %10.1f %10.1f %10.0f", l, n, t, n / t, b / t / 1e6, b / n / 1024 }')")
    rm -rf "$out"
}

common=(-q --one-way -W 1024 -H 768 -s "$step" --no-subdir --overwrite)
run "travelia-cli BMP" "$work/t_bmp" BMP "$cli" "${common[@]}" -o "$work/t_bmp" "$work/pano.bmp"
run "ffmpeg BMP" "$work/f_bmp" bmp ffmpeg -nostdin -loglevel error -loop 1 -i "$work/pano.bmp" \
    -vf "format=bgr24,crop=1024:768:x=n*$step:y=0" -frames:v "$frames" "$work/f_bmp/out%04d.bmp"
run "travelia-cli JPEG q95 4:4:4" "$work/t_jpg" JPG "$cli" "${common[@]}" -f jpg -o "$work/t_jpg" "$work/pano.bmp"
run "ffmpeg JPEG q:v 2 4:4:4" "$work/f_jpg" jpg ffmpeg -nostdin -loglevel error -loop 1 -i "$work/pano.bmp" \
    -vf "crop=1024:768:x=n*$step:y=0,format=yuvj444p" -q:v 2 -frames:v "$frames" "$work/f_jpg/out%04d.jpg"

# Raw disk writes of the same bytes as the BMP run: one file, large blocks.
# The first write after freeing much page cache is slow, so best of three.
dd_run() {
    local label=$1
    shift
    local best=""
    for _ in 1 2 3; do
        sync
        local start end
        start=$(date +%s.%N)
        dd if=/dev/zero of="$work/dd.bin" bs="$frame_bytes" count="$frames" "$@" 2>/dev/null
        end=$(date +%s.%N)
        rm -f "$work/dd.bin"
        best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
    done
    results+=("$(awk -v l="$label" -v n="$frames" -v t="$best" -v b="$((frame_bytes * frames))" \
        'BEGIN { printf "%-28s %6d %8.2f %10.1f %10.1f %10.0f", l, n, t, n / t, b / t / 1e6, b / n / 1024 }')")
}
dd_run "dd, no sync (page cache)"
dd_run "dd conv=fdatasync (disk)"

printf "%-28s %6s %8s %10s %10s %10s\n" "run" "frames" "seconds" "frames/s" "MB/s" "KiB/frame"
printf "%s\n" "${results[@]}"
