#include "MediaTools.h"
#include "TestUtils.h"
#include "output/FrameFile.h"

#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// One 360° turn of a 480 x 120 test panorama, 25 frames a second.
constexpr int panoWidth = 480, panoHeight = 120, rate = 25;

// The frames of the turn: their size, and how far apart they stand, in
// frame pixels (the panorama scaled to the frame's height).
struct Turn {
    std::vector<std::string> options;
    int width, height, step;
    // The largest mean distance of a frame's stripes from the expected: lossy
    // codecs smear the sharp seam within a stripe by up to 10; the panorama
    // scaled many times larger smears it further, over narrower stripes.
    double tolerance = 4;
    int frames() const { return panoWidth * height / panoHeight / step; }
    double scale() const { return double(height) / panoHeight; }
};
// 30 frames of 160 x 120, 16 pixels apart.
const Turn smallTurn { { "-s", "16", "-W", "160", "-H", "120" }, 160, 120, 16 };
// Five frames of 3840 x 2160 and of 1080 x 1920 (the panorama 18 and 16
// times larger), few so that the test stays short.
const Turn uhdTurn { { "--size", "2160p", "-s", "1728" }, 3840, 2160, 1728, 8 };
const Turn verticalTurn { { "--size", "vertical", "-s", "1536" }, 1080, 1920, 1536, 8 };

struct PlaybackCase {
    const char *label;
    std::vector<std::string> options; // MUSIC: a sound file of two seconds
    const char *extension;
    Turn turn = smallTurn;
    double durationTolerance = 1e-3; // music may end up to one AAC frame after the frames
};

std::ostream &operator<<(std::ostream &os, const PlaybackCase &c)
{
    return os << c.label;
}

// The page's line for one file: "URL ok key=value..." or "URL failed REASON".
struct PageReport {
    bool ok = false;
    std::string text;
    std::map<std::string, std::string> values;
};

PageReport parseReport(const std::string &dom)
{
    const std::string open = "<pre id=\"result\">";
    const std::size_t begin = dom.find(open), end = dom.find("</pre>", begin);
    if (begin == std::string::npos || end == std::string::npos)
        return { false, "no result element in the page:\n" + dom, {} };
    PageReport report { false, dom.substr(begin + open.size(), end - begin - open.size()), {} };
    std::istringstream words(report.text);
    std::string url, verdict;
    words >> url >> verdict;
    report.ok = verdict == "ok";
    for (std::string word; words >> word;)
        if (const std::size_t eq = word.find('='); eq != std::string::npos)
            report.values[word.substr(0, eq)] = word.substr(eq + 1);
    return report;
}

// The page's notes on the browser's log ("URL: step"): where a page that
// never finished stopped.
std::string consoleNotes(const std::string &log)
{
    std::istringstream lines(log);
    std::string notes;
    for (std::string line; std::getline(lines, line);)
        if (line.find(":CONSOLE") != std::string::npos)
            notes += line + "\n";
    return notes;
}

// Loads the check page for one file in headless Chromium and reads back what
// the page wrote. Chromium gets a throwaway profile and home, none of the
// sanitizer settings meant for our own programs, and no name lookups (it
// would otherwise look up Google's servers even with its background
// networking off).
PageReport playInChromium(const QString &chromium, const fs::path &media, const fs::path &scratch)
{
    QUrl page = QUrl::fromLocalFile(QStringLiteral(TRAVELIA_BROWSER_PAGE));
    page.setQuery("media=" + QUrl::toPercentEncoding(QUrl::fromLocalFile(QString::fromStdString(media)).toString()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &key : env.keys())
        if (key.endsWith("SAN_OPTIONS") || key == "LD_PRELOAD")
            env.remove(key);
    env.insert("HOME", QString::fromStdString(scratch));
    QProcess process;
    process.setProcessEnvironment(env);
    // As root (CI) Chromium starts only without its sandbox; file:// pages
    // may read other files and their pixels only with file access allowed.
    process.start(chromium,
        { "--headless", "--no-sandbox", "--allow-file-access-from-files", "--host-resolver-rules=MAP * ~NOTFOUND",
            "--user-data-dir=" + QString::fromStdString(scratch / "profile"), "--enable-logging=stderr",
            "--virtual-time-budget=5000", "--dump-dom", page.toString(QUrl::FullyEncoded) });
    // A few seconds normally, even on a busy machine; a page that hangs may keep Chromium for ever.
    if (!process.waitForFinished(45000)) {
        process.kill();
        process.waitForFinished();
        return { false,
            "Chromium did not finish in 45 s; the page's last notes:\n"
                + consoleNotes(process.readAllStandardError().toStdString()),
            {} };
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return { false, "Chromium failed: " + process.readAllStandardError().toStdString(), {} };
    PageReport report = parseReport(process.readAllStandardOutput().toStdString());
    if (report.text == "running")
        report.text
            = "the page did not finish; its last notes:\n" + consoleNotes(process.readAllStandardError().toStdString());
    return report;
}

// Frame k of the turn as the page sees it: the mean blue (which here is the
// panorama column mod 256) of each of `count` column stripes.
std::vector<double> stripesOfFrame(const Turn &turn, int k, std::size_t count)
{
    std::vector<double> means;
    for (std::size_t s = 0; s < count; ++s) {
        const int x0 = int(s) * turn.width / int(count), x1 = int(s + 1) * turn.width / int(count);
        double sum = 0;
        for (int x = x0; x < x1; ++x)
            sum += testPanoramaPixel(int(double(k * turn.step + x) / turn.scale()) % panoWidth, 0).b;
        means.push_back(sum / (x1 - x0));
    }
    return means;
}

// The frame of the turn closest to what the page drew, and its mean distance
// from it (the neighbours are a step, at least 16 panorama pixels, apart).
struct FrameMatch {
    int frame = -1;
    double error = 1e9;
};

FrameMatch closestFrame(const Turn &turn, const std::string &list)
{
    std::vector<double> seen;
    std::istringstream items(list);
    for (std::string item; std::getline(items, item, ',');)
        seen.push_back(std::stod(item));
    FrameMatch best;
    for (int k = 0; k < turn.frames() && !seen.empty(); ++k) {
        const std::vector<double> expected = stripesOfFrame(turn, k, seen.size());
        double error = 0;
        for (std::size_t s = 0; s < seen.size(); ++s)
            error += std::abs(seen[s] - expected[s]) / double(seen.size());
        if (error < best.error)
            best = { k, error };
    }
    return best;
}

class ChromiumPlays : public testing::TestWithParam<PlaybackCase> { };

// Chromium shows the file at its size and length, starts on the first frame
// of the turn and seeks to the last, the one that leads back into the first.
TEST_P(ChromiumPlays, sizeLengthFirstAndLastFrame)
{
    const QString chromium = QStandardPaths::findExecutable("chromium");
    if (chromium.isEmpty())
        GTEST_SKIP() << "Chromium is not installed (Debian package chromium)";
    const PlaybackCase &c = GetParam();
    const Turn &turn = c.turn;
    const int width = turn.width, height = turn.height, frames = turn.frames();
    TempDir dir;
    const std::string panorama = (dir / "pano.bmp").string();
    ASSERT_TRUE(WriteBmpFile(makeTestPanorama(panoWidth, panoHeight), panorama));
    std::vector<std::string> args { "-q", "--loop360", "--rate", std::to_string(rate) };
    args.insert(args.end(), turn.options.begin(), turn.options.end());
    for (const std::string &option : c.options) {
        args.push_back(option);
        if (option == "MUSIC") {
            args.back() = (dir / "music.wav").string();
            ASSERT_TRUE(makeToneFile(args.back(), 2.0));
        }
    }
    args.push_back(panorama);
    const ToolRun cli = runTool(TRAVELIA_CLI_PATH, args);
    ASSERT_EQ(cli.exitCode, 0) << cli.err;
    const fs::path media = dir / "anim" / (std::string("ANIM0000.") + c.extension);
    ASSERT_TRUE(fs::exists(media)) << cli.out;

    const PageReport report = playInChromium(chromium, media, dir.path());
    ASSERT_TRUE(report.ok) << report.text;
    EXPECT_EQ(report.values.at("width"), std::to_string(width)) << report.text;
    EXPECT_EQ(report.values.at("height"), std::to_string(height)) << report.text;
    EXPECT_NEAR(std::stod(report.values.at("duration")), double(frames) / rate, c.durationTolerance) << report.text;
    if (report.values.count("lastTime")) {
        EXPECT_NEAR(std::stod(report.values.at("lastTime")), double(frames - 1) / rate, 1e-3) << report.text;
    }
    if (report.values.count("frames")) {
        EXPECT_EQ(report.values.at("frames"), std::to_string(frames)) << report.text;
        EXPECT_EQ(report.values.at("repetition"), "Infinity") << report.text; // loops for ever
    }
    for (const auto &[key, frame] : { std::pair { "first", 0 }, std::pair { "last", frames - 1 } }) {
        const FrameMatch match = closestFrame(turn, report.values.at(key));
        EXPECT_EQ(match.frame, frame) << key << " frame: " << report.text;
        EXPECT_LT(match.error, turn.tolerance) << key << " frame: " << report.text;
    }
}

// What Chromium plays of ours (not H.265 nor FFV1: "no supported streams").
INSTANTIATE_TEST_SUITE_P(Formats, ChromiumPlays,
    testing::Values(PlaybackCase { "mp4H264", { "-f", "mp4", "--video-codec", "h264" }, "MP4" },
        PlaybackCase { "mp4Av1", { "-f", "mp4", "--video-codec", "av1" }, "MP4" },
        PlaybackCase { "webmVp9", { "-f", "webm", "--video-codec", "vp9" }, "WEBM" },
        PlaybackCase { "webmAv1", { "-f", "webm", "--video-codec", "av1" }, "WEBM" },
        PlaybackCase { "gif", { "-f", "gif" }, "GIF" }, PlaybackCase { "webp", { "-f", "webp" }, "WEBP" },
        PlaybackCase {
            "mp4H264Uhd2160pWithMusic", { "-f", "mp4", "--audio", "MUSIC" }, "MP4", uhdTurn, 1024.0 / 48000 },
        PlaybackCase { "mp4H264Vertical", { "-f", "mp4" }, "MP4", verticalTurn }),
    [](const auto &info) { return std::string(info.param.label); });

} // namespace
