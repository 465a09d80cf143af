#pragma once

#include <functional>
#include <string>

// The program's one log, for what the libraries say on the side: warnings of
// FFmpeg, of Qt's image plug-ins (libpng, libtiff...) and of libjpeg. Quiet by
// default: lines are dropped unless verbose is on (travelia-cli --verbose).
// Thread-safe: libraries may log from their own threads.
void SetLogVerbose(bool verbose);
bool LogVerbose();

// Where shown lines go; empty: standard error. Each call gets one line
// without its end-of-line.
using LogSink = std::function<void(const std::string &line)>;
void SetLogSink(LogSink sink);

// "source: text", shown when verbose. Trailing line ends are dropped.
void LogLine(const std::string &source, const std::string &text);
