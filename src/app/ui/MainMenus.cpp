#include "app/ui/MainMenus.h"

#include "app/ui/TFormMain.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <initializer_list>
#include <utility>

namespace {

QString translated(const char *caption)
{
    return QCoreApplication::translate("MainMenus", caption);
}

using Command = void (TFormMain::*)();
struct MenuEntry {
    const char *name = nullptr; // none: a separator
    const char *caption = nullptr;
    Command handler = nullptr;
};

QMenu *addEntries(QMenu *menu, TFormMain &window, const CommandRunner &run, std::initializer_list<MenuEntry> entries)
{
    for (const MenuEntry &e : entries) {
        if (!e.name) {
            menu->addSeparator();
            continue;
        }
        QAction *action = menu->addAction(translated(e.caption));
        action->setObjectName(QString::fromLatin1(e.name));
        const Command handler = e.handler;
        QObject::connect(action, &QAction::triggered, &window,
            [&window, run, handler] { run([&window, handler] { (window.*handler)(); }); });
    }
    return menu;
}

} // namespace

MainMenus CreateMainMenus(TFormMain &window, const CommandRunner &run)
{
    using F = TFormMain;
    const MenuEntry separator {};
    QMenuBar *bar = window.menuBar();
    const auto addMenu
        = [&](QMenu *menu, std::initializer_list<MenuEntry> entries) { return addEntries(menu, window, run, entries); };
    MainMenus menus {};
    menus.file = addMenu(bar->addMenu(QCoreApplication::translate("MainMenus", "Fichier")),
        { { "Menu_FileOpen", QT_TRANSLATE_NOOP("MainMenus", "Ouvrir..."), &F::Menu_FileOpenClick },
            { "Menu_FileWipe", QT_TRANSLATE_NOOP("MainMenus", "Effacer"), &F::Menu_FileWipeClick },
            { "Menu_FileSaveAs", QT_TRANSLATE_NOOP("MainMenus", "Enregister Sous..."), &F::Menu_FileSaveAsClick },
            separator,
            { "esterleNomdeFichier1", QT_TRANSLATE_NOOP("MainMenus", "Tester le Nom de Fichier"),
                &F::SpeedButtonFilenameClick },
            separator, { "Menu_FileQuit", QT_TRANSLATE_NOOP("MainMenus", "Quitter"), &F::Menu_FileQuitClick } });
    menus.anim = addMenu(bar->addMenu(QCoreApplication::translate("MainMenus", "Animation")),
        { { "Menu_AnimStop", QT_TRANSLATE_NOOP("MainMenus", "Stop"), &F::Menu_AnimStopClick }, separator,
            { "Menu_AnimFullScreen", QT_TRANSLATE_NOOP("MainMenus", "Plein Ecran"), &F::Menu_AnimFullScreenClick },
            { "Menu_AnimCenter", QT_TRANSLATE_NOOP("MainMenus", "Centrer l'Animation dans la Fenêtre"),
                &F::Menu_AnimCenterClick },
            separator,
            { "Menu_AnimTest", QT_TRANSLATE_NOOP("MainMenus", "Tester une Animation"), &F::Menu_AnimTestClick },
            { "Menu_AnimCreate", QT_TRANSLATE_NOOP("MainMenus", "Créer une Animation"), &F::Menu_AnimCreateClick },
            { "Menu_AnimVerify", QT_TRANSLATE_NOOP("MainMenus", "Vérifier l'animation créée"),
                &F::Menu_AnimVerifyClick },
            { "Menu_AnimOpenFolder", QT_TRANSLATE_NOOP("MainMenus", "Ouvrir le dossier"),
                &F::Menu_AnimOpenFolderClick } });
    menus.anim->setToolTipsVisible(true);
    window.findChild<QAction *>(QStringLiteral("Menu_AnimOpenFolder"))
        ->setToolTip(QCoreApplication::translate(
            "MainMenus", "Ouvre dans le gestionnaire de fichiers le dossier de la dernière création"));
    QObject::connect(menus.anim, &QMenu::aboutToShow, &window, &TFormMain::Menu_AnimClick);
    menus.options = addMenu(bar->addMenu(QCoreApplication::translate("MainMenus", "Options")),
        { { "Menu_OptionsJpeg", QT_TRANSLATE_NOOP("MainMenus", "Options Jpeg..."), &F::Menu_OptionsJpegClick },
            { "Menu_OptionsAvi", QT_TRANSLATE_NOOP("MainMenus", "Options AVI..."), &F::Menu_OptionsAviClick },
            { "Menu_OptionsVideo", QT_TRANSLATE_NOOP("MainMenus", "Options Vidéo..."), &F::Menu_OptionsVideoClick },
            { "Menu_OptionsCamera", QT_TRANSLATE_NOOP("MainMenus", "Options Caméra..."), &F::Menu_OptionsCameraClick },
            { "Menu_OptionsDefault", QT_TRANSLATE_NOOP("MainMenus", "Valeurs par Défaut"),
                &F::Menu_OptionsDefaultClick },
            { "Menu_OptionsShowPanel", QT_TRANSLATE_NOOP("MainMenus", "Voir/Cacher le Panneau de Commande..."),
                &F::Menu_OptionsShowPanelClick },
            { "Menu_OptionsTempo", QT_TRANSLATE_NOOP("MainMenus", "Temporisation de Visualisation..."),
                &F::Menu_OptionsTempoClick },
            separator,
            { "Menu_OptionsReset", QT_TRANSLATE_NOOP("MainMenus", "Réinitialiser les réglages"),
                &F::Menu_OptionsResetClick } });
    // Each language by its own name, whatever the window's language.
    menus.language = menus.options->addMenu(QCoreApplication::translate("MainMenus", "Langue"));
    menus.language->setObjectName(QStringLiteral("Menu_OptionsLanguage"));
    auto *languages = new QActionGroup(menus.language);
    addMenu(menus.language,
        { { "Menu_LanguageFrench", "Français", &F::Menu_LanguageFrenchClick },
            { "Menu_LanguageEnglish", "English", &F::Menu_LanguageEnglishClick } });
    for (QAction *action : menus.language->actions()) {
        action->setCheckable(true);
        languages->addAction(action);
    }
    QObject::connect(menus.options, &QMenu::aboutToShow, &window, &TFormMain::Menu_OptionsClick);
    addMenu(bar->addMenu(QCoreApplication::translate("MainMenus", "Aide")),
        { { "Menu_HelpHelp", QT_TRANSLATE_NOOP("MainMenus", "Aide"), &F::Menu_HelpHelpClick }, separator,
            { "Menu_HelpAbout", QT_TRANSLATE_NOOP("MainMenus", "A propos"), &F::Menu_HelpAboutClick } });
    const std::pair<const char *, QKeySequence> shortcuts[] = { { "Menu_FileOpen", QKeySequence(Qt::CTRL | Qt::Key_O) },
        { "Menu_FileSaveAs", QKeySequence(Qt::CTRL | Qt::Key_S) },
        { "Menu_FileQuit", QKeySequence(Qt::CTRL | Qt::Key_Q) }, { "Menu_AnimTest", QKeySequence(Qt::Key_F5) },
        { "Menu_AnimFullScreen", QKeySequence(Qt::Key_F11) }, { "Menu_HelpHelp", QKeySequence(Qt::Key_F1) },
        { "Menu_AnimOpenFolder", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O) } };
    for (const auto &[name, keys] : shortcuts)
        window.findChild<QAction *>(QString::fromLatin1(name))->setShortcut(keys);
    // F11 leaves full screen too, where the menu bar is hidden.
    window.addAction(window.findChild<QAction *>(QStringLiteral("Menu_AnimFullScreen")));

    menus.popup = addMenu(new QMenu(&window),
        { { "PopupMenu_Stop", QT_TRANSLATE_NOOP("MainMenus", "Stop"), &F::Menu_AnimStopClick },
            { "PopupMenu_Tempo", QT_TRANSLATE_NOOP("MainMenus", "Temporisation de Visualisation..."),
                &F::Menu_OptionsTempoClick },
            separator,
            { "PopupMenu_FullScreen", QT_TRANSLATE_NOOP("MainMenus", "Plein Ecran"), &F::Menu_AnimFullScreenClick },
            { "PopupMenu_Center", QT_TRANSLATE_NOOP("MainMenus", "Centrer l'Animation dans la Fenêtre"),
                &F::Menu_AnimCenterClick },
            separator,
            { "PopupMenu_Test", QT_TRANSLATE_NOOP("MainMenus", "Tester une Animation"), &F::Menu_AnimTestClick },
            { "PopupMenu_Create", QT_TRANSLATE_NOOP("MainMenus", "Créer une Animation"), &F::Menu_AnimCreateClick },
            { "PopupMenu_Verify", QT_TRANSLATE_NOOP("MainMenus", "Vérifier une Animation"), &F::Menu_AnimVerifyClick },
            separator, { "PopupMenu_Quit", QT_TRANSLATE_NOOP("MainMenus", "Quitter"), &F::Menu_FileQuitClick } });
    menus.popup->setObjectName(QStringLiteral("PopupMenu"));
    QObject::connect(menus.popup, &QMenu::aboutToShow, &window, &TFormMain::PopupMenuPopup);
    for (const char *name : { "Menu_AnimFullScreen", "Menu_AnimCenter", "PopupMenu_FullScreen", "PopupMenu_Center" })
        window.findChild<QAction *>(QString::fromLatin1(name))->setCheckable(true);
    return menus;
}
