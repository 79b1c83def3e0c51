#include "amp_bar/amp_bar_view.h"

#include "offscreen_canvas.h"

#include <algorithm>
#include <initializer_list>

namespace sondrel {

namespace {

void fill(GpGraphics* g, GpBrush* brush, int x, int y, int w, int h) {
    if (brush && w > 0 && h > 0) GdipFillRectangleI(g, brush, x, y, w, h);
}

struct SolidBrush {
    explicit SolidBrush(ARGB color) {
        if (GdipCreateSolidFill(color, &brush) != Ok) brush = nullptr;
    }
    ~SolidBrush() {
        if (brush) GdipDeleteBrush(brush);
    }
    SolidBrush(const SolidBrush&) = delete;
    SolidBrush& operator=(const SolidBrush&) = delete;
    GpSolidFill* brush = nullptr;
};

void lines(GpGraphics* g, ARGB color, std::initializer_list<GpPoint> points) {
    GpPen* pen = nullptr;
    if (GdipCreatePen1(color, 1, UnitPixel, &pen) != Ok) return;
    GdipDrawLinesI(g, pen, points.begin(), static_cast<INT>(points.size()));
    GdipDeletePen(pen);
}

void drawBar(GpGraphics* g, const AmpBarModel& m, int x, int y, int w, int h) {
    const bool vertical = m.orientation() == 1;
    const int len = vertical ? h : w;
    const int L = static_cast<int>((m.current() - m.min()) * len / (static_cast<double>(m.max()) - m.min()));
    // Outside 0 to 100 the zones would leave the bar.
    const int pick = std::clamp<LONG>(m.pickWidthPercent, 0, 100);
    const int P = (100 - pick) * len / 100;
    const int b0 = m.borderType() > 0 ? 1 : 0;
    SolidBrush tick(m.tickColor), pickBrush(m.pickColor);

    // Fills the stretch [from, to) of the bar's length up to the bar's end, from the start edge
    // (left, or bottom when vertical).
    auto zone = [&](GpBrush* brush, int from, int to) {
        const int end = std::min(to, L);
        if (end <= from) return;
        if (vertical) fill(g, brush, x, y + len - end, w, end - from);
        else fill(g, brush, x + from, y, end - from, h);
    };

    // A tick and a gap that add up to nothing would never advance: such a bar is drawn solid.
    const long long s = static_cast<long long>(m.tickWidth) + m.tickInterval;
    if (m.style() == 1) {
        const int half = std::min(pick, 100 - pick) / 2;
        const int A = (100 - pick - half) * len / 100;
        const int B = (100 - pick + half) * len / 100;
        zone(tick.brush, 0, A);
        GpPoint from = vertical ? GpPoint{x, y + h - A} : GpPoint{x + A - 1, y};
        GpPoint to = vertical ? GpPoint{x, y + h - B - 1} : GpPoint{x + B, y};
        GpLineGradient* gradient = nullptr;
        if (GdipCreateLineBrushI(&from, &to, m.tickColor, m.pickColor, WrapModeTile, &gradient) == Ok) {
            zone(gradient, A, B);
            GdipDeleteBrush(gradient);
        }
        zone(pickBrush.brush, B, len);
    } else if (m.tickInterval == 0 || s <= 0) {
        zone(tick.brush, 0, P);
        zone(pickBrush.brush, P, len);
    } else if (!vertical) {
        const int tw = m.tickWidth;
        for (long long t = b0; t < L; t += s) fill(g, tick.brush, x + static_cast<int>(t), y, tw, h);
        if (pick >= 1)
            for (long long t = b0 + (P / s) * s; t <= L; t += s)
                fill(g, pickBrush.brush, x + static_cast<int>(t), y, tw, h);
    } else {
        const int tw = m.tickWidth;
        const int T = h - L;
        for (long long t = b0 + h; t > T; t -= s) fill(g, tick.brush, x, y + static_cast<int>(t) - tw, w, tw);
        if (pick >= 1)
            for (long long t = b0 + h - (P / s) * s; t >= T; t -= s)
                fill(g, pickBrush.brush, x, y + static_cast<int>(t) - tw, w, tw);
    }
}

void drawBorder(GpGraphics* g, const AmpBarModel& m, int x, int y, int w, int h) {
    const GpPoint p0{x + w - 1, y}, p1{x + w - 1, y + h - 1}, p2{x, y + h - 1}, p3{x, y};
    switch (m.borderType()) {
        case 1: lines(g, m.borderColor, {p0, p1, p2, p3, p0}); break;
        case 2:
            lines(g, 0xFF140000, {p0, p1, p2});
            lines(g, 0xFF100000, {p2, p3, p0});
            break;
        case 3:
            lines(g, 0xFF100000, {p0, p1, p2});
            lines(g, 0xFF140000, {p2, p3, p0});
            break;
        default: break;
    }
}

}  // namespace

void drawAmpBar(HDC dc, const RECT& bounds, const AmpBarModel& model) {
    const int x = bounds.left, y = bounds.top, w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
    drawClippedThroughPicture(dc, bounds, model.backColor, [&](GpGraphics* g) {
        if (w > 0 && h > 0) {
            drawBar(g, model, x, y, w, h);
            drawBorder(g, model, x, y, w, h);
        }
    });
}

}  // namespace sondrel
