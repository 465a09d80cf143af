#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;

// The per-file overwrite question: "Oui" 6, "Oui pourTous" 10, "Non" 7,
// "Stop !!!" 9; closing the window gives 2. No button is the default or the
// cancel button, so Enter and Escape never answer for the user.
class TDlgYesAllNo : public QDialog {
    Q_OBJECT
public:
    explicit TDlgYesAllNo(QWidget *parent = nullptr);

    int AskOverwrite(const std::string &fileName, const std::string &caption);

    QLabel *Label1;
    QPushButton *ButtonYes;
    QPushButton *ButtonYesToAll;
    QPushButton *ButtonNo;
    QPushButton *ButtonNotoAll;

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
