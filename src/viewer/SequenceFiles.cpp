#include "viewer/SequenceFiles.h"

#include "output/OutputFormat.h"

#include <QString>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Glob match over case-folded text: "*" matches any run, everything else
// itself. Greedy with one back-track point, linear in practice.
bool globMatch(const QString &name, const QString &mask)
{
    qsizetype n = 0, m = 0, starM = -1, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == u'*') {
            starM = m++;
            starN = n;
        } else if (m < mask.size() && mask[m] == name[n]) {
            ++m;
            ++n;
        } else if (starM >= 0) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == u'*')
        ++m;
    return m == mask.size();
}

// Compares two runs of digits by value; leading zeros do not count.
int compareNumbers(std::string_view a, std::string_view b)
{
    const auto strip = [](std::string_view s) {
        const auto first = s.find_first_not_of('0');
        return first == std::string_view::npos ? std::string_view() : s.substr(first);
    };
    a = strip(a);
    b = strip(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

} // namespace

SequenceMask MakeSequenceMask(const std::string &chosenFile, std::int32_t formatSelection)
{
    const auto slash = chosenFile.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : chosenFile.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? chosenFile : chosenFile.substr(slash + 1);
    const auto dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);

    // Up to the first occurrence of the extension, as written.
    std::string prefix = name.substr(0, name.find(ext));
    while (!prefix.empty() && isDigit(prefix.back()))
        prefix.pop_back();
    if (ext != ".BMP" && ext != ".JPEG" && ext != ".PNG" && ext != ".TIF") {
        switch (formatSelection) {
        case FormatJpg:
            ext = ".JPG";
            break;
        case FormatPng:
            ext = ".PNG";
            break;
        default:
            ext = ".BMP";
        }
    }
    return { folder, prefix + "*" + ext };
}

bool MatchesMask(const std::string &name, const std::string &mask)
{
    return globMatch(QString::fromStdString(name).toCaseFolded(), QString::fromStdString(mask).toCaseFolded());
}

bool FrameOrderLess(const std::string &a, const std::string &b)
{
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const std::size_t i0 = i, j0 = j;
            while (i < a.size() && isDigit(a[i]))
                ++i;
            while (j < b.size() && isDigit(b[j]))
                ++j;
            if (const int c
                = compareNumbers(std::string_view(a).substr(i0, i - i0), std::string_view(b).substr(j0, j - j0)))
                return c < 0;
            continue;
        }
        if (lower(a[i]) != lower(b[j]))
            return static_cast<unsigned char>(lower(a[i])) < static_cast<unsigned char>(lower(b[j]));
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size()))
        return j < b.size();
    // Equal by value and case (IMAGE0010 and IMAGE10): any fixed order.
    return a < b;
}

std::vector<std::string> ListSequence(const std::string &folder, const std::string &mask)
{
    std::vector<std::string> names;
    std::error_code ec;
    const fs::path where = folder.empty() ? fs::path(".") : fs::path(folder);
    for (fs::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (name.empty() || name.front() == '.' || !it->is_regular_file(typeError))
            continue;
        if (MatchesMask(name, mask))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end(), FrameOrderLess);
    return names;
}
