#pragma once
// HTTP/1.1 over blocking sockets, one thread per connection: every request gets a short answer,
// and the connection closes when the request asks for it. Kept apart from the core's headers,
// whose socket names are the stand-in's.

#include <atomic>
#include <thread>

namespace bench {

class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    int port() const { return port_; }

private:
    void acceptLoop();

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
};

}  // namespace bench
