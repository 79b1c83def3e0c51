#include "payment_core/secure_tcp_client.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
constexpr int kNoSecurityLibrary = 270;
constexpr const char* kNoSecurityLibraryText = "The security library could not be loaded";
}  // namespace

int SecureTcpClient::connectSecure(bool connect, int code) {
    if (!tlsOn) return connect ? setConnected(true) : disconnectSocket(code);
    if (!connect) {
        state = 0;
        return disconnectSocket(code);
    }
    lastError.assignCString(kNoSecurityLibraryText);
    return kNoSecurityLibrary;
}

int SecureTcpClient::sendData(const void* bytes, int length) {
    if (!tlsOn) return sendBytes(bytes, length, 0, true);
    lastError.assignCString(kNoSecurityLibraryText);
    return kNoSecurityLibrary;
}

void SecureTcpClient::onTcpConnected(int code) {
    onTcpStatus(code ? "Remote host connection failed." : "Remote host connection complete.", code);
    onConnected(code);
}

void SecureTcpClient::onTcpDisconnected(int code) {
    onTcpStatus("Remote host disconnected.", code);
    onDisconnected(code);
}

void SecureTcpClient::onTcpDataIn(const char* bytes, int length, int eolFound) { onDataIn(bytes, length, eolFound); }

void SecureTcpClient::onTcpError(int code, const char* text) { fireError(code, text); }

void SecureTcpClient::onTcpReadyToSend() { fireReadyToSend(); }

void SecureTcpClient::onTcpStatus(const char* text, int code) { NetComponent::onTcpStatus(text, code); }

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
