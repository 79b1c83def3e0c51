#include "band_sliders/bands_view.h"

#include "drawing.h"
#include "resources.h"

#include <cstdio>
#include <vector>

namespace sondrel {

namespace {

void border(HDC dc, int w, int h, const BandsModel& m) {
    auto frame = [&](COLORREF topLeft, COLORREF bottomRight) {
        fillRect(dc, 0, 0, w, 1, topLeft);
        fillRect(dc, 0, 0, 1, h, topLeft);
        fillRect(dc, 0, h - 1, w, h, bottomRight);
        fillRect(dc, w - 1, 0, w, h, bottomRight);
    };
    switch (m.borderType()) {
        case 1: frame(translateColor(m.borderColor), translateColor(m.borderColor)); break;
        case 2: frame(GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT)); break;
        case 3: frame(GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW)); break;
        default: break;
    }
}

void ticks(HDC dc, int x0, int y0, int x1, int y1, const BandsModel& m) {
    const COLORREF color = translateColor(m.tickColor);
    const int a = m.sliderType() == 2 ? 5 : 3;
    const int b = m.sliderType() == 2 ? 1 : 0;
    auto mark = [&](int row) {
        fillRect(dc, x0 - a - 1, row, x0 - a + 3, row + 1, color);
        fillRect(dc, x1 + b, row, x1 + b + 4, row + 1, color);
    };
    mark(y0 + 4);
    mark(y1 - 4);
    const double n = (static_cast<double>(m.max()) - m.min()) / m.tickSpacing();
    const double sp = (y1 - y0 - 6) / n;
    for (int i = 1; i < n; ++i) mark(y0 + 3 + static_cast<int>(i * sp));
}

// The thumb picture coloured with the slider colour, as a bitmap of the same size.
HBITMAP tinted(HBITMAP source, COLORREF color) {
    if (!source) return nullptr;
    std::vector<BYTE> px(kBandThumbWidth * kBandThumbHeight * 4);
    if (GetBitmapBits(source, static_cast<LONG>(px.size()), px.data()) != static_cast<LONG>(px.size())) return nullptr;
    tintPixels(kBandThumbWidth, kBandThumbHeight, px.data(), GetRValue(color), GetGValue(color), GetBValue(color));
    return CreateBitmap(kBandThumbWidth, kBandThumbHeight, 1, 32, px.data());
}

void blit(HDC dc, HBITMAP bitmap, int x, int y) {
    if (!bitmap) return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, bitmap);
    BitBlt(dc, x, y, kBandThumbWidth, kBandThumbHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

}  // namespace

void drawBands(HDC target, const RECT& bounds, BandsModel& m, HBITMAP thumb, HBITMAP draggedThumb) {
    const int w = bounds.right - bounds.left;
    const int h = bounds.bottom - bounds.top;
    const BandsLayout l = m.layout(RECT{0, 0, w, h});
    m.sync(l);
    OffscreenDC off(target, bounds);
    HDC dc = off.dc();

    fillRect(dc, 0, 0, w, h, translateColor(m.backColor));
    border(dc, w, h, m);

    const bool look2 = m.sliderType() == 2;
    const COLORREF sliderColor = translateColor(m.sliderColor);
    HBITMAP resting = look2 ? tinted(thumb, sliderColor) : nullptr;
    HBITMAP dragged = look2 ? tinted(draggedThumb, sliderColor) : nullptr;

    HFONT font = CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
    HGDIOBJ previousFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, translateColor(m.inscriptionsColor));

    const int y0 = l.trackTop, y1 = l.trackBottom;
    for (int band = 1; band <= BandsModel::kBands; ++band) {
        const int x0 = l.left[band - 1], x1 = l.right[band - 1];
        const bool hover = m.hovered(band);
        const int offset = static_cast<int>(m.offset(band));
        if (m.showTicks) ticks(dc, x0, y0, x1, y1, m);
        if (!look2) {
            fillSysRect(dc, x0 + 4, y0, x0 + 7, y1, COLOR_BTNHIGHLIGHT);
            fillSysRect(dc, x0 + 4, y0, x0 + 6, y1 - 1, COLOR_BTNSHADOW);
            if (hover) fillSysRect(dc, x0 + 4, y0, x0 + 5, y1 - 2, COLOR_3DDKSHADOW);
            const int t = y0 + offset;
            fillSysRect(dc, x0 - 1, t, x1 + 1, t + 8, COLOR_BTNHIGHLIGHT);
            fillSysRect(dc, x0, t + 1, x1 + 1, t + 8, hover ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW);
            fillRect(dc, x0, t + 1, x1, t + 7, sliderColor);
        } else {
            fillSysRect(dc, x0, y0 - 2, x1 - 1, y1 + 1, hover ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW);
            fillSysRect(dc, x0 + 1, y0 - 1, x1, y1 + 2, COLOR_BTNHIGHLIGHT);
            fillRect(dc, x0 + 1, y0 - 1, x1 - 1, y1 + 1, translateColor(m.slider2BackColor));
            const bool beingDragged = m.dragging() && m.selected() == band;
            blit(dc, beingDragged ? dragged : resting, x0, y0 + offset - 2);
        }
        if (m.horizontalInscriptions()) {
            SetTextAlign(dc, TA_CENTER | TA_TOP);
            const char* caption = BandsModel::kCaptions[band - 1];
            TextOutA(dc, x0 + 4, y1 + (look2 ? 4 : 2), caption, -1);
        }
    }

    if (m.scaleYVisible) {
        char text[16];
        SetTextAlign(dc, TA_RIGHT | TA_TOP);
        const int x = 22 + l.spacing / 2;
        std::snprintf(text, sizeof text, "%ddB", m.max());
        TextOutA(dc, x, y0 - 2, text, -1);
        std::snprintf(text, sizeof text, "%ddB", m.min());
        TextOutA(dc, x, y1 - 9, text, -1);
    }

    SelectObject(dc, previousFont);
    DeleteObject(font);
    if (resting) DeleteObject(resting);
    if (dragged) DeleteObject(dragged);
}

namespace {

// A rounded grey knob with a groove across its middle; the dragged one is lighter.
std::vector<std::uint32_t> thumbPicture(bool dragged) {
    std::vector<std::uint32_t> px(kBandThumbWidth * kBandThumbHeight);
    for (int y = 0; y < kBandThumbHeight; ++y)
        for (int x = 0; x < kBandThumbWidth; ++x) {
            int grey = dragged ? 230 : 200;
            if (x == 0 || y == 0) grey = 250;
            if (x == kBandThumbWidth - 1 || y == kBandThumbHeight - 1) grey = 110;
            if (y == kBandThumbHeight / 2 && x > 1 && x < kBandThumbWidth - 2) grey = 90;
            const auto g = static_cast<std::uint32_t>(grey);
            px[y * kBandThumbWidth + x] = 0xFF000000u | g << 16 | g << 8 | g;
        }
    return px;
}

}  // namespace

void addAudioSlidersBandsArtwork(Artwork& artwork) {
    artwork.add(gdi::ResourceType::Bitmap, IDB_BAND_THUMB, kBandThumbWidth, kBandThumbHeight, thumbPicture(false));
    artwork.add(gdi::ResourceType::Bitmap, IDB_BAND_THUMB_DRAGGED, kBandThumbWidth, kBandThumbHeight,
                thumbPicture(true));
}

}  // namespace sondrel
