#include "windows/windows.h"

#include "forms/winsock_control.h"

#include <glib-unix.h>
#include <glib.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace forms {

namespace {

long errorForErrno(int error) {
    switch (error) {
    case ECONNREFUSED: return sckConnectionRefused;
    case ETIMEDOUT: return sckTimedout;
    case ECONNRESET: case EPIPE: return sckConnectionReset;
    case EADDRINUSE: return sckAddressInUse;
    case EADDRNOTAVAIL: return sckAddressNotAvailable;
    default: return sckConnectAborted;
    }
}

}  // namespace

Winsock::Winsock(Form& form, std::string name, int index) : Component(form, std::move(name), index) {}

Winsock::~Winsock() {
    Close();
}

void Winsock::RemotePort(long port) {
    if (port < 0 || port > 65535) raise(errInvalidPropertyValue);
    remotePort_ = port;
}

void Winsock::LocalPort(long port) {
    if (port < 0 || port > 65535) raise(errInvalidPropertyValue);
    if (state_ != sckClosed) raise(sckInvalidOp);
    localPort_ = port;
}

void Winsock::Connect(const std::string& host, long port) {
    RemoteHost(host);
    RemotePort(port);
    Connect();
}

void Winsock::Connect() {
    if (state_ != sckClosed) raise(sckInvalidOp);
    outgoing_.clear();
    received_.clear();
    state_ = sckResolvingHost;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    std::string port = std::to_string(remotePort_);
    if (getaddrinfo(remoteHost_.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
        failLater(sckHostNotFound);
        return;
    }
    state_ = sckHostResolved;
    fd_ = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        freeaddrinfo(found);
        failLater(errorForErrno(errno));
        return;
    }
    if (localPort_ != 0) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(static_cast<uint16_t>(localPort_));
        local.sin_addr.s_addr = htonl(INADDR_ANY);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            freeaddrinfo(found);
            failLater(errorForErrno(errno));
            return;
        }
    }
    int result = ::connect(fd_, found->ai_addr, found->ai_addrlen);
    int error = errno;
    freeaddrinfo(found);
    if (result != 0 && error != EINPROGRESS) {
        failLater(errorForErrno(error));
        return;
    }
    state_ = sckConnecting;
    watch();
}

void Winsock::SendData(const std::string& data) {
    if (state_ != sckConnected) raise(sckBadState);
    // Written from the loop, so that SendComplete always comes as an event after this call.
    outgoing_ += data;
    watch();
}

std::string Winsock::GetData(long maxLen) {
    std::size_t n = maxLen < 0 ? received_.size() : std::min<std::size_t>(received_.size(), static_cast<std::size_t>(maxLen));
    std::string out = received_.substr(0, n);
    received_.erase(0, n);
    return out;
}

void Winsock::Close() {
    unwatch();
    if (pendingError_) {
        g_source_destroy(static_cast<GSource*>(pendingError_));
        g_source_unref(static_cast<GSource*>(pendingError_));
        pendingError_ = nullptr;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    outgoing_.clear();
    received_.clear();
    state_ = sckClosed;
}

void Winsock::watch() {
    unsigned wanted = 0;
    if (state_ == sckConnecting) wanted = G_IO_OUT;
    else if (state_ == sckConnected) wanted = G_IO_IN | (outgoing_.empty() ? 0u : static_cast<unsigned>(G_IO_OUT));
    if (source_ && wanted == watching_) return;
    unwatch();
    if (!wanted || fd_ < 0) return;
    GSource* source = g_unix_fd_source_new(fd_, static_cast<GIOCondition>(wanted | G_IO_ERR | G_IO_HUP));
    g_source_set_callback(source, reinterpret_cast<GSourceFunc>(reinterpret_cast<void (*)()>(&Winsock::onReady)), this,
                          nullptr);
    g_source_attach(source, windows::threadContext());
    source_ = source;
    watching_ = wanted;
}

void Winsock::unwatch() {
    if (!source_) return;
    g_source_destroy(static_cast<GSource*>(source_));
    g_source_unref(static_cast<GSource*>(source_));
    source_ = nullptr;
    watching_ = 0;
}

int Winsock::onReady(int, unsigned condition, void* self) {
    static_cast<Winsock*>(self)->ready(condition);
    return G_SOURCE_CONTINUE;
}

void Winsock::ready(unsigned condition) {
    if (state_ == sckConnecting) {
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0) {
            fail(errorForErrno(error));
            return;
        }
        state_ = sckConnected;
        watch();
        fire(OnConnect);
        return;
    }
    if (state_ != sckConnected) return;
    if (condition & G_IO_OUT) {
        writeQueued();
        if (state_ != sckConnected) return;
        watch();
        if (outgoing_.empty()) fire(OnSendComplete);
        if (state_ != sckConnected) return;
    }
    if (condition & (G_IO_IN | G_IO_HUP | G_IO_ERR)) {
        char buffer[16384];
        bool arrived = false;
        for (;;) {
            ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n > 0) {
                received_.append(buffer, static_cast<std::size_t>(n));
                arrived = true;
                continue;
            }
            if (n == 0) {
                // The peer has closed: the data still waiting can be read, then the Close event.
                unwatch();
                state_ = sckClosing;
                if (arrived) fire([&] { if (OnDataArrival) OnDataArrival(BytesReceived()); });
                fire(OnClose);
                return;
            }
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            int error = errno;
            if (arrived) fire([&] { if (OnDataArrival) OnDataArrival(BytesReceived()); });
            if (state_ == sckConnected) fail(errorForErrno(error));
            return;
        }
        if (arrived) fire([&] { if (OnDataArrival) OnDataArrival(BytesReceived()); });
    }
}

void Winsock::writeQueued() {
    while (!outgoing_.empty()) {
        ssize_t n = ::send(fd_, outgoing_.data(), outgoing_.size(), MSG_NOSIGNAL);
        if (n > 0) {
            outgoing_.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        fail(errorForErrno(errno));
        return;
    }
}

void Winsock::fail(long number) {
    unwatch();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    state_ = sckError;
    bool cancel = false;
    std::string description = errorText(number);
    fire([&] { if (OnError) OnError(number, description, cancel); });
}

void Winsock::failLater(long number) {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    state_ = sckError;
    pendingNumber_ = number;
    GSource* idle = g_idle_source_new();
    g_source_set_callback(idle, +[](gpointer data) -> gboolean {
        auto* self = static_cast<Winsock*>(data);
        GSource* own = static_cast<GSource*>(self->pendingError_);
        self->pendingError_ = nullptr;
        self->fail(self->pendingNumber_);
        g_source_unref(own);
        return G_SOURCE_REMOVE;
    }, this, nullptr);
    g_source_attach(idle, windows::threadContext());
    pendingError_ = idle;
}

}  // namespace forms
