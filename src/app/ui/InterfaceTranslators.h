#pragma once

#include "app/InterfaceLanguage.h"

#include <QStringList>

#include <memory>
#include <vector>

class QTranslator;

// The translations the window's language needs, installed in the
// application while this object lives: in English the window's own texts
// (travelia_en, French being their source); in French the engine's English
// messages (travelia_fr) and Qt's own dialogs (qtbase_fr). Made after the
// application object, before the first window. travelia-cli loads none.
class InterfaceTranslators {
public:
    explicit InterfaceTranslators(InterfaceLanguage language);
    ~InterfaceTranslators();
    InterfaceTranslators(const InterfaceTranslators &) = delete;
    InterfaceTranslators &operator=(const InterfaceTranslators &) = delete;

    // The language of the translators alive; French, the sources' own, when none are.
    static InterfaceLanguage inEffect() { return s_inEffect; }

    // The translation files that could not be loaded (none when all were).
    const QStringList &missing() const { return m_missing; }

private:
    void install(const QString &name, const QString &folder);

    std::vector<std::unique_ptr<QTranslator>> m_installed;
    QStringList m_missing;
    InterfaceLanguage m_before;
    static InterfaceLanguage s_inEffect;
};
