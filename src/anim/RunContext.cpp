#include "anim/RunContext.h"

#include "platform/MessagePump.h"

RunContext::RunContext(MessagePump &pump)
    : m_pump(pump)
{
    // A coarse timer may fire up to 5 % early: a pause must never be shorter
    // than asked.
    Timer1.setTimerType(Qt::PreciseTimer);
    QObject::connect(&Timer1, &QTimer::timeout, [this] { Timer1Timer(); });
    // Enabled at start with a first tick that only disables it.
    Timer1.setInterval(1000);
    Timer1.start();
}

void RunContext::WaitTempo(std::int32_t ms)
{
    if (ms > 0) {
        m_waiting = true;
        Timer1.setInterval(ms);
        Timer1.start();
        while (m_waiting)
            m_pump.waitForMessages();
    } else {
        // Zero, and a negative tempo, mean no pause.
        Timer1.stop();
        m_waiting = false;
        m_pump.processMessages();
    }
}

void RunContext::Timer1Timer()
{
    Timer1.stop();
    m_waiting = false;
}
