#include "video/AviHeaders.h"

#include "video/MuxerFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

void put32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

std::uint32_t get32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::string systemCause(const MuxerFile &file)
{
    return std::strerror(file.error() ? file.error() : EIO);
}

std::int64_t firstPartFrames(MuxerFile &file)
{
    // The first part's idx1 index holds one 16-byte entry per chunk of it,
    // skipped frames included: one stream, so one entry per frame.
    std::uint8_t chunk[8];
    if (!file.readAt(0, chunk, 8))
        return -1;
    const std::int64_t partEnd = 8 + std::int64_t(get32(chunk + 4));
    for (std::int64_t at = 12; at + 8 <= partEnd;) {
        if (!file.readAt(at, chunk, 8))
            return -1;
        const std::int64_t size = get32(chunk + 4);
        if (std::memcmp(chunk, "idx1", 4) == 0)
            return size / 16;
        at += 8 + size + (size & 1);
    }
    return -1;
}

} // namespace

std::string FixAviHeaders(MuxerFile &file, VideoRate rate, std::size_t imageSize)
{
    // The main header's microseconds per frame (at 32), the video stream
    // header's scale and rate, and for uncompressed frames the format's
    // image size with the rows' padding, found in the header list. In an
    // OpenDML file, the main header's frame count (at 48) is the first
    // part's: the muxer counts the frame that opens the second part in it.
    std::uint8_t head[16384] = {};
    const std::size_t size = std::size_t(std::min<std::int64_t>(sizeof head, file.end()));
    if (!file.readAt(0, head, size))
        return systemCause(file);
    if (size < 64 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 24, "avih", 4) != 0)
        return "the AVI header is not where it belongs";
    const double seconds = double(rate.den) / double(rate.num);
    put32(head + 32, std::uint32_t(std::lround(seconds * 1e6)));
    if (8 + std::int64_t(get32(head + 4)) < file.end()) {
        const std::int64_t frames = firstPartFrames(file);
        if (frames < 0)
            return file.error() ? systemCause(file) : "the AVI index is not where it belongs";
        put32(head + 48, std::uint32_t(frames));
    }
    bool found = false;
    for (std::size_t at = 12; at + 40 <= size; ++at) {
        if (std::memcmp(head + at, "strh", 4) == 0 && std::memcmp(head + at + 8, "vids", 4) == 0) {
            put32(head + at + 8 + 20, rate.den);
            put32(head + at + 8 + 24, rate.num);
            found = true;
        } else if (imageSize && std::memcmp(head + at, "strf", 4) == 0 && at + 32 <= size) {
            put32(head + at + 8 + 20, std::uint32_t(imageSize)); // biSizeImage with the rows' padding
        } else if (std::memcmp(head + at, "vprp", 4) == 0 && at + 20 <= size) {
            put32(head + at + 16, std::uint32_t(std::lround(1.0 / seconds)));
        }
        if (std::memcmp(head + at, "movi", 4) == 0)
            break;
    }
    if (!found)
        return "the AVI stream header is not where it belongs";
    return file.writeAt(0, head, size) ? std::string() : systemCause(file);
}
