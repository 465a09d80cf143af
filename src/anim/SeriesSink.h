#pragma once

#include "anim/FrameSink.h"
#include "common/InputFile.h"
#include "output/FrameFile.h"
#include "output/FrameSeriesWriter.h"
#include "output/OutputNaming.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class RunFeedback;

// What became of the files of a frame series.
struct SeriesCounts {
    std::int64_t written = 0; // files written,
    std::int64_t skipped = 0; // left as they were (overwrite decision, existing name),
    std::int64_t failed = 0; // and that could not be written
};

// The sink of a creation run that writes one picture file per frame (BMP,
// JPEG, PNG, TIFF by the extension), numbered from the first number over both
// passes. Each frame meets the overwrite decision on the run's thread (the
// question through the feedback), then is encoded and written by `threads`
// workers while the next frames are rendered; the reports come back in frame
// order. The picture being read is never replaced. A closed question stops
// the run at once, "Stop !!!" after the frame; so does the first file that
// meets what no later frame can escape (SaveDetail::endsSeries: a full disk,
// a read-only file system, a refused permission), the frames under way
// being finished and counted.
class SeriesSink : public FrameSink {
public:
    struct Settings {
        OutputNames names;
        unsigned threads = 1; // 1 writes each file before the next frame
        // The settings each file is encoded with, as they stand when the
        // frame is handed out (the options window is not modal).
        std::function<FrameEncoding()> encoding;
        std::optional<FileIdentity> inputPicture;
    };
    SeriesSink(Settings settings, RunFeedback &feedback, bool &stopRequested);

    bool prepare(std::int64_t index) override;
    std::string statusText(std::int64_t index, std::int64_t total) const override;
    bool take(const Bitmap24 &frame) override;
    void passEnded() override { finishFramesUnderWay(); }
    void end(const std::string &) override { finishFramesUnderWay(); } // errors in a frame end a series quietly

    const SeriesCounts &counts() const { return m_counts; }
    // The failure that stopped the series, if one did.
    const std::optional<FrameSeriesWriter::Report> &stoppedBy() const { return m_stoppedBy; }

private:
    void finishFramesUnderWay();

    Settings m_settings;
    RunFeedback &m_feedback;
    bool &m_stop;
    bool m_confirmOverwrite = true;
    std::string m_fileName; // of the frame prepared
    FrameFilePlan m_plan;
    SeriesCounts m_counts;
    std::optional<FrameSeriesWriter::Report> m_stoppedBy;
    FrameSeriesWriter m_writer;
};
