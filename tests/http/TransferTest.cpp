#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <stdexcept>

#include "TransferSupport.h"
#include "http/CurlOptions.h"
#include "support/TempDir.h"

namespace mw::test {
namespace {

struct OutcomeCase {
    const char* Name;
    std::string Url;
    const char* Events;
    std::int64_t BodySize;  // -1: not checked
    std::int32_t ErrorCode;
};

class TransferOutcome : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(TransferOutcome, EndsWithTheRightEventsAndBody) {
    const OutcomeCase& c = GetParam();
    TransferHarness h;
    // The servers' ports are known once they run: a row names its path on the origin, or
    // "closed" for a port nobody listens on.
    if (c.Url == "closed") {
        h.Http.URL = "http://127.0.0.1:" + std::to_string(LocalHttpServer::Instance().ClosedPort()) + "/";
    } else if (c.Url.front() == '/') {
        h.Http.URL = Server(c.Url);
    } else if (c.Url.front() == '@') {
        h.Http.URL = Server(c.Url.substr(1)).substr(7);
    } else {
        h.Http.URL = c.Url;
    }
    h.Run();
    EXPECT_EQ(h.EventNames(), c.Events);
    if (c.BodySize >= 0 && h.Count("Done") == 1) {
        EXPECT_EQ(h.FileSize, c.BodySize);
        EXPECT_EQ(h.Body, BodyBytes(0, c.BodySize));
    }
    EXPECT_EQ(h.ErrorCode, c.ErrorCode);
    EXPECT_FALSE(h.Http.Busy());
}

std::vector<OutcomeCase> OutcomeCases() {
    return {
        {"WithLength", "/body?size=100000", "Done", 100000, 0},
        {"EmptyBody", "/body?size=0", "Done", 0, 0},
        {"WithoutLength", "/nolength?size=70000", "Done", 70000, 0},
        {"Chunked", "/chunked?size=20000", "Done", 20000, 0},
        {"Slow", "/chunked?size=3000&delay=30", "Done", 3000, 0},
        {"CutShort", "/cut?size=10000&sent=4000", "ConnLost AnyError", -1, 0},
        {"ChunkedCutShort", "/cutchunked?size=10000&sent=4000", "ConnLost AnyError", -1, 0},
        {"NotFound", "/status?code=404", "HTTPError AnyError", -1, 404},
        {"RedirectChain", "/redirect?hops=3", "Done", 100, 0},
        {"NoSchemeMeansHttp", "@/body?size=10", "Done", 10, 0},
        {"AuthWithoutHandler", "/auth", "HTTPError AnyError", -1, 401},
        {"ClosedPort", "closed", "HostUnreachable AnyError", -1, 0},
        {"Unsplittable", "http://", "HostUnreachable AnyError", -1, 0},
        {"HostTooLong", "http://" + std::string(300, 'h') + "/", "HostUnreachable AnyError", -1, 0},
        {"OtherScheme", "gopher://127.0.0.1/", "HostUnreachable AnyError", -1, 0},
        {"MissingLocalFile", "file:///nonexistent/file", "HTTPError AnyError", -1, 404},
    };
}

INSTANTIATE_TEST_SUITE_P(Responses, TransferOutcome, ::testing::ValuesIn(OutcomeCases()),
                         [](const auto& row) { return std::string(row.param.Name); });

TEST(Transfer, ErrorPageReachesTheErrorEventAndDoneIsNotRaised) {
    TransferHarness h;
    h.Http.URL = Server("/status?code=404");
    h.Run();
    EXPECT_EQ(h.Body, "<html>error page 404</html>");
    EXPECT_EQ(h.Http.StatusCode(), 404);
}

TEST(Transfer, CutShortReportsWhatArrivedOfWhatWasAnnounced) {
    TransferHarness h;
    h.Http.URL = Server("/cut?size=10000&sent=4000");
    h.Run();
    EXPECT_EQ(h.FileSize, 10000);
    EXPECT_EQ(h.BytesRead, 4000);
    EXPECT_EQ(h.Body, BodyBytes(0, 4000));
}

TEST(Transfer, RedirectToALocalFileIsRefusedAndTheFileStaysUnread) {
    TempDir dir;
    WriteTextFile(dir.File("secret.txt"), "local secret");
    TransferHarness h;
    h.Http.URL = Server("/to?url=file://" + dir.File("secret.txt"));
    h.Run();
    EXPECT_EQ(h.EventNames(), "HTTPError AnyError");
    EXPECT_EQ(h.ErrorCode, 302);
    EXPECT_EQ(h.Body.find("local secret"), std::string::npos);
    EXPECT_TRUE(h.Redirects.empty());
}

TEST(Transfer, EveryRedirectHopIsReportedInTheWorker) {
    TransferHarness h;
    std::vector<std::pair<int, std::string>> statuses;
    h.Http.OnStatus = [&](TWinHTTP&, std::int32_t status, const std::string& text) {
        statuses.emplace_back(status, text);
    };
    h.Http.URL = Server("/redirect?hops=3");
    h.Run();
    EXPECT_EQ(h.Redirects, (std::vector<std::string>{Server("/redirect?hops=2"),
                                                     Server("/redirect?hops=1"),
                                                     Server("/body?size=100")}));
    for (std::thread::id id : h.WorkerEventThreads) {
        EXPECT_NE(id, std::this_thread::get_id());
    }
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), std::make_pair(110, std::string("Redirect"))), 3);
    EXPECT_EQ(h.Http.URL, Server("/redirect?hops=3"));
}

TEST(Transfer, NoAutoRedirectEndsAtTheFirstAnswer) {
    TransferHarness h;
    h.Http.InternetOptions.insert(ioNoAutoRedirect);
    h.Http.URL = Server("/redirect?hops=2");
    h.Run();
    EXPECT_EQ(h.EventNames(), "HTTPError AnyError");
    EXPECT_EQ(h.ErrorCode, 302);
}

TEST(Transfer, LocalFileUrlIsRead) {
    TempDir dir;
    WriteTextFile(dir.File("local.txt"), BodyBytes(0, 9000));
    TransferHarness h;
    h.Http.URL = "file://" + dir.File("local.txt");
    h.Run();
    EXPECT_EQ(h.EventNames(), "Done");
    EXPECT_EQ(h.Body, BodyBytes(0, 9000));
}

TEST(Transfer, ExtraPartIsSentReencoded) {
    struct Case {
        const char* Query;
        const char* Sent;
    };
    const Case cases[] = {
        {"?a=b c", "?a=b%20c"},
        {"?x=1+2&y=3", "?x=1%2B2&y=3"},
        {"?eq=%3D&q=?", "?eq==&q=?"},
        {"?lt=<>*", "?lt=%3C%3E%2A"},
        {"?u=%C3%A9", "?u=%C3%A9"},
    };
    for (const Case& c : cases) {
        TransferHarness h;
        h.Http.URL = Server(std::string("/echo") + c.Query);
        h.Run();
        EXPECT_EQ(h.Body.substr(0, h.Body.find('\n')), std::string("GET /echo") + c.Sent) << c.Query;
    }
}

TEST(Transfer, RequestCarriesAgentRefererAcceptAddedHeadersAndRange) {
    struct Case {
        std::int64_t FromByte, ToByte;
        std::uint32_t Start, End;
        const char* Range;  // "" = no range header
    };
    const Case cases[] = {
        {0, 0, 0, 0, ""},
        {0, 0, 10, 19, "bytes=10-19"},
        {0, 0, 10, 0, "bytes=10-"},
        {0, 0, 0, 5, "bytes=0-5"},
        {100, 0, 10, 19, "bytes=100-"},
        {100, 200, 0, 0, "bytes=100-200"},
    };
    for (const Case& c : cases) {
        TransferHarness h;
        h.Http.URL = Server("/echo");
        h.Http.Agent = "[MW test]";
        h.Http.Referer = "http://example.invalid/page";
        h.Http.AddHeaders = {"X-One: 1", "X-Two: two"};
        h.Http.Range = {c.Start, c.End};
        h.Run(c.FromByte, c.ToByte);
        // The echo itself comes back cut to the range: read what the server saw.
        const std::string text = LocalHttpServer::Instance().LastEcho();
        EXPECT_NE(text.find("User-Agent: [MW test]"), std::string::npos);
        EXPECT_NE(text.find("Referer: http://example.invalid/page"), std::string::npos);
        EXPECT_NE(text.find("Accept: text/html, */*"), std::string::npos);
        EXPECT_NE(text.find("X-One: 1\nX-Two: two"), std::string::npos);
        const std::size_t range = text.find("RANGE: ");
        if (*c.Range == '\0') {
            EXPECT_EQ(range, std::string::npos) << text;
        } else {
            EXPECT_EQ(text.substr(range + 7, text.find('\n', range) - range - 7), c.Range);
        }
    }
}

TEST(Transfer, PostDataGoesAsAFormBody) {
    TransferHarness h;
    h.Http.URL = Server("/echo");
    h.Http.POSTData = "name=value&x=1";
    h.Run();
    EXPECT_EQ(h.Body, "POST application/x-www-form-urlencoded\nname=value&x=1");
}

TEST(Transfer, RangeAnswerFillsThePartAsked) {
    TransferHarness h;
    h.Http.URL = Server("/body?size=5000");
    h.Http.Range = {1000, 1999};
    h.Run();
    EXPECT_EQ(h.EventNames(), "Done");
    EXPECT_EQ(h.Body, BodyBytes(1000, 1000));
    EXPECT_EQ(h.Http.StatusCode(), 206);
}

TEST(Transfer, ReadIsRefusedWhileBusyAndFromItsOwnDoneHandler) {
    TransferHarness h;
    h.Http.URL = Server("/body?size=1000");
    int refusedInDone = 0;
    auto done = h.Http.OnDone;
    h.Http.OnDone = [&](TWinHTTP& sender, const std::string& type, std::int64_t size, TStream* s) {
        done(sender, type, size, s);
        refusedInDone += sender.Read() ? 0 : 1;
    };
    ASSERT_TRUE(h.Http.Read());
    EXPECT_FALSE(h.Http.Read());
    h.WaitIdle();
    EXPECT_EQ(refusedInDone, 1);
    EXPECT_EQ(h.EventNames(), "Done");
    h.Http.Abort(false, false);
    h.Http.Abort(false, true);
    h.Main.ProcessPending();
    EXPECT_EQ(h.EventNames(), "Done");
    EXPECT_TRUE(h.Http.Read());
    h.WaitIdle();
    EXPECT_EQ(h.EventNames(), "Done Done");
}

TEST(Transfer, ProgressWithoutLengthShowsNoPercentAndNegativeTimeLeft) {
    TransferHarness h;
    h.Http.URL = Server("/chunked?size=30000");
    h.Run();
    ASSERT_FALSE(h.Progress.empty());
    for (const ProgressRecord& p : h.Progress) {
        EXPECT_EQ(p.DataSize, 0);
        EXPECT_EQ(p.PercentsDone, 0);
        EXPECT_EQ(p.EstimatedTimeLeft, -p.ElapsedTime);
    }
    EXPECT_EQ(h.Progress.back().BytesRead, 30000);
}

TEST(Transfer, ProgressComesPerChunkOfTheTransferBufferSize) {
    TransferHarness h;
    h.Http.URL = Server("/body?size=100000");
    h.Http.SetTransferBufferSize(10000);
    h.Run();
    ASSERT_EQ(h.Progress.size(), 10U);
    for (std::size_t i = 0; i < h.Progress.size(); ++i) {
        const ProgressRecord& p = h.Progress[i];
        EXPECT_EQ(p.DataSize, 100000);
        EXPECT_EQ(p.BytesRead, static_cast<std::int64_t>(i + 1) * 10000);
        EXPECT_EQ(p.PercentsDone, (i + 1) * 10);
        if (p.ElapsedTime == 0) {
            EXPECT_FLOAT_EQ(p.TransferRate, static_cast<float>(p.BytesRead / 1024.0));
        }
    }
    EXPECT_EQ(TWinHTTP().TransferBufferSize(), 4096);
    h.Http.SetTransferBufferSize(1);
    EXPECT_EQ(h.Http.TransferBufferSize(), 255);
}

TEST(Transfer, HostileLengthDoesNotReserveWhatItAnnounces) {
    TransferHarness h;
    h.Http.URL = Server("/hostile");
    h.Run();
    EXPECT_EQ(h.EventNames(), "ConnLost AnyError");
    EXPECT_EQ(h.FileSize, 2000000000);
    EXPECT_EQ(h.BytesRead, 1000);
    EXPECT_LE(h.StreamCapacity, static_cast<std::size_t>(TMemoryStream::kPresizeLimit));
}

TEST(Transfer, MemoryStreamGrowsWithTheDataBeyondItsPresize) {
    TMemoryStream stream;
    stream.Presize(3LL << 30);
    EXPECT_EQ(stream.Capacity(), static_cast<std::size_t>(TMemoryStream::kPresizeLimit));
    TMemoryStream unannounced;
    const std::string piece = BodyBytes(0, 100000);
    for (int i = 0; i < 30; ++i) {
        ASSERT_TRUE(unannounced.Write(piece.data(), piece.size()));
    }
    EXPECT_EQ(unannounced.Size(), 3000000);
    std::string back(100000, '\0');
    unannounced.Seek(2900000);
    EXPECT_EQ(unannounced.Read(back.data(), back.size()), 100000U);
    EXPECT_EQ(back, piece);
}

TEST(Transfer, OutputFileGetsTheBodyAndItsAttributes) {
    struct Case {
        const char* Name;
        TWinHTTPFileAttributes Incomplete;
        TWinHTTPFileAttributes Complete;
        bool WritableWhileRunning;
        bool WritableAtTheEnd;
    };
    const Case cases[] = {
        {"defaults", {atrArchive, atrTemporary}, {atrArchive}, true, true},
        {"read-only while incomplete", {atrReadOnly}, {atrArchive}, false, true},
        {"read-only when complete", {atrArchive}, {atrArchive, atrReadOnly}, true, false},
        {"others have no meaning here", {atrHidden, atrSystem, atrOffline}, {atrArchive}, true, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        TransferHarness h;
        h.Http.URL = Server("/body?size=50000");
        h.Http.OutputFileName = dir.File("out.bin");
        h.Http.OutputFileAttributes = {c.Complete, c.Incomplete};
        bool writableWhileRunning = false;
        h.Http.OnProgress = [&](auto&&...) {
            struct stat info {};
            stat(dir.File("out.bin").c_str(), &info);
            writableWhileRunning = (info.st_mode & S_IWUSR) != 0;
        };
        h.Run();
        EXPECT_EQ(h.EventNames(), "Done") << c.Name;
        EXPECT_EQ(h.FileSize, 50000) << c.Name;
        EXPECT_EQ(ReadTextFile(dir.File("out.bin")), BodyBytes(0, 50000)) << c.Name;
        struct stat info {};
        stat(dir.File("out.bin").c_str(), &info);
        EXPECT_EQ(writableWhileRunning, c.WritableWhileRunning) << c.Name;
        EXPECT_EQ((info.st_mode & S_IWUSR) != 0, c.WritableAtTheEnd) << c.Name;
        chmod(dir.File("out.bin").c_str(), 0644);
    }
    EXPECT_EQ(FileAttributeValue({atrArchive, atrTemporary}), 0x120U);
    EXPECT_EQ(FileAttributeValue({atrReadOnly, atrHidden, atrSystem, atrOffline}), 0x1007U);
}

TEST(Transfer, ErrorAnswerLeavesNoOutputFile) {
    TempDir dir;
    TransferHarness h;
    h.Http.URL = Server("/status?code=500");
    h.Http.OutputFileName = dir.File("out.bin");
    h.Run();
    EXPECT_EQ(h.EventNames(), "HTTPError AnyError");
    EXPECT_EQ(h.Body, "<html>error page 500</html>");
    struct stat info {};
    EXPECT_NE(stat(dir.File("out.bin").c_str(), &info), 0);
}

TEST(Transfer, OutputFileThatCannotBeCreated) {
    struct Case {
        std::string Url;
        const char* Events;
    };
    // With a length the transfer gives up; without one the body comes in memory instead.
    const Case cases[] = {
        {Server("/body?size=1000"), "AnyError OutputFileError"},
        {Server("/chunked?size=1000"), "Done"},
    };
    for (const Case& c : cases) {
        TransferHarness h;
        h.Http.URL = c.Url;
        h.Http.OutputFileName = "/nonexistent-folder/out.bin";
        h.Run();
        EXPECT_EQ(h.EventNames(), c.Events) << c.Url;
    }
}

TEST(Transfer, HeaderInfoReportsEveryValue) {
    TransferHarness h;
    h.Http.URL = Server("/dates");
    int calls = 0;
    std::string raw, type, language, encoding, etag, location;
    std::int64_t length = -1;
    TDateTime date = 0, lastModified = 0, expires = 0;
    std::thread::id thread;
    h.Http.OnHeaderInfo = [&](TWinHTTP&, std::int32_t code, const std::string& rawHeaders,
                              const std::string& contentType, const std::string& contentLanguage,
                              const std::string& contentEncoding, std::int64_t contentLength,
                              const std::string& loc, TDateTime d, TDateTime lm, TDateTime ex,
                              const std::string& tag, bool&) {
        ++calls;
        EXPECT_EQ(code, 200);
        raw = rawHeaders, type = contentType, language = contentLanguage;
        encoding = contentEncoding, length = contentLength, location = loc;
        date = d, lastModified = lm, expires = ex, etag = tag;
        thread = std::this_thread::get_id();
    };
    h.Run();
    EXPECT_EQ(h.EventNames(), "Done");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(thread, std::this_thread::get_id());
    EXPECT_EQ(raw.substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_NE(raw.find("\r\nETag: \"abc\"\r\n"), std::string::npos);
    EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
    EXPECT_EQ(type, "text/plain; charset=utf-8");
    EXPECT_EQ(h.ContentType, type);
    EXPECT_EQ(language, "de");
    EXPECT_EQ(encoding, "identity");
    EXPECT_EQ(length, 5);
    EXPECT_EQ(location, "");
    EXPECT_EQ(etag, "\"abc\"");
    const TDateTime expected = UtcToLocalDateTime(34644.0 + (8 * 3600 + 49 * 60 + 37) / 86400.0);
    EXPECT_NEAR(date, expected, 1e-9);
    EXPECT_NEAR(lastModified, expected, 1e-9);
    EXPECT_NEAR(expires, expected, 1e-9);
}

TEST(Transfer, HeaderTooLongForTheQueryBufferCountsAsAbsent) {
    TransferHarness h;
    h.Http.URL = Server("/longheader");
    std::string etag = "unset", language;
    h.Http.OnHeaderInfo = [&](TWinHTTP&, std::int32_t, const std::string&, const std::string&,
                              const std::string& lang, const std::string&, std::int64_t,
                              const std::string&, TDateTime, TDateTime, TDateTime,
                              const std::string& tag, bool&) {
        etag = tag;
        language = lang;
    };
    h.Run();
    EXPECT_EQ(etag, "");
    EXPECT_EQ(language, "en");
}

TEST(Transfer, StoppingAtTheHeadersEndsWithDoneInterruptedOnly) {
    TempDir dir;
    TransferHarness h;
    h.Http.URL = Server("/body?size=100000");
    h.Http.OutputFileName = dir.File("never.bin");
    h.Http.OnHeaderInfo = [&](TWinHTTP&, std::int32_t, const std::string&, const std::string&,
                              const std::string&, const std::string&, std::int64_t,
                              const std::string&, TDateTime, TDateTime, TDateTime,
                              const std::string&, bool& continueDownload) {
        continueDownload = false;
    };
    h.Run();
    EXPECT_EQ(h.EventNames(), "DoneInterrupted");
    EXPECT_TRUE(h.Progress.empty());
    struct stat info {};
    EXPECT_NE(stat(dir.File("never.bin").c_str(), &info), 0);
}

TEST(Transfer, SoftAbortDeletesThePartialFileWhenAsked) {
    for (bool deleteFile : {true, false}) {
        TempDir dir;
        TransferHarness h;
        h.Http.URL = Server("/stream");
        h.Http.OutputFileName = dir.File("partial.bin");
        h.Http.OnProgress = [&](TWinHTTP& sender, auto&&...) { sender.Abort(deleteFile, false); };
        h.Run();
        EXPECT_EQ(h.EventNames(), "Aborted");
        struct stat info {};
        EXPECT_EQ(stat(dir.File("partial.bin").c_str(), &info) != 0, deleteFile);
    }
}

TEST(Transfer, StallBeyondTheReceiveTimeoutEndsTheTransfer) {
    TransferHarness h;
    h.Http.URL = Server("/chunked?size=5000&delay=4000");
    h.Http.Timeouts.ReceiveTimeout = 1000;
    h.Run();
    EXPECT_EQ(h.Count("Done"), 0);
    EXPECT_EQ(h.Count("AnyError"), 1);
}

TEST(Transfer, BlockingReadThatRunsOutOfTime) {
    for (bool terminate : {true, false}) {
        TransferHarness h;
        h.Http.URL = Server("/chunked?size=4000&delay=400");
        h.Http.WaitTimeout = 100;
        int expired = 0;
        h.Http.OnWaitTimeoutExpired = [&](TWinHTTP&, bool& terminateThread) {
            ++expired;
            terminateThread = terminate;
        };
        h.Http.OnProgress = nullptr;
        EXPECT_EQ(h.Http.Read(true), !terminate);
        EXPECT_EQ(expired, 1);
        if (terminate) {
            EXPECT_FALSE(h.Http.Busy());
            h.Main.WaitAndProcess(std::chrono::milliseconds(50));
            EXPECT_EQ(h.EventNames(), "");
        } else {
            EXPECT_TRUE(h.Http.Busy());
            h.WaitIdle();
            EXPECT_EQ(h.EventNames(), "Done");
        }
    }
}

TEST(Transfer, BlockingReadWithoutLimitReturnsAfterTheEnd) {
    TransferHarness h;
    h.Http.URL = Server("/chunked?size=5000&delay=5");
    EXPECT_TRUE(h.Http.Read(true));
    EXPECT_FALSE(h.Http.Busy());
    EXPECT_EQ(h.EventNames(), "Done");
    EXPECT_FALSE(h.Progress.empty());
}

TEST(Transfer, BeforeSendRequestRunsInTheWorkerWithTheOpenRequest) {
    TransferHarness h;
    h.Http.URL = Server("/body?size=10");
    std::vector<std::pair<void*, std::thread::id>> calls;
    h.Http.OnBeforeSendRequest = [&](TWinHTTP&, void* request) {
        calls.emplace_back(request, std::this_thread::get_id());
    };
    h.Run();
    EXPECT_EQ(h.EventNames(), "Done");
    ASSERT_EQ(calls.size(), 1U);
    EXPECT_NE(calls[0].first, nullptr);
    EXPECT_NE(calls[0].second, std::this_thread::get_id());

    h.Events.clear();
    calls.clear();
    h.Http.WorkOffline = true;
    h.Run();
    EXPECT_EQ(h.EventNames(), "HostUnreachable AnyError");
    EXPECT_TRUE(calls.empty());
}

TEST(Transfer, HandlerExceptions) {
    // One in a synchronized event is dropped and the transfer goes on; one in a completion
    // event becomes OnAnyError, and the component is free for the next transfer.
    TransferHarness h;
    h.Http.URL = Server("/body?size=20000");
    auto done = h.Http.OnDone;
    h.Http.OnProgress = [](auto&&...) { throw std::runtime_error("progress handler"); };
    h.Http.OnDone = [&](TWinHTTP& sender, const std::string& type, std::int64_t size, TStream* s) {
        done(sender, type, size, s);
        throw std::runtime_error("done handler");
    };
    h.Run();
    EXPECT_EQ(h.EventNames(), "Done AnyError");
    EXPECT_FALSE(h.Http.Busy());
    h.Http.OnDone = done;
    h.Run();
    EXPECT_EQ(h.EventNames(), "Done AnyError Done");
}

TEST(Transfer, StatusTexts) {
    const std::pair<int, const char*> table[] = {
        {10, "Resolving name"},      {11, "Name resolved"},        {20, "Connecting to server"},
        {21, "Connected"},           {30, "Sending Request"},      {31, "Request sent"},
        {40, "Receiving response"},  {41, "Response received"},    {42, "CTL Response received"},
        {43, "Prefetch"},            {50, "Closing connection"},   {51, "Connection closed"},
        {60, "Handle created"},      {70, "Handle closing"},       {100, "Request complete"},
        {110, "Redirect"},           {120, "Intermediate response"}, {200, "State change"},
        {0, "Unknown status"},       {111, "Unknown status"},
    };
    for (const auto& [status, text] : table) {
        EXPECT_EQ(StatusText(status), text) << status;
    }
}

}  // namespace
}  // namespace mw::test
