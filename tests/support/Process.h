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

// ffprobe's view of a file as flat keys: "format.duration", "streams.stream.0.width", ...
std::map<std::string, std::string> FFprobe(const std::string& path,
                                           const std::vector<std::string>& extra = {});

}  // namespace mw::test
