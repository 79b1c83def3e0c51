#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core_test.h"
#include "crypt32/bridge.h"
#include "crypt32/crypt32.h"
#include "payment_core/text_utils.h"
#include "payment_core/tls_settings.h"
#include "testing/certificates.h"

using namespace payment_core;
using fixtures::CertKind;
using fixtures::TestCertificates;

namespace {

const TestCertificates& certs() { return TestCertificates::instance(); }

PCCERT_CONTEXT contextOf(CertKind kind) {
    std::string der = certs().der(kind);
    return CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                        static_cast<DWORD>(der.size()));
}

void addToUserStore(const char* storeName, CertKind kind, bool withKey) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, storeName);
    ASSERT_NE(store, nullptr);
    if (withKey) {
        std::string pfx = certs().pfx(kind);
        CRYPT_DATA_BLOB blob{static_cast<DWORD>(pfx.size()), reinterpret_cast<BYTE*>(pfx.data())};
        std::u16string password;
        for (const char* p = TestCertificates::kPfxPassword; *p; ++p) password += static_cast<char16_t>(*p);
        HCERTSTORE imported = PFXImportCertStore(&blob, password.c_str(), CRYPT_EXPORTABLE);
        PCCERT_CONTEXT cert = CertEnumCertificatesInStore(imported, nullptr);
        ASSERT_TRUE(CertAddCertificateContextToStore(store, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
        CertFreeCertificateContext(cert);
        CertCloseStore(imported, 0);
    } else {
        PCCERT_CONTEXT cert = contextOf(kind);
        ASSERT_TRUE(CertAddCertificateContextToStore(store, cert, CERT_STORE_ADD_USE_EXISTING, nullptr));
        CertFreeCertificateContext(cert);
    }
    CertCloseStore(store, 0);
}

std::string base64Lines(const std::string& der) {
    InlineString99 text;
    base64Encode(text, der.data(), der.size(), true);
    return text.data();
}

struct Settings {
    Settings() { tls.setDefaults(); }
    CoreComponent owner;
    TlsSettings tls{owner};
};

constexpr const char* kClientSubject = "CN=Fixture Client, O=Fixture Testing";

CORE_TEST(Certificates, PemArmourAndDerGiveTheSameCertificate) {
    const std::string der = certs().der(CertKind::Server);
    const std::string pem = certs().pem(CertKind::Server);
    const std::string crlfPem = [&] {
        std::string out;
        for (char c : pem) {
            if (c == '\n') out += '\r';
            out += c;
        }
        return out;
    }();
    for (const std::string& input : {der, pem, crlfPem, base64Lines(der)}) {
        Settings s;
        ASSERT_EQ(s.tls.setCertEncoded(input.data(), static_cast<int>(input.size())), 0) << s.owner.lastError.data();
        InlineString99 back;
        s.tls.certEncoded(back);
        EXPECT_EQ(back.data(), base64Lines(der));
    }
    Settings s;
    const std::string junk = "-----BEGIN CERTIFICATE-----\nbm90IGEgY2VydGlmaWNhdGU=\n-----END CERTIFICATE-----\n";
    EXPECT_EQ(s.tls.setCertEncoded(junk.data(), static_cast<int>(junk.size())), kCertificateNotDecoded);
    EXPECT_TRUE(s.owner.lastError.startsWith("The certificate could not be decoded (error 0x")) << s.owner.lastError.data();
    EXPECT_EQ(s.tls.clientCertificate, nullptr);
    EXPECT_EQ(s.tls.setAcceptServerCert(pem.data(), static_cast<int>(pem.size())), 0);
    PCCERT_CONTEXT server = contextOf(CertKind::Server);
    PCCERT_CONTEXT other = contextOf(CertKind::SelfSigned);
    EXPECT_TRUE(s.tls.isAcceptedServerCert(server));
    EXPECT_FALSE(s.tls.isAcceptedServerCert(other));
    CertFreeCertificateContext(server);
    CertFreeCertificateContext(other);
}

CORE_TEST(Certificates, SubjectSearchesInTheUserStore) {
    addToUserStore("MY", CertKind::Client, true);
    struct Case {
        const char* subject;
        const char* selected;  // the subject text afterwards; empty when nothing was found
    } cases[] = {
        {"*", kClientSubject},
        {kClientSubject, kClientSubject},
        {"Fixture Client", kClientSubject},  // no X.500 text: found by the part search
        {"CN=Fixture Client", kClientSubject},  // a valid name, but not the whole subject
        {"CN=Nobody", ""},
        {"nowhere", ""},
    };
    for (const auto& c : cases) {
        Settings s;
        EXPECT_EQ(s.tls.setCertSubject(c.subject), 0) << c.subject;
        EXPECT_STREQ(s.tls.SSLCertSubject.data(), c.selected) << c.subject;
        EXPECT_EQ(s.tls.clientCertificate != nullptr, *c.selected != 0) << c.subject;
        if (!*c.selected) {
            EXPECT_STREQ(s.owner.lastError.data(), "The certificate could not be found (0x80092004).") << c.subject;
        } else {
            EVP_PKEY* key = crypt32::certificatePrivateKey(s.tls.clientCertificate);
            EXPECT_NE(key, nullptr) << c.subject;
            EVP_PKEY_free(key);
        }
    }
}

CORE_TEST(Certificates, EncodedCertificateTakesTheStoreCopyWithItsKey) {
    addToUserStore("MY", CertKind::Client, true);
    Settings s;
    const std::string pem = certs().pem(CertKind::Client);
    ASSERT_EQ(s.tls.setCertEncoded(pem.data(), static_cast<int>(pem.size())), 0);
    EXPECT_STREQ(s.tls.SSLCertSubject.data(), kClientSubject);
    EVP_PKEY* key = crypt32::certificatePrivateKey(s.tls.clientCertificate);
    EXPECT_NE(key, nullptr);
    EVP_PKEY_free(key);

    const std::string server = certs().pem(CertKind::Server);
    ASSERT_EQ(s.tls.setCertEncoded(server.data(), static_cast<int>(server.size())), 0);
    EXPECT_NE(s.tls.clientCertificate, nullptr);
    EXPECT_STREQ(s.tls.SSLCertSubject.data(), "");
    EXPECT_TRUE(s.owner.lastError.startsWith("The certificate could not be found (")) << s.owner.lastError.data();
}

CORE_TEST(Certificates, StoreThatCannotBeOpened) {
    struct Case {
        int type;
        std::string store;
    } cases[] = {
        {sstUser, "Nonesuch"},
        {sstMachine, "Nonesuch"},
        {sstPFXFile, "/nonexistent/client.pfx"},
        {sstPFXBlob, "not pfx data"},
        {7, "MY"},
    };
    for (const auto& c : cases) {
        Settings s;
        s.tls.setCertStore(c.store.data(), static_cast<int>(c.store.size()));
        s.tls.setCertStoreType(c.type);
        EXPECT_EQ(s.tls.setCertSubject("*"), kCertStoreNotOpened) << c.type;
        EXPECT_TRUE(s.owner.lastError.startsWith("The certificate store could not be opened (0x")) << c.type;
        EXPECT_EQ(s.tls.clientCertificate, nullptr);
    }
}

CORE_TEST(Certificates, PfxFileAndBlobKeySetsGoWithTheStore) {
    ASSERT_TRUE(crypt32::keyContainers(false).empty());
    const auto& files = certs().files(CertKind::Client);
    const std::string path = files.pfx.string();
    const std::string blob = certs().pfx(CertKind::Client);
    for (int type : {sstPFXFile, sstPFXBlob}) {
        {
            Settings s;
            const std::string& store = type == sstPFXFile ? path : blob;
            s.tls.setCertStore(store.data(), static_cast<int>(store.size()));
            s.tls.setCertStoreType(type);
            s.tls.setCertStorePassword(TestCertificates::kPfxPassword);
            ASSERT_EQ(s.tls.setCertSubject("*"), 0) << s.owner.lastError.data();
            EXPECT_STREQ(s.tls.SSLCertSubject.data(), kClientSubject);
            EXPECT_NE(s.tls.openedStore, nullptr);
            EXPECT_EQ(crypt32::keyContainers(false).size(), 1u);
            // Selecting again replaces the imported store and its key set.
            ASSERT_EQ(s.tls.setCertSubject("Fixture"), 0);
            EXPECT_EQ(crypt32::keyContainers(false).size(), 1u);
        }
        EXPECT_TRUE(crypt32::keyContainers(false).empty()) << type;
        EXPECT_TRUE(crypt32::keyContainers(true).empty()) << type;
    }
    Settings s;
    s.tls.setCertStore(blob.data(), static_cast<int>(blob.size()));
    s.tls.setCertStoreType(sstPFXBlob);
    s.tls.setCertStorePassword("wrong");
    EXPECT_EQ(s.tls.setCertSubject("*"), kCertStoreNotOpened);
    EXPECT_TRUE(crypt32::keyContainers(false).empty());
}

struct VerdictCase {
    CertKind kind;
    const char* host;
    int flags;
    const char* status;
};

// Each chain check reads the system's trust roots, so the cases are spread over a few tests.
void expectVerdicts(const std::vector<VerdictCase>& cases) {
    addToUserStore("ROOT", CertKind::Ca, false);
    for (const auto& c : cases) {
        Settings s;
        PCCERT_CONTEXT cert = contextOf(c.kind);
        InlineString99 status, subject, issuer;
        const int result = s.tls.checkServerCertificate(cert, c.host, AUTHTYPE_SERVER, c.flags, status, subject, issuer);
        EXPECT_STREQ(status.data(), c.status) << TestCertificates::name(c.kind) << " " << c.host;
        unsigned code = 0;
        std::sscanf(c.status, "[0x%x]", &code);
        EXPECT_EQ(static_cast<unsigned>(result), code);
        CertFreeCertificateContext(cert);
    }
}

constexpr int kSkipName = static_cast<int>(kSkipServerNameCheck);

CORE_TEST(Certificates, ServerCertificateVerdictsOnNames) {
    expectVerdicts({
        {CertKind::Server, "localhost", 0, "[0x0] OK"},
        {CertKind::Server, "127.0.0.1", 0, "[0x0] OK"},
        {CertKind::Server, "other.host", 0, "[0x800b010f] The certificate's CN name does not match the passed value."},
        {CertKind::WrongName, "localhost", kSkipName, "[0x0] OK"},
        {CertKind::WrongName, "", 0, "[0x0] OK"},
    });
    Settings s;
    PCCERT_CONTEXT cert = contextOf(CertKind::Server);
    InlineString99 status, subject, issuer;
    s.tls.checkServerCertificate(cert, "localhost", AUTHTYPE_SERVER, 0, status, subject, issuer);
    EXPECT_STREQ(subject.data(), "CN=localhost, O=Fixture Testing");
    EXPECT_STREQ(issuer.data(), "CN=Fixture Root CA, O=Fixture Testing");
    CertFreeCertificateContext(cert);
}

CORE_TEST(Certificates, ServerCertificateVerdictsOnTimeAndTrust) {
    expectVerdicts({
        {CertKind::Expired, "localhost", kSkipName,
         "[0x800b0101] A required certificate is not within its validity period."},
        {CertKind::Expired, "localhost", 0x2000, "[0x0] OK"},
        {CertKind::SelfSigned, "localhost", 0,
         "[0x800b0109] A certification chain processed correctly but terminated in a root certificate not trusted by "
         "the trust provider."},
        {CertKind::SelfSigned, "localhost", 0x100, "[0x0] OK"},
    });
}

CORE_TEST(Certificates, PolicyStatusTexts) {
    struct Case {
        DWORD status;
        const char* text;
    } cases[] = {
        {0x80092010, "[0x80092010] The certificate or signature has been revoked."},
        {0x800B010A, "[0x800b010a] A chain of certificates was not correctly created."},
        {0x12345, "[0x12345] (unknown status code)"},
    };
    for (const auto& c : cases) {
        InlineString99 out;
        appendPolicyStatusText(out, c.status);
        EXPECT_STREQ(out.data(), c.text);
    }
}

}  // namespace
