#include "MediaTools.h"

#include <QProcess>
#include <QStringList>

#include <cstdlib>
#include <map>
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
