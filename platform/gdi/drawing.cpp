#include "gdi/internal.h"

#include <cmath>
#include <cstdlib>
#include <memory>

namespace gdi::detail {

void addLinePixels(cairo_t* cr, int x0, int y0, int x1, int y1, bool lastPoint) {
    const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    const int steps = dx > dy ? dx : dy;
    int err = (dx > dy ? dx : -dy) / 2;
    int x = x0, y = y0;
    for (int i = 0; i < steps + (lastPoint ? 1 : 0); ++i) {
        cairo_rectangle(cr, x, y, 1, 1);
        int e = err;
        if (e > -dx) {
            err -= dy;
            x += sx;
        }
        if (e < dy) {
            err += dx;
            y += sy;
        }
    }
}

}  // namespace gdi::detail

using namespace gdi::detail;

namespace {

struct CairoDeleter {
    void operator()(cairo_t* cr) const {
        cairo_surface_t* target = cairo_get_target(cr);
        cairo_destroy(cr);
        cairo_surface_flush(target);
    }
};
using Context = std::unique_ptr<cairo_t, CairoDeleter>;

Context begin(DeviceContext* dc) { return Context(dc ? dc->begin() : nullptr); }

bool hasPen(const DeviceContext* dc) { return dc->pen->style != PS_NULL; }
bool hasBrush(const DeviceContext* dc) { return dc->brush->style != BS_NULL; }

// Strokes the current path with the selected pen, wide pens centred on the pixel path.
void strokeWide(cairo_t* cr, const Pen* pen) {
    setColor(cr, pen->color);
    cairo_set_line_width(cr, pen->width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

// Lines through the points, each without its end point, as GDI draws them with the DC's pen.
void drawLines(cairo_t* cr, const Pen* pen, const POINT* points, int count, bool closed) {
    if (pen->style == PS_NULL || count < 2) return;
    if (pen->width <= 1) {
        for (int i = 0; i + 1 < count; ++i)
            addLinePixels(cr, points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, false);
        if (closed)
            addLinePixels(cr, points[count - 1].x, points[count - 1].y, points[0].x, points[0].y, false);
        setColor(cr, pen->color);
        cairo_fill(cr);
        return;
    }
    cairo_move_to(cr, points[0].x + 0.5, points[0].y + 0.5);
    for (int i = 1; i < count; ++i) cairo_line_to(cr, points[i].x + 0.5, points[i].y + 0.5);
    if (closed) cairo_close_path(cr);
    strokeWide(cr, pen);
}

}  // namespace

int SetBkMode(HDC hdc, int mode) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->bkColor;
    dc->bkColor = color & 0xFFFFFF;
    return previous;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->textColor;
    dc->textColor = color & 0xFFFFFF;
    return previous;
}

int SetPolyFillMode(HDC hdc, int mode) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc || (mode != ALTERNATE && mode != WINDING)) return 0;
    int previous = dc->polyFillMode;
    dc->polyFillMode = mode;
    return previous;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH handle) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc || !rect) return 0;
    COLORREF color;
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    if (value >= 1 && value <= COLOR_MENUBAR + 1) {
        color = GetSysColor(static_cast<int>(value) - 1);
    } else {
        Brush* brush = lookupAs<Brush>(handle, Kind::Brush);
        if (!brush) return 0;
        if (brush->style == BS_NULL) return 1;
        color = brush->current();
    }
    Context cr = begin(dc);
    if (!cr) return 0;
    fillRect(cr.get(), rect->left, rect->top, rect->right, rect->bottom, color);
    return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    DeviceContext* dc = lookupDC(hdc);
    Context cr = begin(dc);
    if (!cr) return FALSE;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    // The outline takes the outermost pixels inside (left, top, right, bottom); without a pen
    // the interior alone is one pixel narrower and lower.
    if (hasBrush(dc)) {
        int inset = hasPen(dc) ? 1 : 0;
        fillRect(cr.get(), left + inset, top + inset, right - 1, bottom - 1, dc->brush->current());
    }
    if (hasPen(dc) && right - left >= 1 && bottom - top >= 1) {
        const POINT corners[] = {{left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}};
        if (dc->pen->width <= 1) {
            for (int i = 0; i < 4; ++i) {
                const POINT& a = corners[i];
                const POINT& b = corners[(i + 1) % 4];
                addLinePixels(cr.get(), a.x, a.y, b.x, b.y, true);
            }
            setColor(cr.get(), dc->pen->color);
            cairo_fill(cr.get());
        } else {
            cairo_rectangle(cr.get(), left + 0.5, top + 0.5, right - left - 1, bottom - top - 1);
            setColor(cr.get(), dc->pen->color);
            cairo_set_line_width(cr.get(), dc->pen->width);
            cairo_set_line_join(cr.get(), CAIRO_LINE_JOIN_MITER);
            cairo_stroke(cr.get());
        }
    }
    return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    DeviceContext* dc = lookupDC(hdc);
    Context cr = begin(dc);
    if (!cr) return FALSE;
    const double rx = (std::abs(right - left) - 1) / 2.0, ry = (std::abs(bottom - top) - 1) / 2.0;
    if (rx <= 0 || ry <= 0) return TRUE;
    // The outline runs through the centres of the outermost pixels of the bounding box.
    cairo_save(cr.get());
    cairo_translate(cr.get(), (left + right) / 2.0, (top + bottom) / 2.0);
    cairo_scale(cr.get(), rx, ry);
    cairo_arc(cr.get(), 0, 0, 1, 0, 2 * M_PI);
    cairo_restore(cr.get());
    if (hasBrush(dc)) {
        setColor(cr.get(), dc->brush->current());
        cairo_fill_preserve(cr.get());
    }
    if (hasPen(dc)) {
        setColor(cr.get(), dc->pen->color);
        cairo_set_line_width(cr.get(), dc->pen->width);
        cairo_stroke(cr.get());
    }
    cairo_new_path(cr.get());
    return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
    DeviceContext* dc = lookupDC(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->position;
    dc->position = {x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    DeviceContext* dc = lookupDC(hdc);
    Context cr = begin(dc);
    if (!cr) return FALSE;
    const POINT line[] = {dc->position, {x, y}};
    drawLines(cr.get(), dc->pen, line, 2, false);
    dc->position = {x, y};
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
    DeviceContext* dc = lookupDC(hdc);
    if (!points || count < 2) return FALSE;
    Context cr = begin(dc);
    if (!cr) return FALSE;
    drawLines(cr.get(), dc->pen, points, count, false);
    return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* points, int count) {
    DeviceContext* dc = lookupDC(hdc);
    if (!points || count < 2) return FALSE;
    Context cr = begin(dc);
    if (!cr) return FALSE;
    if (hasBrush(dc)) {
        cairo_move_to(cr.get(), points[0].x + 0.5, points[0].y + 0.5);
        for (int i = 1; i < count; ++i) cairo_line_to(cr.get(), points[i].x + 0.5, points[i].y + 0.5);
        cairo_close_path(cr.get());
        cairo_set_fill_rule(cr.get(), dc->polyFillMode == WINDING ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
        setColor(cr.get(), dc->brush->current());
        cairo_fill(cr.get());
        cairo_set_fill_rule(cr.get(), CAIRO_FILL_RULE_WINDING);
    }
    drawLines(cr.get(), dc->pen, points, count, true);
    return TRUE;
}

BOOL DrawEdge(HDC hdc, LPRECT rect, UINT edge, UINT flags) {
    DeviceContext* dc = lookupDC(hdc);
    if (!rect) return FALSE;
    Context cr = begin(dc);
    if (!cr) return FALSE;
    struct Ring {
        UINT raised, sunken;
        int raisedTopLeft, raisedBottomRight, sunkenTopLeft, sunkenBottomRight;
    };
    const Ring rings[] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_3DDKSHADOW, COLOR_3DLIGHT},
    };
    RECT r = *rect;
    cairo_t* c = cr.get();
    for (const Ring& ring : rings) {
        if (!(edge & (ring.raised | ring.sunken))) continue;
        const bool raised = (edge & ring.raised) != 0;
        const COLORREF topLeft = GetSysColor(raised ? ring.raisedTopLeft : ring.sunkenTopLeft);
        const COLORREF bottomRight = GetSysColor(raised ? ring.raisedBottomRight : ring.sunkenBottomRight);
        // Top and left first; the bottom and right sides then own the two far corners.
        if (flags & BF_LEFT) fillRect(c, r.left, r.top, r.left + 1, r.bottom, topLeft);
        if (flags & BF_TOP) fillRect(c, r.left, r.top, r.right, r.top + 1, topLeft);
        if (flags & BF_RIGHT) fillRect(c, r.right - 1, r.top, r.right, r.bottom, bottomRight);
        if (flags & BF_BOTTOM) fillRect(c, r.left, r.bottom - 1, r.right, r.bottom, bottomRight);
        if (flags & BF_LEFT) ++r.left;
        if (flags & BF_TOP) ++r.top;
        if (flags & BF_RIGHT) --r.right;
        if (flags & BF_BOTTOM) --r.bottom;
    }
    if (flags & BF_MIDDLE) fillRect(c, r.left, r.top, r.right, r.bottom, GetSysColor(COLOR_BTNFACE));
    if (flags & BF_ADJUST) *rect = r;
    return TRUE;
}
