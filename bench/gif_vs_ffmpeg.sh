#!/usr/bin/env bash
# GIF output of travelia-cli against FFmpeg's two-pass palettegen/paletteuse
# on the same 305 frames of 1024 x 768 panned 13 pixels a frame across a
# 5000 x 800 JPEG panorama (the sample panorama, scaled).
#   - quality: SSIM of every GIF frame against the rendered frame (FFmpeg's
#     ssim filter, the mean "All" value), and the file size;
#   - speed: the whole run, picture to GIF file; FFmpeg pans with crop.
# Builds nothing: build the release front end first:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTRAVELIA_BUILD_TESTS=OFF
#   cmake --build build/release -j2 --target travelia-cli
# Environment: CLI (path of travelia-cli), RUNS (best of, default 3), TMPDIR,
# QUALITY (travelia's --video-quality, default 75).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/release/bin/travelia-cli}
runs=${RUNS:-3}
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

# seconds COMMAND...: the best wall time of $runs runs.
seconds() {
    local best=""
    for _ in $(seq "$runs"); do
        local start end
        start=$(date +%s.%N)
        "$@" >/dev/null
        end=$(date +%s.%N)
        best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
    done
    echo "$best"
}

ssim() {
    ffmpeg -nostdin -v error -i "$1" -framerate 25 -i "$work/ref/IMAGE%04d.BMP" \
        -lavfi "[0:v]format=rgb24[a];[1:v]format=rgb24[b];[a][b]ssim=stats_file=$work/ssim.txt" -f null -
    awk '{ split($5, v, ":"); s += v[2]; n++ } END { printf "%.4f %d", s / n, n }' "$work/ssim.txt"
}

report() {
    local label=$1 file=$2 time=$3
    local bytes values
    bytes=$(stat -c %s "$file")
    values=$(ssim "$file")
    read -r mean count <<<"$values"
    [[ $count -eq $frames ]] || { echo "$label: $count frames instead of $frames" >&2; exit 1; }
    awk -v l="$label" -v t="$time" -v b="$bytes" -v s="$mean" -v n="$count" \
        'BEGIN { printf "%-40s %8.2f %8.1f %10d %8.4f %10.2f\n", l, t, n / t, b, s, s / (b / 1e6) }'
}

travelia() { rm -rf "$work/t"; "$cli" -f gif --video-quality "$quality" "${pan[@]}" -o "$work/t/" --subdir . "$work/pano.jpg"; }
ffmpeg_pan() {
    ffmpeg -nostdin -loglevel error -y -loop 1 -framerate 25 -i "$work/pano.jpg" -filter_complex \
        "crop=1024:768:x=n*13:y=0,trim=end_frame=$frames,split[a][b];[a]palettegen[p];[b][p]paletteuse" -frames:v "$frames" "$work/f.gif"
}
ffmpeg_same_frames() {
    ffmpeg -nostdin -loglevel error -y -framerate 25 -i "$work/ref/IMAGE%04d.BMP" -filter_complex \
        "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$work/g.gif"
}

t_travelia=$(seconds travelia)
t_pan=$(seconds ffmpeg_pan)
t_same=$(seconds ffmpeg_same_frames)
printf "%-40s %8s %8s %10s %8s %10s\n" "" "s" "frames/s" "bytes" "SSIM" "SSIM/MB"
report "travelia-cli -f gif (libimagequant)" "$work/t/ANIM0000.GIF" "$t_travelia"
report "ffmpeg palettegen/paletteuse, pan" "$work/f.gif" "$t_pan"
report "ffmpeg palettegen/paletteuse, frames" "$work/g.gif" "$t_same"
awk -v a="$t_travelia" -v b="$t_pan" -v c="$t_same" \
    'BEGIN { printf "speed: travelia %.2f x ffmpeg panning the JPEG, %.2f x ffmpeg reading the frames\n", b / a, c / a }'
