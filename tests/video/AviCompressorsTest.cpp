#include "video/AviCompressors.h"

#include "video/EncoderDescription.h"
#include "video/FourCC.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

namespace {

std::size_t indexOf(const char *encoder)
{
    const std::vector<EncoderDescription> encoders = AviEncoders();
    for (std::size_t i = 0; i < encoders.size(); ++i)
        if (encoders[i].name == encoder)
            return i;
    return encoders.size();
}

bool listed(const std::vector<AviCompressor> &list, const char *encoder)
{
    for (const AviCompressor &c : list)
        if (c.encoder == encoder)
            return true;
    return false;
}

// An encoder that crashes or aborts while it is tried costs its own line
// only: the others are listed, and this process goes on.
TEST(AviCompressorList, aProbeThatCrashesLeavesTheOthersListed)
{
    const std::size_t crashing = indexOf("ffv1"), aborting = indexOf("huffyuv");
    ASSERT_LT(std::max(crashing, aborting), AviEncoders().size());
    const std::vector<AviCompressor> list
        = ListAviCompressors([&](std::size_t index, const std::vector<ProbeResult> &before) {
              if (index == crashing)
                  std::raise(SIGSEGV);
              if (index == aborting)
                  std::abort();
              return ProbeAviEncoder(index, before);
          });
    EXPECT_FALSE(listed(list, "ffv1"));
    EXPECT_FALSE(listed(list, "huffyuv"));
    EXPECT_TRUE(listed(list, "mjpeg"));
    EXPECT_TRUE(listed(list, "libx264"));
    const std::vector<AviCompressor> &all = AviCompressors();
    for (const AviCompressor &c : all)
        EXPECT_TRUE(c.encoder == "ffv1" || c.encoder == "huffyuv" || listed(list, c.encoder.c_str())) << c.encoder;
    EXPECT_EQ(list.size() + 2, all.size()) << "every other line is there";
    EXPECT_TRUE(listed(all, "ffv1"));
}

// The list's lines: one a code, sorted by code case aside, each with what
// the compression dialog needs to know of it.
TEST(AviCompressorList, oneLineACodeSortedWithWhatEachTakes)
{
    const std::vector<AviCompressor> &all = AviCompressors();
    ASSERT_FALSE(all.empty());
    for (std::size_t i = 1; i < all.size(); ++i)
        EXPECT_LT(fourccBytes(fourccUpper(all[i - 1].code)), fourccBytes(fourccUpper(all[i].code)));
    const AviCompressor *mjpeg = FindListedCompressor(all, fourccFromText("mjpg"));
    ASSERT_NE(mjpeg, nullptr);
    EXPECT_EQ(std::tie(mjpeg->encoder, mjpeg->hasQuality, mjpeg->temporal), std::tuple("mjpeg", true, false));
    const AviCompressor *h264 = FindListedCompressor(all, fourccFromText("H264"));
    ASSERT_NE(h264, nullptr);
    EXPECT_EQ(std::tie(h264->encoder, h264->takesDataRate, h264->temporal), std::tuple("libx264", true, true));
    EXPECT_EQ(FindListedCompressor(all, fourccFromText("ZZZZ")), nullptr);
}

// The run finds its compressor by code through the AVI muxer's table, in
// any letter case, without trying any encoder.
TEST(AviCompressorList, aCodeFindsItsCodecsEncodersInFfmpegsOrder)
{
    EXPECT_EQ(AviEncodersFor(fourccFromText("mjpg")).front().name, "mjpeg");
    EXPECT_EQ(AviEncodersFor(fourccFromText("H264")).front().name, "libx264");
    EXPECT_EQ(AviEncodersFor(fourccFromText("dpx")).front().aviCode, fourccFromText("dpx"));
    EXPECT_EQ(AviEncodersFor(fourccFromText("LJPG")).front().name, "ljpeg") << "its own code before another's";
    EXPECT_EQ(AviEncodersFor(fourccFromText("XVID")).front().name, "mpeg4") << "another code of the codec";
    EXPECT_TRUE(AviEncodersFor(fourccFromText("ZZZZ")).empty());
}

} // namespace
