#include <unistd.h>

#include <string>
#include <vector>

#include "payment_core/tests/net_test.h"
#include "testing/raw_peer.h"

using namespace payment_core;
using fixtures::Milliseconds;
using fixtures::PeerScript;
using fixtures::RawPeer;
using net_test::config;
using net_test::Item;
using net_test::pumpUntil;
using net_test::RecordingClient;

namespace {

void connectTo(RecordingClient& client, int port) {
    ASSERT_EQ(client.setRemoteHost("127.0.0.1"), 0);
    ASSERT_EQ(client.setRemotePort(port), 0);
    ASSERT_EQ(client.setConnected(true), 0);
    ASSERT_TRUE(pumpUntil([&] { return !client.connects.empty(); }));
    ASSERT_EQ(client.connects.front(), 0);
}

struct LineCase {
    const char* name;
    std::string eol;
    int maxLine;
    std::vector<std::string> pieces;  // the peer waits for "+" from the client between pieces
    std::vector<Item> expected;
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class LineDelivery : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineDelivery, CutsReceivedBytesByTheRules) {
    const LineCase& c = GetParam();
    RawPeer peer;
    PeerScript script;
    for (std::size_t i = 0; i < c.pieces.size(); ++i) {
        if (i) script.expectBytes("+");
        script.send(c.pieces[i]);
    }
    script.expectClose();
    peer.addConnection(script);

    RecordingClient client;
    ASSERT_EQ(client.setMaxLineSize(c.maxLine), 0);
    ASSERT_EQ(client.setEol(c.eol.data(), static_cast<int>(c.eol.size())), 0);
    // Each delivery lets the peer go on, so that pieces arrive one after another.
    client.afterItem = [&] { client.sendBytes("+", 1, 0, true); };
    connectTo(client, peer.port());
    const std::size_t expectedCount = c.expected.size();
    pumpUntil([&] { return client.items.size() >= expectedCount && client.items.back() == c.expected.back(); });
    client.afterItem = nullptr;
    EXPECT_EQ(client.items, c.expected);
    EXPECT_TRUE(client.errors.empty());
    client.setConnected(false);
    EXPECT_TRUE(peer.waitFinished());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineDelivery,
    ::testing::Values(
        LineCase{"RawChunksAsTheyArrive", "", 2048, {"ab", "cd"}, {{"ab", 1}, {"cd", 1}}},
        LineCase{"LineKeepsTheUnterminatedRest", "\r\n", 2048, {"a\r\nb", "c\r\n"}, {{"a", 1}, {"bc", 1}}},
        LineCase{"SeveralLinesInOneRead", "\n", 2048, {"one\ntwo\nthree\n"}, {{"one", 1}, {"two", 1}, {"three", 1}}},
        LineCase{"EolSplitAcrossReads", "\r\n", 2048, {"ab\r\nx\r", "\ny\r\n"}, {{"ab", 1}, {"x", 1}, {"y", 1}}},
        LineCase{"FullQueueIsOnePartialItem", "\r\n", 8, {"0123456789\r\n"}, {{"01234567", 0}, {"89", 1}}}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(CORE_BUILD_NAME) + info.param.name; });

CORE_TEST(TcpClient, CloseDeliversTheUnterminatedRestAsPartial) {
    RawPeer peer;
    peer.addConnection(PeerScript().send("first\r\nsecond").close());
    RecordingClient client;
    client.setEol("\r\n", 2);
    connectTo(client, peer.port());
    ASSERT_TRUE(pumpUntil([&] { return !client.disconnects.empty(); }));
    EXPECT_EQ(client.items, (std::vector<Item>{{"first", 1}, {"second", 0}}));
    EXPECT_EQ(client.disconnects, std::vector<int>{0});
    EXPECT_EQ(client.socket, INVALID_SOCKET);
}

CORE_TEST(TcpClient, ALateCloseOfAnEarlierSocketLeavesTheConnectAlone) {
    RawPeer peer;
    peer.addConnection(PeerScript().send("hello").expectClose());
    RecordingClient client;
    ASSERT_EQ(client.setRemoteHost("127.0.0.1"), 0);
    ASSERT_EQ(client.setRemotePort(peer.port()), 0);
    // The socket will get the lowest free number, which an earlier socket's close still names.
    const int number = dup(0);
    ASSERT_GE(number, 0);
    close(number);
    PostMessageA(client.notifyWindow, kSocketMessage, static_cast<WPARAM>(number), FD_CLOSE);
    ASSERT_EQ(client.setConnected(true), 0);
    ASSERT_EQ(client.socket, static_cast<SOCKET>(number));
    ASSERT_TRUE(pumpUntil([&] { return !client.connects.empty(); }));
    EXPECT_EQ(client.connects.front(), 0);
    EXPECT_TRUE(pumpUntil([&] { return !client.items.empty(); }));
    EXPECT_EQ(client.items, (std::vector<Item>{{"hello", 1}}));
    EXPECT_TRUE(client.disconnects.empty());
    client.setConnected(false);
    EXPECT_TRUE(peer.waitFinished());
}

CORE_TEST(TcpClient, RefusedConnectGivesTheSocketError) {
    RecordingClient client;
    client.setRemoteHost("127.0.0.1");
    client.setRemotePort(fixtures::refusingPort());
    const int started = client.setConnected(true);
    if (started == 0) {
        ASSERT_TRUE(pumpUntil([&] { return !client.connects.empty(); }));
        EXPECT_EQ(client.connects.front(), 10061);
    } else {
        EXPECT_EQ(started, 10061);
    }
    EXPECT_EQ(client.socket, INVALID_SOCKET);
    EXPECT_EQ(client.connected, 0);
}

CORE_TEST(TcpClient, ConnectIsRefusedWithoutAddressOrPortOrWhenOpen) {
    RawPeer peer;
    peer.addConnection(PeerScript().expectClose());
    RecordingClient client;
    EXPECT_EQ(client.setConnected(true), 102);
    EXPECT_STREQ(client.lastError.data(), "The RemoteHost address is invalid (0.0.0.0).");
    client.setRemoteHost("127.0.0.1");
    EXPECT_EQ(client.setConnected(true), 116);
    EXPECT_STREQ(client.lastError.data(), "RemotePort can't be zero. Please specify a valid service port number.");
    client.firewall.FirewallType = fwSOCKS5;
    EXPECT_EQ(client.setConnected(true), 102);
    EXPECT_STREQ(client.lastError.data(), "The FirewallHost address is invalid (0.0.0.0).");
    client.firewall.setFirewallHost("127.0.0.1");
    EXPECT_EQ(client.setConnected(true), 116);
    EXPECT_STREQ(client.lastError.data(), "The FirewallPort is invalid (0).");
    client.firewall.FirewallType = fwNone;

    connectTo(client, peer.port());
    EXPECT_EQ(client.setConnected(true), 104);
    EXPECT_STREQ(client.lastError.data(),
                 "Already connected. If you want to reconnect, close the current connection first.");
    EXPECT_EQ(client.setRemotePort(1), 100);
    EXPECT_STREQ(client.lastError.data(),
                 "You cannot change the RemotePort at this time. A connection is in progress.");
    EXPECT_EQ(client.setRemoteHost("127.0.0.2"), 101);
    EXPECT_STREQ(client.lastError.data(),
                 "You cannot change the RemoteHost at this time. A connection is in progress.");
    int result = 0;
    config(client, "MaxLineLength=10", &result);
    EXPECT_EQ(result, 112);
    EXPECT_STREQ(client.lastError.data(), "You cannot change MaxLineSize at this time. A connection is in progress.");
    EXPECT_EQ(config(client, "SocketHandle"), std::to_string(client.socket));
    client.setConnected(false);
    EXPECT_EQ(config(client, "SocketHandle"), "-1");
}

CORE_TEST(TcpClient, HostThatNoLongerResolvesForgetsTheOldAddress) {
    RecordingClient client;
    ASSERT_EQ(client.setRemoteHost("127.0.0.1"), 0);
    EXPECT_STREQ(client.getRemoteHost(), "127.0.0.1");
    EXPECT_NE(client.setRemoteHost("no-such-host.invalid"), 0);
    EXPECT_STREQ(client.getRemoteHost(), "");
    client.setRemotePort(80);
    EXPECT_EQ(client.setConnected(true), 102);
    ASSERT_EQ(client.firewall.setFirewallHost("127.0.0.1"), 0);
    EXPECT_NE(client.firewall.setFirewallHost("no-such-host.invalid"), 0);
    EXPECT_STREQ(client.firewall.getFirewallHost(), "");
}

CORE_TEST(TcpClient, OptionsReachTheSocket) {
    RawPeer peer;
    peer.addConnection(PeerScript().expectClose());
    RecordingClient client;
    EXPECT_EQ(config(client, "MaxLineLength=100000"), "");
    EXPECT_EQ(config(client, "MaxLineLength"), "65536");
    config(client, "MaxLineLength=0");
    EXPECT_EQ(config(client, "MaxLineLength"), "1");
    config(client, "MaxLineLength=2048");
    EXPECT_EQ(config(client, "TcpNoDelay=YES"), "");
    EXPECT_EQ(config(client, "TcpNoDelay"), "True");
    config(client, "InBufferSize=65536");
    EXPECT_EQ(config(client, "InBufferSize"), "65536");
    connectTo(client, peer.port());

    WinsockTable& ws = winsockTable();
    int value = 0, length = sizeof value;
    ASSERT_EQ(ws.getsockopt(client.socket, IPPROTO_TCP_WS, TCP_NODELAY_WS, reinterpret_cast<char*>(&value), &length), 0);
    EXPECT_NE(value, 0);
    ASSERT_EQ(ws.getsockopt(client.socket, SOL_SOCKET_WS, SO_DEBUG_WS, reinterpret_cast<char*>(&value), &length), 0);
    EXPECT_EQ(value, 0) << "the no-delay flag is not the socket level's option 1";
    EXPECT_EQ(config(client, "TcpNoDelay=on"), "");
    ASSERT_EQ(ws.getsockopt(client.socket, IPPROTO_TCP_WS, TCP_NODELAY_WS, reinterpret_cast<char*>(&value), &length), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(client.setKeepAlive(true), 0);
    ASSERT_EQ(ws.getsockopt(client.socket, SOL_SOCKET_WS, SO_KEEPALIVE_WS, reinterpret_cast<char*>(&value), &length), 0);
    EXPECT_NE(value, 0);
    EXPECT_STREQ(client.getLocalHost(), "127.0.0.1");
    client.setConnected(false);
}

CORE_TEST(TcpClient, SendBeforeTheLinkIsReadyFailsWithNotConnected) {
    RecordingClient client;
    EXPECT_EQ(client.sendBytes("x", 1, 0, true), 10057);
    EXPECT_EQ(winsockTable().WSAGetLastError(), 10057);
}

}  // namespace
