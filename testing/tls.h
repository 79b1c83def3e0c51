#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <openssl/types.h>

#include "testing/certificates.h"

namespace fixtures {

enum class TlsVersion { Default, Tls1_0, Tls1_1, Tls1_2, Tls1_3 };

enum class ClientCertificate {
    None,     // no certificate request
    Request,  // asks for one and takes whatever comes, trusted or not
    Require,  // fails the handshake without one issued by the test CA
};

// The server side of the fixtures' TLS peers.
struct TlsOptions {
    CertKind certificate = CertKind::Server;
    ClientCertificate clientCertificate = ClientCertificate::None;
    // Versions below 1.2 also lower the security level so the server can speak them at all.
    TlsVersion minVersion = TlsVersion::Default;
    TlsVersion maxVersion = TlsVersion::Default;
};

namespace detail {

struct SslCtxFree {
    void operator()(SSL_CTX* ctx) const;
};
using SslCtx = std::unique_ptr<SSL_CTX, SslCtxFree>;

SslCtx makeServerContext(const TlsOptions& options);

// A server-side TLS session over memory buffers: the caller moves ciphertext between the
// socket and the engine, so it decides how the bytes are cut into TCP writes.
class TlsEngine {
public:
    explicit TlsEngine(SSL_CTX* ctx);
    ~TlsEngine();
    TlsEngine(const TlsEngine&) = delete;
    TlsEngine& operator=(const TlsEngine&) = delete;

    // Takes ciphertext from the peer, advances the handshake and appends any plaintext.
    // Returns false once the session has failed.
    bool feed(std::string_view cipher, std::string& plain);
    // One TLS record per call for up to 16 KiB of plaintext.
    void write(std::string_view plain);
    void closeNotify();
    // A renegotiation below TLS 1.3, a key update (the peer asked to update too) at 1.3.
    bool startRenegotiation();
    bool renegotiating() const;
    // Ciphertext waiting to go to the peer.
    std::string takeOutput();

    bool established() const { return established_; }
    bool failed() const { return failed_; }
    bool peerClosed() const { return peerClosed_; }
    std::string peerSubject() const { return peerSubject_; }
    std::string version() const;
    std::string error() const { return error_; }

private:
    void setFailed();

    SSL* ssl_ = nullptr;
    BIO* in_ = nullptr;
    BIO* out_ = nullptr;
    bool established_ = false;
    bool failed_ = false;
    bool peerClosed_ = false;
    std::string peerSubject_;
    std::string error_;
};

}  // namespace detail
}  // namespace fixtures
