#pragma once

#include "common/Bitmap24.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A fresh folder under the system temp folder, removed with its content when
// the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    std::filesystem::path operator/(const std::string &name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// A panorama whose every pixel tells where it is: blue = x mod 256,
// green = y mod 256, red = (x div 256 + 7 * (y div 256)) mod 256.
struct PixelBgr {
    std::uint8_t b, g, r;
    bool operator==(const PixelBgr &) const = default;
};
PixelBgr testPanoramaPixel(int x, int y);
Bitmap24 makeTestPanorama(int width, int height);
PixelBgr pixelAt(const Bitmap24 &bitmap, int x, int y);

// The name of a parameterised test made from any text (such names hold only
// letters, digits and "_"): letters and digits kept, blanks and slashes as
// "_", other punctuation as a word ("Dot", "Minus", "Dollar"...), any other
// byte as "x" and its hexadecimal code; an empty text is "empty".
std::string testNameFrom(std::string_view text);

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path &path);
void writeFileBytes(const std::filesystem::path &path, const std::vector<std::uint8_t> &bytes);

// Runs body in a child process that sees a small empty file system (tmpfs of
// sizeKb) mounted on folder, so that writes there fail with "no space left".
// Returns the body's result (0 to 125), or -1 when this machine cannot mount
// one (no root, no mount namespace): the caller then skips.
int runWithSmallDisk(const std::filesystem::path &folder, int sizeKb, const std::function<int()> &body);

// Runs body in a child process whose address space may grow by only
// headroomBytes beyond what it maps at the start (RLIMIT_AS), as under
// `prlimit --as`. Returns the body's result (0 to 125), or -1 when the child
// did not end normally.
int runWithAddressSpaceHeadroom(std::uint64_t headroomBytes, const std::function<int()> &body);
