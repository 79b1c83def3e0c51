#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace fixtures {

using Milliseconds = std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// The bytes with CR, LF, tabs and non-printable bytes written as escapes, for failure messages.
std::string escapeBytes(std::string_view bytes);

// A 127.0.0.1 port that nothing listens on, for refused connections: it was bound and
// released, so only a program racing for ports could take it in between.
std::uint16_t refusingPort();

namespace detail {

// An owned file descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release();
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// A non-blocking listening socket on 127.0.0.1 with a port chosen by the system.
Fd listenLoopback(std::uint16_t& port);

// A blocking connection to 127.0.0.1:port, or an empty Fd when it fails within the time-out.
Fd connectLoopback(std::uint16_t port, Milliseconds timeout);

// Wakes a thread blocked in poll() so that it notices a stop request.
class WakeEvent {
public:
    WakeEvent();
    int fd() const { return fd_.get(); }
    void wake();
    void drain();

private:
    Fd fd_;
};

// Milliseconds until the deadline for poll(), never negative.
int pollTimeout(Clock::time_point deadline);

}  // namespace detail
}  // namespace fixtures
