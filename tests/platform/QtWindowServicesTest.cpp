#include "platform/ui/QtWindowServices.h"

#include "TestUtils.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace {

// Acts on the modal window once it is up.
void whenModalShows(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget *modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        act(modal);
    });
}

QPushButton *buttonNamed(QWidget *window, const QString &text)
{
    for (QPushButton *b : window->findChildren<QPushButton *>())
        if (b->text().remove('&') == text)
            return b;
    return nullptr;
}

struct InputCase {
    const char *name;
    const char *typed;
    const char *button; // "OK", "Annuler", or nullptr for the close box
    const char *expected;
};

class InputBoxTest : public ::testing::TestWithParam<InputCase> { };

TEST_P(InputBoxTest, ReturnsTheTextOnOkAndTheDefaultOtherwise)
{
    const InputCase c = GetParam();
    QtWindowServices services;
    whenModalShows([&](QWidget *modal) {
        EXPECT_EQ(modal->windowTitle(), "Visualisation");
        auto *edit = modal->findChild<QLineEdit *>();
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->selectedText(), "100") << "the default text comes fully selected";
        EXPECT_EQ(edit->maxLength(), 255);
        edit->setText(QString::fromUtf8(c.typed));
        if (c.button) {
            QPushButton *b = buttonNamed(modal, QString::fromUtf8(c.button));
            ASSERT_NE(b, nullptr);
            b->click();
        } else {
            modal->close();
        }
    });
    EXPECT_EQ(services.inputBox("Visualisation", "Temporisation (ms):", "100"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Answers, InputBoxTest,
    ::testing::Values(InputCase { "ok", "250", "OK", "250" }, InputCase { "okEmpty", "", "OK", "" },
        InputCase { "cancel", "250", "Annuler", "100" }, InputCase { "closeBox", "250", nullptr, "100" }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(QtWindowServices, InputQueryLeavesTheTextOnCancel)
{
    QtWindowServices services;
    std::string text = "12";
    whenModalShows([](QWidget *modal) { buttonNamed(modal, "Annuler")->click(); });
    EXPECT_FALSE(services.inputQuery("Jouer", "A partir de:", text));
    EXPECT_EQ(text, "12");
    whenModalShows([](QWidget *modal) {
        modal->findChild<QLineEdit *>()->setText("7");
        buttonNamed(modal, "OK")->click();
    });
    EXPECT_TRUE(services.inputQuery("Jouer", "A partir de:", text));
    EXPECT_EQ(text, "7");
}

struct YesNoCase {
    const char *name;
    const char *button; // "Oui", "Non", "Escape" for the key, nullptr for the close box
    int result;
};

class YesNoBoxTest : public ::testing::TestWithParam<YesNoCase> { };

// Escape and the close box are no "Non": that answer may mean "replace".
TEST_P(YesNoBoxTest, AnswersYesNoOrNeither)
{
    const YesNoCase c = GetParam();
    QtWindowServices services;
    whenModalShows([&](QWidget *modal) {
        EXPECT_EQ(modal->windowTitle(), "Création du Répertoire?");
        if (!c.button) {
            modal->close();
        } else if (QString(c.button) == "Escape") {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(modal, &escape);
        } else {
            buttonNamed(modal, QString::fromUtf8(c.button))->click();
        }
        if (QApplication::activeModalWidget() == modal) {
            ADD_FAILURE() << "the box is still open";
            modal->close();
        }
    });
    EXPECT_EQ(services.messageBox("/tmp/x", "Création du Répertoire?", WindowServices::Buttons::YesNo), c.result);
}

INSTANTIATE_TEST_SUITE_P(Answers, YesNoBoxTest,
    ::testing::Values(YesNoCase { "yes", "Oui", WindowServices::IdYes },
        YesNoCase { "no", "Non", WindowServices::IdNo }, YesNoCase { "escape", "Escape", WindowServices::IdCancel },
        YesNoCase { "closeBox", nullptr, WindowServices::IdCancel }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(QtWindowServices, ErrorBoxAddsTheFullStop)
{
    QtWindowServices services;
    whenModalShows([](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), "Disk full.");
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        box->close();
    });
    services.errorBox("Disk full");
}

struct TitleCase {
    const char *name;
    const char *caption;
    bool input; // an input query, else a Yes/No box with a short text
};

class TitleWidthTest : public ::testing::TestWithParam<TitleCase> { };

// Window managers cut a title wider than its box: "Créat…toire?" hid the question.
TEST_P(TitleWidthTest, BoxIsWideEnoughForItsWholeTitle)
{
    const TitleCase c = GetParam();
    const QString caption = QString::fromUtf8(c.caption);
    QFont bold = QApplication::font();
    bold.setBold(true);
    const int needed = std::min(QFontMetrics(bold).horizontalAdvance(caption) + 100,
        QGuiApplication::primaryScreen()->availableGeometry().width());
    QtWindowServices services;
    whenModalShows([&](QWidget *modal) {
        EXPECT_EQ(modal->windowTitle(), caption);
        EXPECT_GE(modal->width(), needed);
        EXPECT_LE(modal->width(), QGuiApplication::primaryScreen()->availableGeometry().width());
        modal->close();
    });
    std::string text = "/tmp/a";
    if (c.input)
        services.inputQuery(c.caption, "Nouveau Dossier:", text);
    else
        services.messageBox(text, c.caption, ModalQuestions::Buttons::YesNo);
}

INSTANTIATE_TEST_SUITE_P(Captions, TitleWidthTest,
    ::testing::Values(TitleCase { "folderQuestion", "Création du Répertoire?", false },
        TitleCase { "existingFile", "/home/utilisateur/Images/Panoramas/anim/IMAGE0000.BMP Existe déjà", false },
        TitleCase { "screenWide",
            "/home/utilisateur/Images/Panoramas/Montagnes/Été 2026/Vacances en Savoie/"
            "Lac du Bourget/anim/IMAGE0000.BMP Existe déjà",
            false },
        TitleCase { "createFolder", "Création de Dossier", true },
        TitleCase { "aviInput", "Compression des Fichiers AVI:", true }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(QtWindowServices, ProcessMessagesIsOnePassThatNeverWaits)
{
    QtWindowServices services;
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    services.processMessages();
    EXPECT_TRUE(ran);

    bool late = false;
    QTimer::singleShot(200, [&] { late = true; });
    QElapsedTimer clock;
    clock.start();
    services.processMessages();
    EXPECT_LT(clock.elapsed(), 150);
    EXPECT_FALSE(late);
    while (!late)
        services.waitForMessages();
    EXPECT_GE(clock.elapsed(), 190);
}

TEST(QtWindowServices, ScopedBusyCursorsRestoreExactlyWhatTheySet)
{
    QtWindowServices services;
    QGuiApplication::setOverrideCursor(Qt::CrossCursor); // somebody else's, left alone
    {
        ScopedBusyCursor outer(services, WindowServices::Cursor::HourGlass);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            ScopedBusyCursor inner(services, WindowServices::Cursor::AppStart);
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
        }
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// The save dialog starts on the filter given and reports the one chosen,
// with the name as typed: the program adds the extension and asks about
// replacing itself.
TEST(QtWindowServices, SaveDialogReportsTheChosenFilter)
{
    TempDir dir;
    writeFileBytes(dir / "vue", { 1 });
    QtWindowServices services;
    std::string selected = "Images JPEG (*.jpg *.jpeg)";
    whenModalShows([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->nameFilters().size(), 2);
        EXPECT_EQ(dialog->selectedNameFilter(), "Images JPEG (*.jpg *.jpeg)");
        dialog->selectNameFilter(QStringLiteral("Images PNG (*.png)"));
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(QString::fromStdString((dir / "vue").string()));
        static_cast<QDialog *>(dialog)->accept();
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog asked about replacing";
            dialog->reject();
        }
    });
    EXPECT_EQ(services.savePictureFile("Enregistrer Image", "Images JPEG (*.jpg *.jpeg);;Images PNG (*.png)", selected),
        (dir / "vue").string());
    EXPECT_EQ(selected, "Images PNG (*.png)");
}

TEST(QtWindowServices, FolderDialogStartsInThePathAndCallsBack)
{
    TempDir dir;
    for (const char *name : { "locked", "open" })
        std::filesystem::create_directory(dir / name);
    QtWindowServices services;
    FolderBrowseRequest request;
    request.path = dir.str();
    request.selectionChanged
        = [&](const std::string &path, bool &enableOk) { enableOk = path != dir.str() + "/locked"; };
    request.setPosition = [](int &left, int &top, int, int) { left = 17, top = 23; };
    request.askCreateFolder = [](std::string &path) { return std::filesystem::create_directory(path += "-made"); };
    whenModalShows([&](QWidget *modal) {
        EXPECT_EQ(qobject_cast<QFileDialog *>(modal)->directory().absolutePath().toStdString(), dir.str());
        EXPECT_EQ(modal->frameGeometry().topLeft(), QPoint(17, 23));
        const auto select = [&](const char *name) {
            modal->findChild<QListView *>(QStringLiteral("listView"))
                ->selectionModel()
                ->setCurrentIndex(modal->findChild<QFileSystemModel *>()->index(QString::fromStdString(dir / name)),
                    QItemSelectionModel::ClearAndSelect);
        };
        select("locked");
        EXPECT_FALSE(modal->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Open)->isEnabled());
        static_cast<QDialog *>(modal)->accept();
        EXPECT_TRUE(modal->isVisible()) << "OK is refused for that selection";
        select("open");
        modal->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(QString::fromStdString((dir / "typed").string()));
        static_cast<QDialog *>(modal)->accept();
    });
    EXPECT_EQ(services.browseForFolder(request), (dir / "typed-made").string());

    whenModalShows([](QWidget *modal) { modal->close(); });
    EXPECT_EQ(services.browseForFolder(request), std::nullopt);
}

// The file and folder dialogs opened at a size where the detail view's
// columns did not fit: each now opens at least 900 x 560 (on a screen that
// large), whatever its parent.
TEST(QtWindowServices, FileDialogsAreLargeEnoughForTheirColumns)
{
    QWidget parent;
    parent.resize(200, 150);
    QtWindowServices services;
    services.setParentWindow(&parent);
    int checked = 0;
    const auto checkAndCancel = [&] {
        whenModalShows([&](QWidget *modal) {
            ++checked;
            ASSERT_NE(qobject_cast<QFileDialog *>(modal), nullptr);
            const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
            const QSize least = QSize(900, 560).boundedTo(screen);
            EXPECT_GE(modal->minimumWidth(), least.width());
            EXPECT_GE(modal->minimumHeight(), least.height());
            EXPECT_GE(modal->width(), least.width());
            EXPECT_GE(modal->height(), least.height());
            static_cast<QDialog *>(modal)->reject();
        });
    };
    std::string filter = "Images PNG (*.png)";
    checkAndCancel();
    EXPECT_EQ(services.savePictureFile("Enregistrer Image", filter, filter), "");
    EXPECT_EQ(filter, "Images PNG (*.png)") << "a cancelled dialog changes no filter";
    checkAndCancel();
    EXPECT_EQ(services.openPictureFile("Ouvrir Image", filter), "");
    checkAndCancel();
    EXPECT_EQ(services.browseForFolder(FolderBrowseRequest {}), std::nullopt);
    EXPECT_EQ(checked, 3);
}

} // namespace
