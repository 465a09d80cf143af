#include "video/GifPalette.h"

#include "common/Bitmap24.h"
#include "video/VideoOutput.h"

#include <libimagequant.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

struct AttrFree {
    void operator()(liq_attr *a) const { liq_attr_destroy(a); }
};
struct HistogramFree {
    void operator()(liq_histogram *h) const { liq_histogram_destroy(h); }
};
struct ImageFree {
    void operator()(liq_image *i) const { liq_image_destroy(i); }
};
struct ResultFree {
    void operator()(liq_result *r) const { liq_result_destroy(r); }
};

[[noreturn]] void refused(const char *step, liq_error error)
{
    throw VideoError(VideoError::Reason::EncoderRefuses,
        std::string("GIF palette: ") + step + " refused (libimagequant error " + std::to_string(int(error)) + ")");
}

// Rows of a region as libimagequant reads them: RGBA, converted a row at a
// time from our BGR rows, so no full-size copy is made.
void rowCallback(liq_color rowOut[], int row, int width, void *user)
{
    const auto *region = static_cast<const PaletteRegion *>(user);
    const std::uint8_t *src = region->picture->scanLine(region->top + row) + std::size_t(region->left) * 3;
    for (int x = 0; x < width; ++x, src += 3)
        rowOut[x] = liq_color { src[2], src[1], src[0], 255 };
}

} // namespace

PaletteRegion WholePicture(const Bitmap24 &picture)
{
    return { &picture, 0, 0, picture.width(), picture.height() };
}

GifPalette MakeGifPalette(const std::vector<PaletteRegion> &sources, int quality, int speed)
{
    std::unique_ptr<liq_attr, AttrFree> attr(liq_attr_create());
    if (!attr)
        throw VideoError(
            VideoError::Reason::EncoderRefuses, "GIF palette: libimagequant could not start (out of memory)");
    liq_set_max_colors(attr.get(), 255);
    liq_set_speed(attr.get(), std::clamp(speed, 1, 10));
    liq_set_quality(attr.get(), 0, std::clamp(quality, 0, 100));
    std::unique_ptr<liq_histogram, HistogramFree> histogram(liq_histogram_create(attr.get()));
    if (!histogram)
        throw VideoError(
            VideoError::Reason::EncoderRefuses, "GIF palette: libimagequant could not start (out of memory)");
    bool any = false;
    for (const PaletteRegion &source : sources) {
        if (!source.picture)
            continue;
        PaletteRegion region = source;
        region.left = std::clamp(source.left, 0, source.picture->width());
        region.top = std::clamp(source.top, 0, source.picture->height());
        region.width = std::clamp(source.width, 0, source.picture->width() - region.left);
        region.height = std::clamp(source.height, 0, source.picture->height() - region.top);
        if (region.width == 0 || region.height == 0)
            continue;
        std::unique_ptr<liq_image, ImageFree> image(
            liq_image_create_custom(attr.get(), rowCallback, &region, region.width, region.height, 0));
        if (!image)
            throw VideoError(VideoError::Reason::EncoderRefuses,
                "GIF palette: libimagequant refused a picture of " + std::to_string(region.width) + " x "
                    + std::to_string(region.height) + " pixels");
        if (const liq_error e = liq_histogram_add_image(histogram.get(), attr.get(), image.get()); e != LIQ_OK)
            refused("adding a picture", e);
        any = true;
    }
    if (!any)
        throw VideoError(VideoError::Reason::EncoderRefuses, "GIF palette: no picture to take the colours from");
    // The black of the bands around a panorama smaller than the frame.
    if (const liq_error e = liq_histogram_add_fixed_color(histogram.get(), liq_color { 0, 0, 0, 255 }, 0); e != LIQ_OK)
        refused("adding black", e);
    liq_result *made = nullptr;
    if (const liq_error e = liq_histogram_quantize(histogram.get(), attr.get(), &made); e != LIQ_OK)
        refused("quantizing", e);
    std::unique_ptr<liq_result, ResultFree> result(made);
    const liq_palette *palette = liq_get_palette(result.get());
    GifPalette out;
    for (unsigned i = 0; i < palette->count && i < 255; ++i)
        out.colours.push_back({ palette->entries[i].r, palette->entries[i].g, palette->entries[i].b });
    return out;
}
