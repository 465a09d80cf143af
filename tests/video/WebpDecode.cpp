#include "WebpDecode.h"

#include "TestUtils.h"

#include <webp/demux.h>

#include <memory>

DecodedWebp decodeWebp(const std::filesystem::path &file)
{
    DecodedWebp out;
    const std::vector<std::uint8_t> bytes = readFileBytes(file);
    WebPData data { bytes.data(), bytes.size() };
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_BGRA;
    std::unique_ptr<WebPAnimDecoder, void (*)(WebPAnimDecoder *)> decoder(
        WebPAnimDecoderNew(&data, &options), WebPAnimDecoderDelete);
    WebPAnimInfo info;
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info))
        return out;
    out.loopCount = info.loop_count;
    out.width = int(info.canvas_width);
    out.height = int(info.canvas_height);
    while (WebPAnimDecoderHasMoreFrames(decoder.get())) {
        std::uint8_t *canvas = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp))
            return out;
        std::vector<std::uint8_t> bgr;
        bgr.reserve(std::size_t(info.canvas_width) * info.canvas_height * 3);
        for (std::uint32_t i = 0; i < info.canvas_width * info.canvas_height; ++i)
            bgr.insert(bgr.end(), canvas + 4 * i, canvas + 4 * i + 3);
        out.frames.push_back(std::move(bgr));
    }
    out.ok = true;
    return out;
}
