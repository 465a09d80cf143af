#include "MediaTools.h"

#include "TestUtils.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>

ToolRun runTool(const std::string &program, const std::vector<std::string> &arguments)
{
    QStringList list;
    for (const std::string &a : arguments)
        list << QString::fromStdString(a);
    QProcess process;
    process.start(QString::fromStdString(program), list);
    ToolRun run;
    if (!process.waitForStarted() || !process.waitForFinished(600000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

VideoStreamProbe probeVideo(const std::filesystem::path &file)
{
    const ToolRun run = runTool("ffprobe",
        { "-v", "error", "-count_packets", "-select_streams", "v:0", "-show_entries",
            "stream=codec_tag_string,width,height,r_frame_rate,nb_read_packets:packet=flags", "-of",
            "default=noprint_wrappers=1", file.string() });
    VideoStreamProbe probe;
    std::map<std::string, std::string> values;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && line.compare(0, eq, "flags") == 0)
            probe.packetFlags.push_back(line.substr(eq + 1));
        else if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    probe.codecTag = values["codec_tag_string"];
    probe.width = std::atoi(values["width"].c_str());
    probe.height = std::atoi(values["height"].c_str());
    probe.frameRate = values["r_frame_rate"];
    probe.packets = std::atol(values["nb_read_packets"].c_str()); // "N/A" when there are none
    return probe;
}

DecodedVideo decodeVideo(const std::filesystem::path &file)
{
    // Passthrough: the frames decoded, none repeated or dropped for a constant rate.
    const ToolRun run = runTool("ffmpeg",
        { "-nostdin", "-v", "error", "-i", file.string(), "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt",
            "bgr24", "-" });
    DecodedVideo video { run.err, { run.out.begin(), run.out.end() } };
    if (run.exitCode != 0)
        video.errors = "exit " + std::to_string(run.exitCode) + ": " + video.errors;
    return video;
}

bool makeToneFile(const std::filesystem::path &file, double seconds, int sampleRate, int channels)
{
    const ToolRun run = runTool("ffmpeg",
        { "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
            "sine=frequency=440:sample_rate=" + std::to_string(sampleRate) + ":duration=" + std::to_string(seconds),
            "-af", "volume=4" /* the source is at 1/8 */, "-ac", std::to_string(channels), file.string() });
    return run.exitCode == 0;
}

DecodedAudio decodeAudio(const std::filesystem::path &file)
{
    const ToolRun run = runTool("ffmpeg",
        { "-nostdin", "-v", "error", "-i", file.string(), "-map", "0:a:0", "-ac", "1", "-ar", "48000", "-f", "f32le",
            "-" });
    DecodedAudio audio;
    audio.errors = run.exitCode == 0 ? run.err : "exit " + std::to_string(run.exitCode) + ": " + run.err;
    audio.samples.resize(run.out.size() / sizeof(float));
    std::memcpy(audio.samples.data(), run.out.data(), audio.samples.size() * sizeof(float));
    return audio;
}

std::vector<std::string> streamCodecs(const std::filesystem::path &file)
{
    const ToolRun run = runTool("ffprobe",
        { "-v", "error", "-show_entries", "stream=codec_name", "-of", "default=noprint_wrappers=1:nokey=1",
            file.string() });
    std::vector<std::string> codecs;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            codecs.push_back(line);
    return codecs;
}

std::vector<std::string> videoFrameMd5s(const std::filesystem::path &file)
{
    const ToolRun run = runTool("ffmpeg",
        { "-nostdin", "-v", "error", "-i", file.string(), "-map", "0:v:0", "-fps_mode", "passthrough", "-f", "framemd5",
            "-" });
    std::vector<std::string> md5s;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#')
            md5s.push_back(line.substr(line.rfind(',') + 1)); // the frame's hash, whatever its time stamps
    return md5s;
}

double rmsOf(const std::vector<float> &samples, std::size_t from, std::size_t to)
{
    to = std::min(to, samples.size());
    if (from >= to)
        return 0;
    double sum = 0;
    for (std::size_t k = from; k < to; ++k)
        sum += double(samples[k]) * samples[k];
    return std::sqrt(sum / double(to - from));
}

void writeJpegWithPhotoSphere(const std::filesystem::path &path, int width, int height, const std::string &attributes)
{
    const Bitmap24 bitmap = makeTestPanorama(width, height);
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB888);
    for (int y = 0; y < bitmap.height(); ++y)
        for (int x = 0; x < bitmap.width(); ++x) {
            const PixelBgr p = pixelAt(bitmap, x, y);
            image.setPixel(x, y, qRgb(p.r, p.g, p.b));
        }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPEG"))
        throw std::runtime_error("the test JPEG could not be made");
    const std::string packet = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
                               "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
                               "xmlns:GPano=\"http://ns.google.com/photos/1.0/panorama/\" "
        + attributes + "/></rdf:RDF></x:xmpmeta>";
    std::vector<std::uint8_t> bytes(jpeg.begin(), jpeg.begin() + 2); // SOI
    const std::string name("http://ns.adobe.com/xap/1.0/\0", 29);
    const std::size_t length = 2 + name.size() + packet.size();
    bytes.insert(bytes.end(), { 0xFF, 0xE1, std::uint8_t(length >> 8), std::uint8_t(length) });
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.insert(bytes.end(), packet.begin(), packet.end());
    bytes.insert(bytes.end(), jpeg.begin() + 2, jpeg.end());
    writeFileBytes(path, bytes);
}
