#include "disable_autorun.h"

#include "forms/forms.h"

short g_AllowAutoPlay = 0;

namespace {
WNDPROC g_PreviousWindowProc = nullptr;
UINT g_AutoPlayMessage = 0;
}  // namespace

void HookAutoPlay(forms::Form& form) {
    g_PreviousWindowProc = reinterpret_cast<WNDPROC>(
        SetWindowLongA(form.hWnd(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&AutoPlayWindowProc)));
}

// The kept procedure stays: a message still on its way after unhooking is passed on to it.
void UnhookAutoPlay(forms::Form& form) {
    if (g_PreviousWindowProc)
        SetWindowLongA(form.hWnd(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(g_PreviousWindowProc));
}

UINT GetAutoPlayMessage() {
    if (g_AutoPlayMessage == 0) g_AutoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");
    return g_AutoPlayMessage;
}

LRESULT AutoPlayWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == GetAutoPlayMessage()) return g_AllowAutoPlay ? 0 : 1;
    if (g_PreviousWindowProc) return CallWindowProcA(g_PreviousWindowProc, hWnd, uMsg, wParam, lParam);
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}
