// The control's surface as a host meets it: registration, type library, defaults, errors,
// persistence, one charge and the design-time look.

#include "activex/testing/event_recorder.h"
#include "card_control/tests/control_fixture.h"

#include <functional>
#include <map>

using namespace corvisk;
using namespace corvisk::testing_support;
using activex::testing::EventRecorder;
using fixtures::Answer;

TEST_F(CorviskControl, RegisteredUnderBothProgIds) {
    for (const char16_t* progId : {u"QuorrelPay.Corvisk", u"QuorrelPay.Corvisk.1"}) {
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(progId, &clsid), S_OK);
        EXPECT_EQ(clsid, CLSID_Corvisk);
    }
    DWORD misc = 0;
    com::ComPtr<IOleObject> ole = host.site().query<IOleObject>();
    ASSERT_TRUE(ole);
    ASSERT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
    EXPECT_EQ(misc, kMiscStatus);
}

// Every enumeration of the library lists its constants in value order from 0, so each is given as
// its names in that order.
TEST_F(CorviskControl, TypeLibraryListsTheEnumerations) {
    com::ComPtr<IProvideClassInfo> classInfo = host.site().query<IProvideClassInfo>();
    ASSERT_TRUE(classInfo);
    com::ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(classInfo->GetClassInfo(coclass.put()), S_OK);
    com::ComPtr<ITypeLib> lib;
    UINT index = 0;
    ASSERT_EQ(coclass->GetContainingTypeLib(lib.put(), &index), S_OK);
    com::Bstr libName;
    ASSERT_EQ(lib->GetDocumentation(-1, libName.put(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(libName.utf8(), "CORVISKLib");

    std::map<std::string, std::string> enums;
    std::map<std::string, int> byGuid;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        com::ComPtr<ITypeInfo> info;
        ASSERT_EQ(lib->GetTypeInfo(i, info.put()), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        const bool isEnum = attr->typekind == TKIND_ENUM;
        const WORD count = attr->cVars;
        ++byGuid[com::formatGuid(attr->guid)];
        info->ReleaseTypeAttr(attr);
        if (!isEnum) continue;
        com::Bstr name;
        ASSERT_EQ(info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr), S_OK);
        std::string& names = enums[name.utf8()];
        for (UINT v = 0; v < count; ++v) {
            VARDESC* var = nullptr;
            ASSERT_EQ(info->GetVarDesc(v, &var), S_OK);
            EXPECT_EQ(var->varkind, VAR_CONST);
            EXPECT_EQ(var->lpvarValue->vt, VT_I4);
            EXPECT_EQ(var->lpvarValue->lVal, static_cast<LONG>(v)) << name.utf8() << " constant " << v;
            com::Bstr constant;
            ASSERT_EQ(info->GetDocumentation(var->memid, constant.put(), nullptr, nullptr, nullptr), S_OK);
            names += (names.empty() ? "" : " ") + constant.utf8();
            info->ReleaseVarDesc(var);
        }
        VARDESC* past = nullptr;
        EXPECT_EQ(info->GetVarDesc(count, &past), TYPE_E_ELEMENTNOTFOUND);
    }
    for (const auto& [guid, uses] : byGuid) EXPECT_EQ(uses, 1) << guid;

    const std::map<std::string, std::string> expected{
        {"TGateway",
         "gwNoGateway gwAuthorizeNet gwDPI gwEprocessing gwGoRealTime gwIBill gwIntellipay gwIOnGate gwITransact "
         "gwNetBilling gwPayFlowPro gwPayready gwViaKlix gwUSAePay gwPlugNPay gwPlanetPayment gwMPCS gwRTWare gwECX "
         "gwBankOfAmerica gwInnovative gwMerchantAnywhere gwSkipjack gwECHOnline gw3DSI gwTrustCommerce gwPSIGate "
         "gwPayFuse gwPayFlowLink gwOrbital gwLinkPoint gwMoneris gwUSight gwFastTransact gwNetworkMerchants gwOgone "
         "gwEFSNet gwPRIGate gwProtx gwOptimal gwMerchantPartners gwCyberCash gwFirstData gwYourPay gwACHPAyments "
         "gwPaymentsGateway"},
        {"TCardType", "ccUnknown ccVisa ccMasterCard ccAMEX ccDiscover ccDiners ccJCB ccBankCard"},
        {"TTransactionType", "ttSale ttAuthOnly ttCapture ttCredit ttVoid ttForce ttAVSOnly"},
        {"TFirewallType", "fwNone fwTunnel fwSOCKS4 fwSOCKS5"},
        {"TProxySSL", "psAutomatic psAlways psNever psTunnel"},
        {"TSSLCertStoreType", "sstUser sstMachine sstPFXFile sstPFXBlob"},
    };
    EXPECT_EQ(enums, expected);
}

TEST_F(CorviskControl, StartsWithItsDefaults) {
    EXPECT_EQ(getText(kCardExpMonth), "01");
    EXPECT_EQ(getText(kCardExpYear), "00");
    EXPECT_EQ(getText(kCardNumber), "");
    EXPECT_EQ(get(kGateway).lVal, 0);
    EXPECT_EQ(getText(kGatewayURL), "");
    EXPECT_EQ(get(kFirewallPort).lVal, 80);
    EXPECT_EQ(get(kProxyPort).lVal, 80);
    EXPECT_EQ(get(kProxySSL).lVal, 0);
    EXPECT_EQ(get(kSpecialFieldCount).iVal, 0);
    EXPECT_EQ(getText(kSSLCertStore), "MY");
    EXPECT_EQ(get(kSSLCertStoreType).lVal, 0);
    EXPECT_EQ(get(kTimeout).iVal, 30);
    EXPECT_EQ(get(kTransactionType).lVal, 0);
    EXPECT_EQ(get(kTransactionApproved).boolVal, VARIANT_FALSE);
    EXPECT_EQ(host.site().extentPixels().cx, 28);
    EXPECT_EQ(host.site().extentPixels().cy, 28);
}

// Each failure reaches the host as the engine's code and text with the member's help context.
TEST_F(CorviskControl, ErrorsCarryCodeTextAndHelpContext) {
    struct Case {
        const char* what;
        std::function<HRESULT(Raised*)> act;
        HRESULT hr;
        const char* description;
        DWORD helpContext;
    };
    const auto code = [](int c) { return static_cast<HRESULT>(0x800A0000u | static_cast<unsigned>(c + 20001)); };
    const std::vector<Case> cases = {
        {"gateway past the table", [&](Raised* r) { return put(kGateway, com::Variant::i4(46), r); }, code(503),
         "Invalid Gateway (Please see help file for valid values).", 22422},
        {"gateway past the enumeration", [&](Raised* r) { return put(kGateway, com::Variant::i4(256), r); },
         static_cast<HRESULT>(0x800A017C), "Value is out of range.", 22422},
        {"card type", [&](Raised* r) { return put(kCardType, com::Variant::i4(8), r); },
         static_cast<HRESULT>(0x800A017C), "Value is out of range.", 22405},
        {"card number", [&](Raised* r) { return putText(kCardNumber, "4111 x", r); }, code(502),
         "Invalid format (must be digits).", 22404},
        {"month", [&](Raised* r) { return putText(kCardExpMonth, "13", r); }, code(503),
         "Out of range (CardExpMonth must be between 01 and 12).", 22402},
        {"read-only answer", [&](Raised* r) { return putText(kResponseCode, "1", r); },
         static_cast<HRESULT>(0x800A017F), "Property is read-only.", 22435},
        {"special field zero",
         [&](Raised* r) {
             com::Variant result;
             return invoke(kSpecialFieldNames, DISPATCH_PROPERTYGET, {com::Variant::i4(0)}, &result, r);
         },
         code(159), "Invalid form variable index (out of range).", 22442},
        {"byte array twin given text", [&](Raised* r) { return putText(kSSLCertEncodedB, "abc", r); },
         static_cast<HRESULT>(0x800A017C), "Property accepts only one-dimensional byte arrays.", 22402},
        {"authorize without gateway", [&](Raised* r) { return call(kAuthorize, {}, r); }, code(510),
         "Must specify gateway", 42403},
        {"unknown config key", [&](Raised* r) { return call(kConfig, {com::Variant::text("NoSuchKey")}, r); },
         code(-1), "Unknown config setting.", 42401},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Raised raised{};
        EXPECT_EQ(c.act(&raised), DISP_E_EXCEPTION);
        EXPECT_EQ(raised.hr, c.hr);
        EXPECT_EQ(raised.description, c.description);
        EXPECT_EQ(raised.helpContext, c.helpContext);
        EXPECT_EQ(raised.source, "QuorrelPay.Corvisk.1");
    }
    EXPECT_EQ(get(kGateway).lVal, 0);
    EXPECT_EQ(get(kCardType).lVal, 0);
}

TEST_F(CorviskControl, FirewallAndProxyTypesSetTheirPorts) {
    ASSERT_EQ(put(kFirewallType, com::Variant::i4(3)), S_OK);
    EXPECT_EQ(get(kFirewallPort).lVal, 1080);
    ASSERT_EQ(put(kProxySSL, com::Variant::i4(1)), S_OK);
    EXPECT_EQ(get(kFirewallType).lVal, 0);
    EXPECT_EQ(get(kFirewallPort).lVal, 80);
    ASSERT_EQ(put(kProxySSL, com::Variant::i4(3)), S_OK);
    EXPECT_EQ(get(kFirewallType).lVal, 1);
    ASSERT_EQ(putText(kFirewallUser, std::string(300, 'u')), S_OK);
    EXPECT_EQ(getText(kFirewallUser).size(), 255u);
}

TEST_F(CorviskControl, SpecialFieldsThroughTheInterface) {
    ASSERT_EQ(put(kGateway, com::Variant::i4(15)), S_OK);
    EXPECT_EQ(getText(kGatewayURL), "https://planetpayment.gateways.example/gateway/transact.dll");
    EXPECT_EQ(get(kSpecialFieldCount).iVal, 8);
    com::Variant name = get(kSpecialFieldNames, {com::Variant::i4(1)});
    EXPECT_EQ(utf8(name.bstrVal), "x_Version");
    ASSERT_EQ(call(kAddSpecialField, {com::Variant::text("x_Tax"), com::Variant::text("1.00")}), S_OK);
    com::Variant value = get(kSpecialFieldValues, {com::Variant::i4(9)});
    EXPECT_EQ(utf8(value.bstrVal), "1.00");
    ASSERT_EQ(invoke(kSpecialFieldValues, DISPATCH_PROPERTYPUT, {com::Variant::i4(9), com::Variant::text("2.00")},
                     nullptr, nullptr),
              S_OK);
    EXPECT_EQ(utf8(get(kSpecialFieldValues, {com::Variant::i4(9)}).bstrVal), "2.00");
    ASSERT_EQ(put(kSpecialFieldCount, com::Variant::i4(2)), S_OK);
    EXPECT_EQ(get(kSpecialFieldCount).iVal, 2);
    ASSERT_EQ(call(kResetSpecialFields), S_OK);
    EXPECT_EQ(get(kSpecialFieldCount).iVal, 8);
}

// Loading sets Gateway (which reloads GatewayURL) before the saved GatewayURL overrides it.
TEST_F(CorviskControl, SavedControlKeepsItsGatewayUrl) {
    ASSERT_EQ(put(kGateway, com::Variant::i4(34)), S_OK);
    ASSERT_EQ(putText(kGatewayURL, "https://127.0.0.1:9/own"), S_OK);
    ASSERT_EQ(putText(kMerchantLogin, "shop"), S_OK);
    ASSERT_EQ(put(kTimeout, com::Variant::i4(12)), S_OK);
    auto bag = activex::testing::RecordingPropertyBag::make();
    com::ComPtr<IPersistPropertyBag> persist = host.site().query<IPersistPropertyBag>();
    ASSERT_TRUE(persist);
    ASSERT_EQ(persist->Save(bag.get(), TRUE, TRUE), S_OK);
    ASSERT_EQ(bag->entries().size(), 40u);
    EXPECT_EQ(bag->entries().front().first, "CardCVV2Data");
    EXPECT_EQ(bag->entries()[20].first, "Gateway");
    EXPECT_EQ(bag->entries()[21].first, "GatewayURL");
    EXPECT_EQ(bag->entries().back().first, "TransactionType");

    dispatch.reset();
    host.site().close();
    ASSERT_EQ(host.create(CLSID_Corvisk), S_OK);
    ASSERT_EQ(host.site().control()->QueryInterface(IID_IDispatch, dispatch.putVoid()), S_OK);
    persist = host.site().query<IPersistPropertyBag>();
    ASSERT_EQ(persist->Load(bag.get(), nullptr), S_OK);
    EXPECT_EQ(get(kGateway).lVal, 34);
    EXPECT_EQ(getText(kGatewayURL), "https://127.0.0.1:9/own");
    EXPECT_EQ(getText(kMerchantLogin), "shop");
    EXPECT_EQ(get(kTimeout).iVal, 12);
}

// One charge through the interface: the answer lands in the response properties, the TLS steps in
// SSLStatus events.
TEST_F(CorviskControl, ChargeThroughTheInterface) {
    fixtures::HttpsServer server;
    server.enqueue(Answer::ok("response=1&responsetext=SUCCESS&authcode=123456&transactionid=991&avsresponse=Y"));
    auto recorder = EventRecorder::make(DIID__ICorviskEvents);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    ASSERT_EQ(put(kGateway, com::Variant::i4(34)), S_OK);
    ASSERT_EQ(putText(kGatewayURL, server.url("/gw/api/transact.php", "localhost")), S_OK);
    ASSERT_EQ(putText(kCardNumber, "4111-1111-1111-1111"), S_OK);
    EXPECT_EQ(get(kCardType).lVal, 1);
    ASSERT_EQ(putText(kCardExpMonth, "12"), S_OK);
    ASSERT_EQ(putText(kCardExpYear, "2030"), S_OK);
    ASSERT_EQ(putText(kTransactionAmount, "12.34"), S_OK);
    Raised raised{};
    ASSERT_EQ(call(kAuthorize, {}, &raised), S_OK) << raised.description;
    EXPECT_EQ(server.request(0).body, "ccexp=1230&ccnumber=4111111111111111&amount=12.34&type=sale");
    EXPECT_EQ(getText(kResponseCode), "1");
    EXPECT_EQ(getText(kResponseText), "SUCCESS");
    EXPECT_EQ(getText(kResponseApprovalCode), "123456");
    EXPECT_EQ(getText(kResponseTransactionId), "991");
    EXPECT_EQ(getText(kResponseAVS), "Y");
    EXPECT_EQ(get(kTransactionApproved).boolVal, VARIANT_TRUE);
    bool sawStatus = false;
    for (const auto& c : recorder->calls()) sawStatus = sawStatus || c.dispid == 3;
    EXPECT_TRUE(sawStatus);
    recorder->disconnect();
}

TEST_F(CorviskControl, ConfigAnswersThroughTheMethod) {
    com::Variant answer;
    ASSERT_EQ(call(kConfig, {com::Variant::text("AuthCode=A1")}, nullptr, &answer), S_OK);
    answer = com::Variant();
    ASSERT_EQ(call(kConfig, {com::Variant::text("AuthCode")}, nullptr, &answer), S_OK);
    EXPECT_EQ(utf8(answer.bstrVal), "A1");
    answer = com::Variant();
    ASSERT_EQ(call(kConfig, {com::Variant::text("Authorize.Net")}, nullptr, &answer), S_OK);
    EXPECT_EQ(utf8(answer.bstrVal), "AIM");
}

// Only at design time: a raised box with a black frame and the card glyph, whose background lets
// the box show through.
TEST_F(CorviskControl, DrawnOnlyAtDesignTime) {
    auto view = host.site().query<IViewObject>();
    ASSERT_TRUE(view);
    activex::testing::OffscreenDc dc(40, 40);
    dc.fill(RGB(255, 255, 255));
    RECTL bounds{0, 0, 28, 28};
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0);
    EXPECT_EQ(dc.pixel(14, 14), RGB(255, 255, 255));
    com::Variant bytes;
    EXPECT_EQ(invoke(kSSLServerAuthenticationCertEncodedB, DISPATCH_PROPERTYGET, {}, &bytes, nullptr), S_OK);

    host.site().setUserMode(false);
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0);
    EXPECT_EQ(dc.pixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(dc.pixel(27, 27), RGB(0, 0, 0));
    EXPECT_EQ(dc.pixel(3, 3), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(dc.pixel(6, 7), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(dc.pixel(7, 9), RGB(0, 0, 128));
    EXPECT_EQ(dc.pixel(30, 30), RGB(255, 255, 255));

    Raised raised{};
    EXPECT_EQ(invoke(kSSLServerAuthenticationCertEncodedB, DISPATCH_PROPERTYGET, {}, &bytes, &raised), DISP_E_EXCEPTION);
    EXPECT_EQ(raised.description, "Property is runtime only (no supported in design time).");
    EXPECT_EQ(raised.helpContext, 32402u);
}

TEST_F(CorviskControl, UnregisteringRemovesTheProgIds) {
    ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " -u " + CORVISK_PATH).c_str()), 0);
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(u"QuorrelPay.Corvisk", &clsid), S_OK);
    ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " " + CORVISK_PATH).c_str()), 0);
    EXPECT_EQ(CLSIDFromProgID(u"QuorrelPay.Corvisk", &clsid), S_OK);
}
