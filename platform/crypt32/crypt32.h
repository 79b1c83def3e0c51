#pragma once
// The certificate library stand-in over OpenSSL 3: certificate stores (system stores kept as
// folders in the state directory, memory stores, PFX data), certificate contexts and their
// properties, X.500 names, chains and the SSL chain policy, and RSA key containers.
// Exported unmangled so the module can be bound by name at run time.

#include "win32/base.h"

using HCERTSTORE = void*;
using HCRYPTPROV = ULONG_PTR;
using HCRYPTKEY = ULONG_PTR;
using HCRYPTHASH = ULONG_PTR;
using ALG_ID = UINT;
using HCERTCHAINENGINE = HANDLE;

struct CRYPT_INTEGER_BLOB {
    DWORD cbData;
    BYTE* pbData;
};
using CRYPT_DATA_BLOB = CRYPT_INTEGER_BLOB;
using CERT_NAME_BLOB = CRYPT_INTEGER_BLOB;
using CRYPT_HASH_BLOB = CRYPT_INTEGER_BLOB;
using PCRYPT_DATA_BLOB = CRYPT_DATA_BLOB*;
using PCERT_NAME_BLOB = CERT_NAME_BLOB*;

struct CERT_INFO {
    DWORD dwVersion;
    CRYPT_INTEGER_BLOB SerialNumber;
    CERT_NAME_BLOB Issuer;
    FILETIME NotBefore;
    FILETIME NotAfter;
    CERT_NAME_BLOB Subject;
};
using PCERT_INFO = CERT_INFO*;

struct CERT_CONTEXT {
    DWORD dwCertEncodingType;
    BYTE* pbCertEncoded;
    DWORD cbCertEncoded;
    PCERT_INFO pCertInfo;
    HCERTSTORE hCertStore;
};
using PCCERT_CONTEXT = const CERT_CONTEXT*;

struct CRYPT_KEY_PROV_INFO {
    LPWSTR pwszContainerName;
    LPWSTR pwszProvName;
    DWORD dwProvType;
    DWORD dwFlags;
    DWORD cProvParam;
    void* rgProvParam;
    DWORD dwKeySpec;
};

struct CERT_CHAIN_PARA {
    DWORD cbSize;
    struct {
        DWORD dwType;
        struct {
            DWORD cUsageIdentifier;
            LPSTR* rgpszUsageIdentifier;
        } Usage;
    } RequestedUsage;
};

struct CERT_TRUST_STATUS {
    DWORD dwErrorStatus;
    DWORD dwInfoStatus;
};

struct CERT_CHAIN_ELEMENT {
    DWORD cbSize;
    PCCERT_CONTEXT pCertContext;
    CERT_TRUST_STATUS TrustStatus;
};
struct CERT_SIMPLE_CHAIN {
    DWORD cbSize;
    CERT_TRUST_STATUS TrustStatus;
    DWORD cElement;
    CERT_CHAIN_ELEMENT** rgpElement;
};
struct CERT_CHAIN_CONTEXT {
    DWORD cbSize;
    CERT_TRUST_STATUS TrustStatus;
    DWORD cChain;
    CERT_SIMPLE_CHAIN** rgpChain;
};
using PCCERT_CHAIN_CONTEXT = const CERT_CHAIN_CONTEXT*;

struct SSL_EXTRA_CERT_CHAIN_POLICY_PARA {
    DWORD cbSize;  // also named cbStruct
    DWORD dwAuthType;
    DWORD fdwChecks;
    WCHAR* pwszServerName;
};
struct CERT_CHAIN_POLICY_PARA {
    DWORD cbSize;
    DWORD dwFlags;
    void* pvExtraPolicyPara;
};
struct CERT_CHAIN_POLICY_STATUS {
    DWORD cbSize;
    DWORD dwError;
    LONG lChainIndex;
    LONG lElementIndex;
    void* pvExtraPolicyStatus;
};

constexpr DWORD X509_ASN_ENCODING = 0x00000001;
constexpr DWORD PKCS_7_ASN_ENCODING = 0x00010000;

// Store providers (the platform passes them as small integers in a string pointer).
inline LPCSTR const CERT_STORE_PROV_MEMORY = reinterpret_cast<LPCSTR>(2);
inline LPCSTR const CERT_STORE_PROV_SYSTEM_A = reinterpret_cast<LPCSTR>(9);
inline LPCSTR const CERT_STORE_PROV_SYSTEM_W = reinterpret_cast<LPCSTR>(10);
constexpr DWORD CERT_STORE_CREATE_NEW_FLAG = 0x00002000;
constexpr DWORD CERT_STORE_OPEN_EXISTING_FLAG = 0x00004000;
constexpr DWORD CERT_STORE_READONLY_FLAG = 0x00008000;
constexpr DWORD CERT_SYSTEM_STORE_CURRENT_USER = 0x00010000;
constexpr DWORD CERT_SYSTEM_STORE_LOCAL_MACHINE = 0x00020000;
constexpr DWORD CERT_CLOSE_STORE_FORCE_FLAG = 1;

constexpr DWORD CERT_STORE_ADD_NEW = 1;
constexpr DWORD CERT_STORE_ADD_USE_EXISTING = 2;
constexpr DWORD CERT_STORE_ADD_REPLACE_EXISTING = 3;
constexpr DWORD CERT_STORE_ADD_ALWAYS = 4;

constexpr DWORD CERT_FIND_ANY = 0;
constexpr DWORD CERT_FIND_SHA1_HASH = 0x00010000;
constexpr DWORD CERT_FIND_SUBJECT_NAME = 0x00020007;
constexpr DWORD CERT_FIND_SUBJECT_STR_A = 0x00070007;
constexpr DWORD CERT_FIND_EXISTING = 0x000D0000;

constexpr DWORD CERT_KEY_PROV_INFO_PROP_ID = 2;
constexpr DWORD CERT_SHA1_HASH_PROP_ID = 3;
constexpr DWORD CERT_FRIENDLY_NAME_PROP_ID = 11;

constexpr DWORD CERT_SIMPLE_NAME_STR = 1;
constexpr DWORD CERT_OID_NAME_STR = 2;
constexpr DWORD CERT_X500_NAME_STR = 3;
constexpr DWORD CERT_NAME_STR_SEMICOLON_FLAG = 0x40000000;
constexpr DWORD CERT_NAME_STR_NO_PLUS_FLAG = 0x20000000;
constexpr DWORD CERT_NAME_STR_NO_QUOTING_FLAG = 0x10000000;
constexpr DWORD CERT_NAME_STR_CRLF_FLAG = 0x08000000;
constexpr DWORD CERT_NAME_STR_COMMA_FLAG = 0x04000000;
constexpr DWORD CERT_NAME_STR_REVERSE_FLAG = 0x02000000;

inline LPCSTR const CERT_CHAIN_POLICY_BASE = reinterpret_cast<LPCSTR>(1);
inline LPCSTR const CERT_CHAIN_POLICY_SSL = reinterpret_cast<LPCSTR>(4);
constexpr DWORD AUTHTYPE_CLIENT = 1;
constexpr DWORD AUTHTYPE_SERVER = 2;

// Trust error bits of a chain.
constexpr DWORD CERT_TRUST_IS_NOT_TIME_VALID = 0x00000001;
constexpr DWORD CERT_TRUST_IS_REVOKED = 0x00000004;
constexpr DWORD CERT_TRUST_IS_NOT_SIGNATURE_VALID = 0x00000008;
constexpr DWORD CERT_TRUST_IS_NOT_VALID_FOR_USAGE = 0x00000010;
constexpr DWORD CERT_TRUST_IS_UNTRUSTED_ROOT = 0x00000020;
constexpr DWORD CERT_TRUST_INVALID_BASIC_CONSTRAINTS = 0x00000400;
constexpr DWORD CERT_TRUST_IS_PARTIAL_CHAIN = 0x00010000;

// Policy check flags (the same bits the TLS settings use).
constexpr DWORD SECURITY_FLAG_IGNORE_REVOCATION_CP = 0x00000080;
constexpr DWORD SECURITY_FLAG_IGNORE_UNKNOWN_CA_CP = 0x00000100;
constexpr DWORD SECURITY_FLAG_IGNORE_WRONG_USAGE_CP = 0x00000200;
constexpr DWORD SECURITY_FLAG_IGNORE_CERT_CN_INVALID_CP = 0x00001000;
constexpr DWORD SECURITY_FLAG_IGNORE_CERT_DATE_INVALID_CP = 0x00002000;

// Policy statuses.
constexpr DWORD TRUST_E_CERT_SIGNATURE = 0x80096004;
constexpr DWORD TRUST_E_BASIC_CONSTRAINTS = 0x80096019;
constexpr DWORD CERT_E_EXPIRED = 0x800B0101;
constexpr DWORD CERT_E_UNTRUSTEDROOT = 0x800B0109;
constexpr DWORD CERT_E_CHAINING = 0x800B010A;
constexpr DWORD CERT_E_CN_NO_MATCH = 0x800B010F;
constexpr DWORD CERT_E_WRONG_USAGE = 0x800B0110;
constexpr DWORD CRYPT_E_NOT_FOUND = 0x80092004;
constexpr DWORD CRYPT_E_EXISTS = 0x80092005;
constexpr DWORD CRYPT_E_BAD_ENCODE = 0x80092002;
constexpr DWORD CRYPT_E_ASN1_BADTAG = 0x8009310B;
constexpr DWORD CRYPT_E_INVALID_X500_STRING = 0x80092023;

// PFX.
constexpr DWORD CRYPT_EXPORTABLE = 0x00000001;
constexpr DWORD CRYPT_USER_KEYSET = 0x00001000;
constexpr DWORD EXPORT_PRIVATE_KEYS = 0x00000004;
constexpr DWORD NTE_BAD_PASSWORD = 0x80090005;  // what a wrong PFX password reports here

// Key containers.
constexpr DWORD PROV_RSA_FULL = 1;
constexpr DWORD PROV_RSA_AES = 24;
constexpr DWORD CRYPT_VERIFYCONTEXT = 0xF0000000;
constexpr DWORD CRYPT_NEWKEYSET = 0x00000008;
constexpr DWORD CRYPT_DELETEKEYSET = 0x00000010;
constexpr DWORD CRYPT_MACHINE_KEYSET = 0x00000020;
constexpr DWORD CRYPT_SILENT = 0x00000040;
constexpr DWORD AT_KEYEXCHANGE = 1;
constexpr DWORD AT_SIGNATURE = 2;
constexpr DWORD NTE_BAD_KEYSET = 0x80090016;
constexpr DWORD NTE_EXISTS = 0x8009000F;
constexpr DWORD NTE_BAD_DATA = 0x80090005;
constexpr DWORD NTE_BAD_TYPE = 0x8009000A;
constexpr BYTE PRIVATEKEYBLOB = 0x07;
constexpr ALG_ID CALG_RSA_KEYX = 0x0000A400;
constexpr DWORD PP_ENUMCONTAINERS = 2;
constexpr DWORD CRYPT_FIRST = 1;
constexpr DWORD CRYPT_NEXT = 2;

extern "C" {
HCERTSTORE CertOpenStore(LPCSTR provider, DWORD encoding, HCRYPTPROV prov, DWORD flags, const void* para);
HCERTSTORE CertOpenSystemStoreA(HCRYPTPROV prov, LPCSTR name);
BOOL CertCloseStore(HCERTSTORE store, DWORD flags);
PCCERT_CONTEXT CertCreateCertificateContext(DWORD encoding, const BYTE* encoded, DWORD length);
PCCERT_CONTEXT CertDuplicateCertificateContext(PCCERT_CONTEXT cert);
BOOL CertFreeCertificateContext(PCCERT_CONTEXT cert);
PCCERT_CONTEXT CertEnumCertificatesInStore(HCERTSTORE store, PCCERT_CONTEXT previous);
PCCERT_CONTEXT CertFindCertificateInStore(HCERTSTORE store, DWORD encoding, DWORD findFlags, DWORD findType,
                                          const void* findPara, PCCERT_CONTEXT previous);
BOOL CertAddCertificateContextToStore(HCERTSTORE store, PCCERT_CONTEXT cert, DWORD disposition,
                                      PCCERT_CONTEXT* added);
BOOL CertAddEncodedCertificateToStore(HCERTSTORE store, DWORD encoding, const BYTE* encoded, DWORD length,
                                      DWORD disposition, PCCERT_CONTEXT* added);
BOOL CertDeleteCertificateFromStore(PCCERT_CONTEXT cert);
BOOL CertGetCertificateContextProperty(PCCERT_CONTEXT cert, DWORD propId, void* data, DWORD* length);
BOOL CertSetCertificateContextProperty(PCCERT_CONTEXT cert, DWORD propId, DWORD flags, const void* data);
DWORD CertNameToStrA(DWORD encoding, PCERT_NAME_BLOB name, DWORD strType, LPSTR out, DWORD outLength);
BOOL CertStrToNameA(DWORD encoding, LPCSTR x500, DWORD strType, void* reserved, BYTE* encoded, DWORD* length,
                    LPCSTR* error);
BOOL CertGetCertificateChain(HCERTCHAINENGINE engine, PCCERT_CONTEXT cert, const FILETIME* time,
                             HCERTSTORE additional, const CERT_CHAIN_PARA* para, DWORD flags, void* reserved,
                             PCCERT_CHAIN_CONTEXT* chain);
void CertFreeCertificateChain(PCCERT_CHAIN_CONTEXT chain);
BOOL CertVerifyCertificateChainPolicy(LPCSTR policy, PCCERT_CHAIN_CONTEXT chain, const CERT_CHAIN_POLICY_PARA* para,
                                      CERT_CHAIN_POLICY_STATUS* status);
HCERTSTORE PFXImportCertStore(CRYPT_DATA_BLOB* pfx, LPCWSTR password, DWORD flags);
BOOL PFXExportCertStore(HCERTSTORE store, CRYPT_DATA_BLOB* pfx, LPCWSTR password, DWORD flags);
BOOL PFXIsPFXBlob(CRYPT_DATA_BLOB* pfx);

BOOL CryptAcquireContextA(HCRYPTPROV* prov, LPCSTR container, LPCSTR provider, DWORD provType, DWORD flags);
BOOL CryptAcquireContextU(HCRYPTPROV* prov, LPCWSTR container, LPCWSTR provider, DWORD provType, DWORD flags);
BOOL CryptReleaseContext(HCRYPTPROV prov, DWORD flags);
BOOL CryptImportKey(HCRYPTPROV prov, const BYTE* data, DWORD length, HCRYPTKEY pubKey, DWORD flags,
                    HCRYPTKEY* key);
BOOL CryptDestroyKey(HCRYPTKEY key);
BOOL CryptGetProvParam(HCRYPTPROV prov, DWORD param, BYTE* data, DWORD* length, DWORD flags);
}
