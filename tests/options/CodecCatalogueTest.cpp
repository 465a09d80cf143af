#include "options/CodecCatalogue.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr std::uint32_t kVidc = mmioFOURCC('v', 'i', 'd', 'c');
constexpr std::uint32_t kVids = mmioFOURCC('v', 'i', 'd', 's');
constexpr std::uint32_t kMjpg = mmioFOURCC('M', 'J', 'P', 'G');
constexpr std::uint32_t kDib = mmioFOURCC('D', 'I', 'B', ' ');

// One installed compressor, as the service enumerates and opens it.
struct FakeCompressor {
    std::uint32_t type;
    std::uint32_t handler;
    const char16_t *description;
    bool opens;
};

class FakeCompressors : public CompressorService {
public:
    explicit FakeCompressors(std::vector<FakeCompressor> all)
        : m_all(std::move(all))
    {
    }
    bool info(std::uint32_t type, std::uint32_t index, ICINFO *info) override
    {
        if (type != kVidc || index >= m_all.size())
            return false;
        *info = ICINFO();
        info->fccType = m_all[index].type;
        info->fccHandler = m_all[index].handler;
        return true;
    }
    HIC open(std::uint32_t type, std::uint32_t handler, std::uint32_t mode) override
    {
        openedTypes.push_back(type);
        EXPECT_EQ(mode, ICMODE_QUERY);
        for (std::size_t i = 0; i < m_all.size(); ++i)
            if (m_all[i].handler == handler && m_all[i].opens) {
                ++handles;
                return reinterpret_cast<HIC>(i + 1); // never dereferenced
            }
        return nullptr;
    }
    long getInfo(HIC hic, ICINFO *info, std::uint32_t size) override
    {
        EXPECT_EQ(size, sizeof(ICINFO));
        const FakeCompressor &c = m_all[reinterpret_cast<std::size_t>(hic) - 1];
        info->fccType = kVidc;
        info->fccHandler = c.handler;
        for (std::size_t i = 0; c.description[i]; ++i)
            info->szDescription[i] = c.description[i];
        return long(size);
    }
    long close(HIC) override
    {
        ++closes;
        return ICERR_OK;
    }

    std::vector<std::uint32_t> openedTypes;
    int handles = 0;
    int closes = 0;

private:
    std::vector<FakeCompressor> m_all;
};

struct LineCase {
    const char *name;
    FakeCompressor compressor;
    std::string line;
};

class CatalogueLine : public testing::TestWithParam<LineCase> { };

TEST_P(CatalogueLine, showsCodesAndTheDescriptionBytes)
{
    FakeCompressors service({ GetParam().compressor });
    std::vector<std::string> list { "Sans Compression" };
    EXPECT_EQ(ListCodecs(list, service), 1);
    EXPECT_EQ(list, (std::vector<std::string> { "Sans Compression", GetParam().line }));
    for (std::uint32_t type : service.openedTypes)
        EXPECT_EQ(type, kVidc) << "a stream type opens as a compressor type";
    EXPECT_EQ(service.closes, service.handles) << "every handle closed";
}

INSTANTIATE_TEST_SUITE_P(Compressors, CatalogueLine,
    testing::Values(LineCase { "plain", { kVidc, kMjpg, u"Motion JPEG", true }, "vidc.MJPG   Motion JPEG" },
        LineCase { "streamType", { kVids, kMjpg, u"Motion JPEG", true }, "vidc.MJPG   Motion JPEG" },
        LineCase {
            "lowerCaseCode", { kVidc, mmioFOURCC('c', 'v', 'i', 'd'), u"Cinepak", true }, "vidc.cvid   Cinepak" },
        LineCase { "latin1Letter", { kVidc, kMjpg, u"Cin\u00e9", true }, "vidc.MJPG   Cin\xe9" },
        LineCase { "bothBytesOfOtherCharacters", { kVidc, kMjpg, u"\u4e2d!", true }, "vidc.MJPG   -N!" },
        LineCase { "cannotOpen", { kVidc, kMjpg, u"Motion JPEG", false }, "" },
        LineCase { "handlerZero", { kVidc, 0, u"raw", true }, "" },
        LineCase { "uncompressed", { kVidc, kDib, u"raw", true }, "" }),
    [](const auto &info) { return std::string(info.param.name); });

struct InfoCase {
    const char *name;
    std::uint32_t handler;
    bool opens;
    bool result;
    const char *description; // UTF-8, one byte a character
    std::uint32_t handlerAfter;
};

class CodecInfo : public testing::TestWithParam<InfoCase> { };

TEST_P(CodecInfo, fillsTheRecordFromScratch)
{
    const InfoCase c = GetParam();
    FakeCompressors service({ { kVidc, kMjpg, u"Motion JPEG", c.opens } });
    ICINFO info;
    info.dwFlags = 7;
    info.dwVersion = 3;
    info.szName[0] = u'x';
    EXPECT_EQ(GetCodecInfo(kVidc, c.handler, info, ICMODE_QUERY, service), c.result);
    EXPECT_EQ(info.dwSize, sizeof(ICINFO));
    EXPECT_EQ(info.fccHandler, c.handlerAfter);
    EXPECT_EQ(info.fccType, c.handlerAfter ? kVidc : 0);
    EXPECT_EQ(info.dwFlags + info.dwVersion + info.szName[0], 0u) << "the rest is reset";
    std::string description;
    for (std::size_t i = 0; info.szDescription[i]; ++i)
        description += char(info.szDescription[i]);
    EXPECT_EQ(description, c.description);
}

INSTANTIATE_TEST_SUITE_P(Compressors, CodecInfo,
    testing::Values(InfoCase { "handlerZero", 0, true, true, "Non compressé: ", 0 },
        InfoCase { "uncompressed", kDib, true, true, "Non compressé: ", 0 },
        InfoCase { "cannotOpen", kMjpg, false, false, "Introuvable: ", 0 },
        InfoCase { "opens", kMjpg, true, true, "Motion JPEG", kMjpg }),
    [](const auto &info) { return std::string(info.param.name); });

struct CodecCase {
    const char *name;
    std::int32_t index;
    bool valid;
    std::uint32_t type;
    std::uint32_t handler;
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

INSTANTIATE_TEST_SUITE_P(Indexes, CodecOfLine,
    testing::Values(CodecCase { "noCompression", 0, false, 0, 0 }, CodecCase { "compressor", 1, true, kVidc, kMjpg },
        CodecCase { "blankLine", 2, true, 0, 0 }, CodecCase { "shortLine", 3, true, mmioFOURCC('a', 'b', 0, 0), 0 },
        CodecCase { "pastTheEnd", 4, false, 0, 0 }, CodecCase { "negative", -1, false, 0, 0 }),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ListCodecs, listsTheInstalledCompressors)
{
    std::vector<std::string> list;
    const std::int32_t n = ListCodecs(list);
    ASSERT_EQ(std::size_t(n), list.size());
    ICINFO info;
    for (std::int32_t i = 0; i < n; ++i) {
        ASSERT_TRUE(ICInfo(ICTYPE_VIDEO, std::uint32_t(i), &info));
        const std::string code(reinterpret_cast<const char *>(&info.fccHandler), 4);
        EXPECT_EQ(list[std::size_t(i)], "vidc." + code + "   " + QString::fromUtf16(info.szDescription).toStdString());
    }
    EXPECT_FALSE(ICInfo(ICTYPE_VIDEO, std::uint32_t(n), &info));
}

} // namespace
