#include "sspi/sspi.h"

#include "crypt32/bridge.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Credential {
    SSL_CTX* ctx = nullptr;
    bool haveCertificate = false;
    ~Credential() { SSL_CTX_free(ctx); }
};

struct Context {
    SSL* ssl = nullptr;
    BIO* in = nullptr;   // ciphertext from the peer, owned by ssl
    BIO* out = nullptr;  // ciphertext for the peer, owned by ssl
    bool established = false;
    bool certificateAsked = false;
    bool shutdownRequested = false;
    ~Context() { SSL_free(ssl); }
};

Credential* credentialOf(PCredHandle h) { return h ? reinterpret_cast<Credential*>(h->dwLower) : nullptr; }
Context* contextOf(PCtxtHandle h) { return h ? reinterpret_cast<Context*>(h->dwLower) : nullptr; }

int contextIndex() {
    static int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// A server asking for a certificate we do not have: the first time, the handshake pauses so
// the caller learns of it; when asked again, it goes on without one.
int onCertificateRequest(SSL* ssl, X509**, EVP_PKEY**) {
    auto* c = static_cast<Context*>(SSL_get_ex_data(ssl, contextIndex()));
    if (c && !c->certificateAsked) {
        c->certificateAsked = true;
        return -1;
    }
    return 0;
}

// The length of the complete records at the start of data.
// Bytes that cannot start a TLS record are handed to the library whole, so that the handshake
// or the decryption fails at once instead of waiting for a record that never completes.
bool notARecord(const BYTE* data, std::size_t length) {
    if (length >= 1 && (data[0] < 20 || data[0] > 24)) return true;
    if (length >= 2 && data[1] != 3) return true;
    return length >= 5 && ((static_cast<std::size_t>(data[3]) << 8) | data[4]) > 16384 + 2048;
}

std::size_t completeRecords(const BYTE* data, std::size_t length, bool onlyFirst) {
    std::size_t pos = 0;
    if (notARecord(data, length)) return length;
    while (pos + 5 <= length) {
        std::size_t body = (static_cast<std::size_t>(data[pos + 3]) << 8) | data[pos + 4];
        if (pos + 5 + body > length) break;
        pos += 5 + body;
        if (onlyFirst) break;
    }
    return pos;
}

std::vector<BYTE> drain(BIO* bio) {
    std::vector<BYTE> out(static_cast<std::size_t>(BIO_ctrl_pending(bio)));
    if (!out.empty()) BIO_read(bio, out.data(), static_cast<int>(out.size()));
    return out;
}

SecBuffer* findBuffer(PSecBufferDesc desc, ULONG type) {
    if (!desc) return nullptr;
    for (ULONG i = 0; i < desc->cBuffers; ++i)
        if (desc->pBuffers[i].BufferType == type) return &desc->pBuffers[i];
    return nullptr;
}

void* allocate(std::size_t n) { return std::malloc(n ? n : 1); }

// Hands out a token: in a buffer of ours when the caller asked for allocation, else in its own.
SECURITY_STATUS emitToken(PSecBufferDesc output, ULONG req, const std::vector<BYTE>& token) {
    SecBuffer* b = output && output->cBuffers ? &output->pBuffers[0] : nullptr;
    if (!b) return token.empty() ? SEC_E_OK : SEC_E_BUFFER_TOO_SMALL;
    b->BufferType = SECBUFFER_TOKEN;
    if (req & ISC_REQ_ALLOCATE_MEMORY) {
        b->pvBuffer = token.empty() ? nullptr : allocate(token.size());
        if (!token.empty()) std::memcpy(b->pvBuffer, token.data(), token.size());
        b->cbBuffer = static_cast<ULONG>(token.size());
        return SEC_E_OK;
    }
    if (b->cbBuffer < token.size()) return SEC_E_BUFFER_TOO_SMALL;
    if (!token.empty()) std::memcpy(b->pvBuffer, token.data(), token.size());
    b->cbBuffer = static_cast<ULONG>(token.size());
    return SEC_E_OK;
}

void setExtra(PSecBufferDesc input, const std::vector<BYTE>& extra) {
    if (!input || input->cBuffers < 2) return;
    SecBuffer& b = input->pBuffers[1];
    if (extra.empty()) {
        b.BufferType = SECBUFFER_EMPTY;
        b.cbBuffer = 0;
        return;
    }
    // The unread bytes are the tail of the caller's input: point the extra buffer at them.
    SecBuffer& data = input->pBuffers[0];
    b.BufferType = SECBUFFER_EXTRA;
    b.cbBuffer = static_cast<ULONG>(extra.size());
    b.pvBuffer = static_cast<BYTE*>(data.pvBuffer) + data.cbBuffer - extra.size();
}

bool isAddress(const char* host) {
    unsigned char buf[16];
    return inet_pton(AF_INET, host, buf) == 1 || inet_pton(AF_INET6, host, buf) == 1;
}

void versionRange(DWORD bits, int& minVersion, int& maxVersion) {
    // Anything that enables the oldest version offered enables every newer one too; the
    // versions before it are never offered.
    bool v10 = bits & SP_PROT_TLS1_0;
    bool v11 = v10 || (bits & SP_PROT_TLS1_1);
    bool v12 = v10 || (bits & SP_PROT_TLS1_2);
    bool v13 = v10 || (bits & SP_PROT_TLS1_3);
    if (bits == 0) v11 = v12 = v13 = true;
    minVersion = v10 ? TLS1_VERSION : v11 ? TLS1_1_VERSION : v12 ? TLS1_2_VERSION : v13 ? TLS1_3_VERSION : 0;
    maxVersion = v13 ? TLS1_3_VERSION : v12 ? TLS1_2_VERSION : v11 ? TLS1_1_VERSION : v10 ? TLS1_VERSION : 0;
}

using SecurityCallback = int (*)(const SSL*, const SSL_CTX*, int, int, int, void*, void*);

// The certificate and key the caller configured are held to security level 1 (80 bits: RSA
// from 1024 bits), as the system's provider takes them; everything the server offers or
// presents stays under the library's default policy.
int clientCredentialPolicy(const SSL* ssl, const SSL_CTX* ctx, int op, int bits, int nid, void* other, void* ex) {
    constexpr int kLevelOneBits = 80;
    if (op == SSL_SECOP_EE_KEY || op == SSL_SECOP_CA_KEY || op == SSL_SECOP_CA_MD) return bits >= kLevelOneBits;
    return reinterpret_cast<SecurityCallback>(ex)(ssl, ctx, op, bits, nid, other, nullptr);
}

SSL_CTX* newClientContext(int minVersion, int maxVersion) {
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx) return nullptr;
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);  // the caller judges the server
    SSL_CTX_set0_security_ex_data(ctx, reinterpret_cast<void*>(SSL_CTX_get_security_callback(ctx)));
    SSL_CTX_set_security_callback(ctx, clientCredentialPolicy);
    // A server may renegotiate below TLS 1.3 (secure renegotiation only, the library's default).
    SSL_CTX_set_min_proto_version(ctx, minVersion);
    SSL_CTX_set_max_proto_version(ctx, maxVersion);
    return ctx;
}

// Credentials without a certificate of their own differ only in their versions: they share one
// library context per range, which is costly to make for every connection. Client contexts keep
// no sessions, so nothing of one connection reaches the next.
SSL_CTX* sharedClientContext(int minVersion, int maxVersion) {
    static std::mutex lock;
    static auto& contexts = *new std::map<std::pair<int, int>, SSL_CTX*>;  // kept for the life of the process
    std::lock_guard g(lock);
    SSL_CTX*& ctx = contexts[{minVersion, maxVersion}];
    if (!ctx) {
        ctx = newClientContext(minVersion, maxVersion);
        if (!ctx) return nullptr;
        SSL_CTX_set_client_cert_cb(ctx, onCertificateRequest);
    }
    SSL_CTX_up_ref(ctx);
    return ctx;
}

SECURITY_STATUS acquireCredentials(LPSTR, LPSTR, ULONG use, void*, void* authData, void*, void*,
                                   PCredHandle credential, PTimeStamp expiry) {
    if (!credential) return SEC_E_INVALID_HANDLE;
    if (use != SECPKG_CRED_OUTBOUND) return SEC_E_UNSUPPORTED_FUNCTION;
    auto* sc = static_cast<const SCHANNEL_CRED*>(authData);
    int minVersion = 0, maxVersion = 0;
    versionRange(sc ? sc->grbitEnabledProtocols : 0, minVersion, maxVersion);
    if (!minVersion) return SEC_E_ALGORITHM_MISMATCH;
    auto* cred = new Credential;
    if (sc && sc->cCreds && sc->paCred) {
        cred->ctx = newClientContext(minVersion, maxVersion);
        for (DWORD i = 0; cred->ctx && i < sc->cCreds; ++i) {
            X509* x = crypt32::certificateX509(sc->paCred[i]);
            EVP_PKEY* key = crypt32::certificatePrivateKey(sc->paCred[i]);
            if (x && key && SSL_CTX_use_certificate(cred->ctx, x) == 1 && SSL_CTX_use_PrivateKey(cred->ctx, key) == 1) {
                cred->haveCertificate = true;
                EVP_PKEY_free(key);
                break;
            }
            const bool refused = x && key;
            EVP_PKEY_free(key);
            ERR_clear_error();
            // A certificate with its key that the library will not use is no credential:
            // going on without it would leave the server without the certificate the caller chose.
            if (refused) {
                delete cred;
                return SEC_E_UNKNOWN_CREDENTIALS;
            }
        }
        if (cred->ctx && !cred->haveCertificate) SSL_CTX_set_client_cert_cb(cred->ctx, onCertificateRequest);
    } else {
        cred->ctx = sharedClientContext(minVersion, maxVersion);
    }
    if (!cred->ctx) {
        delete cred;
        return SEC_E_INSUFFICIENT_MEMORY;
    }
    credential->dwLower = reinterpret_cast<ULONG_PTR>(cred);
    credential->dwUpper = 0;
    if (expiry) *expiry = 0x7FFFFFFFFFFFFFFFLL;
    return SEC_E_OK;
}

SECURITY_STATUS freeCredentials(PCredHandle credential) {
    Credential* c = credentialOf(credential);
    if (!c) return SEC_E_INVALID_HANDLE;
    delete c;
    credential->dwLower = 0;
    return SEC_E_OK;
}

SECURITY_STATUS failureStatus(int sslError) {
    unsigned long e = ERR_peek_error();
    ERR_clear_error();
    if (sslError == SSL_ERROR_SYSCALL || sslError == SSL_ERROR_SSL) {
        int reason = ERR_GET_REASON(e);
        if (reason == SSL_R_UNSUPPORTED_PROTOCOL || reason == SSL_R_NO_PROTOCOLS_AVAILABLE ||
            reason == SSL_R_TLSV1_ALERT_PROTOCOL_VERSION || reason == SSL_R_NO_SHARED_CIPHER ||
            reason == SSL_R_SSLV3_ALERT_HANDSHAKE_FAILURE)
            return SEC_E_ALGORITHM_MISMATCH;
        return SEC_E_ILLEGAL_MESSAGE;
    }
    return SEC_E_INTERNAL_ERROR;
}

SECURITY_STATUS initializeContext(PCredHandle credential, PCtxtHandle context, LPSTR target, ULONG req, ULONG,
                                  ULONG, PSecBufferDesc input, ULONG, PCtxtHandle newContext, PSecBufferDesc output,
                                  ULONG* attributes, PTimeStamp expiry) {
    if (attributes) *attributes = req & ~ISC_RET_EXTENDED_ERROR;
    if (expiry) *expiry = 0x7FFFFFFFFFFFFFFFLL;
    Context* c = contextOf(context);
    if (!c) {
        Credential* cred = credentialOf(credential);
        if (!cred) return SEC_E_INVALID_HANDLE;
        c = new Context;
        c->ssl = SSL_new(cred->ctx);
        c->in = BIO_new(BIO_s_mem());
        c->out = BIO_new(BIO_s_mem());
        if (!c->ssl || !c->in || !c->out) {
            BIO_free(c->in);
            BIO_free(c->out);
            delete c;
            return SEC_E_INSUFFICIENT_MEMORY;
        }
        BIO_set_mem_eof_return(c->in, -1);
        SSL_set_bio(c->ssl, c->in, c->out);
        SSL_set_ex_data(c->ssl, contextIndex(), c);
        SSL_set_connect_state(c->ssl);
        if (target && *target && !isAddress(target)) SSL_set_tlsext_host_name(c->ssl, target);
        if (!newContext) {
            delete c;
            return SEC_E_INVALID_HANDLE;
        }
        newContext->dwLower = reinterpret_cast<ULONG_PTR>(c);
        newContext->dwUpper = 0;
    } else if (newContext && newContext != context) {
        *newContext = *context;
    }

    if (c->shutdownRequested) {
        SSL_shutdown(c->ssl);
        c->shutdownRequested = false;
        return emitToken(output, req, drain(c->out));
    }

    std::vector<BYTE> leftover;
    SecBuffer* token = input && input->cBuffers ? &input->pBuffers[0] : nullptr;
    if (c->established && !SSL_in_init(c->ssl)) {
        // Records after the handshake are application data: they stay with the caller, who
        // decrypts them next. A renegotiation the server started runs the handshake path below.
        if (token && token->BufferType == SECBUFFER_TOKEN && token->cbBuffer) {
            auto* data = static_cast<const BYTE*>(token->pvBuffer);
            leftover.assign(data, data + token->cbBuffer);
        }
        setExtra(input, leftover);
        return emitToken(output, req, drain(c->out));
    }
    if (token && token->BufferType == SECBUFFER_TOKEN && token->cbBuffer) {
        auto* data = static_cast<const BYTE*>(token->pvBuffer);
        std::size_t whole = completeRecords(data, token->cbBuffer, false);
        if (whole == 0) return SEC_E_INCOMPLETE_MESSAGE;
        BIO_write(c->in, data, static_cast<int>(whole));
        leftover.assign(data + whole, data + token->cbBuffer);
    }

    int rc = SSL_do_handshake(c->ssl);
    std::vector<BYTE> unread = drain(c->in);
    unread.insert(unread.end(), leftover.begin(), leftover.end());
    std::vector<BYTE> out = drain(c->out);
    if (rc == 1) {
        c->established = true;
        setExtra(input, unread);
        SECURITY_STATUS s = emitToken(output, req, out);
        return s == SEC_E_OK ? SEC_E_OK : s;
    }
    int err = SSL_get_error(c->ssl, rc);
    if (err == SSL_ERROR_WANT_X509_LOOKUP) {
        // Bytes the library took stay with it; report the rest as unread.
        setExtra(input, unread);
        emitToken(output, req, out);
        return SEC_I_INCOMPLETE_CREDENTIALS;
    }
    if (err == SSL_ERROR_WANT_READ || err == SSL_ERROR_WANT_WRITE) {
        setExtra(input, unread);
        SECURITY_STATUS s = emitToken(output, req, out);
        return s == SEC_E_OK ? SEC_I_CONTINUE_NEEDED : s;
    }
    SECURITY_STATUS failure = failureStatus(err);
    if ((req & ISC_REQ_EXTENDED_ERROR) && !out.empty()) {
        emitToken(output, req, out);
        if (attributes) *attributes |= ISC_RET_EXTENDED_ERROR;
    } else if (output && output->cBuffers) {
        output->pBuffers[0].cbBuffer = 0;
    }
    return failure;
}

SECURITY_STATUS deleteContext(PCtxtHandle context) {
    Context* c = contextOf(context);
    if (!c) return SEC_E_INVALID_HANDLE;
    delete c;
    context->dwLower = 0;
    return SEC_E_OK;
}

SECURITY_STATUS applyControlToken(PCtxtHandle context, PSecBufferDesc input) {
    Context* c = contextOf(context);
    if (!c || !input || !input->cBuffers || input->pBuffers[0].cbBuffer < sizeof(DWORD)) return SEC_E_INVALID_HANDLE;
    DWORD kind;
    std::memcpy(&kind, input->pBuffers[0].pvBuffer, sizeof kind);
    if (kind != SCHANNEL_SHUTDOWN) return SEC_E_UNSUPPORTED_FUNCTION;
    c->shutdownRequested = true;
    return SEC_E_OK;
}

void streamSizes(SSL* ssl, SecPkgContext_StreamSizes& s) {
    const SSL_CIPHER* cipher = SSL_get_current_cipher(ssl);
    int version = SSL_version(ssl);
    s.cbMaximumMessage = 16384;
    s.cBuffers = 4;
    s.cbBlockSize = 16;
    if (version == TLS1_3_VERSION) {
        s.cbHeader = 5;
        s.cbTrailer = 17;  // content type and tag
        return;
    }
    bool aead = cipher && SSL_CIPHER_is_aead(cipher);
    int cipherNid = cipher ? SSL_CIPHER_get_cipher_nid(cipher) : NID_undef;
    if (aead) {
        bool chacha = cipherNid == NID_chacha20_poly1305;
        s.cbHeader = chacha ? 5 : 13;  // explicit nonce for GCM and CCM
        s.cbTrailer = 16;
        return;
    }
    s.cbHeader = version >= TLS1_1_VERSION ? 5 + 16 : 5;
    s.cbTrailer = 48 + 256;  // the largest MAC and padding
}

ALG_ID cipherAlg(const SSL_CIPHER* c, DWORD& strength) {
    int bits = 0;
    strength = c ? static_cast<DWORD>(SSL_CIPHER_get_bits(c, &bits)) : 0;
    switch (c ? SSL_CIPHER_get_cipher_nid(c) : NID_undef) {
        case NID_aes_128_gcm:
        case NID_aes_128_cbc:
        case NID_aes_128_ccm: return CALG_AES_128;
        case NID_aes_256_gcm:
        case NID_aes_256_cbc:
        case NID_aes_256_ccm: return CALG_AES_256;
        case NID_des_ede3_cbc: return CALG_3DES;
        case NID_rc4: return CALG_RC4;
        default: return 0;
    }
}

ALG_ID hashAlg(const SSL_CIPHER* c, DWORD& strength) {
    const EVP_MD* md = c ? SSL_CIPHER_get_handshake_digest(c) : nullptr;
    strength = md ? static_cast<DWORD>(EVP_MD_get_size(md) * 8) : 0;
    switch (md ? EVP_MD_get_type(md) : NID_undef) {
        case NID_md5: return CALG_MD5;
        case NID_sha1: return CALG_SHA1;
        case NID_sha256: return CALG_SHA_256;
        case NID_sha384: return CALG_SHA_384;
        default: return 0;
    }
}

SECURITY_STATUS queryAttributes(PCtxtHandle context, ULONG attribute, void* buffer) {
    Context* c = contextOf(context);
    if (!c || !buffer) return SEC_E_INVALID_HANDLE;
    switch (attribute) {
        case SECPKG_ATTR_STREAM_SIZES:
            if (!c->established) return SEC_E_INVALID_HANDLE;
            streamSizes(c->ssl, *static_cast<SecPkgContext_StreamSizes*>(buffer));
            return SEC_E_OK;
        case SECPKG_ATTR_REMOTE_CERT_CONTEXT: {
            X509* peer = SSL_get1_peer_certificate(c->ssl);
            if (!peer) return SEC_E_NO_CREDENTIALS;
            // The peer's other certificates travel in the context's store, for the chain.
            HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
            auto add = [store](X509* x, PCCERT_CONTEXT* out) {
                unsigned char* der = nullptr;
                int n = i2d_X509(x, &der);
                if (n > 0) CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der, static_cast<DWORD>(n),
                                                            CERT_STORE_ADD_USE_EXISTING, out);
                OPENSSL_free(der);
            };
            PCCERT_CONTEXT leaf = nullptr;
            add(peer, &leaf);
            STACK_OF(X509)* chain = SSL_get_peer_cert_chain(c->ssl);
            for (int i = 0; chain && i < sk_X509_num(chain); ++i) add(sk_X509_value(chain, i), nullptr);
            X509_free(peer);
            CertCloseStore(store, 0);
            if (!leaf) return SEC_E_INTERNAL_ERROR;
            *static_cast<PCCERT_CONTEXT*>(buffer) = leaf;
            return SEC_E_OK;
        }
        case SECPKG_ATTR_CONNECTION_INFO: {
            if (!c->established) return SEC_E_INVALID_HANDLE;
            auto* info = static_cast<SecPkgContext_ConnectionInfo*>(buffer);
            const SSL_CIPHER* cipher = SSL_get_current_cipher(c->ssl);
            switch (SSL_version(c->ssl)) {
                case TLS1_VERSION: info->dwProtocol = SP_PROT_TLS1_0_CLIENT; break;
                case TLS1_1_VERSION: info->dwProtocol = SP_PROT_TLS1_1_CLIENT; break;
                case TLS1_2_VERSION: info->dwProtocol = SP_PROT_TLS1_2_CLIENT; break;
                case TLS1_3_VERSION: info->dwProtocol = SP_PROT_TLS1_3_CLIENT; break;
                default: info->dwProtocol = 0;
            }
            info->aiCipher = cipherAlg(cipher, info->dwCipherStrength);
            info->aiHash = hashAlg(cipher, info->dwHashStrength);
            int kx = cipher ? SSL_CIPHER_get_kx_nid(cipher) : NID_undef;
            info->aiExch = kx == NID_kx_rsa ? CALG_RSA_KEYX : kx == NID_kx_dhe ? CALG_DH_EPHEM : CALG_ECDH_EPHEM;
            EVP_PKEY* tmp = nullptr;
            info->dwExchStrength = SSL_get_peer_tmp_key(c->ssl, &tmp) == 1 ? static_cast<DWORD>(EVP_PKEY_get_bits(tmp)) : 0;
            EVP_PKEY_free(tmp);
            return SEC_E_OK;
        }
        default: return SEC_E_UNSUPPORTED_FUNCTION;
    }
}

SECURITY_STATUS freeContextBuffer(void* buffer) {
    std::free(buffer);
    return SEC_E_OK;
}

SECURITY_STATUS encryptMessage(PCtxtHandle context, ULONG, PSecBufferDesc message, ULONG) {
    Context* c = contextOf(context);
    if (!c || !c->established) return SEC_E_INVALID_HANDLE;
    SecBuffer* header = findBuffer(message, SECBUFFER_STREAM_HEADER);
    SecBuffer* data = findBuffer(message, SECBUFFER_DATA);
    SecBuffer* trailer = findBuffer(message, SECBUFFER_STREAM_TRAILER);
    if (!header || !data || !trailer) return SEC_E_INVALID_TOKEN;
    if (data->cbBuffer > 16384) return SEC_E_BUFFER_TOO_SMALL;
    drain(c->out);  // one record per call
    if (data->cbBuffer && SSL_write(c->ssl, data->pvBuffer, static_cast<int>(data->cbBuffer)) <= 0) {
        ERR_clear_error();
        return SEC_E_INTERNAL_ERROR;
    }
    std::vector<BYTE> record = drain(c->out);
    if (record.size() < header->cbBuffer + data->cbBuffer) return SEC_E_INTERNAL_ERROR;
    std::size_t trailerLength = record.size() - header->cbBuffer - data->cbBuffer;
    if (trailerLength > trailer->cbBuffer) return SEC_E_BUFFER_TOO_SMALL;
    std::memcpy(header->pvBuffer, record.data(), header->cbBuffer);
    std::memcpy(data->pvBuffer, record.data() + header->cbBuffer, data->cbBuffer);
    std::memcpy(trailer->pvBuffer, record.data() + header->cbBuffer + data->cbBuffer, trailerLength);
    trailer->cbBuffer = static_cast<ULONG>(trailerLength);
    return SEC_E_OK;
}

SECURITY_STATUS decryptMessage(PCtxtHandle context, PSecBufferDesc message, ULONG, ULONG* qop) {
    if (qop) *qop = 0;
    Context* c = contextOf(context);
    if (!c || !message || message->cBuffers < 4) return SEC_E_INVALID_HANDLE;
    SecBuffer* b = message->pBuffers;
    if (b[0].BufferType != SECBUFFER_DATA) return SEC_E_INVALID_TOKEN;
    auto* data = static_cast<BYTE*>(b[0].pvBuffer);
    std::size_t length = b[0].cbBuffer;
    std::size_t record = completeRecords(data, length, true);
    if (record == 0) {
        b[1].BufferType = SECBUFFER_MISSING;
        b[1].cbBuffer = length < 5 ? static_cast<ULONG>(5 - length)
                                   : static_cast<ULONG>(5 + ((data[3] << 8) | data[4]) - length);
        return SEC_E_INCOMPLETE_MESSAGE;
    }
    BIO_write(c->in, data, static_cast<int>(record));
    // The library holds the ciphertext now: the plaintext goes straight behind the header, where
    // the caller expects it. A record's plaintext is shorter than the record.
    constexpr std::size_t headerLength = 5;
    BYTE* plain = data + headerLength;
    const std::size_t room = record - headerLength;
    std::size_t got = 0;
    int rc = 0;
    SECURITY_STATUS status = SEC_E_OK;
    while (got < room && (rc = SSL_read(c->ssl, plain + got, static_cast<int>(room - got))) > 0)
        got += static_cast<std::size_t>(rc);
    int err = got < room ? SSL_get_error(c->ssl, rc) : SSL_ERROR_WANT_READ;
    if (err == SSL_ERROR_ZERO_RETURN) {
        status = SEC_I_CONTEXT_EXPIRED;
    } else if (err != SSL_ERROR_WANT_READ && err != SSL_ERROR_WANT_WRITE) {
        ERR_clear_error();
        return SEC_E_DECRYPT_FAILURE;
    }
    // A key update the peer asked for goes out now, as the caller's next handshake step, rather
    // than in front of the next record, which must come out of EncryptMessage alone.
    if (status == SEC_E_OK && SSL_get_key_update_type(c->ssl) != SSL_KEY_UPDATE_NONE) {
        std::size_t none = 0;
        SSL_write_ex(c->ssl, "", 0, &none);
        ERR_clear_error();
    }
    if (status == SEC_E_OK && BIO_ctrl_pending(c->out) > 0) status = SEC_I_RENEGOTIATE;
    // Decrypted in place: header, plaintext and trailer cover the record; the rest is extra.
    b[0] = {static_cast<ULONG>(headerLength), SECBUFFER_STREAM_HEADER, data};
    b[1] = {static_cast<ULONG>(got), SECBUFFER_DATA, plain};
    b[2] = {static_cast<ULONG>(room - got), SECBUFFER_STREAM_TRAILER, plain + got};
    if (length > record)
        b[3] = {static_cast<ULONG>(length - record), SECBUFFER_EXTRA, data + record};
    else
        b[3] = {0, SECBUFFER_EMPTY, nullptr};
    return status;
}

SecurityFunctionTableA table = [] {
    SecurityFunctionTableA t{};
    t.dwVersion = 1;
    t.AcquireCredentialsHandleA = acquireCredentials;
    t.FreeCredentialsHandle = freeCredentials;
    t.InitializeSecurityContextA = initializeContext;
    t.DeleteSecurityContext = deleteContext;
    t.ApplyControlToken = applyControlToken;
    t.QueryContextAttributesA = queryAttributes;
    t.FreeContextBuffer = freeContextBuffer;
    t.EncryptMessage = encryptMessage;
    t.DecryptMessage = decryptMessage;
    return t;
}();

}  // namespace

extern "C" PSecurityFunctionTableA InitSecurityInterfaceA() { return &table; }
