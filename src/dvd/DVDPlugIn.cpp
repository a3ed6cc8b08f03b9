#include "DVDPlugIn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

extern char** environ;

namespace mw::dvd {

namespace {

// The reader's end of the socket; the reader itself expects it there.
constexpr int kReaderChannel = 3;
// Above the standard descriptors and the reader's channel, so that dup2 always copies.
constexpr int kFirstSpareFd = 10;
// How long a reader whose socket closed may take to end before it is killed.
constexpr std::chrono::milliseconds kExitGrace{2000};

struct FdCloser {
    int Fd;
    ~FdCloser() {
        if (Fd >= 0) {
            ::close(Fd);
        }
    }
};

}  // namespace

DVDPlugIn::DVDPlugIn(std::string programDir, std::chrono::milliseconds timeLimit)
    : m_programDir(std::move(programDir)), m_timeLimit(timeLimit) {}

DVDPlugIn::~DVDPlugIn() {
    StopReader();
}

std::string DVDPlugIn::LibraryPath() const {
    return m_programDir + "lib/" + kPlugInFileName;
}

bool DVDPlugIn::StartReader() {
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        m_lastError = std::string("The DVD reader cannot be started: ") + std::strerror(errno);
        return false;
    }
    FdCloser parentEnd{pair[0]};
    FdCloser childEnd{::fcntl(pair[1], F_DUPFD_CLOEXEC, kFirstSpareFd)};
    ::close(pair[1]);
    if (childEnd.Fd < 0) {
        m_lastError = std::string("The DVD reader cannot be started: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childEnd.Fd, kReaderChannel);
    posix_spawn_file_actions_addclosefrom_np(&actions, kReaderChannel + 1);
    const std::string program = m_programDir + kReaderFileName;
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        m_lastError = "The DVD reader " + program + " cannot be started: " + std::strerror(error);
        return false;
    }
    const std::lock_guard lock(m_processLock);
    m_pid = pid;
    m_socket = parentEnd.Fd;
    parentEnd.Fd = -1;
    return true;
}

void DVDPlugIn::StopReader() {
    pid_t pid = -1;
    {
        const std::lock_guard lock(m_processLock);
        if (m_socket >= 0) {
            ::close(m_socket);
            m_socket = -1;
        }
        pid = std::exchange(m_pid, -1);
    }
    m_rootEnumerated = false;
    m_chaptersOpen = false;
    if (pid <= 0) {
        return;
    }
    // A reader that ended by itself (a crash) gets a moment to be reaped as such; one still
    // running (hung, cancelled, closing) is killed.
    int status = 0;
    pid_t done = 0;
    const auto giveUp = std::chrono::steady_clock::now() + kExitGrace;
    while ((done = ::waitpid(pid, &status, WNOHANG)) == 0 && !m_cancelled &&
           std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (done == pid) {
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            ++m_readerCrashes;
        }
        return;
    }
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void DVDPlugIn::Cancel() {
    m_cancelled = true;
    const std::lock_guard lock(m_processLock);
    // The worker's wait ends with the reader's end of the socket; the worker reaps it.
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
    }
}

void DVDPlugIn::ClearCancel() {
    m_cancelled = false;
}

DVDPlugIn::Outcome DVDPlugIn::Exchange(const ReaderRequest& request, ReaderReply& reply) {
    if (m_cancelled) {
        return Outcome::ReaderFailed;
    }
    const Deadline deadline = std::chrono::steady_clock::now() + m_timeLimit;
    if (!WriteRequest(m_socket, request) || !ReadReply(m_socket, reply, deadline)) {
        StopReader();
        return Outcome::ReaderFailed;
    }
    return Outcome::Answered;
}

bool DVDPlugIn::EnsureReader(bool enumerateRoot) {
    if (m_pid <= 0) {
        if (m_cancelled || !StartReader()) {
            return false;
        }
        ReaderReply reply;
        if (Exchange({ReaderOp::Load, 0, 0, 0, LibraryPath()}, reply) != Outcome::Answered) {
            if (!m_cancelled) {
                m_lastError = "The DVD reader stopped while loading " + LibraryPath() + ".";
            }
            return false;
        }
        if (reply.Result == 0) {
            m_lastError = reply.Text;
            m_loaded = false;
            StopReader();
            return false;
        }
    }
    if (enumerateRoot && !m_rootEnumerated) {
        ReaderReply reply;
        if (Exchange({ReaderOp::EnumTitle, 0, 0, 0, m_root}, reply) != Outcome::Answered) {
            return false;
        }
        m_rootEnumerated = reply.Result > 0;
    }
    return true;
}

bool DVDPlugIn::Load() {
    if (m_loaded) {
        return true;
    }
    m_lastError.clear();
    m_loaded = EnsureReader(false);
    if (!m_loaded && m_lastError.empty()) {
        m_lastError = "Loading the DVD plug-in was cancelled.";
    }
    return m_loaded;
}

int DVDPlugIn::DVDEnumTitle(const std::string& root) {
    m_root = root;
    m_rootEnumerated = false;
    if (!m_loaded || !EnsureReader(false)) {
        return 0;
    }
    ReaderReply reply;
    if (Exchange({ReaderOp::EnumTitle, 0, 0, 0, root}, reply) != Outcome::Answered) {
        return 0;
    }
    m_rootEnumerated = reply.Result > 0;
    return reply.Result;
}

bool DVDPlugIn::DVDGetTitle(int index, TDVDTitle& record) {
    std::memset(&record, 0, sizeof record);
    m_titleProblem = TitleProblem::Unreadable;
    m_titleError.clear();
    if (!m_loaded || m_root.empty() || !EnsureReader(true) || !m_rootEnumerated) {
        m_titleError = "the DVD reader could not open the disc again";
        return false;
    }
    ReaderReply reply;
    if (Exchange({ReaderOp::GetTitle, index, 0, 0, {}}, reply) != Outcome::Answered) {
        m_titleError = m_cancelled ? "cancelled" : "the DVD reader stopped on this title's data";
        return false;
    }
    if (reply.Result == 0) {
        m_titleProblem = reply.Problem == static_cast<std::int32_t>(TitleProblem::Encrypted)
                             ? TitleProblem::Encrypted
                             : TitleProblem::Unreadable;
        m_titleError = reply.Text;
        return false;
    }
    if (reply.Data.size() != sizeof record) {
        m_titleError = "the DVD reader sent a record of the wrong size";
        return false;
    }
    std::memcpy(&record, reply.Data.data(), sizeof record);
    m_titleProblem = TitleProblem::None;
    return true;
}

bool DVDPlugIn::DVDOpenChapters(int index, int from, int to, TDVDChapterStream& info) {
    std::memset(&info, 0, sizeof info);
    m_titleError.clear();
    m_chapters = {index, from, to};
    if (!m_loaded || m_root.empty() || !EnsureReader(true) || !m_rootEnumerated) {
        m_titleError = "the DVD reader could not open the disc again";
        return false;
    }
    ReaderReply reply;
    if (Exchange({ReaderOp::OpenChapters, index, from, to, {}}, reply) != Outcome::Answered) {
        m_titleError = m_cancelled ? "cancelled" : "the DVD reader stopped on this title's data";
        return false;
    }
    if (reply.Result == 0 || reply.Data.size() != sizeof info) {
        m_titleError = reply.Result == 0 ? reply.Text : "the DVD reader sent a wrong answer";
        return false;
    }
    std::memcpy(&info, reply.Data.data(), sizeof info);
    m_chaptersOpen = true;
    return true;
}

int DVDPlugIn::DVDReadChapters(std::uint32_t first, int count, char* buffer) {
    if (count <= 0 || count > kMaxReadSectors || m_chapters.Index < 0) {
        return -1;
    }
    if (!m_chaptersOpen) {
        TDVDChapterStream info;
        if (!DVDOpenChapters(m_chapters.Index, m_chapters.From, m_chapters.To, info)) {
            return -1;
        }
    }
    ReaderReply reply;
    if (Exchange({ReaderOp::ReadChapters, static_cast<std::int32_t>(first), count, 0, {}}, reply) !=
            Outcome::Answered ||
        reply.Result < 0 || reply.Result > count ||
        reply.Data.size() != static_cast<std::size_t>(reply.Result) * kSectorSize) {
        return -1;
    }
    std::memcpy(buffer, reply.Data.data(), reply.Data.size());
    return reply.Result;
}

std::vector<TDVDStreamWindow> DVDPlugIn::DVDGetChapterWindows() {
    std::vector<TDVDStreamWindow> windows;
    ReaderReply reply;
    if (!m_chaptersOpen ||
        Exchange({ReaderOp::ChapterWindows, 0, 0, 0, {}}, reply) != Outcome::Answered ||
        reply.Result <= 0 ||
        reply.Data.size() != static_cast<std::size_t>(reply.Result) * sizeof(TDVDStreamWindow)) {
        return windows;
    }
    windows.resize(static_cast<std::size_t>(reply.Result));
    std::memcpy(windows.data(), reply.Data.data(), reply.Data.size());
    return windows;
}

}  // namespace mw::dvd
