#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "Commands.h"
#include "Interrupt.h"
#include "core/MainThread.h"
#include "http/WinHTTP.h"

namespace mw::cli {

namespace {

// Every progress event holds the worker until the main thread has handled it; at the
// component's default of 4 KiB per chunk that hand-off, not the network, bounds a fast local
// transfer. Larger chunks keep each event exact while there are 64 times fewer of them.
constexpr std::int32_t kChunkBytes = 256 * 1024;

constexpr const char* kUsage =
    "fetch [-o FILE] [--resume] [--header LINE]... [--user USER:PASSWORD] URL";

struct FetchOptions {
    std::string Url;
    std::string OutputFile;
    bool Resume = false;
    std::vector<std::string> Headers;
    std::optional<std::string> User;
};

// Empty when the values fit together, else what is wrong with them.
std::string CheckFetch(const FetchOptions& options) {
    if (options.Url.empty()) {
        return "a URL is needed";
    }
    if (options.Resume && options.OutputFile.empty()) {
        return "--resume needs -o FILE";
    }
    if (options.User && options.User->find(':') == std::string::npos) {
        return "--user needs USER:PASSWORD";
    }
    return "";
}

// Where a resumed download starts: one transfer buffer before the end of the file, so that
// the first chunk received is compared with the bytes already there.
std::int64_t ResumeOffset(const std::string& path, std::int32_t bufferSize) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return 0;
    }
    return std::max<std::int64_t>(static_cast<std::int64_t>(info.st_size) - bufferSize, 0);
}

bool WriteToStdout(TStream* stream) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const std::size_t n = stream->Read(buffer.data(), buffer.size());
        if (n == 0) {
            break;
        }
        if (std::fwrite(buffer.data(), 1, n, stdout) != n) {
            return false;
        }
    }
    return std::fflush(stdout) == 0;
}

void WireEvents(TWinHTTP& http, int& exitCode, bool& progressShown) {
    const auto endProgress = [&progressShown] {
        if (progressShown) {
            std::fputc('\n', stderr);
            progressShown = false;
        }
    };
    http.OnRedirected = [](TWinHTTP&, const std::string& url) {
        std::fprintf(stderr, "Redirected: %s\n", url.c_str());
    };
    http.OnDone = [&, endProgress](TWinHTTP&, const std::string&, std::int64_t size, TStream* stream) {
        endProgress();
        if (stream != nullptr && !WriteToStdout(stream)) {
            std::fputs("mediawizard-cli: the body could not be written to standard output\n", stderr);
            return;
        }
        std::fprintf(stderr, "Done: %lld bytes\n", static_cast<long long>(size));
        exitCode = kExitOk;
    };
    http.OnDoneInterrupted = [endProgress](TWinHTTP&) {
        endProgress();
        std::fputs("Interrupted\n", stderr);
    };
    http.OnConnLost = [endProgress](TWinHTTP&, const std::string&, std::int64_t size,
                                    std::int64_t read, TStream*) {
        endProgress();
        std::fprintf(stderr, "Connection lost: %lld of %lld bytes\n", static_cast<long long>(read),
                     static_cast<long long>(size));
    };
    http.OnHTTPError = [endProgress](TWinHTTP&, std::int32_t code, TStream*) {
        endProgress();
        std::fprintf(stderr, "HTTP error: %d\n", code);
    };
    http.OnHostUnreachable = [endProgress](TWinHTTP& sender) {
        endProgress();
        if (sender.ErrorText().empty()) {
            std::fputs("Host unreachable\n", stderr);
        } else {
            std::fprintf(stderr, "Host unreachable: %s\n", sender.ErrorText().c_str());
        }
    };
    http.OnOutputFileError = [endProgress](TWinHTTP&) {
        endProgress();
        std::fputs("Output file error\n", stderr);
    };
    http.OnAborted = [endProgress](TWinHTTP&) {
        endProgress();
        std::fputs("Aborted\n", stderr);
    };
    if (isatty(STDERR_FILENO) != 0) {
        http.OnProgress = [&progressShown](TWinHTTP&, const std::string&, std::int64_t dataSize,
                                           std::int64_t bytesRead, std::int32_t, std::int32_t left,
                                           std::uint8_t percents, float rate, TStream*) {
            std::fprintf(stderr, "\r%3d%%  %lld of %lld bytes  %.0f KB/s  %d s left   ", percents,
                         static_cast<long long>(bytesRead), static_cast<long long>(dataSize),
                         static_cast<double>(rate), left);
            progressShown = true;
        };
    }
}

int RunFetch(const FetchOptions& options) {
    const std::string problem = CheckFetch(options);
    if (!problem.empty()) {
        return UsageError(kUsage, problem);
    }
    HeadlessMainThread mainThread;
    TWinHTTP http;
    http.URL = options.Url;
    http.OutputFileName = options.OutputFile;
    http.AddHeaders = options.Headers;
    http.SetTransferBufferSize(kChunkBytes);
    if (options.User) {
        const std::size_t colon = options.User->find(':');
        http.Username = options.User->substr(0, colon);
        http.Password = options.User->substr(colon + 1);
    }
    int exitCode = kExitFailed;
    bool progressShown = false;
    WireEvents(http, exitCode, progressShown);

    const InterruptRequest interrupt;
    const std::int64_t offset =
        options.Resume ? ResumeOffset(options.OutputFile, http.TransferBufferSize()) : 0;
    http.ReadRange(offset, 0);
    bool abortSent = false;
    while (http.Busy()) {
        if (interrupt.Requested() && !abortSent) {
            // The partial file stays for a later --resume.
            http.Abort(false, false);
            abortSent = true;
        }
        mainThread.WaitAndProcess(std::chrono::milliseconds(50));
    }
    return exitCode;
}

}  // namespace

CommandRun AddFetchCommand(CLI::App& program) {
    CLI::App& command =
        AddCommand(program, "fetch", kUsage,
                   "One HTTP transfer: its events on standard error, the body to FILE or to "
                   "standard output.");
    auto options = std::make_shared<FetchOptions>();
    command.add_option("-o", options->OutputFile, "write the body to FILE")->type_name("FILE");
    command.add_flag("--resume", options->Resume, "go on from the end of FILE");
    command.add_option("--header", options->Headers, "an extra request header")
        ->type_name("LINE");
    command.add_option("--user", options->User, "credentials for the server")
        ->type_name("USER:PASSWORD");
    command.add_option("URL", options->Url, "the address")->required();
    return [options] { return RunFetch(*options); };
}

}  // namespace mw::cli
