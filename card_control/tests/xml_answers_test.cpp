#include "card_control/tests/parse_fixture.h"

using namespace card_control;
using namespace card_control::testing_support;

namespace {

const std::string PayFuseApproved =
    "<EngineDocList><DocVersion>1.0</DocVersion><EngineDoc><OrderFormDoc><Id>O-1</Id><Transaction><Id>T-1</Id>"
    "<AuthCode>AC9</AuthCode><CardProcResp><CcErrCode>1</CcErrCode><CcReturnMsg>Approved.</CcReturnMsg>"
    "<AvsRespCode>YY</AvsRespCode><Cvv2Resp>M</Cvv2Resp></CardProcResp></Transaction></OrderFormDoc></EngineDoc>"
    "</EngineDocList>";

const std::string PayFuseWithMessage =
    "<EngineDocList><EngineDoc><MessageList><Message><Text>Card declined</Text></Message></MessageList>"
    "<OrderFormDoc><Transaction><CardProcResp><CcErrCode>50</CcErrCode><CcReturnMsg>Declined</CcReturnMsg>"
    "</CardProcResp></Transaction></OrderFormDoc></EngineDoc></EngineDocList>";

const std::string OrbitalSale =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Response><ACResponse><CommonDataResponse><CommonMandatoryResponse>"
    "<ApprovalStatus>1</ApprovalStatus><StatusMsg>Approved</StatusMsg><ResponseCodes><AuthCode>tst554</AuthCode>"
    "<AVSRespCode>B </AVSRespCode><CVV2RespCode>M</CVV2RespCode></ResponseCodes><TxRefNum>4A5398CF</TxRefNum>"
    "<OrderNumber>1</OrderNumber></CommonMandatoryResponse></CommonDataResponse></ACResponse></Response>";

const std::string OrbitalVoid =
    "<Response><VoidResponse><ApprovalStatus>1</ApprovalStatus><TxRefNum>X9</TxRefNum><OrderNumber>9</OrderNumber>"
    "</VoidResponse></Response>";

const std::string LinkPointApproved =
    "<r_csp></r_csp><r_time>Mon Dec 7</r_time><r_ref>0097</r_ref><r_error></r_error><r_ordernum>ORD-1</r_ordernum>"
    "<r_message>APPROVED</r_message><r_code>0097820000019564:YNAM:</r_code><r_approved>APPROVED</r_approved>"
    "<r_avs>YNAM</r_avs>";

const std::string EchoApproved =
    "<html><body><ECHOTYPE1>Transaction approved</ECHOTYPE1><pre>ignored</pre><ECHOTYPE3><status>G</status>"
    "<auth_code>123456</auth_code><avs_result>X</avs_result><order_number>1-2-3</order_number>"
    "<merchant_trace_nbr>T1</merchant_trace_nbr><echo:security_result xmlns:echo=\"urn:e\">M</echo:security_result>"
    "<security_result>P</security_result></ECHOTYPE3></body></html>";

const std::string OgoneAccepted =
    "<?xml version=\"1.0\"?><ogone><ncresponse orderID=\"99\" PAYID=\"1234\" NCSTATUS=\"0\" NCERROR=\"0\" "
    "NCERRORPLUS=\"a &amp; b\nc\" ACCEPTANCE=\"test123\" STATUS=\"9\" AAVCheck=\"NO\" CVCCheck=\"KO\" "
    "amount=\"1\"/></ogone>";

const std::string PayFlowLinkPage =
    "<html><head><title>Receipt</title><script>var s = \"<input name='RESULT' value='9'>\";</script></head>\n"
    "<body><p>Thank you</p><FORM method=post><INPUT type=\"hidden\" NAME=\"RESULT\" VALUE=\"0\">"
    "<input type=hidden name=AUTHCODE value=010101><input name=\"AVSDATA\"><input name=\"PNREF\" value=\"V53A\">"
    "<input value=\"orphan\"></FORM></body></html>";

}  // namespace

TEST_F(CardAnswers, PayFuseReadsAbsolutePaths) {
    checkAnswers({
        {gwPayFuse, PayFuseApproved, 0, {"1", "Approved.", "AC9", "YY", "T-1", nullptr, "M"}},
        {gwPayFuse, PayFuseWithMessage, 0, {"50", "Card declined", nullptr, nullptr, nullptr, nullptr, nullptr}},
    });
    EXPECT_EQ(parse(gwPayFuse, "<EngineDocList><a></b></EngineDocList>"), 201);
    EXPECT_EQ(error(), "Unbalanced element tag.");
}

TEST_F(CardAnswers, OrbitalAnswers) {
    checkAnswers({{gwOrbital, OrbitalSale, 0, {"1", "Approved", "tst554", "B", "4A5398CF", "1", "M"}}});
    EXPECT_TRUE(parser.TransactionApproved(gwOrbital));

    // A void or credit answer is read below the first child of Response, whatever its name.
    ParseInput in;
    in.transactionType = ttVoid;
    EXPECT_EQ(parse(gwOrbital, OrbitalVoid, in), 0);
    expectFields({"1", nullptr, nullptr, nullptr, "X9", "9", nullptr});
    in.transactionType = ttCredit;
    EXPECT_EQ(parse(gwOrbital, OrbitalVoid, in), 0);
    expectFields({"1", nullptr, nullptr, nullptr, "X9", "9", nullptr});
    EXPECT_EQ(parse(gwOrbital, OrbitalVoid), 0);
    expectFields({nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr});

    // A QuickResponse reports a server error and never counts as approved.
    EXPECT_EQ(parse(gwOrbital,
                    "<Response><QuickResponse><ProcStatus>1</ProcStatus><StatusMsg>Bad BIN</StatusMsg>"
                    "</QuickResponse></Response>"),
              0);
    expectFields({"Orbital Server Error: 1", "Bad BIN", nullptr, nullptr, nullptr, nullptr, nullptr});
    EXPECT_FALSE(parser.TransactionApproved(gwOrbital));
    EXPECT_EQ(parse(gwOrbital, "<Response><QuickResponse><ProcStatus>833</ProcStatus></QuickResponse></Response>"), 0);
    expectFields({"Orbital Server Error: 833", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr});
    EXPECT_EQ(parse(gwOrbital, "<Response><QuickResponse><StatusMsg>x</StatusMsg></QuickResponse></Response>"), 208);
    EXPECT_EQ(error(), "Unable to find ProcStatus in QuickResponse.");
    EXPECT_EQ(parse(gwOrbital, "<Response><ACResponse></Response>"), 201);
    EXPECT_EQ(error(), "Unbalanced element tag.");
}

TEST_F(CardAnswers, LinkPointFamilyReadsElementsBelowAWrappingRoot) {
    for (int g : {gwLinkPoint, gwFirstData, gwYourPay}) {
        checkAnswers({
            {g, LinkPointApproved, 0, {"APPROVED", nullptr, "0097820000019564:YNAM:", "YNAM", "0097", "ORD-1", "M"}},
            {g,
             "<r_approved>DECLINED</r_approved><r_error>SGS-005005: Duplicate</r_error><r_avs>YN</r_avs>",
             0,
             {"DECLINED", "SGS-005005: Duplicate", nullptr, "YN", nullptr, nullptr, nullptr}},
        });
    }
    EXPECT_EQ(parse(gwLinkPoint, "<r_approved>APPROVED</r_error>"), 201);
}

TEST_F(CardAnswers, EchoTextAndElementBlock) {
    checkAnswers({
        // Names are compared with their prefix: "echo:security_result" is not "security_result".
        {gwECHOnline, EchoApproved, 0, {"G", "Transaction approved", "123456", "X", "1-2-3", "T1", "P"}},
        {gwECHOnline,
         "<ECHOTYPE1>Declined</ECHOTYPE1>",
         0,
         {nullptr, "Declined", nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwECHOnline, "<ECHOTYPE1>no end", 0, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwECHOnline, "<ECHOTYPE3></ECHOTYPE3>", 0, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
    });
    EXPECT_EQ(parse(gwECHOnline, "<ECHOTYPE3><status>G</ECHOTYPE3>"), 201);
    EXPECT_EQ(error(), "Unbalanced element tag.");
    EXPECT_EQ(parse(gwECHOnline, "<ECHOTYPE1>T</ECHOTYPE1><ECHOTYPE3><status>G</status>"), 206);
    EXPECT_EQ(error(), "Document contains unbalanced elements.");
    expectFields({nullptr, "T", nullptr, nullptr, nullptr, nullptr, nullptr});
}

TEST_F(CardAnswers, OgoneAttributesBecomePairs) {
    checkAnswers({{gwOgone, OgoneAccepted, 0, {"9", "a & b\nc", "test123", "NO", "1234", "99", "KO"}}});
    EXPECT_TRUE(parser.TransactionApproved(gwOgone));
    for (const char* invalid : {"", "not xml", "<ogone><other/></ogone>", "<ogone><ncresponse STATUS=\"5\"></ogone>"}) {
        EXPECT_EQ(parse(gwOgone, invalid), 513) << invalid;
        EXPECT_EQ(error(), "Unable to parse response: Invalid XML");
    }
}

TEST_F(CardAnswers, HtmlFormPages) {
    for (int g : {gwPayFlowLink, gwCyberCash}) {
        SCOPED_TRACE(g);
        ASSERT_EQ(parse(g, PayFlowLinkPage), 0);
        // An input without a value attribute keeps every later input paired with its own value.
        expectFields({"0", "Receipt Thank you ", "010101", nullptr, "V53A", nullptr, nullptr});
        EXPECT_TRUE(parser.TransactionApproved(g));
    }
    checkAnswers({
        {gwPayFlowLink,
         "<html><input name=RESPMSG value=\"Declined\"><input name=RESULT value=12>Sorry</html>",
         0,
         {"12", "Declined", nullptr, nullptr, nullptr, nullptr, nullptr}},
        {gwPayFlowLink, "<input name=RESULT value=0>", 0, {"0", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
    });
}
