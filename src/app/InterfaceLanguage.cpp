#include "app/InterfaceLanguage.h"

#include <QLocale>
#include <QSettings>

namespace {

const QString kKey = QStringLiteral("interface/language");

} // namespace

InterfaceLanguage SystemInterfaceLanguage(const QLocale &system)
{
    return system.language() == QLocale::French ? InterfaceLanguage::French : InterfaceLanguage::English;
}

InterfaceLanguage ChosenInterfaceLanguage(const QSettings &store, const QLocale &system)
{
    // Anything but a known code (a hand-edited file) is no choice.
    const QString code = store.value(kKey).toString();
    if (code == QLatin1String("fr"))
        return InterfaceLanguage::French;
    if (code == QLatin1String("en"))
        return InterfaceLanguage::English;
    return SystemInterfaceLanguage(system);
}

bool RememberInterfaceLanguage(QSettings &store, InterfaceLanguage language, std::string &error)
{
    store.setValue(kKey, language == InterfaceLanguage::French ? QStringLiteral("fr") : QStringLiteral("en"));
    store.sync();
    if (store.status() == QSettings::NoError)
        return true;
    error = store.fileName().toStdString() + " : écriture impossible (accès refusé ou disque plein)";
    return false;
}
