// Transactions as a host runs them, against loopback gateways: where card data may go, what the
// request text may carry, what is stored with the control and how a failed answer reads.

#include "card_control/tests/control_fixture.h"
#include "pfpro/pfpro.h"

#include <map>
#include <string>
#include <vector>

using namespace corvisk;
using namespace corvisk::testing_support;
using fixtures::Answer;

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

constexpr const char* kPayFlowLinkAnswer =
    "<html><body><form><input type=\"hidden\" name=\"RESULT\" value=\"0\">"
    "<input type=\"hidden\" name=\"RESPMSG\" value=\"Approved\"></form></body></html>";

}  // namespace

// A gateway that asks for redirects turns them on for its own transaction only; the next
// transaction of the same control refuses them as a fresh control does.
TEST_F(HostedTransaction, RedirectSettingDoesNotOutliveItsTransaction) {
    useGateway(28, "/payflowlink.cfm");
    server.enqueue(Answer::ok(kPayFlowLinkAnswer, "text/html"));
    Raised raised{};
    ASSERT_EQ(call(kAuthorize, {}, &raised), S_OK) << raised.description;

    useGateway(13, "/gate.php");
    server.enqueue(Answer::status(302, "Found", "", {{"Location", server.url("/elsewhere", "localhost")}}));
    EXPECT_EQ(call(kAuthorize, {}, &raised), DISP_E_EXCEPTION);
    EXPECT_EQ(raised.hr, codeResult(151));
    EXPECT_EQ(raised.description, "Found");
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(get(kTransactionApproved).boolVal, VARIANT_FALSE);
}

// The rows that follow redirects post the card data again only to the gateway's own host, and
// never from https to plain http.
TEST_F(HostedTransaction, RedirectsKeepCardDataOnTheGatewayHost) {
    struct Case {
        const char* what;
        std::string location;
        bool followed;
    };
    const std::vector<Case> cases = {
        {"same host, other path", server.url("/next", "localhost"), true},
        {"relative location", "next", true},
        {"other host", server.url("/elsewhere", "127.0.0.1"), false},
        {"same host over plain http", "http://localhost:" + std::to_string(server.port()) + "/next", false},
    };
    std::size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        useGateway(41, "/payflowlink.cfm");
        server.enqueue(Answer::status(302, "Found", "", {{"Location", c.location}}));
        if (c.followed) server.enqueue(Answer::ok(kPayFlowLinkAnswer, "text/html"));
        Raised raised{};
        const HRESULT hr = call(kAuthorize, {}, &raised);
        const std::size_t first = sent;
        sent += c.followed ? 2 : 1;
        ASSERT_EQ(server.requestCount(), sent);
        EXPECT_TRUE(contains(server.request(first).body, "CSC=9731"));
        if (c.followed) {
            EXPECT_EQ(hr, S_OK) << raised.description;
            EXPECT_EQ(server.request(first + 1).target, "/next");
            EXPECT_EQ(server.request(first + 1).body, server.request(first).body);
            EXPECT_EQ(get(kTransactionApproved).boolVal, VARIANT_TRUE);
        } else {
            EXPECT_EQ(hr, DISP_E_EXCEPTION);
            EXPECT_EQ(raised.hr, codeResult(151));
            EXPECT_EQ(raised.description, "Found");
            EXPECT_EQ(get(kTransactionApproved).boolVal, VARIANT_FALSE);
        }
    }
}

// The ACH gateways decode their body as a form up to the pair "endofdata": values are encoded as
// on every form row, so each arrives as the host set it, and plain values go out as they are.
TEST_F(HostedTransaction, AchEncodesItsValuesAndRefusesOnlyTheEndMarkerAsAName) {
    useGateway(44, "/cgi-bin/postauth.pl");
    ASSERT_EQ(putText(kTransactionAmount, "10.00"), S_OK);
    ASSERT_EQ(putText(kCustomerFirstName, "Ann"), S_OK);
    const auto approved = [] { return Answer::ok("pg_response_type=A&pg_response_description=APPROVED"); };
    server.enqueue(approved());
    Raised raised{};
    ASSERT_EQ(call(kAuthorize, {}, &raised), S_OK) << raised.description;
    EXPECT_EQ(server.request(0).body,
              "pg_avs_method=111110&ecom_payment_card_expdate_month=12&ecom_payment_card_expdate_year=30"
              "&ecom_payment_card_number=4111111111111111&ecom_payment_card_verification=9731"
              "&ecom_billto_postal_name_first=Ann&pg_total_amount=10.00&pg_transaction_type=10"
              "&ecom_payment_card_type=VISA&endofdata&");

    ASSERT_EQ(putText(kCustomerLastName, "O'Neil+Smith"), S_OK);
    ASSERT_EQ(putText(kCustomerAddress, "100%41 Town endofdata"), S_OK);
    ASSERT_EQ(putText(kCustomerCity, "Smith & Sons=1"), S_OK);
    ASSERT_EQ(call(kAddSpecialField, {com::Variant::text("pg_note&x"), com::Variant::text("a&pg_total_amount=0.01")}),
              S_OK);
    server.enqueue(approved());
    ASSERT_EQ(call(kAuthorize, {}, &raised), S_OK) << raised.description;
    const std::string body = server.request(1).body;
    for (const char* pair : {"&ecom_billto_postal_name_last=O%27Neil%2BSmith&",
                             "&ecom_billto_postal_street_line1=100%2541%20Town%20endofdata&",
                             "&ecom_billto_postal_city=Smith%20%26%20Sons%3D1&",
                             "&pg_note%26x=a%26pg_total_amount%3D0.01&"})
        EXPECT_TRUE(contains(body, pair)) << pair;
    EXPECT_TRUE(body.ends_with("&pg_total_amount=10.00&pg_transaction_type=10&ecom_payment_card_type=VISA&endofdata&"));
    EXPECT_EQ(get(kTransactionApproved).boolVal, VARIANT_TRUE);

    for (const char* marker : {"endofdata", "EndOfData"}) {
        SCOPED_TRACE(marker);
        ASSERT_EQ(call(kResetSpecialFields), S_OK);
        ASSERT_EQ(call(kAddSpecialField, {com::Variant::text(marker), com::Variant::text("1")}), S_OK);
        EXPECT_EQ(call(kAuthorize, {}, &raised), DISP_E_EXCEPTION);
        EXPECT_EQ(raised.hr, codeResult(511));
        EXPECT_EQ(raised.description,
                  std::string("Field name '") + marker + "' is this gateway's end-of-data marker and cannot be sent.");
    }
    EXPECT_EQ(server.requestCount(), 2u);
}

// The vendor's protocol reads a pair NAME[n]=value by its length, so a value holding '&' or '='
// stays one value.
TEST_F(HostedTransaction, PayFlowProTagsValuesThatHoldSeparators) {
    ASSERT_EQ(put(kGateway, com::Variant::i4(10)), S_OK);
    ASSERT_EQ(putText(kGatewayURL, "localhost:" + std::to_string(server.port())), S_OK);
    ASSERT_EQ(putText(kCustomerFirstName, "A&x=1&pg_total_amount=0.01B"), S_OK);
    ASSERT_EQ(putText(kCustomerLastName, "Smith"), S_OK);
    ASSERT_EQ(putText(kTransactionDesc, "a=b"), S_OK);
    ASSERT_EQ(putText(kTransactionAmount, "1.00"), S_OK);
    server.enqueue(Answer::ok("RESULT=0&PNREF=V1&RESPMSG=Approved"));
    Raised raised{};
    ASSERT_EQ(call(kAuthorize, {}, &raised), S_OK) << raised.description;
    EXPECT_EQ(server.request(0).target, pfpro::kTransactionPath);
    EXPECT_EQ(server.request(0).body,
              "TENDER=C&PARTNER=VeriSign&EXPDATE=1230&ACCT=4111111111111111&CVV2=9731"
              "&FIRSTNAME[27]=A&x=1&pg_total_amount=0.01B&LASTNAME=Smith&AMT=1.00&COMMENT1[3]=a=b&TRXTYPE=S&");
    EXPECT_EQ(get(kTransactionApproved).boolVal, VARIANT_TRUE);
}

// The security code keeps its place in the stored layout but is stored empty, and a value found
// there is not taken.
TEST_F(HostedTransaction, CardSecurityCodeIsNeverStored) {
    auto bag = activex::testing::RecordingPropertyBag::make();
    com::ComPtr<IPersistPropertyBag> persistBag = host.site().query<IPersistPropertyBag>();
    ASSERT_TRUE(persistBag);
    ASSERT_EQ(persistBag->Save(bag.get(), TRUE, TRUE), S_OK);
    ASSERT_EQ(bag->entries().size(), 40u);
    EXPECT_EQ(bag->entries().front().first, "CardCVV2Data");
    ASSERT_EQ(bag->entries().front().second.vt, VT_BSTR);
    EXPECT_EQ(utf8(bag->entries().front().second.bstrVal), "");
    EXPECT_EQ(utf8(bag->entries()[3].second.bstrVal), "4111111111111111");

    com::ComPtr<IPersistStreamInit> persistStream = host.site().query<IPersistStreamInit>();
    ASSERT_TRUE(persistStream);
    com::ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
    ASSERT_EQ(persistStream->Save(stream.get(), TRUE), S_OK);
    STATSTG stat{};
    ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    std::string bytes(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
    LARGE_INTEGER zero{};
    ASSERT_EQ(stream->Seek(zero, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), nullptr), S_OK);
    const std::u16string code = u"9731";
    EXPECT_FALSE(contains(bytes, std::string(reinterpret_cast<const char*>(code.data()), code.size() * 2)));
    const std::u16string number = u"4111111111111111";
    EXPECT_TRUE(contains(bytes, std::string(reinterpret_cast<const char*>(number.data()), number.size() * 2)));

    com::Variant stored = com::Variant::text("1234");
    ASSERT_EQ(bag->Write(u"CardCVV2Data", &stored), S_OK);
    close();
    create();
    ASSERT_EQ(host.site().query<IPersistPropertyBag>()->Load(bag.get(), nullptr), S_OK);
    EXPECT_EQ(getText(kCardCVV2Data), "");
    EXPECT_EQ(getText(kCardNumber), "4111111111111111");
    close();
    create();
    ASSERT_EQ(stream->Seek(zero, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(host.site().query<IPersistStreamInit>()->Load(stream.get()), S_OK);
    EXPECT_EQ(getText(kCardCVV2Data), "");
    EXPECT_EQ(getText(kCardNumber), "4111111111111111");
}

// A response code stored before the answer failed to parse approves nothing.
TEST_F(HostedTransaction, FailedAnswerIsNeverApproved) {
    std::string hashed = "1|1|1|This transaction has been approved.|A1|Y|T1";
    for (int field = 7; field < 37; ++field) hashed += "|";
    hashed += "|0000000000000000000000000000BAD0|M";
    struct Case {
        const char* what;
        std::string body;
        int code;
    };
    const std::vector<Case> cases = {
        {"cut short", "1", 512},
        {"hash differs", hashed, 542},
    };
    ASSERT_EQ(call(kConfig, {com::Variant::text("AIMHashSecret=secret")}), S_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        useGateway(1, "/gateway/transact.dll");
        server.enqueue(Answer::ok(c.body));
        Raised raised{};
        EXPECT_EQ(call(kAuthorize, {}, &raised), DISP_E_EXCEPTION);
        EXPECT_EQ(raised.hr, codeResult(c.code));
        EXPECT_EQ(getText(kResponseCode), "1");
        EXPECT_EQ(get(kTransactionApproved).boolVal, VARIANT_FALSE);
    }
}

TEST_F(HostedTransaction, ThreeDsiCreditSendsTheAmountGiven) {
    useGateway(24, "/secure/external/Externalauthxml.asp");
    ASSERT_EQ(putText(kTransactionAmount, "1000"), S_OK);
    const auto approved = [] { return Answer::ok("\r\nStatus=A&AuthMsg=APPROVED&TranNum=T9"); };
    server.enqueue(approved());
    Raised raised{};
    ASSERT_EQ(call(kCredit, {com::Variant::text("T2"), com::Variant::text("600")}, &raised), S_OK) << raised.description;
    server.enqueue(approved());
    ASSERT_EQ(call(kCapture, {com::Variant::text("T1"), com::Variant::text("500")}, &raised), S_OK) << raised.description;
    server.enqueue(approved());
    ASSERT_EQ(call(kCredit, {com::Variant::text("T3"), com::Variant::text("700")}, &raised), S_OK) << raised.description;
    ASSERT_EQ(server.requestCount(), 3u);
    EXPECT_TRUE(contains(server.request(0).body, "&TotalAmt=600&"));
    EXPECT_TRUE(contains(server.request(0).body, "DbCr=C&"));
    EXPECT_TRUE(contains(server.request(1).body, "&TotalAmt=500&"));
    EXPECT_TRUE(contains(server.request(2).body, "&TotalAmt=700&"));
    EXPECT_TRUE(contains(server.request(2).body, "OrigTranNum=T3"));
}

// A reader turns a literal CR into LF in text and CR, TAB and LF into blanks in attributes, so
// they go into the documents as character references.
TEST_F(HostedTransaction, XmlDocumentsKeepLineBreaksAndTabs) {
    useGateway(29, "/authorize");
    ASSERT_EQ(putText(kCustomerFirstName, "Ann\tMarie"), S_OK);
    ASSERT_EQ(putText(kCustomerAddress, "1 Main St\r\nSuite 2\n"), S_OK);
    ASSERT_EQ(putText(kTransactionAmount, "1000"), S_OK);
    ASSERT_EQ(call(kConfig, {com::Variant::text("TimeZone=7\r0")}), S_OK);
    server.enqueue(Answer::ok("<Response><ACResponse/></Response>", "application/PTI21"));
    Raised raised{};
    ASSERT_EQ(call(kAuthorize, {}, &raised), S_OK) << raised.description;
    const std::string body = server.request(0).body;
    EXPECT_TRUE(contains(body, "<AVSname>Ann&#9;Marie </AVSname>"));
    EXPECT_TRUE(contains(body, "<AVSaddress1>1 Main St&#13;&#10;Suite 2&#10;</AVSaddress1>"));
    EXPECT_TRUE(contains(body, "TzCode=\"7&#13;0\""));
    EXPECT_EQ(body.find_first_of("\r\n\t"), std::string::npos);
}

// Properties of an enumerated type name their enumeration, as a host's object browser or a
// script engine reads them.
TEST_F(CorviskControl, EnumeratedPropertiesNameTheirTypes) {
    com::ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
    const std::map<DISPID, std::string> expected{
        {kCardType, "TCardType"},   {kFirewallType, "TFirewallType"}, {kGateway, "TGateway"},
        {kProxySSL, "TProxySSL"},   {kSSLCertStoreType, "TSSLCertStoreType"}, {kTransactionType, "TTransactionType"},
        {kFirewallPort, ""},        {kTimeout, ""},
    };
    std::map<DISPID, int> seen;
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    const WORD functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < functions; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
        const auto it = expected.find(f->memid);
        if (it != expected.end() && (f->invkind == INVOKE_PROPERTYGET || f->invkind == INVOKE_PROPERTYPUT)) {
            SCOPED_TRACE(std::to_string(f->memid) + (f->invkind == INVOKE_PROPERTYGET ? " get" : " put"));
            ++seen[f->memid];
            ASSERT_EQ(f->cParams, 1);
            const TYPEDESC& type = f->lprgelemdescParam[0].tdesc;
            const VARTYPE byRef = f->invkind == INVOKE_PROPERTYGET ? VT_BYREF : 0;
            if (it->second.empty()) {
                EXPECT_NE(type.vt & ~VT_BYREF, VT_USERDEFINED);
            } else {
                EXPECT_EQ(type.vt, VT_USERDEFINED | byRef);
                com::ComPtr<ITypeInfo> named;
                ASSERT_EQ(info->GetRefTypeInfo(type.hreftype, named.put()), S_OK);
                com::Bstr name;
                ASSERT_EQ(named->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr), S_OK);
                EXPECT_EQ(name.utf8(), it->second);
                TYPEATTR* enumAttr = nullptr;
                ASSERT_EQ(named->GetTypeAttr(&enumAttr), S_OK);
                EXPECT_EQ(enumAttr->typekind, TKIND_ENUM);
                named->ReleaseTypeAttr(enumAttr);
            }
        }
        info->ReleaseFuncDesc(f);
    }
    for (const auto& [dispid, name] : expected) EXPECT_EQ(seen[dispid], 2) << dispid;

    ASSERT_EQ(put(kGateway, com::Variant::i4(34)), S_OK);
    EXPECT_EQ(get(kGateway).vt, VT_I4);
    EXPECT_EQ(get(kGateway).lVal, 34);
}

// A gateway that takes the POST and hangs up without answering: the charge fails instead of
// passing with an empty answer.
TEST_F(HostedTransaction, UnansweredPostFailsAndApprovesNothing) {
    server.enqueue(Answer::hangUp());
    useGateway(34, "/gw/api/transact.php");
    ASSERT_EQ(putText(kTransactionAmount, "12.34"), S_OK);
    Raised raised{};
    EXPECT_EQ(call(kAuthorize, {}, &raised), DISP_E_EXCEPTION);
    EXPECT_EQ(raised.hr, codeResult(155));
    EXPECT_EQ(raised.description, "Connection closed before a response was received.");
    EXPECT_EQ(server.request(0).method, "POST");
    EXPECT_EQ(get(kTransactionApproved).boolVal, VARIANT_FALSE);
}
