#include "anim/SphereChoices.h"

#include "MediaTools.h"
#include "TestUtils.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

PictureSphere picture(int width, int height, std::optional<SphereMapping> metadata = std::nullopt)
{
    PictureSphere p;
    p.width = width;
    p.height = height;
    p.metadata = std::move(metadata);
    return p;
}

// 240° of an equirectangular turn: 800 of a 1200 x 600 full panorama, pole to pole.
const PictureSphere kPartial
    = picture(800, 600, SphereMapping(SphereProjection::Equirectangular, { 1200, 600, 200, 0, 800, 600 }));
const PictureSphere kWhole = picture(800, 400);
const PictureSphere kFlat = picture(900, 300);

CameraChoices choose(std::int32_t projection, std::int32_t view, std::string fov = {}, std::string pitch = {})
{
    CameraChoices c;
    c.Projection = projection;
    c.View = view;
    c.Fov = std::move(fov);
    c.Pitch = std::move(pitch);
    return c;
}

struct SphereCase {
    const char *label;
    CameraChoices choices;
    PictureSphere picture;
    bool loop360;
    // Refused: the message. Accepted: whether a view is active, its kind,
    // field of view, pitch and covered angle.
    const char *refusal;
    bool active = false;
    ViewProjection projection = ViewProjection::Rectilinear;
    double fov = 0, pitch = 0, covered = 0;
};

class SphereChoicesTable : public testing::TestWithParam<SphereCase> { };

TEST_P(SphereChoicesTable, makeTheViewOrAreRefusedWithTheReason)
{
    const SphereCase &c = GetParam();
    std::string error;
    const std::optional<SphereView> view = SphereFromChoices(c.choices, c.picture, c.loop360, error);
    if (c.refusal) {
        EXPECT_FALSE(view.has_value());
        EXPECT_EQ(error, c.refusal);
        return;
    }
    ASSERT_TRUE(view.has_value()) << error;
    EXPECT_EQ(view->Active(), c.active);
    if (!c.active)
        return;
    EXPECT_EQ(view->Projection, c.projection);
    EXPECT_DOUBLE_EQ(view->Fov, c.fov);
    EXPECT_DOUBLE_EQ(view->Pitch, c.pitch);
    EXPECT_DOUBLE_EQ(view->Mapping.coveredDegrees(), c.covered);
}

INSTANTIATE_TEST_SUITE_P(Choices, SphereChoicesTable,
    testing::Values(SphereCase { "flatViewCutsFramesAsAlways", choose(ProjectionEquirectangular, ViewFlat), kWhole,
                        true, nullptr, false },
        SphereCase { "littlePlanetLooksDown", choose(ProjectionEquirectangular, ViewLittlePlanet), kWhole, false,
            nullptr, true, ViewProjection::Stereographic, 270, -90, 360 },
        SphereCase { "cylinderOfTheWholePicture", choose(ProjectionCylindrical, ViewPerspective, "60", "10"), kFlat,
            false, nullptr, true, ViewProjection::Rectilinear, 60, 10, 360 },
        SphereCase { "decimalCommaAndBlanks", choose(ProjectionEquirectangular, ViewPerspective, " 120,5 ", "-12.5"),
            kWhole, false, nullptr, true, ViewProjection::Rectilinear, 120.5, -12.5, 360 },
        SphereCase { "partialPanoramaPlacedByItsMetadata", choose(ProjectionEquirectangular, ViewPerspective), kPartial,
            false, nullptr, true, ViewProjection::Rectilinear, 90, 0, 240 },
        SphereCase { "loopOfAPartialPanorama", choose(ProjectionEquirectangular, ViewPerspective), kPartial, true,
            "La boucle 360° demande un tour complet : le panorama en couvre 240°" },
        SphereCase { "loopOfAPartialPanoramaCutFlat", choose(ProjectionEquirectangular, ViewFlat), kPartial, true,
            "La boucle 360° demande un tour complet : le panorama en couvre 240°" },
        SphereCase { "loopOfAFlatPictureAsAlways", choose(ProjectionFlat, ViewFlat), kPartial, true, nullptr, false },
        SphereCase { "viewOfAFlatPictureCutsFramesAsAlways", choose(ProjectionFlat, ViewPerspective), kFlat, false,
            nullptr, false },
        SphereCase { "rectilinearFovOfHalfATurn", choose(ProjectionEquirectangular, ViewPerspective, "180"), kWhole,
            false, "Valeur de Champ de vision Incorrecte (plus de 0 et moins de 180)" },
        SphereCase { "stereographicFovOfAWholeTurn", choose(ProjectionEquirectangular, ViewLittlePlanet, "360"), kWhole,
            false, "Valeur de Champ de vision Incorrecte (plus de 0 et moins de 360)" },
        SphereCase { "fovNotANumber", choose(ProjectionEquirectangular, ViewPerspective, "large"), kWhole, false,
            "Valeur de Champ de vision Incorrecte (plus de 0 et moins de 180)" },
        SphereCase { "pitchPastStraightUp", choose(ProjectionEquirectangular, ViewPerspective, "", "90,5"), kWhole,
            false, "Valeur d'Inclinaison Incorrecte (de -90 à 90)" }),
    [](const auto &info) { return std::string(info.param.label); });

// The projection a picture offers when it opens: its metadata's, else
// equirectangular for 2:1, else flat.
TEST(OfferedProjection, followsTheMetadataThenTheShape)
{
    EXPECT_EQ(OfferedProjection(kPartial), ProjectionEquirectangular);
    EXPECT_EQ(OfferedProjection(
                  picture(300, 100, SphereMapping(SphereProjection::Cylindrical, { 300, 100, 0, 0, 300, 100 }))),
        ProjectionCylindrical);
    EXPECT_EQ(OfferedProjection(kWhole), ProjectionEquirectangular);
    EXPECT_EQ(OfferedProjection(kFlat), ProjectionFlat);
    EXPECT_EQ(OfferedProjection(picture(400, 800)), ProjectionFlat);
    EXPECT_EQ(OfferedProjection(PictureSphere {}), ProjectionFlat);
}

// The metadata is read from the file: a cropped panorama is placed where it
// belongs; a file without metadata, or none at all, has none.
TEST(ReadPictureSphere, readsThePlacementFromTheFile)
{
    TempDir dir;
    writeJpegWithPhotoSphere(dir / "partiel.jpg", 200, 100,
        "GPano:ProjectionType=\"cylindrical\" GPano:FullPanoWidthPixels=\"300\" GPano:FullPanoHeightPixels=\"100\" "
        "GPano:CroppedAreaImageWidthPixels=\"200\" GPano:CroppedAreaImageHeightPixels=\"100\" "
        "GPano:CroppedAreaLeftPixels=\"50\" GPano:CroppedAreaTopPixels=\"0\"");
    const PictureSphere partial = ReadPictureSphere((dir / "partiel.jpg").string(), 200, 100);
    ASSERT_TRUE(partial.metadata.has_value()) << partial.ignoredBecause;
    EXPECT_EQ(partial.metadata->projection(), SphereProjection::Cylindrical);
    EXPECT_DOUBLE_EQ(partial.metadata->coveredDegrees(), 240);
    EXPECT_EQ(DescribeProjection(choose(ProjectionCylindrical, ViewPerspective), partial),
        "Placé selon ses métadonnées Photo Sphere, couvre 240° du tour");

    writeJpegWithPhotoSphere(dir / "fisheye.jpg", 200, 100, "GPano:ProjectionType=\"fisheye\"");
    const PictureSphere ignored = ReadPictureSphere((dir / "fisheye.jpg").string(), 200, 100);
    EXPECT_FALSE(ignored.metadata.has_value());
    EXPECT_EQ(ignored.ignoredBecause, "GPano:ProjectionType 'fisheye' is not read");

    const PictureSphere missing = ReadPictureSphere((dir / "absent.jpg").string(), 200, 100);
    EXPECT_FALSE(missing.metadata.has_value());
    EXPECT_NE(missing.ignoredBecause.find("absent.jpg"), std::string::npos) << missing.ignoredBecause;
    EXPECT_EQ(DescribeProjection(choose(ProjectionFlat, ViewLittlePlanet), kWhole),
        "Les vues Perspective et Petite planète demandent un panorama Cylindrique ou Équirectangulaire");
}

} // namespace
