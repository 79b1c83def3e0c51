#pragma once
// The security provider interface (TLS package) over OpenSSL 3 with memory BIOs. The module
// exports InitSecurityInterfaceA; callers use the function table it returns.

#include "crypt32/crypt32.h"
#include "win32/base.h"

using SECURITY_STATUS = LONG;

struct SecHandle {
    ULONG_PTR dwLower;
    ULONG_PTR dwUpper;
};
using CredHandle = SecHandle;
using CtxtHandle = SecHandle;
using PCredHandle = CredHandle*;
using PCtxtHandle = CtxtHandle*;
using TimeStamp = LONGLONG;
using PTimeStamp = TimeStamp*;

struct SecBuffer {
    ULONG cbBuffer;
    ULONG BufferType;
    void* pvBuffer;
};
struct SecBufferDesc {
    ULONG ulVersion;
    ULONG cBuffers;
    SecBuffer* pBuffers;
};
using PSecBufferDesc = SecBufferDesc*;

constexpr ULONG SECBUFFER_VERSION = 0;
constexpr ULONG SECBUFFER_EMPTY = 0;
constexpr ULONG SECBUFFER_DATA = 1;
constexpr ULONG SECBUFFER_TOKEN = 2;
constexpr ULONG SECBUFFER_MISSING = 4;
constexpr ULONG SECBUFFER_EXTRA = 5;
constexpr ULONG SECBUFFER_STREAM_TRAILER = 6;
constexpr ULONG SECBUFFER_STREAM_HEADER = 7;
constexpr ULONG SECBUFFER_ALERT = 17;

constexpr SECURITY_STATUS SEC_E_OK = 0;
constexpr SECURITY_STATUS SEC_I_CONTINUE_NEEDED = 0x00090312;
constexpr SECURITY_STATUS SEC_I_CONTEXT_EXPIRED = 0x00090317;
constexpr SECURITY_STATUS SEC_I_INCOMPLETE_CREDENTIALS = 0x00090320;
constexpr SECURITY_STATUS SEC_I_RENEGOTIATE = 0x00090321;
constexpr SECURITY_STATUS SEC_E_INSUFFICIENT_MEMORY = static_cast<SECURITY_STATUS>(0x80090300);
constexpr SECURITY_STATUS SEC_E_INVALID_HANDLE = static_cast<SECURITY_STATUS>(0x80090301);
constexpr SECURITY_STATUS SEC_E_UNSUPPORTED_FUNCTION = static_cast<SECURITY_STATUS>(0x80090302);
constexpr SECURITY_STATUS SEC_E_INTERNAL_ERROR = static_cast<SECURITY_STATUS>(0x80090304);
constexpr SECURITY_STATUS SEC_E_SECPKG_NOT_FOUND = static_cast<SECURITY_STATUS>(0x80090305);
constexpr SECURITY_STATUS SEC_E_INVALID_TOKEN = static_cast<SECURITY_STATUS>(0x80090308);
constexpr SECURITY_STATUS SEC_E_UNKNOWN_CREDENTIALS = static_cast<SECURITY_STATUS>(0x8009030D);
constexpr SECURITY_STATUS SEC_E_NO_CREDENTIALS = static_cast<SECURITY_STATUS>(0x8009030E);
constexpr SECURITY_STATUS SEC_E_MESSAGE_ALTERED = static_cast<SECURITY_STATUS>(0x8009030F);
constexpr SECURITY_STATUS SEC_E_INCOMPLETE_MESSAGE = static_cast<SECURITY_STATUS>(0x80090318);
constexpr SECURITY_STATUS SEC_E_BUFFER_TOO_SMALL = static_cast<SECURITY_STATUS>(0x80090321);
constexpr SECURITY_STATUS SEC_E_ILLEGAL_MESSAGE = static_cast<SECURITY_STATUS>(0x80090326);
constexpr SECURITY_STATUS SEC_E_DECRYPT_FAILURE = static_cast<SECURITY_STATUS>(0x80090330);
constexpr SECURITY_STATUS SEC_E_ALGORITHM_MISMATCH = static_cast<SECURITY_STATUS>(0x80090331);

constexpr ULONG SECPKG_CRED_INBOUND = 1;
constexpr ULONG SECPKG_CRED_OUTBOUND = 2;
constexpr ULONG SECURITY_NATIVE_DREP = 0x10;

constexpr ULONG ISC_REQ_REPLAY_DETECT = 0x00000004;
constexpr ULONG ISC_REQ_SEQUENCE_DETECT = 0x00000008;
constexpr ULONG ISC_REQ_CONFIDENTIALITY = 0x00000010;
constexpr ULONG ISC_REQ_ALLOCATE_MEMORY = 0x00000100;
constexpr ULONG ISC_REQ_EXTENDED_ERROR = 0x00004000;
constexpr ULONG ISC_REQ_STREAM = 0x00008000;
constexpr ULONG ISC_RET_EXTENDED_ERROR = 0x00004000;

constexpr ULONG SECPKG_ATTR_STREAM_SIZES = 4;
constexpr ULONG SECPKG_ATTR_REMOTE_CERT_CONTEXT = 0x53;
constexpr ULONG SECPKG_ATTR_CONNECTION_INFO = 0x5A;

struct SecPkgContext_StreamSizes {
    ULONG cbHeader;
    ULONG cbTrailer;
    ULONG cbMaximumMessage;
    ULONG cBuffers;
    ULONG cbBlockSize;
};
struct SecPkgContext_ConnectionInfo {
    DWORD dwProtocol;
    ALG_ID aiCipher;
    DWORD dwCipherStrength;
    ALG_ID aiHash;
    DWORD dwHashStrength;
    ALG_ID aiExch;
    DWORD dwExchStrength;
};

constexpr DWORD SCHANNEL_CRED_VERSION = 4;
constexpr DWORD SCHANNEL_SHUTDOWN = 1;
struct SCHANNEL_CRED {
    DWORD dwVersion;
    DWORD cCreds;
    PCCERT_CONTEXT* paCred;
    HCERTSTORE hRootStore;
    DWORD cMappers;
    void** aphMappers;
    DWORD cSupportedAlgs;
    ALG_ID* palgSupportedAlgs;
    DWORD grbitEnabledProtocols;
    DWORD dwMinimumCipherStrength;
    DWORD dwMaximumCipherStrength;
    DWORD dwSessionLifespan;
    DWORD dwFlags;
    DWORD dwCredFormat;
};
constexpr DWORD SCH_CRED_NO_DEFAULT_CREDS = 0x00000008;
constexpr DWORD SCH_CRED_MANUAL_CRED_VALIDATION = 0x00000010;

// Protocol bits (client and server halves).
constexpr DWORD SP_PROT_PCT1 = 0x00000003;
constexpr DWORD SP_PROT_SSL2 = 0x0000000C;
constexpr DWORD SP_PROT_SSL3 = 0x00000030;
constexpr DWORD SP_PROT_TLS1_0 = 0x000000C0;
constexpr DWORD SP_PROT_TLS1_1 = 0x00000300;
constexpr DWORD SP_PROT_TLS1_2 = 0x00000C00;
constexpr DWORD SP_PROT_TLS1_3 = 0x00003000;
constexpr DWORD SP_PROT_TLS1_0_CLIENT = 0x00000080;
constexpr DWORD SP_PROT_TLS1_1_CLIENT = 0x00000200;
constexpr DWORD SP_PROT_TLS1_2_CLIENT = 0x00000800;
constexpr DWORD SP_PROT_TLS1_3_CLIENT = 0x00002000;

// Algorithm identifiers reported in the connection information.
constexpr ALG_ID CALG_3DES = 0x6603;
constexpr ALG_ID CALG_AES_128 = 0x660E;
constexpr ALG_ID CALG_AES_256 = 0x6610;
constexpr ALG_ID CALG_RC4 = 0x6801;
constexpr ALG_ID CALG_MD5 = 0x8003;
constexpr ALG_ID CALG_SHA1 = 0x8004;
constexpr ALG_ID CALG_SHA_256 = 0x800C;
constexpr ALG_ID CALG_SHA_384 = 0x800D;
constexpr ALG_ID CALG_DH_EPHEM = 0xAA02;
constexpr ALG_ID CALG_ECDH_EPHEM = 0xAE06;

using ACQUIRE_CREDENTIALS_HANDLE_FN_A = SECURITY_STATUS (*)(LPSTR principal, LPSTR package, ULONG credentialUse,
                                                            void* logonId, void* authData, void* getKeyFn,
                                                            void* getKeyArgument, PCredHandle credential,
                                                            PTimeStamp expiry);
using FREE_CREDENTIALS_HANDLE_FN = SECURITY_STATUS (*)(PCredHandle credential);
using INITIALIZE_SECURITY_CONTEXT_FN_A = SECURITY_STATUS (*)(PCredHandle credential, PCtxtHandle context,
                                                             LPSTR targetName, ULONG contextReq, ULONG reserved1,
                                                             ULONG targetDataRep, PSecBufferDesc input,
                                                             ULONG reserved2, PCtxtHandle newContext,
                                                             PSecBufferDesc output, ULONG* contextAttr,
                                                             PTimeStamp expiry);
using DELETE_SECURITY_CONTEXT_FN = SECURITY_STATUS (*)(PCtxtHandle context);
using APPLY_CONTROL_TOKEN_FN = SECURITY_STATUS (*)(PCtxtHandle context, PSecBufferDesc input);
using QUERY_CONTEXT_ATTRIBUTES_FN_A = SECURITY_STATUS (*)(PCtxtHandle context, ULONG attribute, void* buffer);
using FREE_CONTEXT_BUFFER_FN = SECURITY_STATUS (*)(void* buffer);
using ENCRYPT_MESSAGE_FN = SECURITY_STATUS (*)(PCtxtHandle context, ULONG qop, PSecBufferDesc message, ULONG seq);
using DECRYPT_MESSAGE_FN = SECURITY_STATUS (*)(PCtxtHandle context, PSecBufferDesc message, ULONG seq, ULONG* qop);

// The version-1 function table: the slots the TLS channel uses and the reserved or unused
// ones in between, in the interface's order.
struct SecurityFunctionTableA {
    ULONG dwVersion;
    void* EnumerateSecurityPackagesA;
    void* QueryCredentialsAttributesA;
    ACQUIRE_CREDENTIALS_HANDLE_FN_A AcquireCredentialsHandleA;
    FREE_CREDENTIALS_HANDLE_FN FreeCredentialsHandle;
    void* Reserved2;
    INITIALIZE_SECURITY_CONTEXT_FN_A InitializeSecurityContextA;
    void* AcceptSecurityContext;
    void* CompleteAuthToken;
    DELETE_SECURITY_CONTEXT_FN DeleteSecurityContext;
    APPLY_CONTROL_TOKEN_FN ApplyControlToken;
    QUERY_CONTEXT_ATTRIBUTES_FN_A QueryContextAttributesA;
    void* ImpersonateSecurityContext;
    void* RevertSecurityContext;
    void* MakeSignature;
    void* VerifySignature;
    FREE_CONTEXT_BUFFER_FN FreeContextBuffer;
    void* QuerySecurityPackageInfoA;
    void* Reserved3;
    void* Reserved4;
    void* ExportSecurityContext;
    void* ImportSecurityContextA;
    void* AddCredentialsA;
    void* Reserved8;
    void* QuerySecurityContextToken;
    ENCRYPT_MESSAGE_FN EncryptMessage;
    DECRYPT_MESSAGE_FN DecryptMessage;
};
using PSecurityFunctionTableA = SecurityFunctionTableA*;
using INIT_SECURITY_INTERFACE_A = PSecurityFunctionTableA (*)();

extern "C" PSecurityFunctionTableA InitSecurityInterfaceA();
