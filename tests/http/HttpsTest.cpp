#include <gtest/gtest.h>

#include "TransferSupport.h"

namespace mw::test {
namespace {

// The server's certificate is self-signed and names localhost only.
TEST(Https, CertificateChecksStayOnUnlessAFlagRelaxesExactlyThatCheck) {
    struct Case {
        const char* Name;
        const char* Host;
        TInternetOptions Options;
        const char* Events;
    };
    const Case cases[] = {
        {"no flags", "localhost", {}, "HostUnreachable AnyError"},
        {"name flag, unknown authority", "localhost", {ioIgnoreCertificateInvalid}, "HostUnreachable AnyError"},
        {"date flag only", "localhost", {ioIgnoreCertificateDateInvalid}, "HostUnreachable AnyError"},
        {"authority flag, right name", "localhost", {ioIgnoreUnknownCertificateAuthority}, "Done"},
        {"authority flag, wrong name", "127.0.0.1", {ioIgnoreUnknownCertificateAuthority}, "HostUnreachable AnyError"},
        {"both flags, wrong name", "127.0.0.1", {ioIgnoreUnknownCertificateAuthority, ioIgnoreCertificateInvalid}, "Done"},
    };
    for (const Case& c : cases) {
        TransferHarness h;
        h.Http.URL = LocalHttpServer::Instance().HttpsUrl("/body?size=3000", c.Host);
        h.Http.InternetOptions = c.Options;
        h.Run();
        EXPECT_EQ(h.EventNames(), c.Events) << c.Name;
        if (h.Count("Done") == 1) {
            EXPECT_EQ(h.Body, BodyBytes(0, 3000)) << c.Name;
        } else {
            EXPECT_NE(h.Http.ErrorText().find("certificate"), std::string::npos)
                << c.Name << ": " << h.Http.ErrorText();
        }
    }
}

TEST(Https, RedirectFromHttpsToPlainHttpNeedsItsFlag) {
    for (bool allowed : {false, true}) {
        TransferHarness h;
        h.Http.URL = LocalHttpServer::Instance().HttpsUrl("/to?url=" + Server("/body"), "localhost");
        h.Http.InternetOptions = {ioIgnoreUnknownCertificateAuthority};
        if (allowed) {
            h.Http.InternetOptions.insert(ioIgnoreRedirectToHTTP);
        }
        h.Run();
        EXPECT_EQ(h.EventNames(), allowed ? "Done" : "HTTPError AnyError");
        EXPECT_EQ(h.Redirects.size(), allowed ? 1U : 0U);
    }
}

}  // namespace
}  // namespace mw::test
