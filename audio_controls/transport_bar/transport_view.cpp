#include "transport_bar/transport_view.h"

#include "offscreen_canvas.h"

#include <initializer_list>
#include <vector>

namespace sondrel {

namespace {

constexpr ARGB kBlack = 0xFF000000;
constexpr ARGB kRed = 0xFFFF0000;

// Shapes on one GDI+ graphics; a failed call leaves its shape out and the drawing goes on.
class Painter {
public:
    explicit Painter(GpGraphics* g) : g_(g) {}

    void fill(ARGB color, int x, int y, int w, int h) const {
        GpSolidFill* brush = nullptr;
        if (GdipCreateSolidFill(color, &brush) != Ok) return;
        GdipFillRectangleI(g_, brush, x, y, w, h);
        GdipDeleteBrush(brush);
    }
    void ellipse(ARGB color, int x, int y, int w, int h) const {
        GpSolidFill* brush = nullptr;
        if (GdipCreateSolidFill(color, &brush) != Ok) return;
        GdipFillEllipseI(g_, brush, x, y, w, h);
        GdipDeleteBrush(brush);
    }
    void triangle(ARGB color, GpPoint a, GpPoint b, GpPoint c) const {
        GpSolidFill* brush = nullptr;
        if (GdipCreateSolidFill(color, &brush) != Ok) return;
        const GpPoint points[] = {a, b, c};
        GdipFillPolygonI(g_, brush, points, 3, FillModeAlternate);
        GdipDeleteBrush(brush);
    }
    void lines(ARGB color, std::initializer_list<GpPoint> points, float width = 1) const {
        GpPen* pen = nullptr;
        if (GdipCreatePen1(color, width, UnitPixel, &pen) != Ok) return;
        std::vector<GpPoint> p(points);
        GdipDrawLinesI(g_, pen, p.data(), static_cast<INT>(p.size()));
        GdipDeletePen(pen);
    }

private:
    GpGraphics* g_;
};

void buttonFace(const Painter& p, const TransportModel& m, const PartRect& r, bool hover, bool pressed) {
    p.fill(m.face(), r.left, r.top, r.width, r.height);
    if (!hover && !pressed) return;
    const int R = r.left + r.width - 1, B = r.top + r.height - 1;
    const ARGB lower = pressed ? TransportModel::kHighlight : m.shade();
    const ARGB upper = pressed ? m.shade() : TransportModel::kHighlight;
    p.lines(lower, {{R, r.top}, {R, B}, {r.left, B}});
    p.lines(upper, {{r.left, B}, {r.left, r.top}, {R, r.top}});
}

void drawParts(const Painter& p, const TransportModel& m, int x, int y, int w, int h) {
    const int r = x + w;
    const bool enabled = m.enabled();
    const bool transporting = m.playing() || m.recording();

    // Border.
    const GpPoint p0{x + w - 1, y + 1}, p1{x + w - 1, y + h - 1}, p2{x + 1, y + h - 1}, p3{x + 1, y + 1};
    switch (m.borderType()) {
        case 1: p.lines(m.border(), {p0, p1, p2, p3, p0}); break;
        case 2:
            p.lines(0xFF140000, {p0, p1, p2});
            p.lines(0xFF100000, {p2, p3, p0});
            break;
        case 3:
            p.lines(0xFF100000, {p0, p1, p2});
            p.lines(0xFF140000, {p2, p3, p0});
            break;
        default: break;
    }

    // Play.
    {
        const bool down = (m.playing() && !m.paused()) || m.pressed(kPlayPart);
        buttonFace(p, m, m.rectOf(kPlayPart, x, y, r), m.hover(kPlayPart), down);
        const int d = down ? 1 : 0;
        const ARGB glyph = m.recording() || !enabled || !m.buttonEnabled(0) ? m.shade() : kBlack;
        p.triangle(glyph, {x + 10 + d, y + 7 + d}, {x + 19 + d, y + 12 + d}, {x + 10 + d, y + 17 + d});
    }
    // Stop.
    {
        buttonFace(p, m, m.rectOf(kStopPart, x, y, r), m.hover(kStopPart), m.pressed(kStopPart));
        const int d = m.pressed(kStopPart) ? 1 : 0;
        const ARGB glyph = transporting && enabled && m.buttonEnabled(2) ? kBlack : m.shade();
        p.fill(glyph, x + 57 + d, y + 8 + d, 8, 8);
    }
    // Pause: a button only while something runs.
    {
        ARGB glyph = m.shade();
        int d = 0;
        if (transporting && enabled && m.buttonEnabled(1)) {
            const bool down = m.paused() || m.pressed(kPausePart);
            buttonFace(p, m, m.rectOf(kPausePart, x, y, r), m.hover(kPausePart), down);
            glyph = kBlack;
            d = down ? 1 : 0;
        }
        p.fill(glyph, x + 34 + d, y + 8 + d, 3, 9);
        p.fill(glyph, x + 39 + d, y + 8 + d, 3, 9);
    }
    // Record.
    if (m.showsRecord()) {
        const bool down = (m.recording() && !m.paused()) || m.pressed(kRecordPart);
        buttonFace(p, m, m.rectOf(kRecordPart, x, y, r), m.hover(kRecordPart), down);
        const int d = down ? 1 : 0;
        const ARGB glyph = m.playing() || !enabled || !m.buttonEnabled(3) ? m.shade() : kRed;
        p.ellipse(glyph, x + 81 + d, y + 8 + d, 11, 10);
    }
    // Go to start and go to end, with their separators.
    if (m.showsPosition()) {
        const int pos = x + m.positionOffset();
        const ARGB glyph = m.recording() || !enabled || !m.buttonEnabled(4) ? m.shade() : kBlack;
        buttonFace(p, m, m.rectOf(kGoToStartPart, x, y, r), m.hover(kGoToStartPart), m.pressed(kGoToStartPart));
        buttonFace(p, m, m.rectOf(kGoToEndPart, x, y, r), m.hover(kGoToEndPart), m.pressed(kGoToEndPart));
        {
            const int d = m.pressed(kGoToStartPart) ? 1 : 0;
            const int a = pos + d, b = y + 3 + d;
            p.triangle(glyph, {a + 15, b + 6}, {a + 12, b + 9}, {a + 15, b + 12});
            p.triangle(glyph, {a + 10, b + 6}, {a + 7, b + 9}, {a + 10, b + 12});
            p.lines(glyph, {{a + 5, b + 6}, {a + 5, b + 13}});
        }
        {
            const int d = m.pressed(kGoToEndPart) ? 1 : 0;
            const int c = pos + 23 + d, b = y + 3 + d;
            p.triangle(glyph, {c + 5, b + 6}, {c + 8, b + 9}, {c + 5, b + 12});
            p.triangle(glyph, {c + 10, b + 6}, {c + 13, b + 9}, {c + 10, b + 12});
            p.lines(glyph, {{c + 15, b + 6}, {c + 15, b + 13}});
        }
        auto separator = [&](int s) {
            p.fill(TransportModel::kHighlight, s, y + 4, 2, 19);
            p.fill(m.shade(), s, y + 3, 1, 19);
        };
        separator(pos - 6);
        if (m.showsVolume()) separator(pos + 49);
    }
    // Volume: the wedge track, its thumb, and the mute button.
    if (m.showsVolume()) {
        p.lines(TransportModel::kHighlight, {{r - 54, y + 24}, {r - 5, y + 24}});
        p.lines(TransportModel::kHighlight, {{r - 5, y + 24}, {r - 5, y + 7}});
        p.lines(m.shade(), {{r - 5, y + 7}, {r - 54, y + 23}});
        const int tx = r - 54 + static_cast<int>(m.volume());
        p.fill(m.shade(), tx, y + 4, 9, 23);
        p.fill(TransportModel::kHighlight, tx, y + 4, 8, 22);
        p.fill(m.face(), tx + 1, y + 5, 7, 21);

        const bool muted = m.mute() != 0;
        buttonFace(p, m, m.rectOf(kMutePart, x, y, r), m.hover(kMutePart), m.pressed(kMutePart) || muted);
        const int n = r - 80;
        const bool live = enabled && m.buttonEnabled(5);
        const ARGB glyph = live ? kBlack : m.shade();
        p.ellipse(glyph, n + 6, y + 17, 6, 4);
        p.lines(glyph, {{n + 11, y + 6}, {n + 11, y + 17}});
        p.lines(glyph, {{n + 11, y + 7},
                        {n + 12, y + 8},
                        {n + 13, y + 9},
                        {n + 13, y + 10},
                        {n + 14, y + 11},
                        {n + 14, y + 12},
                        {n + 14, y + 13},
                        {n + 14, y + 14},
                        {n + 13, y + 15}});
        if (muted) {
            const ARGB cross = live ? kRed : glyph;
            const float width = live ? 2.0f : 1.0f;
            p.lines(cross, {{n + 3, y + 6}, {n + 15, y + 18}}, width);
            p.lines(cross, {{n + 3, y + 18}, {n + 15, y + 6}}, width);
        }
    }
}

}  // namespace

void drawTransportBar(HDC dc, const RECT& bounds, const TransportModel& model) {
    drawClippedThroughPicture(dc, bounds, model.face(), [&](GpGraphics* g) {
        drawParts(Painter(g), model, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    });
}

}  // namespace sondrel
