#include "app/LanguageChoice.h"

#include "platform/ModalQuestions.h"

#include <QLocale>
#include <QSettings>

#include <string>

LanguageChoice::LanguageChoice(QSettings &store, ModalQuestions &questions, InterfaceLanguage inEffect)
    : m_store(store)
    , m_questions(questions)
    , m_inEffect(inEffect)
{
}

InterfaceLanguage LanguageChoice::chosen() const
{
    return ChosenInterfaceLanguage(m_store, QLocale::system());
}

void LanguageChoice::choose(InterfaceLanguage language)
{
    std::string error;
    if (!RememberInterfaceLanguage(m_store, language, error)) {
        m_questions.errorBox("Langue non enregistrée : " + error);
        return;
    }
    if (language == m_inEffect)
        return;
    // Said in the language chosen: the one its reader asked for.
    if (language == InterfaceLanguage::English)
        m_questions.messageBox(
            "Travelia will speak English from its next start.", "Language", ModalQuestions::Buttons::Ok);
    else
        m_questions.messageBox(
            "Travelia parlera français à son prochain démarrage.", "Langue", ModalQuestions::Buttons::Ok);
}
