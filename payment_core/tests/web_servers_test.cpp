// The socket path against web servers written by others (nginx, the openssl command's server),
// each started on a loopback port of its own and skipped when its program is missing, and
// against scripted peers where only a script shows a fault every time.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "crypt32/crypt32.h"
#include "payment_core/http_client.h"
#include "payment_core/tests/core_test.h"
#include "payment_core/tests/daemon_peer.h"
#include "payment_core/tests/openssl_server.h"
#include "testing/certificates.h"
#include "testing/raw_peer.h"

using namespace payment_core;
using daemon_peer::Daemon;
using fixtures::CertKind;
using fixtures::PeerScript;
using fixtures::RawPeer;
using fixtures::TestCertificates;

namespace {

void trustTestCa() {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
    ASSERT_NE(store, nullptr);
    const std::string der = TestCertificates::instance().der(CertKind::Ca);
    PCCERT_CONTEXT cert = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                       static_cast<DWORD>(der.size()));
    ASSERT_TRUE(CertAddCertificateContextToStore(store, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertFreeCertificateContext(cert);
    CertCloseStore(store, 0);
}

class Client : public HttpClient {
public:
    explicit Client(bool https = false, int timeoutMs = 15000) {
        if (https) initHttpsDefaults();
        setTimeoutMs(timeoutMs);
    }
    std::string run(int action, const std::string& url) {
        setUrl(url.c_str(), false);
        const int result = performAction(action);
        return std::to_string(result) + " " + str(lastError);
    }
};

// nginx over TLS with the test server certificate, or plain; skips the test when it is missing.
#define START_NGINX(server, port, lines, tls)                                                         \
    if (daemon_peer::findProgram("nginx").empty()) GTEST_SKIP() << "nginx is not installed";          \
    const int port = daemon_peer::freePort();                                                         \
    Daemon server;                                                                                     \
    {                                                                                                  \
        const fixtures::CertificateFiles& files = TestCertificates::instance().files(CertKind::Server); \
        ASSERT_TRUE(daemon_peer::startNginx(server, port, lines, tls ? files.certPem.string() : "",     \
                                            tls ? files.keyPem.string() : ""));                        \
    }

std::string base(bool tls, int port) {
    return std::string(tls ? "https" : "http") + "://localhost:" + std::to_string(port);
}

class WebServers : public ::testing::Test {
protected:
    void SetUp() override { trustTestCa(); }
};

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

#define WEB_TEST(name) TEST_F(WebServers, CORE_SUITE_JOIN(CORE_TEST_PREFIX, name))

// nginx refuses the body at its head and answers before the rest has gone out: the answer is the
// result, not the send that the closed connection cut short.
WEB_TEST(EarlyRefusalOfALargeBodyIsTheResult) {
    START_NGINX(server, port, "    client_max_body_size 1k;\n    location / { return 200 \"taken\"; }", true);
    for (const std::size_t size : {std::size_t{100} << 10, std::size_t{3} << 20}) {
        SCOPED_TRACE(size);
        Client client(true);
        client.PostData.assign(size, nullptr);
        std::memset(client.PostData.data(), 'p', size);
        EXPECT_EQ(client.run(kActionPost, base(true, port) + "/upload"), "151 Request Entity Too Large");
        EXPECT_EQ(client.StatusCode, 413);
    }
}

// The server wants a client certificate and ends the session with an alert after the handshake,
// as TLS 1.3 does: the alert is the result, with its own text.
WEB_TEST(AlertAfterTheHandshakeIsTheResult) {
    openssl_peer::Chain chain;
    ASSERT_TRUE(chain.ok());
    openssl_peer::addToUserStore("ROOT", chain.file("root.pem"));
    openssl_peer::Server server({"-cert", chain.file("leaf.pem").string(), "-key", chain.file("leaf.key").string(),
                                 "-cert_chain", chain.file("inter.pem").string(), "-tls1_3", "-Verify", "1", "-WWW"},
                                chain.dir());
    ASSERT_NE(server.port(), 0) << server.log();
    // Also while a body is still going out.
    for (const std::size_t body : {std::size_t{0}, std::size_t{2} << 20}) {
        SCOPED_TRACE(body);
        Client client(true);
        client.PostData.assign(body, nullptr);
        std::memset(client.PostData.data(), 'p', body);
        const std::string answer = client.run(body ? kActionPost : kActionGet,
                                              "https://localhost:" + std::to_string(server.port()) + "/x");
        EXPECT_EQ(answer.substr(0, 4), "284 ") << answer;
        EXPECT_NE(answer.find("error decrypting data"), std::string::npos) << answer;
    }
}

// A PostData body goes out record after record without a wait between them.
WEB_TEST(LargeHttpsPostAtWireSpeed) {
    if (!daemon_peer::nginxHasEcho()) GTEST_SKIP() << "nginx's echo module is not installed";
    START_NGINX(server, port,
                "    client_max_body_size 100m;\n    client_body_buffer_size 8m;\n"
                "    location / { echo_read_request_body; echo -n \"read $content_length\"; }",
                true);
    Client client(true, 3000);
    client.AbsoluteTimeout = 1;
    client.PostData.assign(std::size_t{4} << 20, nullptr);
    std::memset(client.PostData.data(), 'p', client.PostData.length());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.run(kActionPost, base(true, port) + "/upload"), "0 ");
    EXPECT_EQ(str(client.TransferredData), "read 4194304");
    EXPECT_LT(secondsSince(start), 1.5);
}
