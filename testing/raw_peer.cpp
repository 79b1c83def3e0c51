#include "testing/raw_peer.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

namespace fixtures {

PeerScript& PeerScript::add(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

PeerScript& PeerScript::expect(std::size_t n) { return add({.op = Op::Expect, .count = n}); }
PeerScript& PeerScript::expectBytes(std::string bytes) {
    return add({.op = Op::ExpectBytes, .bytes = std::move(bytes)});
}
PeerScript& PeerScript::expectUntil(std::string delimiter) {
    return add({.op = Op::ExpectUntil, .bytes = std::move(delimiter)});
}
PeerScript& PeerScript::expectClose() { return add({.op = Op::ExpectClose}); }
PeerScript& PeerScript::hold() { return add({.op = Op::Hold}); }
PeerScript& PeerScript::send(std::string bytes) { return add({.op = Op::Send, .bytes = std::move(bytes)}); }
PeerScript& PeerScript::sendSplit(std::string bytes, std::vector<std::size_t> offsets, Milliseconds pause) {
    return add({.op = Op::SendSplit, .bytes = std::move(bytes), .offsets = std::move(offsets), .pause = pause});
}
PeerScript& PeerScript::sendRecordSplit(std::string bytes, std::size_t cipherOffset, Milliseconds pause) {
    return add({.op = Op::SendRecordSplit, .bytes = std::move(bytes), .count = cipherOffset, .pause = pause});
}
PeerScript& PeerScript::sendRecords(std::vector<std::string> pieces) {
    return add({.op = Op::SendRecords, .pieces = std::move(pieces)});
}
PeerScript& PeerScript::renegotiate() { return add({.op = Op::Renegotiate}); }
PeerScript& PeerScript::pause(Milliseconds duration) { return add({.op = Op::Pause, .pause = duration}); }
PeerScript& PeerScript::close() { return add({.op = Op::Close}); }
PeerScript& PeerScript::abort() { return add({.op = Op::Abort}); }
PeerScript& PeerScript::relayTo(std::uint16_t port) { return add({.op = Op::Relay, .port = port}); }

namespace {

enum class Io { Ok, Timeout, Eof, Failed, Stopped };

// Splits bytes into pieces starting at the given offsets.
std::vector<std::string> cut(const std::string& bytes, std::vector<std::size_t> offsets) {
    offsets.push_back(0);
    std::sort(offsets.begin(), offsets.end());
    std::vector<std::string> out;
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        std::size_t from = offsets[i];
        std::size_t to = i + 1 < offsets.size() ? std::min(offsets[i + 1], bytes.size()) : bytes.size();
        if (from < to) out.push_back(bytes.substr(from, to - from));
    }
    return out;
}

}  // namespace

struct RawPeer::Impl {
    Options options;
    bool tlsMode = false;
    detail::SslCtx ctx;
    std::uint16_t port = 0;
    detail::Fd listener;
    detail::WakeEvent wake;  // never drained: once stopping, every wait returns at once
    std::atomic<bool> stop{false};

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::vector<PeerScript> scripts;
    std::vector<PeerConnection> records;
    std::vector<std::thread> workers;
    std::thread acceptor;

    void acceptLoop();
    void serve(detail::Fd fd, std::size_t index);

    void record(std::size_t index, auto&& change) {
        std::lock_guard lock(mutex);
        change(records[index]);
        changed.notify_all();
    }
};

namespace {

// One connection seen from the peer's worker thread: blocking-style reads and writes, each
// bounded by a deadline and by the peer's stop.
class Channel {
public:
    Channel(RawPeer::Impl& peer, int fd, std::size_t index, detail::TlsEngine* tls)
        : peer_(peer), fd_(fd), index_(index), tls_(tls) {}

    std::string buffer;  // plaintext received and not yet consumed by a step
    bool eof = false;

    // Waits for fd to be ready (or for the stop).
    Io wait(int fd, short events, Clock::time_point deadline) {
        for (;;) {
            if (peer_.stop) return Io::Stopped;
            pollfd p[2] = {{fd, events, 0}, {peer_.wake.fd(), POLLIN, 0}};
            int timeout = deadline == Clock::time_point::max() ? -1 : detail::pollTimeout(deadline);
            int n = ::poll(p, 2, timeout);
            if (peer_.stop) return Io::Stopped;
            if (n > 0 && p[0].revents) return Io::Ok;
            if (n == 0) return Io::Timeout;
        }
    }

    Io sleep(Milliseconds duration) {
        pollfd p{peer_.wake.fd(), POLLIN, 0};
        ::poll(&p, 1, static_cast<int>(duration.count()));
        return peer_.stop ? Io::Stopped : Io::Ok;
    }

    Io sendRaw(std::string_view bytes) {
        Clock::time_point deadline = Clock::now() + peer_.options.stepTimeout;
        while (!bytes.empty()) {
            Io r = wait(fd_, POLLOUT, deadline);
            if (r != Io::Ok) return r;
            ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                return Io::Failed;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return Io::Ok;
    }

    Io send(std::string_view plain) {
        if (!tls_) return sendRaw(plain);
        tls_->write(plain);
        return sendRaw(tls_->takeOutput());
    }

    // Reads once more from the socket, adding any plaintext to the buffer.
    Io fill(Clock::time_point deadline) {
        if (eof) return Io::Eof;
        for (;;) {
            Io r = wait(fd_, POLLIN, deadline);
            if (r != Io::Ok) return r;
            char buf[65536];
            ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                return Io::Failed;
            }
            if (n == 0) return markEof();
            std::string plain;
            if (tls_) {
                bool ok = tls_->feed(std::string_view(buf, static_cast<std::size_t>(n)), plain);
                std::string out = tls_->takeOutput();
                if (!out.empty()) sendRaw(out);
                noteTls();
                if (!ok) return Io::Failed;
            } else {
                plain.assign(buf, static_cast<std::size_t>(n));
            }
            if (!plain.empty()) {
                buffer += plain;
                peer_.record(index_, [&](PeerConnection& c) { c.received += plain; });
            }
            if (tls_ && tls_->peerClosed()) return markEof();
            // Over TLS a read may carry only handshake messages; callers loop on their own test.
            return Io::Ok;
        }
    }

    Io handshake() {
        Clock::time_point deadline = Clock::now() + peer_.options.stepTimeout;
        while (!tls_->established()) {
            Io r = fill(deadline);
            if (r != Io::Ok) return r;
        }
        return Io::Ok;
    }

    void noteTls() {
        peer_.record(index_, [&](PeerConnection& c) {
            if (tls_->established() && c.tlsVersion.empty()) {
                c.tlsVersion = tls_->version();
                c.clientSubject = tls_->peerSubject();
            }
            if (tls_->failed()) c.tlsError = tls_->error();
        });
    }

    // Ends the sending side, then reads until the client closes so the close is a FIN, not a
    // reset of unread data.
    void closeGracefully() {
        if (tls_ && tls_->established() && !tls_->failed()) {
            tls_->closeNotify();
            sendRaw(tls_->takeOutput());
        }
        ::shutdown(fd_, SHUT_WR);
        peer_.record(index_, [](PeerConnection& c) { c.finished = true; });
        Clock::time_point deadline = Clock::now() + peer_.options.stepTimeout;
        while (fill(deadline) == Io::Ok) {
        }
    }

    Io markEof() {
        eof = true;
        peer_.record(index_, [](PeerConnection& c) { c.clientClosed = true; });
        return Io::Eof;
    }

private:
    RawPeer::Impl& peer_;
    int fd_;
    std::size_t index_;
    detail::TlsEngine* tls_;
};

std::string describe(Io r) {
    switch (r) {
    case Io::Timeout: return "timed out";
    case Io::Eof: return "the client closed";
    case Io::Failed: return "the connection failed";
    default: return "stopped";
    }
}

}  // namespace

RawPeer::RawPeer() : RawPeer(Options{}, nullptr) {}
RawPeer::RawPeer(Options options) : RawPeer(options, nullptr) {}

RawPeer::RawPeer(Options options, const TlsOptions* tls) : impl_(std::make_unique<Impl>()) {
    impl_->options = options;
    if (tls) {
        impl_->tlsMode = true;
        impl_->ctx = detail::makeServerContext(*tls);
    }
    impl_->listener = detail::listenLoopback(impl_->port);
    impl_->acceptor = std::thread([this] { impl_->acceptLoop(); });
}

RawPeer::~RawPeer() {
    impl_->stop = true;
    impl_->wake.wake();
    impl_->acceptor.join();
    // The acceptor has ended, so no worker is added any more.
    for (std::thread& t : impl_->workers) t.join();
}

RawTlsPeer::RawTlsPeer(const TlsOptions& tls, Options options) : RawPeer(options, &tls) {}

std::uint16_t RawPeer::port() const { return impl_->port; }
std::string RawPeer::hostPort() const { return "127.0.0.1:" + std::to_string(impl_->port); }

void RawPeer::addConnection(PeerScript script) {
    std::lock_guard lock(impl_->mutex);
    impl_->scripts.push_back(std::move(script));
}

bool RawPeer::waitForConnections(std::size_t count, Milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [&] { return impl_->records.size() >= count; });
}

bool RawPeer::waitFinished(Milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [&] {
        if (impl_->records.size() < impl_->scripts.size()) return false;
        for (const PeerConnection& c : impl_->records)
            if (!c.finished) return false;
        return true;
    });
}

std::vector<PeerConnection> RawPeer::connections() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->records;
}

PeerConnection RawPeer::connection(std::size_t index) const {
    std::lock_guard lock(impl_->mutex);
    return index < impl_->records.size() ? impl_->records[index] : PeerConnection{};
}

std::size_t RawPeer::connectionCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->records.size();
}

std::vector<std::string> RawPeer::errors() const {
    std::lock_guard lock(impl_->mutex);
    std::vector<std::string> out;
    for (std::size_t i = 0; i < impl_->records.size(); ++i)
        for (const std::string& e : impl_->records[i].errors)
            out.push_back("connection " + std::to_string(i) + ": " + e);
    return out;
}

void RawPeer::Impl::acceptLoop() {
    while (!stop) {
        pollfd p[2] = {{listener.get(), POLLIN, 0}, {wake.fd(), POLLIN, 0}};
        ::poll(p, 2, -1);
        if (stop) return;
        int fd = ::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex);
        std::size_t index = records.size();
        records.emplace_back();
        workers.emplace_back([this, fd, index] { serve(detail::Fd(fd), index); });
        changed.notify_all();
    }
}

void RawPeer::Impl::serve(detail::Fd fd, std::size_t index) {
    PeerScript script;
    bool scripted;
    {
        std::lock_guard lock(mutex);
        scripted = index < scripts.size();
        if (scripted) script = scripts[index];
    }
    std::unique_ptr<detail::TlsEngine> tls;
    if (tlsMode) tls = std::make_unique<detail::TlsEngine>(ctx.get());
    Channel ch(*this, fd.get(), index, tls.get());
    auto fail = [&](std::string message) {
        record(index, [&](PeerConnection& c) { c.errors.push_back(std::move(message)); });
    };
    bool closed = false;
    bool ok = scripted;
    if (ok && tls) {
        Io r = ch.handshake();
        if (r != Io::Ok) {
            fail("TLS handshake: " + describe(r) + (tls->failed() ? " (" + tls->error() + ")" : ""));
            ok = false;
        }
    }
    using Op = PeerScript::Op;
    const auto& steps = script.steps();
    for (std::size_t i = 0; ok && i < steps.size() && !closed; ++i) {
        const PeerScript::Step& s = steps[i];
        Clock::time_point deadline = Clock::now() + options.stepTimeout;
        std::string where = "step " + std::to_string(i + 1) + ": ";
        Io r = Io::Ok;
        switch (s.op) {
        case Op::Expect:
        case Op::ExpectBytes: {
            std::size_t want = s.op == Op::Expect ? s.count : s.bytes.size();
            while (ch.buffer.size() < want && (r = ch.fill(deadline)) == Io::Ok) {
            }
            if (ch.buffer.size() < want) {
                fail(where + describe(r) + " after " + std::to_string(ch.buffer.size()) + " of " +
                     std::to_string(want) + " bytes: \"" + escapeBytes(ch.buffer) + "\"");
                ok = false;
                break;
            }
            std::string got = ch.buffer.substr(0, want);
            ch.buffer.erase(0, want);
            if (s.op == Op::ExpectBytes && got != s.bytes) {
                fail(where + "expected \"" + escapeBytes(s.bytes) + "\", received \"" + escapeBytes(got) + "\"");
                ok = false;
            }
            break;
        }
        case Op::ExpectUntil: {
            std::size_t at;
            while ((at = ch.buffer.find(s.bytes)) == std::string::npos && (r = ch.fill(deadline)) == Io::Ok) {
            }
            if (at == std::string::npos) {
                fail(where + describe(r) + " before \"" + escapeBytes(s.bytes) + "\"; received \"" +
                     escapeBytes(ch.buffer) + "\"");
                ok = false;
                break;
            }
            ch.buffer.erase(0, at + s.bytes.size());
            break;
        }
        case Op::ExpectClose:
        case Op::Hold: {
            if (s.op == Op::Hold) deadline = Clock::time_point::max();
            while ((r = ch.fill(deadline)) == Io::Ok) {
            }
            ch.buffer.clear();
            if (r != Io::Eof && s.op == Op::ExpectClose) {
                fail(where + "the client did not close: " + describe(r));
                ok = false;
            }
            r = Io::Ok;
            break;
        }
        case Op::Send:
            r = ch.send(s.bytes);
            break;
        case Op::SendSplit: {
            std::vector<std::string> pieces = cut(s.bytes, s.offsets);
            for (std::size_t k = 0; k < pieces.size() && r == Io::Ok; ++k) {
                if (k > 0) r = ch.sleep(s.pause);
                if (r == Io::Ok) r = ch.send(pieces[k]);
            }
            break;
        }
        case Op::SendRecordSplit: {
            std::string bytes = s.bytes;
            if (tls) {
                tls->write(bytes);
                bytes = tls->takeOutput();
            }
            std::vector<std::string> pieces = cut(bytes, {s.count});
            for (std::size_t k = 0; k < pieces.size() && r == Io::Ok; ++k) {
                if (k > 0) r = ch.sleep(s.pause);
                if (r == Io::Ok) r = ch.sendRaw(pieces[k]);
            }
            break;
        }
        case Op::SendRecords: {
            std::string bytes;
            for (const std::string& p : s.pieces) {
                if (tls) {
                    tls->write(p);
                    bytes += tls->takeOutput();
                } else {
                    bytes += p;
                }
            }
            r = ch.sendRaw(bytes);
            break;
        }
        case Op::Renegotiate:
            if (!tls || !tls->startRenegotiation()) {
                fail(where + "cannot renegotiate" + (tls ? ": " + tls->error() : std::string()));
                ok = false;
                break;
            }
            r = ch.sendRaw(tls->takeOutput());
            while (r == Io::Ok && tls->renegotiating()) r = ch.fill(deadline);
            break;
        case Op::Pause:
            r = ch.sleep(s.pause);
            break;
        case Op::Close:
            ch.closeGracefully();
            closed = true;
            break;
        case Op::Abort: {
            linger hard{1, 0};
            ::setsockopt(fd.get(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            fd.reset();
            closed = true;
            break;
        }
        case Op::Relay: {
            detail::Fd target = detail::connectLoopback(s.port, options.stepTimeout);
            if (!target) {
                fail(where + "cannot connect to port " + std::to_string(s.port));
                ok = false;
                break;
            }
            // Blocking writes to the target, bounded, so a large relayed chunk is never cut.
            timeval limit{static_cast<time_t>(options.stepTimeout.count() / 1000),
                          static_cast<suseconds_t>(options.stepTimeout.count() % 1000 * 1000)};
            ::setsockopt(target.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
            std::string early = std::move(ch.buffer);
            ch.buffer.clear();
            if (!early.empty()) ::send(target.get(), early.data(), early.size(), MSG_NOSIGNAL);
            bool clientOpen = !ch.eof;
            if (!clientOpen) ::shutdown(target.get(), SHUT_WR);
            while (!stop) {
                pollfd p[3] = {{clientOpen ? fd.get() : -1, POLLIN, 0},
                               {target.get(), POLLIN, 0},
                               {wake.fd(), POLLIN, 0}};
                ::poll(p, 3, -1);
                if (stop) break;
                if (p[0].revents) {
                    Io got = ch.fill(Clock::now());
                    if (!ch.buffer.empty()) {
                        ::send(target.get(), ch.buffer.data(), ch.buffer.size(), MSG_NOSIGNAL);
                        ch.buffer.clear();
                    }
                    if (got == Io::Eof || got == Io::Failed) {
                        clientOpen = false;
                        ::shutdown(target.get(), SHUT_WR);
                    }
                }
                if (p[1].revents) {
                    char buf[65536];
                    ssize_t n = ::recv(target.get(), buf, sizeof buf, 0);
                    if (n > 0) {
                        std::string_view data(buf, static_cast<std::size_t>(n));
                        record(index, [&](PeerConnection& c) { c.fromTarget += data; });
                        ch.send(data);
                    } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                        break;
                    }
                }
            }
            break;
        }
        }
        if (ok && r != Io::Ok) {
            fail(where + describe(r));
            ok = false;
        }
    }
    if (!closed && fd) ch.closeGracefully();
    fd.reset();
    record(index, [](PeerConnection& c) { c.finished = true; });
}

}  // namespace fixtures
