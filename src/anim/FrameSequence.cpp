#include "anim/FrameSequence.h"

#include "common/TextFormat.h"
#include "common/Bitmap24.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// Positions are computed in 64 bits and stored back with 32-bit wrap-around,
// so that no input can overflow (signed overflow is undefined).
std::int32_t wrap32(std::int64_t value)
{
    return std::int32_t(std::uint32_t(std::uint64_t(value)));
}

} // namespace

PassPlan PrepareFrames(tanimprm &prm, int panoramaWidth, int panoramaHeight)
{
    if (!prm.FrameBitmap || !prm.FrameBitmap->resize(prm.FrameWidth, prm.FrameHeight))
        throw std::runtime_error(formatText("Impossible de créer une image de %d * %d pixels",
            { std::int64_t(prm.FrameWidth), std::int64_t(prm.FrameHeight) }));

    const std::int64_t fw = prm.FrameWidth, fh = prm.FrameHeight;
    const std::int64_t pw = panoramaWidth, ph = panoramaHeight;
    std::int64_t offX = 0, offY = 0;
    if (prm.Center) {
        if (fw > pw)
            offX = (fw - pw) / 2;
        if (fh > ph)
            offY = (fh - ph) / 2;
    }
    prm.DstRect = { wrap32(offX), wrap32(offY), wrap32(fw - offX), wrap32(fh - offY) };

    if (prm.Step == 0)
        prm.Step = 1;

    PassPlan plan;
    const bool vertical = prm.ScrollType == ScrollVertical;
    const std::int64_t surplus = vertical ? ph - fh : pw - fw;
    plan.PassCount = wrap32(surplus / prm.Step); // C++ division truncates toward zero
    plan.DX = vertical ? 0 : prm.Step;
    plan.DY = vertical ? prm.Step : 0;
    if (!prm.ScrollDirection) {
        if (vertical)
            plan.Y0 = wrap32(surplus - 1);
        else
            plan.X0 = wrap32(surplus - 1);
        plan.DX = wrap32(-std::int64_t(plan.DX));
        plan.DY = wrap32(-std::int64_t(plan.DY));
    }
    return plan;
}

PassPlan ReturnPass(const PassPlan &outward, const tanimprm &prm, int panoramaWidth, int panoramaHeight)
{
    PassPlan back = outward;
    // Mirrored from the outward start, not from its last position.
    if (prm.ScrollType == ScrollVertical)
        back.Y0 = wrap32(std::int64_t(panoramaHeight) - prm.FrameHeight - 1 - outward.Y0);
    else
        back.X0 = wrap32(std::int64_t(panoramaWidth) - prm.FrameWidth - 1 - outward.X0);
    back.DX = wrap32(-std::int64_t(outward.DX));
    back.DY = wrap32(-std::int64_t(outward.DY));
    return back;
}

void RenderFrame(tanimprm &prm, const Bitmap24 &panorama, std::int32_t x, std::int32_t y)
{
    Bitmap24 &frame = *prm.FrameBitmap;
    const std::int64_t fw = frame.width(), fh = frame.height();
    prm.SrcRect = { x, y, wrap32(std::int64_t(x) + prm.FrameWidth), wrap32(std::int64_t(y) + prm.FrameHeight) };
    if (frame.isEmpty())
        return;

    // Panorama pixel (px, py) lands on frame pixel (offX + px - x, offY + py - y).
    const std::int64_t offX = prm.DstRect.Left, offY = prm.DstRect.Top;
    const std::int64_t px0 = std::max<std::int64_t>({ x, 0, std::int64_t(x) - offX });
    const std::int64_t px1
        = std::min<std::int64_t>({ std::int64_t(x) + prm.FrameWidth, panorama.width(), std::int64_t(x) - offX + fw });
    const std::int64_t py0 = std::max<std::int64_t>({ y, 0, std::int64_t(y) - offY });
    const std::int64_t py1
        = std::min<std::int64_t>({ std::int64_t(y) + prm.FrameHeight, panorama.height(), std::int64_t(y) - offY + fh });

    const std::size_t stride = frame.stride();
    if (px0 >= px1 || py0 >= py1) {
        std::memset(frame.bits(), 0, frame.byteCount());
        return;
    }

    const std::int64_t dx0 = offX + px0 - x, dx1 = dx0 + (px1 - px0);
    const std::int64_t dy0 = offY + py0 - y, dy1 = dy0 + (py1 - py0);
    // Black only where the copy does not reach; the row padding stays zero.
    if (dy0 > 0)
        std::memset(frame.bits(), 0, std::size_t(dy0) * stride);
    if (dy1 < fh)
        std::memset(frame.scanLine(int(dy1)), 0, std::size_t(fh - dy1) * stride);
    const std::size_t left = std::size_t(dx0) * 3;
    const std::size_t copy = std::size_t(dx1 - dx0) * 3;
    const std::size_t right = std::size_t(fw - dx1) * 3;
    const std::uint8_t *src = panorama.scanLine(int(py0)) + std::size_t(px0) * 3;
    const std::size_t srcStride = panorama.stride();
    for (std::int64_t row = dy0; row < dy1; ++row, src += srcStride) {
        std::uint8_t *dst = frame.scanLine(int(row));
        if (left)
            std::memset(dst, 0, left);
        std::memcpy(dst + left, src, copy);
        if (right)
            std::memset(dst + left + copy, 0, right);
    }
}
