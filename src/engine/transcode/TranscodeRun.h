#pragma once

#include <chrono>
#include <cstdint>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/bsf.h>
}

#include "SubPictureBurner.h"
#include "engine/codecs/Codecs.h"
#include "engine/task/CustomFFmpeg.h"
#include "engine/task/TaskFiles.h"
#include "engine/transcode/FilterGraph.h"
#include "engine/transcode/MuxOrder.h"
#include "engine/transcode/PictureBitmap.h"
#include "engine/transcode/StageSet.h"

namespace mw {

// One run of a task: the stream tables, codecs and filter graphs of a transcode, from
// set-up to the trailer. It lives in the worker thread that runs the task.
class TranscodeRun {
public:
    explicit TranscodeRun(TCustomFFmpeg& task);
    ~TranscodeRun();
    TranscodeRun(const TranscodeRun&) = delete;
    TranscodeRun& operator=(const TranscodeRun&) = delete;

    // Maps streams, opens codecs and writes the headers; raises EngineError on failure.
    void Prepare();
    // Converts until the inputs end, a limit is reached or a stop is requested, then
    // flushes, writes the trailers and makes the final report.
    void Loop();

private:
    struct InputStream {
        int File = 0;
        AVStream* Stream = nullptr;
        CodecContextPtr Decoder;
        bool DecodingNeeded = false;
        bool Used = false;
        bool Flushed = false;
        bool PastRecordingTime = false;
        std::int64_t NextDts = AV_NOPTS_VALUE;  // microseconds
        std::int64_t RealTimeStart = 0;
        // Where the last decoded frame's packet started (a parser gives only the first
        // frame of a packet its position).
        std::int64_t FramePos = -1;
        std::vector<int> Outputs;  // output streams fed by this stream
        // The decoding stage's own frames, and where its muxer-bound work goes now (none
        // when every stage runs in the loop's thread).
        AVPtr<AVFrame> Frame = MakeFrame();
        AVPtr<AVFrame> Trimmed = MakeFrame();
        MuxOrder::SlotPtr Slot;
        // The file's time stamp offset when the packet being decoded was read.
        std::int64_t WindowOffset = 0;
    };

    struct OutputStream {
        const TCustomFFmpeg::OutputStreamPlan* Plan = nullptr;
        std::size_t Index = 0;  // in the stream table
        int OutputFile = 0;  // the output entry (in join mode: the group)
        AVFormatContext* Muxer = nullptr;
        AVStream* Stream = nullptr;
        std::vector<int> Sources;  // input stream per join group (one without join)
        CodecContextPtr Encoder;
        bool Copy = false;
        bool Finished = false;
        std::int64_t FramesWritten = 0;
        std::int64_t SyncOpts = 0;               // next frame number (video) or sample (audio)
        std::int64_t Duplicated = 0;             // pictures shown once more to keep the rate
        std::int64_t Dropped = 0;                // pictures left out to keep the rate
        std::int64_t LastTime = AV_NOPTS_VALUE;  // microseconds reached in the output
        std::int64_t CopyStartDts = AV_NOPTS_VALUE;
        std::int64_t NextInputTime = AV_NOPTS_VALUE;  // microseconds, of the frames fed
        std::vector<AVPtr<AVBSFContext>> Filters;
        // Video: the pad bands around the picture, fitted with it to the encoded size.
        int PadLeft = 0, PadRight = 0, PadTop = 0, PadBottom = 0;
        // Rebuilt when the input frames change shape (a new input of a join, a new size).
        FilterGraph Graph;
        std::int64_t LastPreview = 0;
        float LastQuality = -1.0f;
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> PassLog{nullptr, &std::fclose};
        // The filter stage's own frame, and where the filter and encoder stages' muxer-bound
        // work goes now.
        AVPtr<AVFrame> Filtered = MakeFrame();
        MuxOrder::SlotPtr FilterSlot;
        MuxOrder::SlotPtr EncoderSlot;
        // Where the stream stands for a report: as the filter stage left it after the steps
        // the muxer has reached.
        struct Figures {
            std::int64_t FramesWritten = 0;
            std::int64_t SyncOpts = 0;
            std::int64_t Duplicated = 0;
            std::int64_t Dropped = 0;
        } Reached;
    };

    struct InputFileState {
        std::int64_t TsOffset = 0;  // microseconds added to the file's time stamps
        bool Ended = false;
        bool NoPacket = false;
        std::int64_t End = AV_NOPTS_VALUE;  // latest packet end read, microseconds
    };

    // A sub-picture stream burned into the pictures of a video stream of the same file.
    struct BurnIn {
        int SubtitleStream = -1;  // in the stream table
        int VideoStream = -1;
        std::int64_t PendingPts = AV_NOPTS_VALUE;  // of the sub-picture being assembled
        SubPictureBurner Burner;
    };

    void BuildStreamTables();
    // Decodes the sub-picture stream an input burns in, when its pictures are encoded.
    void SetUpBurnIn();
    BurnIn* BurnInOf(const InputStream& input);
    // Feeds the pictures whose sub-pictures are known, or all when the input ended.
    void ReleaseBurned(BurnIn& burnIn, const MuxOrder::SlotPtr& slot, bool inputEnded);
    void MapStreams();
    void ApplyStreamMaps();
    // The input stream an output stream takes in a join group (the only group without join).
    int ChooseSource(const OutputStream& output, int group) const;
    void SetUpCopy(OutputStream& output);
    void SetUpEncoder(OutputStream& output);
    void SetUpVideoEncoder(OutputStream& output, const InputStream& input);
    void FitVideoSize(OutputStream& output, const InputStream& input);
    void SetUpTwoPass(OutputStream& output);
    void SetUpAudioEncoder(OutputStream& output);
    void SetUpSubtitleEncoder(OutputStream& output, const InputStream& input);
    void OpenDecoders();
    void OpenBitstreamFilters(OutputStream& output);
    void WriteHeaders();
    void LogMapping();

    int ChooseInput(bool& finished);
    // One pass of the loop: chooses an input, reads a packet and processes it; false when
    // the loop ends.
    bool Pass();
    // No input had a packet ready: true to try again, false when none will have one.
    bool RetryWaitingInputs();
    // Moves a packet's times by the file's offset, scale and jumps; false for a packet past
    // the recording time.
    bool FixTimestamps(InputStream& input, AVPacket* packet);
    void EndOfInput(int file);
    // Hands a packet read (null: the end of the input) to the stream's decoder and copies.
    void ProcessPacket(InputStream& input, const AVPacket* packet, const MuxOrder::SlotPtr& step);
    // Flushes a decoder at the end of its input (once).
    void FlushDecoder(InputStream& input);
    // Flushes a decoder at the end of its input, then drains the graphs it fed.
    void FlushInput(int stream);
    void DecodePacket(InputStream& input, const AVPacket* packet);
    // A decoded frame cut to the window of the source bytes it came from: the frame itself,
    // a shortened or trimmed copy, or null when nothing of it lies in the window.
    AVFrame* FitToWindow(InputStream& input, AVFrame* frame);
    void DecodeVideo(InputStream& input, AVFrame* frame);
    void DecodeAudio(InputStream& input, AVFrame* frame);
    // Hands a decoded frame to every encoding output the stream feeds now.
    void FeedOutputs(InputStream& input, AVFrame* frame);
    void DecodeSubtitle(InputStream& input, const AVPacket* packet);
    void CopyPacket(InputStream& input, OutputStream& output, const AVPacket* packet,
                    const MuxOrder::SlotPtr& step);
    void RunCustomHook(const std::function<void(THookInfo&)>& hook, AVFrame* frame,
                       const AVStream* stream);

    // Where the picture sits in the encoded frame: its scaled size and the pad bands left
    // and above.
    struct PictureFit {
        int Width, Height, Left, Top;
    };
    PictureFit FitJoinedPicture(const OutputStream& output, const AVFrame* frame,
                                const InputStream& input, int shownWidth, int shownHeight) const;
    FilterGraphSetUp VideoGraphSetUp(const OutputStream& output, const AVFrame* frame,
                                     const InputStream& input) const;
    FilterGraphSetUp AudioGraphSetUp(const OutputStream& output, const AVFrame* frame) const;
    void FilterFrame(OutputStream& output, AVFrame* frame, const InputStream& input);
    void KeepInLine(OutputStream& output, AVFrame* frame, const InputStream& input);
    void DrainGraph(OutputStream& output, bool endOfStream);
    void EncodeVideo(OutputStream& output, AVFrame* frame);
    void EncodeAudio(OutputStream& output, AVFrame* frame);
    void SendToEncoder(OutputStream& output, const AVFrame* frame);
    // Keeps the quality the encoder reported with a packet, for the reports.
    void NoteQuality(OutputStream& output, const AVPacket* packet);
    void WritePacket(OutputStream& output, AVPacket* packet);
    void Mux(OutputStream& output, AVPacket* packet);
    void FlushEncoders();
    void Preview(const std::function<void(const TPreviewInfo&)>& preview, OutputStream& output,
                 const AVFrame* frame);
    // Copies a picture for the hook or the preview; false when it cannot be converted, with
    // the message logged and that handler left alone from then on.
    bool TakeBitmap(PictureBitmap& bitmap, const AVFrame* frame, bool& stopped);

    // What a progress report tells besides the sizes: the first current video stream's
    // figures (-1 without one), the report's start of text and the time reached, seconds.
    struct ProgressFigures {
        std::int32_t FrameNumber = -1;
        std::int32_t FPS = -1;
        float Quality = -1.0f;
        std::string Text;
        double Time = 0;
    };
    // Where the loop stood when it was time for a report; the streams' figures are taken
    // where the muxer stands once it has written what the loop read until then.
    struct ReportPoint {
        bool IsLast = false;
        bool Handler = false;
        int CurrentFile = 0;
        std::int64_t Elapsed = 0;
    };
    // A report made, waiting to be logged and handed to the progress handler in the loop's
    // thread.
    struct MadeReport {
        std::string Log;
        bool Progress = false;
        TProgressInfo Info;
        std::string Overhead;
    };
    void Report(bool isLast);
    // false when no picture of the video stream reported on has been written yet: no report.
    bool ReportFigures(const ReportPoint& point, ProgressFigures& figures) const;
    MadeReport MakeReport(const ReportPoint& point);
    void ReportDone(MadeReport made);
    void DeliverMadeReports();
    void DeliverReport(MadeReport made);
    // The bytes the first output holds so far.
    std::int64_t WrittenSize() const;
    std::string MuxingOverheadText(std::int64_t totalSize) const;

    // The stages on threads of their own (Stages.cpp). Every hand-over below runs the work
    // in the calling thread when the run has no stage threads (or none for that stage).
    void StartStages();
    // Whether the encoders and the muxer may run on threads of their own: not when the
    // loop's choices depend on what the muxer has written at that moment (a size limit,
    // inputs read side by side by their output times).
    bool StageThreadsFit() const;
    // Whether decoding and filtering may run on threads of their own too: not when the
    // loop's choices depend on what was encoded (frame and time limits), nor with pictures
    // held for their sub-pictures.
    bool DecodeThreadsFit() const;
    // A step of the loop (a packet, a flush, a report): its place in the muxer's order.
    MuxOrder::SlotPtr OpenStep();
    void CloseStep(const MuxOrder::SlotPtr& step);
    // Runs a job of the muxer's at this point of the slot's order.
    void AtMux(const MuxOrder::SlotPtr& slot, std::function<void()> job);
    // Decodes a packet of an input (null: the end), at this point of the slot's order.
    void DecodeStep(InputStream& input, const MuxOrder::SlotPtr& slot, const AVPacket* packet);
    // Filters a decoded frame for an output, at this point of the slot's order.
    void FilterStep(OutputStream& output, const MuxOrder::SlotPtr& slot, const AVFrame* frame,
                    const InputStream& input);
    // Runs a step of an output's filtering and picture timing (a frame, a drain, the
    // encoder's flush) at this point of the slot's order, where the output's filter stage
    // runs, and notes where the stream stands after it.
    void FilterStep(OutputStream& output, const MuxOrder::SlotPtr& slot,
                    std::function<void()> step);
    // Hands a frame (null: the end) to the output's encoder.
    void HandToEncoder(OutputStream& output, const AVFrame* frame);
    // Hands a finished packet to the output's bit-stream filters and the muxer; `reached`,
    // when given, is where the stream stands once the packet is written.
    void HandToMuxer(OutputStream& output, const MuxOrder::SlotPtr& slot, AVPtr<AVPacket> packet,
                     std::optional<OutputStream::Figures> reached = std::nullopt);
    // Waits until the decoding and filtering stages have done everything handed to them.
    void SettleStages();
    // Waits until the muxer has written everything handed over so far.
    void SettleMuxer();
    // Runs the rest of every stage to its end and joins the stages' threads.
    void FinishStages();
    // Drops the rest of every stage (after an error) and joins the stages' threads.
    void StopStages();
    void FinishLoop();

    bool Raise(const std::string& text);  // raises with xerror, logs otherwise
    int CurrentGroup() const { return m_joined ? m_currentFile : 0; }
    std::int64_t Now() const;

    TCustomFFmpeg& m_task;
    const TaskSettings& m_settings;
    bool m_joined;
    int m_currentFile = 0;
    std::vector<InputStream> m_inputStreams;
    std::vector<int> m_fileStreamBase;
    std::vector<InputFileState> m_fileStates;
    std::vector<std::unique_ptr<BurnIn>> m_burnIns;  // per input file, null without
    std::vector<std::unique_ptr<OutputStream>> m_outputStreams;
    std::vector<AVFormatContext*> m_muxers;  // each muxer once
    AVPtr<AVPacket> m_packet;
    std::chrono::steady_clock::time_point m_start;
    std::int64_t m_lastReport = 0;
    std::int64_t m_videoBytes = 0;
    std::int64_t m_audioBytes = 0;
    std::int64_t m_extraBytes = 0;
    std::int64_t m_reportedDupDrop = 0;
    std::atomic<std::int64_t> m_pictureCount{0};
    // The hook runs where pictures are decoded and the preview where they are timed for
    // the encoder; with stages on threads of their own, several may meet here.
    std::mutex m_pictureLock;
    PictureBitmap m_hookBitmap;
    PictureBitmap m_previewBitmap;
    // The hook asked to be called no more, or a picture could not be converted for it or
    // for the preview: this run leaves it alone from then on.
    bool m_hookStopped = false;
    bool m_previewStopped = false;
    std::mutex m_madeLock;
    std::vector<MadeReport> m_madeReports;
    // The stages on threads of their own; none when the task runs the single-thread loop.
    // Declared last: it ends first, before the streams its jobs work on.
    std::unique_ptr<StageSet> m_stages;
};

}  // namespace mw
