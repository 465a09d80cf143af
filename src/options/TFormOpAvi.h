#pragma once

#include "options/AviOptions.h"

#include <QWidget>

// The AVI options window: holds the frame rate, quality and codec choice of
// AVI runs. Created hidden at start-up.
class TFormOpAvi : public QWidget {
    Q_OBJECT
public:
    explicit TFormOpAvi(QWidget *parent = nullptr);

    const TAviOptions &Options() const { return m_options; }

private:
    void FormCreate();

    TAviOptions m_options;
};
