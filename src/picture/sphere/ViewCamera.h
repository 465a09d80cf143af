#pragma once

#include "picture/sphere/SphereProjection.h"

#include <optional>
#include <string>

// The output views of a 360° panorama (see SphereViews.h): a virtual camera
// at the sphere's centre, with the conventions of FFmpeg's v360 filter. Yaw 0
// and pitch 0 look at the panorama's centre on the horizon, positive yaw
// turns right, positive pitch looks up; no roll. The frame's own rays are
// turned by pitch first, then by yaw about the vertical axis.

enum class ViewProjection {
    // A pinhole: fovDegrees between the frame's left and right edges, the
    // vertical field from the aspect ratio (square pixels); v360's "flat".
    Rectilinear,
    // "Little planet" (v360's "sg"): the direction θ away from the view's
    // axis lies at tan(θ / 2) from the frame's centre; fovDegrees is the
    // angle between the left and right edges through the centre, and may
    // pass 180° (at 270°, the horizon of a view straight down circles the
    // centre at 41 % of the half width).
    Stereographic,
    // Between the two, for the little planet's opening: the rays as seen
    // from a projection centre centreDistance radii behind the sphere's
    // centre (0: rectilinear, 1: stereographic), a point θ from the axis at
    // (1 + d) sin θ / (d + cos θ) from the frame's centre; fovDegrees as
    // for stereographic, below 2 acos(-d).
    Perspective,
};

constexpr double kDefaultRectilinearFov = 90.0;
constexpr double kDefaultStereographicFov = 270.0;
constexpr double kLittlePlanetPitch = -90.0; // straight down
constexpr int kMaxViewSide = 16384;

struct ViewSettings {
    ViewProjection projection = ViewProjection::Rectilinear;
    int width = 0;
    int height = 0;
    double fovDegrees = kDefaultRectilinearFov;
    double pitchDegrees = 0.0; // -90 (down) to 90 (up)
    double centreDistance = 0.0; // Perspective only: 0 to 1
    bool operator==(const ViewSettings &) const = default;
};

// Why the settings make no view ("the field of view of a rectilinear view
// must lie between 0 and 180 degrees"); empty when they make one.
std::string ViewSettingsProblem(const ViewSettings &settings);

class ViewCamera {
public:
    // std::invalid_argument with ViewSettingsProblem's reason.
    explicit ViewCamera(const ViewSettings &settings);

    const ViewSettings &settings() const { return m_settings; }

    // The direction shown at frame point (column, row) (pixel i's centre at
    // i) at yaw 0.
    Direction ray(double column, double row) const;
    // Where a direction shows in the frame turned by yaw degrees (possibly
    // outside the frame); nothing where the projection has no point for it
    // (behind a pinhole, straight behind a stereographic view).
    std::optional<PicturePoint> project(const Direction &direction, double yawDegrees) const;

    // A direction turned by yaw degrees about the vertical axis (to the right).
    static Direction turned(const Direction &direction, double yawDegrees);

private:
    ViewSettings m_settings;
    double m_scale = 0.0; // plane units a pixel
    double m_sinPitch = 0.0;
    double m_cosPitch = 1.0;
};
