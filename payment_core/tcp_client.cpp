#include "payment_core/tcp_client.h"

#include <cstdio>

#include "payment_core/core_memory.h"
#include "payment_core/winsock_binding.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {
constexpr int kDefaultBufferSize = 2048;
constexpr int kMaxLineLimit = 65536;
constexpr int kBulkReadSize = 65536;
}  // namespace

TcpClient::TcpClient() { initTcpClient(); }

TcpClient::~TcpClient() {
    WinsockTable& ws = winsockTable();
    if (ws.WSAIsBlocking()) ws.WSACancelBlockingCall();
    if (socket != INVALID_SOCKET) {
        ws.WSAAsyncSelect(socket, notifyWindow, 0, 0);
        if (!socketKept) ws.closesocket(socket);
        socket = INVALID_SOCKET;
    }
    RemoteHost.reset();
    coreFree(bulkBlock_);
}

int TcpClient::initTcpClient() {
    const int windowMade = createNotifyWindow(true);
    socket = INVALID_SOCKET;
    InBufferSize = kDefaultBufferSize;
    OutBufferSize = kDefaultBufferSize;
    connected = 0;
    AcceptData = 1;
    inRead = 0;
    Linger = 1;
    KeepAlive = 0;
    disconnectPending = 0;
    TcpNoDelay = 0;
    socketKept = 0;
    readyToSend = 1;
    firewall.FirewallType = fwNone;
    firewall.handshaking = 0;
    if (receiveQueue.allocate(kDefaultBufferSize)) return 0;
    return windowMade;
}

int TcpClient::socketError() { return winsockTable().WSAGetLastError(); }

int TcpClient::setRemoteHost(const char* text) {
    lastError.reset();
    if (RemoteHost.assignCString(text)) return kOutOfMemory;
    if (firewall.inUse()) return kOk;
    if (socket != INVALID_SOCKET) {
        lastError.assignCString("You cannot change the RemoteHost at this time. A connection is in progress.");
        return 101;
    }
    return resolveAddress(RemoteHost.data(), remoteAddress);
}

const char* TcpClient::getRemoteHost() {
    if (firewall.inUse()) return RemoteHost.data();
    return remoteAddress ? dottedAddress(remoteAddress) : "";
}

int TcpClient::setRemotePort(int port) {
    if (socket != INVALID_SOCKET) {
        lastError.assignCString("You cannot change the RemotePort at this time. A connection is in progress.");
        return 100;
    }
    RemotePort = port;
    return kOk;
}

const char* TcpClient::getLocalHost() {
    if (!connected) return NetComponent::getLocalHost();
    sockaddr_in_ws local{};
    int length = sizeof local;
    if (winsockTable().getsockname(socket, reinterpret_cast<sockaddr_ws*>(&local), &length) == 0)
        std::snprintf(localHostText, sizeof localHostText, "%s", dottedAddress(local.sin_addr.s_addr));
    return localHostText;
}

int TcpClient::applyIntOption(int level, int option, int value) {
    if (socket == INVALID_SOCKET) return kOk;
    WinsockTable& ws = winsockTable();
    return ws.setsockopt(socket, level, option, reinterpret_cast<const char*>(&value), sizeof value) == 0
               ? kOk
               : socketError();
}

int TcpClient::applyLinger() {
    if (socket == INVALID_SOCKET) return kOk;
    // Linger on is the system's graceful close; off resets the connection at once.
    linger_ws value{static_cast<USHORT>(Linger ? 0 : 1), 0};
    return winsockTable().setsockopt(socket, SOL_SOCKET_WS, SO_LINGER_WS, reinterpret_cast<const char*>(&value),
                                     sizeof value) == 0
               ? kOk
               : socketError();
}

int TcpClient::setLinger(bool on) {
    lastError.reset();
    const unsigned char previous = Linger;
    Linger = on ? 1 : 0;
    const int result = applyLinger();
    if (result) Linger = previous;
    return result;
}

int TcpClient::setKeepAlive(bool on) {
    lastError.reset();
    const int result = applyIntOption(SOL_SOCKET_WS, SO_KEEPALIVE_WS, on ? 1 : 0);
    if (result == kOk) {
        KeepAlive = on ? 1 : 0;
        return kOk;
    }
    int inForce = 0;
    int length = sizeof inForce;
    if (winsockTable().getsockopt(socket, SOL_SOCKET_WS, SO_KEEPALIVE_WS, reinterpret_cast<char*>(&inForce),
                                  &length) == 0)
        KeepAlive = inForce ? 1 : 0;
    return result;
}

// The no-delay option lives at the TCP level; at the socket level option 1 would be another one.
int TcpClient::setTcpNoDelay(bool on) {
    lastError.reset();
    const int result = applyIntOption(IPPROTO_TCP_WS, TCP_NODELAY_WS, on ? 1 : 0);
    if (result == kOk) TcpNoDelay = on ? 1 : 0;
    return result;
}

int TcpClient::setInBufferSize(int size) {
    lastError.reset();
    InBufferSize = size;
    return size > kDefaultBufferSize ? applyIntOption(SOL_SOCKET_WS, SO_RCVBUF_WS, size) : kOk;
}

int TcpClient::setOutBufferSize(int size) {
    lastError.reset();
    OutBufferSize = size;
    return size > kDefaultBufferSize ? applyIntOption(SOL_SOCKET_WS, SO_SNDBUF_WS, size) : kOk;
}

void TcpClient::setAcceptData(bool on) {
    AcceptData = on ? 1 : 0;
    if (socket == INVALID_SOCKET) return;
    if (connected) {
        if (on) PostMessageA(notifyWindow, kSocketMessage, socket, FD_READ);
    } else {
        readAvailable(3);
    }
}

int TcpClient::setEol(const char* bytes, int length) {
    lastError.reset();
    if (receiveQueue.setEol(bytes, length)) return kOutOfMemory;
    if (connected) PostMessageA(notifyWindow, kSocketMessage, socket, FD_READ);
    return kOk;
}

int TcpClient::setMaxLineSize(int size) {
    if (socket != INVALID_SOCKET) {
        lastError.assignCString("You cannot change MaxLineSize at this time. A connection is in progress.");
        return 112;
    }
    if (size < 1) size = 1;
    if (size > kMaxLineLimit) size = kMaxLineLimit;
    return receiveQueue.allocate(size);
}

int TcpClient::setConnected(bool on) {
    if (!on) return disconnectSocket(0);
    lastError.reset();
    disconnectCode = 0;
    if (socket != INVALID_SOCKET) {
        lastError.assignCString("Already connected. If you want to reconnect, close the current connection first.");
        return 104;
    }
    const bool viaFirewall = firewall.inUse();
    const ULONG address = viaFirewall ? firewall.firewallAddress : remoteAddress;
    const int port = viaFirewall ? firewall.FirewallPort : RemotePort;
    if (address == 0) {
        lastError.assignCString(viaFirewall ? "The FirewallHost address is invalid (0.0.0.0)."
                                            : "The RemoteHost address is invalid (0.0.0.0).");
        return 102;
    }
    if (port == 0) {
        lastError.assignCString(viaFirewall ? "The FirewallPort is invalid (0)."
                                            : "RemotePort can't be zero. Please specify a valid service port number.");
        return 116;
    }
    connected = 0;
    receiveQueue.clear();
    firewall.handshaking = 0;
    firewall.state = 0;
    firewall.reply.reset();
    WinsockTable& ws = winsockTable();
    const SOCKET s = ws.socket(AF_INET_WS, SOCK_STREAM_WS, 0);
    if (s == INVALID_SOCKET) return socketError();
    socket = s;
    sockaddr_in_ws local{};
    local.sin_family = AF_INET_WS;
    local.sin_port = ws.htons(static_cast<USHORT>(LocalPort));
    local.sin_addr.s_addr = localAddress;
    if (ws.bind(s, reinterpret_cast<const sockaddr_ws*>(&local), sizeof local) != 0) {
        const int error = socketError();
        closeSocket();
        return error;
    }
    applyIntOption(SOL_SOCKET_WS, SO_KEEPALIVE_WS, KeepAlive);
    applyLinger();
    if (InBufferSize > kDefaultBufferSize) applyIntOption(SOL_SOCKET_WS, SO_RCVBUF_WS, InBufferSize);
    if (OutBufferSize > kDefaultBufferSize) applyIntOption(SOL_SOCKET_WS, SO_SNDBUF_WS, OutBufferSize);
    applyIntOption(SOL_SOCKET_WS, SO_OOBINLINE_WS, 1);
    if (TcpNoDelay) applyIntOption(IPPROTO_TCP_WS, TCP_NODELAY_WS, 1);
    armDeadline();
    if (ws.WSAAsyncSelect(s, notifyWindow, kSocketMessage, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE) != 0) {
        const int error = socketError();
        closeSocket();
        return error;
    }
    sockaddr_in_ws target{};
    target.sin_family = AF_INET_WS;
    target.sin_port = ws.htons(static_cast<USHORT>(port));
    target.sin_addr.s_addr = address;
    if (ws.connect(s, reinterpret_cast<const sockaddr_ws*>(&target), sizeof target) != 0) {
        const int error = socketError();
        if (error != WSAEWOULDBLOCK) {
            closeSocket();
            return error;
        }
    }
    return kOk;
}

int TcpClient::closeSocket() {
    int result = kOk;
    if (socket != INVALID_SOCKET && !socketKept) {
        WinsockTable& ws = winsockTable();
        if (ws.closesocket(socket) != 0) result = ws.WSAGetLastError();
    }
    socket = INVALID_SOCKET;
    connected = 0;
    bytesSent = 0;
    inRead = 0;
    AcceptData = 1;
    disconnectPending = 0;
    firewall.handshaking = 0;
    return result;
}

int TcpClient::disconnectSocket(int code) {
    if (socket == INVALID_SOCKET) return closeSocket();
    winsockTable().WSAAsyncSelect(socket, notifyWindow, 0, 0);
    if (inRead) {
        disconnectPending = 1;
        disconnectCode = code;
        return kOk;
    }
    if (AcceptData) readAvailable(1);
    if (connected) {
        connected = 0;
        firewall.disconnected(HIWORD(static_cast<DWORD>(code)));
    }
    return closeSocket();
}

int TcpClient::sendBytes(const void* bytes, int length, int flags, bool application) {
    WinsockTable& ws = winsockTable();
    if (application ? !isLinkReady() : !connected) {
        ws.WSASetLastError(WSAENOTCONN);
        return WSAENOTCONN;
    }
    if (length == 0) return kOk;
    const int n = ws.send(socket, static_cast<const char*>(bytes), length, flags);
    if (n == SOCKET_ERROR) {
        bytesSent = 0;
        return ws.WSAGetLastError();
    }
    bytesSent = n;
    if (!AbsoluteTimeout) armDeadline();
    if (n == length) return kOk;
    ws.WSASetLastError(WSAEWOULDBLOCK);
    return WSAEWOULDBLOCK;
}

LRESULT TcpClient::onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kSocketMessage && socket != INVALID_SOCKET && wParam == socket) {
        const DWORD reply = static_cast<DWORD>(lParam);
        handleNotification(LOWORD(reply), HIWORD(reply), lParam);
        return 0;
    }
    return NetComponent::onWindowMessage(message, wParam, lParam);
}

void TcpClient::handleNotification(int event, int error, LPARAM lParam) {
    switch (event) {
        case FD_CONNECT: {
            connected = 1;
            applyIntOption(SOL_SOCKET_WS, SO_OOBINLINE_WS, 1);
            if (!error) {
                firewall.connected(0);
                return;
            }
            connected = 0;
            const SOCKET failed = socket;
            firewall.connected(error);
            // The handler may have opened a new socket already; only the failed one goes.
            if (socket == failed) closeSocket();
            return;
        }
        case FD_READ:
            if (!acceptsData() || inRead) return;
            inRead = 1;
            readAvailable(0);
            inRead = 0;
            // A disconnect asked for while the handshake bytes were judged is not left hanging.
            if (disconnectPending) disconnectSocket(disconnectCode);
            return;
        case FD_WRITE:
            readyToSend = 1;
            firewall.readyToSend();
            return;
        case FD_CLOSE:
            // A close comes only after the connect has completed: before that it belongs to an
            // earlier socket of the same number, whose notification arrived late.
            if (!connected) return;
            readAvailable(2);
            disconnectSocket(static_cast<int>(lParam));
            return;
        default:
            return;
    }
}

bool TcpClient::deliverItem(const char* bytes, int length, int eolFound) {
    if (!AbsoluteTimeout) armDeadline();
    // Handlers may read, close or reconnect while the bytes are in use; they get a copy.
    InlineString99 copy;
    if (copy.assign(static_cast<std::size_t>(length), bytes) == kOk) bytes = copy.data();
    firewall.dataIn(bytes, length, eolFound);
    return acceptsData() && !interruptRequested;
}

bool TcpClient::deliverQueued(bool withPartialRest) {
    const char* bytes;
    int length;
    while (receiveQueue.takeItem(bytes, length))
        if (!deliverItem(bytes, length, 1)) return false;
    if (withPartialRest && receiveQueue.takeAll(bytes, length)) return deliverItem(bytes, length, 0);
    return true;
}

int TcpClient::readAvailable(int kind) {
    WinsockTable& ws = winsockTable();
    // A queue whose block could not be allocated has no room to read into.
    if (receiveQueue.capacity == 0) return kOutOfMemory;
    for (;;) {
        if ((socket == INVALID_SOCKET && kind != 4) || !acceptsData() || interruptRequested) return kOk;
        if (!deliverQueued(false)) return kOk;
        if (kind == 4) return kOk;
        // Before the connect has completed there is nothing to read yet.
        if (kind == 3 && !connected) {
            deliverQueued(true);
            return kOk;
        }
        if (receiveQueue.freeBytes() == 0) {
            const char* bytes;
            int length;
            if (receiveQueue.takeAll(bytes, length)) deliverItem(bytes, length, 0);
            continue;
        }
        if (disconnectPending && kind == 0) {
            inRead = 0;
            return disconnectSocket(disconnectCode);
        }
        // Without an EOL every chunk goes up whole as it arrives, so the queue need not hold it:
        // TLS records and bodies are read in large blocks rather than the queue's 2 KB.
        if (!bulkBlock_) bulkBlock_ = static_cast<char*>(coreAllocate(kBulkReadSize));
        const bool bulk = bulkBlock_ && receiveQueue.eolLength == 0 && receiveQueue.available == 0 && !firewall.handshaking;
        char* space = bulk ? bulkBlock_ : receiveQueue.freeSpace();
        const int n = ws.recv(socket, space, bulk ? kBulkReadSize : receiveQueue.freeBytes(), 0);
        if (n > 0) {
            if (!AbsoluteTimeout) armDeadline();
            if (firewall.handshaking) {
                InlineString99 copy;
                if (copy.assign(static_cast<std::size_t>(n), space)) return kOutOfMemory;
                firewall.dataIn(copy.data(), n, 0);
                return kOk;
            }
            if (bulk) {
                if (!deliverItem(space, n, 1)) return kOk;
            } else {
                receiveQueue.commit(n);
            }
            if (kind == 0) continue;
        }
        if (n >= 0) {
            if (!deliverQueued(true)) return kOk;
            if (kind == 1) return kOk;
            if (n > 0) continue;
            inRead = 0;
            return kind == 0 ? disconnectSocket(disconnectCode) : kOk;
        }
        const int error = ws.WSAGetLastError();
        // A last pass before a close delivers the unterminated rest rather than dropping it.
        if (kind == 1 || kind == 2 || kind == 3) deliverQueued(true);
        if (error == WSAEWOULDBLOCK || error == WSAENOTSOCK || error == WSAECONNABORTED || error == WSAECONNRESET)
            return error;
        char text[48];
        std::snprintf(text, sizeof text, "socket error in recv: %d", error);
        firewall.error(error, text);
        return error;
    }
}

int TcpClient::config(ConfigRequest& request, const char** answer) {
    if (request.nameIs("FirewallData")) {
        if (request.isQuery) return answerText(answer, "");
        return firewall.FirewallData.assign(static_cast<std::size_t>(request.value.length()), request.value.data());
    }
    if (request.nameIs("MaxLineLength")) {
        if (request.isQuery) return answerInt(answer, getMaxLineSize());
        return setMaxLineSize(request.intValue());
    }
    if (request.isQuery && request.nameIs("SocketHandle"))
        return answerInt(answer, socket == INVALID_SOCKET ? -1 : static_cast<int>(socket));
    if (request.nameIs("InBufferSize")) {
        if (request.isQuery) return answerInt(answer, InBufferSize);
        return setInBufferSize(request.intValue());
    }
    if (request.nameIs("OutBufferSize")) {
        if (request.isQuery) return answerInt(answer, OutBufferSize);
        return setOutBufferSize(request.intValue());
    }
    if (request.nameIs("TcpNoDelay")) {
        if (request.isQuery) return answerBool(answer, TcpNoDelay != 0);
        return setTcpNoDelay(parseBoolValue(request));
    }
    return NetComponent::config(request, answer);
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
