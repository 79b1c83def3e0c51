#pragma once
// Keeps the shell's AutoPlay from starting another program while the main window is open: the
// window answers the shell's "QueryCancelAutoPlay" message with "cancel".

#include "windows/windows.h"

namespace forms {
class Form;
}

// The switch the main window sets to 0 when it loads; while 0, AutoPlay is cancelled.
extern short g_AllowAutoPlay;

void HookAutoPlay(forms::Form& form);
void UnhookAutoPlay(forms::Form& form);
LRESULT AutoPlayWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
UINT GetAutoPlayMessage();
