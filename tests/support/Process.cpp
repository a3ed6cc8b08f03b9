#include "support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace mw::test {

namespace {

class Pipe {
public:
    Pipe() {
        if (pipe2(m_fds, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe");
        }
    }
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    int Read() const { return m_fds[0]; }
    int Write() const { return m_fds[1]; }
    void CloseRead() { Close(m_fds[0]); }
    void CloseWrite() { Close(m_fds[1]); }

private:
    static void Close(int& fd) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
    int m_fds[2] = {-1, -1};
};

int ExitCodeOf(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Starts argv (searched on PATH) with the given file actions, which it destroys.
pid_t Spawn(const std::vector<std::string>& argv, posix_spawn_file_actions_t& actions) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + argv[0]);
    }
    return pid;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv) {
    Pipe out;
    Pipe err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out.Write(), 1);
    posix_spawn_file_actions_adddup2(&actions, err.Write(), 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const pid_t pid = Spawn(argv, actions);
    out.CloseWrite();
    err.CloseWrite();

    ProcessResult result;
    pollfd fds[2] = {{out.Read(), POLLIN, 0}, {err.Read(), POLLIN, 0}};
    std::string* sinks[2] = {&result.Out, &result.Err};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                continue;
            }
            char buffer[8192];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    result.ExitCode = ExitCodeOf(pid);
    return result;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& errorFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    m_pid = Spawn(argv, actions);
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        ExitCodeOf(m_pid);
    }
}

void ChildProcess::Signal(int signal) const {
    if (m_pid > 0) {
        kill(m_pid, signal);
    }
}

int ChildProcess::Wait() {
    const int code = ExitCodeOf(m_pid);
    m_pid = -1;
    return code;
}

bool DecodesCleanly(const std::string& path) {
    const ProcessResult result =
        RunProcess({"ffmpeg", "-v", "error", "-i", path, "-f", "null", "-"});
    return result.ExitCode == 0 && result.Err.empty();
}

std::map<std::string, std::string> FFprobe(const std::string& path,
                                           const std::vector<std::string>& extra) {
    std::vector<std::string> argv = {"ffprobe",       "-v",  "error",   "-show_format",
                                     "-show_streams", "-of", "flat=s=."};
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.push_back(path);
    const ProcessResult result = RunProcess(argv);
    if (result.ExitCode != 0) {
        throw std::runtime_error("ffprobe " + path + ": " + result.Err);
    }
    std::map<std::string, std::string> values;
    std::istringstream lines(result.Out);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        std::string value = line.substr(eq + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        values[line.substr(0, eq)] = value;
    }
    return values;
}

}  // namespace mw::test
