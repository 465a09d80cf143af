#include "picture/PictureRegistry.h"

#include "TestUtils.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

struct Row {
    const char *extension;
    const char *description;
};

// The built-in registrations, oldest first.
const std::vector<Row> kExpectedRows = {
    { "wmf", "Métafichiers" },
    { "emf", "Métafichiers évolués" },
    { "ico", "Icônes" },
    { "bmp", "Bitmaps" },
    { "jpg", "JPEG Image File" },
    { "jpeg", "JPEG Image File" },
    { "bmp", "Windows bitmaps" },
    { "ico", "Windows icons" },
    { "wmf", "Windows metafiles" },
    { "emf", "Windows enhanced meta files" },
    { "jfif", "JFIF images" },
    { "jpg", "JPG images" },
    { "jpe", "JPE images" },
    { "jpeg", "JPEG images" },
    { "jps", "JPEG images" },
    { "rle", "Run length encoded Windows bitmaps" },
    { "dib", "Device independant Windows bitmaps" },
    { "win", "Truevision images" },
    { "vst", "Truevision images" },
    { "vda", "Truevision images" },
    { "tga", "Truevision images" },
    { "icb", "Truevision images" },
    { "tiff", "Macintosh TIFF images" },
    { "tif", "PC TIF images" },
    { "fax", "GFI fax images" },
    { "eps", "Encapsulated Postscript images" },
    { "pcx", "ZSoft Paintbrush images" },
    { "pcc", "ZSoft Paintbrush images" },
    { "scr", "Word 5.x screen capture images" },
    { "rpf", "Alias/Wavefront images" },
    { "rla", "Alias/Wavefront images" },
    { "sgi", "SGI true color images" },
    { "rgba", "SGI true color images with alpha" },
    { "rgb", "SGI true color images" },
    { "bw", "SGI black/white images" },
    { "psd", "Photoshop images" },
    { "pdd", "Photoshop images" },
    { "ppm", "Portable pixel map images" },
    { "pgm", "Portable gray map images" },
    { "pbm", "Portable bitmap images" },
    { "cel", "Autodesk images" },
    { "pic", "Autodesk images" },
    { "pcd", "Kodak Photo-CD images" },
    { "cut", "Dr. Halo images" },
    { "psp", "Paintshop Pro images" },
    { "png", "Portable network graphic images" },
    { "gif", "GIF Image" },
};

TEST(PictureRegistry, BuiltInEntriesInRegistrationOrder)
{
    const auto &formats = PictureRegistry::instance().formats();
    ASSERT_GE(formats.size(), kExpectedRows.size());
    for (std::size_t i = 0; i < kExpectedRows.size(); ++i) {
        EXPECT_EQ(formats[i].extension, kExpectedRows[i].extension) << "entry " << i;
        EXPECT_EQ(formats[i].description, kExpectedRows[i].description) << "entry " << i;
    }
}

struct LookupCase {
    const char *query;
    const char *description; // nullptr: no decoder
    PictureDecoder decoder;
};

class PictureLookup : public ::testing::TestWithParam<LookupCase> { };

TEST_P(PictureLookup, NewestRegistrationWinsWhateverTheCase)
{
    const PictureFormat *format = PictureRegistry::instance().find(GetParam().query);
    if (!GetParam().description) {
        EXPECT_EQ(format, nullptr);
        return;
    }
    ASSERT_NE(format, nullptr);
    EXPECT_EQ(format->description, GetParam().description);
    EXPECT_EQ(format->decoder, GetParam().decoder);
}

INSTANTIATE_TEST_SUITE_P(Extensions, PictureLookup,
    ::testing::Values(LookupCase { "bmp", "Windows bitmaps", PictureDecoder::Bitmap },
        LookupCase { "BMP", "Windows bitmaps", PictureDecoder::Bitmap },
        LookupCase { "jpg", "JPG images", PictureDecoder::Jpeg },
        LookupCase { "JPG", "JPG images", PictureDecoder::Jpeg },
        LookupCase { "Jpeg", "JPEG images", PictureDecoder::Jpeg },
        LookupCase { "jps", "JPEG images", PictureDecoder::Jpeg },
        LookupCase { "ico", "Windows icons", PictureDecoder::Qt },
        LookupCase { "wmf", "Windows metafiles", PictureDecoder::None },
        LookupCase { "emf", "Windows enhanced meta files", PictureDecoder::None },
        LookupCase { "rle", "Run length encoded Windows bitmaps", PictureDecoder::Bitmap },
        LookupCase { "gif", "GIF Image", PictureDecoder::Qt }, LookupCase { "xyz", nullptr, PictureDecoder::None },
        LookupCase { "", nullptr, PictureDecoder::None }, LookupCase { "jp", nullptr, PictureDecoder::None }),
    [](const auto &info) { return testNameFrom(info.param.query); });

TEST(PictureRegistry, FileTypesStartWithAllThenEveryEntryNewestFirst)
{
    const auto types = PictureRegistry::instance().fileTypes();
    ASSERT_EQ(types.size(), 1 + kExpectedRows.size());
    EXPECT_EQ(types[0].label, "Tous");
    ASSERT_EQ(types[0].patterns.size(), kExpectedRows.size());
    EXPECT_EQ(types[0].patterns.front(), "*.gif");
    EXPECT_EQ(types[0].patterns.back(), "*.wmf");
    for (std::size_t i = 0; i < kExpectedRows.size(); ++i) {
        const Row &row = kExpectedRows[kExpectedRows.size() - 1 - i];
        const std::string pattern = std::string("*.") + row.extension;
        EXPECT_EQ(types[0].patterns[i], pattern);
        EXPECT_EQ(types[1 + i].label, row.description);
        EXPECT_EQ(types[1 + i].patterns, std::vector<std::string> { pattern });
    }
}

TEST(PictureRegistry, RepeatedExtensionsAppearTwiceNewerDescriptionFirst)
{
    std::map<std::string, std::vector<std::string>> seen;
    const auto types = PictureRegistry::instance().fileTypes();
    for (std::size_t i = 1; i < types.size(); ++i)
        seen[types[i].patterns[0]].push_back(types[i].label);
    const std::map<std::string, std::vector<std::string>> expected = {
        { "*.bmp", { "Windows bitmaps", "Bitmaps" } },
        { "*.ico", { "Windows icons", "Icônes" } },
        { "*.wmf", { "Windows metafiles", "Métafichiers" } },
        { "*.emf", { "Windows enhanced meta files", "Métafichiers évolués" } },
        { "*.jpg", { "JPG images", "JPEG Image File" } },
        { "*.jpeg", { "JPEG images", "JPEG Image File" } },
    };
    for (const auto &[pattern, labels] : expected)
        EXPECT_EQ(seen[pattern], labels) << pattern;
    for (const auto &[pattern, labels] : seen)
        if (!expected.count(pattern)) {
            EXPECT_EQ(labels.size(), 1u) << pattern;
        }
}

TEST(PictureRegistry, QtFiltersUseBlankSeparatedPatterns)
{
    const auto filters = PictureRegistry::instance().dialogFilters();
    ASSERT_EQ(filters.size(), 48u);
    EXPECT_EQ(filters[0].rfind("Tous (*.gif *.png *.psp *.cut ", 0), 0u);
    EXPECT_EQ(filters[0].substr(filters[0].size() - 24), "*.bmp *.ico *.emf *.wmf)");
    EXPECT_EQ(filters[1], "GIF Image (*.gif)");
    EXPECT_EQ(filters[2], "Portable network graphic images (*.png)");
    EXPECT_EQ(filters[47], "Métafichiers (*.wmf)");
}

struct ExtensionCase {
    const char *path;
    const char *extension;
};

class PictureExtension : public ::testing::TestWithParam<ExtensionCase> { };

TEST_P(PictureExtension, IsTheTextAfterTheLastDotOfTheName)
{
    EXPECT_EQ(pictureExtension(GetParam().path), GetParam().extension);
}

INSTANTIATE_TEST_SUITE_P(Paths, PictureExtension,
    ::testing::Values(ExtensionCase { "pano.jpg", "jpg" }, ExtensionCase { "PANO.JPG", "jpg" },
        ExtensionCase { "/a/b.c/pano.tar.BMP", "bmp" }, ExtensionCase { "/a/b.c/pano", "" },
        ExtensionCase { "C:\\x.d\\pano", "" }, ExtensionCase { "pano.", "" }, ExtensionCase { ".bmp", "bmp" }),
    [](const auto &info) { return testNameFrom(info.param.path); });

} // namespace
