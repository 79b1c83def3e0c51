#include "express_checkout/soap_client.h"

#include "express_checkout/tests/checkout_test.h"
#include "testing/http_server.h"
#include "testing/trusted_ca.h"

using namespace express_checkout;
using checkout_test::envelope;
using checkout_test::str;
using fixtures::Answer;
using fixtures::HttpsServer;

namespace {

class CheckoutSoap : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fixtures::trustTestCa()); }

    // A client with a method set up, pointed at the server.
    void prepare(SoapClient& client, const HttpsServer& server) {
        client.initHttpsDefaults();
        client.setTimeoutMs(10000);
        client.Method.assignCString("Quote");
        client.setMethodURI("urn:quotes");
        client.setUrl(server.url("/soap", "localhost").c_str(), false);
    }
};

TEST_F(CheckoutSoap, EnvelopeShapes) {
    struct Case {
        const char* name;
        const char* prefix;
        const char* header;
        const char* encoding;
        const char* expected;
    };
    const Case cases[] = {
        {"method prefix", "m", "", "http://schemas.xmlsoap.org/soap/encoding/",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope "
         "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
         "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\" xmlns:xsd=\"urn:x\">"
         "<SOAP-ENV:Body><m:Quote xmlns:m=\"urn:quotes\"><sym>A&amp;B</sym><raw kind=\"r\">1<2</raw>"
         "</m:Quote></SOAP-ENV:Body></SOAP-ENV:Envelope>"},
        {"default namespace, header, no encoding style", "", "<h>1</h>", "",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope "
         "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" xmlns:xsd=\"urn:x\">"
         "<SOAP-ENV:Header><h>1</h></SOAP-ENV:Header>"
         "<SOAP-ENV:Body><Quote xmlns=\"urn:quotes\"><sym>A&amp;B</sym><raw kind=\"r\">1<2</raw>"
         "</Quote></SOAP-ENV:Body></SOAP-ENV:Envelope>"},
    };
    for (const Case& c : cases) {
        SoapClient client;
        client.Method.assignCString("Quote");
        client.setMethodURI("urn:quotes");
        client.MethodNamespacePrefix.assignCString(c.prefix);
        client.SOAPHeader.assignCString(c.header);
        client.EncodingStyle.assignCString(c.encoding);
        client.addNamespace("xsd", "urn:x");
        client.addParam("sym", "A&B", false);
        client.addParam("raw", "1<2", true, "kind=\"r\"");
        ASSERT_EQ(client.doAction(kSoapBuild), 0) << c.name;
        EXPECT_EQ(str(client.PostData), c.expected) << c.name;
    }
}

TEST_F(CheckoutSoap, BuildNeedsMethodAndUri) {
    SoapClient client;
    EXPECT_EQ(client.buildEnvelope(), kSoapNoMethod);
    EXPECT_EQ(str(client.lastError), "No method name. Please specify a valid Method.");
    client.Method.assignCString("Quote");
    EXPECT_EQ(client.buildEnvelope(), kSoapNoMethodUri);
    EXPECT_EQ(str(client.lastError), "No method URI. Please specify a valid MethodURI.");
}

TEST_F(CheckoutSoap, EscapingKeepsApostrophe) {
    InlineString99 out;
    ASSERT_EQ(SoapClient::xmlEscape("\"a\" & <b> 'c'", out), 0);
    EXPECT_EQ(str(out), "&quot;a&quot; &amp; &lt;b&gt; 'c'");
}

TEST_F(CheckoutSoap, PostReadsReturnValues) {
    HttpsServer server;
    server.enqueue(Answer::ok(envelope("<m:QuoteResponse xmlns:m=\"urn:quotes\"><Price cur=\"USD\" exact=\"1\">12.5"
                                       "</Price><m:Note>ok</m:Note></m:QuoteResponse>"),
                              "text/xml"));
    server.enqueue(Answer::ok(envelope("<QuoteResponse/>"), "text/xml"));
    SoapClient client;
    prepare(client, server);
    client.addParam("sym", "ABC", false);
    ASSERT_EQ(client.doAction(kSoapPost), 0) << str(client.lastError);
    const auto request = server.request(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), "text/xml");
    EXPECT_EQ(request.header("SOAPAction"), "urn:quotes#Quote");
    EXPECT_NE(request.body.find("<m:Quote xmlns:m=\"urn:quotes\"><sym>ABC</sym></m:Quote>"), std::string::npos);
    ASSERT_EQ(client.paramNames.count(), 2);
    EXPECT_STREQ(client.paramNames.get(0), "Price");
    EXPECT_STREQ(client.paramValues.get(0), "12.5");
    EXPECT_STREQ(client.paramAttributes.get(0), "cur=\"USD\" exact=\"1\"");
    EXPECT_STREQ(client.paramNames.get(1), "m:Note");
    EXPECT_STREQ(client.paramAttributes.get(1), "");

    // Without a reset the first call's header line stays, whatever the new SOAPAction says.
    client.setMethod("Other");
    ASSERT_EQ(client.doAction(kSoapPost), 0) << str(client.lastError);
    EXPECT_EQ(server.request(1).header("SOAPAction"), "urn:quotes#Quote");
    EXPECT_EQ(str(client.SOAPAction), "urn:quotes#Other");
    // A method response without children leaves one empty item in each list.
    EXPECT_EQ(client.paramNames.count(), 1);
    EXPECT_EQ(client.paramValues.count(), 1);
    EXPECT_EQ(client.paramAttributes.count(), 1);
    EXPECT_STREQ(client.paramNames.get(0), "");

    client.doAction(kSoapReset);
    EXPECT_TRUE(client.OtherHeaders.empty());
    EXPECT_EQ(str(client.ContentType), "text/xml");
    EXPECT_EQ(client.paramNames.count(), 1);
}

TEST_F(CheckoutSoap, AnswersThatFail) {
    const std::string fault = envelope(
        "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>Bad things</faultstring>"
        "</SOAP-ENV:Fault>");
    struct Case {
        const char* name;
        Answer answer;
        int code;
        const char* text;
    };
    const Case cases[] = {
        {"fault with status 500", Answer::status(500, "Internal Server Error", fault, {{"Content-Type", "text/xml"}}),
         kSoapFault, "SOAP Fault. See the FaultCode or FaultString property for details."},
        {"status 500 without fault", Answer::status(500, "Internal Server Error", envelope("<R/>")),
         payment_core::kHttpStatusFailure, "Internal Server Error"},
        {"unbalanced answer", Answer::ok("<a><b></b>"), 206, "Document contains unbalanced elements."},
        {"cut answer", Answer::ok("<a><b/></a><c"), 205, "Invalid end state for parser."},
    };
    for (const Case& c : cases) {
        HttpsServer server;
        server.enqueue(c.answer);
        SoapClient client;
        prepare(client, server);
        EXPECT_EQ(client.doAction(kSoapPost), c.code) << c.name;
        EXPECT_EQ(str(client.lastError), c.text) << c.name;
    }
    HttpsServer server;
    server.enqueue(Answer::ok(fault));
    SoapClient client;
    prepare(client, server);
    ASSERT_EQ(client.doAction(kSoapPost), kSoapFault);
    EXPECT_STREQ(client.faultCode(), "SOAP-ENV:Server");
    EXPECT_STREQ(client.faultString(), "Bad things");
    EXPECT_EQ(str(client.PostData), fault);
}

// With UseWinInet the envelope goes out on the library's worker; the answer, a fault under an
// error status included, is read as on the own connection.
TEST_F(CheckoutSoap, PostHonoursUseWinInet) {
    HttpsServer server;
    server.enqueue(Answer::ok(envelope("<m:QuoteResponse xmlns:m=\"urn:quotes\"><Price>7</Price></m:QuoteResponse>"),
                              "text/xml"));
    server.enqueue(Answer::status(500, "Internal Server Error",
                                  envelope("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode>"
                                           "<faultstring>No such symbol</faultstring></SOAP-ENV:Fault>"),
                                  {{"Content-Type", "text/xml"}}));
    SoapClient client;
    prepare(client, server);
    client.UseWinInet = true;
    client.addParam("sym", "ABC", false);
    ASSERT_EQ(client.doAction(kSoapPost), 0) << str(client.lastError);
    EXPECT_NE(client.workerThread, nullptr);
    const auto request = server.request(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), "text/xml");
    EXPECT_EQ(request.header("SOAPAction"), "urn:quotes#Quote");
    EXPECT_NE(request.body.find("<m:Quote xmlns:m=\"urn:quotes\"><sym>ABC</sym></m:Quote>"), std::string::npos);
    ASSERT_EQ(client.paramNames.count(), 1);
    EXPECT_STREQ(client.paramNames.get(0), "Price");
    EXPECT_STREQ(client.paramValues.get(0), "7");

    EXPECT_EQ(client.doAction(kSoapPost), kSoapFault);
    EXPECT_EQ(server.requests().size(), 2u);
    EXPECT_STREQ(client.faultString(), "No such symbol");
}

TEST_F(CheckoutSoap, FaultTextsOfAnAnswerWithoutFault) {
    SoapClient client;
    client.PostData.assignCString(envelope("<R/>").c_str());
    ASSERT_EQ(client.doAction(kSoapParse), 0);
    EXPECT_STREQ(client.faultCode(), "");
    EXPECT_EQ(str(client.lastError), "No such child.");
}

TEST_F(CheckoutSoap, ConfigKeysOfThisLevel) {
    SoapClient client;
    struct Case {
        const char* set;
        const char* query;
        const char* answer;
    };
    const Case cases[] = {
        {"MethodNamespacePrefix=ns1", "methodnamespaceprefix", "ns1"},
        {"MethodNamespacePrefix=", "MethodNamespacePrefix", ""},
        {"SingleLineMode=true", "SingleLineMode", "True"},
        {"SingleLineMode=no", "SingleLineMode", "False"},
        {"SSLProvider=Other Provider", "SSLProvider", "Other Provider"},
        {"SSLCipherStrength=128", "sslcipherstrength", "128"},
        {"MaxLineLength=1000", "MaxLineLength", "1000"},
        {"LocalFile=answer.xml", "LocalFile", "answer.xml"},
    };
    for (const Case& c : cases) {
        const char* answer = nullptr;
        ASSERT_EQ(payment_core::dispatchConfig(client, c.set, &answer), 0) << c.set;
        ASSERT_EQ(payment_core::dispatchConfig(client, c.query, &answer), 0) << c.query;
        EXPECT_STREQ(answer, c.answer) << c.query;
    }
    const char* answer = nullptr;
    ASSERT_EQ(payment_core::dispatchConfig(client, "MaxLineLength", &answer), 0);
    SoapClient fresh;
    ASSERT_EQ(payment_core::dispatchConfig(fresh, "MaxLineLength", &answer), 0);
    EXPECT_STREQ(answer, "4000");
    ASSERT_EQ(payment_core::dispatchConfig(fresh, "UserAgent", &answer), 0);
    EXPECT_EQ(std::string(answer).rfind("Tressikor Netrivo HTTP/S Component - ", 0), 0u);
}

}  // namespace
