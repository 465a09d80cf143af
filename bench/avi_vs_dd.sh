#!/usr/bin/env bash
# Uncompressed AVI output of travelia-cli against dd writing the same number
# of bytes: 305 frames of 1024 x 768 panned 13 pixels a frame across a
# 5000 x 800 JPEG panorama. Whole processes, in alternating pairs (travelia,
# then dd), each into a fresh folder after a sync; the medians of PAIRS pairs
# and their ratio are printed. The target is a ratio of at most 1.15.
# Then the fixed part of a run (process start; start, panorama decoding and
# one frame) and the load average.
# Builds nothing: build the release front end first:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTRAVELIA_BUILD_TESTS=OFF
#   cmake --build build/release -j2 --target travelia-cli
# Environment: CLI (path of travelia-cli), PAIRS (default 10), TMPDIR (the
# file system measured).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/release/bin/travelia-cli}
pairs=${PAIRS:-10}
[[ -x $cli ]] || { echo "no travelia-cli at $cli; build the release front end first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/travelia-avi-dd.XXXXXX")
trap 'rm -rf "$work"' EXIT
frames=305
ffmpeg -nostdin -loglevel error -f lavfi -i "testsrc2=size=5000x800:rate=1" -frames:v 1 -q:v 2 "$work/pano.jpg"

# seconds COMMAND...: the wall time of one run.
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f\n", e - s }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
travelia_times=()
dd_times=()
bytes=0
for i in $(seq "$pairs"); do
    out="$work/run$i"
    mkdir "$out"
    sync
    travelia_times+=("$(seconds "$cli" -q --one-way -W 1024 -H 768 -s 13 --no-subdir -f avi -o "$out" "$work/pano.jpg")")
    count=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 \
        "$out/ANIM0000.AVI")
    [[ $count -eq $frames ]] || { echo "$count frames instead of $frames" >&2; exit 1; }
    bytes=$(stat -c %s "$out/ANIM0000.AVI")
    rm -rf "$out"
    out="$work/dd$i"
    mkdir "$out"
    sync
    dd_times+=("$(seconds dd if=/dev/zero of="$out/dd.bin" bs=1M iflag=count_bytes count="$bytes" 2>/dev/null)")
    rm -rf "$out"
done
# The fixed part of a run: the process start (libraries loaded, as for
# --version), and start + panorama decoding + one frame written.
start_times=()
one_frame_times=()
for i in $(seq "$pairs"); do
    start_times+=("$(seconds "$cli" --version)")
    out="$work/one$i"
    mkdir "$out"
    one_frame_times+=("$(seconds "$cli" -q --one-way -W 1024 -H 768 -s 3976 --no-subdir -f avi -o "$out" "$work/pano.jpg")")
    rm -rf "$out"
done
t_travelia=$(printf "%s\n" "${travelia_times[@]}" | median)
t_dd=$(printf "%s\n" "${dd_times[@]}" | median)
printf "%-40s %s\n" "travelia-cli, uncompressed AVI (s):" "${travelia_times[*]}" "dd, same bytes (s):" "${dd_times[*]}"
awk -v a="$t_travelia" -v b="$t_dd" -v n="$bytes" \
    'BEGIN { printf "medians: travelia %.3f s, dd %.3f s (%.0f MB); ratio %.2f\n", a, b, n / 1e6, a / b }'
printf "fixed part (medians): process start %.3f s, start + decoding + 1 frame %.3f s\n" \
    "$(printf "%s\n" "${start_times[@]}" | median)" "$(printf "%s\n" "${one_frame_times[@]}" | median)"
printf "load average (1, 5, 15 min): %s before, %s after\n" "$load_before" "$(cut -d' ' -f1-3 /proc/loadavg)"
