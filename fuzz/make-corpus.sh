#!/usr/bin/env bash
# Makes the small seed corpus of the fuzz targets: fuzz/make-corpus.sh DIR
# writes DIR/bmp, DIR/jpeg, DIR/picture, DIR/tiff and DIR/png. Pictures of
# 16 x 12 pixels, made by ffmpeg, cjpeg and a few lines of Python for the
# variants ffmpeg does not write: BMP palettes, RLE, bit fields and OS/2
# headers; PNG of every colour type and depth, interlaced, with side chunks;
# XMP packets (Photo Sphere fields as attributes and as elements) bare and
# in JPEG, PNG and TIFF files.
set -euo pipefail
out=$1
rm -rf "$out" && mkdir -p "$out"/{bmp,jpeg,picture,tiff,png,xmp,tmp}
tmp=$out/tmp
src=(-f lavfi -i "testsrc=size=16x12:rate=1" -frames:v 1)
ff() { ffmpeg -loglevel error -y "${src[@]}" "$@"; }

python3 - "$out/bmp" <<'PY'
import struct, sys
out = sys.argv[1]
def bmp(name, w, h, bits, comp, pixels, palette=b"", masks=b"", header=40):
    if header == 12:
        info = struct.pack("<IHHHH", 12, w, h, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header, w, h, 1, bits, comp, len(pixels), 2835, 2835, len(palette) // 4, 0)
        info = info.ljust(header, b"\0") if header > 40 else info
    offset = 14 + len(info) + len(masks) + len(palette)
    data = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + masks + palette + pixels
    open(f"{out}/{name}.bmp", "wb").write(data)
grey = b"".join(bytes([i * 16, i * 16, 255 - i * 16, 0]) for i in range(16))
bmp("pal1", 16, 12, 1, 0, bytes([0xA5, 0x5A, 0, 0]) * 12, grey[:8])
bmp("pal4", 16, 12, 4, 0, bytes(range(8)) * 12, grey)
bmp("pal8", 16, 12, 8, 0, bytes(range(16)) * 12, grey * 16)
bmp("rle8", 16, 12, 8, 1, bytes([4, 1, 0, 3, 5, 6, 7, 0, 2, 2, 1, 8, 9, 0, 0, 16, 3, 0, 1]), grey * 16)
bmp("rle4", 16, 12, 4, 2, bytes([6, 0x12, 0, 4, 0x34, 0x56, 0, 0, 0, 2, 3, 1, 16, 0x77, 0, 1]), grey)
bmp("bits565", 16, 12, 16, 3, bytes(range(32)) * 12, masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F))
bmp("bits101111", 16, 12, 32, 3, bytes(range(64)) * 12, masks=struct.pack("<III", 0xFFC00000, 0x3FF800, 0x7FF))
bmp("rgb24v5", 16, 12, 24, 0, bytes(range(48)) * 12, header=124)
bmp("core8", 16, 12, 8, 0, bytes(range(16)) * 12, b"".join(bytes([i, i, i]) for i in range(256)), header=12)
PY

ff "$tmp/a.bmp"
ff -pix_fmt pal8 "$tmp/p.png"
ff "$tmp/a.png"
ff "$tmp/a.gif"
ff "$tmp/a.tif"
ff -f ico "$tmp/a.ico"
ff "$tmp/a.ppm"
ff -pix_fmt gray "$tmp/a.pgm"
ff -pix_fmt monob "$tmp/a.pbm"
ff -pix_fmt bgra "$tmp/a.tga"
ff "$tmp/a.pcx"
ff "$tmp/a.sgi"
ff -pix_fmt yuvj444p "$tmp/a.jpg"
cp "$tmp/a.bmp" "$out/bmp/ffmpeg.bmp"
cjpeg -progressive -outfile "$tmp/prog.jpg" "$tmp/a.ppm"
cjpeg -grayscale -restart 1 -outfile "$tmp/grey.jpg" "$tmp/a.ppm"
cjpeg -arithmetic -outfile "$tmp/arith.jpg" "$tmp/a.ppm" 2>/dev/null || true

# JPEG target: a settings byte, then the file.
n=0
for f in "$tmp"/*.jpg; do
  for knobs in '\x00' '\x0b' '\x36'; do
    { printf "$knobs"; cat "$f"; } >"$out/jpeg/seed$((n++))"
  done
done

# Picture target: the index of the extension (FuzzEntries.cpp), then the file.
index() { case $1 in bmp) echo 0 ;; rle) echo 1 ;; jpg) echo 2 ;; png) echo 3 ;; gif) echo 4 ;; tif) echo 5 ;;
  ico) echo 6 ;; ppm) echo 7 ;; pgm) echo 8 ;; pbm) echo 9 ;; tga) echo 10 ;; pcx) echo 11 ;; sgi) echo 12 ;; esac; }
for f in "$tmp"/*.* "$out"/bmp/rle8.bmp; do
  ext=${f##*.}
  [ "$f" = "$out/bmp/rle8.bmp" ] && ext=rle
  { printf "\\x$(printf %02x "$(index "$ext")")"; cat "$f"; } >"$out/picture/$(basename "$f").$ext"
done
# TIFF and PNG targets: the files alone, in the variants ffmpeg writes.
for c in raw lzw deflate packbits; do
  for p in rgb24 rgb48le gray gray16le pal8 rgba monob; do
    ffmpeg -loglevel error -y "${src[@]}" -pix_fmt "$p" -compression_algo "$c" "$out/tiff/$p-$c.tif" 2>/dev/null || true
  done
done
for p in rgb24 rgb48be rgba rgba64be gray gray16be ya8 pal8 monob; do
  ff -pix_fmt "$p" "$out/png/$p.png" 2>/dev/null || true
done
# PNG variants ffmpeg does not write: every colour type and bit depth, plain
# and interlaced, every row filter, several IDAT chunks, transparency and
# the side chunks real files carry (text, profiles, gamma, times...).
python3 - "$out/png" <<'PY'
import struct, sys, zlib
out = sys.argv[1]
W, H = 13, 9  # odd: partial bytes, every Adam7 pass partly filled
def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
def sample(x, y, s, depth):
    return (x * 7 + y * 13 + s * 29) % (1 << depth)
def packed_row(xs, y, channels, depth):
    bits, acc, n = bytearray(), 0, 0
    for x in xs:
        for s in range(channels):
            v = sample(x, y, s, depth)
            if depth == 16:
                bits += struct.pack(">H", v)
            elif depth == 8:
                bits.append(v)
            else:
                acc, n = (acc << depth) | v, n + depth
                if n == 8:
                    bits.append(acc); acc, n = 0, 0
    if n:
        bits.append(acc << (8 - n))
    return bytes(bits)
def filtered(rows, bpp):
    # Filters 0 to 4 in turn, as an encoder choosing per row would.
    data, prior = bytearray(), None
    for i, row in enumerate(rows):
        kind = i % 5
        up = prior or bytes(len(row))
        line = bytearray([kind])
        for j, v in enumerate(row):
            a = row[j - bpp] if j >= bpp else 0
            b, c = up[j], (up[j - bpp] if j >= bpp else 0)
            p = a + b - c
            pred = [0, a, b, (a + b) // 2, a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else (b if abs(p - b) <= abs(p - c) else c)][kind]
            line.append((v - pred) & 255)
        data += line
        prior = row
    return bytes(data)
PASSES = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]
def image_data(ctype, depth, interlaced):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[ctype]
    bpp = max(1, channels * depth // 8)
    if not interlaced:
        return filtered([packed_row(range(W), y, channels, depth) for y in range(H)], bpp)
    data = b""
    for x0, y0, dx, dy in PASSES:
        xs = list(range(x0, W, dx))
        if xs and y0 < H:
            data += filtered([packed_row(xs, y, channels, depth) for y in range(y0, H, dy)], bpp)
    return data
def side_chunks(ctype, depth):
    extra = [chunk(b"gAMA", struct.pack(">I", 45455)),
             chunk(b"cHRM", struct.pack(">8I", 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000)),
             chunk(b"iCCP", b"profile\0\0" + zlib.compress(b"not a real profile" * 4)),
             chunk(b"sBIT", bytes([min(depth, 8)] * {0: 1, 2: 3, 3: 3, 4: 2, 6: 4}[ctype])),
             chunk(b"pHYs", struct.pack(">IIB", 2835, 2835, 1)),
             chunk(b"tEXt", b"Title\0Panorama"),
             chunk(b"zTXt", b"Comment\0\0" + zlib.compress(b"a long comment " * 20)),
             chunk(b"iTXt", b"Description\0\0\0fr\0Description\0vue"),
             chunk(b"tIME", struct.pack(">HBBBBB", 2024, 5, 6, 7, 8, 9)),
             chunk(b"prVt", b"private ancillary data")]
    if ctype == 3:
        extra.append(chunk(b"tRNS", bytes([0, 128, 255, 64])))
        extra.append(chunk(b"hIST", struct.pack(">4H", 1, 2, 3, 4)))
        extra.append(chunk(b"bKGD", bytes([1])))
    elif ctype in (0, 2):
        extra.append(chunk(b"tRNS", struct.pack(">" + "H" * (1 if ctype == 0 else 3), *([1] * (1 if ctype == 0 else 3)))))
        extra.append(chunk(b"bKGD", struct.pack(">" + "H" * (1 if ctype == 0 else 3), *([0] * (1 if ctype == 0 else 3)))))
    return extra
def png(name, ctype, depth, interlaced, side, parts):
    head = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, depth, ctype, 0, 0, int(interlaced)))
    pre = side_chunks(ctype, depth) if side else []
    plte = []
    if ctype == 3 or (ctype in (2, 6) and side):
        plte = [chunk(b"PLTE", bytes((i * 37 + k * 80) % 256 for i in range(1 << min(depth, 8)) for k in range(3)))]
    ordered = [c for c in pre if c[4:8] in (b"gAMA", b"cHRM", b"iCCP", b"sBIT")] + plte + \
              [c for c in pre if c[4:8] not in (b"gAMA", b"cHRM", b"iCCP", b"sBIT", b"tIME")]
    stream = zlib.compress(image_data(ctype, depth, interlaced), 9)
    step = max(1, -(-len(stream) // parts))
    idat = [chunk(b"IDAT", stream[i:i + step]) for i in range(0, len(stream), step)]
    tail = [c for c in pre if c[4:8] == b"tIME"] + [chunk(b"IEND", b"")]
    open(f"{out}/{name}.png", "wb").write(head + b"".join(ordered + idat + tail))
for ctype, depths in ((0, (1, 2, 4, 8, 16)), (2, (8, 16)), (3, (1, 2, 4, 8)), (4, (8, 16)), (6, (8, 16))):
    for depth in depths:
        for interlaced in (False, True):
            base = f"type{ctype}-{depth}bit" + ("-adam7" if interlaced else "")
            png(base, ctype, depth, interlaced, False, 1)
            png(base + "-side-chunks-3idat", ctype, depth, interlaced, True, 3)
PY
python3 - "$out/xmp" <<'PY'
import struct, sys
out = sys.argv[1]
ns = 'xmlns:GPano="http://ns.google.com/photos/1.0/panorama/"'
fields = [("ProjectionType", "cylindrical"), ("UsePanoramaViewer", "True"), ("FullPanoWidthPixels", "6000"),
          ("FullPanoHeightPixels", "2000"), ("CroppedAreaImageWidthPixels", "4000"),
          ("CroppedAreaImageHeightPixels", "1200"), ("CroppedAreaLeftPixels", "1000"), ("CroppedAreaTopPixels", "400"),
          ("PoseHeadingDegrees", "12.5")]
head = '<?xpacket begin="" id="W5M0MpCehiHzreSzNTczkc9d"?><x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">'
tail = '</rdf:RDF></x:xmpmeta><?xpacket end="w"?>'
attrs = head + '<rdf:Description rdf:about="" ' + ns + "".join(f' GPano:{k}="{v}"' for k, v in fields) + '/>' + tail
elems = head + '<rdf:Description rdf:about="" ' + ns + '>' + "".join(f'<GPano:{k}>{v}</GPano:{k}>' for k, v in fields) + '</rdf:Description>' + tail
for name, packet in (("attributes", attrs), ("elements", elems)):
    p = packet.encode()
    open(f"{out}/{name}.xmp", "wb").write(p)
    app1 = b"http://ns.adobe.com/xap/1.0/\0" + p
    open(f"{out}/{name}.jpg", "wb").write(b"\xff\xd8\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + b"\xff\xda\0\2")
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + b"\0\0\0\0"
    itxt = b"XML:com.adobe.xmp\0\0\0\0\0" + p
    open(f"{out}/{name}.png", "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"iTXt", itxt) + chunk(b"IEND", b""))
    for order, magic in (("<", b"II"), (">", b"MM")):
        ifd = struct.pack(order + "H", 1) + struct.pack(order + "HHII", 700, 7, len(p), 8 + 2 + 12 + 4) + b"\0" * 4
        open(f"{out}/{name}-{magic.decode()}.tif", "wb").write(magic + struct.pack(order + "HI", 42, 8) + ifd + p)
PY

rm -rf "$tmp"
echo "seeds: $(ls "$out/bmp" | wc -l) bmp, $(ls "$out/jpeg" | wc -l) jpeg, $(ls "$out/picture" | wc -l) picture, $(ls "$out/tiff" | wc -l) tiff, $(ls "$out/png" | wc -l) png, $(ls "$out/xmp" | wc -l) xmp"
