#include <string>

#include "payment_core/tests/net_test.h"
#include "testing/raw_peer.h"

using namespace payment_core;
using fixtures::Milliseconds;
using fixtures::PeerScript;
using fixtures::RawPeer;
using net_test::pumpUntil;
using net_test::TestTransport;

namespace {

void directTo(TestTransport& t, int port) {
    ASSERT_EQ(t.setRemoteHost("127.0.0.1"), 0);
    ASSERT_EQ(t.setRemotePort(port), 0);
}

void tunnelTo(TestTransport& t, int proxyPort) {
    t.firewall.FirewallType = fwTunnel;
    ASSERT_EQ(t.firewall.setFirewallHost("127.0.0.1"), 0);
    t.firewall.FirewallPort = proxyPort;
    ASSERT_EQ(t.setRemoteHost("example.test"), 0);
    ASSERT_EQ(t.setRemotePort(443), 0);
}

// A host window whose messages reach the host's code during the transport's waits.
constexpr UINT kHostCall = WM_USER + 40;
LRESULT hostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kHostCall) {
        reinterpret_cast<TestTransport*>(lParam)->Interrupt();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

CORE_TEST(Transport, ConnectSendReceiveAndDisconnect) {
    RawPeer peer;
    peer.addConnection(PeerScript().expectBytes("hello\r\n").send("answer\r\nrest").expectClose());
    TestTransport t;
    directTo(t, peer.port());
    ASSERT_EQ(t.connectAndWait(), 0);
    EXPECT_EQ(t.connected, (std::vector<std::string>{"0 OK"}));
    EXPECT_EQ(t.connectAndWait(), 0) << "already connected: nothing happens";
    EXPECT_EQ(t.setEol("\r\n", 2), 0);
    EXPECT_EQ(t.sendAll("hello\r\n", 7, false), 0);
    ASSERT_TRUE(pumpUntil([&] { return t.received() == "answer"; }));
    EXPECT_EQ(t.AcceptData, 0) << "one item at a time";
    EXPECT_EQ(t.disconnectAndWait(), 0);
    EXPECT_FALSE(t.socketOpen());
    ASSERT_TRUE(peer.waitFinished());
    EXPECT_EQ(peer.connectionCount(), 1u);
}

CORE_TEST(Transport, LargeSendCompletesThroughRepeatedWouldBlock) {
    const std::string big(16 * 1024 * 1024, 'z');
    RawPeer peer;
    peer.addConnection(PeerScript().pause(Milliseconds(200)).expect(big.size()).send("done").expectClose());
    TestTransport t;
    directTo(t, peer.port());
    ASSERT_EQ(t.connectAndWait(), 0);
    EXPECT_EQ(t.sendAll(big.data(), static_cast<int>(big.size()), false), 0);
    ASSERT_TRUE(pumpUntil([&] { return t.received() == "done"; }));
    t.disconnectAndWait();
    ASSERT_TRUE(peer.waitFinished());
    EXPECT_EQ(peer.connection(0).received.size(), big.size());
}

CORE_TEST(Transport, RefusedConnectReturnsTheSocketError) {
    TestTransport t;
    directTo(t, fixtures::refusingPort());
    EXPECT_EQ(t.connectAndWait(), 10061);
    EXPECT_STREQ(t.lastError.data(), "[10061] Connection refused");
    EXPECT_FALSE(t.socketOpen());
}

CORE_TEST(Transport, TimeoutEndsTheWaitAndClosesTheSocket) {
    RawPeer proxy;
    proxy.addConnection(PeerScript().hold());
    TestTransport t;
    tunnelTo(t, proxy.port());
    t.setTimeout(1);
    EXPECT_EQ(t.connectAndWait(), 301);
    EXPECT_STREQ(t.lastError.data(), "Timeout.");
    EXPECT_FALSE(t.socketOpen());
    EXPECT_EQ(net_test::config(t, "SocketHandle"), "-1");
    EXPECT_TRUE(proxy.waitFinished());
}

struct TrickleCase {
    const char* name;
    bool absolute;
    int expected;
};
void PrintTo(const TrickleCase& c, std::ostream* os) { *os << c.name; }

class SlowTrickle : public ::testing::TestWithParam<TrickleCase> {};

// The proxy's answer comes in pieces 300 ms apart, 1.8 seconds in all, against a 1 second Timeout.
TEST_P(SlowTrickle, RearmsTheDeadlineUnlessAbsolute) {
    const std::string answer = "HTTP/1.0 200 Connection established\r\n\r\n";
    RawPeer proxy;
    proxy.addConnection(PeerScript().expectUntil("\r\n\r\n").sendSplit(answer, {6, 12, 18, 24, 30, 36}, Milliseconds(300)).hold());
    TestTransport t;
    tunnelTo(t, proxy.port());
    t.setTimeout(1);
    net_test::config(t, GetParam().absolute ? "AbsoluteTimeout=true" : "AbsoluteTimeout=false");
    EXPECT_EQ(t.connectAndWait(), GetParam().expected) << t.lastError.data();
    if (GetParam().expected) {
        EXPECT_STREQ(t.lastError.data(), "Timeout.");
    }
    t.disconnectAndWait();
}

INSTANTIATE_TEST_SUITE_P(Deadlines, SlowTrickle,
                         ::testing::Values(TrickleCase{"Rearmed", false, 0}, TrickleCase{"Absolute", true, 301}),
                         [](const ::testing::TestParamInfo<TrickleCase>& info) {
                             return std::string(CORE_BUILD_NAME) + info.param.name;
                         });

// A 32-bit tick count about to wrap would put the deadline "behind" the current tick.
DWORD tickBeforeWrap() { return 0xFFFFFF00u; }

CORE_TEST(Transport, TickWrapDoesNotEndAWaitEarly) {
    RawPeer proxy;
    proxy.addConnection(PeerScript()
                            .expectUntil("\r\n\r\n")
                            .pause(Milliseconds(300))
                            .send("HTTP/1.0 200 Connection established\r\n\r\nearly")
                            .hold());
    win32::setTickSource(tickBeforeWrap);
    TestTransport t;
    tunnelTo(t, proxy.port());
    t.setTimeout(1);
    const int result = t.connectAndWait();
    win32::setTickSource(nullptr);
    EXPECT_EQ(result, 0) << t.lastError.data();
    // Bytes behind the proxy's answer belong to the application.
    EXPECT_TRUE(pumpUntil([&] { return t.received() == "early"; })) << t.received();
    t.disconnectAndWait();
}

CORE_TEST(Transport, InterruptFromTheHostDuringSendAll) {
    RawPeer peer;
    peer.addConnection(PeerScript().expect(1).pause(Milliseconds(3000)));
    TestTransport t;
    directTo(t, peer.port());
    ASSERT_EQ(t.connectAndWait(), 0);
    WNDCLASSA wc{};
    wc.lpfnWndProc = hostProc;
    wc.lpszClassName = "transport_test_host";
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(0, "transport_test_host", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    // The peer reads one byte and then nothing, so the send has to wait; the host's message
    // is handled inside that wait.
    PostMessageA(host, kHostCall, 0, reinterpret_cast<LPARAM>(&t));
    const std::string big(32 * 1024 * 1024, 'x');
    EXPECT_EQ(t.sendAll(big.data(), static_cast<int>(big.size()), false), 301);
    EXPECT_STREQ(t.lastError.data(), "Interrupted.");
    EXPECT_EQ(t.interrupted, 1);
    DestroyWindow(host);
}

CORE_TEST(Transport, QuitMessageEndsTheWaitAndIsPostedAgain) {
    RawPeer proxy;
    proxy.addConnection(PeerScript().hold());
    TestTransport t;
    tunnelTo(t, proxy.port());
    PostQuitMessage(7);
    EXPECT_EQ(t.connectAndWait(), 301);
    EXPECT_FALSE(t.socketOpen());
    MSG msg{};
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message == WM_QUIT) quit = msg.wParam == 7;
    EXPECT_TRUE(quit);
}

CORE_TEST(Transport, DataThatCannotBeKeptFailsTheExchangeWith200) {
    const std::string body(300, 'b');
    RawPeer peer;
    peer.addConnection(PeerScript().expectBytes("go").send(body).expectClose());
    TestTransport t;
    directTo(t, peer.port());
    ASSERT_EQ(t.connectAndWait(), 0);
    {
        AllocationLimit limit(0);
        EXPECT_EQ(t.sendAll("go", 2, false), 0);
        ASSERT_TRUE(pumpUntil([&] { return t.disconnectResult != 0; }));
    }
    EXPECT_EQ(t.disconnectResult, 200);
    ASSERT_FALSE(t.errors.empty());
    EXPECT_EQ(t.errors.front(), "200 Out of memory in DataIn [QelMsg].");
    EXPECT_EQ(t.disconnected.back(), "200 Out of memory in DataIn [QelMsg].");
    EXPECT_FALSE(t.socketOpen());
}

}  // namespace
