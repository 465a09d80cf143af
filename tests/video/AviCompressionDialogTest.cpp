#include "video/AviCompressionDialog.h"

#include "video/FourCC.h"

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
    AviCompression chosen;
    chosen.compressor = mmioFOURCC('h', '2', '6', '4'), chosen.quality = 0xFFFFFFFF;
    chosen.bytesPerSecond = 2048;
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
    EXPECT_EQ(std::tie(chosen.compressor, chosen.quality, chosen.keyFrameEvery, chosen.bytesPerSecond),
        std::tuple(kH264, 7000u, 5u, 100u * 1024));

    for (const char *button : { "Annuler", "" }) {
        const AviCompression before = chosen;
        whenModalShows(
            [](QWidget *modal) {
                modal->findChild<QComboBox *>()->setCurrentIndex(0);
                spinBox(modal, "Qualité (0 à 10000)")->setValue(10);
            },
            button);
        EXPECT_FALSE(runAviCompressionDialog(nullptr, chosen)) << button;
        EXPECT_EQ(std::tie(chosen.compressor, chosen.quality), std::tie(before.compressor, before.quality));
    }
}

} // namespace
