#pragma once
// The control as a host reaches it: registered by the registration command, made from its ProgID
// and driven through IDispatch.

#include "activex/testing/test_host.h"
#include "card_control/control/interface.h"
#include "card_control/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace corvisk::testing_support {

inline std::string utf8(BSTR b) { return com::toUtf8(com::view(b)); }

// The HRESULT a host sees for an engine result code.
inline HRESULT codeResult(int code) { return static_cast<HRESULT>(0x800A0000u | static_cast<unsigned>(code + 20001)); }

struct Raised {
    HRESULT hr;
    std::string description;
    DWORD helpContext;
    std::string source;
};

class CorviskControl : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " " + CORVISK_PATH).c_str()), 0);
    }
    void SetUp() override {
        ASSERT_TRUE(fixtures::trustTestCa());
        create();
    }
    void TearDown() override { close(); }

    void create() {
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(u"QuorrelPay.Corvisk", &clsid), S_OK);
        ASSERT_EQ(host.create(clsid), S_OK);
        ASSERT_EQ(host.site().control()->QueryInterface(IID_IDispatch, dispatch.putVoid()), S_OK);
    }
    void close() {
        dispatch.reset();
        host.site().close();
    }

    HRESULT invoke(DISPID id, WORD flags, std::vector<com::Variant> args, com::Variant* result, Raised* raised) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPID named = DISPID_PROPERTYPUT;
        const bool put = flags == DISPATCH_PROPERTYPUT;
        DISPPARAMS params{reversed.data(), put ? &named : nullptr, static_cast<UINT>(reversed.size()), put ? 1u : 0u};
        EXCEPINFO info{};
        const HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, nullptr);
        if (raised) *raised = {info.scode, utf8(info.bstrDescription), info.dwHelpContext, utf8(info.bstrSource)};
        com::clearExcepInfo(&info);
        return hr;
    }
    HRESULT put(DISPID id, com::Variant value, Raised* raised = nullptr) {
        return invoke(id, DISPATCH_PROPERTYPUT, {value}, nullptr, raised);
    }
    HRESULT putText(DISPID id, const std::string& text, Raised* raised = nullptr) {
        return put(id, com::Variant::text(text), raised);
    }
    com::Variant get(DISPID id, std::vector<com::Variant> index = {}) {
        com::Variant result;
        EXPECT_EQ(invoke(id, DISPATCH_PROPERTYGET, index, &result, nullptr), S_OK) << "dispid " << id;
        return result;
    }
    std::string getText(DISPID id) {
        com::Variant v = get(id);
        return v.vt == VT_BSTR ? utf8(v.bstrVal) : "<not text>";
    }
    HRESULT call(DISPID id, std::vector<com::Variant> args = {}, Raised* raised = nullptr, com::Variant* result = nullptr) {
        return invoke(id, DISPATCH_METHOD, args, result, raised);
    }

    activex::testing::TestHost host;
    com::ComPtr<IDispatch> dispatch;
};

// A control with a card that passes every check, whose requests go to a loopback HTTPS gateway.
class HostedTransaction : public CorviskControl {
protected:
    void SetUp() override {
        CorviskControl::SetUp();
        ASSERT_EQ(put(kTimeout, com::Variant::i4(10)), S_OK);
        ASSERT_EQ(putText(kCardNumber, "4111111111111111"), S_OK);
        ASSERT_EQ(putText(kCardExpMonth, "12"), S_OK);
        ASSERT_EQ(putText(kCardExpYear, "2030"), S_OK);
        ASSERT_EQ(putText(kCardCVV2Data, "9731"), S_OK);
    }

    void useGateway(int gateway, const std::string& path = "/gw") {
        ASSERT_EQ(put(kGateway, com::Variant::i4(gateway)), S_OK);
        ASSERT_EQ(putText(kGatewayURL, server.url(path, "localhost")), S_OK);
    }

    fixtures::HttpsServer server;
};

}  // namespace corvisk::testing_support
