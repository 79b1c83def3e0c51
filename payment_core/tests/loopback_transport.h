#pragma once
// The connection level under test clients: plain POSIX sockets to 127.0.0.1 with the
// delivery rules of the core's receive queue (lines cut at LF, a full queue delivered as a
// partial item, raw blocks otherwise), an HTTP CONNECT tunnel, a deadline and an interrupt.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

template <class Client>
class OverLoopback : public Client {
public:
    ~OverLoopback() override { dropSocket(); }

    int setRemote(const char* host, int port) override {
        host_ = host;
        port_ = port;
        return 0;
    }
    int setTunnel(const char* proxyHost, int proxyPort) override {
        tunnelHost_ = proxyHost ? proxyHost : "";
        tunnelPort_ = proxyPort;
        return 0;
    }
    int setSslMode(bool on) override {
        tls = on;
        return 0;
    }
    bool isReady() override { return fd_ >= 0 && connected_; }
    int startConnect() override {
        ++connects;
        return openSocket(false);
    }
    int connectAndWait() override {
        ++connects;
        int result = openSocket(true);
        if (result) return result;
        if (!tunnelHost_.empty()) result = runTunnel();
        return result;
    }
    void closeConnection() override {
        if (fd_ < 0) return;
        const bool was = connected_;
        dropSocket();
        if (was) this->onDisconnected(0, "OK");
    }
    int sendAll(const char* bytes, int length, bool) override {
        if (!isReady()) return 10057;
        while (length > 0) {
            const ssize_t n = ::send(fd_, bytes, static_cast<std::size_t>(length), MSG_NOSIGNAL);
            if (n < 0 && errno == EAGAIN) {
                pollfd p{fd_, POLLOUT, 0};
                ::poll(&p, 1, 20);
                continue;
            }
            if (n < 0) return 10054;
            bytes += n;
            length -= static_cast<int>(n);
        }
        return 0;
    }
    int setLineMode(bool lines) override {
        lineMode = lines;
        return 0;
    }
    int waitCycle(int milliseconds) override {
        if (interruptRequested_) {
            interruptRequested_ = false;
            interrupted_ = true;
            this->setLastError("Interrupted.");
            return 0;
        }
        if (fd_ >= 0 && !connected_) {
            pollfd p{fd_, POLLOUT, 0};
            if (::poll(&p, 1, milliseconds) > 0) {
                int error = 0;
                socklen_t len = sizeof error;
                getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len);
                if (error) {
                    dropSocket();
                    this->onConnected(10061, "Connection refused");
                } else {
                    connected_ = true;
                    this->onConnected(0, "OK");
                }
            }
        } else if (fd_ >= 0) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, milliseconds) > 0) readAndDeliver();
        } else if (milliseconds > 0) {
            ::poll(nullptr, 0, milliseconds);
        }
        if (interruptRequested_) return waitCycle(0);
        if (deadline_ && now() >= deadline_) {
            this->setLastError("Timeout.");
            return 0;
        }
        return 1;
    }
    void armDeadline() override { deadline_ = timeout_ > 0 ? now() + timeout_ : 0; }
    void interrupt() override { interruptRequested_ = true; }
    bool takeInterrupted() override {
        const bool was = interrupted_;
        interrupted_ = false;
        return was;
    }
    int timeout() const override { return timeout_; }
    void setTimeout(int milliseconds) override {
        timeout_ = milliseconds;
        deadline_ = 0;
    }

    bool tls = false;
    bool lineMode = true;
    int connects = 0;
    std::string remoteHost() const { return host_; }
    int remotePort() const { return port_; }

private:
    static long long now() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    int openSocket(bool wait) {
        dropSocket();
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(tunnelHost_.empty() ? port_ : tunnelPort_));
        std::string host = tunnelHost_.empty() ? host_ : tunnelHost_;
        if (host == "localhost") host = "127.0.0.1";
        if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1) {
            dropSocket();
            this->setLastError("Host not found");
            return 11001;
        }
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno != EINPROGRESS) {
            dropSocket();
            this->setLastError("Connection refused");
            return 10061;
        }
        if (!wait) return 0;
        while (!connected_) {
            if (!waitCycle(20)) {
                dropSocket();
                return 301;
            }
            if (fd_ < 0) {
                this->setLastError("Connection refused");
                return 10061;
            }
        }
        return 0;
    }

    int runTunnel() {
        const std::string request = "CONNECT " + host_ + ":" + std::to_string(port_) + " HTTP/1.0\r\n\r\n";
        sendAll(request.data(), static_cast<int>(request.size()), false);
        std::string reply;
        while (reply.find("\r\n\r\n") == std::string::npos) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) return 118;
            char c;
            if (::recv(fd_, &c, 1, 0) != 1) return 118;
            reply += c;
        }
        return reply.compare(9, 1, "2") == 0 ? 0 : 118;
    }

    void readAndDeliver() {
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n > 0) {
            queue_.append(buffer, static_cast<std::size_t>(n));
            deliver(false);
            return;
        }
        if (n < 0 && errno == EAGAIN) return;
        deliver(true);
        if (fd_ >= 0) {
            dropSocket();
            this->onDisconnected(0, "OK");
        }
    }

    // Each item goes up under the mode in force when it is cut, as the core's queue does.
    void deliver(bool closing) {
        while (fd_ >= 0 && !queue_.empty()) {
            if (lineMode) {
                const std::size_t lf = queue_.find('\n');
                if (lf != std::string::npos) {
                    const std::string item = queue_.substr(0, lf);
                    queue_.erase(0, lf + 1);
                    this->onDataIn(item.data(), static_cast<int>(item.size()), true);
                    continue;
                }
                if (queue_.size() < 2048 && !closing) return;
            }
            const std::string item = queue_;
            queue_.clear();
            this->onDataIn(item.data(), static_cast<int>(item.size()), false);
        }
    }

    void dropSocket() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        connected_ = false;
        queue_.clear();
    }

    std::string host_;
    int port_ = 0;
    std::string tunnelHost_;
    int tunnelPort_ = 0;
    int fd_ = -1;
    bool connected_ = false;
    std::string queue_;
    int timeout_ = 5000;
    long long deadline_ = 0;
    bool interruptRequested_ = false;
    bool interrupted_ = false;
};
