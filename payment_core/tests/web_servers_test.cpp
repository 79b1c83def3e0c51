// The socket path against web servers written by others (nginx, the openssl command's server),
// each started on a loopback port of its own and skipped when its program is missing, and
// against scripted peers where only a script shows a fault every time.

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "crypt32/crypt32.h"
#include "payment_core/http_client.h"
#include "payment_core/tests/core_test.h"
#include "payment_core/tests/daemon_peer.h"
#include "payment_core/tests/openssl_server.h"
#include "testing/certificates.h"
#include "testing/raw_peer.h"
#include "testing/trusted_ca.h"

using namespace payment_core;
using daemon_peer::Daemon;
using fixtures::CertKind;
using fixtures::PeerScript;
using fixtures::RawPeer;
using fixtures::TestCertificates;

namespace {

class Client : public HttpClient {
public:
    explicit Client(bool https = false, int timeoutMs = 15000) {
        if (https) initHttpsDefaults();
        setTimeoutMs(timeoutMs);
    }
    std::string run(int action, const std::string& url) {
        setUrl(url.c_str(), false);
        const int result = performAction(action);
        return std::to_string(result) + " " + str(lastError);
    }
};

// nginx over TLS with the test server certificate, or plain; skips the test when it is missing.
#define START_NGINX(server, port, lines, tls)                                                          \
    if (daemon_peer::findProgram("nginx").empty()) GTEST_SKIP() << "nginx is not installed";           \
    Daemon server;                                                                                     \
    const int port = daemon_peer::startOnFreePort([&](int p) {                                         \
        const fixtures::CertificateFiles& files = TestCertificates::instance().files(CertKind::Server); \
        return daemon_peer::startNginx(server, p, lines, tls ? files.certPem.string() : "",            \
                                       tls ? files.keyPem.string() : "");                              \
    });                                                                                                \
    ASSERT_NE(port, 0)

std::string base(bool tls, int port) {
    return std::string(tls ? "https" : "http") + "://localhost:" + std::to_string(port);
}

class WebServers : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fixtures::trustTestCa()); }
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

#define WEB_TEST(name) TEST_F(WebServers, CORE_SUITE_JOIN(CORE_TEST_PREFIX, name))

// A peer that takes the request at its head answers 200 and closes while the body still goes
// out: the answer is the result, and the send it cut short leaves no error behind.
WEB_TEST(EarlyAnswerOfALargeBodyLeavesNoError) {
    for (const bool tls : {false, true}) {
        SCOPED_TRACE(tls);
        std::unique_ptr<RawPeer> peer = tls ? std::make_unique<fixtures::RawTlsPeer>() : std::make_unique<RawPeer>();
        peer->addConnection(PeerScript()
                                .expectUntil("\r\n\r\n")
                                .send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\ntaken")
                                .pause(std::chrono::milliseconds(100))
                                .abort());
        Client client(tls);
        client.PostData.assign(std::size_t{32} << 20, nullptr);
        std::memset(client.PostData.data(), 'p', client.PostData.length());
        EXPECT_EQ(client.run(kActionPost, std::string(tls ? "https" : "http") + "://localhost:" +
                                              std::to_string(peer->port()) + "/"),
                  "0 ");
        EXPECT_EQ(str(client.TransferredData), "taken");
    }
}

// nginx refuses the body at its head and answers before the rest has gone out: the answer is the
// result, not the send that the closed connection cut short.
WEB_TEST(EarlyRefusalOfALargeBodyIsTheResult) {
    for (const bool tls : {true, false}) {
        START_NGINX(server, port, "    client_max_body_size 1k;\n    location / { return 200 \"taken\"; }", tls);
        for (const std::size_t size : {std::size_t{100} << 10, std::size_t{3} << 20, std::size_t{32} << 20}) {
            SCOPED_TRACE(std::to_string(tls) + " " + std::to_string(size));
            Client client(tls);
            client.PostData.assign(size, nullptr);
            std::memset(client.PostData.data(), 'p', size);
            EXPECT_EQ(client.run(kActionPost, base(tls, port) + "/upload"), "151 Request Entity Too Large");
            EXPECT_EQ(client.StatusCode, 413);
        }
    }
}

// The server wants a client certificate and ends the session with an alert after the handshake,
// as TLS 1.3 does: the alert is the result, with its own text.
WEB_TEST(AlertAfterTheHandshakeIsTheResult) {
    openssl_peer::Chain chain;
    ASSERT_TRUE(chain.ok());
    openssl_peer::addToUserStore("ROOT", chain.file("root.pem"));
    openssl_peer::Server server({"-cert", chain.file("leaf.pem").string(), "-key", chain.file("leaf.key").string(),
                                 "-cert_chain", chain.file("inter.pem").string(), "-tls1_3", "-Verify", "1", "-WWW"},
                                chain.dir());
    ASSERT_NE(server.port(), 0) << server.log();
    // Also while a body is still going out.
    for (const std::size_t body : {std::size_t{0}, std::size_t{2} << 20}) {
        SCOPED_TRACE(body);
        Client client(true);
        client.PostData.assign(body, nullptr);
        std::memset(client.PostData.data(), 'p', body);
        const std::string answer = client.run(body ? kActionPost : kActionGet,
                                              "https://localhost:" + std::to_string(server.port()) + "/x");
        EXPECT_EQ(answer.substr(0, 4), "284 ") << answer;
        EXPECT_NE(answer.find("error decrypting data"), std::string::npos) << answer;
    }
}

// A PostData body goes out as fast as the socket takes it: record after record without a wait
// between them, and the rest of a part that went at once. The whole exchange has 3 s, ample on a
// loaded machine, while a wait after each record takes some 5 s for this body.
WEB_TEST(LargePostAtWireSpeed) {
    if (!daemon_peer::nginxHasEcho()) GTEST_SKIP() << "nginx's echo module is not installed";
    for (const bool tls : {false, true}) {
        SCOPED_TRACE(tls);
        START_NGINX(server, port,
                    "    client_max_body_size 100m;\n    client_body_buffer_size 8m;\n"
                    "    location / { echo_read_request_body; echo -n \"read $content_length\"; }",
                    tls);
        Client client(tls, 3000);
        client.AbsoluteTimeout = 1;
        client.PostData.assign(std::size_t{4} << 20, nullptr);
        std::memset(client.PostData.data(), 'p', client.PostData.length());
        EXPECT_EQ(client.run(kActionPost, base(tls, port) + "/upload"), "0 ");
        EXPECT_EQ(str(client.TransferredData), "read 4194304");
    }
}

// nginx ends a kept connection after three requests with "Connection: close" and closes it a
// moment later; a request sent into that moment would be lost. Repeated, since the close
// races the next request.
WEB_TEST(KeptConnectionEndsWhereTheServerSaysClose) {
    for (const bool tls : {false, true}) {
        SCOPED_TRACE(tls);
        START_NGINX(server, port, "    keepalive_requests 3;\n    location / { return 200 \"kept\"; }", tls);
        Client client(tls);
        client.KeepAlive = true;
        for (int i = 0; i < 300; ++i) {
            ASSERT_EQ(client.run(kActionGet, base(tls, port) + "/k" + std::to_string(i)), "0 ") << i;
            ASSERT_EQ(str(client.TransferredData), "kept");
        }
    }
}

// The same without a race: the first connection stays open after its answer, so a request sent
// on it would never be answered. An HTTP/1.0 answer ends it unless it says keep-alive.
WEB_TEST(AnswerThatEndsTheConnectionIsTheLastOnIt) {
    struct Case {
        const char* head;
        bool ends;
    };
    for (const Case& c : {Case{"HTTP/1.1 200 OK\r\nConnection: close", true},
                          Case{"HTTP/1.1 200 OK\r\nConnection: Keep-Alive, Close", true},
                          Case{"HTTP/1.0 200 OK", true},
                          Case{"HTTP/1.0 200 OK\r\nConnection: keep-alive", false},
                          Case{"HTTP/1.1 200 OK", false}}) {
        SCOPED_TRACE(c.head);
        const std::string answer = std::string(c.head) + "\r\nContent-Length: 3\r\n\r\none";
        RawPeer peer;
        peer.addConnection(c.ends ? PeerScript().expectUntil("\r\n\r\n").send(answer).hold()
                                  : PeerScript().expectUntil("\r\n\r\n").send(answer).expectUntil("\r\n\r\n").send(answer));
        peer.addConnection(PeerScript().expectUntil("\r\n\r\n").send(answer));
        Client client(false, 3000);
        client.KeepAlive = true;
        const std::string url = "http://" + peer.hostPort() + "/";
        EXPECT_EQ(client.run(kActionGet, url), "0 ");
        EXPECT_EQ(client.run(kActionGet, url), "0 ");
        EXPECT_EQ(str(client.TransferredData), "one");
        client.performAction(kActionReset);
        EXPECT_TRUE(peer.waitForConnections(c.ends ? 2 : 1));
        EXPECT_EQ(peer.connectionCount(), c.ends ? 2u : 1u);
    }
}

// A server whose port another program took before it could bind it is not taken for that
// program: its start fails, and the next start goes to a port of its own.
WEB_TEST(ServerOnATakenPortStartsOnAnother) {
    if (daemon_peer::findProgram("nginx").empty()) GTEST_SKIP() << "nginx is not installed";
    RawPeer other;
    Daemon server;
    std::vector<int> tried;
    const int port = daemon_peer::startOnFreePort([&](int p) {
        tried.push_back(tried.empty() ? other.port() : p);
        return daemon_peer::startNginx(server, tried.back(), "    location / { return 200 \"ours\"; }");
    });
    ASSERT_EQ(tried.size(), 2u);
    EXPECT_EQ(port, tried.back());
    Client client;
    EXPECT_EQ(client.run(kActionGet, base(false, port) + "/"), "0 ");
    EXPECT_EQ(str(client.TransferredData), "ours");
}

// nginx shows the target it was sent: the fragment of a redirect's Location stays behind.
WEB_TEST(FragmentIsNeverSent) {
    START_NGINX(server, port,
                "    location = /r/start { return 302 /r/final?x=1#frag; }\n"
                "    location = /r/final { return 200 \"$request_uri\"; }",
                false);
    Client client;
    client.FollowRedirects = 1;
    EXPECT_EQ(client.run(kActionGet, base(false, port) + "/r/start#top"), "0 ");
    EXPECT_EQ(str(client.TransferredData), "/r/final?x=1");
}

// Answers without a body are not refused for a length the body counter could not hold; a body
// of that length still is.
WEB_TEST(AnswerWithoutBodyMayAnnounceAnyLength) {
    START_NGINX(server, port, "    location / { }", false);
    server.writeFile("htdocs/big.bin", "");
    std::filesystem::resize_file(server.folder() + "/htdocs/big.bin", std::uintmax_t{3} << 30);
    Client head;
    EXPECT_EQ(head.run(kActionHead, base(false, port) + "/big.bin"), "0 ");
    EXPECT_EQ(head.StatusCode, 200);
    EXPECT_NE(str(head.ResponseHeaders).find("Content-Length: 3221225472"), std::string::npos);

    struct Case {
        const char* status;
        const char* result;
    };
    for (const Case& c : {Case{"204 No Content", "0 "}, Case{"304 Not Modified", "151 Not Modified"},
                          Case{"200 OK", "155 Invalid Content-Length in the response."}}) {
        SCOPED_TRACE(c.status);
        RawPeer peer;
        peer.addConnection(PeerScript().expectUntil("\r\n\r\n").send(std::string("HTTP/1.1 ") + c.status +
                                                                     "\r\nContent-Length: 3221225472\r\n\r\n"));
        Client client;
        EXPECT_EQ(client.run(kActionGet, "http://" + peer.hostPort() + "/"), c.result);
    }
}

// A peer that stops reading holds the request back: the Timeout ends the send as it ends a wait
// for an answer, long before the peer gives up at 8 s. The bound leaves room for a loaded
// machine, not for a send that outlasts its Timeout several times.
WEB_TEST(TimeoutHoldsWhileSending) {
    for (const bool tls : {false, true}) {
        SCOPED_TRACE(tls);
        std::unique_ptr<RawPeer> peer = tls ? std::make_unique<fixtures::RawTlsPeer>() : std::make_unique<RawPeer>();
        peer->addConnection(PeerScript().expectUntil("\r\n\r\n").pause(std::chrono::milliseconds(8000)));
        Client client(tls, 1000);
        client.PostData.assign(std::size_t{64} << 20, nullptr);
        std::memset(client.PostData.data(), 'p', client.PostData.length());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(client.run(kActionPost, std::string(tls ? "https" : "http") + "://localhost:" +
                                              std::to_string(peer->port()) + "/"),
                  "301 Timeout.");
        EXPECT_LT(secondsSince(start), 4.5);
    }
}
