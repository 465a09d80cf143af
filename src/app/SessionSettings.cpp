#include "app/SessionSettings.h"

#include <QSettings>

SessionSettings::SessionSettings(QSettings &store, Holders holders)
    : m_store(store)
    , m_holders(holders)
{
}

void SessionSettings::apply(const RememberedSettings &s)
{
    m_holders.panel.applyChoices(s.panel);
    m_holders.run.Tempo = s.tempo;
    m_holders.jpeg = s.jpeg;
    m_holders.video = s.video;
    m_holders.avi = s.avi;
}

QByteArray SessionSettings::restore()
{
    const RememberedSettings s = ReadRememberedSettings(m_store);
    apply(s);
    return s.windowGeometry;
}

bool SessionSettings::save(const QByteArray &windowGeometry, std::string &error)
{
    RememberedSettings s;
    s.panel = m_holders.panel.choices();
    s.tempo = m_holders.run.Tempo;
    s.jpeg = m_holders.jpeg;
    s.video = m_holders.video;
    s.avi = m_holders.avi;
    s.windowGeometry = windowGeometry;
    return WriteRememberedSettings(m_store, s, error);
}

bool SessionSettings::reset(std::string &error)
{
    apply(RememberedSettings {});
    return ForgetRememberedSettings(m_store, error);
}
