#pragma once
// Blocking calls over the event-driven socket and TLS levels: each call starts one step
// (connect, disconnect, send) and pumps the thread's messages until the step's event has
// recorded a result, the Timeout deadline passes or the host interrupts (301). Received
// application data collects in `message` for the HTTP levels to parse.

#include "payment_core/secure_tcp_client.h"
#include "win32/kernel.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class MessageTransport : public SecureTcpClient {
public:
    MessageTransport();
    ~MessageTransport() override;

    void onConnected(int code) override;
    void onDisconnected(int code) override;
    void fireDataIn(const char* bytes, int length, int eolFound) override;
    int transferProgress(int bytesSoFar) override;
    // The HTTP levels' view of send progress.
    virtual int requestProgress(int bytesSoFar);

    int initMessageTransport();
    int connectAndWait();
    int disconnectAndWait();
    int sendAll(const void* bytes, int length, bool notify);
    void closeLocalFile();

    unsigned char waitingForItem = 0;
    unsigned char stopAfterItem = 1;
    int connectResult = 0;
    int disconnectResult = 0;
    InlineString99 statusText;
    HANDLE localFile = INVALID_HANDLE_VALUE;
    InlineString99 message;
    // 200 once received data could not be kept; the exchange is then over.
    int dataInResult = 0;

private:
    void tearDown();
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
