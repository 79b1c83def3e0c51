#pragma once
// The Winsock control, TCP client side: a non-blocking socket whose events arrive through the
// thread's loop (GLib), like every other window event.

#include <string>

#include "forms/controls.h"

namespace forms {

enum : int {
    sckClosed = 0, sckOpen = 1, sckListening = 2, sckConnectionPending = 3, sckResolvingHost = 4,
    sckHostResolved = 5, sckConnecting = 6, sckConnected = 7, sckClosing = 8, sckError = 9,
};

// Error numbers of the Error event and of raised errors.
enum : long {
    sckAddressInUse = 10048,
    sckAddressNotAvailable = 10049,
    sckConnectAborted = 10053,
    sckConnectionReset = 10054,
    sckTimedout = 10060,
    sckConnectionRefused = 10061,
    sckHostNotFound = 11001,
    sckBadState = 40006,
    sckInvalidOp = 40020,
};

class Winsock : public Component {
public:
    Winsock(Form& form, std::string name, int index = -1);
    ~Winsock() override;

    const std::string& RemoteHost() const { return remoteHost_; }
    void RemoteHost(const std::string& host) { remoteHost_ = host; }
    long RemotePort() const { return remotePort_; }
    void RemotePort(long port);
    long LocalPort() const { return localPort_; }
    void LocalPort(long port);
    int State() const { return state_; }
    long BytesReceived() const { return static_cast<long>(received_.size()); }

    // Starts connecting to RemoteHost:RemotePort (or the given ones); OnConnect or OnError
    // follows from the loop. Raises sckInvalidOp unless the socket is closed.
    void Connect();
    void Connect(const std::string& host, long port);
    // Queues the bytes; OnSendComplete fires once all queued bytes are written.
    void SendData(const std::string& data);
    // Takes up to maxLen (all when negative) of the received bytes.
    std::string GetData(long maxLen = -1);
    void GetData(std::string& data, long maxLen = -1) { data = GetData(maxLen); }
    std::string PeekData() const { return received_; }
    void Close();

    std::function<void()> OnConnect;
    std::function<void(long bytesTotal)> OnDataArrival;
    std::function<void()> OnSendComplete;
    std::function<void()> OnClose;
    std::function<void(long Number, const std::string& Description, bool& CancelDisplay)> OnError;

    void formUnloading() override { Close(); }

private:
    void watch();
    void unwatch();
    static int onReady(int fd, unsigned condition, void* self);
    void ready(unsigned condition);
    void fail(long number);
    void failLater(long number);
    void writeQueued();

    std::string remoteHost_;
    long remotePort_ = 0;
    long localPort_ = 0;
    int state_ = sckClosed;
    int fd_ = -1;
    void* source_ = nullptr;
    void* pendingError_ = nullptr;
    long pendingNumber_ = 0;
    unsigned watching_ = 0;
    std::string outgoing_;
    std::string received_;
};

}  // namespace forms
