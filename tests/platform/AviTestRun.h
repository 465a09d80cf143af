#pragma once

#include "TestUtils.h"
#include "platform/AviFileService.h"

#include <string>
#include <vector>

// A frame format: the 40-byte BITMAPINFOHEADER, little-endian.
inline std::vector<std::uint8_t> bitmapInfoHeader(int width, int height, int bits = 24, std::uint32_t compression = 0)
{
    std::vector<std::uint8_t> h(40, 0);
    const auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            h[at + i] = std::uint8_t(v >> (8 * i));
    };
    put(0, 40, 4), put(4, std::uint32_t(width), 4), put(8, std::uint32_t(height), 4);
    put(12, 1, 2), put(14, std::uint32_t(bits), 2), put(16, compression, 4);
    return h;
}

// Frame i of a scroll over the test panorama.
inline Bitmap24 scrollFrame(int i, int width, int height)
{
    static const Bitmap24 panorama = makeTestPanorama(1200, 800);
    Bitmap24 frame;
    frame.resize(width, height);
    frame.copyRect(panorama, 7 * i, 3 * i, width, height, 0, 0);
    return frame;
}

// The frame as the service takes it (rows bottom first, padded), or as
// ffmpeg decodes it (rows top first, not padded).
inline std::vector<std::uint8_t> frameBytes(const Bitmap24 &frame, bool bottomUp)
{
    std::vector<std::uint8_t> rows;
    for (int i = 0; i < frame.height(); ++i) {
        const std::uint8_t *row = frame.scanLine(bottomUp ? frame.height() - 1 - i : i);
        rows.insert(rows.end(), row, row + (bottomUp ? frame.stride() : 3 * std::size_t(frame.width())));
    }
    return rows;
}

// One run through the service in its call order, with the run's settings.
struct AviRun {
    explicit AviRun(std::string fileName)
        : path(std::move(fileName))
    {
        info.fccType = streamtypeVIDEO, info.dwScale = 1, info.dwRate = 10;
        options.dwKeyFrameEvery = 1, options.dwQuality = 10000;
        options.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE;
    }

    std::string path;
    unsigned mode = OF_CREATE | OF_SHARE_EXCLUSIVE | OF_WRITE;
    AVISTREAMINFO info;
    AVICOMPRESSOPTIONS options;
    std::vector<std::uint8_t> header = bitmapInfoHeader(4, 2);
    AviFileHolder file;
    AviStreamHolder stream, compressed;

    // Takes the first count steps: open, create the stream, make the
    // compressed stream, set the format. The first failure's code.
    int steps(int count = 4)
    {
        PAVIFILE f = nullptr;
        PAVISTREAM s = nullptr;
        int ret = count >= 1 ? AVIFileOpen(&f, path, mode) : AVIERR_OK;
        file.reset(f);
        if (count >= 2 && ret == AVIERR_OK)
            ret = AVIFileCreateStream(file.get(), &s, info), stream.reset(s);
        if (count >= 3 && ret == AVIERR_OK)
            ret = AVIMakeCompressedStream(&s, stream.get(), options), compressed.reset(s);
        if (count >= 4 && ret == AVIERR_OK)
            ret = AVIStreamSetFormat(compressed.get(), 0, header.data(), long(header.size()));
        return ret;
    }
    int prepare(int width, int height, std::uint32_t handler = 0)
    {
        header = bitmapInfoHeader(width, height);
        options.fccHandler = handler;
        return steps();
    }
    int write(long start, const std::vector<std::uint8_t> &rows)
    {
        long scratch = 0; // both counts aimed at one value, as the run does
        return AVIStreamWrite(
            compressed.get(), start, 1, rows.data(), long(rows.size()), AVIIF_KEYFRAME, &scratch, &scratch);
    }
    // In the run's order: compressed stream, stream, file.
    void release() { compressed.reset(), stream.reset(), file.reset(); }
};
