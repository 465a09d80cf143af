#pragma once

#include "anim/RunContext.h"
#include "anim/SettingsPanel.h"
#include "options/AviOptions.h"
#include "options/JpegOptions.h"
#include "options/VideoOptions.h"

#include <QByteArray>

#include <cstdint>
#include <string>

class QSettings;

// What the window remembers from one session to the next: the panel's
// choices, the options windows' settings, the tempo and where the window
// stood. Never full screen: the geometry is the one before it.
struct RememberedSettings {
    PanelChoices panel;
    TJpegOptions jpeg;
    TVideoOptions video;
    TAviOptions avi;
    std::int32_t tempo = RunContext::kDefaultTempo;
    QByteArray windowGeometry; // as QWidget::saveGeometry gives it; empty: the default size
};

// Reads the store. A value that is missing, of a foreign type, or outside
// what its control allows (a negative rate, an unknown format) is its
// default; the others are taken.
RememberedSettings ReadRememberedSettings(const QSettings &store);

// Writes every value and flushes the store; false with the reason (the
// store's file named) when it could not be written.
bool WriteRememberedSettings(QSettings &store, const RememberedSettings &settings, std::string &error);

// Removes every value the program wrote; false with the reason when the
// store could not be written.
bool ForgetRememberedSettings(QSettings &store, std::string &error);
