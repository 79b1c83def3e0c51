#include "windows/windows.h"

#include "test_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using test::Handler;
using test::makeWindow;

namespace {

struct Logged {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Records every message, answering with DefWindowProcA.
struct Recorder {
    std::vector<Logged> log;
    Handler handler = [this](HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
        log.push_back({msg, w, l});
        return DefWindowProcA(hwnd, msg, w, l);
    };
    std::vector<UINT> messages() const {
        std::vector<UINT> out;
        for (auto& e : log) out.push_back(e.msg);
        return out;
    }
    const Logged* last(UINT msg) const {
        for (auto it = log.rbegin(); it != log.rend(); ++it)
            if (it->msg == msg) return &*it;
        return nullptr;
    }
};

void dispatchAll() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

TEST(Windows, CreationMessagesAndCreateStruct) {
    CREATESTRUCTA seen{};
    std::string name;
    std::vector<UINT> order;
    Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
        order.push_back(msg);
        if (msg == WM_CREATE) {
            seen = *reinterpret_cast<CREATESTRUCTA*>(l);
            name = seen.lpszName;
        }
        return DefWindowProcA(hwnd, msg, w, l);
    };
    HWND parent = makeWindow(nullptr);
    HWND hwnd = CreateWindowExA(0, "testhandlerwindow", "Child", WS_CHILD | WS_VISIBLE, 3, 4, 50, 60, parent,
                                reinterpret_cast<HMENU>(9), nullptr, &h);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(order, (std::vector<UINT>{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE, WM_SHOWWINDOW}));
    EXPECT_EQ(seen.x, 3);
    EXPECT_EQ(seen.y, 4);
    EXPECT_EQ(seen.cx, 50);
    EXPECT_EQ(seen.cy, 60);
    EXPECT_EQ(seen.hwndParent, parent);
    EXPECT_EQ(seen.lpCreateParams, &h);
    EXPECT_EQ(name, "Child");
    EXPECT_EQ(GetParent(hwnd), parent);
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_ID), 9);
    char text[16];
    EXPECT_EQ(GetWindowTextA(hwnd, text, sizeof text), 5);
    EXPECT_STREQ(text, "Child");
    EXPECT_EQ(GetWindowTextA(hwnd, text, 3), 2);
    EXPECT_STREQ(text, "Ch");
    EXPECT_EQ(GetWindowThreadProcessId(hwnd, nullptr), GetCurrentThreadId());
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(Windows, CreationFailures) {
    Handler refuse = [](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == WM_CREATE) return -1;
        return DefWindowProcA(hwnd, msg, w, l);
    };
    EXPECT_EQ(makeWindow(&refuse), nullptr);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_EQ(makeWindow(nullptr, WS_CHILD), nullptr);
}

TEST(Windows, DestroyOrderChildrenFirstForNcDestroy) {
    std::vector<std::string> log;
    auto named = [&](std::string name) {
        return Handler([&log, name](HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
            if (msg == WM_DESTROY) log.push_back(name + " destroy");
            if (msg == WM_NCDESTROY) log.push_back(name + " ncdestroy");
            return DefWindowProcA(hwnd, msg, w, l);
        });
    };
    Handler ph = named("parent"), ch = named("child"), gh = named("grandchild");
    HWND parent = makeWindow(&ph);
    HWND child = makeWindow(&ch, WS_CHILD, parent);
    HWND grandchild = makeWindow(&gh, WS_CHILD, child);
    PostMessageA(child, WM_USER, 0, 0);
    EXPECT_TRUE(DestroyWindow(parent));
    EXPECT_EQ(log, (std::vector<std::string>{"parent destroy", "child destroy", "grandchild destroy",
                                             "grandchild ncdestroy", "child ncdestroy", "parent ncdestroy"}));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_FALSE(IsWindow(grandchild));
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));  // messages for dead windows go with them
    EXPECT_FALSE(DestroyWindow(parent));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST(Windows, CloseDestroysByDefault) {
    HWND hwnd = makeWindow(nullptr);
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST(Windows, MoveReportsSignedPositionsAndSize) {
    Recorder r;
    HWND parent = makeWindow(nullptr, WS_VISIBLE, nullptr, 100, 50, 300, 200);
    HWND child = makeWindow(&r.handler, WS_CHILD | WS_VISIBLE, parent, 10, 10, 20, 20);
    r.log.clear();
    ASSERT_TRUE(MoveWindow(child, -20, -5, 30, 40, TRUE));
    EXPECT_EQ(r.messages(), (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_SIZE, WM_MOVE}));
    const Logged* move = r.last(WM_MOVE);
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(GET_X_LPARAM(move->lParam), -20);
    EXPECT_EQ(GET_Y_LPARAM(move->lParam), -5);
    const Logged* size = r.last(WM_SIZE);
    EXPECT_EQ(LOWORD(size->lParam), 30);
    EXPECT_EQ(HIWORD(size->lParam), 40);

    RECT rc;
    GetClientRect(child, &rc);
    EXPECT_EQ(rc.right, 30);
    EXPECT_EQ(rc.bottom, 40);
    GetWindowRect(child, &rc);
    EXPECT_EQ(rc.left, 80);
    EXPECT_EQ(rc.top, 45);
    POINT p{0, 0};
    ClientToScreen(child, &p);
    EXPECT_EQ(p.x, 80);
    EXPECT_EQ(p.y, 45);
    ScreenToClient(child, &p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    EXPECT_EQ(WindowFromPoint(POINT{105, 50}), child);
    EXPECT_EQ(WindowFromPoint(POINT{85, 50}), nullptr);  // outside the parent
    EXPECT_EQ(WindowFromPoint(POINT{200, 200}), parent);

    // Same place again: no WM_MOVE; only a new size.
    r.log.clear();
    SetWindowPos(child, nullptr, 0, 0, 31, 40, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(r.last(WM_MOVE), nullptr);
    ASSERT_NE(r.last(WM_SIZE), nullptr);
    DestroyWindow(parent);
}

TEST(Windows, CursorInClientCoordinates) {
    windows::setCursorSource([](POINT* p) {
        *p = POINT{85, 47};
        return true;
    });
    HWND parent = makeWindow(nullptr, 0, nullptr, 100, 50, 300, 200);
    HWND child = makeWindow(nullptr, WS_CHILD, parent, -20, -5, 30, 40);
    POINT p;
    ASSERT_TRUE(GetCursorPos(&p));
    ScreenToClient(child, &p);
    EXPECT_EQ(p.x, 5);
    EXPECT_EQ(p.y, 2);
    windows::setCursorSource(nullptr);

    // Without the seam the pointer is where the last mouse message put it.
    PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(-3, 7));
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 77);
    EXPECT_EQ(p.y, 52);
    MSG m;
    ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(GET_X_LPARAM(m.lParam), -3);
    EXPECT_EQ(m.pt.x, 77);

    // A source that cannot tell leaves that position too.
    windows::setCursorSource([](POINT*) { return false; });
    GetCursorPos(&p);
    EXPECT_EQ(p.x, 77);
    EXPECT_EQ(p.y, 52);
    windows::setCursorSource(nullptr);
    DestroyWindow(parent);
}

TEST(Windows, PaintAfterInvalidateWhenTheQueueIsEmpty) {
    std::vector<UINT> order;
    RECT painted{};
    bool erase = false;
    Handler h = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (msg == WM_PAINT || msg >= WM_USER) order.push_back(msg);
        if (msg == WM_PAINT) {
            windows::takeUpdateRect(hwnd, &painted, &erase);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, w, l);
    };
    HWND hwnd = makeWindow(&h, WS_VISIBLE, nullptr, 0, 0, 100, 80);
    dispatchAll();
    order.clear();

    RECT a{10, 10, 20, 20}, b{50, 5, 200, 30};
    InvalidateRect(hwnd, &a, FALSE);
    InvalidateRect(hwnd, &b, TRUE);
    PostMessageA(hwnd, WM_USER, 0, 0);
    RECT pending;
    EXPECT_TRUE(GetUpdateRect(hwnd, &pending, FALSE));
    dispatchAll();
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_PAINT}));
    EXPECT_EQ(painted.left, 10);
    EXPECT_EQ(painted.top, 5);
    EXPECT_EQ(painted.right, 100);  // clipped to the client area
    EXPECT_EQ(painted.bottom, 30);
    EXPECT_TRUE(erase);
    EXPECT_FALSE(GetUpdateRect(hwnd, &pending, FALSE));

    // A hidden window is not painted; showing it paints it.
    ShowWindow(hwnd, SW_HIDE);
    order.clear();
    InvalidateRect(hwnd, nullptr, FALSE);
    dispatchAll();
    EXPECT_TRUE(order.empty());
    ShowWindow(hwnd, SW_SHOW);
    dispatchAll();
    EXPECT_EQ(order, (std::vector<UINT>{WM_PAINT}));

    // UpdateWindow paints at once, without the queue.
    order.clear();
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
    EXPECT_EQ(order, (std::vector<UINT>{WM_PAINT}));
    DestroyWindow(hwnd);
}

TEST(Windows, DefaultPaintValidates) {
    Recorder r;
    HWND hwnd = makeWindow(&r.handler, WS_VISIBLE);
    dispatchAll();
    ASSERT_NE(r.last(WM_PAINT), nullptr);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE));
    RECT part{0, 0, 100, 40};
    InvalidateRect(hwnd, nullptr, FALSE);
    ValidateRect(hwnd, &part);
    RECT left;
    ASSERT_TRUE(GetUpdateRect(hwnd, &left, FALSE));
    EXPECT_EQ(left.top, 40);
    EXPECT_EQ(left.bottom, 100);
    DestroyWindow(hwnd);
}

struct RecordingPresenter : windows::Presenter {
    std::vector<std::string> events;
    RECT area{}, placed{};
    void invalidated(HWND, const RECT& a) override {
        events.push_back("invalidated");
        area = a;
    }
    void moved(HWND, const RECT& r) override {
        events.push_back("moved");
        placed = r;
    }
    void shown(HWND, bool visible) override { events.push_back(visible ? "shown" : "hidden"); }
    void destroyed(HWND) override { events.push_back("destroyed"); }
};

TEST(Windows, PresenterHooksAndExtensions) {
    RecordingPresenter presenter;
    HWND hwnd = makeWindow(nullptr, 0, nullptr, 0, 0, 100, 100);
    windows::setPresenter(hwnd, &presenter);
    EXPECT_EQ(windows::presenter(hwnd), &presenter);
    static int freed;
    freed = 0;
    static int value = 1, other = 2;
    windows::setWindowExtension(hwnd, windows::kGdiSlot, &value, [](void*) { ++freed; });
    EXPECT_EQ(windows::windowExtension(hwnd, windows::kGdiSlot), &value);
    windows::setWindowExtension(hwnd, windows::kGdiSlot, &other, [](void*) { ++freed; });
    EXPECT_EQ(freed, 1);

    ShowWindow(hwnd, SW_SHOW);
    MoveWindow(hwnd, -4, 6, 50, 50, FALSE);
    RECT r{1, 2, 3, 4};
    InvalidateRect(hwnd, &r, FALSE);
    DestroyWindow(hwnd);
    EXPECT_EQ(presenter.events,
              (std::vector<std::string>{"shown", "invalidated", "moved", "invalidated", "destroyed"}));
    EXPECT_EQ(presenter.placed.left, -4);
    EXPECT_EQ(presenter.placed.bottom, 56);
    EXPECT_EQ(presenter.area.right, 3);
    EXPECT_EQ(freed, 2);
}

TEST(Windows, MessageOnlyWindow) {
    Recorder r;
    HWND hwnd = makeWindow(&r.handler, 0, HWND_MESSAGE);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetParent(hwnd), nullptr);
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 0);
    PostMessageA(hwnd, WM_USER + 1, 0, 0);
    dispatchAll();
    EXPECT_NE(r.last(WM_USER + 1), nullptr);
    EXPECT_EQ(WindowFromPoint(POINT{1, 1}), nullptr);
    DestroyWindow(hwnd);
}

TEST(Windows, CaptureAndFocusChanges) {
    Recorder ra, rb;
    HWND a = makeWindow(&ra.handler);
    HWND b = makeWindow(&rb.handler);
    EXPECT_EQ(SetCapture(a), nullptr);
    EXPECT_EQ(GetCapture(), a);
    EXPECT_EQ(SetCapture(b), a);
    const Logged* changed = ra.last(WM_CAPTURECHANGED);
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(changed->lParam, reinterpret_cast<LPARAM>(b));
    EXPECT_TRUE(ReleaseCapture());
    ASSERT_NE(rb.last(WM_CAPTURECHANGED), nullptr);
    EXPECT_EQ(rb.last(WM_CAPTURECHANGED)->lParam, 0);
    EXPECT_EQ(GetCapture(), nullptr);

    SetFocus(a);
    EXPECT_EQ(SetFocus(b), a);
    ASSERT_NE(ra.last(WM_KILLFOCUS), nullptr);
    EXPECT_EQ(ra.last(WM_KILLFOCUS)->wParam, reinterpret_cast<WPARAM>(b));
    EXPECT_EQ(rb.last(WM_SETFOCUS)->wParam, reinterpret_cast<WPARAM>(a));
    EXPECT_EQ(GetFocus(), b);
    DestroyWindow(b);
    EXPECT_EQ(GetFocus(), nullptr);
    DestroyWindow(a);
}

TEST(Windows, LongsExtraBytesAndClasses) {
    HWND hwnd = makeWindow(nullptr);  // 12 extra bytes
    int object = 0;
    EXPECT_EQ(SetWindowLongA(hwnd, 0, reinterpret_cast<LONG_PTR>(&object)), 0);
    SetWindowLongA(hwnd, 4, -5);
    SetWindowLongA(hwnd, 8, 6);
    EXPECT_EQ(GetWindowLongA(hwnd, 0), reinterpret_cast<LONG_PTR>(&object));
    EXPECT_EQ(GetWindowLongA(hwnd, 4), -5);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, 8), 6);
    EXPECT_EQ(GetWindowLongA(hwnd, 12), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX);
    SetWindowLongA(hwnd, GWL_STYLE, WS_POPUP);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)), WS_POPUP);

    WNDCLASSA again{};
    again.lpfnWndProc = DefWindowProcA;
    again.lpszClassName = "TESTHANDLERWINDOW";
    EXPECT_EQ(RegisterClassA(&again), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
    WNDCLASSEXA info{};
    ASSERT_TRUE(GetClassInfoExA(nullptr, "TestHandlerWindow", &info));
    EXPECT_EQ(info.cbWndExtra, 12);
    EXPECT_EQ(info.lpfnWndProc, &test::handlerProc);
    EXPECT_FALSE(UnregisterClassA("TestHandlerWindow", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);
    DestroyWindow(hwnd);

    WNDCLASSA plain{};
    plain.lpfnWndProc = DefWindowProcA;
    plain.lpszClassName = "PlainClass";
    ATOM atom = RegisterClassA(&plain);
    ASSERT_NE(atom, 0);
    HWND byAtom = CreateWindowExA(0, reinterpret_cast<LPCSTR>(static_cast<std::uintptr_t>(atom)), "", 0, 0, 0, 1, 1,
                                  nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(byAtom, nullptr);
    DestroyWindow(byAtom);
    EXPECT_TRUE(UnregisterClassA("PlainClass", nullptr));
}

TEST(Windows, VisibilityFollowsAncestors) {
    HWND parent = makeWindow(nullptr);
    HWND child = makeWindow(nullptr, WS_CHILD | WS_VISIBLE, parent);
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_FALSE(ShowWindow(parent, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(ShowWindow(parent, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(child));
    EXPECT_FALSE(EnableWindow(child, FALSE));
    EXPECT_FALSE(IsWindowEnabled(child));
    EXPECT_TRUE(EnableWindow(child, TRUE));
    DestroyWindow(parent);
}

TEST(Rects, Helpers) {
    RECT a, b, out;
    SetRect(&a, 0, 0, 10, 10);
    SetRect(&b, 5, 5, 15, 15);
    EXPECT_TRUE(IntersectRect(&out, &a, &b));
    EXPECT_EQ(out.left, 5);
    EXPECT_EQ(out.right, 10);
    EXPECT_TRUE(UnionRect(&out, &a, &b));
    EXPECT_EQ(out.right, 15);
    OffsetRect(&b, 20, 0);
    EXPECT_FALSE(IntersectRect(&out, &a, &b));
    EXPECT_TRUE(IsRectEmpty(&out));
    InflateRect(&a, -2, 1);
    EXPECT_EQ(a.left, 2);
    EXPECT_EQ(a.bottom, 11);
    EXPECT_TRUE(PtInRect(&a, POINT{2, -1}));
    EXPECT_FALSE(PtInRect(&a, POINT{8, 5}));
}

TEST(Rects, MulDivRounding) {
    struct Case {
        int number, numerator, denominator, expected;
    } cases[] = {
        {10, 1, 4, 3},          {-10, 1, 4, -3},       {10, 1, -4, -3},       {9, 1, 4, 2},
        {3, 1, 2, 2},           {-3, 1, 2, -2},        {1, 1, 3, 0},          {2, 1, 3, 1},
        {7, 5, 0, -1},          {0x7FFFFFFF, 2, 1, -1}, {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF},
        {255, 200, 190, 268},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MulDiv(c.number, c.numerator, c.denominator), c.expected)
            << c.number << " * " << c.numerator << " / " << c.denominator;
}

}  // namespace
