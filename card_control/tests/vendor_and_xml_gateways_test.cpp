// The gateways that do not take a plain form post: the vendor's client library, the XML documents
// and the raw TLS exchange.

#include "card_control/pfpro_binding.h"
#include "card_control/tests/engine_fixture.h"
#include "payment_core/core_component.h"
#include "pfpro/pfpro.h"
#include "testing/raw_peer.h"

#include <string>

using namespace card_control;
using namespace card_control::testing_support;
using fixtures::Answer;
using fixtures::Milliseconds;
using fixtures::PeerScript;

namespace {

class VendorLibrary : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        PfProBinding::bind();
        ASSERT_TRUE(PfProBinding::loaded());
        ASSERT_EQ(engine.setGateway(gwPayFlowPro), 0);
        engine.GatewayURL.assignCString(("localhost:" + std::to_string(server.port())).c_str());
    }
    void TearDown() override { PfProBinding::release(); }
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void config(GatewayEngine& engine, const char* text) {
    const char* answer = nullptr;
    ASSERT_EQ(payment_core::dispatchConfig(engine, text, &answer), 0) << text;
}

}  // namespace

TEST_F(VendorLibrary, PostsUnencodedPairsAndReadsTheAnswer) {
    server.enqueue(Answer::ok("RESULT=0&PNREF=V19A2&RESPMSG=Approved&AUTHCODE=010101&AVSADDR=Y&AVSZIP=N"));
    setCard();
    set(RequestSlot::MerchantLogin, "vendor");
    set(RequestSlot::TransactionAmount, "1.00");
    set(RequestSlot::TransactionDesc, "first order");
    ASSERT_EQ(engine.authorize(), 0) << str(engine.lastError);
    EXPECT_EQ(server.request(0).target, pfpro::kTransactionPath);
    EXPECT_EQ(server.request(0).body, "TENDER=C&PARTNER=VeriSign&EXPDATE=0708&ACCT=4111111111111111&VENDOR=vendor"
                                      "&AMT=1.00&COMMENT1=first order&TRXTYPE=S&");
    EXPECT_EQ(str(engine.ResponseData), "RESULT=0&PNREF=V19A2&RESPMSG=Approved&AUTHCODE=010101&AVSADDR=Y&AVSZIP=N");
    EXPECT_EQ(response(ResponseSlot::ResponseCode), "0");
    EXPECT_EQ(response(ResponseSlot::ResponseAVS), "YN");
    EXPECT_EQ(response(ResponseSlot::ResponseInvoiceNumber), "");
    EXPECT_EQ(response(ResponseSlot::ResponseTransactionId), "V19A2");
    EXPECT_TRUE(engine.transactionApproved());
}

TEST_F(VendorLibrary, WithoutTheLibraryTheBuildStillComesFirst) {
    PfProBinding::release();
    ASSERT_EQ(engine.setTransactionType(ttAVSOnly), 0);
    EXPECT_EQ(engine.authorize(), kNotForGateway);
    ASSERT_EQ(engine.setTransactionType(ttSale), 0);
    EXPECT_EQ(engine.authorize(), kPfProNotLoaded);
    EXPECT_EQ(str(engine.lastError), "Unable to load pfpro.dll.");
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(VendorLibrary, UnreachableGatewayIsASubmitFailure) {
    engine.GatewayURL.assignCString("127.0.0.1:1");
    EXPECT_EQ(engine.authorize(), pfpro::kCannotConnect);
    EXPECT_EQ(str(engine.lastError), "Error submitting PayFlow Pro transaction.");
    EXPECT_EQ(str(engine.ResponseData), "");
}

// ---- XML documents ----

TEST_F(EngineTest, PayFuseSaleCarriesTheDocumentInOneFormVariable) {
    server.enqueue(Answer::ok(
        "<EngineDocList><EngineDoc><OrderFormDoc><Transaction><Id>PF-1</Id><AuthCode>A7</AuthCode><CardProcResp>"
        "<CcErrCode>1</CcErrCode><CcReturnMsg>Approved.</CcReturnMsg></CardProcResp></Transaction></OrderFormDoc>"
        "</EngineDoc></EngineDocList>"));
    point(gwPayFuse);
    setCard();
    set(RequestSlot::CardCVV2Data, "123");
    set(RequestSlot::MerchantLogin, "user");
    set(RequestSlot::TransactionAmount, "1000");
    config(engine, "MerchantAlias=shop");
    ASSERT_EQ(engine.authorize(), 0) << str(engine.lastError);
    const std::string document = formValue(engine, "CLRCMRC_XML");
    EXPECT_EQ(formPairs(engine).size(), 1u);
    EXPECT_TRUE(contains(server.request(0).body, "CLRCMRC_XML=%3CEngineDocList%3E"));
    EXPECT_TRUE(contains(document, "<User><Name>user</Name><Password></Password><Alias>shop</Alias></User>"));
    EXPECT_TRUE(contains(document, "<OrderFormDoc><Mode>P</Mode><Id></Id><Consumer>"));
    EXPECT_TRUE(contains(document, "<Expires DataType=\"ExpirationDate\" Locale=\"840\">07/08</Expires>"));
    EXPECT_TRUE(contains(document, "<Cvv2Val>123</Cvv2Val><Cvv2Indicator>1</Cvv2Indicator>"));
    EXPECT_TRUE(contains(document, "<Type>Auth</Type>"));
    EXPECT_TRUE(contains(document, "<Total DataType=\"Money\" Currency=\"840\">1000</Total>"));
    EXPECT_EQ(response(ResponseSlot::ResponseCode), "1");
    EXPECT_EQ(response(ResponseSlot::ResponseText), "Approved.");
    EXPECT_EQ(response(ResponseSlot::ResponseTransactionId), "PF-1");
    EXPECT_TRUE(engine.transactionApproved());
}

TEST_F(EngineTest, PayFuseVoidSendsNoCardData) {
    ASSERT_EQ(engine.setGateway(gwPayFuse), 0);
    setCard();
    set(RequestSlot::TransactionId, "T-9");
    ASSERT_EQ(engine.setTransactionType(ttVoid), 0);
    config(engine, "PayFuseTestMode=Y");
    ASSERT_EQ(engine.prepareRequest(), 0) << str(engine.lastError);
    const std::string document = formValue(engine, "CLRCMRC_XML");
    EXPECT_TRUE(contains(document, "<OrderFormDoc><Mode>Y</Mode><Id>T-9</Id><Transaction><Type>Void</Type>"
                                   "</Transaction></OrderFormDoc></EngineDoc></EngineDocList>"));
    EXPECT_FALSE(contains(document, "4111"));
    ASSERT_EQ(engine.setTransactionType(ttForce), 0);
    engine.clearRequestState();
    EXPECT_EQ(engine.prepareRequest(), kNotForGateway);
}

TEST_F(EngineTest, OrbitalPostsItsDocumentWithItsHeaders) {
    server.enqueue(Answer::ok(
        "<Response><ACResponse><CommonDataResponse><CommonMandatoryResponse><ApprovalStatus>1</ApprovalStatus>"
        "<StatusMsg>Approved</StatusMsg><TxRefNum>REF7</TxRefNum><ResponseCodes><AuthCode>tst12</AuthCode>"
        "</ResponseCodes></CommonMandatoryResponse></CommonDataResponse></ACResponse></Response>"));
    point(gwOrbital, "/authorize");
    setCard();
    set(RequestSlot::CardCVV2Data, "321");
    set(RequestSlot::CustomerFirstName, "Ann");
    set(RequestSlot::CustomerLastName, "Smith & Sons");
    ASSERT_EQ(engine.authorize(), 0) << str(engine.lastError);
    const fixtures::HttpRequest& request = server.request(0);
    EXPECT_EQ(request.header("Content-Type"), "application/PTI21");
    EXPECT_EQ(request.header("Content-Transfer-Encoding"), "text");
    EXPECT_EQ(request.header("MIME-Version"), "1.0");
    EXPECT_EQ(request.header("Request-Number"), "1");
    EXPECT_EQ(request.header("Document-Type"), "Request");
    EXPECT_TRUE(contains(request.body, "<Request><AC><CommonData><CommonMandatory AuthOverrideInd=\"N\""));
    EXPECT_TRUE(contains(request.body, "MessageType=\"AC\" Version=\"2\" TzCode=\"705\">"));
    EXPECT_TRUE(contains(request.body, "<TxTypeCommon TxTypeID=\"G\"/><Currency"));
    EXPECT_TRUE(contains(request.body, "<Exp>0708</Exp>"));
    EXPECT_TRUE(contains(request.body, "<CardSecVal CardSecInd=\"1\">321</CardSecVal>"));
    EXPECT_TRUE(contains(request.body, "<AVSname>Ann Smith &amp; Sons</AVSname>"));
    EXPECT_TRUE(contains(request.body, "</Auth><Cap><CapMandatory><EntryDataSrc>02</EntryDataSrc>"));
    EXPECT_EQ(response(ResponseSlot::ResponseCode), "1");
    EXPECT_EQ(response(ResponseSlot::ResponseText), "Approved");
    EXPECT_EQ(response(ResponseSlot::ResponseApprovalCode), "tst12");
    EXPECT_TRUE(engine.transactionApproved());
}

// With UseWinInet the prepared document goes through the Internet library's worker; form
// gateways keep posting through the engine's own connection.
TEST_F(EngineTest, PreparedDocumentsHonourUseWinInet) {
    server.enqueue(Answer::ok(
        "<Response><ACResponse><CommonDataResponse><CommonMandatoryResponse><ApprovalStatus>1</ApprovalStatus>"
        "<StatusMsg>Approved</StatusMsg></CommonMandatoryResponse></CommonDataResponse></ACResponse></Response>"));
    point(gwOrbital, "/authorize");
    engine.UseWinInet = true;
    setCard();
    ASSERT_EQ(engine.authorize(), 0) << str(engine.lastError);
    EXPECT_NE(engine.workerThread, nullptr);
    EXPECT_EQ(server.request(0).header("Content-Type"), "application/PTI21");
    EXPECT_TRUE(contains(server.request(0).body, "<Request><AC><CommonData>"));
    EXPECT_EQ(response(ResponseSlot::ResponseText), "Approved");
}

TEST_F(EngineTest, OrbitalDocumentsByTransactionType) {
    struct Case {
        int type;
        const char* cardNumber;
        std::vector<std::string> present;
        std::vector<std::string> absent;
        int rc;
    };
    const std::vector<Case> cases = {
        {ttForce, "5500000000000004", {"<TxTypeCommon TxTypeID=\"G\"><PriorAuthID/></TxTypeCommon>",
                                       "<AuthCd AuthSrc=\"\">PRE1</AuthCd>", "<CardSecVal>9</CardSecVal>", "TzCode=\"707\""},
         {"AVSextended"}, 0},
        {ttCapture, "4111111111111111", {"MessageType=\"C\"", "<TxRefNum>R-1</TxRefNum><TxRefIdx/>"}, {"<Auth>"}, 0},
        {ttCredit, "4111111111111111", {"<Refund ", "MessageType=\"FR\"", "<Comments>Customer Refund</Comments>"}, {"<AC>"}, 0},
        {ttVoid, "4111111111111111", {"<Void HcsTcsInd=\"T\" MessageType=\"V\" Version=\"2\" TzCode=\"705\">",
                                      "<TxRefNum>R-1</TxRefNum><TxRefIdx>0</TxRefIdx></Void>"}, {"<AccountNum"}, 0},
        {ttAVSOnly, "4111111111111111", {}, {}, kNotForGateway},
    };
    config(engine, "TimeZone=707");
    config(engine, "AuthCode=PRE1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        ASSERT_EQ(engine.setGateway(gwOrbital), 0);
        setCard(c.cardNumber);
        set(RequestSlot::CardCVV2Data, "9");
        set(RequestSlot::TransactionId, "R-1");
        ASSERT_EQ(engine.setTransactionType(c.type), 0);
        engine.clearRequestState();
        ASSERT_EQ(engine.prepareRequest(), c.rc) << str(engine.lastError);
        const std::string body = str(engine.PostData);
        for (const std::string& part : c.present) EXPECT_TRUE(contains(body, part)) << part;
        for (const std::string& part : c.absent) EXPECT_FALSE(contains(body, part)) << part;
    }
}

// ---- raw TLS exchange ----

class RawExchange : public EngineTest {
protected:
    fixtures::RawTlsPeer peer;
};

TEST_F(RawExchange, LinkPointOrderOverTls) {
    peer.addConnection(PeerScript()
                           .expectUntil("</order>")
                           .send("<r_csp>CSP</r_csp><r_time>now</r_time><r_ref>R1</r_ref><r_error></r_error>"
                                 "<r_ordernum>O-1</r_ordernum><r_message>APPROVED</r_message><r_code>0097</r_code>"
                                 "<r_approved>APPROVED</r_approved><r_avs>YYYM</r_avs>")
                           .close());
    ASSERT_EQ(engine.setGateway(gwFirstData), 0);
    engine.GatewayURL.assignCString(("localhost:" + std::to_string(peer.port())).c_str());
    setCard();
    set(RequestSlot::CardCVV2Data, "123");
    set(RequestSlot::CustomerAddress, "12 Main Street");
    set(RequestSlot::MerchantLogin, "store1");
    set(RequestSlot::TransactionAmount, "9.95");
    ASSERT_EQ(engine.authorize(), 0) << str(engine.lastError);
    ASSERT_TRUE(peer.waitFinished());
    EXPECT_EQ(peer.errors(), std::vector<std::string>());
    const std::string sent = peer.connection(0).received;
    EXPECT_EQ(sent.substr(0, 8), "<order>\n");
    EXPECT_TRUE(contains(sent, "\t\t<configfile>store1</configfile>\n"));
    EXPECT_TRUE(contains(sent, "\t\t<ordertype>SALE</ordertype>\n\t\t\n"));
    EXPECT_TRUE(contains(sent, "<cvmvalue>123</cvmvalue><cvmindicator>provided</cvmindicator>"));
    EXPECT_TRUE(contains(sent, "\t\t<addrnum>12</addrnum>\n"));
    EXPECT_TRUE(contains(sent, "<chargetotal>9.95</chargetotal>"));
    EXPECT_EQ(response(ResponseSlot::ResponseCode), "APPROVED");
    EXPECT_EQ(response(ResponseSlot::ResponseApprovalCode), "0097");
    EXPECT_EQ(response(ResponseSlot::ResponseTransactionId), "R1");
    EXPECT_EQ(response(ResponseSlot::ResponseCVV2), "M");
    EXPECT_TRUE(engine.transactionApproved());
}

// The answer is everything up to the peer's close, however it is cut into records and reads: a
// later record or a close that comes in a read of its own must still be taken.
TEST_F(RawExchange, AnswerIsEverythingUntilTheClose) {
    const std::string head = "<r_ref>R7</r_ref><r_code>0042</r_code>";
    const std::string tail = "<r_approved>APPROVED</r_approved><r_avs>YYYM</r_avs>";
    const std::string answer = head + tail;
    struct Case {
        const char* name;
        PeerScript script;
    };
    const std::vector<Case> cases = {
        {"records in one write", PeerScript().expectUntil("</order>").sendRecords({head, tail}).close()},
        {"close in a later read", PeerScript().expectUntil("</order>").send(answer).pause(Milliseconds(200)).close()},
        {"records in later reads",
         PeerScript().expectUntil("</order>").sendSplit(answer, {0, head.size()}, Milliseconds(200)).close()},
        {"record cut across reads",
         PeerScript().expectUntil("</order>").sendRecordSplit(answer, 20, Milliseconds(200)).close()},
    };
    for (const Case& c : cases) peer.addConnection(c.script);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        ASSERT_EQ(engine.setGateway(gwYourPay), 0);
        engine.GatewayURL.assignCString(("localhost:" + std::to_string(peer.port())).c_str());
        setCard();
        EXPECT_EQ(engine.authorize(), 0) << str(engine.lastError);
        EXPECT_EQ(str(engine.ResponseData), answer);
        EXPECT_EQ(response(ResponseSlot::ResponseApprovalCode), "0042");
        EXPECT_TRUE(engine.transactionApproved());
    }
    ASSERT_TRUE(peer.waitFinished());
    EXPECT_EQ(peer.errors(), std::vector<std::string>());
}

TEST_F(RawExchange, LinkPointFailuresPassThrough) {
    ASSERT_EQ(engine.setGateway(gwLinkPoint), 0);
    engine.GatewayURL.assignCString("127.0.0.1:1");
    EXPECT_EQ(engine.authorize(), 10061);
    EXPECT_EQ(str(engine.lastError).substr(0, 7), "[10061]");
}

TEST_F(EngineTest, LinkPointPlaceholders) {
    ASSERT_EQ(engine.setGateway(gwYourPay), 0);
    set(RequestSlot::CustomerAddress, "Main Street");
    set(RequestSlot::CustomerFirstName, "<Ann>");
    config(engine, "TestMode=GOOD");
    ASSERT_EQ(engine.setTransactionType(ttAVSOnly), 0);
    ASSERT_EQ(engine.prepareRequest(), 0);
    const std::string body = str(engine.PostData);
    EXPECT_TRUE(contains(body, "<addrnum></addrnum>"));
    EXPECT_TRUE(contains(body, "<ordertype>NULL</ordertype>\n\t\t<result>GOOD</result>\n"));
    EXPECT_TRUE(contains(body, "\t\t<cardexpyear>00</cardexpyear>\n\t\t<!--"));
    EXPECT_TRUE(contains(body, "<name>&lt;Ann&gt; </name>"));
    EXPECT_EQ(str(engine.ContentType), "application/url-encoded");
}

// Through the Internet library, an answer cut off inside its head fails the transaction with the
// library's code instead of approving an empty answer, whether the server resets or closes.
TEST_F(RawExchange, AnswerCutInItsHeadFailsThroughTheInternetLibrary) {
    for (const bool reset : {true, false}) {
        PeerScript script;
        script.expectUntil("endofdata&").send("HTTP/1.1 200 OK\r\nContent-Ty").pause(Milliseconds(200));
        peer.addConnection(reset ? script.abort() : script.close());
    }
    ASSERT_EQ(engine.setGateway(gwACHPAyments), 0);
    engine.GatewayURL.assignCString(("https://localhost:" + std::to_string(peer.port()) + "/ach").c_str());
    engine.UseWinInet = true;
    setCard("4111111111111111", "7", "8");
    set(RequestSlot::TransactionAmount, "1.50");
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(engine.authorize(), 12152);
        EXPECT_EQ(str(engine.lastError), "Http Invalid Server Response.");
    }
}

// Through the Internet library too, the card data follows a redirect only on its own host and
// never from https to plain http.
TEST_F(EngineTest, RedirectsThroughTheInternetLibraryStayOnTheRequestsHost) {
    fixtures::HttpsServer otherHost;
    fixtures::HttpServer plain;
    server.enqueue(Answer::status(307, "Temporary Redirect", "", {{"Location", otherHost.url("/ach")}}));
    server.enqueue(Answer::status(307, "Temporary Redirect", "", {{"Location", plain.url("/ach", "localhost")}}));
    server.enqueue(Answer::status(307, "Temporary Redirect", "", {{"Location", "/ach/again"}}));
    server.enqueue(Answer::ok("pg_response_type=A&pg_trace_number=77"));
    point(gwACHPAyments, "/ach");
    engine.UseWinInet = true;
    setCard("4111111111111111", "7", "8");
    set(RequestSlot::TransactionAmount, "1.50");
    EXPECT_EQ(engine.authorize(), 151);
    EXPECT_EQ(str(engine.lastError), "307 Temporary Redirect");
    EXPECT_EQ(engine.authorize(), 12040);
    EXPECT_EQ(str(engine.lastError), "HTTPS to HTTP redirection not allowed (check the security flags).");
    EXPECT_TRUE(otherHost.connections().empty());
    EXPECT_TRUE(plain.connections().empty());
    ASSERT_EQ(engine.authorize(), 0) << str(engine.lastError);
    EXPECT_EQ(server.request(3).target, "/ach/again");
    EXPECT_EQ(response(ResponseSlot::ResponseTransactionId), "77");
}
