#!/usr/bin/env bash
# AVI output of travelia-cli against the same work elsewhere: 305 frames of
# 1024 x 768 panned 13 pixels a frame across a 5000 x 800 JPEG panorama.
#   - uncompressed AVI against dd writing the same number of bytes;
#   - MJPEG AVI against ffmpeg doing the same pan at about the same quality:
#     ffmpeg's q:v 2 writes quantisation tables close to libjpeg's quality 83,
#     travelia's AVI quality 8300. ffmpeg makes 4:4:4 from 24-bit frames,
#     travelia 4:2:0 (what MJPEG players expect): both ffmpeg runs are shown.
# Builds nothing: build the release front end first:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTRAVELIA_BUILD_TESTS=OFF
#   cmake --build build/release -j2 --target travelia-cli
# Environment: CLI (path of travelia-cli), RUNS (best of, default 3), TMPDIR.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/release/bin/travelia-cli}
runs=${RUNS:-3}
[[ -x $cli ]] || { echo "no travelia-cli at $cli; build the release front end first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/travelia-avi-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
frames=305
ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=5000x800:rate=1" -frames:v 1 -q:v 2 "$work/pano.jpg"

# best LABEL OUTPUT COMMAND...: the best wall time of $runs runs (left in
# $last), with the frame count ffprobe reads back from OUTPUT.
results=()
best() {
    local label=$1 output=$2
    shift 2
    local best=""
    for _ in $(seq "$runs"); do
        rm -f "$output"
        sync
        local start end
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
    done
    local count bytes
    count=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 \
        "$output")
    bytes=$(stat -c %s "$output")
    [[ $count -eq $frames ]] || { echo "$label: $count frames instead of $frames" >&2; exit 1; }
    results+=("$(awk -v l="$label" -v t="$best" -v n="$count" -v b="$bytes" \
        'BEGIN { printf "%-34s %8.3f %10.1f %10.1f", l, t, n / t, b / t / 1e6 }')")
    last=$best
}

common=(-q --one-way -W 1024 -H 768 -s 13 --no-subdir --overwrite -f avi -o "$work")
best "travelia-cli AVI uncompressed" "$work/ANIM0000.AVI" "$cli" "${common[@]}" "$work/pano.jpg"
t_raw=$last
raw_bytes=$(( frames * 1024 * 768 * 3 ))
best_dd=""
for _ in $(seq "$runs"); do
    sync
    start=$(date +%s.%N)
    dd if=/dev/zero of="$work/dd.bin" bs=$((1024 * 768 * 3)) count=$frames 2>/dev/null
    end=$(date +%s.%N)
    rm -f "$work/dd.bin"
    best_dd=$(awk -v s="$start" -v e="$end" -v b="$best_dd" 'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
done
results+=("$(awk -v t="$best_dd" -v n="$frames" -v b="$raw_bytes" \
    'BEGIN { printf "%-34s %8.3f %10.1f %10.1f", "dd, same bytes (page cache)", t, n / t, b / t / 1e6 }')")

best "travelia-cli AVI MJPEG quality 8300" "$work/ANIM0000.AVI" "$cli" "${common[@]}" --codec MJPG \
    --avi-quality 8300 "$work/pano.jpg"
t_mjpg=$last
best "ffmpeg MJPEG q:v 2" "$work/ff.avi" ffmpeg -nostdin -loglevel error -y -i "$work/pano.jpg" \
    -vf "loop=loop=$((frames - 1)):size=1:start=0,format=bgr24,crop=1024:768:x='13*n':y=0" -c:v mjpeg -q:v 2 \
    "$work/ff.avi"
t_ff=$last
best "ffmpeg MJPEG q:v 2 yuvj420p" "$work/ff.avi" ffmpeg -nostdin -loglevel error -y -i "$work/pano.jpg" \
    -vf "loop=loop=$((frames - 1)):size=1:start=0,format=bgr24,crop=1024:768:x='13*n':y=0" -c:v mjpeg -q:v 2 \
    -pix_fmt yuvj420p "$work/ff.avi"
t_ff420=$last

printf "%-34s %8s %10s %10s\n" "run" "seconds" "frames/s" "MB/s"
printf "%s\n" "${results[@]}"
awk -v a="$t_raw" -v b="$best_dd" 'BEGIN { printf "uncompressed AVI / dd time: %.2f\n", a / b }'
awk -v a="$t_ff" -v b="$t_mjpg" -v c="$t_ff420" \
    'BEGIN { printf "MJPEG speed, travelia-cli / ffmpeg: %.2f (ffmpeg at 4:2:0: %.2f)\n", a / b, c / b }'
