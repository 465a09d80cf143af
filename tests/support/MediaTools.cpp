#include "MediaTools.h"

#include <QProcess>
#include <QStringList>

#include <sstream>

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
    VideoStreamProbe probe;
    const ToolRun run = runTool("ffprobe",
        { "-v", "error", "-count_packets", "-select_streams", "v:0", "-show_entries",
            "stream=codec_tag_string,width,height,r_frame_rate,nb_read_packets:packet=flags", "-of",
            "default=noprint_wrappers=1", file.string() });
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "flags") {
            probe.packetFlags.push_back(value);
            continue;
        }
        probe.found = true;
        if (key == "codec_tag_string")
            probe.codecTag = value;
        else if (key == "width")
            probe.width = std::stoi(value);
        else if (key == "height")
            probe.height = std::stoi(value);
        else if (key == "r_frame_rate")
            probe.frameRate = value;
        else if (key == "nb_read_packets")
            probe.packets = value == "N/A" ? 0 : std::stol(value); // what it says for none
    }
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
