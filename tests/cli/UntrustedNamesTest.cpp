#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw {
namespace {

namespace fs = std::filesystem;

// A TCP port on 127.0.0.1 that counts the connections made to it.
class Listener {
public:
    Listener() {
        m_socket = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        auto* generic = reinterpret_cast<sockaddr*>(&address);
        if (m_socket < 0 || bind(m_socket, generic, size) != 0 || listen(m_socket, 64) != 0 ||
            getsockname(m_socket, generic, &size) != 0) {
            throw std::runtime_error("no loopback listener");
        }
        m_port = ntohs(address.sin_port);
    }
    ~Listener() { close(m_socket); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    std::string Port() const { return std::to_string(m_port); }
    int Connections() {
        for (int client; (client = accept(m_socket, nullptr, nullptr)) >= 0;) {
            close(client);
            ++m_connections;
        }
        return m_connections;
    }

private:
    int m_socket = -1;
    int m_port = 0;
    int m_connections = 0;
};

// The command run inside a folder, so that relative names reach it as they are, with a
// time limit: a name that blocks the program fails the test instead of holding it up.
test::ProcessResult CliIn(const std::string& folder, std::vector<std::string> args) {
    args.insert(args.begin(),
                {"sh", "-c", "cd \"$0\" && exec timeout -k 5 30 \"$@\"", folder, MW_CLI});
    return test::RunProcess(args);
}

void WriteTone(const std::string& path, double seconds) {
    test::FixturePlan tone;
    tone.AudioCodec = "pcm_s16le";
    tone.Format = "wav";
    tone.Seconds = seconds;
    test::WriteFixture(path, tone);
}

// The one file a run wrote into a folder: a tone of the given length, decoding cleanly.
void ExpectOneTone(const std::string& folder, double seconds) {
    ASSERT_TRUE(fs::is_directory(folder));
    const std::vector<fs::directory_entry> written{fs::directory_iterator(folder),
                                                   fs::directory_iterator()};
    ASSERT_EQ(written.size(), 1u);
    const std::string path = written.front().path().string();
    auto info = test::FFprobe(path);
    EXPECT_EQ(info["format.nb_streams"], "1");
    EXPECT_EQ(info["streams.stream.0.codec_type"], "audio");
    EXPECT_NEAR(std::stod(info["format.duration"]), seconds, 0.1);
    EXPECT_TRUE(test::DecodesCleanly(path));
}

TEST(UntrustedNames, NamesThatSpellProtocolsAreFilesAndReachNoNetwork) {
    Listener listener;
    const std::string port = listener.Port();
    test::TempDir dir;
    const std::string tone = dir.File("tone.wav");
    WriteTone(tone, 0.5);
    // A longer file that a name of the "subfile" syntax would read instead of itself.
    WriteTone(dir.File("other.wav"), 1.5);

    const std::vector<std::string> localNames = {
        "tcp:127.0.0.1:" + port,
        "http:127.0.0.1:" + port,
        "subfile,,start,0,end,0,,:tcp:127.0.0.1:" + port,
        "subfile,,start,0,end,0,,:other.wav",
        "concat:other.wav|other.wav",
    };
    for (std::size_t i = 0; i < localNames.size(); ++i) {
        const std::string& name = localNames[i];
        SCOPED_TRACE(name);
        fs::copy_file(tone, dir.File(name));
        const test::ProcessResult probe = CliIn(dir.Path(), {"probe", "--", name});
        EXPECT_EQ(probe.ExitCode, 0) << probe.Err;
        const std::string out = "convert" + std::to_string(i);
        const test::ProcessResult convert =
            CliIn(dir.Path(), {"convert", "--format", "MP3", "--out", out, "--", name});
        EXPECT_EQ(convert.ExitCode, 0) << convert.Err;
        ExpectOneTone(dir.File(out), 0.5);
        // The output takes a protocol's name too: it is a file in the folder all the same.
        const std::string transcoded = "transcode" + std::to_string(i);
        fs::create_directory(dir.File(transcoded));
        const test::ProcessResult transcode =
            CliIn(dir.Path(), {"transcode", "-o", transcoded + "/" + name + ".mp3", "--", name});
        EXPECT_EQ(transcode.ExitCode, 0) << transcode.Err;
        ExpectOneTone(dir.File(transcoded), 0.5);
    }
    const test::ProcessResult output =
        CliIn(dir.Path(), {"transcode", "-o", "tcp:127.0.0.1:" + port + ".mp3", "tone.wav"});
    EXPECT_EQ(output.ExitCode, 0) << output.Err;
    EXPECT_TRUE(fs::is_regular_file(dir.File("tcp:127.0.0.1:" + port + ".mp3")));

    // Addresses of protocols the program does not use are refused before anything opens.
    const std::vector<std::string> addresses = {
        "tcp://127.0.0.1:" + port,
        "rtmp://127.0.0.1:" + port + "/live",
        "file://" + tone,
    };
    for (const std::string& address : addresses) {
        SCOPED_TRACE(address);
        const std::string refusal =
            address + ": not opened; only files and http or https addresses are";
        const test::ProcessResult probe = CliIn(dir.Path(), {"probe", address});
        EXPECT_EQ(probe.ExitCode, 1);
        EXPECT_NE(probe.Err.find(refusal), std::string::npos) << probe.Err;
        const test::ProcessResult read = CliIn(dir.Path(), {"transcode", "-o", "x.mp3", address});
        EXPECT_EQ(read.ExitCode, 1);
        EXPECT_NE(read.Err.find(refusal), std::string::npos) << read.Err;
        const test::ProcessResult write =
            CliIn(dir.Path(), {"transcode", "-o", address + "/x.mp3", "tone.wav"});
        EXPECT_EQ(write.ExitCode, 1);
        EXPECT_NE(write.Err.find(address + "/x.mp3: not opened"), std::string::npos) << write.Err;
    }
    EXPECT_FALSE(fs::exists(dir.File("x.mp3")));
    EXPECT_EQ(listener.Connections(), 0);
}

TEST(UntrustedNames, InputsThatAreNotFilesAreRefused) {
    test::TempDir dir;
    const std::string fifo = dir.File("pipe.mp3");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = dir.File("zero.wav");
    fs::create_symlink("/dev/zero", zero);
    for (const std::string& input : {fifo, zero, std::string("/dev/zero")}) {
        SCOPED_TRACE(input);
        const std::string refusal = input + ": not a regular file";
        const test::ProcessResult probe = CliIn(dir.Path(), {"probe", input});
        EXPECT_EQ(probe.ExitCode, 1);
        EXPECT_NE(probe.Err.find(refusal), std::string::npos) << probe.Err;
        const test::ProcessResult convert =
            CliIn(dir.Path(), {"convert", "--format", "MP3", "--out", "out", input});
        EXPECT_EQ(convert.ExitCode, 1);
        EXPECT_NE(convert.Err.find("File (0): " + refusal), std::string::npos) << convert.Err;
        const test::ProcessResult transcode =
            CliIn(dir.Path(), {"transcode", "-o", "x.mp3", input});
        EXPECT_EQ(transcode.ExitCode, 1);
        EXPECT_NE(transcode.Err.find(refusal), std::string::npos) << transcode.Err;
        const test::ProcessResult thumbnail = CliIn(dir.Path(), {"thumbnail", input, "x.png"});
        EXPECT_EQ(thumbnail.ExitCode, 1);
        EXPECT_NE(thumbnail.Err.find(refusal), std::string::npos) << thumbnail.Err;
    }
    EXPECT_FALSE(fs::exists(dir.File("x.mp3")));
    EXPECT_FALSE(fs::exists(dir.File("x.png")));
    EXPECT_TRUE(fs::is_empty(dir.File("out")) || !fs::exists(dir.File("out")));
}

TEST(UntrustedNames, EditionFilesThatAreNoTextFilesGiveTheDefaults) {
    test::TempDir dir;
    const std::string fifo = dir.File("fifo.dll");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = dir.File("zero.dll");
    fs::create_symlink("/dev/zero", zero);
    const std::string large = dir.File("large.dll");
    test::WriteTextFile(large, "[SYSTEM]\nName=Large\n" + std::string(2 * 1024 * 1024, ';'));
    for (const std::string& path : {fifo, zero, large}) {
        SCOPED_TRACE(path);
        const test::ProcessResult edition = CliIn(dir.Path(), {"edition", path});
        EXPECT_EQ(edition.ExitCode, 0) << edition.Err;
        EXPECT_NE(edition.Err.find(path + " is not a readable text file of at most 1048576 bytes"),
                  std::string::npos)
            << edition.Err;
        EXPECT_NE(edition.Out.find("Name:           \n"), std::string::npos) << edition.Out;
    }
    EXPECT_EQ(fs::symlink_status(fifo).type(), fs::file_type::fifo);
}

}  // namespace
}  // namespace mw
