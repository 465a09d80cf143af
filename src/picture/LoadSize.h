#pragma once

#include "common/DecodeBudget.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class Bitmap24;
class PanoramaScaler;

// A picture's size in pixels.
struct PictureSize {
    int width = 0;
    int height = 0;
    bool operator==(const PictureSize &) const = default;
};

// The size a load keeps a picture at, chosen from the size its file announces
// (as a full load would give it): nothing for that size. Asked once the
// header is read, before the pixels; it may be asked more than once during
// one load (a decoder that leaves a file to another), so the same size must
// get the same answer.
using LoadSizeChoice = std::function<std::optional<PictureSize>(int width, int height)>;

// What the choice asks of a width x height picture: a size no larger on
// either side and smaller on one, or nothing when the picture is kept whole
// (no choice, no answer, a side below 1, or a side larger than the picture's:
// a load never enlarges).
std::optional<PictureSize> ReducedSize(const LoadSizeChoice &choice, int width, int height);

// The plan of a decoder that decodes the whole picture and leaves the
// reduction to the loader (PictureLoader: ScaleBitmap once it is decoded).
DecodePlan ReducedAfterDecode(DecodePlan plan, const LoadSizeChoice &choice);

// Decoded rows, top first, gathered into the kept picture: copied when the
// sizes agree, otherwise reduced through a PanoramaScaler as they come, so
// that the picture of the decoded size is never held.
class RowGatherer {
public:
    explicit RowGatherer(Bitmap24 &target);
    ~RowGatherer();
    RowGatherer(const RowGatherer &) = delete;
    RowGatherer &operator=(const RowGatherer &) = delete;

    // What gathering takes besides the kept rows: the scaler, or nothing.
    static std::uint64_t workBytes(PictureSize decoded, PictureSize kept);

    // Rows of the decoded size are to come: sizes the target to kept and
    // makes the scaler, letting go of those of an earlier start; throws
    // std::bad_alloc (target empty) when they do not fit.
    void start(PictureSize decoded, PictureSize kept);
    // The next decoded row: decoded.width pixels of blue, green, red.
    void pushRow(const std::uint8_t *pixels);
    int rowsPushed() const { return m_rows; }
    // Every row in and every kept row written.
    bool finished() const;

private:
    Bitmap24 &m_target;
    std::unique_ptr<PanoramaScaler> m_scaler;
    PictureSize m_decoded;
    int m_rows = 0;
};
