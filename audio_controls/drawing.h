#pragma once
// Shared by the GDI-drawn controls, each of which paints its whole rectangle through an
// off-screen bitmap with one SRCCOPY copy to the target.

#include "gdi/gdi.h"

namespace sondrel {

// An OLE colour as a COLORREF, system colours included; an invalid one draws black.
COLORREF translateColor(DWORD oleColor);

// Draws into a bitmap of the rectangle's size (origin at the rectangle's top left), then copies
// it to the target.
class OffscreenDC {
public:
    OffscreenDC(HDC target, const RECT& bounds);
    ~OffscreenDC();
    OffscreenDC(const OffscreenDC&) = delete;
    OffscreenDC& operator=(const OffscreenDC&) = delete;
    HDC dc() const { return dc_; }

private:
    HDC target_;
    RECT bounds_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

void fillRect(HDC dc, int left, int top, int right, int bottom, COLORREF color);
void fillSysRect(HDC dc, int left, int top, int right, int bottom, int sysColor);
void line(HDC dc, int x1, int y1, int x2, int y2);

}  // namespace sondrel
