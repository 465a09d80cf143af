#include "output/FrameNames.h"

#include "common/TextFormat.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <system_error>

std::string NormalizeSubDir(const std::string &text)
{
    if (text.find("./") != std::string::npos)
        return text;
    std::string name = text;
    if (!name.empty() && name.front() == '.')
        name.erase(0, 1);
    if (!name.empty() && name.front() == '/')
        name.erase(0, 1);
    return "./" + name;
}

std::string BuildDstDir(const std::string &baseFolder, bool useSubDir, const std::string &normalizedSubDir)
{
    if (!useSubDir)
        return baseFolder;
    // A base folder typed without its trailing separator still gets one:
    // "/out" and "./anim" make "/out/anim", not "/outanim".
    std::string dir = baseFolder;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    // The first two characters are dropped even when "./" stands elsewhere.
    return dir + normalizedSubDir.substr(std::min<std::size_t>(2, normalizedSubDir.size()));
}

std::string BaseNameFrom(const std::string &pathOrName)
{
    const std::size_t slash = pathOrName.rfind('/');
    std::string name = slash == std::string::npos ? pathOrName : pathOrName.substr(slash + 1);
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos && dot != 0)
        name.erase(dot);
    return name;
}

std::string ExtensionFor(std::int32_t formatIndex)
{
    switch (formatIndex) {
    case FormatJpg:
        return ".JPG";
    case FormatAvi:
        return ".AVI";
    case FormatPng:
        return ".PNG";
    case FormatTiff:
        return ".TIF";
    default:
        return ".BMP";
    }
}

std::string MakeFrameName(const std::string &pattern, const std::string &dir, const std::string &name,
    std::int32_t number, const std::string &ext)
{
    return formatText(pattern, { dir, name, std::int64_t(number), ext });
}

std::int32_t FindFreeNumber(const std::string &pattern, const std::string &dir, const std::string &name,
    std::int32_t start, const std::string &ext, const std::function<bool(const std::string &)> &exists)
{
    std::int32_t number = start;
    while (number < INT32_MAX && exists(MakeFrameName(pattern, dir, name, number, ext)))
        ++number;
    return number;
}

namespace {

// "anim//IMAGE0003.BMP" names the same file as "anim/IMAGE0003.BMP": show it so.
std::string singleSlashes(std::string path)
{
    path.erase(std::unique(path.begin(), path.end(), [](char a, char b) { return a == '/' && b == '/'; }), path.end());
    return path;
}

std::string joinCurrentFolder(const std::string &path)
{
    if (!path.empty() && path.front() == '/')
        return path;
    std::error_code ec;
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    if (ec)
        return path;
    return cwd.string() + '/' + path;
}

} // namespace

std::string AbsolutePath(const std::string &path)
{
    return singleSlashes(joinCurrentFolder(path));
}
