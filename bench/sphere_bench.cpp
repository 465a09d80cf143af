// Views of a 360° panorama (bench/sphere_vs_v360.sh):
//   sphere_bench render PANORAMA FRAMES OUT.rgb   FRAMES frames of 1920 x 1080,
//       a full yaw turn, rows on every core; frames written raw (RGB24) to
//       OUT.rgb (/dev/null to time the rendering alone)
//   sphere_bench still PANORAMA YAW OUT.ppm       one frame
//   sphere_bench mad A.ppm B.ppm                  mean absolute difference
//   sphere_bench preview PANORAMA                 the main window's first frame
//       of the view (760 x 428), made anew and then as kept
// Prints frames per second, the tables' bytes, and the peak memory (VmHWM)
// against the panorama's 24-bit size.
#include "anim/SphereFrames.h"
#include "app/ViewFramePreview.h"
#include "common/Bitmap24.h"
#include "jpeg/JpegOptions.h"
#include "picture/PictureLevels.h"
#include "picture/PictureLoader.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

long PeakKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

bool Load(const std::string &path, Bitmap24 &panorama)
{
    if (!LoadPictureFile(path, panorama, TJpegOptions {})) {
        std::cerr << "cannot read " << path << '\n';
        return false;
    }
    return true;
}

void WriteRgb(std::FILE *out, const Bitmap24 &frame)
{
    std::vector<std::uint8_t> row(std::size_t(frame.width()) * 3);
    for (int y = 0; y < frame.height(); ++y) {
        const std::uint8_t *p = frame.scanLine(y);
        for (int x = 0; x < frame.width(); ++x) {
            row[3 * std::size_t(x)] = p[3 * x + 2];
            row[3 * std::size_t(x) + 1] = p[3 * x + 1];
            row[3 * std::size_t(x) + 2] = p[3 * x];
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
}

bool ReadPpm(const std::string &path, int &w, int &h, std::vector<std::uint8_t> &pixels)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    in >> magic >> w >> h >> maxValue;
    in.get();
    if (magic != "P6" || maxValue != 255)
        return false;
    pixels.resize(std::size_t(w) * std::size_t(h) * 3);
    return bool(in.read(reinterpret_cast<char *>(pixels.data()), std::streamsize(pixels.size())));
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "mad") {
        int wa = 0, ha = 0, wb = 0, hb = 0;
        std::vector<std::uint8_t> a, b;
        if (!ReadPpm(args[1], wa, ha, a) || !ReadPpm(args[2], wb, hb, b) || wa != wb || ha != hb) {
            std::cerr << "two PPM pictures of one size are needed\n";
            return 1;
        }
        double sum = 0;
        for (std::size_t i = 0; i < a.size(); ++i)
            sum += std::abs(int(a[i]) - int(b[i]));
        std::printf("mean absolute difference %.3f grey levels\n", sum / double(a.size()));
        return 0;
    }
    if ((args.size() != 4 || (args[0] != "render" && args[0] != "still"))
        && (args.size() != 2 || args[0] != "preview")) {
        std::cerr << "usage: sphere_bench render PANORAMA FRAMES OUT.rgb | still PANORAMA YAW OUT.ppm | mad A B | "
                     "preview PANORAMA\n";
        return 1;
    }
    Bitmap24 panorama;
    if (!Load(args[1], panorama))
        return 2;
    const SphereMapping mapping
        = SphereMapping::whole(SphereProjection::Equirectangular, panorama.width(), panorama.height());
    if (args[0] == "preview") {
        tanimprm prm;
        prm.FrameWidth = kWidth;
        prm.FrameHeight = kHeight;
        prm.Sphere.Mapping = mapping;
        const RunPlan plan = PrepareFrames(prm, panorama.width(), panorama.height());
        const std::atomic<bool> cancelled { false };
        const std::vector<Bitmap24> copies = MakePictureLevels(panorama, cancelled), none;
        for (const bool withCopies : { false, true }) {
            ViewFramePreview preview;
            for (const char *label : { "made", "kept" }) {
                const auto started = std::chrono::steady_clock::now();
                const Bitmap24 &shown = preview.render(panorama, withCopies ? copies : none, plan, 760, 428);
                const double ms
                    = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
                std::printf("first frame %dx%d of a view of %dx%d (%s), %s: %.1f ms\n", shown.width(), shown.height(),
                    panorama.width(), panorama.height(),
                    withCopies ? "from the window's reduced copies" : "from the panorama", label, ms);
            }
        }
        return 0;
    }
    const ViewSettings view { ViewProjection::Rectilinear, kWidth, kHeight, 90, 0 };
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    SphereFrames frames(panorama, mapping, threads);
    Bitmap24 frame;
    std::FILE *out = std::fopen(args[3].c_str(), "wb");
    if (!out) {
        std::perror(args[3].c_str());
        return 3;
    }
    if (args[0] == "still") {
        if (!frames.render({ view, std::atof(args[2].c_str()) }, frame))
            return 3;
        std::fprintf(out, "P6\n%d %d\n255\n", kWidth, kHeight);
        WriteRgb(out, frame);
        return std::fclose(out) == 0 ? 0 : 3;
    }
    const int count = std::atoi(args[2].c_str());
    const auto started = std::chrono::steady_clock::now();
    for (int k = 0; k < count; ++k) {
        if (!frames.render({ view, 360.0 * k / count }, frame))
            return 3;
        WriteRgb(out, frame);
    }
    std::fclose(out);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double pictureMb = double(panorama.width()) * panorama.height() * 3 / 1e6;
    std::printf("%d frames %dx%d from %dx%d on %u threads: %.2f s, %.1f frames/s\n", count, kWidth, kHeight,
        panorama.width(), panorama.height(), threads, seconds, count / seconds);
    std::printf("tables and levels %.1f MB; peak memory %.1f MB for a %.1f MB picture (%.2f x)\n",
        double(frames.heldBytes()) / 1e6, PeakKilobytes() / 1e3, pictureMb, PeakKilobytes() / 1e3 / pictureMb);
    return 0;
}
