#include "payment_core/tls_settings.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "payment_core/security_library.h"
#include "payment_core/text_utils.h"
#include "win32/codepage.h"
#include "win32/files.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {
namespace {

constexpr DWORD kEncodings = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr DWORD kSubjectTextType = CERT_X500_NAME_STR | CERT_NAME_STR_NO_PLUS_FLAG;
constexpr DWORD kSearchSubjectLimit = 999;
constexpr DWORD kCheckNameLimit = 2000;

const CertificateFunctions& crypt() { return certificateFunctions(); }

struct PolicyText {
    DWORD status;
    const char* text;
};

const PolicyText kPolicyTexts[] = {
    {0, "OK"},
    {0x80092010, "The certificate or signature has been revoked."},
    {0x80092013,
     "Since the revocation server was offline, the called function was not able to complete the revocation check."},
    {0x80096004, "The signature of the certificate cannot be verified."},
    {0x80096019, "The certificate's basic constraints are invalid or missing."},
    {0x800B0101, "A required certificate is not within its validity period."},
    {0x800B0102, "The validity periods of the certification chain do not nest correctly."},
    {0x800B0103, "A certificate that can only be used as an end-entity is being used as a CA or visa versa."},
    {0x800B0106, "A certificate is being used for a non permitted purpose."},
    {0x800B0109,
     "A certification chain processed correctly but terminated in a root certificate not trusted by the trust "
     "provider."},
    {0x800B010A, "A chain of certificates was not correctly created."},
    {0x800B010C, "A certificate in the chain has been explicitly revoked by its issuer."},
    {0x800B010D, "The root certificate is a testing certificate and policy settings disallow test certificates."},
    {0x800B010E, "The revocation process could not continue. The certificates could not be checked."},
    {0x800B010F, "The certificate's CN name does not match the passed value."},
    {0x800B0110, "The certificate is not valid for the requested usage."},
};

int appendHexStatus(InlineString99& out, DWORD value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%x", static_cast<unsigned>(value));
    return out.appendCString(buffer);
}

// The subject or issuer text of a certificate, cut at limit - 1 characters.
int nameText(const CERT_NAME_BLOB& name, DWORD limit, InlineString99& out) {
    std::vector<char> buffer(limit);
    buffer[0] = 0;
    crypt().CertNameToStrA(X509_ASN_ENCODING, const_cast<CERT_NAME_BLOB*>(&name), kSubjectTextType, buffer.data(),
                           limit);
    buffer[limit - 1] = 0;
    return out.assignCString(buffer.data());
}

bool sameEncoding(PCCERT_CONTEXT a, PCCERT_CONTEXT b) {
    return a && b && a->cbCertEncoded == b->cbCertEncoded &&
           std::memcmp(a->pbCertEncoded, b->pbCertEncoded, a->cbCertEncoded) == 0;
}

int encodedText(PCCERT_CONTEXT cert, InlineString99& out) {
    out.reset();
    if (!cert) return kOk;
    return base64Encode(out, cert->pbCertEncoded, cert->cbCertEncoded, true);
}

}  // namespace

int appendPolicyStatusText(InlineString99& out, DWORD status) {
    int result = out.appendCString("[");
    if (!result) result = appendHexStatus(out, status);
    if (!result) result = out.appendCString("] ");
    const char* text = "(unknown status code)";
    for (const PolicyText& entry : kPolicyTexts) {
        if (entry.status == status) text = entry.text;
    }
    if (!result) result = out.appendCString(text);
    return result;
}

int decodePemBlock(const char*, const char* bytes, int length, InlineString99& out) {
    out.reset();
    if (!bytes || length <= 0) return kOk;
    if (hasEightBitBytes(bytes, static_cast<std::size_t>(length))) return out.assign(static_cast<std::size_t>(length), bytes);
    int start = 0;
    if (bytes[0] == '-') {
        while (start < length) {
            const char c = bytes[start++];
            if (c == '\n') break;
            if (c == '\r' && (start >= length || bytes[start] != '\n')) break;
        }
    }
    int end = start;
    while (end < length && !(end + 2 < length && bytes[end] == '-' && bytes[end + 1] == '-' && bytes[end + 2] == '-')) {
        ++end;
    }
    int result = out.assign(static_cast<std::size_t>(end - start), bytes + start);
    if (!result) result = base64Decode(out);
    return result;
}

void deletePfxKeySets(HCERTSTORE store) {
    if (!store) return;
    const CertificateFunctions& f = crypt();
    for (PCCERT_CONTEXT cert = f.CertFindCertificateInStore(store, kEncodings, 0, CERT_FIND_ANY, nullptr, nullptr);
         cert; cert = f.CertFindCertificateInStore(store, kEncodings, 0, CERT_FIND_ANY, nullptr, nullptr)) {
        DWORD size = 0;
        if (f.CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size) && size) {
            std::vector<BYTE> buffer(size);
            if (f.CertGetCertificateContextProperty(cert, CERT_KEY_PROV_INFO_PROP_ID, buffer.data(), &size)) {
                const auto* info = reinterpret_cast<const CRYPT_KEY_PROV_INFO*>(buffer.data());
                HCRYPTPROV provider = 0;
                // The key set's own flags are kept so that a machine key set goes too.
                f.CryptAcquireContextU(&provider, info->pwszContainerName, info->pwszProvName, info->dwProvType,
                                       (info->dwFlags & CRYPT_MACHINE_KEYSET) | CRYPT_DELETEKEYSET);
            }
        }
        if (!f.CertDeleteCertificateFromStore(cert)) break;
    }
    f.CertCloseStore(store, 0);
}

TlsSettings::TlsSettings(CoreComponent& owner) : owner_(owner) {}

TlsSettings::~TlsSettings() { release(); }

void TlsSettings::setDefaults() {
    providerName.assignCString("Microsoft Unified Security Protocol Provider");
    SSLCertStore.assignCString("MY");
    minimumCipherStrength = 40;
}

void TlsSettings::release() {
    releaseClientCertificate();
    if (SSLAcceptServerCert) crypt().CertFreeCertificateContext(SSLAcceptServerCert);
    SSLAcceptServerCert = nullptr;
    adoptOpenedStore(nullptr);
    releaseCredential();
    providerName.reset();
    SSLCertStore.reset();
    SSLCertStorePassword.reset();
    SSLCertSubject.reset();
    SSLServerCert.reset();
    SSLServerCertStatus.reset();
}

void TlsSettings::releaseCredential() {
    if (!haveCredential) return;
    if (const SecurityFunctionTableA* sspi = securityFunctions()) sspi->FreeCredentialsHandle(&credential);
    credential = {};
    haveCredential = false;
}

void TlsSettings::releaseClientCertificate() {
    if (clientCertificate) crypt().CertFreeCertificateContext(clientCertificate);
    clientCertificate = nullptr;
}

void TlsSettings::adoptOpenedStore(HCERTSTORE store) {
    if (openedStore && openedStore != store) deletePfxKeySets(openedStore);
    openedStore = store;
}

int TlsSettings::setCertStore(const char* bytes, int length) {
    return SSLCertStore.assign(bytes && length > 0 ? static_cast<std::size_t>(length) : 0, bytes);
}

int TlsSettings::setCertStorePassword(const char* text) { return SSLCertStorePassword.assignCString(text); }

HCERTSTORE TlsSettings::importPfx(const BYTE* bytes, DWORD length, const char* password) {
    std::vector<WCHAR> wide(1, 0);
    if (password && *password) {
        const int n = MultiByteToWideChar(CP_ACP, 0, password, -1, nullptr, 0);
        if (n <= 0) return nullptr;
        wide.resize(static_cast<std::size_t>(n));
        MultiByteToWideChar(CP_ACP, 0, password, -1, wide.data(), n);
    }
    CRYPT_DATA_BLOB blob{length, const_cast<BYTE*>(bytes)};
    HCERTSTORE store = crypt().PFXImportCertStore(&blob, wide.data(), CRYPT_EXPORTABLE);
    if (!store) store = crypt().PFXImportCertStore(&blob, wide.data(), CRYPT_EXPORTABLE | CRYPT_MACHINE_KEYSET);
    if (store) adoptOpenedStore(store);
    return store;
}

HCERTSTORE TlsSettings::openCertStore(const char* bytes, int length, int type, const char* password, bool readOnly) {
    if (!bytes || length <= 0) return nullptr;
    switch (type) {
    case sstUser:
    case sstMachine: {
        DWORD flags = (type == sstUser ? CERT_SYSTEM_STORE_CURRENT_USER : CERT_SYSTEM_STORE_LOCAL_MACHINE) |
                      CERT_STORE_OPEN_EXISTING_FLAG;
        if (readOnly) flags |= CERT_STORE_READONLY_FLAG;
        InlineString20 name;
        if (name.assign(static_cast<std::size_t>(length), bytes)) return nullptr;
        return crypt().CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, flags, name.data());
    }
    case sstPFXFile: {
        InlineString20 name;
        if (name.assign(static_cast<std::size_t>(length), bytes)) return nullptr;
        HANDLE file = CreateFileA(name.data(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return nullptr;
        const DWORD size = GetFileSize(file, nullptr);
        std::vector<BYTE> data(size == INVALID_FILE_SIZE ? 0 : size);
        DWORD read = 0;
        const bool ok = size != INVALID_FILE_SIZE && ReadFile(file, data.data(), size, &read, nullptr) && read == size;
        CloseHandle(file);
        if (!ok) return nullptr;
        return importPfx(data.data(), read, password);
    }
    case sstPFXBlob:
        return importPfx(reinterpret_cast<const BYTE*>(bytes), static_cast<DWORD>(length), password);
    default:
        return nullptr;
    }
}

int TlsSettings::storeErrorText(const char* prefix) {
    InlineString99 text;
    int result = text.appendCString(prefix);
    if (!result) result = appendHexStatus(text, GetLastError());
    if (!result) result = text.appendCString(").");
    if (!result) result = owner_.setLastError(text.data());
    return result;
}

int TlsSettings::setCertSubject(const char* text) {
    const int result = SSLCertSubject.assignCString(text);
    if (result) return result;
    return selectClientCertificate(true);
}

int TlsSettings::selectClientCertificate(bool readOnly) {
    releaseClientCertificate();
    if (SSLCertStore.empty() || SSLCertSubject.empty()) return kOk;
    HCERTSTORE store = openCertStore(SSLCertStore.data(), SSLCertStore.length(), SSLCertStoreType,
                                     SSLCertStorePassword.data(), readOnly);
    if (!store) {
        const int result = storeErrorText("The certificate store could not be opened (");
        return result ? result : kCertStoreNotOpened;
    }
    InlineString20 subject;
    int result = subject.assign(static_cast<std::size_t>(SSLCertSubject.length()), SSLCertSubject.data());
    if (!result) result = findCertificateBySubject(store, subject.data());
    if (store != openedStore) crypt().CertCloseStore(store, 0);
    return result;
}

int TlsSettings::findCertificateBySubject(HCERTSTORE store, const char* subject) {
    if (!subject || !*subject) return kOk;
    const CertificateFunctions& f = crypt();
    PCCERT_CONTEXT found = nullptr;
    if (subject[0] != '*') {
        DWORD size = 0;
        if (f.CertStrToNameA(kEncodings, subject, CERT_OID_NAME_STR, nullptr, nullptr, &size, nullptr) && size) {
            std::vector<BYTE> encoded(size);
            if (f.CertStrToNameA(kEncodings, subject, CERT_OID_NAME_STR, nullptr, encoded.data(), &size, nullptr)) {
                CERT_NAME_BLOB name{size, encoded.data()};
                found = f.CertFindCertificateInStore(store, kEncodings, 0, CERT_FIND_SUBJECT_NAME, &name, nullptr);
            }
        }
    }
    if (!found) {
        const bool any = std::strcmp(subject, "*") == 0;
        for (PCCERT_CONTEXT cert = f.CertFindCertificateInStore(store, kEncodings, 0, CERT_FIND_ANY, nullptr, nullptr);
             cert; cert = f.CertFindCertificateInStore(store, kEncodings, 0, CERT_FIND_ANY, nullptr, cert)) {
            InlineString99 text;
            if (any || (!nameText(cert->pCertInfo->Subject, kSearchSubjectLimit, text) && text.equals(subject))) {
                found = cert;
                break;
            }
        }
    }
    if (!found) found = f.CertFindCertificateInStore(store, kEncodings, 0, CERT_FIND_SUBJECT_STR_A, subject, nullptr);
    if (!found) {
        const int result = storeErrorText("The certificate could not be found (");
        SSLCertSubject.reset();
        return result;
    }
    releaseClientCertificate();
    clientCertificate = found;
    InlineString99 text;
    int result = nameText(found->pCertInfo->Subject, kSearchSubjectLimit, text);
    if (!result) result = SSLCertSubject.assign(static_cast<std::size_t>(text.length()), text.data());
    return result;
}

int TlsSettings::certEncoded(InlineString99& out) const { return encodedText(clientCertificate, out); }

int TlsSettings::acceptServerCertEncoded(InlineString99& out) const { return encodedText(SSLAcceptServerCert, out); }

int TlsSettings::decodeCertificate(const char* bytes, int length, PCCERT_CONTEXT& into) {
    if (into) crypt().CertFreeCertificateContext(into);
    into = nullptr;
    if (!bytes || length <= 0) return kOk;
    InlineString99 der;
    int result = decodePemBlock("CERTIFICATE", bytes, length, der);
    if (result) return result;
    into = crypt().CertCreateCertificateContext(kEncodings, reinterpret_cast<const BYTE*>(der.data()),
                                                static_cast<DWORD>(der.length()));
    if (into) return kOk;
    result = storeErrorText("The certificate could not be decoded (error ");
    return result ? result : kCertificateNotDecoded;
}

int TlsSettings::setCertEncoded(const char* bytes, int length) {
    const int result = decodeCertificate(bytes, length, clientCertificate);
    if (result || !clientCertificate || SSLCertStore.empty()) return result;
    findEncodedCertificateInStore();
    return kOk;
}

void TlsSettings::findEncodedCertificateInStore() {
    const CertificateFunctions& f = crypt();
    HCERTSTORE store =
        openCertStore(SSLCertStore.data(), SSLCertStore.length(), SSLCertStoreType, SSLCertStorePassword.data(), true);
    PCCERT_CONTEXT found = nullptr;
    if (store) {
        for (PCCERT_CONTEXT cert = f.CertFindCertificateInStore(store, kEncodings, 0, CERT_FIND_ANY, nullptr, nullptr);
             cert; cert = f.CertFindCertificateInStore(store, kEncodings, 0, CERT_FIND_ANY, nullptr, cert)) {
            if (sameEncoding(cert, clientCertificate)) {
                found = cert;
                break;
            }
        }
    }
    if (found) {
        releaseClientCertificate();
        clientCertificate = found;
        InlineString99 text;
        if (!nameText(found->pCertInfo->Subject, kSearchSubjectLimit, text)) {
            SSLCertSubject.assign(static_cast<std::size_t>(text.length()), text.data());
        }
    } else {
        storeErrorText("The certificate could not be found (");
        SSLCertSubject.reset();
    }
    if (store && store != openedStore) f.CertCloseStore(store, 0);
}

int TlsSettings::setAcceptServerCert(const char* bytes, int length) {
    return decodeCertificate(bytes, length, SSLAcceptServerCert);
}

bool TlsSettings::isAcceptedServerCert(PCCERT_CONTEXT cert) const { return sameEncoding(cert, SSLAcceptServerCert); }

int TlsSettings::checkServerCertificate(PCCERT_CONTEXT cert, const char* host, DWORD authType, int securityFlags,
                                        InlineString99& status, InlineString99& subject, InlineString99& issuer) {
    const CertificateFunctions& f = crypt();
    status.reset();
    subject.reset();
    issuer.reset();
    if (cert) {
        nameText(cert->pCertInfo->Subject, kCheckNameLimit, subject);
        nameText(cert->pCertInfo->Issuer, kCheckNameLimit, issuer);
    }
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    if (!cert || !f.CertGetCertificateChain(nullptr, cert, nullptr, cert->hCertStore, &para, 0, nullptr, &chain)) {
        status.appendCString("can't get certificate chain (error ");
        appendHexStatus(status, GetLastError());
        status.appendCString(").");
        return kNoCertificateChain;
    }
    std::vector<WCHAR> name;
    if (host && *host) {
        const UINT codePage = static_cast<UINT>(owner_.CodePage);
        const int n = MultiByteToWideChar(codePage, 0, host, -1, nullptr, 0);
        if (n > 0) {
            name.resize(static_cast<std::size_t>(n));
            MultiByteToWideChar(codePage, 0, host, -1, name.data(), n);
        } else {
            f.CertFreeCertificateChain(chain);
            status.assignCString("Server name does not match server certificate.");
            return kServerNameMismatch;
        }
    }
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA extra{};
    extra.cbSize = sizeof extra;
    extra.dwAuthType = authType;
    extra.fdwChecks = static_cast<DWORD>(securityFlags);
    if (!(static_cast<unsigned>(securityFlags) & kSkipServerNameCheck) && !name.empty()) {
        extra.pwszServerName = name.data();
    }
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &extra;
    CERT_CHAIN_POLICY_STATUS verdict{};
    verdict.cbSize = sizeof verdict;
    int result;
    if (!f.CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &verdict)) {
        status.appendCString("Can't verify certificate chain (error ");
        appendHexStatus(status, GetLastError());
        status.appendCString(").");
        result = kChainNotVerified;
    } else {
        appendPolicyStatusText(status, verdict.dwError);
        result = static_cast<int>(verdict.dwError);
    }
    f.CertFreeCertificateChain(chain);
    return result;
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
