#include <fstream>
#include <string>

#include "crypt32/crypt32.h"
#include "payment_core/http_client.h"
#include "payment_core/tests/core_test.h"
#include "payment_core/tests/openssl_server.h"
#include "testing/certificates.h"
#include "testing/http_server.h"
#include "testing/raw_peer.h"
#include "testing/trusted_ca.h"

using namespace payment_core;
using fixtures::Answer;
using fixtures::CertKind;
using fixtures::HttpServer;
using fixtures::HttpsServer;
using fixtures::PeerScript;
using fixtures::RawPeer;

namespace {

class SecureClient : public HttpClient {
public:
    SecureClient() {
        initHttpsDefaults();
        setTimeoutMs(10000);
    }
};

class Https : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fixtures::trustTestCa()); }
};

}  // namespace

#define HTTPS_TEST(name) TEST_F(Https, CORE_SUITE_JOIN(CORE_TEST_PREFIX, name))

HTTPS_TEST(GetAndPostBytes) {
    HttpsServer server;
    server.enqueue(Answer::ok(std::string(5000, 's')));
    server.enqueue(Answer::chunked(200, "OK", {"se", "cure"}));
    SecureClient client;
    client.setUrl(server.url("/secure", "localhost").c_str(), false);
    ASSERT_EQ(client.performAction(kActionGet), 0) << str(client.lastError);
    // The express-checkout build keeps up to 32768 bytes, the card build 4096.
    EXPECT_EQ(client.TransferredData.length(), kCheckoutBuild ? 5000 : 4096);
    const std::string agent = str(client.UserAgent);
    EXPECT_EQ(server.request(0).bytes, "GET /secure HTTP/1.1\r\nHost: localhost:" + std::to_string(server.port()) +
                                           "\r\nUser-Agent: " + agent + "\r\nConnection: close\r\n\r\n");
    client.PostData.assignCString("a=1");
    client.ContentType.assignCString("application/x-www-form-urlencoded");
    ASSERT_EQ(client.performAction(kActionPost), 0) << str(client.lastError);
    EXPECT_EQ(server.request(1).body, "a=1");
    EXPECT_EQ(str(client.TransferredData), "secure");
}

HTTPS_TEST(RedirectFromHttpToHttps) {
    HttpsServer secure;
    secure.enqueue(Answer::ok("arrived"));
    HttpServer plain;
    plain.enqueue(Answer::status(302, "Found", "", {{"Location", secure.url("/there", "localhost")}}));
    SecureClient client;
    client.FollowRedirects = 1;
    client.setUrl(plain.url("/here").c_str(), false);
    ASSERT_EQ(client.performAction(kActionGet), 0) << str(client.lastError);
    EXPECT_EQ(str(client.TransferredData), "arrived");
    EXPECT_EQ(secure.request(0).target, "/there");
    EXPECT_EQ(str(client.URLScheme), "https");
}

HTTPS_TEST(TunnelCarriesTls) {
    HttpsServer origin;
    origin.enqueue(Answer::ok("through"));
    RawPeer proxy;
    proxy.addConnection(PeerScript()
                            .expectBytes("CONNECT localhost:" + std::to_string(origin.port()) + " HTTP/1.0\r\n\r\n")
                            .send("HTTP/1.0 200 Connection established\r\n\r\n")
                            .relayTo(origin.port()));
    SecureClient client;
    client.ProxyServer.assignCString("127.0.0.1");
    client.ProxyPort = proxy.port();
    client.ProxySSL = psTunnel;
    client.setUrl(origin.url("/t", "localhost").c_str(), false);
    ASSERT_EQ(client.performAction(kActionGet), 0) << str(client.lastError);
    EXPECT_EQ(str(client.TransferredData), "through");
    EXPECT_EQ(origin.request(0).bytes.substr(0, 17), "GET /t HTTP/1.1\r\n");
    EXPECT_TRUE(proxy.errors().empty());
}

HTTPS_TEST(BodyEndedByTheServersCloseNotifyIsComplete) {
    // The server waits for our close_notify before it closes: the body ends with the session.
    openssl_peer::Chain chain;
    ASSERT_TRUE(chain.ok());
    openssl_peer::addToUserStore("ROOT", chain.file("root.pem"));
    std::string body;
    for (int i = 0; body.size() < 100000; ++i) body += "line " + std::to_string(i) + "\n";
    std::ofstream(chain.file("body.txt"), std::ios::binary) << body;
    openssl_peer::Server server({"-cert", chain.file("leaf.pem").string(), "-key", chain.file("leaf.key").string(),
                                 "-cert_chain", chain.file("inter.pem").string(), "-WWW"},
                                chain.dir());
    ASSERT_NE(server.port(), 0) << server.log();
    SecureClient client;
    client.MaxTransferredData = 0;
    client.setUrl(("https://localhost:" + std::to_string(server.port()) + "/body.txt").c_str(), false);
    ASSERT_EQ(client.performAction(kActionGet), 0) << str(client.lastError);
    EXPECT_EQ(client.StatusCode, 200);
    EXPECT_EQ(str(client.TransferredData), body);
}
