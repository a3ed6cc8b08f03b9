#include "VideoSite.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "support/LocalHttpServer.h"
#include "support/MediaFixture.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace mw::test {

namespace {

constexpr std::string_view kSite = "http://www.youtube.com";
constexpr std::int64_t kPiece = 256 * 1024;
constexpr std::int64_t kSlowPiece = 2048;

// The query of an absolute-form target as ordered pairs; empty pieces ("&&") are skipped.
std::map<std::string, std::string> QueryOf(const std::string& target) {
    std::map<std::string, std::string> query;
    const std::size_t at = target.find('?');
    if (at == std::string::npos) {
        return query;
    }
    std::size_t begin = at + 1;
    while (begin <= target.size()) {
        std::size_t end = target.find('&', begin);
        if (end == std::string::npos) {
            end = target.size();
        }
        const std::string piece = target.substr(begin, end - begin);
        if (!piece.empty()) {
            const std::size_t equals = piece.find('=');
            query.emplace(piece.substr(0, equals),
                          equals == std::string::npos ? "" : piece.substr(equals + 1));
        }
        begin = end + 1;
    }
    return query;
}

std::string WatchPage(const SiteVideo& video) {
    return "<html><head><title>YouTube - video</title>\n"
           "<meta name=\"title\" content=\"" +
           video.TitleHtml +
           "\">\n"
           "<meta name=\"description\" content=\"a video\">\n</head><body>\n"
           "<script>var swfArgs = \"video_id=" +
           video.Id + "&l=2&t=" + VideoSite::Token(video.Id) +
           "&hl=en\";</script>\n</body></html>\n";
}

}  // namespace

struct VideoSite::Server {
    httplib::Server Http;
    std::thread Thread;
    mutable std::mutex Lock;
    std::map<std::string, SiteVideo> Videos;
    std::map<std::string, std::string> Pages;
    std::vector<std::string> MediaRequests;
    std::vector<std::string> MediaAgents;
    std::atomic<bool> Stopping{false};
    bool Released = false;
    std::condition_variable ReleasedChanged;

    void Watch(const std::map<std::string, std::string>& query, httplib::Response& res);
    void Media(const std::map<std::string, std::string>& query, const std::string& agent,
               httplib::Response& res);
    void Direct(const std::string& target, httplib::Response& res);
};

// /page/ID: an HTML page whose video element plays /media/ID.flv, the video's default
// encoding.
void VideoSite::Server::Direct(const std::string& rawTarget, httplib::Response& res) {
    const std::string target = rawTarget.substr(0, rawTarget.find_first_of("?#"));
    std::lock_guard guard(Lock);
    if (target.starts_with("/page/")) {
        const std::string id = target.substr(6);
        if (Videos.count(id) == 0) {
            res.status = 404;
            return;
        }
        res.set_content("<!DOCTYPE html>\n<html><head><title>" + Videos.at(id).TitleHtml +
                            "</title></head>\n<body><video controls>"
                            "<source src=\"/media/" +
                            id + ".flv\" type=\"video/x-flv\"></video></body></html>\n",
                        "text/html");
        return;
    }
    std::string id = target.substr(7);
    if (id.ends_with(".flv")) {
        id.resize(id.size() - 4);
    }
    const auto video = Videos.find(id);
    if (video == Videos.end() || video->second.Media.count("") == 0 ||
        video->second.Media.at("").File.empty()) {
        res.status = 404;
        return;
    }
    res.set_content(ReadTextFile(video->second.Media.at("").File), "video/x-flv");
}

void VideoSite::Server::Watch(const std::map<std::string, std::string>& query,
                              httplib::Response& res) {
    const auto v = query.find("v");
    std::lock_guard guard(Lock);
    if (v != query.end() && Pages.count(v->second) != 0) {
        res.set_content(Pages.at(v->second), "text/html");
    } else if (v != query.end() && Videos.count(v->second) != 0) {
        res.set_content(WatchPage(Videos.at(v->second)), "text/html");
    } else {
        res.status = 404;
        res.set_content("<html>no such video</html>", "text/html");
    }
}

void VideoSite::Server::Media(const std::map<std::string, std::string>& query,
                              const std::string& agent, httplib::Response& res) {
    const auto id = query.find("video_id");
    const auto token = query.find("t");
    const auto fmt = query.find("fmt");
    MediaAnswer answer = MediaAnswer::Of(MediaAnswer::Kind::NotFound);
    {
        std::unique_lock guard(Lock);
        MediaAgents.push_back(agent);
        MediaRequests.push_back((id == query.end() ? "?" : id->second) + " " +
                                (fmt == query.end() ? "-" : fmt->second));
        if (id != query.end() && token != query.end() && token->second == Token(id->second) &&
            Videos.count(id->second) != 0) {
            const auto& media = Videos.at(id->second).Media;
            const auto found = media.find(fmt == query.end() ? "" : fmt->second);
            if (found != media.end()) {
                answer = found->second;
            }
        }
        if (answer.Held) {
            ReleasedChanged.wait(guard, [this] { return Released || Stopping; });
        }
    }
    switch (answer.What) {
        case MediaAnswer::Kind::NotFound:
            res.status = 404;
            res.set_content("<html>not found</html>", "text/html");
            return;
        case MediaAnswer::Kind::Bytes:
            if (!answer.File.empty()) {
                res.set_content(ReadTextFile(answer.File), "video/x-flv");
                return;
            }
            res.set_content_provider(
                static_cast<std::size_t>(answer.Size), "video/x-flv",
                [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    const std::int64_t n =
                        std::min<std::int64_t>(kPiece, static_cast<std::int64_t>(length));
                    const std::string piece = BodyBytes(static_cast<std::int64_t>(offset), n);
                    return sink.write(piece.data(), piece.size());
                });
            return;
        case MediaAnswer::Kind::Cut:
            res.set_content_provider(
                static_cast<std::size_t>(answer.Size), "video/x-flv",
                [size = answer.Size](std::size_t, std::size_t, httplib::DataSink& sink) {
                    const std::string half = BodyBytes(0, size / 2);
                    sink.write(half.data(), half.size());
                    return false;
                });
            return;
        case MediaAnswer::Kind::Slow:
            res.set_content_provider(
                static_cast<std::size_t>(answer.Size), "video/x-flv",
                [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    const std::string piece =
                        BodyBytes(static_cast<std::int64_t>(offset), kSlowPiece);
                    return !Stopping && sink.write(piece.data(), piece.size());
                });
            return;
    }
}

VideoSite::VideoSite() = default;
VideoSite::~VideoSite() = default;

VideoSite& VideoSite::Instance() {
    static auto* instance =
        static_cast<VideoSite*>(::testing::AddGlobalTestEnvironment(new VideoSite));
    return *instance;
}

void VideoSite::SetUp() {
    m_server = std::make_unique<Server>();
    Server& s = *m_server;
    s.Http.Get(".*", [&s](const httplib::Request& req, httplib::Response& res) {
        const std::string& target = req.target;
        // Requests made to this server itself: the plain pages of other sites.
        if (target.starts_with("/page/") || target.starts_with("/media/")) {
            s.Direct(target, res);
            return;
        }
        if (!target.starts_with(kSite) || target.size() == kSite.size() ||
            target[kSite.size()] != '/') {
            res.status = 502;
            res.set_content("this proxy only knows the video site", "text/plain");
            return;
        }
        const std::string path = target.substr(kSite.size(), target.find('?') - kSite.size());
        if (path == "/watch") {
            s.Watch(QueryOf(target), res);
        } else if (path == "/get_video") {
            s.Media(QueryOf(target), req.get_header_value("User-Agent"), res);
        } else {
            res.status = 404;
        }
    });
    m_port = s.Http.bind_to_any_port("127.0.0.1");
    ASSERT_GT(m_port, 0);
    s.Thread = std::thread([&s] { s.Http.listen_after_bind(); });
    while (!s.Http.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The machine's proxy setting, as libcurl reads it; this machine's own servers are
    // reached directly, as they are on a user's machine, so that other local servers of the
    // same test program keep answering themselves.
    ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(m_port)).c_str(), 1);
    ::setenv("no_proxy", "127.0.0.1,localhost", 1);
    // Secure requests go to it too, so that a helper such as yt-dlp never leaves the machine.
    ::setenv("https_proxy", ("http://127.0.0.1:" + std::to_string(m_port)).c_str(), 1);
    ::unsetenv("NO_PROXY");
}

void VideoSite::TearDown() {
    if (!m_server) {
        return;
    }
    {
        std::lock_guard guard(m_server->Lock);
        m_server->Stopping = true;
    }
    m_server->ReleasedChanged.notify_all();
    m_server->Http.stop();
    m_server->Thread.join();
    m_server.reset();
}

void VideoSite::Add(const SiteVideo& video) {
    std::lock_guard guard(m_server->Lock);
    m_server->Videos[video.Id] = video;
    for (const auto& [code, answer] : video.Media) {
        if (answer.Held) {
            m_server->Released = false;
        }
    }
}

void VideoSite::Release() {
    {
        std::lock_guard guard(m_server->Lock);
        m_server->Released = true;
    }
    m_server->ReleasedChanged.notify_all();
}

void VideoSite::AddPage(const std::string& id, const std::string& html) {
    std::lock_guard guard(m_server->Lock);
    m_server->Pages[id] = html;
}

std::string VideoSite::Link(const std::string& id) {
    return std::string(kSite) + "/watch?v=" + id;
}

std::string VideoSite::PageUrl(const std::string& id) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + "/page/" + id;
}

std::string VideoSite::Token(const std::string& id) {
    return "tok" + id + "X";
}

std::vector<std::string> VideoSite::MediaAgents() const {
    std::lock_guard guard(m_server->Lock);
    return m_server->MediaAgents;
}

std::vector<std::string> VideoSite::MediaRequests() const {
    std::lock_guard guard(m_server->Lock);
    return m_server->MediaRequests;
}

const std::string& SiteClip() {
    static const TempDir folder;
    static const std::string clip = [] {
        FixturePlan flv;
        flv.VideoCodec = "flv";
        flv.AudioCodec = "libmp3lame";
        flv.Seconds = 1.0;
        const std::string path = folder.File("clip.flv");
        WriteFixture(path, flv);
        return path;
    }();
    return clip;
}

void ExpectTheSiteClip(const std::string& path) {
    EXPECT_TRUE(ReadTextFile(path) == ReadTextFile(SiteClip())) << path;
    const auto probe = FFprobe(path, {"-count_packets"});
    EXPECT_EQ(probe.at("streams.stream.0.codec_name"), "mp3") << path;
    EXPECT_EQ(probe.at("streams.stream.1.codec_name"), "flv1") << path;
    EXPECT_EQ(probe.at("streams.stream.1.nb_read_packets"), "25") << path;
    // FLV stores no aspect: the frame shows as it is.
    EXPECT_EQ(probe.at("streams.stream.1.width"), "320") << path;
    EXPECT_EQ(probe.at("streams.stream.1.height"), "240") << path;
    EXPECT_NEAR(std::stod(probe.at("format.duration")), 1.0, 0.1) << path;
    EXPECT_TRUE(DecodesCleanly(path)) << path;
}

}  // namespace mw::test
