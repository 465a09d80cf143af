#include "platform/VideoCompressors.h"

#include "MediaTools.h"
#include "TestUtils.h"
#include "platform/AviFileService.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

std::string codeText(std::uint32_t code)
{
    return { char(code), char(code >> 8), char(code >> 16), char(code >> 24) };
}

std::vector<ICINFO> listed()
{
    std::vector<ICINFO> all;
    ICINFO info;
    for (std::uint32_t i = 0; ICInfo(ICTYPE_VIDEO, i, &info); ++i)
        all.push_back(info);
    return all;
}

TEST(VideoCompressors, everyListedCompressorOpensUnderItsOwnCode)
{
    const auto all = listed();
    ASSERT_FALSE(all.empty());
    std::set<std::string> codes;
    for (const ICINFO &info : all) {
        const std::string code = codeText(info.fccHandler);
        const QString name = QString::fromUtf16(info.szName);
        EXPECT_EQ(info.fccType, ICTYPE_VIDEO) << code;
        EXPECT_TRUE(codes.insert(QString::fromStdString(code).toUpper().toStdString()).second) << code << " twice";
        EXPECT_NE(info.szDescription[0], u'\0') << code;
        for (const char *wrapper : { "_nvenc", "_vaapi", "_qsv", "_v4l2m2m", "_omx", "_amf" })
            EXPECT_FALSE(name.contains(wrapper)) << code << ": no such device here";
        for (std::uint32_t mode : { ICMODE_QUERY, ICMODE_COMPRESS }) {
            HIC hic = ICOpen(ICTYPE_VIDEO, info.fccHandler, mode);
            ASSERT_NE(hic, nullptr) << code << " mode " << mode;
            ICINFO got;
            EXPECT_EQ(ICGetInfo(hic, &got, sizeof got), long(sizeof got));
            EXPECT_EQ(got.fccHandler, info.fccHandler);
            EXPECT_EQ(ICClose(hic), ICERR_OK);
        }
    }
    EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, std::uint32_t(all.size()), nullptr));
}

TEST(VideoCompressors, refusesWhatItCannotOpen)
{
    const auto all = listed();
    ASSERT_FALSE(all.empty());
    const std::uint32_t code = all.front().fccHandler;
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, mmioFOURCC('Z', 'Z', 'Z', 'Z'), ICMODE_QUERY), nullptr);
    EXPECT_EQ(ICOpen(mmioFOURCC('a', 'u', 'd', 'c'), code, ICMODE_QUERY), nullptr);
    EXPECT_EQ(ICOpen(ICTYPE_VIDEO, code, 2), nullptr) << "no decompressors";

    HIC hic = ICOpen(ICTYPE_VIDEO, code, ICMODE_QUERY);
    ASSERT_NE(hic, nullptr);
    ICINFO part;
    EXPECT_EQ(ICGetInfo(hic, &part, 12), 12) << "copies what fits";
    EXPECT_EQ(part.fccHandler, code);
    EXPECT_EQ(part.dwFlags, 0u) << "beyond the size given";
    EXPECT_EQ(ICGetInfo(hic, nullptr, 0), long(sizeof(ICINFO)));
    EXPECT_EQ(ICClose(hic), ICERR_OK);
    EXPECT_EQ(ICClose(hic), ICERR_BADHANDLE);
    EXPECT_EQ(ICGetInfo(hic, &part, sizeof part), 0);
    EXPECT_EQ(ICClose(nullptr), ICERR_BADHANDLE);
}

// Each listed compressor makes an AVI file that ffmpeg decodes cleanly.
TEST(VideoCompressors, everyListedCompressorWritesAReadableFile)
{
    const Bitmap24 panorama = makeTestPanorama(200, 100);
    constexpr int width = 64, height = 48, frames = 3;
    std::vector<std::uint8_t> header(40, 0);
    header[0] = 40;
    header[4] = width;
    header[8] = height;
    header[12] = 1;
    header[14] = 24;
    TempDir dir;
    for (const ICINFO &info : listed()) {
        const std::string code = codeText(info.fccHandler);
        const auto path = dir / ("c" + std::to_string(info.fccHandler) + ".avi");
        {
            AviFileLibrary library;
            PAVIFILE f = nullptr;
            ASSERT_EQ(AVIFileOpen(&f, path.string(), OF_CREATE | OF_WRITE), AVIERR_OK);
            AviFileHolder file(f);
            AVISTREAMINFO streamInfo;
            streamInfo.fccType = streamtypeVIDEO;
            streamInfo.dwScale = 1;
            streamInfo.dwRate = 25;
            PAVISTREAM s = nullptr;
            ASSERT_EQ(AVIFileCreateStream(f, &s, streamInfo), AVIERR_OK);
            AviStreamHolder stream(s);
            AVICOMPRESSOPTIONS options;
            options.fccType = ICTYPE_VIDEO;
            options.fccHandler = info.fccHandler;
            options.dwKeyFrameEvery = 1;
            options.dwQuality = 7500;
            options.dwFlags = AVICOMPRESSF_VALID | AVICOMPRESSF_KEYFRAMES;
            EXPECT_EQ(AVIMakeCompressedStream(&s, stream.get(), options), AVIERR_OK) << code;
            AviStreamHolder compressed(s);
            EXPECT_EQ(AVIStreamSetFormat(s, 0, header.data(), 40), AVIERR_OK) << code;
            Bitmap24 frame;
            frame.resize(width, height);
            for (int i = 0; i < frames; ++i) {
                frame.copyRect(panorama, 10 * i, 0, width, height, 0, 0);
                std::vector<std::uint8_t> rows;
                for (int y = height - 1; y >= 0; --y)
                    rows.insert(rows.end(), frame.scanLine(y), frame.scanLine(y) + frame.stride());
                EXPECT_EQ(AVIStreamWrite(s, i, 1, rows.data(), long(rows.size()), AVIIF_KEYFRAME, nullptr, nullptr),
                    AVIERR_OK)
                    << code;
            }
        }
        const VideoStreamProbe probe = probeVideo(path);
        EXPECT_EQ(probe.codecTag.substr(0, 3), code.substr(0, 3)) << code;
        EXPECT_EQ(probe.packets, frames) << code;
        const DecodedVideo video = decodeVideo(path);
        EXPECT_EQ(video.errors, "") << code;
        EXPECT_EQ(video.bgr.size(), std::size_t(width * height * 3 * frames)) << code;
    }
}

} // namespace
