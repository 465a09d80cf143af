#include "options/TFormOpVideo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

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

} // namespace
