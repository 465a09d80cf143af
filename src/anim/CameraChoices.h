#pragma once

#include "anim/AnimSettings.h"
#include "anim/FrameSequence.h"
#include "anim/SettingsPanel.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// The choices of the "Options Caméra" window as they are typed, remembered
// from one session to the next; CameraFromChoices turns them into the
// camera of the window's runs.
struct CameraChoices {
    std::int32_t OutputSize = 0; // index in CameraOutputSizes(); 0: the panorama 1:1
    std::string Width = "1920"; // "Personnalisée"
    std::string Height = "1080";
    std::string Duration; // seconds a pass lasts; empty: the step decides
    bool Smooth = false;
    std::string Hold = "0"; // seconds at each end of a pass
    std::string AudioFile; // for video files; empty: none
    // A 360° panorama seen through a virtual camera (SphereChoices.h).
    std::int32_t Projection = 0; // how the picture lies on the sphere: set anew by each picture opened
    std::int32_t View = 0; // 0: frames cut from the picture as it is
    std::string Fov; // degrees across the frame; empty: the view's own
    std::string Pitch; // degrees up; empty: the view's own

    bool operator==(const CameraChoices &) const = default;
};

// One entry of the "Taille de sortie" list: its caption and its frame (0 x 0:
// the panorama's own pixels; the custom entry takes the two fields).
struct OutputSizeEntry {
    const char *caption;
    PictureSize size;
};
std::span<const OutputSizeEntry> CameraOutputSizes();
inline constexpr std::int32_t kCustomOutputSize = 7; // "Personnalisée"

// Limits of the fields (a frame of at least 2 x 2 for 4:2:0 video).
inline constexpr std::int32_t kMinOutputSide = 2;
inline constexpr std::int32_t kMaxOutputSide = 16384;
inline constexpr double kMaxPassSeconds = 86400;
inline constexpr double kMaxHoldSeconds = 3600;

// A number as typed in a field: blanks around it, a decimal point or
// comma; nothing when it is empty, not a number or not finite.
std::optional<double> ParseDecimalField(std::string text);
// A number as the window's French texts show it: printf's `format` ("%.1f",
// "%.4g"), with a decimal comma.
std::string DecimalCommaText(double value, const char *format);

// The camera of the choices (its Rate left to the run), or nothing with the
// message for a value refused. Seconds take a decimal point or comma.
std::optional<CameraMove> CameraFromChoices(const CameraChoices &choices, std::string &error);

// What the window tells of a pass with the panel as it stands and a camera:
// how long it lasts at rate frames per second and, when it crosses a frame
// width too fast (AdviseOnJudder), the duration that would be smooth. Empty
// when the panel holds no valid frame or there is no picture. With an active
// view of a 360° panorama, the pass is the view's turn.
std::string DescribePass(const PanelState &panel, const CameraMove &camera, int panoramaWidth, int panoramaHeight,
    double rate, const SphereView &sphere = {});
