#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <openssl/types.h>

#include "testing/certificates.h"
#include "testing/loopback.h"

// A blocking client on plain POSIX sockets and OpenSSL, standing for the code that later tests
// put in its place. Every read gives up after the time-out.
class LoopbackClient {
public:
    struct Tls {
        std::string verifyHost = "localhost";  // an IP address is checked as one
        bool useClientCertificate = false;
        int minVersion = 0;  // TLS1_VERSION...; 0 keeps OpenSSL's default
        int maxVersion = 0;
        bool legacy = false;  // security level 0, so TLS 1.0 and 1.1 can be spoken
    };

    explicit LoopbackClient(std::uint16_t port,
                            fixtures::Milliseconds timeout = fixtures::Milliseconds(5000));
    ~LoopbackClient();
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool connected() const { return fd_ >= 0; }
    // Runs the handshake, trusting only the test CA; false when it or the verification fails.
    // Under TLS 1.3 a refused client certificate shows only on the first read.
    bool startTls(const Tls& options);
    std::string tlsError() const { return tlsError_; }
    long verifyResult() const { return verifyResult_; }
    std::string tlsVersion() const;

    bool send(std::string_view bytes);
    // One read: whatever arrives next (one record over TLS); "" on close or time-out.
    std::string readSome();
    std::string readExactly(std::size_t n);
    // Until the server closes (or the time-out).
    std::string readToClose();
    // Until the delimiter has arrived, including it.
    std::string readUntil(std::string_view delimiter);
    // Reads one answer with a Content-Length body.
    std::string readAnswer();
    bool closedByPeer() const { return eof_; }
    int lastErrno() const { return lastErrno_; }
    void shutdownWrite();

private:
    int fd_ = -1;
    SSL_CTX* ctx_ = nullptr;
    SSL* ssl_ = nullptr;
    std::string buffer_;
    bool eof_ = false;
    int lastErrno_ = 0;
    long verifyResult_ = 0;
    std::string tlsError_;
};
