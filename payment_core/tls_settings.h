#pragma once
// The TLS settings of a connection (beside the protocol mask and the check flags that the
// network level's Config keys hold), and their certificate side: opening the
// configured store, selecting the client certificate by subject, taking certificates given as
// encoded text, and judging a server certificate with the system's SSL chain policy.

#include "crypt32/crypt32.h"
#include "payment_core/core_component.h"
#include "payment_core/inline_string.h"
#include "sspi/sspi.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

// TSSLCertStoreType of the controls' type library.
enum SslCertStoreType { sstUser = 0, sstMachine = 1, sstPFXFile = 2, sstPFXBlob = 3 };

constexpr int kCertStoreNotOpened = 271;
constexpr int kCredentialsFailed = 273;
constexpr int kNoCertificateChain = 274;
constexpr int kChainNotVerified = 275;
constexpr int kCertificateNotDecoded = 280;
constexpr int kServerNameMismatch = 285;

// Bit 31 of SSLSecurityFlags: the server's name is not compared.
constexpr unsigned kSkipServerNameCheck = 0x80000000u;

class TlsSettings {
public:
    // Texts of failures go to the owner's lastError.
    explicit TlsSettings(CoreComponent& owner);
    ~TlsSettings();
    TlsSettings(const TlsSettings&) = delete;
    TlsSettings& operator=(const TlsSettings&) = delete;

    void setDefaults();
    // Certificates, the imported store with its key sets, the credential and the texts.
    void release();

    int setCertStore(const char* bytes, int length);
    int setCertStorePassword(const char* text);
    void setCertStoreType(int type) { SSLCertStoreType = type; }
    // Stores the subject and selects the certificate it names.
    int setCertSubject(const char* text);
    int selectClientCertificate(bool readOnly);
    // 0 also when nothing was found: the text is in lastError and SSLCertSubject emptied.
    int findCertificateBySubject(HCERTSTORE store, const char* subject);
    // Null when the input is empty, the type unknown or the store cannot be had.
    HCERTSTORE openCertStore(const char* bytes, int length, int type, const char* password, bool readOnly);

    // SSLCertEncoded: base64 with line breaks, empty without a certificate.
    int certEncoded(InlineString99& out) const;
    int setCertEncoded(const char* bytes, int length);
    int acceptServerCertEncoded(InlineString99& out) const;
    int setAcceptServerCert(const char* bytes, int length);
    // Whether the host declared exactly this certificate acceptable.
    bool isAcceptedServerCert(PCCERT_CONTEXT cert) const;

    // 0 accepts; otherwise the policy status (or 274, 275, 285) with its text in status.
    // securityFlags: the policy checks to skip (SSLSecurityFlags).
    int checkServerCertificate(PCCERT_CONTEXT cert, const char* host, DWORD authType, int securityFlags,
                               InlineString99& status, InlineString99& subject, InlineString99& issuer);

    void releaseCredential();

    InlineString99 providerName;
    InlineString20 SSLCertStore;
    InlineString20 SSLCertStorePassword;
    InlineString20 SSLCertSubject;
    int SSLCertStoreType = sstUser;
    PCCERT_CONTEXT clientCertificate = nullptr;
    HCERTSTORE openedStore = nullptr;
    int minimumCipherStrength = 40;
    CredHandle credential{};
    bool haveCredential = false;
    InlineString20 SSLServerCert;
    InlineString20 SSLServerCertStatus;
    PCCERT_CONTEXT SSLAcceptServerCert = nullptr;

private:
    HCERTSTORE importPfx(const BYTE* bytes, DWORD length, const char* password);
    void adoptOpenedStore(HCERTSTORE store);
    void releaseClientCertificate();
    int decodeCertificate(const char* bytes, int length, PCCERT_CONTEXT& into);
    void findEncodedCertificateInStore();
    int storeErrorText(const char* prefix);

    CoreComponent& owner_;
};

// A certificate given as DER bytes or as base64 text, with or without armour lines.
int decodePemBlock(const char* label, const char* bytes, int length, InlineString99& out);

// Deletes the key set of every certificate of a store imported from PFX data, then closes it.
void deletePfxKeySets(HCERTSTORE store);

// "[0x%x] " and the text the SSL policy status stands for.
int appendPolicyStatusText(InlineString99& out, DWORD status);

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
