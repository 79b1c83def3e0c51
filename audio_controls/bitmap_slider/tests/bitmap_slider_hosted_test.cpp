#include "tests/hosted_control.h"

namespace {

using activex::testing::EventRecorder;

constexpr CLSID kSliderType1 = com::guid("{B07D80CF-4F8D-4FEA-95AD-DB68D438532E}");
constexpr DISPID kBorderType = 14, kOrientation = 15, kValue = 16, kSize = 19, kSpeed = 22;

class SliderType1 : public HostedControl {
protected:
    SIZE extent() { return host.site().extentPixels(); }
};

TEST_F(SliderType1, RangeErrorsNameTheProgIdAndKeepTheValue) {
    ASSERT_EQ(host.create(kSliderType1), S_OK);
    struct Case {
        DISPID id;
        com::Variant bad;
        const char16_t* message;
    } cases[] = {
        {kSpeed, com::Variant::r8(1001), u"SliderVer01 must have Speed value between 0 and 1000"},
        {kBorderType, com::Variant::i4(4), u"SliderVer01 must have BorderType value between 0 and 3"},
        {kOrientation, com::Variant::i4(2), u"SliderVer01 must have Orientation value 0 or 1"},
        {kSize, com::Variant::i4(3), u"SliderVer01 must have Size value between 0 and 2"},
    };
    for (Case& c : cases) {
        EXCEPINFO info{};
        EXPECT_EQ(put(c.id, c.bad, &info), DISP_E_EXCEPTION) << c.id;
        EXPECT_EQ(com::view(info.bstrSource), u"Sondrel3.AudioSlider.1");
        EXPECT_EQ(com::view(info.bstrDescription), c.message);
        com::clearExcepInfo(&info);
    }
    EXPECT_EQ(get(kSpeed).dblVal, 2.0);
    EXPECT_EQ(get(kBorderType).lVal, 2);
    EXPECT_EQ(get(kOrientation).lVal, 0);
    EXPECT_EQ(get(kSize).lVal, 0);
}

TEST_F(SliderType1, ThicknessFollowsSizeWhateverTheHostAsks) {
    ASSERT_EQ(host.create(kSliderType1), S_OK);
    ASSERT_EQ(put(kSize, com::Variant::i4(1)), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(10, 40), S_OK);
    EXPECT_EQ(extent().cx, 32);
    EXPECT_EQ(extent().cy, 16);
    ASSERT_EQ(host.site().setExtentPixels(150, 16), S_OK);
    ASSERT_EQ(put(kOrientation, com::Variant::i4(1)), S_OK);
    EXPECT_EQ(extent().cx, 16);
    EXPECT_EQ(extent().cy, 150);
    ASSERT_EQ(put(kSize, com::Variant::i4(2)), S_OK);
    EXPECT_EQ(extent().cx, 22);
    EXPECT_EQ(extent().cy, 150);
}

TEST_F(SliderType1, DragToTheFarEndGlidesAndStopsAtRelease) {
    ASSERT_EQ(host.createAndActivate(kSliderType1, RECT{10, 10, 226, 20}), S_OK);
    recorder = EventRecorder::make(DIID__IAudioSliderType1Events);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    HWND hwnd = host.site().controlWindow();
    EXPECT_EQ(SendMessageA(hwnd, WM_ERASEBKGND, 0, 0), 0);
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(215, 5));
    for (int i = 0; i < 3; ++i) ASSERT_EQ(call(0), S_OK);
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(215, 5));
    const LONG stopped = get(kValue).lVal;
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(get(kValue).lVal, stopped);

    const auto& calls = recorder->calls();
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(calls.front().dispid, DISPID_SLIDER1_MOUSEDOWN);
    EXPECT_EQ(calls.back().dispid, DISPID_SLIDER1_MOUSEUP);
    LONG previous = 0;
    for (std::size_t i = 1; i + 1 < calls.size(); ++i) {
        ASSERT_EQ(calls[i].dispid, DISPID_SLIDER1_VALUECHANGE);
        EXPECT_EQ(calls[i].args.at(0).lVal, previous + 2);
        previous = calls[i].args.at(0).lVal;
    }
    EXPECT_EQ(previous, stopped);
}

}  // namespace
