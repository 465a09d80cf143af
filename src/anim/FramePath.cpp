#include "anim/FramePath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

FrameRect RectAt(const RunPlan &plan, FramePosition position)
{
    // Frame pixel (0, 0) shows panorama pixel (x - DstRect.Left, y - DstRect.Top).
    const double left = double(position.x) - plan.DstRect.Left;
    const double top = double(position.y) - plan.DstRect.Top;
    return { left, top, left + plan.FrameWidth, top + plan.FrameHeight };
}

// A camera's frame at `along` on the scaled panorama, brought back to the
// picture's pixels.
FrameRect CameraRectAt(const RunPlan &plan, double along)
{
    const CameraPlan &camera = *plan.camera;
    const double across = camera.across;
    FrameRect r = plan.ScrollType == ScrollVertical
        ? FrameRect { across, along, across + plan.FrameWidth, along + plan.FrameHeight }
        : FrameRect { along, across, along + plan.FrameWidth, across + plan.FrameHeight };
    const double scale = camera.scale > 0 ? camera.scale : 1;
    return { r.Left / scale, r.Top / scale, r.Right / scale, r.Bottom / scale };
}

// Frame `index` of the whole run: the outward pass, then the return pass
// (a camera's passes one after the other).
FrameRect FrameAt(const RunPlan &plan, std::int64_t index)
{
    if (plan.camera) {
        for (const std::vector<double> &pass : plan.camera->passes) {
            if (index < std::int64_t(pass.size()))
                return CameraRectAt(plan, pass[std::size_t(index)]);
            index -= std::int64_t(pass.size());
        }
        return {};
    }
    if (index < plan.outward.PassCount || !plan.back)
        return RectAt(plan, PassPosition(plan.outward, std::int32_t(index)));
    return RectAt(plan, PassPosition(*plan.back, std::int32_t(index - plan.outward.PassCount)));
}

// A 360° loop's frame may run past the far edge: its part there is drawn
// again from the near edge.
std::vector<FrameRect> WrappedParts(const FrameRect &frame, double turn, bool vertical)
{
    if (turn <= 0)
        return { frame };
    const double start = vertical ? frame.Top : frame.Left;
    const double end = vertical ? frame.Bottom : frame.Right;
    if (end <= turn)
        return { frame };
    FrameRect near = frame, far = frame;
    if (end - start >= turn) { // the frame shows the whole turn
        (vertical ? far.Top : far.Left) = 0;
        (vertical ? far.Bottom : far.Right) = turn;
        return { far };
    }
    (vertical ? far.Bottom : far.Right) = turn;
    (vertical ? near.Top : near.Left) = 0;
    (vertical ? near.Bottom : near.Right) = end - turn;
    return { far, near };
}

// The length of a 360° turn in the picture's pixels.
double TurnLength(const RunPlan &plan)
{
    if (!plan.camera)
        return plan.outward.Turn;
    const CameraPlan &camera = *plan.camera;
    const double length = plan.ScrollType == ScrollVertical ? camera.panoramaHeight : camera.panoramaWidth;
    return camera.scale > 0 ? length / camera.scale : length;
}

// Adds a point to a line, dropping the previous point when the line goes
// straight on through it, and a point that repeats the last.
void Extend(std::vector<PathPoint> &line, const PathPoint &point)
{
    if (!line.empty() && line.back() == point)
        return;
    if (line.size() >= 2) {
        const PathPoint &a = line[line.size() - 2], &b = line.back();
        const double ux = b.X - a.X, uy = b.Y - a.Y, vx = point.X - b.X, vy = point.Y - b.Y;
        const double cross = ux * vy - uy * vx;
        const double scale = std::hypot(ux, uy) * std::hypot(vx, vy);
        if (std::abs(cross) <= 1e-9 * scale && ux * vx + uy * vy > 0) {
            line.back() = point;
            return;
        }
    }
    line.push_back(point);
}

} // namespace

std::vector<FrameRect> FramePath(const RunPlan &plan, std::size_t limit)
{
    std::vector<FrameRect> frames;
    const std::int64_t total = plan.total();
    if (total <= 0 || limit == 0)
        return frames;
    const std::int64_t count = std::min<std::int64_t>(total, std::int64_t(std::max<std::size_t>(limit, 2)));
    frames.reserve(std::size_t(count));
    for (std::int64_t i = 0; i < count; ++i) {
        // Evenly spread over the run, rounded to the nearest frame.
        const std::int64_t k = count == 1 ? 0 : (2 * i * (total - 1) + (count - 1)) / (2 * (count - 1));
        frames.push_back(FrameAt(plan, k));
    }
    return frames;
}

PathOutline OutlinePath(const std::vector<FrameRect> &frames, const RunPlan &plan)
{
    PathOutline outline;
    if (frames.empty())
        return outline;
    const bool vertical = plan.ScrollType == ScrollVertical;
    const double turn = plan.Loop360 ? TurnLength(plan) : 0;
    outline.First = WrappedParts(frames.front(), turn, vertical);
    outline.Last = WrappedParts(frames.back(), turn, vertical);
    std::vector<PathPoint> line;
    for (const FrameRect &frame : frames) {
        PathPoint centre { (frame.Left + frame.Right) / 2, (frame.Top + frame.Bottom) / 2 };
        if (turn > 0) {
            double &along = vertical ? centre.Y : centre.X;
            along = std::fmod(std::fmod(along, turn) + turn, turn);
            // A jump of more than half a turn is the wrap, not a move.
            if (!line.empty() && std::abs(along - (vertical ? line.back().Y : line.back().X)) > turn / 2) {
                outline.CentreLines.push_back(std::move(line));
                line.clear();
            }
        }
        Extend(line, centre);
    }
    outline.CentreLines.push_back(std::move(line));
    return outline;
}
