// Pictures are refused before their rows are allocated when they do not fit
// in the memory there is, and the refusal says how much is needed.
#include "common/Bitmap24.h"
#include "common/DecodeBudget.h"
#include "common/MemoryBudget.h"
#include "options/JpegImage.h"
#include "picture/Panorama.h"
#include "picture/PictureLoader.h"
#include "platform/BusyCursor.h"

#include "TestUtils.h"

#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace {

struct AmountCase {
    std::uint64_t needed, available;
    const char *text;
};

constexpr std::uint64_t kMB = std::uint64_t(1) << 20, kGB = std::uint64_t(1) << 30;

// Rounded to the nearest; near the edge the need is rounded up and what is
// available down, so that a refusal never reads as need <= available.
TEST(MemoryBudget, ShortageTextGivesBothAmounts)
{
    const AmountCase cases[] = {
        { 6227702579ull, 3328599654ull, "needs 5.8 GB of memory, 3.1 GB available" },
        { kGB, 300 * kMB, "needs 1.0 GB of memory, 300 MB available" },
        { 36000000ull, 0, "needs 34 MB of memory, 0 MB available" },
        { 779 * kMB + kMB * 3 / 10, 779 * kMB + kMB / 10, "needs 780 MB of memory, 779 MB available" },
        { kMB + kMB / 20, kMB * 9 / 10, "needs 2 MB of memory, 0 MB available" },
        { kMB / 2, kMB / 4, "needs 1 MB of memory, 0 MB available" },
        { 3 * kGB + kGB / 25, 3 * kGB + kGB / 100, "needs 3.1 GB of memory, 3.0 GB available" },
        { kGB + kMB / 10, 1023 * kMB + kMB * 9 / 10, "needs 1.1 GB of memory, 1023 MB available" },
    };
    for (const AmountCase &c : cases)
        EXPECT_EQ(MemoryShortageText({ c.needed, c.available }), c.text);
}

TEST(MemoryBudget, ReadsTheKernelsFigures)
{
    EXPECT_EQ(MemAvailableFrom("MemTotal:       24000000 kB\nMemFree:  1 kB\nMemAvailable:   3000 kB\n"), 3000u * 1024);
    EXPECT_EQ(MemAvailableFrom("MemAvailable: 12 kB\n"), 12u * 1024);
    EXPECT_EQ(MemAvailableFrom("MemTotal: 5 kB\n"), 0u);
    EXPECT_EQ(VmSizeFrom("Name:\tx\nVmPeak:\t  900 kB\nVmSize:\t  800 kB\n"), 800u * 1024);
    // This process has figures, and the limit is never above them.
    EXPECT_GT(AvailableMemory(), 0u);
}

// A 4000 x 3000 picture: 36 MB of rows, in small files (all black).
constexpr int kWidth = 4000, kHeight = 3000;

std::string writeBlackPng(const TempDir &dir)
{
    const std::string path = (dir / "black.png").string();
    FILE *f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return path;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(std::size_t(kWidth) * 3, 0);
    for (int y = 0; y < kHeight; ++y)
        png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return path;
}

std::string writeBlackTiff(const TempDir &dir)
{
    const std::string path = (dir / "black.tif").string();
    TIFF *tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 64);
    std::vector<std::uint8_t> row(std::size_t(kWidth) * 3, 0);
    for (int y = 0; y < kHeight; ++y)
        TIFFWriteScanline(tif, row.data(), std::uint32_t(y), 0);
    TIFFClose(tif);
    return path;
}

struct LimitCase {
    const char *name;
    std::string (*write)(const TempDir &);
};

std::ostream &operator<<(std::ostream &out, const LimitCase &c)
{
    return out << c.name;
}

class PictureBeyondMemory : public ::testing::TestWithParam<LimitCase> { };

TEST_P(PictureBeyondMemory, IsRefusedWithTheAmounts)
{
    TempDir dir;
    const std::string path = GetParam().write(dir);
    // It loads with the machine's memory...
    Bitmap24 loaded;
    ASSERT_TRUE(LoadPictureFile(path, loaded, TJpegOptions {}));
    loaded.clear();
    // ...and not with 16 MB to spare.
    const int outcome = runWithAddressSpaceHeadroom(std::uint64_t(16) << 20, [&] {
        Bitmap24 target;
        PictureLoadResult result;
        if (LoadPictureFile(path, target, TJpegOptions {}, &result))
            return 1;
        if (result.error != PictureError::OutOfMemory || !target.isEmpty())
            return 2;
        const std::string text = PictureErrorText(result);
        // Needs the 36 MB of rows and the first frame's 36 MB at least; has
        // less than 16 MB.
        if (text != MemoryShortageText({ result.memoryNeeded, result.memoryAvailable })
            || result.memoryNeeded < Bitmap24::bytesFor(kWidth, kHeight) + DefaultFrameBytes(kWidth, kHeight)
            || result.memoryAvailable > (std::uint64_t(16) << 20))
            return 3;
        return 0;
    });
    EXPECT_EQ(outcome, 0);
}

INSTANTIATE_TEST_SUITE_P(Table, PictureBeyondMemory,
    ::testing::Values(LimitCase { "png", writeBlackPng }, LimitCase { "tiff", writeBlackTiff }),
    [](const auto &info) { return std::string(info.param.name); });

class PictureNearTheMemoryEdge : public ::testing::TestWithParam<LimitCase> { };

// At every address-space limit around what the load needs, it either
// succeeds, leaving room for the run's first frame, or is refused before
// it starts with a need that reads larger than what is available; never
// a failure half-way, nor amounts that contradict each other.
TEST_P(PictureNearTheMemoryEdge, LoadsOrIsRefusedWithAConsistentReason)
{
    TempDir dir;
    const std::string path = GetParam().write(dir);
    int loads = 0, refusals = 0;
    for (std::uint64_t headroom = std::uint64_t(48) << 20; headroom <= (std::uint64_t(240) << 20);
         headroom += std::uint64_t(16) << 20) {
        SCOPED_TRACE(std::to_string(headroom >> 20) + " MB to spare");
        const int outcome = runWithAddressSpaceHeadroom(headroom, [&] {
            Bitmap24 target;
            PictureLoadResult result;
            if (LoadPictureFile(path, target, TJpegOptions {}, &result)) {
                Bitmap24 frame;
                return frame.resize(kHeight * 4 / 3, kHeight) ? 0 : 1;
            }
            if (result.error != PictureError::OutOfMemory || result.memoryNeeded <= result.memoryAvailable)
                return 2;
            return PictureErrorText(result) == MemoryShortageText({ result.memoryNeeded, result.memoryAvailable }) ? 10
                                                                                                                   : 3;
        });
        ASSERT_TRUE(outcome == 0 || outcome == 10) << "outcome " << outcome;
        (outcome == 0 ? loads : refusals)++;
    }
    // The limits span the edge.
    EXPECT_GT(loads, 0);
    EXPECT_GT(refusals, 0);
}

INSTANTIATE_TEST_SUITE_P(Table, PictureNearTheMemoryEdge,
    ::testing::Values(LimitCase { "png", writeBlackPng }, LimitCase { "tiff", writeBlackTiff }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Bitmap24Sharing, WritingToEitherCopyLeavesTheOtherAlone)
{
    const Bitmap24 original = makeTestPanorama(40, 30);
    Bitmap24 panorama = original;
    Bitmap24 shown;
    shown.share(panorama);
    EXPECT_TRUE(shown.sharesWith(panorama));
    EXPECT_EQ(std::as_const(shown).bits(), std::as_const(panorama).bits()); // one set of pixels
    shown.scanLine(3)[0] = 99; // a frame drawn into the shown copy
    EXPECT_FALSE(shown.sharesWith(panorama));
    EXPECT_TRUE(panorama == original);
    EXPECT_EQ(shown.scanLine(3)[0], 99);

    shown.share(panorama);
    panorama.fill(1, 2, 3); // the panorama changes: the shown copy keeps the old pixels
    EXPECT_TRUE(shown == original);
    // A resize of a shared bitmap takes fresh pixels without copying.
    Bitmap24 frame;
    frame.share(shown);
    ASSERT_TRUE(frame.resize(40, 30));
    EXPECT_FALSE(frame.sharesWith(shown));
    EXPECT_TRUE(shown == original);
}

} // namespace

namespace {

class NoCursors : public BusyCursors {
public:
    void pushCursor(Cursor) override { }
    void popCursor() override { }
};

struct OpenCase {
    const char *name;
    bool cancel; // the load is cancelled at its first check
    bool damaged; // the new file does not decode
    bool noName; // no file named
    bool keepsPrevious;
};

std::ostream &operator<<(std::ostream &out, const OpenCase &c)
{
    return out << c.name;
}

class PanoramaOpen : public ::testing::TestWithParam<OpenCase> { };

// A cancelled or failed load, or no file named, leaves the previous picture
// as it was; a good one replaces it.
TEST_P(PanoramaOpen, KeepsOrDropsThePreviousPicture)
{
    const OpenCase &c = GetParam();
    TempDir dir;
    NoCursors cursors;
    Panorama panorama;
    ASSERT_TRUE(panorama.Open(writeBlackPng(dir), cursors, TJpegOptions {}));
    const Bitmap24 previous = panorama.Picture;
    const std::string next = c.noName ? std::string() : writeBlackTiff(dir);
    if (c.damaged && !c.noName)
        writeFileBytes(next, { 'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0 });
    PictureLoadResult result;
    const bool opened = panorama.Open(
        next, cursors, TJpegOptions {}, &result, [&] { return c.cancel; }, {}, [] { FAIL(); });
    EXPECT_EQ(opened, !c.cancel && !c.damaged && !c.noName);
    if (c.keepsPrevious)
        EXPECT_TRUE(panorama.Picture == previous);
    else
        EXPECT_EQ(panorama.Picture.isEmpty(), !opened);
    EXPECT_EQ(panorama.File.has_value(), opened || c.keepsPrevious);
}

INSTANTIATE_TEST_SUITE_P(Table, PanoramaOpen,
    ::testing::Values(OpenCase { "cancelled", true, false, false, true },
        OpenCase { "damaged", false, true, false, true }, OpenCase { "noName", false, false, true, true },
        OpenCase { "good", false, false, false, false }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
