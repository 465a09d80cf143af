#pragma once

#include "common/Bitmap24.h"
#include "common/OrderedPipeline.h"
#include "output/FrameFile.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Encodes and writes the frame files of one run on a pool of workers while
// the run renders the next frames. Everything the user sees or answers stays
// on the run's thread: the run takes the overwrite decision, hands the frame
// out with hand(), and learns what became of each file through the report
// callback, called on its own thread in frame order. Files are put in place
// through the same atomic publishing as a one-thread run, so their bytes do
// not depend on the number of workers, and a frame under way is either
// finished or leaves nothing behind.
//
// Workers write each file without a name; the run's thread gives them their
// names in frame order, so the series on disk always runs on from its first
// frame without a gap that a later frame would hide. After a failure that no
// later frame can escape (SaveDetail::endsSeries: a full disk, a read-only
// file system...), no later frame is put in place, even one already
// written, nor written: each is reported failed with that reason, and the
// files on disk are exactly those reported written.
//
// The frames handed out and not yet encoded are bounded by their bytes
// (maxBytesInFlight) and by their count (OrderedPipeline::kJobsPerWorker a
// worker), so that every core adds only a few frames of memory; written
// files that wait for their names hold no pixels.
//
// One thread (the run's) calls every member. With one worker each frame is
// written inside hand(), before it returns, as a plain run does.
class FrameSeriesWriter {
public:
    struct Report {
        std::string fileName;
        SaveOutcome outcome = SaveOutcome::Written;
        SaveDetail detail;
    };
    using ReportFn = std::function<void(const Report &)>;

    static constexpr std::size_t kDefaultBytesInFlight = std::size_t(256) << 20;

    FrameSeriesWriter(unsigned workers, ReportFn report, std::size_t maxBytesInFlight = kDefaultBytesInFlight,
        const OrderedPipeline::ThreadStarter &startThread = {});
    // Waits for the frames under way (their reports are not delivered, their
    // files not put in place).
    ~FrameSeriesWriter();
    FrameSeriesWriter(const FrameSeriesWriter &) = delete;
    FrameSeriesWriter &operator=(const FrameSeriesWriter &) = delete;

    unsigned workers() const { return m_pipeline.workers(); }

    // Writes the frame to fileName as planned (plan.outcome Written), or
    // records the plan's outcome (a skip) in its place in the order. The
    // frame is copied when workers run, so the caller may redraw it at once.
    // Reports of earlier frames that are finished are delivered first.
    void hand(
        const Bitmap24 &frame, const std::string &fileName, const FrameFilePlan &plan, const FrameEncoding &encoding);
    // Delivers the reports of the finished frames; with wait, of every frame
    // handed out.
    void deliver(bool wait);
    // True once a failure ended the series.
    bool ended() const { return m_ended; }

private:
    struct Frame {
        Report report;
        FrameFilePlan plan;
        Bitmap24 pixels; // the copy a worker encodes, freed once written
        std::unique_ptr<AtomicFile> file; // written, waiting for its name
    };
    void deliverOne(bool wait, bool &delivered);
    void putInPlace(Frame &frame);

    ReportFn m_report;
    OrderedPipeline m_pipeline;
    std::deque<std::unique_ptr<Frame>> m_frames; // handed out, in order
    bool m_ended = false;
    SaveDetail m_endReason; // the failure that ended the series
};
