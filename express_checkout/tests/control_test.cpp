#include "activex/testing/event_recorder.h"
#include "activex/testing/test_host.h"
#include "express_checkout/interface.h"
#include "express_checkout/tests/checkout_test.h"
#include "express_checkout/tests/xml_reader.h"
#include "testing/http_server.h"
#include "testing/raw_peer.h"
#include "testing/trusted_ca.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace {

using activex::testing::EventRecorder;
using activex::testing::TestHost;
using checkout_test::envelope;
using express_checkout::CLSID_ExpressCheckout;
using express_checkout::DIID__IExpressCheckoutEvents;
using fixtures::Answer;
using fixtures::CertKind;
using fixtures::HttpsServer;
using fixtures::TestCertificates;

// Dispids of the interface.
enum : DISPID {
    kAck = 1, kBuyerEmail = 2, kCancelURL = 3, kInvoiceNumber = 5, kItemAmount = 6, kItemCount = 7, kItemName = 8, kItemNumber = 9,
    kItemQuantity = 10, kOrderDescription = 12, kOrderTotal = 13, kPassword = 14, kPayerEmail = 18, kPayerFirstName = 19, kPayerId = 20,
    kPaymentAction = 27, kPaymentGrossAmount = 31, kPaymentTransactionId = 36, kResponseToken = 39, kReturnURL = 40,
    kShippingTotal = 41, kSSLCertEncoded = 43, kSSLCertStore = 44, kSSLCertStoreType = 46, kSSLCertSubject = 47, kSSLServerCert = 48,
    kTaxTotal = 50, kTimeout = 51, kToken = 52, kURL = 53, kUsername = 54, kSSLCertEncodedB = 56, kSSLServerCertB = 58,
    kConfig = 501, kCheckoutPayment = 502, kGetCheckoutDetails = 503, kReset = 504, kSetCheckout = 505,
};

std::string rsaKeyPem(CertKind kind) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey_traditional(bio, TestCertificates::instance().key(kind), nullptr, nullptr, 0, nullptr,
                                         nullptr);
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(n));
    BIO_free(bio);
    return pem;
}

struct Failure {
    HRESULT hr = S_OK;
    std::u16string source;
    std::u16string description;
    DWORD helpContext = 0;
    std::u16string helpFile;
};

// The control as a host reaches it: registered by the registration command, made by CLSID,
// driven through IDispatch.
class ExpressCheckoutControl : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " " + PELLORAN_PATH).c_str()), 0);
    }
    void SetUp() override {
        ASSERT_TRUE(fixtures::trustTestCa());
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(u"QuorrelPayPal.ExpressCheckout", &clsid), S_OK);
        ASSERT_EQ(host.create(clsid), S_OK);
        host.site().control()->QueryInterface(IID_IDispatch, dispatch.putVoid());
        ASSERT_TRUE(dispatch);
    }
    void TearDown() override {
        dispatch.reset();
        host.site().close();
    }

    Failure invoke(DISPID id, WORD flags, std::vector<com::Variant> args, com::Variant* result = nullptr) {
        // Invoke takes the arguments last first.
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPID named = DISPID_PROPERTYPUT;
        const bool put = flags == DISPATCH_PROPERTYPUT;
        DISPPARAMS params{reversed.data(), put ? &named : nullptr, static_cast<UINT>(reversed.size()), put ? 1u : 0u};
        EXCEPINFO info{};
        Failure f;
        f.hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, nullptr);
        if (f.hr == DISP_E_EXCEPTION) {
            f.hr = info.scode;
            f.source = com::view(info.bstrSource);
            f.description = com::view(info.bstrDescription);
            f.helpContext = info.dwHelpContext;
            f.helpFile = com::view(info.bstrHelpFile);
            com::clearExcepInfo(&info);
        }
        return f;
    }
    Failure put(DISPID id, com::Variant value) { return invoke(id, DISPATCH_PROPERTYPUT, {value}); }
    Failure putItem(DISPID id, SHORT index, com::Variant value) {
        com::Variant i;
        i.vt = VT_I2;
        i.iVal = index;
        return invoke(id, DISPATCH_PROPERTYPUT, {i, value});
    }
    Failure putText(DISPID id, const std::string& text) { return put(id, com::Variant::text(text)); }
    com::Variant get(DISPID id) {
        com::Variant result;
        EXPECT_EQ(invoke(id, DISPATCH_PROPERTYGET, {}, &result).hr, S_OK) << id;
        return result;
    }
    std::string text(DISPID id) {
        com::Variant v = get(id);
        return v.vt == VT_BSTR ? com::Bstr(v.bstrVal).utf8() : "<not text>";
    }
    Failure call(DISPID id, std::vector<com::Variant> args = {}, com::Variant* result = nullptr) {
        return invoke(id, DISPATCH_METHOD, std::move(args), result);
    }
    std::string config(const std::string& setting) {
        com::Variant result;
        EXPECT_EQ(call(kConfig, {com::Variant::text(setting)}, &result).hr, S_OK) << setting;
        return result.vt == VT_BSTR ? com::Bstr(result.bstrVal).utf8() : "";
    }
    void pointAt(const HttpsServer& server) {
        putText(kURL, server.url("/2.0/", "localhost"));
        putText(kUsername, "api_user");
        putText(kPassword, "secret");
    }
    void readyForSetCheckout() {
        putText(kOrderTotal, "25.00");
        putText(kReturnURL, "https://shop.test/return");
        putText(kCancelURL, "https://shop.test/cancel");
    }

    TestHost host;
    com::ComPtr<IDispatch> dispatch;
};

TEST_F(ExpressCheckoutControl, DefaultsAndConfigKeys) {
    EXPECT_EQ(text(kSSLCertStore), "MY");
    EXPECT_EQ(get(kTimeout).iVal, 30);
    EXPECT_EQ(get(kItemCount).iVal, 0);
    EXPECT_EQ(get(kPaymentAction).lVal, 0);
    EXPECT_EQ(get(kSSLCertStoreType).lVal, 0);
    EXPECT_EQ(text(kURL).rfind("https://", 0), 0u);
    EXPECT_NE(text(kURL).find("/2.0/"), std::string::npos);
    // Payer properties read before any answer are empty.
    EXPECT_EQ(text(kPayerEmail), "");
    EXPECT_EQ(text(kAck), "");
    EXPECT_EQ(text(kResponseToken), "");
    EXPECT_EQ(config("ButtonSource"), "Tressikor");
    EXPECT_EQ(config("ButtonSource=Corner Shop"), "");
    EXPECT_EQ(config("buttonsource"), "Tressikor.Corner Shop");
    EXPECT_EQ(config("ButtonSource="), "");
    EXPECT_EQ(config("ButtonSource"), "Tressikor");
    EXPECT_EQ(config("Version"), "1.0");
    EXPECT_EQ(config("MethodNamespacePrefix"), "m");
    const Failure unknown = call(kConfig, {com::Variant::text("NoSuchKey")});
    EXPECT_EQ(unknown.hr, static_cast<HRESULT>(0x800A4E20));
    EXPECT_EQ(unknown.description, u"Unknown config setting.");
    EXPECT_EQ(unknown.helpContext, 42001u);
}

TEST_F(ExpressCheckoutControl, TypeLibraryNamesTheEnumerations) {
    com::ComPtr<IProvideClassInfo> classInfo = host.site().query<IProvideClassInfo>();
    ASSERT_TRUE(classInfo);
    com::ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(classInfo->GetClassInfo(coclass.put()), S_OK);
    com::ComPtr<ITypeLib> lib;
    UINT index = 0;
    ASSERT_EQ(coclass->GetContainingTypeLib(lib.put(), &index), S_OK);
    com::Bstr libName;
    ASSERT_EQ(lib->GetDocumentation(-1, libName.put(), nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(libName.utf8(), "EXPRESSCHECKOUTLib");
    std::map<std::string, std::vector<std::pair<std::string, LONG>>> enums;
    for (UINT i = 0; i < lib->GetTypeInfoCount(); ++i) {
        com::ComPtr<ITypeInfo> info;
        ASSERT_EQ(lib->GetTypeInfo(i, info.put()), S_OK);
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
        const bool isEnum = attr->typekind == TKIND_ENUM;
        const WORD count = attr->cVars;
        info->ReleaseTypeAttr(attr);
        if (!isEnum) continue;
        com::Bstr name;
        info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
        for (UINT v = 0; v < count; ++v) {
            VARDESC* var = nullptr;
            ASSERT_EQ(info->GetVarDesc(v, &var), S_OK);
            com::Bstr constant;
            info->GetDocumentation(var->memid, constant.put(), nullptr, nullptr, nullptr);
            enums[name.utf8()].emplace_back(constant.utf8(), var->lpvarValue->lVal);
            info->ReleaseVarDesc(var);
        }
    }
    using Constants = std::vector<std::pair<std::string, LONG>>;
    EXPECT_EQ(enums["TPaymentAction"], (Constants{{"aSale", 0}, {"aAuthorization", 1}}));
    EXPECT_EQ(enums["TSSLCertStoreType"], (Constants{{"sstUser", 0}, {"sstMachine", 1}, {"sstPFXFile", 2},
                                                      {"sstPFXBlob", 3}, {"sstPEMKey", 4}}));
}

// The two enumerated properties are declared with their enumerations, get and put alike.
TEST_F(ExpressCheckoutControl, EnumeratedPropertiesNameTheirTypes) {
    com::ComPtr<ITypeInfo> info;
    ASSERT_EQ(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()), S_OK);
    const std::map<DISPID, std::string> expected{{kPaymentAction, "TPaymentAction"},
                                                 {kSSLCertStoreType, "TSSLCertStoreType"}};
    std::map<DISPID, int> seen;
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    const WORD functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < functions; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
        const auto it = expected.find(f->memid);
        if (it != expected.end()) {
            ++seen[f->memid];
            const TYPEDESC& type = f->lprgelemdescParam[0].tdesc;
            EXPECT_EQ(type.vt, VT_USERDEFINED | (f->invkind == INVOKE_PROPERTYGET ? VT_BYREF : 0)) << f->memid;
            com::ComPtr<ITypeInfo> named;
            ASSERT_EQ(info->GetRefTypeInfo(type.hreftype, named.put()), S_OK);
            com::Bstr name;
            ASSERT_EQ(named->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr), S_OK);
            EXPECT_EQ(name.utf8(), it->second);
        }
        info->ReleaseFuncDesc(f);
    }
    EXPECT_EQ(seen[kPaymentAction], 2);
    EXPECT_EQ(seen[kSSLCertStoreType], 2);
}

TEST_F(ExpressCheckoutControl, PropertyErrors) {
    struct Case {
        const char* name;
        Failure failure;
        std::u16string description;
        DWORD helpContext;
    };
    com::Variant notArray = com::Variant::i4(5);
    putItem(kItemName, 0, com::Variant::text("x"));  // no items yet
    const Case cases[] = {
        {"read-only answer", putText(kAck, "x"), u"Property is read-only.", 22001},
        {"read-only server certificate", putText(kSSLServerCert, "x"), u"Property is read-only.", 22048},
        {"payment action", put(kPaymentAction, com::Variant::i4(2)), u"Value is out of range.", 22027},
        {"store type", put(kSSLCertStoreType, com::Variant::i4(5)), u"Value is out of range.", 22046},
        {"not a byte array", put(kSSLCertEncodedB, notArray), u"Property accepts only one-dimensional byte arrays.",
         22002},
        {"item read past the end", invoke(kItemName, DISPATCH_PROPERTYGET, {com::Variant::i4(0)}), u"Invalid index.", 0},
        {"item write past the end", putItem(kItemName, 0, com::Variant::text("x")), u"[432] (no description available)",
         22008},
    };
    for (const Case& c : cases) {
        EXPECT_NE(c.failure.hr, S_OK) << c.name;
        EXPECT_EQ(c.failure.description, c.description) << c.name;
        EXPECT_EQ(c.failure.helpContext, c.helpContext) << c.name;
        EXPECT_EQ(c.failure.source, u"QuorrelPayPal.ExpressCheckout.1") << c.name;
    }
    EXPECT_EQ(get(kPaymentAction).lVal, 0);

    // Items exist from 0 to ItemCount - 1; ItemName(ItemCount) fails.
    ASSERT_EQ(put(kItemCount, com::Variant::i4(2)).hr, S_OK);
    ASSERT_EQ(putItem(kItemName, 1, com::Variant::text("Mug")).hr, S_OK);
    ASSERT_EQ(putItem(kItemQuantity, 1, com::Variant::i4(3)).hr, S_OK);
    com::Variant value;
    ASSERT_EQ(invoke(kItemName, DISPATCH_PROPERTYGET, {com::Variant::i4(1)}, &value).hr, S_OK);
    EXPECT_EQ(com::view(value.bstrVal), u"Mug");
    ASSERT_EQ(invoke(kItemQuantity, DISPATCH_PROPERTYGET, {com::Variant::i4(1)}, &value).hr, S_OK);
    EXPECT_EQ(value.iVal, 3);
    EXPECT_EQ(invoke(kItemName, DISPATCH_PROPERTYGET, {com::Variant::i4(2)}).description, u"Invalid index.");

    // At design time the items cannot be read at all.
    host.site().setUserMode(false);
    EXPECT_EQ(invoke(kItemName, DISPATCH_PROPERTYGET, {com::Variant::i4(1)}).description,
              u"Property is runtime only (no supported in design time).");
}

TEST_F(ExpressCheckoutControl, CheckoutFromStartToEnd) {
    HttpsServer server;
    server.enqueue(Answer::ok(envelope("<SetExpressCheckoutResponse xmlns=\"urn:ebay:api:PayPalAPI\">"
                                       "<Ack>Success</Ack><Token>EC-77</Token></SetExpressCheckoutResponse>")));
    server.enqueue(Answer::ok(envelope(
        "<GetExpressCheckoutDetailsResponse><Ack>Success</Ack><GetExpressCheckoutDetailsResponseDetails>"
        "<Token>EC-77</Token><PayerInfo><Payer>ann@buyer.test</Payer><PayerID>BUYER1</PayerID>"
        "<PayerName><FirstName>Ann</FirstName></PayerName></PayerInfo></GetExpressCheckoutDetailsResponseDetails>"
        "</GetExpressCheckoutDetailsResponse>")));
    server.enqueue(Answer::ok(envelope(
        "<DoExpressCheckoutPaymentResponse><Ack>Success</Ack><DoExpressCheckoutPaymentResponseDetails>"
        "<Token>EC-77</Token><PaymentInfo><TransactionID>TX9</TransactionID><GrossAmount>25.00</GrossAmount>"
        "</PaymentInfo></DoExpressCheckoutPaymentResponseDetails></DoExpressCheckoutPaymentResponse>")));
    pointAt(server);
    readyForSetCheckout();
    ASSERT_EQ(call(kSetCheckout).hr, S_OK);
    EXPECT_EQ(text(kResponseToken), "EC-77");
    EXPECT_EQ(text(kAck), "Success");
    EXPECT_NE(server.request(0).body.find("<Username>api_user</Username><Password>secret</Password>"),
              std::string::npos);
    EXPECT_NE(config("Request").find("<OrderTotal currencyID=\"USD\">25.00</OrderTotal>"), std::string::npos);
    EXPECT_NE(config("Response").find("EC-77"), std::string::npos);

    ASSERT_EQ(call(kGetCheckoutDetails, {com::Variant::text("EC-77")}).hr, S_OK);
    EXPECT_EQ(text(kToken), "EC-77");
    EXPECT_EQ(text(kPayerId), "BUYER1");
    EXPECT_EQ(text(kPayerEmail), "ann@buyer.test");
    EXPECT_EQ(text(kPayerFirstName), "Ann");

    put(kItemCount, com::Variant::i4(1));
    putItem(kItemName, 0, com::Variant::text("Mug"));
    putItem(kItemAmount, 0, com::Variant::text("25.00"));
    putItem(kItemNumber, 0, com::Variant::text("M-1"));
    putItem(kItemQuantity, 0, com::Variant::i4(1));
    ASSERT_EQ(call(kCheckoutPayment).hr, S_OK);
    EXPECT_NE(server.request(2).body.find("<PayerID>BUYER1</PayerID>"), std::string::npos);
    EXPECT_NE(server.request(2).body.find("<Name>Mug</Name>    <Amount>25.00</Amount>     <Number>M-1</Number>"),
              std::string::npos);
    EXPECT_EQ(text(kPaymentTransactionId), "TX9");
    EXPECT_EQ(text(kPaymentGrossAmount), "25.00");
    EXPECT_EQ(text(kPayerEmail), "");
    EXPECT_FALSE(text(kSSLServerCert).empty());
    com::Variant der = get(kSSLServerCertB);
    ASSERT_EQ(der.vt, VT_ARRAY | VT_UI1);
    EXPECT_EQ(der.parray->rgsabound[0].cElements, TestCertificates::instance().der(CertKind::Server).size());
}

TEST_F(ExpressCheckoutControl, FailuresBecomeComErrorsAndEvents) {
    HttpsServer server;
    server.enqueue(Answer::ok(envelope(
        "<SetExpressCheckoutResponse><Ack>Failure</Ack>"
        "<Errors><ShortMessage>Note</ShortMessage><LongMessage>First a warning</LongMessage>"
        "<ErrorCode>1</ErrorCode><SeverityCode>Warning</SeverityCode></Errors>"
        "<Errors><ShortMessage>Bad amount</ShortMessage><LongMessage>The amount is invalid</LongMessage>"
        "<ErrorCode>10401</ErrorCode><SeverityCode>Error</SeverityCode></Errors></SetExpressCheckoutResponse>")));
    server.enqueue(Answer::status(500, "Internal Server Error",
                                  envelope("<SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode>"
                                           "<faultstring>Bad credentials</faultstring></SOAP-ENV:Fault>")));
    auto recorder = EventRecorder::make(DIID__IExpressCheckoutEvents);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    pointAt(server);
    putText(kOrderTotal, "1.00");
    putText(kReturnURL, "r");

    Failure missing = call(kSetCheckout);
    EXPECT_EQ(missing.hr, static_cast<HRESULT>(0x800A4E20));
    EXPECT_EQ(missing.description, u"A CancelURL is required for this transaction.");
    EXPECT_EQ(missing.helpContext, 42005u);
    EXPECT_EQ(server.requestCount(), 0u);

    putText(kCancelURL, "c");
    recorder->clear();
    Failure provider = call(kSetCheckout);
    EXPECT_EQ(provider.hr, static_cast<HRESULT>(0x800A0000 | (527 + 20001)));
    EXPECT_EQ(provider.description, u"[10401] Bad amount. The amount is invalid.");
    std::vector<std::u16string> errors;
    for (const auto& c : recorder->calls()) {
        if (c.dispid != 1) continue;
        EXPECT_EQ(c.args.at(0).iVal, 527);
        errors.push_back(std::u16string(com::view(c.args.at(1).bstrVal)));
    }
    EXPECT_EQ(errors, (std::vector<std::u16string>{u"[1] Note. First a warning.",
                                                    u"[10401] Bad amount. The amount is invalid."}));
    // The TLS steps are reported too.
    EXPECT_TRUE(std::any_of(recorder->calls().begin(), recorder->calls().end(),
                            [](const auto& c) { return c.dispid == 3; }));

    Failure fault = call(kSetCheckout);
    EXPECT_EQ(fault.hr, static_cast<HRESULT>(0x800A0000 | (173 + 20001)));
    EXPECT_EQ(fault.description, u"SOAP Fault in SOAP-ENV:Client: Bad credentials");
    EXPECT_EQ(config("FaultCode"), "SOAP-ENV:Client");
    recorder->disconnect();
}

TEST_F(ExpressCheckoutControl, ResetAndPersistence) {
    putText(kUsername, "user");
    putText(kPassword, "pass");
    putText(kOrderTotal, "9.99");
    putText(kToken, "EC-1");
    putText(kURL, "https://127.0.0.1:1/2.0/");
    put(kItemCount, com::Variant::i4(3));
    put(kPaymentAction, com::Variant::i4(1));
    config("ButtonSource=Shop");

    auto bag = activex::testing::RecordingPropertyBag::make();
    com::ComPtr<IPersistPropertyBag> persist = host.site().query<IPersistPropertyBag>();
    ASSERT_TRUE(persist);
    ASSERT_EQ(persist->Save(bag.get(), TRUE, TRUE), S_OK);
    std::vector<std::string> names;
    for (const auto& entry : bag->entries()) names.push_back(entry.first);
    EXPECT_EQ(names, (std::vector<std::string>{"BuyerEmail", "CancelURL", "InvoiceNumber", "ItemCount",
                                               "OrderDescription", "OrderTotal", "Password", "PayerId",
                                               "PaymentAction", "ReturnURL", "ShippingTotal", "SSLCertStore",
                                               "SSLCertStorePassword", "SSLCertStoreType", "SSLCertSubject",
                                               "TaxTotal", "Timeout", "Token", "URL", "Username"}));

    ASSERT_EQ(call(kReset).hr, S_OK);
    EXPECT_EQ(text(kUsername), "");
    EXPECT_EQ(text(kPassword), "");
    EXPECT_EQ(text(kOrderTotal), "");
    EXPECT_EQ(text(kToken), "");
    EXPECT_EQ(get(kItemCount).iVal, 0);
    EXPECT_EQ(get(kPaymentAction).lVal, 0);
    EXPECT_EQ(config("ButtonSource"), "Tressikor");
    EXPECT_EQ(text(kURL).rfind("https://", 0), 0u);
    EXPECT_NE(text(kURL), "https://127.0.0.1:1/2.0/");

    // What was saved comes back in a new control.
    host.site().close();
    dispatch.reset();
    ASSERT_EQ(host.create(CLSID_ExpressCheckout), S_OK);
    host.site().control()->QueryInterface(IID_IDispatch, dispatch.putVoid());
    persist = host.site().query<IPersistPropertyBag>();
    ASSERT_EQ(persist->Load(bag.get(), nullptr), S_OK);
    EXPECT_EQ(text(kUsername), "user");
    EXPECT_EQ(text(kOrderTotal), "9.99");
    EXPECT_EQ(get(kItemCount).iVal, 3);
    EXPECT_EQ(get(kPaymentAction).lVal, 1);
    EXPECT_EQ(text(kURL), "https://127.0.0.1:1/2.0/");
}

TEST_F(ExpressCheckoutControl, ClientCertificateFromPemText) {
    HttpsServer server({.clientCertificate = fixtures::ClientCertificate::Require});
    server.enqueue(Answer::ok(envelope("<SetExpressCheckoutResponse><Ack>Success</Ack></SetExpressCheckoutResponse>")));
    pointAt(server);
    readyForSetCheckout();
    ASSERT_EQ(put(kSSLCertStoreType, com::Variant::i4(4)).hr, S_OK);
    ASSERT_EQ(putText(kSSLCertStore, TestCertificates::instance().pem(CertKind::Client) + rsaKeyPem(CertKind::Client)).hr,
              S_OK);
    ASSERT_EQ(putText(kSSLCertSubject, "*").hr, S_OK);
    EXPECT_NE(text(kSSLCertSubject).find("CN="), std::string::npos);
    EXPECT_FALSE(text(kSSLCertEncoded).empty());
    const Failure result = call(kSetCheckout);
    ASSERT_EQ(result.hr, S_OK) << std::string(result.description.begin(), result.description.end());
    EXPECT_EQ(server.connections().at(0).clientSubject, TestCertificates::instance().subject(CertKind::Client));

    const Failure missing = putText(kSSLCertStore, "/nonexistent/key.pem");
    EXPECT_EQ(missing.hr, static_cast<HRESULT>(0x800A0000 | (271 + 20001)));
    EXPECT_EQ(missing.description.rfind(u"The certificate store could not be opened (", 0), 0u);
    EXPECT_EQ(missing.helpContext, 22044u);
}

TEST_F(ExpressCheckoutControl, HostJudgesAnUntrustedServer) {
    HttpsServer server({.certificate = CertKind::SelfSigned});
    server.enqueue(Answer::ok(envelope("<SetExpressCheckoutResponse><Ack>Success</Ack></SetExpressCheckoutResponse>")));
    pointAt(server);
    readyForSetCheckout();
    auto recorder = EventRecorder::make(DIID__IExpressCheckoutEvents);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    std::size_t judged = 0;
    bool accept = false;
    recorder->handler = [&](DISPID id, DISPPARAMS* params) {
        if (id != 2) return S_OK;
        com::Variant certificate = get(59);
        if (certificate.vt == (VT_ARRAY | VT_UI1)) judged = certificate.parray->rgsabound[0].cElements;
        *params->rgvarg[0].pboolVal = accept ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    };
    const Failure refused = call(kSetCheckout);
    EXPECT_EQ(refused.hr, static_cast<HRESULT>(0x800A0000 | (276 + 20001)));
    EXPECT_EQ(refused.description, u"Server certificate verification failed. Connection aborted.");
    EXPECT_EQ(judged, TestCertificates::instance().der(CertKind::SelfSigned).size());
    accept = true;
    ASSERT_EQ(call(kSetCheckout).hr, S_OK);
    EXPECT_EQ(text(kAck), "Success");
    EXPECT_EQ(text(49).rfind("[0x", 0), 0u);
    // Outside the event there is no certificate being judged.
    EXPECT_EQ(get(59).vt, VT_EMPTY);
    recorder->disconnect();
}

TEST_F(ExpressCheckoutControl, DrawnOnlyAtDesignTime) {
    auto view = host.site().query<IViewObject>();
    ASSERT_TRUE(view);
    EXPECT_EQ(host.site().extentPixels().cx, 28);
    EXPECT_EQ(host.site().extentPixels().cy, 28);
    activex::testing::OffscreenDc dc(40, 40);
    dc.fill(RGB(255, 255, 255));
    RECTL bounds{0, 0, 28, 28};
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0);
    EXPECT_EQ(dc.pixel(3, 3), RGB(255, 255, 255));
    host.site().setUserMode(false);
    view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0);
    EXPECT_EQ(dc.pixel(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(dc.pixel(3, 3), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(dc.pixel(30, 30), RGB(255, 255, 255));
}

// Paths of the elements the operations fill, below the envelope's Body.
const std::string kSetDetails = "Envelope/Body/SetExpressCheckoutReq/SetExpressCheckoutRequest/SetExpressCheckoutRequestDetails/";
const std::string kPaymentDetails = "Envelope/Body/DoExpressCheckoutPaymentReq/DoExpressCheckoutPaymentRequest/"
                                    "DoExpressCheckoutPaymentRequestDetails/";
const std::string kPaymentItem = kPaymentDetails + "PaymentDetails/PaymentItem/";

// A text with every character XML gives a meaning to, the end of a CDATA section, a line end
// as CR LF and a tab.
std::string awkward(const std::string& name) { return name + " R&D a<b> x]]>y \"q\" 'a' &amp;\r\n\tend"; }

TEST_F(ExpressCheckoutControl, EveryHostValueArrivesExactlyAsSet) {
    HttpsServer server;
    for (int i = 0; i < 4; ++i) server.enqueue(Answer::ok(envelope("<R><Ack>Success</Ack></R>")));
    pointAt(server);
    struct Value {
        DISPID id;
        const char* name;
        std::string path;  // where the value lands, or "" when the SetCheckout request lacks it
        std::string paymentPath;
    };
    const Value values[] = {
        {kUsername, "Username", "Envelope/Header/RequesterCredentials/Credentials/Username", ""},
        {kPassword, "Password", "Envelope/Header/RequesterCredentials/Credentials/Password", ""},
        {kOrderTotal, "OrderTotal", kSetDetails + "OrderTotal", kPaymentDetails + "PaymentDetails/OrderTotal"},
        {kShippingTotal, "ShippingTotal", "", kPaymentDetails + "PaymentDetails/ShippingTotal"},
        {kTaxTotal, "TaxTotal", "", kPaymentDetails + "PaymentDetails/TaxTotal"},
        {kOrderDescription, "OrderDescription", kSetDetails + "OrderDescription",
         kPaymentDetails + "PaymentDetails/OrderDescription"},
        {kInvoiceNumber, "InvoiceNumber", kSetDetails + "InvoiceId", kPaymentDetails + "PaymentDetails/InvoiceID"},
        {kToken, "Token", kSetDetails + "Token", kPaymentDetails + "Token"},
        {kReturnURL, "ReturnURL", kSetDetails + "ReturnURL", ""},
        {kCancelURL, "CancelURL", kSetDetails + "CancelURL", ""},
        {kBuyerEmail, "BuyerEmail", kSetDetails + "BuyerEmail", ""},
        {kPayerId, "PayerId", "", kPaymentDetails + "PayerID"},
    };
    for (const Value& v : values) ASSERT_EQ(putText(v.id, awkward(v.name)).hr, S_OK) << v.name;
    const std::string version = "1.0 R&D a<b> x]]>y \"q\"";
    config("Version=" + version);
    config("ButtonSource=Shop & Co <x>");
    ASSERT_EQ(put(kItemCount, com::Variant::i4(2)).hr, S_OK);
    for (SHORT i = 0; i < 2; ++i) {
        const std::string n = std::to_string(i);
        putItem(kItemName, i, com::Variant::text(awkward("Name" + n)));
        putItem(kItemAmount, i, com::Variant::text(awkward("Amount" + n)));
        putItem(kItemNumber, i, com::Variant::text(awkward("Number" + n)));
    }

    ASSERT_EQ(call(kSetCheckout).hr, S_OK);
    ASSERT_EQ(call(kGetCheckoutDetails, {com::Variant::text(awkward("Token"))}).hr, S_OK);
    ASSERT_EQ(call(kCheckoutPayment).hr, S_OK);
    const checkout_test::ReadXml set = checkout_test::readXml(server.request(0).body);
    const checkout_test::ReadXml details = checkout_test::readXml(server.request(1).body);
    const checkout_test::ReadXml payment = checkout_test::readXml(server.request(2).body);
    for (const auto* read : {&set, &details, &payment}) {
        ASSERT_TRUE(read->wellFormed) << read->error;
        EXPECT_EQ(read->only("Version"), version);
        EXPECT_EQ(read->only("Username"), awkward("Username"));
        EXPECT_EQ(read->only("Password"), awkward("Password"));
    }
    EXPECT_EQ(details.only("Token"), awkward("Token"));
    for (const Value& v : values) {
        if (!v.path.empty()) {
            EXPECT_EQ(set.all(v.path), std::vector<std::string>{awkward(v.name)}) << v.name;
        }
        if (!v.paymentPath.empty()) {
            EXPECT_EQ(payment.all(v.paymentPath), std::vector<std::string>{awkward(v.name)}) << v.name;
        }
    }
    EXPECT_EQ(payment.only("ButtonSource"), "Tressikor.Shop & Co <x>");
    for (const char* field : {"Name", "Amount", "Number"}) {
        EXPECT_EQ(payment.all(kPaymentItem + field),
                  (std::vector<std::string>{awkward(field + std::string("0")), awkward(field + std::string("1"))}));
    }
    // The template's own markup is untouched.
    EXPECT_NE(server.request(2).body.find("<OrderTotal currencyID=\"USD\">"), std::string::npos);

    // A value that closes its element and opens another stays one value.
    const std::string injection = "</OrderTotal><Injected>1</Injected><OrderTotal>";
    putText(kOrderTotal, injection);
    ASSERT_EQ(call(kSetCheckout).hr, S_OK);
    const checkout_test::ReadXml injected = checkout_test::readXml(server.request(3).body);
    ASSERT_TRUE(injected.wellFormed) << injected.error;
    EXPECT_EQ(injected.only("Injected"), "<absent>");
    EXPECT_EQ(injected.all(kSetDetails + "OrderTotal"), std::vector<std::string>{injection});
}

TEST_F(ExpressCheckoutControl, ItemTextsAreNeverTemplateText) {
    HttpsServer server;
    server.enqueue(Answer::ok(envelope("<R><Ack>Success</Ack></R>")));
    pointAt(server);
    putText(kToken, "EC-1");
    putText(kPayerId, "P1");
    putText(kOrderTotal, "5.00");
    putText(kOrderDescription, "the description");
    const std::vector<std::string> names = {"Mug ~ large", "Lid ~ small", "50~ off", "A~7~B", "~~", "tail ~"};
    put(kItemCount, com::Variant::i4(static_cast<LONG>(names.size())));
    for (std::size_t i = 0; i < names.size(); ++i) {
        putItem(kItemName, static_cast<SHORT>(i), com::Variant::text(names[i]));
        putItem(kItemNumber, static_cast<SHORT>(i), com::Variant::text("N~" + std::to_string(i) + "~"));
    }
    ASSERT_EQ(call(kCheckoutPayment).hr, S_OK);
    const checkout_test::ReadXml read = checkout_test::readXml(server.request(0).body);
    ASSERT_TRUE(read.wellFormed) << read.error;
    EXPECT_EQ(read.all(kPaymentItem + "Name"), names);
    EXPECT_EQ(read.all(kPaymentItem + "Number"),
              (std::vector<std::string>{"N~0~", "N~1~", "N~2~", "N~3~", "N~4~", "N~5~"}));
    EXPECT_EQ(read.only("OrderDescription"), "the description");
}

// A client certificate issued by the test CA for a new RSA key of the given size, as PEM text
// with the key's traditional block after it.
struct IssuedClient {
    std::string pem;
    std::string subject;
};

IssuedClient issueClient(int bits) {
    const TestCertificates& set = TestCertificates::instance();
    EVP_PKEY* key = EVP_RSA_gen(static_cast<unsigned>(bits));
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), bits);
    X509_time_adj_ex(X509_getm_notBefore(cert), -1, 0, nullptr);
    X509_time_adj_ex(X509_getm_notAfter(cert), 30, 0, nullptr);
    X509_set_pubkey(cert, key);
    const std::string cn = "Client " + std::to_string(bits);
    X509_NAME_add_entry_by_txt(X509_get_subject_name(cert), "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(cn.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert, X509_get_subject_name(set.certificate(CertKind::Ca)));
    X509_sign(cert, set.key(CertKind::Ca), EVP_sha256());
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, cert);
    PEM_write_bio_PrivateKey_traditional(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long n = BIO_get_mem_data(bio, &data);
    IssuedClient out{std::string(data, static_cast<std::size_t>(n)), fixtures::subjectOf(cert)};
    BIO_free(bio);
    X509_free(cert);
    EVP_PKEY_free(key);
    return out;
}

TEST_F(ExpressCheckoutControl, ClientKeysDownTo1024BitsArePresented) {
    HttpsServer server({.clientCertificate = fixtures::ClientCertificate::Request});
    server.enqueue(Answer::ok(envelope("<R><Ack>Success</Ack></R>")));
    pointAt(server);
    readyForSetCheckout();
    ASSERT_EQ(put(kSSLCertStoreType, com::Variant::i4(4)).hr, S_OK);
    const IssuedClient client = issueClient(1024);
    ASSERT_EQ(putText(kSSLCertStore, client.pem).hr, S_OK);
    ASSERT_EQ(putText(kSSLCertSubject, "*").hr, S_OK);
    const Failure result = call(kSetCheckout);
    ASSERT_EQ(result.hr, S_OK) << std::string(result.description.begin(), result.description.end());
    ASSERT_EQ(server.connectionCount(), 1u);
    EXPECT_EQ(server.connections().at(0).clientSubject, client.subject);

    // A key too small for the TLS library is a credential error, before any connection.
    ASSERT_EQ(putText(kSSLCertStore, issueClient(768).pem).hr, S_OK);
    ASSERT_EQ(text(kSSLCertSubject), "CN=Client 768");
    const Failure refused = call(kSetCheckout);
    EXPECT_EQ(refused.hr, static_cast<HRESULT>(0x800A0000 | (273 + 20001)));
    EXPECT_EQ(refused.description.rfind(u"Could not acquire security credentials: error ", 0), 0u);
    EXPECT_EQ(server.connectionCount(), 1u);
}

// Python's HTTPS server in a process of its own on loopback, offering only finite-field DHE in
// the given group (below TLS 1.3) and answering every POST with a successful envelope.
constexpr const char* kDheServerScript = R"(
import http.server, ssl, sys
cert, key, dh = sys.argv[1:4]
class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'
    def do_POST(self):
        self.rfile.read(int(self.headers['Content-Length']))
        body = sys.argv[4].encode()
        self.send_response(200)
        self.send_header('Content-Type', 'text/xml')
        self.send_header('Content-Length', str(len(body)))
        self.send_header('Connection', 'close')
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.maximum_version = ssl.TLSVersion.TLSv1_2
context.set_ciphers('DHE-RSA-AES128-GCM-SHA256:@SECLEVEL=1')
context.load_cert_chain(cert, key)
context.load_dh_params(dh)
server = http.server.HTTPServer(('127.0.0.1', 0), Handler)
server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
)";

class DheServer {
public:
    explicit DheServer(const std::string& group) {
        dir_ = std::filesystem::temp_directory_path() / ("express-checkout-dh-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir_);
        const std::string dh = (dir_ / (group + ".pem")).string();
        EXPECT_EQ(std::system(("openssl genpkey -genparam -algorithm DH -pkeyopt group:" + group + " -out " + dh +
                               " 2>/dev/null").c_str()),
                  0);
        const fixtures::CertificateFiles& files = TestCertificates::instance().files(CertKind::Server);
        const std::string answer = envelope("<R><Ack>Success</Ack></R>");
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            execl("/usr/bin/python3", "python3", "-c", kDheServerScript, files.certPem.c_str(), files.keyPem.c_str(),
                   dh.c_str(), answer.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        // The port line comes once the server listens.
        FILE* lines = fdopen(out[0], "r");
        char line[32] = {};
        if (lines && std::fgets(line, sizeof line, lines)) port_ = static_cast<std::uint16_t>(std::atoi(line));
        if (lines) std::fclose(lines);
    }
    ~DheServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::uint16_t port() const { return port_; }

private:
    std::filesystem::path dir_;
    std::uint16_t port_ = 0;
    pid_t pid_ = -1;
};

TEST_F(ExpressCheckoutControl, WhatTheServerOffersKeepsTheDefaultPolicy) {
    // A 1536-bit group passes security level 1 and fails the default: only the client's own
    // certificate and key are held to level 1.
    struct Case {
        const char* group;
        HRESULT hr;
    };
    for (const Case& c : {Case{"modp_1536", static_cast<HRESULT>(0x800A0000 | (276 + 20001))}, Case{"ffdhe2048", S_OK}}) {
        DheServer server(c.group);
        ASSERT_NE(server.port(), 0) << c.group;
        putText(kURL, "https://localhost:" + std::to_string(server.port()) + "/2.0/");
        readyForSetCheckout();
        const Failure f = call(kSetCheckout);
        EXPECT_EQ(f.hr, c.hr) << c.group << ": " << std::string(f.description.begin(), f.description.end());
    }
    EXPECT_EQ(text(kAck), "Success");
}

TEST_F(ExpressCheckoutControl, NestedCallsAreRefusedAndLeaveTheCallInFlightWhole) {
    HttpsServer server;
    server.enqueue(Answer::ok(envelope("<R><Ack>Success</Ack></R>")));
    pointAt(server);
    readyForSetCheckout();
    auto recorder = EventRecorder::make(DIID__IExpressCheckoutEvents);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    std::vector<Failure> nested;
    recorder->handler = [&](DISPID id, DISPPARAMS*) {
        if (id != 3 || !nested.empty()) return S_OK;
        nested.push_back(call(kGetCheckoutDetails, {com::Variant::text("EC-NESTED")}));
        nested.push_back(call(kSetCheckout));
        nested.push_back(call(kCheckoutPayment));
        nested.push_back(call(kReset));
        return S_OK;
    };
    ASSERT_EQ(call(kSetCheckout).hr, S_OK);
    recorder->disconnect();
    ASSERT_EQ(nested.size(), 4u);
    for (const Failure& f : nested) {
        EXPECT_EQ(f.hr, static_cast<HRESULT>(0x800A0000 | (143 + 20001)));
        EXPECT_EQ(f.description, u"Busy performing current action.");
    }
    ASSERT_EQ(server.requestCount(), 1u);
    const std::string body = server.request(0).body;
    EXPECT_NE(body.find("<SetExpressCheckoutReq "), std::string::npos);
    EXPECT_EQ(body.find("EC-NESTED"), std::string::npos);
    EXPECT_EQ(text(kToken), "");
    EXPECT_EQ(text(kUsername), "api_user");
    EXPECT_EQ(text(kOrderTotal), "25.00");
}

TEST_F(ExpressCheckoutControl, ErrorTextBelongsToItsCode) {
    // The peer takes the start of a request too large for the socket buffers and resets the
    // connection while the rest is still queued.
    fixtures::RawTlsPeer peer;
    peer.addConnection(fixtures::PeerScript().expect(1000).pause(fixtures::Milliseconds(300)).abort());
    putText(kURL, "https://localhost:" + std::to_string(peer.port()) + "/2.0/");
    readyForSetCheckout();
    putText(kOrderDescription, std::string(8 << 20, 'd'));
    const Failure failure = call(kSetCheckout);
    ASSERT_NE(failure.hr, S_OK);
    const std::string description(failure.description.begin(), failure.description.end());
    // Whichever of the socket's reports ends the call, the text is that code's own.
    const int code = static_cast<int>(failure.hr & 0xFFFF) - 15001;
    const std::map<int, std::string> texts = {{10053, "Software caused connection abort"},
                                              {10054, "Connection reset by peer"},
                                              {10057, "Socket is not connected"}};
    ASSERT_EQ(texts.count(code), 1u) << code << ": " << description;
    EXPECT_NE(description.find(texts.at(code)), std::string::npos) << code << ": " << description;
}

TEST_F(ExpressCheckoutControl, TextIsUtf8BothWaysUnlessConfigured) {
    HttpsServer server;
    server.enqueue(Answer::ok(envelope("<R><Ack>Success</Ack></R>")));
    server.enqueue(Answer::ok(envelope(
        "<GetExpressCheckoutDetailsResponse><GetExpressCheckoutDetailsResponseDetails><PayerInfo><PayerName>"
        "<FirstName>Zo\xC3\xAB</FirstName><LastName>\xD0\x96\xE4\xB8\xAD</LastName></PayerName></PayerInfo>"
        "</GetExpressCheckoutDetailsResponseDetails></GetExpressCheckoutDetailsResponse>")));
    server.enqueue(Answer::ok(envelope("<R><Ack>Success</Ack></R>")));
    pointAt(server);
    readyForSetCheckout();
    const std::string description = "Caf\xC3\xA9 \xE2\x82\xAC" "5 \xD0\x96\xE4\xB8\xAD";
    putText(kOrderDescription, description);
    ASSERT_EQ(call(kSetCheckout).hr, S_OK);
    const checkout_test::ReadXml read = checkout_test::readXml(server.request(0).body);
    ASSERT_TRUE(read.wellFormed) << read.error;
    EXPECT_EQ(read.only("OrderDescription"), description);
    EXPECT_EQ(text(kOrderDescription), description);

    ASSERT_EQ(call(kGetCheckoutDetails, {com::Variant::text("EC-1")}).hr, S_OK);
    EXPECT_EQ(text(19), "Zo\xC3\xAB");
    EXPECT_EQ(text(21), "\xD0\x96\xE4\xB8\xAD");

    // A code page the host sets holds.
    EXPECT_EQ(config("CodePage"), "65001");
    config("CodePage=1252");
    putText(kOrderDescription, "Caf\xC3\xA9");
    ASSERT_EQ(call(kSetCheckout).hr, S_OK);
    EXPECT_NE(server.request(2).body.find("<OrderDescription>Caf\xE9</OrderDescription>"), std::string::npos);
}

TEST_F(ExpressCheckoutControl, AnswersThatAreNoSoapSayWhatCame) {
    struct Case {
        const char* name;
        Answer answer;
        int code;
        std::u16string description;
    };
    const Case cases[] = {
        {"empty body", Answer::ok(""), 155, u"No answer from the server."},
        {"redirect", Answer::status(302, "Found", "", {{"Location", "https://elsewhere.test/"}}), 151,
         u"Found"},
        {"server error page", Answer::status(500, "Internal Server Error", "<html><body>oops"), 151,
         u"Internal Server Error"},
        {"closed without an answer", Answer::hangUp(), 155, u"Connection closed before a response was received."},
        {"not HTTP", Answer::raw("garbage, not HTTP at all\r\n\r\n").thenClose(), 155,
         u"The answer is not an XML document."},
        {"not XML", Answer::ok("plain words"), 155, u"The answer is not an XML document."},
    };
    for (const Case& c : cases) {
        HttpsServer server;
        server.enqueue(c.answer);
        pointAt(server);
        readyForSetCheckout();
        const Failure f = call(kSetCheckout);
        EXPECT_EQ(f.hr, static_cast<HRESULT>(0x800A0000 | (c.code + 20001))) << c.name << " " << std::hex << f.hr;
        EXPECT_EQ(f.description, c.description) << c.name << ": " << std::string(f.description.begin(), f.description.end());
    }
}

// An answer envelope whose declaration names the given encoding, its body's bytes as given.
std::string declaredEnvelope(const std::string& encoding, const std::string& body) {
    std::string answer = envelope(body);
    const std::size_t end = answer.find("?>") + 2;
    return (encoding.empty() ? "" : "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>") + answer.substr(end);
}

std::string detailsAnswer(const std::string& payerName) {
    return "<GetExpressCheckoutDetailsResponse><Ack>Success</Ack><GetExpressCheckoutDetailsResponseDetails>"
           "<PayerInfo><PayerName>" + payerName + "</PayerName></PayerInfo></GetExpressCheckoutDetailsResponseDetails>"
           "</GetExpressCheckoutDetailsResponse>";
}

TEST_F(ExpressCheckoutControl, CharacterReferencesReadInTheCodePage) {
    const std::string names = "<FirstName>Jos&#233;</FirstName><LastName>&#8364;&#x20AC;&#x1F600;&#x416;</LastName>";
    const struct {
        const char* codePage;
        std::string first, last;
    } cases[] = {
        {"65001", "Jos\xC3\xA9", "\xE2\x82\xAC\xE2\x82\xAC\xF0\x9F\x98\x80\xD0\x96"},
        {"1252", "Jos\xC3\xA9", "\xE2\x82\xAC\xE2\x82\xAC??"},
    };
    for (const auto& c : cases) {
        HttpsServer server;
        server.enqueue(Answer::ok(envelope(detailsAnswer(names)), "text/xml"));
        server.enqueue(Answer::ok(envelope(detailsAnswer("<FirstName>A&#xB;</FirstName>")), "text/xml"));
        pointAt(server);
        config(std::string("CodePage=") + c.codePage);
        ASSERT_EQ(call(kGetCheckoutDetails, {com::Variant::text("EC-1")}).hr, S_OK) << c.codePage;
        EXPECT_EQ(text(kPayerFirstName), c.first) << c.codePage;
        EXPECT_EQ(text(21), c.last) << c.codePage;

        // A reference to a character XML does not allow makes the answer no document.
        const Failure refused = call(kGetCheckoutDetails, {com::Variant::text("EC-1")});
        EXPECT_EQ(refused.hr, static_cast<HRESULT>(0x800A0000 | (204 + 20001))) << c.codePage;
        EXPECT_EQ(refused.description, u"Invalid XML markup.") << c.codePage;
        EXPECT_EQ(text(kAck), "") << c.codePage;
        EXPECT_EQ(text(kPayerFirstName), "") << c.codePage;
    }
}

TEST_F(ExpressCheckoutControl, EnvelopeDeclaresTheEncodingOfItsBytes) {
    const struct {
        const char* codePage;
        const char* encoding;
        std::string description;  // UTF-8, as the host sets it
        std::string bytes;        // in the envelope
    } cases[] = {
        {"65001", "utf-8", "Caf\xC3\xA9 \xD0\x96 \xF0\x9F\x98\x80", "Caf\xC3\xA9 \xD0\x96 \xF0\x9F\x98\x80"},
        {"1252", "windows-1252", "Caf\xC3\xA9 \xC3\xAB \xE2\x82\xAC", "Caf\xE9 \xEB \x80"},
        {"932", "shift_jis", "\xE6\x97\xA5\xE6\x9C\xAC \xEF\xBD\xB1", "\x93\xFA\x96\x7B \xB1"},
    };
    for (const auto& c : cases) {
        HttpsServer server;
        server.enqueue(Answer::ok(envelope("<R><Ack>Success</Ack></R>"), "text/xml"));
        pointAt(server);
        readyForSetCheckout();
        config(std::string("CodePage=") + c.codePage);
        putText(kOrderDescription, c.description);
        ASSERT_EQ(call(kSetCheckout).hr, S_OK) << c.codePage;
        const std::string body = server.request(0).body;
        EXPECT_NE(body.find("<OrderDescription>" + c.bytes + "</OrderDescription>"), std::string::npos) << c.codePage;
        const checkout_test::ReadXml read = checkout_test::readXml(body);
        EXPECT_EQ(read.encoding, c.encoding);
        ASSERT_TRUE(read.wellFormed) << c.codePage << ": " << read.error;
        EXPECT_EQ(read.only("OrderDescription"), c.description) << c.codePage;
    }
}

TEST_F(ExpressCheckoutControl, AnswersReadInTheEncodingTheyDeclare) {
    const struct {
        const char* codePage;
        const char* encoding;  // "" for no declaration
        std::string name;      // bytes in that encoding
        std::string expected;  // UTF-8
        bool byteOrderMark = false;
    } cases[] = {
        {"65001", "ISO-8859-1", "Jos\xE9 \xFF", "Jos\xC3\xA9 \xC3\xBF"},
        {"65001", "windows-1252", "\x80 \x93q\x94", "\xE2\x82\xAC \xE2\x80\x9Cq\xE2\x80\x9D"},
        {"65001", "", "Jos\xC3\xA9", "Jos\xC3\xA9"},
        {"1252", "UTF-8", "Jos\xC3\xA9 \xE2\x82\xAC \xD0\x96", "Jos\xC3\xA9 \xE2\x82\xAC ?"},
        {"1252", "UTF-8", "\xC3\xA9", "\xC3\xA9", true},
        {"1252", "", "\xE2\x82\xAC", "\xE2\x82\xAC"},
        {"1252", "iso-8859-1", "Jos\xE9", "Jos\xC3\xA9"},
        {"1252", "Windows-1252", "\x80", "\xE2\x82\xAC"},
        {"932", "utf-8", "\xE6\x97\xA5 \xC3\xA9", "\xE6\x97\xA5 ?"},
        {"932", "Shift_JIS", "\x93\xFA", "\xE6\x97\xA5"},
    };
    for (const auto& c : cases) {
        HttpsServer server;
        const std::string answer = declaredEnvelope(c.encoding, detailsAnswer("<FirstName>" + c.name + "</FirstName>"));
        server.enqueue(Answer::ok((c.byteOrderMark ? "\xEF\xBB\xBF" : "") + answer, "text/xml"));
        pointAt(server);
        config(std::string("CodePage=") + c.codePage);
        const Failure f = call(kGetCheckoutDetails, {com::Variant::text("EC-1")});
        ASSERT_EQ(f.hr, S_OK) << c.codePage << " " << c.encoding;
        EXPECT_EQ(text(kPayerFirstName), c.expected) << c.codePage << " " << c.encoding;
        // The answer as the host reads it is in its own code page, the mark of UTF-8 left out.
        EXPECT_EQ(config("Response").rfind(answer.substr(0, 20), 0), 0u) << c.codePage << " " << c.encoding;
    }

    HttpsServer server;
    server.enqueue(Answer::ok(declaredEnvelope("ebcdic-cp-us", detailsAnswer("<FirstName>x</FirstName>")), "text/xml"));
    pointAt(server);
    const Failure unknown = call(kGetCheckoutDetails, {com::Variant::text("EC-1")});
    EXPECT_EQ(unknown.hr, static_cast<HRESULT>(0x800A0000 | (155 + 20001)));
    EXPECT_EQ(unknown.description, u"The answer's encoding \"ebcdic-cp-us\" cannot be read.");
    EXPECT_EQ(text(kAck), "");
}

TEST_F(ExpressCheckoutControl, ValuesXmlCannotCarryStopTheCallBeforeItIsSent) {
    HttpsServer server;
    server.enqueue(Answer::ok(envelope("<R><Ack>Success</Ack></R>"), "text/xml"));
    pointAt(server);
    const struct {
        const char* codePage;
        DISPID id;  // kItemName: item 1 of two
        std::string value;
        DISPID method;
        std::u16string description;
    } cases[] = {
        {"65001", kOrderDescription, "a\vb", kSetCheckout, u"OrderDescription holds a character that XML cannot carry (U+000B)."},
        {"65001", kReturnURL, "https://shop.test/\f", kSetCheckout, u"ReturnURL holds a character that XML cannot carry (U+000C)."},
        {"65001", kUsername, "api\x1B[0m", kSetCheckout, u"Username holds a character that XML cannot carry (U+001B)."},
        {"65001", kCancelURL, "c\xEF\xBF\xBF", kSetCheckout, u"CancelURL holds a character that XML cannot carry (U+FFFF)."},
        {"65001", kBuyerEmail, "\xEF\xBF\xBE@b.test", kSetCheckout, u"BuyerEmail holds a character that XML cannot carry (U+FFFE)."},
        {"65001", kOrderTotal, std::string("25\0.00", 6), kSetCheckout, u"OrderTotal holds a character that XML cannot carry (U+0000)."},
        {"65001", kToken, std::string("EC-1\0EC-2", 9), kGetCheckoutDetails, u"Token holds a character that XML cannot carry (U+0000)."},
        {"65001", kConfig, std::string("ButtonSource=Shop\0X", 19), kConfig, u"ButtonSource holds a character that XML cannot carry (U+0000)."},
        {"65001", kItemName, "Mug\x01", kCheckoutPayment, u"ItemName(1) holds a character that XML cannot carry (U+0001)."},
        {"1252", kPassword, "se\x1Fret", kCheckoutPayment, u"Password holds a character that XML cannot carry (U+001F)."},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(call(kReset).hr, S_OK);
        config(std::string("CodePage=") + c.codePage);
        pointAt(server);
        readyForSetCheckout();
        putText(kToken, "EC-1");
        putText(kPayerId, "P1");
        put(kItemCount, com::Variant::i4(2));
        putItem(kItemName, 0, com::Variant::text("Lid"));
        const Failure set = c.id == kItemName ? putItem(kItemName, 1, com::Variant::text(c.value))
                            : c.id == kToken || c.id == kConfig ? Failure{}
                                               : putText(c.id, c.value);
        ASSERT_EQ(set.hr, S_OK);
        const std::vector<com::Variant> args =
            c.method == kGetCheckoutDetails || c.method == kConfig ? std::vector<com::Variant>{com::Variant::text(c.value)}
                                                                   : std::vector<com::Variant>{};
        const Failure f = call(c.method, args);
        EXPECT_EQ(f.hr, static_cast<HRESULT>(0x800A4E20)) << std::string(c.description.begin(), c.description.end());
        EXPECT_EQ(f.description, c.description);
        EXPECT_EQ(server.requestCount(), 0u);
        if (c.method == kConfig) {
            EXPECT_EQ(config("ButtonSource"), "Tressikor");
        }
    }
    // Once the value is clean the call goes out.
    putItem(kItemName, 1, com::Variant::text("Mug"));
    putText(kPassword, "secret");
    ASSERT_EQ(call(kCheckoutPayment).hr, S_OK);
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST_F(ExpressCheckoutControl, AckFailureFailsTheCall) {
    const std::string warning = "<Errors><ShortMessage>Note</ShortMessage><LongMessage>Only a warning</LongMessage>"
                                "<ErrorCode>11</ErrorCode><SeverityCode>Warning</SeverityCode></Errors>";
    const struct {
        const char* ack;
        std::string errors;
        HRESULT hr;
        std::vector<std::u16string> events;
    } cases[] = {
        {"Failure", "", static_cast<HRESULT>(0x800A0000 | (527 + 20001)), {u"The provider answered Failure."}},
        {"FailureWithWarning", warning, static_cast<HRESULT>(0x800A0000 | (527 + 20001)),
         {u"[11] Note. Only a warning.", u"The provider answered FailureWithWarning."}},
        {"Success", "", S_OK, {}},
        {"SuccessWithWarning", warning, S_OK, {u"[11] Note. Only a warning."}},
    };
    auto recorder = EventRecorder::make(DIID__IExpressCheckoutEvents);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    for (const auto& c : cases) {
        HttpsServer server;
        server.enqueue(Answer::ok(envelope(std::string("<SetExpressCheckoutResponse><Ack>") + c.ack + "</Ack>" + c.errors +
                                           "<Token>EC-9</Token></SetExpressCheckoutResponse>"),
                                  "text/xml"));
        pointAt(server);
        readyForSetCheckout();
        recorder->clear();
        const Failure f = call(kSetCheckout);
        EXPECT_EQ(f.hr, c.hr) << c.ack;
        if (c.hr != S_OK) {
            EXPECT_EQ(f.description, c.events.back()) << c.ack;
        }
        std::vector<std::u16string> events;
        for (const auto& e : recorder->calls()) {
            if (e.dispid != 1) continue;
            EXPECT_EQ(e.args.at(0).iVal, 527);
            events.push_back(std::u16string(com::view(e.args.at(1).bstrVal)));
        }
        EXPECT_EQ(events, c.events) << c.ack;
        // The answer stays readable.
        EXPECT_EQ(text(kAck), c.ack);
        EXPECT_EQ(text(kResponseToken), "EC-9");
    }
    recorder->disconnect();
}

TEST_F(ExpressCheckoutControl, AFailedCallLeavesNoAnswerOfThePreviousOne) {
    const std::string answerA = envelope(
        "<GetExpressCheckoutDetailsResponse><Timestamp>T1</Timestamp><Ack>Success</Ack>"
        "<CorrelationID>C1</CorrelationID><Version>2.0</Version><Build>B1</Build>"
        "<GetExpressCheckoutDetailsResponseDetails><Token>EC-A</Token><ContactPhone>555</ContactPhone><PayerInfo>"
        "<Payer>alice@buyer.test</Payer><PayerID>ALICE</PayerID><PayerStatus>verified</PayerStatus>"
        "<PayerName><FirstName>Alice</FirstName><LastName>A</LastName></PayerName><PayerBusiness>AB</PayerBusiness>"
        "<Address><Street1>1 Alice Road</Street1><Street2>Flat 2</Street2><CityName>Town</CityName>"
        "<StateOrProvince>ST</StateOrProvince><PostalCode>12345</PostalCode><Country>US</Country></Address>"
        "</PayerInfo></GetExpressCheckoutDetailsResponseDetails></GetExpressCheckoutDetailsResponse>");
    // Every answer property, and the Config keys that read the answer.
    const std::vector<DISPID> properties = {1, 4, 15, 16, 17, 18, 19, 21, 22, 23, 24, 25, 26, 28, 29, 30, 31,
                                            32, 33, 34, 35, 36, 37, 38, 39};
    const char* const keys[] = {"Timestamp", "ResponseVersion", "Build", "CorrelationId", "FaultCode", "FaultString"};
    const struct {
        const char* name;
        Answer failure;
    } cases[] = {
        {"closed after the request", Answer::hangUp()},
        {"cut answer", Answer::ok(answerA.substr(0, answerA.find("</PayerInfo>")), "text/xml")},
    };
    for (const auto& c : cases) {
        HttpsServer server;
        server.enqueue(Answer::ok(answerA, "text/xml"));
        server.enqueue(c.failure);
        pointAt(server);
        ASSERT_EQ(call(kGetCheckoutDetails, {com::Variant::text("EC-A")}).hr, S_OK) << c.name;
        ASSERT_EQ(text(kAck), "Success");
        ASSERT_EQ(text(kPayerEmail), "alice@buyer.test");
        ASSERT_EQ(text(kResponseToken), "EC-A");
        ASSERT_EQ(config("CorrelationId"), "C1");

        EXPECT_NE(call(kGetCheckoutDetails, {com::Variant::text("EC-B")}).hr, S_OK) << c.name;
        for (DISPID id : properties) EXPECT_EQ(text(id), "") << c.name << ": dispid " << id;
        for (const char* key : keys) EXPECT_EQ(config(key), "") << c.name << ": " << key;
        EXPECT_EQ(config("Request").find("EC-A"), std::string::npos) << c.name;
    }
}

TEST(ExpressCheckoutRegistration, KeysOfTheClass) {
    ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " " + PELLORAN_PATH).c_str()), 0);
    const auto dump = activex::testing::registryDump(HKEY_CLASSES_ROOT);
    auto has = [&](const std::string& line) { return std::find(dump.begin(), dump.end(), line) != dump.end(); };
    const std::string clsid = "[CLSID\\{14448200-F789-11CE-86F8-0020AFD8C6DB}";
    EXPECT_TRUE(has("[QuorrelPayPal.ExpressCheckout.1\\CLSID]"));
    EXPECT_TRUE(has("[QuorrelPayPal.ExpressCheckout\\CurVer]"));
    EXPECT_TRUE(has(clsid + "\\Insertable]"));
    EXPECT_TRUE(has(clsid + "\\MiscStatus\\1]"));
    EXPECT_TRUE(has("@=132497"));
    EXPECT_TRUE(has("ThreadingModel=Apartment"));
    EXPECT_TRUE(has(clsid + "\\TypeLib]"));
    ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " -u " + PELLORAN_PATH).c_str()), 0);
    const auto after = activex::testing::registryDump(HKEY_CLASSES_ROOT);
    EXPECT_EQ(std::find(after.begin(), after.end(), clsid + "]"), after.end());
}

}  // namespace
