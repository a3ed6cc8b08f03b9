#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mw {

// Which streams a task takes from a source, by the ids the demuxer gives them
// (AVStream::id).
struct SourceStreams {
    static constexpr int kAny = -1;
    static constexpr int kNone = 0;

    // The one audio stream to use: kAny keeps every audio stream, kNone none.
    int AudioId = kAny;
    // The sub-picture stream burned into the pictures, or kNone; its colours as 0xRRGGBB.
    int BurnSubtitleId = kNone;
    std::vector<std::uint32_t> SubtitlePalette;
};

// A stretch of a source's bytes and the time it plays (microseconds on the source's clock):
// what is decoded from these bytes outside the time is cut off.
struct SourceWindow {
    std::int64_t FirstByte = 0;
    std::int64_t EndByte = 0;
    std::int64_t StartUs = 0;
    std::int64_t EndUs = 0;
};

// An opened source: its bytes, read from a position.
class SourceStream {
public:
    virtual ~SourceStream() = default;
    // Reads up to size bytes: the number read, 0 at the end, negative on failure.
    virtual int Read(std::uint8_t* data, int size) = 0;
    virtual bool Seek(std::int64_t position) = 0;
    virtual std::int64_t Size() const = 0;
    // What the source holds, in microseconds: the task's duration.
    virtual std::int64_t DurationUs() const = 0;
    virtual SourceStreams Streams() const = 0;
    // In byte order; the first one's start is where the source starts. Empty: no cuts.
    virtual std::vector<SourceWindow> Windows() const = 0;
    // Why the last read failed.
    virtual std::string LastError() const = 0;
};

// An input that is no file (a DVD title's chapters): opened anew whenever a probe or a
// task needs it, and read through the demuxer it names.
class InputSource {
public:
    virtual ~InputSource() = default;
    // Names the input in messages and gives the output its name.
    virtual std::string Name() const = 0;
    virtual std::string FormatName() const = 0;
    // Null with the reason when it cannot be opened.
    virtual std::unique_ptr<SourceStream> Open(std::string& error) const = 0;
};

using InputSourcePtr = std::shared_ptr<const InputSource>;

}  // namespace mw
