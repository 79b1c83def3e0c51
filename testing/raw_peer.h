#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "testing/loopback.h"
#include "testing/tls.h"

namespace fixtures {

// The steps a peer takes on one connection, in order. An expect step that times out, sees the
// client close early or reads other bytes than it wants records an error and ends the script.
// When the script ends the peer closes the connection (over TLS with close_notify).
class PeerScript {
public:
    enum class Op {
        Expect, ExpectBytes, ExpectUntil, ExpectClose, Hold,
        Send, SendSplit, SendRecordSplit, SendRecords, Renegotiate, Pause, Close, Abort, Relay,
    };
    struct Step {
        Op op = Op::Pause;
        std::string bytes{};
        std::size_t count = 0;
        std::vector<std::size_t> offsets{};
        std::vector<std::string> pieces{};
        Milliseconds pause{0};
        std::uint16_t port = 0;
    };

    // Reads exactly n bytes, whatever they are.
    PeerScript& expect(std::size_t n);
    // Reads as many bytes as given and requires them to be these.
    PeerScript& expectBytes(std::string bytes);
    // Reads up to and including the delimiter (such as "\r\n\r\n" after a CONNECT request).
    PeerScript& expectUntil(std::string delimiter);
    // Waits for the client to close; more bytes before the close are recorded, not an error.
    PeerScript& expectClose();
    // Keeps the connection open, recording what arrives, until the client closes or the peer
    // stops; never an error (a silent server).
    PeerScript& hold();

    PeerScript& send(std::string bytes);
    // Writes the pieces that start at these offsets one by one, pausing between them; over TLS
    // each piece is its own record.
    PeerScript& sendSplit(std::string bytes, std::vector<std::size_t> offsets,
                          Milliseconds pause = Milliseconds(50));
    // Over TLS: one record whose ciphertext goes out in two TCP writes, cut at cipherOffset.
    // Without TLS the same as sendSplit at that offset.
    PeerScript& sendRecordSplit(std::string bytes, std::size_t cipherOffset,
                                Milliseconds pause = Milliseconds(50));
    // Over TLS: one record per piece, all in a single TCP write. Without TLS one write.
    PeerScript& sendRecords(std::vector<std::string> pieces);
    // Over TLS 1.2 and below: a server-initiated renegotiation, complete before the next step
    // (the client must be reading). Over TLS 1.3: a key update that asks the client for one.
    PeerScript& renegotiate();
    PeerScript& pause(Milliseconds duration);
    // Ends the sending side (close_notify first over TLS) and ends the script.
    PeerScript& close();
    // Resets the connection (RST) and ends the script.
    PeerScript& abort();
    // Connects to 127.0.0.1:port and relays both ways until the target closes; the client's
    // close is passed on to the target. The client's bytes keep being recorded. For scripted
    // proxies after their handshake steps.
    PeerScript& relayTo(std::uint16_t port);

    const std::vector<Step>& steps() const { return steps_; }

private:
    PeerScript& add(Step step);
    std::vector<Step> steps_;
};

struct PeerConnection {
    std::string received;    // every byte the client sent (decrypted over TLS)
    std::string fromTarget;  // during a relay: every byte the target sent
    std::vector<std::string> errors;
    bool finished = false;      // the script has ended and the peer has closed its side
    bool clientClosed = false;  // the client closed its side at some point
    std::string clientSubject;  // TLS only, as in HttpConnection
    std::string tlsVersion;
    std::string tlsError;
};

// A loopback TCP peer for byte-level exchanges. Each accepted connection runs the next script,
// on a thread of its own; a connection past the scripts is closed at once.
class RawPeer {
public:
    struct Options {
        Milliseconds stepTimeout{20000};  // for each expect step: generous, so that slow builds fail only on a real hang
    };

    RawPeer();
    explicit RawPeer(Options options);
    virtual ~RawPeer();
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    std::uint16_t port() const;
    std::string hostPort() const;

    void addConnection(PeerScript script);

    bool waitForConnections(std::size_t count, Milliseconds timeout = Milliseconds(20000)) const;
    // Until as many connections as there are scripts have come and finished.
    bool waitFinished(Milliseconds timeout = Milliseconds(20000)) const;

    std::vector<PeerConnection> connections() const;
    // The connection of that index; an empty one when it has not come.
    PeerConnection connection(std::size_t index) const;
    std::size_t connectionCount() const;
    // Every connection's errors, prefixed with the connection's index.
    std::vector<std::string> errors() const;

    struct Impl;

protected:
    RawPeer(Options options, const TlsOptions* tls);

private:
    std::unique_ptr<Impl> impl_;
};

// The same peer over TLS: the handshake runs before the script; a failed handshake is recorded
// in tlsError and skips the script.
class RawTlsPeer : public RawPeer {
public:
    explicit RawTlsPeer(const TlsOptions& tls = {}, Options options = {});
};

}  // namespace fixtures
