#include "platform/AviCompressionDialog.h"

#include "platform/VideoCompressors.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr std::uint32_t kMjpg = mmioFOURCC('M', 'J', 'P', 'G');
constexpr std::uint32_t kH264 = mmioFOURCC('H', '2', '6', '4');

// Acts on the modal window once it is up, then presses one of its buttons.
void whenModalShows(std::function<void(QWidget *)> act, const char *button)
{
    QTimer::singleShot(0, [act, button] {
        QWidget *modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
        for (QPushButton *b : modal->findChildren<QPushButton *>())
            if (b->text() == QString::fromUtf8(button))
                return b->click();
        modal->close();
    });
}

template <class Widget> Widget *field(QWidget *window, const char *accessibleName)
{
    for (Widget *w : window->findChildren<Widget *>())
        if (w->accessibleName() == QString::fromUtf8(accessibleName))
            return w;
    throw std::runtime_error(std::string("no field ") + accessibleName);
}

AVICOMPRESSOPTIONS options(std::uint32_t handler, std::uint32_t quality = 10000,
    std::uint32_t flags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE, std::uint32_t bytes = 0)
{
    AVICOMPRESSOPTIONS o;
    o.fccType = handler ? ICTYPE_VIDEO : 0;
    o.fccHandler = handler, o.dwKeyFrameEvery = 1, o.dwQuality = quality, o.dwFlags = flags;
    o.dwBytesPerSecond = bytes, o.dwInterleaveEvery = 1;
    return o;
}

struct PresetCase {
    const char *name;
    AVICOMPRESSOPTIONS options;
    std::uint32_t shownHandler;
    int quality, keyFrames;
    bool dataRateOn;
    int dataRate;
};

class AviCompressionPreset : public testing::TestWithParam<PresetCase> { };

TEST_P(AviCompressionPreset, showsTheOptions)
{
    const PresetCase c = GetParam();
    AviCompressionDialog dialog(c.options);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Compression vidéo"));
    EXPECT_EQ(field<QComboBox>(&dialog, "Compresseur")->itemText(0), QStringLiteral("Sans Compression"));
    EXPECT_EQ(std::tuple(field<QComboBox>(&dialog, "Compresseur")->currentData().toUInt(),
                  field<QSpinBox>(&dialog, "Qualité (0 à 10000)")->value(),
                  field<QSpinBox>(&dialog, "Image clé toutes les")->value(),
                  dialog.findChild<QCheckBox *>()->isChecked(), field<QSpinBox>(&dialog, "Débit (Ko/s)")->value()),
        std::tuple(c.shownHandler, c.quality, c.keyFrames, c.dataRateOn, c.dataRate));
}

INSTANTIATE_TEST_SUITE_P(Options, AviCompressionPreset,
    testing::Values(PresetCase { "run", options(kMjpg), kMjpg, 10000, 1, false, 300 },
        PresetCase { "noCompressor", options(0), 0, 10000, 1, false, 300 },
        PresetCase { "unknownCompressor", options(mmioFOURCC('Z', 'Z', 'Z', 'Z')), 0, 10000, 1, false, 300 },
        PresetCase { "codeInLowerCase", options(mmioFOURCC('m', 'j', 'p', 'g')), kMjpg, 10000, 1, false, 300 },
        PresetCase { "defaultQualityAndDataRate",
            options(kH264, 0xFFFFFFFF, AVICOMPRESSF_VALID | AVICOMPRESSF_DATARATE, 2048), kH264, 10000, 0, true, 2 }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AviCompressionDialog, okWritesTheChoiceBack)
{
    AVICOMPRESSOPTIONS chosen = options(0);
    whenModalShows(
        [](QWidget *modal) {
            auto *compressor = field<QComboBox>(modal, "Compresseur");
            compressor->setCurrentIndex(compressor->findData(kH264));
            field<QSpinBox>(modal, "Qualité (0 à 10000)")->setValue(7000);
            field<QSpinBox>(modal, "Image clé toutes les")->setValue(5);
            modal->findChild<QCheckBox *>()->setChecked(true);
            field<QSpinBox>(modal, "Débit (Ko/s)")->setValue(100);
        },
        "OK");
    ASSERT_TRUE(runAviCompressionDialog(nullptr, chosen));
    const AVICOMPRESSOPTIONS expected = options(kH264, 7000, 14, 100 * 1024);
    EXPECT_EQ(std::tie(chosen.fccType, chosen.fccHandler, chosen.dwQuality, chosen.dwBytesPerSecond, chosen.dwFlags),
        std::tie(
            expected.fccType, expected.fccHandler, expected.dwQuality, expected.dwBytesPerSecond, expected.dwFlags));
    EXPECT_EQ(chosen.dwKeyFrameEvery, 5u);
    EXPECT_EQ(chosen.dwInterleaveEvery, 1u) << "left as it was";

    whenModalShows(
        [](QWidget *modal) {
            field<QComboBox>(modal, "Compresseur")->setCurrentIndex(0);
            field<QSpinBox>(modal, "Image clé toutes les")->setValue(0);
            modal->findChild<QCheckBox *>()->setChecked(false);
        },
        "OK");
    ASSERT_TRUE(runAviCompressionDialog(nullptr, chosen));
    EXPECT_EQ(std::tie(chosen.fccType, chosen.fccHandler, chosen.dwBytesPerSecond, chosen.dwFlags),
        std::tuple(0u, 0u, 0u, AVICOMPRESSF_VALID))
        << "no compressor; its defaults for key frames and data rate";
}

class AviCompressionCancel : public testing::TestWithParam<const char *> { };

TEST_P(AviCompressionCancel, leavesTheOptionsUntouched)
{
    AVICOMPRESSOPTIONS chosen = options(kMjpg);
    whenModalShows(
        [](QWidget *modal) {
            field<QComboBox>(modal, "Compresseur")->setCurrentIndex(0);
            field<QSpinBox>(modal, "Qualité (0 à 10000)")->setValue(10);
        },
        GetParam());
    EXPECT_FALSE(runAviCompressionDialog(nullptr, chosen));
    EXPECT_EQ(chosen.fccHandler, kMjpg);
    EXPECT_EQ(chosen.dwQuality, 10000u);
}

// The Annuler button, or the close box.
INSTANTIATE_TEST_SUITE_P(Ways, AviCompressionCancel, testing::Values("Annuler", ""));

} // namespace
