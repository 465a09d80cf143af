#pragma once

#include "options/VideoOptions.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The "Options Vidéo" window: container, codec, quality, key frames, frame
// rate and speed preset of "Vidéo" runs. Created hidden at start-up, shown
// without blocking; every change takes effect at once in the options it was
// given, as in the AVI options window.
class TFormOpVideo : public QWidget {
    Q_OBJECT
public:
    explicit TFormOpVideo(TVideoOptions &options, QWidget *parent = nullptr);

    QComboBox *ComboContainer, *ComboCodec;
    QSpinBox *SpinQuality, *SpinKeyInterval, *SpinRate;
    QLineEdit *EditPreset;
    QCheckBox *CheckLossless;
    QPushButton *ButtonClose;

    // Puts the options' values into the fields.
    void showValues();

signals:
    // The container changed: the file's extension with it.
    void containerChanged();

private:
    void updateCodecs();

    TVideoOptions &m_options;
};
