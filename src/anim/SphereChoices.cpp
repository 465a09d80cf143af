#include "anim/SphereChoices.h"

#include "common/TextFormat.h"
#include "picture/sphere/PhotoSphereXmp.h"
#include "picture/sphere/XmpPacket.h"

#include <cmath>
#include <iterator>
#include <stdexcept>

namespace {

constexpr const char *kProjections[] = { "À plat", "Cylindrique", "Équirectangulaire" };
constexpr const char *kViews[] = { "À plat", "Perspective", "Petite planète" };
static_assert(std::size(kProjections) == ProjectionEquirectangular + 1);
static_assert(std::size(kViews) == ViewLittlePlanet + 1);

SphereProjection ProjectionOf(std::int32_t choice)
{
    switch (choice) {
    case ProjectionCylindrical:
        return SphereProjection::Cylindrical;
    case ProjectionEquirectangular:
        return SphereProjection::Equirectangular;
    default:
        return SphereProjection::Flat;
    }
}

std::int32_t ChoiceOf(SphereProjection projection)
{
    switch (projection) {
    case SphereProjection::Cylindrical:
        return ProjectionCylindrical;
    case SphereProjection::Equirectangular:
        return ProjectionEquirectangular;
    case SphereProjection::Flat:
        break;
    }
    return ProjectionFlat;
}

std::string DegreesText(double degrees)
{
    return DecimalCommaText(degrees, "%.4g");
}

// The picture on the sphere of the chosen projection: the metadata's
// placement when there is one, else the whole picture as a full turn.
std::optional<SphereMapping> MappingOf(std::int32_t projection, const PictureSphere &picture, std::string &error)
{
    const SphereProjection chosen = ProjectionOf(projection);
    if (chosen == SphereProjection::Flat)
        return SphereMapping {};
    const std::string problem
        = picture.metadata ? SphereMapping::placementProblem(chosen, picture.metadata->placement()) : std::string();
    if (!problem.empty()) {
        error = "Les métadonnées Photo Sphere de l'image ne conviennent pas à cette projection : " + problem;
        return std::nullopt;
    }
    try {
        return picture.metadata ? SphereMapping(chosen, picture.metadata->placement())
                                : SphereMapping::whole(chosen, picture.width, picture.height);
    } catch (const std::invalid_argument &refused) {
        error = std::string("Cette projection ne convient pas à l'image : ") + refused.what();
        return std::nullopt;
    }
}

} // namespace

std::span<const char *const> ProjectionCaptions()
{
    return kProjections;
}

std::span<const char *const> ViewCaptions()
{
    return kViews;
}

PictureSphere ReadPictureSphere(const std::string &path, int width, int height)
{
    PictureSphere picture;
    picture.width = width;
    picture.height = height;
    const XmpSearch found = FindXmpPacketInFile(path);
    if (found.packet.empty()) {
        picture.ignoredBecause = found.problem;
        return picture;
    }
    PhotoSphereReading reading = ReadPhotoSphere(found.packet, width, height);
    picture.metadata = reading.mapping;
    picture.ignoredBecause = reading.ignoredBecause;
    return picture;
}

std::int32_t OfferedProjection(const PictureSphere &picture)
{
    if (picture.metadata)
        return ChoiceOf(picture.metadata->projection());
    return LooksEquirectangular(picture.width, picture.height) ? ProjectionEquirectangular : ProjectionFlat;
}

std::optional<SphereView> SphereFromChoices(
    const CameraChoices &choices, const PictureSphere &picture, bool loop360, std::string &error)
{
    if (choices.Projection < ProjectionFlat || choices.Projection > ProjectionEquirectangular) {
        error = "Projection du panorama Incorrecte";
        return std::nullopt;
    }
    if (choices.View < ViewFlat || choices.View > ViewLittlePlanet) {
        error = "Vue Incorrecte";
        return std::nullopt;
    }
    SphereView view;
    if (picture.width > 0 && picture.height > 0) {
        const std::optional<SphereMapping> mapping = MappingOf(choices.Projection, picture, error);
        if (!mapping)
            return std::nullopt;
        if (loop360 && mapping->isSphere() && !mapping->closes()) {
            error = formatText("La boucle 360° demande un tour complet : le panorama en couvre %s°",
                { DegreesText(mapping->coveredDegrees()) });
            return std::nullopt;
        }
        if (choices.View != ViewFlat)
            view.Mapping = *mapping;
    }
    // A flat picture has no view: its frames are cut as always, whatever
    // view a sphere had before.
    if (choices.View == ViewFlat || choices.Projection == ProjectionFlat)
        return SphereView {};
    const bool planet = choices.View == ViewLittlePlanet;
    view.Projection = planet ? ViewProjection::Stereographic : ViewProjection::Rectilinear;
    const double widest = planet ? 360 : 180;
    view.Fov = planet ? kDefaultStereographicFov : kDefaultRectilinearFov;
    if (choices.Fov.find_first_not_of(' ') != std::string::npos) {
        const std::optional<double> fov = ParseDecimalField(choices.Fov);
        if (!fov || *fov <= 0 || *fov >= widest) {
            error = formatText(
                "Valeur de Champ de vision Incorrecte (plus de 0 et moins de %d)", { std::int64_t(widest) });
            return std::nullopt;
        }
        view.Fov = *fov;
    }
    view.Pitch = planet ? kLittlePlanetPitch : 0;
    if (choices.Pitch.find_first_not_of(' ') != std::string::npos) {
        const std::optional<double> pitch = ParseDecimalField(choices.Pitch);
        if (!pitch || *pitch < -90 || *pitch > 90) {
            error = "Valeur d'Inclinaison Incorrecte (de -90 à 90)";
            return std::nullopt;
        }
        view.Pitch = *pitch;
    }
    return view;
}

std::string DescribeProjection(const CameraChoices &choices, const PictureSphere &picture)
{
    if (picture.width <= 0 || picture.height <= 0)
        return {};
    std::string error;
    const std::optional<SphereMapping> mapping = MappingOf(choices.Projection, picture, error);
    if (!mapping)
        return error;
    if (!mapping->isSphere())
        return choices.View == ViewFlat
            ? std::string()
            : "Les vues Perspective et Petite planète demandent un panorama Cylindrique ou Équirectangulaire";
    std::string text = picture.metadata ? "Placé selon ses métadonnées Photo Sphere" : "L'image entière fait le tour";
    if (!mapping->closes())
        text += formatText(", couvre %s° du tour", { DegreesText(mapping->coveredDegrees()) });
    return text;
}
