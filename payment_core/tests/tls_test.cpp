#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "crypt32/bridge.h"
#include "crypt32/crypt32.h"
#include "payment_core/tests/net_test.h"
#include "payment_core/tests/openssl_server.h"
#include "testing/certificates.h"
#include "testing/http_server.h"
#include "testing/raw_peer.h"

using namespace payment_core;
using fixtures::Answer;
using fixtures::CertKind;
using fixtures::HttpsServer;
using fixtures::PeerScript;
using fixtures::RawPeer;
using fixtures::RawTlsPeer;
using fixtures::TestCertificates;
using fixtures::TlsOptions;
using fixtures::TlsVersion;
using net_test::config;
using net_test::pumpUntil;

namespace {

const TestCertificates& certs() { return TestCertificates::instance(); }

// Chain checks against the system's trust roots are slow in sanitizer builds on a busy machine:
// every wait is generous so that only a real stall fails.
constexpr std::chrono::milliseconds kPatience(60000);
RawPeer::Options patientPeer() { return RawPeer::Options{kPatience}; }
bool waitFor(const std::function<bool()>& done) { return pumpUntil(done, kPatience); }

void addToUserStore(const char* storeName, CertKind kind, bool withKey) {
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, storeName);
    ASSERT_NE(store, nullptr);
    PCCERT_CONTEXT cert = nullptr;
    HCERTSTORE imported = nullptr;
    if (withKey) {
        std::string pfx = certs().pfx(kind);
        CRYPT_DATA_BLOB blob{static_cast<DWORD>(pfx.size()), reinterpret_cast<BYTE*>(pfx.data())};
        std::u16string password;
        for (const char* p = TestCertificates::kPfxPassword; *p; ++p) password += static_cast<char16_t>(*p);
        imported = PFXImportCertStore(&blob, password.c_str(), CRYPT_EXPORTABLE);
        cert = CertEnumCertificatesInStore(imported, nullptr);
    } else {
        std::string der = certs().der(kind);
        cert = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                            static_cast<DWORD>(der.size()));
    }
    ASSERT_TRUE(CertAddCertificateContextToStore(store, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
    CertFreeCertificateContext(cert);
    if (imported) CertCloseStore(imported, 0);
    CertCloseStore(store, 0);
}

struct Authentication {
    std::string certificate;
    std::string subject;
    std::string issuer;
    std::string status;
    int accept;
};

// A transport with TLS on that records what it reports to its host.
class TlsTransport : public MessageTransport {
public:
    TlsTransport() {
        stopAfterItem = 0;
        setTimeout(60);
    }
    void fireConnected(int code, const char* text) override { connected.push_back(std::to_string(code) + " " + text); }
    void fireDisconnected(int code, const char* text) override {
        disconnected.push_back(std::to_string(code) + " " + text);
    }
    void fireError(int code, const char* text) override { errors.push_back(std::to_string(code) + " " + text); }
    void fireStatus(const char* text, int code, const char*) override {
        statuses.push_back(std::string(text) + " " + std::to_string(code));
    }
    void fireSSLStatus(const char* text) override { sslStatuses.emplace_back(text); }
    void fireSSLServerAuthentication(const char* cert, int length, const char* subject, const char* issuer,
                                     const char* status, int* accept) override {
        authentications.push_back(
            {std::string(cert, static_cast<std::size_t>(length)), subject, issuer, status, *accept});
        if (hostAccepts) *accept = 1;
    }

    int connectTo(int port, const char* host = "localhost") {
        EXPECT_EQ(setRemoteHost(host), 0);
        EXPECT_EQ(setRemotePort(port), 0);
        return connectAndWait();
    }
    int send(const std::string& bytes) { return sendAll(bytes.data(), static_cast<int>(bytes.size()), false); }
    std::string received() const { return std::string(message.data(), static_cast<std::size_t>(message.length())); }
    bool receivedHas(const std::string& text) {
        return waitFor([&] { return received().find(text) != std::string::npos; });
    }
    bool sawSslStatus(const std::string& prefix) const {
        return std::any_of(sslStatuses.begin(), sslStatuses.end(),
                           [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
    }
    std::string negotiated() const {
        for (const std::string& s : sslStatuses)
            if (s.rfind("Negotiated SSL parameters: ", 0) == 0) return s;
        return "";
    }

    bool socketOpen() const { return socket != INVALID_SOCKET; }

    bool hostAccepts = false;
    std::vector<std::string> connected, disconnected, errors, statuses, sslStatuses;
    std::vector<Authentication> authentications;
};

const std::string kRequest = "GET / HTTP/1.1\r\nHost: localhost\r\n\r\n";

class Tls : public ::testing::Test {
protected:
    void SetUp() override { addToUserStore("ROOT", CertKind::Ca, false); }
};

TEST_F(Tls, StatusTextsFromConnectToNegotiatedParametersThenAnExchange) {
    HttpsServer server;
    server.enqueue(Answer::ok("hello over tls"));
    TlsTransport t;
    ASSERT_EQ(t.connectTo(server.port()), 0) << t.lastError.data();
    ASSERT_GE(t.sslStatuses.size(), 6u);
    EXPECT_EQ(t.sslStatuses[0], "Attempting to connect to server.");
    EXPECT_EQ(t.sslStatuses[1], "Socket connection established.");
    EXPECT_EQ(t.sslStatuses[2], "Starting secure channel handshake.");
    EXPECT_TRUE(t.sslStatuses[3].rfind("Sending ", 0) == 0 && t.sslStatuses[3].find(" bytes of handshake data.") != std::string::npos)
        << t.sslStatuses[3];
    EXPECT_TRUE(t.sslStatuses[4].rfind("Receiving ", 0) == 0) << t.sslStatuses[4];
    EXPECT_EQ(t.sslStatuses.back().rfind("Negotiated SSL parameters: Protocol: 0x2000 ", 0), 0u) << t.sslStatuses.back();
    EXPECT_NE(t.sslStatuses.back().find("Key exchange strength: "), std::string::npos);
    ASSERT_EQ(t.authentications.size(), 1u);
    const Authentication& a = t.authentications[0];
    EXPECT_EQ(a.certificate, certs().der(CertKind::Server));
    EXPECT_EQ(a.subject, "CN=localhost, O=Fixture Testing");
    EXPECT_EQ(a.issuer, "CN=Fixture Root CA, O=Fixture Testing");
    EXPECT_EQ(a.status, "[0x0] OK");
    EXPECT_EQ(a.accept, 1);
    EXPECT_STREQ(t.tls.SSLServerCertStatus.data(), "[0x0] OK");
    EXPECT_FALSE(t.tls.SSLServerCert.empty());
    EXPECT_EQ(t.connected, std::vector<std::string>{"0 OK"});
    EXPECT_NE(std::find(t.statuses.begin(), t.statuses.end(), "SSL handshake complete. 0"), t.statuses.end());
    EXPECT_TRUE(t.errors.empty()) << t.errors[0];

    EXPECT_EQ(t.connectAndWait(), 0);  // already up: nothing happens
    EXPECT_EQ(t.send(kRequest), 0);
    EXPECT_TRUE(t.receivedHas("hello over tls"));
    ASSERT_TRUE(server.waitForRequests(1, kPatience));
    EXPECT_EQ(server.request(0).target, "/");
    EXPECT_EQ(server.connections()[0].tlsVersion, "TLSv1.3");

    EXPECT_EQ(t.disconnectAndWait(), 0);
    EXPECT_EQ(t.state, 0);
    EXPECT_EQ(t.disconnected, std::vector<std::string>{"0 OK"});
    ASSERT_TRUE(server.waitForClosedConnections(1, kPatience));
}

TEST_F(Tls, RecordsSplitAcrossReadsAndMergedInOneRead) {
    RawTlsPeer peer({}, patientPeer());
    peer.addConnection(PeerScript()
                           .expectBytes("go\r\n")
                           .sendRecordSplit("split-record|", 9)
                           .sendRecords({"one|", "two|", "three|"})
                           .close());
    TlsTransport t;
    ASSERT_EQ(t.connectTo(peer.port()), 0) << t.lastError.data();
    EXPECT_EQ(t.send("go\r\n"), 0);
    EXPECT_TRUE(t.receivedHas("three|"));
    EXPECT_EQ(t.received(), "split-record|one|two|three|");
    EXPECT_TRUE(waitFor([&] { return !t.disconnected.empty(); }));
    EXPECT_TRUE(t.sawSslStatus("Server signaled end of session."));
    EXPECT_EQ(t.disconnected, std::vector<std::string>{"0 OK"});
    EXPECT_TRUE(peer.errors().empty()) << peer.errors()[0];
}

TEST_F(Tls, EolCutsDecryptedLines) {
    RawTlsPeer peer({}, patientPeer());
    peer.addConnection(PeerScript().sendRecords({"first\r\nsec", "ond\r\nrest"}).close());
    struct LineTransport : TlsTransport {
        void onDataIn(const char* bytes, int length, int eolFound) override {
            items.push_back(std::string(bytes, static_cast<std::size_t>(length)) + (eolFound ? "|1" : "|0"));
        }
        std::vector<std::string> items;
    } t;
    ASSERT_EQ(t.setEol("\r\n", 2), 0);
    ASSERT_EQ(t.connectTo(peer.port()), 0) << t.lastError.data();
    EXPECT_TRUE(waitFor([&] { return !t.disconnected.empty(); }));
    EXPECT_EQ(t.items, (std::vector<std::string>{"first|1", "second|1", "rest|0"}));
}

TEST_F(Tls, SendOfMoreThanOneRecordCompletes) {
    HttpsServer server;
    server.enqueue(Answer::ok("got it"));
    TlsTransport t;
    ASSERT_EQ(t.connectTo(server.port()), 0) << t.lastError.data();
    std::string body(200000, 'b');
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + i % 23);
    const std::string request =
        "POST /big HTTP/1.1\r\nHost: localhost\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    EXPECT_EQ(t.send(request), 0);
    EXPECT_TRUE(t.tlsOutput.empty());
    EXPECT_TRUE(t.receivedHas("got it"));
    ASSERT_TRUE(server.waitForRequests(1, kPatience));
    EXPECT_EQ(server.request(0).body, body);
}

TEST_F(Tls, ManyRecordsPerReadArriveWholeAndInOrder) {
    std::string body(1 << 20, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>('a' + (i * 7 + i / 16384) % 26);
    HttpsServer server;
    server.enqueue(Answer::ok(body));
    TlsTransport t;
    ASSERT_EQ(t.connectTo(server.port()), 0) << t.lastError.data();
    EXPECT_EQ(t.send(kRequest), 0);
    ASSERT_TRUE(waitFor([&] { return t.received().size() >= body.size(); }));
    const std::string received = t.received();
    EXPECT_EQ(received.substr(received.size() - body.size()), body);
}

TEST_F(Tls, HandshakeFailuresGive276) {
    struct Case {
        const char* name;
        PeerScript script;
        std::string text;  // the beginning of lastError
    } cases[] = {
        {"close during the handshake", PeerScript().expect(5).close(),
         "Server disconnected before handshake completion [590610]."},
        {"plain text answer", PeerScript().expect(5).send("HTTP/1.0 400 Bad Request\r\n\r\n").hold(),
         "error during handshake[2]: "},
    };
    for (auto& c : cases) {
        RawPeer peer(patientPeer());
        peer.addConnection(c.script);
        TlsTransport t;
        t.setTimeout(0);
        EXPECT_EQ(t.connectTo(peer.port()), 276) << c.name;
        EXPECT_EQ(std::string(t.lastError.data()).rfind(c.text, 0), 0u) << c.name << ": " << t.lastError.data();
        ASSERT_FALSE(t.errors.empty()) << c.name;
        EXPECT_EQ(t.errors.back(), "276 " + std::string(t.lastError.data())) << c.name;
        EXPECT_EQ(t.connected.back(), "276 " + std::string(t.lastError.data())) << c.name;
        EXPECT_TRUE(std::any_of(t.statuses.begin(), t.statuses.end(),
                                [](const std::string& s) { return s.rfind("SSL handshake failed.", 0) == 0; }))
            << c.name;
        EXPECT_FALSE(t.socketOpen());
        EXPECT_EQ(t.state, 0);
    }
}

TEST_F(Tls, UntrustedRootRejectedUnlessTheHostAccepts) {
    const std::string untrusted =
        "[0x800b0109] A certification chain processed correctly but terminated in a root certificate not trusted by "
        "the trust provider.";
    TlsOptions options;
    options.certificate = CertKind::SelfSigned;
    HttpsServer server(options);
    {
        TlsTransport t;
        EXPECT_EQ(t.connectTo(server.port()), 276);
        EXPECT_STREQ(t.lastError.data(), "Server certificate verification failed. Connection aborted.");
        ASSERT_EQ(t.authentications.size(), 1u);
        EXPECT_EQ(t.authentications[0].status, untrusted);
        EXPECT_EQ(t.authentications[0].accept, 0);
        EXPECT_NE(std::find(t.errors.begin(), t.errors.end(), "280 error verifying server certificate: 0x800b0109"),
                  t.errors.end());
        EXPECT_TRUE(t.sawSslStatus("Server certificate verification failed. Aborting connection..."));
        EXPECT_FALSE(t.socketOpen());
    }
    {
        TlsTransport t;
        t.hostAccepts = true;
        EXPECT_EQ(t.connectTo(server.port()), 0) << t.lastError.data();
        EXPECT_EQ(t.authentications.at(0).status, untrusted);
    }
    {
        TlsTransport t;
        const std::string pem = certs().pem(CertKind::SelfSigned);
        ASSERT_EQ(t.tls.setAcceptServerCert(pem.data(), static_cast<int>(pem.size())), 0);
        EXPECT_EQ(t.connectTo(server.port()), 0) << t.lastError.data();
        EXPECT_EQ(t.authentications.at(0).accept, 1);
        EXPECT_EQ(t.authentications.at(0).status, untrusted);
    }
}

TEST_F(Tls, ChainsThroughAnIntermediateToATrustedRoot) {
    const std::string ok = "[0x0] OK";
    const std::string broken = "[0x800b010a] A chain of certificates was not correctly created.";
    const std::string untrusted =
        "[0x800b0109] A certification chain processed correctly but terminated in a root certificate not trusted by "
        "the trust provider.";
    openssl_peer::Chain trusted, other;
    ASSERT_TRUE(trusted.ok() && other.ok());
    openssl_peer::addToUserStore("ROOT", trusted.file("root.pem"));
    struct Case {
        const char* name;
        const openssl_peer::Chain& chain;
        const char* sent;  // what the server sends besides its leaf
        bool intermediateInCaStore;
        int result;
        const std::string& status;
    } cases[] = {
        {"intermediate sent", trusted, "inter.pem", false, 0, ok},
        {"intermediate neither sent nor stored", trusted, nullptr, false, 276, broken},
        {"intermediate only in the CA store", trusted, nullptr, true, 0, ok},
        {"untrusted root sent", other, "inter-and-root.pem", false, 276, untrusted},
    };
    for (const Case& c : cases) {
        if (c.intermediateInCaStore) openssl_peer::addToUserStore("CA", c.chain.file("inter.pem"));
        std::vector<std::string> arguments{"-cert", c.chain.file("leaf.pem").string(), "-key",
                                           c.chain.file("leaf.key").string(), "-WWW"};
        if (c.sent) arguments.insert(arguments.end(), {"-cert_chain", c.chain.file(c.sent).string()});
        openssl_peer::Server server(arguments, c.chain.dir());
        ASSERT_NE(server.port(), 0) << server.log();
        TlsTransport t;
        EXPECT_EQ(t.connectTo(server.port()), c.result) << c.name << ": " << t.lastError.data();
        ASSERT_EQ(t.authentications.size(), 1u) << c.name;
        EXPECT_EQ(t.authentications[0].status, c.status) << c.name;
        EXPECT_EQ(t.authentications[0].subject, "CN=localhost") << c.name;
        EXPECT_EQ(t.authentications[0].issuer, "CN=Chain Test Intermediate") << c.name;
    }
}

// A wildcard stands for a whole left-most label only, and an address matches only an address
// entry, never a name that spells it. Names are reached through a SOCKS5 proxy.
TEST_F(Tls, ServerNamesMatchWholeLabelsAndAddressesOnlyAddressEntries) {
    const std::string ok = "[0x0] OK";
    const std::string mismatch = "[0x800b010f] The certificate's CN name does not match the passed value.";
    openssl_peer::Chain chain;
    ASSERT_TRUE(chain.ok());
    openssl_peer::addToUserStore("ROOT", chain.file("root.pem"));
    struct Case {
        const char* leaf;
        const char* subjectAltName;
        std::string host;
        const std::string& status;
    } cases[] = {
        {"wildcard", "DNS:*.wild.test", "foo.wild.test", ok},
        {"wildcard", "DNS:*.wild.test", "wild.test", mismatch},
        {"partial-wildcard", "DNS:f*.wild.test", "foo.wild.test", mismatch},
        {"address-as-name", "DNS:127.0.0.1", "127.0.0.1", mismatch},
        {"address", "IP:127.0.0.1", "127.0.0.1", ok},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.subjectAltName) + " for " + c.host;
        ASSERT_TRUE(chain.issueLeaf(c.leaf, c.subjectAltName)) << what;
        openssl_peer::Server server({"-cert", chain.file(c.leaf).string() + ".pem", "-key",
                                     chain.file("leaf.key").string(), "-cert_chain", chain.file("inter.pem").string(),
                                     "-WWW"},
                                    chain.dir());
        ASSERT_NE(server.port(), 0) << server.log();
        TlsTransport t;
        RawPeer proxy(patientPeer());
        const bool byName = c.host != "127.0.0.1";
        if (byName) {
            proxy.addConnection(PeerScript()
                                    .expectBytes(std::string("\x05\x01\x00", 3))
                                    .send(std::string("\x05\x00", 2))
                                    .expectBytes(std::string("\x05\x01\x00\x03", 4) + static_cast<char>(c.host.size()) +
                                                 c.host + net_test::portBytes(server.port()))
                                    .send(std::string("\x05\x00\x00\x01\x00\x00\x00\x00\x00\x00", 10))
                                    .relayTo(server.port()));
            t.firewall.FirewallType = fwSOCKS5;
            ASSERT_EQ(t.firewall.setFirewallHost("127.0.0.1"), 0);
            t.firewall.FirewallPort = proxy.port();
        }
        // A leading star leaves the name for the proxy to resolve.
        const std::string remoteHost = byName ? "*" + c.host : c.host;
        EXPECT_EQ(t.connectTo(server.port(), remoteHost.c_str()), &c.status == &ok ? 0 : 276) << what;
        ASSERT_EQ(t.authentications.size(), 1u) << what;
        EXPECT_EQ(t.authentications[0].status, c.status) << what;
    }
}

TEST_F(Tls, ExpiredCertificateFailsEvenWithoutTheNameCheck) {
    TlsOptions options;
    options.certificate = CertKind::Expired;
    HttpsServer server(options);
    TlsTransport t;
    config(t, "SSLSecurityFlags=0x80000000");
    EXPECT_EQ(t.connectTo(server.port(), "127.0.0.1"), 276);
    ASSERT_EQ(t.authentications.size(), 1u);
    EXPECT_EQ(t.authentications[0].status, "[0x800b0101] A required certificate is not within its validity period.");

    TlsTransport ignoring;
    config(ignoring, "SSLSecurityFlags=0x80002000");
    EXPECT_EQ(ignoring.connectTo(server.port(), "127.0.0.1"), 0) << ignoring.lastError.data();
}

TEST_F(Tls, ClientCertificateFromPfxFileAndFromTheUserStore) {
    TlsOptions options;
    options.clientCertificate = fixtures::ClientCertificate::Require;
    const std::string subject = certs().subject(CertKind::Client);
    {
        HttpsServer server(options);
        server.enqueue(Answer::ok("with certificate"));
        {
            TlsTransport t;
            const std::string path = certs().files(CertKind::Client).pfx.string();
            t.tls.setCertStore(path.data(), static_cast<int>(path.size()));
            t.tls.setCertStoreType(sstPFXFile);
            t.tls.setCertStorePassword(TestCertificates::kPfxPassword);
            ASSERT_EQ(t.tls.setCertSubject("*"), 0) << t.lastError.data();
            ASSERT_EQ(t.connectTo(server.port()), 0) << t.lastError.data();
            EXPECT_EQ(t.send(kRequest), 0);
            EXPECT_TRUE(t.receivedHas("with certificate"));
            EXPECT_FALSE(crypt32::keyContainers(false).empty());
        }
        EXPECT_TRUE(crypt32::keyContainers(false).empty());
        ASSERT_TRUE(server.waitForRequests(1, kPatience));
        EXPECT_EQ(server.connections()[0].clientSubject, subject);
    }
    addToUserStore("MY", CertKind::Client, true);
    HttpsServer server(options);
    server.enqueue(Answer::ok("from the store"));
    TlsTransport t;
    ASSERT_EQ(t.tls.setCertSubject("Fixture Client"), 0);
    ASSERT_EQ(t.connectTo(server.port()), 0) << t.lastError.data();
    EXPECT_EQ(t.send(kRequest), 0);
    EXPECT_TRUE(t.receivedHas("from the store"));
    EXPECT_EQ(server.connections()[0].clientSubject, subject);

    // Without a certificate the server asks in vain and ends the session; nothing gets through.
    HttpsServer refusing(options);
    TlsTransport without;
    if (without.connectTo(refusing.port()) == 0) {
        without.send(kRequest);
        EXPECT_TRUE(waitFor([&] { return !without.disconnected.empty(); }));
    }
    EXPECT_TRUE(without.sawSslStatus("Client certificate requested from server."));
    EXPECT_FALSE(without.isReady());
    EXPECT_EQ(refusing.requestCount(), 0u);
}

TEST_F(Tls, ProtocolVersions) {
    struct Case {
        const char* settings;
        TlsVersion serverMin, serverMax;
        int result;
        const char* protocol;
    } cases[] = {
        {nullptr, TlsVersion::Tls1_0, TlsVersion::Tls1_0, 276, nullptr},
        {nullptr, TlsVersion::Default, TlsVersion::Tls1_2, 0, "Protocol: 0x800 "},
        {nullptr, TlsVersion::Default, TlsVersion::Default, 0, "Protocol: 0x2000 "},
        {"SSLEnabledProtocols=0x800", TlsVersion::Default, TlsVersion::Default, 0, "Protocol: 0x800 "},
        {"SSLEnabledProtocols=0x30", TlsVersion::Default, TlsVersion::Default, 273, nullptr},
    };
    for (const auto& c : cases) {
        TlsOptions options;
        options.minVersion = c.serverMin;
        options.maxVersion = c.serverMax;
        HttpsServer server(options);
        TlsTransport t;
        if (c.settings) config(t, c.settings);
        EXPECT_EQ(t.connectTo(server.port()), c.result) << (c.settings ? c.settings : "") << " " << t.lastError.data();
        if (c.protocol) {
            EXPECT_EQ(t.negotiated().find(c.protocol), 27u) << t.negotiated();
        }
        if (c.result == 273) {
            EXPECT_EQ(std::string(t.lastError.data()).rfind("Could not acquire security credentials: error ", 0), 0u);
        }
    }
}

TEST_F(Tls, StarHostThroughSocks5NamesTheServerWithoutTheStar) {
    HttpsServer server;
    server.enqueue(Answer::ok("through the tunnel"));
    RawPeer proxy(patientPeer());
    const std::string name = "localhost";
    proxy.addConnection(PeerScript()
                            .expectBytes(std::string("\x05\x01\x00", 3))
                            .send(std::string("\x05\x00", 2))
                            .expectBytes(std::string("\x05\x01\x00\x03", 4) + static_cast<char>(name.size()) + name +
                                         net_test::portBytes(server.port()))
                            .send(std::string("\x05\x00\x00\x01\x00\x00\x00\x00\x00\x00", 10))
                            .relayTo(server.port()));
    TlsTransport t;
    t.firewall.FirewallType = fwSOCKS5;
    ASSERT_EQ(t.firewall.setFirewallHost("127.0.0.1"), 0);
    t.firewall.FirewallPort = proxy.port();
    ASSERT_EQ(t.connectTo(server.port(), "*localhost"), 0) << t.lastError.data();
    EXPECT_EQ(t.authentications.at(0).status, "[0x0] OK");
    EXPECT_EQ(t.send(kRequest), 0);
    EXPECT_TRUE(t.receivedHas("through the tunnel"));
    EXPECT_TRUE(proxy.errors().empty()) << proxy.errors()[0];
}

TEST_F(Tls, ServerRenegotiatesMidStream) {
  for (TlsVersion version : {TlsVersion::Default, TlsVersion::Tls1_2}) {
    TlsOptions options;
    options.maxVersion = version;
    RawTlsPeer peer(options, patientPeer());
    peer.addConnection(PeerScript().send("before|").renegotiate().send("after|").expectBytes("done").close());
    TlsTransport t;
    ASSERT_EQ(t.connectTo(peer.port()), 0) << t.lastError.data();
    EXPECT_TRUE(t.receivedHas("after|"));
    EXPECT_EQ(t.received(), "before|after|");
    EXPECT_EQ(t.send("done"), 0) << t.lastError.data();
    EXPECT_TRUE(waitFor([&] { return !t.disconnected.empty(); }));
    EXPECT_EQ(t.connected.size(), 1u);
    EXPECT_TRUE(peer.errors().empty()) << peer.errors()[0];
  }
}

}  // namespace
