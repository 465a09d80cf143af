#include "options/CodecCatalogue.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kVidc = mmioFOURCC('v', 'i', 'd', 'c');
constexpr std::uint32_t kMjpg = mmioFOURCC('M', 'J', 'P', 'G');
constexpr std::uint32_t kDib = mmioFOURCC('D', 'I', 'B', ' ');

// One installed compressor, enumerated under type and handler; when it opens
// it describes itself as a "vidc" compressor with that handler.
struct FakeCompressor : CompressorService {
    FakeCompressor(std::uint32_t t, std::uint32_t h, const char16_t *d, bool o)
        : type(t)
        , handler(h)
        , description(d)
        , opens(o)
    {
    }
    bool info(std::uint32_t t, std::uint32_t index, ICINFO *info) override
    {
        info->fccType = type, info->fccHandler = handler;
        return t == kVidc && index == 0;
    }
    HIC open(std::uint32_t t, std::uint32_t h, std::uint32_t mode) override
    {
        openedTypes.push_back(t);
        EXPECT_EQ(mode, ICMODE_QUERY);
        handles += h == handler && opens;
        return h == handler && opens ? reinterpret_cast<HIC>(this) : nullptr; // never dereferenced
    }
    long getInfo(HIC, ICINFO *info, std::uint32_t size) override
    {
        info->fccType = kVidc, info->fccHandler = handler;
        std::copy_n(description, std::char_traits<char16_t>::length(description), info->szDescription);
        return long(size);
    }
    long close(HIC) override { return ++closes, ICERR_OK; }

    std::uint32_t type, handler;
    const char16_t *description;
    bool opens;
    std::vector<std::uint32_t> openedTypes;
    int handles = 0, closes = 0;
};

struct LineCase {
    const char *name;
    std::uint32_t type, handler;
    const char16_t *description;
    bool opens;
    std::string line;
};

class CatalogueLine : public testing::TestWithParam<LineCase> { };

TEST_P(CatalogueLine, showsCodesAndTheDescriptionBytes)
{
    const LineCase c = GetParam();
    FakeCompressor service(c.type, c.handler, c.description, c.opens);
    std::vector<std::string> list { "Sans Compression" };
    EXPECT_EQ(ListCodecs(list, service), 1);
    EXPECT_EQ(list, (std::vector<std::string> { "Sans Compression", c.line }));
    for (std::uint32_t type : service.openedTypes)
        EXPECT_EQ(type, kVidc) << "a stream type opens as a compressor type";
    EXPECT_EQ(service.closes, service.handles) << "every handle closed";
}

INSTANTIATE_TEST_SUITE_P(Compressors, CatalogueLine,
    testing::Values(LineCase { "plain", kVidc, kMjpg, u"Motion JPEG", true, "vidc.MJPG   Motion JPEG" },
        LineCase {
            "streamType", mmioFOURCC('v', 'i', 'd', 's'), kMjpg, u"Motion JPEG", true, "vidc.MJPG   Motion JPEG" },
        LineCase { "latin1Letter", kVidc, kMjpg, u"Cin\u00e9", true, "vidc.MJPG   Cin\xe9" },
        LineCase { "bothBytesOfOtherCharacters", kVidc, kMjpg, u"\u4e2d!", true, "vidc.MJPG   -N!" },
        LineCase { "cannotOpen", kVidc, kMjpg, u"Motion JPEG", false, "" },
        LineCase { "handlerZero", kVidc, 0, u"raw", true, "" },
        LineCase { "uncompressed", kVidc, kDib, u"raw", true, "" }),
    [](const auto &info) { return std::string(info.param.name); });

struct InfoCase {
    const char *name;
    std::uint32_t handler;
    bool opens, result;
    const char *description; // UTF-8, one byte a character
};

class CodecInfo : public testing::TestWithParam<InfoCase> { };

TEST_P(CodecInfo, fillsTheRecordFromScratch)
{
    const InfoCase c = GetParam();
    FakeCompressor service(kVidc, kMjpg, u"Motion JPEG", c.opens);
    ICINFO info;
    info.dwFlags = 7, info.dwVersion = 3, info.szName[0] = u'x';
    EXPECT_EQ(GetCodecInfo(kVidc, c.handler, info, ICMODE_QUERY, service), c.result);
    EXPECT_EQ(info.dwSize, sizeof(ICINFO));
    const bool found = c.opens && c.handler == kMjpg;
    EXPECT_EQ(info.fccHandler, found ? kMjpg : 0) << "zero codes for the fixed descriptions";
    EXPECT_EQ(info.fccType, found ? kVidc : 0);
    EXPECT_EQ(info.dwFlags + info.dwVersion + info.szName[0], 0u) << "the rest is reset";
    std::string description;
    for (std::size_t i = 0; info.szDescription[i]; ++i)
        description += char(info.szDescription[i]);
    EXPECT_EQ(description, c.description);
}

INSTANTIATE_TEST_SUITE_P(Compressors, CodecInfo,
    testing::Values(InfoCase { "handlerZero", 0, true, true, "Non compressé: " },
        InfoCase { "uncompressed", kDib, true, true, "Non compressé: " },
        InfoCase { "cannotOpen", kMjpg, false, false, "Introuvable: " },
        InfoCase { "opens", kMjpg, true, true, "Motion JPEG" }),
    [](const auto &info) { return std::string(info.param.name); });

struct CodecCase {
    std::int32_t index;
    bool valid;
    std::uint32_t type, handler;
};

class CodecOfLine : public testing::TestWithParam<CodecCase> { };

TEST_P(CodecOfLine, readsCharactersOneToFourAndSixToNine)
{
    const std::vector<std::string> entries { "Sans Compression", "vidc.MJPG   Motion JPEG", "", "ab" };
    std::uint32_t type = 1, handler = 1;
    EXPECT_EQ(GetCodec(entries, GetParam().index, type, handler), GetParam().valid);
    EXPECT_EQ(type, GetParam().type);
    EXPECT_EQ(handler, GetParam().handler);
}

// No compression, a compressor, a blank line, a short line, past the end, negative.
INSTANTIATE_TEST_SUITE_P(Indexes, CodecOfLine,
    testing::Values(CodecCase { 0, false, 0, 0 }, CodecCase { 1, true, kVidc, kMjpg }, CodecCase { 2, true, 0, 0 },
        CodecCase { 3, true, mmioFOURCC('a', 'b', 0, 0), 0 }, CodecCase { 4, false, 0, 0 },
        CodecCase { -1, false, 0, 0 }));

TEST(ListCodecs, listsTheInstalledCompressors)
{
    std::vector<std::string> list;
    ICINFO first;
    ASSERT_TRUE(ICInfo(ICTYPE_VIDEO, 0, &first));
    ASSERT_GT(ListCodecs(list), 0);
    EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, std::uint32_t(list.size()), &first)) << "one line per compressor";
    EXPECT_EQ(
        list[0].substr(0, 12), "vidc." + std::string(reinterpret_cast<const char *>(&first.fccHandler), 4) + "   ");
}

} // namespace
