#include "video/AviCompressionDialog.h"

#include "video/VideoCompressors.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr std::uint32_t kH264 = mmioFOURCC('H', '2', '6', '4');

// Acts on the modal window once it is up, then presses the button of that
// text (none: the close box).
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

QSpinBox *spinBox(QWidget *window, const char *accessibleName)
{
    for (QSpinBox *w : window->findChildren<QSpinBox *>())
        if (w->accessibleName() == QString::fromUtf8(accessibleName))
            return w;
    throw std::runtime_error(std::string("no field ") + accessibleName);
}

// Pre-set from the options (the code in any case, the default quality, the
// data rate in Ko/s); OK writes the choice back, Annuler and the close box
// leave the options as they were.
TEST(AviCompressionDialog, presetsWritesBackOnOkAndLeavesTheOptionsOnCancel)
{
    AVICOMPRESSOPTIONS chosen;
    chosen.fccHandler = mmioFOURCC('h', '2', '6', '4'), chosen.dwQuality = 0xFFFFFFFF;
    chosen.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_DATARATE, chosen.dwBytesPerSecond = 2048;
    chosen.dwInterleaveEvery = 1;
    whenModalShows(
        [](QWidget *modal) {
            EXPECT_EQ(
                std::tuple(modal->findChild<QComboBox *>()->currentData().toUInt(),
                    spinBox(modal, "Qualité (0 à 10000)")->value(), spinBox(modal, "Image clé toutes les")->value(),
                    modal->findChild<QCheckBox *>()->isChecked(), spinBox(modal, "Débit (Ko/s)")->value()),
                std::tuple(kH264, 10000, 0, true, 2));
            spinBox(modal, "Qualité (0 à 10000)")->setValue(7000);
            spinBox(modal, "Image clé toutes les")->setValue(5);
            spinBox(modal, "Débit (Ko/s)")->setValue(100);
        },
        "OK");
    ASSERT_TRUE(runAviCompressionDialog(nullptr, chosen));
    EXPECT_EQ(std::tie(chosen.fccType, chosen.fccHandler, chosen.dwQuality, chosen.dwKeyFrameEvery,
                  chosen.dwBytesPerSecond, chosen.dwFlags, chosen.dwInterleaveEvery),
        std::tuple(ICTYPE_VIDEO, kH264, 7000u, 5u, 100u * 1024,
            AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES | AVICOMPRESSF_DATARATE, 1u));

    for (const char *button : { "Annuler", "" }) {
        const AVICOMPRESSOPTIONS before = chosen;
        whenModalShows(
            [](QWidget *modal) {
                modal->findChild<QComboBox *>()->setCurrentIndex(0);
                spinBox(modal, "Qualité (0 à 10000)")->setValue(10);
            },
            button);
        EXPECT_FALSE(runAviCompressionDialog(nullptr, chosen)) << button;
        EXPECT_EQ(std::tie(chosen.fccHandler, chosen.dwQuality), std::tie(before.fccHandler, before.dwQuality));
    }
}

} // namespace
