#include "options/JpegPreview.h"

#include "common/TextFormat.h"
#include "options/JpegImage.h"

#include <algorithm>

#include <new>

Bitmap24 PreviewSource(const Bitmap24 &picture, int side, int x, int y)
{
    Bitmap24 square;
    if (!square.resize(side, side))
        throw std::bad_alloc();
    square.fill(0, 0, 0);
    square.copyRect(picture, 0, 0, picture.width(), picture.height(), x, y);
    return square;
}

Bitmap24 JpegPreview(const Bitmap24 &source, const TJpegOptions &options)
{
    const TJPEGImage jpeg(options);
    const std::vector<std::uint8_t> bytes = jpeg.compress(source);
    Bitmap24 result;
    if (!bytes.empty())
        jpeg.decode(bytes.data(), bytes.size(), result);
    return result;
}

int QualityAfterPress(int quality, bool up, bool leftButton)
{
    const int step = leftButton ? 1 : 5;
    if (up) {
        const int n = quality + step;
        return n >= 100 ? 100 : n;
    }
    const int n = quality - step;
    return n <= 5 ? 5 : n;
}

int TypedJpegQuality(const std::string &text, int current)
{
    const auto typed = parseInt32(text);
    return typed ? std::clamp(*typed, 5, 100) : current;
}
