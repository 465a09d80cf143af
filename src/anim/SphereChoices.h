#pragma once

#include "anim/AnimSettings.h"
#include "anim/CameraChoices.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The 360° fields of the "Options Caméra" window: how the opened picture
// lies on the sphere ("Projection du panorama") and the virtual camera that
// looks at it ("Vue", "Champ de vision (°)", "Inclinaison (°)").

enum ProjectionChoice : std::int32_t { ProjectionFlat = 0, ProjectionCylindrical = 1, ProjectionEquirectangular = 2 };
enum ViewChoice : std::int32_t { ViewFlat = 0, ViewPerspective = 1, ViewLittlePlanet = 2 };

// The captions of the two lists, in the order of the choices above.
std::span<const char *const> ProjectionCaptions();
std::span<const char *const> ViewCaptions();

// What the opened picture says of its place on the sphere, read once when
// it opens: its size and its Photo Sphere metadata's mapping, if any.
struct PictureSphere {
    int width = 0;
    int height = 0;
    std::optional<SphereMapping> metadata;
    std::string ignoredBecause; // why metadata present was not used
};

// Reads the file's metadata (headers only, never the pixels).
PictureSphere ReadPictureSphere(const std::string &path, int width, int height);

// The projection offered for a picture just opened: its metadata's; else
// equirectangular for a picture twice as wide as high; else flat.
std::int32_t OfferedProjection(const PictureSphere &picture);

// The sphere of the window's runs: inactive while "Vue" or the projection
// is "À plat" (the frames cut from the picture as always); nothing, with the
// message, for a value refused or a 360° loop of a panorama that covers less
// than a full turn (whatever the view).
std::optional<SphereView> SphereFromChoices(
    const CameraChoices &choices, const PictureSphere &picture, bool loop360, std::string &error);

// One line on the projection for the window: where it comes from and the
// angle it covers, or that a view needs a sphere; empty without a picture
// or when both are "À plat".
std::string DescribeProjection(const CameraChoices &choices, const PictureSphere &picture);
