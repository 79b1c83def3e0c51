// A gateway that takes the POST and hangs up without answering: the charge fails through the
// interface instead of passing with an empty answer.

#include "activex/testing/test_host.h"
#include "card_control/control/interface.h"
#include "card_control/tests/engine_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace corvisk;
using activex::testing::TestHost;
using fixtures::Answer;

namespace {

HRESULT invoke(IDispatch* dispatch, DISPID id, WORD flags, std::vector<com::Variant> args, com::Variant* result,
               std::string* description = nullptr, HRESULT* scode = nullptr) {
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID named = DISPID_PROPERTYPUT;
    const bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), put ? &named : nullptr, static_cast<UINT>(reversed.size()), put ? 1u : 0u};
    EXCEPINFO info{};
    const HRESULT hr = dispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, nullptr);
    if (description) *description = com::toUtf8(com::view(info.bstrDescription));
    if (scode) *scode = info.scode;
    com::clearExcepInfo(&info);
    return hr;
}

}  // namespace

TEST(CorviskUnansweredPost, AuthorizeFailsAndIsNotApproved) {
    ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " " + CORVISK_PATH).c_str()), 0);
    card_control::testing_support::trustTestCa();
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"QuorrelPay.Corvisk", &clsid), S_OK);
    TestHost host;
    ASSERT_EQ(host.create(clsid), S_OK);
    com::ComPtr<IDispatch> dispatch;
    ASSERT_EQ(host.site().control()->QueryInterface(IID_IDispatch, dispatch.putVoid()), S_OK);

    fixtures::HttpsServer server;
    server.enqueue(Answer::hangUp());
    const auto put = [&](DISPID id, com::Variant value) {
        return invoke(dispatch.get(), id, DISPATCH_PROPERTYPUT, {value}, nullptr);
    };
    ASSERT_EQ(put(kGateway, com::Variant::i4(34)), S_OK);
    ASSERT_EQ(put(kGatewayURL, com::Variant::text(server.url("/gw/api/transact.php", "localhost"))), S_OK);
    ASSERT_EQ(put(kCardNumber, com::Variant::text("4111111111111111")), S_OK);
    ASSERT_EQ(put(kCardExpMonth, com::Variant::text("12")), S_OK);
    ASSERT_EQ(put(kCardExpYear, com::Variant::text("2030")), S_OK);
    ASSERT_EQ(put(kTransactionAmount, com::Variant::text("12.34")), S_OK);

    std::string description;
    HRESULT scode = S_OK;
    EXPECT_EQ(invoke(dispatch.get(), kAuthorize, DISPATCH_METHOD, {}, nullptr, &description, &scode),
              DISP_E_EXCEPTION);
    EXPECT_EQ(scode, static_cast<HRESULT>(0x800A0000 | (155 + 20001)));
    EXPECT_EQ(description, "Connection closed before a response was received.");
    EXPECT_EQ(server.request(0).method, "POST");
    com::Variant approved;
    ASSERT_EQ(invoke(dispatch.get(), kTransactionApproved, DISPATCH_PROPERTYGET, {}, &approved), S_OK);
    EXPECT_EQ(approved.boolVal, VARIANT_FALSE);

    dispatch.reset();
    host.site().close();
}
