#include "app/cli/CliRun.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "output/FrameFile.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// travelia-cli over a 120 x 16 panorama: frames of 32 x 16, 4 pixels apart,
// there and back (23 + 21 frames), 10 a second: 4.4 s of video.
constexpr int kFrames = 44, kRate = 10, kSampleRate = 48000;
constexpr double kVideoSeconds = double(kFrames) / kRate;

class CliAudio : public testing::Test {
protected:
    void SetUp() override
    {
        panorama = (dir / "pano.bmp").string();
        ASSERT_TRUE(WriteBmpFile(makeTestPanorama(120, 16), panorama));
    }

    int run(std::vector<std::string> args)
    {
        args.insert(args.begin(), { "travelia-cli", "-q", "-W", "32", "-H", "16", "-s", "4", "--rate", "10" });
        args.push_back(panorama);
        std::vector<const char *> argv;
        for (const auto &a : args)
            argv.push_back(a.c_str());
        out.str({});
        err.str({});
        return runCli(int(argv.size()), argv.data(), out, err, {});
    }

    // The files in the output folder (none when it was not made).
    std::vector<std::string> made() const
    {
        std::vector<std::string> names;
        if (fs::exists(dir / "anim"))
            for (const auto &entry : fs::directory_iterator(dir / "anim"))
                names.push_back(entry.path().filename().string());
        return names;
    }

    TempDir dir;
    std::string panorama;
    std::ostringstream out, err;
};

struct MusicCase {
    const char *label;
    const char *format;
    const char *extension;
    const char *videoCodec;
    const char *audioCodec;
    int audioFrame; // samples in one encoder frame
};

std::ostream &operator<<(std::ostream &os, const MusicCase &c)
{
    return os << c.label;
}

class CliMusic : public CliAudio, public testing::WithParamInterface<MusicCase> {
protected:
    // Runs with the music, and the same without it under another name.
    void makeBoth(const fs::path &music)
    {
        const MusicCase &c = GetParam();
        ASSERT_EQ(run({ "-f", c.format, "--audio", music.string() }), 0) << err.str();
        withMusic = dir / "anim" / (std::string("ANIM0000.") + c.extension);
        EXPECT_NE(
            out.str().find(std::to_string(kFrames) + " frames written to " + withMusic.string()), std::string::npos)
            << out.str();
        ASSERT_EQ(run({ "-f", c.format, "-n", "PLAIN" }), 0) << err.str();
        withoutMusic = dir / "anim" / (std::string("PLAIN0000.") + c.extension);
        EXPECT_EQ(streamCodecs(withMusic), (std::vector<std::string> { c.videoCodec, c.audioCodec }));
        EXPECT_EQ(streamCodecs(withoutMusic), std::vector<std::string> { c.videoCodec });
    }

    fs::path withMusic, withoutMusic;
};

// Music longer than the video: cut to the video's length (within one audio
// frame), fading out to near silence; the video frames as without music.
TEST_P(CliMusic, longerMusicIsCutToTheVideoWithAFade)
{
    const fs::path music = dir / "music.wav";
    ASSERT_TRUE(makeToneFile(music, 8.0));
    ASSERT_NO_FATAL_FAILURE(makeBoth(music));
    const DecodedAudio audio = decodeAudio(withMusic);
    ASSERT_EQ(audio.errors, "");
    const double end = kVideoSeconds * kSampleRate;
    EXPECT_NEAR(double(audio.samples.size()), end, GetParam().audioFrame);
    const double full = rmsOf(audio.samples, kSampleRate, 2 * kSampleRate);
    EXPECT_GT(full, 0.3);
    EXPECT_LT(rmsOf(audio.samples, std::size_t(end) - kSampleRate / 20, std::size_t(end)), full / 100);
    const std::vector<std::string> frames = videoFrameMd5s(withMusic);
    EXPECT_EQ(frames.size(), std::size_t(kFrames));
    EXPECT_EQ(frames, videoFrameMd5s(withoutMusic));
}

// Music shorter than the video: silence after it, to the video's end.
TEST_P(CliMusic, shorterMusicIsFollowedBySilence)
{
    const fs::path music = dir / "short.ogg";
    ASSERT_TRUE(makeToneFile(music, 1.0, 22050, 2));
    ASSERT_NO_FATAL_FAILURE(makeBoth(music));
    const DecodedAudio audio = decodeAudio(withMusic);
    ASSERT_EQ(audio.errors, "");
    EXPECT_NEAR(double(audio.samples.size()), kVideoSeconds * kSampleRate, GetParam().audioFrame);
    EXPECT_GT(rmsOf(audio.samples, kSampleRate / 5, kSampleRate * 4 / 5), 0.3);
    EXPECT_LT(rmsOf(audio.samples, kSampleRate * 3 / 2, 3 * kSampleRate), 0.002);
    EXPECT_EQ(videoFrameMd5s(withMusic), videoFrameMd5s(withoutMusic));
}

// A disk that fills during a run with music (a file-size limit, which
// refuses root too): the system's reason, nothing left in the folder.
TEST_P(CliMusic, fullDiskLeavesNothing)
{
    const fs::path music = dir / "music.wav";
    ASSERT_TRUE(makeToneFile(music, 8.0));
    fs::create_directories(dir / "anim");
    struct rlimit saved { };
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    const struct rlimit full {
        3000, saved.rlim_max
    };
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    const int code = run({ "-f", GetParam().format, "--audio", music.string() });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(code, 3) << err.str();
    EXPECT_NE(err.str().find("File too large"), std::string::npos) << err.str();
    EXPECT_EQ(made(), std::vector<std::string> {});
}

INSTANTIATE_TEST_SUITE_P(Containers, CliMusic,
    testing::Values(MusicCase { "Mp4Aac", "mp4", "MP4", "h264", "aac", 1024 },
        MusicCase { "WebmOpus", "webm", "WEBM", "vp9", "opus", 960 },
        MusicCase { "MkvOpus", "mkv", "MKV", "ffv1", "opus", 960 }),
    [](const auto &info) { return std::string(info.param.label); });

// Music that cannot be read is refused before the run: its name and the
// cause, nothing made (not even the folder).
struct RefusedMusicCase {
    const char *label;
    const char *name;
    const char *content; // null: no file
    const char *cause; // empty: any the library gives
};

std::ostream &operator<<(std::ostream &os, const RefusedMusicCase &c)
{
    return os << c.label;
}

class CliRefusedMusic : public CliAudio, public testing::WithParamInterface<RefusedMusicCase> { };

TEST_P(CliRefusedMusic, isRefusedBeforeAnythingIsMade)
{
    const RefusedMusicCase &c = GetParam();
    const fs::path music = dir / c.name;
    if (c.content)
        std::ofstream(music) << c.content;
    EXPECT_EQ(run({ "-f", "mp4", "--audio", music.string() }), 1);
    const std::string start = "travelia-cli: cannot read the music file " + music.string() + ": ";
    EXPECT_EQ(err.str().rfind(start, 0), 0u) << err.str();
    if (*c.cause) {
        EXPECT_EQ(err.str(), start + c.cause + "\n");
    }
    EXPECT_FALSE(fs::exists(dir / "anim"));
    EXPECT_EQ(out.str(), "");
}

INSTANTIATE_TEST_SUITE_P(Files, CliRefusedMusic,
    testing::Values(RefusedMusicCase { "missing", "absent.wav", nullptr, "No such file or directory" },
        RefusedMusicCase { "text", "notes.wav", "a few words, no sound\n", "" }),
    [](const auto &info) { return std::string(info.param.label); });

TEST_F(CliAudio, videoWithoutSoundIsRefused)
{
    ASSERT_EQ(run({ "-f", "mp4", "-n", "SILENT" }), 0) << err.str();
    const fs::path silent = dir / "silent.mp4";
    fs::rename(dir / "anim" / "SILENT0000.MP4", silent);
    fs::remove(dir / "anim");
    EXPECT_EQ(run({ "-f", "webm", "--audio", silent.string() }), 1);
    EXPECT_EQ(err.str(), "travelia-cli: cannot read the music file " + silent.string() + ": it holds no sound\n");
    EXPECT_FALSE(fs::exists(dir / "anim"));
}

// --audio with an output that has no sound: a usage error, in one sentence.
TEST_F(CliAudio, outputsWithoutSoundRefuseMusic)
{
    const fs::path music = dir / "music.wav";
    ASSERT_TRUE(makeToneFile(music, 0.5));
    const struct {
        std::vector<std::string> format;
        std::string why;
    } cases[] = {
        { { "-f", "avi" }, "an AVI file has no sound" },
        { { "-f", "gif" }, "a GIF file has no sound" },
        { { "-f", "webp" }, "an animated WebP has no sound" },
        { { "-f", "png" }, "a series of frame files has no sound" },
        { {}, "a series of frame files has no sound" },
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = c.format;
        args.insert(args.end(), { "--audio", music.string() });
        EXPECT_EQ(run(args), 1);
        EXPECT_EQ(err.str(),
            "travelia-cli: --audio puts music under MP4, WebM or Matroska video (-f mp4, webm or mkv): " + c.why
                + "\nTry 'travelia-cli --help'.\n");
        EXPECT_FALSE(fs::exists(dir / "anim"));
    }
}

} // namespace
