#include "common/SeriesName.h"

#include <cstdint>
#include <cstdio>

namespace {

std::string leafOf(const std::string &fileName)
{
    const std::size_t slash = fileName.rfind('/');
    return slash == std::string::npos ? fileName : fileName.substr(slash + 1);
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// FNV-1a: the same value in every process and every build.
std::uint64_t stableHash(const std::string &text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace

std::string SeriesKey(const std::string &fileName)
{
    const std::string leaf = leafOf(fileName);
    const std::size_t dot = leaf.rfind('.');
    // A leading dot starts a hidden name, not an extension.
    const std::size_t split = dot == std::string::npos || dot == 0 ? leaf.size() : dot;
    std::size_t stemEnd = split;
    while (stemEnd > 0 && leaf[stemEnd - 1] >= '0' && leaf[stemEnd - 1] <= '9')
        --stemEnd;
    std::string key = leaf.substr(0, stemEnd) + leaf.substr(split);
    for (char &c : key)
        c = upper(c);
    return key;
}

std::string SeriesPattern(const std::string &baseName, const std::string &extension)
{
    return leafOf(baseName) + "*" + extension;
}

std::string TemporaryNamePrefix(const std::string &fileName)
{
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(stableHash(SeriesKey(fileName))));
    return std::string(".travelia-") + hex + "-";
}
