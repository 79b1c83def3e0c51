#pragma once
// The TLS level between the raw socket events and the application events. With TLS off every
// raw event and call passes straight through; with TLS on and no security provider bound, a
// connect or send fails with 270.

#include "payment_core/tcp_client.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class SecureTcpClient : public TcpClient {
public:
    SecureTcpClient() = default;

    void onTcpConnected(int code) override;
    void onTcpDisconnected(int code) override;
    void onTcpDataIn(const char* bytes, int length, int eolFound) override;
    void onTcpError(int code, const char* text) override;
    void onTcpReadyToSend() override;
    void onTcpStatus(const char* text, int code) override;

    void setSslMode(bool on) { tlsOn = on ? 1 : 0; }
    int connectSecure(bool connect, int code);
    bool isReady() const { return tlsOn ? state == 2 : isLinkReady(); }
    int sendData(const void* bytes, int length);

    int bytesSentTls = 0;
    unsigned char state = 0;
    unsigned char tlsOn = 1;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
