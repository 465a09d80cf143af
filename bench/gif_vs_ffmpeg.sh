#!/usr/bin/env bash
# GIF output of travelia-cli against FFmpeg's two-pass palettegen/paletteuse
# on the same 305 frames of 1024 x 768 panned 13 pixels a frame across a
# 5000 x 800 JPEG panorama (the sample panorama, scaled).
#   - quality: SSIM of every GIF frame against the rendered frame (FFmpeg's
#     ssim filter, the mean "All" value), and the file size;
#   - speed: the whole run, picture to GIF file. FFmpeg pans over the
#     panorama as travelia decoded it (a 5000 x 799 BMP written by
#     travelia-cli first), decoded once (loop filter) and cropped in RGB at
#     the exact columns, so both dither the very same frames (cropping the
#     4:2:0 JPEG would round every odd column down to an even one); it is
#     also timed reading the rendered frames from BMP files. The runs
#     alternate, RUNS times each (default 5): medians of wall and CPU time
#     (user + system), with the load average.
# Builds nothing: build the release front end first:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTRAVELIA_BUILD_TESTS=OFF
#   cmake --build build/release -j2 --target travelia-cli
# Environment: CLI (path of travelia-cli), RUNS, TMPDIR,
# QUALITY (travelia's --video-quality, default 75).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/release/bin/travelia-cli}
runs=${RUNS:-5}
quality=${QUALITY:-75}
[[ -x $cli ]] || { echo "no travelia-cli at $cli; build the release front end first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/travelia-gif-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
frames=305
ffmpeg -nostdin -loglevel error -i "$root/samples/panorama.jpg" -vf scale=5000:800:flags=lanczos -q:v 2 "$work/pano.jpg"
pan=(--one-way -s 13 -W 1024 -H 768 --rate 25)

# The rendered frames, the reference of both GIFs.
"$cli" "${pan[@]}" -o "$work/ref/" --subdir . "$work/pano.jpg" >/dev/null

# The panorama as travelia decodes it: one vertical frame of 5000 x 799.
"$cli" --vertical --one-way -s 1 -W 5000 -H 799 -o "$work/p/" --subdir . "$work/pano.jpg" >/dev/null

# elapsed COMMAND...: "wall,cpu" seconds of one run.
elapsed() {
    local TIMEFORMAT='%R %U %S'
    { time "$@" >/dev/null 2>&1; } 2>"$work/time"
    awk '{ printf "%s,%s", $1, $2 + $3 }' "$work/time"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# column N TIMES...: the median of field N (1 wall, 2 cpu)
column() { local n=$1; shift; printf '%s\n' "$@" | cut -d, -f"$n" | median; }

ssim() {
    ffmpeg -nostdin -v error -i "$1" -framerate 25 -i "$work/ref/IMAGE%04d.BMP" \
        -lavfi "[0:v]format=rgb24[a];[1:v]format=rgb24[b];[a][b]ssim=stats_file=$work/ssim.txt" -f null -
    awk '{ split($5, v, ":"); s += v[2]; n++ } END { printf "%.4f %d", s / n, n }' "$work/ssim.txt"
}

report() {
    local label=$1 file=$2 time=$3 cpu=$4
    local bytes values
    bytes=$(stat -c %s "$file")
    values=$(ssim "$file")
    read -r mean count <<<"$values"
    [[ $count -eq $frames ]] || { echo "$label: $count frames instead of $frames" >&2; exit 1; }
    awk -v l="$label" -v t="$time" -v c="$cpu" -v b="$bytes" -v s="$mean" -v n="$count" \
        'BEGIN { printf "%-40s %8.2f %8.2f %10d %8.4f %10.2f\n", l, t, c, b, s, s / (b / 1e6) }'
}

travelia() { rm -rf "$work/t"; "$cli" -f gif --video-quality "$quality" "${pan[@]}" -o "$work/t/" --subdir . "$work/pano.jpg"; }
ffmpeg_pan() {
    ffmpeg -nostdin -loglevel error -y -framerate 25 -i "$work/p/IMAGE0000.BMP" -filter_complex \
        "loop=loop=$((frames - 1)):size=1:start=0,crop=1024:768:x=13*n:y=0,split[a][b];[a]palettegen[p];[b][p]paletteuse" -frames:v "$frames" "$work/f.gif"
}
ffmpeg_same_frames() {
    ffmpeg -nostdin -loglevel error -y -framerate 25 -i "$work/ref/IMAGE%04d.BMP" -filter_complex \
        "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$work/g.gif"
}

tt=() tp=() ts=()
for _ in $(seq "$runs"); do
    tt+=("$(elapsed travelia)")
    tp+=("$(elapsed ffmpeg_pan)")
    ts+=("$(elapsed ffmpeg_same_frames)")
done
echo "medians of $runs alternating runs each; load $(cut -d' ' -f1-3 /proc/loadavg)"
printf "%-40s %8s %8s %10s %8s %10s\n" "" "s" "cpu s" "bytes" "SSIM" "SSIM/MB"
report "travelia-cli -f gif (libimagequant)" "$work/t/ANIM0000.GIF" "$(column 1 "${tt[@]}")" "$(column 2 "${tt[@]}")"
report "ffmpeg palettegen/paletteuse, pan" "$work/f.gif" "$(column 1 "${tp[@]}")" "$(column 2 "${tp[@]}")"
report "ffmpeg palettegen/paletteuse, frames" "$work/g.gif" "$(column 1 "${ts[@]}")" "$(column 2 "${ts[@]}")"
awk -v a="$(column 1 "${tt[@]}")" -v b="$(column 1 "${tp[@]}")" -v c="$(column 1 "${ts[@]}")" \
    -v ca="$(column 2 "${tt[@]}")" -v cb="$(column 2 "${tp[@]}")" \
    'BEGIN { printf "speed: travelia %.2f x ffmpeg panning (cpu %.2f x), %.2f x ffmpeg reading the frames\n", b / a, cb / ca, c / a }'
