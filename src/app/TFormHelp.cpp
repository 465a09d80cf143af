#include "app/TFormHelp.h"

#include "app/HelpText.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QStringList>
#include <QVBoxLayout>

TFormHelp::TFormHelp(const QString &programPath, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_programPath(programPath)
{
    setWindowTitle(QStringLiteral("Aide"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QStringList lines;
    for (const std::string &line : BuiltInHelpLines())
        lines << QString::fromStdString(line);
    Memo1->setPlainText(lines.join(QLatin1Char('\n')));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
    resize(870, 640);
}

void TFormHelp::showEvent(QShowEvent *event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TFormHelp::FormShow()
{
    QFile file(QString::fromStdString(HelpReplacementPath(m_programPath.toStdString())));
    if (!file.exists() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    Memo1->setPlainText(text);
}
