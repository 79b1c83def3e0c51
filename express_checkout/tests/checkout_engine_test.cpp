#include "express_checkout/checkout_engine.h"

#include "express_checkout/tests/checkout_test.h"
#include "testing/http_server.h"
#include "testing/trusted_ca.h"

using namespace express_checkout;
using checkout_test::envelope;
using checkout_test::RecordingSink;
using checkout_test::str;
using fixtures::Answer;
using fixtures::HttpsServer;

namespace {

const std::string kEnvelopeHead =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><SOAP-ENV:Envelope "
    "xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "SOAP-ENV:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\" "
    "xmlns:xsi=\"http://www.w3.org/1999/XMLSchema-instance\" "
    "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" "
    "xmlns:xsd=\"http://www.w3.org/1999/XMLSchema\"><SOAP-ENV:Header>"
    "<RequesterCredentials xmlns=\"urn:ebay:api:PayPalAPI\" SOAP-ENV:mustUnderstand=\"1\">"
    "<Credentials xmlns=\"urn:ebay:apis:eBLBaseComponents\"><Username>api_user</Username>"
    "<Password>secret</Password><Subject/></Credentials></RequesterCredentials></SOAP-ENV:Header><SOAP-ENV:Body>";

const std::string kVersionLine = "<Version xmlns=\"urn:ebay:apis:eBLBaseComponents\">1.0</Version>\n";

std::string setCheckoutBody(const std::string& details) {
    return kEnvelopeHead + "<SetExpressCheckoutReq xmlns=\"urn:ebay:api:PayPalAPI\"><SetExpressCheckoutRequest>" +
           kVersionLine + details + "</SetExpressCheckoutRequest></SetExpressCheckoutReq></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

class CheckoutOperations : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixtures::trustTestCa());
        engine.eventSink = &sink;
        engine.setTimeout(10);
        engine.ApiUsername.assignCString("api_user");
        engine.ApiPassword.assignCString("secret");
        engine.Endpoint.assignCString(server.url("/2.0/", "localhost").c_str());
    }

    HttpsServer server;
    RecordingSink sink;
    CheckoutEngine engine;
};

TEST_F(CheckoutOperations, SetCheckoutSendsTheTemplate) {
    server.enqueue(Answer::ok(envelope("<SetExpressCheckoutResponse xmlns=\"urn:ebay:api:PayPalAPI\">"
                                       "<Ack>Success</Ack><Token>EC-1234</Token></SetExpressCheckoutResponse>"),
                              "text/xml"));
    engine.OrderTotal.assignCString("10.00");
    engine.ReturnURL.assignCString("https://shop.test/ok");
    engine.CancelURL.assignCString("https://shop.test/cancel");
    engine.OrderDescription.assignCString("Two ~ mugs");
    engine.PaymentAction = aAuthorization;
    ASSERT_EQ(engine.setCheckout(), 0) << str(engine.lastError);
    const std::string expected = setCheckoutBody(
        "<SetExpressCheckoutRequestDetails xmlns=\"urn:ebay:apis:eBLBaseComponents\">\n"
        "  <OrderTotal currencyID=\"USD\">10.00</OrderTotal>\n"
        "  <ReturnURL>https://shop.test/ok</ReturnURL>\n"
        "  <CancelURL>https://shop.test/cancel</CancelURL>\n"
        "  <Token></Token>\n"
        "  <MaxAmount></MaxAmount>\n"
        "  <OrderDescription>Two ~ mugs</OrderDescription>\n"
        "  <Custom></Custom>\n"
        "  <InvoiceId></InvoiceId>\n"
        "  <ReqConfirmShipping></ReqConfirmShipping>\n"
        "  <NoShipping></NoShipping>\n"
        "  <LocaleCode></LocaleCode>\n"
        "  <PageStyle></PageStyle>\n"
        "  <cpp-header-image></cpp-header-image>\n"
        "  <cpp-header-border-color></cpp-header-border-color>\n"
        "  <cpp-header-back-color></cpp-header-back-color>\n"
        "  <cpp-payflow-color></cpp-payflow-color>\n"
        "  <PaymentAction>Authorization</PaymentAction>\n"
        "  <BuyerEmail></BuyerEmail>\n"
        "</SetExpressCheckoutRequestDetails>\n");
    const auto request = server.request(0);
    EXPECT_EQ(request.target, "/2.0/");
    EXPECT_EQ(request.body, expected);
    EXPECT_EQ(str(engine.Request), expected);
    // The header line goes out empty while the SOAP layer's text names the method.
    EXPECT_NE(request.bytes.find("\r\nSOAPAction: \r\n"), std::string::npos);
    EXPECT_EQ(str(engine.SOAPAction), "urn:ebay:api:PayPalAPI#SetExpressCheckoutReq");
    EXPECT_STREQ(engine.responseToken(), "EC-1234");
    EXPECT_STREQ(engine.responseText("/Envelope/Body/[1]/Ack"), "Success");

    // A second call declares each namespace once again, not twice.
    server.enqueue(Answer::ok(envelope("<SetExpressCheckoutResponse/>")));
    ASSERT_EQ(engine.setCheckout(), 0) << str(engine.lastError);
    EXPECT_EQ(server.request(1).body, expected);
    EXPECT_STREQ(engine.responseToken(), "");
}

TEST_F(CheckoutOperations, RequiredFieldsSendNothing) {
    struct Case {
        const char* name;
        std::function<int(CheckoutEngine&)> call;
        const char* text;
    };
    auto fill = [](CheckoutEngine& e, const char* total, const char* ret, const char* cancel) {
        e.OrderTotal.assignCString(total);
        e.ReturnURL.assignCString(ret);
        e.CancelURL.assignCString(cancel);
    };
    const Case cases[] = {
        {"no total", [&](CheckoutEngine& e) { fill(e, "", "r", "c"); return e.setCheckout(); },
         "An OrderTotal is required for this transaction."},
        {"no return", [&](CheckoutEngine& e) { fill(e, "1", "", "c"); return e.setCheckout(); },
         "A ReturnURL is required for this transaction."},
        {"no cancel", [&](CheckoutEngine& e) { fill(e, "1", "r", ""); return e.setCheckout(); },
         "A CancelURL is required for this transaction."},
        {"empty token argument", [](CheckoutEngine& e) { e.Token.assignCString("old"); return e.getCheckoutDetails(""); },
         "A Token is required for this transaction."},
        {"payment without token", [](CheckoutEngine& e) { e.Token.reset(); return e.checkoutPayment(); },
         "A Token is required for this transaction."},
        {"payment without payer", [](CheckoutEngine& e) { e.Token.assignCString("t"); e.PayerId.reset(); return e.checkoutPayment(); },
         "A PayerId is required for this transaction."},
        {"payment without total", [](CheckoutEngine& e) {
             e.Token.assignCString("t"); e.PayerId.assignCString("p"); e.OrderTotal.reset(); return e.checkoutPayment(); },
         "An OrderTotal is required for this transaction."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.call(engine), kMissingField) << c.name;
        EXPECT_EQ(str(engine.lastError), c.text) << c.name;
    }
    EXPECT_TRUE(engine.Token.empty() || str(engine.Token) == "t");
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(CheckoutOperations, GetCheckoutDetailsEmptiesTokenFirst) {
    engine.Token.assignCString("EC-OLD");
    EXPECT_EQ(engine.getCheckoutDetails(""), kMissingField);
    EXPECT_TRUE(engine.Token.empty());
}

TEST_F(CheckoutOperations, DetailsAnswerFillsPayerId) {
    server.enqueue(Answer::ok(envelope(
        "<GetExpressCheckoutDetailsResponse><Timestamp>2026-12-10T12:00:00Z</Timestamp><Ack>Success</Ack>"
        "<CorrelationID>c0ff</CorrelationID><Version>1.0</Version><Build>42</Build>"
        "<GetExpressCheckoutDetailsResponseDetails><Token>EC-9</Token><PayerInfo><Payer>buyer@test</Payer>"
        "<PayerID>PAYER7</PayerID><PayerName><FirstName>Ann</FirstName></PayerName></PayerInfo>"
        "</GetExpressCheckoutDetailsResponseDetails></GetExpressCheckoutDetailsResponse>")));
    ASSERT_EQ(engine.getCheckoutDetails("EC-9"), 0) << str(engine.lastError);
    EXPECT_EQ(server.request(0).body.find(kVersionLine + "<Token>EC-9</Token>\n</GetExpressCheckoutDetailsRequest>") !=
                  std::string::npos,
              true);
    EXPECT_NE(server.request(0).body.find("<GetExpressCheckoutDetailsReq xmlns=\"urn:ebay:api:PayPalAPI\">"),
              std::string::npos);
    EXPECT_EQ(str(engine.PayerId), "PAYER7");
    EXPECT_STREQ(engine.responseToken(), "EC-9");
    EXPECT_STREQ(engine.responseText(kDetailsPath, "PayerInfo/PayerName/FirstName"), "Ann");
    EXPECT_STREQ(engine.responseText(kDetailsPath, "PayerInfo/PayerName/LastName"), "");
    struct Case {
        const char* key;
        const char* answer;
    };
    const Case cases[] = {{"Timestamp", "2026-12-10T12:00:00Z"}, {"ResponseVersion", "1.0"}, {"Build", "42"},
                          {"CorrelationId", "c0ff"},           {"FaultCode", ""}};
    for (const Case& c : cases) {
        const char* answer = nullptr;
        ASSERT_EQ(payment_core::dispatchConfig(engine, c.key, &answer), 0) << c.key;
        EXPECT_STREQ(answer, c.answer) << c.key;
    }
    const char* answer = nullptr;
    ASSERT_EQ(payment_core::dispatchConfig(engine, "Response", &answer), 0);
    EXPECT_EQ(std::string(answer), server.requests().empty() ? "" : str(engine.Response));
    EXPECT_NE(std::string(answer).find("PAYER7"), std::string::npos);
}

TEST_F(CheckoutOperations, PaymentWithItems) {
    server.enqueue(Answer::ok(envelope("<DoExpressCheckoutPaymentResponse/>")));
    server.enqueue(Answer::ok(envelope("<DoExpressCheckoutPaymentResponse/>")));
    engine.Token.assignCString("EC-5");
    engine.PayerId.assignCString("P5");
    engine.OrderTotal.assignCString("7.00");
    engine.OrderDescription.assignCString("desc");
    ASSERT_EQ(payment_core::dispatchConfig(engine, "ButtonSource=shop", nullptr), 0);
    ASSERT_EQ(engine.checkoutPayment(), 0) << str(engine.lastError);
    const std::string head =
        "<DoExpressCheckoutPaymentRequestDetails xmlns=\"urn:ebay:apis:eBLBaseComponents\">\n"
        "  <PaymentAction>Sale</PaymentAction>\n"
        "  <Token>EC-5</Token>\n"
        "  <PayerID>P5</PayerID>\n"
        "  <PaymentDetails>\n"
        "    <OrderTotal currencyID=\"USD\">7.00</OrderTotal>\n"
        "    <ItemTotal currencyID=\"USD\"></ItemTotal>\n"
        "    <ShippingTotal currencyID=\"USD\"></ShippingTotal>\n"
        "    <HandlingTotal currencyID=\"USD\"></HandlingTotal>\n"
        "    <TaxTotal currencyID=\"USD\"></TaxTotal>\n"
        "    <OrderDescription>desc</OrderDescription>\n"
        "    <InvoiceID></InvoiceID>\n"
        "    <ButtonSource>Tressikor.shop</ButtonSource>\n"
        "    <NotifyURL></NotifyURL>\n";
    const std::string tail = "  </PaymentDetails>\n</DoExpressCheckoutPaymentRequestDetails>\n";
    EXPECT_NE(server.request(0).body.find(kVersionLine + head + tail), std::string::npos) << server.request(0).body;

    engine.setItemCount(2);
    engine.ItemName.set(0, "Mug ~7~ ~~x");
    engine.ItemAmount.set(0, "3.50");
    engine.ItemNumber.set(0, "M1");
    engine.ItemQuantity.setItemInt(0, 2);
    engine.ItemSalesTax.set(0, "0.30");
    ASSERT_EQ(engine.checkoutPayment(), 0) << str(engine.lastError);
    const std::string items =
        "  <PaymentItem>    <Name>Mug ~7~ ~~x</Name>    <Amount>3.50</Amount>     <Number>M1</Number>"
        "    <Quantity>2</Quantity>  </PaymentItem>"
        "  <PaymentItem>    <Name></Name>    <Amount></Amount>     <Number></Number>"
        "    <Quantity></Quantity>  </PaymentItem>";
    EXPECT_NE(server.request(1).body.find(head + items + tail), std::string::npos) << server.request(1).body;
    EXPECT_EQ(server.request(1).body.find("0.30"), std::string::npos);
}

TEST_F(CheckoutOperations, ErrorsWalk) {
    server.enqueue(Answer::ok(envelope(
        "<DoExpressCheckoutPaymentResponse><Ack>Failure</Ack>"
        "<Errors><ShortMessage>Careful</ShortMessage><LongMessage>Just a warning</LongMessage>"
        "<ErrorCode>11001</ErrorCode><SeverityCode>Warning</SeverityCode></Errors>"
        "<Errors><ShortMessage>Bad token</ShortMessage><LongMessage>The token is invalid</LongMessage>"
        "<ErrorCode>10410</ErrorCode><SeverityCode>Error</SeverityCode></Errors>"
        "<Errors><ErrorCode>3</ErrorCode><SeverityCode>Error</SeverityCode></Errors>"
        "</DoExpressCheckoutPaymentResponse>")));
    engine.Token.assignCString("EC-1");
    engine.PayerId.assignCString("P");
    engine.OrderTotal.assignCString("1.00");
    EXPECT_EQ(engine.checkoutPayment(), kProviderError);
    EXPECT_EQ(str(engine.lastError), "[10410] Bad token. The token is invalid.");
    ASSERT_EQ(sink.errors.size(), 2u);
    EXPECT_EQ(sink.errors[0].code, kProviderError);
    EXPECT_EQ(sink.errors[0].text, "[11001] Careful. Just a warning.");
    EXPECT_EQ(sink.errors[1].text, "[10410] Bad token. The token is invalid.");
}

TEST_F(CheckoutOperations, SoapFaultNamesCodeAndString) {
    server.enqueue(Answer::status(500, "Internal Server Error",
                                  envelope("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode>"
                                           "<faultstring>Authentication failed</faultstring></SOAP-ENV:Fault>")));
    engine.OrderTotal.assignCString("1");
    engine.ReturnURL.assignCString("r");
    engine.CancelURL.assignCString("c");
    EXPECT_EQ(engine.setCheckout(), kSoapFault);
    EXPECT_EQ(str(engine.lastError), "SOAP Fault in SOAP-ENV:Client: Authentication failed");
    const char* answer = nullptr;
    ASSERT_EQ(payment_core::dispatchConfig(engine, "FaultString", &answer), 0);
    EXPECT_STREQ(answer, "Authentication failed");
}

TEST_F(CheckoutOperations, TemplateExpansion) {
    const char* parameters[kTemplateParameterCount];
    for (int n = 0; n < kTemplateParameterCount; ++n) parameters[n] = "";
    parameters[0] = "zero";
    parameters[7] = "seven";
    parameters[26] = "last";
    struct Case {
        const char* text;
        const char* expanded;
    };
    const Case cases[] = {
        {"a~7~b", "asevenb"}, {"~~", "~"},         {"~26~~27~", "last"}, {"~x~", "zero"},
        {"tail ~7", "tail 7"}, {"~-1~.", "."},     {"~07~", "seven"},   {"", ""},
    };
    for (const Case& c : cases) {
        InlineString99 out;
        ASSERT_EQ(CheckoutEngine::expandTemplate(c.text, parameters, out), 0);
        EXPECT_EQ(str(out), c.expanded) << c.text;
    }
}

TEST_F(CheckoutOperations, ConfigKeysAndReset) {
    struct Case {
        const char* set;
        const char* query;
        const char* answer;
    };
    const Case cases[] = {
        {"ButtonSource=My Shop", "buttonsource", "Tressikor.My Shop"},
        {"ButtonSource=", "ButtonSource", "Tressikor"},
        {"Version=2.3", "Version", "2.3"},
        {"Request=ignored", "Request", ""},
        {"Timestamp=ignored", "Timestamp", ""},
    };
    for (const Case& c : cases) {
        const char* answer = nullptr;
        ASSERT_EQ(payment_core::dispatchConfig(engine, c.set, &answer), 0) << c.set;
        ASSERT_EQ(payment_core::dispatchConfig(engine, c.query, &answer), 0) << c.query;
        EXPECT_STREQ(answer, c.answer) << c.query;
    }
    engine.resetConnection();
    EXPECT_TRUE(engine.ApiUsername.empty());
    EXPECT_TRUE(engine.ApiPassword.empty());
    EXPECT_EQ(str(engine.Version), "1.0");
    EXPECT_EQ(str(engine.Endpoint), defaultEndpoint());
    EXPECT_EQ(std::string(defaultEndpoint()).rfind("https://", 0), 0u);
    EXPECT_NE(std::string(defaultEndpoint()).find("/2.0/"), std::string::npos);
}

}  // namespace
