#pragma once

#include <QObject>

class QAbstractButton;
class QWidget;

// Enter and Escape for a window that is not a dialog, as a dialog has them:
// Escape closes the window as its close box does; Enter presses the focused
// push button, or else the window's OK button (none: Enter does nothing).
// Keys that the focused control uses itself (a line break in a text box, an
// open drop-down list) never get here. Owned by the window.
class WindowKeys : public QObject {
    Q_OBJECT
public:
    WindowKeys(QWidget *window, QAbstractButton *okButton = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    QAbstractButton *m_ok;
};
