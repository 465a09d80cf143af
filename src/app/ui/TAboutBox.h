#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: version, the year it was released, owner and the logo.
// Shown modally.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    QLabel *Image1;
    QLabel *labelVersion;
    QLabel *Date;
    QLabel *Copyright;
    QLabel *info1;
    QLabel *info3;
    QPushButton *BitBtnOk;

    // The program's logo, 351 x 152, drawn at start-up.
    static QImage DrawLogo();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormCreate();
    void BitBtnOkClick();
};
