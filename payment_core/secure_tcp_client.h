#pragma once
// The TLS level between the raw socket events and the application events: credentials, the
// handshake through the security provider, the verdict on the server's certificate, record
// encryption and decryption, renegotiation and shutdown, each step reported as an SSLStatus
// text. With TLS off every raw event and call passes straight through.

#include "payment_core/byte_queue.h"
#include "payment_core/tcp_client.h"
#include "payment_core/tls_settings.h"
#include "sspi/sspi.h"

namespace payment_core {
inline namespace PAYMENT_CORE_VARIANT {

constexpr int kNoSecurityLibrary = 270;
constexpr int kHandshakeFailed = 276;
constexpr int kCertificateRejected = 280;
constexpr int kNoServerCertificate = 281;
constexpr int kEncryptFailed = 283;
constexpr int kDecryptFailed = 284;

class SecureTcpClient : public TcpClient {
public:
    SecureTcpClient();
    ~SecureTcpClient() override;

    void onTcpConnected(int code) override;
    void onTcpDisconnected(int code) override;
    void onTcpDataIn(const char* bytes, int length, int eolFound) override;
    void onTcpError(int code, const char* text) override;
    void onTcpReadyToSend() override;
    void onTcpStatus(const char* text, int code) override;

    int acquireTlsCredentials(ULONG direction);
    void setSslMode(bool on);
    int connectSecure(bool connect, int code);
    bool isReady() const { return tlsOn ? state == 2 : isLinkReady(); }
    // 0 when everything is on the wire; 10035 when only bytesSentTls plaintext bytes were taken
    // (or the backlog is still going out).
    int sendData(const void* bytes, int length);
    int flushEncrypted(const char* bytes, int length);
    // After a 10035 from sendData: whether the socket itself is full (its last send took nothing,
    // so it reports its room when it has some) rather than one record of several having gone out
    // or a part of the bytes having gone, after which the next send goes at once.
    bool sendWouldBlock() const { return (tlsOn && handshaking) || bytesSent == 0; }
    // While TLS is on these apply to the plaintext, not to the socket.
    void setAcceptData(bool on);
    int setEol(const char* bytes, int length);

    TlsSettings tls{*this};
    InlineString99 tlsInput;
    InlineString99 tlsOutput;
    int bytesSentTls = 0;
    InlineString99 targetName;
    unsigned char handshaking = 0;
    int handshakeResult = 0;
    SecPkgContext_StreamSizes streamSizes{};
    char* recordBuffer = nullptr;
    ByteQueue plainQueue;
    InlineString99 plainOverflow;
    CtxtHandle context{};
    bool haveContext = false;
    unsigned char state = 0;
    unsigned char tlsOn = 1;
    unsigned char acceptDataWanted = 1;

private:
    const SecurityFunctionTableA* provider() const;
    void sslStatus(const char* text);
    void sslStatusCount(const char* format, int count);
    void startHandshake();
    bool handshakeStep();
    void completeHandshake();
    bool decryptStep();
    // Decrypted bytes join the queue; then items go up while the host accepts data. final also
    // hands up an unterminated rest.
    void deliverPlain(const char* bytes, int length, bool final);
    bool sendToken(SecBuffer& token, const char* format);
    void failHandshake(int step, SECURITY_STATUS status);
    void tearDown(int code);
    void answerPeerClose();
    void shutdownChannel();
    void deleteContext();
    void freeRecordBuffer();
    int negotiatedParameters(InlineString99& text);

    bool renegotiating_ = false;
    bool closeReported_ = false;
    bool delivering_ = false;
};

}  // namespace PAYMENT_CORE_VARIANT
}  // namespace payment_core
