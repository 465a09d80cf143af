#include "platform/VideoCompressors.h"


#include <QString>

#include <gtest/gtest.h>

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

} // namespace
