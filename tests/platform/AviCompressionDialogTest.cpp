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

// Acts on the modal window once it is up.
void whenModalShows(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget *modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
    });
}

template <class Widget> Widget *field(QWidget *window, const char *accessibleName)
{
    for (Widget *w : window->findChildren<Widget *>())
        if (w->accessibleName() == QString::fromUtf8(accessibleName))
            return w;
    ADD_FAILURE() << "no field " << accessibleName;
    return nullptr;
}

QPushButton *button(QWidget *window, const char *text)
{
    for (QPushButton *b : window->findChildren<QPushButton *>())
        if (b->text() == QString::fromUtf8(text))
            return b;
    return nullptr;
}

AVICOMPRESSOPTIONS runOptions(std::uint32_t handler)
{
    AVICOMPRESSOPTIONS options;
    options.fccType = handler ? ICTYPE_VIDEO : 0;
    options.fccHandler = handler;
    options.dwKeyFrameEvery = 1;
    options.dwQuality = 10000;
    options.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE;
    options.dwInterleaveEvery = 1;
    return options;
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
    QComboBox *compressor = field<QComboBox>(&dialog, "Compresseur");
    ASSERT_NE(compressor, nullptr);
    EXPECT_EQ(compressor->itemText(0), QStringLiteral("Sans Compression"));
    EXPECT_EQ(compressor->currentData().toUInt(), c.shownHandler);
    EXPECT_EQ(field<QSpinBox>(&dialog, "Qualité (0 à 10000)")->value(), c.quality);
    EXPECT_EQ(field<QSpinBox>(&dialog, "Image clé toutes les")->value(), c.keyFrames);
    EXPECT_EQ(dialog.findChild<QCheckBox *>()->isChecked(), c.dataRateOn);
    EXPECT_EQ(field<QSpinBox>(&dialog, "Débit (Ko/s)")->value(), c.dataRate);
}

AVICOMPRESSOPTIONS with(AVICOMPRESSOPTIONS options, std::uint32_t quality, std::uint32_t flags, std::uint32_t bytes)
{
    options.dwQuality = quality;
    options.dwFlags = flags;
    options.dwBytesPerSecond = bytes;
    return options;
}

INSTANTIATE_TEST_SUITE_P(Options, AviCompressionPreset,
    testing::Values(PresetCase { "run", runOptions(kMjpg), kMjpg, 10000, 1, false, 300 },
        PresetCase { "noCompressor", runOptions(0), 0, 10000, 1, false, 300 },
        PresetCase { "unknownCompressor", runOptions(mmioFOURCC('Z', 'Z', 'Z', 'Z')), 0, 10000, 1, false, 300 },
        PresetCase { "lowerCaseCode", runOptions(mmioFOURCC('m', 'j', 'p', 'g')), kMjpg, 10000, 1, false, 300 },
        PresetCase { "defaultQualityAndDataRate",
            with(runOptions(kH264), 0xFFFFFFFF, AVICOMPRESSF_VALID | AVICOMPRESSF_DATARATE, 2048), kH264, 10000, 0,
            true, 2 }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(AviCompressionDialog, okWritesTheChoiceBack)
{
    AVICOMPRESSOPTIONS options = runOptions(0);
    whenModalShows([](QWidget *modal) {
        QComboBox *compressor = field<QComboBox>(modal, "Compresseur");
        compressor->setCurrentIndex(compressor->findData(kH264));
        field<QSpinBox>(modal, "Qualité (0 à 10000)")->setValue(7000);
        field<QSpinBox>(modal, "Image clé toutes les")->setValue(5);
        modal->findChild<QCheckBox *>()->setChecked(true);
        field<QSpinBox>(modal, "Débit (Ko/s)")->setValue(100);
        button(modal, "OK")->click();
    });
    ASSERT_TRUE(runAviCompressionDialog(nullptr, options));
    EXPECT_EQ(options.fccType, ICTYPE_VIDEO);
    EXPECT_EQ(options.fccHandler, kH264);
    EXPECT_EQ(options.dwQuality, 7000u);
    EXPECT_EQ(options.dwKeyFrameEvery, 5u);
    EXPECT_EQ(options.dwBytesPerSecond, 100u * 1024);
    EXPECT_EQ(options.dwFlags, AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE);
    EXPECT_EQ(options.dwInterleaveEvery, 1u) << "left as it was";

    whenModalShows([](QWidget *modal) {
        field<QComboBox>(modal, "Compresseur")->setCurrentIndex(0);
        field<QSpinBox>(modal, "Image clé toutes les")->setValue(0);
        modal->findChild<QCheckBox *>()->setChecked(false);
        button(modal, "OK")->click();
    });
    ASSERT_TRUE(runAviCompressionDialog(nullptr, options));
    EXPECT_EQ(options.fccType, 0u);
    EXPECT_EQ(options.fccHandler, 0u);
    EXPECT_EQ(options.dwBytesPerSecond, 0u);
    EXPECT_EQ(options.dwFlags, AVICOMPRESSF_VALID) << "compressor defaults for key frames and data rate";
}

class AviCompressionCancel : public testing::TestWithParam<bool> { };

TEST_P(AviCompressionCancel, leavesTheOptionsUntouched)
{
    const bool closeBox = GetParam();
    AVICOMPRESSOPTIONS options = runOptions(kMjpg);
    whenModalShows([closeBox](QWidget *modal) {
        field<QComboBox>(modal, "Compresseur")->setCurrentIndex(0);
        field<QSpinBox>(modal, "Qualité (0 à 10000)")->setValue(10);
        if (closeBox)
            modal->close();
        else
            button(modal, "Annuler")->click();
    });
    EXPECT_FALSE(runAviCompressionDialog(nullptr, options));
    EXPECT_EQ(options.fccHandler, kMjpg);
    EXPECT_EQ(options.dwQuality, 10000u);
}

INSTANTIATE_TEST_SUITE_P(Ways, AviCompressionCancel, testing::Values(false, true),
    [](const auto &info) { return std::string(info.param ? "closeBox" : "annuler"); });

} // namespace
