#pragma once
// One non-blocking IPv4 stream socket driven by notifications posted to the hidden window: the
// connect and name look-up, the socket options, the send path and the receive queue that cuts
// incoming bytes into deliveries (lines, tokens ended by the EOL string, or raw chunks).

#include "payment_core/byte_queue.h"
#include "payment_core/firewall_tunnel.h"
#include "payment_core/net_component.h"
#include "winsock/winsock.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

class TcpClient : public NetComponent {
public:
    TcpClient();
    ~TcpClient() override;

    LRESULT onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int config(ConfigRequest& request, const char** answer) override;
    const char* getLocalHost() override;
    int readAvailable(int kind) override;

    int initTcpClient();

    int setRemoteHost(const char* text);
    const char* getRemoteHost();
    int setRemotePort(int port);

    int setConnected(bool on);
    int disconnectSocket(int code);
    // Application data needs the link to be ready; the firewall's handshake bytes only a
    // connected socket. 0 when everything went, 10035 when only bytesSent went.
    int sendBytes(const void* bytes, int length, int flags, bool application);
    bool isLinkReady() const { return connected && !firewall.handshaking; }

    int setLinger(bool on);
    int setKeepAlive(bool on);
    int setTcpNoDelay(bool on);
    int setInBufferSize(int size);
    int setOutBufferSize(int size);
    void setAcceptData(bool on);
    int setEol(const char* bytes, int length);
    int setMaxLineSize(int size);
    int getMaxLineSize() const { return receiveQueue.capacity; }

    int InBufferSize = 2048;
    int OutBufferSize = 2048;
    SOCKET socket = INVALID_SOCKET;
    ULONG remoteAddress = 0;
    InlineString99 RemoteHost;
    int RemotePort = 0;
    int LocalPort = 0;
    int disconnectCode = 0;
    int bytesSent = 0;
    FirewallTunnel firewall{*this};
    unsigned char connected = 0;
    unsigned char AcceptData = 1;
    unsigned char inRead = 0;
    unsigned char Linger = 1;
    unsigned char KeepAlive = 0;
    unsigned char disconnectPending = 0;
    unsigned char TcpNoDelay = 0;
    unsigned char socketKept = 0;
    unsigned char readyToSend = 1;
    ByteQueue receiveQueue;

private:
    bool acceptsData() const { return AcceptData || firewall.handshaking; }
    bool deliverItem(const char* bytes, int length, int eolFound);
    bool deliverQueued(bool withPartialRest);
    int applyLinger();
    int applyIntOption(int level, int option, int value);
    int socketError();
    int closeSocket();
    void handleNotification(int event, int error, LPARAM lParam);

    char* bulkBlock_ = nullptr;  // what one read takes while no EOL cuts the bytes
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
