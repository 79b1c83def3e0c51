#pragma once
// A control as a host reaches it: the library registered by the registration command, the
// control made by CLSID in the test container and driven through IDispatch.

#include "activex/testing/event_recorder.h"
#include "activex/testing/test_host.h"
#include "interfaces.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

class HostedControl : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " " + SONDREL_PATH).c_str()), 0);
    }
    void TearDown() override {
        if (recorder) recorder->disconnect();
        dispatch_.reset();
        host.site().close();
    }

    IDispatch* dispatch() {
        if (!dispatch_) host.site().control()->QueryInterface(IID_IDispatch, dispatch_.putVoid());
        return dispatch_.get();
    }
    HRESULT put(DISPID id, com::Variant value, EXCEPINFO* info = nullptr) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        return dispatch()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, info,
                                  nullptr);
    }
    com::Variant get(DISPID id) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        com::Variant result;
        EXPECT_EQ(dispatch()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result,
                                     nullptr, nullptr),
                  S_OK);
        return result;
    }
    // A method call with the arguments in declaration order.
    HRESULT call(DISPID id, std::vector<com::Variant> args = {}) {
        std::vector<com::Variant> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        return dispatch()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                                  nullptr);
    }
    // Expects a range error with the ProgID and the message.
    void expectRangeError(DISPID id, com::Variant value, const char16_t* progId, const char16_t* message) {
        EXCEPINFO info{};
        EXPECT_EQ(put(id, value, &info), DISP_E_EXCEPTION);
        EXPECT_EQ(com::view(info.bstrSource), progId);
        EXPECT_EQ(com::view(info.bstrDescription), message);
        com::clearExcepInfo(&info);
    }
    // Connects a recorder for the event interface; tear-down disconnects it.
    activex::testing::EventRecorder& record(REFIID events) {
        recorder = activex::testing::EventRecorder::make(events);
        EXPECT_TRUE(recorder->connect(host.site().control()));
        return *recorder.get();
    }
    // The recorded events as "dispid(argument)" strings ("dispid" without arguments).
    std::vector<std::string> events() const {
        std::vector<std::string> out;
        for (const auto& c : recorder->calls()) {
            std::string s = std::to_string(c.dispid);
            if (!c.args.empty()) s += "(" + std::to_string(c.args[0].vt == VT_BOOL ? (c.args[0].boolVal ? 1 : 0) : c.args[0].lVal) + ")";
            out.push_back(s);
        }
        return out;
    }
    void send(UINT msg, int x, int y) { SendMessageA(host.site().controlWindow(), msg, 0, MAKELPARAM(x, y)); }

    activex::testing::TestHost host;
    com::ComPtr<IDispatch> dispatch_;
    com::ComPtr<activex::testing::EventRecorder> recorder;
};
