#pragma once

class QApplication;

// The application object as the program runs it: its name, its installed
// desktop entry and icon (found in the icon theme), no quitting when
// a secondary window closes last. Its translations are InterfaceTranslators'.
// No display name is set: the window manager would append it to every
// window title ("Erreur — Travelia"), and titles must read exactly as the
// program sets them.
void SetUpApplication(QApplication &app);
