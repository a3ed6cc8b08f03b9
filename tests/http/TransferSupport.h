#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/MainThread.h"
#include "http/WinHTTP.h"
#include "support/LocalHttpServer.h"

namespace mw::test {

struct ProgressRecord {
    std::int64_t DataSize = 0;
    std::int64_t BytesRead = 0;
    std::int32_t ElapsedTime = 0;
    std::int32_t EstimatedTimeLeft = 0;
    int PercentsDone = 0;
    float TransferRate = 0;
};

// A transfer component on a headless main thread, with every event it raises written down.
class TransferHarness {
public:
    TransferHarness();

    // Starts the transfer and lets the main thread run until it has ended.
    void Run(std::int64_t fromByte = 0, std::int64_t toByte = 0);
    // Lets the main thread run until the component is idle.
    void WaitIdle();

    // The events' names in the order they came, "Done", "AnyError", ...
    std::string EventNames() const;
    int Count(const std::string& name) const;

    HeadlessMainThread Main;
    TWinHTTP Http;
    std::vector<std::string> Events;
    std::vector<ProgressRecord> Progress;
    std::vector<std::string> Redirects;
    std::string Body;  // the stream of the completion event
    std::int64_t FileSize = -1;
    std::int64_t BytesRead = -1;
    std::int32_t ErrorCode = 0;
    std::string ContentType;
    std::size_t StreamCapacity = 0;
    std::vector<std::thread::id> WorkerEventThreads;  // threads OnRedirected and OnStatus ran on
};

std::string Server(const std::string& pathAndQuery);

}  // namespace mw::test
