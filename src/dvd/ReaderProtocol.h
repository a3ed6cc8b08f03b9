#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// The requests the program sends to its DVD reader process and the reader's replies, framed
// on a stream socket. Sizes are bounded so that a broken peer cannot make either side
// allocate without limit.
namespace mw::dvd {

enum class ReaderOp : std::int32_t {
    Load = 1,            // Text: the plug-in's path. Result 1 when loaded; else Text: why not
    EnumTitle = 2,       // Text: the DVD root. Result: the number of titles
    GetTitle = 3,        // Argument: the title index. Result 1 with Data: the record; else
                         // Problem and Text: why not
    OpenChapters = 4,    // Argument: the title index, Argument2..3: the chapter range. Result 1
                         // with Data: the stream's TDVDChapterStream; else Text: why not
    ReadChapters = 5,    // Argument: the first sector, Argument2: the count. Result: the
                         // number read (negative on failure), Data: the sectors
    ChapterWindows = 6,  // Result: the number of windows of the open stream, Data: them
};

struct ReaderRequest {
    ReaderOp Op = ReaderOp::Load;
    std::int32_t Argument = 0;
    std::int32_t Argument2 = 0;
    std::int32_t Argument3 = 0;
    std::string Text;
};

struct ReaderReply {
    std::int32_t Result = 0;
    std::int32_t Problem = 0;
    std::string Text;
    std::string Data;
};

inline constexpr std::size_t kMaxFrameText = 64 * 1024;
// The most sectors one ReadChapters request asks for, and so the largest reply data.
inline constexpr int kMaxReadSectors = 256;
inline constexpr std::size_t kMaxFrameData = kMaxReadSectors * 2048;

// The reader's side: blocking.
bool ReadRequest(int fd, ReaderRequest& request);
bool WriteReply(int fd, const ReaderReply& reply);

// The program's side; a read gives up at the deadline.
using Deadline = std::chrono::steady_clock::time_point;
bool WriteRequest(int fd, const ReaderRequest& request);
bool ReadReply(int fd, ReaderReply& reply, Deadline deadline);

}  // namespace mw::dvd
