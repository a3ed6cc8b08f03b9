#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FFmpegLogger.h"
#include "engine/common/AVPtr.h"
#include "engine/common/Bitmap.h"
#include "engine/input/SourceInput.h"
#include "engine/options/ExtOptions.h"
#include "engine/options/LibraryOptions.h"
#include "engine/options/TaskSettings.h"

namespace mw {

// A progress report of a task (the engine component fills in the task's index).
struct TProgressInfo {
    std::int32_t TaskIndex = 0;
    std::int32_t FileIndex = 0;
    std::int32_t FrameNumber = -1;
    std::int32_t FPS = -1;
    float Quality = -1.0f;
    float BitRate = 0.0f;
    std::int64_t CurrentSize = 0;
    std::int64_t CurrentDuration = 0;
    std::int64_t TotalDuration = -1;
};
using PProgressInfo = TProgressInfo*;

// A picture handed to the custom hook: the handler may draw into the bitmap and leave
// Update set to have it written back, or set StopHook.
struct THookInfo {
    std::int32_t TaskIndex = 0;
    Bitmap* Picture = nullptr;
    std::int32_t FrameNumber = 0;
    std::int64_t PTS = 0;
    bool Update = true;
    bool StopHook = false;
};
using PHookInfo = THookInfo*;

struct TPreviewInfo {
    std::int32_t TaskIndex = 0;
    const Bitmap* Picture = nullptr;
    std::int32_t FrameNumber = 0;
    std::int64_t PTS = 0;
};

class TranscodeRun;

// One conversion task, configured like the ffmpeg command-line tool: options fill pending
// settings, opening an input or creating an output consumes them, and Run transcodes.
class TCustomFFmpeg {
public:
    static constexpr int kMaxFiles = 20;

    TCustomFFmpeg();
    virtual ~TCustomFFmpeg();
    TCustomFFmpeg(const TCustomFFmpeg&) = delete;
    TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

    // Back to a fresh task: no files, every pending setting at its default.
    void Reset();

    // Applies one option; raises EngineError with the option's message on failure.
    void SetOption(std::string_view name, std::string_view value);
    // Applies the lines of an option text that belong to a group, in text order.
    void ApplyExtOptions(std::string_view text, OptionGroup group);

    // Opens an input with the pending settings; false with ErrorText set on failure.
    bool OpenInput(const std::string& fileName);
    // The next input is read from this source (none: from its file name).
    void SetInputSource(InputSourcePtr source) { m_settings.Source = std::move(source); }
    // Creates an output; the number of outputs, or -1 with ErrorText set.
    int CreateOutput(const std::string& fileName, bool join);
    void AddVideoStream();
    void AddAudioStream();
    void AddSubtitleStream();

    // Prepares and runs the transcode to its end; raises EngineError on failure.
    void Run();
    // Asks a running transcode to stop at its next pass.
    void RequestStop() { m_stopRequested = true; }
    void ClearStopRequest() { m_stopRequested = false; }
    bool StopRequested() const { return m_stopRequested; }
    // Closes the codecs of the last run.
    void CloseCodecs();
    // Closes every file and codec; an output that was not completed is deleted.
    void Cleanup();
    // The files the last run completed, under the names they were given.
    const std::vector<std::string>& WrittenFiles() const { return m_writtenFiles; }

    const std::string& ErrorText() const { return m_errorText; }
    bool Finished() const { return m_finished; }
    bool Joined() const { return m_joined; }
    std::int64_t TotalDuration() const { return m_totalDuration; }
    int InputCount() const { return static_cast<int>(m_inputs.size()); }
    int OutputCount() const { return static_cast<int>(m_outputs.size()); }
    AVFormatContext* InputContext(int index) const;
    const TaskSettings& Settings() const { return m_settings; }

    void SetProgressInterval(std::int64_t microseconds) { m_progressInterval = microseconds; }
    // Whether a run encodes and muxes on a thread of its own beside the loop's (the
    // default), or runs every step in the loop's thread. The output is the same.
    void SetStageThreads(bool value) { m_stageThreads = value; }
    bool StageThreads() const { return m_stageThreads; }
    // The handlers may be set from another thread while the task runs; a run reads them
    // through the getters.
    void SetOnProgress(std::function<void(const TProgressInfo&)> handler);
    // Called with every converted picture while connected.
    void SetOnCustomHook(std::function<void(THookInfo&)> handler);
    // Called with at most one picture every 100 ms while connected.
    void SetOnPreviewBitmap(std::function<void(const TPreviewInfo&)> handler);
    std::function<void(const TProgressInfo&)> OnProgress() const;
    std::function<void(THookInfo&)> OnCustomHook() const;
    std::function<void(const TPreviewInfo&)> OnPreviewBitmap() const;

    // The sender of the task's log messages.
    void Log(TLogLevel level, const std::string& text) const;

    // Applies a vcd, svcd, dvd, dv or dv50 target ("pal-dvd" names its norm); norm is
    // "auto", "pal" or "ntsc", defaultNorm what the automatic norm falls back to.
    void ApplyTarget(std::string target, std::string norm, std::string defaultNorm);

protected:
    friend class TranscodeRun;
    friend struct OptionHandlers;

    struct InputFile {
        std::unique_ptr<SourceIo> Source;  // what Context reads, when it is no file
        InputContextPtr Context;
        int BurnStream = -1;                // the sub-picture stream burned into the pictures
        std::vector<SourceWindow> Windows;  // of a source: what its bytes may play
        std::string FileName;
        std::int64_t TsOffset = 0;
        std::map<int, double> TsScale;
        std::vector<std::string> DecoderNames;  // per stream, forced by codec names
    };

    struct OutputStreamPlan;
    struct OutputFile;
    // The decoders the pending codec names force on the streams of the next input.
    struct PendingDecoders {
        const AVCodec* Video = nullptr;
        const AVCodec* Audio = nullptr;
        const AVCodec* Subtitle = nullptr;
    };

    // The options the next input is opened with: the collected format options and, for raw
    // inputs, the pending picture shape.
    AVPtr<AVDictionary> InputOpenOptions(const AVInputFormat* format) const;
    // Keeps only the streams of the pending program; the reason when the file has no such
    // program.
    std::string SelectProgram(AVFormatContext* context);
    // What the streams of a new input leave for the next output, and their forced decoders.
    void TakeStreamSettings(AVFormatContext* context, const PendingDecoders& decoders,
                            InputFile& input);
    // The picture shape and frame rate go to the next output only from the first input
    // with pictures, the sound's rates and channels only from the first with sound.
    void TakeVideoSettings(AVStream* stream, bool takeShape);
    void TakeAudioSettings(const AVCodecParameters* parameters);
    // The kinds of stream a new output gets.
    struct StreamKinds {
        bool Video, Audio, Subtitle;
    };

    // Why an output of that name cannot be created, or empty.
    std::string OutputRefusal(const std::string& fileName) const;
    StreamKinds WantedStreams(const AVOutputFormat* format, const std::string& libraryName,
                              bool join) const;
    void CreateStreams(const StreamKinds& kinds);
    // The output's metadata, file-name check and muxer options from the pending settings.
    void SetUpMuxer(OutputFile& created);
    // Makes the task a join of its inputs: one output for all of them, one after the other.
    void JoinInputs();

    // A stream of a kind on the last output with what every kind shares.
    OutputStreamPlan NewStream(AVMediaType type, bool copy, const std::string& codecName,
                               const std::string& tag, const std::string& language,
                               const std::vector<std::string>& filters);
    void SetLibraryOption(std::string_view name, std::string_view value);
    void ApplyPreset(std::string_view option, std::string_view value);
    bool Fail(const std::string& text);
    // Opens each output's file under a temporary name beside its final one.
    void OpenOutputFiles();
    // Checks that everything reached the files, closes them and moves each to its name.
    void CommitOutputs();
    std::string PendingEncoder(AVMediaType type) const;
    void CheckBitRate(AVMediaType type);

    TaskSettings m_settings;
    LibraryOptions m_libraryOptions;
    std::vector<InputFile> m_inputs;
    std::vector<std::unique_ptr<OutputFile>> m_outputs;
    std::string m_errorText;
    std::vector<std::string> m_writtenFiles;
    std::int64_t m_totalDuration = -1;
    bool m_joined = false;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_finished{false};
    std::int64_t m_progressInterval = 500000;
    std::atomic<bool> m_stageThreads{true};
    mutable std::mutex m_handlerLock;
    std::function<void(const TProgressInfo&)> m_onProgress;
    std::function<void(THookInfo&)> m_onCustomHook;
    std::function<void(const TPreviewInfo&)> m_onPreviewBitmap;
    std::unique_ptr<TranscodeRun> m_run;
};

}  // namespace mw
