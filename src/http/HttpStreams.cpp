#include "HttpStreams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace mw {

namespace {

constexpr std::size_t kFirstRoom = 64 * 1024;

mode_t CreationMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool ApplyMode(int fd, const TWinHTTPFileAttributes& attributes) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return false;
    }
    mode_t mode = info.st_mode & 07777;
    if (attributes.count(atrReadOnly) != 0) {
        mode &= ~static_cast<mode_t>(0222);
    } else {
        mode |= CreationMode() & 0222;
    }
    return fchmod(fd, mode) == 0;
}

}  // namespace

std::uint32_t FileAttributeValue(const TWinHTTPFileAttributes& attributes) {
    std::uint32_t value = 0;
    for (TWinHTTPFileAttribute attribute : attributes) {
        switch (attribute) {
            case atrArchive:
                value += 0x20;
                break;
            case atrHidden:
                value += 0x2;
                break;
            case atrReadOnly:
                value += 0x1;
                break;
            case atrSystem:
                value += 0x4;
                break;
            case atrTemporary:
                value += 0x100;
                break;
            case atrOffline:
                value += 0x1000;
                break;
        }
    }
    return value;
}

TMemoryStream::~TMemoryStream() {
    std::free(m_data);
}

void TMemoryStream::Presize(std::int64_t expected) {
    if (expected <= 0) {
        return;
    }
    m_expected = static_cast<std::size_t>(expected);
    Reserve(static_cast<std::size_t>(std::min(expected, kPresizeLimit)));
}

bool TMemoryStream::Reserve(std::size_t needed) {
    if (needed <= m_capacity) {
        return true;
    }
    std::size_t room = std::max({needed, m_capacity + m_capacity / 2, kFirstRoom});
    if (m_expected >= needed) {
        // The announced size has held so far: grow no further than it.
        room = std::min(room, m_expected);
    }
    // realloc moves large blocks by remapping their pages, so growing costs no copy.
    void* grown = std::realloc(m_data, room);
    if (grown == nullptr) {
        return false;
    }
    m_data = static_cast<char*>(grown);
    m_capacity = room;
    return true;
}

bool TMemoryStream::Seek(std::int64_t position) {
    if (position < 0 || static_cast<std::size_t>(position) > m_size) {
        return false;
    }
    m_position = static_cast<std::size_t>(position);
    return true;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    const std::size_t n = std::min(count, m_size - m_position);
    if (n > 0) {
        std::memcpy(buffer, m_data + m_position, n);
    }
    m_position += n;
    return n;
}

bool TMemoryStream::Write(const void* data, std::size_t count) {
    if (count == 0) {
        return true;
    }
    if (!Reserve(m_position + count)) {
        return false;
    }
    std::memcpy(m_data + m_position, data, count);
    m_position += count;
    m_size = std::max(m_size, m_position);
    return true;
}

std::unique_ptr<TFileStream> TFileStream::Open(const std::string& path, bool truncate) {
    const int flags = O_RDWR | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : 0);
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        return nullptr;
    }
    return std::unique_ptr<TFileStream>(new TFileStream(fd));
}

TFileStream::~TFileStream() {
    if (m_hasAttributes) {
        ApplyMode(m_fd, m_attributes);
    }
    ::close(m_fd);
}

std::int64_t TFileStream::Size() const {
    struct stat info {};
    return fstat(m_fd, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
}

bool TFileStream::Seek(std::int64_t position) {
    if (position < 0 || position > Size()) {
        return false;
    }
    m_position = position;
    return true;
}

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(m_fd, static_cast<char*>(buffer) + done, count - done,
                                  static_cast<off_t>(m_position));
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
        m_position += n;
    }
    return done;
}

bool TFileStream::Write(const void* data, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pwrite(m_fd, static_cast<const char*>(data) + done, count - done,
                                   static_cast<off_t>(m_position));
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
        m_position += n;
    }
    return true;
}

void TFileStream::SetAttributes(const TWinHTTPFileAttributes& attributes) {
    m_attributes = attributes;
    m_hasAttributes = true;
    ApplyMode(m_fd, attributes);
}

bool ApplyFileAttributes(const std::string& path, const TWinHTTPFileAttributes& attributes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool applied = ApplyMode(fd, attributes);
    ::close(fd);
    return applied;
}

}  // namespace mw
