#include "app/RunLengthText.h"

#include "anim/AnimSettings.h"
#include "options/AviOptions.h"
#include "options/VideoOptions.h"
#include "output/OutputFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct LengthCase {
    const char *name;
    std::int32_t format;
    std::int32_t tempo; // ms
    std::uint16_t aviRate;
    std::int32_t videoRate;
    std::int64_t frames;
    const char *text;
    CameraMove camera = {};
};

// A camera's pass of `seconds`, held `hold` seconds at each end, at `rate`.
CameraMove camera(double seconds, double hold, double rate)
{
    CameraMove c;
    c.Duration = seconds;
    c.Hold = hold;
    c.Rate = rate;
    return c;
}

// A camera that only steps by fractions of a pixel: no seconds of its own.
CameraMove steppingCamera()
{
    CameraMove c;
    c.Step = 0.5;
    c.Rate = 60;
    return c;
}

class RunLengthTable : public ::testing::TestWithParam<LengthCase> { };

TEST_P(RunLengthTable, saysTheFramesAndHowLongTheyPlay)
{
    const LengthCase &c = GetParam();
    TAviOptions avi;
    avi.Rate = c.aviRate;
    TVideoOptions video;
    video.Rate = c.videoRate;
    EXPECT_EQ(RunLengthText(c.frames, PreviewRate(c.camera, c.format, avi, video, c.tempo)), c.text);
}

INSTANTIATE_TEST_SUITE_P(Cases, RunLengthTable,
    ::testing::Values(
        // A series plays at one frame a pause.
        LengthCase { "seriesAtTheTempo", FormatBmp, 40, 10, 30, 925, "925 images, 0:37 à 25 i/s" },
        LengthCase { "jpegSeries", FormatJpg, 100, 10, 30, 800, "800 images, 1:20 à 10 i/s" },
        LengthCase { "rateWithATenth", FormatPng, 30, 10, 30, 100, "100 images, 0:03 à 33,3 i/s" },
        LengthCase { "slowRateWithHundredths", FormatBmp, 1500, 10, 30, 10, "10 images, 0:15 à 0,67 i/s" },
        LengthCase { "halfRate", FormatBmp, 400, 10, 30, 10, "10 images, 0:04 à 2,5 i/s" },
        // One file plays at its own rate, whatever the pause.
        LengthCase { "aviAtItsRate", FormatAvi, 40, 12, 30, 600, "600 images, 0:50 à 12 i/s" },
        LengthCase { "videoAtItsRate", FormatVideo, 40, 12, 30, 4668, "4668 images, 2:35 à 30 i/s" },
        LengthCase { "overAnHour", FormatAvi, 40, 1, 30, 3725, "3725 images, 1:02:05 à 1 i/s" },
        // A camera's duration and holds are seconds at its own rate.
        LengthCase { "cameraDuration", FormatVideo, 40, 12, 25, 600, "600 images, 0:20 à 30 i/s", camera(10, 0, 30) },
        LengthCase { "cameraHold", FormatBmp, 40, 12, 25, 360, "360 images, 0:15 à 24 i/s", camera(0, 1, 24) },
        LengthCase { "cameraDurationAvi", FormatAvi, 40, 12, 25, 500, "500 images, 0:10 à 50 i/s", camera(4, 1, 50) },
        LengthCase { "cameraWithoutRate", FormatVideo, 40, 12, 25, 60, "60 images", camera(2, 0, 0) },
        // A camera without seconds leaves the rate to the output.
        LengthCase {
            "cameraSteppingOnly", FormatVideo, 40, 12, 25, 100, "100 images, 0:04 à 25 i/s", steppingCamera() },
        // No rate: the count alone.
        LengthCase { "noPause", FormatBmp, 0, 10, 30, 58, "58 images" },
        LengthCase { "negativeTempo", FormatJpg, -20, 10, 30, 58, "58 images" },
        LengthCase { "aviRateZero", FormatAvi, 40, 0, 30, 120, "120 images" },
        // One is singular; none is said as such, with a rate or not.
        LengthCase { "oneFrame", FormatBmp, 40, 10, 30, 1, "1 image, 0:00 à 25 i/s" },
        LengthCase { "oneFrameNoRate", FormatBmp, 0, 10, 30, 1, "1 image" },
        LengthCase { "noFrame", FormatVideo, 40, 10, 30, 0, "aucune image" },
        LengthCase { "noFrameNoRate", FormatBmp, 0, 10, 30, 0, "aucune image" },
        LengthCase { "noFrameAtACameraRate", FormatBmp, 40, 10, 30, 0, "aucune image", camera(0, 1, 24) },
        LengthCase { "negativeCount", FormatAvi, 40, 12, 30, -3, "aucune image" }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
