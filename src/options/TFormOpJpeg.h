#pragma once

#include <QWidget>

struct TJpegOptions;

// The JPEG options window. Created hidden at start-up; its creation applies
// the JPEG defaults to the program-wide settings.
class TFormOpJpeg : public QWidget {
    Q_OBJECT
public:
    explicit TFormOpJpeg(TJpegOptions &jpegOptions, QWidget *parent = nullptr);

private:
    void FormCreate();

    TJpegOptions &m_jpegOptions;
};
