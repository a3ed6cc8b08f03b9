#include "TransferSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace mw::test {

namespace {

constexpr auto kLongestTransfer = std::chrono::seconds(120);

// The servers start with the test program, before any test runs.
[[maybe_unused]] const LocalHttpServer& g_servers = LocalHttpServer::Instance();

std::string StreamText(TStream* stream) {
    if (stream == nullptr) {
        return "";
    }
    std::string text(static_cast<std::size_t>(stream->Size()), '\0');
    stream->Seek(0);
    text.resize(stream->Read(text.data(), text.size()));
    return text;
}

}  // namespace

TransferHarness::TransferHarness() {
    LocalHttpServer::Instance();
    Http.OnProgress = [this](TWinHTTP&, const std::string&, std::int64_t dataSize,
                             std::int64_t bytesRead, std::int32_t elapsed, std::int32_t left,
                             std::uint8_t percents, float rate, TStream*) {
        Progress.push_back({dataSize, bytesRead, elapsed, left, percents, rate});
    };
    Http.OnRedirected = [this](TWinHTTP&, const std::string& url) {
        Redirects.push_back(url);
        WorkerEventThreads.push_back(std::this_thread::get_id());
    };
    Http.OnDone = [this](TWinHTTP&, const std::string& type, std::int64_t size, TStream* stream) {
        Events.push_back("Done");
        ContentType = type;
        FileSize = size;
        Body = StreamText(stream);
        if (auto* memory = dynamic_cast<TMemoryStream*>(stream)) {
            StreamCapacity = memory->Capacity();
        }
    };
    Http.OnDoneInterrupted = [this](TWinHTTP&) { Events.push_back("DoneInterrupted"); };
    Http.OnConnLost = [this](TWinHTTP&, const std::string&, std::int64_t size, std::int64_t read,
                             TStream* stream) {
        Events.push_back("ConnLost");
        FileSize = size;
        BytesRead = read;
        if (auto* memory = dynamic_cast<TMemoryStream*>(stream)) {
            StreamCapacity = memory->Capacity();
        }
        Body = StreamText(stream);
    };
    Http.OnHTTPError = [this](TWinHTTP&, std::int32_t code, TStream* stream) {
        Events.push_back("HTTPError");
        ErrorCode = code;
        Body = StreamText(stream);
    };
    Http.OnHostUnreachable = [this](TWinHTTP&) { Events.push_back("HostUnreachable"); };
    Http.OnOutputFileError = [this](TWinHTTP&) { Events.push_back("OutputFileError"); };
    Http.OnAnyError = [this](TWinHTTP&) { Events.push_back("AnyError"); };
    Http.OnAborted = [this](TWinHTTP&) { Events.push_back("Aborted"); };
}

void TransferHarness::Run(std::int64_t fromByte, std::int64_t toByte) {
    ASSERT_TRUE(Http.ReadRange(fromByte, toByte));
    WaitIdle();
}

void TransferHarness::WaitIdle() {
    const auto deadline = std::chrono::steady_clock::now() + kLongestTransfer;
    while (Http.Busy()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the transfer did not end";
        Main.WaitAndProcess(std::chrono::milliseconds(5));
    }
}

std::string TransferHarness::EventNames() const {
    std::string names;
    for (const std::string& event : Events) {
        names += (names.empty() ? "" : " ") + event;
    }
    return names;
}

int TransferHarness::Count(const std::string& name) const {
    return static_cast<int>(std::count(Events.begin(), Events.end(), name));
}

std::string Server(const std::string& pathAndQuery) {
    return LocalHttpServer::Instance().Url(pathAndQuery);
}

}  // namespace mw::test
