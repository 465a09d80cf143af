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
// pass, smooth easing, the pause at the ends, the music of video files, and
// the view of a 360° panorama (its projection, the virtual camera's kind,
// field of view and pitch).
// Created hidden at start-up, shown without blocking; every change takes
// effect at once in the choices it was given, "Ok.." refuses values that
// are not valid (with the message), and "Annuler", Escape or the close box
// take back the changes made since the window was shown.
class TFormOpCamera : public QWidget {
    Q_OBJECT
public:
    TFormOpCamera(CameraChoices &choices, WindowServices &services, QWidget *parent = nullptr);

    QComboBox *ComboOutputSize, *ComboProjection, *ComboView;
    QLineEdit *EditOutputWidth, *EditOutputHeight, *EditDuration, *EditHold, *EditFov, *EditPitch;
    QCheckBox *CheckSmooth;
    QPushButton *ButtonMusic;
    QLabel *LabelMusic, *LabelProjection, *LabelPass;
    QPushButton *ButtonClose, *ButtonCancel;

    // What a pass of the camera as the fields stand would be (DescribePass);
    // none or empty: nothing shown.
    std::function<std::string(const CameraMove &)> describePass;
    // The output is a video file: only then has it music.
    std::function<bool()> videoOutput;
    // Where the projection comes from (DescribeProjection); none: nothing shown.
    std::function<std::string()> describeProjection;
    // Whether the choices make a view the runs accept (SphereFromChoices):
    // the message when not, empty when they do.
    std::function<std::string()> sphereProblem;

    // Puts the choices into the fields; from then on "Annuler" comes back to them.
    void showValues();
    // The greyed fields and the pass, as the choices and the main window stand.
    void updateFields();
    // A picture was opened: its projection is in the choices, and "Annuler"
    // keeps it.
    void showOfferedProjection();

signals:
    // A choice changed (the main window shows its view).
    void choicesChanged();

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
