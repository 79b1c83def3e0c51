#include "time_display_view.h"

#include "drawing.h"

namespace sondrel {

namespace {

enum Segment { Top, UpperRight, Middle, UpperLeft, LowerLeft, Bottom, LowerRight };

// Which digits light each segment, as a mask over 0 to 9.
constexpr unsigned kLit[7] = {
    0b1111101101,  // top: 0 2 3 5 6 7 8 9
    0b1110011111,  // upper right: 0 1 2 3 4 7 8 9
    0b1101111100,  // middle: 2 3 4 5 6 8 9
    0b1101110001,  // upper left: 0 4 5 6 8 9
    0b0101000101,  // lower left: 0 2 6 8
    0b1101101101,  // bottom: 0 2 3 5 6 8 9
    0b1111111011,  // lower right: 0 1 3 4 5 6 7 8 9
};

struct Line {
    int x1, y1, x2, y2;
};

// The base, inner and outer line of a segment in the cell (l, t, r, b) with middle m.
void segmentLines(Segment s, int l, int t, int r, int b, int m, Line out[3]) {
    switch (s) {
        case Top:
            out[0] = {l + 4, t + 3, r - 4, t + 3}, out[1] = {l + 5, t + 4, r - 5, t + 4};
            out[2] = {l + 5, t + 2, r - 5, t + 2};
            break;
        case UpperRight:
            out[0] = {r - 4, t + 5, r - 4, m - 2}, out[1] = {r - 5, t + 6, r - 5, m - 3};
            out[2] = {r - 3, t + 6, r - 3, m - 3};
            break;
        case Middle:
            out[0] = {l + 5, m - 1, r - 5, m - 1}, out[1] = {l + 6, m - 2, r - 6, m - 2};
            out[2] = {l + 6, m, r - 6, m};
            break;
        case UpperLeft:
            out[0] = {l + 3, t + 5, l + 3, m - 2}, out[1] = {l + 4, t + 6, l + 4, m - 3};
            out[2] = {l + 2, t + 6, l + 2, m - 3};
            break;
        case LowerLeft:
            out[0] = {l + 3, m + 1, l + 3, b - 6}, out[1] = {l + 4, m + 2, l + 4, b - 7};
            out[2] = {l + 2, m + 2, l + 2, b - 7};
            break;
        case Bottom:
            out[0] = {l + 4, b - 5, r - 4, b - 5}, out[1] = {l + 5, b - 6, r - 5, b - 6};
            out[2] = {l + 5, b - 4, r - 5, b - 4};
            break;
        case LowerRight:
            out[0] = {r - 4, m + 1, r - 4, b - 6}, out[1] = {r - 5, m + 2, r - 5, b - 7};
            out[2] = {r - 3, m + 2, r - 3, b - 7};
            break;
    }
}

void drawDigit(HDC dc, LONG digit, const RECT& cell, LONG style) {
    if (digit < 0 || digit > 9) return;
    const int m = cell.top + (cell.bottom - cell.top) / 2;
    const int lines = style == 2 ? 3 : style == 1 ? 2 : 1;
    for (int s = Top; s <= LowerRight; ++s) {
        if (!(kLit[s] >> digit & 1)) continue;
        Line l[3];
        segmentLines(static_cast<Segment>(s), cell.left, cell.top, cell.right, cell.bottom, m, l);
        for (int i = 0; i < lines; ++i) line(dc, l[i].x1, l[i].y1, l[i].x2, l[i].y2);
    }
}

void square(HDC dc, int centre, int top, COLORREF color) { fillRect(dc, centre - 1, top, centre + 1, top + 2, color); }

}  // namespace

void drawTimeDisplay(HDC target, const RECT& bounds, const TimeDisplayModel& model) {
    OffscreenDC off(target, bounds);
    HDC dc = off.dc();
    const int L = 0, T = 0, R = bounds.right - bounds.left, B = bounds.bottom - bounds.top;
    const COLORREF display = translateColor(model.displayColor);

    switch (model.borderType()) {
        case 1:
            fillRect(dc, L, T, R, B, translateColor(model.borderColor));
            fillRect(dc, L + 1, T + 1, R - 1, B - 1, display);
            break;
        case 2:
        case 3: {
            bool sunken = model.borderType() == 2;
            fillSysRect(dc, L, T, R - 1, B - 1, sunken ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT);
            fillSysRect(dc, L + 1, T + 1, R, B, sunken ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW);
            fillRect(dc, L + 1, T + 1, R - 1, B - 1, display);
            break;
        }
        default: fillRect(dc, L, T, R, B, display); break;
    }

    const int n = model.cellCount();
    if (n == 0) return;
    const int c = (R - L) / n;
    const int y0 = T + (model.showInscriptions ? 10 : 2);
    const int mid = y0 + (B - y0) / 2;
    const int H = model.showHours() ? 1 : 0;
    const int M = model.showMilliseconds() ? 1 : 0;
    const RECT hoursTens{L + 1, y0, L + c + 1, B}, hoursUnits{L + c - 2, y0, L + 2 * c - 2, B};
    const RECT minutesTens{L + 2 * H * c, y0, L + (2 * H + 1) * c, B};
    const RECT minutesUnits{L + (2 * H + 1) * c - 3, y0, L + (2 * H + 2) * c - 3, B};
    const RECT secondsTens{R - (M + 2) * c + 1, y0, R - (M + 1) * c + 1, B};
    const RECT secondsUnits{R - (M + 1) * c - 2, y0, R - M * c - 2, B};
    const RECT tenths{R - c - 1, y0, R - 1, B};

    const COLORREF digitColor = translateColor(model.digitColor);
    auto colon = [&](const RECT& leftUnits, const RECT& rightTens) {
        int centre = (leftUnits.right + rightTens.left) / 2;
        square(dc, centre, mid - 4, digitColor);
        square(dc, centre, mid + 1, digitColor);
    };
    if (model.showHours()) colon(hoursUnits, minutesTens);
    if (model.showMinutes() && model.showSeconds()) colon(minutesUnits, secondsTens);
    if (model.showMilliseconds())
        square(dc, (secondsUnits.right + tenths.left) / 2, B - 6 + (model.digitStyle() == 2 ? 1 : 0), digitColor);

    HPEN pen = CreatePen(PS_SOLID, 1, digitColor);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    using D = TimeDisplayModel;
    if (model.showHours()) {
        drawDigit(dc, model.digit(D::HoursTens), hoursTens, model.digitStyle());
        drawDigit(dc, model.digit(D::HoursUnits), hoursUnits, model.digitStyle());
    }
    if (model.showMinutes()) {
        drawDigit(dc, model.digit(D::MinutesTens), minutesTens, model.digitStyle());
        drawDigit(dc, model.digit(D::MinutesUnits), minutesUnits, model.digitStyle());
    }
    if (model.showSeconds()) {
        drawDigit(dc, model.digit(D::SecondsTens), secondsTens, model.digitStyle());
        drawDigit(dc, model.digit(D::SecondsUnits), secondsUnits, model.digitStyle());
    }
    if (model.showMilliseconds()) drawDigit(dc, model.digit(D::Tenths), tenths, model.digitStyle());
    SelectObject(dc, oldPen);
    DeleteObject(pen);

    if (!model.showInscriptions) return;
    HFONT font = CreateFontA(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, translateColor(model.inscriptionsColor));
    SetTextAlign(dc, TA_CENTER | TA_TOP);
    if (model.showHours()) TextOutA(dc, L + c + 1, T + 1, "hour", 4);
    if (model.showMinutes()) TextOutA(dc, L + (2 * H + 1) * c, T + 1, "min", 3);
    if (model.showSeconds()) TextOutA(dc, R - (M + 1) * c + 1, T + 1, "sec", 3);
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

}  // namespace sondrel
