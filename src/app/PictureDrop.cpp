#include "app/PictureDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

PictureDrop::PictureDrop(QWidget *window, OpenFile open)
    : QObject(window)
    , m_open(std::move(open))
{
    // Drags over the window's controls reach the window, the first parent
    // that accepts drops.
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

std::optional<QString> PictureDrop::DroppedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile() || urls.front().toLocalFile().isEmpty())
        return std::nullopt;
    return urls.front().toLocalFile();
}

bool PictureDrop::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (DroppedFile(drag->mimeData()))
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const std::optional<QString> file = DroppedFile(drop->mimeData());
        if (!file) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        m_open(file->toStdString());
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}
