#include "output/ui/TDlgYesAllNo.h"

#include "platform/MessageLanguage.h"
#include "platform/ui/Mnemonics.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TDlgYesAllNo::TDlgYesAllNo(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Ecraser le Fichier Existant ?"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);

    Label1 = new QLabel(this);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setTextFormat(Qt::PlainText);

    auto makeButton = [this](const char *caption, int result) {
        auto *button = new QPushButton(tr(caption), this);
        button->setAutoDefault(false);
        button->setDefault(false);
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        return button;
    };
    ButtonYes = makeButton(QT_TR_NOOP("Oui"), 6);
    ButtonYesToAll = makeButton(QT_TR_NOOP("Oui pourTous"), 10);
    ButtonNo = makeButton(QT_TR_NOOP("Non"), 7);
    ButtonNotoAll = makeButton(QT_TR_NOOP("Stop !!!"), 9);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : { ButtonYes, ButtonYesToAll, ButtonNo, ButtonNotoAll })
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QString mnemonics;
    AssignMnemonics(this, mnemonics);
}

int TDlgYesAllNo::AskOverwrite(const std::string &fileName, const std::string &caption)
{
    setWindowTitle(InterfaceText(caption));
    Label1->setText(QString::fromStdString(fileName));
    setResult(0);
    return exec();
}

void TDlgYesAllNo::reject()
{
    done(2); // Escape or the close box: cancel
}
