// Answers in the shapes the gateways really send, read through the control as a host reads them:
// whole however long they are, approved only where the gateway approved, with the ids a later
// follow-up needs.

#include "card_control/tests/control_fixture.h"

#include <string>
#include <vector>

using namespace corvisk;
using namespace corvisk::testing_support;
using fixtures::Answer;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// An approved sale of the PayFuse family as the engine returns it: the order echoed in full,
// fraud screening, the overview and the user, indented.
constexpr const char* kPayFuseApprovedSale = R"(<?xml version="1.0" encoding="UTF-8"?>
<EngineDocList>
  <DocVersion DataType="String">1.0</DocVersion>
  <EngineDoc>
    <ContentType DataType="String">OrderFormDoc</ContentType>
    <DocumentId DataType="String">4b7d21c0-5e8a-3002-002b-0003ba9a87ff</DocumentId>
    <Instructions>
      <Pipeline DataType="String">Payment</Pipeline>
    </Instructions>
    <MessageList>
    </MessageList>
    <OrderFormDoc>
      <Consumer>
        <BillTo>
          <Location>
            <Address>
              <City DataType="String">Springfield</City>
              <Company DataType="String"></Company>
              <Country DataType="String">840</Country>
              <Name DataType="String">Ann Smith</Name>
              <PostalCode DataType="String">62704</PostalCode>
              <StateProv DataType="String">IL</StateProv>
              <Street1 DataType="String">12 Main St</Street1>
              <Street2 DataType="String"></Street2>
            </Address>
            <Email DataType="String">ann.smith@example.com</Email>
            <TelFax DataType="String"></TelFax>
            <TelVoice DataType="String">217-555-0100</TelVoice>
          </Location>
        </BillTo>
        <Email DataType="String">ann.smith@example.com</Email>
        <PaymentMech>
          <CreditCard>
            <Cvv2Indicator DataType="String">1</Cvv2Indicator>
            <Cvv2Val DataType="String">***</Cvv2Val>
            <Expires DataType="ExpirationDate" Locale="840">12/30</Expires>
            <Number DataType="String">4111********1111</Number>
            <Type DataType="S32">1</Type>
          </CreditCard>
          <Type DataType="String">CreditCard</Type>
        </PaymentMech>
      </Consumer>
      <DateTime DataType="DateTime">1765424000211</DateTime>
      <FraudInfo>
        <FraudResult DataType="String">Accept</FraudResult>
        <FraudResultCode DataType="S32">0</FraudResultCode>
        <OrderScore DataType="Numeric" Precision="0">0</OrderScore>
        <StrategyList>
          <Strategy>
            <FraudAction DataType="String">Accept</FraudAction>
            <StrategyId DataType="S32">1</StrategyId>
            <StrategyName DataType="String">My Rules</StrategyName>
            <StrategyOwnerId DataType="S32">2304</StrategyOwnerId>
            <StrategyScore DataType="Numeric" Precision="0">0</StrategyScore>
          </Strategy>
        </StrategyList>
        <TotalScore DataType="Numeric" Precision="0">0</TotalScore>
      </FraudInfo>
      <GroupId DataType="String">4b7d21c0-5e8b-3002-002b-0003ba9a87ff</GroupId>
      <Id DataType="String">4b7d21c0-5e8b-3002-002b-0003ba9a87ff</Id>
      <Mode DataType="String">P</Mode>
      <Transaction>
        <AuthCode DataType="String">889350</AuthCode>
        <CardProcResp>
          <AvsDisplay>YY</AvsDisplay>
          <AvsRespCode DataType="String">YY</AvsRespCode>
          <CcErrCode DataType="S32">1</CcErrCode>
          <CcReturnMsg DataType="String">Approved.</CcReturnMsg>
          <Cvv2Resp DataType="String">1</Cvv2Resp>
          <ProcAvsRespCode DataType="String">Y</ProcAvsRespCode>
          <ProcCvv2Resp DataType="String">M</ProcCvv2Resp>
          <ProcReturnCode DataType="String">1</ProcReturnCode>
          <ProcReturnMsg DataType="String">Approved</ProcReturnMsg>
          <Status DataType="String">1</Status>
        </CardProcResp>
        <ChargeDesc1 DataType="String">Order 1001</ChargeDesc1>
        <ChargeTypeTxt DataType="String">Sale</ChargeTypeTxt>
        <CurrentTotals>
          <Totals>
            <Total DataType="Money" Currency="840">1000</Total>
          </Totals>
        </CurrentTotals>
        <Id DataType="String">4b7d21c0-5e8c-3002-002b-0003ba9a87ff</Id>
        <InputEnvironment DataType="S32">4</InputEnvironment>
        <StatusLevel DataType="S32">2</StatusLevel>
        <Type DataType="String">Auth</Type>
      </Transaction>
    </OrderFormDoc>
    <Overview>
      <AuthCode DataType="String">889350</AuthCode>
      <CcErrCode DataType="S32">1</CcErrCode>
      <CcReturnMsg DataType="String">Approved.</CcReturnMsg>
      <DateTime DataType="DateTime">1765424000211</DateTime>
      <FraudStatus DataType="String">None</FraudStatus>
      <FraudWeight DataType="Numeric" Precision="0">0</FraudWeight>
      <Mode DataType="String">P</Mode>
      <Notice DataType="String"></Notice>
      <OrderId DataType="String">4b7d21c0-5e8b-3002-002b-0003ba9a87ff</OrderId>
      <TransactionId DataType="String">4b7d21c0-5e8c-3002-002b-0003ba9a87ff</TransactionId>
      <TransactionStatus DataType="String">A</TransactionStatus>
    </Overview>
    <User>
      <Alias DataType="String">shop1</Alias>
      <ClientId DataType="S32">2304</ClientId>
      <EffectiveAlias DataType="String">shop1</EffectiveAlias>
      <EffectiveClientId DataType="S32">2304</EffectiveClientId>
      <Name DataType="String">shop1</Name>
      <Password DataType="String">XXXXXXX</Password>
    </User>
  </EngineDoc>
  <TimeIn DataType="DateTime">1765424000114</TimeIn>
  <TimeOut DataType="DateTime">1765424001237</TimeOut>
</EngineDocList>
)";

// An approved Orbital sale whose fields follow more than the default cap of profile entries.
std::string orbitalApprovedSale() {
    std::string answer = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Response>\n  <ACResponse>\n";
    for (int i = 0; i < 60; ++i)
        answer += "    <ProfileEntry><CustomerRefNum>10000" + std::to_string(i) +
                  "</CustomerRefNum><Status>A</Status></ProfileEntry>\n";
    answer +=
        "    <CommonDataResponse>\n      <CommonMandatoryResponse>\n        <ApprovalStatus>1</ApprovalStatus>\n"
        "        <StatusMsg>Approved</StatusMsg>\n        <ResponseCodes><AuthCode>tst554</AuthCode>"
        "<AVSRespCode>B </AVSRespCode><CVV2RespCode>M</CVV2RespCode></ResponseCodes>\n"
        "        <TxRefNum>4A5398CF9B87744ABE7A36F1E3C6E4F7BDD8D1B6</TxRefNum>\n        <OrderNumber>1001</OrderNumber>\n"
        "      </CommonMandatoryResponse>\n    </CommonDataResponse>\n  </ACResponse>\n</Response>\n";
    return answer;
}

}  // namespace

// Each transaction reads its answer whole, on the socket path and through the Internet library,
// whatever cap the kept body had before.
TEST_F(HostedTransaction, AnswersLongerThanTheDefaultCapAreReadWhole) {
    struct Case {
        const char* what;
        int gateway;
        const char* path;
        bool useWinInet;
        std::string answer;
        const char* responseText;
        const char* approvalCode;
        const char* transactionId;
    };
    const std::vector<Case> cases = {
        {"PayFuse over the socket path", 27, "/", false, kPayFuseApprovedSale, "Approved.", "889350",
         "4b7d21c0-5e8c-3002-002b-0003ba9a87ff"},
        {"Orbital through the Internet library", 29, "/authorize", true, orbitalApprovedSale(), "Approved", "tst554",
         "4A5398CF9B87744ABE7A36F1E3C6E4F7BDD8D1B6"},
    };
    ASSERT_EQ(putText(kTransactionAmount, "1000"), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_GT(c.answer.size(), 4096u);
        ASSERT_EQ(call(kConfig, {com::Variant::text("MaxTransferredData=100")}), S_OK);
        ASSERT_EQ(call(kConfig, {com::Variant::text(std::string("UseWinInet=") + (c.useWinInet ? "True" : "False"))}),
                  S_OK);
        useGateway(c.gateway, c.path);
        server.enqueue(Answer::ok(c.answer, "text/xml"));
        Raised raised{};
        ASSERT_EQ(call(kAuthorize, {}, &raised), S_OK) << raised.description;
        EXPECT_EQ(getText(kResponseData), c.answer);
        EXPECT_EQ(getText(kResponseCode), "1");
        EXPECT_EQ(getText(kResponseText), c.responseText);
        EXPECT_EQ(getText(kResponseApprovalCode), c.approvalCode);
        EXPECT_EQ(getText(kResponseTransactionId), c.transactionId);
        EXPECT_EQ(get(kTransactionApproved).boolVal, VARIANT_TRUE);
    }
}

// Of the statuses that begin like an approval, only authorised, payment requested, authorisation
// waiting and payment processing approve; a refused, uncertain or unknown payment never does.
TEST_F(HostedTransaction, OgoneApprovesOnlyItsApprovingStatuses) {
    useGateway(35, "/ncol/test/orderdirect.asp");
    ASSERT_EQ(putText(kTransactionAmount, "1000"), S_OK);
    struct Case {
        const char* status;
        const char* ncStatus;
        bool approved;
    };
    const Case cases[] = {
        {"5", "0", true},   {"9", "0", true},   {"51", "0", true},  {"91", "0", true},
        {"52", "5", false}, {"92", "5", false}, {"93", "3", false}, {"2", "3", false},
        {"0", "5", false},  {"50", "0", false}, {"95", "0", false}, {"", "5", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        server.enqueue(Answer::ok(std::string("<?xml version=\"1.0\"?><ogone><ncresponse orderID=\"1001\" "
                                              "PAYID=\"3014735\" NCSTATUS=\"") +
                                      c.ncStatus + "\" NCERROR=\"0\" ACCEPTANCE=\"test123\" STATUS=\"" + c.status +
                                      "\" IPCTY=\"99\" CCCTY=\"99\" ECI=\"7\" CVCCheck=\"NO\" AAVCheck=\"NO\" "
                                      "VC=\"NO\" amount=\"10\" currency=\"USD\" PM=\"CreditCard\" BRAND=\"VISA\" "
                                      "NCERRORPLUS=\"!\"></ncresponse></ogone>",
                                  "text/xml"));
        Raised raised{};
        ASSERT_EQ(call(kAuthorize, {}, &raised), S_OK) << raised.description;
        EXPECT_EQ(getText(kResponseCode), c.status);
        EXPECT_EQ(get(kTransactionApproved).boolVal, c.approved ? VARIANT_TRUE : VARIANT_FALSE);
    }
}

// Protx names the transaction id "VPSTxId"; it reaches ResponseTransactionId, from where the
// release of a deferred payment sends it back.
TEST_F(HostedTransaction, ProtxTransactionIdReachesTheRelease) {
    useGateway(38, "/VPSDirectAuth/PaymentGateway.asp");
    ASSERT_EQ(putText(kTransactionAmount, "10.00"), S_OK);
    ASSERT_EQ(put(kTransactionType, com::Variant::i4(1)), S_OK);
    constexpr const char* kTxId = "{6A4B0C2E-8E1D-4F3A-9B7C-2D5E1F0A3B4C}";
    server.enqueue(Answer::ok(std::string("VPSProtocol=2.21\r\nStatus=OK\r\nStatusDetail=Success\r\nVPSTxId=") + kTxId +
                              "\r\nSecurityKey=K8ZQ2WTR4M\r\nTxAuthNo=2716350\r\nAVSCV2=ALL MATCH\r\n"
                              "AddressResult=MATCHED\r\nPostCodeResult=MATCHED\r\nCV2Result=MATCHED\r\n"));
    Raised raised{};
    ASSERT_EQ(call(kAuthorize, {}, &raised), S_OK) << raised.description;
    EXPECT_EQ(getText(kResponseTransactionId), kTxId);
    EXPECT_EQ(getText(kResponseApprovalCode), "2716350");
    EXPECT_EQ(getText(kResponseCVV2), "MATCHED");
    EXPECT_EQ(get(kTransactionApproved).boolVal, VARIANT_TRUE);

    ASSERT_EQ(call(kAddSpecialField, {com::Variant::text("SecurityKey"), com::Variant::text("K8ZQ2WTR4M")}), S_OK);
    ASSERT_EQ(call(kAddSpecialField, {com::Variant::text("TxAuthNo"), get(kResponseApprovalCode)}), S_OK);
    server.enqueue(Answer::ok("VPSProtocol=2.21\r\nStatus=OK\r\nStatusDetail=Released\r\n"));
    ASSERT_EQ(call(kCapture, {get(kResponseTransactionId), com::Variant::text("10.00")}, &raised), S_OK)
        << raised.description;
    ASSERT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(server.request(1).target, "/vps200/dotransaction.dll?service=VendorReleaseTx");
    EXPECT_TRUE(contains(server.request(1).body, "&TxType=RELEASE&"));
    EXPECT_TRUE(contains(server.request(1).body, "&VPSTxID=%7B6A4B0C2E-8E1D-4F3A-9B7C-2D5E1F0A3B4C%7D"));
}

// The newer issuer ranges are cards like any other: typed when the number is set, and passing the
// local checks; numbers just outside them stay unknown.
TEST_F(HostedTransaction, NewerMasterCardAndDiscoverRangesAreKnown) {
    struct Case {
        const char* number;
        int type;
    };
    const Case cases[] = {
        {"2221 0000 0000 0009", 2}, {"2720999999999996", 2}, {"6440000000000005", 4}, {"6499999999999996", 4},
        {"6500000000000002", 4},    {"2220999999999991", 0}, {"2721000000000004", 0}, {"6439999999999999", 0},
        {"650000000000003", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        ASSERT_EQ(putText(kCardNumber, c.number), S_OK);
        EXPECT_EQ(get(kCardType).lVal, c.type);
        Raised raised{};
        if (c.type) {
            EXPECT_EQ(call(kPreAuthorize, {}, &raised), S_OK) << raised.description;
        } else {
            EXPECT_EQ(call(kPreAuthorize, {}, &raised), DISP_E_EXCEPTION);
            EXPECT_EQ(raised.hr, codeResult(507));
            EXPECT_EQ(raised.description, "Card type unknown.");
        }
    }
}

// A character reference in an XML answer reaches the host as the character it names, in an element's
// text and in an attribute, whichever code page the control's texts use.
TEST_F(HostedTransaction, CharacterReferencesInXmlAnswersFollowTheCodePage) {
    struct Case {
        const char* codePage;
        const char* reference;
        const char* character;
    };
    const Case cases[] = {
        {"65001", "&#233;", "\u00e9"},
        {"65001", "&#x20AC;", "\u20ac"},
        {"1252", "&#233;", "\u00e9"},
        {"1252", "&#x20AC;", "\u20ac"},
    };
    ASSERT_EQ(putText(kTransactionAmount, "1000"), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.codePage) + " " + c.reference);
        ASSERT_EQ(call(kConfig, {com::Variant::text(std::string("CodePage=") + c.codePage)}), S_OK);
        const std::string ref = c.reference;

        useGateway(35, "/ncol/test/orderdirect.asp");
        server.enqueue(Answer::ok("<?xml version=\"1.0\"?><ogone><ncresponse orderID=\"1001\" PAYID=\"3014735\" "
                                  "NCSTATUS=\"3\" NCERROR=\"30001001\" STATUS=\"2\" NCERRORPLUS=\"Refus" +
                                      ref + " pour cause\"></ncresponse></ogone>",
                                  "text/xml"));
        Raised raised{};
        ASSERT_EQ(call(kAuthorize, {}, &raised), S_OK) << raised.description;
        EXPECT_EQ(getText(kResponseText), std::string("Refus") + c.character + " pour cause");

        useGateway(27, "/");
        server.enqueue(Answer::ok("<EngineDocList><EngineDoc><OrderFormDoc><Transaction><CardProcResp>"
                                  "<CcErrCode>1</CcErrCode><CcReturnMsg>Approuv" +
                                      ref + "</CcReturnMsg></CardProcResp></Transaction></OrderFormDoc>"
                                            "</EngineDoc></EngineDocList>",
                                  "text/xml"));
        ASSERT_EQ(call(kAuthorize, {}, &raised), S_OK) << raised.description;
        EXPECT_EQ(getText(kResponseText), std::string("Approuv") + c.character);
    }
}
