#include "flat_slider_view.h"

#include "drawing.h"

namespace sondrel {

namespace {

// The 3-D pens of the system colours, made for one drawing so that they follow the scheme.
class Pens {
public:
    explicit Pens(HDC dc)
        : dc_(dc),
          highlight_(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT))),
          shadow_(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW))),
          dark_(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW))),
          original_(SelectObject(dc, highlight_)) {}
    ~Pens() {
        SelectObject(dc_, original_);
        if (own_) DeleteObject(own_);
        DeleteObject(highlight_);
        DeleteObject(shadow_);
        DeleteObject(dark_);
    }
    Pens(const Pens&) = delete;
    Pens& operator=(const Pens&) = delete;

    HPEN highlight() const { return highlight_; }
    HPEN shadow() const { return shadow_; }
    HPEN dark() const { return dark_; }
    // A pen of its own colour, kept until the next one or the end.
    HPEN make(COLORREF color) {
        HPEN pen = CreatePen(PS_SOLID, 1, color);
        SelectObject(dc_, pen);
        if (own_) DeleteObject(own_);
        own_ = pen;
        return pen;
    }

private:
    HDC dc_;
    HPEN highlight_, shadow_, dark_;
    HPEN own_ = nullptr;
    HGDIOBJ original_;
};

// The edges of a rectangle whose right and bottom lie inside it: bottom and right in one pen,
// then top and left in another.
void edges(HDC dc, const RECT& r, HPEN bottomRight, HPEN topLeft) {
    SelectObject(dc, bottomRight);
    line(dc, r.right, r.top, r.right, r.bottom);
    LineTo(dc, r.left - 1, r.bottom);
    SelectObject(dc, topLeft);
    line(dc, r.left, r.bottom, r.left, r.top);
    LineTo(dc, r.right + 1, r.top);
}

void mark(HDC dc, int x, int y, HPEN upper, HPEN lower) {
    SelectObject(dc, upper);
    line(dc, x, y, x, y + 1);
    SelectObject(dc, lower);
    line(dc, x, y + 1, x, y + 2);
}

}  // namespace

void drawFlatSlider(HDC target, const RECT& bounds, const FlatSliderModel& model) {
    const int w = bounds.right - bounds.left;
    const int h = bounds.bottom - bounds.top;
    const bool vertical = model.vertical();
    const bool hot = model.hot();
    OffscreenDC off(target, bounds);
    HDC dc = off.dc();
    Pens pens(dc);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);

    fillRect(dc, 0, 0, w, h, face);

    const int tw = model.trackWidth;
    const RECT track = vertical ? RECT{(w - tw) / 2, 0, (tw + w) / 2, h - 1} : RECT{0, (h - tw) / 2, w - 1, (tw + h) / 2};
    fillRect(dc, track.left, track.top, track.right, track.bottom, translateColor(model.trackColor));
    HPEN sunken = hot ? pens.dark() : pens.shadow();
    switch (model.trackStyle) {
        case 1: {
            HPEN border = pens.make(translateColor(model.trackBorderColor));
            edges(dc, track, border, border);
            break;
        }
        case 2: edges(dc, track, pens.highlight(), sunken); break;
        case 3: edges(dc, track, sunken, pens.highlight()); break;
        default: break;
    }

    if (model.ticks) {
        HPEN upper = pens.dark(), lower = pens.dark();
        if (model.trackStyle == 2) upper = pens.highlight(), lower = pens.shadow();
        if (model.trackStyle == 3) upper = pens.shadow(), lower = pens.highlight();
        if (vertical) {
            mark(dc, 0, h / 2, upper, lower);
            mark(dc, w - 1, h / 2, upper, lower);
        } else {
            mark(dc, w / 2, 0, upper, lower);
            mark(dc, w / 2, h - 2, upper, lower);
        }
    }

    const int tl = model.thumbLength;
    const int v = model.thumbOffset({w, h});
    const RECT thumb = vertical ? RECT{0, h - tl - v, w - 1, h - v - 1} : RECT{v, 0, v + tl, h - 1};
    fillRect(dc, thumb.left, thumb.top, thumb.right, thumb.bottom, face);

    // The grip across the thumb's middle; the hover adds a second shadow line.
    const int lines = hot ? 3 : 2;
    const int shorten = hot ? 1 : 0;
    HPEN grip[3] = {pens.highlight(), pens.shadow(), pens.shadow()};
    if (vertical) {
        const int m = (thumb.top + thumb.bottom) / 2;
        for (int i = 0; i < lines; ++i) {
            SelectObject(dc, grip[i]);
            line(dc, thumb.left + 1, m - 1 + i, thumb.right - shorten, m - 1 + i);
        }
    } else {
        const int m = (thumb.left + thumb.right) / 2;
        for (int i = 0; i < lines; ++i) {
            SelectObject(dc, grip[i]);
            line(dc, m - 1 + i, thumb.top + 1, m - 1 + i, thumb.bottom - shorten);
        }
    }

    edges(dc, thumb, hot ? pens.dark() : pens.shadow(), pens.highlight());
}

}  // namespace sondrel
