#include <gtest/gtest.h>

#include "http/CurlOptions.h"
#include "http/UrlParts.h"

namespace mw {
namespace {

TEST(UrlParts, Splitting) {
    struct Case {
        const char* Url;
        const char* Scheme;
        const char* Host;
        int Port;
        const char* User;
        const char* Password;
        const char* Path;
        const char* Extra;
    };
    const Case cases[] = {
        {"http://example.com/a/b?x=1#f", "http", "example.com", 80, "", "", "/a/b", "?x=1#f"},
        {"example.com/page", "http", "example.com", 80, "", "", "/page", ""},
        {"HTTPS://Host:8443", "https", "Host", 8443, "", "", "", ""},
        {"http://u%40x:p%3Aw@h/", "http", "h", 80, "u@x", "p:w", "/", ""},
        {"http://h/a%20b?q=%3D", "http", "h", 80, "", "", "/a b", "?q="},
        {"file:///tmp/x.bin", "file", "", 0, "", "", "/tmp/x.bin", ""},
        {"http://[::1]:81/", "http", "[::1]", 81, "", "", "/", ""},
    };
    for (const Case& c : cases) {
        TUrlParts parts;
        ASSERT_TRUE(SplitUrl(c.Url, parts)) << c.Url;
        EXPECT_EQ(parts.Scheme, c.Scheme) << c.Url;
        EXPECT_EQ(parts.HostName, c.Host) << c.Url;
        EXPECT_EQ(parts.Port, c.Port) << c.Url;
        EXPECT_EQ(parts.UserName, c.User) << c.Url;
        EXPECT_EQ(parts.Password, c.Password) << c.Url;
        EXPECT_EQ(parts.UrlPath, c.Path) << c.Url;
        EXPECT_EQ(parts.ExtraInfo.substr(0, std::string(c.Extra).size()), c.Extra) << c.Url;
    }
}

TEST(UrlParts, PartsBeyondTheirLimitsOrMalformedLeaveEverythingEmpty) {
    const std::string cases[] = {
        "http://" + std::string(257, 'h') + "/",
        "http://" + std::string(129, 'u') + ":p@h/",
        "http://u:" + std::string(129, 'p') + "@h/",
        "http://h/" + std::string(2048, 'p'),
        "http://h/?" + std::string(2048, 'q'),
        std::string(33, 's') + "://h/",
        "http://h:99999/",
        "http://h:8x/",
        "ht tp://h/",
        "http:///path",
    };
    for (const std::string& url : cases) {
        TUrlParts parts;
        parts.HostName = "left over";
        EXPECT_FALSE(SplitUrl(url, parts)) << url;
        EXPECT_EQ(parts.HostName, "");
        EXPECT_EQ(parts.Scheme, "");
    }
    TUrlParts parts;
    EXPECT_TRUE(SplitUrl("http://" + std::string(256, 'h') + "/" + std::string(2047, 'p'), parts));
}

TEST(UrlParts, ExtraPartEncoding) {
    EXPECT_EQ(EncodeExtraInfo("?a=b c&d=e+f#g%h*i<j>k"), "?a=b%20c&d=e%2Bf%23g%25h%2Ai%3Cj%3Ek");
    EXPECT_EQ(EncodeExtraInfo(std::string("?\x01\x1f\x7f\x80\xff", 6)), "?%01%1F\x7f%80%FF");
    EXPECT_EQ(EncodeExtraInfo("?x=1&y=2?z"), "?x=1&y=2?z");
    EXPECT_EQ(EncodeUrlPath("/a b/c?d"), "/a%20b/c%3Fd");
    EXPECT_EQ(DecodeEscapes("%41%4a%zz%4"), "AJ%zz%4");
}

TEST(UrlParts, RequestUrlAndRangeLine) {
    TUrlParts parts;
    ASSERT_TRUE(SplitUrl("h:81/a b?q=%2B", parts));
    EXPECT_EQ(RequestUrl(parts), "http://h:81/a%20b?q=%2B");
    EXPECT_EQ(RangeLine(0, 0, 0, 0), "");
    EXPECT_EQ(RangeLine(5, 0, 1, 2), "RANGE: bytes=5-\r\n");
    EXPECT_EQ(RangeLine(0, 9, 1, 2), "RANGE: bytes=0-9\r\n");
    EXPECT_EQ(RangeLine(0, 0, 1, 2), "RANGE: bytes=1-2\r\n");
    EXPECT_EQ(RangeLine(0, 0, 0, 2), "RANGE: bytes=0-2\r\n");
}

}  // namespace
}  // namespace mw
