#include "testing/loopback.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fixtures {

std::string escapeBytes(std::string_view bytes) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20 || c >= 0x7f) {
                out += "\\x";
                out += hex[c >> 4];
                out += hex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

std::uint16_t refusingPort() {
    std::uint16_t port = 0;
    detail::listenLoopback(port);
    return port;
}

namespace detail {

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

int Fd::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

void Fd::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

static sockaddr_in loopbackAddress(std::uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

Fd listenLoopback(std::uint16_t& port) {
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) throw std::runtime_error("socket() failed");
    sockaddr_in addr = loopbackAddress(0);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd.get(), 64) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    socklen_t len = sizeof addr;
    ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

Fd connectLoopback(std::uint16_t port, Milliseconds timeout) {
    Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!fd) return {};
    sockaddr_in addr = loopbackAddress(port);
    if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EINPROGRESS) return {};
        pollfd p{fd.get(), POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(timeout.count())) != 1) return {};
        int err = 0;
        socklen_t len = sizeof err;
        ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &err, &len);
        if (err != 0) return {};
    }
    int flags = fcntl(fd.get(), F_GETFL, 0);
    fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    int one = 1;
    ::setsockopt(fd.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

WakeEvent::WakeEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!fd_) throw std::runtime_error("eventfd() failed");
}

void WakeEvent::wake() {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(fd_.get(), &one, sizeof one);
}

void WakeEvent::drain() {
    std::uint64_t value;
    [[maybe_unused]] ssize_t n = ::read(fd_.get(), &value, sizeof value);
}

int pollTimeout(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<Milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    return static_cast<int>(left + 1);
}

}  // namespace detail
}  // namespace fixtures
