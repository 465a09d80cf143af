#pragma once

#include "options/VideoOptions.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The "Options Vidéo" window: container, codec, quality, key frames, frame
// rate and speed preset of "Vidéo" runs. Created hidden at start-up, shown
// without blocking; every change takes effect at once in the options it was
// given, and "Annuler", Escape or the close box take back those made since
// the window was shown. Fields the chosen file does not use are greyed.
class TFormOpVideo : public QWidget {
    Q_OBJECT
public:
    explicit TFormOpVideo(TVideoOptions &options, QWidget *parent = nullptr);

    QComboBox *ComboContainer, *ComboCodec;
    QSpinBox *SpinQuality, *SpinKeyInterval, *SpinRate;
    QLineEdit *EditPreset;
    QCheckBox *CheckLossless;
    QLabel *LabelQuality;
    QPushButton *ButtonClose, *ButtonCancel;

    // Puts the options' values into the fields; from then on "Annuler"
    // comes back to them.
    void showValues();

signals:
    // The container changed: the file's extension with it.
    void containerChanged();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void updateFields();

    TVideoOptions &m_options;
    TVideoOptions m_shown; // as they were when the window was shown
};
