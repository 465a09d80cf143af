#pragma once

#include "app/InterfaceLanguage.h"

class ModalQuestions;
class QSettings;

// The "Langue" menu: the language checked is the one the settings hold;
// choosing one keeps it there. The window's texts are set once when it is
// made, so a new language takes effect at the next start, which the user
// is told (in the chosen language); a store that cannot be written is named.
class LanguageChoice {
public:
    LanguageChoice(QSettings &store, ModalQuestions &questions, InterfaceLanguage inEffect);

    InterfaceLanguage chosen() const;
    void choose(InterfaceLanguage language);

private:
    QSettings &m_store;
    ModalQuestions &m_questions;
    InterfaceLanguage m_inEffect;
};
