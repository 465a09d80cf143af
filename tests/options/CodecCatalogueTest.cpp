#include "options/CodecCatalogue.h"

#include "video/FourCC.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr std::uint32_t kVidc = mmioFOURCC('v', 'i', 'd', 'c');

AviCompressor compressor(const char *code, const char *description)
{
    AviCompressor c;
    c.code = fourccFromText(code);
    c.description = description;
    return c;
}

// What the list shows: "Sans Compression", then each compressor's type,
// code and description, in the list's order; a code with a zero byte ends
// its line there.
TEST(Catalogue, showsEachCompressorsCodeAndDescription)
{
    AviCompressor zero = compressor("dpx", "DPX");
    zero.code = mmioFOURCC('d', 0, 'x', ' ');
    const std::vector<AviCompressor> list { compressor("MJPG", "Motion JPEG"),
        compressor("dpx", "DPX (Digital Picture Exchange)"), zero };
    EXPECT_EQ(CatalogueList(list),
        (std::vector<std::string> {
            "Sans Compression", "vidc.MJPG   Motion JPEG", "vidc.dpx    DPX (Digital Picture Exchange)", "vidc.d" }));
}

// Choosing a line gives its compressor's code, from the entry itself.
TEST(Catalogue, aChosenLineGivesItsCode)
{
    const std::vector<CatalogueEntry> entries
        = Catalogue({ compressor("MJPG", "Motion JPEG"), compressor("FFV1", "FFmpeg video codec #1") });
    struct {
        std::int32_t index;
        bool valid;
        std::uint32_t type, handler;
    } const cases[] = { { 0, false, 0, 0 }, { 1, true, kVidc, fourccFromText("MJPG") },
        { 2, true, kVidc, fourccFromText("FFV1") }, { 3, false, 0, 0 }, { -1, false, 0, 0 } };
    for (const auto &c : cases) {
        std::uint32_t type = 1, handler = 1;
        EXPECT_EQ(GetCodec(entries, c.index, type, handler), c.valid) << c.index;
        EXPECT_EQ(std::tie(type, handler), std::tie(c.type, c.handler)) << c.index;
    }
}

// This machine's catalogue: a line for every compressor of the list.
TEST(Catalogue, listsThisMachinesCompressors)
{
    const std::vector<std::string> lines = CatalogueList();
    ASSERT_EQ(lines.size(), AviCompressors().size() + 1);
    const auto ffv1
        = std::find_if(lines.begin(), lines.end(), [](const std::string &l) { return l.starts_with("vidc.FFV1   "); });
    EXPECT_NE(ffv1, lines.end());
}

} // namespace
