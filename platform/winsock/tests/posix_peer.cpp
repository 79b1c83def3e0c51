#include "posix_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace posix_peer {

int listenLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 4) != 0) return -1;
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

int acceptOne(int listener) { return ::accept(listener, nullptr, nullptr); }

int connectLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
    closeFd(fd);
    return -1;
}

int duplicate(int fd) { return ::dup(fd); }

bool writeBytes(int fd, const char* bytes, std::size_t n) { return ::write(fd, bytes, n) == static_cast<ssize_t>(n); }

void drain(int fd) {
    char sink[65536];
    while (::recv(fd, sink, sizeof sink, MSG_DONTWAIT) > 0) {
    }
}

void abortiveClose(int fd) {
    ::linger l{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(fd);
}

void closeFd(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace posix_peer
