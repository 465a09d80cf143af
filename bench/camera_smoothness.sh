#!/usr/bin/env bash
# A slow pan's smoothness, ours against FFmpeg's crop: a synthetic panorama
# with fine vertical detail (noise under a light blur), 1280 x 720 frames,
# a 10 s pass at 30 frames per second into lossless FFV1, both from the same
# panorama scaled the same way; the displacement between consecutive frames
# is measured by phase correlation (bench/camera_smoothness.py, numpy:
# apt-get install python3-numpy). FFmpeg's crop gets the same fractional
# positions (x = n * step) and rounds them to whole pixels.
# Builds nothing: build the release front end first (see avi_vs_dd.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${CLI:-$root/build/release/bin/travelia-cli}
work=$(mktemp -d "${TMPDIR:-/tmp}/travelia-smooth.XXXXXX")
trap 'rm -rf "$work"' EXIT
# 6000 x 2160 panorama: noise, blurred across 2 pixels, as a PNG.
ffmpeg -nostdin -v error -f lavfi -i "nullsrc=s=6000x2160,geq=random(1)*255:128:128,format=gray,gblur=sigma=1.2" \
    -frames:v 1 "$work/pano.png"
"$cli" -q -f mkv --size 1280x720 --duration 10 --rate 30 --one-way -o "$work/ours" "$work/pano.png"
ours=$(find "$work/ours" -name '*.MKV')
# The panorama as the camera sees it (720 high: 2000 x 720), then a crop pan
# over the same 300 positions.
ffmpeg -nostdin -v error -i "$work/pano.png" -vf "scale=2000:720:flags=lanczos" "$work/scaled.png"
step=$("${PYTHON:-/usr/bin/python3}" -c "print((2000 - 1280) / 299)")
ffmpeg -nostdin -v error -loop 1 -framerate 30 -i "$work/scaled.png" -vf "crop=1280:720:x='n*$step':y=0" \
    -frames:v 300 -c:v ffv1 "$work/crop.mkv"
"${PYTHON:-/usr/bin/python3}" "$root/bench/camera_smoothness.py" "$ours" 1280 720
"${PYTHON:-/usr/bin/python3}" "$root/bench/camera_smoothness.py" "$work/crop.mkv" 1280 720
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
