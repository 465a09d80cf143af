#include "app/RememberedSettings.h"
#include "anim/SphereChoices.h"

#include "TestUtils.h"

#include <QSettings>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

QString pathOf(const fs::path &path)
{
    return QString::fromStdString(path.string());
}

void expectSame(const RememberedSettings &a, const RememberedSettings &b)
{
    EXPECT_EQ(a.panel, b.panel);
    EXPECT_EQ(a.jpeg, b.jpeg);
    EXPECT_EQ(a.video, b.video);
    EXPECT_EQ(a.avi.Rate, b.avi.Rate);
    EXPECT_EQ(a.avi.Quality, b.avi.Quality);
    EXPECT_EQ(a.avi.CodecIndex, b.avi.CodecIndex);
    EXPECT_EQ(a.avi.CodecHandler, b.avi.CodecHandler);
    EXPECT_EQ(a.camera, b.camera);
    EXPECT_EQ(a.tempo, b.tempo);
    EXPECT_EQ(a.windowGeometry, b.windowGeometry);
}

// Every value away from its default.
RememberedSettings changedSettings()
{
    RememberedSettings s;
    s.panel = { FormatVideo, true, "/data/sorties/", false, "./film", false, "640", "$1E0", "4", false, false, false,
        true };
    s.jpeg = { 80, true, 1, 1, true, true, 2, false, true, true };
    s.video.Container = VideoContainer::Webm;
    s.video.Codec = VideoCodec::Av1;
    s.video.Rate = 24;
    s.video.Quality = 60;
    s.video.KeyInterval = 12;
    s.video.Preset = "8";
    s.video.Lossless = true;
    s.avi = { 25, 9000, 3, 0x47504A4D };
    s.camera = { kCustomOutputSize, "720", "1280", "12,5", true, "1.5", "/musique/thème.ogg", ProjectionFlat,
        ViewLittlePlanet, "200", "-80" };
    s.tempo = -20;
    s.windowGeometry = QByteArray("\x01\xD9\xD0\xCB\x00\x03", 6);
    return s;
}

TEST(RememberedSettings, EveryValueComesBackFromTheFile)
{
    TempDir dir;
    const RememberedSettings written = changedSettings();
    {
        QSettings store(pathOf(dir / "settings.ini"), QSettings::IniFormat);
        std::string error;
        ASSERT_TRUE(WriteRememberedSettings(store, written, error)) << error;
    }
    const QSettings store(pathOf(dir / "settings.ini"), QSettings::IniFormat);
    expectSame(ReadRememberedSettings(store), written);
}

TEST(RememberedSettings, AnEmptyStoreGivesTheDefaults)
{
    TempDir dir;
    const QSettings store(pathOf(dir / "none.ini"), QSettings::IniFormat);
    expectSame(ReadRememberedSettings(store), RememberedSettings {});
    EXPECT_FALSE(fs::exists(dir / "none.ini")) << "reading writes nothing";
}

struct ForeignCase {
    const char *name;
    const char *key;
    QVariant value; // as a hand-edited file or another program left it
};

class ForeignValueTest : public ::testing::TestWithParam<ForeignCase> { };

// A value out of its control's range, unreadable or of another type is its
// default; the other values read are kept.
TEST_P(ForeignValueTest, FallsBackToTheDefault)
{
    TempDir dir;
    const QString file = pathOf(dir / "settings.ini");
    {
        QSettings store(file, QSettings::IniFormat);
        RememberedSettings defaults;
        defaults.panel.Step = "7"; // one value that must survive
        std::string error;
        ASSERT_TRUE(WriteRememberedSettings(store, defaults, error)) << error;
        store.setValue(QString::fromLatin1(GetParam().key), GetParam().value);
        store.sync();
    }
    const QSettings store(file, QSettings::IniFormat);
    RememberedSettings expected;
    expected.panel.Step = "7";
    expectSame(ReadRememberedSettings(store), expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ForeignValueTest,
    ::testing::Values(ForeignCase { "negativeVideoRate", "video/rate", -5 },
        ForeignCase { "videoRateAboveItsField", "video/rate", 5000 },
        ForeignCase { "videoRateText", "video/rate", QStringLiteral("trente") },
        ForeignCase { "unknownFormatIndex", "panel/format", 9 },
        ForeignCase { "negativeFormatIndex", "panel/format", -1 },
        ForeignCase { "tiffFormatOfTheCommandLineOnly", "panel/format", 5 },
        ForeignCase { "unknownCameraSize", "camera/outputSize", 8 },
        ForeignCase { "cameraDurationAsAList", "camera/duration", QStringList { "1", "2" } },
        ForeignCase { "unknownView", "camera/view", 3 }, ForeignCase { "negativeView", "camera/view", -1 },
        ForeignCase { "jpegQualityBelowFive", "jpeg/quality", 3 }, ForeignCase { "jpegScaleUnknown", "jpeg/scale", 4 },
        ForeignCase { "aviRateZero", "avi/rate", 0 }, ForeignCase { "aviQualityAbove", "avi/quality", 10001 },
        ForeignCase { "aviCodecIndexNegative", "avi/codecIndex", -2 },
        ForeignCase { "aviContainerForVideo", "video/container", QStringLiteral("avi") },
        ForeignCase { "unknownContainer", "video/container", QStringLiteral("mov") },
        ForeignCase { "codecTheContainerRefuses", "video/codec", QStringLiteral("vp9") },
        ForeignCase { "flagNeitherTrueNorFalse", "panel/center", QStringLiteral("peut-être") },
        ForeignCase { "fractionalTempo", "view/tempo", QStringLiteral("12.5") },
        ForeignCase { "listForAFolder", "panel/subDir", QStringList { "a", "b" } },
        ForeignCase { "textForTheGeometry", "window/geometry", QStringLiteral("1040x760") }),
    [](const auto &info) { return std::string(info.param.name); });

// The folder of the file cannot be made (a plain file stands in its way):
// the write fails, says where, and leaves that file as it was.
TEST(RememberedSettings, AStoreThatCannotBeWrittenSaysWhere)
{
    TempDir dir;
    std::ofstream(dir / "config") << "un fichier";
    const fs::path file = dir / "config" / "settings.ini";
    QSettings store(pathOf(file), QSettings::IniFormat);
    std::string error;
    EXPECT_FALSE(WriteRememberedSettings(store, changedSettings(), error));
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;
    EXPECT_NE(error.find("écriture impossible"), std::string::npos) << error;
    EXPECT_EQ(readFileBytes(dir / "config").size(), std::string("un fichier").size());
    error.clear();
    EXPECT_FALSE(ForgetRememberedSettings(store, error));
    EXPECT_NE(error.find(file.string()), std::string::npos) << error;
}

TEST(RememberedSettings, ForgettingLeavesOnlyWhatOthersWrote)
{
    TempDir dir;
    const QString file = pathOf(dir / "settings.ini");
    {
        QSettings store(file, QSettings::IniFormat);
        std::string error;
        ASSERT_TRUE(WriteRememberedSettings(store, changedSettings(), error));
        store.setValue(QStringLiteral("autre/clef"), 7);
        ASSERT_TRUE(ForgetRememberedSettings(store, error)) << error;
    }
    const QSettings store(file, QSettings::IniFormat);
    EXPECT_EQ(store.allKeys(), QStringList { QStringLiteral("autre/clef") });
    expectSame(ReadRememberedSettings(store), RememberedSettings {});
}

} // namespace
