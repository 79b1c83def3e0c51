#include "bitmap_slider_view.h"

#include "drawing.h"

#include <vector>

namespace sondrel {

namespace {

// Bottom and right edges of (0, 0, w - 1, h - 1) in one colour, then top and left in another.
void border(HDC dc, int w, int h, COLORREF bottomRight, COLORREF topLeft) {
    HPEN first = CreatePen(PS_SOLID, 1, bottomRight);
    HGDIOBJ original = SelectObject(dc, first);
    line(dc, w - 1, 0, w - 1, h - 1);
    LineTo(dc, -1, h - 1);
    HPEN second = CreatePen(PS_SOLID, 1, topLeft);
    SelectObject(dc, second);
    line(dc, 0, h - 1, 0, 0);
    LineTo(dc, w, 0);
    SelectObject(dc, original);
    DeleteObject(first);
    DeleteObject(second);
}

// The thumb picture tinted with the colour, copied to (x, y) with the given size.
void drawThumb(HDC dc, HBITMAP thumb, COLORREF tint, int x, int y, int width, int height) {
    BITMAP info{};
    if (!thumb || !GetObject(thumb, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return;
    std::vector<BYTE> bits(static_cast<std::size_t>(info.bmWidth) * info.bmHeight * 4);
    if (GetBitmapBits(thumb, static_cast<LONG>(bits.size()), bits.data()) != static_cast<LONG>(bits.size())) return;
    tintPixels(info.bmWidth, info.bmHeight, bits.data(), GetRValue(tint), GetGValue(tint), GetBValue(tint));
    HBITMAP tinted = CreateCompatibleBitmap(dc, info.bmWidth, info.bmHeight);
    SetBitmapBits(tinted, static_cast<DWORD>(bits.size()), bits.data());
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, tinted);
    BitBlt(dc, x, y, width, height, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
    DeleteObject(tinted);
}

}  // namespace

void drawBitmapSlider(HDC target, const RECT& bounds, const BitmapSliderModel& model, HBITMAP thumb) {
    const int w = bounds.right - bounds.left;
    const int h = bounds.bottom - bounds.top;
    OffscreenDC off(target, bounds);
    HDC dc = off.dc();

    fillRect(dc, 0, 0, w, h, translateColor(model.backColor));
    switch (model.borderType()) {
        case 1: {
            const COLORREF c = translateColor(model.borderColor);
            border(dc, w, h, c, c);
            break;
        }
        case 2: border(dc, w, h, GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_BTNSHADOW)); break;
        case 3: border(dc, w, h, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_HIGHLIGHTTEXT)); break;
        default: break;
    }

    const int v = model.thumbOffset({w, h});
    const int length = BitmapSliderModel::kThumbLength;
    const COLORREF tint = translateColor(BitmapSliderModel::kThumbTint);
    if (model.vertical()) drawThumb(dc, thumb, tint, 0, h - v - length, w, length);
    else drawThumb(dc, thumb, tint, v, 0, length, h);
}

}  // namespace sondrel
