#include "anim/SphereFrames.h"

#include "common/Bitmap24.h"

#include <algorithm>
#include <thread>
#include <vector>

SphereFrames::SphereFrames(const Bitmap24 &panorama, const SphereMapping &mapping, unsigned threads)
    : m_panorama(panorama)
    , m_mapping(mapping.scaledTo(panorama.width(), panorama.height()))
    , m_threads(std::max(1u, threads))
{
}

SphereFrames::~SphereFrames() = default;

bool SphereFrames::render(const SphereFrame &frame, Bitmap24 &out)
{
    if (!m_remap || !(m_remap->view() == frame.view))
        m_remap = std::make_unique<ViewRemap>(m_panorama, m_mapping, frame.view);
    const int height = frame.view.height;
    if (!out.resize(frame.view.width, height))
        return false;
    // Bands of rows; a band of at least 16 rows is worth a thread.
    const int bands = int(std::min<unsigned>(m_threads, unsigned(std::max(1, height / 16))));
    if (bands <= 1) {
        m_remap->renderRows(frame.yaw, out, 0, height);
        return true;
    }
    std::vector<std::jthread> workers;
    for (int b = 1; b < bands; ++b)
        workers.emplace_back(
            [&, b] { m_remap->renderRows(frame.yaw, out, height * b / bands, height * (b + 1) / bands); });
    m_remap->renderRows(frame.yaw, out, 0, height / bands);
    return true;
}
