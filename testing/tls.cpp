#include "testing/tls.h"

#include <stdexcept>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace fixtures::detail {
namespace {

int protocolNumber(TlsVersion v) {
    switch (v) {
    case TlsVersion::Default: return 0;
    case TlsVersion::Tls1_0: return TLS1_VERSION;
    case TlsVersion::Tls1_1: return TLS1_1_VERSION;
    case TlsVersion::Tls1_2: return TLS1_2_VERSION;
    case TlsVersion::Tls1_3: return TLS1_3_VERSION;
    }
    return 0;
}

bool legacy(TlsVersion v) { return v == TlsVersion::Tls1_0 || v == TlsVersion::Tls1_1; }

int acceptAnyCertificate(int, X509_STORE_CTX*) { return 1; }

std::string lastError() {
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return "TLS failure";
    char buf[256];
    ERR_error_string_n(code, buf, sizeof buf);
    return buf;
}

}  // namespace

void SslCtxFree::operator()(SSL_CTX* ctx) const { SSL_CTX_free(ctx); }

SslCtx makeServerContext(const TlsOptions& options) {
    const TestCertificates& certs = TestCertificates::instance();
    SslCtx ctx(SSL_CTX_new(TLS_server_method()));
    if (!ctx) throw std::runtime_error("SSL_CTX_new failed");
    SSL_CTX* c = ctx.get();
    if (legacy(options.minVersion) || legacy(options.maxVersion)) {
        SSL_CTX_set_security_level(c, 0);
        SSL_CTX_set_cipher_list(c, "DEFAULT:@SECLEVEL=0");
    }
    if (int v = protocolNumber(options.minVersion)) SSL_CTX_set_min_proto_version(c, v);
    if (int v = protocolNumber(options.maxVersion)) SSL_CTX_set_max_proto_version(c, v);
    if (SSL_CTX_use_certificate(c, certs.certificate(options.certificate)) != 1 ||
        SSL_CTX_use_PrivateKey(c, certs.key(options.certificate)) != 1)
        throw std::runtime_error("cannot load the server certificate");
    SSL_CTX_set_mode(c, SSL_MODE_AUTO_RETRY);
    // Session resumption would hide the certificate exchange from tests of later connections.
    SSL_CTX_set_session_cache_mode(c, SSL_SESS_CACHE_OFF);
    SSL_CTX_set_num_tickets(c, 0);
    SSL_CTX_set_options(c, SSL_OP_NO_TICKET);
    X509* ca = certs.certificate(CertKind::Ca);
    switch (options.clientCertificate) {
    case ClientCertificate::None:
        break;
    case ClientCertificate::Request:
        SSL_CTX_set_verify(c, SSL_VERIFY_PEER, acceptAnyCertificate);
        SSL_CTX_add_client_CA(c, ca);
        break;
    case ClientCertificate::Require:
        SSL_CTX_set_verify(c, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
        X509_STORE_add_cert(SSL_CTX_get_cert_store(c), ca);
        SSL_CTX_add_client_CA(c, ca);
        break;
    }
    return ctx;
}

TlsEngine::TlsEngine(SSL_CTX* ctx) : ssl_(SSL_new(ctx)) {
    if (!ssl_) throw std::runtime_error("SSL_new failed");
    in_ = BIO_new(BIO_s_mem());
    out_ = BIO_new(BIO_s_mem());
    BIO_set_mem_eof_return(in_, -1);
    SSL_set_bio(ssl_, in_, out_);
    SSL_set_accept_state(ssl_);
}

TlsEngine::~TlsEngine() { SSL_free(ssl_); }

void TlsEngine::setFailed() {
    failed_ = true;
    error_ = lastError();
}

bool TlsEngine::feed(std::string_view cipher, std::string& plain) {
    if (failed_) return false;
    // One thread serves many sessions; another session's error must not be read as ours.
    ERR_clear_error();
    if (!cipher.empty()) BIO_write(in_, cipher.data(), static_cast<int>(cipher.size()));
    if (!established_) {
        int rc = SSL_do_handshake(ssl_);
        if (rc != 1) {
            int err = SSL_get_error(ssl_, rc);
            if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) return true;
            setFailed();
            return false;
        }
        established_ = true;
        if (X509* peer = SSL_get0_peer_certificate(ssl_)) peerSubject_ = subjectOf(peer);
    }
    char buf[16384];
    for (;;) {
        int n = SSL_read(ssl_, buf, sizeof buf);
        if (n > 0) {
            plain.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        int err = SSL_get_error(ssl_, n);
        if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) return true;
        if (err == SSL_ERROR_ZERO_RETURN) {
            peerClosed_ = true;
            return true;
        }
        setFailed();
        return false;
    }
}

void TlsEngine::write(std::string_view plain) {
    ERR_clear_error();
    while (!plain.empty() && !failed_) {
        std::size_t n = std::min<std::size_t>(plain.size(), 16384);
        if (SSL_write(ssl_, plain.data(), static_cast<int>(n)) <= 0) {
            setFailed();
            return;
        }
        plain.remove_prefix(n);
    }
}

void TlsEngine::closeNotify() {
    if (established_ && !failed_) SSL_shutdown(ssl_);
}

bool TlsEngine::startRenegotiation() {
    if (!established_ || failed_) return false;
    int ok = SSL_version(ssl_) == TLS1_3_VERSION ? SSL_key_update(ssl_, SSL_KEY_UPDATE_REQUESTED)
                                                 : SSL_renegotiate(ssl_);
    if (ok != 1) {
        setFailed();
        return false;
    }
    int rc = SSL_do_handshake(ssl_);
    if (rc != 1) {
        int err = SSL_get_error(ssl_, rc);
        if (err != SSL_ERROR_WANT_READ && err != SSL_ERROR_WANT_WRITE) {
            setFailed();
            return false;
        }
    }
    return true;
}

bool TlsEngine::renegotiating() const { return SSL_renegotiate_pending(ssl_) == 1; }

std::string TlsEngine::takeOutput() {
    std::string out(BIO_pending(out_), '\0');
    if (!out.empty()) BIO_read(out_, out.data(), static_cast<int>(out.size()));
    return out;
}

std::string TlsEngine::version() const { return established_ ? SSL_get_version(ssl_) : ""; }

}  // namespace fixtures::detail
