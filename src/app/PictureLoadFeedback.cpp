#include "app/PictureLoadFeedback.h"

#include "common/TextFormat.h"
#include "platform/MessagePump.h"

PictureLoadFeedback::PictureLoadFeedback(const std::string &fileName, MessagePump &pump,
    std::function<void(const std::string &)> status, std::function<Clock::time_point()> now)
    : m_name(fileName.substr(fileName.find_last_of('/') + 1))
    , m_pump(pump)
    , m_status(std::move(status))
    , m_now(std::move(now))
    , m_start(m_now())
    , m_lastPump(m_start)
{
}

void PictureLoadFeedback::pumpNowAndThen()
{
    // At the first check, then every kPumpInterval.
    const Clock::time_point now = m_now();
    if (m_pumped && now - m_lastPump < kPumpInterval)
        return;
    m_pumped = true;
    m_lastPump = now;
    m_pump.processMessages();
}

CancelCheck PictureLoadFeedback::cancelCheck()
{
    return [this] {
        pumpNowAndThen();
        return m_cancelled;
    };
}

LoadProgress PictureLoadFeedback::progress()
{
    return [this](int percent) {
        if (m_now() - m_start < kQuietTime)
            return;
        m_shown = true;
        m_status(formatText("Chargement de %s : %d %%", { m_name, std::int64_t(percent) }));
        pumpNowAndThen();
    };
}
