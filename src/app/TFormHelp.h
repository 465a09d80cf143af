#pragma once

#include <QWidget>

class QPlainTextEdit;

// The quick-start help, shown without blocking. Each showing looks for a
// replacement text file beside the program.
class TFormHelp : public QWidget {
    Q_OBJECT
public:
    explicit TFormHelp(const QString &programPath, QWidget *parent = nullptr);

    QPlainTextEdit *Memo1;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();

    QString m_programPath;
};
