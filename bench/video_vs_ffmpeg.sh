#!/usr/bin/env bash
# Video output of travelia-cli against ffmpeg doing the same pan with the same
# encoder settings: 305 frames of 1024 x 768 panned 13 pixels a frame across
# a 5000 x 800 JPEG panorama, 25 frames per second.
#   - MP4 H.264: libx264 preset medium, crf 24 (travelia's quality 75), 4:2:0;
#   - WebM VP9: libvpx-vp9 crf 24 (quality 76), cpu-used 4, row-mt;
#   - WebM AV1: libsvtav1 crf 24 (quality 74), preset 10.
# Prints time, frames per second and file size of both, and their ratios.
# Builds nothing: build the release front end first:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTRAVELIA_BUILD_TESTS=OFF
#   cmake --build build/release -j2 --target travelia-cli
# Environment: CLI (path of travelia-cli), RUNS (best of, default 3), TMPDIR,
# ONLY (h264, vp9 or av1: one pair only).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/release/bin/travelia-cli}
runs=${RUNS:-3}
only=${ONLY:-}
[[ -x $cli ]] || { echo "no travelia-cli at $cli; build the release front end first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/travelia-video-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
frames=305
ffmpeg -nostdin -loglevel error -i "$root/samples/panorama.jpg" -vf scale=5000:800:flags=lanczos -q:v 2 "$work/pano.jpg"
pan=(--one-way -s 13 -W 1024 -H 768 --rate 25 -o "$work/t/" --subdir .)

seconds() {
    local best=""
    for _ in $(seq "$runs"); do
        rm -f "$work/f".*
        local start end
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        end=$(date +%s.%N)
        best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
    done
    echo "$best"
}

# travelia OPTIONS...: one run into an empty folder (the file is left there).
travelia() {
    rm -rf "$work/t"
    "$cli" "$@" "${pan[@]}" "$work/pano.jpg"
}

# pair NAME EXT TRAVELIA-OPTIONS -- FFMPEG-OUTPUT-OPTIONS
pair() {
    local name=$1 ext=$2
    shift 2
    local topts=() fopts=()
    while [[ $1 != -- ]]; do topts+=("$1"); shift; done
    shift
    fopts=("$@")
    local tt tf
    tt=$(seconds travelia "${topts[@]}")
    tf=$(seconds ffmpeg -nostdin -loglevel error -y -loop 1 -framerate 25 -i "$work/pano.jpg" \
        -vf "crop=1024:768:x=n*13:y=0" -frames:v "$frames" "${fopts[@]}" "$work/f.$ext")
    ffmpeg -nostdin -loglevel error -y -loop 1 -framerate 25 -i "$work/pano.jpg" \
        -vf "crop=1024:768:x=n*13:y=0" -frames:v "$frames" "${fopts[@]}" "$work/f.$ext"
    local tfile bt bf
    tfile=$(ls "$work/t/"ANIM0000.*)
    bt=$(stat -c %s "$tfile")
    bf=$(stat -c %s "$work/f.$ext")
    for f in "$tfile" "$work/f.$ext"; do
        local n
        n=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "$f")
        [[ $n -eq $frames ]] || { echo "$name: $f has $n frames instead of $frames" >&2; exit 1; }
    done
    awk -v n="$name" -v tt="$tt" -v tf="$tf" -v bt="$bt" -v bf="$bf" -v fr="$frames" 'BEGIN {
        printf "%-10s travelia %7.2f s %6.1f fps %10d B | ffmpeg %7.2f s %6.1f fps %10d B | speed %.2f x, size %+.1f %%\n",
            n, tt, fr / tt, bt, tf, fr / tf, bf, tf / tt, (bt / bf - 1) * 100 }'
}

[[ -z $only || $only == h264 ]] && pair h264 mp4 -f mp4 --video-quality 75 --preset medium -- \
    -c:v libx264 -preset medium -crf 24 -pix_fmt yuv420p -movflags +faststart
[[ -z $only || $only == vp9 ]] && pair vp9 webm -f webm --video-quality 76 --preset 4 -- \
    -c:v libvpx-vp9 -crf 24 -b:v 0 -cpu-used 4 -row-mt 1 -pix_fmt yuv420p
[[ -z $only || $only == av1 ]] && pair av1 webm -f webm --video-codec av1 --video-quality 74 --preset 10 -- \
    -c:v libsvtav1 -crf 24 -preset 10 -pix_fmt yuv420p
exit 0
