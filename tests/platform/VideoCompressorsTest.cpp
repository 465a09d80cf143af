#include "platform/VideoCompressors.h"

#include "AviTestRun.h"
#include "MediaTools.h"

#include <QString>

#include <gtest/gtest.h>

#include <set>

namespace {

std::vector<ICINFO> listed()
{
    std::vector<ICINFO> all(1);
    while (ICInfo(ICTYPE_VIDEO, std::uint32_t(all.size() - 1), &all.back()))
        all.emplace_back();
    all.pop_back();
    return all;
}

std::string codeText(std::uint32_t code)
{
    return { char(code), char(code >> 8), char(code >> 16), char(code >> 24) };
}

TEST(VideoCompressors, refusesWhatItCannotOpen)
{
    const std::uint32_t code = listed().at(0).fccHandler;
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, mmioFOURCC('Z', 'Z', 'Z', 'Z'), ICMODE_QUERY), nullptr);
    EXPECT_EQ(ICOpen(mmioFOURCC('a', 'u', 'd', 'c'), code, ICMODE_QUERY), nullptr);
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, code, 2), nullptr) << "no decompressors";
    HIC hic = ICOpen(ICTYPE_VIDEO, code, ICMODE_QUERY);
    ICINFO part;
    EXPECT_EQ(ICGetInfo(hic, &part, 12), 12) << "copies what fits";
    EXPECT_EQ(part.fccHandler, code);
    EXPECT_EQ(part.dwFlags, 0u) << "beyond the size given";
    EXPECT_EQ(ICClose(hic), ICERR_OK);
    EXPECT_EQ(ICClose(hic), ICERR_BADHANDLE);
    EXPECT_EQ(ICGetInfo(hic, &part, sizeof part), 0);
}

// Each listed compressor, under its own code, opens and makes an AVI file
// that ffmpeg decodes cleanly.
TEST(VideoCompressors, everyListedCompressorWritesAReadableFile)
{
    TempDir dir;
    std::set<QString> codes;
    const auto all = listed();
    ASSERT_FALSE(all.empty());
    for (const ICINFO &info : all) {
        const std::string code = codeText(info.fccHandler);
        EXPECT_TRUE(codes.insert(QString::fromStdString(code).toUpper()).second) << code << " twice";
        for (const char *wrapper : { "_nvenc", "_vaapi", "_qsv", "_v4l2m2m", "_omx", "_amf" })
            EXPECT_FALSE(QString::fromUtf16(info.szName).contains(wrapper)) << code << ": no such device here";
        EXPECT_EQ(ICClose(ICOpen(ICTYPE_VIDEO, info.fccHandler, ICMODE_COMPRESS)), ICERR_OK) << code;
        AviRun run((dir / (std::to_string(info.fccHandler) + ".avi")).string());
        run.info.dwRate = 25;
        run.options.dwQuality = 7500;
        EXPECT_EQ(run.prepare(64, 48, info.fccHandler), AVIERR_OK) << code;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(run.write(i, frameBytes(scrollFrame(i, 64, 48), true)), AVIERR_OK) << code;
        run.release();
        const VideoStreamProbe probe = probeVideo(run.path);
        EXPECT_EQ(probe.codecTag.substr(0, 3), code.substr(0, 3)) << code;
        EXPECT_EQ(probe.packets, 3) << code;
        const DecodedVideo video = decodeVideo(run.path);
        EXPECT_EQ(video.errors, "") << code;
        EXPECT_EQ(video.bgr.size(), 64u * 48 * 3 * 3) << code;
    }
}

} // namespace
