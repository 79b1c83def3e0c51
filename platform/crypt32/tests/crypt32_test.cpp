#include "crypt32/bridge.h"
#include "crypt32/crypt32.h"

#include "testing/certificates.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using fixtures::CertKind;
using fixtures::TestCertificates;

namespace {

const TestCertificates& certs() { return TestCertificates::instance(); }

PCCERT_CONTEXT contextOf(CertKind kind) {
    std::string der = certs().der(kind);
    return CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                        static_cast<DWORD>(der.size()));
}

std::u16string wide(const char* s) { return std::u16string(s, s + std::char_traits<char>::length(s)); }

HCERTSTORE importPfx(CertKind kind, DWORD flags = CRYPT_EXPORTABLE) {
    std::string pfx = certs().pfx(kind);
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(pfx.size()), reinterpret_cast<BYTE*>(pfx.data())};
    return PFXImportCertStore(&blob, wide(TestCertificates::kPfxPassword).c_str(), flags);
}

std::string subjectText(PCCERT_CONTEXT c, DWORD type = CERT_X500_NAME_STR | CERT_NAME_STR_NO_PLUS_FLAG) {
    char buf[1000];
    CertNameToStrA(X509_ASN_ENCODING, &c->pCertInfo->Subject, type, buf, sizeof buf);
    return buf;
}

void trustCa() {
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
    ASSERT_NE(root, nullptr);
    PCCERT_CONTEXT ca = contextOf(CertKind::Ca);
    ASSERT_TRUE(CertAddCertificateContextToStore(root, ca, CERT_STORE_ADD_USE_EXISTING, nullptr));
    CertFreeCertificateContext(ca);
    CertCloseStore(root, 0);
}

DWORD policyStatus(PCCERT_CONTEXT cert, const char16_t* host, DWORD checks) {
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    EXPECT_TRUE(CertGetCertificateChain(nullptr, cert, nullptr, cert->hCertStore, nullptr, 0, nullptr, &chain));
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA extra{sizeof extra, AUTHTYPE_SERVER, checks, const_cast<WCHAR*>(host)};
    CERT_CHAIN_POLICY_PARA para{sizeof para, 0, &extra};
    CERT_CHAIN_POLICY_STATUS status{sizeof status, 0, 0, 0, nullptr};
    EXPECT_TRUE(CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &para, &status));
    CertFreeCertificateChain(chain);
    return status.dwError;
}

TEST(Crypt32, NamesFormatAndParseInEncodedOrder) {
    BYTE encoded[512];
    DWORD length = sizeof encoded;
    LPCSTR error = nullptr;
    ASSERT_TRUE(CertStrToNameA(X509_ASN_ENCODING, "C=US, O=\"Shop, Inc.\", CN=pay.example", CERT_OID_NAME_STR,
                               nullptr, encoded, &length, &error));
    CERT_NAME_BLOB blob{length, encoded};
    char text[200];
    DWORD n = CertNameToStrA(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, text, sizeof text);
    EXPECT_STREQ(text, "C=US, O=\"Shop, Inc.\", CN=pay.example");
    EXPECT_EQ(n, std::strlen(text) + 1);
    EXPECT_EQ(CertNameToStrA(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, nullptr, 0), n);
    CertNameToStrA(X509_ASN_ENCODING, &blob, CERT_OID_NAME_STR | CERT_NAME_STR_SEMICOLON_FLAG, text, sizeof text);
    EXPECT_STREQ(text, "2.5.4.6=US; 2.5.4.10=\"Shop, Inc.\"; 2.5.4.3=pay.example");
    CertNameToStrA(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, text, 6);
    EXPECT_STREQ(text, "C=US,");

    length = sizeof encoded;
    EXPECT_FALSE(CertStrToNameA(X509_ASN_ENCODING, "CN=ok, NOPE=x", CERT_X500_NAME_STR, nullptr, encoded, &length, &error));
    EXPECT_EQ(GetLastError(), CRYPT_E_INVALID_X500_STRING);
    EXPECT_STREQ(error, "NOPE=x");
}

TEST(Crypt32, FindsBySubjectExactlyByTextAndByPart) {
    HCERTSTORE store = importPfx(CertKind::Server);
    ASSERT_NE(store, nullptr);
    PCCERT_CONTEXT any = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_ANY, nullptr, nullptr);
    ASSERT_NE(any, nullptr);
    std::string subject = subjectText(any);
    EXPECT_NE(subject.find("CN=localhost"), std::string::npos);

    BYTE encoded[512];
    DWORD length = sizeof encoded;
    ASSERT_TRUE(CertStrToNameA(X509_ASN_ENCODING, subject.c_str(), CERT_OID_NAME_STR, nullptr, encoded, &length, nullptr));
    CERT_NAME_BLOB name{length, encoded};
    PCCERT_CONTEXT exact = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_NAME, &name, nullptr);
    ASSERT_NE(exact, nullptr);
    EXPECT_EQ(exact->cbCertEncoded, any->cbCertEncoded);

    PCCERT_CONTEXT part = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_A, "LOCALHOST", nullptr);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_A, "nowhere", nullptr), nullptr);
    EXPECT_EQ(GetLastError(), CRYPT_E_NOT_FOUND);

    // Enumeration frees the previous context and walks the store in order: the leaf, then the CA.
    PCCERT_CONTEXT second = CertEnumCertificatesInStore(store, CertDuplicateCertificateContext(any));
    ASSERT_NE(second, nullptr);
    EXPECT_NE(subjectText(second).find("Fixture"), std::string::npos);
    EXPECT_EQ(CertEnumCertificatesInStore(store, second), nullptr);
    for (PCCERT_CONTEXT c : {any, exact, part}) CertFreeCertificateContext(c);
    CertCloseStore(store, 0);
}

TEST(Crypt32, PfxKeysLiveInContainersUntilTheirKeySetIsDeleted) {
    EXPECT_TRUE(crypt32::keyContainers(false).empty());
    HCERTSTORE store = importPfx(CertKind::Client);
    ASSERT_NE(store, nullptr);
    PCCERT_CONTEXT cert = CertEnumCertificatesInStore(store, nullptr);
    ASSERT_NE(cert, nullptr);
    DWORD size = 0;
    ASSERT_TRUE(CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
    std::vector<BYTE> buf(size);
    ASSERT_TRUE(CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, buf.data(), &size));
    auto* info = reinterpret_cast<CRYPT_KEY_PROV_INFO*>(buf.data());
    ASSERT_EQ(crypt32::keyContainers(false).size(), 1u);

    EVP_PKEY* key = crypt32::certificatePrivateKey(cert);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(EVP_PKEY_eq(key, certs().key(CertKind::Client)), 1);
    EVP_PKEY_free(key);

    HCRYPTPROV prov = 0;
    EXPECT_TRUE(CryptAcquireContextU(&prov, info->pwszContainerName, info->pwszProvName, info->dwProvType,
                                     info->dwFlags | CRYPT_DELETEKEYSET));
    EXPECT_TRUE(crypt32::keyContainers(false).empty());
    EXPECT_TRUE(CertDeleteCertificateFromStore(cert));
    PCCERT_CONTEXT rest = CertEnumCertificatesInStore(store, nullptr);  // the issuer that came along
    ASSERT_NE(rest, nullptr);
    EXPECT_EQ(CertEnumCertificatesInStore(store, rest), nullptr);
    CertCloseStore(store, 0);

    std::string pfx = certs().pfx(CertKind::Client);
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(pfx.size()), reinterpret_cast<BYTE*>(pfx.data())};
    EXPECT_EQ(PFXImportCertStore(&blob, u"wrong", 0), nullptr);
    EXPECT_TRUE(crypt32::keyContainers(false).empty());
}

TEST(Crypt32, SystemStoresPersistAcrossOpens) {
    HCERTSTORE my = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG, "MY");
    ASSERT_NE(my, nullptr);
    HCERTSTORE pfx = importPfx(CertKind::Client);
    PCCERT_CONTEXT cert = CertEnumCertificatesInStore(pfx, nullptr);
    ASSERT_TRUE(CertAddCertificateContextToStore(my, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertFreeCertificateContext(cert);
    CertCloseStore(pfx, 0);
    CertCloseStore(my, 0);

    my = CertOpenSystemStoreA(0, "my");
    PCCERT_CONTEXT found = CertFindCertificateInStore(my, X509_ASN_ENCODING, 0, CERT_FIND_ANY, nullptr, nullptr);
    ASSERT_NE(found, nullptr);
    EVP_PKEY* key = crypt32::certificatePrivateKey(found);
    EXPECT_NE(key, nullptr);
    EVP_PKEY_free(key);
    CertFreeCertificateContext(found);
    CertCloseStore(my, 0);

    EXPECT_EQ(CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG, "Nonesuch"), nullptr);
    HCERTSTORE machine = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE | CERT_STORE_OPEN_EXISTING_FLAG, "MY");
    EXPECT_NE(machine, nullptr);
    CertCloseStore(machine, 0);
}

struct PolicyCase {
    CertKind kind;
    const char16_t* host;
    DWORD checks;
    DWORD expected;
};

TEST(Crypt32, SslPolicyStatuses) {
    trustCa();
    const PolicyCase cases[] = {
        {CertKind::Server, u"localhost", 0, 0},
        {CertKind::Server, u"127.0.0.1", 0, 0},
        {CertKind::Server, u"other.host", 0, CERT_E_CN_NO_MATCH},
        {CertKind::WrongName, u"localhost", 0, CERT_E_CN_NO_MATCH},
        {CertKind::WrongName, u"localhost", 0x1000, 0},
        {CertKind::WrongName, nullptr, 0, 0},
        {CertKind::Expired, nullptr, 0x80000000u, CERT_E_EXPIRED},
        {CertKind::Expired, u"localhost", 0x2000, 0},
        {CertKind::SelfSigned, u"localhost", 0, CERT_E_UNTRUSTEDROOT},
        {CertKind::SelfSigned, u"localhost", 0x100, 0},
    };
    for (const auto& c : cases) {
        PCCERT_CONTEXT cert = contextOf(c.kind);
        EXPECT_EQ(policyStatus(cert, c.host, c.checks), c.expected) << TestCertificates::name(c.kind);
        CertFreeCertificateContext(cert);
    }
}

TEST(Crypt32, UntrustedIssuerBreaksTheChain) {
    PCCERT_CONTEXT cert = contextOf(CertKind::Server);
    EXPECT_EQ(policyStatus(cert, u"localhost", 0), CERT_E_CHAINING);
    CertFreeCertificateContext(cert);
}

TEST(Crypt32, AContextKeepsItsStoreOpenForTheChain) {
    HCERTSTORE peer = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    ASSERT_NE(peer, nullptr);
    PCCERT_CONTEXT leaf = nullptr;
    for (CertKind kind : {CertKind::Server, CertKind::Ca}) {
        const std::string der = certs().der(kind);
        ASSERT_TRUE(CertAddEncodedCertificateToStore(peer, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                     static_cast<DWORD>(der.size()), CERT_STORE_ADD_NEW,
                                                     kind == CertKind::Server ? &leaf : nullptr));
    }
    CertCloseStore(peer, 0);
    ASSERT_EQ(leaf->hCertStore, peer);
    int count = 0;
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(leaf->hCertStore, c));) ++count;
    EXPECT_EQ(count, 2);
    // The issuer comes from the leaf's store: complete, but its root is not trusted.
    EXPECT_EQ(policyStatus(leaf, u"localhost", 0), CERT_E_UNTRUSTEDROOT);

    PCCERT_CONTEXT copy = CertDuplicateCertificateContext(leaf);
    EXPECT_TRUE(CertDeleteCertificateFromStore(copy));
    EXPECT_EQ(leaf->hCertStore, nullptr);
    EXPECT_EQ(policyStatus(leaf, u"localhost", 0), CERT_E_CHAINING);
    CertFreeCertificateContext(leaf);
}

// What another process does to the user's ROOT store.
void inAnotherProcess(bool add) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
        PCCERT_CONTEXT ca = contextOf(CertKind::Ca);
        BOOL ok = FALSE;
        if (add) {
            ok = CertAddCertificateContextToStore(root, ca, CERT_STORE_ADD_NEW, nullptr);
        } else if (PCCERT_CONTEXT found = CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, ca, nullptr)) {
            ok = CertDeleteCertificateFromStore(found);
        }
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Crypt32, ChainsSeeRootsThatAnotherProcessAddsAndRemoves) {
    PCCERT_CONTEXT cert = contextOf(CertKind::Server);
    EXPECT_EQ(policyStatus(cert, u"localhost", 0), CERT_E_CHAINING);
    inAnotherProcess(true);
    EXPECT_EQ(policyStatus(cert, u"localhost", 0), 0u);
    inAnotherProcess(false);
    EXPECT_EQ(policyStatus(cert, u"localhost", 0), CERT_E_CHAINING);
    CertFreeCertificateContext(cert);
}

// Distinct self-issued certificates (roots when ca), quick to make: one key signs them all.
std::vector<std::string> makeCertificates(const std::string& prefix, int count, bool ca = false) {
    static EVP_PKEY* key = EVP_EC_gen("P-256");
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        X509* x = X509_new();
        X509_set_version(x, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(x), i + 1);
        const std::string cn = prefix + "-" + std::to_string(i);
        X509_NAME* name = X509_get_subject_name(x);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(cn.c_str()), -1,
                                   -1, 0);
        X509_set_issuer_name(x, name);
        X509_gmtime_adj(X509_getm_notBefore(x), -60);
        X509_gmtime_adj(X509_getm_notAfter(x), 86400);
        X509_set_pubkey(x, key);
        if (ca) {
            X509V3_CTX ctx;
            X509V3_set_ctx_nodb(&ctx);
            X509V3_set_ctx(&ctx, x, x, nullptr, nullptr, 0);
            X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, NID_basic_constraints, "critical,CA:TRUE");
            X509_add_ext(x, ext, -1);
            X509_EXTENSION_free(ext);
        }
        X509_sign(x, key, EVP_sha256());
        unsigned char* der = nullptr;
        const int n = i2d_X509(x, &der);
        out.emplace_back(reinterpret_cast<char*>(der), static_cast<std::size_t>(n));
        OPENSSL_free(der);
        X509_free(x);
    }
    return out;
}

HCERTSTORE openUserStore(const char* name) {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, name);
}

BOOL addEncoded(HCERTSTORE store, const std::string& der) {
    return CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                            static_cast<DWORD>(der.size()), CERT_STORE_ADD_NEW, nullptr);
}

// The encoded certificates of a user store, as a fresh opening of it shows them.
std::multiset<std::string> storeContents(const char* name) {
    std::multiset<std::string> out;
    HCERTSTORE store = openUserStore(name);
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c));)
        out.emplace(reinterpret_cast<const char*>(c->pbCertEncoded), c->cbCertEncoded);
    CertCloseStore(store, 0);
    return out;
}

std::vector<std::string> leftoverTemporaries() {
    std::vector<std::string> out;
    std::error_code ec;
    const std::filesystem::path state = std::getenv("PLATFORM_STATE_DIR");
    for (const auto& e : std::filesystem::recursive_directory_iterator(state, ec))
        if (e.path().extension() == ".tmp") out.push_back(e.path().string());
    return out;
}

// One process per list, each with the user store open beforehand and all released at the same
// moment to add their certificates; the number of adds the processes were told failed.
int addInProcessesAtOnce(const char* storeName, const std::vector<std::vector<std::string>>& perProcess) {
    int start[2];
    if (pipe(start) != 0) return -1;
    std::vector<pid_t> children;
    for (const auto& certificates : perProcess) {
        const pid_t pid = fork();
        if (pid == 0) {
            close(start[1]);
            HCERTSTORE store = openUserStore(storeName);
            char byte;
            while (read(start[0], &byte, 1) < 0 && errno == EINTR) {
            }
            int failed = 0;
            for (const std::string& der : certificates) failed += addEncoded(store, der) ? 0 : 1;
            CertCloseStore(store, 0);
            _exit(failed);
        }
        if (pid > 0) children.push_back(pid);
    }
    close(start[0]);
    close(start[1]);  // the start signal: every child reads the end of the pipe
    int failed = 0;
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        failed += WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
    }
    return children.size() == perProcess.size() ? failed : -1;
}

TEST(Crypt32, WritersInSeveralProcessesAtOnceKeepEveryAdd) {
    struct Case {
        const char* store;
        int processes, addsEach;
    } cases[] = {{"Shared2", 2, 60}, {"Shared5", 5, 20}};
    for (const Case& c : cases) {
        std::vector<std::vector<std::string>> perProcess;
        for (int p = 0; p < c.processes; ++p)
            perProcess.push_back(makeCertificates(std::string(c.store) + "-writer" + std::to_string(p), c.addsEach));
        EXPECT_EQ(addInProcessesAtOnce(c.store, perProcess), 0) << c.store;
        const std::multiset<std::string> kept = storeContents(c.store);
        std::size_t missing = 0;
        for (const auto& certificates : perProcess)
            for (const std::string& der : certificates) missing += kept.count(der) == 1 ? 0 : 1;
        EXPECT_EQ(missing, 0u) << c.store;
        EXPECT_EQ(kept.size(), static_cast<std::size_t>(c.processes * c.addsEach)) << c.store;
    }
    EXPECT_EQ(leftoverTemporaries(), std::vector<std::string>{});
}

TEST(Crypt32, ProcessesTrustingTheirOwnRootsAtOnceKeepBoth) {
    const std::size_t before = storeContents("ROOT").size();  // the system's roots, parsed once here
    const std::vector<std::string> roots = makeCertificates("own root", 30, true);
    for (std::size_t round = 0; round < roots.size(); round += 2) {
        ASSERT_EQ(addInProcessesAtOnce("ROOT", {{roots[round]}, {roots[round + 1]}}), 0) << "round " << round / 2;
        const std::multiset<std::string> kept = storeContents("ROOT");
        for (std::size_t i = 0; i <= round + 1; ++i) ASSERT_EQ(kept.count(roots[i]), 1u) << "round " << round / 2;
        ASSERT_EQ(kept.size(), before + round + 2) << "round " << round / 2;
    }
}

// A full disk stands in: runs f with writes to files limited to limit bytes, and gives its
// result and the error it left.
template <class F>
auto withFileSizeLimit(std::uintmax_t limit, F f) {
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = static_cast<rlim_t>(limit);
    auto previous = signal(SIGXFSZ, SIG_IGN);
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const auto result = f();
    const DWORD error = GetLastError();
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
    return std::pair{result, error};
}

TEST(Crypt32, WritesThatCannotBeMadeAreForgottenAndLeaveNothing) {
    const std::vector<std::string> der = makeCertificates("limited", 3);
    HCERTSTORE store = openUserStore("MY");
    ASSERT_TRUE(addEncoded(store, der[0]));
    const auto file = std::filesystem::path(std::getenv("PLATFORM_STATE_DIR")) / "certificates/user/MY.store";
    const auto [added, error] = withFileSizeLimit(std::filesystem::file_size(file) + 16, [&] { return addEncoded(store, der[1]); });
    EXPECT_FALSE(added);
    EXPECT_EQ(error, ERROR_WRITE_FAULT);
    EXPECT_EQ(leftoverTemporaries(), std::vector<std::string>{});
    int count = 0;
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c));) ++count;
    EXPECT_EQ(count, 1);
    ASSERT_TRUE(addEncoded(store, der[2]));
    CertCloseStore(store, 0);
    EXPECT_EQ(storeContents("MY"), (std::multiset<std::string>{der[0], der[2]}));

    certs().pfx(CertKind::Client);  // made before the limit
    const auto [imported, importError] = withFileSizeLimit(64, [] { return importPfx(CertKind::Client); });
    EXPECT_EQ(imported, nullptr);
    EXPECT_EQ(importError, ERROR_WRITE_FAULT);
    EXPECT_TRUE(crypt32::keyContainers(false).empty());
    EXPECT_EQ(leftoverTemporaries(), std::vector<std::string>{});
}

std::vector<BYTE> littleEndian(const BIGNUM* n, std::size_t width) {
    std::vector<BYTE> out(width);
    BN_bn2lebinpad(n, out.data(), static_cast<int>(width));
    return out;
}

TEST(Crypt32, ImportedKeyBlobsExportAsPfxWithTheirCertificate) {
    EVP_PKEY* key = certs().key(CertKind::Client);
    BIGNUM *n = nullptr, *e = nullptr, *d = nullptr, *p = nullptr, *q = nullptr, *dp = nullptr, *dq = nullptr, *qi = nullptr;
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_N, &n);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_E, &e);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_D, &d);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_FACTOR1, &p);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_FACTOR2, &q);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_EXPONENT1, &dp);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_EXPONENT2, &dq);
    EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_RSA_COEFFICIENT1, &qi);
    DWORD bits = static_cast<DWORD>(BN_num_bits(n));
    std::vector<BYTE> blob = {0x07, 0x02, 0x00, 0x00, 0x00, 0xA4, 0x00, 0x00, 'R', 'S', 'A', '2'};
    auto put32 = [&blob](DWORD v) {
        for (int i = 0; i < 4; ++i) blob.push_back(static_cast<BYTE>(v >> (8 * i)));
    };
    put32(bits);
    put32(static_cast<DWORD>(BN_get_word(e)));
    for (auto [num, width] : {std::pair{n, bits / 8}, {p, bits / 16}, {q, bits / 16}, {dp, bits / 16}, {dq, bits / 16},
                              {qi, bits / 16}, {d, bits / 8}}) {
        auto part = littleEndian(num, width);
        blob.insert(blob.end(), part.begin(), part.end());
    }
    for (BIGNUM* b : {n, e, d, p, q, dp, dq, qi}) BN_free(b);

    HCRYPTPROV prov = 0;
    EXPECT_FALSE(CryptAcquireContextA(&prov, "pem_key_1", nullptr, PROV_RSA_FULL, 0));
    EXPECT_EQ(GetLastError(), NTE_BAD_KEYSET);
    ASSERT_TRUE(CryptAcquireContextA(&prov, "pem_key_1", nullptr, PROV_RSA_FULL, CRYPT_NEWKEYSET));
    HCRYPTKEY imported = 0;
    ASSERT_TRUE(CryptImportKey(prov, blob.data(), static_cast<DWORD>(blob.size()), 0, CRYPT_EXPORTABLE, &imported));
    blob[40] ^= 1;
    HCRYPTKEY broken = 0;
    EXPECT_FALSE(CryptImportKey(prov, blob.data(), static_cast<DWORD>(blob.size()), 0, 0, &broken));

    PCCERT_CONTEXT cert = contextOf(CertKind::Client);
    CRYPT_KEY_PROV_INFO info{const_cast<WCHAR*>(u"pem_key_1"), nullptr, PROV_RSA_FULL, 0, 0, nullptr, AT_KEYEXCHANGE};
    ASSERT_TRUE(CertSetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
    HCERTSTORE memory = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
    ASSERT_TRUE(CertAddCertificateContextToStore(memory, cert, CERT_STORE_ADD_ALWAYS, nullptr));
    CRYPT_DATA_BLOB pfx{0, nullptr};
    ASSERT_TRUE(PFXExportCertStore(memory, &pfx, u"x", EXPORT_PRIVATE_KEYS));
    std::vector<BYTE> out(pfx.cbData);
    pfx.pbData = out.data();
    ASSERT_TRUE(PFXExportCertStore(memory, &pfx, u"x", EXPORT_PRIVATE_KEYS));
    CertCloseStore(memory, 0);
    CertFreeCertificateContext(cert);
    CryptDestroyKey(imported);
    CryptReleaseContext(prov, 0);
    EXPECT_TRUE(CryptAcquireContextA(&prov, "pem_key_1", nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET));

    HCERTSTORE back = PFXImportCertStore(&pfx, u"x", CRYPT_EXPORTABLE);
    ASSERT_NE(back, nullptr);
    PCCERT_CONTEXT again = CertEnumCertificatesInStore(back, nullptr);
    EVP_PKEY* restored = crypt32::certificatePrivateKey(again);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(EVP_PKEY_eq(restored, key), 1);
    EVP_PKEY_free(restored);
    CertFreeCertificateContext(again);
    CertCloseStore(back, 0);
}

std::string hexOf(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string readWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeWhole(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::string propertyOf(PCCERT_CONTEXT c, DWORD id) {
    DWORD n = 0;
    if (!CertGetCertificateContextProperty(c, id, nullptr, &n)) return "(none)";
    std::string out(n, '\0');
    CertGetCertificateContextProperty(c, id, out.data(), &n);
    return out;
}

// Store files as a hand edit or a broken disk leaves them: the lines that can be read load with
// their properties, and a write keeps those and the lines that cannot be read as they were.
TEST(Crypt32, CorruptStoreFilesKeepWhatCanBeRead) {
    const std::vector<std::string> der = makeCertificates("kept", 4);
    const std::string named = hexOf(der[0]) + " 1000:cafe", plain = hexOf(der[1]), spoilt = hexOf(der[2]);
    const std::string good = named + "\n" + plain + "\n";
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> readable;
    } cases[] = {
        {"not hex", good + "zz" + spoilt.substr(2) + "\n", {der[0], der[1]}},
        {"odd hex", named + "\n" + spoilt + "0\n" + plain + "\n", {der[0], der[1]}},
        {"property id not a number", good + spoilt + " name:00\n", {der[0], der[1]}},
        {"property id too large", good + spoilt + " 4294967296:00\n", {der[0], der[1]}},
        {"property value not hex", good + spoilt + " 11:xyz\n", {der[0], der[1]}},
        {"word without a value", good + spoilt + " stray\n", {der[0], der[1]}},
        {"not a certificate", good + "3082000a0102030405060708090a\n", {der[0], der[1]}},
        {"truncated last line", good + spoilt.substr(0, spoilt.size() / 2), {der[0], der[1]}},
        {"CRLF line ends", named + "\r\n" + plain + "\r\n", {der[0], der[1]}},
        {"empty", "", {}},
        {"binary", std::string("\x7f" "ELF\x02\x01\0\0\n\xff\xfe\x80\0\x01\n", 16), {}},
    };
    const auto folder = std::filesystem::path(std::getenv("PLATFORM_STATE_DIR")) / "certificates/user";
    int index = 0;
    for (const Case& c : cases) {
        const std::string name = "CORRUPT" + std::to_string(index++);
        writeWhole(folder / (name + ".store"), c.text);
        HCERTSTORE store = openUserStore(name.c_str());
        ASSERT_NE(store, nullptr) << c.name;
        std::multiset<std::string> seen;
        for (PCCERT_CONTEXT e = nullptr; (e = CertEnumCertificatesInStore(store, e));) {
            const std::string encoded(reinterpret_cast<const char*>(e->pbCertEncoded), e->cbCertEncoded);
            if (encoded == der[0]) {
                EXPECT_EQ(propertyOf(e, 1000), "\xca\xfe") << c.name;
            }
            seen.insert(encoded);
        }
        EXPECT_EQ(seen, std::multiset<std::string>(c.readable.begin(), c.readable.end())) << c.name;
        EXPECT_TRUE(addEncoded(store, der[3])) << c.name;
        CertCloseStore(store, 0);

        std::multiset<std::string> expected(c.readable.begin(), c.readable.end());
        expected.insert(der[3]);
        EXPECT_EQ(storeContents(name.c_str()), expected) << c.name;
        // Every line is written back, the readable ones with their properties (and line ends of
        // this system's own).
        const std::vector<std::string> written = linesOf(readWhole(folder / (name + ".store")));
        for (std::string line : linesOf(c.text)) {
            const bool kept = std::find(written.begin(), written.end(), line) != written.end();
            if (!line.empty() && line.back() == '\r') line.pop_back();
            EXPECT_TRUE(kept || std::find(written.begin(), written.end(), line) != written.end()) << c.name << ": lost " << line;
        }
    }
}

std::filesystem::path userStoreFolder() {
    return std::filesystem::path(std::getenv("PLATFORM_STATE_DIR")) / "certificates/user";
}

std::multiset<std::string> contentsOf(HCERTSTORE store) {
    std::multiset<std::string> out;
    for (PCCERT_CONTEXT c = nullptr; (c = CertEnumCertificatesInStore(store, c));)
        out.emplace(reinterpret_cast<const char*>(c->pbCertEncoded), c->cbCertEncoded);
    return out;
}

// A store file that is there but cannot be read is not an empty store: a change is refused and
// neither the file nor the open store loses what it had.
TEST(Crypt32, StoreFilesThatCannotBeReadRefuseChanges) {
    const std::vector<std::string> der = makeCertificates("unreadable", 2);
    struct Case {
        const char* name;
        const char* store;
        std::string linkTo;
    } cases[] = {
        {"reading fails (a folder)", "UNREADABLE0", "."},
        {"opening fails (a loop of links)", "UNREADABLE1", "UNREADABLE1.store"},
    };
    for (const Case& c : cases) {
        const auto file = userStoreFolder() / (std::string(c.store) + ".store");
        auto saved = file;
        saved += ".saved";
        HCERTSTORE store = openUserStore(c.store);
        ASSERT_TRUE(addEncoded(store, der[0])) << c.name;
        std::filesystem::rename(file, saved);
        std::filesystem::create_symlink(c.linkTo, file);

        SetLastError(0);
        EXPECT_FALSE(addEncoded(store, der[1])) << c.name;
        EXPECT_EQ(GetLastError(), ERROR_READ_FAULT) << c.name;
        EXPECT_TRUE(std::filesystem::is_symlink(std::filesystem::symlink_status(file))) << c.name;
        EXPECT_EQ(contentsOf(store), std::multiset<std::string>{der[0]}) << c.name;

        std::filesystem::remove(file);
        std::filesystem::rename(saved, file);
        EXPECT_TRUE(addEncoded(store, der[1])) << c.name;
        CertCloseStore(store, 0);
        EXPECT_EQ(storeContents(c.store), (std::multiset<std::string>{der[0], der[1]})) << c.name;
    }
}

// Another writer's version of the file can keep its inode, size and modification time (an inode
// used again, a rewrite within one tick of the clock); a change made on top still keeps it.
TEST(Crypt32, ARewriteThatLooksLikeTheLastVersionIsNotLost) {
    std::map<std::size_t, std::vector<std::string>> bySize;
    for (const std::string& d : makeCertificates("same size", 16)) bySize[d.size()].push_back(d);
    auto most = std::max_element(bySize.begin(), bySize.end(),
                                 [](const auto& a, const auto& b) { return a.second.size() < b.second.size(); });
    ASSERT_GE(most->second.size(), 3u);
    const std::string gone = most->second[0], other = most->second[1], kept = most->second[2];
    const std::string added = makeCertificates("added", 1)[0];

    HCERTSTORE store = openUserStore("STAMPED");
    ASSERT_TRUE(addEncoded(store, gone));
    PCCERT_CONTEXT held = nullptr;
    ASSERT_TRUE(CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(kept.data()),
                                                 static_cast<DWORD>(kept.size()), CERT_STORE_ADD_NEW, &held));

    const auto file = userStoreFolder() / "STAMPED.store";
    struct stat before {};
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    std::string text = readWhole(file);
    const std::size_t at = text.find(hexOf(gone));
    ASSERT_NE(at, std::string::npos);
    text.replace(at, hexOf(gone).size(), hexOf(other));
    writeWhole(file, text);  // in place
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    struct stat after {};
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    ASSERT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(after.st_size, before.st_size);

    EXPECT_TRUE(addEncoded(store, added));
    EXPECT_EQ(contentsOf(store), (std::multiset<std::string>{other, kept, added}));
    EXPECT_EQ(held->hCertStore, store);  // a context of a certificate still in the file stays in the store
    CertFreeCertificateContext(held);
    CertCloseStore(store, 0);
    EXPECT_EQ(storeContents("STAMPED"), (std::multiset<std::string>{other, kept, added}));
}

// Any user who may write a store's folder may change the store, whoever made its lock file and
// even where that file is read-only.
TEST(Crypt32, AnotherUserWhoMayWriteTheStoreTakesItsLock) {
    const std::vector<std::string> der = makeCertificates("shared lock", 2);
    HCERTSTORE store = openUserStore("SHAREDLOCK");
    ASSERT_TRUE(addEncoded(store, der[0]));
    CertCloseStore(store, 0);
    const auto lock = userStoreFolder() / "SHAREDLOCK.store.lock";
    const mode_t mask = umask(0);
    umask(mask);
    struct stat st {};
    ASSERT_EQ(stat(lock.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

    ASSERT_EQ(chmod(lock.c_str(), 0444), 0);
    // The state folder, the one it is in and the certificates' folder let the other user through.
    const auto state = userStoreFolder().parent_path().parent_path();
    for (const auto& folder : {state.parent_path(), state, userStoreFolder().parent_path()})
        ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    ASSERT_EQ(chmod(userStoreFolder().c_str(), 0777), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const uid_t nobody = 65534;
        if (geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0)) _exit(2);
        HCERTSTORE other = openUserStore("SHAREDLOCK");
        const bool ok = other && addEncoded(other, der[1]);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(storeContents("SHAREDLOCK"), (std::multiset<std::string>{der[0], der[1]}));
}

// A root of the system's bundle that a failed write was to replace stays in the store.
TEST(Crypt32, AFailedReplaceOfASystemRootKeepsIt) {
    HCERTSTORE root = openUserStore("ROOT");
    PCCERT_CONTEXT system = CertEnumCertificatesInStore(root, nullptr);  // the bundle's come first
    if (!system) {
        CertCloseStore(root, 0);
        GTEST_SKIP() << "no system trust bundle";
    }
    const std::multiset<std::string> before = contentsOf(root);
    const auto [replaced, error] = withFileSizeLimit(16, [&] {
        return CertAddCertificateContextToStore(root, system, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    });
    EXPECT_FALSE(replaced);
    EXPECT_EQ(error, ERROR_WRITE_FAULT);
    EXPECT_EQ(system->hCertStore, root);
    EXPECT_TRUE(contentsOf(root) == before);
    EXPECT_EQ(leftoverTemporaries(), std::vector<std::string>{});

    EXPECT_TRUE(CertAddCertificateContextToStore(root, system, CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    EXPECT_EQ(system->hCertStore, nullptr);
    EXPECT_TRUE(contentsOf(root) == before);
    CertFreeCertificateContext(system);
    CertCloseStore(root, 0);
}

TEST(Crypt32, KeyContainersNamedByHandAreListedAsNamed) {
    const auto folder = std::filesystem::path(std::getenv("PLATFORM_STATE_DIR")) / "keys/user";
    for (const char* file : {"by%zzhand.pem", "trailing%4.pem", "escaped%41.pem"}) writeWhole(folder / file, "");
    const std::vector<std::string> listed = crypt32::keyContainers(false);
    for (const char* name : {"by%zzhand", "trailing%4", "escapedA"})
        EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name;
    for (const char* file : {"by%zzhand.pem", "trailing%4.pem", "escaped%41.pem"}) std::filesystem::remove(folder / file);
}

// Key containers filled by hand: no key comes back from a file that holds none, and one that
// asks for a pass phrase is refused instead of prompting. Run with no terminal and a silent
// stdin, where a prompt would wait for ever.
TEST(Crypt32, CorruptKeyContainersGiveNoKey) {
    const auto folder = std::filesystem::path(std::getenv("PLATFORM_STATE_DIR")) / "keys/user";
    EVP_PKEY* key = EVP_RSA_gen(2048);
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const std::string plainPem(data, static_cast<std::size_t>(BIO_get_mem_data(bio, &data)));
    BIO_free(bio);
    bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, key, EVP_aes_128_cbc(), nullptr, 0, nullptr, const_cast<char*>("secret"));
    const std::string encryptedPem(data, static_cast<std::size_t>(BIO_get_mem_data(bio, &data)));
    BIO_free(bio);
    EVP_PKEY_free(key);
    const std::vector<std::pair<const char*, std::string>> files = {
        {"empty", ""},
        {"truncated", plainPem.substr(0, plainPem.size() / 2)},
        {"binary", std::string("\x30\x82\x04\0\xff\0\n", 7)},
        {"certificate", certs().pem(CertKind::Client)},
        {"encrypted", encryptedPem},
    };

    int quiet[2];
    ASSERT_EQ(pipe(quiet), 0);
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        dup2(quiet[0], 0);
        int keys = 0;
        PCCERT_CONTEXT cert = contextOf(CertKind::Client);
        for (const auto& [name, text] : files) {
            writeWhole(folder / (std::string(name) + ".pem"), text);
            const std::u16string container = wide(name);
            CRYPT_KEY_PROV_INFO info{const_cast<WCHAR*>(container.c_str()), nullptr, PROV_RSA_FULL, 0, 0, nullptr, AT_KEYEXCHANGE};
            CertSetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, 0, &info);
            EVP_PKEY* got = crypt32::certificatePrivateKey(cert);
            keys += got ? 1 : 0;
            EVP_PKEY_free(got);
        }
        _exit(keys);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 200 && (done = waitpid(child, &status, WNOHANG)) == 0; ++i) usleep(50000);
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    close(quiet[0]);
    close(quiet[1]);
    EXPECT_EQ(done, child) << "still waiting after 10 s";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "keys given from corrupt containers";
    for (const auto& file : files) std::filesystem::remove(folder / (std::string(file.first) + ".pem"));
}

TEST(Crypt32, OpeningAStoreWhoseFileNameIsTooLongFails) {
    std::filesystem::create_directories(std::filesystem::path(std::getenv("PLATFORM_STATE_DIR")) / "certificates/user");
    const std::string name(300, 'N');
    EXPECT_EQ(CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER | CERT_STORE_OPEN_EXISTING_FLAG,
                            name.c_str()),
              nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
