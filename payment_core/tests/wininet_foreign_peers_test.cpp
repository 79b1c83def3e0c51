// The Internet library path against servers written by others: apache asking for Basic and
// Digest credentials over http and https, and nginx over TLS redirecting to plain http and to
// another host. Each is skipped when its program is not installed.

#include <string>
#include <vector>

#include "crypt32/crypt32.h"
#include "payment_core/tests/core_test.h"
#include "payment_core/tests/daemon_peer.h"
#include "payment_core/wininet_http_client.h"
#include "testing/certificates.h"
#include "testing/http_server.h"
#include "testing/trusted_ca.h"

using namespace payment_core;
using daemon_peer::Daemon;
using daemon_peer::WebSite;
using fixtures::Answer;
using fixtures::CertKind;

namespace {

class Client : public WinInetHttpClient {
public:
    Client() {
        initHttpsDefaults();
        setTimeoutMs(15000);
        UseWinInet = true;
    }
    void onRedirect(const char* location, bool& accept) override {
        redirects.push_back(location);
        accept = acceptRedirects;
    }
    std::vector<std::string> redirects;
    bool acceptRedirects = true;
};

std::string run(Client& client, const std::string& url, int action) {
    client.setUrl(url.c_str(), false);
    const int result = client.performActionWinInet(action);
    return std::to_string(result) + " " + str(client.lastError);
}

}  // namespace

CORE_TEST(WinInetForeignPeers, WebServerWithBasicAndDigest) {
    REQUIRE_PROGRAM(apache, "apache2");
    ASSERT_TRUE(fixtures::trustTestCa());
    const fixtures::CertificateFiles& files = fixtures::TestCertificates::instance().files(CertKind::Server);
    for (const bool secure : {false, true}) {
        SCOPED_TRACE(secure ? "https" : "http");
        Daemon server;
        const std::string root = server.folder();
        WebSite site;
        if (secure) {
            site.certFile = files.certPem.string();
            site.keyFile = files.keyPem.string();
        }
        site.extra = "Alias /basic " + root + "/htdocs/page.txt\nAlias /digest " + root +
                     "/htdocs/page.txt\n"
                     "<Location /basic>\n  AuthType Basic\n  AuthName \"basic\"\n  AuthUserFile " + root +
                     "/basic.pw\n  Require valid-user\n</Location>\n"
                     "<Location /digest>\n  AuthType Digest\n  AuthName \"realm@test\"\n  AuthUserFile " + root +
                     "/digest.pw\n  Require valid-user\n</Location>\n"
                     // Redirects to the Basic door: one open, one from behind a Digest door of its
                     // own (a rewrite in a folder runs after the credentials passed there).
                     "Redirect 302 /open /basic\n"
                     "<Directory " + root + "/htdocs/sealed>\n  AuthType Digest\n  AuthName \"realm@test\"\n"
                     "  AuthUserFile " + root + "/digest.pw\n  Require valid-user\n  RewriteEngine On\n"
                     "  RewriteRule .* /basic [R=302,L]\n</Directory>\n";
        server.writeFile("htdocs/page.txt", "behind the door\n");
        server.writeFile("htdocs/sealed/page.txt", "");
        // "joe:secret" as a SHA-1 entry, and the MD5 of "mufasa:realm@test:Circle Of Life".
        server.writeFile("basic.pw", "joe:{SHA}5en6G6MezRroT3XKqkdPOmY/BfQ=\n");
        server.writeFile("digest.pw", "mufasa:realm@test:0846c665fba29118b0835ce70907503e\n"
                                      "joe:realm@test:d5ebcee147f5fb67453ed37d032250b3\n");
        site.port = daemon_peer::startOnFreePort([&](int port) {
            site.port = port;
            server.writeFile("httpd.conf", daemon_peer::apacheConfig(root, site, {"authn_core", "authn_file",
                                                                                  "authz_user", "auth_basic",
                                                                                  "auth_digest", "alias", "rewrite"}));
            return server.start({apache, "-X", "-f", root + "/httpd.conf"}, port);
        });
        ASSERT_NE(site.port, 0);

        struct Case {
            const char* path;
            unsigned char scheme;
            const char* user;
            const char* password;
            const char* result;
            const char* data;
        };
        const Case cases[] = {
            {"/basic", kAuthBasic, "joe", "secret", "0 ", "behind the door\n"},
            {"/basic", kAuthBasic, "joe", "wrong", "151 401 Unauthorized", nullptr},
            {"/digest", kAuthDigest, "mufasa", "Circle Of Life", "0 ", "behind the door\n"},
            {"/digest", kAuthDigest, "mufasa", "Circle of life", "151 401 Unauthorized", nullptr},
            {"/digest", kAuthDigest, "", "", "151 401 Unauthorized", nullptr},
            {"/open", kAuthBasic, "joe", "secret", "0 ", "behind the door\n"},
            {"/sealed/page.txt", kAuthDigest, "joe", "secret", "0 ", "behind the door\n"},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.path) + " " + c.user + ":" + c.password);
            Client client;
            client.AuthScheme = c.scheme;
            const std::string url = std::string(secure ? "https" : "http") + "://localhost:" +
                                    std::to_string(site.port) + c.path;
            client.setUrl(url.c_str(), false);
            client.User.assignCString(c.user);
            client.Password.assignCString(c.password);
            const int result = client.performActionWinInet(kActionGet);
            EXPECT_EQ(std::to_string(result) + " " + str(client.lastError), c.result);
            if (c.data) {
                EXPECT_EQ(str(client.TransferredData), c.data);
            }
        }
    }
}

// The request is never repeated in clear: a redirect from https to http fails with the
// library's code before anything reaches the plain server. Every other redirect passes the
// hook, whose refusal keeps the request from the other host.
CORE_TEST(WinInetForeignPeers, RedirectsFromAServerOverTls) {
    REQUIRE_PROGRAM(nginx, "nginx");
    ASSERT_TRUE(fixtures::trustTestCa());
    fixtures::HttpServer plain;
    fixtures::HttpsServer other;
    other.enqueue(Answer::ok("other host"));
    Daemon server;
    const std::string root = server.folder();
    const fixtures::CertificateFiles& files = fixtures::TestCertificates::instance().files(CertKind::Server);
    WebSite site;
    site.certFile = files.certPem.string();
    site.keyFile = files.keyPem.string();
    site.extra = "    location = /post { return 307 " + plain.url("/landing") + "; }\n" +
                 "    location = /get { return 302 " + plain.url("/landing") + "; }\n" +
                 "    location = /other { return 302 " + other.url("/landing") + "; }\n";
    site.port = daemon_peer::startOnFreePort([&](int port) {
        site.port = port;
        server.writeFile("nginx.conf", daemon_peer::nginxConfig(root, {site}));
        return server.start({nginx, "-p", root, "-c", root + "/nginx.conf"}, port);
    });
    ASSERT_NE(site.port, 0);
    const std::string base = "https://localhost:" + std::to_string(site.port);
    const std::string refused = "12040 HTTPS to HTTP redirection not allowed (check the security flags).";

    Client client;
    client.PostData.assignCString("card=4111111111111111");
    EXPECT_EQ(run(client, base + "/post", kActionPost), refused);
    client.PostData.reset();
    EXPECT_EQ(run(client, base + "/get", kActionGet), refused);
    EXPECT_TRUE(client.redirects.empty());
    EXPECT_TRUE(plain.connections().empty());

    client.acceptRedirects = false;
    EXPECT_EQ(run(client, base + "/other", kActionGet), "151 302 Moved Temporarily");
    EXPECT_EQ(client.redirects, std::vector<std::string>{other.url("/landing")});
    EXPECT_TRUE(other.connections().empty());
    client.acceptRedirects = true;
    EXPECT_EQ(run(client, base + "/other", kActionGet), "0 ");
    EXPECT_EQ(str(client.TransferredData), "other host");
}
