#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace mw::test {

// Byte i of every generated body.
char BodyByte(std::int64_t i);
std::string BodyBytes(std::int64_t from, std::int64_t count);

// Real HTTP servers on 127.0.0.1, each on a port of its own chosen by the system, for the
// life of the test program:
//   origin  /body?size=N (Content-Length, ranges, 416 past the end), /chunked?size=N[&delay=MS],
//           /cut?size=N&sent=M (closes early), /cutchunked?size=N&sent=M, /status?code=C,
//           /redirect?hops=K, /to?url=U (a redirect to U), /auth, /echo (request line and
//           headers as the body), /hostile, /longheader, /dates, /stream (slow, endless)
//   proxy   answers absolute-form targets itself; targets containing "/private" need
//           Basic proxy credentials proxyuser:proxypass
//   https   the origin's routes behind a certificate for localhost made at start-up
class LocalHttpServer : public ::testing::Environment {
public:
    LocalHttpServer();
    ~LocalHttpServer() override;
    static LocalHttpServer& Instance();

    void SetUp() override;
    void TearDown() override;

    std::string Url(const std::string& pathAndQuery) const;
    std::string HttpsUrl(const std::string& pathAndQuery, const std::string& host = "127.0.0.1") const;
    int Port() const { return m_port; }
    int ProxyPort() const { return m_proxyPort; }
    // A port on which nothing listens.
    int ClosedPort() const { return m_closedPort; }

    // Request targets the proxy saw, in order.
    std::vector<std::string> ProxyTargets() const;
    // The Range header of the last request to /body ("" when it had none).
    std::string LastRange() const;
    // The request line and headers of the last request to /echo.
    std::string LastEcho() const;

private:
    struct Servers;
    std::unique_ptr<Servers> m_servers;
    int m_port = 0;
    int m_proxyPort = 0;
    int m_httpsPort = 0;
    int m_closedPort = 0;
};

}  // namespace mw::test
