#!/usr/bin/env bash
# Video output of travelia-cli against ffmpeg doing the same pan with the same
# encoder settings: 305 frames of 1024 x 768 panned 13 pixels a frame across
# a 5000 x 800 JPEG panorama, 25 frames per second.
#   - MP4 H.264: libx264 preset medium, crf 24 (travelia's quality 75), 4:2:0;
#   - WebM VP9: libvpx-vp9 crf 24 (quality 76), cpu-used 4, row-mt;
#   - WebM AV1: libsvtav1 crf 24 (quality 74), preset 10.
#
# Like with like: both encode the same pixels the same way.
#   - ffmpeg pans over the panorama as travelia decoded it (a 5000 x 799 BMP
#     that travelia-cli writes first; the JPEG is decoded once either way),
#     in RGB, so every frame is exactly travelia's (the script checks one
#     pair of lossless files). Cropping the decoded 4:2:0 JPEG instead would
#     round x down to an even column (frames 0, 12, 26, 38... pixels in,
#     whole chroma samples apart), pictures other than the ones asked for
#     and cheaper to encode.
#   - the JPEG is decoded once (the loop filter), as travelia does;
#   - RGB to 4:2:0 as accurately as travelia converts (every sample rounded
#     to the nearest): BT.709, limited range, swscale's bicubic with accurate
#     rounding, and the same colour tags.
# Timing: the two alternate, RUNS times each (default 5); the medians and
# their ratio are printed with the load average.
# Builds nothing: build the release front end first:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTRAVELIA_BUILD_TESTS=OFF
#   cmake --build build/release -j2 --target travelia-cli
# Environment: CLI (path of travelia-cli), RUNS, TMPDIR,
# ONLY (h264, vp9 or av1: one pair only).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/release/bin/travelia-cli}
runs=${RUNS:-5}
only=${ONLY:-}
[[ -x $cli ]] || { echo "no travelia-cli at $cli; build the release front end first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg not found" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/travelia-video-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
frames=305
ffmpeg -nostdin -loglevel error -i "$root/samples/panorama.jpg" -vf scale=5000:800:flags=lanczos -q:v 2 "$work/pano.jpg"
pan=(--one-way -s 13 -W 1024 -H 768 --rate 25 -o "$work/t/" --subdir .)

# The panorama as travelia decodes it: one vertical frame of 5000 x 799.
"$cli" --vertical --one-way -s 1 -W 5000 -H 799 -o "$work/p/" --subdir . "$work/pano.jpg" >/dev/null
decoded=$work/p/IMAGE0000.BMP
source_pan="loop=loop=$((frames - 1)):size=1:start=0,crop=1024:768:x=13*n:y=0"
# FFMPEG_SCALE=default gives ffmpeg its own default conversion instead
# (bicubic without accurate rounding): cheaper, and biased in Cr.
scale_flags=bicubic+accurate_rnd
[[ ${FFMPEG_SCALE:-} == default ]] && scale_flags=bicubic
to_yuv="scale=out_color_matrix=bt709:out_range=tv:flags=$scale_flags,format=yuv420p"
tags=(-colorspace bt709 -color_primaries bt709 -color_trc bt709 -color_range tv)

# travelia OPTIONS...: one run into an empty folder (the file is left there).
travelia() {
    rm -rf "$work/t"
    "$cli" "$@" "${pan[@]}" "$work/pano.jpg"
}
# ffmpeg_pan FILTERS OUTPUT-OPTIONS... FILE
ffmpeg_pan() {
    local filters=$1
    shift
    ffmpeg -nostdin -loglevel error -y -framerate 25 -i "$decoded" -vf "$source_pan$filters" -frames:v "$frames" "$@"
}

# Both pan the same frames: travelia's lossless file against ffmpeg's crop.
travelia -f mkv >/dev/null
ffmpeg -nostdin -loglevel error -i "$work/t/ANIM0000.MKV" -pix_fmt bgr24 -f framemd5 - | grep -v '^#' | cut -d, -f6 >"$work/t.md5"
ffmpeg_pan "" -pix_fmt bgr24 -f framemd5 - | grep -v '^#' | cut -d, -f6 >"$work/f.md5"
cmp -s "$work/t.md5" "$work/f.md5" || { echo "travelia and ffmpeg do not pan the same frames" >&2; exit 1; }

# elapsed COMMAND...: "wall,cpu" seconds of one run (cpu: user + system,
# which a loaded machine disturbs less).
elapsed() {
    local TIMEFORMAT='%R %U %S'
    { time "$@" >/dev/null 2>&1; } 2>"$work/time"
    awk '{ printf "%s,%s", $1, $2 + $3 }' "$work/time"
}
median() { tr ' ' '\n' | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# pair NAME EXT TRAVELIA-OPTIONS -- FFMPEG-OUTPUT-OPTIONS
pair() {
    local name=$1 ext=$2
    shift 2
    local topts=() fopts=()
    while [[ $1 != -- ]]; do topts+=("$1"); shift; done
    shift
    fopts=("$@")
    local times_t="" times_f=""
    for _ in $(seq "$runs"); do
        times_t+=" $(elapsed travelia "${topts[@]}")"
        times_f+=" $(elapsed ffmpeg_pan ",$to_yuv" "${fopts[@]}" "${tags[@]}" "$work/f.$ext")"
    done
    local tt tf ct cf tfile bt bf
    tt=$(echo $times_t | tr ' ' '\n' | cut -d, -f1 | median)
    tf=$(echo $times_f | tr ' ' '\n' | cut -d, -f1 | median)
    ct=$(echo $times_t | tr ' ' '\n' | cut -d, -f2 | median)
    cf=$(echo $times_f | tr ' ' '\n' | cut -d, -f2 | median)
    tfile=$(ls "$work/t/"ANIM0000.*)
    bt=$(stat -c %s "$tfile")
    bf=$(stat -c %s "$work/f.$ext")
    for f in "$tfile" "$work/f.$ext"; do
        local n
        n=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "$f")
        [[ $n -eq $frames ]] || { echo "$name: $f has $n frames instead of $frames" >&2; exit 1; }
    done
    awk -v n="$name" -v tt="$tt" -v tf="$tf" -v ct="$ct" -v cf="$cf" -v bt="$bt" -v bf="$bf" -v fr="$frames" \
        -v l="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
        printf "%-5s travelia %6.2f s (cpu %6.2f s) %9d B | ffmpeg %6.2f s (cpu %6.2f s) %9d B | speed %.2f x (cpu %.2f x), size %+.2f %% | load %s\n",
            n, tt, ct, bt, tf, cf, bf, tf / tt, cf / ct, (bt / bf - 1) * 100, l }'
}

echo "medians of $runs alternating runs each"
[[ -z $only || $only == h264 ]] && pair h264 mp4 -f mp4 --video-quality 75 --preset medium -- \
    -c:v libx264 -preset medium -crf 24 -movflags +faststart
[[ -z $only || $only == vp9 ]] && pair vp9 webm -f webm --video-quality 76 --preset 4 -- \
    -c:v libvpx-vp9 -crf 24 -b:v 0 -cpu-used 4 -row-mt 1
[[ -z $only || $only == av1 ]] && pair av1 webm -f webm --video-codec av1 --video-quality 74 --preset 10 -- \
    -c:v libsvtav1 -crf 24 -preset 10
exit 0
