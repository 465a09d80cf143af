#pragma once

#include <QString>

class QMenu;
class QMenuBar;
class QWidget;

// Keyboard access for captions that are fixed texts: each caption gets a
// mnemonic, an '&' before one of its letters that no other caption of the
// same window (or menu) uses, so the text shown is unchanged but for the
// underline, and Qt leaves the '&' out of the accessible name.

// The caption with its mnemonic: the first free letter that starts a word,
// else the first free letter anywhere (ASCII letters and digits only);
// unchanged when it has one already or no letter is free. The letter chosen
// is added to used (lower case).
QString WithMnemonic(const QString &caption, QString &used);

// Every push button of the window, then its check boxes, radio buttons and
// the labels that introduce a field, in creation order; used holds letters taken
// already (the menu bar's) and receives those given here.
void AssignMnemonics(QWidget *window, QString &used);
// The menu bar's titles (their letters returned in used), then each menu's
// entries among themselves.
void AssignMnemonics(QMenuBar *bar, QString &used);
void AssignMnemonics(QMenu *menu);
