#pragma once

#include <functional>

class QMenu;
class TFormMain;

// The main window's menus, each entry named after its command: the menu bar
// (Fichier, Animation, Options, Aide, with their shortcuts) and the context
// menu. Each entry calls the window's command through run, which shows the
// error an entry throws.
struct MainMenus {
    QMenu *file;
    QMenu *anim;
    QMenu *popup;
};
using CommandRunner = std::function<void(const std::function<void()> &command)>;
MainMenus CreateMainMenus(TFormMain &window, const CommandRunner &run);
