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

bool TranscodeRun::ReportFigures(bool isLast, ProgressFigures& figures) const {
    bool firstVideo = true;
    figures.Time = kNoTime;
    for (const std::unique_ptr<OutputStream>& output : m_outputStreams) {
        if (output->Plan->Type == AVMEDIA_TYPE_VIDEO && output->Current) {
            const float q = output->Copy ? -1.0f : output->LastQuality;
            if (firstVideo) {
                firstVideo = false;
                figures.FrameNumber = static_cast<std::int32_t>(output->FramesWritten);
                if (figures.FrameNumber < 1) {
                    return false;
                }
                const double elapsed = static_cast<double>(m_lastReport) / 1e6;
                figures.FPS =
                    elapsed > 1
                        ? static_cast<std::int32_t>(std::lround(figures.FrameNumber / elapsed))
                        : 0;
                figures.Quality = q;
                figures.Text += Format("frame=%5d fps=%3d q=%3.1f ", figures.FrameNumber,
                                       figures.FPS, static_cast<double>(q));
                if (isLast) {
                    figures.Text += "L";
                }
            } else {
                figures.Text += Format("q=%2.1f ", static_cast<double>(q));
            }
        }
        double time = 0;
        if (output->Encoder) {
            time = static_cast<double>(output->SyncOpts) * av_q2d(output->Encoder->time_base);
        } else if (output->LastTime != AV_NOPTS_VALUE) {
            time = static_cast<double>(output->LastTime) / AV_TIME_BASE;
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
    const std::int64_t totalSize = WrittenSize();
    ProgressFigures figures;
    if (!ReportFigures(isLast, figures)) {
        return;
    }
    std::string& text = figures.Text;
    const double bitRate = static_cast<double>(totalSize) * 8 / figures.Time / 1000;
    const auto progress = m_task.OnProgress();
    const bool handler = static_cast<bool>(progress);
    if (handler || m_settings.Verbosity > 0 || isLast) {
        text += Format("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s",
                       static_cast<double>(totalSize) / 1024, figures.Time, bitRate);
        const std::int64_t dupDrop = m_duplicated + m_dropped;
        if (dupDrop > 0) {
            text += Format(" dup=%lld drop=%lld", static_cast<long long>(m_duplicated),
                           static_cast<long long>(m_dropped));
        }
        if (handler) {
            if (dupDrop != m_reportedDupDrop) {
                m_task.Log(llVerbose, text);
            }
            TProgressInfo info;
            info.FileIndex = isLast ? -1 : m_currentFile;
            info.FrameNumber = figures.FrameNumber;
            info.FPS = figures.FPS;
            info.Quality = figures.Quality;
            info.BitRate = static_cast<float>(bitRate);
            info.CurrentSize = totalSize;
            info.CurrentDuration = static_cast<std::int64_t>(figures.Time * 1e6);
            info.TotalDuration = m_task.TotalDuration();
            progress(info);
        } else if (m_settings.Verbosity >= 0) {
            m_task.Log(llVerbose, text);
        }
        m_reportedDupDrop = dupDrop;
    }
    if (isLast && m_settings.Verbosity >= 0) {
        LogMuxingOverhead(totalSize);
    }
}

void TranscodeRun::LogMuxingOverhead(std::int64_t totalSize) {
    const double payload = static_cast<double>(m_videoBytes + m_audioBytes + m_extraBytes);
    m_task.Log(
        llVerbose,
        Format("video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
               static_cast<double>(m_videoBytes) / 1024, static_cast<double>(m_audioBytes) / 1024,
               static_cast<double>(m_extraBytes) / 1024,
               payload > 0 ? 100.0 * (static_cast<double>(totalSize) - payload) / payload : 0.0));
}

}  // namespace mw
