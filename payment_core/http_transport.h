#pragma once
// What the HTTP levels need from the connection below them: a target, TLS and tunnel
// choice, a blocking connect and send, a line or raw receive side and one cycle of the
// modal wait. The data and connection events come back up through the hooks.

#include "payment_core/core_component.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class HttpTransport : public CoreComponent {
public:
    // Where the next connect goes; a tunnel host makes it an HTTP CONNECT through that proxy.
    virtual int setRemote(const char* host, int port) = 0;
    virtual int setTunnel(const char* proxyHost, int proxyPort) = 0;
    virtual int setSslMode(bool on) = 0;
    virtual bool isReady() = 0;
    // Starts the connect and returns at once; the result comes through onConnected.
    virtual int startConnect() = 0;
    virtual int connectAndWait() = 0;
    virtual void closeConnection() = 0;
    virtual int sendAll(const char* bytes, int length, bool notify) = 0;
    // Lines end at LF, which is removed; off, every received block is delivered as it comes.
    virtual int setLineMode(bool lines) = 0;
    // One cycle of the modal wait: 1 to keep waiting, 0 when it ended ("Timeout.", "Interrupted.").
    virtual int waitCycle(int milliseconds) = 0;
    virtual void armDeadline() = 0;
    virtual void interrupt() = 0;
    // True once when a wait was ended by an interrupt since the last call.
    virtual bool takeInterrupted() = 0;
    // Milliseconds; negative means asynchronous use.
    virtual int timeout() const = 0;
    virtual void setTimeout(int milliseconds) = 0;

    virtual void onConnected(int code, const char* text) = 0;
    virtual void onDataIn(const char* bytes, int length, bool endOfLine) = 0;
    virtual void onDisconnected(int code, const char* text) = 0;
    virtual void onError(int code, const char* text) = 0;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
