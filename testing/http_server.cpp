#include "testing/http_server.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

#include <poll.h>
#include <sys/socket.h>

#include "testing/http_parse.h"

namespace fixtures {

using detail::containsNoCase;
using detail::equalsNoCase;

std::string HttpRequest::header(std::string_view name) const {
    for (const auto& [n, v] : headers)
        if (equalsNoCase(n, name)) return v;
    return {};
}

bool HttpRequest::hasHeader(std::string_view name) const {
    for (const auto& h : headers)
        if (equalsNoCase(h.first, name)) return true;
    return false;
}

Answer Answer::raw(std::string bytes) {
    Answer a;
    a.bytes = std::move(bytes);
    return a;
}

static std::string statusHead(int code, std::string_view reason, const Headers& headers) {
    std::string out = "HTTP/1.1 " + std::to_string(code) + " " + std::string(reason) + "\r\n";
    for (const auto& [n, v] : headers) out += n + ": " + v + "\r\n";
    return out;
}

Answer Answer::status(int code, std::string_view reason, std::string_view body, const Headers& headers) {
    std::string out = statusHead(code, reason, headers);
    out += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    out += body;
    return raw(std::move(out));
}

Answer Answer::ok(std::string_view body, std::string_view contentType) {
    return status(200, "OK", body, {{"Content-Type", std::string(contentType)}});
}

std::string chunkedBody(const std::vector<std::string>& chunks) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (const std::string& c : chunks) {
        if (c.empty()) continue;
        std::string size;
        for (std::size_t n = c.size(); n; n >>= 4) size.insert(size.begin(), hex[n & 15]);
        out += size + "\r\n" + c + "\r\n";
    }
    return out + "0\r\n\r\n";
}

Answer Answer::chunked(int code, std::string_view reason, const std::vector<std::string>& chunks,
                       const Headers& headers) {
    std::string out = statusHead(code, reason, headers);
    out += "Transfer-Encoding: chunked\r\n\r\n";
    out += chunkedBody(chunks);
    return raw(std::move(out));
}

Answer Answer::silence() {
    Answer a;
    a.kind = Kind::Silence;
    return a;
}

Answer Answer::hangUp() {
    Answer a;
    a.kind = Kind::HangUp;
    return a;
}

Answer& Answer::splitAt(std::vector<std::size_t> offsets, Milliseconds pauseBetween) {
    splits = std::move(offsets);
    pause = pauseBetween;
    return *this;
}

Answer& Answer::closeAfter(std::size_t n) {
    cutAfter = n;
    return *this;
}

Answer& Answer::thenClose() {
    close = true;
    return *this;
}

namespace {

constexpr Milliseconds kLinger{2000};

// The value of a header in the head of a raw answer, or "".
std::string answerHeader(std::string_view bytes, std::string_view name) {
    std::size_t end = bytes.find("\r\n\r\n");
    std::string_view head = bytes.substr(0, end);
    std::size_t pos = head.find('\n');
    while (pos != std::string_view::npos) {
        std::size_t next = head.find('\n', pos + 1);
        std::string_view line = head.substr(pos + 1, next == std::string_view::npos ? next : next - pos - 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && equalsNoCase(line.substr(0, colon), name)) {
            std::string_view v = line.substr(colon + 1);
            while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
            return std::string(v);
        }
        pos = next;
    }
    return {};
}

bool requestWantsClose(const HttpRequest& r) {
    std::string connection = r.header("Connection");
    if (containsNoCase(connection, "close")) return true;
    return r.version != "HTTP/1.1" && !containsNoCase(connection, "keep-alive");
}

}  // namespace

struct HttpServer::Impl {
    struct Piece {
        Clock::time_point due;
        std::string bytes;
    };
    enum class After { Keep, Close, Cut };

    struct Conn {
        detail::Fd fd;
        std::size_t index = 0;
        std::unique_ptr<detail::TlsEngine> tls;
        std::string pending;
        std::string out;
        std::deque<Piece> pieces;
        After after = After::Keep;
        bool answering = false;
        bool silent = false;
        bool continueSent = false;
        bool peerEof = false;
        bool closing = false;
        bool lingering = false;
        Clock::time_point lingerUntil;
        bool dead = false;
        bool recordedClosed = false;
    };

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::deque<Answer> script;
    Handler handler;
    bool sendContinue = true;
    std::vector<HttpRequest> requests;
    std::vector<HttpConnection> connections;
    std::size_t closedCount = 0;

    bool tlsMode = false;
    detail::SslCtx ctx;
    std::uint16_t port = 0;
    detail::Fd listener;
    detail::WakeEvent wake;
    std::atomic<bool> stop{false};
    std::list<Conn> conns;
    std::thread thread;

    void run();
    void accept();
    void onReadable(Conn& c);
    void onWritable(Conn& c);
    void processRequests(Conn& c);
    Answer choose(const HttpRequest& r);
    void startAnswer(Conn& c, const HttpRequest& r, Answer a);
    void flushDue(Conn& c, Clock::time_point now);
    void beginClose(Conn& c, bool graceful);
    void queueBytes(Conn& c, std::string_view bytes);
    void finish(Conn& c, bool byClient);
    void recordClosed(Conn& c, bool byClient);
    void noteTlsState(Conn& c);
};

HttpServer::HttpServer() : HttpServer(nullptr) {}

HttpServer::HttpServer(const TlsOptions* tls) : impl_(std::make_unique<Impl>()) {
    if (tls) {
        impl_->tlsMode = true;
        impl_->ctx = detail::makeServerContext(*tls);
    }
    impl_->listener = detail::listenLoopback(impl_->port);
    impl_->thread = std::thread([this] { impl_->run(); });
}

HttpServer::~HttpServer() {
    impl_->stop = true;
    impl_->wake.wake();
    impl_->thread.join();
}

HttpsServer::HttpsServer(const TlsOptions& options) : HttpServer(&options) {}

std::uint16_t HttpServer::port() const { return impl_->port; }

std::string HttpServer::hostPort() const { return "127.0.0.1:" + std::to_string(impl_->port); }

std::string HttpServer::url(std::string_view path, std::string_view host) const {
    return std::string(impl_->tlsMode ? "https://" : "http://") + std::string(host) + ":" +
           std::to_string(impl_->port) + std::string(path);
}

void HttpServer::enqueue(Answer answer) {
    std::lock_guard lock(impl_->mutex);
    impl_->script.push_back(std::move(answer));
}

void HttpServer::setHandler(Handler handler) {
    std::lock_guard lock(impl_->mutex);
    impl_->handler = std::move(handler);
}

void HttpServer::setSendContinue(bool send) {
    std::lock_guard lock(impl_->mutex);
    impl_->sendContinue = send;
}

bool HttpServer::waitForRequests(std::size_t count, Milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [&] { return impl_->requests.size() >= count; });
}

bool HttpServer::waitForConnections(std::size_t count, Milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [&] { return impl_->connections.size() >= count; });
}

bool HttpServer::waitForClosedConnections(std::size_t count, Milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [&] { return impl_->closedCount >= count; });
}

std::vector<HttpRequest> HttpServer::requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->requests;
}

HttpRequest HttpServer::request(std::size_t index) const {
    std::lock_guard lock(impl_->mutex);
    return index < impl_->requests.size() ? impl_->requests[index] : HttpRequest{};
}

std::size_t HttpServer::requestCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->requests.size();
}

std::vector<HttpConnection> HttpServer::connections() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->connections;
}

std::size_t HttpServer::connectionCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->connections.size();
}

void HttpServer::Impl::run() {
    std::vector<pollfd> fds;
    std::vector<Conn*> order;
    while (!stop) {
        fds.clear();
        order.clear();
        fds.push_back({wake.fd(), POLLIN, 0});
        fds.push_back({listener.get(), POLLIN, 0});
        Clock::time_point now = Clock::now();
        Clock::time_point wakeAt = now + Milliseconds(1000);
        for (Conn& c : conns) {
            short events = 0;
            if (!c.peerEof) events |= POLLIN;
            if (!c.out.empty()) events |= POLLOUT;
            if (!c.pieces.empty()) wakeAt = std::min(wakeAt, c.pieces.front().due);
            if (c.lingering) wakeAt = std::min(wakeAt, c.lingerUntil);
            // A descriptor with nothing to wait for is left out, or a hang-up would wake poll at once.
            fds.push_back({events ? c.fd.get() : -1, events, 0});
            order.push_back(&c);
        }
        ::poll(fds.data(), fds.size(), detail::pollTimeout(wakeAt));
        if (stop) break;
        if (fds[0].revents) wake.drain();
        if (fds[1].revents & POLLIN) accept();
        now = Clock::now();
        for (std::size_t i = 0; i < order.size(); ++i) {
            Conn& c = *order[i];
            short re = fds[i + 2].revents;
            if (!c.dead && (re & (POLLIN | POLLHUP | POLLERR))) onReadable(c);
            if (!c.dead && (re & POLLOUT)) onWritable(c);
            if (!c.dead) flushDue(c, Clock::now());
            if (!c.dead && c.lingering && Clock::now() >= c.lingerUntil) finish(c, false);
        }
        conns.remove_if([](const Conn& c) { return c.dead; });
    }
    for (Conn& c : conns) finish(c, false);
    conns.clear();
}

void HttpServer::Impl::accept() {
    for (;;) {
        int fd = ::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        Conn& c = conns.emplace_back();
        c.fd.reset(fd);
        if (tlsMode) c.tls = std::make_unique<detail::TlsEngine>(ctx.get());
        std::lock_guard lock(mutex);
        c.index = connections.size();
        connections.emplace_back();
        changed.notify_all();
    }
}

void HttpServer::Impl::noteTlsState(Conn& c) {
    std::lock_guard lock(mutex);
    HttpConnection& rec = connections[c.index];
    if (c.tls->established() && rec.tlsVersion.empty()) {
        rec.tlsVersion = c.tls->version();
        rec.clientSubject = c.tls->peerSubject();
    }
    if (c.tls->failed()) rec.tlsError = c.tls->error();
}

void HttpServer::Impl::onReadable(Conn& c) {
    char buf[65536];
    ssize_t n = ::recv(c.fd.get(), buf, sizeof buf, 0);
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) return;
        finish(c, true);
        return;
    }
    std::string plain;
    bool eof = n == 0;
    if (c.tls && n > 0) {
        bool ok = c.tls->feed(std::string_view(buf, static_cast<std::size_t>(n)), plain);
        c.out += c.tls->takeOutput();
        noteTlsState(c);
        if (!ok) {
            // The alert, if any, goes out before the connection ends.
            beginClose(c, false);
            return;
        }
        if (c.tls->peerClosed()) eof = true;
    } else if (n > 0) {
        plain.assign(buf, static_cast<std::size_t>(n));
    }
    if (!plain.empty()) {
        std::lock_guard lock(mutex);
        connections[c.index].received += plain;
        changed.notify_all();
    }
    if (c.lingering) {
        if (eof) finish(c, false);
        return;
    }
    c.pending += plain;
    if (eof) c.peerEof = true;
    processRequests(c);
    if (c.dead) return;
    if (c.peerEof && !c.answering && !c.closing) finish(c, true);
}

void HttpServer::Impl::onWritable(Conn& c) {
    ssize_t n = ::send(c.fd.get(), c.out.data(), c.out.size(), MSG_NOSIGNAL);
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) return;
        finish(c, false);
        return;
    }
    c.out.erase(0, static_cast<std::size_t>(n));
    if (c.out.empty() && c.closing && !c.lingering) beginClose(c, false);
}

void HttpServer::Impl::processRequests(Conn& c) {
    while (!c.answering && !c.silent && !c.closing && !c.dead) {
        HttpRequest r;
        std::size_t length = 0;
        detail::ParseState state = detail::parseRequest(c.pending, r, length);
        if (state == detail::ParseState::Incomplete) return;
        if (state == detail::ParseState::HeadOnly) {
            bool send;
            {
                std::lock_guard lock(mutex);
                send = sendContinue;
            }
            if (send && !c.continueSent && containsNoCase(r.header("Expect"), "100-continue")) {
                c.continueSent = true;
                queueBytes(c, "HTTP/1.1 100 Continue\r\n\r\n");
            }
            return;
        }
        c.pending.erase(0, length);
        c.continueSent = false;
        r.connection = c.index;
        // The answer is chosen before the request is counted, so whatever a handler
        // records is in place once a waiter sees the request.
        Answer answer = choose(r);
        {
            std::lock_guard lock(mutex);
            requests.push_back(r);
            ++connections[c.index].requests;
            changed.notify_all();
        }
        startAnswer(c, r, std::move(answer));
    }
}

Answer HttpServer::Impl::choose(const HttpRequest& r) {
    Handler h;
    {
        std::lock_guard lock(mutex);
        if (!script.empty()) {
            Answer a = std::move(script.front());
            script.pop_front();
            return a;
        }
        h = handler;
    }
    if (h) return h(r);
    return Answer::status(500, "No scripted answer");
}

void HttpServer::Impl::startAnswer(Conn& c, const HttpRequest& r, Answer a) {
    if (a.kind == Answer::Kind::Silence) {
        c.silent = true;
        return;
    }
    if (a.kind == Answer::Kind::HangUp) {
        beginClose(c, true);
        return;
    }
    std::string bytes = std::move(a.bytes);
    std::string connection = answerHeader(bytes, "Connection");
    if (a.cutAfter) {
        bytes.resize(std::min(bytes.size(), *a.cutAfter));
        c.after = After::Cut;
    } else if (a.close || containsNoCase(connection, "close") ||
               (requestWantsClose(r) && !containsNoCase(connection, "keep-alive"))) {
        c.after = After::Close;
    } else {
        c.after = After::Keep;
    }
    std::vector<std::size_t> cuts = a.splits;
    cuts.push_back(0);
    cuts.push_back(bytes.size());
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    Clock::time_point due = Clock::now();
    for (std::size_t i = 0; i + 1 < cuts.size() && cuts[i] < bytes.size(); ++i) {
        std::size_t end = std::min(cuts[i + 1], bytes.size());
        c.pieces.push_back({due, bytes.substr(cuts[i], end - cuts[i])});
        due += a.pause;
    }
    c.answering = true;
    flushDue(c, Clock::now());
}

void HttpServer::Impl::queueBytes(Conn& c, std::string_view bytes) {
    if (c.tls) {
        c.tls->write(bytes);
        c.out += c.tls->takeOutput();
    } else {
        c.out += bytes;
    }
    onWritable(c);
}

void HttpServer::Impl::flushDue(Conn& c, Clock::time_point now) {
    if (!c.answering) return;
    while (!c.pieces.empty() && c.pieces.front().due <= now && !c.dead) {
        std::string bytes = std::move(c.pieces.front().bytes);
        c.pieces.pop_front();
        queueBytes(c, bytes);
    }
    if (c.dead || !c.pieces.empty()) return;
    c.answering = false;
    if (c.after != After::Keep) {
        beginClose(c, c.after == After::Close);
        return;
    }
    processRequests(c);
    if (!c.dead && c.peerEof && !c.answering && !c.closing) finish(c, true);
}

void HttpServer::Impl::beginClose(Conn& c, bool graceful) {
    if (!c.closing) {
        c.closing = true;
        c.pieces.clear();
        c.answering = false;
        if (graceful && c.tls && c.tls->established()) {
            c.tls->closeNotify();
            c.out += c.tls->takeOutput();
        }
    }
    if (!c.out.empty()) return;  // onWritable comes back here once everything is out
    // Half-close and drain what the client still sends, so the close is a FIN, not a reset.
    ::shutdown(c.fd.get(), SHUT_WR);
    recordClosed(c, false);
    if (c.peerEof) {
        finish(c, false);
        return;
    }
    c.lingering = true;
    c.lingerUntil = Clock::now() + kLinger;
}

void HttpServer::Impl::finish(Conn& c, bool byClient) {
    if (c.dead) return;
    c.dead = true;
    c.fd.reset();
    recordClosed(c, byClient);
}

void HttpServer::Impl::recordClosed(Conn& c, bool byClient) {
    if (c.recordedClosed) return;
    c.recordedClosed = true;
    std::lock_guard lock(mutex);
    HttpConnection& rec = connections[c.index];
    rec.closed = true;
    rec.closedByClient = byClient;
    ++closedCount;
    changed.notify_all();
}

}  // namespace fixtures
