#include "payment_core/firewall_tunnel.h"

#include <cstdio>
#include <cstring>

#include "payment_core/tcp_client.h"
#include "payment_core/text_utils.h"
#include "payment_core/winsock_binding.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {

constexpr int kCredentialLimit = 255;

int assignCut(InlineString99& target, const char* text) {
    std::size_t n = text ? std::strlen(text) : 0;
    if (n > kCredentialLimit) n = kCredentialLimit;
    return target.assign(n, text ? text : "");
}

// A host that would break the request line or smuggle a header into it.
bool unsafeTunnelHost(const InlineString99& host) {
    for (int i = 0; i < host.length(); ++i) {
        const auto c = static_cast<unsigned char>(host.data()[i]);
        if (c <= ' ' || c == 0x7F) return true;
    }
    return false;
}

const char* socks5ReplyText(int code) {
    switch (code) {
        case 1: return "general SOCKS server failure";
        case 2: return "connection not allowed by ruleset";
        case 3: return "network unreachable";
        case 4: return "host unreachable";
        case 5: return "connection refused";
        case 6: return "TTL expired";
        case 7: return "command not supported";
        case 8: return "address type not supported";
        default: return nullptr;
    }
}

}  // namespace

int FirewallTunnel::setFirewallHost(const char* text) { return owner.resolveAddress(text, firewallAddress); }

const char* FirewallTunnel::getFirewallHost() { return firewallAddress ? owner.dottedAddress(firewallAddress) : ""; }

int FirewallTunnel::setFirewallUser(const char* text) { return assignCut(FirewallUser, text); }

int FirewallTunnel::setFirewallPassword(const char* text) { return assignCut(FirewallPassword, text); }

int FirewallTunnel::sendHandshake(const void* bytes, int length) { return owner.sendBytes(bytes, length, 0, false); }

void FirewallTunnel::connected(int code) {
    if (code) {
        handshaking = 0;
        if (inUse()) owner.onTcpStatus("Firewall connection failed.", code);
        owner.onTcpConnected(code);
        return;
    }
    handshaking = 1;
    state = 0;
    reply.reset();
    if (inUse()) owner.onTcpStatus("Firewall connection complete.", 0);
    InlineString99 request;
    switch (FirewallType) {
        case fwTunnel: {
            if (unsafeTunnelHost(owner.RemoteHost)) {
                failFirewall("The RemoteHost is not a valid host name for the firewall tunnel.");
                return;
            }
            request.appendCString("CONNECT ");
            request.append(owner.RemoteHost.data(), static_cast<std::size_t>(owner.RemoteHost.length()));
            request.appendChar(':');
            request.appendInt(owner.RemotePort);
            request.appendCString(" HTTP/1.0\r\n");
            if (!FirewallUser.empty() || !FirewallPassword.empty()) {
                InlineString99 credentials;
                credentials.append(FirewallUser.data(), static_cast<std::size_t>(FirewallUser.length()));
                credentials.appendChar(':');
                credentials.append(FirewallPassword.data(), static_cast<std::size_t>(FirewallPassword.length()));
                request.appendCString("Proxy-authorization: Basic ");
                base64Encode(request, credentials.data(), static_cast<std::size_t>(credentials.length()), false);
                request.appendCString("\r\n");
            }
            if (request.appendCString("\r\n")) {
                failFirewall("Out of memory.");
                return;
            }
            sendHandshake(request.data(), request.length());
            return;
        }
        case fwSOCKS4: {
            ULONG address = 0;
            if (owner.resolveAddress(owner.RemoteHost.data(), address) || address == 0) {
                failFirewall("");
                return;
            }
            const int port = owner.RemotePort;
            const char header[] = {4, 1, static_cast<char>((port >> 8) & 0xFF), static_cast<char>(port & 0xFF)};
            request.append(header, sizeof header);
            request.append(&address, 4);
            request.append(FirewallUser.data(), static_cast<std::size_t>(FirewallUser.length()));
            if (request.appendChar(0)) {
                failFirewall("Out of memory.");
                return;
            }
            sendHandshake(request.data(), request.length());
            return;
        }
        case fwSOCKS5: {
            state = 1;
            if (!FirewallUser.empty() && !FirewallPassword.empty()) {
                const char offer[] = {5, 2, 0, 2};
                sendHandshake(offer, sizeof offer);
            } else {
                const char offer[] = {5, 1, 0};
                sendHandshake(offer, sizeof offer);
            }
            return;
        }
        default:
            handshaking = 0;
            owner.onTcpConnected(0);
            return;
    }
}

void FirewallTunnel::dataIn(const char* bytes, int length, int eolFound) {
    if (!handshaking) {
        owner.onTcpDataIn(bytes, length, eolFound);
        return;
    }
    int result = reply.append(bytes, static_cast<std::size_t>(length));
    // An item cut at an EOL by the receive queue gets its EOL back for the HTTP answer.
    if (eolFound && FirewallType == fwTunnel && owner.receiveQueue.eolLength)
        result |= reply.append(owner.receiveQueue.eol, static_cast<std::size_t>(owner.receiveQueue.eolLength));
    if (result) {
        failFirewall("Out of memory.");
        return;
    }
    switch (FirewallType) {
        case fwTunnel: judgeTunnelReply(); return;
        case fwSOCKS4: judgeSocks4Reply(); return;
        case fwSOCKS5: judgeSocks5Reply(); return;
        default: return;
    }
}

void FirewallTunnel::judgeTunnelReply() {
    if (reply.length() <= 9) return;
    const char* p = reply.data();
    while (*p && *p != ' ') ++p;
    while (*p == ' ') ++p;
    if (*p != '2') {
        owner.lastError.assign(static_cast<std::size_t>(reply.length()), reply.data());
        owner.onTcpError(118, reply.data());
        handshaking = 0;
        owner.onTcpConnected(118);
        return;
    }
    int end = reply.find("\r\n\r\n");
    if (end >= 0) {
        end += 4;
    } else {
        end = reply.find("\n\n");
        if (end < 0) return;
        end += 2;
    }
    established(reply.data() + end, reply.length() - end);
}

void FirewallTunnel::judgeSocks4Reply() {
    if (reply.length() <= 7) return;
    handshaking = 0;
    const int code = static_cast<unsigned char>(reply.data()[1]);
    switch (code) {
        case 90: established(reply.data() + 8, reply.length() - 8); return;
        case 91: failFirewall("firewall request rejected or failed"); return;
        case 92: failFirewall("firewall request rejected because identd is not available"); return;
        case 93: failFirewall("firewall request rejected because identd reports different user"); return;
        default: {
            char text[40];
            std::snprintf(text, sizeof text, "unknown firewall error: %d", code);
            failFirewall(text);
            return;
        }
    }
}

void FirewallTunnel::judgeSocks5Reply() {
    const auto byteAt = [this](int i) { return static_cast<unsigned char>(reply.data()[i]); };
    if (state == 1) {
        if (reply.length() < 2) return;
        const int method = byteAt(1);
        reply.removePrefix(2);
        if (method == 0) {
            state = 3;
            sendSocks5Connect();
        } else if (method == 2) {
            InlineString99 credentials;
            credentials.appendChar(1);
            credentials.appendChar(static_cast<char>(FirewallUser.length()));
            credentials.append(FirewallUser.data(), static_cast<std::size_t>(FirewallUser.length()));
            credentials.appendChar(static_cast<char>(FirewallPassword.length()));
            if (credentials.append(FirewallPassword.data(), static_cast<std::size_t>(FirewallPassword.length()))) {
                failFirewall("Out of memory.");
                return;
            }
            state = 2;
            sendHandshake(credentials.data(), credentials.length());
        } else if (method == 255) {
            failFirewall("no acceptable firewall authentication methods");
        } else {
            failFirewall("unknown firewall authentication method");
        }
        return;
    }
    if (state == 2) {
        if (reply.length() < 2) return;
        const int status = byteAt(1);
        if (status) {
            char text[48];
            std::snprintf(text, sizeof text, "firewall authentication failed: %d", status);
            failFirewall(text);
            return;
        }
        reply.reset();
        state = 3;
        sendSocks5Connect();
        return;
    }
    // The reply is as long as its bound address: IPv4, a name with its length byte, or IPv6.
    if (reply.length() < 5) return;
    const int addressType = byteAt(3);
    const int needed = addressType == 3 ? 7 + byteAt(4) : addressType == 4 ? 22 : 10;
    if (reply.length() < needed) return;
    handshaking = 0;
    const int code = byteAt(1);
    if (code == 0) {
        established(reply.data() + needed, reply.length() - needed);
        return;
    }
    char text[40];
    const char* known = socks5ReplyText(code);
    if (!known) std::snprintf(text, sizeof text, "unknown firewall error: %d", code);
    failFirewall(known ? known : text);
}

void FirewallTunnel::sendSocks5Connect() {
    InlineString99 request;
    const char header[] = {5, 1, 0};
    request.append(header, sizeof header);
    const InlineString99& host = owner.RemoteHost;
    if (host.startsWith("*")) {
        const int nameLength = host.length() - 1;
        if (nameLength > 255) {
            failFirewall("The RemoteHost name is too long for the firewall.");
            return;
        }
        request.appendChar(3);
        request.appendChar(static_cast<char>(nameLength));
        request.append(host.data() + 1, static_cast<std::size_t>(nameLength));
    } else {
        ULONG address = 0;
        if (owner.resolveAddress(host.data(), address) || address == 0) {
            failFirewall("");
            return;
        }
        request.appendChar(1);
        request.append(&address, 4);
    }
    const int port = owner.RemotePort;
    request.appendChar(static_cast<char>((port >> 8) & 0xFF));
    if (request.appendChar(static_cast<char>(port & 0xFF))) {
        failFirewall("Out of memory.");
        return;
    }
    sendHandshake(request.data(), request.length());
}

// Bytes that came behind the grant belong to the application; a read notification makes sure
// they are delivered even when no more data arrives.
void FirewallTunnel::established(const char* extra, int extraLength) {
    handshaking = 0;
    if (extraLength > 0) {
        owner.receiveQueue.put(extra, extraLength);
        if (owner.AcceptData) PostMessageA(owner.notifyWindow, kSocketMessage, owner.socket, FD_READ);
    }
    reply.reset();
    owner.onTcpConnected(0);
}

void FirewallTunnel::failFirewall(const char* text) {
    owner.lastError.assignCString(text);
    owner.onTcpError(118, text);
    handshaking = 0;
    owner.onTcpConnected(118);
    owner.disconnectSocket(0);
}

void FirewallTunnel::disconnected(int code) {
    if (inUse()) owner.onTcpStatus("Firewall host disconnected.", code);
    if (handshaking) {
        // The levels above still wait for the connect: a firewall that hangs up has refused it.
        handshaking = 0;
        owner.lastError.assignCString("Firewall host disconnected.");
        owner.onTcpError(118, "Firewall host disconnected.");
        owner.onTcpConnected(118);
        return;
    }
    owner.onTcpDisconnected(code);
}

void FirewallTunnel::error(int code, const char* text) { owner.onTcpError(code, text); }

void FirewallTunnel::readyToSend() {
    if (!handshaking) owner.onTcpReadyToSend();
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
