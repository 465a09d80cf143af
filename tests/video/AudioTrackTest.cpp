#include "video/AudioTrack.h"

#include "MediaTools.h"
#include "TestUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kRate = AudioTrack::kSampleRate;
constexpr std::size_t kLast50ms = kRate / 20;

// The packets of a track into a sound file of their own, as a muxer takes them.
class SoundFile {
public:
    SoundFile(const fs::path &file, const char *muxer, const AVCodecContext *encoder)
        : m_encoder(encoder)
    {
        AVFormatContext *mux = nullptr;
        if (avformat_alloc_output_context2(&mux, nullptr, muxer, file.c_str()) < 0)
            return;
        m_mux.reset(mux);
        m_stream = avformat_new_stream(mux, nullptr);
        if (!m_stream || avcodec_parameters_from_context(m_stream->codecpar, encoder) < 0)
            return;
        m_stream->time_base = encoder->time_base;
        m_ok = avio_open(&mux->pb, file.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(mux, nullptr) >= 0;
    }
    ~SoundFile() { close(); }

    bool write(AVPacket *packet)
    {
        packet->stream_index = 0;
        av_packet_rescale_ts(packet, m_encoder->time_base, m_stream->time_base);
        m_ok = m_ok && av_interleaved_write_frame(m_mux.get(), packet) >= 0;
        return m_ok;
    }
    bool close()
    {
        if (m_mux && m_mux->pb) {
            m_ok = av_write_trailer(m_mux.get()) >= 0 && m_ok;
            avio_closep(&m_mux->pb);
        }
        return m_ok;
    }

private:
    const AVCodecContext *m_encoder;
    ffmpeg::FormatContextPtr m_mux;
    AVStream *m_stream = nullptr;
    bool m_ok = false;
};

struct TrackCase {
    const char *label;
    VideoContainer container;
    const char *muxer; // where the test keeps the packets
    const char *extension;
    const char *codec; // as ffprobe names it
};

std::ostream &operator<<(std::ostream &os, const TrackCase &c)
{
    return os << c.label;
}

class AudioTrackFor : public testing::TestWithParam<TrackCase> {
protected:
    // The track of music up to end samples, the first part given while the
    // "video" runs, into a file; decoded back.
    DecodedAudio encode(const fs::path &music, std::int64_t end, std::int64_t whileRunning)
    {
        const TrackCase &c = GetParam();
        AudioTrack track(music.string(), c.container, true);
        const fs::path out = dir / (std::string("track") + c.extension);
        SoundFile file(out, c.muxer, track.context());
        const auto sink = [&file](AVPacket *packet) { return file.write(packet); };
        EXPECT_EQ(track.encodeUntil(whileRunning, sink), "");
        EXPECT_LE(track.samplesSent(), whileRunning);
        EXPECT_EQ(track.finish(end, sink), "");
        EXPECT_EQ(track.samplesSent(), end);
        EXPECT_TRUE(file.close());
        EXPECT_EQ(streamCodecs(out), std::vector<std::string> { c.codec });
        frameSize = track.context()->frame_size;
        return decodeAudio(out);
    }

    TempDir dir;
    int frameSize = 0;
};

// A 44.1 kHz mono tone of 4 s cut at 3 s: 48 kHz, as long as asked (within
// one encoder frame), at full volume until the fade (its last second), quiet
// at its end.
TEST_P(AudioTrackFor, musicLongerThanTheVideoFadesOutAtItsEnd)
{
    const fs::path music = dir / "tone.wav";
    ASSERT_TRUE(makeToneFile(music, 4.0));
    const std::int64_t end = 3 * kRate;
    const DecodedAudio audio = encode(music, end, end - AudioTrack::kLongestFade);
    ASSERT_EQ(audio.errors, "");
    EXPECT_NEAR(double(audio.samples.size()), double(end), frameSize);
    const double full = rmsOf(audio.samples, kRate / 4, kRate * 3 / 4);
    EXPECT_NEAR(full, 0.5 / std::sqrt(2.0), 0.05); // the tone at half volume
    const double halfWay = rmsOf(audio.samples, std::size_t(end) - kRate / 2 - 480, std::size_t(end) - kRate / 2 + 480);
    EXPECT_NEAR(halfWay, full / 4, full / 10) << "half-way through the fade: a quarter of the volume";
    EXPECT_LT(rmsOf(audio.samples, std::size_t(end) - kLast50ms, std::size_t(end)), full / 100);
}

// Music of half a second under two seconds: silence after it, and the track
// still as long as asked.
TEST_P(AudioTrackFor, musicShorterThanTheVideoIsFollowedBySilence)
{
    const fs::path music = dir / "short.flac";
    ASSERT_TRUE(makeToneFile(music, 0.5, 48000, 2));
    const std::int64_t end = 2 * kRate;
    const DecodedAudio audio = encode(music, end, kRate / 2);
    ASSERT_EQ(audio.errors, "");
    EXPECT_NEAR(double(audio.samples.size()), double(end), frameSize);
    EXPECT_GT(rmsOf(audio.samples, kRate / 10, kRate * 4 / 10), 0.3);
    EXPECT_LT(rmsOf(audio.samples, kRate * 6 / 10, kRate * 9 / 10), 0.002);
}

// A video shorter than three seconds fades over its last third.
TEST_P(AudioTrackFor, shortVideoFadesOverItsLastThird)
{
    const fs::path music = dir / "tone.wav";
    ASSERT_TRUE(makeToneFile(music, 2.0));
    const std::int64_t end = kRate * 3 / 4;
    EXPECT_EQ(AudioTrack::FadeSamples(end), kRate / 4);
    const DecodedAudio audio = encode(music, end, 0);
    ASSERT_EQ(audio.errors, "");
    const double full = rmsOf(audio.samples, kRate / 10, kRate * 4 / 10);
    EXPECT_GT(full, 0.3);
    EXPECT_LT(rmsOf(audio.samples, std::size_t(end) - kLast50ms, std::size_t(end)), full / 20);
}

INSTANTIATE_TEST_SUITE_P(Containers, AudioTrackFor,
    testing::Values(TrackCase { "Mp4Aac", VideoContainer::Mp4, "mp4", ".m4a", "aac" },
        TrackCase { "WebmOpus", VideoContainer::Webm, "webm", ".webm", "opus" },
        TrackCase { "MkvOpus", VideoContainer::Mkv, "matroska", ".mka", "opus" }),
    [](const auto &info) { return std::string(info.param.label); });

TEST(AudioTrackFades, OneSecondOrAThirdOfAShorterVideo)
{
    const struct {
        std::int64_t end, fade;
    } cases[] = { { 10 * kRate, kRate }, { 3 * kRate, kRate }, { 3 * kRate - 3, kRate - 1 }, { 300, 100 }, { 0, 0 } };
    for (const auto &c : cases)
        EXPECT_EQ(AudioTrack::FadeSamples(c.end), c.fade) << c.end;
}

// Files that give no music, refused with their name and the cause.
struct UnreadableCase {
    const char *label;
    const char *name;
    std::function<bool(const fs::path &)> make; // null: no file
    const char *cause; // empty: any cause the library gives
};

std::ostream &operator<<(std::ostream &os, const UnreadableCase &c)
{
    return os << c.label;
}

class UnreadableMusic : public testing::TestWithParam<UnreadableCase> { };

TEST_P(UnreadableMusic, isRefusedWithItsNameAndTheCause)
{
    const UnreadableCase &c = GetParam();
    TempDir dir;
    const fs::path file = dir / c.name;
    if (c.make) {
        ASSERT_TRUE(c.make(file));
    }
    for (const VideoContainer container : { VideoContainer::Mp4, VideoContainer::Webm }) {
        const std::optional<VideoError> refusal = RefuseAudioFile(file.string(), container);
        ASSERT_TRUE(refusal);
        EXPECT_EQ(refusal->reason(), VideoError::Reason::Settings);
        const std::string start = "cannot read the music file " + file.string() + ": ";
        EXPECT_EQ(refusal->cause().rfind(start, 0), 0u) << refusal->cause();
        EXPECT_GT(refusal->cause().size(), start.size()) << "no cause given";
        if (*c.cause) {
            EXPECT_EQ(refusal->cause(), start + c.cause);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, UnreadableMusic,
    testing::Values(UnreadableCase { "missing", "absent.mp3", nullptr, "No such file or directory" },
        UnreadableCase { "text", "notes.mp3",
            [](const fs::path &f) {
                std::ofstream(f) << "not music at all, only a few words\n";
                return true;
            },
            "" },
        UnreadableCase { "videoWithoutSound", "silent.mp4",
            [](const fs::path &f) {
                return runTool("ffmpeg",
                           { "-nostdin", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=64x48:duration=0.2", "-c:v",
                               "mpeg4", f.string() })
                           .exitCode
                    == 0;
            },
            "it holds no sound" }),
    [](const auto &info) { return std::string(info.param.label); });

// Music goes only where a container carries it.
TEST(MusicUnderVideo, OnlyMp4WebmAndMatroskaCarryIt)
{
    TempDir dir;
    const fs::path music = dir / "tone.wav";
    ASSERT_TRUE(makeToneFile(music, 0.2));
    const struct {
        VideoContainer container;
        std::string refusal;
    } cases[] = {
        { VideoContainer::Mp4, "" },
        { VideoContainer::Webm, "" },
        { VideoContainer::Mkv, "" },
        { VideoContainer::Avi, "music goes only under MP4, WebM or Matroska video: an AVI file has no sound" },
        { VideoContainer::Gif, "music goes only under MP4, WebM or Matroska video: a GIF file has no sound" },
        { VideoContainer::Webp, "music goes only under MP4, WebM or Matroska video: an animated WebP has no sound" },
    };
    for (const auto &c : cases) {
        VideoOutputSettings outputSettings;
        outputSettings.container = c.container;
        outputSettings.width = 32;
        outputSettings.height = 16;
        outputSettings.rate = { 10, 1 };
        outputSettings.audioFile = music.string();
        EXPECT_EQ(CheckVideoOutput(outputSettings), c.refusal) << ContainerName(c.container);
    }
}

} // namespace
