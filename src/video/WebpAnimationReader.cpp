#include "video/WebpAnimationReader.h"

#include "common/Bitmap24.h"

#include <webp/demux.h>

#include <cstring>
#include <memory>

WebpAnimationReader::WebpAnimationReader(std::string path)
    : m_path(std::move(path))
    , m_bytes(m_path)
{
    if (!m_bytes.isOpen())
        fail(FileErrorText(m_bytes.error(), m_bytes.systemError()));
    const WebPData data { m_bytes.data(), m_bytes.size() };
    // A partial parse tells a file cut short from one that is not WebP.
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    std::unique_ptr<WebPDemuxer, void (*)(WebPDemuxer *)> demuxer(WebPDemuxPartial(&data, &state), WebPDemuxDelete);
    if (!demuxer || state == WEBP_DEMUX_PARSE_ERROR)
        fail("not a valid WebP file");
    if (state != WEBP_DEMUX_DONE)
        fail("the file is cut short");
    std::int64_t milliseconds = 0;
    WebPIterator frame;
    if (WebPDemuxGetFrame(demuxer.get(), 1, &frame)) {
        do {
            ++m_count;
            milliseconds += frame.duration;
        } while (WebPDemuxNextFrame(&frame));
        WebPDemuxReleaseIterator(&frame);
    }
    if (m_count == 0)
        fail("the file holds no frame");
    // Browsers show frames without a duration for 100 ms.
    m_rate = milliseconds > 0 ? double(m_count) * 1000 / double(milliseconds) : 10;

    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        fail("libwebp version mismatch");
    options.color_mode = MODE_bgrA; // premultiplied: dropping alpha composites on black
    options.use_threads = 1;
    m_decoder = WebPAnimDecoderNew(&data, &options);
    WebPAnimInfo info;
    if (!m_decoder || !WebPAnimDecoderGetInfo(m_decoder, &info))
        fail("libwebp cannot decode it (damaged, or not enough memory)");
    m_width = int(info.canvas_width);
    m_height = int(info.canvas_height);
}

WebpAnimationReader::~WebpAnimationReader()
{
    WebPAnimDecoderDelete(m_decoder);
}

void WebpAnimationReader::fail(const std::string &cause) const
{
    throw VideoReadError("Cannot read the video file " + m_path + ": " + cause);
}

const std::uint8_t *WebpAnimationReader::decodeNext()
{
    std::uint8_t *canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(m_decoder, &canvas, &timestamp) || !canvas)
        fail("frame " + std::to_string(m_next + 1) + " cannot be decoded");
    ++m_next;
    return canvas;
}

bool WebpAnimationReader::readFrame(Bitmap24 &target)
{
    if (m_next >= m_count || !WebPAnimDecoderHasMoreFrames(m_decoder))
        return false;
    Bitmap24 frame;
    if (!frame.resize(m_width, m_height))
        fail("not enough memory for a frame of " + std::to_string(m_width) + " x " + std::to_string(m_height));
    const std::uint8_t *canvas = decodeNext();
    for (int y = 0; y < m_height; ++y) {
        const std::uint8_t *s = canvas + std::size_t(y) * std::size_t(m_width) * 4;
        std::uint8_t *d = frame.scanLine(y);
        for (int x = 0; x < m_width; ++x, s += 4, d += 3)
            std::memcpy(d, s, 3);
    }
    target = std::move(frame);
    return true;
}

void WebpAnimationReader::seekFrame(std::int64_t index)
{
    if (index < 0 || index >= m_count)
        fail("no frame " + std::to_string(index + 1) + " (the file has " + std::to_string(m_count) + ")");
    // libwebp builds each canvas on the one before: back means from the start.
    if (index < m_next) {
        WebPAnimDecoderReset(m_decoder);
        m_next = 0;
    }
    while (m_next < index)
        decodeNext();
}
