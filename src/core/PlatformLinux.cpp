#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "Platform.h"
#include "UtilFuncs.h"

extern char** environ;

namespace mw {

namespace {

std::function<void(const std::string&)>& ShellHandler() {
    static std::function<void(const std::string&)> handler;
    return handler;
}

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string WithoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == kPathSeparator) {
        path.pop_back();
    }
    return path;
}

std::string HomeFolder() {
    std::string home = EnvironmentValue("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) {
            home = entry->pw_dir;
        }
    }
    return home.empty() ? std::string("/") : WithoutTrailingSeparator(home);
}

std::string ConfigFolder() {
    const std::string config = EnvironmentValue("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == kPathSeparator) {
        return WithoutTrailingSeparator(config);
    }
    return HomeFolder() + "/.config";
}

// The documents folder as user-dirs.dirs names it: XDG_DOCUMENTS_DIR="$HOME/Documents".
std::string DocumentsFolder() {
    std::ifstream dirs(ConfigFolder() + "/user-dirs.dirs");
    std::string line;
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    while (std::getline(dirs, line)) {
        std::string_view text = Trim(line);
        if (!text.starts_with(kKey)) {
            continue;
        }
        text.remove_prefix(kKey.size());
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
            text = text.substr(1, text.size() - 2);
        }
        std::string path;
        if (text.starts_with("$HOME")) {
            path = HomeFolder() + std::string(text.substr(5));
        } else if (text.starts_with("/")) {
            path = std::string(text);
        }
        path = WithoutTrailingSeparator(path);
        // A documents folder equal to the home folder means "not set up".
        if (!path.empty() && path != HomeFolder()) {
            return path;
        }
    }
    return HomeFolder();
}

// Runs a short-lived shell that starts its job in the background and exits at once, so the
// job is never our child and leaves no zombie behind.
void SpawnDetached(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return;
    }
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

constexpr int kPowerOffSeconds = 15;

struct CommandResult {
    bool TimedOut = false;
    int ExitStatus = -1;
    std::string Output;  // standard output and error together
};

// Runs a command with its output in a pipe; one that outlives the limit is killed with
// every process it started. Always reaped.
CommandResult RunWithTimeLimit(const std::vector<std::string>& arguments, int seconds) {
    CommandResult result;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        result.Output = std::strerror(errno);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        result.Output = std::strerror(spawned);
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    char buffer[512];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.TimedOut = true;
            kill(-pid, SIGKILL);
            break;
        }
        pollfd watched{pipeEnds[0], POLLIN, 0};
        const int ready = poll(&watched, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        result.Output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!result.TimedOut) {
        result.ExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return result;
}

}  // namespace

std::string ShellFolderPath(std::string_view valueName) {
    if (SameText(valueName, "AppData")) {
        return ConfigFolder();
    }
    if (SameText(valueName, "Personal")) {
        return DocumentsFolder();
    }
    return HomeFolder();
}

ScopedShellHandler::ScopedShellHandler(std::function<void(const std::string&)> handler)
    : m_previous(std::exchange(ShellHandler(), std::move(handler))) {}

ScopedShellHandler::~ScopedShellHandler() {
    ShellHandler() = std::move(m_previous);
}

void OpenWithShell(std::string_view target) {
    if (ShellHandler()) {
        ShellHandler()(std::string(target));
        return;
    }
    // A short-lived shell starts the opener in the background and exits at once, so the
    // opener is never our child and leaves no zombie behind.
    const std::string argument(target);
    const char* argv[] = {"/bin/sh",        "-c",   "xdg-open \"$1\" >/dev/null 2>&1 &", "sh",
                          argument.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        return;
    }
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void PlaySoundFileAsync(std::string_view path) {
    if (!PathExists(path)) {
        std::fputs("\a", stderr);
        return;
    }
    const std::string argument(path);
    SpawnDetached({"/bin/sh", "-c",
                   "paplay \"$1\" 2>/dev/null || aplay -q \"$1\" 2>/dev/null || printf '\\a' >&2 &",
                   "sh", argument});
}

std::string PowerOffComputer() {
    // Neither tool may wait for a password: there is nobody left to type it.
    const CommandResult result =
        RunWithTimeLimit({"/bin/sh", "-c",
                          "busctl call --timeout=10 org.freedesktop.login1 /org/freedesktop/login1 "
                          "org.freedesktop.login1.Manager PowerOff b false 2>&1 || "
                          "systemctl --no-ask-password poweroff 2>&1",
                          "sh"},
                         kPowerOffSeconds);
    if (result.TimedOut) {
        return "the system did not answer within " + std::to_string(kPowerOffSeconds) + " seconds";
    }
    if (result.ExitStatus == 0) {
        return {};
    }
    const std::string_view answer = Trim(result.Output);
    return answer.empty() ? "the system refused with status " + std::to_string(result.ExitStatus)
                          : std::string(answer);
}

void SetCurrentThreadNice(int nice) {
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
}

}  // namespace mw
