// travelia-cli with an output size keeps the picture at the size the camera
// sees it as it is read: the frames are those of a full load scaled once.
#include "app/cli/CliRun.h"

#include "TestUtils.h"
#include "common/Bitmap24.h"
#include "jpeg/JpegOptions.h"
#include "output/FrameFile.h"
#include "picture/PanoramaScaler.h"
#include "picture/PictureLoader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Smooth content with some detail, as a camera's panorama.
Bitmap24 landscape(int width, int height)
{
    Bitmap24 picture;
    EXPECT_TRUE(picture.resize(width, height));
    for (int y = 0; y < height; ++y) {
        std::uint8_t *p = picture.scanLine(y);
        for (int x = 0; x < width; ++x, p += 3) {
            p[0] = std::uint8_t(128 + 90 * std::sin(x / 23.0) * std::cos(y / 17.0));
            p[1] = std::uint8_t(x * 255 / width);
            p[2] = std::uint8_t(40 + (y * 170 / height) + 30 * std::sin((x + y) / 41.0));
        }
    }
    return picture;
}

int runCliWith(std::vector<std::string> args, std::string &errText)
{
    args.insert(args.begin(), "travelia-cli");
    std::vector<const char *> argv;
    for (const auto &a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = runCli(int(argv.size()), argv.data(), out, err, {});
    errText = err.str();
    return status;
}

std::vector<fs::path> framesIn(const fs::path &folder)
{
    std::vector<fs::path> names;
    for (const auto &e : fs::directory_iterator(folder))
        names.push_back(e.path());
    std::sort(names.begin(), names.end());
    return names;
}

struct CameraLoadCase {
    const char *ext;
    // Largest and mean difference of a frame sample from the full load's.
    int most;
    double mean;
};

class CliCameraLoad : public testing::TestWithParam<CameraLoadCase> { };

// TIFF and PNG reduce through the scaler a full load is scaled with: the
// same frames. JPEG decodes at a reduced scale first: nearly the same (at
// 1/3.75, measured: at most 8 levels apart, 0.78 on average).
TEST_P(CliCameraLoad, framesAreThoseOfAFullLoadScaledOnce)
{
    TempDir dir;
    const std::string source = dir.str() + "/pano." + GetParam().ext;
    SaveDetail detail;
    ASSERT_TRUE(WriteFrameFile(landscape(1200, 300), source, AtomicFile::Publish::Replace, {}, detail));

    // The camera sees a 320 x 80 panorama; the reference is already that size.
    Bitmap24 full, scaled;
    ASSERT_TRUE(LoadPictureFile(source, full, TJpegOptions {}));
    ASSERT_TRUE(ScaleBitmap(full, 320, 80, scaled));
    fs::create_directory(dir / "ref");
    const std::string reference = (dir / "ref" / "pano.bmp").string();
    ASSERT_TRUE(WriteBmpFile(scaled, reference));

    std::string err;
    for (const std::string &picture : { source, reference })
        ASSERT_EQ(runCliWith({ "--size", "100x80", "--one-way", "-s", "20", picture }, err), 0) << err;

    const std::vector<fs::path> frames = framesIn(dir / "anim");
    const std::vector<fs::path> expected = framesIn(dir / "ref" / "anim");
    ASSERT_EQ(frames.size(), 12u); // (320 - 100) / 20 + 1
    ASSERT_EQ(expected.size(), frames.size());
    int most = 0;
    double sum = 0;
    for (std::size_t k = 0; k < frames.size(); ++k) {
        Bitmap24 a, b;
        ASSERT_TRUE(LoadPictureFile(frames[k].string(), a, TJpegOptions {}));
        ASSERT_TRUE(LoadPictureFile(expected[k].string(), b, TJpegOptions {}));
        ASSERT_EQ(a.width(), 100);
        ASSERT_EQ(a.height(), 80);
        ASSERT_EQ(b.width(), 100);
        for (int y = 0; y < a.height(); ++y)
            for (int i = 0; i < a.width() * 3; ++i) {
                const int delta = std::abs(int(a.scanLine(y)[i]) - int(b.scanLine(y)[i]));
                most = std::max(most, delta);
                sum += delta;
            }
    }
    const double mean = sum / (double(frames.size()) * 100 * 80 * 3);
    EXPECT_LE(most, GetParam().most);
    EXPECT_LE(mean, GetParam().mean);
}

INSTANTIATE_TEST_SUITE_P(Formats, CliCameraLoad,
    testing::Values(CameraLoadCase { "png", 0, 0 }, CameraLoadCase { "tif", 0, 0 }, CameraLoadCase { "jpg", 10, 1.0 }),
    [](const testing::TestParamInfo<CameraLoadCase> &info) { return std::string(info.param.ext); });

// A picture whose rows do not fit in the memory left loads at the camera's
// size: the full-size picture is never held.
TEST(CliCameraLoadMemory, aPictureTooLargeToHoldWholeLoadsAtTheCamerasSize)
{
    TempDir dir;
    const std::string path = dir.str() + "/big.png";
    SaveDetail detail;
    Bitmap24 picture = landscape(8000, 1500); // 36 MB of rows
    ASSERT_TRUE(WriteFrameFile(picture, path, AtomicFile::Publish::Replace, {}, detail));
    picture = Bitmap24();
    std::string err;
    const int whole = runWithAddressSpaceHeadroom(std::uint64_t(16) << 20, [&] {
        return runCliWith({ "--test", path }, err);
    });
    EXPECT_EQ(whole, 2); // refused with the memory it needs
    const int scaled = runWithAddressSpaceHeadroom(std::uint64_t(16) << 20, [&] {
        return runCliWith({ "--test", "--size", "320x180", "--one-way", "-s", "64", path }, err);
    });
    EXPECT_EQ(scaled, 0);
}

} // namespace
