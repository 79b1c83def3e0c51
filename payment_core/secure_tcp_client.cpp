#include "payment_core/secure_tcp_client.h"

#include <cstdio>
#include <cstring>

#include "payment_core/core_memory.h"
#include "payment_core/security_library.h"
#include "payment_core/text_utils.h"
#include "payment_core/winsock_binding.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

namespace {

constexpr ULONG kContextRequirements = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                       ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_EXTENDED_ERROR | ISC_REQ_STREAM;
constexpr int kPlainQueueSize = 2048;
constexpr const char* kNoSecurityLibraryText = "The security library could not be loaded";

struct AlgorithmName {
    unsigned id;
    const char* text;
};

const AlgorithmName kProtocols[] = {{1, "Protocol: PCT1 "},  {2, "Protocol: PCT1 "},  {4, "Protocol: SSL2 "},
                                    {8, "Protocol: SSL2 "},  {16, "Protocol: SSL3 "}, {32, "Protocol: SSL3 "},
                                    {64, "Protocol: TLS1 "}, {128, "Protocol: TLS1 "}};
const AlgorithmName kCiphers[] = {{0x6601, "Cipher: DES "},      {0x660C, "Cipher: DES "},
                                  {0x6602, "Cipher: RC2 "},      {0x6603, "Cipher: Triple DES "},
                                  {0x660A, "Cipher: Skipjack "}, {0x6801, "Cipher: RC4 "}};
const AlgorithmName kHashes[] = {{0x8003, "Hash: MD5 "}, {0x8004, "Hash: SHA "}};
const AlgorithmName kExchanges[] = {{0x2400, "Key exchange: RSA "},
                                    {0xA400, "Key exchange: RSA "},
                                    {0xAA02, "Key exchange: DH Ephemeral "},
                                    {0xAA04, "Key exchange: KEA "}};

template <std::size_t N>
const char* algorithmText(const AlgorithmName (&names)[N], unsigned id) {
    for (const AlgorithmName& name : names) {
        if (name.id == id) return name.text;
    }
    return nullptr;
}

// The known name, or the prefix and the identifier in hexadecimal.
template <std::size_t N>
int appendAlgorithm(InlineString99& text, const AlgorithmName (&names)[N], unsigned id, const char* prefix) {
    if (const char* known = algorithmText(names, id)) return text.appendCString(known);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%s0x%x ", prefix, id);
    return text.appendCString(buffer);
}

int appendStrength(InlineString99& text, const char* format, unsigned strength) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, format, static_cast<int>(strength));
    return text.appendCString(buffer);
}

SecBuffer* findBuffer(SecBuffer* buffers, int count, ULONG type) {
    for (int i = 0; i < count; ++i) {
        if (buffers[i].BufferType == type) return &buffers[i];
    }
    return nullptr;
}

}  // namespace

SecureTcpClient::SecureTcpClient() {
    loadSecurityInterface();
    tls.setDefaults();
    plainQueue.allocate(kPlainQueueSize);
}

SecureTcpClient::~SecureTcpClient() {
    deleteContext();
    freeRecordBuffer();
    tls.release();
}

const SecurityFunctionTableA* SecureTcpClient::provider() const { return securityFunctions(); }

void SecureTcpClient::sslStatus(const char* text) { fireSSLStatus(text); }

void SecureTcpClient::sslStatusCount(const char* format, int count) {
    char text[64];
    std::snprintf(text, sizeof text, format, count);
    fireSSLStatus(text);
}

void SecureTcpClient::deleteContext() {
    if (!haveContext) return;
    if (const SecurityFunctionTableA* sspi = provider()) sspi->DeleteSecurityContext(&context);
    context = {};
    haveContext = false;
}

void SecureTcpClient::freeRecordBuffer() {
    coreFree(recordBuffer);
    recordBuffer = nullptr;
}

int SecureTcpClient::acquireTlsCredentials(ULONG direction) {
    const SecurityFunctionTableA* sspi = provider();
    if (!sspi || !sspi->AcquireCredentialsHandleA) {
        lastError.assignCString(kNoSecurityLibraryText);
        return kNoSecurityLibrary;
    }
    tls.releaseCredential();
    SCHANNEL_CRED credentials{};
    credentials.dwVersion = SCHANNEL_CRED_VERSION;
    PCCERT_CONTEXT certificate = tls.clientCertificate;
    if (certificate) {
        credentials.cCreds = 1;
        credentials.paCred = &certificate;
    }
    credentials.grbitEnabledProtocols = static_cast<DWORD>(SSLEnabledProtocols);
    credentials.dwMinimumCipherStrength = static_cast<DWORD>(tls.minimumCipherStrength);
    credentials.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION;
    if (direction == SECPKG_CRED_OUTBOUND) credentials.dwFlags |= SCH_CRED_NO_DEFAULT_CREDS;
    const SECURITY_STATUS status =
        sspi->AcquireCredentialsHandleA(nullptr, tls.providerName.data(), direction, nullptr, &credentials, nullptr,
                                        nullptr, &tls.credential, nullptr);
    if (status != SEC_E_OK) {
        char text[96];
        std::snprintf(text, sizeof text, "Could not acquire security credentials: error %d.", static_cast<int>(status));
        lastError.assignCString(text);
        return kCredentialsFailed;
    }
    tls.haveCredential = true;
    return kOk;
}

void SecureTcpClient::setSslMode(bool on) {
    if (on == (tlsOn != 0)) return;
    ByteQueue& from = on ? receiveQueue : plainQueue;
    ByteQueue& to = on ? plainQueue : receiveQueue;
    if (to.setEol(from.eol, from.eolLength) == kOk) from.setEol(nullptr, 0);
    tlsOn = on ? 1 : 0;
}

void SecureTcpClient::setAcceptData(bool on) {
    if (!tlsOn) {
        TcpClient::setAcceptData(on);
        return;
    }
    acceptDataWanted = on ? 1 : 0;
    if (state != 2) return;
    TcpClient::setAcceptData(on);
    // Plaintext decrypted while the host held data back goes up now.
    if (on) deliverPlain(nullptr, 0, false);
}

int SecureTcpClient::setEol(const char* bytes, int length) {
    if (!tlsOn) return TcpClient::setEol(bytes, length);
    lastError.reset();
    if (plainQueue.setEol(bytes, length % 65536)) return kOutOfMemory;
    if (state == 2) deliverPlain(nullptr, 0, false);
    return kOk;
}

int SecureTcpClient::connectSecure(bool connect, int code) {
    if (!tlsOn) return connect ? setConnected(true) : disconnectSocket(code);
    if (connect) {
        if (state != 0) {
            lastError.assignCString("Already connected. If you want to reconnect, close the current connection first.");
            return 104;
        }
        const int acquired = acquireTlsCredentials(SECPKG_CRED_OUTBOUND);
        if (acquired) return acquired;
        handshakeResult = -1;
        state = 1;
        closeReported_ = false;
        sslStatus("Attempting to connect to server.");
        // A "*name" host names the server itself; the "*" only selects the tunnel's name form.
        const char* host = RemoteHost.data();
        if (*host == '*') ++host;
        if (targetName.assignCString(host)) {
            state = 0;
            return kOutOfMemory;
        }
        const int started = setConnected(true);
        if (started) {
            state = 0;
            tls.releaseCredential();
            return started;
        }
        // Every send is a whole record: held back for an acknowledgement, the handshake's last
        // flight and the first request would wait out the peer's delayed ACK. TcpNoDelay keeps
        // what the host set.
        const int noDelay = 1;
        winsockTable().setsockopt(socket, IPPROTO_TCP_WS, TCP_NODELAY_WS, reinterpret_cast<const char*>(&noDelay),
                                  sizeof noDelay);
        return kOk;
    }
    if (state != 2) {
        state = 0;
        if (code) {
            onTcpStatus("SSL handshake failed.", code);
            onConnected(code);
        }
        return disconnectSocket(code);
    }
    if (!tlsOutput.empty() && Linger) flushEncrypted(nullptr, 0);
    if (!tlsOutput.empty() && Linger) {
        setLastError("Operation would block. (To force disconnection, set Linger false).", WSAEWOULDBLOCK);
        return WSAEWOULDBLOCK;
    }
    // The close is still reported as the end of an established connection, even when the
    // socket goes later because this runs inside the read handler.
    closeReported_ = true;
    if (!code) shutdownChannel();
    const int result = disconnectSocket(code ? static_cast<int>(static_cast<DWORD>(code) << 16) : 0);
    state = 0;
    return result;
}

void SecureTcpClient::tearDown(int code) { connectSecure(false, code); }

// A close_notify is answered with ours and ends the connection as the peer's FIN would: a peer
// that waits for the answer before it closes would otherwise hold a body that ends with the
// connection open until the Timeout.
void SecureTcpClient::answerPeerClose() {
    closeReported_ = true;
    shutdownChannel();
    disconnectSocket(0);
    state = 0;
}

int SecureTcpClient::flushEncrypted(const char* bytes, int length) {
    if (!tlsOutput.empty()) {
        const int result = sendBytes(tlsOutput.data(), tlsOutput.length(), 0, true);
        if (result == kOk) {
            tlsOutput.reset();
        } else {
            if (result == WSAEWOULDBLOCK) tlsOutput.removePrefix(bytesSent);
            // New records queue behind the backlog so that the stream stays in order.
            if (bytes && length > 0 && tlsOutput.append(bytes, static_cast<std::size_t>(length))) return kOutOfMemory;
            return result;
        }
    }
    if (!bytes || length <= 0) return kOk;
    const int result = sendBytes(bytes, length, 0, true);
    if (result == kOk) return kOk;
    const int taken = result == WSAEWOULDBLOCK ? bytesSent : 0;
    if (tlsOutput.append(bytes + taken, static_cast<std::size_t>(length - taken))) return kOutOfMemory;
    return result;
}

int SecureTcpClient::sendData(const void* bytes, int length) {
    if (!tlsOn) return sendBytes(bytes, length, 0, true);
    bytesSentTls = 0;
    WinsockTable& ws = winsockTable();
    if (length == 0) {
        const int result = flushEncrypted(nullptr, 0);
        if (result) return result;
        if (!tlsOutput.empty()) {
            ws.WSASetLastError(WSAEWOULDBLOCK);
            return WSAEWOULDBLOCK;
        }
        return kOk;
    }
    if (state != 2) {
        ws.WSASetLastError(WSAENOTCONN);
        return WSAENOTCONN;
    }
    if (handshaking) {
        ws.WSASetLastError(WSAEWOULDBLOCK);
        return WSAEWOULDBLOCK;
    }
    if (!tlsOutput.empty()) {
        const int result = flushEncrypted(nullptr, 0);
        if (result && result != WSAEWOULDBLOCK) return result;
        ws.WSASetLastError(WSAEWOULDBLOCK);
        return WSAEWOULDBLOCK;
    }
    const SecurityFunctionTableA* sspi = provider();
    const int maximum = static_cast<int>(streamSizes.cbMaximumMessage);
    const int take = length < maximum ? length : maximum;
    bytesSentTls = take;
    char* data = recordBuffer + streamSizes.cbHeader;
    std::memcpy(data, bytes, static_cast<std::size_t>(take));
    SecBuffer buffers[4] = {{streamSizes.cbHeader, SECBUFFER_STREAM_HEADER, recordBuffer},
                            {static_cast<ULONG>(take), SECBUFFER_DATA, data},
                            {streamSizes.cbTrailer, SECBUFFER_STREAM_TRAILER, data + take},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = sspi->EncryptMessage(&context, 0, &message, 0);
    if (status != SEC_E_OK) {
        bytesSentTls = 0;
        char text[64];
        std::snprintf(text, sizeof text, "error encrypting data %d.", static_cast<int>(status));
        lastError.assignCString(text);
        return kEncryptFailed;
    }
    const int recordLength = static_cast<int>(buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
    const int result = flushEncrypted(recordBuffer, recordLength);
    if (result == kOk && take < length) {
        ws.WSASetLastError(WSAEWOULDBLOCK);
        return WSAEWOULDBLOCK;
    }
    return result;
}

void SecureTcpClient::onTcpConnected(int code) {
    tls.SSLServerCertStatus.reset();
    onTcpStatus(code ? "Remote host connection failed." : "Remote host connection complete.", code);
    if (!tlsOn) {
        onConnected(code);
        return;
    }
    if (code == 0) {
        sslStatus("Socket connection established.");
        startHandshake();
        return;
    }
    tls.releaseCredential();
    state = 0;
    onTcpStatus("Connection to host failed.", code);
    onConnected(code);
}

bool SecureTcpClient::sendToken(SecBuffer& token, const char* format) {
    const SecurityFunctionTableA* sspi = provider();
    bool sent = false;
    if (token.pvBuffer && token.cbBuffer) {
        sslStatusCount(format, static_cast<int>(token.cbBuffer));
        const int result = flushEncrypted(static_cast<const char*>(token.pvBuffer), static_cast<int>(token.cbBuffer));
        sent = result == kOk || result == WSAEWOULDBLOCK;
    }
    if (token.pvBuffer) sspi->FreeContextBuffer(token.pvBuffer);
    token.pvBuffer = nullptr;
    return sent;
}

void SecureTcpClient::failHandshake(int step, SECURITY_STATUS status) {
    deleteContext();
    handshaking = 0;
    handshakeResult = static_cast<int>(status);
    char text[64];
    std::snprintf(text, sizeof text, "error during handshake[%d]: %d", step, static_cast<int>(status));
    lastError.assignCString(text);
    fireError(kHandshakeFailed, text);
    // The event's handler may have left other text behind; the failure's own goes up.
    lastError.assignCString(text);
    tearDown(kHandshakeFailed);
}

void SecureTcpClient::startHandshake() {
    tlsInput.reset();
    tlsOutput.reset();
    plainQueue.clear();
    plainOverflow.reset();
    sslStatus("Starting secure channel handshake.");
    handshaking = 1;
    renegotiating_ = false;
    deleteContext();
    const SecurityFunctionTableA* sspi = provider();
    SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc output{SECBUFFER_VERSION, 1, &token};
    ULONG attributes = 0;
    context = {};
    const SECURITY_STATUS status = sspi->InitializeSecurityContextA(
        &tls.credential, nullptr, targetName.data(), kContextRequirements, 0, SECURITY_NATIVE_DREP, nullptr, 0,
        &context, &output, &attributes, nullptr);
    haveContext = context.dwLower != 0 || context.dwUpper != 0;
    handshakeResult = static_cast<int>(status);
    if (status == SEC_I_CONTINUE_NEEDED && token.pvBuffer && token.cbBuffer) {
        sendToken(token, "Sending %d bytes of handshake data.");
        return;
    }
    if (token.pvBuffer) sspi->FreeContextBuffer(token.pvBuffer);
    // A first call that cannot start the handshake would leave the connection waiting forever.
    failHandshake(1, status == SEC_I_CONTINUE_NEEDED ? SEC_E_INTERNAL_ERROR : status);
}

void SecureTcpClient::onTcpDataIn(const char* bytes, int length, int eolFound) {
    if (!tlsOn) {
        onDataIn(bytes, length, eolFound);
        return;
    }
    if (handshaking) sslStatusCount("Receiving %d bytes of handshake data.", length);
    if (tlsInput.append(bytes, static_cast<std::size_t>(length))) {
        lastError.assignCString("Out of memory [ssllb]. Aborting connection.");
        fireError(kOutOfMemory, lastError.data());
        tearDown(kOutOfMemory);
        return;
    }
    for (;;) {
        bool again = false;
        if (handshaking && state != 0) {
            again = handshakeStep();
        } else if (state == 2) {
            again = decryptStep();
        }
        if (!again) return;
    }
}

bool SecureTcpClient::handshakeStep() {
    const SecurityFunctionTableA* sspi = provider();
    SecBuffer input[2] = {{static_cast<ULONG>(tlsInput.length()), SECBUFFER_TOKEN, tlsInput.data()},
                          {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc inputDesc{SECBUFFER_VERSION, 2, input};
    SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc output{SECBUFFER_VERSION, 1, &token};
    ULONG attributes = 0;
    const SECURITY_STATUS status =
        sspi->InitializeSecurityContextA(&tls.credential, &context, targetName.data(), kContextRequirements, 0,
                                         SECURITY_NATIVE_DREP, &inputDesc, 0, &context, &output, &attributes, nullptr);
    if (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED ||
        (status < 0 && (attributes & ISC_RET_EXTENDED_ERROR))) {
        sendToken(token, "Sending %d handshake bytes.");
    } else if (token.pvBuffer) {
        sspi->FreeContextBuffer(token.pvBuffer);
    }
    if (status == SEC_E_INCOMPLETE_MESSAGE) return false;
    if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED && status != SEC_I_INCOMPLETE_CREDENTIALS) {
        failHandshake(2, status);
        return false;
    }
    handshakeResult = static_cast<int>(status);
    // The unread tail of the input is what the next step or the first record starts with.
    if (input[1].BufferType == SECBUFFER_EXTRA && input[1].cbBuffer <= static_cast<ULONG>(tlsInput.length())) {
        tlsInput.removePrefix(tlsInput.length() - static_cast<int>(input[1].cbBuffer));
    } else {
        tlsInput.reset();
    }
    if (status == SEC_E_OK) {
        completeHandshake();
        return state == 2 && !tlsInput.empty();
    }
    if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
        sslStatus("Client certificate requested from server.");
        return true;
    }
    return !tlsInput.empty();
}

void SecureTcpClient::completeHandshake() {
    const SecurityFunctionTableA* sspi = provider();
    const CertificateFunctions& crypt = certificateFunctions();
    PCCERT_CONTEXT server = nullptr;
    const SECURITY_STATUS found = sspi->QueryContextAttributesA(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &server);
    char text[64];
    if (found != SEC_E_OK) {
        server = nullptr;
        std::snprintf(text, sizeof text, "can't find server certificate (error 0x%x)", static_cast<unsigned>(found));
        fireError(kNoServerCertificate, text);
    }
    InlineString99 status, subject, issuer;
    const int verdict =
        tls.checkServerCertificate(server, targetName.data(), AUTHTYPE_SERVER, SSLSecurityFlags, status, subject, issuer);
    tls.SSLServerCertStatus.assign(static_cast<std::size_t>(status.length()), status.data());
    if (verdict) {
        std::snprintf(text, sizeof text, "error verifying server certificate: 0x%x", static_cast<unsigned>(verdict));
        fireError(kCertificateRejected, text);
    }
    int accept = verdict == 0 || tls.isAcceptedServerCert(server) ? 1 : 0;
    InlineString99 encoded;
    if (server) base64Encode(encoded, server->pbCertEncoded, server->cbCertEncoded, true);
    tls.SSLServerCert.assign(static_cast<std::size_t>(encoded.length()), encoded.data());
    fireSSLServerAuthentication(server ? reinterpret_cast<const char*>(server->pbCertEncoded) : "",
                                server ? static_cast<int>(server->cbCertEncoded) : 0, subject.data(), issuer.data(),
                                status.data(), &accept);
    if (server) crypt.CertFreeCertificateContext(server);
    if (!accept) {
        sslStatus("Server certificate verification failed. Aborting connection...");
        lastError.assignCString("Server certificate verification failed. Connection aborted.");
        handshaking = 0;
        tearDown(kHandshakeFailed);
        return;
    }
    freeRecordBuffer();
    streamSizes = {};
    if (sspi->QueryContextAttributesA(&context, SECPKG_ATTR_STREAM_SIZES, &streamSizes) == SEC_E_OK) {
        recordBuffer = static_cast<char*>(
            coreAllocate(streamSizes.cbHeader + streamSizes.cbMaximumMessage + streamSizes.cbTrailer));
    }
    if (!recordBuffer) {
        deleteContext();
        handshaking = 0;
        lastError.assignCString("Out of memory. Aborting connection...");
        fireError(kOutOfMemory, "Out of memory. Aborting connection...");
        tearDown(kOutOfMemory);
        return;
    }
    const bool renegotiated = renegotiating_;
    renegotiating_ = false;
    handshaking = 0;
    state = 2;
    InlineString99 parameters;
    if (negotiatedParameters(parameters) == kOk) sslStatus(parameters.data());
    // A renegotiation only renews the keys: the connection was reported long ago.
    if (renegotiated) return;
    TcpClient::setAcceptData(acceptDataWanted != 0);
    onTcpStatus("SSL handshake complete.", 0);
    onConnected(0);
    fireReadyToSend();
}

int SecureTcpClient::negotiatedParameters(InlineString99& text) {
    SecPkgContext_ConnectionInfo info{};
    if (provider()->QueryContextAttributesA(&context, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK)
        return text.assignCString("Connection info not available.");
    int result = text.assignCString("Negotiated SSL parameters: ");
    if (!result) result = appendAlgorithm(text, kProtocols, info.dwProtocol, "Protocol: ");
    if (!result) result = appendAlgorithm(text, kCiphers, info.aiCipher, "Cipher: ");
    if (!result) result = appendStrength(text, "Cipher strength: %d ", info.dwCipherStrength);
    if (!result) result = appendAlgorithm(text, kHashes, info.aiHash, "Hash: ");
    if (!result) result = appendStrength(text, "Hash strength: %d ", info.dwHashStrength);
    if (!result) result = appendAlgorithm(text, kExchanges, info.aiExch, "Key exchange: ");
    if (!result) result = appendStrength(text, "Key exchange strength: %d ", info.dwExchStrength);
    return result;
}

bool SecureTcpClient::decryptStep() {
    // Records that arrive after a local shutdown have no context left to open them.
    if (!haveContext) {
        tlsInput.reset();
        return false;
    }
    const SecurityFunctionTableA* sspi = provider();
    // Every complete record is opened in place and its plaintext moved down behind the one
    // before, so that all of them go up as one delivery: a large read carries several records.
    // Delivered from a buffer of this call's own, the handlers may refill tlsInput meanwhile.
    int consumed = 0;
    int plainLength = 0;
    SECURITY_STATUS status = SEC_E_INCOMPLETE_MESSAGE;
    while (consumed < tlsInput.length()) {
        char* base = tlsInput.data();
        SecBuffer buffers[4] = {{static_cast<ULONG>(tlsInput.length() - consumed), SECBUFFER_DATA, base + consumed},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
        status = sspi->DecryptMessage(&context, &message, 0, nullptr);
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) break;
        if (const SecBuffer* data = findBuffer(buffers, 4, SECBUFFER_DATA)) {
            std::memmove(base + plainLength, data->pvBuffer, data->cbBuffer);
            plainLength += static_cast<int>(data->cbBuffer);
        }
        const SecBuffer* extra = findBuffer(buffers, 4, SECBUFFER_EXTRA);
        consumed = tlsInput.length() - (extra ? static_cast<int>(extra->cbBuffer) : 0);
        if (status != SEC_E_OK) break;
    }
    InlineString99 plain;
    if (consumed > 0) {
        plain = std::move(tlsInput);
        if (tlsInput.assign(static_cast<std::size_t>(plain.length() - consumed), plain.data() + consumed)) {
            lastError.assignCString("Out of memory [ssllb]. Aborting connection.");
            fireError(kOutOfMemory, lastError.data());
            tearDown(kOutOfMemory);
            return false;
        }
    }
    if (status == SEC_I_RENEGOTIATE) {
        handshaking = 1;
        renegotiating_ = true;
    }
    // Data that came in front of a close, a renegotiation or a broken record still goes up.
    if (plainLength > 0) deliverPlain(plain.data(), plainLength, false);
    if (status == SEC_E_INCOMPLETE_MESSAGE || status == SEC_E_OK) return false;
    if (status == SEC_I_CONTEXT_EXPIRED) {
        sslStatus("Server signaled end of session.");
        if (state == 2) answerPeerClose();
        return false;
    }
    if (status == SEC_I_RENEGOTIATE) return state == 2;
    if (state != 2) return false;
    char text[64];
    std::snprintf(text, sizeof text, "error decrypting data (error 0x%x)", static_cast<unsigned>(status));
    lastError.assignCString(text);
    fireError(kDecryptFailed, text);
    tearDown(kDecryptFailed);
    return false;
}

void SecureTcpClient::deliverPlain(const char* bytes, int length, bool final) {
    // Without an EOL, plaintext that finds nothing queued goes up as it is (the caller's buffer
    // is its own); what the handler lets queue meanwhile follows below.
    if (bytes && length > 0 && plainQueue.eolLength == 0 && plainQueue.available == 0 && plainOverflow.empty() &&
        acceptDataWanted && !interruptRequested && !delivering_) {
        if (!AbsoluteTimeout) armDeadline();
        delivering_ = true;
        onDataIn(bytes, length, 1);
        delivering_ = false;
        bytes = nullptr;
    }
    if (bytes && length > 0) {
        const int taken = plainOverflow.empty() ? plainQueue.put(bytes, length) : 0;
        if (taken < length && plainOverflow.append(bytes + taken, static_cast<std::size_t>(length - taken))) {
            lastError.assignCString("Out of memory [ssllb]. Aborting connection.");
            fireError(kOutOfMemory, lastError.data());
            tearDown(kOutOfMemory);
            return;
        }
    }
    // Handlers that turn AcceptData back on run this again; the loop already running goes on.
    if (delivering_) return;
    delivering_ = true;
    while (acceptDataWanted && !interruptRequested) {
        if (!plainOverflow.empty()) plainOverflow.removePrefix(plainQueue.put(plainOverflow.data(), plainOverflow.length()));
        const char* item;
        int itemLength;
        int eolFound = 1;
        if (!plainQueue.takeItem(item, itemLength)) {
            if (plainQueue.available == 0) break;
            const bool room = plainQueue.freeBytes() > 255 && plainOverflow.empty();
            if (plainQueue.eolLength && room && !final) break;
            plainQueue.takeAll(item, itemLength);
            eolFound = 0;
        }
        InlineString99 copy;
        if (copy.assign(static_cast<std::size_t>(itemLength), item)) {
            lastError.assignCString("Out of memory [ssllb]. Aborting connection.");
            fireError(kOutOfMemory, lastError.data());
            delivering_ = false;
            tearDown(kOutOfMemory);
            return;
        }
        if (!AbsoluteTimeout) armDeadline();
        onDataIn(copy.data(), itemLength, eolFound);
    }
    delivering_ = false;
}

void SecureTcpClient::onTcpDisconnected(int code) {
    onTcpStatus("Remote host disconnected.", code);
    if (!tlsOn) {
        onDisconnected(code);
        return;
    }
    acceptDataWanted = 1;
    deliverPlain(nullptr, 0, true);
    if (state == 1) {
        char text[96];
        std::snprintf(text, sizeof text, "Server disconnected before handshake completion [%d].", handshakeResult);
        lastError.assignCString(text);
        fireError(kHandshakeFailed, text);
        onTcpStatus("SSL handshake failed.", handshakeResult);
        lastError.assignCString(text);
        state = 0;
        onConnected(kHandshakeFailed);
    } else if (state == 2 || closeReported_) {
        state = 0;
        onTcpStatus("SSL connection terminated.", code);
        onDisconnected(code);
    }
    state = 0;
    closeReported_ = false;
    handshaking = 0;
    deleteContext();
    freeRecordBuffer();
}

void SecureTcpClient::onTcpError(int code, const char* text) { fireError(code, text); }

void SecureTcpClient::onTcpReadyToSend() {
    if (!tlsOn) {
        fireReadyToSend();
        return;
    }
    flushEncrypted(nullptr, 0);
    if (state == 2) fireReadyToSend();
}

void SecureTcpClient::onTcpStatus(const char* text, int code) { NetComponent::onTcpStatus(text, code); }

void SecureTcpClient::shutdownChannel() {
    const SecurityFunctionTableA* sspi = provider();
    if (haveContext && sspi) {
        DWORD kind = SCHANNEL_SHUTDOWN;
        SecBuffer control{sizeof kind, SECBUFFER_TOKEN, &kind};
        SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
        if (sspi->ApplyControlToken(&context, &controlDesc) == SEC_E_OK) {
            SecBuffer token{0, SECBUFFER_TOKEN, nullptr};
            SecBufferDesc output{SECBUFFER_VERSION, 1, &token};
            ULONG attributes = 0;
            sspi->InitializeSecurityContextA(&tls.credential, &context, targetName.data(), kContextRequirements, 0,
                                             SECURITY_NATIVE_DREP, nullptr, 0, &context, &output, &attributes,
                                             nullptr);
            if (token.pvBuffer && token.cbBuffer)
                flushEncrypted(static_cast<const char*>(token.pvBuffer), static_cast<int>(token.cbBuffer));
            if (token.pvBuffer) sspi->FreeContextBuffer(token.pvBuffer);
        }
    }
    deleteContext();
    freeRecordBuffer();
}

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
