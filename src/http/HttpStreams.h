#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "WinHTTPTypes.h"

namespace mw {

// Where a transfer's body goes; events receive it for their duration only.
class TStream {
public:
    virtual ~TStream() = default;
    virtual std::int64_t Size() const = 0;
    virtual std::int64_t Position() const = 0;
    virtual bool Seek(std::int64_t position) = 0;
    // Reads up to count bytes at the position; gives how many it read.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual bool Write(const void* data, std::size_t count) = 0;
};

// A body in memory. Its room grows with the data; a size announced beforehand reserves room
// only up to a bound, so that a peer announcing gigabytes cannot make it allocate them.
class TMemoryStream final : public TStream {
public:
    static constexpr std::int64_t kPresizeLimit = 64LL << 20;

    TMemoryStream() = default;
    ~TMemoryStream() override;
    TMemoryStream(const TMemoryStream&) = delete;
    TMemoryStream& operator=(const TMemoryStream&) = delete;

    std::int64_t Size() const override { return static_cast<std::int64_t>(m_size); }
    std::int64_t Position() const override { return static_cast<std::int64_t>(m_position); }
    bool Seek(std::int64_t position) override;
    std::size_t Read(void* buffer, std::size_t count) override;
    bool Write(const void* data, std::size_t count) override;

    // Prepares room for an expected size, as far as the bound allows.
    void Presize(std::int64_t expected);
    std::size_t Capacity() const { return m_capacity; }
    const char* Data() const { return m_data; }
    std::string Text() const { return std::string(m_data == nullptr ? "" : m_data, m_size); }

private:
    bool Reserve(std::size_t needed);

    char* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    std::size_t m_position = 0;
    std::size_t m_expected = 0;
};

// The output file of a transfer. The attributes of the original platform map to Linux as
// far as they have a meaning there: read-only takes the write permissions away; archive,
// hidden, system, temporary and offline have no counterpart and change nothing.
class TFileStream final : public TStream {
public:
    // Opens for reading and writing, truncated or kept as it is; null when it fails.
    static std::unique_ptr<TFileStream> Open(const std::string& path, bool truncate);
    // Applies the attributes again when the file is released, if they say anything.
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::int64_t Size() const override;
    std::int64_t Position() const override { return m_position; }
    bool Seek(std::int64_t position) override;
    std::size_t Read(void* buffer, std::size_t count) override;
    bool Write(const void* data, std::size_t count) override;

    // Remembered and applied now; also applied again when the file is released.
    void SetAttributes(const TWinHTTPFileAttributes& attributes);

private:
    explicit TFileStream(int fd) : m_fd(fd) {}

    int m_fd;
    std::int64_t m_position = 0;
    bool m_hasAttributes = false;
    TWinHTTPFileAttributes m_attributes;
};

// Applies file attributes to a file by name (see TFileStream); false when it cannot.
bool ApplyFileAttributes(const std::string& path, const TWinHTTPFileAttributes& attributes);

}  // namespace mw
