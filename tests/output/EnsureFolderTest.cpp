#include "output/EnsureFolder.h"

#include "ScriptedServices.h"
#include "TestUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(EnsureFolder, existingFolderAsksNothing)
{
    TempDir dir;
    ScriptedServices services;
    std::string folder = dir.str();
    EXPECT_TRUE(EnsureFolder(folder, services, "/prog/"));
    EXPECT_TRUE(services.asked().empty());
    EXPECT_EQ(folder, dir.str());
}

TEST(EnsureFolder, emptyPathBecomesTheProgramFolder)
{
    TempDir dir;
    ScriptedServices services;
    std::string folder;
    EXPECT_TRUE(EnsureFolder(folder, services, dir.str() + "/"));
    EXPECT_EQ(folder, dir.str() + "/");
}

TEST(EnsureFolder, yesCreatesTheFolderWithItsParents)
{
    TempDir dir;
    ScriptedServices services;
    services.answerMessageBox(WindowServices::IdYes);
    std::string folder = dir.str() + "/a/b/anim/";
    EXPECT_TRUE(EnsureFolder(folder, services, "/prog/"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/anim"));
    ASSERT_EQ(services.asked().size(), 1u);
    EXPECT_EQ(services.asked()[0].text, folder);
    EXPECT_EQ(services.asked()[0].caption, "Création du Répertoire?");
}

TEST(EnsureFolder, noCreatesNothingAndSaysNothing)
{
    TempDir dir;
    ScriptedServices services;
    services.answerMessageBox(WindowServices::IdNo);
    std::string folder = dir.str() + "/anim";
    EXPECT_FALSE(EnsureFolder(folder, services, "/prog/"));
    EXPECT_FALSE(std::filesystem::exists(dir / "anim"));
    EXPECT_EQ(services.asked().size(), 1u);
}

TEST(EnsureFolder, creationFailureShowsTheError)
{
    // A folder below a regular file can never be made, even by root.
    TempDir dir;
    std::ofstream(dir / "afile") << "x";
    ScriptedServices services;
    services.answerMessageBox(WindowServices::IdYes);
    services.answerMessageBox(WindowServices::IdOk);
    std::string folder = dir.str() + "/afile/sub";
    EXPECT_FALSE(EnsureFolder(folder, services, "/prog/"));
    ASSERT_EQ(services.asked().size(), 2u);
    EXPECT_EQ(services.asked()[1].text, "Impossible de créer Le Dossier: '" + folder + "'");
    EXPECT_EQ(services.asked()[1].caption, "Erreur");
}

TEST(ShowError, isAnOkBoxCaptionedErreur)
{
    ScriptedServices services;
    services.answerMessageBox(WindowServices::IdOk);
    ShowError(services, "Valeur de Pas Incorrecte");
    ASSERT_EQ(services.asked().size(), 1u);
    EXPECT_EQ(services.asked()[0].kind, ScriptedServices::Kind::MessageBox);
    EXPECT_EQ(services.asked()[0].text, "Valeur de Pas Incorrecte");
    EXPECT_EQ(services.asked()[0].caption, "Erreur");
}

} // namespace
