#include "anim/FrameSequence.h"

#include "anim/CameraPath.h"
#include "anim/SpherePath.h"

#include "common/Bitmap24.h"
#include "common/TextFormat.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

// Positions are computed in 64 bits and stored back with 32-bit wrap-around,
// so that no input can overflow (signed overflow is undefined).
std::int32_t wrap32(std::int64_t value)
{
    return std::int32_t(std::uint32_t(std::uint64_t(value)));
}

// One turn round a 360° panorama of `length` pixels along the travel.
PassPlan LoopPlan(const tanimprm &prm, std::int64_t length, bool vertical)
{
    PassPlan plan;
    if (length <= 0)
        return plan;
    const std::int64_t step = prm.Step < 0 ? -std::int64_t(prm.Step) : prm.Step;
    plan.PassCount = std::int32_t(std::max<std::int64_t>(1, (2 * length + step) / (2 * step)));
    plan.Turn = std::int32_t(length);
    const std::int32_t direction = prm.ScrollDirection == (prm.Step > 0) ? 1 : -1;
    (vertical ? plan.DY : plan.DX) = direction;
    return plan;
}

// Frame pixels fed from one run of panorama pixels.
struct Span {
    std::int64_t dst = 0;
    std::int64_t src = 0;
    std::int64_t count = 0;
};

// Along an axis that does not wrap: the frame cells [0, frameLength) whose
// panorama cell (cell - offset + position) lies inside the window
// [position, position + windowLength) and inside the panorama.
Span ClippedSpan(std::int64_t position, std::int64_t offset, std::int64_t frameLength, std::int64_t windowLength,
    std::int64_t panoramaLength)
{
    const std::int64_t src0 = std::max<std::int64_t>({ position, 0, position - offset });
    const std::int64_t src1
        = std::min<std::int64_t>({ position + windowLength, panoramaLength, position - offset + frameLength });
    if (src0 >= src1)
        return {};
    return { offset + src0 - position, src0, src1 - src0 };
}

// Along the travel of a 360° loop: the whole frame, the panorama repeating.
std::vector<Span> WrappedSpans(std::int64_t position, std::int64_t frameLength, std::int64_t panoramaLength)
{
    std::vector<Span> spans;
    if (panoramaLength <= 0)
        return spans;
    std::int64_t src = ((position % panoramaLength) + panoramaLength) % panoramaLength;
    for (std::int64_t dst = 0; dst < frameLength; src = 0) {
        const std::int64_t count = std::min(frameLength - dst, panoramaLength - src);
        spans.push_back({ dst, src, count });
        dst += count;
    }
    return spans;
}

void RenderWrapped(const RunPlan &plan, const Bitmap24 &panorama, Bitmap24 &frame, std::int32_t x, std::int32_t y)
{
    const bool vertical = plan.ScrollType == ScrollVertical;
    std::memset(frame.bits(), 0, frame.byteCount());
    std::vector<Span> columns, rows;
    if (vertical) {
        rows = WrappedSpans(y, frame.height(), panorama.height());
        columns = { ClippedSpan(x, plan.DstRect.Left, frame.width(), plan.FrameWidth, panorama.width()) };
    } else {
        columns = WrappedSpans(x, frame.width(), panorama.width());
        rows = { ClippedSpan(y, plan.DstRect.Top, frame.height(), plan.FrameHeight, panorama.height()) };
    }
    for (const Span &band : rows) {
        for (std::int64_t r = 0; r < band.count; ++r) {
            std::uint8_t *dst = frame.scanLine(int(band.dst + r));
            const std::uint8_t *src = panorama.scanLine(int(band.src + r));
            for (const Span &c : columns)
                if (c.count > 0)
                    std::memcpy(dst + c.dst * 3, src + c.src * 3, std::size_t(c.count) * 3);
        }
    }
}

} // namespace

FramePosition PassPosition(const PassPlan &plan, std::int32_t k)
{
    if (plan.Turn <= 0 || plan.PassCount <= 0)
        return { wrap32(plan.X0 + std::int64_t(k) * plan.DX), wrap32(plan.Y0 + std::int64_t(k) * plan.DY) };
    const std::int64_t n = plan.PassCount, turn = plan.Turn;
    const std::int64_t lap = ((std::int64_t(k) % n) + n) % n; // frame n is frame 0 again
    std::int64_t offset = ((2 * lap * turn + n) / (2 * n)) % turn;
    if (plan.DX < 0 || plan.DY < 0)
        offset = (turn - offset) % turn;
    if (plan.DY != 0)
        return { plan.X0, wrap32(offset) };
    return { wrap32(offset), plan.Y0 };
}

std::int64_t RunPlan::total() const
{
    if (sphere) {
        std::int64_t frames = 0;
        for (const std::vector<SphereFrame> &pass : sphere->passes)
            frames += std::int64_t(pass.size());
        return frames;
    }
    if (camera) {
        std::int64_t frames = 0;
        for (const std::vector<double> &pass : camera->passes)
            frames += std::int64_t(pass.size());
        return frames;
    }
    if (outward.PassCount <= 0)
        return 0;
    return std::int64_t(outward.PassCount) * (back ? 2 : 1);
}

void MakeFrameBitmap(const RunPlan &plan, Bitmap24 &frame)
{
    if (!frame.resize(plan.FrameWidth, plan.FrameHeight))
        throw std::runtime_error(formatText("Impossible de créer une image de %d * %d pixels",
            { std::int64_t(plan.FrameWidth), std::int64_t(plan.FrameHeight) }));
}

namespace {

// The outward pass.
PassPlan OutwardPass(const tanimprm &prm, std::int32_t step, int panoramaWidth, int panoramaHeight)
{
    const bool vertical = prm.ScrollType == ScrollVertical;
    const std::int64_t pw = panoramaWidth, ph = panoramaHeight;
    if (prm.Loop360) {
        tanimprm loop = prm;
        loop.Step = step;
        return LoopPlan(loop, vertical ? ph : pw, vertical);
    }
    PassPlan plan;
    const std::int64_t surplus = vertical ? ph - prm.FrameHeight : pw - prm.FrameWidth;
    plan.PassCount = wrap32(surplus / step); // C++ division truncates toward zero
    plan.DX = vertical ? 0 : step;
    plan.DY = vertical ? step : 0;
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

} // namespace

RunPlan PrepareFrames(const tanimprm &prm, int panoramaWidth, int panoramaHeight)
{
    RunPlan run;
    run.FrameWidth = prm.FrameWidth;
    run.FrameHeight = prm.FrameHeight;
    run.ScrollType = prm.ScrollType;
    run.Loop360 = prm.Loop360;
    const std::int64_t fw = prm.FrameWidth, fh = prm.FrameHeight;
    const std::int64_t pw = panoramaWidth, ph = panoramaHeight;
    const bool vertical = prm.ScrollType == ScrollVertical;
    std::int64_t offX = 0, offY = 0;
    if (prm.Center) {
        // A loop fills the frame along the travel: nothing to centre there.
        if (fw > pw && !(prm.Loop360 && !vertical))
            offX = (fw - pw) / 2;
        if (fh > ph && !(prm.Loop360 && vertical))
            offY = (fh - ph) / 2;
    }
    run.DstRect = { wrap32(offX), wrap32(offY), wrap32(fw - offX), wrap32(fh - offY) };
    if (prm.Sphere.Active()) {
        run.DstRect = { 0, 0, prm.FrameWidth, prm.FrameHeight };
        run.sphere = PlanSphere(prm);
        return run;
    }
    if (prm.Camera.Active()) {
        run.camera = PlanCamera(prm, panoramaWidth, panoramaHeight);
        return run;
    }
    run.outward = OutwardPass(prm, prm.Step == 0 ? 1 : prm.Step, panoramaWidth, panoramaHeight);
    if (prm.ScrollBack && !prm.Loop360)
        run.back = ReturnPass(run.outward, prm, panoramaWidth, panoramaHeight);
    return run;
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

namespace {

TRect SourceRect(const RunPlan &plan, std::int32_t x, std::int32_t y)
{
    return { x, y, wrap32(std::int64_t(x) + plan.FrameWidth), wrap32(std::int64_t(y) + plan.FrameHeight) };
}

} // namespace

std::optional<PanoramaWindow> FrameWindow(const RunPlan &plan, const Bitmap24 &panorama, std::int32_t x, std::int32_t y)
{
    if (plan.FrameWidth <= 0 || plan.FrameHeight <= 0)
        return std::nullopt;
    // The spans RenderFrame and RenderWrapped copy: one each way, covering the frame.
    const bool vertical = plan.ScrollType == ScrollVertical;
    const auto along = [&](std::int64_t position, std::int64_t offset, std::int64_t frameLength,
                           std::int64_t windowLength, std::int64_t panoramaLength, bool wraps) {
        if (!wraps)
            return ClippedSpan(position, offset, frameLength, windowLength, panoramaLength);
        const std::vector<Span> spans = WrappedSpans(position, frameLength, panoramaLength);
        return spans.size() == 1 ? spans.front() : Span {};
    };
    const Span columns
        = along(x, plan.DstRect.Left, plan.FrameWidth, plan.FrameWidth, panorama.width(), plan.Loop360 && !vertical);
    const Span rows
        = along(y, plan.DstRect.Top, plan.FrameHeight, plan.FrameHeight, panorama.height(), plan.Loop360 && vertical);
    if (columns.dst != 0 || columns.count != plan.FrameWidth || rows.dst != 0 || rows.count != plan.FrameHeight)
        return std::nullopt;
    return PanoramaWindow { panorama.scanLine(int(rows.src)) + std::size_t(columns.src) * 3, panorama.stride() };
}

TRect RenderFrame(const RunPlan &plan, const Bitmap24 &panorama, Bitmap24 &frame, std::int32_t x, std::int32_t y)
{
    const std::int64_t fw = frame.width(), fh = frame.height();
    const TRect source = SourceRect(plan, x, y);
    if (frame.isEmpty())
        return source;
    // Every pixel is written below: pixels still shared with a frame being
    // written elsewhere are let go rather than copied first.
    if (!frame.resize(frame.width(), frame.height()))
        throw std::bad_alloc();
    if (plan.Loop360) {
        RenderWrapped(plan, panorama, frame, x, y);
        return source;
    }

    // Panorama pixel (px, py) lands on frame pixel (offX + px - x, offY + py - y).
    const std::int64_t offX = plan.DstRect.Left, offY = plan.DstRect.Top;
    const std::int64_t px0 = std::max<std::int64_t>({ x, 0, std::int64_t(x) - offX });
    const std::int64_t px1
        = std::min<std::int64_t>({ std::int64_t(x) + plan.FrameWidth, panorama.width(), std::int64_t(x) - offX + fw });
    const std::int64_t py0 = std::max<std::int64_t>({ y, 0, std::int64_t(y) - offY });
    const std::int64_t py1 = std::min<std::int64_t>(
        { std::int64_t(y) + plan.FrameHeight, panorama.height(), std::int64_t(y) - offY + fh });

    const std::size_t stride = frame.stride();
    if (px0 >= px1 || py0 >= py1) {
        std::memset(frame.bits(), 0, frame.byteCount());
        return source;
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
    return source;
}
