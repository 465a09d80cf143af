#!/usr/bin/env bash
# Views of a 360° panorama, ours against FFmpeg's v360 (lanczos), both on all
# cores: 300 frames of 1920 x 1080 from an 8192 x 4096 equirectangular
# panorama, a full yaw turn (frame k at yaw 360 k / 300), rectilinear, 90°
# across; the mean absolute difference of one view; the peak memory of a
# 16384 x 8192 panorama rendered to 1080p.
#   bench/sphere_vs_v360.sh [BUILD]    (BUILD: a Release build, default build/release)
#   FRAMES=30 bench/sphere_vs_v360.sh  fewer frames
# The panorama is decoded once by both (ffmpeg repeats it with the loop filter).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
cmake --build "$build" -j2 --target sphere_bench >/dev/null
bench=$build/bench/sphere_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
frames=${FRAMES:-300}
# A test pattern with fine noise: detail everywhere.
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=8192x4096,noise=alls=12:allf=u,format=rgb24" -frames:v 1 "$work/pano.png"
vfov=$(python3 -c 'import math; print(math.degrees(2 * math.atan(math.tan(math.radians(45)) * 1080 / 1920)))')
# One yaw a frame, given to v360 by sendcmd.
python3 - "$frames" >"$work/yaws.cmd" <<'PY'
import sys
n = int(sys.argv[1])
for k in range(n):
    yaw = 360 * k / n
    print(f"{k / 30:.6f} v360 yaw {yaw - 360 if yaw > 180 else yaw:.6f};")  # v360 takes -180 to 180
PY
echo "ours:"
/usr/bin/time -f "  %e s elapsed, %U s user, peak %M KB" "$bench" render "$work/pano.png" "$frames" /dev/null
echo "ffmpeg v360 (lanczos, -filter_threads $(nproc)):"
/usr/bin/time -f "  %e s elapsed, %U s user, peak %M KB" ffmpeg -loglevel error -i "$work/pano.png" -frames:v "$frames" -filter_threads "$(nproc)" \
  -vf "loop=loop=$((frames - 1)):size=1,setpts=N/30/TB,sendcmd=f=$work/yaws.cmd,v360=input=equirect:output=flat:h_fov=90:v_fov=$vfov:w=1920:h=1080:interp=lanczos" \
  -f rawvideo -pix_fmt rgb24 -y /dev/null
for yaw in 0 37; do
  "$bench" still "$work/pano.png" "$yaw" "$work/ours.ppm"
  ffmpeg -loglevel error -i "$work/pano.png" \
    -vf "v360=input=equirect:output=flat:h_fov=90:v_fov=$vfov:w=1920:h=1080:yaw=$yaw:interp=lanczos" \
    -frames:v 1 -y "$work/v360.ppm"
  echo -n "yaw $yaw: "
  "$bench" mad "$work/ours.ppm" "$work/v360.ppm"
done
echo "16384 x 8192 to 1080p (30 frames):"
ffmpeg -loglevel error -i "$work/pano.png" -vf scale=16384:8192:flags=lanczos -y "$work/big.png"
"$bench" render "$work/big.png" 30 /dev/null
