#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "crypt32/crypt32.h"
#include "payment_core/tests/core_test.h"
#include "payment_core/tests/openssl_server.h"
#include "payment_core/web_form_client.h"
#include "payment_core/wininet_binding.h"
#include "testing/certificates.h"
#include "testing/http_server.h"
#include "testing/raw_peer.h"
#include "testing/trusted_ca.h"
#include "win32/kernel.h"

using namespace payment_core;
using fixtures::Answer;
using fixtures::CertKind;
using fixtures::HttpServer;
using fixtures::HttpsServer;

namespace {

std::string config(CoreComponent& component, const char* text) {
    const char* answer = nullptr;
    dispatchConfig(component, text, &answer);
    return answer ? answer : "";
}

class StatusSink : public ComponentEventSink {
public:
    void setCodePage(int) override {}
    HRESULT Error(int, const char*) override { return 0; }
    HRESULT SSLServerAuthentication(const char*, int, const char*, const char*, const char*, int*) override {
        return 0;
    }
    HRESULT SSLStatus(const char* message) override {
        statuses.push_back(message);
        return 0;
    }
    std::vector<std::string> statuses;
};

// Records the hooks in order, and whether each ran on the thread that made the client.
class Client : public WebFormClient {
public:
    Client() {
        setTimeoutMs(10000);
        eventSink = &sink;
        UseWinInet = true;
    }
    void onConnected(int code, const char* text) override { note("connected " + std::to_string(code) + " " + text); }
    void onDisconnected(int code, const char* text) override {
        note("disconnected " + std::to_string(code) + " " + text);
    }
    void onError(int code, const char* text) override { note("error " + std::to_string(code) + " " + text); }
    void onHeader(const char* name, const char* value) override {
        if (std::string(name) == "Content-Type") note(std::string("header ") + name + "=" + value);
        if (onHeaderAction >= 0) nested = performActionWinInet(onHeaderAction);
    }
    void onRedirect(const char* location, bool& accept) override {
        note(std::string("redirect ") + location + (accept ? " accepted" : " refused"));
        if (refuseRedirect) accept = false;
        if (starveOnRedirect) failAllocationsAfter(0);
    }
    void onStartTransfer(int direction) override { note("start " + std::to_string(direction)); }
    void onEndTransfer(int direction) override { note("end " + std::to_string(direction)); }
    void onTransfer(int direction, int bytesSoFar, const char*, int length) override {
        note("transfer " + std::to_string(direction) + " " + std::to_string(bytesSoFar) + " " +
             std::to_string(length));
        if (resetOnTransfer) performActionWinInet(kActionReset);
    }

    void note(const std::string& event) {
        events.push_back(event);
        if (GetCurrentThreadId() != owner) ++foreignCalls;
    }

    StatusSink sink;
    std::vector<std::string> events;
    DWORD owner = GetCurrentThreadId();
    int foreignCalls = 0;
    int onHeaderAction = -1;
    int nested = -1;
    bool refuseRedirect = false;
    bool starveOnRedirect = false;  // the redirecting answer's head cannot be kept
    bool resetOnTransfer = false;
};

std::string run(Client& client, const std::string& url, int action = kActionGet) {
    client.setUrl(url.c_str(), false);
    const int result = client.performActionWinInet(action);
    return std::to_string(result) + " " + str(client.lastError);
}

std::string tempPath(const char* name) { return std::string(std::getenv("PLATFORM_STATE_DIR")) + "/" + name; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

CORE_TEST(WinInetPath, GetReportsEachStepOnTheCallersThread) {
    HttpServer server;
    server.enqueue(Answer::ok("hello there"));
    Client client;
    client.From.assignCString("me@example.test");
    client.Pragma.assignCString("no-cache");
    client.OtherHeaders.assignCString("X-One: 1\r\nUser-Agent: replaced");
    ASSERT_EQ(run(client, server.url("/page?q=1")), "0 ");

    const fixtures::HttpRequest request = server.request(0);
    EXPECT_EQ(request.target, "/page?q=1");
    EXPECT_EQ(request.header("From"), "me@example.test");
    EXPECT_EQ(request.header("Pragma"), "no-cache");
    EXPECT_EQ(request.header("X-One"), "1");
    EXPECT_EQ(request.header("User-Agent"), "replaced");
    EXPECT_EQ(str(client.TransferredData), "hello there");
    EXPECT_EQ(str(client.StatusLine), "HTTP/1.1 200 OK");
    const std::vector<std::string> expected = {"connected 0 OK", "start 0",          "end 0",
                                               "header Content-Type=text/plain",    "start 1",
                                               "transfer 1 11 11", "end 1",         "disconnected 0 OK"};
    EXPECT_EQ(client.events, expected);
    EXPECT_EQ(client.foreignCalls, 0);
    const auto& statuses = client.sink.statuses;
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Sending the information request to the server."),
              statuses.end());
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Successfully received a response from the server."),
              statuses.end());
}

CORE_TEST(WinInetPath, BodyFromPostDataAndAttachedFileAndIntoLocalFile) {
    HttpServer server;
    server.enqueue(Answer::ok(std::string(5000, 'b')));
    server.enqueue(Answer::ok("written to disk"));
    Client client;
    const std::string attached = tempPath("wininet-attached.txt");
    std::ofstream(attached, std::ios::binary) << "-and-file";
    client.PostData.assignCString("data");
    client.AttachedFile.assignCString(attached.c_str());
    client.ContentType.assignCString("text/plain");
    ASSERT_EQ(run(client, server.url("/post"), kActionPost), "0 ");
    EXPECT_EQ(server.request(0).method, "POST");
    EXPECT_EQ(server.request(0).body, "data-and-file");
    EXPECT_EQ(server.request(0).header("Content-Type"), "text/plain");
    // The body is kept up to MaxTransferredData, but every byte is reported.
    EXPECT_EQ(client.TransferredData.length(), kCheckoutBuild ? 5000 : 4096);
    EXPECT_EQ(client.events[client.events.size() - 3], "transfer 1 5000 1000");

    const std::string local = tempPath("wininet-local.txt");
    client.LocalFile.assignCString(local.c_str());
    client.AttachedFile.reset();
    ASSERT_EQ(run(client, server.url("/get")), "0 ");
    EXPECT_EQ(readFile(local), "written to disk");
    EXPECT_EQ(str(client.TransferredData), "");

    client.LocalFile.reset();
    client.AttachedFile.assignCString(tempPath("missing.txt").c_str());
    EXPECT_EQ(run(client, server.url("/post"), kActionPost), "302 Can't open attached file for reading.");
    EXPECT_EQ(server.requestCount(), 2u);
}

// However much the library reads at once, the hooks see the body in blocks of at most 2000
// bytes, and after a reset from one of them nothing more is reported.
CORE_TEST(WinInetPath, BodyReachesTheHooksInBlocksOfAtMost2000Bytes) {
    HttpServer server;
    server.enqueue(Answer::ok(std::string(100000, 'b')));
    server.enqueue(Answer::ok(std::string(100000, 'b')));
    Client client;
    ASSERT_EQ(run(client, server.url("/")), "0 ");
    int total = 0;
    for (const std::string& event : client.events) {
        int soFar = 0;
        int length = 0;
        if (std::sscanf(event.c_str(), "transfer 1 %d %d", &soFar, &length) != 2) continue;
        EXPECT_GT(length, 0);
        EXPECT_LE(length, 2000);
        total += length;
        EXPECT_EQ(soFar, total);
    }
    EXPECT_EQ(total, 100000);

    client.events.clear();
    client.resetOnTransfer = true;
    EXPECT_EQ(run(client, server.url("/")), "301 Interrupted.");
    EXPECT_EQ(std::count_if(client.events.begin(), client.events.end(),
                            [](const std::string& e) { return e.rfind("transfer 1 ", 0) == 0; }),
              1);
}

CORE_TEST(WinInetPath, FailuresGiveTheirCodesAndTexts) {
    HttpServer server;
    server.enqueue(Answer::status(404, "Not Found", "nothing here"));
    std::uint16_t closedPort;
    {
        HttpServer gone;
        closedPort = gone.port();
    }
    Client client;
    EXPECT_EQ(run(client, server.url("/missing")), "151 404 Not Found");
    EXPECT_EQ(str(client.TransferredData), "nothing here");
    EXPECT_EQ(run(client, "http://127.0.0.1:" + std::to_string(closedPort) + "/"), "12029 Internet Cannot Connect.");
    client.setUrl(server.url("/").c_str(), false);
    client.URLScheme.assignCString("ftp");
    EXPECT_EQ(client.performActionWinInet(kActionGet), 153);
    EXPECT_EQ(str(client.lastError), "Specified URLScheme is invalid.");
    client.URLScheme.assignCString("HTTP");
    client.URLServer.reset();
    EXPECT_EQ(client.performActionWinInet(kActionGet), 152);
    EXPECT_EQ(str(client.lastError), "No server specified in URL");
    EXPECT_EQ(server.requestCount(), 1u);
}

CORE_TEST(WinInetPath, ErrorAndStatusTexts) {
    const std::pair<DWORD, std::string> errors[] = {
        {12001, "Internet Out Of Handles."},
        {12037, "The Certificate has an Invalid Name, or different from Host Name."},
        {12045, "Invalid Certification Authority."},
        {12150, "Http Header Not Found."},
        {12168, "Http Redirect Needs Confirmation."},
        {12171, "Failed due to security check."},
        {12035, "[12035] (no description available)"},
        {87, "[87] (no description available)"},
    };
    for (const auto& [code, text] : errors) {
        char buffer[48];
        EXPECT_EQ(winInetErrorText(code, buffer), text) << code;
    }
    const DWORD offline = 16;
    const DWORD other = 3;
    EXPECT_STREQ(winInetStatusText(200, &offline, sizeof offline), "Offline by user request.");
    EXPECT_STREQ(winInetStatusText(200, &other, sizeof other), "Moved between a secure (HTTPS) and a nonsecure (HTTP) site.");
    EXPECT_EQ(winInetStatusText(60, nullptr, 0), nullptr);
    EXPECT_STREQ(winInetStatusText(999, nullptr, 0), "Unknown state.");
}

// Both builds hand a redirect to the hook before the library follows it; a refusal there sends
// nothing to the new address and makes the redirecting answer the request's answer. Each build
// has its own status text for it.
CORE_TEST(WinInetPath, RedirectGoesThroughTheHook) {
    const char* const statusText = kCheckoutBuild ? "An HTTP request is about to automatically redirect the request."
                                                  : "An HTTP request is about to automatically redirect the request to";
    for (bool refuse : {false, true}) {
        SCOPED_TRACE(refuse);
        HttpServer server;
        server.enqueue(Answer::status(302, "Found", "", {{"Location", "/moved?x=1#part"}}));
        server.enqueue(Answer::ok("new place"));
        Client client;
        client.refuseRedirect = refuse;
        const std::string result = run(client, server.url("/old"));
        const std::string hookCall = "redirect " + server.url("/moved?x=1#part") + " accepted";
        const auto& statuses = client.sink.statuses;
        const bool statusSent = std::find(statuses.begin(), statuses.end(), statusText) != statuses.end();
        EXPECT_EQ(client.foreignCalls, 0);
        ASSERT_FALSE(client.events.empty());
        EXPECT_EQ(client.events.front(), hookCall);
        if (!refuse) {
            EXPECT_EQ(result, "0 ");
            EXPECT_EQ(str(client.TransferredData), "new place");
            ASSERT_EQ(server.requests().size(), 2u);
            // A fragment names a part of the answer: it is never sent.
            EXPECT_EQ(server.request(1).target, "/moved?x=1");
            EXPECT_TRUE(statusSent);
        } else {
            EXPECT_EQ(result, "151 302 Found");
            EXPECT_EQ(str(client.StatusLine), "HTTP/1.1 302 Found");
            EXPECT_EQ(client.events, std::vector<std::string>{hookCall});
            EXPECT_FALSE(statusSent);
            EXPECT_EQ(server.requests().size(), 1u);
        }
    }
}

// A refused redirect whose head cannot be read still ends with a code and its text.
CORE_TEST(WinInetPath, RefusedRedirectWithoutItsHeadIsCancelled) {
    HttpServer server;
    server.enqueue(Answer::status(302, "Found", "", {{"Location", "/moved"}}));
    Client client;
    client.refuseRedirect = true;
    client.starveOnRedirect = true;
    std::string result;
    {
        const AllocationLimit starvedInTheHook(-1);
        result = run(client, server.url("/old"));
    }
    EXPECT_EQ(result, "12017 Internet Operation Cancelled.");
    EXPECT_EQ(server.requests().size(), 1u);
}

// A head cut off by the server's reset is an invalid answer, not an empty success.
CORE_TEST(WinInetPath, AnswerWhoseHeadNeverEndedFails) {
    ASSERT_TRUE(fixtures::trustTestCa());
    fixtures::RawTlsPeer peer;
    peer.addConnection(fixtures::PeerScript()
                           .expectUntil("\r\n\r\n")
                           .send("HTTP/1.1 200 OK\r\nContent-Ty")
                           .pause(fixtures::Milliseconds(200))
                           .abort());
    Client client;
    client.initHttpsDefaults();
    client.UseWinInet = true;
    EXPECT_EQ(run(client, "https://localhost:" + std::to_string(peer.port()) + "/pay", kActionPost),
              "12152 Http Invalid Server Response.");
    EXPECT_EQ(str(client.StatusLine), "");
}

CORE_TEST(WinInetPath, SilentServerEndsWithTimeoutAndTheClientCarriesOn) {
    HttpServer silent;
    silent.enqueue(Answer::silence());
    HttpServer server;
    server.enqueue(Answer::ok("next"));
    Client client;
    client.setTimeoutMs(1000);
    EXPECT_EQ(run(client, silent.url("/")), "301 Timeout.");
    EXPECT_EQ(client.winInetAction, 0);
    // The abandoned request is cut short: its connection goes.
    EXPECT_TRUE(silent.waitForClosedConnections(1));
    client.setTimeoutMs(10000);
    client.events.clear();
    EXPECT_EQ(run(client, server.url("/")), "0 ");
    EXPECT_EQ(str(client.TransferredData), "next");
    EXPECT_EQ(client.events.back(), "disconnected 0 OK");
}

CORE_TEST(WinInetPath, ActionsFromAHookWhileTheWorkerRuns) {
    HttpServer server;
    server.enqueue(Answer::ok("one"));
    server.enqueue(Answer::ok("two"));
    Client client;
    client.onHeaderAction = kActionGet;
    EXPECT_EQ(run(client, server.url("/")), "0 ");
    EXPECT_EQ(client.nested, kHttpBusy);
    // A reset from a hook cuts the running request short.
    client.onHeaderAction = kActionReset;
    EXPECT_EQ(run(client, server.url("/")), "301 Interrupted.");
    EXPECT_EQ(client.nested, 0);
}

CORE_TEST(WinInetPath, OwnCookieLineSwitchesTheLibrarysCookiesOff) {
    struct Case {
        const char* otherHeaders;
        const char* cookieSentAfterRedirect;
    };
    const Case cases[] = {{"", "from-server=1"}, {"X-A: 1\r\nCookie: mine=2", "mine=2"}};
    for (const Case& c : cases) {
        HttpServer server;
        server.enqueue(Answer::status(302, "Found", "", {{"Location", "/next"}, {"Set-Cookie", "from-server=1"}}));
        server.enqueue(Answer::ok("arrived"));
        Client client;
        client.OtherHeaders.assignCString(c.otherHeaders);
        ASSERT_EQ(run(client, server.url("/start")), "0 ");
        const fixtures::HttpRequest next = server.request(1);
        EXPECT_EQ(next.header("Cookie"), c.cookieSentAfterRedirect) << c.otherHeaders;
        EXPECT_EQ(next.bytes.find("Cookie:", next.bytes.find("Cookie:") + 1), std::string::npos) << c.otherHeaders;
    }
}

CORE_TEST(WinInetPath, ProxiesAndTheirCredentials) {
    HttpServer proxy;
    for (int i = 0; i < 3; ++i) proxy.enqueue(Answer::ok("via proxy"));
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
    setenv("http_proxy", proxy.url("/").c_str(), 1);
    Client client;
    client.ProxyServer.assignCString("*");
    ASSERT_EQ(run(client, "http://payments.invalid/pay"), "0 ");
    client.ProxyServer.assignCString("*agent*s3cret");
    ASSERT_EQ(run(client, "http://payments.invalid/pay"), "0 ");
    unsetenv("http_proxy");
    client.ProxyServer.assignCString("127.0.0.1");
    client.ProxyPort = proxy.port();
    ASSERT_EQ(run(client, "http://payments.invalid/pay"), "0 ");

    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(proxy.request(i).target, "http://payments.invalid/pay") << i;
    EXPECT_FALSE(proxy.request(0).hasHeader("Proxy-Authorization"));
    EXPECT_EQ(proxy.request(1).header("Proxy-Authorization"), "Basic YWdlbnQ6czNjcmV0");
    EXPECT_FALSE(proxy.request(2).hasHeader("Proxy-Authorization"));
}

CORE_TEST(WinInetPath, HttpsWithTrustedAndUntrustedRoots) {
    ASSERT_TRUE(fixtures::trustTestCa());
    HttpsServer trusted;
    trusted.enqueue(Answer::ok("secure"));
    HttpsServer selfSigned(fixtures::TlsOptions{CertKind::SelfSigned});
    selfSigned.enqueue(Answer::ok("accepted"));
    Client client;
    client.initHttpsDefaults();
    config(client, "UseWinInet=true");
    ASSERT_EQ(run(client, trusted.url("/", "localhost")), "0 ");
    EXPECT_EQ(str(client.TransferredData), "secure");
    EXPECT_EQ(run(client, selfSigned.url("/", "localhost")), "12045 Invalid Certification Authority.");
    config(client, "SSLSecurityFlags=0x10");
    ASSERT_EQ(run(client, selfSigned.url("/", "localhost")), "0 ");
    EXPECT_EQ(str(client.TransferredData), "accepted");
}

// The intermediate exists twice, with one subject and key: issued by a trusted root and by one
// that is not. Both paths judge the chain alike: every candidate issuer is tried, and the
// user's CA store completes a chain of which the server sends only the leaf.
CORE_TEST(WinInetPath, BothPathsFindTheChainToTheTrustedRoot) {
    openssl_peer::Chain chain;
    ASSERT_TRUE(chain.ok() && chain.addCrossSigned());
    openssl_peer::addToUserStore("ROOT", chain.file("root.pem"));
    std::ofstream(chain.file("body.txt")) << "chained";
    struct Case {
        const char* name;
        std::string sent;  // what the server sends after its leaf
        const char* inCaStore;
        const char* socketPath;  // the result on each path
        const char* winInetPath;
    } cases[] = {
        {"dead end first", chain.joined("dead-end-first.pem", {"inter-by-other.pem", "inter.pem"}).string(), nullptr,
         "0 ", "0 "},
        {"trusted first", chain.joined("trusted-first.pem", {"inter.pem", "inter-by-other.pem"}).string(), nullptr,
         "0 ", "0 "},
        {"dead end only", chain.file("inter-by-other.pem").string(), nullptr,
         "276 Server certificate verification failed. Connection aborted.", "12045 Invalid Certification Authority."},
        // Last: the store keeps what a case adds.
        {"intermediate only in the CA store", "", "inter.pem", "0 ", "0 "},
    };
    for (const Case& c : cases) {
        if (c.inCaStore) openssl_peer::addToUserStore("CA", chain.file(c.inCaStore));
        std::vector<std::string> arguments{"-cert", chain.file("leaf.pem").string(), "-key",
                                           chain.file("leaf.key").string(), "-WWW"};
        if (!c.sent.empty()) arguments.insert(arguments.end(), {"-cert_chain", c.sent});
        openssl_peer::Server server(arguments, chain.dir());
        ASSERT_NE(server.port(), 0) << server.log();
        const std::string url = "https://localhost:" + std::to_string(server.port()) + "/body.txt";
        for (bool winInet : {false, true}) {
            Client client;
            client.initHttpsDefaults();
            client.UseWinInet = winInet;
            const std::string expected = winInet ? c.winInetPath : c.socketPath;
            EXPECT_EQ(run(client, url), expected) << c.name << (winInet ? " (WinInet path)" : " (socket path)");
            if (expected == "0 ") {
                EXPECT_EQ(str(client.TransferredData), "chained") << c.name;
            }
        }
    }
}

CORE_TEST(WinInetPath, SettingsAndTheOwnConnectionPath) {
    HttpServer server;
    server.enqueue(Answer::ok("own"));
    server.enqueue(Answer::ok("form"));
    Client client;
    EXPECT_EQ(config(client, "UseWinInet"), "True");
    EXPECT_EQ(config(client, "UseWinInetCookies"), "True");
    config(client, "usewininetcookies=no");
    EXPECT_EQ(config(client, "UseWinInetCookies"), "False");
    client.initHttpsDefaults();
    EXPECT_EQ(config(client, "UseWinInet"), "False");
    EXPECT_EQ(config(client, "UseWinInetCookies"), "True");

    // Off, the entry takes the client's own connection, which always asks to close it.
    client.initHttpDefaults();
    ASSERT_EQ(run(client, server.url("/")), "0 ");
    EXPECT_EQ(server.request(0).header("Connection"), "close");
    // The form action keeps to the own connection with the setting on.
    config(client, "UseWinInet=true");
    client.setUrl(server.url("/form").c_str(), false);
    ASSERT_EQ(client.postFormVariables(1), 0) << str(client.lastError);
    EXPECT_EQ(server.request(1).header("Connection"), "close");
}

CORE_TEST(WinInetPath, LineBreaksInFieldsAreRefusedBeforeAnythingIsSent) {
    struct Case {
        const char* name;
        std::function<void(Client&)> set;
    };
    const char* evil = "a\r\n\r\nGET /smuggled HTTP/1.1\r\nHost: x\r\nX: ";
    const std::vector<Case> cases = {
        {"UserAgent", [&](Client& c) { c.UserAgent.assignCString(evil); }},
        {"From", [&](Client& c) { c.From.assignCString(evil); }},
        {"Accept", [&](Client& c) { c.Accept.assignCString("text/*\r\nX-Evil: 1"); }},
        {"Referer", [&](Client& c) { c.Referer.assignCString("r\nX-Evil: 1"); }},
        {"Pragma", [&](Client& c) { c.Pragma.assignCString("no-cache\rX-Evil: 1"); }},
        {"IfModifiedSince", [&](Client& c) { c.IfModifiedSince.assignCString(evil); }},
        {"ContentType", [&](Client& c) { c.ContentType.assignCString("text/plain\r\nX-Evil: 1"); }},
        {"OtherHeaders", [&](Client& c) { c.OtherHeaders.assignCString("X-A: 1\r\n\r\nGET /smuggled HTTP/1.1"); }},
    };
    HttpServer server;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Client client;
        client.KeepAlive = true;
        c.set(client);
        EXPECT_EQ(run(client, server.url("/"), kActionPost), "154 Line break in a request field.");
        EXPECT_TRUE(client.events.empty());
    }
    EXPECT_EQ(server.connectionCount(), 0u);
}
