#pragma once

#include "options/JpegOptions.h"

#include <QWidget>

class Bitmap24;
class ModalQuestions;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

// The JPEG options window: edits the program's JPEG settings and shows the
// picture on screen before and after a JPEG round trip with them. Created
// hidden at start-up, then shown without blocking, with the settings as they
// stand. Controls apply to the settings only on "Défaut", OK and each
// preview; "Annuler", Escape and the close box take back what was applied
// since the window was shown.
class TFormOpJpeg : public QWidget {
    Q_OBJECT
public:
    // displayBitmap is the main window's shown picture, read by the preview;
    // the preview's errors go to the questions' error box.
    TFormOpJpeg(
        TJpegOptions &jpegOptions, const Bitmap24 &displayBitmap, ModalQuestions &questions, QWidget *parent = nullptr);

    static constexpr int kPreviewSide = 197;

    QLabel *ImageSRC, *ImageDST, *Label1;
    QScrollBar *ScrollBarHorz, *ScrollBarVert;
    QWidget *Panel1;
    QLineEdit *EditCompressionQuality;
    QPushButton *SpeedButtonUp, *SpeedButtonDown, *SpeedButtonVoir, *SpeedButtonDefaut, *BitBtnOk, *BitBtnCancel;
    QCheckBox *CheckBoxProgressiveEncoding, *CheckBoxGrayScale, *CheckBoxDisableHorzSubSampling,
        *CheckBoxDisableVertSubSampling, *CheckBoxSmoothing, *CheckBoxProgressiveDisplay;
    QGroupBox *GroupBox1;
    QComboBox *ComboBoxPixelFormat, *ComboBoxScale, *ComboBoxPerformance;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void SetDefaults();
    // Puts the settings into the controls.
    void ShowOptions(const TJpegOptions &options);
    void ApplyOptions();
    void UpdatePreview();
    void FormActivate();
    void qualityButtonPressed(bool up, Qt::MouseButtons buttons);

    TJpegOptions &m_jpegOptions;
    TJpegOptions m_shown; // as they were when the window was shown
    const Bitmap24 &m_display;
    ModalQuestions &m_questions;
    bool m_scrolling = false; // a scroll bar moved since its last press
};
