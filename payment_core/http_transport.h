#pragma once
// The HTTP levels' view of the message transport: a target, a tunnel through an HTTP proxy,
// a start-only connect, a close, a line or raw receive side and one cycle of the modal wait.
// The transport's connection events and received data come up as the HTTP hooks.

#include "payment_core/message_transport.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class HttpTransport : public MessageTransport {
public:
    HttpTransport();

    int setRemote(const char* host, int port);
    // A null host drops a tunnel this level set up before.
    int setTunnel(const char* proxyHost, int proxyPort);
    // Returns at once; the outcome comes through onConnected.
    int startConnect();
    void closeConnection();
    // Lines end at LF, which is removed; off, received blocks are delivered as they come.
    int setLineMode(bool lines);
    bool lineMode() const { return lineMode_; }
    // 1 to keep waiting, 0 when the wait ended ("Timeout.", "Interrupted.").
    int waitCycle(int milliseconds);
    // Wait cycles of 0 ms while messages are queued or an interrupt is asked for, at most that
    // many.
    void drainNotifications(int cycles);
    // True once when a wait was ended by an interrupt since the last call.
    bool takeInterrupted();
    // Milliseconds; negative means asynchronous use.
    int timeoutMs() const { return Timeout; }
    void setTimeoutMs(int milliseconds) {
        Timeout = milliseconds;
        deadline = 0;
    }

    void fireConnected(int code, const char* text) override;
    void fireDisconnected(int code, const char* text) override;
    void fireError(int code, const char* text) override;
    void fireStatus(const char* text, int code, const char* description) override;

    virtual void onConnected(int code, const char* text) = 0;
    virtual void onDisconnected(int code, const char* text) = 0;
    virtual void onError(int code, const char* text) = 0;
    virtual void onConnectionStatus(const char* text, int code, const char* description) = 0;

private:
    bool tunnelSet_ = false;
    bool lineMode_ = false;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
