#include "ReaderProtocol.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

namespace mw::dvd {

namespace {

bool SendAll(int fd, const void* data, std::size_t size) {
    const auto* at = static_cast<const char*>(data);
    while (size > 0) {
        // MSG_NOSIGNAL: a reader that died must not take the program down with SIGPIPE.
        const ssize_t sent = ::send(fd, at, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        at += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

// Reads exactly size bytes, waiting no longer than the deadline when there is one.
bool ReceiveAll(int fd, void* data, std::size_t size, std::optional<Deadline> deadline) {
    auto* at = static_cast<char*>(data);
    while (size > 0) {
        if (deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                *deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd wait{fd, POLLIN, 0};
            const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready <= 0) {
                return false;
            }
        }
        const ssize_t received = ::recv(fd, at, size, 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            return false;
        }
        at += received;
        size -= static_cast<std::size_t>(received);
    }
    return true;
}

bool SendInt(int fd, std::int32_t value) {
    return SendAll(fd, &value, sizeof value);
}

bool SendText(int fd, const std::string& text, std::size_t limit = kMaxFrameText) {
    if (text.size() > limit) {
        return false;
    }
    return SendInt(fd, static_cast<std::int32_t>(text.size())) &&
           SendAll(fd, text.data(), text.size());
}

bool ReceiveInt(int fd, std::int32_t& value, std::optional<Deadline> deadline) {
    return ReceiveAll(fd, &value, sizeof value, deadline);
}

bool ReceiveText(int fd, std::string& text, std::optional<Deadline> deadline,
                 std::size_t limit = kMaxFrameText) {
    std::int32_t size = 0;
    if (!ReceiveInt(fd, size, deadline) || size < 0 || static_cast<std::size_t>(size) > limit) {
        return false;
    }
    text.resize(static_cast<std::size_t>(size));
    return ReceiveAll(fd, text.data(), text.size(), deadline);
}

}  // namespace

bool ReadRequest(int fd, ReaderRequest& request) {
    std::int32_t op = 0;
    if (!ReceiveInt(fd, op, std::nullopt) || !ReceiveInt(fd, request.Argument, std::nullopt) ||
        !ReceiveInt(fd, request.Argument2, std::nullopt) ||
        !ReceiveInt(fd, request.Argument3, std::nullopt) ||
        !ReceiveText(fd, request.Text, std::nullopt)) {
        return false;
    }
    request.Op = static_cast<ReaderOp>(op);
    return true;
}

bool WriteReply(int fd, const ReaderReply& reply) {
    return SendInt(fd, reply.Result) && SendInt(fd, reply.Problem) && SendText(fd, reply.Text) &&
           SendText(fd, reply.Data, kMaxFrameData);
}

bool WriteRequest(int fd, const ReaderRequest& request) {
    return SendInt(fd, static_cast<std::int32_t>(request.Op)) && SendInt(fd, request.Argument) &&
           SendInt(fd, request.Argument2) && SendInt(fd, request.Argument3) &&
           SendText(fd, request.Text);
}

bool ReadReply(int fd, ReaderReply& reply, Deadline deadline) {
    return ReceiveInt(fd, reply.Result, deadline) && ReceiveInt(fd, reply.Problem, deadline) &&
           ReceiveText(fd, reply.Text, deadline) &&
           ReceiveText(fd, reply.Data, deadline, kMaxFrameData);
}

}  // namespace mw::dvd
