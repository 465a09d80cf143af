#pragma once

#include "anim/CameraChoices.h"

#include <QWidget>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class WindowServices;

// The "Options Caméra" window: the frame's output size, the duration of a
// pass, smooth easing, the pause at the ends and the music of video files.
// Created hidden at start-up, shown without blocking; every change takes
// effect at once in the choices it was given, "Ok.." refuses values that
// are not valid (with the message), and "Annuler", Escape or the close box
// take back the changes made since the window was shown.
class TFormOpCamera : public QWidget {
    Q_OBJECT
public:
    TFormOpCamera(CameraChoices &choices, WindowServices &services, QWidget *parent = nullptr);

    QComboBox *ComboOutputSize;
    QLineEdit *EditOutputWidth, *EditOutputHeight, *EditDuration, *EditHold;
    QCheckBox *CheckSmooth;
    QPushButton *ButtonMusic;
    QLabel *LabelMusic, *LabelPass;
    QPushButton *ButtonClose, *ButtonCancel;

    // What a pass of the camera as the fields stand would be (DescribePass);
    // none or empty: nothing shown.
    std::function<std::string(const CameraMove &)> describePass;
    // The output is a video file: only then has it music.
    std::function<bool()> videoOutput;

    // Puts the choices into the fields; from then on "Annuler" comes back to them.
    void showValues();
    // The greyed fields and the pass, as the choices and the main window stand.
    void updateFields();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void accept();
    void chooseMusic();

    CameraChoices &m_choices;
    WindowServices &m_services;
    CameraChoices m_shown; // as they were when the window was shown
};
