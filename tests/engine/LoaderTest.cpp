#include <gtest/gtest.h>

extern "C" {
#include <libavutil/version.h>
}

#include "engine/FFmpegLoader.h"
#include "engine/files/UnicodeProtocol.h"

namespace mw {
namespace {

TEST(Loader, MismatchedLibraryNamesTheFileAndLoadsNothing) {
    TFFmpegLoader& loader = TFFmpegLoader::Instance();
    ASSERT_TRUE(LoadLibraries("/opt/mw/lib"));
    EXPECT_TRUE(LibrariesLoaded());

    std::vector<LibraryVersion> libraries(LinkedLibraries().begin(), LinkedLibraries().end());
    LibraryVersion& format = libraries[2];
    ASSERT_EQ(format.Name, "avformat");
    const unsigned actual = AV_VERSION_MAJOR(format.RuntimeVersion);
    format.BuiltMajor = actual - 1;
    const std::string expected =
        "Load library /opt/mw/lib/" + LibraryFileName("avformat", actual - 1) + " error: version " +
        std::to_string(actual) + " found, " + std::to_string(actual - 1) + " expected";
    for (const char* path : {"/opt/mw/lib", "/opt/mw/lib/"}) {
        EXPECT_FALSE(loader.Load(path, libraries));
        EXPECT_EQ(loader.LastError(), expected);
        EXPECT_FALSE(LibrariesLoaded());
        EXPECT_FALSE(loader.Loaded(FFLibrary::AVCodec));  // nothing of the set stays loaded
    }
    EXPECT_TRUE(LoadLibraries("/opt/mw/lib"));
    EXPECT_TRUE(loader.Loaded(FFLibrary::AVFormat));
    EXPECT_EQ(LibraryFileName("avcodec", 59), "libavcodec.so.59");
}

TEST(LibraryNames, OnlyAddressesReachAProtocol) {
    struct Case {
        const char* Name;
        const char* LibraryName;
        const char* Protocols;
    };
    const Case cases[] = {
        {"/home/u/Vidéos/clip.mp4", "/home/u/Vidéos/clip.mp4", "file"},
        {"unicode:utf8:/home/u/日本.mp4", "/home/u/日本.mp4", "file"},
        {"UNICODE:UTF8:/x.mp4", "/x.mp4", "file"},
        {"unicode:utf8:http:x.mp4", "file:http:x.mp4", "file"},
        {"unicode:utf8:", "", "file"},  // too short to carry a name
        // A name with a ":" is a local file, whatever protocol it spells.
        {"udp:239.0.0.1:1234", "file:udp:239.0.0.1:1234", "file"},
        {"tcp:127.0.0.1:9999", "file:tcp:127.0.0.1:9999", "file"},
        {"subfile,,start,0,end,0,,:a.mp4", "file:subfile,,start,0,end,0,,:a.mp4", "file"},
        {"take:1.mp4", "file:take:1.mp4", "file"},
        {"file:a.mp4", "file:file:a.mp4", "file"},
        {"/music/a:b.mp3", "file:/music/a:b.mp3", "file"},
        {"clips/x://y.mp4", "file:clips/x://y.mp4", "file"},
        // Only "scheme://" is an address, and only the web's are opened.
        {"http://host/a.flv", "http://host/a.flv", "http,https,tcp,tls,httpproxy"},
        {"HTTPS://host/a.flv", "HTTPS://host/a.flv", "http,https,tcp,tls,httpproxy"},
        {"tcp://127.0.0.1:9999", "tcp://127.0.0.1:9999", ""},
        {"file:///etc/passwd", "file:///etc/passwd", ""},
        {"concat://a.mp4", "concat://a.mp4", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string library = ToLibraryName(c.Name);
        EXPECT_EQ(library, c.LibraryName);
        EXPECT_EQ(AllowedProtocols(library), c.Protocols);
        if (std::string_view(c.Protocols) == "file") {
            EXPECT_EQ(FromLibraryName(library), LocalFilePath(c.Name));
        } else {
            EXPECT_EQ(LocalFilePath(c.Name), "");
        }
    }
}

}  // namespace
}  // namespace mw
