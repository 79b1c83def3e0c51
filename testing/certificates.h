#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include <openssl/types.h>

namespace fixtures {

// The certificates a TLS test needs. All but the self-signed one and the CA itself are issued
// by the CA; "localhost" and 127.0.0.1 are in the subject alternative names where a name fits.
enum class CertKind {
    Ca,          // the test root; a test trusts it explicitly
    Server,      // localhost and 127.0.0.1, valid now
    Expired,     // as Server, but its validity ended 30 days ago
    WrongName,   // valid, issued to "wrong.name.test" only
    SelfSigned,  // localhost and 127.0.0.1, its own issuer: an untrusted root
    Client,      // a client authentication certificate
};

struct CertificateFiles {
    std::filesystem::path certPem;  // the certificate alone
    std::filesystem::path certDer;
    std::filesystem::path keyPem;   // PKCS#8, unencrypted
    std::filesystem::path keyDer;
    std::filesystem::path pfx;      // key, certificate and the CA (for issued ones), with kPfxPassword
};

// Certificates made once per process at first use (RSA 2048, SHA-256 signatures). The keys are
// made once per build tree and reused by later test processes.
class TestCertificates {
public:
    static constexpr const char* kPfxPassword = "fixture-pfx-password";

    static const TestCertificates& instance();

    // Owned by the set; valid for the life of the process.
    X509* certificate(CertKind kind) const;
    EVP_PKEY* key(CertKind kind) const;

    std::string pem(CertKind kind) const;
    std::string der(CertKind kind) const;
    std::string keyPem(CertKind kind) const;
    std::string keyDer(CertKind kind) const;
    std::string pfx(CertKind kind, std::string_view password = kPfxPassword) const;
    // The subject in RFC 2253 form, e.g. "CN=localhost,O=Fixture Testing", as the fixtures'
    // servers report a client certificate's subject.
    std::string subject(CertKind kind) const;

    // Writes NAME.pem, NAME.der, NAME.key.pem, NAME.key.der and NAME.pfx into dir
    // (NAME as name() gives), creating dir if needed.
    CertificateFiles writeTo(const std::filesystem::path& dir, CertKind kind) const;
    // The same files in a folder of this process, written once and removed at exit.
    const CertificateFiles& files(CertKind kind) const;

    static std::string_view name(CertKind kind);

    ~TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

    struct Impl;

private:
    TestCertificates();
    std::unique_ptr<Impl> impl_;
};

// The RFC 2253 form of a certificate's subject.
std::string subjectOf(X509* certificate);

}  // namespace fixtures
