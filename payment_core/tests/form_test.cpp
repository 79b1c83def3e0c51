#include <string>

#include "payment_core/tests/core_test.h"
#include "payment_core/web_form_client.h"
#include "testing/http_server.h"
#include "testing/test_clock.h"

using namespace payment_core;
using fixtures::Answer;
using fixtures::HttpServer;

namespace {

class FormClient : public WebFormClient {
public:
    FormClient() { setTimeoutMs(10000); }
    void onStatus(const char*, int, const char*) override {
        if (nested) nestedResult = postFormVariables(1);
    }
    bool nested = false;
    int nestedResult = -1;
};

void addVariable(WebFormClient& client, const std::string& name, const std::string& value) {
    client.formNames.add(name.data(), name.size());
    client.formValues.add(value.data(), value.size());
}

// The boundary and its time stamp come from a clock that only the test moves.
struct FixedClock {
    fixtures::TestClock clock;
    FixedClock() {
        clock.install();
        win32::setTickSource(&fixtures::TestClock::installedTicks);
        win32::setSystemTimeSource(&fixtures::TestClock::installedSystemTime<SYSTEMTIME>);
    }
    ~FixedClock() {
        win32::setTickSource(nullptr);
        win32::setSystemTimeSource(nullptr);
    }
};

}  // namespace

CORE_TEST(FormPost, UrlEncodedBody) {
    HttpServer server;
    server.enqueue(Answer::ok("ok"));
    server.enqueue(Answer::ok("ok"));
    FormClient client;
    client.setUrl(server.url("/form").c_str(), false);
    client.setPostContentType(kFormUrlEncoded);
    addVariable(client, "a", "x y");
    addVariable(client, "b", "1&2");
    ASSERT_EQ(client.postFormVariables(1), 0) << str(client.lastError);
    EXPECT_EQ(server.request(0).body, "a=x%20y&b=1%262");
    EXPECT_EQ(server.request(0).header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(client.formBusy, 0);

    client.clearFormVariables(0);
    ASSERT_EQ(client.postFormVariables(1), 0);
    EXPECT_EQ(server.request(1).method, "POST");
    EXPECT_EQ(server.request(1).header("Content-Length"), "0");
}

CORE_TEST(FormPost, QueryStringAppendsToTheUrl) {
    HttpServer server;
    server.enqueue(Answer::ok("ok"));
    FormClient client;
    client.setUrl(server.url("/q?x=1").c_str(), false);
    client.setPostContentType(kFormQuery);
    addVariable(client, "k", "v w");
    ASSERT_EQ(client.postFormVariables(1), 0);
    EXPECT_EQ(server.request(0).bytes.substr(0, 27), "GET /q?x=1?k=v%20w HTTP/1.1");
    EXPECT_TRUE(client.ContentType.empty());
}

CORE_TEST(FormPost, NestedSubmitIsBusy) {
    HttpServer server;
    server.enqueue(Answer::ok("ok"));
    FormClient client;
    client.setUrl(server.url("/").c_str(), false);
    client.nested = true;
    EXPECT_EQ(client.postFormVariables(1), 0);
    EXPECT_EQ(client.nestedResult, 143);
}

CORE_TEST(FormPost, ClearResetsVariablesAndEncoding) {
    FormClient client;
    client.setUrl("http://127.0.0.1/x", false);
    client.setPostContentType(kFormQuery);
    addVariable(client, "a", "1");
    EXPECT_EQ(client.postFormVariables(2), 0);
    EXPECT_EQ(client.formNames.count(), 0);
    EXPECT_EQ(client.formEncoding, kFormUrlEncoded);
    EXPECT_TRUE(client.URL.empty());
    EXPECT_EQ(str(client.ContentType), "application/x-www-form-urlencoded");
}

#if !PAYMENT_CORE_CHECKOUT
CORE_TEST(FormPost, MultipartBytes) {
    FixedClock fixed;
    HttpServer server;
    server.enqueue(Answer::ok("ok"));
    server.enqueue(Answer::ok("ok"));
    FormClient client;
    client.setUrl(server.url("/up").c_str(), false);
    client.setPostContentType(kFormMultipart);
    addVariable(client, "uploadedfile", "caf\xE9\x01\r\nend");
    addVariable(client, "say \"hi\"\r\n", "v");
    ASSERT_EQ(client.postFormVariables(1), 0) << str(client.lastError);
    // Monday 2024-01-15 10:30:00 UTC, ticks 1000 and the first boundary of this message.
    const std::string boundary = "--boundary.nvq.20240111510300.1001";
    EXPECT_EQ(server.request(0).header("Content-Type"), "multipart/form-data; boundary=\"" + boundary + "\"");
    EXPECT_EQ(server.request(0).body, "--" + boundary +
                                          "\r\nContent-Disposition: form-data; name=\"uploadedfile\"\r\n\r\n"
                                          "caf\xE9\x01\r\nend\r\n--" + boundary +
                                          "\r\nContent-Disposition: form-data; name=\"say %22hi%22%0D%0A\"\r\n\r\n"
                                          "v\r\n--" + boundary + "--\r\n");
    EXPECT_TRUE(client.formMessage.message.empty());

    // One variable still makes two parts; the second has neither header text nor data.
    client.clearFormVariables(0);
    addVariable(client, "only", "1");
    ASSERT_EQ(client.postFormVariables(1), 0);
    const std::string second = "--boundary.nvq.20240111510300.1002";
    EXPECT_EQ(server.request(1).body, "--" + second + "\r\nContent-Disposition: form-data; name=\"only\"\r\n\r\n1\r\n--" +
                                          second + "\r\n\r\n\r\n--" + second + "--\r\n");
}

CORE_TEST(FormPost, BoundaryInAValueIsReplaced) {
    FixedClock fixed;
    HttpServer server;
    server.enqueue(Answer::ok("ok"));
    FormClient client;
    client.setUrl(server.url("/").c_str(), false);
    client.setPostContentType(kFormMultipart);
    addVariable(client, "a", "x--boundary.nvq.20240111510300.1001y");
    addVariable(client, "b", "");
    ASSERT_EQ(client.postFormVariables(1), 0);
    EXPECT_EQ(str(client.formMessage.boundary), "--boundary.nvq.20240111510300.1002");
}

CORE_TEST(MimeMessage, EncoderForms) {
    FixedClock fixed;
    MimeMessage single;
    single.setPartCount(1);
    single.setPartData(0, "plain", 5);
    ASSERT_EQ(single.process(4), 0);
    EXPECT_EQ(str(single.message), "plain");
    EXPECT_EQ(str(single.messageHeaders),
              "MIME-Version: 1.0 (produced by the Netrivo! MIME Component)\r\n"
              "Content-Type: text/plain\r\nContent-Transfer-Encoding: 7bit\r\n");

    MimeMessage binary;
    binary.setPartCount(1);
    const std::string bytes(55, '\x80');
    binary.setPartData(0, bytes.data(), 55);
    EXPECT_EQ(str(binary.part(0)->contentType), "application/octet-stream");
    ASSERT_EQ(binary.process(4), 0);
    const std::string body = str(binary.message);
    ASSERT_EQ(body.size(), 72u + 2 + 4 + 2);
    EXPECT_EQ(body.substr(72, 2), "\r\n");
    EXPECT_EQ(body.substr(74), "gA==\r\n");

    MimeMessage text;
    text.setPartCount(1);
    text.setPartData(0, "A\x7F", 2);
    EXPECT_EQ(str(text.part(0)->contentType), "text/plain");
    EXPECT_EQ(text.part(0)->encoding, 1);
    text.process(4);
    EXPECT_EQ(str(text.message), "A=7F");

    EXPECT_EQ(text.setPartData(3, "x", 1), 280);
    EXPECT_EQ(str(text.lastError), "Invalid PartIdx");
}

CORE_TEST(MimeMessage, QuotedPrintableLines) {
    MimeMessage m;
    m.setPartCount(1);
    m.setPartEncoding(0, "Quoted-Printable");
    const std::string input = "tab\t \nend=" + std::string(80, 'a');
    m.setPartData(0, input.data(), static_cast<int>(input.size()));
    m.process(4);
    EXPECT_EQ(str(m.message), "tab\t=20\r\nend=3D" + std::string(69, 'a') + "=\r\n" + std::string(11, 'a'));
}
#endif
