#include "activex/testing/event_recorder.h"
#include "activex/testing/test_host.h"
#include "interfaces.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using activex::testing::EventRecorder;
using activex::testing::TestHost;

constexpr CLSID kSlider = com::guid("{29494380-4952-42E4-A8C1-D5A66C2038F5}");
constexpr CLSID kTimeDisplay = com::guid("{B2547932-E2DF-46A9-BB9F-B982797D7F8E}");

// The library as a host reaches it: registered by the registration command, made by CLSID.
class Controls : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(std::system((std::string(REGSVR_PATH) + " " + SONDREL_PATH).c_str()), 0);
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
    HRESULT call(DISPID id, com::Variant* arg = nullptr) {
        DISPPARAMS params{arg, nullptr, arg ? 1u : 0u, 0};
        return dispatch()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                                  nullptr);
    }
    void TearDown() override {
        dispatch_.reset();
        host.site().close();
    }

    TestHost host;
    com::ComPtr<IDispatch> dispatch_;
};

TEST_F(Controls, RangeErrorNamesTheProgIdAndKeepsTheOldValue) {
    ASSERT_EQ(host.create(kSlider), S_OK);
    EXCEPINFO info{};
    EXPECT_EQ(put(0xf, com::Variant::r8(1001), &info), DISP_E_EXCEPTION);
    EXPECT_EQ(com::view(info.bstrSource), u"Sondrel3.AudioSlider.1");
    EXPECT_EQ(com::view(info.bstrDescription), u"SliderVer01 must have Speed value between 0 and 1000");
    com::clearExcepInfo(&info);
    EXPECT_EQ(get(0xf).dblVal, 2.0);
    EXPECT_EQ(put(0x10, com::Variant::i4(2), &info), DISP_E_EXCEPTION);
    EXPECT_EQ(com::view(info.bstrDescription), u"SliderVer01 must have Orientation value 0 or 1");
    com::clearExcepInfo(&info);
    EXPECT_EQ(get(0x10).lVal, 0);
}

TEST_F(Controls, SavingWritesOnlyTheSize) {
    for (const CLSID& clsid : {kSlider, kTimeDisplay}) {
        ASSERT_EQ(host.create(clsid), S_OK);
        ASSERT_EQ(host.site().setExtentPixels(240, 40), S_OK);
        auto bag = activex::testing::RecordingPropertyBag::make();
        com::ComPtr<IPersistPropertyBag> persist = host.site().query<IPersistPropertyBag>();
        ASSERT_TRUE(persist);
        ASSERT_EQ(persist->Save(bag.get(), TRUE, TRUE), S_OK);
        ASSERT_EQ(bag->entries().size(), 2u);
        EXPECT_EQ(bag->entries()[0].first, "_cx");
        EXPECT_EQ(bag->entries()[1].first, "_cy");
        EXPECT_EQ(bag->entries()[0].second.vt, VT_UI4);
        host.site().close();
        dispatch_.reset();
    }
}

TEST_F(Controls, SizeRules) {
    ASSERT_EQ(host.create(kSlider), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(10, 40), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 32);
    EXPECT_EQ(host.site().extentPixels().cy, 15);
    ASSERT_EQ(put(0x10, com::Variant::i4(1)), S_OK);  // turns 32 x 15 into 15 x 32
    EXPECT_EQ(host.site().extentPixels().cx, 15);
    EXPECT_EQ(host.site().extentPixels().cy, 32);
    host.site().close();
    dispatch_.reset();

    ASSERT_EQ(host.create(kTimeDisplay), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(10, 10), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 84);
    EXPECT_EQ(host.site().extentPixels().cy, 22);
}

TEST_F(Controls, GlideFiresValueChangeOnEveryTick) {
    ASSERT_EQ(host.createAndActivate(kSlider, RECT{10, 10, 210, 25}), S_OK);
    auto recorder = EventRecorder::make(DIID__IAudioSliderType2Events);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    ASSERT_EQ(put(0xf, com::Variant::r8(25)), S_OK);
    ASSERT_EQ(put(0xe, com::Variant::i4(60)), S_OK);
    EXPECT_EQ(get(0xe).lVal, 0);  // not yet there
    recorder->clear();            // ticks of the running thread do not count here
    for (int i = 0; i < 3; ++i) ASSERT_EQ(call(0), S_OK);
    ASSERT_GE(recorder->calls().size(), 3u);
    EXPECT_EQ(get(0xe).lVal, 60);
    const auto& calls = recorder->calls();
    EXPECT_EQ(calls.back().dispid, DISPID_SLIDER_VALUECHANGE);
    EXPECT_EQ(calls.back().args.at(0).lVal, 60);
    recorder->disconnect();
}

TEST_F(Controls, NegativeMoveKeepsTheSizeAndReportsThePosition) {
    ASSERT_EQ(host.createAndActivate(kSlider, RECT{10, 10, 210, 25}), S_OK);
    HWND hwnd = host.site().controlWindow();
    ASSERT_NE(hwnd, nullptr);
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(-20, -5));
    ASSERT_FALSE(host.site().posRectChanges().empty());
    const RECT& r = host.site().posRectChanges().back();
    EXPECT_EQ(r.left, -20);
    EXPECT_EQ(r.top, -5);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_EQ(r.bottom - r.top, 15);
}

TEST_F(Controls, TimeDisplayThroughDispatch) {
    ASSERT_EQ(host.create(kTimeDisplay), S_OK);
    com::Variant ms = com::Variant::i4(3723400);
    ASSERT_EQ(call(1, &ms), S_OK);
    EXPECT_EQ(get(0x13).lVal, 1);
    EXPECT_EQ(get(0x14).lVal, 2);
    EXPECT_EQ(get(0x15).lVal, 3);
    EXPECT_EQ(get(0x16).lVal, 400);
    com::Variant negative = com::Variant::i4(-1);
    EXPECT_EQ(call(1, &negative), S_OK);
    EXPECT_EQ(get(0x15).lVal, 3);
}

}  // namespace
