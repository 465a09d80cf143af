#pragma once

#include <string>

class QLocale;
class QSettings;

// The language of the window: the system's where it is French, English
// elsewhere, unless the user chose one (Options > Langue), which is kept in
// the program's settings. The command line always speaks English.
enum class InterfaceLanguage { French, English };

InterfaceLanguage SystemInterfaceLanguage(const QLocale &system);
InterfaceLanguage ChosenInterfaceLanguage(const QSettings &store, const QLocale &system);
// Keeps the choice for the next start; false with the store's file named
// when it could not be written.
bool RememberInterfaceLanguage(QSettings &store, InterfaceLanguage language, std::string &error);
