#pragma once

#include "options/AviOptions.h"
#include "options/CodecCatalogue.h"

#include <QWidget>

#include <cstdint>
#include <vector>

class ModalQuestions;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The AVI options window: the frame rate, the quality and the compressor to
// propose, with the catalogue of this machine's video compressors, rebuilt
// at every showing. Created hidden at start-up; shown without blocking.
// Every value takes effect at once in the options it was given.
class TFormOpAvi : public QWidget {
    Q_OBJECT
public:
    TFormOpAvi(TAviOptions &options, ModalQuestions &questions, QWidget *parent = nullptr);

    // Type and handler codes of catalogue entry index; false and zero codes
    // for "Sans Compression", a blank entry or an index outside the list.
    bool GetCodec(std::int32_t index, std::uint32_t &type, std::uint32_t &handler) const;

    QPushButton *SpeedButtonRate, *SpeedButtonQuality, *SpeedButtonClose, *SpeedButtonCompressor;
    QLabel *LabelRate, *LabelQuality, *LabelCompress;
    QLineEdit *Edit1;
    QListWidget *ListBox1;

    void SpeedButtonSearchCompressClick();
    void SpeedButtonRateClick();
    void SpeedButtonQualityClick();
    void SpeedButtonCompressorClick();
    // A press of any mouse button at y (in the list's viewport) chooses the
    // entry there, or the last one below the list.
    void ListBox1MouseDown(int y);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void showValues();

    void chooseCodec();

    TAviOptions &m_options;
    std::vector<CatalogueEntry> m_entries { { "Sans Compression", 0 } }; // the list's entries, for GetCodec
    ModalQuestions &m_questions;
};
