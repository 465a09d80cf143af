#include "TestUtils.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <stdexcept>
#include <string>

TempDir::TempDir()
{
    std::random_device rd;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("travelia-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Tests may leave read-only folders behind; make them writable first.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(
            it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::string testNameFrom(std::string_view text)
{
    static const std::map<char, const char *> words { { ' ', "_" }, { '/', "_" }, { '\\', "_" }, { '.', "Dot" },
        { '-', "Minus" }, { '+', "Plus" }, { '$', "Dollar" }, { '%', "Pct" }, { '#', "Hash" }, { '?', "Q" },
        { '!', "Bang" }, { ':', "Colon" }, { ',', "Comma" }, { '(', "Lp" }, { ')', "Rp" }, { '&', "Amp" },
        { '>', "Gt" }, { '<', "Lt" }, { '=', "Eq" }, { '\t', "Tab" } };
    if (text.empty())
        return "empty";
    std::string name;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) && byte < 0x80) {
            name += c;
        } else if (const auto word = words.find(c); word != words.end()) {
            name += word->second;
        } else {
            static const char hex[] = "0123456789ABCDEF";
            name += 'x';
            name += hex[byte >> 4];
            name += hex[byte & 15];
        }
    }
    return name;
}

PixelBgr testPanoramaPixel(int x, int y)
{
    return { std::uint8_t(x & 255), std::uint8_t(y & 255), std::uint8_t(((x >> 8) + 7 * (y >> 8)) & 255) };
}

Bitmap24 makeTestPanorama(int width, int height)
{
    Bitmap24 bitmap;
    if (!bitmap.resize(width, height))
        throw std::runtime_error("test panorama too large");
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = bitmap.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const PixelBgr p = testPanoramaPixel(x, y);
            row[3 * x] = p.b;
            row[3 * x + 1] = p.g;
            row[3 * x + 2] = p.r;
        }
    }
    return bitmap;
}

PixelBgr pixelAt(const Bitmap24 &bitmap, int x, int y)
{
    const std::uint8_t *p = bitmap.scanLine(y) + 3 * x;
    return { p[0], p[1], p[2] };
}

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

void writeFileBytes(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

int runWithSmallDisk(const std::filesystem::path &folder, int sizeKb, const std::function<int()> &body)
{
    constexpr int kCannotMount = 126;
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        const std::string options = "size=" + std::to_string(sizeKb) + "k";
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0)
            ::_exit(kCannotMount);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == kCannotMount)
        return -1;
    return WEXITSTATUS(status);
}

int runWithAddressSpaceHeadroom(std::uint64_t headroomBytes, const std::function<int()> &body)
{
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        std::ifstream status("/proc/self/status");
        std::string line;
        std::uint64_t mappedKb = 0;
        while (std::getline(status, line))
            if (line.rfind("VmSize:", 0) == 0)
                mappedKb = std::stoull(line.substr(7));
        const rlimit limit { rlim_t(mappedKb * 1024 + headroomBytes), rlim_t(mappedKb * 1024 + headroomBytes) };
        if (mappedKb == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0)
            ::_exit(127);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
