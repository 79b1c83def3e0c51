#include "tests/canvas.h"
#include "tests/pixels.h"
#include "position_slider/slider_view.h"
#include "position_slider/slider_model.h"

namespace {

using sondrel::PixelSize;
using sondrel::SliderModel;

constexpr COLORREF kBack = RGB(30, 60, 90);
constexpr COLORREF kStrip = RGB(200, 0, 0);

using SliderPixels = Pixels;

SliderModel slider(LONG value) {
    SliderModel m;
    m.backColor = kBack;
    m.stripColor = kStrip;
    m.putValue(value, false);
    return m;
}

// The thumb's pixels in the horizontal frame: x from the thumb's position, y from the bottom.
struct ThumbPixel {
    int x, fromBottom;
    COLORREF color;
};
const ThumbPixel kThumbPixels[] = {
    {5, 14, kFace},      {2, 8, kFace},      {11, 8, kFace},      {5, 3, kFace},
    {5, 15, kHighlight}, {1, 8, kHighlight}, {5, 11, kHighlight}, {10, 8, kHighlight}, {5, 5, kHighlight},
    {3, 8, kShadow},     {5, 12, kShadow},   {12, 8, kShadow},    {5, 2, kShadow},
    {5, 1, kDark},       {13, 8, kDark},     {7, 11, kDark},      {7, 5, kDark},
    {6, 8, kStrip},  // the groove
};

TEST_F(SliderPixels, HorizontalStripBorderAndThumb) {
    SliderModel m = slider(50);
    Canvas canvas(200, 15);
    sondrel::drawSlider(canvas.dc(), {0, 0, 200, 15}, m);
    const int h = 15;
    const int pos = m.thumbPosition({200, 15});
    ASSERT_EQ(pos, 93);
    EXPECT_EQ(canvas.at(2, 2), kBack);
    EXPECT_EQ(canvas.at(197, 13), kBack);
    EXPECT_EQ(canvas.at(40, 7), kStrip);
    EXPECT_EQ(canvas.at(40, 4), kShadow);          // sunken: top
    EXPECT_EQ(canvas.at(6, 7), kShadow);           // and left
    EXPECT_EQ(canvas.at(40, h - 5), kHighlightText);  // bottom
    EXPECT_EQ(canvas.at(193, 7), kHighlightText);     // and right
    EXPECT_EQ(canvas.at(40, 3), kBack);
    EXPECT_EQ(canvas.at(194, 7), kBack);
    for (const ThumbPixel& p : kThumbPixels)
        EXPECT_EQ(canvas.at(pos + p.x, h - p.fromBottom), p.color) << p.x << "," << p.fromBottom;
    EXPECT_EQ(canvas.at(pos, 7), kStrip);       // the thumb starts one pixel after its position
    EXPECT_EQ(canvas.at(pos + 14, 7), kStrip);  // and is 13 pixels wide
}

TEST_F(SliderPixels, VerticalIsTheSamePictureTurned) {
    SliderModel m = slider(0);
    PixelSize resize{};
    m.putOrientation(1, {200, 15}, &resize);
    m.putValue(50, false);
    Canvas canvas(15, 200);
    sondrel::drawSlider(canvas.dc(), {0, 0, 15, 200}, m);
    const int w = 15, h = 200;
    const int pos = m.thumbPosition({w, h});
    const int y0 = h - pos - 14;
    EXPECT_EQ(canvas.at(7, 20), kStrip);
    EXPECT_EQ(canvas.at(4, 20), kShadow);
    EXPECT_EQ(canvas.at(7, 6), kShadow);
    EXPECT_EQ(canvas.at(10, 20), kHighlightText);
    EXPECT_EQ(canvas.at(7, h - 7), kHighlightText);
    for (const ThumbPixel& p : kThumbPixels)
        EXPECT_EQ(canvas.at(w - p.fromBottom, y0 + p.x), p.color) << p.x << "," << p.fromBottom;
    EXPECT_EQ(y0 + 13, h - pos - 1);  // the thumb's bottom row
    EXPECT_EQ(canvas.at(7, h - pos), kStrip);
}

TEST_F(SliderPixels, MinIsAtTheBottomOfAVerticalSlider) {
    SliderModel m = slider(0);
    PixelSize resize{};
    m.putOrientation(1, {100, 15}, &resize);
    Canvas canvas(15, 100);
    sondrel::drawSlider(canvas.dc(), {0, 0, 15, 100}, m);
    EXPECT_EQ(canvas.at(15 - 8, 100 - 1), kDark);  // bottom row of the thumb
    EXPECT_EQ(canvas.at(15 - 8, 100 - 13), kHighlight);
    EXPECT_EQ(canvas.at(7, 50), kStrip);
}

TEST_F(SliderPixels, BorderTypes) {
    struct Case {
        LONG type;
        COLORREF top, bottom;
    } cases[] = {{0, kStrip, kStrip}, {1, RGB(0, 0, 255), RGB(0, 0, 255)}, {3, kHighlightText, kShadow}};
    for (const Case& c : cases) {
        SliderModel m = slider(100);
        m.borderColor = RGB(0, 0, 255);
        m.putBorderType(c.type);
        Canvas canvas(200, 15);
        sondrel::drawSlider(canvas.dc(), {0, 0, 200, 15}, m);
        EXPECT_EQ(canvas.at(40, 4), c.top) << c.type;
        EXPECT_EQ(canvas.at(6, 7), c.top) << c.type;
        EXPECT_EQ(canvas.at(40, 10), c.bottom) << c.type;
    }
}

// The border runs through its corners in the order top left, bottom left, bottom right, top
// right, each side from one corner up to the next: the bottom left corner belongs to the bottom
// side and the top right corner to the top side.
TEST_F(SliderPixels, BorderCornersFollowTheSides) {
    struct Case {
        LONG type, orientation;
        COLORREF topLeft, bottomLeft, bottomRight, topRight;
    } cases[] = {
        {2, 0, kShadow, kHighlightText, kHighlightText, kShadow},
        {3, 0, kHighlightText, kShadow, kShadow, kHighlightText},
        {1, 0, RGB(0, 0, 255), RGB(0, 0, 255), RGB(0, 0, 255), RGB(0, 0, 255)},
        {2, 1, kShadow, kHighlightText, kHighlightText, kShadow},
        {3, 1, kHighlightText, kShadow, kShadow, kHighlightText},
    };
    for (const Case& c : cases) {
        SliderModel m = slider(50);  // the thumb in the middle, away from the corners
        m.borderColor = RGB(0, 0, 255);
        m.putBorderType(c.type);
        PixelSize resize{};
        m.putOrientation(c.orientation, {200, 15}, &resize);
        const int w = c.orientation == 0 ? 200 : 15, h = c.orientation == 0 ? 15 : 200;
        // Corners of the strip's border; in the vertical frame x and y change places.
        const int ix = c.orientation == 0 ? 6 : 4, iy = c.orientation == 0 ? 4 : 6;
        const POINT tl{ix, iy}, bl{ix, h - iy - 1}, br{w - ix - 1, h - iy - 1}, tr{w - ix - 1, iy};
        Canvas canvas(w, h);
        sondrel::drawSlider(canvas.dc(), {0, 0, w, h}, m);
        EXPECT_EQ(canvas.at(tl.x, tl.y), c.topLeft) << c.type << "/" << c.orientation;
        EXPECT_EQ(canvas.at(bl.x, bl.y), c.bottomLeft) << c.type << "/" << c.orientation;
        EXPECT_EQ(canvas.at(br.x, br.y), c.bottomRight) << c.type << "/" << c.orientation;
        EXPECT_EQ(canvas.at(tr.x, tr.y), c.topRight) << c.type << "/" << c.orientation;
    }
}

TEST_F(SliderPixels, SystemColoursAreTranslatedAtDrawTime) {
    SliderModel m;  // BackColor is the button face, StripColor the window colour
    windows::setSysColor(COLOR_WINDOW, RGB(0, 99, 0));
    Canvas canvas(100, 15);
    sondrel::drawSlider(canvas.dc(), {0, 0, 100, 15}, m);
    EXPECT_EQ(canvas.at(60, 0), kFace);
    EXPECT_EQ(canvas.at(60, 7), RGB(0, 99, 0));
}

TEST_F(SliderPixels, DrawsAtTheBoundsOfTheTarget) {
    SliderModel m = slider(0);
    Canvas canvas(120, 40);
    RECT all{0, 0, 120, 40};
    FillRect(canvas.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    sondrel::drawSlider(canvas.dc(), {10, 20, 110, 35}, m);
    EXPECT_EQ(canvas.at(9, 25), RGB(255, 255, 255));
    EXPECT_EQ(canvas.at(10, 20), kBack);
    EXPECT_EQ(canvas.at(60, 27), kStrip);
    EXPECT_EQ(canvas.at(60, 35), RGB(255, 255, 255));
}

}  // namespace
