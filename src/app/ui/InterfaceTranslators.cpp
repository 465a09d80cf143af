#include "app/ui/InterfaceTranslators.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

// Where the build puts the program's own .qm files: in its resources.
const QString kOwnTranslations = QStringLiteral(":/i18n");

} // namespace

InterfaceLanguage InterfaceTranslators::s_inEffect = InterfaceLanguage::French;

InterfaceTranslators::InterfaceTranslators(InterfaceLanguage language)
    : m_before(s_inEffect)
{
    s_inEffect = language;
    if (language == InterfaceLanguage::English) {
        install(QStringLiteral("travelia_en"), kOwnTranslations);
        return;
    }
    install(QStringLiteral("travelia_fr"), kOwnTranslations);
    install(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

InterfaceTranslators::~InterfaceTranslators()
{
    for (const auto &translator : m_installed)
        QCoreApplication::removeTranslator(translator.get());
    s_inEffect = m_before;
}

void InterfaceTranslators::install(const QString &name, const QString &folder)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator.get())) {
        m_missing << name;
        return;
    }
    m_installed.push_back(std::move(translator));
}
