#!/usr/bin/env bash
# Our scaler (picture/PanoramaScaler.h) against libvips' `vips resize`
# (shrink then Lanczos3 reduce) and `vips thumbnail`, and a point-sampled
# reduction as the floor, on synthetic pictures and a photo:
#  - alias: zone plate reduced; RMS grey levels left where its frequency is
#    above 0.6 cycle an output pixel (should be flat grey): lower is better;
#  - keep: amplitude left of a grating at 0.4 cycle an output pixel (0.8 of
#    Nyquist; 100 in the source): higher is sharper;
#  - fold: amplitude that a grating at 0.7 cycle leaves folded at 0.3 (0 ideal);
#  - flicker: lines 1 px wide every 3 px, shifted by 0..5 source pixels;
#    mean deviation of each output pixel over the shifts (0 ideal);
#  - photo: samples/panorama.jpg reduced; PSNR of ours against vips resize,
#    and our sharpness (mean neighbour difference) over vips';
#  - speed: a 24000 x 4000 photo-like picture to 2160 rows and to 1/20,
#    processor time of ours in process and of the vips command on its own .v
#    file (one thread each).
#
# Usage: bench/resample_vs_vips.sh [BUILD_DIR]   (BUILD_DIR: a Release build)
set -euo pipefail

build=${1:-build/release}
tool="$build/bench/resample_quality"
[ -x "$tool" ] || { echo "build resample_quality first: cmake --build $build --target resample_quality" >&2; exit 1; }
command -v vips >/dev/null || { echo "vips missing (libvips-tools)" >&2; exit 1; }
here=$(cd "$(dirname "$0")/.." && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# reduce METHOD IN OUT FACTOR: OUT is IN reduced by FACTOR, vips deciding the size.
reduce() {
    local method=$1 in=$2 out=$3 factor=$4 w h
    w=$(vipsheader -f width "$in")
    h=$(vipsheader -f height "$in")
    w=$(echo "$w / $factor" | bc -l | xargs printf '%.0f')
    h=$(echo "$h / $factor" | bc -l | xargs printf '%.0f')
    case $method in
        ours) "$tool" scale "$in" "$out" "$w" "$h" >/dev/null ;;
        point) "$tool" point "$in" "$out" "$w" "$h" >/dev/null ;;
        resize) vips resize "$in" "$out" "$(echo "1 / $factor" | bc -l)" ;;
        thumbnail) vips thumbnail "$in" "$out" "$w" --height "$h" --size force ;;
    esac
}

printf '%-7s %-10s %7s %7s %7s %8s\n' factor method alias keep fold flicker
for factor in 2 4.5 8 20; do
    "$tool" pictures "$work" "$factor"
    for method in ours resize thumbnail point; do
        reduce $method "$work/zone.ppm" "$work/zone_out.ppm" "$factor"
        reduce $method "$work/below.ppm" "$work/below_out.ppm" "$factor"
        reduce $method "$work/above.ppm" "$work/above_out.ppm" "$factor"
        shifted=()
        for s in 0 1 2 3 4 5; do
            reduce $method "$work/lines$s.ppm" "$work/lines${s}_out.ppm" "$factor"
            shifted+=("$work/lines${s}_out.ppm")
        done
        printf '%-7s %-10s %7s %7s %7s %8s\n' "$factor" "$method" \
            "$("$tool" alias "$factor" "$work/zone_out.ppm")" \
            "$("$tool" amplitude 0.4 "$work/below_out.ppm")" \
            "$("$tool" amplitude 0.3 "$work/above_out.ppm")" \
            "$("$tool" flicker "${shifted[@]}")"
    done
done

echo
vips copy "$here/samples/panorama.jpg" "$work/photo.ppm"
printf '%-7s %-26s\n' factor 'photo: PSNR dB, sharpness (ours vs vips resize)'
for factor in 1.5 2 3 4.5; do
    reduce ours "$work/photo.ppm" "$work/photo_ours.ppm" "$factor"
    reduce resize "$work/photo.ppm" "$work/photo_vips.ppm" "$factor"
    printf '%-7s %s\n' "$factor" "$("$tool" compare "$work/photo_ours.ppm" "$work/photo_vips.ppm")"
done

echo
vips resize "$here/samples/panorama.jpg" "$work/big.v" 8
vips copy "$work/big.v" "$work/big.ppm"
# Mean processor milliseconds (user + system) of three runs of a command:
# the machine may be shared, so wall time says little.
cpu_ms() {
    local total=0 t
    for _ in 1 2 3; do
        /usr/bin/time -o "$work/time" -f '%U + %S' "$@" >/dev/null
        total=$(echo "$total + ($(cat "$work/time")) * 1000 / 3" | bc -l)
    done
    printf '%.0f' "$total"
}
printf '%-22s %10s %14s\n' 'speed 24000x4000 to' 'ours ms' 'vips resize ms'
for target in "12960 2160" "1200 200"; do
    set -- $target
    ours=0
    for _ in 1 2 3; do ours=$(echo "$ours + $("$tool" scale "$work/big.ppm" "$work/o.ppm" "$1" "$2") / 3" | bc -l); done
    scale=$(echo "$2 / 4000" | bc -l)
    vips=$(VIPS_CONCURRENCY=1 cpu_ms vips resize "$work/big.v" "$work/o.v" "$scale")
    printf '%-22s %10.0f %14s\n' "$1 x $2" "$ours" "$vips"
done
