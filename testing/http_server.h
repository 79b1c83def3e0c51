#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "testing/loopback.h"
#include "testing/tls.h"

namespace fixtures {

using Headers = std::vector<std::pair<std::string, std::string>>;

// One request as the server split it off its connection.
struct HttpRequest {
    std::string bytes;  // exactly as received: the head, then the body with any chunk framing
    std::string method;
    std::string target;
    std::string version;  // "HTTP/1.1"; empty for a request line without one
    Headers headers;      // in the order sent, names as sent
    std::string body;     // with the chunk framing removed
    bool chunked = false;
    std::size_t connection = 0;  // index into HttpServer::connections()

    // The first value of a header, its name compared without case; "" when absent.
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const;
};

// What the server does with one request. Build it with the static functions, then adjust it:
//     server.enqueue(Answer::ok("hello").splitAt({5, 20}));
struct Answer {
    enum class Kind { Bytes, Silence, HangUp };

    Kind kind = Kind::Bytes;
    std::string bytes;                // status line, headers and body, sent as they are
    std::vector<std::size_t> splits;  // offsets where a new write (and TLS record) starts
    Milliseconds pause{50};           // between split pieces
    std::optional<std::size_t> cutAfter;
    bool close = false;

    static Answer raw(std::string bytes);
    // "HTTP/1.1 CODE REASON", the given headers, then Content-Length of the body.
    static Answer status(int code, std::string_view reason, std::string_view body = {},
                         const Headers& headers = {});
    static Answer ok(std::string_view body, std::string_view contentType = "text/plain");
    // "Transfer-Encoding: chunked" after the given headers; one chunk per entry, then the zero chunk.
    static Answer chunked(int code, std::string_view reason, const std::vector<std::string>& chunks,
                          const Headers& headers = {});
    // Reads the request and never answers; the connection stays open until the client leaves.
    static Answer silence();
    // Closes the connection without answering.
    static Answer hangUp();

    // Writes the answer in pieces starting at these byte offsets, pausing between them.
    Answer& splitAt(std::vector<std::size_t> offsets, Milliseconds pauseBetween = Milliseconds(50));
    // Sends only the first n bytes, then closes the connection (over TLS without close_notify).
    Answer& closeAfter(std::size_t n);
    // Closes the connection once the answer is sent (a body ended by the close, for one).
    Answer& thenClose();
};

// The body in chunked framing, ending with the zero chunk and the empty trailer.
std::string chunkedBody(const std::vector<std::string>& chunks);

struct HttpConnection {
    std::string received;  // every byte the client sent, in order (decrypted over TLS)
    std::size_t requests = 0;
    bool closed = false;  // the server has ended its side, or the client has closed
    bool closedByClient = false;
    std::string clientSubject;  // TLS: the client certificate's subject (RFC 2253), if one came
    std::string tlsVersion;     // TLS: "TLSv1.2", "TLSv1.3"... once the handshake is done
    std::string tlsError;       // TLS: why the handshake or the session failed
};

// A loopback HTTP/1.0 and 1.1 server on its own thread. Requests take the scripted answers in
// the order they arrive, across connections; past the script the handler answers, and without
// one the server answers 500. Connections persist unless the request or the answer ends them.
class HttpServer {
public:
    using Handler = std::function<Answer(const HttpRequest&)>;

    HttpServer();
    virtual ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    std::uint16_t port() const;
    std::string hostPort() const;  // "127.0.0.1:PORT"
    // "http://127.0.0.1:PORT/path" ("https://" for the TLS twin).
    std::string url(std::string_view path = "/", std::string_view host = "127.0.0.1") const;

    void enqueue(Answer answer);
    // Called on the server's thread, for requests past the scripted answers.
    void setHandler(Handler handler);
    // Whether "Expect: 100-continue" gets an interim "HTTP/1.1 100 Continue" before the body
    // arrives (on by default).
    void setSendContinue(bool send);

    bool waitForRequests(std::size_t count, Milliseconds timeout = Milliseconds(5000)) const;
    bool waitForConnections(std::size_t count, Milliseconds timeout = Milliseconds(5000)) const;
    bool waitForClosedConnections(std::size_t count, Milliseconds timeout = Milliseconds(5000)) const;

    std::vector<HttpRequest> requests() const;
    // The request of that index; an empty one when it has not arrived.
    HttpRequest request(std::size_t index) const;
    std::size_t requestCount() const;
    std::vector<HttpConnection> connections() const;
    std::size_t connectionCount() const;

    struct Impl;

protected:
    explicit HttpServer(const TlsOptions* tls);

private:
    std::unique_ptr<Impl> impl_;
};

// The same server over TLS with a certificate from TestCertificates.
class HttpsServer : public HttpServer {
public:
    explicit HttpsServer(const TlsOptions& options = {});
};

}  // namespace fixtures
