#include <string>
#include <vector>

#include "payment_core/http_client.h"
#include "payment_core/tests/core_test.h"
#include "testing/http_server.h"
#include "testing/loopback.h"
#include "testing/raw_peer.h"

using namespace payment_core;
using fixtures::Answer;
using fixtures::HttpServer;
using fixtures::PeerScript;
using fixtures::RawPeer;

namespace {

class Client : public HttpClient {
public:
    Client() { setTimeoutMs(10000); }
    void onSetCookie(const char* name, const char* value, const char*, const char*, const char*, bool) override {
        cookies.push_back(std::string(name) + "=" + value);
    }
    void onHeader(const char* name, const char* value) override {
        headers.push_back(std::string(name) + ": " + value);
    }
    std::vector<std::string> cookies;
    std::vector<std::string> headers;
};

std::string run(Client& client, const std::string& url, int action = kActionGet) {
    client.setUrl(url.c_str(), false);
    const int result = client.performAction(action);
    return std::to_string(result) + " " + str(client.lastError);
}

}  // namespace

CORE_TEST(HttpExchange, OtherHeadersThatWouldSplitTheHeadAreRefused) {
    const char* refused[] = {
        "X-A: 1\r\n\r\nGET /smuggled HTTP/1.1\r\nHost: x",
        "X-A: 1\rGET /smuggled HTTP/1.1",
        "X-A: 1\nX-B: 2",
        "X-A: 1\r\nno colon here",
        "X-A: 1\r\n folded: on",
        ": empty name",
        "\r\n",
    };
    HttpServer server;
    for (const char* headers : refused) {
        SCOPED_TRACE(headers);
        Client client;
        client.KeepAlive = true;
        client.OtherHeaders.assignCString(headers);
        EXPECT_EQ(run(client, server.url("/")), "154 Line break in a request field.");
    }
    EXPECT_EQ(server.connectionCount(), 0u);

    server.enqueue(Answer::ok("a"));
    Client client;
    client.OtherHeaders.assignCString("X-A: 1\r\nX-B: two: parts\r\n\r\n");
    EXPECT_EQ(run(client, server.url("/")), "0 ");
    EXPECT_NE(server.request(0).bytes.find("\r\nX-A: 1\r\nX-B: two: parts\r\n\r\n"), std::string::npos);
}

// The receive queue holds 2048 bytes; longer lines come up in pieces.
CORE_TEST(HttpExchange, LongHeaderLinesAreOneHeader) {
    const std::string cookie = "big=" + std::string(2996, 'c');
    const std::string pad = std::string(2041, 'a') + "Set-Cookie: injected=1";
    HttpServer server;
    server.enqueue(Answer::status(200, "OK", "body", {{"Set-Cookie", cookie}, {"X-Pad", pad}}));
    Client client;
    EXPECT_EQ(run(client, server.url("/")), "0 ");
    EXPECT_EQ(client.cookies, std::vector<std::string>{cookie});
    ASSERT_EQ(client.headers.size(), 3u);
    EXPECT_EQ(client.headers[1], "X-Pad: " + pad);
    EXPECT_EQ(str(client.ResponseHeaders),
              "Set-Cookie: " + cookie + "\r\nX-Pad: " + pad + "\r\nContent-Length: 4\r\n");
    EXPECT_EQ(str(client.TransferredData), "body");
}

CORE_TEST(HttpExchange, OversizedHeadsEndTheExchange) {
    std::string manyLines;
    for (int i = 0; i < 1100; ++i) manyLines += "X-Line-" + std::to_string(i) + ": " + std::string(1000, 'h') + "\r\n";
    HttpServer server;
    server.enqueue(Answer::raw("HTTP/1.1 200 OK\r\nX-Long: " + std::string(70000, 'l') + "\r\n\r\n"));
    server.enqueue(Answer::raw("HTTP/1.1 200 OK\r\n" + manyLines + "\r\n"));
    server.enqueue(Answer::raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4;x=" + std::string(70000, 'e') +
                               "\r\nabcd\r\n0\r\n\r\n"));
    Client client;
    client.KeepAlive = true;
    EXPECT_EQ(run(client, server.url("/")), "156 A response header line is too long.");
    EXPECT_FALSE(client.isReady());
    EXPECT_EQ(run(client, server.url("/")), "156 The response headers are too long.");
    EXPECT_EQ(run(client, server.url("/")), "156 A chunk size or trailer line is too long.");
    EXPECT_EQ(server.connectionCount(), 3u);
}

CORE_TEST(HttpExchange, BodyIsExactlyTheAnnouncedLength) {
    HttpServer server;
    server.enqueue(Answer::raw("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello\r\nEXTRA"));
    server.enqueue(Answer::ok("next"));
    server.enqueue(Answer::raw("HTTP/1.1 200 OK\r\nContent-Length: 4294967301\r\n\r\nhello").thenClose());
    Client client;
    client.KeepAlive = true;
    EXPECT_EQ(run(client, server.url("/")), "0 ");
    EXPECT_EQ(str(client.TransferredData), "hello");
    EXPECT_EQ(client.bytesReceived, 5);
    // The stray bytes went with their connection; they are not the next answer.
    EXPECT_EQ(run(client, server.url("/")), "0 ");
    EXPECT_EQ(str(client.TransferredData), "next");
    EXPECT_EQ(server.connectionCount(), 2u);
    EXPECT_EQ(run(client, server.url("/")), "155 Invalid Content-Length in the response.");
}

CORE_TEST(HttpExchange, AnswersWithoutBodyEndAtTheirHead) {
    HttpServer server;
    server.enqueue(Answer::raw("HTTP/1.1 204 No Content\r\n\r\n"));
    server.enqueue(Answer::raw("HTTP/1.1 304 Not Modified\r\nContent-Length: 10\r\n\r\n"));
    server.enqueue(Answer::ok("after"));
    Client client;
    client.KeepAlive = true;
    client.setTimeoutMs(8000);
    EXPECT_EQ(run(client, server.url("/")), "0 ");
    EXPECT_EQ(run(client, server.url("/")), "151 Not Modified");
    EXPECT_EQ(run(client, server.url("/")), "0 ");
    EXPECT_EQ(str(client.TransferredData), "after");
    EXPECT_EQ(server.connectionCount(), 1u);
}

CORE_TEST(HttpExchange, ChunkSizeWithoutDigitsIsABadChunk) {
    HttpServer server;
    server.enqueue(Answer::raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n\r\n"));
    server.enqueue(Answer::raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n;ext\r\n\r\n"));
    Client client;
    EXPECT_EQ(run(client, server.url("/")), "155 Invalid chunk size in the response.");
    EXPECT_EQ(run(client, server.url("/")), "155 Invalid chunk size in the response.");
}

CORE_TEST(HttpExchange, ServerThatClosesWithoutAnsweringFails) {
    HttpServer server;
    server.enqueue(Answer::hangUp());
    Client client;
    client.PostData.assignCString("x_amount=1.00");
    EXPECT_EQ(run(client, server.url("/gw"), kActionPost), "155 Connection closed before a response was received.");
    EXPECT_EQ(server.request(0).body, "x_amount=1.00");
    EXPECT_TRUE(client.TransferredData.empty());
}

CORE_TEST(HttpExchange, SocketErrorsHaveTheirText) {
    Client client;
    EXPECT_EQ(run(client, "http://127.0.0.1:" + std::to_string(fixtures::refusingPort()) + "/"),
              "10061 [10061] Connection refused");
    const std::string lookUp = run(client, "http://no-such-host.invalid/");
    EXPECT_EQ(lookUp.substr(0, 6), "11001 ");
    EXPECT_EQ(lookUp.substr(6), "[11001] Host not found");
}

CORE_TEST(HttpExchange, ProxyCredentialsGoOnlyToTheProxy) {
    HttpServer origin;
    origin.enqueue(Answer::ok("direct"));
    origin.enqueue(Answer::ok("tunnelled"));
    Client direct;
    direct.setProxyUser("pu");
    direct.setProxyPassword("pp");
    EXPECT_EQ(run(direct, origin.url("/d")), "0 ");
    EXPECT_FALSE(origin.request(0).hasHeader("Proxy-Authorization"));

    RawPeer tunnel;
    tunnel.addConnection(PeerScript()
                             .expectBytes("CONNECT 127.0.0.1:" + std::to_string(origin.port()) +
                                          " HTTP/1.0\r\nProxy-authorization: Basic cHU6cHA=\r\n\r\n")
                             .send("HTTP/1.0 200 Connection established\r\n\r\n")
                             .relayTo(origin.port()));
    Client tunnelled;
    tunnelled.ProxyServer.assignCString("127.0.0.1");
    tunnelled.ProxyPort = tunnel.port();
    tunnelled.ProxySSL = psTunnel;
    tunnelled.setProxyUser("pu");
    tunnelled.setProxyPassword("pp");
    EXPECT_EQ(run(tunnelled, origin.url("/t")), "0 ");
    EXPECT_EQ(str(tunnelled.TransferredData), "tunnelled");
    EXPECT_FALSE(origin.request(1).hasHeader("Proxy-Authorization"));
    EXPECT_TRUE(tunnel.errors().empty()) << tunnel.errors().front();
}

CORE_TEST(HttpExchange, BadPortInALocationIsABadUrl) {
    HttpServer server;
    server.enqueue(Answer::status(302, "Found", "", {{"Location", "http://127.0.0.1:99999999999/x"}}));
    Client client;
    client.FollowRedirects = 1;
    EXPECT_EQ(run(client, server.url("/")), "157 Invalid port number in URL.");
    EXPECT_EQ(client.setUrl("http://h.example:70000/x", false), 157);
}

CORE_TEST(HttpExchange, KeptConnectionClosedByTheServerIsNotReused) {
    RawPeer peer;
    peer.addConnection(PeerScript()
                           .expectUntil("\r\n\r\n")
                           .send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nfirst")
                           .pause(fixtures::Milliseconds(200))
                           .close());
    peer.addConnection(PeerScript().expectUntil("\r\n\r\n").send("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nsecond"));
    Client client;
    client.KeepAlive = true;
    const std::string url = "http://127.0.0.1:" + std::to_string(peer.port()) + "/";
    EXPECT_EQ(run(client, url), "0 ");
    // The close arrives while nothing pumps messages.
    for (int i = 0; i < 2000 && !peer.connection(0).finished; ++i) Sleep(10);
    Sleep(300);
    EXPECT_EQ(run(client, url), "0 ");
    EXPECT_EQ(str(client.TransferredData), "second");
}
