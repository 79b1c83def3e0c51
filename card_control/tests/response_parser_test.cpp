#include "card_control/tests/parse_fixture.h"

#include "payment_core/core_memory.h"

#include <cctype>

using namespace card_control;
using namespace card_control::testing_support;

namespace {

// An Authorize.Net answer: field i holds "f<i>" unless given.
std::string authorizeNetAnswer(std::vector<std::pair<int, std::string>> given, int count = 40, char delimiter = '|') {
    std::vector<std::string> fields(count);
    for (int i = 0; i < count; ++i) fields[i] = "f" + std::to_string(i);
    for (auto& [i, value] : given) fields[i] = value;
    std::string body;
    for (int i = 0; i < count; ++i) body += (i ? std::string(1, delimiter) : "") + "\"" + fields[i] + "\"";
    return body;
}

const std::vector<std::pair<int, std::string>> ApprovedAuthorizeNet = {
    {0, "1"}, {3, "This transaction has been approved."}, {4, "ABC123"}, {5, "Y"}, {6, "2147483647"}, {7, "INV-1"},
    {38, "M"}};
const Expected ApprovedAuthorizeNetFields = {
    "1", "This transaction has been approved.", "ABC123", "Y", "2147483647", "INV-1", "M"};

}  // namespace

TEST_F(CardAnswers, AuthorizeNetDelimitedWithEncapsulation) {
    checkAnswers({
        {gwAuthorizeNet, authorizeNetAnswer(ApprovedAuthorizeNet), 0, ApprovedAuthorizeNetFields},
        {gwECX, authorizeNetAnswer(ApprovedAuthorizeNet), 0, ApprovedAuthorizeNetFields},
        {gwPlanetPayment, authorizeNetAnswer({{0, "2"}}, 39), 0, {"2", "f3", "f4", "f5", "f6", "f7", "f38"}},
        // Exactly 38 fields: position 38 is the end and reads empty.
        {gwMPCS, authorizeNetAnswer({{0, "3"}}, 38), 0, {"3", "f3", "f4", "f5", "f6", "f7", nullptr}},
        // Quotes do not protect a delimiter; unquoted fields pass as they are.
        {gwAuthorizeNet, "1|2|3|\"a|b\"|x|\"y\"|z", 512, {"1", "a", "b", "x", "y", "z", nullptr}},
    });
}

TEST_F(CardAnswers, TruncatedDelimitedAnswerFailsWith512AndKeepsWhatWasStored) {
    EXPECT_EQ(parse(gwAuthorizeNet, authorizeNetAnswer({{0, "1"}}, 10)), 512);
    expectFields({"1", "f3", "f4", "f5", "f6", "f7", nullptr});
    EXPECT_EQ(error(), "");
    EXPECT_EQ(parse(gwDPI, "a|b|c"), 512);
    EXPECT_EQ(parse(gwAuthorizeNet, ""), 512);
}

TEST_F(CardAnswers, AuthorizeNetDelimiterComesFromTheSpecialField) {
    payment_core::StringList names, values;
    auto input = [&] {
        ParseInput in;
        in.specialNames = &names;
        in.specialValues = &values;
        return in;
    };
    names.add("x_ADC_Delim_Character");
    values.add(";");
    EXPECT_EQ(parse(gwAuthorizeNet, authorizeNetAnswer(ApprovedAuthorizeNet, 40, ';'), input()), 0);
    expectFields(ApprovedAuthorizeNetFields);

    // The name is compared without regard to case and the last such field counts.
    names.add("X_ADC_DELIM_CHARACTER");
    values.add("#x");
    EXPECT_EQ(parse(gwAuthorizeNet, authorizeNetAnswer(ApprovedAuthorizeNet, 40, '#'), input()), 0);
    expectFields(ApprovedAuthorizeNetFields);

    // An empty setting, like none at all, splits at commas.
    names.add("x_adc_delim_character");
    values.add("");
    EXPECT_EQ(parse(gwAuthorizeNet, authorizeNetAnswer(ApprovedAuthorizeNet, 40, ','), input()), 0);
    expectFields(ApprovedAuthorizeNetFields);
    names.reset();
    values.reset();
    EXPECT_EQ(parse(gwAuthorizeNet, authorizeNetAnswer(ApprovedAuthorizeNet, 40, ','), input()), 0);
    expectFields(ApprovedAuthorizeNetFields);
}

TEST_F(CardAnswers, AuthorizeNetHashCheck) {
    // MD5 of "secret" + "merchant" + "2147483647" + "10.00".
    const std::string hash = "9C44A94F52AA93A4CF7B1E5B4D0E51E7";
    std::string lower = hash;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto answerWith = [](const std::string& field37) {
        auto given = ApprovedAuthorizeNet;
        given.push_back({37, field37});
        return authorizeNetAnswer(given);
    };
    ParseInput in;
    in.merchantLogin = "merchant";
    in.transactionAmount = "10.00";
    in.aimHashSecret = "secret";

    EXPECT_EQ(parse(gwAuthorizeNet, answerWith(hash), in), 0);
    auto last = ApprovedAuthorizeNet;
    last.pop_back();
    last.push_back({37, hash});
    EXPECT_EQ(parse(gwAuthorizeNet, authorizeNetAnswer(last, 38), in), 0);
    EXPECT_EQ(parse(gwRTWare, answerWith(lower), in), 0);

    const char* mismatch =
        "Hash data returned from server differs from computed hash. (Use Config method to add HASHVALUE).";
    EXPECT_EQ(parse(gwAuthorizeNet, answerWith("00000000000000000000000000000000"), in), 542);
    EXPECT_EQ(error(), mismatch);
    expectFields(ApprovedAuthorizeNetFields);
    in.transactionAmount = "10.01";
    EXPECT_EQ(parse(gwAuthorizeNet, answerWith(hash), in), 542);

    // No secret, or the WebLink protocol: no check, whatever field 37 holds.
    in.aimHashSecret = "";
    EXPECT_EQ(parse(gwAuthorizeNet, answerWith("garbage"), in), 0);
    in.aimHashSecret = "secret";
    GatewayTable::setAuthorizeNetProtocol(AuthorizeNetProtocol::WebLink);
    EXPECT_EQ(parse(gwAuthorizeNet, answerWith("garbage"), in), 0);
    GatewayTable::setAuthorizeNetProtocol(AuthorizeNetProtocol::AIM);
    EXPECT_EQ(parse(gwAuthorizeNet, answerWith("garbage"), in), 542);
}

TEST_F(CardAnswers, OtherDelimitedFamilies) {
    std::string dpi;
    for (int i = 0; i < 24; ++i) dpi += (i ? "|" : "") + std::string("d") + std::to_string(i);
    std::string payready;
    for (int i = 0; i < 46; ++i) payready += (i ? "&" : "") + std::string("p%20") + std::to_string(i);
    checkAnswers({
        {gwDPI, dpi, 0, {"d10", nullptr, "d14", "d21", "d13", "d12", "d23"}},
        {gwPSIGate, "1,Approved,AUTH1,x,TX9,INV7", 0, {"1", "Approved", "AUTH1", nullptr, "TX9", "INV7", nullptr}},
        // Without encapsulation the quotes stay in the fields; the field setter drops them at the ends.
        {gwPSIGate,
         "\"0\",\"Declined \"\"x\"\"\",,,\"T\",\"I\"",
         0,
         {"0", "Declined \"\"x", nullptr, nullptr, "T", "I", nullptr}},
        {gwIBill,
         "\"authorized\",\"123456\",\"x\",\"y\",\"TX1\",\"INV1\",\"Y\"",
         0,
         {"0", "authorized", "123456", "Y", "TX1", "INV1", nullptr}},
        {gwIBill,
         "\"declined\",\"\",\"x\",\"y\",\"TX2\",\"INV2\",\"N\"",
         0,
         {"1", "declined", nullptr, "N", "TX2", "INV2", nullptr}},
        {gwIBill, "\"authorized\",\"1\"", 512, {nullptr, "authorized", "1", nullptr, nullptr, nullptr, nullptr}},
        {gwPayready, payready, 0, {"p 2", "p 45", "p 3", "p 4", "p 1", "p 7", nullptr}},
    });
}

TEST_F(CardAnswers, EprocessingRules) {
    checkAnswers({
        {gwEprocessing,
         "\"YAPPROVED 123456\",\"AVS Match (Y)\",\"CVV2 M\"",
         0,
         {"0", "APPROVED 123456", "123456", "Y", nullptr, nullptr, "CVV2 M"}},
        {gwEprocessing, "\"NDECLINED\",\"AVS\"", 0, {"1", "DECLINED", nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwEprocessing, "\"UUNAVAILABLE\"", 0, {"2", "UNAVAILABLE", nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwEprocessing,
         "\"XOTHER\",\"AVS Match (N)\",\"\"",
         0,
         {"X", "OTHER", nullptr, "N", nullptr, nullptr, nullptr}},
        // The six characters before the last stop at the start of a short field.
        {gwEprocessing, "\"YAB\"", 0, {"0", "AB", "YAB", nullptr, nullptr, nullptr, nullptr}},
    });
    for (const char* truncated : {"", "\"Y\"", "\"YAB", ",\"YAPPROVED\""}) {
        EXPECT_EQ(parse(gwEprocessing, truncated), 512) << truncated;
        EXPECT_EQ(error(), "Truncated response from Gateway.");
    }
}

TEST_F(CardAnswers, NameValueSplit) {
    checkAnswers({
        // Everything after the first "=" is the value; quotes go from the ends only.
        {gwUSAePay,
         "UMstatus=Approved&UMerror=a=b=c&UMauthCode=\"12\"3\"",
         0,
         {"Approved", "a=b=c", "12\"3", nullptr, nullptr, nullptr, nullptr}},
        // Items end at line feeds too, and a CR LF line end leaves nothing behind.
        {gwUSAePay,
         "UMstatus=Approved\r\nUMauthCode=777\r\nUMrefNum=9\r\n",
         0,
         {"Approved", nullptr, "777", nullptr, "9", nullptr, nullptr}},
        // An item without "=" keeps the later names paired with their own values.
        {gwUSAePay,
         "junk&UMstatus=Declined&&UMerror=Card+expired&UMavsResult=Y%20Match",
         0,
         {"Declined", "Card expired", nullptr, "Y Match", nullptr, nullptr, nullptr}},
        // A later equal name overwrites an earlier one; names are case-sensitive; "NULL" never matches.
        {gwUSAePay,
         "UMstatus=first&umstatus=x&UMstatus=second&NULL=n",
         0,
         {"second", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwUSAePay, "", 0, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
        // URL decoding: "+" is a blank, "%XX" a byte, an incomplete or invalid escape stays, NUL ends the text.
        {gwNetworkMerchants,
         "response=1&responsetext=50%25+off%2&authcode=%zz1&avsresponse=A%00B&transactionid=%4",
         0,
         {"1", "50% off%2", "%zz1", "A", "%4", nullptr, nullptr}},
    });
}

TEST_F(CardAnswers, NameValueFamilies) {
    checkAnswers({
        {gwIntellipay,
         "RESPONSECODE=A\nAUTHCODE=123\nAVSDATA=Y\nTRANSID=9\nINVOICE=7\nDECLINEREASON=",
         0,
         {"A", nullptr, "123", "Y", "9", "7", nullptr}},
        {gwIntellipay,
         "RESPONSECODE=F\n",
         0,
         {"F", "Failed. See ResponseData for detailed explanation.", nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwIntellipay,
         "RESPONSECODE=F&DECLINEREASON=Bad card",
         0,
         {"F", "Bad card", nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwIOnGate,
         "RESPONSECODE=AA<BR>AUTHRESPONSE=APPROVED<BR>APPROVALCODE=1234<BR>AVSRESPONSE=Y<BR>INVOICENO=5<BR>"
         "CVV2RESPONSE=M<br>x=1",
         0,
         {"AA", "APPROVED", "1234", "Y", nullptr, "5", "M<br>x=1"}},
        {gwITransact,
         "err=&authcode=AB12&avs_response=Y&xid=1234",
         0,
         {"0", nullptr, "AB12", "Y", "1234", nullptr, nullptr}},
        {gwITransact,
         "err=Card+declined%21&xid=1",
         0,
         {"1", "Card declined!", nullptr, nullptr, "1", nullptr, nullptr}},
        {gwPayFlowPro,
         "RESULT=0&PNREF=V123&RESPMSG=Approved&AUTHCODE=010101&AVSADDR=Y&AVSZIP=N&CVV2MATCH=Y",
         0,
         {"0", "Approved", "010101", "YN", "V123", nullptr, "Y"}},
        // Decoded after the split: an encoded "&" or "=" stays inside its value.
        {gwPlugNPay,
         "FinalStatus=success&auth-msg=Approved%20ok%26more&auth-code=123&orderID=9%3D9&order-id=5&cvv%72esp=M",
         0,
         {"success", "Approved ok&more", "123", nullptr, "9=9", "5", "M"}},
        {gwBankOfAmerica,
         "IOC_response_code=0<BR>IOC_reject_description=<BR>IOC_authorization_code=77<BR>IOC_order_id=1&IOC_avs_result="
         "Y",
         0,
         {"0", nullptr, "77", "Y", "1", nullptr, nullptr}},
        {gw3DSI,
         "\r\nStatus=A&AuthMsg=APPROVED+1&AuthCode=1&AVS=Y&TranNum=42",
         0,
         {"A", "APPROVED 1", "1", "Y", "42", nullptr, nullptr}},
        {gw3DSI, "x", 0, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwMoneris,
         "<html>response_order_id = 55<br>result = 1<br>message = APPROVED<br>bank_approval_code = 123<br>result=9 x",
         0,
         {"9 x", "APPROVED", "123", nullptr, nullptr, "55", nullptr}},
        {gwMoneris, "result=1&message=APPROVED", 0, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwOptimal,
         "status=SP&errString=&authCode=A1&avsInfo=X&txnNumber=5&cvdInfo=M",
         0,
         {"SP", nullptr, "A1", "X", "5", nullptr, "M"}},
    });
}

TEST_F(CardAnswers, InnovativeResponseCode) {
    checkAnswers({
        {gwInnovative, "approval=ABC&error=&anatransid=7", 0, {"0", nullptr, "ABC", nullptr, "7", nullptr, nullptr}},
        {gwInnovative,
         "approval=&error=Declined+(error+code+123)",
         0,
         {" 123", "Declined (error code 123)", nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwInnovative,
         "error=Bad (errorcode 7) (error code 8)",
         0,
         {" 8", "Bad (errorcode 7) (error code 8)", nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwInnovative,
         "error=Bad (errorcode 55)",
         0,
         {"55", "Bad (errorcode 55)", nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwInnovative,
         "approval=X&error=Bad) (errorcode 55",
         0,
         {nullptr, "Bad) (errorcode 55", "X", nullptr, nullptr, nullptr, nullptr}},
        {gwInnovative, "error=No code", 0, {nullptr, "No code", nullptr, nullptr, nullptr, nullptr, nullptr}},
    });
}

TEST_F(CardAnswers, TransactionCentralFamily) {
    checkAnswers({
        {gwMerchantAnywhere,
         "<html>junk=1 TransID=9&REFNO=1&Auth=Declined&Notes=Bad&AVSCode=N",
         0,
         {"1", "Bad", "Declined", "N", "9", "1", nullptr}},
        {gwPRIGate, "TransID=9&Auth=123456&CVV2ResponseMsg=M", 0, {"0", nullptr, "123456", nullptr, "9", nullptr, "M"}},
        {gwPRIGate, "TransID=9&Auth=dEcLiNeD", 0, {"1", nullptr, "dEcLiNeD", nullptr, "9", nullptr, nullptr}},
        {gwMerchantAnywhere, "Notes=x", 0, {"1", "x", nullptr, nullptr, nullptr, nullptr, nullptr}},
    });
}

TEST_F(CardAnswers, MerchantPartnersSplitsTheAuthorisationNumber) {
    checkAnswers({
        {gwMerchantPartners,
         "<html>\nresult=1&Status=Accepted&authcode=X&AuthNo=AVSAUTH:123456:x:y:z:Y:w:M&historyid=9&orderid=8",
         0,
         {"1", "Accepted", "123456", "Y", "9", "8", "M"}},
        // A short number gives empty fields for what it lacks.
        {gwMerchantPartners,
         "\nresult=0&authcode=X&AuthNo=A:B",
         0,
         {"0", nullptr, "B", nullptr, nullptr, nullptr, nullptr}},
        {gwMerchantPartners, "result=1&authcode=X&AuthNo=", 0, {"1", nullptr, "X", nullptr, nullptr, nullptr, nullptr}},
        {gwMerchantPartners, "result=1\nauthcode=X", 0, {nullptr, nullptr, "X", nullptr, nullptr, nullptr, nullptr}},
    });
}

TEST_F(CardAnswers, GoRealTimeKeepsTheWholeBody) {
    checkAnswers({
        {gwGoRealTime,
         "TRANSACTION APPROVED\r\n",
         0,
         {"0", "TRANSACTION APPROVED", nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwGoRealTime,
         "TRANSACTION APPROVED",
         0,
         {nullptr, "TRANSACTION APPROVED", nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwGoRealTime,
         "DECLINED: card\r\n",
         0,
         {nullptr, "DECLINED: card", nullptr, nullptr, nullptr, nullptr, nullptr}},
    });
}

TEST_F(CardAnswers, QuotedLines) {
    const std::string names =
        "\"AUTHCODE\",\"szSerialNumber\",\"szAuthorizationDeclinedMessage\",\"szAVSResponseCode\",\"szOrderNumber\","
        "\"szIsApproved\",\"szCVV2ResponseCode\",\"szReturnCode\",\"szTransactionFileName\"";
    checkAnswers({
        {gwSkipjack,
         names + "\r\n\"TAS204\",\"000386891209\",\"\",\"Y\",\"1\",\"1\",\"M\",\"1\",\"9802853155172.022\"",
         0,
         {"1", nullptr, "TAS204", "Y", "9802853155172.022", "1", "M"}},
        {gwSkipjack,
         names + "\n\"\",\"000386891209\",\"Invalid card number\",\"\",\"2\",\"0\",\"\",\"-35\"",
         0,
         {"0", "Invalid card number (-35)", nullptr, nullptr, nullptr, "2", nullptr}},
        {gwSkipjack, names, 0, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwSkipjack,
         "\"szIsApproved\",\"AUTHCODE\"\r\n\"0\"",
         0,
         {"0", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
    });
}

TEST_F(CardAnswers, ApprovalPrefixes) {
    struct Case {
        int gateway;
        const char* code;
        bool approved;
    } cases[] = {
        {gwAuthorizeNet, "1", true},
        {gwAuthorizeNet, "10", true},
        {gwAuthorizeNet, "2", false},
        {gwAuthorizeNet, "", false},
        {gwNetBilling, "1", true},
        {gwNetBilling, "R", true},
        {gwNetBilling, "T", true},
        {gwNetBilling, "r", false},
        {gwTrustCommerce, "approved", true},
        {gwTrustCommerce, "accepted", true},
        {gwTrustCommerce, "Approved", false},
        {gw3DSI, "V", true},
        {gwOptimal, "SP", true},
        {gwOptimal, "S", false},
        {gwDPI, "00", true},
        {gwDPI, "0", false},
        {gwUSAePay, "Approved", true},
        {gwUSAePay, "approved", false},
        {gwCyberCash, "0", true},
        {gwPaymentsGateway, "A", true},
        {gwNoGateway, "1", false},
        {-1, "1", false},
        {GatewayCount, "1", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TransactionApproved(c.gateway, c.code), c.approved) << c.gateway << " " << c.code;

    ResponseParser fresh;
    for (int g = 0; g < GatewayCount; ++g) EXPECT_FALSE(fresh.TransactionApproved(g)) << g;
    ASSERT_EQ(parse(gwAuthorizeNet, authorizeNetAnswer(ApprovedAuthorizeNet)), 0);
    EXPECT_TRUE(parser.TransactionApproved(gwAuthorizeNet));
    EXPECT_FALSE(parser.TransactionApproved(gwDPI));
}

TEST_F(CardAnswers, NoGatewayAndSlotsOutOfRange) {
    for (int g : {static_cast<int>(gwNoGateway), GatewayCount, -3}) {
        ParseInput in;
        in.gateway = g;
        EXPECT_EQ(parser.ParseResponse(in, "a=b", 3), 503) << g;
        EXPECT_EQ(error(), "Invalid Gateway or Gateway not specified: ParseResponse");
    }
    for (int slot : {-1, ResponseSlotCount}) {
        EXPECT_EQ(parser.setResponseField(slot, "x"), 508);
        EXPECT_EQ(error(), "Error Indexing FieldVals.");
    }
    EXPECT_EQ(parser.setResponseField(static_cast<int>(ResponseSlot::ResponseCVV2), "\r\n\"\"x\"\"\n\r"), 0);
    EXPECT_EQ(parser.field(ResponseSlot::ResponseCVV2), "x");
}

TEST_F(CardAnswers, FailedGrowthIs200AndKeepsTheField) {
    ASSERT_EQ(parser.setResponseField(0, "kept"), 0);
    payment_core::failAllocationsAfter(0);
    int rc = parser.setResponseField(0, std::string(500, 'x'));
    payment_core::failAllocationsAfter(-1);
    EXPECT_EQ(rc, 200);
    EXPECT_EQ(parser.field(ResponseSlot::ResponseCode), "kept");
}
