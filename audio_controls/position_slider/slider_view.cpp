#include "slider_view.h"

#include "drawing.h"

#include <utility>

namespace sondrel {

namespace {

// The thumb in the horizontal frame: x relative to the thumb's position, y relative to the
// bottom edge; later rectangles cover earlier ones.
struct ThumbRect {
    int sysColor;
    int left, top, right, bottom;
};
constexpr ThumbRect kThumb[] = {
    {COLOR_BTNFACE, 1, -15, 13, -12},      {COLOR_BTNFACE, 1, -15, 4, 0},
    {COLOR_BTNFACE, 1, -3, 13, 0},         {COLOR_BTNFACE, 10, -15, 13, 0},
    {COLOR_BTNSHADOW, 1, -2, 13, -1},      {COLOR_BTNSHADOW, 12, -15, 13, -1},
    {COLOR_BTNHIGHLIGHT, 1, -15, 13, -14}, {COLOR_BTNHIGHLIGHT, 1, -15, 2, -1},
    {COLOR_BTNHIGHLIGHT, 3, -11, 10, -10}, {COLOR_BTNHIGHLIGHT, 10, -11, 11, -4},
    {COLOR_BTNHIGHLIGHT, 3, -5, 10, -4},   {COLOR_BTNSHADOW, 3, -11, 4, -4},
    {COLOR_BTNSHADOW, 3, -12, 11, -11},    {COLOR_3DDKSHADOW, 1, -1, 13, 0},
    {COLOR_3DDKSHADOW, 13, -15, 14, 0},    {COLOR_3DDKSHADOW, 7, -11, 8, -10},
    {COLOR_3DDKSHADOW, 7, -5, 8, -4},
};

// Selects a new 1-pixel pen, keeping the DC's own pen for the end.
void pen(HDC dc, COLORREF color, HPEN* held, HGDIOBJ* original) {
    HPEN next = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ previous = SelectObject(dc, next);
    if (*held) DeleteObject(*held);
    else *original = previous;
    *held = next;
}

}  // namespace

void drawSlider(HDC target, const RECT& bounds, const SliderModel& model) {
    const int w = bounds.right - bounds.left;
    const int h = bounds.bottom - bounds.top;
    const bool vertical = model.orientation() == 1;
    OffscreenDC off(target, bounds);
    HDC dc = off.dc();

    fillRect(dc, 0, 0, w, h, translateColor(model.backColor));
    if (vertical) fillRect(dc, 4, 6, w - 4, h - 6, translateColor(model.stripColor));
    else fillRect(dc, 6, 4, w - 6, h - 4, translateColor(model.stripColor));

    // Corners of the strip's border: top left, bottom left, bottom right, top right.
    POINT tl{6, 4}, bl{6, h - 5}, br{w - 7, h - 5}, tr{w - 7, 4};
    if (vertical) tl = {4, 6}, bl = {4, h - 7}, br = {w - 5, h - 7}, tr = {w - 5, 6};
    HGDIOBJ oldPen = nullptr;
    HPEN held = nullptr;
    // Each side runs from its corner to the next one in the order tl, bl, br, tr, so the bottom
    // left corner is the bottom side's and the top right corner the top side's.
    auto sunkenOrRaised = [&](int topLeftColor, int bottomRightColor) {
        pen(dc, GetSysColor(bottomRightColor), &held, &oldPen);
        line(dc, bl.x, bl.y, br.x, br.y);
        LineTo(dc, tr.x, tr.y);
        pen(dc, GetSysColor(topLeftColor), &held, &oldPen);
        line(dc, tr.x, tr.y, tl.x, tl.y);
        LineTo(dc, bl.x, bl.y);
    };
    switch (model.borderType()) {
        case 1:
            pen(dc, translateColor(model.borderColor), &held, &oldPen);
            line(dc, tl.x, tl.y, bl.x, bl.y);
            LineTo(dc, br.x, br.y);
            LineTo(dc, tr.x, tr.y);
            LineTo(dc, tl.x, tl.y);
            break;
        case 2: sunkenOrRaised(COLOR_BTNSHADOW, COLOR_HIGHLIGHTTEXT); break;
        case 3: sunkenOrRaised(COLOR_HIGHLIGHTTEXT, COLOR_BTNSHADOW); break;
        default: break;
    }
    if (held) {
        SelectObject(dc, oldPen);
        DeleteObject(held);
    }

    const int pos = model.thumbPosition({w, h});
    for (const ThumbRect& r : kThumb) {
        if (!vertical) {
            fillSysRect(dc, pos + r.left, h + r.top, pos + r.right, h + r.bottom, r.sysColor);
        } else {
            // The same picture with x and y exchanged, Min at the bottom.
            const int y0 = h - pos - 14;
            fillSysRect(dc, w + r.top, y0 + r.left, w + r.bottom, y0 + r.right, r.sysColor);
        }
    }
}

}  // namespace sondrel
