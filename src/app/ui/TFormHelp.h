#pragma once

#include <QWidget>

class ModalQuestions;
class QPlainTextEdit;

// The quick-start help, shown without blocking. Each showing looks for a
// replacement text file beside the program; one that exists but cannot be
// read goes to the error box.
class TFormHelp : public QWidget {
    Q_OBJECT
public:
    TFormHelp(const QString &programPath, ModalQuestions &questions, QWidget *parent = nullptr);

    QPlainTextEdit *Memo1;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    QString m_programPath;
    ModalQuestions &m_questions;
};
