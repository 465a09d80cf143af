#include "options/CodecCatalogue.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kVidc = mmioFOURCC('v', 'i', 'd', 'c');
constexpr std::uint32_t kMjpg = mmioFOURCC('M', 'J', 'P', 'G');
constexpr std::uint32_t kDib = mmioFOURCC('D', 'I', 'B', ' ');

struct CatalogueCase {
    const char *name;
    std::uint32_t type, handler; // of the one installed compressor
    const char16_t *description;
    bool opens;
    std::string line; // in the list; empty: a blank line, the codes being zero
    bool infoResult;
    const char *infoDescription; // GetCodecInfo's, one byte a character
};

// The one installed compressor of the case; when it opens it describes
// itself as a "vidc" compressor with that handler.
struct FakeCompressor : CompressorService {
    explicit FakeCompressor(const CatalogueCase &compressor)
        : c(compressor)
    {
    }
    bool info(std::uint32_t t, std::uint32_t index, ICINFO *info) override
    {
        info->fccType = c.type, info->fccHandler = c.handler;
        return t == kVidc && index == 0;
    }
    HIC open(std::uint32_t t, std::uint32_t h, std::uint32_t mode) override
    {
        EXPECT_EQ(std::tuple(t, mode), std::tuple(kVidc, ICMODE_QUERY)) << "a stream type opens as a compressor type";
        handles += h == c.handler && c.opens;
        return h == c.handler && c.opens ? reinterpret_cast<HIC>(this) : nullptr; // never dereferenced
    }
    long getInfo(HIC, ICINFO *info, std::uint32_t size) override
    {
        info->fccType = kVidc, info->fccHandler = c.handler;
        std::copy_n(c.description, std::char_traits<char16_t>::length(c.description), info->szDescription);
        return long(size);
    }
    long close(HIC) override { return ++closes, ICERR_OK; }

    const CatalogueCase &c;
    int handles = 0, closes = 0;
};

class Catalogue : public testing::TestWithParam<CatalogueCase> { };

// The list shows the codes and the description's bytes; GetCodecInfo fills
// the record from scratch, with zero codes for the fixed descriptions.
TEST_P(Catalogue, listsTheLineAndDescribesTheCompressor)
{
    const CatalogueCase c = GetParam();
    FakeCompressor service(c);
    std::vector<std::string> list { "Sans Compression" };
    EXPECT_EQ(ListCodecs(list, service), 1);
    EXPECT_EQ(list, (std::vector<std::string> { "Sans Compression", c.line }));

    ICINFO info;
    info.dwFlags = 7, info.dwVersion = 3, info.szName[0] = u'x';
    EXPECT_EQ(GetCodecInfo(kVidc, c.handler, info, ICMODE_QUERY, service), c.infoResult);
    EXPECT_EQ(service.closes, service.handles) << "every handle closed";
    EXPECT_EQ(info.dwSize, sizeof(ICINFO));
    EXPECT_EQ(
        std::tie(info.fccType, info.fccHandler), c.line.empty() ? std::tuple(0u, 0u) : std::tuple(kVidc, c.handler));
    EXPECT_EQ(info.dwFlags + info.dwVersion + info.szName[0], 0u) << "the rest is reset";
    std::string description;
    for (std::size_t i = 0; info.szDescription[i]; ++i)
        description += char(info.szDescription[i]);
    EXPECT_EQ(description, c.infoDescription);
}

INSTANTIATE_TEST_SUITE_P(Compressors, Catalogue,
    testing::Values(
        CatalogueCase { "plain", kVidc, kMjpg, u"Motion JPEG", true, "vidc.MJPG   Motion JPEG", true, "Motion JPEG" },
        CatalogueCase { "streamType", mmioFOURCC('v', 'i', 'd', 's'), kMjpg, u"Motion JPEG", true,
            "vidc.MJPG   Motion JPEG", true, "Motion JPEG" },
        CatalogueCase { "latin1Letter", kVidc, kMjpg, u"Cin\u00e9", true, "vidc.MJPG   Cin\xe9", true, "Cin\xe9" },
        CatalogueCase { "bothBytesOfOtherCharacters", kVidc, kMjpg, u"\u4e2d!", true, "vidc.MJPG   -N!", true, "-!" },
        CatalogueCase { "cannotOpen", kVidc, kMjpg, u"Motion JPEG", false, "", false, "Introuvable: " },
        CatalogueCase { "handlerZero", kVidc, 0, u"raw", true, "", true, "Non compressé: " },
        CatalogueCase { "uncompressed", kVidc, kDib, u"raw", true, "", true, "Non compressé: " }),
    [](const auto &info) { return std::string(info.param.name); });

// Characters 1-4 and 6-9 of the line; valid from line 1 to the last.
TEST(GetCodec, readsTheCodesOfALine)
{
    const std::vector<std::string> entries { "Sans Compression", "vidc.MJPG   Motion JPEG", "", "ab" };
    struct {
        std::int32_t index;
        bool valid;
        std::uint32_t type, handler;
    } const cases[] = { { 0, false, 0, 0 }, { 1, true, kVidc, kMjpg }, { 2, true, 0, 0 },
        { 3, true, mmioFOURCC('a', 'b', 0, 0), 0 }, { 4, false, 0, 0 }, { -1, false, 0, 0 } };
    for (const auto &c : cases) {
        std::uint32_t type = 1, handler = 1;
        EXPECT_EQ(GetCodec(entries, c.index, type, handler), c.valid) << c.index;
        EXPECT_EQ(std::tie(type, handler), std::tie(c.type, c.handler)) << c.index;
    }
}

} // namespace
