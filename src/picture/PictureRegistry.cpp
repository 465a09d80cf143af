#include "picture/PictureRegistry.h"

#include <algorithm>
#include <cctype>

namespace {

std::string lowerAscii(std::string text)
{
    for (char &c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

struct BuiltInRow {
    std::vector<const char *> extensions;
    const char *description;
    PictureDecoder decoder;
    const char *codec;
};

// Registration order matters: later rows win for a repeated extension and
// the dialog lists them newest first.
const std::vector<BuiltInRow> &builtInRows()
{
    using D = PictureDecoder;
    static const std::vector<BuiltInRow> rows = {
        { { "wmf" }, "Métafichiers", D::None, "" },
        { { "emf" }, "Métafichiers évolués", D::None, "" },
        { { "ico" }, "Icônes", D::Qt, "ico" },
        { { "bmp" }, "Bitmaps", D::Bitmap, "" },
        { { "jpg", "jpeg" }, "JPEG Image File", D::Jpeg, "" },
        { { "bmp" }, "Windows bitmaps", D::Bitmap, "" },
        { { "ico" }, "Windows icons", D::Qt, "ico" },
        { { "wmf" }, "Windows metafiles", D::None, "" },
        { { "emf" }, "Windows enhanced meta files", D::None, "" },
        { { "jfif" }, "JFIF images", D::Jpeg, "" },
        { { "jpg" }, "JPG images", D::Jpeg, "" },
        { { "jpe" }, "JPE images", D::Jpeg, "" },
        { { "jpeg", "jps" }, "JPEG images", D::Jpeg, "" },
        { { "rle" }, "Run length encoded Windows bitmaps", D::Bitmap, "" },
        { { "dib" }, "Device independant Windows bitmaps", D::Bitmap, "" },
        { { "win", "vst", "vda", "tga", "icb" }, "Truevision images", D::FFmpeg, "targa" },
        { { "tiff" }, "Macintosh TIFF images", D::Tiff, "tiff" },
        { { "tif" }, "PC TIF images", D::Tiff, "tiff" },
        { { "fax" }, "GFI fax images", D::Tiff, "tiff" },
        { { "eps" }, "Encapsulated Postscript images", D::None, "" },
        { { "pcx", "pcc" }, "ZSoft Paintbrush images", D::FFmpeg, "pcx" },
        { { "scr" }, "Word 5.x screen capture images", D::FFmpeg, "pcx" },
        { { "rpf", "rla" }, "Alias/Wavefront images", D::None, "" },
        { { "sgi" }, "SGI true color images", D::FFmpeg, "sgi" },
        { { "rgba" }, "SGI true color images with alpha", D::FFmpeg, "sgi" },
        { { "rgb" }, "SGI true color images", D::FFmpeg, "sgi" },
        { { "bw" }, "SGI black/white images", D::FFmpeg, "sgi" },
        { { "psd", "pdd" }, "Photoshop images", D::FFmpeg, "psd" },
        { { "ppm" }, "Portable pixel map images", D::Qt, "ppm" },
        { { "pgm" }, "Portable gray map images", D::Qt, "pgm" },
        { { "pbm" }, "Portable bitmap images", D::Qt, "pbm" },
        { { "cel", "pic" }, "Autodesk images", D::None, "" },
        { { "pcd" }, "Kodak Photo-CD images", D::FFmpeg, "photocd" },
        { { "cut" }, "Dr. Halo images", D::None, "" },
        { { "psp" }, "Paintshop Pro images", D::None, "" },
        { { "png" }, "Portable network graphic images", D::Png, "png" },
        { { "gif" }, "GIF Image", D::Qt, "gif" },
    };
    return rows;
}

} // namespace

PictureRegistry &PictureRegistry::instance()
{
    static PictureRegistry registry;
    return registry;
}

PictureRegistry::PictureRegistry()
{
    for (const BuiltInRow &row : builtInRows())
        for (const char *extension : row.extensions)
            registerFormat({ extension, row.description, row.decoder, row.codec });
}

void PictureRegistry::registerFormat(PictureFormat format)
{
    format.extension = lowerAscii(std::move(format.extension));
    m_formats.push_back(std::move(format));
}

const PictureFormat *PictureRegistry::find(const std::string &extension) const
{
    const std::string wanted = lowerAscii(extension);
    if (wanted.empty())
        return nullptr;
    for (auto it = m_formats.rbegin(); it != m_formats.rend(); ++it)
        if (it->extension == wanted)
            return &*it;
    return nullptr;
}

std::vector<PictureFileType> PictureRegistry::fileTypes() const
{
    std::vector<PictureFileType> single;
    std::vector<std::string> all;
    for (auto it = m_formats.rbegin(); it != m_formats.rend(); ++it) {
        if (it->extension.empty())
            continue;
        const std::string pattern = "*." + it->extension;
        single.push_back({ it->description, { pattern } });
        all.push_back(pattern);
    }
    std::vector<PictureFileType> types;
    if (single.size() > 1)
        types.push_back({ "Tous", all });
    types.insert(types.end(), single.begin(), single.end());
    return types;
}

std::vector<std::string> PictureRegistry::dialogFilters() const
{
    // Qt separates the patterns of one filter with blanks.
    std::vector<std::string> filters;
    for (const PictureFileType &type : fileTypes()) {
        std::string text = type.label + " (";
        for (std::size_t i = 0; i < type.patterns.size(); ++i)
            text += (i ? " " : "") + type.patterns[i];
        filters.push_back(text + ")");
    }
    return filters;
}

std::string pictureExtension(const std::string &fileName)
{
    const std::size_t slash = fileName.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : lowerAscii(name.substr(dot + 1));
}

std::string PictureRegistry::dialogFilter() const
{
    std::string filter;
    for (const std::string &type : dialogFilters())
        filter += (filter.empty() ? "" : ";;") + type;
    return filter;
}
