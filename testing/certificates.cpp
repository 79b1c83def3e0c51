#include "testing/certificates.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <vector>

#include <unistd.h>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace fixtures {
namespace {

constexpr int kKinds = 6;

int index(CertKind kind) { return static_cast<int>(kind); }

[[noreturn]] void fail(const char* what) {
    throw std::runtime_error(std::string("test certificates: ") + what);
}

constexpr int kKeys = 4;

// RSA key generation costs about a second per test process, and every test runs in a process
// of its own, so the keys (never the certificates, whose validity is relative to now) are kept
// in the build tree and shared by later processes.
std::vector<EVP_PKEY*> loadKeys(const std::filesystem::path& path) {
    std::vector<EVP_PKEY*> keys;
    BIO* bio = BIO_new_file(path.c_str(), "r");
    if (!bio) return keys;
    while (EVP_PKEY* key = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr)) keys.push_back(key);
    BIO_free(bio);
    ERR_clear_error();
    if (keys.size() != kKeys) {
        for (EVP_PKEY* k : keys) EVP_PKEY_free(k);
        keys.clear();
    }
    return keys;
}

void storeKeys(const std::filesystem::path& path, const std::vector<EVP_PKEY*>& keys) {
    // Written beside the final name and renamed, so a concurrent reader sees all or nothing.
    std::filesystem::path tmp = path;
    tmp += "." + std::to_string(getpid());
    BIO* bio = BIO_new_file(tmp.c_str(), "w");
    if (!bio) return;
    bool ok = true;
    for (EVP_PKEY* k : keys)
        ok = ok && PEM_write_bio_PrivateKey(bio, k, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    BIO_free(bio);
    std::error_code ec;
    if (ok)
        std::filesystem::rename(tmp, path, ec);
    else
        std::filesystem::remove(tmp, ec);
}

std::vector<EVP_PKEY*> makeKeys() {
    std::filesystem::path cache = FIXTURE_KEY_CACHE;
    std::vector<EVP_PKEY*> keys = loadKeys(cache);
    if (!keys.empty()) return keys;
    for (int i = 0; i < kKeys; ++i) {
        EVP_PKEY* key = EVP_RSA_gen(2048);
        if (!key) fail("RSA key generation failed");
        keys.push_back(key);
    }
    storeKeys(cache, keys);
    return keys;
}

void addName(X509_NAME* name, const char* field, const char* value) {
    X509_NAME_add_entry_by_txt(name, field, MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(value), -1, -1, 0);
}

void addExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext) fail("bad extension");
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

struct Spec {
    const char* commonName;
    const char* unit;  // nullptr for none
    bool ca;
    bool selfIssued;
    long notBeforeDays;
    long notAfterDays;
    const char* altNames;     // nullptr for none
    const char* extendedUse;  // nullptr for none
};

const std::array<Spec, kKinds> kSpecs = {{
    {"Fixture Root CA", nullptr, true, true, -1, 3650, nullptr, nullptr},
    {"localhost", nullptr, false, false, -1, 365, "DNS:localhost,IP:127.0.0.1", "serverAuth"},
    {"localhost", "Expired", false, false, -60, -30, "DNS:localhost,IP:127.0.0.1", "serverAuth"},
    {"wrong.name.test", nullptr, false, false, -1, 365, "DNS:wrong.name.test", "serverAuth"},
    {"localhost", "Self Signed", false, true, -1, 365, "DNS:localhost,IP:127.0.0.1", "serverAuth"},
    {"Fixture Client", nullptr, false, false, -1, 365, nullptr, "clientAuth"},
}};

X509* makeCertificate(const Spec& spec, EVP_PKEY* key, X509* issuer, EVP_PKEY* issuerKey) {
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    unsigned char serial[8];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert));
    BN_free(bn);
    X509_time_adj_ex(X509_getm_notBefore(cert), static_cast<int>(spec.notBeforeDays), 0, nullptr);
    X509_time_adj_ex(X509_getm_notAfter(cert), static_cast<int>(spec.notAfterDays), 0, nullptr);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    addName(name, "CN", spec.commonName);
    if (spec.unit) addName(name, "OU", spec.unit);
    addName(name, "O", "Fixture Testing");
    X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
    X509* ctxIssuer = issuer ? issuer : cert;
    addExtension(cert, ctxIssuer, NID_subject_key_identifier, "hash");
    if (issuer) addExtension(cert, ctxIssuer, NID_authority_key_identifier, "keyid");
    if (spec.ca) {
        addExtension(cert, ctxIssuer, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(cert, ctxIssuer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(cert, ctxIssuer, NID_basic_constraints, "CA:FALSE");
        addExtension(cert, ctxIssuer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
    }
    if (spec.extendedUse) addExtension(cert, ctxIssuer, NID_ext_key_usage, spec.extendedUse);
    if (spec.altNames) addExtension(cert, ctxIssuer, NID_subject_alt_name, spec.altNames);
    if (!X509_sign(cert, issuerKey ? issuerKey : key, EVP_sha256())) fail("signing failed");
    return cert;
}

template <class Write>
std::string throughBio(Write write) {
    BIO* bio = BIO_new(BIO_s_mem());
    if (!write(bio)) {
        BIO_free(bio);
        fail("encoding failed");
    }
    char* data = nullptr;
    long len = BIO_get_mem_data(bio, &data);
    std::string out(data, static_cast<std::size_t>(len));
    BIO_free(bio);
    return out;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) fail("cannot write a certificate file");
}

}  // namespace

struct TestCertificates::Impl {
    std::array<X509*, kKinds> certs{};
    std::array<EVP_PKEY*, kKinds> keys{};
    std::mutex filesMutex;
    std::filesystem::path folder;
    std::array<CertificateFiles, kKinds> files;

    ~Impl() {
        for (X509* c : certs) X509_free(c);
        for (EVP_PKEY* k : keys) EVP_PKEY_free(k);
        if (!folder.empty()) {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        }
    }
};

TestCertificates::TestCertificates() : impl_(std::make_unique<Impl>()) {
    // The three certificates for a server share one key.
    std::vector<EVP_PKEY*> made = makeKeys();
    EVP_PKEY* caKey = made[0];
    EVP_PKEY* serverKey = made[1];
    EVP_PKEY* selfKey = made[2];
    EVP_PKEY* clientKey = made[3];
    auto& keys = impl_->keys;
    keys[index(CertKind::Ca)] = caKey;
    keys[index(CertKind::Server)] = serverKey;
    for (CertKind k : {CertKind::Expired, CertKind::WrongName}) {
        EVP_PKEY_up_ref(serverKey);
        keys[index(k)] = serverKey;
    }
    keys[index(CertKind::SelfSigned)] = selfKey;
    keys[index(CertKind::Client)] = clientKey;

    auto& certs = impl_->certs;
    certs[0] = makeCertificate(kSpecs[0], caKey, nullptr, nullptr);
    for (int i = 1; i < kKinds; ++i) {
        bool self = kSpecs[i].selfIssued;
        certs[i] = makeCertificate(kSpecs[i], keys[i], self ? nullptr : certs[0], self ? nullptr : caKey);
    }
}

TestCertificates::~TestCertificates() = default;

const TestCertificates& TestCertificates::instance() {
    static const TestCertificates set;
    return set;
}

X509* TestCertificates::certificate(CertKind kind) const { return impl_->certs[index(kind)]; }
EVP_PKEY* TestCertificates::key(CertKind kind) const { return impl_->keys[index(kind)]; }

std::string TestCertificates::pem(CertKind kind) const {
    return throughBio([&](BIO* b) { return PEM_write_bio_X509(b, certificate(kind)) == 1; });
}

std::string TestCertificates::der(CertKind kind) const {
    return throughBio([&](BIO* b) { return i2d_X509_bio(b, certificate(kind)) == 1; });
}

std::string TestCertificates::keyPem(CertKind kind) const {
    return throughBio([&](BIO* b) {
        return PEM_write_bio_PrivateKey(b, key(kind), nullptr, nullptr, 0, nullptr, nullptr) == 1;
    });
}

std::string TestCertificates::keyDer(CertKind kind) const {
    return throughBio([&](BIO* b) { return i2d_PKCS8PrivateKeyInfo_bio(b, key(kind)) == 1; });
}

std::string TestCertificates::pfx(CertKind kind, std::string_view password) const {
    STACK_OF(X509)* chain = sk_X509_new_null();
    if (kind != CertKind::Ca && !kSpecs[index(kind)].selfIssued)
        sk_X509_push(chain, certificate(CertKind::Ca));
    std::string pass(password);
    std::string friendly(name(kind));
    PKCS12* p12 = PKCS12_create(pass.c_str(), friendly.c_str(), key(kind), certificate(kind), chain,
                                0, 0, 0, 0, 0);
    sk_X509_free(chain);
    if (!p12) fail("PKCS12_create failed");
    std::string out = throughBio([&](BIO* b) { return i2d_PKCS12_bio(b, p12) == 1; });
    PKCS12_free(p12);
    return out;
}

std::string TestCertificates::subject(CertKind kind) const { return subjectOf(certificate(kind)); }

std::string_view TestCertificates::name(CertKind kind) {
    switch (kind) {
    case CertKind::Ca: return "ca";
    case CertKind::Server: return "server";
    case CertKind::Expired: return "expired";
    case CertKind::WrongName: return "wrong-name";
    case CertKind::SelfSigned: return "self-signed";
    case CertKind::Client: return "client";
    }
    return "unknown";
}

CertificateFiles TestCertificates::writeTo(const std::filesystem::path& dir, CertKind kind) const {
    std::filesystem::create_directories(dir);
    std::string base(name(kind));
    CertificateFiles f{dir / (base + ".pem"), dir / (base + ".der"), dir / (base + ".key.pem"),
                       dir / (base + ".key.der"), dir / (base + ".pfx")};
    writeFile(f.certPem, pem(kind));
    writeFile(f.certDer, der(kind));
    writeFile(f.keyPem, keyPem(kind));
    writeFile(f.keyDer, keyDer(kind));
    writeFile(f.pfx, pfx(kind));
    return f;
}

const CertificateFiles& TestCertificates::files(CertKind kind) const {
    std::lock_guard lock(impl_->filesMutex);
    if (impl_->folder.empty()) {
        std::string tmpl = (std::filesystem::temp_directory_path() / "fixture-certs-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) fail("cannot create the certificate folder");
        impl_->folder = tmpl;
        for (int i = 0; i < kKinds; ++i)
            impl_->files[i] = writeTo(impl_->folder, static_cast<CertKind>(i));
    }
    return impl_->files[index(kind)];
}

std::string subjectOf(X509* certificate) {
    if (!certificate) return {};
    return throughBio([&](BIO* b) {
        return X509_NAME_print_ex(b, X509_get_subject_name(certificate), 0, XN_FLAG_RFC2253) >= 0;
    });
}

}  // namespace fixtures
