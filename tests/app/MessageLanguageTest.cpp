#include "platform/MessageLanguage.h"
#include "anim/CameraChoices.h"
#include "app/RunLengthText.h"
#include "app/ui/InterfaceTranslators.h"
#include "platform/MessageSentences.h"
#include "platform/ui/QtWindowServices.h"

#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// A message as the engine makes it, and as each window shows it.
struct MessageCase {
    const char *name;
    const char *made;
    const char *inFrench;
    const char *inEnglish;
};

class MessageLanguageTest : public ::testing::TestWithParam<MessageCase> { };

TEST_P(MessageLanguageTest, ReadsInTheWindowsLanguage)
{
    const MessageCase &c = GetParam();
    {
        const InterfaceTranslators french(InterfaceLanguage::French);
        EXPECT_EQ(InterfaceText(c.made).toStdString(), c.inFrench);
    }
    const InterfaceTranslators english(InterfaceLanguage::English);
    EXPECT_EQ(InterfaceText(c.made).toStdString(), c.inEnglish);
}

INSTANTIATE_TEST_SUITE_P(Messages, MessageLanguageTest,
    ::testing::Values(
        MessageCase { "videoOddSize",
            "Cannot write the video file /o/anim/ANIM0000.MP4: libx264 needs an even width and height (4:2:0), not 13 "
            "x 10",
            "Impossible d'écrire le fichier vidéo /o/anim/ANIM0000.MP4 : libx264 demande une largeur et une hauteur "
            "paires (4:2:0), pas 13 x 10",
            "Cannot write the video file /o/anim/ANIM0000.MP4: libx264 needs an even width and height (4:2:0), not 13 "
            "x 10" },
        MessageCase { "aviCompressorRefuses",
            "Failed to set AVI stream format\nthe compressor 'H264' needs an even width and height",
            "Format du flux AVI refusé\nle compresseur 'H264' demande une largeur et une hauteur paires",
            "Failed to set AVI stream format\nthe compressor 'H264' needs an even width and height" },
        MessageCase { "videoDiskFull",
            "Cannot write the video file: No space left on device: /o/a.mkv\n5 frames kept in /o/a.mkv",
            "Impossible d'écrire le fichier vidéo : Plus de place sur le disque: /o/a.mkv\n5 images conservées dans "
            "/o/a.mkv",
            "Cannot write the video file: No space left on device: /o/a.mkv\n5 frames kept in /o/a.mkv" },
        MessageCase { "aviPermission", "Failed to create AVI file\nPermission denied: /o/ANIM0000.AVI",
            "Impossible de créer le fichier AVI\nPermission refusée: /o/ANIM0000.AVI",
            "Failed to create AVI file\nPermission denied: /o/ANIM0000.AVI" },
        MessageCase { "pictureDamaged", "Image non chargée : damaged data (Not a JPEG file: starts with 0x00 0x00)",
            "Image non chargée : données endommagées (Not a JPEG file: starts with 0x00 0x00)",
            "Picture not loaded: damaged data (Not a JPEG file: starts with 0x00 0x00)" },
        MessageCase { "picturePermission", "Image non chargée : permission denied",
            "Image non chargée : permission refusée", "Picture not loaded: permission denied" },
        MessageCase { "pictureUnknownFormat", "Image non chargée : unknown format",
            "Image non chargée : format inconnu", "Picture not loaded: unknown format" },
        MessageCase { "frameDenied", "Impossible d'enregistrer '/o/anim/IMAGE0000.BMP'\nPermission denied",
            "Impossible d'enregistrer '/o/anim/IMAGE0000.BMP'\nPermission refusée",
            "Cannot save '/o/anim/IMAGE0000.BMP'\nPermission denied" },
        MessageCase { "frameDiskFull", "Impossible d'enregistrer '/o/IMAGE0003.JPG'\nNo space left on device",
            "Impossible d'enregistrer '/o/IMAGE0003.JPG'\nPlus de place sur le disque",
            "Cannot save '/o/IMAGE0003.JPG'\nNo space left on device" },
        MessageCase { "stoppedRun", "/o/anim/IMAGE0000.BMP - arrêté : 3 image(s) enregistrée(s)",
            "/o/anim/IMAGE0000.BMP - arrêté : 3 image(s) enregistrée(s)",
            "/o/anim/IMAGE0000.BMP - stopped: 3 frame(s) saved" },
        MessageCase { "windowQuestion", "/o/anim/IMAGE0000.BMP Existe déjà", "/o/anim/IMAGE0000.BMP Existe déjà",
            "/o/anim/IMAGE0000.BMP already exists" },
        MessageCase { "partHoldingAMarker", "Image non chargée : damaged data (%1 %2)",
            "Image non chargée : données endommagées (%1 %2)", "Picture not loaded: damaged data (%1 %2)" },
        MessageCase {
            "runLength", "925 images, 0:37 à 25 i/s", "925 images, 0:37 à 25 i/s", "925 frames, 0:37 at 25 fps" },
        MessageCase { "runLengthOneFrame", "1 image", "1 image", "1 frame" },
        MessageCase { "runLengthNoFrame", "aucune image", "aucune image", "no frames" },
        MessageCase { "passThatJudders",
            "Un passage : 2,0 s (50 images à 25 images par seconde)\nIl traverse l'image en 1,5 s : sous 7 s le "
            "défilement saccade. Une durée de 10 s serait fluide.",
            "Un passage : 2,0 s (50 images à 25 images par seconde)\nIl traverse l'image en 1,5 s : sous 7 s le "
            "défilement saccade. Une durée de 10 s serait fluide.",
            "One pass: 2.0 s (50 frames at 25 frames per second)\nThe picture crosses the frame in 1.5 s: under 7 s, "
            "scrolling judders. A pass of 10 s would be smooth." },
        MessageCase { "cameraWidthRefused", "Valeur de Largeur de sortie Incorrecte (de 2 à 16384)",
            "Valeur de Largeur de sortie Incorrecte (de 2 à 16384)", "Invalid output width (from 2 to 16384)" },
        MessageCase { "libraryWordsStay", "libfoo: frame refused", "libfoo: frame refused", "libfoo: frame refused" },
        MessageCase { "errorCaption", "Erreur", "Erreur", "Error" },
        MessageCase { "openFolderRefused", "Impossible d'ouvrir le dossier /o/anim dans le gestionnaire de fichiers",
            "Impossible d'ouvrir le dossier /o/anim dans le gestionnaire de fichiers",
            "Cannot open the folder /o/anim in the file manager" },
        MessageCase { "folderGone", "Le dossier /o/anim n'existe plus", "Le dossier /o/anim n'existe plus",
            "The folder /o/anim no longer exists" },
        MessageCase { "timeLeft", "Temps restant : 1 min 05 s", "Temps restant : 1 min 05 s", "Time left: 1 min 05 s" },
        MessageCase { "timeLeftEstimating", "Temps restant : calcul...", "Temps restant : calcul...",
            "Time left: estimating..." }),
    [](const auto &info) { return std::string(info.param.name); });

// A part that is exactly a decimal number takes the decimal mark of the
// language its sentence is read in; other parts stay as they were made.
struct NumberCase {
    const char *name;
    const char *made;
    const char *shown;
    bool english; // the window's language; else French
};

class DecimalMarkTest : public ::testing::TestWithParam<NumberCase> { };

TEST_P(DecimalMarkTest, FollowsTheSentencesLanguage)
{
    const NumberCase &c = GetParam();
    const InterfaceTranslators translators(c.english ? InterfaceLanguage::English : InterfaceLanguage::French);
    EXPECT_EQ(InterfaceText(c.made).toStdString(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Parts, DecimalMarkTest,
    ::testing::Values(
        // French sentences in the English window: the comma becomes a point.
        NumberCase { "passInEnglish", "Un passage : 2,0 s (50 images à 25 images par seconde)",
            "One pass: 2.0 s (50 frames at 25 frames per second)", true },
        NumberCase { "rateInEnglish", "1 image, 0:00 à 12,5 i/s", "1 frame, 0:00 at 12.5 fps", true },
        // Parts that are more than a number stay as they were made.
        NumberCase {
            "pathWithCommas", "Image non chargée : /o/2,0/a,b.jpg", "Picture not loaded: /o/2,0/a,b.jpg", true },
        NumberCase { "numberWithUnit", "Le dossier 2,5 cm n'existe plus", "The folder 2,5 cm no longer exists", true },
        NumberCase { "twoCommas", "Le dossier 1,2,3 n'existe plus", "The folder 1,2,3 no longer exists", true },
        NumberCase { "pointInEnglishStays", "Le dossier 2.5 n'existe plus", "The folder 2.5 no longer exists", true },
        // In the French window, French sentences are not translated: nothing changes.
        NumberCase { "passInFrench", "Un passage : 2,0 s (50 images à 25 images par seconde)",
            "Un passage : 2,0 s (50 images à 25 images par seconde)", false },
        // The engine's English sentences in the French window: the point becomes a comma.
        NumberCase { "engineInFrench", "1.5 frames kept in -2.25", "1,5 images conservées dans -2,25", false },
        NumberCase { "engineVersionStays", "3 frames kept in 1.2.3", "3 images conservées dans 1.2.3", false },
        // The English window leaves the engine's English as it is.
        NumberCase { "engineInEnglish", "1.5 frames kept in /o/a.mkv", "1.5 frames kept in /o/a.mkv", true }),
    [](const auto &info) { return std::string(info.param.name); });

// "%1", "%2"... in their order: a part is put back where the sentence had it.
TEST(MessageSentences, NumberTheirPartsInOrder)
{
    const QRegularExpression marker(QStringLiteral("%([1-9])"));
    for (const auto &list : { FrenchSentences(), EnglishSentences() })
        for (const MessageSentence &s : list) {
            int expected = 1;
            for (auto it = marker.globalMatch(QString::fromUtf8(s.source)); it.hasNext(); ++expected)
                EXPECT_EQ(it.next().captured(1).toInt(), expected) << s.source;
        }
}

// The box the window shows says it in the window's language.
TEST(MessageLanguageBox, TheErrorBoxShowsTheTranslatedText)
{
    const InterfaceTranslators french(InterfaceLanguage::French);
    QtWindowServices services;
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    services.errorBox("Impossible d'enregistrer '/o/IMAGE0003.JPG'\nNo space left on device");
    EXPECT_EQ(shown.toStdString(), "Impossible d'enregistrer '/o/IMAGE0003.JPG'\nPlus de place sur le disque");
}

} // namespace

// The camera's texts as the engine makes them read in English: a change
// of their wording shows here before it reaches the window untranslated.
TEST(CameraTexts, ReadInEnglish)
{
    const InterfaceTranslators english(InterfaceLanguage::English);
    EXPECT_EQ(InterfaceText(RunLengthText(925, 25.0)).toStdString(), "925 frames, 0:37 at 25 fps");
    EXPECT_EQ(InterfaceText(RunLengthText(1, std::nullopt)).toStdString(), "1 frame");
    EXPECT_EQ(InterfaceText(RunLengthText(0, 25.0)).toStdString(), "no frames");
    EXPECT_EQ(InterfaceText(RunLengthText(0, std::nullopt)).toStdString(), "no frames");
    CameraChoices choices;
    choices.OutputSize = kCustomOutputSize;
    choices.Width = "1";
    std::string error;
    ASSERT_FALSE(CameraFromChoices(choices, error));
    EXPECT_EQ(InterfaceText(error).toStdString(), "Invalid output width (from 2 to 16384)");
    choices.Width = "640";
    choices.Hold = "-1";
    ASSERT_FALSE(CameraFromChoices(choices, error));
    EXPECT_EQ(InterfaceText(error).toStdString(), "Invalid pause at the ends");
    for (std::int32_t size = 0; size < kCustomOutputSize + 1; ++size) {
        const QString caption = InterfaceText(CameraOutputSizes()[std::size_t(size)].caption);
        EXPECT_FALSE(caption.contains(QStringLiteral("Carré")) || caption.contains(QStringLiteral("Personnalisée")))
            << caption.toStdString();
    }
}
