#include "tests/hosted_control.h"

namespace {

using activex::testing::EventRecorder;

constexpr CLSID kCluster = com::guid("{9C349929-9B2C-48DF-B216-5074C0DBD71D}");
constexpr DISPID kBackColor = 9, kFlat = 10, kBorderType = 12, kStopEnabled = 15, kColor = 19;

class Cluster : public HostedControl {
protected:
    void click(HWND hwnd, int downX, int downY, int upX, int upY) {
        SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(downX, downY));
        SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(upX, upY));
        SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(upX, upY));
    }
    // The events as (dispid, first argument or 0).
    static std::vector<std::pair<DISPID, LONG>> fired(const EventRecorder& r) {
        std::vector<std::pair<DISPID, LONG>> out;
        for (const auto& call : r.calls()) out.emplace_back(call.dispid, call.args.empty() ? 0 : call.args[0].lVal);
        return out;
    }
};

using Fired = std::vector<std::pair<DISPID, LONG>>;

TEST_F(Cluster, ClicksReportTheirPart) {
    ASSERT_EQ(host.createAndActivate(kCluster, RECT{10, 10, 110, 110}), S_OK);
    EventRecorder& recorder = record(DIID__IAudioPlayButtonType1Events);
    HWND hwnd = host.site().controlWindow();
    click(hwnd, 50, 10, 50, 10);
    EXPECT_EQ(fired(recorder), (Fired{{DISPID_CLUSTER_MOUSEDOWN, 5}, {DISPID_CLUSTER_MOUSECLICK, 5}, {DISPID_CLUSTER_MOUSEUP, 0}}));
    EXPECT_EQ(GetCapture(), nullptr);

    recorder.clear();
    click(hwnd, 50, 50, 50, 10);  // press on play, release on stop
    EXPECT_EQ(fired(recorder), (Fired{{DISPID_CLUSTER_MOUSEDOWN, 1}, {DISPID_CLUSTER_MOUSEUP, 0}}));

    recorder.clear();
    ASSERT_EQ(put(kStopEnabled, com::Variant::boolean(false)), S_OK);
    click(hwnd, 50, 10, 50, 10);
    EXPECT_TRUE(recorder.calls().empty());
}

TEST_F(Cluster, BorderTypeIsTheOnlySize) {
    ASSERT_EQ(host.create(kCluster), S_OK);
    ASSERT_EQ(host.site().setExtentPixels(300, 40), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 100);
    EXPECT_EQ(host.site().extentPixels().cy, 100);
    ASSERT_EQ(put(kBorderType, com::Variant::i4(1)), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 121);
    EXPECT_EQ(host.site().extentPixels().cy, 121);
    ASSERT_EQ(host.site().setExtentPixels(50, 50), S_OK);
    EXPECT_EQ(host.site().extentPixels().cx, 121);
    ASSERT_EQ(put(kBorderType, com::Variant::i4(0)), S_OK);
    EXPECT_EQ(host.site().extentPixels().cy, 100);
}

TEST_F(Cluster, WindowSizeAndEraseMessages) {
    ASSERT_EQ(host.createAndActivate(kCluster, RECT{10, 10, 110, 110}), S_OK);
    HWND hwnd = host.site().controlWindow();
    EXPECT_EQ(SendMessageA(hwnd, WM_ERASEBKGND, 0, 0), 0);
    SendMessageA(hwnd, WM_SIZE, 0, MAKELPARAM(30, 300));
    ASSERT_FALSE(host.site().posRectChanges().empty());
    const RECT r = host.site().posRectChanges().back();
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 100);
}

TEST_F(Cluster, ColoursReadBackAsTheirLowBytes) {
    ASSERT_EQ(host.create(kCluster), S_OK);
    EXPECT_EQ(static_cast<COLORREF>(get(kColor).lVal), GetSysColor(COLOR_BTNFACE));
    com::Variant system;
    system.vt = VT_UI4;
    system.ulVal = 0x80000005;
    ASSERT_EQ(put(kBackColor, system), S_OK);
    EXPECT_EQ(get(kBackColor).lVal, 0x05);
    ASSERT_EQ(put(kColor, com::Variant::i4(RGB(1, 2, 3))), S_OK);
    EXPECT_EQ(static_cast<COLORREF>(get(kColor).lVal), RGB(1, 2, 3));
}

TEST_F(Cluster, HoverTickShowsTheFlatPictureOutsideTheCircle) {
    ASSERT_EQ(host.createAndActivate(kCluster, RECT{10, 10, 110, 110}), S_OK);
    ASSERT_EQ(put(kColor, com::Variant::i4(RGB(255, 255, 255))), S_OK);
    HWND hwnd = host.site().controlWindow();
    auto ringPixel = [&] {
        activex::testing::OffscreenDc dc(100, 100);
        com::ComPtr<IViewObject> view = host.site().query<IViewObject>();
        RECTL bounds{0, 0, 100, 100};
        EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc.dc(), &bounds, nullptr, nullptr, 0),
                  S_OK);
        return dc.pixel(50, 30);  // the ring between play and stop
    };
    const COLORREF normal = ringPixel();
    ASSERT_EQ(put(kFlat, com::Variant::boolean(true)), S_OK);
    const COLORREF flat = ringPixel();
    EXPECT_NE(flat, normal);
    POINT inside{50, 50};
    ClientToScreen(hwnd, &inside);
    SetCursorPos(inside.x, inside.y);
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(ringPixel(), normal);
    POINT outside{-30, -30};
    ClientToScreen(hwnd, &outside);
    SetCursorPos(outside.x, outside.y);
    ASSERT_EQ(call(0), S_OK);
    EXPECT_EQ(ringPixel(), flat);
}

}  // namespace
