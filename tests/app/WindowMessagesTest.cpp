#include "app/ui/CommandPanel.h"
#include "app/ui/InterfaceTranslators.h"
#include "platform/MessageLanguage.h"

#include "FormMainFixture.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

namespace fs = std::filesystem;

// The error box of a video run that fails, as the French and the English
// window show it: the engine's words stay the command line's.
class WindowMessagesTest : public FormMainTest {
protected:
    void chooseMp4()
    {
        open(writePanorama(44, 30));
        form.Panel().Rules().setFormat(FormatVideo);
        form.VideoOptions().Container = VideoContainer::Mp4;
        form.VideoOptions().Codec = VideoCodec::H264;
    }
    std::string failedRun()
    {
        form.Panel().SpeedButtonCreate->click();
        EXPECT_FALSE(services.asked().empty());
        EXPECT_EQ(services.asked().back().kind, ScriptedServices::Kind::ErrorBox);
        return services.asked().back().text;
    }
    static std::string shownIn(InterfaceLanguage language, const std::string &made)
    {
        const InterfaceTranslators translators(language);
        return InterfaceText(made).toStdString();
    }
};

TEST_F(WindowMessagesTest, AnEncoderRefusalReadsInTheWindowsLanguage)
{
    chooseMp4();
    form.Panel().EditFrameWidth->setText(QStringLiteral("13"));
    emit form.Panel().EditFrameWidth->textEdited(QStringLiteral("13")); // odd: H.264 in 4:2:0 refuses it
    services.answerErrorBox();
    const std::string made = failedRun();
    EXPECT_EQ(made, "libx264 needs an even width and height (4:2:0), not 13 x 30.");
    EXPECT_EQ(shownIn(InterfaceLanguage::French, made),
        "libx264 demande une largeur et une hauteur paires (4:2:0), pas 13 x 30.");
    EXPECT_EQ(shownIn(InterfaceLanguage::English, made), made);
}

TEST_F(WindowMessagesTest, AFileThatCannotBeWrittenReadsInTheWindowsLanguage)
{
    chooseMp4();
    fs::create_directories(dir / "anim" / "ANIM0000.MP4"); // a folder where the file goes
    services.answerMessageBox(WindowServices::IdNo); // exists: replace it
    services.answerErrorBox();
    const std::string made = failedRun();
    const std::string file = dir.str() + "/anim/ANIM0000.MP4";
    ASSERT_EQ(made.rfind("Cannot write the video file", 0), 0u) << made;
    const std::string french = shownIn(InterfaceLanguage::French, made);
    EXPECT_EQ(french.rfind("Impossible d'écrire le fichier vidéo", 0), 0u) << french;
    EXPECT_NE(french.find("Est un dossier"), std::string::npos) << french;
    EXPECT_NE(french.find(file), std::string::npos) << french;
    EXPECT_EQ(french.find("Cannot"), std::string::npos) << french;
    EXPECT_EQ(shownIn(InterfaceLanguage::English, made), made);
}

} // namespace
