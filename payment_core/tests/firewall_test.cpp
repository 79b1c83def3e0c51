#include <string>
#include <vector>

#include "payment_core/tests/net_test.h"
#include "testing/raw_peer.h"

using namespace payment_core;
using fixtures::PeerScript;
using fixtures::RawPeer;
using net_test::portBytes;
using net_test::pumpUntil;
using net_test::TestTransport;

namespace {

const std::string kLoopback("\x7f\x00\x00\x01", 4);

void throughFirewall(TestTransport& t, FirewallType type, int firewallPort, const char* host, int port) {
    t.firewall.FirewallType = type;
    ASSERT_EQ(t.firewall.setFirewallHost("127.0.0.1"), 0);
    t.firewall.FirewallPort = firewallPort;
    ASSERT_EQ(t.setRemoteHost(host), 0);
    ASSERT_EQ(t.setRemotePort(port), 0);
}

struct TunnelCase {
    const char* name;
    const char* user;
    const char* password;
    std::string header;
};
void PrintTo(const TunnelCase& c, std::ostream* os) { *os << c.name; }

class ConnectTunnel : public ::testing::TestWithParam<TunnelCase> {};

TEST_P(ConnectTunnel, SendsTheRequestByteForByteAndRelays) {
    const TunnelCase& c = GetParam();
    RawPeer target;
    target.addConnection(PeerScript().expectBytes("ping").send("pong").expectClose());
    RawPeer proxy;
    const std::string request = "CONNECT 127.0.0.1:" + std::to_string(target.port()) + " HTTP/1.0\r\n" + c.header + "\r\n";
    proxy.addConnection(
        PeerScript().expectBytes(request).send("HTTP/1.0 200 Connection established\r\n\r\n").relayTo(target.port()));

    TestTransport t;
    throughFirewall(t, fwTunnel, proxy.port(), "127.0.0.1", target.port());
    t.firewall.setFirewallUser(c.user);
    t.firewall.setFirewallPassword(c.password);
    ASSERT_EQ(t.connectAndWait(), 0) << t.lastError.data();
    EXPECT_EQ(t.sendAll("ping", 4, false), 0);
    ASSERT_TRUE(pumpUntil([&] { return t.received() == "pong"; })) << t.received();
    EXPECT_EQ(t.disconnectAndWait(), 0);
    EXPECT_TRUE(target.waitFinished());
    EXPECT_TRUE(proxy.errors().empty()) << proxy.errors().front();
    EXPECT_EQ(t.statuses.front(), "Firewall connection complete. 0");
}

INSTANTIATE_TEST_SUITE_P(
    Tunnels, ConnectTunnel,
    ::testing::Values(TunnelCase{"NoCredentials", "", "", ""},
                      TunnelCase{"UserOnly", "user", "", "Proxy-authorization: Basic dXNlcjo=\r\n"},
                      TunnelCase{"UserAndPassword", "user", "pass", "Proxy-authorization: Basic dXNlcjpwYXNz\r\n"}),
    [](const ::testing::TestParamInfo<TunnelCase>& info) { return std::string(CORE_BUILD_NAME) + info.param.name; });

CORE_TEST(Firewall, ProxyRefusalFailsWith118AndItsReply) {
    const std::string answer = "HTTP/1.0 407 Proxy Authentication Required\r\n\r\n";
    RawPeer proxy;
    proxy.addConnection(PeerScript().expectUntil("\r\n\r\n").send(answer).expectClose());
    TestTransport t;
    throughFirewall(t, fwTunnel, proxy.port(), "example.test", 443);
    EXPECT_EQ(t.connectAndWait(), 118);
    EXPECT_EQ(std::string(t.lastError.data()), answer);
    ASSERT_FALSE(t.errors.empty());
    EXPECT_EQ(t.errors.front(), "118 " + answer);
    EXPECT_FALSE(t.socketOpen());
    EXPECT_TRUE(proxy.waitFinished());
}

CORE_TEST(Firewall, TunnelRefusesAHostThatWouldBreakTheRequest) {
    RawPeer proxy;
    proxy.addConnection(PeerScript().expectClose());
    TestTransport t;
    throughFirewall(t, fwTunnel, proxy.port(), "evil.test:80 HTTP/1.0\r\nX-Injected: 1\r\n", 443);
    EXPECT_EQ(t.connectAndWait(), 118);
    EXPECT_FALSE(t.socketOpen());
    ASSERT_TRUE(proxy.waitFinished());
    EXPECT_EQ(proxy.connection(0).received, "");
}

CORE_TEST(Firewall, Socks4DeliversDataThatCameWithTheGrant) {
    RawPeer proxy;
    const std::string request = std::string("\x04\x01", 2) + portBytes(8443) + kLoopback + "user" + std::string(1, '\0');
    proxy.addConnection(PeerScript()
                            .expectBytes(request)
                            .send(std::string("\x00\x5a\x00\x00\x00\x00\x00\x00", 8) + "hello")
                            .expectClose());
    TestTransport t;
    throughFirewall(t, fwSOCKS4, proxy.port(), "127.0.0.1", 8443);
    t.firewall.setFirewallUser("user");
    ASSERT_EQ(t.connectAndWait(), 0) << t.lastError.data();
    ASSERT_TRUE(pumpUntil([&] { return t.received() == "hello"; })) << t.received();
    t.disconnectAndWait();
    EXPECT_TRUE(proxy.errors().empty());
}

struct RefusalCase {
    const char* name;
    FirewallType type;
    std::vector<std::string> exchange;  // expected request, answer, expected request, answer...
    const char* text;
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class FirewallRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(FirewallRefusal, FailsWith118AndTheText) {
    const RefusalCase& c = GetParam();
    RawPeer proxy;
    PeerScript script;
    for (std::size_t i = 0; i + 1 < c.exchange.size(); i += 2) script.expectBytes(c.exchange[i]).send(c.exchange[i + 1]);
    proxy.addConnection(script.expectClose());
    TestTransport t;
    throughFirewall(t, c.type, proxy.port(), "127.0.0.1", 8443);
    if (c.type == fwSOCKS5 && c.exchange[0].size() == 4) {
        t.firewall.setFirewallUser("u");
        t.firewall.setFirewallPassword("p");
    }
    EXPECT_EQ(t.connectAndWait(), 118);
    EXPECT_STREQ(t.lastError.data(), c.text);
    ASSERT_FALSE(t.errors.empty());
    EXPECT_EQ(t.errors.front(), std::string("118 ") + c.text);
    EXPECT_FALSE(t.socketOpen());
    EXPECT_TRUE(proxy.waitFinished());
    EXPECT_TRUE(proxy.errors().empty()) << proxy.errors().front();
}

const std::string kSocks4Request = std::string("\x04\x01", 2) + portBytes(8443) + kLoopback + std::string(1, '\0');
const std::string kSocks5Offer("\x05\x01\x00", 3);
const std::string kSocks5Connect = std::string("\x05\x01\x00\x01", 4) + kLoopback + portBytes(8443);

std::string socks4Answer(int code) { return std::string{0, static_cast<char>(code), 0, 0, 0, 0, 0, 0}; }
std::string socks5Answer(int code) {
    return std::string{5, static_cast<char>(code), 0, 1, 0, 0, 0, 0, 0, 0};
}
RefusalCase socks5Reply(const char* name, int code, const char* text) {
    return {name, fwSOCKS5, {kSocks5Offer, std::string("\x05\x00", 2), kSocks5Connect, socks5Answer(code)}, text};
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, FirewallRefusal,
    ::testing::Values(
        RefusalCase{"Socks4Rejected", fwSOCKS4, {kSocks4Request, socks4Answer(91)}, "firewall request rejected or failed"},
        RefusalCase{"Socks4NoIdentd", fwSOCKS4, {kSocks4Request, socks4Answer(92)},
                    "firewall request rejected because identd is not available"},
        RefusalCase{"Socks4OtherUser", fwSOCKS4, {kSocks4Request, socks4Answer(93)},
                    "firewall request rejected because identd reports different user"},
        RefusalCase{"Socks4Unknown", fwSOCKS4, {kSocks4Request, socks4Answer(7)}, "unknown firewall error: 7"},
        RefusalCase{"Socks5NoMethod", fwSOCKS5, {kSocks5Offer, std::string("\x05\xff", 2)},
                    "no acceptable firewall authentication methods"},
        RefusalCase{"Socks5OddMethod", fwSOCKS5, {kSocks5Offer, std::string("\x05\x01", 2)},
                    "unknown firewall authentication method"},
        RefusalCase{"Socks5BadCredentials", fwSOCKS5,
                    {std::string("\x05\x02\x00\x02", 4), std::string("\x05\x02", 2), std::string("\x01\x01u\x01p", 5),
                     std::string("\x01\x03", 2)},
                    "firewall authentication failed: 3"},
        socks5Reply("Socks5Reply1", 1, "general SOCKS server failure"),
        socks5Reply("Socks5Reply2", 2, "connection not allowed by ruleset"),
        socks5Reply("Socks5Reply3", 3, "network unreachable"), socks5Reply("Socks5Reply4", 4, "host unreachable"),
        socks5Reply("Socks5Reply5", 5, "connection refused"), socks5Reply("Socks5Reply6", 6, "TTL expired"),
        socks5Reply("Socks5Reply7", 7, "command not supported"),
        socks5Reply("Socks5Reply8", 8, "address type not supported"),
        socks5Reply("Socks5Reply9", 9, "unknown firewall error: 9")),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(CORE_BUILD_NAME) + info.param.name; });

struct Socks5Case {
    const char* name;
    const char* host;
    const char* user;
    std::vector<std::string> exchange;  // pairs as above; the last answer carries "data" behind it
};
void PrintTo(const Socks5Case& c, std::ostream* os) { *os << c.name; }

class Socks5Grant : public ::testing::TestWithParam<Socks5Case> {};

TEST_P(Socks5Grant, ConnectsAndKeepsTheBytesBehindTheReply) {
    const Socks5Case& c = GetParam();
    RawPeer proxy;
    PeerScript script;
    for (std::size_t i = 0; i + 1 < c.exchange.size(); i += 2) script.expectBytes(c.exchange[i]).send(c.exchange[i + 1]);
    proxy.addConnection(script.expectClose());
    TestTransport t;
    throughFirewall(t, fwSOCKS5, proxy.port(), c.host, 8443);
    t.firewall.setFirewallUser(c.user);
    t.firewall.setFirewallPassword(*c.user ? "pw" : "");
    ASSERT_EQ(t.connectAndWait(), 0) << t.lastError.data();
    ASSERT_TRUE(pumpUntil([&] { return t.received() == "data"; })) << t.received();
    t.disconnectAndWait();
    EXPECT_TRUE(proxy.waitFinished());
    EXPECT_TRUE(proxy.errors().empty()) << proxy.errors().front();
}

INSTANTIATE_TEST_SUITE_P(
    Grants, Socks5Grant,
    ::testing::Values(
        Socks5Case{"Ipv4Reply", "127.0.0.1", "", {kSocks5Offer, std::string("\x05\x00", 2), kSocks5Connect, socks5Answer(0) + "data"}},
        Socks5Case{"DomainForm",
                   "*localhost",
                   "",
                   {kSocks5Offer, std::string("\x05\x00", 2),
                    std::string("\x05\x01\x00\x03\x09", 5) + "localhost" + portBytes(8443),
                    std::string("\x05\x00\x00\x03\x04", 5) + "host" + portBytes(1) + "data"}},
        Socks5Case{"Ipv6Reply", "127.0.0.1", "",
                   {kSocks5Offer, std::string("\x05\x00", 2), kSocks5Connect,
                    std::string("\x05\x00\x00\x04", 4) + std::string(18, '\x01') + "data"}},
        Socks5Case{"UserAndPassword", "127.0.0.1", "user",
                   {std::string("\x05\x02\x00\x02", 4), std::string("\x05\x02", 2),
                    std::string("\x01\x04user\x02pw", 9), std::string("\x01\x00", 2), kSocks5Connect,
                    socks5Answer(0) + "data"}}),
    [](const ::testing::TestParamInfo<Socks5Case>& info) { return std::string(CORE_BUILD_NAME) + info.param.name; });

CORE_TEST(Firewall, FirewallClosingDuringTheHandshakeEndsTheConnect) {
    RawPeer proxy;
    proxy.addConnection(PeerScript().expectBytes(kSocks5Offer).close());
    TestTransport t;
    throughFirewall(t, fwSOCKS5, proxy.port(), "127.0.0.1", 8443);
    EXPECT_EQ(t.connectAndWait(), 118);
    EXPECT_STREQ(t.lastError.data(), "Firewall host disconnected.");
    EXPECT_FALSE(t.socketOpen());
}

CORE_TEST(Firewall, Socks5NameLongerThan255Fails) {
    RawPeer proxy;
    proxy.addConnection(PeerScript().expectBytes(kSocks5Offer).send(std::string("\x05\x00", 2)).expectClose());
    TestTransport t;
    throughFirewall(t, fwSOCKS5, proxy.port(), ("*" + std::string(256, 'a')).c_str(), 8443);
    EXPECT_EQ(t.connectAndWait(), 118);
    EXPECT_FALSE(t.socketOpen());
    ASSERT_TRUE(proxy.waitFinished());
    EXPECT_EQ(proxy.connection(0).received, kSocks5Offer);
}

CORE_TEST(Firewall, CredentialsAreCutTo255Characters) {
    TestTransport t;
    t.firewall.setFirewallUser(std::string(300, 'u').c_str());
    t.firewall.setFirewallPassword(std::string(256, 'p').c_str());
    EXPECT_EQ(t.firewall.FirewallUser.length(), 255);
    EXPECT_EQ(t.firewall.FirewallPassword.length(), 255);
    EXPECT_EQ(net_test::config(t, "FirewallData=abc"), "");
    EXPECT_EQ(std::string(t.firewall.FirewallData.data()), "abc");
    EXPECT_EQ(net_test::config(t, "FirewallData"), "");
}

}  // namespace
