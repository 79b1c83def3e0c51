#include "tests/hosted_control.h"

namespace {

using activex::testing::EventRecorder;

constexpr CLSID kTransportBar = com::guid("{45920576-0D76-4F81-8E37-7591C526AF1A}");

class TransportBar : public HostedControl {
protected:
    SIZE size() { return host.site().extentPixels(); }
};

TEST_F(TransportBar, ShownPartsWidenTheBarAndHidingThemKeepsTheWidth) {
    ASSERT_EQ(host.create(kTransportBar), S_OK);
    EXPECT_EQ(size().cx, 77);
    EXPECT_EQ(size().cy, 27);
    ASSERT_EQ(host.site().setExtentPixels(10, 80), S_OK);
    EXPECT_EQ(size().cx, 77);
    EXPECT_EQ(size().cy, 27);
    for (DISPID show : {12, 13, 14}) ASSERT_EQ(put(show, com::Variant::boolean(true)), S_OK);
    EXPECT_EQ(size().cx, 299);
    EXPECT_EQ(get(14).boolVal, VARIANT_TRUE);
    for (DISPID show : {12, 13, 14}) ASSERT_EQ(put(show, com::Variant::boolean(false)), S_OK);
    EXPECT_EQ(size().cx, 299);
    ASSERT_EQ(host.site().setExtentPixels(10, 27), S_OK);
    EXPECT_EQ(size().cx, 77);
}

TEST_F(TransportBar, AShownPartWidensAnActiveBarAndTellsTheSite) {
    ASSERT_EQ(host.createAndActivate(kTransportBar, RECT{-5, 10, 72, 37}), S_OK);
    ASSERT_EQ(put(14, com::Variant::boolean(true)), S_OK);
    ASSERT_FALSE(host.site().posRectChanges().empty());
    const RECT& r = host.site().posRectChanges().back();
    EXPECT_EQ(r.left, -5);
    EXPECT_EQ(r.right, -5 + 219);
    EXPECT_EQ(r.bottom - r.top, 27);
}

TEST_F(TransportBar, WindowSizeAndMoveKeepTheBarsOwnSize) {
    ASSERT_EQ(host.createAndActivate(kTransportBar, RECT{10, 10, 110, 37}), S_OK);
    HWND hwnd = host.site().controlWindow();
    ASSERT_NE(hwnd, nullptr);
    SendMessageA(hwnd, WM_SIZE, 0, MAKELPARAM(20, 90));
    ASSERT_FALSE(host.site().posRectChanges().empty());
    RECT r = host.site().posRectChanges().back();
    EXPECT_EQ(r.right - r.left, 77);
    EXPECT_EQ(r.bottom - r.top, 27);
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(-20, -5));
    r = host.site().posRectChanges().back();
    EXPECT_EQ(r.left, -20);
    EXPECT_EQ(r.top, -5);
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 27);
}

TEST_F(TransportBar, MethodsAndProperties) {
    ASSERT_EQ(host.create(kTransportBar), S_OK);
    EXPECT_EQ(call(4), S_FALSE);  // Pause while idle
    EXPECT_EQ(call(5), S_FALSE);  // Stop while idle
    EXPECT_EQ(call(6), S_FALSE);  // Record with the button hidden
    EXPECT_EQ(call(3), S_OK);
    EXPECT_EQ(call(6), S_FALSE);  // Record while playing
    EXPECT_EQ(call(5), S_OK);

    EXPECT_EQ(get(16).boolVal, 1);  // Enabled reads 1 until put
    ASSERT_EQ(put(17, com::Variant::i4(1)), S_OK);
    EXPECT_EQ(get(17).bVal, 1);
    ASSERT_EQ(put(11, com::Variant::i4(9)), S_OK);
    EXPECT_EQ(get(11).lVal, 0);
    ASSERT_EQ(put(9, com::Variant::i4(255)), S_OK);
    EXPECT_EQ(get(9).ulVal, 255u);
    EXPECT_EQ(get(8).ulVal, 0u);
}

TEST_F(TransportBar, ClicksFireTheirEventsToTheSink) {
    ASSERT_EQ(host.createAndActivate(kTransportBar, RECT{0, 0, 299, 27}), S_OK);
    for (DISPID show : {12, 13, 14}) ASSERT_EQ(put(show, com::Variant::boolean(true)), S_OK);
    auto recorder = EventRecorder::make(DIID__IAudioPlayButtonType2Events);
    ASSERT_TRUE(recorder->connect(host.site().control()));
    HWND hwnd = host.site().controlWindow();
    ASSERT_NE(hwnd, nullptr);

    // Play, released outside the bar: reported, but nothing starts.
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 12));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(-40, 100));
    // The right end of the volume track.
    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(293, 12));
    SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(293, 12));
    const auto& calls = recorder->calls();
    ASSERT_EQ(calls.size(), 7u);
    const std::pair<DISPID, LONG> expected[] = {
        {DISPID_TRANSPORT_MOUSEDOWN, 1},  {DISPID_TRANSPORT_MOUSECLICK, 1},        {DISPID_TRANSPORT_MOUSEUP, 0},
        {DISPID_TRANSPORT_MOUSEDOWN, 8},  {DISPID_TRANSPORT_CHANGEVOLUME, 65395}, {DISPID_TRANSPORT_MOUSECLICK, 8},
        {DISPID_TRANSPORT_MOUSEUP, 0},
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].dispid, expected[i].first) << i;
        if (expected[i].first != DISPID_TRANSPORT_MOUSEUP) {
            EXPECT_EQ(calls[i].args.at(0).lVal, expected[i].second) << i;
        }
    }
    EXPECT_EQ(call(4), S_FALSE);  // still idle

    // The method moves the thumb and fires nothing.
    recorder->clear();
    com::Variant volume = com::Variant::i4(3190);
    EXPECT_EQ(call(2, {volume}), S_OK);
    EXPECT_TRUE(recorder->calls().empty());
    recorder->disconnect();
}

TEST_F(TransportBar, TheTimerDropsTheHoverOnceThePointerLeaves) {
    ASSERT_EQ(host.createAndActivate(kTransportBar, RECT{0, 0, 77, 27}), S_OK);
    HWND hwnd = host.site().controlWindow();
    ASSERT_NE(hwnd, nullptr);
    POINT inside{15, 12};
    ClientToScreen(hwnd, &inside);
    SetCursorPos(inside.x, inside.y);
    SendMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(15, 12));
    HDC dc = GetDC(hwnd);
    const COLORREF raised = GetPixel(dc, 4, 10);
    EXPECT_EQ(raised, RGB(255, 255, 255));
    ASSERT_EQ(call(0), S_OK);  // the pointer is still over the bar
    EXPECT_EQ(GetPixel(dc, 4, 10), raised);
    POINT outside{200, 200};
    ClientToScreen(hwnd, &outside);
    SetCursorPos(outside.x, outside.y);
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(GetPixel(dc, 4, 10), GetSysColor(COLOR_BTNFACE));
    ReleaseDC(hwnd, dc);
}

}  // namespace
