#include "app/InterfaceLanguage.h"
#include "app/ui/InterfaceTranslators.h"
#include "app/ui/TFormMain.h"
#include "jpeg/JpegOptions.h"
#include "options/AviOptions.h"

#include "ScriptedServices.h"
#include "TestUtils.h"

#include <QAction>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

namespace {

// One start of the program: its settings file, its main window.
struct Start {
    explicit Start(const std::string &settingsFile)
        : settings(QString::fromStdString(settingsFile), QSettings::IniFormat)
        , translators(std::make_unique<InterfaceTranslators>(ChosenInterfaceLanguage(settings, QLocale::system())))
        , form(services, jpegOptions, aviOptions, QStringLiteral("/nowhere/travelia"), settings)
    {
    }
    QAction *entry(const char *name) { return form.findChild<QAction *>(QString::fromLatin1(name)); }
    // What Options shows now for the two languages.
    std::pair<bool, bool> checks()
    {
        form.Menu_OptionsClick();
        return { entry("Menu_LanguageFrench")->isChecked(), entry("Menu_LanguageEnglish")->isChecked() };
    }
    QString firstMenu() const { return form.menuBar()->actions().at(0)->text().remove(u'&'); }

    ScriptedServices services;
    TJpegOptions jpegOptions;
    TAviOptions aviOptions;
    QSettings settings;
    std::unique_ptr<InterfaceTranslators> translators;
    TFormMain form;
};

TEST(LanguageMenu, TheChoiceIsKeptAndTakesEffectAtTheNextStart)
{
    TempDir dir;
    const std::string file = (dir / "settings.ini").string();
    QSettings(QString::fromStdString(file), QSettings::IniFormat)
        .setValue(QStringLiteral("interface/language"), QStringLiteral("fr"));
    {
        Start first(file);
        EXPECT_EQ(first.firstMenu(), "Fichier");
        EXPECT_EQ(first.checks(), std::make_pair(true, false));
        first.services.answerMessageBox(WindowServices::IdOk);
        first.entry("Menu_LanguageEnglish")->trigger();
        ASSERT_EQ(first.services.asked().size(), 1u);
        EXPECT_EQ(first.services.asked()[0].text, "Travelia will speak English from its next start.");
        EXPECT_EQ(first.firstMenu(), "Fichier") << "the window keeps its language until the next start";
        EXPECT_EQ(first.checks(), std::make_pair(false, true));
    }
    Start second(file);
    EXPECT_EQ(second.firstMenu(), "File");
    EXPECT_EQ(second.checks(), std::make_pair(false, true));
    // Choosing the language in effect says nothing.
    second.entry("Menu_LanguageEnglish")->trigger();
    EXPECT_TRUE(second.services.asked().empty());
    second.services.answerMessageBox(WindowServices::IdOk);
    second.entry("Menu_LanguageFrench")->trigger();
    ASSERT_EQ(second.services.asked().size(), 1u);
    EXPECT_EQ(second.services.asked()[0].text, "Travelia parlera français à son prochain démarrage.");
}

// Settings that cannot be written: the choice is not kept, and the error box
// names the file.
TEST(LanguageMenu, AStoreThatCannotBeWrittenIsNamed)
{
    TempDir dir;
    std::ofstream(dir / "blocker") << "a file, not a folder";
    const std::string file = (dir / "blocker" / "settings.ini").string();
    Start start(file);
    start.services.answerErrorBox();
    start.entry("Menu_LanguageEnglish")->trigger();
    ASSERT_EQ(start.services.asked().size(), 1u);
    EXPECT_EQ(start.services.asked()[0].kind, ScriptedServices::Kind::ErrorBox);
    EXPECT_EQ(start.services.asked()[0].text,
        "Langue non enregistrée : " + file + " : écriture impossible (accès refusé ou disque plein)");
}

} // namespace
