#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QMimeData;
class QWidget;

// Lets a picture dragged from a file manager onto a window open as if it
// had been chosen in "Ouvrir...": a drag of exactly one local file is
// accepted anywhere on the window, its text fields included, and its path
// is handed to open. Other drags are refused (text still goes to a field).
class PictureDrop : public QObject {
    Q_OBJECT
public:
    using OpenFile = std::function<void(const std::string &fileName)>;
    PictureDrop(QWidget *window, OpenFile open);

    // The one local file a drag carries; none for several files, a remote
    // address or plain text.
    static std::optional<QString> DroppedFile(const QMimeData *data);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    OpenFile m_open;
};
