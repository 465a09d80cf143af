#pragma once

// One quality scale for every encoder: 0 is the smallest file, 100 the best
// picture, 75 the default; fractions count (the AVI quality 0..10000 is this
// scale times 100). Each encoder setting it drives runs straight between its
// value at 0 and its value at 100 (the README has the same table).
//
// 100 is "visually lossless", never a lossless mode that players refuse:
// lossless files come from the lossless codecs (FFV1, HuffYUV, Ut Video,
// ZLIB...), which have no quality setting.
enum class QualityKnob {
    Crf, // the encoder's "crf" option
    Qp, // the encoder's "qp" option
    FixedQuantiser, // AV_CODEC_FLAG_QSCALE with global_quality (also set on each frame), qmin lowered to 1
    QuantiserRange, // qmin = qmax = crf (libvpx's VP8)
    BitRateFree, // crf without a bit rate: constant quality (libvpx-vp9)
    JpegQuality, // libjpeg's quality; 0 counts as 1
    PaletteQuality, // libimagequant's maximum quality
    Dither, // Floyd-Steinberg strength: below about 0.75 skies band; full strength costs bytes and strays colours
    WebpQuality, // libwebp's quality, lossy
    WebpEffort, // libwebp's effort, lossless
};

struct QualityMapping {
    const char *encoder; // libavcodec's encoder name, or the library's
    QualityKnob knob;
    double atZero;
    double atHundred;
};

inline constexpr QualityMapping kQualityTable[] = {
    { "gif", QualityKnob::PaletteQuality, 10, 100 },
    { "gif", QualityKnob::Dither, 0.6, 0.85 },
    { "libwebp", QualityKnob::WebpQuality, 0, 100 },
    { "libwebp", QualityKnob::WebpEffort, 0, 100 },
    { "libx264", QualityKnob::Crf, 51, 15 },
    { "libx265", QualityKnob::Crf, 51, 16 },
    { "libsvtav1", QualityKnob::Crf, 63, 10 },
    { "libvpx-vp9", QualityKnob::BitRateFree, 63, 12 },
    { "libaom-av1", QualityKnob::BitRateFree, 63, 0 },
    { "libvpx", QualityKnob::QuantiserRange, 63, 4 },
    { "librav1e", QualityKnob::Qp, 255, 0 },
    { "mjpeg", QualityKnob::JpegQuality, 0, 100 },
    { "libtheora", QualityKnob::FixedQuantiser, 0, 10 },
    { "mpeg1video", QualityKnob::FixedQuantiser, 31, 1 },
    { "mpeg2video", QualityKnob::FixedQuantiser, 31, 1 },
    { "mpeg4", QualityKnob::FixedQuantiser, 31, 1 },
    { "msmpeg4v2", QualityKnob::FixedQuantiser, 31, 1 },
    { "msmpeg4", QualityKnob::FixedQuantiser, 31, 1 },
    { "wmv1", QualityKnob::FixedQuantiser, 31, 1 },
    { "wmv2", QualityKnob::FixedQuantiser, 31, 1 },
    { "h263p", QualityKnob::FixedQuantiser, 31, 1 },
    { "flv", QualityKnob::FixedQuantiser, 31, 1 },
    { "amv", QualityKnob::FixedQuantiser, 31, 1 },
    { "speedhq", QualityKnob::FixedQuantiser, 31, 1 },
    { "snow", QualityKnob::FixedQuantiser, 31, 1 },
    { "asv1", QualityKnob::FixedQuantiser, 31, 1 },
    { "asv2", QualityKnob::FixedQuantiser, 31, 1 },
    { "libxvid", QualityKnob::FixedQuantiser, 31, 1 },
};

// The encoder's row (the first, for an encoder with several settings), or
// the row of that setting; null when it has none.
const QualityMapping *FindQuality(const char *encoder);
const QualityMapping *FindQuality(const char *encoder, QualityKnob knob);

// The setting for a quality 0..100 (values outside are clamped).
double MapQuality(const QualityMapping &mapping, double quality);
// The same rounded to the nearest whole setting (half away from zero).
int MapQualityWhole(const QualityMapping &mapping, double quality);
