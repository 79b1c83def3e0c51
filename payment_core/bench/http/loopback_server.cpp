#include "payment_core/bench/http/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace bench {

namespace {

const std::string kAnswer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 21\r\n\r\n"
                            "response=1&authcode=7";
const std::string kClosingAnswer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 21\r\n"
                                   "Connection: close\r\n\r\nresponse=1&authcode=7";

bool readMore(int s, std::string& in) {
    char buffer[16384];
    const ssize_t n = recv(s, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    in.append(buffer, static_cast<std::size_t>(n));
    return true;
}

void serve(int s) {
    std::string in;
    for (;;) {
        std::size_t headEnd;
        while ((headEnd = in.find("\r\n\r\n")) == std::string::npos) {
            if (!readMore(s, in)) {
                close(s);
                return;
            }
        }
        std::string head = in.substr(0, headEnd);
        for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::size_t bodyLength = 0;
        const std::size_t length = head.find("content-length:");
        if (length != std::string::npos) bodyLength = std::strtoul(head.c_str() + length + 15, nullptr, 10);
        const bool closing = head.find("connection: close") != std::string::npos;
        while (in.size() < headEnd + 4 + bodyLength) {
            if (!readMore(s, in)) {
                close(s);
                return;
            }
        }
        in.erase(0, headEnd + 4 + bodyLength);
        const std::string& out = closing ? kClosingAnswer : kAnswer;
        if (send(s, out.data(), out.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(out.size()) || closing) {
            close(s);
            return;
        }
    }
}

}  // namespace

LoopbackServer::LoopbackServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 512) != 0) {
        std::perror("loopback server");
        std::exit(1);
    }
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    acceptor_.join();
}

void LoopbackServer::acceptLoop() {
    for (;;) {
        const int s = accept(listener_, nullptr, nullptr);
        if (s < 0) {
            if (stopping_) return;
            continue;
        }
        std::thread(serve, s).detach();
    }
}

}  // namespace bench
