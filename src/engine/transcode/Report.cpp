#include "TranscodeRun.h"

#include <cmath>

#include "core/UtilFuncs.h"

namespace mw {

namespace {

// The earliest time any output stream has reached; none before the first frame encoded.
constexpr double kNoTime = 1e10;

}  // namespace

std::int64_t TranscodeRun::WrittenSize() const {
    AVFormatContext* first = m_muxers.front();
    if (!first->pb) {
        return 0;
    }
    const std::int64_t size = avio_size(first->pb);
    return size > 0 ? size : avio_tell(first->pb);
}

bool TranscodeRun::ReportFigures(const ReportPoint& point, ProgressFigures& figures) const {
    bool firstVideo = true;
    figures.Time = kNoTime;
    for (const std::unique_ptr<OutputStream>& stream : m_outputStreams) {
        const OutputStream& output = *stream;
        const OutputStream::Figures& reached = output.Reached;
        if (output.Plan->Type == AVMEDIA_TYPE_VIDEO) {
            const float q = output.Copy ? -1.0f : output.LastQuality;
            if (firstVideo) {
                firstVideo = false;
                figures.FrameNumber = static_cast<std::int32_t>(reached.FramesWritten);
                if (figures.FrameNumber < 1) {
                    return false;
                }
                const double elapsed = static_cast<double>(point.Elapsed) / 1e6;
                figures.FPS =
                    elapsed > 1
                        ? static_cast<std::int32_t>(std::lround(figures.FrameNumber / elapsed))
                        : 0;
                figures.Quality = q;
                figures.Text += Format("frame=%5d fps=%3d q=%3.1f ", figures.FrameNumber,
                                       figures.FPS, static_cast<double>(q));
                if (point.IsLast) {
                    figures.Text += "L";
                }
            } else {
                figures.Text += Format("q=%2.1f ", static_cast<double>(q));
            }
        }
        double time = 0;
        if (output.Encoder) {
            time = static_cast<double>(reached.SyncOpts) * av_q2d(output.Encoder->time_base);
        } else if (output.LastTime != AV_NOPTS_VALUE) {
            time = static_cast<double>(output.LastTime) / AV_TIME_BASE;
        }
        if (time > 0 && time < figures.Time) {
            figures.Time = time;
        }
    }
    // A report before anything was encoded (a slow start, or the part before the start time
    // being skipped) has converted nothing yet rather than the whole file.
    if (figures.Time < 0.01 || figures.Time >= kNoTime) {
        figures.Time = 0.01;
    }
    return true;
}

void TranscodeRun::Report(bool isLast) {
    m_lastReport = Now();
    const ReportPoint point{isLast, static_cast<bool>(m_task.OnProgress()), m_currentFile,
                            m_lastReport};
    if (!m_stages) {
        DeliverReport(MakeReport(point));
        return;
    }
    // The sizes and times the report tells are the muxer's: the report is made where the
    // muxer stands when it has written what the loop read so far.
    const MuxOrder::SlotPtr step = OpenStep();
    AtMux(step, [this, point] { ReportDone(MakeReport(point)); });
    CloseStep(step);
}

TranscodeRun::MadeReport TranscodeRun::MakeReport(const ReportPoint& point) {
    MadeReport made;
    const std::int64_t totalSize = WrittenSize();
    ProgressFigures figures;
    if (!ReportFigures(point, figures)) {
        return made;
    }
    std::string& text = figures.Text;
    const double bitRate = static_cast<double>(totalSize) * 8 / figures.Time / 1000;
    if (point.Handler || m_settings.Verbosity > 0 || point.IsLast) {
        text += Format("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s",
                       static_cast<double>(totalSize) / 1024, figures.Time, bitRate);
        std::int64_t duplicated = 0;
        std::int64_t dropped = 0;
        for (const std::unique_ptr<OutputStream>& output : m_outputStreams) {
            duplicated += output->Reached.Duplicated;
            dropped += output->Reached.Dropped;
        }
        const std::int64_t dupDrop = duplicated + dropped;
        if (dupDrop > 0) {
            text += Format(" dup=%lld drop=%lld", static_cast<long long>(duplicated),
                           static_cast<long long>(dropped));
        }
        if (point.Handler) {
            if (dupDrop != m_reportedDupDrop) {
                made.Log = text;
            }
            made.Progress = true;
            TProgressInfo& info = made.Info;
            info.FileIndex = point.IsLast ? -1 : point.CurrentFile;
            info.FrameNumber = figures.FrameNumber;
            info.FPS = figures.FPS;
            info.Quality = figures.Quality;
            info.BitRate = static_cast<float>(bitRate);
            info.CurrentSize = totalSize;
            info.CurrentDuration = static_cast<std::int64_t>(figures.Time * 1e6);
            info.TotalDuration = m_task.TotalDuration();
        } else if (m_settings.Verbosity >= 0) {
            made.Log = text;
        }
        m_reportedDupDrop = dupDrop;
    }
    if (point.IsLast && m_settings.Verbosity >= 0) {
        made.Overhead = MuxingOverheadText(totalSize);
    }
    return made;
}

void TranscodeRun::ReportDone(MadeReport made) {
    std::lock_guard guard(m_madeLock);
    m_madeReports.push_back(std::move(made));
}

void TranscodeRun::DeliverMadeReports() {
    std::vector<MadeReport> made;
    {
        std::lock_guard guard(m_madeLock);
        made.swap(m_madeReports);
    }
    for (MadeReport& report : made) {
        DeliverReport(std::move(report));
    }
}

void TranscodeRun::DeliverReport(MadeReport made) {
    if (!made.Log.empty()) {
        m_task.Log(llVerbose, made.Log);
    }
    if (made.Progress) {
        if (const auto progress = m_task.OnProgress()) {
            progress(made.Info);
        }
    }
    if (!made.Overhead.empty()) {
        m_task.Log(llVerbose, made.Overhead);
    }
}

std::string TranscodeRun::MuxingOverheadText(std::int64_t totalSize) const {
    const double payload = static_cast<double>(m_videoBytes + m_audioBytes + m_extraBytes);
    return Format("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
                  static_cast<double>(m_videoBytes) / 1024,
                  static_cast<double>(m_audioBytes) / 1024,
                  static_cast<double>(m_extraBytes) / 1024,
                  payload > 0 ? 100.0 * (static_cast<double>(totalSize) - payload) / payload : 0.0);
}

}  // namespace mw
