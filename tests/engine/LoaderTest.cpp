#include <gtest/gtest.h>

extern "C" {
#include <libavutil/version.h>
}

#include "engine/FFmpegLoader.h"
#include "engine/UnicodeProtocol.h"

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

TEST(LibraryNames, WhatTheLibrariesAreHanded) {
    struct Case {
        const char* Name;
        const char* LibraryName;
        const char* FileName;
    };
    const Case cases[] = {
        {"/home/u/Vidéos/clip.mp4", "/home/u/Vidéos/clip.mp4", "/home/u/Vidéos/clip.mp4"},
        {"unicode:utf8:/home/u/日本.mp4", "/home/u/日本.mp4", "/home/u/日本.mp4"},
        {"UNICODE:UTF8:/x.mp4", "/x.mp4", "/x.mp4"},
        {"udp:239.0.0.1:1234", "udp:239.0.0.1:1234", "udp:239.0.0.1:1234"},
        {"http://host/a.flv", "http://host/a.flv", "http://host/a.flv"},
        {"take:1.mp4", "file:take:1.mp4", "take:1.mp4"},
        {"/music/a:b.mp3", "/music/a:b.mp3", "/music/a:b.mp3"},
        {"unicode:utf8:", "", "unicode:utf8:"},  // too short to carry a name
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToLibraryName(c.Name), c.LibraryName) << c.Name;
        EXPECT_EQ(FromLibraryName(c.Name), c.FileName) << c.Name;
    }
    EXPECT_TRUE(HasProtocolPrefix("Pipe:0"));
    EXPECT_FALSE(HasProtocolPrefix("C:/clip.avi"));
    EXPECT_FALSE(HasProtocolPrefix("unicodex:a"));
}

}  // namespace
}  // namespace mw
