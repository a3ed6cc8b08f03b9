#pragma once

#include <map>
#include <string>
#include <vector>

namespace mw::test {

struct ProcessResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

// Runs a program (searched on PATH) with its arguments and collects what it prints.
ProcessResult RunProcess(const std::vector<std::string>& argv);

// A program started in the background, its output discarded; killed and reaped at the end
// of the object's life unless waited for.
class ChildProcess {
public:
    // Its standard error goes to `errorFile`.
    explicit ChildProcess(const std::vector<std::string>& argv,
                          const std::string& errorFile = "/dev/null");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void Signal(int signal) const;
    // The exit code, or 128 + the signal that ended the program.
    int Wait();

private:
    int m_pid = -1;
};

// Whether the decoder reads the whole file without a single complaint.
bool DecodesCleanly(const std::string& path);

// ffprobe's view of a file as flat keys: "format.duration", "streams.stream.0.width", ...
std::map<std::string, std::string> FFprobe(const std::string& path,
                                           const std::vector<std::string>& extra = {});

}  // namespace mw::test
