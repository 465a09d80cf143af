#!/usr/bin/env bash
# Makes one large panorama of the picture-load bench with libvips:
#   bench/make_panoramas.sh KIND FILE
# KIND: tiff8-1g (100000 x 10000 8-bit RGB, uncompressed), tiff16-tiled-300m
# (30000 x 10000 16-bit RGB, 256 x 256 tiles, deflate), bigtiff-200m
# (20000 x 10000 8-bit RGB BigTIFF, LZW with predictor), png16-100m
# (10000 x 10000 16-bit RGB), jpeg-96m (24000 x 4000 JPEG, quality 90),
# tiff8-tiled-1g (40000 x 25000 8-bit RGB, 256 x 256 tiles, deflate). The content is a smooth random landscape per
# channel with fine noise (except the uncompressed one), so that compressed
# files have a realistic size. Intermediate files go beside FILE.
set -euo pipefail
kind=$1
out=$2
case $kind in
tiff8-1g) w=100000 h=10000 ;;
tiff16-tiled-300m) w=30000 h=10000 ;;
bigtiff-200m) w=20000 h=10000 ;;
png16-100m) w=10000 h=10000 ;;
jpeg-96m) w=24000 h=4000 ;;
tiff8-tiled-1g) w=40000 h=25000 ;;
*) echo "unknown kind $kind" >&2; exit 1 ;;
esac
tmp=$(mktemp -d "$(dirname "$out")/make.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
format=ushort scale=25000 offset=32768 interpretation=rgb16
if [[ $kind == tiff8-1g || $kind == bigtiff-200m || $kind == jpeg-96m || $kind == tiff8-tiled-1g ]]; then
    format=uchar scale=100 offset=128 interpretation=srgb
fi
for c in r g b; do
    if [[ $kind == tiff8-1g ]]; then
        vips perlin "$tmp/$c.v" "$w" "$h" --cell-size 400 --seed "$RANDOM" --uchar
        continue
    fi
    vips perlin "$tmp/p.v" "$w" "$h" --cell-size 400 --seed "$RANDOM"
    vips gaussnoise "$tmp/n.v" "$w" "$h" --mean 0 --sigma 0.01
    vips add "$tmp/p.v" "$tmp/n.v" "$tmp/s.v"
    vips linear "$tmp/s.v" "$tmp/l.v" "$scale" "$offset"
    vips cast "$tmp/l.v" "$tmp/$c.v" "$format"
    rm -f "$tmp/p.v" "$tmp/n.v" "$tmp/s.v" "$tmp/l.v"
done
vips bandjoin "$tmp/r.v $tmp/g.v $tmp/b.v" "$tmp/j.v"
rm -f "$tmp/r.v" "$tmp/g.v" "$tmp/b.v"
vips copy "$tmp/j.v" "$tmp/c.v" --interpretation "$interpretation"
rm -f "$tmp/j.v"
case $kind in
tiff8-1g) vips tiffsave "$tmp/c.v" "$out" --compression none ;;
tiff16-tiled-300m) vips tiffsave "$tmp/c.v" "$out" --compression deflate --tile --tile-width 256 --tile-height 256 ;;
bigtiff-200m) vips tiffsave "$tmp/c.v" "$out" --compression lzw --predictor horizontal --bigtiff ;;
png16-100m) vips pngsave "$tmp/c.v" "$out" --compression 6 ;;
jpeg-96m) vips jpegsave "$tmp/c.v" "$out" --Q 90 ;;
tiff8-tiled-1g) vips tiffsave "$tmp/c.v" "$out" --compression deflate --tile --tile-width 256 --tile-height 256 ;;
esac
