#!/usr/bin/env bash
# Frame series on every core: 305 frames of 1024 x 768 panned 13 pixels a
# frame across a 5000 x 800 JPEG panorama, written as JPEG (quality 95, 4:4:4)
# and as PNG (the default fast level) by travelia-cli with one thread, by
# travelia-cli with its default (one thread per processor), and by ffmpeg
# doing the same pan (JPEG: q:v 2, 4:4:4; PNG: -f image2 out%04d.png).
# The three runs of a format alternate, PAIRS times, each into a fresh
# folder; medians are reported, with the load average before and after,
# since the machine may be shared.
# Builds nothing: build the release front end first:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTRAVELIA_BUILD_TESTS=OFF
#   cmake --build build/release -j2 --target travelia-cli
# Environment: CLI (path of travelia-cli), PAIRS (default 7), TMPDIR.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/release/bin/travelia-cli}
pairs=${PAIRS:-7}
[[ -x $cli ]] || { echo "no travelia-cli at $cli; build the release front end first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/travelia-frames-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=5000x800:rate=1" -frames:v 1 -q:v 2 "$work/pano.jpg"
frames=305
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# timed LABEL EXT COMMAND...: runs the command into a fresh $work/out, checks
# the frame count, appends "seconds bytes" to $work/LABEL.times.
timed() {
    local label=$1 ext=$2
    shift 2
    rm -rf "$work/out"
    mkdir -p "$work/out"
    sync
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    local count bytes
    count=$(find "$work/out" -name "*.$ext" | wc -l)
    [[ $count -eq $frames ]] || { echo "$label: $count frames instead of $frames" >&2; exit 1; }
    bytes=$(du -sb "$work/out" | cut -f1)
    echo "$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }') $bytes" >>"$work/$label.times"
    rm -rf "$work/out"
}

median() { sort -n "$work/$1.times" | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'; }
bytes_of() { head -1 "$work/$1.times" | cut -d' ' -f2; }

common=(-q --one-way -W 1024 -H 768 -s 13 --no-subdir --overwrite -o "$work/out")
crop="crop=1024:768:x=n*13:y=0"
for _ in $(seq "$pairs"); do
    timed jpeg_1 JPG "$cli" "${common[@]}" -f jpg --threads 1 "$work/pano.jpg"
    timed jpeg_all JPG "$cli" "${common[@]}" -f jpg "$work/pano.jpg"
    timed jpeg_ffmpeg jpg ffmpeg -nostdin -loglevel error -loop 1 -i "$work/pano.jpg" \
        -vf "$crop,format=yuvj444p" -q:v 2 -frames:v "$frames" "$work/out/out%04d.jpg"
    timed png_1 PNG "$cli" "${common[@]}" -f png --threads 1 "$work/pano.jpg"
    timed png_all PNG "$cli" "${common[@]}" -f png "$work/pano.jpg"
    timed png_ffmpeg png ffmpeg -nostdin -loglevel error -loop 1 -i "$work/pano.jpg" \
        -vf "$crop,format=rgb24" -frames:v "$frames" -f image2 "$work/out/out%04d.png"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

printf "%d frames 1024 x 768, %d alternating rounds, %d processors; load average %s before, %s after\n" \
    "$frames" "$pairs" "$(nproc)" "$load_before" "$load_after"
printf "%-28s %10s %10s %12s\n" "run" "median s" "frames/s" "MB on disk"
for label in jpeg_1 jpeg_all jpeg_ffmpeg png_1 png_all png_ffmpeg; do
    m=$(median $label)
    awk -v l="$label" -v m="$m" -v n="$frames" -v b="$(bytes_of $label)" \
        'BEGIN { printf "%-28s %10.3f %10.1f %12.2f\n", l, m, n / m, b / 1e6 }'
done
awk -v j1="$(median jpeg_1)" -v ja="$(median jpeg_all)" -v jf="$(median jpeg_ffmpeg)" \
    -v p1="$(median png_1)" -v pa="$(median png_all)" -v pf="$(median png_ffmpeg)" \
    -v pb="$(bytes_of png_all)" -v fb="$(bytes_of png_ffmpeg)" 'BEGIN {
    printf "JPEG: all cores %.2f x one thread (target 1.8), %.2f x ffmpeg (target 3)\n", j1 / ja, jf / ja
    printf "PNG:  all cores %.2f x one thread (target 1.8), %.2f x ffmpeg (target 2); size %.3f x ffmpeg (target <= 1)\n", \
        p1 / pa, pf / pa, pb / fb
}'
