#pragma once

#include <cstdint>
#include <string>

#include "engine/FFmpegLogger.h"
#include "engine/codecs/Codecs.h"
#include "engine/common/AVPtr.h"
#include "engine/common/Bitmap.h"
#include "engine/input/SourceInput.h"
#include "engine/probe/ProbeRecords.h"

namespace mw {

// Opens one media file and reports its streams. Used from one thread at a time.
class TCustomAVProbe {
public:
    TCustomAVProbe() = default;
    virtual ~TCustomAVProbe();
    TCustomAVProbe(const TCustomAVProbe&) = delete;
    TCustomAVProbe& operator=(const TCustomAVProbe&) = delete;

    // Opens and analyses a file, closing the previous one; formatName forces a demuxer.
    // Raises EngineError when the libraries are not loaded.
    bool LoadFile(const std::string& fileName, const std::string& formatName = "");
    // Opens and analyses an input that is no file; its name is the source's.
    bool LoadSource(const InputSource& source);
    virtual void Close();
    // Takes a demuxer context that someone else opened and keeps owning.
    void AttachContext(AVFormatContext* context);

    bool GetFileStreamInfo(TFileStreamInfo& info);
    bool GetAudioStreamInfo(int index, TAudioStreamInfo& info);
    bool GetVideoStreamInfo(int index, TVideoStreamInfo& info);
    bool GetVideoStreamInfo(TVideoStreamInfo& info) { return GetVideoStreamInfo(-1, info); }

    // The name of the open file as the caller gave it.
    std::string FileName();

    bool Loaded() const { return m_context != nullptr; }
    AVFormatContext* Context() const { return m_context; }
    const std::string& LastErrorMessage() const { return m_lastErrorMessage; }
    const std::string& FormatName() const { return m_formatName; }
    std::int64_t FileSize() const { return m_fileSize; }
    int StreamCount() const { return m_streamCount; }
    int ProgramCount() const { return m_programCount; }
    int AudioStreamCount() const { return m_audioStreamCount; }
    int VideoStreamCount() const { return m_videoStreamCount; }
    int SubtitleStreamCount() const { return m_subtitleStreamCount; }
    int AudioStreamIndex() const { return m_audioStreamIndex; }
    int VideoStreamIndex() const { return m_videoStreamIndex; }
    int SubtitleStreamIndex() const { return m_subtitleStreamIndex; }

protected:
    // Logs the message with the probe as sender and keeps it as LastErrorMessage.
    void Report(TLogLevel level, const std::string& text);
    bool OwnsContext() const { return static_cast<bool>(m_ownedContext); }
    // Runs after a load or attach has filled the counts.
    virtual void ContextReady() {}

private:
    void CheckLibraries() const;
    void ComputeCounts();
    void ResetCounts();
    // The stream at a checked index of a kind, or null after reporting why not.
    AVStream* StreamOfKind(int index, AVMediaType kind);

    std::unique_ptr<SourceIo> m_sourceIo;  // what m_ownedContext reads, when no file
    InputContextPtr m_ownedContext;
    AVFormatContext* m_context = nullptr;
    std::string m_fileName;
    std::string m_lastErrorMessage;
    std::string m_formatName;
    std::int64_t m_fileSize = -1;
    int m_streamCount = -1;
    int m_programCount = -1;
    int m_audioStreamCount = -1;
    int m_videoStreamCount = -1;
    int m_subtitleStreamCount = -1;
    int m_audioStreamIndex = -1;
    int m_videoStreamIndex = -1;
    int m_subtitleStreamIndex = -1;
};

// Adds seeking, decoding of pictures and their conversion into bitmaps.
class TAVProbe : public TCustomAVProbe {
public:
    TAVProbe();
    ~TAVProbe() override;

    void Close() override;

    // Flags: backward 1, byte 2, any 4, frame 8. Position in microseconds, or bytes.
    bool Seek(int flags, std::int64_t position);
    // The next picture of a video stream; a negative index keeps the selected stream.
    bool DecodeNextFrame(int videoIndex = -1);
    // The last decoded picture as a 24-bit BGR bitmap of its size.
    bool CopyToBitmap(Bitmap& bitmap);

    int SeekStreamIndex() const { return m_seekStreamIndex; }
    bool PictureReady() const { return m_pictureReady; }
    // Presentation time of the last picture in microseconds from the stream start.
    std::int64_t PictureTime() const { return m_pictureTime; }
    // Byte position of the file before the last picture's packets were read.
    std::int64_t PicturePosition() const { return m_picturePosition; }

protected:
    void ContextReady() override;

private:
    void CloseDecoder();
    bool OpenDecoder(int streamIndex);
    void ClearPicture();
    void StorePicture(AVStream* stream, std::int64_t bytePosition);
    // Reports the end of the stream and remembers it.
    bool EndOfStream();
    bool RequireOwnedContext();
    bool IsImage2() const;

    int m_seekStreamIndex = -1;
    std::int64_t m_seekStartOffset = 0;
    int m_selectedStream = -1;
    bool m_endOfStream = false;
    bool m_draining = false;
    // After a seek into the middle, pictures before the first key picture cannot be shown
    // whole: their packets are skipped without decoding.
    bool m_awaitingKey = false;
    CodecContextPtr m_decoder;
    int m_decoderStream = -1;
    AVPtr<AVFrame> m_decoded;
    AVPtr<AVFrame> m_picture;
    AVPtr<AVPacket> m_packet;
    bool m_pictureReady = false;
    std::int64_t m_pictureTime = AV_NOPTS_VALUE;
    std::int64_t m_picturePosition = -1;
    std::int64_t m_previousPictureTime = AV_NOPTS_VALUE;
    std::int64_t m_previousPicturePosition = -1;
    AVPtr<SwsContext> m_scaler;
};

}  // namespace mw
