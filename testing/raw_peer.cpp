#include "testing/raw_peer.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
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

namespace {

// Runs one connection's script. Each step returns "" or the error that ends the script.
class ScriptRun {
public:
    ScriptRun(RawPeer::Impl& peer, detail::Fd fd, std::size_t index, detail::TlsEngine* tls)
        : peer_(peer), fd_(std::move(fd)), index_(index), tls_(tls), ch_(peer, fd_.get(), index, tls) {}

    // Without a script the connection is closed at once.
    void run(const PeerScript* script) {
        bool ok = script != nullptr;
        if (ok && tls_) {
            Io r = ch_.handshake();
            if (r != Io::Ok) {
                fail("TLS handshake: " + describe(r) + (tls_->failed() ? " (" + tls_->error() + ")" : ""));
                ok = false;
            }
        }
        for (std::size_t i = 0; ok && i < script->steps().size() && !closed_; ++i) {
            std::string error = step(script->steps()[i], Clock::now() + peer_.options.stepTimeout);
            if (!error.empty()) {
                fail("step " + std::to_string(i + 1) + ": " + error);
                ok = false;
            }
        }
        if (!closed_) ch_.closeGracefully();
        fd_.reset();
        peer_.record(index_, [](PeerConnection& c) { c.finished = true; });
    }

private:
    using Op = PeerScript::Op;

    void fail(std::string message) {
        peer_.record(index_, [&](PeerConnection& c) { c.errors.push_back(std::move(message)); });
    }

    static std::string result(Io r) { return r == Io::Ok ? std::string() : describe(r); }

    std::string step(const PeerScript::Step& s, Clock::time_point deadline) {
        switch (s.op) {
        case Op::Expect: return expect(s.count, nullptr, deadline);
        case Op::ExpectBytes: return expect(s.bytes.size(), &s.bytes, deadline);
        case Op::ExpectUntil: return expectUntil(s.bytes, deadline);
        case Op::ExpectClose: return waitForClose(deadline);
        case Op::Hold: {
            waitForClose(Clock::time_point::max());
            return {};
        }
        case Op::Send: return result(ch_.send(s.bytes));
        case Op::SendSplit: return sendPieces(cut(s.bytes, s.offsets), s.pause, false);
        case Op::SendRecordSplit: {
            std::string bytes = s.bytes;
            if (tls_) {
                tls_->write(bytes);
                bytes = tls_->takeOutput();
            }
            return sendPieces(cut(bytes, {s.count}), s.pause, true);
        }
        case Op::SendRecords: {
            std::string bytes;
            for (const std::string& p : s.pieces) {
                if (tls_) {
                    tls_->write(p);
                    bytes += tls_->takeOutput();
                } else {
                    bytes += p;
                }
            }
            return result(ch_.sendRaw(bytes));
        }
        case Op::Renegotiate: return renegotiate(deadline);
        case Op::Pause: return result(ch_.sleep(s.pause));
        case Op::Close:
            ch_.closeGracefully();
            closed_ = true;
            return {};
        case Op::Abort: {
            linger hard{1, 0};
            ::setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            fd_.reset();
            closed_ = true;
            return {};
        }
        case Op::Relay: return relay(s.port);
        }
        return {};
    }

    std::string expect(std::size_t want, const std::string* exact, Clock::time_point deadline) {
        Io r = Io::Ok;
        std::string& buffer = ch_.buffer;
        while (buffer.size() < want && (r = ch_.fill(deadline)) == Io::Ok) {
        }
        if (buffer.size() < want)
            return describe(r) + " after " + std::to_string(buffer.size()) + " of " + std::to_string(want) +
                   " bytes: \"" + escapeBytes(buffer) + "\"";
        std::string got = buffer.substr(0, want);
        buffer.erase(0, want);
        if (exact && got != *exact)
            return "expected \"" + escapeBytes(*exact) + "\", received \"" + escapeBytes(got) + "\"";
        return {};
    }

    std::string expectUntil(const std::string& delimiter, Clock::time_point deadline) {
        Io r = Io::Ok;
        std::string& buffer = ch_.buffer;
        std::size_t at;
        while ((at = buffer.find(delimiter)) == std::string::npos && (r = ch_.fill(deadline)) == Io::Ok) {
        }
        if (at == std::string::npos)
            return describe(r) + " before \"" + escapeBytes(delimiter) + "\"; received \"" +
                   escapeBytes(buffer) + "\"";
        buffer.erase(0, at + delimiter.size());
        return {};
    }

    std::string waitForClose(Clock::time_point deadline) {
        Io r;
        while ((r = ch_.fill(deadline)) == Io::Ok) {
        }
        ch_.buffer.clear();
        return r == Io::Eof ? std::string() : "the client did not close: " + describe(r);
    }

    std::string sendPieces(const std::vector<std::string>& pieces, Milliseconds pause, bool raw) {
        Io r = Io::Ok;
        for (std::size_t k = 0; k < pieces.size() && r == Io::Ok; ++k) {
            if (k > 0) r = ch_.sleep(pause);
            if (r == Io::Ok) r = raw ? ch_.sendRaw(pieces[k]) : ch_.send(pieces[k]);
        }
        return result(r);
    }

    std::string renegotiate(Clock::time_point deadline) {
        if (!tls_) return "renegotiation needs TLS";
        if (!tls_->startRenegotiation()) return "cannot renegotiate: " + tls_->error();
        Io r = ch_.sendRaw(tls_->takeOutput());
        while (r == Io::Ok && tls_->renegotiating()) r = ch_.fill(deadline);
        return result(r);
    }

    std::string relay(std::uint16_t port) {
        detail::Fd target = detail::connectLoopback(port, peer_.options.stepTimeout);
        if (!target) return "cannot connect to port " + std::to_string(port);
        // Blocking writes to the target, bounded, so a large relayed chunk is never cut.
        Milliseconds limit = peer_.options.stepTimeout;
        timeval tv{static_cast<time_t>(limit.count() / 1000), static_cast<suseconds_t>(limit.count() % 1000 * 1000)};
        ::setsockopt(target.get(), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        auto forward = [&] {
            if (!ch_.buffer.empty()) ::send(target.get(), ch_.buffer.data(), ch_.buffer.size(), MSG_NOSIGNAL);
            ch_.buffer.clear();
        };
        forward();
        bool clientOpen = !ch_.eof;
        if (!clientOpen) ::shutdown(target.get(), SHUT_WR);
        while (!peer_.stop) {
            pollfd p[3] = {{clientOpen ? fd_.get() : -1, POLLIN, 0},
                           {target.get(), POLLIN, 0},
                           {peer_.wake.fd(), POLLIN, 0}};
            ::poll(p, 3, -1);
            if (peer_.stop) break;
            if (p[0].revents) {
                Io got = ch_.fill(Clock::now());
                forward();
                if (got == Io::Eof || got == Io::Failed) {
                    clientOpen = false;
                    ::shutdown(target.get(), SHUT_WR);
                }
            }
            if (p[1].revents) {
                char buf[65536];
                ssize_t n = ::recv(target.get(), buf, sizeof buf, 0);
                if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
                if (n > 0) {
                    std::string_view data(buf, static_cast<std::size_t>(n));
                    peer_.record(index_, [&](PeerConnection& c) { c.fromTarget += data; });
                    ch_.send(data);
                }
            }
        }
        return {};
    }

    RawPeer::Impl& peer_;
    detail::Fd fd_;
    std::size_t index_;
    detail::TlsEngine* tls_;
    Channel ch_;
    bool closed_ = false;
};

}  // namespace

void RawPeer::Impl::serve(detail::Fd fd, std::size_t index) {
    std::optional<PeerScript> script;
    {
        std::lock_guard lock(mutex);
        if (index < scripts.size()) script = scripts[index];
    }
    std::unique_ptr<detail::TlsEngine> tls;
    if (tlsMode) tls = std::make_unique<detail::TlsEngine>(ctx.get());
    ScriptRun(*this, std::move(fd), index, tls.get()).run(script ? &*script : nullptr);
}

}  // namespace fixtures
