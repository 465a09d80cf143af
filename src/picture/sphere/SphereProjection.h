#pragma once

#include <cstdint>
#include <optional>
#include <string>

// How a panorama lies on the sphere of directions (see SphereViews.h).

enum class SphereProjection {
    Flat, // a plain picture, not on a sphere: the scrolling camera shows it
    Cylindrical, // x linear in longitude, y proportional to tan(latitude)
    Equirectangular, // x linear in longitude, y linear in latitude
};

// Where the picture lies in the full panorama, in pixels: the Photo Sphere
// fields FullPanoWidthPixels, FullPanoHeightPixels, CroppedAreaLeftPixels,
// CroppedAreaTopPixels, CroppedAreaImageWidthPixels and
// CroppedAreaImageHeightPixels. The full panorama spans 360° across, its
// centre column at longitude 0. Equirectangular: 180° down, pole to pole.
// Cylindrical: the horizon on its middle row, latitude φ at R·tan φ pixels
// above it, R = fullWidth / 2π (square pixels on the horizon). A cropped area
// may run past the right edge and go on from the left one.
struct SpherePlacement {
    std::int64_t fullWidth = 0;
    std::int64_t fullHeight = 0;
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const SpherePlacement &) const = default;
};

// The largest full panorama side a view takes: the remap's positions are
// 32-bit fixed point with 1/256 pixel.
constexpr std::int64_t kMaxFullPanoramaSide = std::int64_t(1) << 23;

// A point of the picture in pixels: pixel (i, j) has its centre at (i, j).
struct PicturePoint {
    double x = 0.0;
    double y = 0.0;
};

// Degrees: longitude 0 at the panorama's centre, growing to the right;
// latitude positive up.
struct LonLat {
    double longitude = 0.0;
    double latitude = 0.0;
};

// A unit vector: x to the right of the panorama's centre, y up, z towards it.
struct Direction {
    double x = 0.0;
    double y = 0.0;
    double z = 1.0;
};
LonLat ToLonLat(const Direction &direction);
Direction ToDirection(const LonLat &angles);

// A projection and a placement: the picture's place on the sphere. A flat
// mapping maps no direction.
class SphereMapping {
public:
    SphereMapping() = default; // flat

    // Why the placement cannot hold a picture of that projection ("the
    // cropped area is wider than the full panorama"); empty when it can.
    static std::string placementProblem(SphereProjection projection, const SpherePlacement &placement);
    // std::invalid_argument with that reason.
    SphereMapping(SphereProjection projection, const SpherePlacement &placement);
    // The picture as the whole full panorama: a full turn, and pole to pole
    // when equirectangular. Sides from 1 to kMaxFullPanoramaSide.
    static SphereMapping whole(SphereProjection projection, int width, int height);
    // A picture covering `degrees` of the turn (more than 0, at most 360),
    // centred on longitude 0 and on the horizon.
    static SphereMapping covering(SphereProjection projection, int width, int height, double degrees);

    SphereProjection projection() const { return m_projection; }
    bool isSphere() const { return m_projection != SphereProjection::Flat; }
    const SpherePlacement &placement() const { return m_placement; }

    // The horizontal angle the picture covers: 360 or less (0 when flat).
    double coveredDegrees() const;
    // A full turn: the picture's right edge meets its left edge.
    bool closes() const;
    // Latitudes of the picture's top and bottom edges.
    double topLatitude() const;
    double bottomLatitude() const;
    // Equirectangular from pole to pole: taps past the top row go on over
    // the pole, half a turn away.
    bool coversPoles() const;

    // The picture point showing that direction; nothing when the direction
    // falls outside the picture (its nearest pixel would not be in it) or
    // the mapping is flat.
    std::optional<PicturePoint> toPicture(const LonLat &angles) const;
    std::optional<PicturePoint> toPicture(const Direction &direction) const;
    // The direction a picture point shows, also past the picture's edges;
    // nothing when flat. Longitude in [-180, 180).
    std::optional<LonLat> toDirection(const PicturePoint &point) const;

    // Continuous coordinates of the full panorama (0 to fullWidth left to
    // right, pixel i covering [i, i + 1)): the column of a longitude,
    // unwrapped, and the row of a latitude (radians).
    double fullColumn(double longitudeRadians) const;
    double fullRow(double latitudeRadians) const;

    // The same place on the sphere for the picture resized to width × height
    // (metadata written for another size): std::invalid_argument when the
    // result is no placement.
    SphereMapping scaledTo(int width, int height) const;

private:
    SphereProjection m_projection = SphereProjection::Flat;
    SpherePlacement m_placement;
};

// Without metadata, a picture exactly twice as wide as high is likely an
// equirectangular full sphere.
bool LooksEquirectangular(int width, int height);
