#include "options/TFormOpVideo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Every field is found by its name, and what is set there is in the options at once.
TEST(FormOpVideo, fieldsAreNamedAndTakeEffectAtOnce)
{
    TVideoOptions options;
    options.Quality = 60;
    TFormOpVideo window(options);
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Options Vidéo"));
    for (QWidget *field : std::initializer_list<QWidget *> { window.ComboContainer, window.ComboCodec,
             window.SpinQuality, window.SpinKeyInterval, window.SpinRate, window.EditPreset, window.CheckLossless })
        EXPECT_FALSE(field->accessibleName().isEmpty()) << field->objectName().toStdString();
    for (QLabel *label : window.findChildren<QLabel *>())
        EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
    EXPECT_EQ(window.SpinQuality->value(), 60);

    int changed = 0;
    QObject::connect(&window, &TFormOpVideo::containerChanged, [&] { ++changed; });
    window.ComboContainer->setCurrentIndex(1); // WebM: VP9 or AV1 only
    EXPECT_EQ(options.Container, VideoContainer::Webm);
    EXPECT_EQ(changed, 1);
    QStringList codecs;
    for (int i = 0; i < window.ComboCodec->count(); ++i)
        codecs << window.ComboCodec->itemText(i);
    EXPECT_EQ(codecs, (QStringList { QString::fromUtf8("Par défaut"), "AV1", "VP9" }));
    window.ComboCodec->setCurrentIndex(1);
    EXPECT_EQ(options.Codec, VideoCodec::Av1);
    EXPECT_FALSE(window.CheckLossless->isEnabled());

    window.ComboContainer->setCurrentIndex(4); // WebP: its own coding, lossless allowed
    EXPECT_EQ(options.Codec, VideoCodec::Default);
    EXPECT_FALSE(window.ComboCodec->isEnabled());
    EXPECT_TRUE(window.CheckLossless->isEnabled());
    window.CheckLossless->setChecked(true);
    window.SpinQuality->setValue(90);
    window.SpinKeyInterval->setValue(1);
    window.SpinRate->setValue(30);
    window.EditPreset->setText(" slow ");
    EXPECT_TRUE(options.Lossless);
    EXPECT_EQ(options.Quality, 90);
    EXPECT_EQ(options.KeyInterval, 1);
    EXPECT_EQ(options.Rate, 30);
    EXPECT_EQ(options.Preset, "slow");
}

// "Annuler", Escape and the close box take back every change made since
// the window was shown; "Ok.." and Enter keep them.
TEST(FormOpVideo, CancelTakesBackTheChangesSinceShown)
{
    TVideoOptions options;
    options.Quality = 60;
    TFormOpVideo window(options);
    int containerChanges = 0;
    QObject::connect(&window, &TFormOpVideo::containerChanged, [&] { ++containerChanges; });
    const auto change = [&] {
        window.ComboContainer->setCurrentIndex(3); // GIF
        window.SpinQuality->setValue(20);
        window.SpinRate->setValue(12);
    };
    const auto shownAndChanged = [&] {
        window.show();
        QApplication::setActiveWindow(&window);
        change();
        EXPECT_EQ(options.Container, VideoContainer::Gif) << "a change takes effect at once";
    };
    TVideoOptions before;
    before.Quality = 60;
    const auto keptAsBefore = [&](const char *how) {
        EXPECT_TRUE(window.isHidden()) << how;
        EXPECT_EQ(options, before) << how;
        EXPECT_EQ(window.ComboContainer->currentText(), "MP4") << how;
        EXPECT_EQ(window.SpinQuality->value(), 60) << how;
    };
    shownAndChanged();
    window.ButtonCancel->click();
    keptAsBefore("Annuler");
    shownAndChanged();
    QTest::keyClick(window.SpinRate, Qt::Key_Escape);
    keptAsBefore("Escape");
    shownAndChanged();
    window.close();
    keptAsBefore("the close box");
    EXPECT_EQ(containerChanges, 6) << "to GIF and back, three times: the file's extension follows";

    shownAndChanged();
    window.ButtonClose->click();
    EXPECT_TRUE(window.isHidden());
    EXPECT_EQ(options.Container, VideoContainer::Gif);
    window.show();
    QApplication::setActiveWindow(&window);
    window.SpinRate->setValue(15);
    QTest::keyClick(window.SpinRate, Qt::Key_Return);
    EXPECT_TRUE(window.isHidden());
    EXPECT_EQ(options.Rate, 15) << "Enter is Ok..";
    EXPECT_EQ(options.Quality, 20);
}

struct GreyedCase {
    const char *name;
    int container; // item of the list
    const char *codec; // "" for the container's usual one
    bool lossless;
    bool quality, keyInterval, preset, losslessBox;
    bool effortTold; // the quality's tooltip says it is the effort
};

class GreyedFieldsTest : public ::testing::TestWithParam<GreyedCase> { };

// Fields the chosen file ignores are greyed: key frames and preset for GIF,
// preset for WebP, quality (and preset) for lossless FFV1.
TEST_P(GreyedFieldsTest, FollowTheChosenFile)
{
    const GreyedCase &c = GetParam();
    TVideoOptions options;
    TFormOpVideo window(options);
    window.ComboContainer->setCurrentIndex(c.container);
    if (*c.codec)
        window.ComboCodec->setCurrentIndex(window.ComboCodec->findText(QString::fromUtf8(c.codec)));
    window.CheckLossless->setChecked(c.lossless);
    EXPECT_EQ(window.SpinQuality->isEnabled(), c.quality);
    EXPECT_EQ(window.SpinKeyInterval->isEnabled(), c.keyInterval);
    EXPECT_EQ(window.EditPreset->isEnabled(), c.preset);
    EXPECT_EQ(window.CheckLossless->isEnabled(), c.losslessBox);
    EXPECT_TRUE(window.SpinRate->isEnabled());
    EXPECT_EQ(window.SpinQuality->toolTip().contains(QString::fromUtf8("effort")), c.effortTold);
    EXPECT_EQ(window.LabelQuality->toolTip(), window.SpinQuality->toolTip());
}

INSTANTIATE_TEST_SUITE_P(Files, GreyedFieldsTest,
    ::testing::Values(GreyedCase { "mp4", 0, "", false, true, true, true, false, false },
        GreyedCase { "mkvFfv1", 2, "", false, false, true, false, false, false },
        GreyedCase { "gif", 3, "", false, true, false, false, false, false },
        GreyedCase { "webpLossless", 4, "", true, true, true, false, true, true }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
