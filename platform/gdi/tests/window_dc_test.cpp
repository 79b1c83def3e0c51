#include "gdi/gdi.h"
#include "gdi/gdiplus.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* handler = reinterpret_cast<Handler*>(GetWindowLongPtrA(hwnd, GWL_USERDATA));
    return handler && *handler ? (*handler)(hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

struct RecordingPresenter : windows::Presenter {
    std::vector<RECT> areas;
    void invalidated(HWND, const RECT& area) override { areas.push_back(area); }
    void moved(HWND, const RECT&) override {}
    void shown(HWND, bool) override {}
    void destroyed(HWND) override {}
};

// The colour of a pixel of the window's surface, as 0x00RRGGBB with alpha dropped.
std::uint32_t surfacePixel(HWND hwnd, int x, int y) {
    cairo_surface_t* s = gdi::windowSurface(hwnd);
    if (!s) return 0xFFFFFFFFu;
    cairo_surface_flush(s);
    const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s) +
                                                             y * cairo_image_surface_get_stride(s));
    return row[x] & 0xFFFFFF;
}

class WindowDC : public ::testing::Test {
protected:
    void SetUp() override {
        static const ATOM registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = windowProc;
            wc.lpszClassName = "gdiTestWindow";
            return RegisterClassA(&wc);
        }();
        ASSERT_NE(registered, 0);
        hwnd_ = CreateWindowExA(0, "gdiTestWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40, nullptr, nullptr,
                                nullptr, &handler_);
        ASSERT_NE(hwnd_, nullptr);
        windows::setPresenter(hwnd_, &presenter_);
        pumpAll();
        presenter_.areas.clear();
    }
    void TearDown() override { DestroyWindow(hwnd_); }
    static void pumpAll() {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    }
    void fill(HDC dc, RECT r, COLORREF color) {
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }

    Handler handler_;
    RecordingPresenter presenter_;
    HWND hwnd_ = nullptr;
};

TEST_F(WindowDC, GetDcDrawsIntoTheWindowSurfaceAndTellsThePresenter) {
    HDC dc = GetDC(hwnd_);
    ASSERT_NE(dc, nullptr);
    fill(dc, {0, 0, 60, 40}, RGB(255, 255, 255));
    fill(dc, {5, 5, 10, 10}, RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 6, 6), RGB(255, 0, 0));
    EXPECT_EQ(ReleaseDC(hwnd_, dc), 1);
    cairo_surface_t* s = gdi::windowSurface(hwnd_);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(cairo_image_surface_get_width(s), 60);
    EXPECT_EQ(cairo_image_surface_get_height(s), 40);
    EXPECT_EQ(surfacePixel(hwnd_, 6, 6), 0xFF0000u);
    EXPECT_EQ(surfacePixel(hwnd_, 10, 10), 0xFFFFFFu);
    ASSERT_EQ(presenter_.areas.size(), 1u);
    EXPECT_EQ(presenter_.areas[0].right, 60);
    EXPECT_EQ(presenter_.areas[0].bottom, 40);

    // The surface follows the client size and keeps what still fits.
    SetWindowPos(hwnd_, nullptr, 0, 0, 80, 30, SWP_NOMOVE | SWP_NOZORDER);
    dc = GetDC(hwnd_);
    s = gdi::windowSurface(hwnd_);
    EXPECT_EQ(cairo_image_surface_get_width(s), 80);
    EXPECT_EQ(cairo_image_surface_get_height(s), 30);
    EXPECT_EQ(surfacePixel(hwnd_, 6, 6), 0xFF0000u);
    EXPECT_EQ(ReleaseDC(nullptr, dc), 0);
    EXPECT_EQ(ReleaseDC(hwnd_, dc), 1);
}

TEST_F(WindowDC, PaintingDrawsOnlyTheUpdateRectangle) {
    HDC dc = GetDC(hwnd_);
    fill(dc, {0, 0, 60, 40}, RGB(255, 255, 255));
    ReleaseDC(hwnd_, dc);
    presenter_.areas.clear();

    RECT painted{};
    bool erased = false;
    handler_ = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == WM_ERASEBKGND) {
            erased = true;
            return 0;
        }
        if (msg != WM_PAINT) return DefWindowProcA(hwnd, msg, w, l);
        PAINTSTRUCT ps{};
        HDC paintDc = BeginPaint(hwnd, &ps);
        painted = ps.rcPaint;
        EXPECT_TRUE(ps.fErase);
        fill(paintDc, {0, 0, 60, 40}, RGB(0, 0, 255));
        EndPaint(hwnd, &ps);
        return 0;
    };
    const RECT area{20, 10, 30, 25};
    InvalidateRect(hwnd_, &area, TRUE);
    UpdateWindow(hwnd_);
    EXPECT_EQ(painted.left, 20);
    EXPECT_EQ(painted.bottom, 25);
    EXPECT_TRUE(erased);
    EXPECT_EQ(surfacePixel(hwnd_, 20, 10), 0x0000FFu);
    EXPECT_EQ(surfacePixel(hwnd_, 29, 24), 0x0000FFu);
    EXPECT_EQ(surfacePixel(hwnd_, 30, 24), 0xFFFFFFu);
    EXPECT_EQ(surfacePixel(hwnd_, 19, 10), 0xFFFFFFu);
    RECT left{};
    EXPECT_FALSE(GetUpdateRect(hwnd_, &left, FALSE));
    ASSERT_FALSE(presenter_.areas.empty());
    EXPECT_EQ(presenter_.areas.back().left, 20);
    EXPECT_EQ(presenter_.areas.back().right, 30);
}

TEST_F(WindowDC, GdiplusDrawsOnAWindowDcAndDefaultPaintValidates) {
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    ASSERT_EQ(GdiplusStartup(&token, &input, nullptr), Ok);
    HDC dc = GetDC(hwnd_);
    GpGraphics* g = nullptr;
    ASSERT_EQ(GdipCreateFromHDC(dc, &g), Ok);
    GpSolidFill* green = nullptr;
    GdipCreateSolidFill(0xFF00FF00, &green);
    EXPECT_EQ(GdipFillRectangleI(g, green, 0, 0, 4, 4), Ok);
    GdipDeleteBrush(green);
    GdipDeleteGraphics(g);
    ReleaseDC(hwnd_, dc);
    GdiplusShutdown(token);
    EXPECT_EQ(surfacePixel(hwnd_, 3, 3), 0x00FF00u);

    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
    RECT left{};
    EXPECT_FALSE(GetUpdateRect(hwnd_, &left, FALSE));
    EXPECT_EQ(surfacePixel(hwnd_, 3, 3), 0x00FF00u);

    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
}

}  // namespace
