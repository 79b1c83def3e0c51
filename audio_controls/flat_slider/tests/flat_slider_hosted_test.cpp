#include "tests/hosted_control.h"

namespace {

using activex::testing::EventRecorder;

constexpr CLSID kFlatSlider = com::guid("{EBC6FA17-EA7A-4F07-BBED-3701F5C62BD0}");
constexpr DISPID kSetValue = 1, kMax = 11, kMin = 12, kOrientation = 13, kSpeed = 18, kValue = 20;

using FlatSlider = HostedControl;

TEST_F(FlatSlider, OrientationRangeErrorNamesTheProgIdAndKeepsTheValue) {
    ASSERT_EQ(host.create(kFlatSlider), S_OK);
    EXCEPINFO info{};
    EXPECT_EQ(put(kOrientation, com::Variant::i4(2), &info), DISP_E_EXCEPTION);
    EXPECT_EQ(com::view(info.bstrSource), u"Sondrel3.AudioFlatSl.1");
    EXPECT_EQ(com::view(info.bstrDescription), u"SliderVer01 must have Orientation value 0 or 1");
    com::clearExcepInfo(&info);
    EXPECT_EQ(get(kOrientation).lVal, 1);
    // The other puts store what they get.
    EXPECT_EQ(put(kSpeed, com::Variant::r8(-7)), S_OK);
    EXPECT_EQ(put(kMax, com::Variant::i4(-5)), S_OK);
    EXPECT_EQ(get(kMax).lVal, 1);
}

TEST_F(FlatSlider, SizeRules) {
    ASSERT_EQ(host.create(kFlatSlider), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(2, 10), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 4);
    EXPECT_EQ(host.site().extentPixels().cy, 32);
    ASSERT_EQ(host.site().setExtentPixels(20, 200), S_OK);
    ASSERT_EQ(put(kOrientation, com::Variant::i4(0)), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 200);
    EXPECT_EQ(host.site().extentPixels().cy, 20);
    ASSERT_EQ(host.site().setExtentPixels(10, 2), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 32);
    EXPECT_EQ(host.site().extentPixels().cy, 4);
}

TEST_F(FlatSlider, WindowSizeBelowTheMinimumAsksTheSiteForIt) {
    ASSERT_EQ(host.createAndActivate(kFlatSlider, RECT{10, 10, 30, 219}), S_OK);
    SendMessageA(host.site().controlWindow(), WM_SIZE, 0, MAKELPARAM(2, 10));
    ASSERT_FALSE(host.site().posRectChanges().empty());
    const RECT r = host.site().posRectChanges().back();
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 10);
    EXPECT_EQ(r.right - r.left, 4);
    EXPECT_EQ(r.bottom - r.top, 32);
}

TEST_F(FlatSlider, DragToTheTopGlidesAndStopsAtRelease) {
    ASSERT_EQ(host.createAndActivate(kFlatSlider, RECT{10, 10, 30, 219}), S_OK);
    EventRecorder& recorder = record(DIID__IAudioFlatSliderEvents);
    HWND hwnd = host.site().controlWindow();
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 0));
    EXPECT_EQ(GetCapture(), hwnd);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(call(0), S_OK);
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 0));
    EXPECT_EQ(GetCapture(), nullptr);
    const LONG stopped = get(kValue).lVal;
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(get(kValue).lVal, stopped);  // the thumb stays where the release found it

    const auto& calls = recorder.calls();
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(calls.front().dispid, DISPID_FLATSLIDER_MOUSEDOWN);
    EXPECT_EQ(calls.back().dispid, DISPID_FLATSLIDER_MOUSEUP);
    LONG previous = 0;
    for (std::size_t i = 1; i + 1 < calls.size(); ++i) {
        ASSERT_EQ(calls[i].dispid, DISPID_FLATSLIDER_VALUECHANGE);
        EXPECT_EQ(calls[i].args.at(0).lVal, previous + 2);
        previous = calls[i].args.at(0).lVal;
    }
    EXPECT_EQ(previous, stopped);
}

TEST_F(FlatSlider, SetValueJumpsAndFiresNothing) {
    ASSERT_EQ(host.createAndActivate(kFlatSlider, RECT{10, 10, 30, 219}), S_OK);
    EventRecorder& recorder = record(DIID__IAudioFlatSliderEvents);
    com::Variant v = com::Variant::i4(150);
    ASSERT_EQ(call(kSetValue, {v}), S_OK);
    EXPECT_EQ(get(kValue).lVal, 100);
    ASSERT_EQ(put(kMin, com::Variant::i4(120)), S_OK);  // above Max: Max - 1
    EXPECT_EQ(get(kMin).lVal, 99);
    ASSERT_EQ(call(0), S_OK);
    EXPECT_TRUE(recorder.calls().empty());
}

TEST_F(FlatSlider, HoverTickReadsThePointerOverTheWindow) {
    ASSERT_EQ(host.createAndActivate(kFlatSlider, RECT{10, 10, 30, 219}), S_OK);
    HWND hwnd = host.site().controlWindow();
    auto rightEdge = [&] {
        activex::testing::OffscreenDc dc(20, 209);
        com::ComPtr<IViewObject> view = host.site().query<IViewObject>();
        RECTL bounds{0, 0, 20, 209};
        EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0),
                  S_OK);
        return dc.pixel(19, 4);  // the right edge of the thumb, at the top for Max
    };
    com::Variant top = com::Variant::i4(100);
    ASSERT_EQ(call(kSetValue, {top}), S_OK);
    POINT outside{100, 100};
    ClientToScreen(hwnd, &outside);
    SetCursorPos(outside.x, outside.y);
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(rightEdge(), GetSysColor(COLOR_BTNSHADOW));
    POINT inside{5, 5};
    ClientToScreen(hwnd, &inside);
    SetCursorPos(inside.x, inside.y);
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(rightEdge(), GetSysColor(COLOR_3DDKSHADOW));
}

}  // namespace
