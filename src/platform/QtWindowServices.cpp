#include "platform/QtWindowServices.h"

#include "platform/AviCompressionDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QString qs(const std::string &s)
{
    return QString::fromStdString(s);
}

// A modal one-line input centred on the screen, text fully selected, at most
// 255 characters; returns whether OK was pressed.
bool runInputDialog(QWidget *parent, const std::string &caption, const std::string &prompt, std::string &text)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(qs(caption));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(qs(prompt), &dialog);
    auto *edit = new QLineEdit(&dialog);
    edit->setMaxLength(255);
    edit->setText(qs(text));
    edit->selectAll();
    label->setBuddy(edit);
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(buttons);
    dialog.setMinimumWidth(300);
    dialog.adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = edit->text().toStdString();
    return true;
}

} // namespace

int QtWindowServices::messageBox(const std::string &text, const std::string &caption, Buttons buttons)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(qs(caption));
    box.setText(qs(text));
    if (buttons == Buttons::Ok) {
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        box.exec();
        return IdOk;
    }
    box.setIcon(QMessageBox::Question);
    QPushButton *yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? IdYes : IdNo;
}

void QtWindowServices::errorBox(const std::string &text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), qs(errorBoxText(text)),
        QMessageBox::Ok, m_parent);
    box.exec();
}

void QtWindowServices::errorMessage(const std::string &text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), qs(text), QMessageBox::Ok, m_parent);
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
    return QFileDialog::getOpenFileName(m_parent, qs(title), QString(), qs(filter)).toStdString();
}

std::string QtWindowServices::savePictureFile(const std::string &title, const std::string &filter)
{
    // The program asks about replacing files itself, with its own dialog.
    return QFileDialog::getSaveFileName(
        m_parent, qs(title), QString(), qs(filter), nullptr, QFileDialog::DontConfirmOverwrite)
        .toStdString();
}

std::string QtWindowServices::chooseFolder(const std::string &title, const std::string &startFolder)
{
    return QFileDialog::getExistingDirectory(m_parent, qs(title), qs(startFolder)).toStdString();
}

int QtWindowServices::askOverwrite(const std::string &fileName, const std::string &caption)
{
    if (m_overwriteDialog)
        return m_overwriteDialog(fileName, caption);
    return messageBox(fileName, caption, Buttons::YesNo);
}

bool QtWindowServices::aviSaveOptions(AVICOMPRESSOPTIONS &options)
{
    return runAviCompressionDialog(m_parent, options);
}
