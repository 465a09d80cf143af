#include "platform/ui/QtWindowServices.h"

#include "platform/MessageLanguage.h"
#include "platform/ui/FileDialogSize.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString qs(const std::string &s)
{
    return QString::fromStdString(s);
}

// Window managers cut a title wider than its window ("Créat…toire?"), so a
// box is made wide enough for its whole title: title bars often use a bold
// font, and the frame's own buttons and icon take room beside the text.
// A box never grows wider than the screen.
int widthForTitle(const QString &title)
{
    constexpr int kFrameButtonsWidth = 160;
    QFont font = QApplication::font();
    font.setBold(true);
    const int width = QFontMetrics(font).horizontalAdvance(title) + kFrameButtonsWidth;
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? std::min(width, screen->availableGeometry().width()) : width;
}

// A message box sizes itself from its text; a spacer across its grid is
// the one way to give it a minimum width. Setting the icon rebuilds the
// grid: this comes last, just before the box is shown.
void fitTitle(QMessageBox &box)
{
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(widthForTitle(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
}

// A Yes/No box where Escape and the close box answer neither: QMessageBox
// would click "Non" for them, which may mean "replace". The box then closes
// with no button clicked.
class YesNoBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->matches(QKeySequence::Cancel))
            close();
        else
            QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent *event) override { QDialog::closeEvent(event); }
};

// A modal one-line input centred on the screen, text fully selected, at most
// 255 characters; returns whether OK was pressed.
bool runInputDialog(QWidget *parent, const std::string &caption, const std::string &prompt, std::string &text)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(InterfaceText(caption));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(InterfaceText(prompt), &dialog);
    auto *edit = new QLineEdit(&dialog);
    edit->setMaxLength(255);
    edit->setText(qs(text));
    edit->selectAll();
    label->setBuddy(edit);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("QtWindowServices", "Annuler"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    dialog.setMinimumWidth(std::max(300, widthForTitle(dialog.windowTitle())));
    dialog.adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = edit->text().toStdString();
    return true;
}

// The folder dialog, with the callbacks of its request.
class FolderDialog : public QFileDialog {
public:
    FolderDialog(QWidget *parent, const FolderBrowseRequest &request)
        : QFileDialog(parent, InterfaceText(request.title))
        , m_request(request)
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setOption(QFileDialog::ShowDirsOnly);
        setFileMode(QFileDialog::Directory);
        FitFileDialog(*this);
        if (!request.path.empty())
            setDirectory(qs(request.path));
        if (request.selectionChanged) {
            connect(this, &QFileDialog::currentChanged, this, &FolderDialog::selectionMoved);
            connect(this, &QFileDialog::directoryEntered, this, &FolderDialog::selectionMoved);
        }
    }

    std::string chosenFolder() const
    {
        if (m_created)
            return *m_created;
        const QStringList files = selectedFiles();
        return files.isEmpty() ? std::string() : files.first().toStdString();
    }

    void accept() override
    {
        if (!m_okEnabled)
            return;
        if (m_request.askCreateFolder) {
            std::string path = chosenFolder();
            if (!path.empty() && !QFileInfo(qs(path)).isDir()) {
                if (!m_request.askCreateFolder(path))
                    return;
                m_created = path;
                QDialog::accept();
                return;
            }
        }
        QFileDialog::accept();
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QFileDialog::showEvent(event);
        if (m_positioned || !m_request.setPosition)
            return;
        m_positioned = true;
        const QRect frame = frameGeometry();
        int left = frame.left(), top = frame.top();
        m_request.setPosition(left, top, frame.width(), frame.height());
        if (left != frame.left() || top != frame.top())
            move(left, top);
    }

private:
    void selectionMoved(const QString &path)
    {
        const QFileInfo info(path);
        m_okEnabled = true;
        m_request.selectionChanged(info.isDir() ? info.absoluteFilePath().toStdString() : std::string(), m_okEnabled);
        // Qt has set the button for this selection already; the handler decides last.
        if (auto *box = findChild<QDialogButtonBox *>())
            if (QPushButton *ok = box->button(QDialogButtonBox::Open))
                ok->setEnabled(m_okEnabled);
    }

    const FolderBrowseRequest &m_request;
    bool m_okEnabled = true;
    bool m_positioned = false;
    std::optional<std::string> m_created;
};

} // namespace

int QtWindowServices::messageBox(const std::string &text, const std::string &caption, Buttons buttons)
{
    if (buttons == Buttons::Ok) {
        QMessageBox box(m_parent);
        box.setWindowTitle(InterfaceText(caption));
        box.setText(InterfaceText(text));
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        fitTitle(box);
        box.exec();
        return IdOk;
    }
    YesNoBox box(m_parent);
    box.setWindowTitle(InterfaceText(caption));
    box.setText(InterfaceText(text));
    box.setIcon(QMessageBox::Question);
    QPushButton *yes = box.addButton(QCoreApplication::translate("QtWindowServices", "&Oui"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QCoreApplication::translate("QtWindowServices", "&Non"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    fitTitle(box);
    box.exec();
    if (box.clickedButton() == yes)
        return IdYes;
    return box.clickedButton() == no ? IdNo : IdCancel;
}

void QtWindowServices::errorBox(const std::string &text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
        qs(errorBoxText(InterfaceText(text).toStdString())), QMessageBox::Ok, m_parent);
    fitTitle(box);
    box.exec();
}

void QtWindowServices::errorMessage(const std::string &text)
{
    QMessageBox box(
        QMessageBox::Critical, QApplication::applicationDisplayName(), InterfaceText(text), QMessageBox::Ok, m_parent);
    fitTitle(box);
    box.exec();
}

std::string QtWindowServices::inputBox(
    const std::string &caption, const std::string &prompt, const std::string &defaultText)
{
    std::string text = defaultText;
    return runInputDialog(m_parent, caption, prompt, text) ? text : defaultText;
}

bool QtWindowServices::inputQuery(const std::string &caption, const std::string &prompt, std::string &text)
{
    std::string edited = text;
    if (!runInputDialog(m_parent, caption, prompt, edited))
        return false;
    text = edited;
    return true;
}

void QtWindowServices::processMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtWindowServices::waitForMessages()
{
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void QtWindowServices::pushCursor(Cursor cursor)
{
    QGuiApplication::setOverrideCursor(cursor == Cursor::HourGlass ? Qt::WaitCursor : Qt::BusyCursor);
}

void QtWindowServices::popCursor()
{
    QGuiApplication::restoreOverrideCursor();
}

std::string QtWindowServices::openPictureFile(const std::string &title, const std::string &filter)
{
    if (m_openPictureDialog)
        return m_openPictureDialog(title, filter);
    QFileDialog dialog(m_parent, InterfaceText(title), QString(), qs(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    FitFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first().toStdString();
}

std::string QtWindowServices::savePictureFile(
    const std::string &title, const std::string &filter, std::string &selectedFilter)
{
    // The program asks about replacing files itself, with its own dialog,
    // once the name has the chosen type's extension.
    QFileDialog dialog(m_parent, InterfaceText(title), QString(), qs(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!selectedFilter.empty())
        dialog.selectNameFilter(qs(selectedFilter));
    FitFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    selectedFilter = dialog.selectedNameFilter().toStdString();
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtWindowServices::browseForFolder(const FolderBrowseRequest &request)
{
    FolderDialog dialog(m_parent, request);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenFolder();
}

int QtWindowServices::askOverwrite(const std::string &fileName, const std::string &caption)
{
    if (m_overwriteDialog)
        return m_overwriteDialog(fileName, caption);
    switch (messageBox(fileName, caption, Buttons::YesNo)) {
    case IdYes:
        return OverwriteYes;
    case IdNo:
        return OverwriteNo;
    default:
        return OverwriteClosed;
    }
}

bool QtWindowServices::aviSaveOptions(AviCompression &options)
{
    return m_compressionDialog && m_compressionDialog(options);
}

bool QtWindowServices::openFolder(const std::string &folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(qs(folder)));
}
