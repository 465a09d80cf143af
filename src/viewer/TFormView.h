#pragma once

#include <QWidget>

// The sequence viewer: replays a created series of frame files in the main
// window. Created hidden at start-up, shown without blocking.
class TFormView : public QWidget {
    Q_OBJECT
public:
    explicit TFormView(QWidget *parent = nullptr);
};
