#include "drawing.h"

#include "com/olecolor.h"

namespace sondrel {

COLORREF translateColor(DWORD oleColor) {
    COLORREF c = 0;
    return SUCCEEDED(OleTranslateColor(oleColor, nullptr, &c)) ? c : 0;
}

OffscreenDC::OffscreenDC(HDC target, const RECT& bounds) : target_(target), bounds_(bounds) {
    int width = bounds.right - bounds.left;
    int height = bounds.bottom - bounds.top;
    dc_ = CreateCompatibleDC(target);
    bitmap_ = CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1);
    previous_ = SelectObject(dc_, bitmap_);
}

OffscreenDC::~OffscreenDC() {
    BitBlt(target_, bounds_.left, bounds_.top, bounds_.right - bounds_.left, bounds_.bottom - bounds_.top, dc_, 0, 0,
           SRCCOPY);
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void fillRect(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    RECT r{left, top, right, bottom};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void fillSysRect(HDC dc, int left, int top, int right, int bottom, int sysColor) {
    RECT r{left, top, right, bottom};
    FillRect(dc, &r, GetSysColorBrush(sysColor));
}

void line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

}  // namespace sondrel
