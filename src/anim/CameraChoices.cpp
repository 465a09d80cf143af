#include "anim/CameraChoices.h"

#include "anim/CameraPath.h"
#include "common/TextFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

namespace {

constexpr OutputSizeEntry kOutputSizes[] = {
    { "Panorama 1:1", { 0, 0 } },
    { "720p (1280 × 720)", { 1280, 720 } },
    { "1080p (1920 × 1080)", { 1920, 1080 } },
    { "1440p (2560 × 1440)", { 2560, 1440 } },
    { "2160p (3840 × 2160)", { 3840, 2160 } },
    { "Vertical (1080 × 1920)", { 1080, 1920 } },
    { "Carré (1080 × 1080)", { 1080, 1080 } },
    { "Personnalisée", { 0, 0 } },
};
static_assert(std::size(kOutputSizes) == kCustomOutputSize + 1);

// Seconds as typed: from 0 to most.
std::optional<double> parseSeconds(const std::string &text, double most)
{
    const std::optional<double> seconds = ParseDecimalField(text);
    if (!seconds || *seconds < 0 || *seconds > most)
        return std::nullopt;
    return seconds;
}

std::string secondsText(double seconds)
{
    return DecimalCommaText(seconds, "%.1f");
}

} // namespace

std::optional<double> ParseDecimalField(std::string text)
{
    for (char &c : text)
        if (c == ',')
            c = '.';
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    // from_chars, not strtod: the point is a point whatever the locale.
    const char *begin = text.data() + (text.starts_with('+') ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string DecimalCommaText(double value, const char *format)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    std::string shown = text;
    for (char &c : shown)
        if (c == '.')
            c = ',';
    return shown;
}

std::span<const OutputSizeEntry> CameraOutputSizes()
{
    return kOutputSizes;
}

std::optional<CameraMove> CameraFromChoices(const CameraChoices &choices, std::string &error)
{
    CameraMove move;
    if (choices.OutputSize < 0 || choices.OutputSize > kCustomOutputSize) {
        error = "Taille de sortie Incorrecte";
        return std::nullopt;
    }
    if (choices.OutputSize == kCustomOutputSize) {
        const std::optional<std::int32_t> width = parseInt32(choices.Width);
        if (!width || *width < kMinOutputSide || *width > kMaxOutputSide) {
            error = formatText("Valeur de Largeur de sortie Incorrecte (de %d à %d)",
                { std::int64_t(kMinOutputSide), std::int64_t(kMaxOutputSide) });
            return std::nullopt;
        }
        const std::optional<std::int32_t> height = parseInt32(choices.Height);
        if (!height || *height < kMinOutputSide || *height > kMaxOutputSide) {
            error = formatText("Valeur de Hauteur de sortie Incorrecte (de %d à %d)",
                { std::int64_t(kMinOutputSide), std::int64_t(kMaxOutputSide) });
            return std::nullopt;
        }
        move.OutputWidth = *width;
        move.OutputHeight = *height;
    } else {
        move.OutputWidth = kOutputSizes[choices.OutputSize].size.width;
        move.OutputHeight = kOutputSizes[choices.OutputSize].size.height;
    }
    if (choices.Duration.find_first_not_of(' ') != std::string::npos) {
        const std::optional<double> duration = parseSeconds(choices.Duration, kMaxPassSeconds);
        if (!duration || *duration <= 0) {
            error = "Valeur de Durée d'un passage Incorrecte";
            return std::nullopt;
        }
        move.Duration = *duration;
    }
    if (choices.Hold.find_first_not_of(' ') != std::string::npos) {
        const std::optional<double> hold = parseSeconds(choices.Hold, kMaxHoldSeconds);
        if (!hold) {
            error = "Valeur de Pause aux extrémités Incorrecte";
            return std::nullopt;
        }
        move.Hold = *hold;
    }
    move.Ease = choices.Smooth ? Easing::Smooth : Easing::Linear;
    move.AudioFile = choices.AudioFile;
    return move;
}

std::string DescribePass(const PanelState &panel, const CameraMove &camera, int panoramaWidth, int panoramaHeight,
    double rate, const SphereView &sphere)
{
    if (panoramaWidth <= 0 || panoramaHeight <= 0 || rate <= 0)
        return {};
    tanimprm prm;
    const std::optional<std::int32_t> width = parseInt32(panel.EditFrameWidth);
    const std::optional<std::int32_t> height = parseInt32(panel.EditFrameHeight);
    const std::optional<std::int32_t> step = parseInt32(panel.EditStep);
    prm.FrameWidth = camera.Scales() ? camera.OutputWidth : width.value_or(0);
    prm.FrameHeight = camera.Scales() ? camera.OutputHeight : height.value_or(0);
    if (prm.FrameWidth <= 0 || prm.FrameHeight <= 0 || !step)
        return {};
    prm.Step = *step;
    prm.Center = panel.CheckBoxCenter;
    prm.ScrollDirection = panel.CheckBoxScrollDirection;
    prm.ScrollBack = panel.CheckBoxScrollBack;
    prm.Loop360 = panel.CheckBoxLoop360;
    prm.ScrollType = panel.RadioGroupScrollType == ScrollVertical ? ScrollVertical : ScrollHorizontal;
    prm.Camera = camera;
    prm.Camera.Rate = rate;
    UseSphereView(prm, sphere);
    const RunPlan plan = PrepareFrames(prm, panoramaWidth, panoramaHeight);
    const auto firstPass = [](const auto &passes) { return std::int64_t(passes.empty() ? 0 : passes.front().size()); };
    const std::int64_t frames = plan.sphere ? firstPass(plan.sphere->passes)
        : plan.camera                       ? firstPass(plan.camera->passes)
                                            : std::int64_t(plan.outward.PassCount);
    std::string text = formatText("Un passage : %s s (%d images à %d images par seconde)",
        { secondsText(double(frames) / rate), frames, std::int64_t(std::lround(rate)) });
    if (const std::optional<JudderAdvice> advice = AdviseOnJudder(plan, rate))
        text += formatText("\nIl traverse l'image en %s s : sous 7 s le défilement saccade. Une durée de %d s "
                           "serait fluide.",
            { secondsText(advice->crossingSeconds), std::int64_t(advice->smoothDuration) });
    return text;
}
