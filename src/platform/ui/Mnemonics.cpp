#include "platform/ui/Mnemonics.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

bool isMnemonicLetter(QChar c)
{
    return c.unicode() < 128 && c.isLetterOrNumber();
}

} // namespace

QString WithMnemonic(const QString &caption, QString &used)
{
    if (caption.contains(QLatin1Char('&')))
        return caption;
    const auto free = [&](qsizetype i) {
        const QChar c = caption.at(i);
        return isMnemonicLetter(c) && !used.contains(c.toLower());
    };
    qsizetype chosen = -1;
    for (qsizetype i = 0; i < caption.size() && chosen < 0; ++i)
        if ((i == 0 || !caption.at(i - 1).isLetterOrNumber()) && free(i))
            chosen = i;
    for (qsizetype i = 0; i < caption.size() && chosen < 0; ++i)
        if (free(i))
            chosen = i;
    if (chosen < 0)
        return caption;
    used += caption.at(chosen).toLower();
    QString marked = caption;
    marked.insert(chosen, QLatin1Char('&'));
    return marked;
}

void AssignMnemonics(QWidget *window, QString &used)
{
    // Commands first: a window may hold more captions than there are letters.
    for (QPushButton *button : window->findChildren<QPushButton *>())
        if (!button->text().isEmpty())
            button->setText(WithMnemonic(button->text(), used));
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (auto *button = qobject_cast<QAbstractButton *>(w); button && !button->text().isEmpty())
            button->setText(WithMnemonic(button->text(), used));
        else if (auto *label = qobject_cast<QLabel *>(w);
                 label && label->buddy() && label->textFormat() != Qt::RichText)
            label->setText(WithMnemonic(label->text(), used));
    }
}

void AssignMnemonics(QMenuBar *bar, QString &used)
{
    for (QAction *title : bar->actions()) {
        title->setText(WithMnemonic(title->text(), used));
        if (QMenu *menu = title->menu())
            AssignMnemonics(menu);
    }
}

void AssignMnemonics(QMenu *menu)
{
    QString used;
    for (QAction *entry : menu->actions()) {
        if (!entry->isSeparator())
            entry->setText(WithMnemonic(entry->text(), used));
        if (QMenu *submenu = entry->menu())
            AssignMnemonics(submenu); // letters of its own, as a menu of the bar
    }
}
