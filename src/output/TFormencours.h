#pragma once

#include <QWidget>

// The progress window of long writes. Created hidden at start-up.
class TFormencours : public QWidget {
    Q_OBJECT
public:
    explicit TFormencours(QWidget *parent = nullptr);
};
