#include "app/PictureLevelsMaker.h"

#include "picture/PictureLevels.h"

#include <QMetaObject>
#include <QObject>

#include <memory>
#include <utility>

PictureLevelsMaker::PictureLevelsMaker(QObject &context)
    : m_context(context)
{
}

PictureLevelsMaker::~PictureLevelsMaker()
{
    cancel();
}

void PictureLevelsMaker::cancel()
{
    m_cancelled = true;
    if (m_thread.joinable())
        m_thread.join();
    ++m_generation;
    m_busy = false;
}

void PictureLevelsMaker::start(const Bitmap24 &picture, Ready ready)
{
    cancel();
    m_cancelled = false;
    m_busy = true;
    Bitmap24 shared;
    shared.share(picture);
    const std::uint64_t generation = m_generation;
    m_thread = std::thread([this, shared = std::move(shared), ready = std::move(ready), generation]() mutable {
        auto levels = std::make_shared<std::vector<Bitmap24>>(MakePictureLevels(shared, m_cancelled));
        shared.clear(); // the picture may go before the copies are handed over
        if (m_cancelled)
            return;
        QMetaObject::invokeMethod(
            &m_context,
            [this, levels, ready = std::move(ready), generation] {
                if (generation != m_generation)
                    return;
                m_busy = false;
                ready(std::move(*levels));
            },
            Qt::QueuedConnection);
    });
}
