#include "anim/CameraChoices.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct ChoicesCase {
    const char *label;
    CameraChoices choices;
    std::optional<CameraMove> expected; // none: refused with the message
    const char *message; // the refusal's
};

CameraChoices choose(std::int32_t outputSize, std::string duration = {}, std::string hold = "0", bool smooth = false,
    std::string width = "1920", std::string height = "1080")
{
    CameraChoices c;
    c.OutputSize = outputSize;
    c.Duration = std::move(duration);
    c.Hold = std::move(hold);
    c.Smooth = smooth;
    c.Width = std::move(width);
    c.Height = std::move(height);
    return c;
}

CameraMove moveOf(int width, int height, double duration = 0, double hold = 0, Easing ease = Easing::Linear)
{
    CameraMove m;
    m.OutputWidth = width;
    m.OutputHeight = height;
    m.Duration = duration;
    m.Hold = hold;
    m.Ease = ease;
    return m;
}

class CameraChoicesTable : public testing::TestWithParam<ChoicesCase> { };

// The window's choices become the camera of its runs, or are refused with the reason.
TEST_P(CameraChoicesTable, becomeTheCameraOrAreRefused)
{
    const ChoicesCase &c = GetParam();
    std::string error;
    const std::optional<CameraMove> move = CameraFromChoices(c.choices, error);
    ASSERT_EQ(move.has_value(), c.expected.has_value()) << error;
    if (!move) {
        EXPECT_EQ(error, c.message);
        return;
    }
    EXPECT_EQ(error, "");
    EXPECT_EQ(move->OutputWidth, c.expected->OutputWidth);
    EXPECT_EQ(move->OutputHeight, c.expected->OutputHeight);
    EXPECT_DOUBLE_EQ(move->Duration, c.expected->Duration);
    EXPECT_DOUBLE_EQ(move->Hold, c.expected->Hold);
    EXPECT_EQ(move->Ease, c.expected->Ease);
    EXPECT_EQ(move->Step, 0);
}

INSTANTIATE_TEST_SUITE_P(Choices, CameraChoicesTable,
    testing::Values(
        // Nothing chosen: every frame as it always was.
        ChoicesCase { "panoramaOneToOne", choose(0), moveOf(0, 0), "" },
        ChoicesCase { "preset720p", choose(1), moveOf(1280, 720), "" },
        ChoicesCase { "preset1080p", choose(2, "12"), moveOf(1920, 1080, 12), "" },
        ChoicesCase { "preset1440p", choose(3), moveOf(2560, 1440), "" },
        ChoicesCase { "preset2160p", choose(4), moveOf(3840, 2160), "" },
        ChoicesCase { "presetVertical", choose(5), moveOf(1080, 1920), "" },
        ChoicesCase { "presetSquare", choose(6), moveOf(1080, 1080), "" },
        ChoicesCase { "customSize", choose(7, "", "0", false, "640", "360"), moveOf(640, 360), "" },
        // The custom fields count only for the custom entry.
        ChoicesCase { "presetIgnoresCustomFields", choose(1, "", "0", false, "x", ""), moveOf(1280, 720), "" },
        ChoicesCase { "decimalCommaAndSmooth", choose(2, "12,5", "1.5", true),
            moveOf(1920, 1080, 12.5, 1.5, Easing::Smooth), "" },
        ChoicesCase { "emptyDurationAndHold", choose(2, "  ", ""), moveOf(1920, 1080), "" },
        ChoicesCase { "customTooSmall", choose(7, "", "0", false, "1", "360"), std::nullopt,
            "Valeur de Largeur de sortie Incorrecte (de 2 à 16384)" },
        ChoicesCase { "customNotANumber", choose(7, "", "0", false, "640", "abc"), std::nullopt,
            "Valeur de Hauteur de sortie Incorrecte (de 2 à 16384)" },
        ChoicesCase { "customTooLarge", choose(7, "", "0", false, "16385", "360"), std::nullopt,
            "Valeur de Largeur de sortie Incorrecte (de 2 à 16384)" },
        ChoicesCase { "zeroDuration", choose(2, "0"), std::nullopt, "Valeur de Durée d'un passage Incorrecte" },
        ChoicesCase { "negativeDuration", choose(2, "-3"), std::nullopt, "Valeur de Durée d'un passage Incorrecte" },
        ChoicesCase { "durationWithUnit", choose(2, "12s"), std::nullopt, "Valeur de Durée d'un passage Incorrecte" },
        ChoicesCase { "negativeHold", choose(2, "", "-1"), std::nullopt, "Valeur de Pause aux extrémités Incorrecte" },
        ChoicesCase { "unknownEntry", choose(8), std::nullopt, "Taille de sortie Incorrecte" }),
    [](const testing::TestParamInfo<ChoicesCase> &info) { return std::string(info.param.label); });

TEST(CameraChoices, theListOffersEveryPresetThenCustom)
{
    std::vector<std::string> captions;
    for (const OutputSizeEntry &e : CameraOutputSizes())
        captions.push_back(e.caption);
    EXPECT_EQ(captions,
        (std::vector<std::string> { "Panorama 1:1", "720p (1280 × 720)", "1080p (1920 × 1080)", "1440p (2560 × 1440)",
            "2160p (3840 × 2160)", "Vertical (1080 × 1920)", "Carré (1080 × 1080)", "Personnalisée" }));
    EXPECT_EQ(std::string(CameraOutputSizes()[kCustomOutputSize].caption), "Personnalisée");
}

TEST(CameraChoices, theMusicGoesWithTheCamera)
{
    CameraChoices c = choose(2);
    c.AudioFile = "/music/theme.ogg";
    std::string error;
    EXPECT_EQ(CameraFromChoices(c, error)->AudioFile, "/music/theme.ogg");
}

// The pass lasts its frames at the rate; a pass that crosses a frame width in
// less than 7 s gets the duration that would be smooth.
TEST(CameraPassText, givesTheDurationAndTheAdviceWhenTooFast)
{
    PanelState panel;
    panel.CheckBoxScrollBack = false;
    // A 24000 x 4000 panorama seen at 1080p is 6480 wide: 4560 to travel.
    const std::string tooFast = DescribePass(panel, moveOf(1920, 1080, 10), 24000, 4000, 30);
    EXPECT_EQ(tooFast,
        "Un passage : 10,0 s (300 images à 30 images par seconde)\nIl traverse l'image en 4,2 s : sous 7 s le "
        "défilement saccade. Une durée de 17 s serait fluide.");
    EXPECT_EQ(DescribePass(panel, moveOf(1920, 1080, 20), 24000, 4000, 30),
        "Un passage : 20,0 s (600 images à 30 images par seconde)");
    EXPECT_EQ(DescribePass(panel, moveOf(1920, 1080, 20), 0, 0, 30), ""); // no picture
    panel.EditStep = "x";
    EXPECT_EQ(DescribePass(panel, moveOf(1920, 1080, 20), 24000, 4000, 30), "");
}

} // namespace
