#include "loopback_client.h"

#include <utility>

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

using fixtures::CertKind;
using fixtures::TestCertificates;

LoopbackClient::LoopbackClient(std::uint16_t port, fixtures::Milliseconds timeout) {
    fd_ = fixtures::detail::connectLoopback(port, timeout).release();
    if (fd_ < 0) return;
    timeval tv{static_cast<time_t>(timeout.count() / 1000),
               static_cast<suseconds_t>(timeout.count() % 1000 * 1000)};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

LoopbackClient::~LoopbackClient() {
    SSL_free(ssl_);
    SSL_CTX_free(ctx_);
    if (fd_ >= 0) ::close(fd_);
}

bool LoopbackClient::startTls(const Tls& o) {
    const TestCertificates& certs = TestCertificates::instance();
    ctx_ = SSL_CTX_new(TLS_client_method());
    if (o.legacy) {
        SSL_CTX_set_security_level(ctx_, 0);
        SSL_CTX_set_cipher_list(ctx_, "DEFAULT:@SECLEVEL=0");
    }
    // A server that cuts its answer short closes without close_notify; read that as the end.
    SSL_CTX_set_options(ctx_, SSL_OP_IGNORE_UNEXPECTED_EOF);
    if (o.minVersion) SSL_CTX_set_min_proto_version(ctx_, o.minVersion);
    if (o.maxVersion) SSL_CTX_set_max_proto_version(ctx_, o.maxVersion);
    X509_STORE_add_cert(SSL_CTX_get_cert_store(ctx_), certs.certificate(CertKind::Ca));
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    if (o.useClientCertificate) {
        SSL_CTX_use_certificate(ctx_, certs.certificate(CertKind::Client));
        SSL_CTX_use_PrivateKey(ctx_, certs.key(CertKind::Client));
    }
    ssl_ = SSL_new(ctx_);
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl_);
    if (X509_VERIFY_PARAM_set1_ip_asc(param, o.verifyHost.c_str()) != 1) {
        X509_VERIFY_PARAM_set1_host(param, o.verifyHost.c_str(), 0);
        SSL_set_tlsext_host_name(ssl_, o.verifyHost.c_str());
    }
    SSL_set_fd(ssl_, fd_);
    int rc = SSL_connect(ssl_);
    verifyResult_ = SSL_get_verify_result(ssl_);
    if (rc != 1) {
        unsigned long code = ERR_get_error();
        char buf[256] = "handshake failed";
        if (code) ERR_error_string_n(code, buf, sizeof buf);
        tlsError_ = buf;
        ERR_clear_error();
        SSL_free(ssl_);
        ssl_ = nullptr;
        return false;
    }
    return true;
}

std::string LoopbackClient::tlsVersion() const { return ssl_ ? SSL_get_version(ssl_) : ""; }

bool LoopbackClient::send(std::string_view bytes) {
    while (!bytes.empty()) {
        int n = ssl_ ? SSL_write(ssl_, bytes.data(), static_cast<int>(bytes.size()))
                     : static_cast<int>(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL));
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string LoopbackClient::readSome() {
    if (!buffer_.empty()) return std::exchange(buffer_, {});
    char buf[65536];
    int n = ssl_ ? SSL_read(ssl_, buf, sizeof buf) : static_cast<int>(::recv(fd_, buf, sizeof buf, 0));
    if (n > 0) return std::string(buf, static_cast<std::size_t>(n));
    lastErrno_ = errno;
    if (ssl_) {
        int err = SSL_get_error(ssl_, n);
        if (err == SSL_ERROR_ZERO_RETURN) eof_ = true;
        else if (err == SSL_ERROR_SYSCALL && n == 0) eof_ = true;
        ERR_clear_error();
    } else if (n == 0) {
        eof_ = true;
    }
    return {};
}

std::string LoopbackClient::readExactly(std::size_t n) {
    std::string out;
    while (out.size() < n) {
        std::string got = readSome();
        if (got.empty()) break;
        out += got;
    }
    if (out.size() > n) {
        buffer_ = out.substr(n);
        out.resize(n);
    }
    return out;
}

std::string LoopbackClient::readToClose() {
    std::string out;
    for (std::string got; !(got = readSome()).empty();) out += got;
    return out;
}

std::string LoopbackClient::readUntil(std::string_view delimiter) {
    std::string out;
    std::size_t at;
    while ((at = out.find(delimiter)) == std::string::npos) {
        std::string got = readSome();
        if (got.empty()) return out;
        out += got;
    }
    buffer_ = out.substr(at + delimiter.size());
    out.resize(at + delimiter.size());
    return out;
}

std::string LoopbackClient::readAnswer() {
    std::string head = readUntil("\r\n\r\n");
    std::size_t at = head.find("Content-Length: ");
    if (at == std::string::npos) return head;
    std::size_t length = std::stoul(head.substr(at + 16));
    return head + readExactly(length);
}

void LoopbackClient::shutdownWrite() { ::shutdown(fd_, SHUT_WR); }
