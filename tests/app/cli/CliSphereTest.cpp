#include "app/cli/CliRun.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "jpeg/JpegOptions.h"
#include "output/FrameFile.h"
#include "picture/PictureLoader.h"
#include "picture/sphere/ViewRemap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A panorama of 200 x 100 whose pixels tell where they are, as BMP (no
// metadata) or as JPEG with a Photo Sphere packet.
class CliSphere : public testing::Test {
protected:
    int run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "travelia-cli");
        std::vector<const char *> argv;
        for (const auto &a : args)
            argv.push_back(a.c_str());
        out.str({});
        err.str({});
        return runCli(int(argv.size()), argv.data(), out, err, {});
    }

    // A JPEG of the test panorama with the Photo Sphere fields as attributes.
    std::string jpegWithPhotoSphere(const std::string &attributes)
    {
        const fs::path path = dir / "sphere.jpg";
        writeJpegWithPhotoSphere(path, 200, 100, attributes);
        return path.string();
    }

    TempDir dir;
    std::ostringstream out, err;
};

// Frames of an equirectangular panorama seen through a rectilinear view are
// the remap's frames for the planned yaws: five frames in half a second at
// 10 frames per second, one way round the full turn, 90° apart.
TEST_F(CliSphere, rectilinearFramesAreTheRemapsForThePlannedYaws)
{
    const Bitmap24 panorama = makeTestPanorama(200, 100);
    const std::string path = (dir / "pano.bmp").string();
    ASSERT_TRUE(WriteBmpFile(panorama, path));
    ASSERT_EQ(run({ "--input-projection", "equirectangular", "--view", "rectilinear", "--size", "64x36", "--duration",
                  "0.5", "--rate", "10", "--one-way", "-f", "bmp", path }),
        0)
        << err.str();
    EXPECT_NE(err.str().find("equirectangular (from --input-projection)"), std::string::npos) << err.str();
    const ViewRemap remap(panorama, SphereMapping::whole(SphereProjection::Equirectangular, 200, 100),
        { ViewProjection::Rectilinear, 64, 36, 90, 0 });
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        Bitmap24 expected, written;
        ASSERT_TRUE(remap.render(k * 90.0, expected));
        char name[32];
        std::snprintf(name, sizeof name, "IMAGE%04d.BMP", k);
        ASSERT_TRUE(LoadPictureFile((dir / "anim" / name).string(), written, TJpegOptions {}));
        EXPECT_TRUE(written == expected);
    }
    EXPECT_FALSE(fs::exists(dir / "anim" / "IMAGE0005.BMP"));
}

// A picture of 2:1 without metadata stays flat, and the command line says
// what would show it as a sphere.
TEST_F(CliSphere, twoToOnePictureStaysFlatWithAHint)
{
    const std::string path = (dir / "pano.bmp").string();
    ASSERT_TRUE(WriteBmpFile(makeTestPanorama(200, 100), path));
    ASSERT_EQ(run({ "--test", path }), 0) << err.str();
    EXPECT_NE(err.str().find("--input-projection equirectangular would show it as a sphere"), std::string::npos)
        << err.str();
    // The same frames as a picture said to be flat, which gets no hint.
    const std::string frames = out.str().substr(0, out.str().find(" in "));
    ASSERT_EQ(run({ "--test", "--input-projection", "flat", path }), 0) << err.str();
    EXPECT_EQ(out.str().substr(0, out.str().find(" in ")), frames);
    EXPECT_EQ(err.str(), "");
}

// The metadata chooses the projection, and the command line says so.
TEST_F(CliSphere, photoSphereMetadataChoosesTheProjection)
{
    const std::string path = jpegWithPhotoSphere("GPano:ProjectionType=\"equirectangular\"");
    ASSERT_EQ(run({ "--test", "--size", "32x18", "--duration", "0.2", path }), 0) << err.str();
    EXPECT_NE(
        err.str().find("travelia-cli: equirectangular (from the picture's Photo Sphere metadata)\n"), std::string::npos)
        << err.str();
    // One pass of 6 frames and its return.
    EXPECT_NE(out.str().find("12 frames rendered"), std::string::npos) << out.str();
}

// --loop360 on a panorama covering 240° is refused before anything is
// written, naming the covered angle.
TEST_F(CliSphere, loopOnAPartialPanoramaIsRefusedBeforeWriting)
{
    const std::string path = jpegWithPhotoSphere(
        "GPano:ProjectionType=\"cylindrical\" GPano:FullPanoWidthPixels=\"300\" GPano:FullPanoHeightPixels=\"100\" "
        "GPano:CroppedAreaImageWidthPixels=\"200\" GPano:CroppedAreaImageHeightPixels=\"100\" "
        "GPano:CroppedAreaLeftPixels=\"50\" GPano:CroppedAreaTopPixels=\"0\"");
    EXPECT_EQ(run({ "--loop360", "-f", "png", path }), 1);
    EXPECT_NE(err.str().find("--loop360 needs a full turn: the panorama covers 240°"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(dir / "anim"));
    EXPECT_EQ(out.str(), "");
}

// Damaged metadata is ignored with its reason; the picture runs flat.
TEST_F(CliSphere, damagedMetadataIsIgnoredWithItsReason)
{
    const std::string path = jpegWithPhotoSphere("GPano:ProjectionType=\"fisheye\"");
    ASSERT_EQ(run({ "--test", path }), 0) << err.str();
    EXPECT_NE(
        err.str().find("Photo Sphere metadata ignored: GPano:ProjectionType 'fisheye' is not read"), std::string::npos)
        << err.str();
}

} // namespace
