#pragma once

#include <QWidget>

// The JPEG options window. Created hidden at start-up; its creation applies
// the JPEG defaults to the program-wide settings.
class TFormOpJpeg : public QWidget {
    Q_OBJECT
public:
    explicit TFormOpJpeg(QWidget *parent = nullptr);

private:
    void FormCreate();
};
