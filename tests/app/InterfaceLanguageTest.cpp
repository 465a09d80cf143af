#include "app/InterfaceLanguage.h"

#include "TestUtils.h"

#include <QLocale>
#include <QSettings>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

struct LocaleCase {
    const char *name;
    const char *locale;
    InterfaceLanguage expected;
};

class SystemLanguageTest : public ::testing::TestWithParam<LocaleCase> { };

TEST_P(SystemLanguageTest, FrenchWhereTheSystemIsFrenchEnglishElsewhere)
{
    EXPECT_EQ(SystemInterfaceLanguage(QLocale(QString::fromLatin1(GetParam().locale))), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Locales, SystemLanguageTest,
    ::testing::Values(LocaleCase { "france", "fr_FR", InterfaceLanguage::French },
        LocaleCase { "quebec", "fr_CA", InterfaceLanguage::French },
        LocaleCase { "belgium", "fr_BE", InterfaceLanguage::French },
        LocaleCase { "unitedStates", "en_US", InterfaceLanguage::English },
        LocaleCase { "germany", "de_DE", InterfaceLanguage::English },
        LocaleCase { "posix", "C", InterfaceLanguage::English }),
    [](const auto &info) { return std::string(info.param.name); });

struct StoredCase {
    const char *name;
    const char *stored; // nullptr: nothing stored
    const char *system;
    InterfaceLanguage expected;
};

class ChosenLanguageTest : public ::testing::TestWithParam<StoredCase> { };

TEST_P(ChosenLanguageTest, TheStoredChoiceWinsOverTheSystem)
{
    const StoredCase &c = GetParam();
    TempDir dir;
    QSettings store(QString::fromStdString((dir / "settings.ini").string()), QSettings::IniFormat);
    if (c.stored)
        store.setValue(QStringLiteral("interface/language"), QString::fromLatin1(c.stored));
    EXPECT_EQ(ChosenInterfaceLanguage(store, QLocale(QString::fromLatin1(c.system))), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Choices, ChosenLanguageTest,
    ::testing::Values(StoredCase { "noneOnFrench", nullptr, "fr_FR", InterfaceLanguage::French },
        StoredCase { "noneOnGerman", nullptr, "de_DE", InterfaceLanguage::English },
        StoredCase { "englishOnFrench", "en", "fr_FR", InterfaceLanguage::English },
        StoredCase { "frenchOnEnglish", "fr", "en_GB", InterfaceLanguage::French },
        StoredCase { "unknownCodeIsNoChoice", "klingon", "fr_FR", InterfaceLanguage::French }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(RememberInterfaceLanguage, KeptForTheNextStart)
{
    TempDir dir;
    const QString file = QString::fromStdString((dir / "settings.ini").string());
    std::string error;
    {
        QSettings store(file, QSettings::IniFormat);
        ASSERT_TRUE(RememberInterfaceLanguage(store, InterfaceLanguage::English, error)) << error;
    }
    QSettings next(file, QSettings::IniFormat);
    EXPECT_EQ(ChosenInterfaceLanguage(next, QLocale(QStringLiteral("fr_FR"))), InterfaceLanguage::English);
    EXPECT_TRUE(error.empty());
}

// A file where the settings' folder should be: the store cannot be written,
// whoever runs the test, and the reason names the file.
TEST(RememberInterfaceLanguage, AStoreThatCannotBeWrittenIsNamed)
{
    TempDir dir;
    std::ofstream(dir / "blocker") << "a file, not a folder";
    const std::string path = (dir / "blocker" / "settings.ini").string();
    QSettings store(QString::fromStdString(path), QSettings::IniFormat);
    std::string error;
    EXPECT_FALSE(RememberInterfaceLanguage(store, InterfaceLanguage::English, error));
    EXPECT_EQ(error, path + " : écriture impossible (accès refusé ou disque plein)");
}

} // namespace
