#pragma once

#include <string>
#include <utility>
#include <vector>

// How a registered format is decoded.
enum class PictureDecoder {
    None, // registered for the open dialog only: loading fails
    Bitmap, // our BMP reader
    Jpeg, // TJPEGImage with the JPEG options in force
    Qt, // a QImageReader plug-in, forced to the entry's format
    FFmpeg, // a libavcodec still-image decoder
    Tiff, // libtiff, streamed into the rows; the Qt plug-in for the rest
    Png, // libspng, streamed into the rows
};

struct PictureFormat {
    std::string extension; // lower case, no dot
    std::string description; // UTF-8
    PictureDecoder decoder = PictureDecoder::None;
    std::string codec; // Qt format name (also the fallback of Tiff) or libavcodec decoder name
};

// One file type of the open dialog: its label and its patterns ("*.gif").
struct PictureFileType {
    std::string label;
    std::vector<std::string> patterns;
};

// The ordered list of picture formats, append-only: an extension may be
// registered several times and the newest registration wins. The built-in
// formats are registered on first use. Not thread-safe: the program uses it
// from the interface thread only.
class PictureRegistry {
public:
    static PictureRegistry &instance();

    void registerFormat(PictureFormat format);
    const std::vector<PictureFormat> &formats() const { return m_formats; }

    // Case-insensitive, newest entry first; nullptr when none matches.
    const PictureFormat *find(const std::string &extension) const;

    // The open dialog's file types: "Tous" with every pattern (when there is
    // more than one), then one type per entry, newest first.
    std::vector<PictureFileType> fileTypes() const;
    // The same as Qt file-dialog filters ("GIF Image (*.gif)", ...).
    std::vector<std::string> dialogFilters() const;
    // The same joined in Qt's "A (*.a);;B (*.b)" form.
    std::string dialogFilter() const;

private:
    PictureRegistry();
    std::vector<PictureFormat> m_formats;
};

// Lower-case extension of the file-name part of a path ("" when none).
std::string pictureExtension(const std::string &fileName);
