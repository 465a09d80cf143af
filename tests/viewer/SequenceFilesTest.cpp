#include "viewer/SequenceFiles.h"

#include "TestUtils.h"
#include "output/OutputFormat.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

struct MaskCase {
    const char *name;
    const char *chosen;
    std::int32_t format;
    const char *mask;
};

class SequenceMaskTest : public ::testing::TestWithParam<MaskCase> { };

TEST_P(SequenceMaskTest, PrefixWithoutTrailingDigitsAndExtensionByRule)
{
    const MaskCase &c = GetParam();
    const SequenceMask series = MakeSequenceMask(std::string("/out/anim/") + c.chosen, c.format);
    EXPECT_EQ(series.Folder, "/out/anim/");
    EXPECT_EQ(series.Mask, c.mask);
}

INSTANTIATE_TEST_SUITE_P(Names, SequenceMaskTest,
    ::testing::Values(MaskCase { "Numbered", "IMAGE0007.BMP", FormatJpg, "IMAGE*.BMP" },
        MaskCase { "DigitsOnly", "0001.BMP", FormatBmp, "*.BMP" },
        MaskCase { "DigitsInside", "A1B22.BMP", FormatBmp, "A1B*.BMP" },
        MaskCase { "JpgWithBmpSelected", "IMAGE0001.JPG", FormatBmp, "IMAGE*.BMP" },
        MaskCase { "JpgWithJpgSelected", "IMAGE0001.JPG", FormatJpg, "IMAGE*.JPG" },
        MaskCase { "JpegKept", "IMAGE0001.JPEG", FormatBmp, "IMAGE*.JPEG" },
        MaskCase { "LowerCaseWithJpgSelected", "IMAGE0001.bmp", FormatJpg, "IMAGE*.JPG" },
        MaskCase { "AviSelected", "IMAGE0001.jpeg", FormatAvi, "IMAGE*.BMP" },
        MaskCase { "NoExtension", "IMAGE0001", FormatJpg, "*.JPG" },
        MaskCase { "ExtensionAlsoInside", "A.BMP12.BMP", FormatBmp, "A*.BMP" },
        MaskCase { "PngKept", "IMAGE0001.PNG", FormatBmp, "IMAGE*.PNG" },
        MaskCase { "LowerCaseWithPngSelected", "IMAGE0001.png", FormatPng, "IMAGE*.PNG" },
        MaskCase { "BmpWithPngSelected", "IMAGE0001.bmp", FormatPng, "IMAGE*.PNG" },
        MaskCase { "TifKept", "IMAGE0001.TIF", FormatJpg, "IMAGE*.TIF" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ListSequence, PlainVisibleMatchesInFrameOrder)
{
    TempDir dir;
    for (const char *name : { "IMAGE10.BMP", "IMAGE2.BMP", "IMAGE0000.BMP", "image3.bmp", "IMAGE.BMP", "IMAGEX.BMP",
             ".IMAGE5.BMP", "OTHER1.BMP", "IMAGE1.JPG", "IMAGE1.BMP.txt", "IMAGE0010.BMP" })
        std::ofstream(dir / name) << "x";
    std::filesystem::create_directory(dir / "IMAGE7.BMP");
    const std::vector<std::string> expected
        = { "IMAGE.BMP", "IMAGE0000.BMP", "IMAGE2.BMP", "image3.bmp", "IMAGE0010.BMP", "IMAGE10.BMP", "IMAGEX.BMP" };
    EXPECT_EQ(ListSequence(dir.str() + "/", "IMAGE*.BMP"), expected);
    EXPECT_TRUE(ListSequence(dir.str() + "/missing/", "*.BMP").empty());
}

} // namespace
