#pragma once

#include <memory>
#include <string>
#include <vector>

#include "InputSource.h"
#include "engine/common/AVPtr.h"

namespace mw {

// An opened source with the I/O context the demuxer reads it through.
class SourceIo {
public:
    explicit SourceIo(std::unique_ptr<SourceStream> stream);
    ~SourceIo();
    SourceIo(const SourceIo&) = delete;
    SourceIo& operator=(const SourceIo&) = delete;

    bool Ready() const { return m_io != nullptr; }
    AVIOContext* Io() const { return m_io; }
    const SourceStream& Stream() const { return *m_stream; }

private:
    static int ReadPacket(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t SeekTo(void* opaque, std::int64_t offset, int whence);

    std::unique_ptr<SourceStream> m_stream;
    AVIOContext* m_io = nullptr;
    std::int64_t m_position = 0;
};

// A source's demuxer context, analysed: its start and duration are the source's, only the
// chosen audio stream is read, and of the sub-pictures only the one to burn in, which gets
// its colours.
struct OpenedSource {
    std::unique_ptr<SourceIo> Io;  // outlives Context
    InputContextPtr Context;
    int BurnStream = -1;  // the index of the sub-picture stream to burn in
    std::vector<SourceWindow> Windows;
    std::string Warning;  // something the task should tell, though it can go on
};

// Null Context with the reason in error when it cannot be opened.
OpenedSource OpenSourceInput(const InputSource& source, std::string& error);

}  // namespace mw
