#include <gtest/gtest.h>

#include <random>

#include "TransferSupport.h"
#include "support/TempDir.h"

namespace mw::test {
namespace {

constexpr std::int64_t kFiftyMegabytes = 50LL << 20;

// Continues a partial file the way a caller does: one transfer buffer before its end, so that
// the first chunk received is checked against the bytes already there.
void Resume(TransferHarness& h, const std::string& path) {
    const auto size = static_cast<std::int64_t>(ReadTextFile(path).size());
    h.Run(std::max<std::int64_t>(size - h.Http.TransferBufferSize(), 0));
}

TEST(Resume, InterruptedAtARandomByteEndsIdentical) {
    std::mt19937_64 random(std::random_device{}());
    const std::int64_t cut = std::uniform_int_distribution<std::int64_t>(1, kFiftyMegabytes - 1)(random);
    SCOPED_TRACE("cut at byte " + std::to_string(cut));
    TempDir dir;
    const std::string path = dir.File("big.bin");
    {
        TransferHarness first;
        first.Http.URL = Server("/cut?size=" + std::to_string(kFiftyMegabytes) + "&sent=" + std::to_string(cut));
        first.Http.OutputFileName = path;
        first.Run();
        ASSERT_EQ(first.EventNames(), "ConnLost AnyError");
        ASSERT_EQ(ReadTextFile(path).size(), static_cast<std::size_t>(cut));
    }
    TransferHarness second;
    second.Http.URL = Server("/body?size=" + std::to_string(kFiftyMegabytes));
    second.Http.OutputFileName = path;
    second.Http.OnProgress = nullptr;
    Resume(second, path);
    EXPECT_EQ(second.EventNames(), "Done");
    EXPECT_EQ(second.FileSize, kFiftyMegabytes);
    EXPECT_TRUE(ReadTextFile(path) == BodyBytes(0, kFiftyMegabytes));
}

TEST(Resume, PartialFileThatDiffersStartsOverAndEndsIdentical) {
    struct Case {
        const char* Name;
        std::string Existing;
        std::int64_t ServerSize;
    };
    const Case cases[] = {
        {"first chunk differs", std::string(100000, 'x'), 300000},
        {"shorter than the offset asked", BodyBytes(0, 1000), 300000},
        {"longer than the body (416)", BodyBytes(0, 400000), 300000},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.File("partial.bin");
        WriteTextFile(path, c.Existing);
        TransferHarness h;
        h.Http.URL = Server("/body?size=" + std::to_string(c.ServerSize));
        h.Http.OutputFileName = path;
        if (std::string(c.Name) == "shorter than the offset asked") {
            h.Run(50000);
        } else {
            Resume(h, path);
        }
        EXPECT_EQ(h.EventNames(), "Done") << c.Name;
        EXPECT_EQ(h.FileSize, c.ServerSize) << c.Name;
        EXPECT_TRUE(ReadTextFile(path) == BodyBytes(0, c.ServerSize)) << c.Name;
        EXPECT_EQ(LocalHttpServer::Instance().LastRange(), "") << c.Name;
    }
}

TEST(Resume, ProgressCountsTheBytesAlreadyThere) {
    TempDir dir;
    const std::string path = dir.File("partial.bin");
    WriteTextFile(path, BodyBytes(0, 60000));
    TransferHarness h;
    h.Http.URL = Server("/body?size=100000");
    h.Http.OutputFileName = path;
    h.Http.SetTransferBufferSize(10000);
    Resume(h, path);
    EXPECT_EQ(h.EventNames(), "Done");
    EXPECT_EQ(LocalHttpServer::Instance().LastRange(), "bytes=50000-");
    ASSERT_EQ(h.Progress.size(), 5U);
    EXPECT_EQ(h.Progress.front().DataSize, 100000);
    EXPECT_EQ(h.Progress.front().BytesRead, 60000);
    EXPECT_EQ(h.Progress.front().PercentsDone, 60);
    EXPECT_EQ(h.Progress.back().BytesRead, 100000);
    EXPECT_EQ(h.FileSize, 100000);
    EXPECT_TRUE(ReadTextFile(path) == BodyBytes(0, 100000));
}

TEST(Resume, FileAlreadyCompleteIsReportedAsAnOutputFileError) {
    TempDir dir;
    const std::string path = dir.File("done.bin");
    WriteTextFile(path, BodyBytes(0, 5000));
    TransferHarness h;
    h.Http.URL = Server("/body?size=5000");
    h.Http.OutputFileName = path;
    h.Run(5000);
    EXPECT_EQ(h.EventNames(), "AnyError OutputFileError");
    EXPECT_TRUE(ReadTextFile(path) == BodyBytes(0, 5000));
}

}  // namespace
}  // namespace mw::test
