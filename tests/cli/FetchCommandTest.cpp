#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/LocalHttpServer.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

using test::LocalHttpServer;

[[maybe_unused]] const LocalHttpServer& g_servers = LocalHttpServer::Instance();

test::ProcessResult Fetch(std::vector<std::string> args) {
    args.insert(args.begin(), {MW_CLI, "fetch"});
    return test::RunProcess(args);
}

std::string Url(const std::string& path) {
    return LocalHttpServer::Instance().Url(path);
}

TEST(Fetch, EventLinesAndExitStatus) {
    struct Case {
        std::string Path;
        std::vector<std::string> Extra;
        int ExitCode;
        std::string Err;
        std::string Out;
    };
    const std::string closed =
        "http://127.0.0.1:" + std::to_string(LocalHttpServer::Instance().ClosedPort()) + "/";
    const Case cases[] = {
        {"/body?size=5000", {}, 0, "Done: 5000 bytes\n", test::BodyBytes(0, 5000)},
        {"/redirect?hops=2", {}, 0,
         "Redirected: " + Url("/redirect?hops=1") + "\nRedirected: " + Url("/body?size=100") +
             "\nDone: 100 bytes\n",
         test::BodyBytes(0, 100)},
        {"/status?code=404", {}, 1, "HTTP error: 404\n", ""},
        {"/cut?size=10000&sent=4000", {}, 1, "Connection lost: 4000 of 10000 bytes\n", ""},
        {"/auth", {"--user", "user:secret"}, 0, "Done: 7 bytes\n", "welcome"},
        {"/auth", {"--user", "user:wrong"}, 1, "HTTP error: 401\n", ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.Extra;
        args.push_back(Url(c.Path));
        const test::ProcessResult result = Fetch(args);
        EXPECT_EQ(result.ExitCode, c.ExitCode) << c.Path << result.Err;
        EXPECT_EQ(result.Err, c.Err) << c.Path;
        EXPECT_TRUE(result.Out == c.Out) << c.Path;
    }
    const test::ProcessResult unreachable = Fetch({closed});
    EXPECT_EQ(unreachable.ExitCode, 1);
    EXPECT_EQ(unreachable.Err.rfind("Host unreachable", 0), 0U) << unreachable.Err;
}

TEST(Fetch, HeadersAndOutputFile) {
    test::TempDir dir;
    const test::ProcessResult echo =
        Fetch({"--header", "X-Test: one", "--header", "X-Other: two", Url("/echo")});
    EXPECT_EQ(echo.ExitCode, 0);
    EXPECT_NE(echo.Out.find("X-Other: two\nX-Test: one\n"), std::string::npos) << echo.Out;

    const test::ProcessResult toFile = Fetch({"-o", dir.File("out.bin"), Url("/chunked?size=30000")});
    EXPECT_EQ(toFile.ExitCode, 0) << toFile.Err;
    EXPECT_EQ(toFile.Out, "");
    EXPECT_EQ(toFile.Err, "Done: 30000 bytes\n");
    EXPECT_TRUE(test::ReadTextFile(dir.File("out.bin")) == test::BodyBytes(0, 30000));

    const test::ProcessResult badFolder = Fetch({"-o", "/nonexistent-folder/x", Url("/body")});
    EXPECT_EQ(badFolder.ExitCode, 1);
    EXPECT_EQ(badFolder.Err, "Output file error\n");
}

TEST(Fetch, ResumeContinuesAPartialFile) {
    struct Case {
        const char* Name;
        std::string Existing;
    };
    const Case cases[] = {
        {"the start of the body", test::BodyBytes(0, 123457)},
        {"other bytes", std::string(123457, 'z')},
        {"no file yet", ""},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        const std::string path = dir.File("part.bin");
        if (!c.Existing.empty()) {
            test::WriteTextFile(path, c.Existing);
        }
        const test::ProcessResult result = Fetch({"-o", path, "--resume", Url("/body?size=400000")});
        EXPECT_EQ(result.ExitCode, 0) << c.Name << result.Err;
        EXPECT_EQ(result.Err, "Done: 400000 bytes\n") << c.Name;
        EXPECT_TRUE(test::ReadTextFile(path) == test::BodyBytes(0, 400000)) << c.Name;
    }
}

TEST(Fetch, UsageAndHelp) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"--resume", Url("/body")},
        {"--user", "nocolon", Url("/body")},
        {"-o"},
        {"--bogus", Url("/body")},
        {Url("/body"), Url("/body")},
    };
    for (const auto& args : wrong) {
        const test::ProcessResult result = Fetch(args);
        EXPECT_EQ(result.ExitCode, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(result.Err.find("usage: mediawizard-cli fetch"), std::string::npos) << result.Err;
    }
    const test::ProcessResult help = Fetch({"--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_EQ(help.Out.rfind("usage: mediawizard-cli fetch [-o FILE] [--resume]", 0), 0U) << help.Out;
}

TEST(Fetch, InterruptAbortsSoftlyAndKeepsThePartialFile) {
    test::TempDir dir;
    const std::string path = dir.File("stream.bin");
    const std::string errPath = dir.File("err.txt");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(err, STDERR_FILENO);
        const std::string url = Url("/stream");
        execl(MW_CLI, MW_CLI, "fetch", "-o", path.c_str(), url.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    struct stat info {};
    while ((stat(path.c_str(), &info) != 0 || info.st_size < 8192) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(test::ReadTextFile(errPath), "Aborted\n");
    const std::string kept = test::ReadTextFile(path);
    EXPECT_GE(kept.size(), 8192U);
    EXPECT_TRUE(kept == test::BodyBytes(0, static_cast<std::int64_t>(kept.size())));
}

}  // namespace
}  // namespace mw
