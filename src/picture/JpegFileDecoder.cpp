#include "picture/JpegFileDecoder.h"

#include "common/Bitmap24.h"
#include "options/JpegImage.h"

namespace {

// Thrown by the sink when the caller asks to stop between two rows.
struct StopAsked { };

// Rows of the decoded size gathered into the kept picture.
class GatheringSink : public JpegRowSink {
public:
    GatheringSink(Bitmap24 &target, const LoadSizeChoice &keep, DecodeControl &control)
        : m_gatherer(target)
        , m_keep(keep)
        , m_control(control)
    {
    }

    void chooseKeptSize(int width, int height, int &keptWidth, int &keptHeight) override
    {
        m_announced = { width, height };
        if (const std::optional<PictureSize> kept = ReducedSize(m_keep, width, height)) {
            keptWidth = kept->width;
            keptHeight = kept->height;
        }
    }
    std::uint64_t workBytes(int decodedWidth, int decodedHeight, int keptWidth, int keptHeight) override
    {
        return RowGatherer::workBytes({ decodedWidth, decodedHeight }, { keptWidth, keptHeight });
    }
    void startPass(int decodedWidth, int decodedHeight, int keptWidth, int keptHeight) override
    {
        m_height = decodedHeight;
        m_gatherer.start({ decodedWidth, decodedHeight }, { keptWidth, keptHeight });
    }
    void takeRow(const std::uint8_t *pixels) override
    {
        const int row = m_gatherer.rowsPushed();
        if ((row & 63) == 0 && m_control.step(row, m_height))
            throw StopAsked {};
        m_gatherer.pushRow(pixels);
    }
    bool finished() const { return m_gatherer.finished(); }
    PictureSize announced() const { return m_announced; }

private:
    RowGatherer m_gatherer;
    const LoadSizeChoice &m_keep;
    DecodeControl &m_control;
    int m_height = 0;
    PictureSize m_announced;
};

bool failed(PictureLoadResult &result, PictureError error, std::string detail = {})
{
    result.error = error;
    if (!detail.empty())
        result.detail = std::move(detail);
    return false;
}

} // namespace

bool RunJpegDecode(const std::function<void()> &decode, PictureLoadResult &result)
{
    try {
        decode();
        return true;
    } catch (const JpegRefused &e) {
        result.width = e.width();
        result.height = e.height();
        result.memoryNeeded = e.shortage().needed;
        result.memoryAvailable = e.shortage().available;
        return failed(result,
            e.reason() == JpegRefused::Memory             ? PictureError::OutOfMemory
                : e.reason() == JpegRefused::FileTooShort ? PictureError::FileTooShort
                                                          : PictureError::TooLarge);
    } catch (const JpegError &e) {
        if (e.kind() == JpegError::Interrupted)
            return failed(result, PictureError::Interrupted);
        if (e.kind() == JpegError::TooMuchWork)
            return failed(result, PictureError::Damaged, "too many scans for its size");
        if (e.kind() == JpegError::ReadFailed)
            return failed(result, PictureError::File);
        return failed(result, PictureError::Damaged, e.libraryText().empty() ? e.what() : e.libraryText());
    }
}

DecodeOutcome decodeJpegRows(PictureSource &source, const TJpegOptions &options, const LoadSizeChoice &keep,
    Bitmap24 &target, PictureLoadResult &result, DecodeControl &control, const CancelCheck &cancelled)
{
    target.clear();
    result.decoder = "libjpeg";
    GatheringSink sink(target, keep, control);
    const JpegReadAt read
        = [&source](std::uint64_t offset, void *out, std::size_t n) { return source.readAt(offset, out, n); };
    bool ok = false;
    try {
        ok = RunJpegDecode([&] { TJPEGImage(options).decodeRows(source.size(), read, sink, cancelled); }, result);
    } catch (const StopAsked &) {
        result.error = PictureError::Interrupted;
    }
    if (ok && !sink.finished())
        failed(result, PictureError::Damaged, "rows missing");
    else if (ok) {
        result.width = sink.announced().width;
        result.height = sink.announced().height;
        return DecodeOutcome::Decoded;
    }
    target.clear();
    if (result.error == PictureError::File) {
        result.fileError = source.error();
        result.systemError = source.systemError();
    }
    return DecodeOutcome::Failed;
}
