#include "wininet/wininet.h"

#include "crypt32/crypt32.h"
#include "testing/certificates.h"
#include "testing/http_server.h"
#include "testing/loopback.h"
#include "testing/raw_peer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using fixtures::Answer;
using fixtures::CertKind;
using fixtures::HttpServer;
using fixtures::HttpsServer;
using fixtures::TlsOptions;

namespace {

std::string readAll(HINTERNET h) {
    std::string out;
    char buf[700];
    DWORD n = 0;
    while (InternetReadFile(h, buf, sizeof buf, &n) && n) out.append(buf, n);
    return out;
}

std::string rawHeaders(HINTERNET h, DWORD level) {
    char buf[3999];
    DWORD n = sizeof buf;
    if (!HttpQueryInfoA(h, level, buf, &n, nullptr)) return "";
    return std::string(buf, n);
}

TEST(WinInet, OpenUrlFetchesAPageAndClosingTheSessionClosesIt) {
    HttpServer server;
    server.enqueue(Answer::ok("hello"));
    HINTERNET session = InternetOpenA("Tavimo", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    ASSERT_NE(session, nullptr);
    HINTERNET page = InternetOpenUrlA(session, server.url("/index.html").c_str(), nullptr, 0, 0x84400000, 0);
    ASSERT_NE(page, nullptr) << GetLastError();
    EXPECT_EQ(readAll(page), "hello");
    EXPECT_EQ(rawHeaders(page, HTTP_QUERY_RAW_HEADERS_CRLF).substr(0, 17), "HTTP/1.1 200 OK\r\n");
    std::string raw = rawHeaders(page, HTTP_QUERY_RAW_HEADERS);
    EXPECT_EQ(raw.substr(0, 16), std::string("HTTP/1.1 200 OK\0", 16));
    EXPECT_EQ(raw.substr(raw.size() - 2), std::string("\0\0", 2));
    DWORD status = 0, size = sizeof status;
    ASSERT_TRUE(HttpQueryInfoA(page, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr));
    EXPECT_EQ(status, 200u);

    auto request = server.request(0);
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/index.html");
    EXPECT_EQ(request.header("User-Agent"), "Tavimo");
    EXPECT_FALSE(request.hasHeader("Content-Type"));

    EXPECT_TRUE(InternetCloseHandle(session));
    DWORD n = 0;
    char c;
    EXPECT_FALSE(InternetReadFile(page, &c, 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(WinInet, RequestsCarryTheirHeadersAndBody) {
    HttpServer server;
    server.enqueue(Answer::status(404, "Not Found", "gone"));
    HINTERNET session = InternetOpenA("agent", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectA(session, "127.0.0.1", server.port(), nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    LPCSTR accept[] = {"text/xml", nullptr};
    HINTERNET request = HttpOpenRequestA(connection, "POST", "/gw/post.cgi", "HTTP/1.0", "http://ref/", accept,
                                         0x80400300, 0);
    ASSERT_NE(request, nullptr);
    ASSERT_TRUE(HttpAddRequestHeadersA(request, "Content-Type: application/x-www-form-urlencoded\r\n", -1, 0));
    ASSERT_TRUE(HttpAddRequestHeadersA(request, "X-One: 1\r\nX-Two: 2\r\n", -1, 0xA0000000));
    EXPECT_FALSE(HttpAddRequestHeadersA(request, "no colon here\r\n", -1, 0));
    std::string body = "a=1&b=2";
    ASSERT_TRUE(HttpSendRequestA(request, nullptr, 0, body.data(), static_cast<DWORD>(body.size())));
    EXPECT_EQ(readAll(request), "gone");
    EXPECT_EQ(rawHeaders(request, HTTP_QUERY_STATUS_TEXT), "Not Found");

    auto r = server.request(0);
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.version, "HTTP/1.0");
    EXPECT_EQ(r.body, body);
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.header("Accept"), "text/xml");
    EXPECT_EQ(r.header("Referer"), "http://ref/");
    EXPECT_EQ(r.header("X-Two"), "2");
    EXPECT_FALSE(r.hasHeader("Expect"));
    InternetCloseHandle(session);
}

TEST(WinInet, StatusCallbackReportsTheStepsInOrder) {
    HttpServer server;
    server.enqueue(Answer::ok("x"));
    static std::vector<DWORD> seen;
    seen.clear();
    HINTERNET session = InternetOpenA("a", 1, nullptr, nullptr, 0);
    InternetSetStatusCallback(session, [](HINTERNET, DWORD_PTR, DWORD status, LPVOID, DWORD) { seen.push_back(status); });
    HINTERNET connection = InternetConnectA(session, "127.0.0.1", server.port(), nullptr, nullptr, 3, 0, 7);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 7);
    ASSERT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(seen, (std::vector<DWORD>{10, 11, 20, 21, 30, 31, 40, 41}));
    InternetCloseHandle(session);
}

// A followed redirect is announced with the absolute address it goes to; one that is not
// followed is not announced.
TEST(WinInet, RedirectIsReportedWithItsTarget) {
    static std::vector<std::string> redirects;
    for (DWORD flags : {DWORD{0}, INTERNET_FLAG_NO_AUTO_REDIRECT}) {
        SCOPED_TRACE(flags);
        HttpServer server;
        server.enqueue(Answer::status(302, "Found", "", {{"Location", "/next?a=1"}}));
        server.enqueue(Answer::ok("arrived"));
        redirects.clear();
        HINTERNET session = InternetOpenA("a", 1, nullptr, nullptr, 0);
        InternetSetStatusCallback(session, [](HINTERNET, DWORD_PTR, DWORD status, LPVOID info, DWORD) {
            if (status == INTERNET_STATUS_REDIRECT) redirects.push_back(static_cast<const char*>(info));
        });
        HINTERNET connection = InternetConnectA(session, "127.0.0.1", server.port(), nullptr, nullptr, 3, 0, 7);
        HINTERNET request = HttpOpenRequestA(connection, "GET", "/start", nullptr, nullptr, nullptr, flags, 7);
        ASSERT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
        if (flags) {
            EXPECT_TRUE(redirects.empty());
            EXPECT_EQ(readAll(request), "");
        } else {
            EXPECT_EQ(redirects,
                      (std::vector<std::string>{"http://127.0.0.1:" + std::to_string(server.port()) + "/next?a=1"}));
            EXPECT_EQ(readAll(request), "arrived");
            EXPECT_EQ(server.request(1).target, "/next?a=1");
        }
        InternetCloseHandle(session);
    }
}

// A redirect from https to plain http is refused before anything goes out in clear, unless the
// request's flags allow it.
TEST(WinInet, RedirectFromHttpsToHttpNeedsItsFlag) {
    for (const DWORD flags : {DWORD{0}, INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP}) {
        SCOPED_TRACE(flags);
        HttpServer plain;
        plain.enqueue(Answer::ok("in clear"));
        HttpsServer secure;
        secure.enqueue(Answer::status(307, "Temporary Redirect", "", {{"Location", plain.url("/landing")}}));
        HINTERNET session = InternetOpenA("a", 1, nullptr, nullptr, 0);
        HINTERNET connection = InternetConnectA(session, "localhost", secure.port(), nullptr, nullptr, 3, 0, 0);
        HINTERNET request = HttpOpenRequestA(connection, "POST", "/pay", nullptr, nullptr, nullptr,
                                             INTERNET_FLAG_SECURE | flags, 0);
        DWORD security = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
        ASSERT_TRUE(InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &security, sizeof security));
        char body[] = "card=4111111111111111";
        const BOOL sent = HttpSendRequestA(request, nullptr, 0, body, sizeof body - 1);
        if (flags) {
            EXPECT_TRUE(sent) << GetLastError();
            EXPECT_EQ(readAll(request), "in clear");
            EXPECT_EQ(plain.requestCount(), 1u);
        } else {
            EXPECT_FALSE(sent);
            EXPECT_EQ(GetLastError(), ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR);
            EXPECT_EQ(plain.requestCount(), 0u);
            EXPECT_EQ(plain.connections().size(), 0u);
        }
        InternetCloseHandle(session);
    }
}

struct FailureCase {
    const char* name;
    CertKind certificate;
    DWORD securityFlags;
    DWORD error;  // 0: succeeds
};

TEST(WinInet, CertificateChecksAndTheirIgnoreFlags) {
    const FailureCase cases[] = {
        {"untrusted", CertKind::SelfSigned, 0, ERROR_INTERNET_INVALID_CA},
        {"untrusted ignored", CertKind::SelfSigned, SECURITY_FLAG_IGNORE_UNKNOWN_CA, 0},
        {"unknown issuer ignored", CertKind::Server, SECURITY_FLAG_IGNORE_UNKNOWN_CA, 0},
        {"expired", CertKind::Expired, SECURITY_FLAG_IGNORE_UNKNOWN_CA, ERROR_INTERNET_SEC_CERT_DATE_INVALID},
        {"expired ignored", CertKind::Expired, SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID, 0},
        {"wrong name", CertKind::WrongName, SECURITY_FLAG_IGNORE_UNKNOWN_CA, ERROR_INTERNET_SEC_CERT_CN_INVALID},
        {"wrong name ignored", CertKind::WrongName, SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID, 0},
    };
    for (const auto& c : cases) {
        TlsOptions options;
        options.certificate = c.certificate;
        HttpsServer server(options);
        server.enqueue(Answer::ok("secure"));
        HINTERNET session = InternetOpenA("a", 1, nullptr, nullptr, 0);
        HINTERNET connection = InternetConnectA(session, "localhost", server.port(), nullptr, nullptr, 3, 0, 0);
        HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr,
                                             INTERNET_FLAG_SECURE | INTERNET_FLAG_KEEP_CONNECTION, 0);
        DWORD flags = c.securityFlags;
        ASSERT_TRUE(InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags));
        BOOL ok = HttpSendRequestA(request, nullptr, 0, nullptr, 0);
        if (c.error == 0) {
            EXPECT_TRUE(ok) << c.name << " " << GetLastError();
            EXPECT_EQ(readAll(request), "secure") << c.name;
        } else {
            EXPECT_FALSE(ok) << c.name;
            EXPECT_EQ(GetLastError(), c.error) << c.name;
        }
        InternetCloseHandle(session);
    }
}

TEST(WinInet, TheMachinesTrustRootsAreTrusted) {
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT");
    std::string der = fixtures::TestCertificates::instance().der(CertKind::Ca);
    ASSERT_TRUE(CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                 static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING, nullptr));
    CertCloseStore(root, 0);
    HttpsServer server;
    server.enqueue(Answer::ok("trusted"));
    HINTERNET session = InternetOpenA("a", 1, nullptr, nullptr, 0);
    HINTERNET page = InternetOpenUrlA(session, server.url("/", "localhost").c_str(), nullptr, 0, 0, 0);
    ASSERT_NE(page, nullptr) << GetLastError();
    EXPECT_EQ(readAll(page), "trusted");
    InternetCloseHandle(session);
}

TEST(WinInet, FailuresGiveTheirCodes) {
    HINTERNET session = InternetOpenA("a", 1, nullptr, nullptr, 0);
    std::string refused = "http://127.0.0.1:" + std::to_string(fixtures::refusingPort()) + "/";
    EXPECT_EQ(InternetOpenUrlA(session, refused.c_str(), nullptr, 0, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_CANNOT_CONNECT);
    EXPECT_EQ(InternetOpenUrlA(session, "gopher://127.0.0.1/", nullptr, 0, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_UNRECOGNIZED_SCHEME);

    HttpServer silent;
    silent.enqueue(Answer::silence());
    DWORD timeout = 1000;
    ASSERT_TRUE(InternetSetOptionA(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout));
    EXPECT_EQ(InternetOpenUrlA(session, silent.url().c_str(), nullptr, 0, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_TIMEOUT);
    InternetCloseHandle(session);
}

// Another thread may close a session whose request is being sent: the send ends at once and
// the handles stay valid until it has returned.
TEST(WinInet, ClosingWhileARequestIsSentEndsTheSend) {
    HttpServer silent;
    silent.enqueue(Answer::silence());
    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectA(session, "127.0.0.1", silent.port(), nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_NE(request, nullptr);
    std::thread closer([&] {
        silent.waitForRequests(1);
        InternetCloseHandle(session);
    });
    EXPECT_FALSE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_OPERATION_CANCELLED);
    closer.join();
    DWORD n = 0;
    char c;
    EXPECT_FALSE(InternetReadFile(request, &c, 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// Each value given as one header stays one header: a line end inside one is refused.
TEST(WinInet, ValuesWithLineEndsAreRefused) {
    const char* evil = "a\r\n\r\nGET /smuggled HTTP/1.1\r\nHost: x\r\nX: ";
    EXPECT_EQ(InternetOpenA(evil, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    HttpServer server;
    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectA(session, "127.0.0.1", server.port(), nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    LPCSTR badAccept[] = {"text/*\r\nX-Evil: 1", nullptr};
    EXPECT_EQ(HttpOpenRequestA(connection, "GET", "/", nullptr, "r\nX-Evil: 1", nullptr, 0, 0), nullptr);
    EXPECT_EQ(HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, badAccept, 0, 0), nullptr);
    EXPECT_EQ(HttpOpenRequestA(connection, "GET", "/a\r\nX-Evil: 1", nullptr, nullptr, nullptr, 0, 0), nullptr);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_NE(request, nullptr);
    EXPECT_FALSE(HttpAddRequestHeadersA(request, "X-A: 1\rX-Evil: 1\r\n", -1, 0));
    EXPECT_FALSE(HttpSendRequestA(request, "X-B: 1\rGET /smuggled HTTP/1.1", -1, nullptr, 0));
    EXPECT_EQ(server.connectionCount(), 0u);
    InternetCloseHandle(session);
}

// libcurl drops a header with nothing after its colon; these go out as empty headers.
TEST(WinInet, EmptyHeadersAreSent) {
    HttpServer server;
    server.enqueue(Answer::ok("soap"));
    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = InternetConnectA(session, "127.0.0.1", server.port(), nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    LPCSTR accept[] = {"", nullptr};
    HINTERNET request = HttpOpenRequestA(connection, "POST", "/api", nullptr, nullptr, accept, 0, 0);
    ASSERT_TRUE(HttpAddRequestHeadersA(request, "SOAPAction: \r\nX-Empty:\r\nX-Blank: \t\r\n", -1, 0xA0000000));
    std::string body = "<x/>";
    ASSERT_TRUE(HttpSendRequestA(request, "X-Extra: \r\n", -1, body.data(), static_cast<DWORD>(body.size())));
    EXPECT_EQ(readAll(request), "soap");
    const auto sent = server.request(0);
    for (const char* name : {"SOAPAction", "X-Empty", "X-Blank", "X-Extra", "Accept"}) {
        EXPECT_TRUE(sent.hasHeader(name)) << name << " in " << sent.bytes;
        EXPECT_EQ(sent.header(name), "") << name;
    }
    InternetCloseHandle(session);
}

// The body reaches the reader as it arrives, not once the whole answer is in.
TEST(WinInet, BodyIsStreamedToTheReader) {
    fixtures::RawPeer peer;
    peer.addConnection(fixtures::PeerScript()
                           .expectUntil("\r\n\r\n")
                           .send("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\nfirst part")
                           .hold());
    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    DWORD timeout = 20000;
    ASSERT_TRUE(InternetSetOptionA(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout));
    HINTERNET connection = InternetConnectA(session, "127.0.0.1", peer.port(), nullptr, nullptr,
                                            INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
    ASSERT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0)) << GetLastError();
    DWORD status = 0, size = sizeof status;
    ASSERT_TRUE(HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr));
    EXPECT_EQ(status, 200u);
    char buffer[100];
    DWORD n = 0;
    ASSERT_TRUE(InternetReadFile(request, buffer, sizeof buffer, &n));
    EXPECT_EQ(std::string(buffer, n), "first part");
    InternetCloseHandle(session);
}

// A reader that takes its time holds the transfer back instead of the body piling up.
TEST(WinInet, LargeBodyIsReadWhole) {
    HttpServer server;
    std::string body;
    for (int i = 0; i < 400000; ++i) body += static_cast<char>('a' + i % 26);
    server.enqueue(Answer::ok(body));
    HINTERNET session = InternetOpenA("a", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET page = InternetOpenUrlA(session, server.url("/big").c_str(), nullptr, 0, 0, 0);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(readAll(page), body);
    InternetCloseHandle(session);
}

}  // namespace

// An answer whose head never ended is no answer, however the connection ended and over either
// scheme.
TEST(WinInet, AnswerWhoseHeadNeverEndedIsInvalid) {
    for (const bool secure : {false, true}) {
        for (const bool reset : {false, true}) {
            SCOPED_TRACE(std::string(secure ? "https" : "http") + (reset ? " reset" : " closed"));
            fixtures::PeerScript script;
            script.expectUntil("\r\n\r\n").send("HTTP/1.1 200 OK\r\nContent-Ty").pause(fixtures::Milliseconds(200));
            if (reset) {
                script.abort();
            } else {
                script.close();
            }
            std::unique_ptr<fixtures::RawPeer> peer;
            if (secure) {
                peer = std::make_unique<fixtures::RawTlsPeer>();
            } else {
                peer = std::make_unique<fixtures::RawPeer>();
            }
            peer->addConnection(script);
            HINTERNET session = InternetOpenA("a", 1, nullptr, nullptr, 0);
            HINTERNET connection = InternetConnectA(session, "localhost", peer->port(), nullptr, nullptr, 3, 0, 0);
            HINTERNET request = HttpOpenRequestA(connection, "GET", "/", nullptr, nullptr, nullptr,
                                                 secure ? INTERNET_FLAG_SECURE : 0, 0);
            DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
            if (secure) {
                ASSERT_TRUE(InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &flags, sizeof flags));
            }
            EXPECT_FALSE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
            EXPECT_EQ(GetLastError(), ERROR_HTTP_INVALID_SERVER_RESPONSE);
            InternetCloseHandle(session);
        }
    }
}
