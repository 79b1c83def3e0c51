#include "sspi/sspi.h"

#include "crypt32/bridge.h"
#include "testing/certificates.h"
#include "testing/http_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

using fixtures::Answer;
using fixtures::CertKind;
using fixtures::HttpsServer;
using fixtures::TlsOptions;
using fixtures::TlsVersion;

namespace {

constexpr ULONG kRequirements = 0xC11C;

int connectTo(std::uint16_t port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool readSome(int fd, std::string& into) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 5000) <= 0) return false;
    char buf[8192];
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return false;
    into.append(buf, static_cast<std::size_t>(n));
    return true;
}

void sendAll(int fd, const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    while (n) {
        ssize_t k = send(fd, p, n, MSG_NOSIGNAL);
        if (k <= 0) return;
        p += k;
        n -= static_cast<std::size_t>(k);
    }
}

// A blocking client that drives the provider the way the TLS channel does.
class Client {
public:
    explicit Client(DWORD protocols = 0, PCCERT_CONTEXT certificate = nullptr) : t_(InitSecurityInterfaceA()) {
        SCHANNEL_CRED sc{};
        sc.dwVersion = SCHANNEL_CRED_VERSION;
        sc.grbitEnabledProtocols = protocols;
        sc.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
        if (certificate) {
            sc.cCreds = 1;
            sc.paCred = &certificate;
        }
        acquired_ = t_->AcquireCredentialsHandleA(nullptr, nullptr, SECPKG_CRED_OUTBOUND, nullptr, &sc, nullptr,
                                                  nullptr, &cred_, nullptr);
    }
    ~Client() {
        if (haveContext_) t_->DeleteSecurityContext(&ctx_);
        if (acquired_ == SEC_E_OK) t_->FreeCredentialsHandle(&cred_);
        if (fd_ >= 0) close(fd_);
    }

    SECURITY_STATUS handshake(std::uint16_t port, const char* target, std::vector<SECURITY_STATUS>* seen = nullptr) {
        fd_ = connectTo(port);
        SECURITY_STATUS s = step(nullptr, target);
        while (s == SEC_I_CONTINUE_NEEDED || s == SEC_E_INCOMPLETE_MESSAGE || s == SEC_I_INCOMPLETE_CREDENTIALS) {
            if (seen) seen->push_back(s);
            if ((s != SEC_I_INCOMPLETE_CREDENTIALS && input_.empty()) || s == SEC_E_INCOMPLETE_MESSAGE) {
                if (!readSome(fd_, input_)) return SEC_E_INTERNAL_ERROR;
            }
            s = step(&input_, target);
        }
        if (s == SEC_E_OK) t_->QueryContextAttributesA(&ctx_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
        return s;
    }

    void sendPlain(const std::string& plain) {
        for (std::size_t at = 0; at < plain.size(); at += sizes_.cbMaximumMessage) {
            std::string part = plain.substr(at, sizes_.cbMaximumMessage);
            std::vector<BYTE> record(sizes_.cbHeader + part.size() + sizes_.cbTrailer);
            std::memcpy(record.data() + sizes_.cbHeader, part.data(), part.size());
            SecBuffer b[4] = {{sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                              {static_cast<ULONG>(part.size()), SECBUFFER_DATA, record.data() + sizes_.cbHeader},
                              {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + part.size()},
                              {0, SECBUFFER_EMPTY, nullptr}};
            SecBufferDesc d{SECBUFFER_VERSION, 4, b};
            ASSERT_EQ(t_->EncryptMessage(&ctx_, 0, &d, 0), SEC_E_OK);
            sendAll(fd_, record.data(), b[0].cbBuffer + b[1].cbBuffer + b[2].cbBuffer);
        }
    }

    // Decrypts until the plaintext holds `until` or the peer ends the session.
    std::string receivePlain(const std::string& until, int* records = nullptr) {
        std::string plain;
        for (;;) {
            while (!input_.empty()) {
                SecBuffer b[4] = {{static_cast<ULONG>(input_.size()), SECBUFFER_DATA, input_.data()},
                                  {0, SECBUFFER_EMPTY, nullptr},
                                  {0, SECBUFFER_EMPTY, nullptr},
                                  {0, SECBUFFER_EMPTY, nullptr}};
                SecBufferDesc d{SECBUFFER_VERSION, 4, b};
                SECURITY_STATUS s = t_->DecryptMessage(&ctx_, &d, 0, nullptr);
                if (s == SEC_E_INCOMPLETE_MESSAGE) break;
                if (s == SEC_I_CONTEXT_EXPIRED) return plain;
                EXPECT_EQ(s, SEC_E_OK);
                if (s != SEC_E_OK) return plain;
                if (records) ++*records;
                plain.append(static_cast<char*>(b[1].pvBuffer), b[1].cbBuffer);
                input_ = b[3].BufferType == SECBUFFER_EXTRA ? std::string(static_cast<char*>(b[3].pvBuffer), b[3].cbBuffer)
                                                            : std::string();
            }
            if (!until.empty() && plain.find(until) != std::string::npos) return plain;
            if (!readSome(fd_, input_)) return plain;
        }
    }

    std::string connectionText() {
        SecPkgContext_ConnectionInfo info{};
        if (t_->QueryContextAttributesA(&ctx_, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK) return "";
        return std::to_string(info.dwProtocol);
    }

    PCCERT_CONTEXT remoteCertificate() {
        PCCERT_CONTEXT c = nullptr;
        t_->QueryContextAttributesA(&ctx_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &c);
        return c;
    }

    void shutdown() {
        DWORD kind = SCHANNEL_SHUTDOWN;
        SecBuffer b{sizeof kind, SECBUFFER_TOKEN, &kind};
        SecBufferDesc d{SECBUFFER_VERSION, 1, &b};
        ASSERT_EQ(t_->ApplyControlToken(&ctx_, &d), SEC_E_OK);
        ASSERT_EQ(step(nullptr, nullptr), SEC_E_OK);
    }

    SECURITY_STATUS acquired() const { return acquired_; }

private:
    SECURITY_STATUS step(std::string* input, const char* target) {
        SecBuffer inBuffers[2] = {{0, SECBUFFER_TOKEN, nullptr}, {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc in{SECBUFFER_VERSION, 2, inBuffers};
        if (input) {
            inBuffers[0].cbBuffer = static_cast<ULONG>(input->size());
            inBuffers[0].pvBuffer = input->data();
        }
        SecBuffer outBuffer{0, SECBUFFER_TOKEN, nullptr};
        SecBufferDesc out{SECBUFFER_VERSION, 1, &outBuffer};
        ULONG attributes = 0;
        SECURITY_STATUS s = t_->InitializeSecurityContextA(&cred_, haveContext_ ? &ctx_ : nullptr, const_cast<LPSTR>(target),
                                                           kRequirements, 0, SECURITY_NATIVE_DREP, input ? &in : nullptr, 0,
                                                           &ctx_, &out, &attributes, nullptr);
        haveContext_ = true;
        if (outBuffer.cbBuffer && outBuffer.pvBuffer) sendAll(fd_, outBuffer.pvBuffer, outBuffer.cbBuffer);
        if (outBuffer.pvBuffer) t_->FreeContextBuffer(outBuffer.pvBuffer);
        if (input && s != SEC_E_INCOMPLETE_MESSAGE) {
            *input = inBuffers[1].BufferType == SECBUFFER_EXTRA
                         ? std::string(static_cast<char*>(inBuffers[1].pvBuffer), inBuffers[1].cbBuffer)
                         : std::string();
        }
        return s;
    }

    SecurityFunctionTableA* t_;
    CredHandle cred_{};
    CtxtHandle ctx_{};
    bool haveContext_ = false;
    SECURITY_STATUS acquired_;
    int fd_ = -1;
    std::string input_;
    SecPkgContext_StreamSizes sizes_{};
};

TEST(Sspi, HandshakeRequestAndAnswerOverTls13) {
    HttpsServer server;
    server.enqueue(Answer::ok("hello over tls"));
    Client client;
    ASSERT_EQ(client.acquired(), SEC_E_OK);
    ASSERT_EQ(client.handshake(server.port(), "localhost"), SEC_E_OK);
    EXPECT_EQ(client.connectionText(), std::to_string(SP_PROT_TLS1_3_CLIENT));
    client.sendPlain("GET / HTTP/1.1\r\nHost: localhost\r\n\r\n");
    EXPECT_NE(client.receivePlain("hello over tls").find("hello over tls"), std::string::npos);
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(server.request(0).target, "/");

    PCCERT_CONTEXT peer = client.remoteCertificate();
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(peer->pbCertEncoded), peer->cbCertEncoded),
              fixtures::TestCertificates::instance().der(CertKind::Server));
    CertFreeCertificateContext(peer);
    client.shutdown();
}

TEST(Sspi, ProtocolBitsChooseTheVersion) {
    struct Case {
        DWORD bits;
        TlsVersion serverMax;
        bool succeeds;
        DWORD protocol;
    } cases[] = {
        {SP_PROT_TLS1_2_CLIENT, TlsVersion::Default, true, SP_PROT_TLS1_2_CLIENT},
        {SP_PROT_TLS1_3_CLIENT, TlsVersion::Tls1_2, false, 0},
        {255, TlsVersion::Tls1_2, true, SP_PROT_TLS1_2_CLIENT},
        {SP_PROT_SSL3 | SP_PROT_SSL2, TlsVersion::Default, false, 0},
    };
    for (const auto& c : cases) {
        TlsOptions options;
        options.maxVersion = c.serverMax;
        HttpsServer server(options);
        Client client(c.bits);
        if (client.acquired() != SEC_E_OK) {
            EXPECT_FALSE(c.succeeds) << c.bits;
            continue;
        }
        SECURITY_STATUS s = client.handshake(server.port(), "localhost");
        EXPECT_EQ(s == SEC_E_OK, c.succeeds) << std::hex << c.bits << " " << s;
        if (c.succeeds) {
            EXPECT_EQ(client.connectionText(), std::to_string(c.protocol));
        }
    }
}

TEST(Sspi, RecordsSplitAcrossReadsAndSeveralInOneRead) {
    HttpsServer server;
    std::string body(40000, 'x');
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 26);
    body += "<end>";
    server.enqueue(Answer::ok(body).splitAt({3, 17, 20000}));
    Client client;
    ASSERT_EQ(client.handshake(server.port(), "127.0.0.1"), SEC_E_OK);
    std::string request = "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 20000\r\n\r\n" + std::string(20000, 'p');
    client.sendPlain(request);
    int records = 0;
    std::string got = client.receivePlain("<end>", &records);
    EXPECT_NE(got.find(body), std::string::npos);
    EXPECT_GE(records, 3);
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(server.request(0).body.size(), 20000u);
}

TEST(Sspi, ClientCertificateFromTheStoreOrAskedFor) {
    TlsOptions options;
    options.clientCertificate = fixtures::ClientCertificate::Request;
    {
        HttpsServer server(options);
        server.enqueue(Answer::ok("anonymous"));
        Client client;
        std::vector<SECURITY_STATUS> seen;
        ASSERT_EQ(client.handshake(server.port(), "localhost", &seen), SEC_E_OK);
        EXPECT_NE(std::find(seen.begin(), seen.end(), SEC_I_INCOMPLETE_CREDENTIALS), seen.end());
        client.sendPlain("GET / HTTP/1.1\r\nHost: localhost\r\n\r\n");
        client.receivePlain("anonymous");
        ASSERT_TRUE(server.waitForRequests(1));
        EXPECT_EQ(server.connections()[0].clientSubject, "");
    }
    std::string pfx = fixtures::TestCertificates::instance().pfx(CertKind::Client);
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(pfx.size()), reinterpret_cast<BYTE*>(pfx.data())};
    std::u16string password;
    for (const char* p = fixtures::TestCertificates::kPfxPassword; *p; ++p) password += static_cast<char16_t>(*p);
    HCERTSTORE store = PFXImportCertStore(&blob, password.c_str(), CRYPT_EXPORTABLE);
    PCCERT_CONTEXT cert = CertEnumCertificatesInStore(store, nullptr);
    options.clientCertificate = fixtures::ClientCertificate::Require;
    HttpsServer server(options);
    server.enqueue(Answer::ok("known"));
    Client client(0, cert);
    ASSERT_EQ(client.handshake(server.port(), "localhost"), SEC_E_OK);
    client.sendPlain("GET / HTTP/1.1\r\nHost: localhost\r\n\r\n");
    EXPECT_NE(client.receivePlain("known").find("known"), std::string::npos);
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_EQ(server.connections()[0].clientSubject, fixtures::TestCertificates::instance().subject(CertKind::Client));
    CertFreeCertificateContext(cert);
    CertCloseStore(store, 0);
}

}  // namespace
