// What the main window's commands leave on disk when a question is closed,
// a write fails or a run is stopped, and what they say about it.

#include "app/ui/CommandPanel.h"

#include "FormMainFixture.h"
#include "MediaTools.h"
#include "common/AtomicFile.h"
#include "options/VideoOptions.h"

#include <QPushButton>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::vector<std::uint8_t> kOldBytes { 'o', 'l', 'd' };

// Escape or the close box on a question of "Créer" ends the run with nothing
// written: no folder made, no file replaced, no other file added.
struct ClosedQuestionCase {
    const char *name;
    std::int32_t format;
    const char *existing; // a file in ./anim before the run; "": no ./anim at all
    bool keepNumber; // "Existe déjà" answered NON (Ecraser): the overwrite dialog is the one closed
    const char *question; // part of the closed question's caption
};

class ClosedQuestionTest : public FormMainTest, public ::testing::WithParamInterface<ClosedQuestionCase> { };

TEST_P(ClosedQuestionTest, EndsTheRunWithNothingWritten)
{
    const ClosedQuestionCase &c = GetParam();
    open(writePanorama(44, 30));
    form.Panel().Rules().setFormat(c.format);
    form.Panel().ApplyPanelState();
    if (*c.existing) {
        fs::create_directory(dir / "anim");
        writeFileBytes(dir / "anim" / c.existing, kOldBytes);
    }
    if (c.keepNumber) {
        services.answerMessageBox(WindowServices::IdNo);
        services.answerOverwriteClosed();
    } else {
        services.answerMessageBoxClosed();
    }
    form.Panel().SpeedButtonCreate->click();

    ASSERT_FALSE(services.asked().empty());
    EXPECT_NE(services.asked().back().caption.find(c.question), std::string::npos) << services.asked().back().caption;
    if (!*c.existing) {
        EXPECT_FALSE(fs::exists(dir / "anim"));
        return;
    }
    EXPECT_EQ(namesIn(dir / "anim"), std::vector<std::string> { c.existing });
    EXPECT_EQ(readFileBytes(dir / "anim" / c.existing), kOldBytes);
}

INSTANTIATE_TEST_SUITE_P(Questions, ClosedQuestionTest,
    ::testing::Values(ClosedQuestionCase { "folderQuestion", FormatBmp, "", false, "Création du Répertoire?" },
        ClosedQuestionCase { "firstFileOfASeries", FormatBmp, "IMAGE0000.BMP", false, " Existe déjà" },
        ClosedQuestionCase { "firstFileAvi", FormatAvi, "ANIM0000.AVI", false, " Existe déjà" },
        ClosedQuestionCase { "firstFileVideo", FormatVideo, "ANIM0000.MP4", false, " Existe déjà" },
        ClosedQuestionCase { "overwriteDialog", FormatPng, "IMAGE0000.PNG", true, "Ecraser le Fichier ?" }),
    [](const auto &info) { return std::string(info.param.name); });

// From its fourth frame on, every frame file of a 40-frame series is
// refused by the system with one error. A full disk, a read-only file
// system or a refused permission stops the series at the first refused
// frame and says why; any other error is counted and the series goes on.
struct WriteFaultCase {
    const char *name;
    int error;
    bool stops;
};

class WriteFaultTest : public FormMainTest, public ::testing::WithParamInterface<WriteFaultCase> {
protected:
    ~WriteFaultTest() override { AtomicFile::setFaultForTesting({}); }
};

TEST_P(WriteFaultTest, StopsOnlyWhereNoLaterFrameCanBeWritten)
{
    const WriteFaultCase &c = GetParam();
    open(writePanorama(60, 30)); // 20 frames a pass, 40 in all
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    std::atomic<int> refused { 0 };
    // Asked on the workers: reads nothing but the name.
    AtomicFile::setFaultForTesting([&refused, error = c.error](const std::string &target) {
        if (fs::path(target).filename().string() < "IMAGE0003.BMP")
            return 0;
        ++refused;
        return error;
    });
    if (c.stops)
        services.answerMessageBox(WindowServices::IdOk); // the "Erreur" box
    form.Panel().SpeedButtonCreate->click();
    AtomicFile::setFaultForTesting({});

    const std::vector<std::string> written { "IMAGE0000.BMP", "IMAGE0001.BMP", "IMAGE0002.BMP" };
    EXPECT_EQ(namesIn(dir / "anim"), written) << "nothing else, no temporary file";
    const std::string status = form.StatusText().toStdString();
    if (!c.stops) {
        const std::string failedText = " - " + std::to_string(refused) + " image(s) non enregistrée(s)";
        EXPECT_EQ(refused, 40 - 3);
        EXPECT_EQ(status, dir.str() + "/anim/IMAGE0039.BMP / 0040" + failedText);
        EXPECT_EQ(services.asked().back().caption, "Création du Répertoire?") << "no message";
        return;
    }
    EXPECT_LT(refused, 10) << "the series went on after the first refused frame";
    const ScriptedServices::Question &box = services.asked().back();
    EXPECT_EQ(box.caption, "Erreur");
    EXPECT_EQ(box.text, "Impossible d'enregistrer '" + dir.str() + "/anim/IMAGE0003.BMP'\n" + std::strerror(c.error));
    // The frames under way behind the refused one are not put in place either:
    // they count as failed too.
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(QString::fromStdString(dir.str()))
        + "/anim/IMAGE00\\d\\d\\.BMP / 0040 - arrêté : 3 image\\(s\\) enregistrée\\(s\\)"
        + " - [1-9]\\d* image\\(s\\) non enregistrée\\(s\\)$")
                    .match(QString::fromStdString(status))
                    .hasMatch())
        << status;
}

INSTANTIATE_TEST_SUITE_P(Errors, WriteFaultTest,
    ::testing::Values(WriteFaultCase { "diskFull", ENOSPC, true }, WriteFaultCase { "quotaExceeded", EDQUOT, true },
        WriteFaultCase { "readOnlyFileSystem", EROFS, true }, WriteFaultCase { "permissionDenied", EACCES, true },
        WriteFaultCase { "operationNotPermitted", EPERM, true }, WriteFaultCase { "inputOutputError", EIO, false }),
    [](const auto &info) { return std::string(info.param.name); });

// A real folder without write permission: the first frame stops the series.
// Permission checks do not stop root, for whom the table above stands in.
TEST_F(FormMainTest, SeriesIntoAFolderThatRefusesWritesStopsAtTheFirstFrame)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into any folder";
    open(writePanorama(60, 30));
    fs::create_directory(dir / "anim");
    fs::permissions(dir / "anim", fs::perms::owner_read | fs::perms::owner_exec);
    services.answerMessageBox(WindowServices::IdOk); // the "Erreur" box
    form.Panel().SpeedButtonCreate->click();
    fs::permissions(dir / "anim", fs::perms::owner_all);
    EXPECT_TRUE(fs::is_empty(dir / "anim"));
    EXPECT_EQ(services.asked().back().text,
        "Impossible d'enregistrer '" + dir.str() + "/anim/IMAGE0000.BMP'\n" + std::strerror(EACCES));
    EXPECT_NE(form.StatusText().toStdString().find(" - arrêté : 0 image(s) enregistrée(s)"), std::string::npos)
        << form.StatusText().toStdString();
}

// Stop pressed at the fourth frame: the status line says that the run was
// stopped and how many frames are on disk, for every kind of run, instead
// of "-OK!".
struct StoppedRunCase {
    const char *name;
    std::int32_t format;
    const char *file; // the one file of the run; "" for a series
};

class StoppedRunTest : public FormMainTest, public ::testing::WithParamInterface<StoppedRunCase> { };

TEST_P(StoppedRunTest, StatusLineSaysStoppedWithTheFramesOnDisk)
{
    const StoppedRunCase &c = GetParam();
    open(writePanorama(44, 30)); // frames 40 x 30, 8 in all
    form.Panel().Rules().setFormat(c.format);
    form.Panel().ApplyPanelState();
    form.VideoOptions().Container = VideoContainer::Mkv; // lossless: frames counted exactly
    services.answerMessageBox(WindowServices::IdYes); // create ./anim
    if (c.format == FormatAvi)
        services.answerAviSaveOptions(""); // uncompressed
    const QRegularExpression fourthFrame("(IMAGE|Frame)0003");
    bool pressed = false;
    services.onProcessMessages = [&] {
        if (!pressed && fourthFrame.match(form.StatusText()).hasMatch()) {
            pressed = true;
            form.Panel().SpeedButtonStop->click();
        }
    };
    form.Panel().SpeedButtonCreate->click();
    services.onProcessMessages = {};
    ASSERT_TRUE(pressed);

    std::size_t onDisk = namesIn(dir / "anim").size();
    if (*c.file) {
        EXPECT_EQ(namesIn(dir / "anim"), std::vector<std::string> { c.file });
        const DecodedVideo video = decodeVideo(dir / "anim" / c.file);
        EXPECT_EQ(video.errors, "");
        onDisk = video.bgr.size() / (40 * 30 * 3);
    }
    EXPECT_GT(onDisk, 0u);
    EXPECT_LT(onDisk, 8u) << "the run went on after Stop";
    const std::string status = form.StatusText().toStdString();
    const std::string stopped = " - arrêté : " + std::to_string(onDisk) + " image(s) enregistrée(s)";
    EXPECT_TRUE(status.size() > stopped.size() && status.substr(status.size() - stopped.size()) == stopped) << status;
    EXPECT_EQ(status.find("OK!"), std::string::npos) << status;
}

INSTANTIATE_TEST_SUITE_P(Runs, StoppedRunTest,
    ::testing::Values(StoppedRunCase { "bmpSeries", FormatBmp, "" }, StoppedRunCase { "jpegSeries", FormatJpg, "" },
        StoppedRunCase { "avi", FormatAvi, "ANIM0000.AVI" }, StoppedRunCase { "video", FormatVideo, "ANIM0000.MKV" }),
    [](const auto &info) { return std::string(info.param.name); });

// "Enregister Sous..." offers only the types it writes, and the file it
// writes has the chosen type's extension and that type's bytes.
struct SaveAsCase {
    const char *name;
    const char *typed;
    const char *filter; // "": the one shown first
    const char *saved;
    std::vector<std::uint8_t> magic; // the file's first bytes
};

class SaveAsTest : public FormMainTest, public ::testing::WithParamInterface<SaveAsCase> { };

TEST_P(SaveAsTest, WritesTheChosenTypeUnderItsExtension)
{
    const SaveAsCase &c = GetParam();
    open(writePanorama(44, 30));
    services.answerSavePicture((dir / c.typed).string(), c.filter);
    form.Menu_FileSaveAsClick();
    EXPECT_EQ(services.asked().back().text,
        "Images BMP (*.bmp);;Images JPEG (*.jpg *.jpeg);;Images PNG (*.png);;Images TIFF (*.tif *.tiff)");
    EXPECT_EQ(services.firstSaveFilter(), "Images BMP (*.bmp)");
    EXPECT_EQ(form.StatusText(), "OK!");
    std::vector<std::string> expected { c.saved, "pano.bmp" };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(dir.path()), expected) << "one file, under its final name";
    const std::vector<std::uint8_t> bytes = readFileBytes(dir / c.saved);
    ASSERT_GE(bytes.size(), c.magic.size());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(c.magic.size())), c.magic);
}

INSTANTIATE_TEST_SUITE_P(Types, SaveAsTest,
    ::testing::Values(SaveAsCase { "gifIsNoBitmap", "out.gif", "", "out.gif.bmp", { 'B', 'M' } },
        SaveAsCase { "epsIsNoBitmap", "out.eps", "Images BMP (*.bmp)", "out.eps.bmp", { 'B', 'M' } },
        SaveAsCase { "bareNameAsPng", "vue", "Images PNG (*.png)", "vue.png", { 0x89, 'P', 'N', 'G' } },
        SaveAsCase { "jpegKeepsItsName", "vue.JPEG", "Images JPEG (*.jpg *.jpeg)", "vue.JPEG", { 0xFF, 0xD8 } },
        SaveAsCase { "pngAsTiff", "vue.png", "Images TIFF (*.tif *.tiff)", "vue.png.tif", { 'I', 'I', 42, 0 } }),
    [](const auto &info) { return std::string(info.param.name); });

// The overwrite question is asked about the name the file gets, and a
// file that cannot be written is reported with its cause.
TEST_F(FormMainTest, SaveAsAsksAboutTheFinalNameAndSaysWhyAWriteFailed)
{
    open(writePanorama(44, 30));
    writeFileBytes(dir / "vue.png", kOldBytes);
    services.answerSavePicture((dir / "vue").string(), "Images PNG (*.png)");
    services.answerOverwriteClosed();
    form.Menu_FileSaveAsClick();
    EXPECT_EQ(services.asked().back().text, (dir / "vue.png").string());
    EXPECT_EQ(readFileBytes(dir / "vue.png"), kOldBytes);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string> { "pano.bmp", "vue.png" }));

    services.answerSavePicture((dir / "missing" / "vue").string(), "Images PNG (*.png)");
    services.answerMessageBox(WindowServices::IdOk); // the "Erreur" box
    form.Menu_FileSaveAsClick();
    EXPECT_EQ(services.asked().back().caption, "Erreur");
    EXPECT_EQ(services.asked().back().text,
        "Impossible d'enregistrer '" + (dir / "missing" / "vue.png").string() + "'\n" + std::strerror(ENOENT));
    EXPECT_NE(form.StatusText(), "OK!");
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

} // namespace
