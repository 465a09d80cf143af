#include "app/InterfaceLanguage.h"
#include "app/ui/InterfaceTranslators.h"
#include "app/ui/ProgramWindows.h"
#include "app/ui/TFormMain.h"
#include "jpeg/JpegOptions.h"
#include "options/AviOptions.h"
#include "platform/MessageLanguage.h"
#include "platform/ui/QtWindowServices.h"
#include "video/ui/AviCompressionDialog.h"

#include "ScriptedServices.h"
#include "TestUtils.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

// Texts that both languages write alike: names of formats and codecs, and
// the few words French and English share.
const std::set<QString> kSharedWords = { QStringLiteral("Animation"), QStringLiteral("Options"),
    QStringLiteral("Horizontal"), QStringLiteral("Vertical"), QStringLiteral("Stop"), QStringLiteral("STOP"),
    QStringLiteral("Pause"), QStringLiteral("Codec"), QStringLiteral("Codec:"), QStringLiteral("OK"),
    QStringLiteral("+"), QStringLiteral("-"), QStringLiteral("Version"), QStringLiteral("Français"),
    QStringLiteral("English"), QStringLiteral("BMP"), QStringLiteral("JPG"), QStringLiteral("AVI"),
    QStringLiteral("PNG"), QStringLiteral("MP4"), QStringLiteral("WebM"), QStringLiteral("MKV"), QStringLiteral("GIF"),
    QStringLiteral("WebP"), QStringLiteral("H.264"), QStringLiteral("H.265"), QStringLiteral("AV1"),
    QStringLiteral("VP9"), QStringLiteral("24 bits"), QStringLiteral("8 bits"), QStringLiteral("Panorama 1:1"),
    QStringLiteral("Vertical (1080 × 1920)"), QStringLiteral("Perspective"), QStringLiteral("Projection") };

bool isShared(const QString &text)
{
    // Numbers, the program's name with its version, the compressors as
    // FFmpeg names them ("vidc.MJPG   ...", "MJPG - ...") and the video
    // sizes ("1080p (1920 × 1080)") are no language.
    static const QRegularExpression noWords(QStringLiteral(
        "^[^A-Za-zÀ-ÿ]*$|^Travelia version: |^vid[a-z]\\.|^[A-Za-z0-9 ]{3,4} - |^[0-9]+p \\([0-9]+ × [0-9]+\\)$"));
    return kSharedWords.count(text) || noWords.match(text).hasMatch();
}

// Where a control stands in its window, the same in every language: names
// where it has one, else its class and rank among its siblings.
std::string placeOf(const QObject *o)
{
    std::string place;
    for (; o; o = o->parent()) {
        QString step = o->objectName();
        if (step.isEmpty() && o->parent()) {
            int rank = 0;
            for (const QObject *sibling : o->parent()->children()) {
                if (sibling == o)
                    break;
                rank += sibling->metaObject() == o->metaObject();
            }
            step = QString::fromLatin1(o->metaObject()->className()) + u'#' + QString::number(rank);
        }
        place = step.toStdString() + '/' + place;
    }
    return place;
}

using ShownTexts = std::map<std::string, QString>;

void add(ShownTexts &texts, const std::string &place, QString text)
{
    text.remove(u'&');
    if (!text.trimmed().isEmpty())
        texts[place] = text;
}

// Every text a user sees or hears from a window: titles, captions, items,
// menu entries, tooltips and accessible names.
ShownTexts shownTexts(QWidget *window)
{
    ShownTexts texts;
    QList<QWidget *> widgets = window->findChildren<QWidget *>();
    widgets.prepend(window);
    for (QWidget *w : widgets) {
        const std::string at = placeOf(w);
        if (w->isWindow())
            add(texts, at + "title", w->windowTitle());
        add(texts, at + "tooltip", w->toolTip());
        add(texts, at + "accessible", w->accessibleName());
        // A label named by its own name until first filled is never shown so.
        if (auto *label = qobject_cast<QLabel *>(w); label && label->text() != label->objectName())
            add(texts, at + "text", label->text());
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            add(texts, at + "text", button->text());
        if (auto *box = qobject_cast<QGroupBox *>(w))
            add(texts, at + "text", box->title());
        if (auto *memo = qobject_cast<QPlainTextEdit *>(w))
            add(texts, at + "text", memo->toPlainText());
        if (auto *edit = qobject_cast<QLineEdit *>(w))
            add(texts, at + "placeholder", edit->placeholderText());
        if (auto *spin = qobject_cast<QSpinBox *>(w)) {
            add(texts, at + "special", spin->specialValueText());
            add(texts, at + "suffix", spin->suffix());
        }
        if (auto *combo = qobject_cast<QComboBox *>(w))
            for (int i = 0; i < combo->count(); ++i)
                add(texts, at + "item" + std::to_string(i), combo->itemText(i));
        if (auto *list = qobject_cast<QListWidget *>(w))
            for (int i = 0; i < list->count(); ++i)
                add(texts, at + "item" + std::to_string(i), list->item(i)->text());
        const QList<QAction *> actions = w->actions();
        for (int i = 0; i < actions.size(); ++i)
            add(texts, at + "action" + std::to_string(i), actions[i]->text());
    }
    return texts;
}

// The whole program as it starts, every window made.
struct Program {
    explicit Program(const TempDir &dir)
        : settings(QString::fromStdString((dir / "settings.ini").string()), QSettings::IniFormat)
        , form(services, jpegOptions, aviOptions, QString::fromStdString((dir / "travelia").string()), settings)
        , windows(form, services, jpegOptions, aviOptions, QString::fromStdString((dir / "travelia").string()), clock)
        , compression(AviCompression {})
    {
        windows.encours.showProgress(); // its labels are set when shown
        windows.encours.hideProgress();
    }

    ShownTexts texts()
    {
        ShownTexts all;
        QList<QWidget *> shown = { &form, &compression };
        for (QWidget *w : { static_cast<QWidget *>(&windows.opJpeg), static_cast<QWidget *>(&windows.yesAllNo),
                 static_cast<QWidget *>(&windows.help), static_cast<QWidget *>(&windows.about),
                 static_cast<QWidget *>(&windows.opAvi), static_cast<QWidget *>(&windows.view),
                 static_cast<QWidget *>(&windows.encours), static_cast<QWidget *>(&windows.opVideo),
                 static_cast<QWidget *>(&windows.player), static_cast<QWidget *>(&windows.opCamera) })
            shown << w;
        for (QWidget *w : shown)
            all.merge(shownTexts(w));
        return all;
    }

    ScriptedServices services;
    TJpegOptions jpegOptions;
    TAviOptions aviOptions;
    QSettings settings;
    TFormMain form;
    SteadyPlaybackClock clock;
    ProgramWindows windows;
    AviCompressionDialog compression;
};

ShownTexts textsIn(std::optional<InterfaceLanguage> language)
{
    TempDir dir;
    std::unique_ptr<InterfaceTranslators> translators;
    if (language)
        translators = std::make_unique<InterfaceTranslators>(*language);
    Program program(dir);
    program.windows.opAvi.show(); // lists the compressors
    program.windows.opAvi.hide();
    return program.texts();
}

TEST(WindowLanguage, TheEnglishWindowLeavesNoFrenchText)
{
    const ShownTexts french = textsIn(std::nullopt);
    const ShownTexts english = textsIn(InterfaceLanguage::English);
    ASSERT_GT(french.size(), 200u);
    int compared = 0;
    for (const auto &[place, text] : english) {
        const auto same = french.find(place);
        ASSERT_NE(same, french.end()) << place << " shows only in English";
        ++compared;
        if (!isShared(text)) {
            EXPECT_TRUE(text != same->second) << place << " is still French: " << text.toStdString();
        }
    }
    EXPECT_EQ(compared, int(french.size()));
}

// French is the reference: the French translations change no window text,
// they are for the engine's messages and Qt's own dialogs.
TEST(WindowLanguage, TheFrenchWindowShowsTheReferenceTexts)
{
    EXPECT_EQ(textsIn(InterfaceLanguage::French), textsIn(std::nullopt));
}

TEST(WindowLanguage, EveryTranslationFileIsFoundAndEmbedded)
{
    for (InterfaceLanguage language : { InterfaceLanguage::French, InterfaceLanguage::English }) {
        const InterfaceTranslators translators(language);
        EXPECT_TRUE(translators.missing().isEmpty()) << translators.missing().join(u',').toStdString();
    }
    EXPECT_EQ(QCoreApplication::translate("MainMenus", "Fichier"), "Fichier") << "translators removed";
}

// Every entry of the translation files is translated; a translation that
// repeats its source is a word both languages share.
struct TranslationFile {
    const char *name;
    const char *file;
};

class TranslationFileTest : public ::testing::TestWithParam<TranslationFile> { };

TEST_P(TranslationFileTest, EveryEntryIsTranslated)
{
    QFile file(QStringLiteral(TRAVELIA_TRANSLATIONS_DIR "/") + QString::fromLatin1(GetParam().file));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    QXmlStreamReader xml(&file);
    QString source;
    int entries = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QStringLiteral("type")).toString();
            const QString translation = xml.readElementText();
            ++entries;
            EXPECT_TRUE(type.isEmpty()) << source.toStdString() << " is " << type.toStdString();
            EXPECT_FALSE(translation.isEmpty()) << source.toStdString();
            if (translation == source) {
                EXPECT_TRUE(isShared(source)) << source.toStdString() << " is not translated";
            }
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(entries, 40);
}

INSTANTIATE_TEST_SUITE_P(Files, TranslationFileTest,
    ::testing::Values(TranslationFile { "windowInEnglish", "travelia_en.ts" },
        TranslationFile { "engineInFrench", "travelia_fr.ts" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
