#!/usr/bin/env bash
# Makes one large panorama of the picture-load bench with libvips:
#   bench/make_panoramas.sh KIND FILE
# KIND: tiff8-1g (100000 x 10000 8-bit RGB, uncompressed), tiff16-tiled-300m
# (30000 x 10000 16-bit RGB, 256 x 256 tiles, deflate), bigtiff-200m
# (20000 x 10000 8-bit RGB BigTIFF, LZW), png16-100m (10000 x 10000 16-bit
# RGB). The content is a smooth random landscape with fine noise, so that
# compressed files have a realistic size.
set -euo pipefail
kind=$1
out=$2
case $kind in
tiff8-1g) w=100000 h=10000 ;;
tiff16-tiled-300m) w=30000 h=10000 ;;
bigtiff-200m) w=20000 h=10000 ;;
png16-100m) w=10000 h=10000 ;;
*) echo "unknown kind $kind" >&2; exit 1 ;;
esac
tmp=$(mktemp -d "$(dirname "$out")/make.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
# Three different landscapes, one per channel, in 16 bits.
for c in r g b; do
    vips perlin "$tmp/p$c.v" "$w" "$h" --cell-size 400 --seed "$RANDOM"
done
vips bandjoin "$tmp/pr.v $tmp/pg.v $tmp/pb.v" "$tmp/p.v"
vips gaussnoise "$tmp/n.v" "$w" "$h" --mean 0 --sigma 0.01
vips add "$tmp/p.v" "$tmp/n.v" "$tmp/s.v"
rm -f "$tmp"/p*.v "$tmp/n.v"
case $kind in
tiff8-1g | bigtiff-200m)
    vips linear "$tmp/s.v" "$tmp/l.v" 100 128 --uchar
    vips copy "$tmp/l.v" "$tmp/c.v" --interpretation srgb
    ;;
*)
    vips linear "$tmp/s.v" "$tmp/l.v" 25000 32768
    vips cast "$tmp/l.v" "$tmp/u.v" ushort
    vips copy "$tmp/u.v" "$tmp/c.v" --interpretation rgb16
    ;;
esac
rm -f "$tmp/s.v" "$tmp/l.v" "$tmp/u.v"
case $kind in
tiff8-1g) vips tiffsave "$tmp/c.v" "$out" --compression none ;;
tiff16-tiled-300m) vips tiffsave "$tmp/c.v" "$out" --compression deflate --tile --tile-width 256 --tile-height 256 ;;
bigtiff-200m) vips tiffsave "$tmp/c.v" "$out" --compression lzw --predictor horizontal --bigtiff ;;
png16-100m) vips pngsave "$tmp/c.v" "$out" --compression 6 ;;
esac
