#pragma once

// One quality scale for every encoder: 0 is the smallest file, 100 the best
// picture, 75 the default. Each encoder setting it drives runs straight
// between its value at 0 and its value at 100 (the README has the same table).
enum class QualityTarget {
    GifPaletteQuality, // libimagequant's maximum quality
    GifDither, // Floyd-Steinberg strength: below about 0.75 skies band; full strength costs bytes and strays colours
    WebpLossy, // libwebp quality
    WebpLossless, // libwebp effort
    X264Crf,
    X265Crf,
    SvtAv1Crf,
    Vp9Crf,
};

struct QualityMapping {
    QualityTarget target;
    const char *encoder;
    const char *setting;
    double atZero;
    double atHundred;
};

inline constexpr QualityMapping kQualityTable[] = {
    { QualityTarget::GifPaletteQuality, "GIF (libimagequant)", "maximum quality", 10, 100 },
    { QualityTarget::GifDither, "GIF", "dithering strength", 0.6, 0.85 },
    { QualityTarget::WebpLossy, "WebP lossy (libwebp)", "quality", 0, 100 },
    { QualityTarget::WebpLossless, "WebP lossless (libwebp)", "effort", 0, 100 },
    { QualityTarget::X264Crf, "H.264 (libx264)", "crf", 51, 15 },
    { QualityTarget::X265Crf, "H.265 (libx265)", "crf", 51, 16 },
    { QualityTarget::SvtAv1Crf, "AV1 (libsvtav1)", "crf", 63, 10 },
    { QualityTarget::Vp9Crf, "VP9 (libvpx-vp9)", "crf", 63, 12 },
};

// The setting for a quality 0..100 (values outside are clamped).
double MapQuality(QualityTarget target, int quality);
