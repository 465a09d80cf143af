#include "app/ui/TFormHelp.h"

#include "app/HelpText.h"
#include "app/ui/InterfaceTranslators.h"
#include "platform/ModalQuestions.h"
#include "platform/ui/WindowKeys.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <QVBoxLayout>

TFormHelp::TFormHelp(const QString &programPath, ModalQuestions &questions, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_programPath(programPath)
    , m_questions(questions)
{
    setWindowTitle(tr("Aide"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setAccessibleName(windowTitle());
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // A text longer than the window gets a vertical bar: none would hide its end.
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QStringList lines;
    for (const std::string &line : BuiltInHelpLines(InterfaceTranslators::inEffect()))
        lines << QString::fromStdString(line);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
    resize(870, 640);
    new WindowKeys(this);
}

void TFormHelp::showEvent(QShowEvent *event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TFormHelp::FormShow()
{
    const HelpReplacement replacement = ReadHelpReplacement(HelpReplacementPath(m_programPath.toStdString()));
    switch (replacement.state) {
    case HelpReplacement::State::Missing:
        break;
    case HelpReplacement::State::Unreadable:
        m_questions.errorBox(replacement.error);
        break;
    case HelpReplacement::State::Text: {
        QStringList lines;
        for (const std::string &line : replacement.lines)
            lines << QString::fromStdString(line);
        Memo1->setPlainText(lines.join(QLatin1Char('\n')));
        break;
    }
    }
}
