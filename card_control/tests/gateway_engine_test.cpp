#include "card_control/tests/engine_fixture.h"
#include "payment_core/core_component.h"

#include <string>
#include <vector>

using namespace card_control;
using namespace card_control::testing_support;
using fixtures::Answer;

namespace {

std::string authorizeNetAnswer(const std::string& code) {
    std::vector<std::string> fields(39, "");
    fields[0] = code;
    fields[3] = "This transaction has been approved.";
    fields[4] = "AUTH01";
    fields[5] = "Y";
    fields[6] = "70001";
    fields[7] = "INV-9";
    fields[38] = "M";
    std::string body;
    for (std::size_t i = 0; i < fields.size(); ++i) body += (i ? "|" : "") + fields[i];
    return body;
}

std::string configText(GatewayEngine& engine, const char* text, int* rc = nullptr) {
    const char* answer = nullptr;
    const int result = payment_core::dispatchConfig(engine, text, &answer);
    if (rc) *rc = result;
    return answer ? answer : "";
}

}  // namespace

// The whole road of one sale: the special fields first, then the row's fields in slot order, the
// exact request on the wire, and the answer in the response fields.
TEST_F(EngineTest, AuthorizeNetSaleFromRequestBytesToApproval) {
    server.enqueue(Answer::ok(authorizeNetAnswer("1")));
    point(gwAuthorizeNet, "/gateway/transact.dll");
    setCard();
    ASSERT_EQ(engine.addSpecialField("x_Extra", "a b&c"), 0);
    set(RequestSlot::CustomerFirstName, "Ann");
    set(RequestSlot::CustomerLastName, "Lee");
    set(RequestSlot::MerchantLogin, "merchant");
    set(RequestSlot::TransactionAmount, "10.00");

    ASSERT_EQ(engine.authorize(), 0) << str(engine.lastError);

    const std::string body =
        "x_Version=3.1&x_ADC_Delim_Data=TRUE&x_ADC_Delim_Character=%7C&x_ADC_Relay_Response=FALSE&x_ADC_URL=FALSE"
        "&x_Email_Customer=FALSE&x_Method=cc&x_Encap_Char=%22&x_Extra=a%20b%26c&x_Exp_Date=0708"
        "&x_Card_Num=4111111111111111&x_First_Name=Ann&x_Last_Name=Lee&x_Login=merchant&x_Amount=10.00"
        "&x_Type=AUTH_CAPTURE";
    EXPECT_EQ(server.request(0).bytes, "POST /gateway/transact.dll HTTP/1.1\r\nHost: localhost:" +
                                           std::to_string(server.port()) + "\r\nUser-Agent: " + str(engine.UserAgent) +
                                           "\r\nConnection: close\r\nContent-Type: application/x-www-form-urlencoded"
                                           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    EXPECT_EQ(str(engine.ResponseData), authorizeNetAnswer("1"));
    EXPECT_EQ(response(ResponseSlot::ResponseCode), "1");
    EXPECT_EQ(response(ResponseSlot::ResponseText), "This transaction has been approved.");
    EXPECT_EQ(response(ResponseSlot::ResponseApprovalCode), "AUTH01");
    EXPECT_EQ(response(ResponseSlot::ResponseAVS), "Y");
    EXPECT_EQ(response(ResponseSlot::ResponseTransactionId), "70001");
    EXPECT_EQ(response(ResponseSlot::ResponseInvoiceNumber), "INV-9");
    EXPECT_EQ(response(ResponseSlot::ResponseCVV2), "M");
    EXPECT_TRUE(engine.transactionApproved());
}

TEST_F(EngineTest, WithoutGatewayNothingIsSentAndTheLastAnswerStays) {
    server.enqueue(Answer::ok(authorizeNetAnswer("2")));
    point(gwAuthorizeNet);
    ASSERT_EQ(engine.authorize(), 0) << str(engine.lastError);
    ASSERT_EQ(engine.setGateway(gwNoGateway), 0);
    EXPECT_EQ(engine.GatewayURL.length(), 0);
    EXPECT_EQ(engine.authorize(), kNoGateway);
    EXPECT_EQ(str(engine.lastError), "Must specify gateway");
    EXPECT_EQ(response(ResponseSlot::ResponseCode), "2");
    EXPECT_EQ(server.requestCount(), 1u);
}

// A failed transport keeps what came back as the answer and, lacking a text of its own, as the error.
TEST_F(EngineTest, GatewayErrorStatusKeepsTheBody) {
    server.enqueue(Answer::status(500, "Server Error", "gateway down"));
    point(gwNetworkMerchants);
    const int rc = engine.authorize();
    EXPECT_NE(rc, 0);
    EXPECT_EQ(str(engine.ResponseData), "gateway down");
    EXPECT_FALSE(engine.lastError.empty());
    EXPECT_EQ(response(ResponseSlot::ResponseCode), "");
}

struct BuildCase {
    const char* what;
    int gateway;
    int cardType;
    int transactionType;
    const char* cvv;
    const char* amount;
    int rc;
    Pairs expected;  // pairs that must be present, in the order given
    std::vector<std::string> absent;
};

// Request building per gateway row, checked on the form variables without sending.
TEST_F(EngineTest, FormValuesFollowEachRow) {
    const std::vector<BuildCase> cases = {
        {"Optimal joins month and year with a slash and says no CVV", gwOptimal, ccVisa, ttSale, "", "100", 0,
         {{"cardExp", "07/08"}, {"cardType", "VI"}, {"cvdIndicator", "0"}}, {}},
        {"Optimal with CVV", gwOptimal, ccVisa, ttSale, "123", "100", 0, {{"cvdValue", "123"}, {"cvdIndicator", "1"}}, {}},
        {"iTransact spells the month and writes the full year", gwITransact, ccVisa, ttSale, "", "1", 0,
         {{"ccmo", "July"}, {"ccyr", "2008"}, {"first_name", "Ann"}, {"last_name", "Lee"}}, {}},
        {"TrustCommerce sends one name field", gwTrustCommerce, ccVisa, ttSale, "", "100", 0,
         {{"exp", "0708"}, {"name", "Ann Lee"}, {"action", "sale"}}, {}},
        {"unknown card type is refused where the code is NULL", gwIntellipay, ccUnknown, ttSale, "", "1",
         kNotForGateway, {}, {}},
        {"unknown card type is left to the user where the code is *USR*", gwProtx, ccUnknown, ttSale, "", "1", 0,
         {{"TxType", "PAYMENT"}}, {"CardType"}},
        {"Protx names a known card", gwProtx, ccVisa, ttSale, "", "1", 0, {{"CardType", "VISA"}}, {}},
        {"a row without a card-type field never fails on it", gwAuthorizeNet, ccUnknown, ttSale, "", "1", 0,
         {{"x_Type", "AUTH_CAPTURE"}}, {}},
        {"a transaction type the row does not take", gwIntellipay, ccVisa, ttCapture, "", "1", kNotForGateway, {}, {}},
        {"a row without a type field sends no type", gwIOnGate, ccVisa, ttCredit, "", "1", 0, {{"CARDTYPE", "VISA"}},
         {}},
        {"pennies with a decimal point", gwTrustCommerce, ccVisa, ttSale, "", "10.00", kNotForGateway, {}, {}},
        {"ViaKlix always sends the AVS pair", gwViaKlix, ccVisa, ttSale, "7", "1", 0,
         {{"ssl_avs_address", ""}, {"ssl_avs_zip", "99501"}, {"ssl_cvv2", "present"}}, {}},
        {"eProcessing marks a CVV", gwEprocessing, ccVisa, ttSale, "7", "1", 0, {{"CVV2Type", "1"}}, {}},
        {"MerchantPartners marks an authorisation", gwMerchantPartners, ccVisa, ttAuthOnly, "", "1", 0,
         {{"expyear", "2008"}, {"Authonly", "1"}}, {}},
    };
    for (const BuildCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(engine.setGateway(c.gateway), 0);
        setCard();
        set(RequestSlot::CustomerFirstName, "Ann");
        set(RequestSlot::CustomerLastName, "Lee");
        set(RequestSlot::CustomerZip, "99501");
        set(RequestSlot::CardCVV2Data, c.cvv);
        set(RequestSlot::TransactionAmount, c.amount);
        ASSERT_EQ(engine.setCardType(c.cardType), 0);
        ASSERT_EQ(engine.setTransactionType(c.transactionType), 0);
        engine.clearRequestState();
        EXPECT_EQ(engine.prepareRequest(), c.rc) << str(engine.lastError);
        for (const auto& [name, value] : c.expected) EXPECT_EQ(formValue(engine, name), value) << name;
        for (const std::string& name : c.absent) EXPECT_EQ(formValue(engine, name), "<absent>") << name;
    }
}

TEST_F(EngineTest, BuildErrorsCarryTheirTexts) {
    ASSERT_EQ(engine.setGateway(gwIntellipay), 0);
    EXPECT_EQ(engine.prepareRequest(), kNotForGateway);
    EXPECT_EQ(str(engine.lastError), "Invalid credit card type for this Gateway. Please see help file.");
    ASSERT_EQ(engine.setGateway(gwTrustCommerce), 0);
    set(RequestSlot::TransactionAmount, "10.00");
    EXPECT_EQ(engine.authorize(), kNotForGateway);
    EXPECT_EQ(str(engine.lastError),
              "For this gateway the TransactionAmount must be formatted as the number of pennies with no decimal point.");
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(EngineTest, SettersNormaliseAndRefuse) {
    struct Case {
        RequestSlot slot;
        const char* input;
        int rc;
        const char* stored;
    };
    const Case cases[] = {
        {RequestSlot::CardExpMonth, "7", 0, "07"},   {RequestSlot::CardExpMonth, "12", 0, "12"},
        {RequestSlot::CardExpMonth, "13", 503, "12"}, {RequestSlot::CardExpMonth, "0", 503, "12"},
        {RequestSlot::CardExpMonth, "", 0, ""},      {RequestSlot::CardExpYear, "2008", 0, "08"},
        {RequestSlot::CardExpYear, "99", 0, "99"},   {RequestSlot::CardExpYear, "2100", 503, "99"},
        {RequestSlot::CardExpYear, "-1", 503, "99"}, {RequestSlot::CardExpYear, "", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const int rc = c.slot == RequestSlot::CardExpMonth ? engine.setCardExpMonth(c.input)
                                                            : engine.setCardExpYear(c.input);
        EXPECT_EQ(rc, c.rc);
        EXPECT_EQ(engine.text(c.slot), c.stored);
    }
    EXPECT_EQ(engine.setGateway(46), 503);
    EXPECT_EQ(str(engine.lastError), "Invalid Gateway (Please see help file for valid values).");
    EXPECT_EQ(engine.setTransactionType(7), 503);
    EXPECT_EQ(engine.setCardNumber("4111-1111 1111-1111"), 0);
    EXPECT_EQ(engine.text(RequestSlot::CardNumber), "4111111111111111");
    EXPECT_EQ(engine.cardType(), ccVisa);
    EXPECT_EQ(engine.setCardNumber("4111x"), 502);
    EXPECT_EQ(engine.text(RequestSlot::CardNumber), "4111111111111111");
    EXPECT_EQ(engine.setCardType(8), 503);
    EXPECT_EQ(engine.cardType(), ccUnknown);
    EXPECT_EQ(engine.requestField(23), nullptr);
    EXPECT_EQ(str(engine.lastError), "Error Indexing FieldVals.");
}

TEST_F(EngineTest, SpecialFieldsFollowTheGatewayAndTheirIndexIsChecked) {
    ASSERT_EQ(engine.setGateway(gwPlanetPayment), 0);
    EXPECT_EQ(str(engine.GatewayURL), "https://planetpayment.gateways.example/gateway/transact.dll");
    ASSERT_EQ(engine.specialFieldCount(), 8);
    const char* text = nullptr;
    ASSERT_EQ(engine.specialField(engine.specialNames, 1, &text), 0);
    EXPECT_STREQ(text, "x_Version");
    EXPECT_EQ(engine.specialField(engine.specialNames, 0, &text), kSpecialFieldIndex);
    EXPECT_EQ(str(engine.lastError), "Invalid form variable index (out of range).");
    EXPECT_EQ(engine.specialField(engine.specialValues, 9, &text), kSpecialFieldIndex);
    ASSERT_EQ(engine.setSpecialFieldCount(10), 0);
    ASSERT_EQ(engine.setSpecialField(engine.specialNames, 10, "extra"), 0);
    EXPECT_EQ(engine.specialValues.count(), 10);
    ASSERT_EQ(engine.resetSpecialFields(), 0);
    EXPECT_EQ(engine.specialFieldCount(), 8);
    ASSERT_EQ(engine.setGateway(gwFirstData), 0);
    EXPECT_EQ(str(engine.GatewayURL), "linkpoint.gateways.example:1129");
    EXPECT_EQ(engine.specialFieldCount(), 0);
}

TEST_F(EngineTest, AuthorizeNetProtocolIsSharedAndResetDataPutsItBack) {
    GatewayEngine other;
    int rc = 0;
    EXPECT_EQ(configText(engine, "Authorize.Net", &rc), "AIM");
    configText(engine, "authorize.net=weblink", &rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(configText(other, "Authorize.Net"), "WebLink");
    ASSERT_EQ(other.setGateway(gwECX), 0);
    EXPECT_STREQ(other.specialValues.get(0), "3.0");
    configText(engine, "Authorize.Net=SIM", &rc);
    EXPECT_EQ(rc, kNotForGateway);
    EXPECT_EQ(str(engine.lastError), "Invalid config setting for Authorize.Net. Accepted values are 'AIM' or 'WebLink'.");
    other.resetData();
    EXPECT_EQ(configText(engine, "Authorize.Net"), "AIM");
    configText(engine, "TimeZone=707", &rc);
    EXPECT_EQ(configText(engine, "timezone"), "707");
    EXPECT_EQ(configText(engine, "UserAgent=x", &rc), "");
    EXPECT_EQ(rc, 0) << "keys the engine does not know go on to the HTTP client";
}

TEST_F(EngineTest, ResetDataRestoresEveryDefault) {
    point(gwAuthorizeNet);
    setCard();
    set(RequestSlot::MerchantLogin, "m");
    engine.setTransactionType(ttCredit);
    engine.resetData();
    EXPECT_EQ(engine.gateway, gwNoGateway);
    EXPECT_EQ(engine.GatewayURL.length(), 0);
    EXPECT_EQ(engine.specialFieldCount(), 0);
    EXPECT_EQ(engine.text(RequestSlot::CardExpMonth), "01");
    EXPECT_EQ(engine.text(RequestSlot::CardExpYear), "00");
    EXPECT_EQ(engine.text(RequestSlot::CardNumber), "");
    EXPECT_EQ(engine.text(RequestSlot::MerchantLogin), "");
    EXPECT_EQ(engine.transactionType(), ttSale);
    EXPECT_EQ(engine.cardType(), ccUnknown);
}

// ---- follow-ups ----

TEST_F(EngineTest, CaptureRestoresTheTypeOnlyWhenItSucceeds) {
    server.enqueue(Answer::ok("response=1&transactionid=5"));
    server.enqueue(Answer::status(500, "Server Error", "no"));
    point(gwNetworkMerchants);
    engine.setTransactionType(ttAuthOnly);
    ASSERT_EQ(engine.capture("T-1", "5.00"), 0) << str(engine.lastError);
    EXPECT_NE(server.request(0).body.find("type=capture"), std::string::npos);
    EXPECT_NE(server.request(0).body.find("transactionid=T-1"), std::string::npos);
    EXPECT_EQ(engine.transactionType(), ttAuthOnly);
    EXPECT_EQ(engine.text(RequestSlot::TransactionId), "");

    EXPECT_NE(engine.capture("T-2", "5.00"), 0);
    EXPECT_EQ(engine.transactionType(), ttCapture);
    EXPECT_EQ(engine.text(RequestSlot::TransactionId), "T-2");
}

TEST_F(EngineTest, VoidAndCreditUseTheirTypes) {
    server.enqueue(Answer::ok("response=1"));
    server.enqueue(Answer::ok("response=1"));
    point(gwNetworkMerchants);
    set(RequestSlot::TransactionAmount, "9.99");
    ASSERT_EQ(engine.voidTransaction("V1"), 0) << str(engine.lastError);
    EXPECT_EQ(server.request(0).body, "ccexp=0100&type=void&transactionid=V1");
    ASSERT_EQ(engine.credit("C1", "1.00"), 0) << str(engine.lastError);
    EXPECT_EQ(server.request(1).body, "ccexp=0100&amount=1.00&type=refund&transactionid=C1");
}

TEST_F(EngineTest, PlugNPayModeIsAddedForTheFollowUpOnly) {
    server.enqueue(Answer::ok("FinalStatus=success"));
    point(gwPlugNPay);
    const int before = engine.specialFieldCount();
    ASSERT_EQ(engine.voidTransaction("P1"), 0) << str(engine.lastError);
    EXPECT_NE(server.request(0).body.find("mode=void"), std::string::npos);
    EXPECT_EQ(engine.specialFieldCount(), before);
}

TEST_F(EngineTest, ProtxFollowUpsNeedTheirFieldsAndStayOnTheFollowUpPath) {
    server.enqueue(Answer::ok("Status=OK"));
    point(gwProtx, "/VPSDirectAuth/PaymentGateway.asp");
    EXPECT_EQ(engine.capture("X", "1"), kNotForGateway);
    EXPECT_EQ(str(engine.lastError), "'SecurityKey' Special Field must be set.");
    engine.addSpecialField("SecurityKey", "k");
    EXPECT_EQ(engine.capture("X", "1"), kNotForGateway);
    EXPECT_EQ(str(engine.lastError), "'TxAuthNo' Special Field must be set. (ResponseApprovalCode)");
    EXPECT_EQ(engine.credit("X", "1"), kNotForGateway);
    EXPECT_EQ(str(engine.lastError), "'RelatedSecurityKey' Special Field must be set.");
    engine.addSpecialField("TxAuthNo", "a");
    ASSERT_EQ(engine.capture("VPS-1", "100"), 0) << str(engine.lastError);
    EXPECT_EQ(server.request(0).target, "/vps200/dotransaction.dll?service=VendorReleaseTx");
    EXPECT_NE(server.request(0).body.find("TxType=RELEASE"), std::string::npos);
    EXPECT_NE(server.request(0).body.find("VPSTxID=VPS-1"), std::string::npos);
    EXPECT_EQ(str(engine.GatewayURL), server.url("/vps200/dotransaction.dll?service=VendorReleaseTx", "localhost"));
    EXPECT_EQ(engine.specialFieldCount(), 2) << "the follow-up puts the row's pairs back";
}

TEST_F(EngineTest, TrustCommerceCaptureSendsNoCardData) {
    server.enqueue(Answer::ok("status=accepted"));
    point(gwTrustCommerce);
    setCard();
    set(RequestSlot::MerchantLogin, "cust");
    ASSERT_EQ(engine.capture("TC-1", "500"), 0) << str(engine.lastError);
    EXPECT_EQ(server.request(0).body, "custid=cust&amount=500&action=postauth&transid=TC-1");
    EXPECT_EQ(engine.specialFieldCount(), 2);
    EXPECT_EQ(engine.text(RequestSlot::CardNumber), "");
}

TEST_F(EngineTest, ThreeDsiCreditDoesNotTurnTheNextSaleIntoACredit) {
    server.enqueue(Answer::ok("xxStatus=A"));
    server.enqueue(Answer::ok("xxStatus=A"));
    point(gw3DSI);
    ASSERT_EQ(engine.credit("N-1", "100"), 0) << str(engine.lastError);
    EXPECT_NE(server.request(0).body.find("DbCr=C"), std::string::npos);
    EXPECT_NE(server.request(0).body.find("OrigTranNum=N-1"), std::string::npos);
    engine.setTransactionType(ttSale);
    ASSERT_EQ(engine.authorize(), 0) << str(engine.lastError);
    EXPECT_NE(server.request(1).body.find("DbCr=D"), std::string::npos);
    EXPECT_EQ(server.request(1).body.find("OrigTranNum"), std::string::npos);
}

TEST_F(EngineTest, AchPaymentsPostsPreparedPairsAndGuardsItsFollowUps) {
    server.enqueue(Answer::ok("pg_response_type=A&pg_trace_number=77"));
    point(gwACHPAyments);
    setCard("4111111111111111", "7", "8");
    set(RequestSlot::TransactionAmount, "1.50");
    ASSERT_EQ(engine.authorize(), 0) << str(engine.lastError);
    EXPECT_EQ(server.request(0).body,
              "pg_avs_method=111110&ecom_payment_card_expdate_month=07&ecom_payment_card_expdate_year=08"
              "&ecom_payment_card_number=4111111111111111&pg_total_amount=1.50&pg_transaction_type=10"
              "&ecom_payment_card_type=VISA&endofdata&");
    EXPECT_TRUE(engine.transactionApproved());
    EXPECT_EQ(response(ResponseSlot::ResponseTransactionId), "77");

    EXPECT_EQ(engine.voidTransaction("77"), kNotForGateway);
    EXPECT_EQ(str(engine.lastError), "'pg_original_authorization_code' Special Field must be set.");
}
