#include "volume_wedge/wedge_view.h"

#include "offscreen_canvas.h"

namespace sondrel {

namespace {

constexpr ARGB kHighlight = 0xFFFFFFFFu;

struct Line {
    GpPoint from, to;
};

// One style's wedge: its triangle, the lines always in the highlight, the lines in the edge pen
// (highlight while hovered, else the shadow), and where its thumb runs.
struct WedgeShape {
    GpPoint triangle[3];
    int highlights;
    Line highlight[2];
    int edges;
    Line edge[2];
    bool reversed;  // the thumb runs from 40 down to 0
};

const WedgeShape kShapes[8] = {
    {{{0, 17}, {49, 17}, {49, 3}}, 2, {{{0, 17}, {49, 17}}, {{49, 17}, {49, 3}}}, 1, {{{49, 3}, {0, 16}}}, false},
    {{{49, 3}, {0, 3}, {49, 16}}, 2, {{{49, 17}, {49, 3}}, {{0, 3}, {49, 16}}}, 1, {{{0, 3}, {49, 3}}}, false},
    {{{0, 17}, {49, 17}, {0, 3}}, 1, {{{0, 17}, {49, 17}}}, 2, {{{0, 17}, {0, 3}}, {{0, 3}, {49, 16}}}, true},
    {{{0, 17}, {0, 3}, {49, 4}}, 1, {{{49, 4}, {0, 17}}}, 2, {{{0, 17}, {0, 3}}, {{0, 3}, {49, 3}}}, true},
    {{{3, 0}, {16, 49}, {17, 0}}, 1, {{{17, 0}, {17, 49}}}, 2, {{{17, 0}, {3, 0}}, {{3, 0}, {16, 49}}}, true},
    {{{3, 0}, {17, 0}, {3, 49}}, 1, {{{17, 0}, {4, 49}}}, 2, {{{17, 0}, {3, 0}}, {{3, 0}, {3, 49}}}, true},
    {{{17, 0}, {3, 49}, {17, 49}}, 2, {{{17, 0}, {17, 49}}, {{17, 49}, {3, 49}}}, 1, {{{17, 0}, {4, 49}}}, false},
    {{{3, 0}, {3, 49}, {17, 49}}, 1, {{{3, 0}, {3, 49}}}, 2, {{{17, 49}, {3, 49}}, {{3, 0}, {17, 49}}}, false},
};

class Pens {
public:
    Pens(ARGB highlight, ARGB shadow) {
        GdipCreatePen1(highlight, 1, UnitPixel, &highlight_);
        GdipCreatePen1(shadow, 1, UnitPixel, &shadow_);
    }
    ~Pens() {
        if (highlight_) GdipDeletePen(highlight_);
        if (shadow_) GdipDeletePen(shadow_);
    }
    Pens(const Pens&) = delete;
    Pens& operator=(const Pens&) = delete;
    GpPen* highlight() const { return highlight_; }
    GpPen* shadow() const { return shadow_; }

private:
    GpPen* highlight_ = nullptr;
    GpPen* shadow_ = nullptr;
};

void line(GpGraphics* g, GpPen* pen, int x1, int y1, int x2, int y2) {
    if (pen) GdipDrawLineI(g, pen, x1, y1, x2, y2);
}

}  // namespace

void drawWedge(HDC dc, const RECT& bounds, const WedgeModel& m) {
    const int w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
    if (w <= 0 || h <= 0) return;
    OffscreenCanvas canvas(w, h);
    canvas.clear(m.backColor);
    const LONG style = m.style();
    if (canvas.ok() && style >= 0 && style < 8) {
        GpGraphics* g = canvas.graphics();
        const WedgeShape& shape = kShapes[style];
        Pens pens(kHighlight, m.shadow());
        GpSolidFill* fill = nullptr;
        GdipCreateSolidFill(m.color(), &fill);
        if (fill) GdipFillPolygonI(g, fill, shape.triangle, 3, FillModeAlternate);
        for (int i = 0; i < shape.highlights; ++i) {
            const Line& l = shape.highlight[i];
            line(g, pens.highlight(), l.from.X, l.from.Y, l.to.X, l.to.Y);
        }
        GpPen* edge = m.hoverLook() ? pens.highlight() : pens.shadow();
        for (int i = 0; i < shape.edges; ++i) {
            const Line& l = shape.edge[i];
            line(g, edge, l.from.X, l.from.Y, l.to.X, l.to.Y);
        }

        const int p = m.thumbPosition();
        const int at = shape.reversed ? 40 - p : p;
        if (!m.upright()) {
            if (fill) GdipFillRectangleI(g, fill, at, 0, 9, 20);
            line(g, pens.shadow(), at + 9, 0, at + 9, 20);
            line(g, pens.shadow(), at + 9, 20, at, 20);
            line(g, pens.highlight(), at, 20, at, 0);
            line(g, pens.highlight(), at, 0, at + 9, 0);
        } else {
            if (fill) GdipFillRectangleI(g, fill, 0, at, 20, 9);
            line(g, pens.shadow(), 20, at, 20, at + 9);
            line(g, pens.shadow(), 20, at + 9, 0, at + 9);
            line(g, pens.highlight(), 0, at + 9, 0, at);
            line(g, pens.highlight(), 0, at, 20, at);
        }
        if (fill) GdipDeleteBrush(fill);
    }
    canvas.copyTo(dc, bounds.left, bounds.top);
}

}  // namespace sondrel
