#pragma once

#include "common/Bitmap24.h"
#include "picture/sphere/RemapKernel.h"
#include "picture/sphere/SphereLevels.h"
#include "picture/sphere/SphereProjection.h"
#include "picture/sphere/ViewCamera.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One view of one panorama (see SphereViews.h), frame after frame as the
// yaw changes. What does not change is computed once: where each frame
// pixel's ray meets the panorama at yaw 0 (a turn in yaw only shifts the
// longitude, which is a shift along the panorama's rows), how much of the
// panorama one frame pixel covers, and the reduced levels of the panorama
// that the view needs where it shrinks the panorama. A frame then costs a
// table lookup and a 4 × 4 Lanczos2 sample a pixel (two, blended, between
// two levels).
//
// The frames are independent: render is const and may run on several
// threads at once, each with its own frame; the tables are read only.
class ViewRemap {
public:
    // mapping must be a sphere placed for a picture of the panorama's size
    // (SphereMapping::scaledTo), view valid (ViewSettingsProblem):
    // std::invalid_argument otherwise. std::bad_alloc, before anything
    // sizeable is allocated, when the tables or the levels do not fit in
    // the memory available. The panorama's pixels are shared, not copied.
    ViewRemap(const Bitmap24 &panorama, const SphereMapping &mapping, const ViewSettings &view);

    const ViewSettings &view() const { return m_camera.settings(); }
    const SphereMapping &mapping() const { return m_mapping; }

    // The frame seen at yaw degrees (any finite number; 360 is 0), sized to
    // the view; false when it cannot be allocated. Directions the panorama
    // does not cover are black.
    bool render(double yawDegrees, Bitmap24 &frame) const;
    // Rows first to end - 1 of that frame, already sized to the view: for
    // threads sharing one frame, each with its own rows.
    void renderRows(double yawDegrees, Bitmap24 &frame, int first, int end) const;

    // The tables and the reduced levels, in bytes (the panorama not counted).
    std::size_t heldBytes() const;
    // Levels the view reads: 1 when it samples the panorama alone.
    int levelsRead() const { return int(m_levelViews.size()); }

private:
    void computeTables(std::vector<RowBand> &bands);

    Bitmap24 m_panorama;
    SphereMapping m_mapping;
    ViewCamera m_camera;
    std::vector<std::uint32_t> m_u; // picture x at yaw 0, 1/256 pixel, below the full span
    std::vector<std::uint32_t> m_v; // picture y, 1/256 pixel
    std::vector<std::uint8_t> m_mode; // RemapMode, or kRemapOutside
    SphereLevels m_levels;
    std::vector<RemapLevel> m_levelViews;
    std::uint32_t m_fullSpan = 0;
    std::uint32_t m_coveredSpan = 0;
};
