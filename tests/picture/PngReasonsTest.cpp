// PNG files broken in one place, made here from a good one by editing its
// chunks: each refusal gives libspng's first error (never the "non-recoverable
// state" it answers afterwards), every checksum of a critical chunk is
// checked as libpng does, and side chunks are bounded by bytes, not count.
#include "common/Bitmap24.h"
#include "jpeg/JpegImage.h"
#include "picture/PictureLoader.h"

#include "TestUtils.h"

#include <gtest/gtest.h>
#include <png.h>
#include <spng.h>

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kWidth = 40, kHeight = 30;

struct Chunk {
    std::string type;
    Bytes data;
    bool badChecksum = false;
};

std::uint32_t crc32Of(const Bytes &b)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : b) {
        crc ^= byte;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void put32Be(Bytes &b, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(std::uint8_t(v >> shift));
}

// A palette picture written by libpng, as its chunks.
std::vector<Chunk> goodPaletteChunks(const TempDir &dir)
{
    const std::string path = (dir / "good.png").string();
    FILE *f = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        ADD_FAILURE() << "libpng could not write " << path;
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return {};
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
        PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back({ png_byte(i), png_byte(255 - i), png_byte(i * 7) });
    png_set_PLTE(png, info, palette.data(), int(palette.size()));
    png_write_info(png, info);
    std::vector<png_byte> row(kWidth);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            row[std::size_t(x)] = png_byte(x * 5 + y * 3);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);

    const Bytes bytes = readFileBytes(path);
    std::vector<Chunk> chunks;
    for (std::size_t at = 8; at + 12 <= bytes.size();) {
        const std::uint32_t length
            = std::uint32_t(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
        chunks.push_back({ std::string(bytes.begin() + std::ptrdiff_t(at + 4), bytes.begin() + std::ptrdiff_t(at + 8)),
            Bytes(bytes.begin() + std::ptrdiff_t(at + 8), bytes.begin() + std::ptrdiff_t(at + 8 + length)) });
        at += 12 + length;
    }
    return chunks;
}

Bytes fileOf(const std::vector<Chunk> &chunks)
{
    Bytes b = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    for (const Chunk &c : chunks) {
        put32Be(b, std::uint32_t(c.data.size()));
        Bytes typed(c.type.begin(), c.type.end());
        typed.insert(typed.end(), c.data.begin(), c.data.end());
        b.insert(b.end(), typed.begin(), typed.end());
        put32Be(b, crc32Of(typed) ^ (c.badChecksum ? 1u : 0u));
    }
    return b;
}

std::size_t indexOf(const std::vector<Chunk> &chunks, const char *type)
{
    for (std::size_t i = 0; i < chunks.size(); ++i)
        if (chunks[i].type == type)
            return i;
    ADD_FAILURE() << "no " << type << " chunk";
    return 0;
}

Chunk text(int i)
{
    const std::string t = std::string("Comment") + '\0' + "note " + std::to_string(i);
    return { "tEXt", Bytes(t.begin(), t.end()) };
}

using Edit = void (*)(std::vector<Chunk> &);

struct ReasonCase {
    const char *name;
    Edit edit;
    int libraryError; // 0: the file loads
    const char *after = ""; // what follows libspng's words
};

std::ostream &operator<<(std::ostream &out, const ReasonCase &c)
{
    return out << c.name;
}

class PngReason : public ::testing::TestWithParam<ReasonCase> { };

TEST_P(PngReason, IsLibspngsFirstError)
{
    const ReasonCase &c = GetParam();
    TempDir dir;
    std::vector<Chunk> chunks = goodPaletteChunks(dir);
    ASSERT_FALSE(chunks.empty());
    Bitmap24 good;
    ASSERT_TRUE(LoadPictureBytes(fileOf(chunks).data(), fileOf(chunks).size(), "png", good, TJpegOptions {}));
    c.edit(chunks);
    const Bytes file = fileOf(chunks);
    const std::string path = (dir / "edited.png").string();
    writeFileBytes(path, file);
    Bitmap24 target = makeTestPanorama(3, 2);
    const Bitmap24 before = target;
    PictureLoadResult result;
    const bool loaded = LoadPictureFile(path, target, TJpegOptions {}, &result);
    if (c.libraryError == 0) {
        ASSERT_TRUE(loaded) << PictureErrorText(result);
        EXPECT_TRUE(target == good);
        return;
    }
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(target == before);
    EXPECT_EQ(result.error, PictureError::Damaged);
    EXPECT_EQ(result.decoder, "libspng");
    EXPECT_EQ(result.detail, std::string(spng_strerror(c.libraryError)) + c.after);
    EXPECT_EQ(PictureErrorText(result), "damaged data (" + result.detail + ")");
}

INSTANTIATE_TEST_SUITE_P(Table, PngReason,
    ::testing::Values(
        ReasonCase { "palette_missing",
            [](std::vector<Chunk> &c) { c.erase(c.begin() + std::ptrdiff_t(indexOf(c, "PLTE"))); }, SPNG_ENOPLTE },
        ReasonCase { "header_checksum", [](std::vector<Chunk> &c) { c[indexOf(c, "IHDR")].badChecksum = true; },
            SPNG_ECHUNK_CRC },
        ReasonCase { "palette_checksum", [](std::vector<Chunk> &c) { c[indexOf(c, "PLTE")].badChecksum = true; },
            SPNG_ECHUNK_CRC },
        ReasonCase { "picture_checksum", [](std::vector<Chunk> &c) { c[indexOf(c, "IDAT")].badChecksum = true; },
            SPNG_ECHUNK_CRC },
        ReasonCase { "cut_in_the_picture",
            [](std::vector<Chunk> &c) {
                Chunk &idat = c[indexOf(c, "IDAT")];
                c.resize(indexOf(c, "IDAT") + 1);
                idat.data.resize(idat.data.size() / 2);
            },
            SPNG_IO_EOF, ": the file is cut short" },
        ReasonCase { "no_end", [](std::vector<Chunk> &c) { c.erase(c.begin() + std::ptrdiff_t(indexOf(c, "IEND"))); },
            SPNG_IO_EOF, ": the file is cut short" },
        // A side chunk with a bad checksum is dropped, as libpng drops it.
        ReasonCase { "text_checksum",
            [](std::vector<Chunk> &c) {
                Chunk t = text(1);
                t.badChecksum = true;
                c.insert(c.begin() + std::ptrdiff_t(indexOf(c, "IDAT")), t);
            },
            0 },
        // libpng and ImageMagick read these: a count of side chunks is no limit.
        ReasonCase { "thousand_and_one_text_chunks",
            [](std::vector<Chunk> &c) {
                for (int i = 0; i < 1001; ++i)
                    c.insert(c.begin() + std::ptrdiff_t(indexOf(c, "IDAT")), text(i));
            },
            0 },
        ReasonCase { "text_after_the_picture",
            [](std::vector<Chunk> &c) {
                for (int i = 0; i < 1500; ++i)
                    c.insert(c.begin() + std::ptrdiff_t(indexOf(c, "IEND")), text(i));
            },
            0 },
        ReasonCase { "picture_in_many_chunks",
            [](std::vector<Chunk> &c) {
                const std::size_t at = indexOf(c, "IDAT");
                const Bytes data = c[at].data;
                c.erase(c.begin() + std::ptrdiff_t(at));
                for (std::size_t i = data.size(); i-- > 0;)
                    c.insert(c.begin() + std::ptrdiff_t(at), Chunk { "IDAT", Bytes { data[i] } });
            },
            0 }),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
