#include "output/SaveAsTypes.h"

#include "output/FrameFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char *const kBmp = "Images BMP (*.bmp)";
const char *const kJpeg = "Images JPEG (*.jpg *.jpeg)";
const char *const kPng = "Images PNG (*.png)";
const char *const kTiff = "Images TIFF (*.tif *.tiff)";

// Only the types a frame file is written in, each once, BMP shown first.
TEST(SaveAsTypes, offersTheFourTypesItWrites)
{
    EXPECT_EQ(SaveAsDialogFilter(), std::string(kBmp) + ";;" + kJpeg + ";;" + kPng + ";;" + kTiff);
}

struct NameCase {
    const char *name;
    const char *typed;
    const char *filter;
    const char *saved;
    FrameFileKind kind; // what the writer makes of the name saved
};

class SaveAsNameTest : public ::testing::TestWithParam<NameCase> { };

// The name saved always says the chosen type: an extension of that type is
// kept, any other gets the type's extension added.
TEST_P(SaveAsNameTest, GetsTheChosenTypesExtension)
{
    const NameCase &c = GetParam();
    const std::string saved = SaveAsFileName(c.typed, c.filter);
    EXPECT_EQ(saved, c.saved);
    EXPECT_EQ(FrameFileKindOf(saved), c.kind);
}

INSTANTIATE_TEST_SUITE_P(Names, SaveAsNameTest,
    ::testing::Values(NameCase { "gifAsBmp", "/d/out.gif", kBmp, "/d/out.gif.bmp", FrameFileKind::Bmp },
        NameCase { "epsAsBmp", "/d/out.eps", kBmp, "/d/out.eps.bmp", FrameFileKind::Bmp },
        NameCase { "bareNameAsPng", "/d/vue", kPng, "/d/vue.png", FrameFileKind::Png },
        NameCase { "dotInTheFolderOnly", "/d/v1.2/vue", kPng, "/d/v1.2/vue.png", FrameFileKind::Png },
        NameCase { "endingWithADot", "/d/vue.", kBmp, "/d/vue.bmp", FrameFileKind::Bmp },
        NameCase { "jpgKept", "/d/vue.jpg", kJpeg, "/d/vue.jpg", FrameFileKind::Jpeg },
        NameCase { "upperCaseJpegKept", "/d/vue.JPEG", kJpeg, "/d/vue.JPEG", FrameFileKind::Jpeg },
        NameCase { "pngAsJpeg", "/d/vue.png", kJpeg, "/d/vue.png.jpg", FrameFileKind::Jpeg },
        NameCase { "pngAsTiff", "/d/vue.png", kTiff, "/d/vue.png.tif", FrameFileKind::Tiff },
        NameCase { "tiffKept", "/d/vue.Tiff", kTiff, "/d/vue.Tiff", FrameFileKind::Tiff },
        NameCase { "bmpAsPng", "/d/vue.bmp", kPng, "/d/vue.bmp.png", FrameFileKind::Png },
        NameCase { "unknownFilterIsBmp", "/d/vue.png", "Tous (*.*)", "/d/vue.png.bmp", FrameFileKind::Bmp }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
