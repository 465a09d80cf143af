#include "app/ui/MainMenus.h"

#include "app/ui/TFormMain.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <initializer_list>
#include <utility>

namespace {

QString u8(const char *s)
{
    return QString::fromUtf8(s);
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
        QAction *action = menu->addAction(u8(e.caption));
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
    menus.file = addMenu(bar->addMenu(u8("Fichier")),
        { { "Menu_FileOpen", "Ouvrir...", &F::Menu_FileOpenClick },
            { "Menu_FileWipe", "Effacer", &F::Menu_FileWipeClick },
            { "Menu_FileSaveAs", "Enregister Sous...", &F::Menu_FileSaveAsClick }, separator,
            { "esterleNomdeFichier1", "Tester le Nom de Fichier", &F::SpeedButtonFilenameClick }, separator,
            { "Menu_FileQuit", "Quitter", &F::Menu_FileQuitClick } });
    menus.anim = addMenu(bar->addMenu(u8("Animation")),
        { { "Menu_AnimStop", "Stop", &F::Menu_AnimStopClick }, separator,
            { "Menu_AnimFullScreen", "Plein Ecran", &F::Menu_AnimFullScreenClick },
            { "Menu_AnimCenter", "Centrer l'Animation dans la Fenêtre", &F::Menu_AnimCenterClick }, separator,
            { "Menu_AnimTest", "Tester une Animation", &F::Menu_AnimTestClick },
            { "Menu_AnimCreate", "Créer une Animation", &F::Menu_AnimCreateClick },
            { "Menu_AnimVerify", "Vérifier l'animation créée", &F::Menu_AnimVerifyClick } });
    QObject::connect(menus.anim, &QMenu::aboutToShow, &window, &TFormMain::Menu_AnimClick);
    addMenu(bar->addMenu(u8("Options")),
        { { "Menu_OptionsJpeg", "Options Jpeg...", &F::Menu_OptionsJpegClick },
            { "Menu_OptionsAvi", "Options AVI...", &F::Menu_OptionsAviClick },
            { "Menu_OptionsVideo", "Options Vidéo...", &F::Menu_OptionsVideoClick },
            { "Menu_OptionsDefault", "Valeurs par Défaut", &F::Menu_OptionsDefaultClick },
            { "Menu_OptionsShowPanel", "Voir/Cacher le Panneau de Commande...", &F::Menu_OptionsShowPanelClick },
            { "Menu_OptionsTempo", "Temporisation de Visualisation...", &F::Menu_OptionsTempoClick }, separator,
            { "Menu_OptionsReset", "Réinitialiser les réglages", &F::Menu_OptionsResetClick } });
    addMenu(bar->addMenu(u8("Aide")),
        { { "Menu_HelpHelp", "Aide", &F::Menu_HelpHelpClick }, separator,
            { "Menu_HelpAbout", "A propos", &F::Menu_HelpAboutClick } });
    const std::pair<const char *, QKeySequence> shortcuts[] = { { "Menu_FileOpen", QKeySequence(Qt::CTRL | Qt::Key_O) },
        { "Menu_FileSaveAs", QKeySequence(Qt::CTRL | Qt::Key_S) },
        { "Menu_FileQuit", QKeySequence(Qt::CTRL | Qt::Key_Q) }, { "Menu_AnimTest", QKeySequence(Qt::Key_F5) },
        { "Menu_AnimFullScreen", QKeySequence(Qt::Key_F11) }, { "Menu_HelpHelp", QKeySequence(Qt::Key_F1) } };
    for (const auto &[name, keys] : shortcuts)
        window.findChild<QAction *>(QString::fromLatin1(name))->setShortcut(keys);
    // F11 leaves full screen too, where the menu bar is hidden.
    window.addAction(window.findChild<QAction *>(QStringLiteral("Menu_AnimFullScreen")));

    menus.popup = addMenu(new QMenu(&window),
        { { "PopupMenu_Stop", "Stop", &F::Menu_AnimStopClick },
            { "PopupMenu_Tempo", "Temporisation de Visualisation...", &F::Menu_OptionsTempoClick }, separator,
            { "PopupMenu_FullScreen", "Plein Ecran", &F::Menu_AnimFullScreenClick },
            { "PopupMenu_Center", "Centrer l'Animation dans la Fenêtre", &F::Menu_AnimCenterClick }, separator,
            { "PopupMenu_Test", "Tester une Animation", &F::Menu_AnimTestClick },
            { "PopupMenu_Create", "Créer une Animation", &F::Menu_AnimCreateClick },
            { "PopupMenu_Verify", "Vérifier une Animation", &F::Menu_AnimVerifyClick }, separator,
            { "PopupMenu_Quit", "Quitter", &F::Menu_FileQuitClick } });
    menus.popup->setObjectName(QStringLiteral("PopupMenu"));
    QObject::connect(menus.popup, &QMenu::aboutToShow, &window, &TFormMain::PopupMenuPopup);
    for (const char *name : { "Menu_AnimFullScreen", "Menu_AnimCenter", "PopupMenu_FullScreen", "PopupMenu_Center" })
        window.findChild<QAction *>(QString::fromLatin1(name))->setCheckable(true);
    return menus;
}
