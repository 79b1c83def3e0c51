#pragma once
// A window whose procedure is a std::function, and threads that run lambdas.

#include "windows/windows.h"

#include <functional>
#include <memory>

namespace test {

// Answers a message; what it does not handle it passes to DefWindowProcA itself.
using Handler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

inline LRESULT handlerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* handler = reinterpret_cast<Handler*>(GetWindowLongPtrA(hwnd, GWL_USERDATA));
    if (handler && *handler) return (*handler)(hwnd, msg, wParam, lParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

inline const char* handlerClass() {
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = handlerProc;
        wc.lpszClassName = "TestHandlerWindow";
        wc.cbWndExtra = 12;
        RegisterClassA(&wc);
        return "TestHandlerWindow";
    }();
    return name;
}

inline HWND makeWindow(Handler* handler, DWORD style = 0, HWND parent = nullptr, int x = 0, int y = 0, int cx = 100,
                       int cy = 100) {
    return CreateWindowExA(0, handlerClass(), "test", style, x, y, cx, cy, parent, nullptr, nullptr, handler);
}

inline DWORD runFunction(LPVOID p) {
    std::unique_ptr<std::function<void()>> f(static_cast<std::function<void()>*>(p));
    (*f)();
    return 0;
}

// A thread made by CreateThread, so that its handle can be waited on; the caller closes it.
inline HANDLE startThread(std::function<void()> body, DWORD* id = nullptr) {
    return CreateThread(nullptr, 0, runFunction, new std::function<void()>(std::move(body)), 0, id);
}

inline void joinThread(HANDLE thread) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

}  // namespace test
