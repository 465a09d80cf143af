#include "app/ui/PictureDrop.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

PictureDrop::PictureDrop(QWidget *window, OpenFile open)
    : QObject(window)
    , m_window(window)
    , m_open(std::move(open))
{
    // Drags over the window's controls reach the window, the first parent
    // that accepts drops; text fields accept drops themselves, so a file
    // dropped on one of them is taken here before the field pastes its name.
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    for (QLineEdit *field : window->findChildren<QLineEdit *>())
        field->installEventFilter(this);
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
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    const std::optional<QString> file = DroppedFile(drop->mimeData());
    if (!file) {
        if (watched != m_window)
            return false; // text for a field: the field's own business
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (type == QEvent::Drop)
        m_open(file->toStdString());
    return true;
}
