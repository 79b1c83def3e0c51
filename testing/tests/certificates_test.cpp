#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include "testing/certificates.h"

using fixtures::CertKind;
using fixtures::TestCertificates;

namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// OpenSSL's verdict on a certificate against the test CA, as a TLS client of that name sees it.
int verify(X509* cert, const char* host, bool asClient = false) {
    X509_STORE* store = X509_STORE_new();
    X509_STORE_add_cert(store, TestCertificates::instance().certificate(CertKind::Ca));
    X509_STORE_CTX* ctx = X509_STORE_CTX_new();
    X509_STORE_CTX_init(ctx, store, cert, nullptr);
    X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx);
    X509_VERIFY_PARAM_set_purpose(param, asClient ? X509_PURPOSE_SSL_CLIENT : X509_PURPOSE_SSL_SERVER);
    if (host && X509_VERIFY_PARAM_set1_ip_asc(param, host) != 1) X509_VERIFY_PARAM_set1_host(param, host, 0);
    X509_verify_cert(ctx);
    int result = X509_STORE_CTX_get_error(ctx);
    X509_STORE_CTX_free(ctx);
    X509_STORE_free(store);
    return result;
}

}  // namespace

TEST(TestCertificates, VerdictsAgainstTheTestCa) {
    struct Case {
        CertKind kind;
        const char* host;
        int expected;
    };
    const Case cases[] = {
        {CertKind::Server, "localhost", X509_V_OK},
        {CertKind::Server, "127.0.0.1", X509_V_OK},
        {CertKind::Server, "127.0.0.2", X509_V_ERR_IP_ADDRESS_MISMATCH},
        {CertKind::Expired, "localhost", X509_V_ERR_CERT_HAS_EXPIRED},
        {CertKind::Expired, nullptr, X509_V_ERR_CERT_HAS_EXPIRED},
        {CertKind::WrongName, "localhost", X509_V_ERR_HOSTNAME_MISMATCH},
        {CertKind::WrongName, "wrong.name.test", X509_V_OK},
        {CertKind::SelfSigned, "localhost", X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT},
    };
    const TestCertificates& certs = TestCertificates::instance();
    for (const Case& c : cases)
        EXPECT_EQ(verify(certs.certificate(c.kind), c.host), c.expected)
            << TestCertificates::name(c.kind) << " for " << (c.host ? c.host : "no name");
    EXPECT_EQ(verify(certs.certificate(CertKind::Client), nullptr, true), X509_V_OK);
    EXPECT_EQ(verify(certs.certificate(CertKind::Client), nullptr, false), X509_V_ERR_INVALID_PURPOSE);
}

TEST(TestCertificates, SubjectsInRfc2253Form) {
    const TestCertificates& certs = TestCertificates::instance();
    EXPECT_EQ(certs.subject(CertKind::Server), "O=Fixture Testing,CN=localhost");
    EXPECT_EQ(certs.subject(CertKind::Client), "O=Fixture Testing,CN=Fixture Client");
    EXPECT_EQ(certs.subject(CertKind::Ca), "O=Fixture Testing,CN=Fixture Root CA");
}

TEST(TestCertificates, FilesHoldTheSameCertificatesAndKeys) {
    const TestCertificates& certs = TestCertificates::instance();
    for (CertKind kind : {CertKind::Ca, CertKind::Server, CertKind::Expired, CertKind::WrongName,
                          CertKind::SelfSigned, CertKind::Client}) {
        SCOPED_TRACE(std::string(TestCertificates::name(kind)));
        const fixtures::CertificateFiles& f = certs.files(kind);
        EXPECT_EQ(&f, &certs.files(kind));
        X509* want = certs.certificate(kind);

        std::string pem = readFile(f.certPem);
        BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
        X509* fromPem = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
        BIO_free(bio);
        ASSERT_NE(fromPem, nullptr);
        EXPECT_EQ(X509_cmp(fromPem, want), 0);
        X509_free(fromPem);

        std::string der = readFile(f.certDer);
        const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
        X509* fromDer = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
        ASSERT_NE(fromDer, nullptr);
        EXPECT_EQ(X509_cmp(fromDer, want), 0);
        X509_free(fromDer);

        std::string keyPem = readFile(f.keyPem);
        bio = BIO_new_mem_buf(keyPem.data(), static_cast<int>(keyPem.size()));
        EVP_PKEY* key = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
        BIO_free(bio);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(X509_check_private_key(want, key), 1);
        EVP_PKEY_free(key);

        std::string keyDer = readFile(f.keyDer);
        p = reinterpret_cast<const unsigned char*>(keyDer.data());
        key = d2i_AutoPrivateKey(nullptr, &p, static_cast<long>(keyDer.size()));
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(X509_check_private_key(want, key), 1);
        EVP_PKEY_free(key);
    }
}

TEST(TestCertificates, PfxOpensWithItsPasswordOnly) {
    const TestCertificates& certs = TestCertificates::instance();
    std::string bytes = readFile(certs.files(CertKind::Client).pfx);
    auto load = [&] {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
        return d2i_PKCS12(nullptr, &p, static_cast<long>(bytes.size()));
    };

    PKCS12* p12 = load();
    ASSERT_NE(p12, nullptr);
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    STACK_OF(X509)* chain = nullptr;
    ASSERT_EQ(PKCS12_parse(p12, TestCertificates::kPfxPassword, &key, &cert, &chain), 1);
    EXPECT_EQ(X509_cmp(cert, certs.certificate(CertKind::Client)), 0);
    EXPECT_EQ(X509_check_private_key(cert, key), 1);
    ASSERT_EQ(sk_X509_num(chain), 1);
    EXPECT_EQ(X509_cmp(sk_X509_value(chain, 0), certs.certificate(CertKind::Ca)), 0);
    EVP_PKEY_free(key);
    X509_free(cert);
    sk_X509_pop_free(chain, X509_free);
    PKCS12_free(p12);

    p12 = load();
    key = nullptr;
    cert = nullptr;
    chain = nullptr;
    EXPECT_NE(PKCS12_parse(p12, "not the password", &key, &cert, &chain), 1);
    EXPECT_EQ(key, nullptr);
    ERR_clear_error();
    PKCS12_free(p12);
}

TEST(TestCertificates, WriteToAGivenFolder) {
    auto dir = std::filesystem::temp_directory_path() / ("fixture-write-" + std::to_string(getpid()));
    fixtures::CertificateFiles f = TestCertificates::instance().writeTo(dir / "sub", CertKind::Server);
    EXPECT_EQ(f.certPem, dir / "sub" / "server.pem");
    EXPECT_EQ(f.pfx, dir / "sub" / "server.pfx");
    EXPECT_EQ(readFile(f.certDer), TestCertificates::instance().der(CertKind::Server));
    std::filesystem::remove_all(dir);
}
