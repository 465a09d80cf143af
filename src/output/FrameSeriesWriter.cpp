#include "output/FrameSeriesWriter.h"

#include <cerrno>
#include <exception>
#include <new>

namespace {

// Written files wait open for their names: at most this many per worker, so
// that a slow frame does not pile up descriptors behind it.
constexpr std::size_t kWaitingPerWorker = 4;

} // namespace

FrameSeriesWriter::FrameSeriesWriter(
    unsigned workers, ReportFn report, std::size_t maxBytesInFlight, const OrderedPipeline::ThreadStarter &startThread)
    : m_report(std::move(report))
    , m_pipeline(workers, maxBytesInFlight, startThread)
{
}

FrameSeriesWriter::~FrameSeriesWriter()
{
    // The frames under way still use their buffers: wait for them.
    while (m_pipeline.takeNext(true))
        ;
}

void FrameSeriesWriter::hand(
    const Bitmap24 &frame, const std::string &fileName, const FrameFilePlan &plan, const FrameEncoding &encoding)
{
    deliver(false);
    while (m_pipeline.workers() > 0 && m_frames.size() >= kWaitingPerWorker * m_pipeline.workers()) {
        bool delivered = false;
        deliverOne(true, delivered);
    }
    auto job = std::make_unique<Frame>();
    job->report.fileName = fileName;
    job->report.outcome = plan.outcome;
    job->report.detail = plan.detail;
    job->plan = plan;
    Frame *state = job.get();
    if (plan.outcome != SaveOutcome::Written || m_ended) {
        m_frames.push_back(std::move(job));
        m_pipeline.submit(0, [] {});
        return;
    }
    const bool inline_ = m_pipeline.workers() == 0;
    std::size_t bytes = frame.byteCount();
    if (!inline_) {
        // The worker shares the frame's pixels; the next frame is rendered
        // into fresh ones (copy on write), so nothing is copied here.
        state->pixels.share(frame);
        // The encoded file lies beside the pixels until it is written.
        if (FrameFileKindOf(fileName) != FrameFileKind::Bmp)
            bytes *= 2;
    }
    const Bitmap24 &pixels = inline_ ? frame : state->pixels;
    m_frames.push_back(std::move(job));
    m_pipeline.submit(bytes, [state, &pixels, encoding] {
        Report &report = state->report;
        state->file = WriteUnpublishedFrame(pixels, report.fileName, encoding, report.detail);
        if (!state->file)
            report.outcome = SaveOutcome::Failed;
        state->pixels.clear(); // the bytes in flight end here
    });
    if (inline_)
        deliver(false);
}

void FrameSeriesWriter::putInPlace(Frame &frame)
{
    Report &report = frame.report;
    if (m_ended && report.outcome == SaveOutcome::Written) {
        // Written after the series ended: dropped unseen, with the reason
        // the series ended.
        report.outcome = SaveOutcome::Failed;
        report.detail = m_endReason;
    } else if (frame.file) {
        const std::optional<FileIdentity> &keep = frame.plan.keep;
        if (!PublishFrameFile(*frame.file, report.fileName, frame.plan.how, keep ? &*keep : nullptr, report.detail))
            report.outcome = report.detail.reason == SaveReason::Exists ? SaveOutcome::Skipped : SaveOutcome::Failed;
    }
    frame.file.reset();
    if (!m_ended && report.outcome != SaveOutcome::Written && report.detail.endsSeries()) {
        m_ended = true;
        m_endReason = report.detail;
    }
}

void FrameSeriesWriter::deliverOne(bool wait, bool &delivered)
{
    delivered = false;
    const std::optional<OrderedPipeline::Finished> finished = m_pipeline.takeNext(wait);
    if (!finished)
        return;
    std::unique_ptr<Frame> frame = std::move(m_frames.front());
    m_frames.pop_front();
    if (finished->error) {
        // A job that threw: the frame failed, with the reason when known.
        frame->file.reset();
        frame->report.outcome = SaveOutcome::Failed;
        frame->report.detail = {};
        try {
            std::rethrow_exception(finished->error);
        } catch (const std::bad_alloc &) {
            frame->report.detail.reason = SaveReason::System;
            frame->report.detail.systemError = ENOMEM;
        } catch (const std::exception &e) {
            frame->report.detail.reason = SaveReason::Encoder;
            frame->report.detail.message = e.what();
        } catch (...) {
            frame->report.detail.reason = SaveReason::Encoder;
        }
    }
    putInPlace(*frame);
    delivered = true;
    m_report(frame->report);
}

void FrameSeriesWriter::deliver(bool wait)
{
    for (bool delivered = true; delivered;)
        deliverOne(wait, delivered);
}
