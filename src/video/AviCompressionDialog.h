#pragma once

#include "video/AviCompression.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSlider;
class QSpinBox;

// The compression dialog of an AVI run: the compressor ("Sans Compression" or
// one of the installed video compressors), the quality (0 to 10000), a key
// frame every N frames (0: the compressor's default) and an optional data
// rate in Ko/s. Fields a compressor has no use for are greyed.
class AviCompressionDialog : public QDialog {
    Q_OBJECT
public:
    // Pre-set from options: the compressor whose code matches (case
    // aside), else "Sans Compression".
    explicit AviCompressionDialog(const AviCompression &options, QWidget *parent = nullptr);

    // The choice shown.
    AviCompression choice() const;

private:
    void compressorChanged();

    QComboBox *m_compressor;
    QSlider *m_qualitySlider;
    QSpinBox *m_quality;
    QSpinBox *m_keyFrames;
    QCheckBox *m_dataRateOn;
    QSpinBox *m_dataRate;
};

// Shows the dialog modally, pre-set from options. OK: the choice is written
// into options and the result is true. Annuler or the close box: false, and
// options stay untouched.
bool runAviCompressionDialog(QWidget *parent, AviCompression &options);
