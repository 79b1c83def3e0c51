#include "gdi/gdi.h"

#include "canvas.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

TEST(Fill, RightAndBottomEdgesAreExclusive) {
    Canvas c(10, 10);
    HBRUSH red = CreateSolidBrush(kRed);
    RECT r{2, 3, 6, 7};
    EXPECT_EQ(FillRect(c.dc(), &r, red), 1);
    EXPECT_EQ(c.at(2, 3), kRed);
    EXPECT_EQ(c.at(5, 6), kRed);
    EXPECT_EQ(c.at(6, 3), kWhite);
    EXPECT_EQ(c.at(2, 7), kWhite);
    EXPECT_EQ(c.at(1, 3), kWhite);
    EXPECT_EQ(c.at(2, 2), kWhite);
    EXPECT_EQ(c.raw(2, 3), 0xFFFF0000u);
    DeleteObject(red);
}

TEST(Fill, SystemColourBrushesFollowTheTable) {
    Canvas c(4, 4);
    RECT r{0, 0, 2, 2};
    FillRect(c.dc(), &r, reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_BTNFACE + 1)));
    EXPECT_EQ(c.at(0, 0), GetSysColor(COLOR_BTNFACE));
    windows::setSysColor(COLOR_BTNSHADOW, RGB(1, 2, 3));
    HBRUSH shadow = GetSysColorBrush(COLOR_BTNSHADOW);
    EXPECT_TRUE(DeleteObject(shadow));
    FillRect(c.dc(), &r, shadow);
    EXPECT_EQ(c.at(1, 1), RGB(1, 2, 3));
    windows::resetSysColors();
    FillRect(c.dc(), &r, shadow);
    EXPECT_EQ(c.at(1, 1), RGB(128, 128, 128));
}

struct LineCase {
    POINT from, to, lastDrawn, notDrawn;
};

TEST(Lines, LineToLeavesOutItsEndPoint) {
    const LineCase cases[] = {
        {{1, 1}, {6, 1}, {5, 1}, {6, 1}},  // rightward
        {{6, 2}, {1, 2}, {2, 2}, {1, 2}},  // leftward
        {{3, 0}, {3, 5}, {3, 4}, {3, 5}},  // downward
        {{0, 0}, {5, 5}, {4, 4}, {5, 5}},  // diagonal
        {{0, 3}, {6, 1}, {5, 1}, {6, 1}},  // shallow slope
    };
    for (const LineCase& lc : cases) {
        Canvas c(10, 10);
        SelectObject(c.dc(), GetStockObject(BLACK_PEN));
        POINT previous{};
        MoveToEx(c.dc(), lc.from.x, lc.from.y, nullptr);
        EXPECT_TRUE(LineTo(c.dc(), lc.to.x, lc.to.y));
        EXPECT_EQ(c.at(lc.from.x, lc.from.y), kBlack) << lc.to.x << "," << lc.to.y;
        EXPECT_EQ(c.at(lc.lastDrawn.x, lc.lastDrawn.y), kBlack) << lc.to.x << "," << lc.to.y;
        EXPECT_EQ(c.at(lc.notDrawn.x, lc.notDrawn.y), kWhite) << lc.to.x << "," << lc.to.y;
        MoveToEx(c.dc(), 0, 0, &previous);
        EXPECT_EQ(previous.x, lc.to.x);
        EXPECT_EQ(previous.y, lc.to.y);
    }
}

TEST(Lines, HorizontalLineCoversExactlyItsPixels) {
    Canvas c(12, 3);
    HPEN red = CreatePen(PS_SOLID, 1, kRed);
    HGDIOBJ old = SelectObject(c.dc(), red);
    MoveToEx(c.dc(), 2, 1, nullptr);
    LineTo(c.dc(), 9, 1);
    for (int x = 0; x < 12; ++x) {
        EXPECT_EQ(c.at(x, 1), x >= 2 && x < 9 ? kRed : kWhite) << x;
        EXPECT_EQ(c.at(x, 0), kWhite);
        EXPECT_EQ(c.at(x, 2), kWhite);
    }
    const POINT path[] = {{0, 0}, {4, 0}, {4, 2}};
    EXPECT_TRUE(Polyline(c.dc(), path, 3));
    EXPECT_EQ(c.at(4, 0), kRed);
    EXPECT_EQ(c.at(4, 1), kRed);
    EXPECT_EQ(c.at(4, 2), kWhite);
    SelectObject(c.dc(), old);
    DeleteObject(red);
}

TEST(Shapes, RectangleOutlinesInsideItsBoundsAndFillsTheMiddle) {
    Canvas c(12, 12);
    HBRUSH blue = CreateSolidBrush(kBlue);
    SelectObject(c.dc(), blue);
    SelectObject(c.dc(), GetStockObject(BLACK_PEN));
    EXPECT_TRUE(Rectangle(c.dc(), 2, 2, 8, 7));
    EXPECT_EQ(c.at(2, 2), kBlack);
    EXPECT_EQ(c.at(7, 2), kBlack);
    EXPECT_EQ(c.at(7, 6), kBlack);
    EXPECT_EQ(c.at(2, 6), kBlack);
    EXPECT_EQ(c.at(8, 4), kWhite);
    EXPECT_EQ(c.at(4, 7), kWhite);
    EXPECT_EQ(c.at(3, 3), kBlue);
    EXPECT_EQ(c.at(6, 5), kBlue);
    // Without a pen the filled area ends one pixel short on the right and at the bottom.
    SelectObject(c.dc(), GetStockObject(NULL_PEN));
    c.clear(kWhite);
    Rectangle(c.dc(), 2, 2, 8, 7);
    EXPECT_EQ(c.at(2, 2), kBlue);
    EXPECT_EQ(c.at(6, 5), kBlue);
    EXPECT_EQ(c.at(7, 5), kWhite);
    EXPECT_EQ(c.at(6, 6), kWhite);
    SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
    DeleteObject(blue);
}

TEST(Shapes, PolygonAndEllipseInteriors) {
    Canvas c(40, 40);
    HBRUSH blue = CreateSolidBrush(kBlue);
    HPEN red = CreatePen(PS_SOLID, 1, kRed);
    SelectObject(c.dc(), blue);
    SelectObject(c.dc(), red);
    const POINT triangle[] = {{2, 2}, {30, 2}, {2, 30}};
    EXPECT_TRUE(Polygon(c.dc(), triangle, 3));
    EXPECT_EQ(c.at(8, 8), kBlue);
    EXPECT_EQ(c.at(2, 2), kRed);
    EXPECT_EQ(c.at(30, 2), kRed);
    EXPECT_EQ(c.at(2, 30), kRed);
    EXPECT_EQ(c.at(16, 2), kRed);
    EXPECT_EQ(c.at(25, 25), kWhite);

    c.clear(kWhite);
    EXPECT_TRUE(Ellipse(c.dc(), 0, 0, 21, 21));
    EXPECT_EQ(c.at(10, 10), kBlue);
    EXPECT_EQ(c.at(0, 10), kRed);
    EXPECT_EQ(c.at(20, 10), kRed);
    EXPECT_EQ(c.at(10, 0), kRed);
    EXPECT_EQ(c.at(10, 20), kRed);
    EXPECT_EQ(c.at(1, 1), kWhite);
    EXPECT_EQ(c.at(20, 20), kWhite);
    EXPECT_EQ(c.at(21, 10), kWhite);
    SelectObject(c.dc(), GetStockObject(WHITE_BRUSH));
    SelectObject(c.dc(), GetStockObject(BLACK_PEN));
    DeleteObject(blue);
    DeleteObject(red);
}

TEST(Edges, RaisedEdgeTakesItsColoursFromTheSystemTable) {
    // Distinct colours show which system colour each ring uses.
    windows::setSysColor(COLOR_3DLIGHT, RGB(1, 1, 1));
    windows::setSysColor(COLOR_BTNHIGHLIGHT, RGB(2, 2, 2));
    windows::setSysColor(COLOR_BTNSHADOW, RGB(3, 3, 3));
    windows::setSysColor(COLOR_3DDKSHADOW, RGB(4, 4, 4));
    windows::setSysColor(COLOR_BTNFACE, RGB(5, 5, 5));
    Canvas c(12, 12);
    RECT r{1, 1, 11, 11};
    EXPECT_TRUE(DrawEdge(c.dc(), &r, EDGE_RAISED, BF_RECT | BF_MIDDLE));
    EXPECT_EQ(c.at(1, 5), RGB(1, 1, 1));   // outer left
    EXPECT_EQ(c.at(5, 1), RGB(1, 1, 1));   // outer top
    EXPECT_EQ(c.at(2, 5), RGB(2, 2, 2));   // inner left
    EXPECT_EQ(c.at(5, 2), RGB(2, 2, 2));   // inner top
    EXPECT_EQ(c.at(9, 5), RGB(3, 3, 3));   // inner right
    EXPECT_EQ(c.at(5, 9), RGB(3, 3, 3));   // inner bottom
    EXPECT_EQ(c.at(10, 5), RGB(4, 4, 4));  // outer right
    EXPECT_EQ(c.at(5, 10), RGB(4, 4, 4));  // outer bottom
    EXPECT_EQ(c.at(10, 1), RGB(4, 4, 4));  // the far corners belong to the shadow
    EXPECT_EQ(c.at(1, 10), RGB(4, 4, 4));
    EXPECT_EQ(c.at(5, 5), RGB(5, 5, 5));
    EXPECT_EQ(c.at(0, 0), kWhite);
    EXPECT_EQ(c.at(11, 11), kWhite);

    RECT sunken{0, 0, 12, 12};
    EXPECT_TRUE(DrawEdge(c.dc(), &sunken, EDGE_SUNKEN, BF_RECT | BF_ADJUST));
    EXPECT_EQ(c.at(0, 5), RGB(3, 3, 3));
    EXPECT_EQ(c.at(1, 5), RGB(4, 4, 4));
    EXPECT_EQ(c.at(11, 5), RGB(2, 2, 2));
    EXPECT_EQ(c.at(10, 5), RGB(1, 1, 1));
    EXPECT_EQ(sunken.left, 2);
    EXPECT_EQ(sunken.bottom, 10);
    windows::resetSysColors();
}

TEST(Bitmaps, BitBltCopiesTheSourceRectangle) {
    Canvas source(8, 8, kBlue);
    RECT r{2, 2, 4, 4};
    HBRUSH red = CreateSolidBrush(kRed);
    FillRect(source.dc(), &r, red);
    DeleteObject(red);

    HDC dc = CreateCompatibleDC(source.dc());
    HBITMAP bitmap = CreateCompatibleBitmap(source.dc(), 10, 10);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, 10, 10};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_TRUE(BitBlt(dc, 5, 5, 4, 4, source.dc(), 1, 1, SRCCOPY));
    EXPECT_EQ(GetPixel(dc, 5, 5), kBlue);
    EXPECT_EQ(GetPixel(dc, 6, 6), kRed);
    EXPECT_EQ(GetPixel(dc, 7, 7), kRed);
    EXPECT_EQ(GetPixel(dc, 8, 8), kBlue);
    EXPECT_EQ(GetPixel(dc, 9, 9), kWhite);
    EXPECT_EQ(GetPixel(dc, 4, 5), kWhite);
    // A copy reaching past the source leaves the rest of the destination alone.
    EXPECT_TRUE(BitBlt(dc, 0, 0, 10, 10, source.dc(), 6, 6, SRCCOPY));
    EXPECT_EQ(GetPixel(dc, 1, 1), kBlue);
    EXPECT_EQ(GetPixel(dc, 2, 2), kWhite);
    EXPECT_FALSE(BitBlt(dc, 0, 0, 1, 1, source.dc(), 0, 0, 0x00EE0086));

    BITMAP info{};
    EXPECT_EQ(GetObject(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 10);
    EXPECT_EQ(info.bmHeight, 10);
    EXPECT_EQ(info.bmBitsPixel, 32);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(Bitmaps, DibBitsAreBlueGreenRedAlphaAndBottomUpWhenAskedSo) {
    Canvas c(3, 2, RGB(10, 20, 30));
    SetPixel(c.dc(), 0, 1, RGB(40, 50, 60));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = 2;  // bottom-up: the first row given is the picture's last
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<BYTE> bytes(3 * 2 * 4);
    EXPECT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, 2, bytes.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(std::vector<BYTE>(bytes.begin(), bytes.begin() + 8),
              (std::vector<BYTE>{60, 50, 40, 255, 30, 20, 10, 255}));
    EXPECT_EQ(bytes[12], 30);

    bytes[0] = 1;  // blue of the bottom-left pixel
    bytes[1] = 2;
    bytes[2] = 3;
    EXPECT_EQ(SetDIBits(c.dc(), c.bitmap(), 0, 2, bytes.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(c.at(0, 1), RGB(3, 2, 1));
    EXPECT_EQ(c.at(0, 0), RGB(10, 20, 30));

    info.bmiHeader.biHeight = -2;
    EXPECT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, 2, bytes.data(), &info, DIB_RGB_COLORS), 2);
    EXPECT_EQ(bytes[12], 1);
    info.bmiHeader.biBitCount = 24;
    EXPECT_EQ(GetDIBits(c.dc(), c.bitmap(), 0, 2, bytes.data(), &info, DIB_RGB_COLORS), 0);
}

TEST(Bitmaps, BottomUpDibSectionSharesItsMemory) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = 3;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, dib);
    SetPixel(dc, 0, 2, RGB(9, 8, 7));
    auto* words = static_cast<std::uint32_t*>(bits);
    EXPECT_EQ(words[0], 0xFF090807u);
    words[4 * 2 + 3] = 0xFF112233u;  // top-right pixel
    EXPECT_EQ(GetPixel(dc, 3, 0), RGB(0x11, 0x22, 0x33));
    DIBSECTION ds{};
    EXPECT_EQ(GetObject(dib, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBmih.biHeight, 3);
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
}

TEST(Bitmaps, DeviceBitsAreTopDownAndCopyIntoANewBitmap) {
    Canvas c(2, 2, RGB(1, 2, 3));
    SetPixel(c.dc(), 1, 0, RGB(200, 100, 50));
    std::uint32_t pixels[4] = {};
    EXPECT_EQ(GetBitmapBits(c.bitmap(), sizeof pixels, pixels), 16);
    EXPECT_EQ(pixels[1], 0xFFC86432u);
    EXPECT_EQ(pixels[2], 0xFF010203u);
    pixels[3] = 0xFF0A0B0Cu;
    HBITMAP copy = CreateBitmap(2, 2, 1, 32, pixels);
    ASSERT_NE(copy, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, copy);
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(200, 100, 50));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(10, 11, 12));
    EXPECT_EQ(SetBitmapBits(copy, 8, pixels + 2), 8);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(1, 2, 3));
    SelectObject(dc, old);
    DeleteObject(copy);
    DeleteDC(dc);
    EXPECT_EQ(CreateBitmap(2, 2, 1, 8, nullptr), nullptr);
}

TEST(Objects, HandlesAreCheckedAndSelectedObjectsOutliveDeletion) {
    Canvas c(4, 4);
    HBRUSH red = CreateSolidBrush(kRed);
    HGDIOBJ old = SelectObject(c.dc(), red);
    EXPECT_EQ(old, GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DeleteObject(red));
    EXPECT_FALSE(DeleteObject(red));
    EXPECT_TRUE(Rectangle(c.dc(), 0, 0, 4, 4));
    EXPECT_EQ(c.at(1, 1), kRed);
    SelectObject(c.dc(), old);

    // A bitmap lives in one DC at a time.
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, c.bitmap()), nullptr);
    EXPECT_EQ(SelectObject(other, reinterpret_cast<HGDIOBJ>(0x1234)), nullptr);
    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(0x1234)));
    EXPECT_EQ(GetDeviceCaps(other, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(other, LOGPIXELSY), 96);
    EXPECT_TRUE(DeleteDC(other));

    LOGPEN lp{};
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
    EXPECT_EQ(GetObject(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
    EXPECT_EQ(lp.lopnWidth.x, 3);
    EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
    DeleteObject(pen);
    EXPECT_EQ(GetPixel(c.dc(), 4, 0), CLR_INVALID);
}

}  // namespace
