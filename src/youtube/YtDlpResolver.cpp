#include "YtDlpResolver.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "core/MainThread.h"

extern char** environ;

namespace mw {

namespace {

// Closes the descriptor at the end of its scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { Reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    void Reset() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    int m_fd;
};

// The last line with text of what the program wrote to its error output.
std::string LastLine(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    std::string last;
    while (std::getline(lines, line)) {
        if (line.find_first_not_of(" \t\r") != std::string::npos) {
            last = line;
        }
    }
    return last;
}

}  // namespace

std::string FindYtDlp() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/yt-dlp";
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

YtDlpResolver::~YtDlpResolver() {
    Cancel();
}

void YtDlpResolver::Start(const std::string& program, const std::string& link, DoneFunction done) {
    Join();
    m_done = std::move(done);
    m_cancelled = false;
    m_workerDone = false;
    m_busy = true;
    m_worker = std::thread([this, program, link] {
        const Outcome outcome = RunChild(program, link);
        // The main thread takes the outcome, unless the resolution was cancelled meanwhile.
        MainThread::Instance()->Invoke([this, &outcome] {
            if (!m_cancelled) {
                m_busy = false;
                Finish(outcome);
            }
        });
        m_workerDone = true;
        MainThread::Instance()->Wake();
    });
}

void YtDlpResolver::Cancel() {
    m_cancelled = true;
    m_busy = false;
    {
        std::lock_guard guard(m_pidLock);
        if (m_pid > 0) {
            ::kill(-m_pid, SIGKILL);
        }
    }
    Join();
}

void YtDlpResolver::Join() {
    if (!m_worker.joinable()) {
        return;
    }
    // The worker may wait for the main thread to take its outcome.
    MainThread::Instance()->ProcessUntil([this] { return m_workerDone.load(); });
    m_worker.join();
}

YtDlpResolver::Outcome YtDlpResolver::RunChild(const std::string& program,
                                               const std::string& link) {
    Outcome outcome;
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0) {
        outcome.StartError = std::strerror(errno);
        return outcome;
    }
    Descriptor outRead(outPipe[0]);
    Descriptor outWrite(outPipe[1]);
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        outcome.StartError = std::strerror(errno);
        return outcome;
    }
    Descriptor errRead(errPipe[0]);
    Descriptor errWrite(errPipe[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.Get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errWrite.Get(), STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A group of its own, so that a kill reaches whatever the program started.
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    std::vector<std::string> args = {
        program, "--dump-single-json", "--no-playlist", "--no-warnings", "--skip-download", "--",
        link};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    int spawned = 0;
    {
        std::lock_guard guard(m_pidLock);
        spawned = m_cancelled ? ECANCELED
                              : ::posix_spawn(&pid, program.c_str(), &actions, &attributes,
                                              argv.data(), environ);
        if (spawned == 0) {
            m_pid = pid;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    outWrite.Reset();
    errWrite.Reset();
    if (spawned != 0) {
        outcome.StartError = std::strerror(spawned);
        return outcome;
    }

    const auto deadline = std::chrono::steady_clock::now() + m_timeLimit;
    std::array<pollfd, 2> fds = {{{outRead.Get(), POLLIN, 0}, {errRead.Get(), POLLIN, 0}}};
    std::array<std::string*, 2> sinks = {&outcome.Out, &outcome.Err};
    int open = 2;
    char buffer[65536];
    while (open > 0 && !m_cancelled) {
        if (std::chrono::steady_clock::now() >= deadline) {
            outcome.TimedOut = true;
            break;
        }
        if (::poll(fds.data(), fds.size(), 100) < 0 && errno != EINTR) {
            break;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    {
        std::lock_guard guard(m_pidLock);
        if (open > 0) {
            ::kill(-pid, SIGKILL);
        }
        ::waitpid(pid, &status, 0);
        m_pid = -1;
    }
    if (open == 0 && WIFEXITED(status)) {
        outcome.Status = WEXITSTATUS(status);
    }
    return outcome;
}

void YtDlpResolver::Finish(const Outcome& outcome) {
    DoneFunction done = m_done;
    if (!outcome.StartError.empty()) {
        done(std::nullopt, "yt-dlp could not start: " + outcome.StartError);
    } else if (outcome.TimedOut) {
        done(std::nullopt,
             "yt-dlp gave no answer within " + std::to_string(m_timeLimit.count() / 1000) + " s");
    } else if (outcome.Status != 0) {
        const std::string line = LastLine(outcome.Err);
        done(std::nullopt,
             line.empty() ? "yt-dlp failed with status " + std::to_string(outcome.Status) : line);
    } else {
        std::string problem;
        const std::optional<Resolution> answer = ParseYtDlpJson(outcome.Out, problem);
        done(answer, problem);
    }
}

}  // namespace mw
