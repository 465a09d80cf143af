#include "output/FrameFile.h"

#include "common/Bitmap24.h"
#include "options/JpegImage.h"
#include "output/AtomicFile.h"
#include "output/BmpWriter.h"
#include "platform/ModalQuestions.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <sys/uio.h>
#include <system_error>
#include <vector>

namespace {

void put16(std::uint8_t *p, std::uint16_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void put32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

bool writeJpeg(const TJPEGImage &image, const Bitmap24 &bitmap, const std::string &fileName)
{
    std::vector<std::uint8_t> data;
    try {
        data = image.compress(bitmap);
    } catch (const std::exception &) {
        return false; // the library's error; nothing is reported
    }
    AtomicFile file(fileName);
    return file.write(data.data(), data.size()) && file.commit();
}

} // namespace

std::array<std::uint8_t, kBmpHeaderSize> BmpHeaders(const Bitmap24 &bitmap)
{
    std::array<std::uint8_t, kBmpHeaderSize> h {};
    const std::uint32_t imageSize = std::uint32_t(bitmap.byteCount());
    h[0] = 'B';
    h[1] = 'M';
    put32(&h[2], kBmpHeaderSize + imageSize);
    put32(&h[10], kBmpHeaderSize);
    put32(&h[14], 40);
    put32(&h[18], std::uint32_t(bitmap.width()));
    put32(&h[22], std::uint32_t(bitmap.height())); // positive: bottom row first
    put16(&h[26], 1); // planes
    put16(&h[28], 24); // bits per pixel
    put32(&h[30], 0); // BI_RGB
    put32(&h[34], imageSize);
    // Resolution and colour counts stay 0: readers ignore them.
    return h;
}

bool IsJpegFileName(const std::string &fileName)
{
    const std::size_t slash = fileName.rfind('/');
    const std::string leaf = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = leaf.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string ext = leaf.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return ext == ".JPG" || ext == ".JPEG";
}

bool WriteBmpFile(const Bitmap24 &bitmap, const std::string &fileName)
{
    const auto headers = BmpHeaders(bitmap);
    // Rows are already padded with zeros as BMP wants them: hand them to the
    // kernel bottom row first, in a handful of gathered writes.
    std::vector<struct iovec> parts;
    parts.reserve(std::size_t(bitmap.height()) + 1);
    parts.push_back({ const_cast<std::uint8_t *>(headers.data()), headers.size() });
    for (int y = bitmap.height() - 1; y >= 0; --y)
        parts.push_back({ const_cast<std::uint8_t *>(bitmap.scanLine(y)), bitmap.stride() });
    AtomicFile file(fileName);
    return file.writeVector(parts.data(), parts.size()) && file.commit();
}

bool WriteJpegFile(const Bitmap24 &bitmap, const std::string &fileName, const TJpegOptions &options)
{
    TJPEGImage image;
    image.setOptions(options);
    return writeJpeg(image, bitmap, fileName);
}

SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    const OverwriteQuestion &askOverwrite, bool &stopRequested, const TJpegOptions &jpegOptions)
{
    std::error_code ec;
    if (confirmOverwrite && std::filesystem::exists(fileName, ec)) {
        switch (askOverwrite(fileName, "Ecraser le Fichier ?")) {
        case ModalQuestions::OverwriteYes:
            break;
        case ModalQuestions::OverwriteYesToAll:
            confirmOverwrite = false;
            break;
        case ModalQuestions::OverwriteNo:
            return SaveOutcome::Skipped;
        case ModalQuestions::OverwriteStop:
            stopRequested = true;
            return SaveOutcome::Skipped;
        default:
            stopRequested = true;
            return SaveOutcome::Abandoned;
        }
    }
    bool written;
    if (IsJpegFileName(fileName)) {
        const TJPEGImage image(jpegOptions); // copies the JPEG settings in force now
        written = writeJpeg(image, bitmap, fileName);
    } else {
        written = WriteBmpFile(bitmap, fileName);
    }
    return written ? SaveOutcome::Written : SaveOutcome::Failed;
}

SaveOutcome SaveFrameFile(const Bitmap24 &bitmap, const std::string &fileName, bool &confirmOverwrite,
    ModalQuestions &questions, bool &stopRequested, const TJpegOptions &jpegOptions)
{
    return SaveFrameFile(
        bitmap, fileName, confirmOverwrite,
        [&questions](
            const std::string &name, const std::string &caption) { return questions.askOverwrite(name, caption); },
        stopRequested, jpegOptions);
}
