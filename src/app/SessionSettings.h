#pragma once

#include "app/RememberedSettings.h"

#include <QByteArray>

#include <string>

class QSettings;

// The window's settings from one session to the next (RememberedSettings),
// put in place in the pieces that hold them and gathered from them. The
// window refreshes its panel afterwards, and places itself.
class SessionSettings {
public:
    struct Holders {
        SettingsPanel &panel;
        RunContext &run;
        TJpegOptions &jpeg;
        TVideoOptions &video;
        TAviOptions &avi;
    };
    SessionSettings(QSettings &store, Holders holders);

    // Puts the remembered values in place (the panel's choices through its
    // rules); returns the window's geometry (empty: the default size).
    QByteArray restore();
    // Writes what the pieces hold now, with the window's geometry; false
    // with the reason when the store cannot be written.
    bool save(const QByteArray &windowGeometry, std::string &error);
    // Forgets what is stored and puts the defaults in place; false with the
    // reason when the store cannot be written (the defaults are in place
    // all the same).
    bool reset(std::string &error);

private:
    void apply(const RememberedSettings &settings);

    QSettings &m_store;
    Holders m_holders;
};
