#pragma once

#include <QDialog>

#include <string>

class QLabel;
class QPushButton;

// The per-file overwrite question: "Oui" 6, "Oui pourTous" 10, "Non" 7,
// "Stop !!!" 9; Escape and the close box give 2, which ends the operation
// without writing the file. No button is the default, so Enter never
// answers for the user.
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
};
