#pragma once
// The firewall member of a socket client: when a firewall type is set the socket connects to the
// firewall, this member runs the HTTP CONNECT, SOCKS4 or SOCKS5 handshake, and only the
// firewall's grant counts as the connection for the levels above. Without a firewall every
// event passes straight through.

#include "payment_core/core_build.h"
#include "payment_core/inline_string.h"
#include "win32/base.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class TcpClient;

enum FirewallType : unsigned char { fwNone = 0, fwTunnel = 1, fwSOCKS4 = 2, fwSOCKS5 = 3 };

class FirewallTunnel {
public:
    explicit FirewallTunnel(TcpClient& owner) : owner(owner) {}

    int setFirewallHost(const char* text);
    const char* getFirewallHost();
    int setFirewallUser(const char* text);
    int setFirewallPassword(const char* text);
    bool inUse() const { return FirewallType != fwNone; }

    // Socket events, on their way to the owner.
    void connected(int code);
    void dataIn(const char* bytes, int length, int eolFound);
    void disconnected(int code);
    void error(int code, const char* text);
    void readyToSend();

    TcpClient& owner;
    unsigned char FirewallType = fwNone;
    unsigned char handshaking = 0;
    unsigned char state = 0;
    int FirewallPort = 0;
    InlineString99 reply;
    InlineString99 FirewallUser;
    InlineString99 FirewallPassword;
    InlineString99 FirewallData;
    ULONG firewallAddress = 0;

private:
    void judgeTunnelReply();
    void judgeSocks4Reply();
    void judgeSocks5Reply();
    void sendSocks5Connect();
    void established(const char* extra, int extraLength);
    void failFirewall(const char* text);
    int sendHandshake(const void* bytes, int length);
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
