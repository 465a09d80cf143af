#include "JpegTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <jpeglib.h>

namespace {

// Position k of a stored table holds this coefficient (row-major index).
constexpr int kZigzag[64] = { 0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41, 34,
    27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38,
    31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63 };

} // namespace

std::vector<JpegSegment> splitJpeg(const std::vector<std::uint8_t> &b)
{
    std::vector<JpegSegment> segments;
    if (b.size() < 2 || b[0] != 0xFF || b[1] != 0xD8)
        throw std::runtime_error("no SOI");
    segments.push_back({ 0xD8, 0, 2, 2 });
    std::size_t pos = 2;
    while (pos + 1 < b.size()) {
        if (b[pos] != 0xFF)
            throw std::runtime_error("marker expected");
        const std::uint8_t marker = b[pos + 1];
        if (marker == 0xD9) {
            segments.push_back({ marker, pos, pos + 2, pos + 2 });
            break;
        }
        if (pos + 4 > b.size())
            throw std::runtime_error("truncated segment");
        const std::size_t length = std::size_t(b[pos + 2] << 8 | b[pos + 3]);
        JpegSegment s { marker, pos, pos + 2 + length, pos + 4 };
        if (marker == 0xDA) { // entropy-coded data runs to the next real marker
            std::size_t e = s.end;
            while (e + 1 < b.size() && !(b[e] == 0xFF && b[e + 1] != 0 && (b[e + 1] < 0xD0 || b[e + 1] > 0xD7)))
                ++e;
            s.end = e;
        }
        segments.push_back(s);
        pos = s.end;
    }
    return segments;
}

JpegFrameInfo inspectJpeg(const std::vector<std::uint8_t> &b)
{
    JpegFrameInfo info;
    for (const JpegSegment &s : splitJpeg(b)) {
        const std::uint8_t *p = b.data() + s.payload;
        if (s.marker == 0xE0 && std::memcmp(p, "JFIF", 5) == 0) {
            info.jfif = true;
        } else if (s.marker >= 0xC0 && s.marker <= 0xCF && s.marker != 0xC4 && s.marker != 0xC8 && s.marker != 0xCC) {
            info.sofMarker = s.marker;
            info.height = p[1] << 8 | p[2];
            info.width = p[3] << 8 | p[4];
            for (int i = 0; i < p[5]; ++i) {
                const std::uint8_t *c = p + 6 + 3 * i;
                info.components.push_back({ c[0], c[1] >> 4, c[1] & 15, c[2] });
            }
        } else if (s.marker == 0xDB) {
            std::size_t at = s.payload;
            const std::size_t segmentEnd = s.end;
            while (at < segmentEnd) {
                const int precision = b[at] >> 4, number = b[at] & 3;
                ++at;
                std::vector<int> table(64);
                for (int k = 0; k < 64; ++k) {
                    table[std::size_t(kZigzag[k])] = precision ? (b[at] << 8 | b[at + 1]) : b[at];
                    at += precision ? 2 : 1;
                }
                info.tables[std::size_t(number)] = table;
            }
        } else if (s.marker == 0xDA) {
            ++info.scanCount;
        }
    }
    return info;
}

std::vector<std::uint8_t> bitByBitProgression(int width, int height, int steps)
{
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr err {};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    std::vector<jpeg_scan_info> scans;
    for (int k = 0; k < 64; ++k) {
        scans.push_back({ 1, { 0, 0, 0, 0 }, k, k, 0, steps });
        for (int al = steps; al > 0; --al)
            scans.push_back({ 1, { 0, 0, 0, 0 }, k, k, al, al - 1 });
    }
    cinfo.scan_info = scans.data();
    cinfo.num_scans = int(scans.size());
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < width; ++x)
            row[std::size_t(x)] = JSAMPLE((x * 3 + int(cinfo.next_scanline) * 5) & 255);
        JSAMPROW rows[1] = { row.data() };
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}
