#include "anim/SettingsPanel.h"

#include "ScriptedServices.h"
#include "TestUtils.h"
#include "common/SeriesLock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace {

class SettingsPanelTest : public ::testing::Test {
protected:
    SettingsPanelTest()
        : panel(services, "/opt/travelia")
    {
        savedCwd = fs::current_path();
        panel.RefreshPanel(true, 0, 0);
    }
    ~SettingsPanelTest() override { fs::current_path(savedCwd); }

    // A picture file on disk, as after a successful open.
    void openPicture(int width, int height, const std::string &name = "pano.bmp")
    {
        const fs::path file = dir / name;
        std::ofstream(file) << "x";
        panel.state().EditSrcName = file.string();
        panel.RefreshPanel(false, width, height);
    }

    ScriptedServices services;
    SettingsPanel panel;
    TempDir dir;
    fs::path savedCwd;
};

TEST_F(SettingsPanelTest, StartsWithTheDefaultsAndNoPicture)
{
    const PanelState &s = panel.state();
    EXPECT_EQ(s.Caption, "Travelia version: 0.6");
    EXPECT_EQ(s.LabelSrcDim, "Aucune Image Chargée");
    EXPECT_EQ(s.EditSrcName, "");
    EXPECT_EQ(s.EditFrameWidth, "1024");
    EXPECT_EQ(s.EditFrameHeight, "768");
    EXPECT_EQ(s.EditStep, "1");
    EXPECT_EQ(s.RadioGroupScrollType, ScrollHorizontal);
    EXPECT_EQ(s.RadioGroupFormat, FormatBmp);
    EXPECT_TRUE(s.CheckBoxScrollDirection && s.CheckBoxScrollBack && s.CheckBoxCenter);
    EXPECT_FALSE(s.CheckBoxCopy);
    EXPECT_EQ(s.EditCopy, "/opt/travelia/");
    EXPECT_TRUE(s.CheckBoxSubDir);
    EXPECT_EQ(s.EditSubDir, "./anim");
    EXPECT_TRUE(s.CheckBoxRename);
    EXPECT_EQ(s.EditDstName, "IMAGE");
    EXPECT_EQ(s.EditNumStart, "0");
    EXPECT_TRUE(s.CheckBoxFormat);
    EXPECT_TRUE(s.CheckBoxVisu);
    EXPECT_FALSE(s.SpeedButtonTestEnabled);
    EXPECT_FALSE(s.SpeedButtonCreateEnabled);
    EXPECT_TRUE(s.SpeedButtonVerifyEnabled);
    EXPECT_FALSE(s.GroupBoxAnimVisible);
    EXPECT_FALSE(s.GroupBoxSaveVisible);
}

struct OpenCase {
    const char *name;
    std::int32_t scrollType;
    int width, height;
    const char *frameWidth, *frameHeight;
};

class PanelOpenTest : public SettingsPanelTest, public ::testing::WithParamInterface<OpenCase> { };

TEST_P(PanelOpenTest, FrameSizeFollowsThePictureAtFourToThree)
{
    const OpenCase &c = GetParam();
    panel.state().RadioGroupScrollType = c.scrollType;
    openPicture(c.width, c.height);
    const PanelState &s = panel.state();
    EXPECT_EQ(s.EditFrameWidth, c.frameWidth);
    EXPECT_EQ(s.EditFrameHeight, c.frameHeight);
    EXPECT_EQ(s.Caption,
        "Travelia version: 0.6 - pano.bmp : " + std::to_string(c.width) + " * " + std::to_string(c.height) + " pixels");
    EXPECT_EQ(s.LabelSrcDim, std::to_string(c.width) + " * " + std::to_string(c.height) + " Pixels");
    EXPECT_EQ(s.EditCopy, dir.str() + "/");
    EXPECT_TRUE(s.SpeedButtonTestEnabled && s.SpeedButtonCreateEnabled);
    EXPECT_TRUE(s.GroupBoxAnimVisible && s.GroupBoxSaveVisible);
}

INSTANTIATE_TEST_SUITE_P(Shapes, PanelOpenTest,
    ::testing::Values(OpenCase { "wide", ScrollHorizontal, 5000, 800, "1066", "800" },
        OpenCase { "tall", ScrollVertical, 600, 4000, "600", "450" },
        OpenCase { "odd", ScrollHorizontal, 100, 7, "9", "7" },
        OpenCase { "huge", ScrollHorizontal, 10, 600000000, "-631655765", "600000000" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SettingsPanelTest, KeepsTheBaseFolderWhenCopyIsChecked)
{
    panel.state().CheckBoxCopy = true;
    panel.state().EditCopy = "/elsewhere/";
    openPicture(300, 200);
    EXPECT_EQ(panel.state().EditCopy, "/elsewhere/");
}

TEST_F(SettingsPanelTest, RestoringDefaultsWithAPictureGives1024By768)
{
    openPicture(5000, 800);
    PanelState &s = panel.state();
    s.EditStep = "7";
    s.CheckBoxCenter = s.CheckBoxScrollBack = s.CheckBoxScrollDirection = false;
    s.CheckBoxLoop360 = true;
    panel.setScrollType(ScrollVertical);
    panel.setFormat(FormatAvi);
    s.EditSubDir = "./out";
    s.EditNumStart = "12";
    s.CheckBoxVisu = false;
    panel.RefreshPanel(true, 5000, 800);
    EXPECT_EQ(s.EditFrameWidth, "1024");
    EXPECT_EQ(s.EditFrameHeight, "768");
    EXPECT_EQ(s.EditStep, "1");
    EXPECT_TRUE(s.CheckBoxCenter && s.CheckBoxScrollBack && s.CheckBoxScrollDirection);
    EXPECT_FALSE(s.CheckBoxLoop360);
    EXPECT_EQ(s.RadioGroupScrollType, ScrollHorizontal);
    EXPECT_EQ(s.RadioGroupFormat, FormatBmp);
    EXPECT_EQ(s.EditDstName, "IMAGE");
    EXPECT_EQ(s.EditSubDir, "./anim");
    EXPECT_EQ(s.EditNumStart, "0");
    EXPECT_TRUE(s.CheckBoxVisu);
    EXPECT_TRUE(s.SpeedButtonVerifyEnabled);
}

TEST_F(SettingsPanelTest, PictureRemovedFromDiskDisablesTheRunsAtTheNextRefresh)
{
    openPicture(300, 200);
    fs::remove(panel.state().EditSrcName);
    EXPECT_TRUE(panel.state().SpeedButtonTestEnabled) << "nothing changes until the next refresh";
    panel.RefreshPanel(false, 300, 200);
    EXPECT_FALSE(panel.state().SpeedButtonTestEnabled);
    EXPECT_FALSE(panel.state().GroupBoxSaveVisible);
}

TEST_F(SettingsPanelTest, ScrollTypeChangeResetsTheSizeOnlyWhenTheSelectionChanges)
{
    openPicture(5000, 800);
    panel.setScrollType(ScrollHorizontal);
    EXPECT_EQ(panel.state().EditFrameWidth, "1066");
    panel.setScrollType(ScrollVertical);
    EXPECT_EQ(panel.state().EditFrameWidth, "1024");
    EXPECT_EQ(panel.state().EditFrameHeight, "768");
}

TEST_F(SettingsPanelTest, FormatChoiceSetsTheBaseNameAndTheVerifyButton)
{
    panel.setFormat(FormatAvi);
    EXPECT_FALSE(panel.state().SpeedButtonVerifyEnabled);
    EXPECT_EQ(panel.state().EditDstName, "ANIM");
    panel.setFormat(FormatJpg);
    EXPECT_TRUE(panel.state().SpeedButtonVerifyEnabled);
    EXPECT_EQ(panel.state().EditDstName, "IMAGE");
    panel.setFormat(FormatVideo); // one file, like AVI
    EXPECT_FALSE(panel.state().SpeedButtonVerifyEnabled);
    EXPECT_EQ(panel.state().EditDstName, "ANIM");
    panel.state().CheckBoxRename = false;
    panel.state().EditDstName = "mine";
    panel.setFormat(FormatAvi);
    EXPECT_EQ(panel.state().EditDstName, "mine");
}

// Once a run made a video or AVI file, "Vérifier" stays enabled for those
// formats (it plays that file), whatever is chosen or refreshed after.
TEST_F(SettingsPanelTest, VerifyIsEnabledForVideoOnceAFileWasMade)
{
    panel.setFormat(FormatVideo);
    EXPECT_FALSE(panel.state().SpeedButtonVerifyEnabled);
    EXPECT_EQ(panel.MadeVideoFile(), "");
    panel.setMadeVideoFile("/videos/anim/ANIM0000.MP4");
    EXPECT_TRUE(panel.state().SpeedButtonVerifyEnabled);
    EXPECT_EQ(panel.MadeVideoFile(), "/videos/anim/ANIM0000.MP4");
    for (const std::int32_t format : { FormatAvi, FormatBmp, FormatVideo }) {
        panel.setFormat(format);
        EXPECT_TRUE(panel.state().SpeedButtonVerifyEnabled) << format;
    }
    panel.RefreshPanel(true, 0, 0);
    panel.setFormat(FormatAvi);
    EXPECT_TRUE(panel.state().SpeedButtonVerifyEnabled);
}

// "Ouvrir le dossier" waits for something made, then opens the folder of
// what was made last, absolute whatever the current folder becomes.
struct MadeCase {
    const char *name;
    bool series; // a series of frames; else one video file
    const char *made; // relative names are the current folder's
    const char *folder; // under the test's folder when relative
};

class MadeFolderTest : public SettingsPanelTest, public ::testing::WithParamInterface<MadeCase> { };

TEST_P(MadeFolderTest, IsTheFolderOfTheLastThingMade)
{
    const MadeCase &c = GetParam();
    fs::current_path(dir.path());
    EXPECT_FALSE(panel.state().SpeedButtonOpenFolderEnabled);
    EXPECT_EQ(panel.MadeFolder(), "");
    if (c.series)
        panel.setMadeSeries({ c.made, FormatPng });
    else
        panel.setMadeVideoFile(c.made);
    fs::current_path(savedCwd);
    EXPECT_TRUE(panel.state().SpeedButtonOpenFolderEnabled);
    const std::string folder = c.folder;
    const std::string expected = folder.empty() ? dir.str() : folder[0] == '/' ? folder : dir.str() + "/" + folder;
    EXPECT_EQ(panel.MadeFolder(), expected);
    panel.RefreshPanel(true, 0, 0);
    EXPECT_TRUE(panel.state().SpeedButtonOpenFolderEnabled) << "a refresh forgets nothing made";
    EXPECT_EQ(panel.MadeFolder(), expected);
}

INSTANTIATE_TEST_SUITE_P(Made, MadeFolderTest,
    ::testing::Values(MadeCase { "video", false, "/videos/anim/ANIM0000.MP4", "/videos/anim" },
        MadeCase { "series", true, "/o/anim/IMAGE0000.PNG", "/o/anim" },
        MadeCase { "relativeSeries", true, "./anim/IMAGE0000.PNG", "anim" },
        MadeCase { "relativeVideo", false, "ANIM0000.MKV", "" },
        MadeCase { "dotDot", true, "/o/anim/../out/IMAGE0000.BMP", "/o/out" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(SettingsPanelTest, OpenFolderFollowsTheLastRunOfEitherKind)
{
    panel.setMadeSeries({ "/o/series/IMAGE0000.BMP", FormatBmp });
    panel.setMadeVideoFile("/o/video/ANIM0000.MP4");
    EXPECT_EQ(panel.MadeFolder(), "/o/video");
    panel.setMadeSeries({ "/o/series2/IMAGE0000.BMP", FormatBmp });
    EXPECT_EQ(panel.MadeFolder(), "/o/series2");
    panel.setMadeVideoFile(""); // no file this time: the last made stays
    EXPECT_EQ(panel.MadeFolder(), "/o/series2");
    EXPECT_TRUE(panel.state().SpeedButtonOpenFolderEnabled);
}

TEST_F(SettingsPanelTest, VideoFileTakesTheContainersExtension)
{
    openPicture(5000, 800);
    panel.setFormat(FormatVideo);
    panel.videoExtension = [] { return std::string(".WEBM"); };
    panel.state().CheckBoxVisu = false;
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    tanimprm prm;
    OutputNames names;
    ASSERT_TRUE(panel.ReadSettings(prm, names));
    EXPECT_EQ(names.Ext, ".WEBM");
    EXPECT_EQ(names.FileName, dir.str() + "/anim/ANIM0000.WEBM");
}

struct NumberFieldCase {
    const char *name;
    const char *width, *height, *step;
    const char *error; // nullptr: accepted
    std::int32_t frameWidth, frameHeight, stepValue;
};

class ReadSettingsNumbersTest : public SettingsPanelTest, public ::testing::WithParamInterface<NumberFieldCase> { };

TEST_P(ReadSettingsNumbersTest, ValidatesWidthHeightAndStepInOrder)
{
    const NumberFieldCase &c = GetParam();
    PanelState &s = panel.state();
    s.EditCopy = dir.str() + "/";
    s.CheckBoxSubDir = false;
    s.EditFrameWidth = c.width;
    s.EditFrameHeight = c.height;
    s.EditStep = c.step;
    if (c.error)
        services.answerMessageBox(WindowServices::IdOk);
    tanimprm prm;
    OutputNames names;
    EXPECT_EQ(panel.ReadSettings(prm, names), c.error == nullptr);
    if (c.error) {
        ASSERT_EQ(services.asked().size(), 1u);
        EXPECT_EQ(services.asked()[0].text, c.error);
        EXPECT_EQ(services.asked()[0].caption, "Erreur");
        EXPECT_EQ(s.EditFrameWidth, c.width) << "the panel keeps the faulty text";
    }
    EXPECT_EQ(prm.FrameWidth, c.frameWidth);
    EXPECT_EQ(prm.FrameHeight, c.frameHeight);
    EXPECT_EQ(prm.Step, c.stepValue);
}

INSTANTIATE_TEST_SUITE_P(Fields, ReadSettingsNumbersTest,
    ::testing::Values(NumberFieldCase { "defaults", "1024", "768", "1", nullptr, 1024, 768, 1 },
        NumberFieldCase { "leadingBlankHexHeightZeroStep", " 640", "$1E0", "0", nullptr, 640, 480, 0 },
        NumberFieldCase { "hexWidthNegativeStep", "$280", "480", "-3", nullptr, 640, 480, -3 },
        NumberFieldCase { "trailingBlankInWidth", "640 ", "480", "1", "Valeur de Largeur Incorrecte", 0, 0, 0 },
        NumberFieldCase { "emptyWidth", "", "480", "1", "Valeur de Largeur Incorrecte", 0, 0, 0 },
        NumberFieldCase { "zeroWidth", "0", "480", "1", "Valeur de Largeur Incorrecte", 0, 0, 0 },
        NumberFieldCase { "negativeWidth", "-5", "480", "1", "Valeur de Largeur Incorrecte", 0, 0, 0 },
        NumberFieldCase { "lettersInHeightAndStep", "640", "abc", "x", "Valeur de Hauteur Incorrecte", 640, 0, 0 },
        NumberFieldCase { "zeroHeight", "640", "0", "1", "Valeur de Hauteur Incorrecte", 640, 0, 0 },
        NumberFieldCase { "fractionalStep", "640", "480", "1.5", "Valeur de Pas Incorrecte", 640, 480, 1 },
        NumberFieldCase { "emptyStep", "640", "480", "", "Valeur de Pas Incorrecte", 640, 480, 1 }),
    [](const auto &info) { return std::string(info.param.name); });

// The same fields read for showing what a run would make: the same values,
// and for a faulty field nothing, without a message, a question or a change
// of the current folder.
TEST_P(ReadSettingsNumbersTest, FrameSettingsReadsThemQuietly)
{
    const NumberFieldCase &c = GetParam();
    PanelState &s = panel.state();
    s.EditCopy = (dir / "not-yet").string() + "/";
    s.EditFrameWidth = c.width;
    s.EditFrameHeight = c.height;
    s.EditStep = c.step;
    const fs::path cwd = fs::current_path();
    const std::optional<tanimprm> prm = panel.FrameSettings();
    EXPECT_EQ(prm.has_value(), c.error == nullptr);
    if (prm) {
        EXPECT_EQ(prm->FrameWidth, c.frameWidth);
        EXPECT_EQ(prm->FrameHeight, c.frameHeight);
        EXPECT_EQ(prm->Step, c.stepValue);
    }
    EXPECT_TRUE(services.asked().empty());
    EXPECT_EQ(fs::current_path(), cwd);
    EXPECT_FALSE(fs::exists(dir / "not-yet"));
}

TEST_F(SettingsPanelTest, FrameSettingsTakeTheScrollingChoices)
{
    PanelState &s = panel.state();
    s.CheckBoxCenter = false;
    s.CheckBoxScrollDirection = false;
    s.CheckBoxScrollBack = false;
    s.CheckBoxLoop360 = true;
    panel.setScrollType(ScrollVertical);
    const std::optional<tanimprm> prm = panel.FrameSettings();
    ASSERT_TRUE(prm);
    EXPECT_FALSE(prm->Center);
    EXPECT_FALSE(prm->ScrollDirection);
    EXPECT_FALSE(prm->ScrollBack);
    EXPECT_TRUE(prm->Loop360);
    EXPECT_EQ(prm->ScrollType, ScrollVertical);
    s.CheckBoxScrollBack = true;
    s.CheckBoxLoop360 = false;
    EXPECT_TRUE(panel.FrameSettings()->ScrollBack);
    EXPECT_FALSE(panel.FrameSettings()->Loop360);
}

TEST_F(SettingsPanelTest, TestModeNamesHaveNoFolderNorExtension)
{
    openPicture(5000, 800);
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    tanimprm prm;
    OutputNames names;
    ASSERT_TRUE(panel.ReadSettings(prm, names));
    EXPECT_EQ(services.asked()[0].caption, "Création du Répertoire?");
    EXPECT_EQ(services.asked()[0].text, dir.str() + "/anim");
    EXPECT_TRUE(fs::is_directory(dir / "anim"));
    EXPECT_EQ(names.FileName, "/TestFrame-0000");
    EXPECT_EQ(names.DstName, "TestFrame-");
    EXPECT_EQ(names.DstDir, "");
    EXPECT_EQ(names.Ext, "");
    EXPECT_EQ(fs::current_path(), dir.path());
    EXPECT_TRUE(prm.ScrollDirection && prm.ScrollBack);
    EXPECT_FALSE(prm.Loop360);
    EXPECT_EQ(prm.ScrollType, ScrollHorizontal);
    EXPECT_EQ(prm.FrameWidth, 1066);
    panel.state().CheckBoxLoop360 = true;
    tanimprm loop;
    ASSERT_TRUE(panel.ReadSettings(loop, names));
    EXPECT_TRUE(loop.Loop360);
}

// The output's check of the frames comes once they are read and valid, and
// before anything is made on disk: its refusal asks nothing more.
TEST_F(SettingsPanelTest, FrameCheckComesBeforeTheFolderAndMayRefuseTheRun)
{
    openPicture(5000, 800);
    PanelState &s = panel.state();
    s.CheckBoxVisu = false;
    std::vector<tanimprm> checked;
    const auto refuse = [&](const tanimprm &p) {
        checked.push_back(p);
        return false;
    };
    tanimprm prm;
    OutputNames names;
    s.EditFrameWidth = "0";
    services.answerMessageBox(WindowServices::IdOk);
    EXPECT_FALSE(panel.ReadSettings(prm, names, refuse));
    EXPECT_TRUE(checked.empty()) << "invalid frames are not the output's to judge";

    s.EditFrameWidth = "1066";
    EXPECT_FALSE(panel.ReadSettings(prm, names, refuse));
    ASSERT_EQ(checked.size(), 1u);
    EXPECT_EQ(checked[0].FrameWidth, 1066);
    EXPECT_EQ(checked[0].FrameHeight, 800);
    EXPECT_EQ(services.asked().size(), 1u) << "only the width's error box";
    EXPECT_FALSE(fs::exists(dir / "anim"));
    EXPECT_EQ(names.FileName, "");

    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    EXPECT_TRUE(panel.ReadSettings(prm, names, [](const tanimprm &) { return true; }));
    EXPECT_EQ(names.FileName, dir.str() + "/anim/IMAGE0000.BMP");
}

TEST_F(SettingsPanelTest, RefusedFolderEndsTheReadingWithoutAnotherMessage)
{
    openPicture(5000, 800);
    services.answerMessageBox(WindowServices::IdNo);
    tanimprm prm;
    OutputNames names;
    EXPECT_FALSE(panel.ReadSettings(prm, names));
    EXPECT_EQ(names.FileName, "");
    EXPECT_FALSE(fs::exists(dir / "anim"));
}

TEST_F(SettingsPanelTest, CreationNamesAndTheFreeNumberQuestion)
{
    openPicture(5000, 800, "Panorama.full.jpg");
    fs::create_directory(dir / "anim");
    PanelState &s = panel.state();
    s.CheckBoxVisu = false;
    s.CheckBoxRename = false;
    for (int n : { 0, 1, 2, 3, 5 })
        std::ofstream(dir / "anim" / ("Panorama000" + std::to_string(n) + ".BMP")) << "old";

    tanimprm prm;
    OutputNames names;
    services.answerMessageBox(WindowServices::IdNo); // overwrite: keep the number
    ASSERT_TRUE(panel.ReadSettings(prm, names));
    const std::string first = dir.str() + "/anim/Panorama0000.BMP";
    EXPECT_EQ(services.asked().back().caption, first + " Existe déjà");
    EXPECT_EQ(services.asked().back().text, "OUI: Rechercher le prochain Nom de Fichier Libre?    NON: Ecraser");
    EXPECT_EQ(names.FileName, first);
    EXPECT_TRUE(names.ReplaceExisting);
    EXPECT_EQ(s.EditNumStart, "0");

    int refreshed = 0;
    panel.onStateChanged = [&] { ++refreshed; };
    services.answerMessageBox(WindowServices::IdYes);
    names = {}; // a reading holds its series until it goes
    OutputNames second;
    ASSERT_TRUE(panel.ReadSettings(prm, second));
    EXPECT_EQ(second.NumStart, 4);
    EXPECT_EQ(second.FileName, dir.str() + "/anim/Panorama0004.BMP");
    EXPECT_FALSE(second.ReplaceExisting);
    EXPECT_EQ(s.EditNumStart, "4");
    EXPECT_EQ(refreshed, 1);
    EXPECT_GE(services.processMessagesCalls(), 1);
}

// A series another run is writing is refused with the reason in an error
// box, before the question about an existing first file.
TEST_F(SettingsPanelTest, ASeriesAnotherRunIsWritingIsRefusedWithItsReason)
{
    openPicture(5000, 800);
    fs::create_directory(dir / "anim");
    std::ofstream(dir / "anim" / "IMAGE0000.BMP") << "old";
    PanelState &s = panel.state();
    s.CheckBoxVisu = false;
    const SeriesLock otherRun((dir / "anim" / "IMAGE0041.BMP").string());
    services.answerMessageBox(WindowServices::IdOk);
    tanimprm prm;
    OutputNames names;
    EXPECT_FALSE(panel.ReadSettings(prm, names));
    ASSERT_EQ(services.asked().size(), 1u);
    EXPECT_EQ(services.asked().back().caption, "Erreur");
    EXPECT_EQ(services.asked().back().text, "Une autre création écrit déjà IMAGE*.BMP dans " + dir.str() + "/anim");
}

TEST_F(SettingsPanelTest, SubDirectoryIsNormalisedAndCanBeSwitchedOff)
{
    openPicture(5000, 800);
    PanelState &s = panel.state();
    s.CheckBoxVisu = false;
    s.EditSubDir = "out";
    s.CheckBoxFormat = false;
    s.EditNumStart = "-7";
    s.RadioGroupFormat = FormatJpg;
    services.answerMessageBox(WindowServices::IdYes);
    tanimprm prm;
    OutputNames names;
    ASSERT_TRUE(panel.ReadSettings(prm, names));
    EXPECT_EQ(s.EditSubDir, "./out");
    EXPECT_EQ(names.FileName, dir.str() + "/out/IMAGE-7.JPG");

    s.CheckBoxSubDir = false;
    s.EditNumStart = "not a number";
    OutputNames plain;
    ASSERT_TRUE(panel.ReadSettings(prm, plain));
    EXPECT_EQ(plain.NumStart, 0);
    EXPECT_EQ(plain.FileName, dir.str() + "//IMAGE0.JPG");
}

// A size typed in the panel stays for the next pictures, whichever way they
// scroll; the defaults make it follow the picture again.
TEST_F(SettingsPanelTest, TypedFrameSizeStaysUntilTheDefaults)
{
    openPicture(5000, 800);
    EXPECT_EQ(panel.state().EditFrameWidth, "1066");
    PanelState &s = panel.state();
    s.EditFrameWidth = "640";
    s.EditFrameHeight = "$1E0";
    s.FrameSizeFollowsPicture = false; // what typing in either field does
    openPicture(3000, 600, "other.bmp");
    panel.setScrollType(ScrollVertical);
    openPicture(600, 3000, "tall.bmp");
    EXPECT_EQ(s.EditFrameWidth, "640");
    EXPECT_EQ(s.EditFrameHeight, "$1E0");

    panel.RefreshPanel(true, 600, 3000);
    EXPECT_TRUE(s.FrameSizeFollowsPicture);
    panel.setScrollType(ScrollVertical);
    openPicture(600, 3000, "tall.bmp");
    EXPECT_EQ(s.EditFrameWidth, "600");
    EXPECT_EQ(s.EditFrameHeight, "450");
}

// The sub-folder is a choice of the user's: a picture opened keeps it, the
// defaults bring back ./anim.
TEST_F(SettingsPanelTest, SubFolderStaysAcrossPictures)
{
    PanelState &s = panel.state();
    s.CheckBoxSubDir = false;
    s.EditSubDir = "./film";
    openPicture(5000, 800);
    EXPECT_FALSE(s.CheckBoxSubDir);
    EXPECT_EQ(s.EditSubDir, "./film");
    panel.RefreshPanel(true, 5000, 800);
    EXPECT_TRUE(s.CheckBoxSubDir);
    EXPECT_EQ(s.EditSubDir, "./anim");
}

// The choices remembered from a session go back through the rules: the
// format's base name and "Vérifier" follow it, the base folder only counts
// with "Déplacer vers:".
TEST_F(SettingsPanelTest, ChoicesComeBackThroughTheRules)
{
    const PanelChoices chosen { FormatAvi, true, "/data/sorties/", false, "./film", false, "640", "480", "4", false,
        false, false, true };
    panel.applyChoices(chosen);
    EXPECT_EQ(panel.choices(), chosen);
    EXPECT_EQ(panel.state().EditDstName, "ANIM");
    EXPECT_FALSE(panel.state().SpeedButtonVerifyEnabled);
    openPicture(5000, 800);
    EXPECT_EQ(panel.state().EditCopy, "/data/sorties/");
    EXPECT_EQ(panel.state().EditFrameWidth, "640");

    PanelChoices follows = chosen;
    follows.MoveTo = false;
    follows.FrameSizeFollowsPicture = true;
    panel.applyChoices(follows);
    openPicture(5000, 800);
    EXPECT_EQ(panel.state().EditCopy, dir.str() + "/") << "the picture's folder";
    EXPECT_EQ(panel.state().EditFrameWidth, "1066");

    panel.applyChoices(PanelChoices {});
    EXPECT_EQ(panel.state().RadioGroupFormat, FormatBmp);
    EXPECT_EQ(panel.state().EditDstName, "IMAGE");
    EXPECT_TRUE(panel.state().SpeedButtonVerifyEnabled);
}

} // namespace
