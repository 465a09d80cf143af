#pragma once

#include "anim/AnimationRun.h"

#include <cstdint>
#include <functional>
#include <optional>

class Bitmap24;
class RunContext;
class RunFeedback;
class SettingsPanel;
class StatusLine;
class WindowServices;
struct TAviOptions;
struct TJpegOptions;
struct TVideoOptions;

// The window's run commands and their checks: "Tester", "Créer" and "Tester
// le Nom de Fichier". Each reads the panel (its messages and questions
// included) before anything runs, checks what the chosen output can take
// before anything is made on disk, runs, and leaves its result on the status
// line; a failure is thrown with the text of the error box. The windows only
// call them.
class RunCommands {
public:
    // The options windows' settings, read when a run starts.
    struct Options {
        const TJpegOptions &jpeg;
        const TAviOptions &avi;
        const TVideoOptions &video;
    };
    RunCommands(SettingsPanel &panel, WindowServices &services, RunContext &run, Options options, RunFeedback &feedback,
        StatusLine &status);

    // Runs asked for while a picture loads do nothing (the panel greys
    // them meanwhile); none: never.
    std::function<bool()> pictureLoading;

    // "Tester": every frame shown, nothing written; with AVI or "Vidéo" at
    // that file's rate, else at the tempo.
    void Test(const Bitmap24 &panorama);
    // "Créer": the frames written as the panel's format says. inputPicture
    // is the file the panorama was read from: never replaced.
    void Create(const Bitmap24 &panorama, const std::optional<FileIdentity> &inputPicture);
    // "Tester le Nom de Fichier": the first file's name that "Créer" would
    // write, on the status line (cleared when the panel refuses).
    void ShowFirstFileName();
    // "Ouvrir le dossier": the folder of what the last creation run made, in
    // the desktop's file manager; a folder gone since, or a desktop that
    // cannot open it, is said with its path. Nothing made yet: nothing done.
    void OpenMadeFolder();

private:
    void create(const Bitmap24 &panorama, const std::optional<FileIdentity> &inputPicture);
    std::optional<RunRequest> readRequest(RunKind kind, const std::optional<VideoOutputSettings> &video);
    void createFile(const Bitmap24 &panorama, RunRequest request);
    bool loading() const { return pictureLoading && pictureLoading(); }

    SettingsPanel &m_panel;
    WindowServices &m_services;
    RunContext &m_run;
    Options m_options;
    RunFeedback &m_feedback;
    StatusLine &m_status;
};

// The settings of a video file as the options windows set it (frame size left
// to the run).
VideoOutputSettings VideoSettingsFromOptions(const TVideoOptions &options);
VideoOutputSettings AviSettingsFromOptions(const TAviOptions &options);
// The pause between two frames played at rate frames per second, in whole
// milliseconds (1000 / rate); none for a rate below 1.
std::optional<std::int32_t> PauseAtRate(std::int64_t rate);
