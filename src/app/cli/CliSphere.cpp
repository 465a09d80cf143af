#include "app/cli/CliSphere.h"

#include "app/cli/CliOptions.h"
#include "common/Bitmap24.h"
#include "common/TextFormat.h"
#include "picture/sphere/PhotoSphereXmp.h"
#include "picture/sphere/XmpPacket.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {

const char *NameOf(SphereProjection projection)
{
    switch (projection) {
    case SphereProjection::Cylindrical:
        return "cylindrical";
    case SphereProjection::Equirectangular:
        return "equirectangular";
    case SphereProjection::Flat:
        break;
    }
    return "flat";
}

std::string DegreesText(double degrees)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", degrees);
    return text;
}

} // namespace

bool SphereFromOptions(const CliOptions &o, const Bitmap24 &picture, SphereView &view, std::ostream &err)
{
    const auto say = [&](const std::string &line) {
        if (!o.quiet)
            err << "travelia-cli: " << line << '\n';
    };
    view = SphereView {};
    const int width = picture.width(), height = picture.height();
    PhotoSphereReading metadata;
    if (o.inputProjection != SphereProjection::Flat) {
        const XmpSearch found = FindXmpPacketInFile(o.panorama);
        if (!found.problem.empty())
            say("Photo Sphere metadata not read: " + found.problem);
        metadata = ReadPhotoSphere(found.packet, width, height);
        if (!metadata.ignoredBecause.empty())
            say("Photo Sphere metadata ignored: " + metadata.ignoredBecause);
    }
    std::string from;
    if (o.inputProjection && *o.inputProjection != SphereProjection::Flat) {
        // The metadata's placement, if any, with the projection asked for.
        view.Mapping = metadata.mapping ? SphereMapping(*o.inputProjection, metadata.mapping->placement())
                                        : SphereMapping::whole(*o.inputProjection, width, height);
        from = "--input-projection";
    } else if (!o.inputProjection && metadata.mapping) {
        view.Mapping = *metadata.mapping;
        from = "the picture's Photo Sphere metadata";
    }
    const bool viewOptions = o.view || o.fov || o.pitch || o.planetIntro;
    if (!view.Active()) {
        if (viewOptions) {
            err << "travelia-cli: --view, --fov, --pitch and --intro show a sphere: the picture is flat (use "
                   "--input-projection cylindrical or equirectangular)\n";
            return false;
        }
        if (!o.inputProjection && LooksEquirectangular(width, height))
            say("the picture is twice as wide as high: --input-projection equirectangular would show it as a sphere");
        return true;
    }
    const std::string covered = DegreesText(view.Mapping.coveredDegrees());
    say(std::string(NameOf(view.Mapping.projection())) + " (from " + from + ")"
        + (view.Mapping.closes() ? "" : ", covering " + covered + "° of the turn"));
    if (o.loop360 && !view.Mapping.closes()) {
        err << "travelia-cli: --loop360 needs a full turn: the panorama covers " << covered << "° (from " << from
            << "); nothing was written\n";
        return false;
    }
    view.Projection = o.view.value_or(ViewProjection::Rectilinear);
    view.Fov = FovOf(o);
    view.Pitch = o.pitch.value_or(0.0);
    view.PlanetIntro = o.planetIntro;
    return true;
}
