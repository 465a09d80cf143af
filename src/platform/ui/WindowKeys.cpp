#include "platform/ui/WindowKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

WindowKeys::WindowKeys(QWidget *window, QAbstractButton *okButton)
    : QObject(window)
    , m_window(window)
    , m_ok(okButton)
{
    window->installEventFilter(this);
}

bool WindowKeys::eventFilter(QObject *watched, QEvent *event)
{
    // Keys the focused control ignored propagate up to the window.
    if (watched != m_window || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier))
        return false;
    switch (key->key()) {
    case Qt::Key_Escape:
        m_window->close();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        auto *focused = qobject_cast<QPushButton *>(QApplication::focusWidget());
        QAbstractButton *target = focused && focused->window() == m_window ? focused : m_ok;
        if (!target || !target->isEnabled() || !target->isVisible())
            return false;
        target->click();
        return true;
    }
    default:
        return false;
    }
}
