#include <gtest/gtest.h>

#include <memory>

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include "loopback_client.h"
#include "testing/http_server.h"

using fixtures::Answer;
using fixtures::CertKind;
using fixtures::ClientCertificate;
using fixtures::HttpRequest;
using fixtures::HttpServer;
using fixtures::HttpsServer;
using fixtures::Milliseconds;
using fixtures::TlsOptions;
using fixtures::TlsVersion;

namespace {

const std::string kGet = "GET /a?x=1 HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: t\r\n\r\n";

// The same exchanges over HTTP and over HTTPS.
class HttpServerTest : public ::testing::TestWithParam<bool> {
protected:
    bool tls() const { return GetParam(); }

    std::unique_ptr<HttpServer> makeServer() {
        if (tls()) return std::make_unique<HttpsServer>();
        return std::make_unique<HttpServer>();
    }

    std::unique_ptr<LoopbackClient> connect(const HttpServer& server) {
        auto client = std::make_unique<LoopbackClient>(server.port());
        EXPECT_TRUE(client->connected());
        if (tls()) {
            EXPECT_TRUE(client->startTls({})) << client->tlsError();
        }
        return client;
    }
};

INSTANTIATE_TEST_SUITE_P(Transports, HttpServerTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Https" : "Http"; });

}  // namespace

TEST_P(HttpServerTest, ScriptedAnswersInOrderOnOneKeptConnection) {
    auto server = makeServer();
    server->enqueue(Answer::ok("first"));
    server->enqueue(Answer::status(404, "Not Found", "", {{"X-Test", "2"}}));
    auto client = connect(*server);
    const std::string post = "POST /form HTTP/1.1\r\nHost: h\r\nContent-Length: 7\r\n\r\na=1&b=2";

    ASSERT_TRUE(client->send(kGet));
    EXPECT_EQ(client->readAnswer(),
              "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n\r\nfirst");
    ASSERT_TRUE(client->send(post));
    EXPECT_EQ(client->readAnswer(), "HTTP/1.1 404 Not Found\r\nX-Test: 2\r\nContent-Length: 0\r\n\r\n");

    ASSERT_TRUE(server->waitForRequests(2));
    std::vector<HttpRequest> requests = server->requests();
    EXPECT_EQ(requests[0].bytes, kGet);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/a?x=1");
    EXPECT_EQ(requests[0].version, "HTTP/1.1");
    EXPECT_EQ(requests[0].header("user-agent"), "t");
    EXPECT_EQ(requests[1].bytes, post);
    EXPECT_EQ(requests[1].body, "a=1&b=2");
    EXPECT_EQ(requests[1].connection, 0u);
    EXPECT_EQ(server->connectionCount(), 1u);
    EXPECT_EQ(server->connections()[0].received, kGet + post);
    EXPECT_EQ(server->connections()[0].requests, 2u);
}

TEST_P(HttpServerTest, SplitsPipelinedAndChunkedRequests) {
    auto server = makeServer();
    for (int i = 0; i < 3; ++i) server->enqueue(Answer::ok("x"));
    const std::string chunked =
        "POST /up HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"
        "5;ext=1\r\nhello\r\n3\r\n\r\n\n\r\n0\r\nTrailer: t\r\n\r\n";
    const std::string sized = "PUT /p HTTP/1.1\r\nContent-Length: 4\r\n\r\nGET ";
    auto client = connect(*server);
    ASSERT_TRUE(client->send(chunked + sized + kGet));
    ASSERT_TRUE(server->waitForRequests(3));
    std::vector<HttpRequest> r = server->requests();
    EXPECT_EQ(r[0].bytes, chunked);
    EXPECT_TRUE(r[0].chunked);
    EXPECT_EQ(r[0].body, "hello\r\n\n");
    EXPECT_EQ(r[1].bytes, sized);
    EXPECT_EQ(r[1].body, "GET ");
    EXPECT_EQ(r[2].bytes, kGet);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(client->readAnswer().substr(0, 15), "HTTP/1.1 200 OK");
}

TEST_P(HttpServerTest, SplitAnswerArrivesInItsPieces) {
    auto server = makeServer();
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n0123456789";
    // A long pause, so the first read cannot also hold the second piece.
    server->enqueue(Answer::raw(answer).splitAt({9, 30}, Milliseconds(700)));
    auto client = connect(*server);
    ASSERT_TRUE(client->send(kGet));
    EXPECT_EQ(client->readSome(), answer.substr(0, 9));
    EXPECT_EQ(client->readExactly(answer.size() - 9), answer.substr(9));
}

TEST_P(HttpServerTest, ChunkedAnswerAndEarlyClose) {
    auto server = makeServer();
    server->enqueue(Answer::chunked(200, "OK", {"abc", std::string(20, 'z')}));
    server->enqueue(Answer::ok("0123456789").closeAfter(20));
    auto client = connect(*server);
    ASSERT_TRUE(client->send(kGet));
    const std::string chunkedAnswer = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                      "3\r\nabc\r\n14\r\nzzzzzzzzzzzzzzzzzzzz\r\n0\r\n\r\n";
    EXPECT_EQ(client->readExactly(chunkedAnswer.size()), chunkedAnswer);
    ASSERT_TRUE(client->send(kGet));
    EXPECT_EQ(client->readToClose(), "HTTP/1.1 200 OK\r\nCon");
    EXPECT_TRUE(client->closedByPeer());
    ASSERT_TRUE(server->waitForClosedConnections(1));
}

TEST_P(HttpServerTest, ConnectionLifetimeFollowsRequestAndAnswer) {
    struct Case {
        const char* request;
        Answer answer;
        bool closes;
    };
    const Case cases[] = {
        {"GET / HTTP/1.0\r\n\r\n", Answer::ok("a"), true},
        {"GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n", Answer::ok("a"), false},
        {"GET / HTTP/1.1\r\nConnection: close\r\n\r\n", Answer::ok("a"), true},
        {"GET / HTTP/1.1\r\n\r\n", Answer::raw("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nbody"), true},
        {"GET / HTTP/1.1\r\n\r\n", Answer::raw("HTTP/1.0 200 OK\r\n\r\nbody").thenClose(), true},
        {"GET / HTTP/1.1\r\n\r\n", Answer::ok("a"), false},
    };
    auto server = makeServer();
    std::size_t connections = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        server->enqueue(c.answer);
        auto client = connect(*server);
        ++connections;
        ASSERT_TRUE(server->waitForConnections(connections));
        ASSERT_TRUE(client->send(c.request));
        if (c.closes) {
            EXPECT_EQ(client->readToClose().substr(0, 12).substr(9), "200");
            EXPECT_TRUE(client->closedByPeer());
            EXPECT_TRUE(server->waitForClosedConnections(connections));
        } else {
            EXPECT_EQ(client->readAnswer().substr(9, 3), "200");
            ASSERT_TRUE(server->waitForRequests(connections));
            EXPECT_FALSE(server->connections()[connections - 1].closed);
            client.reset();
            EXPECT_TRUE(server->waitForClosedConnections(connections));
            EXPECT_TRUE(server->connections()[connections - 1].closedByClient);
        }
    }
    EXPECT_EQ(server->connectionCount(), connections);
}

TEST_P(HttpServerTest, ContinueBeforeTheBody) {
    auto server = makeServer();
    server->enqueue(Answer::ok("done"));
    auto client = connect(*server);
    ASSERT_TRUE(client->send("POST / HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 3\r\n\r\n"));
    EXPECT_EQ(client->readUntil("\r\n\r\n"), "HTTP/1.1 100 Continue\r\n\r\n");
    ASSERT_TRUE(client->send("abc"));
    EXPECT_EQ(client->readAnswer().substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_EQ(server->request(0).body, "abc");
}

TEST_P(HttpServerTest, SilenceAndHangUp) {
    auto server = makeServer();
    server->enqueue(Answer::hangUp());
    server->enqueue(Answer::silence());
    auto hungUp = connect(*server);
    ASSERT_TRUE(hungUp->send(kGet));
    EXPECT_EQ(hungUp->readToClose(), "");
    EXPECT_TRUE(hungUp->closedByPeer());

    auto silent = std::make_unique<LoopbackClient>(server->port(), Milliseconds(300));
    if (tls()) {
        ASSERT_TRUE(silent->startTls({}));
    }
    ASSERT_TRUE(silent->send(kGet));
    EXPECT_EQ(silent->readSome(), "");
    EXPECT_FALSE(silent->closedByPeer());
    EXPECT_EQ(server->requestCount(), 2u);
    EXPECT_FALSE(server->connections()[1].closed);
}

TEST_P(HttpServerTest, HandlerAnswersPastTheScript) {
    auto server = makeServer();
    server->enqueue(Answer::ok("scripted"));
    int calls = 0;
    server->setHandler([&](const HttpRequest& r) {
        return Answer::ok(r.target + " #" + std::to_string(++calls));
    });
    auto client = connect(*server);
    std::string answers;
    for (const char* path : {"/a", "/b", "/c"}) {
        ASSERT_TRUE(client->send(std::string("GET ") + path + " HTTP/1.1\r\n\r\n"));
        std::string a = client->readAnswer();
        answers += a.substr(a.find("\r\n\r\n") + 4) + ";";
    }
    EXPECT_EQ(answers, "scripted;/b #1;/c #2;");
}

TEST_P(HttpServerTest, UnscriptedRequestGets500) {
    auto server = makeServer();
    auto client = connect(*server);
    ASSERT_TRUE(client->send(kGet));
    EXPECT_EQ(client->readAnswer(), "HTTP/1.1 500 No scripted answer\r\nContent-Length: 0\r\n\r\n");
}

TEST(HttpsServer, ServesEachCertificateKind) {
    struct Case {
        CertKind kind;
        const char* host;
        long verdict;
    };
    const Case cases[] = {
        {CertKind::Server, "localhost", X509_V_OK},
        {CertKind::Server, "127.0.0.1", X509_V_OK},
        {CertKind::Expired, "localhost", X509_V_ERR_CERT_HAS_EXPIRED},
        {CertKind::WrongName, "localhost", X509_V_ERR_HOSTNAME_MISMATCH},
        {CertKind::SelfSigned, "localhost", X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fixtures::TestCertificates::name(c.kind));
        HttpsServer server({.certificate = c.kind});
        LoopbackClient client(server.port());
        bool ok = client.startTls({.verifyHost = c.host});
        EXPECT_EQ(ok, c.verdict == X509_V_OK) << client.tlsError();
        EXPECT_EQ(client.verifyResult(), c.verdict);
    }
}

TEST(HttpsServer, RecordsTheClientCertificate) {
    HttpsServer server({.clientCertificate = ClientCertificate::Request});
    server.enqueue(Answer::ok("a"));
    server.enqueue(Answer::ok("b"));
    {
        LoopbackClient client(server.port());
        ASSERT_TRUE(client.startTls({.useClientCertificate = true}));
        ASSERT_TRUE(client.send(kGet));
        EXPECT_EQ(client.readAnswer().substr(0, 15), "HTTP/1.1 200 OK");
    }
    LoopbackClient anonymous(server.port());
    ASSERT_TRUE(anonymous.startTls({}));
    ASSERT_TRUE(anonymous.send(kGet));
    EXPECT_EQ(anonymous.readAnswer().substr(0, 15), "HTTP/1.1 200 OK");
    auto conns = server.connections();
    ASSERT_EQ(conns.size(), 2u);
    EXPECT_EQ(conns[0].clientSubject, fixtures::TestCertificates::instance().subject(CertKind::Client));
    EXPECT_EQ(conns[1].clientSubject, "");
}

TEST(HttpsServer, RequiredClientCertificate) {
    HttpsServer server({.clientCertificate = ClientCertificate::Require});
    server.enqueue(Answer::ok("a"));
    {
        LoopbackClient without(server.port());
        // Under TLS 1.3 the refusal arrives after the client's side of the handshake.
        if (without.startTls({})) {
            without.send(kGet);
            EXPECT_EQ(without.readSome(), "");
        }
    }
    ASSERT_TRUE(server.waitForClosedConnections(1));
    EXPECT_NE(server.connections()[0].tlsError, "");
    EXPECT_EQ(server.requestCount(), 0u);

    LoopbackClient with(server.port());
    ASSERT_TRUE(with.startTls({.useClientCertificate = true})) << with.tlsError();
    ASSERT_TRUE(with.send(kGet));
    EXPECT_EQ(with.readAnswer().substr(0, 15), "HTTP/1.1 200 OK");
    EXPECT_EQ(server.connections()[1].clientSubject,
              fixtures::TestCertificates::instance().subject(CertKind::Client));
}

TEST(HttpsServer, OffersOnlyTheChosenVersions) {
    struct Case {
        TlsVersion serverMin, serverMax;
        LoopbackClient::Tls client;
        const char* negotiated;  // nullptr: the handshake fails
    };
    const Case cases[] = {
        {TlsVersion::Tls1_3, TlsVersion::Tls1_3, {}, "TLSv1.3"},
        {TlsVersion::Tls1_3, TlsVersion::Tls1_3, {.maxVersion = TLS1_2_VERSION}, nullptr},
        {TlsVersion::Tls1_2, TlsVersion::Tls1_2, {}, "TLSv1.2"},
        {TlsVersion::Tls1_0, TlsVersion::Tls1_0, {}, nullptr},
        {TlsVersion::Tls1_0, TlsVersion::Tls1_0, {.minVersion = TLS1_VERSION, .legacy = true}, "TLSv1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.negotiated ? c.negotiated : "refused");
        HttpsServer server({.minVersion = c.serverMin, .maxVersion = c.serverMax});
        server.enqueue(Answer::ok("v"));
        LoopbackClient client(server.port());
        bool ok = client.startTls(c.client);
        EXPECT_EQ(ok, c.negotiated != nullptr) << client.tlsError();
        if (!ok) continue;
        EXPECT_EQ(client.tlsVersion(), c.negotiated);
        ASSERT_TRUE(client.send(kGet));
        EXPECT_EQ(client.readAnswer().substr(0, 15), "HTTP/1.1 200 OK");
        EXPECT_EQ(server.connections()[0].tlsVersion, c.negotiated);
    }
}
