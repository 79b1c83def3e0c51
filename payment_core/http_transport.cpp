#include "payment_core/http_transport.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

HttpTransport::HttpTransport() { setInBufferSize(64000); }

int HttpTransport::setRemote(const char* host, int port) {
    int result = setRemoteHost(host);
    if (!result) result = setRemotePort(port);
    return result;
}

int HttpTransport::setTunnel(const char* proxyHost, int proxyPort) {
    if (!proxyHost) {
        if (tunnelSet_) firewall.FirewallType = fwNone;
        tunnelSet_ = false;
        return kOk;
    }
    firewall.FirewallType = fwTunnel;
    firewall.FirewallPort = proxyPort;
    tunnelSet_ = true;
    return firewall.setFirewallHost(proxyHost);
}

int HttpTransport::startConnect() {
    connectResult = 0;
    return connectSecure(true, 0);
}

void HttpTransport::closeConnection() {
    if (socket != INVALID_SOCKET) connectSecure(false, 0);
}

int HttpTransport::setLineMode(bool lines) {
    lineMode_ = lines;
    return lines ? setEol("\n", 1) : setEol(nullptr, 0);
}

int HttpTransport::waitCycle(int milliseconds) { return waitEvents(milliseconds, notifyWindow); }

void HttpTransport::drainNotifications(int cycles) {
    MSG pending;
    for (int i = 0; i < cycles; ++i) {
        if (!interruptRequested && !PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE)) return;
        waitCycle(0);
    }
}

bool HttpTransport::takeInterrupted() {
    const bool was = interrupted != 0;
    interrupted = 0;
    return was;
}

void HttpTransport::fireConnected(int code, const char* text) { onConnected(code, text); }
void HttpTransport::fireDisconnected(int code, const char* text) { onDisconnected(code, text); }
void HttpTransport::fireError(int code, const char* text) { onError(code, text); }
void HttpTransport::fireStatus(const char* text, int code, const char* description) {
    onConnectionStatus(text, code, description);
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
