#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>

#include <openssl/ssl.h>

#include "loopback_client.h"
#include "testing/http_server.h"
#include "testing/raw_peer.h"

using fixtures::Answer;
using fixtures::HttpServer;
using fixtures::Milliseconds;
using fixtures::PeerScript;
using fixtures::RawPeer;
using fixtures::RawTlsPeer;

TEST(RawPeer, ScriptedExchangeIsRecordedByteForByte) {
    RawPeer peer;
    peer.addConnection(PeerScript()
                           .expectBytes("HELLO\r\n")
                           .send("+OK ready\r\n")
                           .expectUntil("\r\n\r\n")
                           .expect(3)
                           .send(std::string("\0\xff\r\n", 4))
                           .close());
    LoopbackClient client(peer.port());
    ASSERT_TRUE(client.send("HELLO\r\n"));
    EXPECT_EQ(client.readExactly(11), "+OK ready\r\n");
    ASSERT_TRUE(client.send("any\r\nthing\r\n\r\nxyz"));
    EXPECT_EQ(client.readToClose(), std::string("\0\xff\r\n", 4));
    EXPECT_TRUE(client.closedByPeer());
    ASSERT_TRUE(peer.waitFinished());
    EXPECT_TRUE(peer.errors().empty()) << peer.errors()[0];
    EXPECT_EQ(peer.connection(0).received, "HELLO\r\nany\r\nthing\r\n\r\nxyz");
}

TEST(RawPeer, MismatchTimeOutAndEarlyCloseAreErrors) {
    RawPeer peer({.stepTimeout = Milliseconds(300)});
    peer.addConnection(PeerScript().expectBytes("abc").send("never"));
    peer.addConnection(PeerScript().expect(10));
    peer.addConnection(PeerScript().expect(10));
    {
        LoopbackClient mismatch(peer.port());
        ASSERT_TRUE(mismatch.send("abX"));
        EXPECT_EQ(mismatch.readToClose(), "");
    }
    {
        LoopbackClient slow(peer.port());
        ASSERT_TRUE(slow.send("12"));
        EXPECT_EQ(slow.readToClose(), "");
    }
    {
        LoopbackClient early(peer.port());
        ASSERT_TRUE(early.send("123"));
        early.shutdownWrite();
        EXPECT_EQ(early.readToClose(), "");
    }
    ASSERT_TRUE(peer.waitFinished());
    std::vector<std::string> errors = peer.errors();
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0], "connection 0: step 1: expected \"abc\", received \"abX\"");
    EXPECT_EQ(errors[1], "connection 1: step 1: timed out after 2 of 10 bytes: \"12\"");
    EXPECT_EQ(errors[2], "connection 2: step 1: the client closed after 3 of 10 bytes: \"123\"");
}

TEST(RawPeer, ConnectionsPastTheScriptsAreClosed) {
    RawPeer peer;
    peer.addConnection(PeerScript().send("one"));
    LoopbackClient first(peer.port());
    EXPECT_EQ(first.readToClose(), "one");
    LoopbackClient second(peer.port());
    EXPECT_EQ(second.readToClose(), "");
    EXPECT_TRUE(second.closedByPeer());
    EXPECT_TRUE(peer.waitForConnections(2));
    EXPECT_EQ(peer.connectionCount(), 2u);
}

TEST(RawPeer, AbortResetsAndHoldWaitsForTheClient) {
    RawPeer peer;
    peer.addConnection(PeerScript().expect(1).abort());
    peer.addConnection(PeerScript().hold());
    LoopbackClient reset(peer.port());
    ASSERT_TRUE(reset.send("x"));
    EXPECT_EQ(reset.readSome(), "");
    EXPECT_EQ(reset.lastErrno(), ECONNRESET);

    {
        LoopbackClient held(peer.port(), Milliseconds(300));
        ASSERT_TRUE(held.send("still there"));
        EXPECT_EQ(held.readSome(), "");
        EXPECT_FALSE(held.closedByPeer());
    }
    ASSERT_TRUE(peer.waitFinished());
    EXPECT_TRUE(peer.connection(1).clientClosed);
    EXPECT_EQ(peer.connection(1).received, "still there");
    EXPECT_TRUE(peer.errors().empty());
}

TEST(RawPeer, SplitWritesArriveInPieces) {
    RawPeer peer;
    peer.addConnection(PeerScript().sendSplit("0123456789", {4, 7}, Milliseconds(700)));
    LoopbackClient client(peer.port());
    EXPECT_EQ(client.readSome(), "0123");
    EXPECT_EQ(client.readSome(), "456");
    EXPECT_EQ(client.readToClose(), "789");
}

// A scripted SOCKS5 proxy: greeting, connect request for 127.0.0.1:port, then the relay.
TEST(RawPeer, ProxyHandshakeThenRelayToTheTarget) {
    HttpServer target;
    target.enqueue(Answer::ok("through the tunnel"));
    std::string connect("\x05\x01\x00\x01\x7f\x00\x00\x01", 8);
    connect += static_cast<char>(target.port() >> 8);
    connect += static_cast<char>(target.port() & 0xff);
    RawPeer proxy;
    proxy.addConnection(PeerScript()
                            .expectBytes(std::string("\x05\x01\x00", 3))
                            .send(std::string("\x05\x00", 2))
                            .expectBytes(connect)
                            .send(std::string("\x05\x00\x00\x01\x7f\x00\x00\x01\x00\x00", 10))
                            .relayTo(target.port()));
    LoopbackClient client(proxy.port());
    ASSERT_TRUE(client.send(std::string("\x05\x01\x00", 3)));
    EXPECT_EQ(client.readExactly(2), std::string("\x05\x00", 2));
    ASSERT_TRUE(client.send(connect));
    EXPECT_EQ(client.readExactly(10).substr(0, 2), std::string("\x05\x00", 2));
    const std::string get = "GET /x HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    ASSERT_TRUE(client.send(get));
    std::string answer = client.readAnswer();
    EXPECT_EQ(answer.substr(answer.size() - 18), "through the tunnel");
    EXPECT_EQ(target.request(0).bytes, get);
    client.shutdownWrite();
    EXPECT_EQ(client.readToClose(), "");
    ASSERT_TRUE(proxy.waitFinished());
    EXPECT_TRUE(proxy.errors().empty());
    EXPECT_EQ(proxy.connection(0).received, std::string("\x05\x01\x00", 3) + connect + get);
    EXPECT_EQ(proxy.connection(0).fromTarget, answer);
}

// A scripted HTTP CONNECT proxy in front of an HTTPS server: TLS runs end to end through it.
TEST(RawPeer, ConnectTunnelToHttps) {
    fixtures::HttpsServer target;
    target.enqueue(Answer::ok("secret"));
    RawPeer proxy;
    const std::string connect = "CONNECT localhost:" + std::to_string(target.port()) +
                                " HTTP/1.1\r\nHost: localhost\r\n\r\n";
    proxy.addConnection(PeerScript()
                            .expectBytes(connect)
                            .send("HTTP/1.1 200 Connection established\r\n\r\n")
                            .relayTo(target.port()));
    LoopbackClient client(proxy.port());
    ASSERT_TRUE(client.send(connect));
    EXPECT_EQ(client.readUntil("\r\n\r\n"), "HTTP/1.1 200 Connection established\r\n\r\n");
    ASSERT_TRUE(client.startTls({})) << client.tlsError();
    ASSERT_TRUE(client.send("GET / HTTP/1.1\r\nConnection: close\r\n\r\n"));
    std::string answer = client.readToClose();
    EXPECT_EQ(answer.substr(answer.size() - 6), "secret");
    EXPECT_EQ(target.request(0).bytes, "GET / HTTP/1.1\r\nConnection: close\r\n\r\n");
    ASSERT_TRUE(proxy.waitFinished());
    EXPECT_TRUE(proxy.errors().empty()) << proxy.errors()[0];
}

TEST(RawPeer, RefusingPortRefuses) {
    LoopbackClient client(fixtures::refusingPort(), Milliseconds(1000));
    EXPECT_FALSE(client.connected());
}

TEST(RawTlsPeer, RecordsSplitAndMergedOverTls) {
    RawTlsPeer peer;
    peer.addConnection(PeerScript()
                           .expectBytes("ping")
                           .sendRecords({"first record", "second record"})
                           .sendRecordSplit("split record", 3)
                           .expectClose());
    LoopbackClient client(peer.port());
    ASSERT_TRUE(client.startTls({})) << client.tlsError();
    ASSERT_TRUE(client.send("ping"));
    EXPECT_EQ(client.readSome(), "first record");
    EXPECT_EQ(client.readSome(), "second record");
    EXPECT_EQ(client.readSome(), "split record");
    std::string version = client.tlsVersion();
    client.shutdownWrite();
    ASSERT_TRUE(peer.waitFinished());
    EXPECT_TRUE(peer.errors().empty()) << peer.errors()[0];
    EXPECT_EQ(peer.connection(0).received, "ping");
    EXPECT_EQ(peer.connection(0).tlsVersion, version);
}

TEST(RawTlsPeer, FailedHandshakeSkipsTheScript) {
    RawTlsPeer peer({.certificate = fixtures::CertKind::Expired});
    peer.addConnection(PeerScript().send("unreachable"));
    LoopbackClient client(peer.port());
    EXPECT_FALSE(client.startTls({}));
    ASSERT_TRUE(peer.waitFinished());
    EXPECT_NE(peer.connection(0).tlsError, "");
    EXPECT_EQ(peer.errors().size(), 1u);
}

TEST(RawTlsPeer, RenegotiatesOrUpdatesKeys) {
    for (int version : {TLS1_2_VERSION, TLS1_3_VERSION}) {
        SCOPED_TRACE(version);
        RawTlsPeer peer;
        peer.addConnection(PeerScript().send("before").renegotiate().send("after").expectBytes("done"));
        LoopbackClient client(peer.port());
        ASSERT_TRUE(client.startTls({.minVersion = version, .maxVersion = version})) << client.tlsError();
        EXPECT_EQ(client.readSome(), "before");
        EXPECT_EQ(client.readSome(), "after");
        ASSERT_TRUE(client.send("done"));
        EXPECT_EQ(client.readToClose(), "");
        ASSERT_TRUE(peer.waitFinished());
        EXPECT_TRUE(peer.errors().empty()) << peer.errors()[0];
    }
}

namespace {

std::size_t entries(const char* dir) {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
}

}  // namespace

// Destroying the fixtures mid-exchange must neither hang nor leave a thread or a descriptor.
TEST(Fixtures, StopWithConnectionsOpen) {
    fixtures::TestCertificates::instance();
    std::size_t threads = entries("/proc/self/task");
    std::size_t fds = entries("/proc/self/fd");
    {
        fixtures::HttpsServer server;
        server.enqueue(Answer::silence());
        RawPeer peer;
        peer.addConnection(PeerScript().hold());
        RawTlsPeer tlsPeer;
        tlsPeer.addConnection(PeerScript().expect(100));
        LoopbackClient a(server.port());
        ASSERT_TRUE(a.startTls({}));
        ASSERT_TRUE(a.send("GET / HTTP/1.1\r\n\r\n"));
        LoopbackClient b(peer.port());
        LoopbackClient c(tlsPeer.port());
        ASSERT_TRUE(server.waitForRequests(1));
        ASSERT_TRUE(peer.waitForConnections(1));
        ASSERT_TRUE(tlsPeer.waitForConnections(1));
    }
    EXPECT_EQ(entries("/proc/self/task"), threads);
    EXPECT_EQ(entries("/proc/self/fd"), fds);
}
