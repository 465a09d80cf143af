#include "output/SaveAsTypes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace {

struct SaveAsType {
    const char *label;
    std::vector<std::string> extensions; // lower case, the one added first
};

// Only what WriteFrameFile writes, told apart by FrameFileKindOf.
const std::array<SaveAsType, 4> &saveAsTypes()
{
    static const std::array<SaveAsType, 4> types { { { "Images BMP", { "bmp" } }, { "Images JPEG", { "jpg", "jpeg" } },
        { "Images PNG", { "png" } }, { "Images TIFF", { "tif", "tiff" } } } };
    return types;
}

std::string filterOf(const SaveAsType &type)
{
    std::string text = std::string(type.label) + " (";
    for (std::size_t i = 0; i < type.extensions.size(); ++i)
        text += (i ? " *." : "*.") + type.extensions[i];
    return text + ")";
}

std::string lowerExtension(const std::string &name)
{
    const std::size_t slash = name.rfind('/');
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = name.substr(dot + 1);
    std::transform(
        extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return extension;
}

} // namespace

std::string SaveAsDialogFilter()
{
    std::string filter;
    for (const SaveAsType &type : saveAsTypes())
        filter += (filter.empty() ? "" : ";;") + filterOf(type);
    return filter;
}

std::string SaveAsFileName(const std::string &typedName, const std::string &chosenFilter)
{
    const auto &types = saveAsTypes();
    const auto chosen = std::find_if(
        types.begin(), types.end(), [&chosenFilter](const SaveAsType &type) { return filterOf(type) == chosenFilter; });
    const SaveAsType &type = chosen == types.end() ? types.front() : *chosen;
    const std::string extension = lowerExtension(typedName);
    if (std::find(type.extensions.begin(), type.extensions.end(), extension) != type.extensions.end())
        return typedName;
    // "vue." gets its extension after the dot typed.
    const bool endsWithDot = !typedName.empty() && typedName.back() == '.';
    return typedName + (endsWithDot ? "" : ".") + type.extensions.front();
}
