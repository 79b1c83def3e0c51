#include "bitmap_slider/bitmap_slider_view.h"
#include "bitmap_slider/thumb_artwork.h"
#include "resources.h"
#include "tests/canvas.h"
#include "tests/pixels.h"

#include <vector>

namespace {

using sondrel::BitmapSliderModel;
using sondrel::PixelSize;

constexpr COLORREF kBack = RGB(30, 60, 90);
constexpr COLORREF kBorder = RGB(0, 0, 250);

class BitmapSliderPixels : public Pixels {
protected:
    void SetUp() override {
        Pixels::SetUp();
        sondrel::registerModuleResources();
    }
    // Draws the model with the thumb picture the control would take for it.
    void draw(const Canvas& canvas, const BitmapSliderModel& m) {
        const WORD id = sondrel::thumbBitmapId(m.orientation(), m.size(), m.pushed());
        HBITMAP thumb = LoadBitmapA(sondrel::moduleInstance(), MAKEINTRESOURCEA(id));
        ASSERT_NE(thumb, nullptr) << id;
        sondrel::drawBitmapSlider(canvas.dc(), {0, 0, canvas.width(), canvas.height()}, m, thumb);
        DeleteObject(thumb);
    }
};

BitmapSliderModel slider(LONG orientation, LONG size, LONG value) {
    BitmapSliderModel m;
    PixelSize unused{};
    m.putOrientation(orientation, {216, 10}, &unused);
    m.putSize(size, {216, 216}, &unused);
    m.backColor = kBack;
    m.borderColor = kBorder;
    m.putValue(value, false);
    return m;
}

// A picture pixel as the thumb shows it: tinted with the button face.
COLORREF tinted(std::uint32_t argb) {
    BYTE px[4] = {static_cast<BYTE>(argb), static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb >> 16), 255};
    sondrel::tintPixels(1, 1, px, GetRValue(kFace), GetGValue(kFace), GetBValue(kFace));
    return RGB(px[2], px[1], px[0]);
}

// Every pixel of the thumb's picture at (x0, y0) of the canvas.
void expectThumb(const Canvas& canvas, int x0, int y0, int w, int h, bool vertical, bool pushed) {
    const std::vector<std::uint32_t> picture = sondrel::thumbPicture(w, h, vertical, pushed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(canvas.at(x0 + x, y0 + y), tinted(picture[y * w + x])) << x << "," << y;
}

TEST_F(BitmapSliderPixels, HorizontalBackgroundBorderAndTintedThumb) {
    BitmapSliderModel m = slider(0, 0, 50);
    Canvas canvas(216, 10);
    draw(canvas, m);
    EXPECT_EQ(canvas.at(30, 5), kBack);
    EXPECT_EQ(canvas.at(30, 0), kShadow);         // sunken: top
    EXPECT_EQ(canvas.at(0, 5), kShadow);          // and left
    EXPECT_EQ(canvas.at(30, 9), kHighlightText);  // bottom
    EXPECT_EQ(canvas.at(215, 5), kHighlightText); // and right
    EXPECT_EQ(m.thumbOffset({216, 10}), 100);
    expectThumb(canvas, 100, 0, 16, 10, false, false);
    EXPECT_EQ(canvas.at(99, 5), kBack);
    EXPECT_EQ(canvas.at(116, 5), kBack);
}

TEST_F(BitmapSliderPixels, PushedThumbWhileDragging) {
    BitmapSliderModel m = slider(0, 1, 0);
    m.mouseDown(8, 5, {216, 16});
    ASSERT_TRUE(m.pushed());
    Canvas canvas(216, 16);
    draw(canvas, m);
    expectThumb(canvas, 0, 0, 16, 16, false, true);
}

TEST_F(BitmapSliderPixels, VerticalThumbHasMinAtTheBottom) {
    for (LONG value : {0, 100}) {
        BitmapSliderModel m = slider(1, 2, value);
        Canvas canvas(22, 216);
        draw(canvas, m);
        const int top = value == 0 ? 200 : 0;
        expectThumb(canvas, 0, top, 22, 16, true, false);
        EXPECT_EQ(canvas.at(11, value == 0 ? 100 : 116), kBack);
    }
}

TEST_F(BitmapSliderPixels, BorderTypes) {
    struct Case {
        LONG type;
        COLORREF topLeft, bottomRight;
    } cases[] = {{0, kBack, kBack}, {1, kBorder, kBorder}, {3, kHighlightText, kShadow}};
    for (const Case& c : cases) {
        BitmapSliderModel m = slider(0, 0, 100);
        ASSERT_EQ(m.putBorderType(c.type), nullptr);
        Canvas canvas(216, 10);
        draw(canvas, m);
        EXPECT_EQ(canvas.at(30, 0), c.topLeft) << c.type;
        EXPECT_EQ(canvas.at(0, 5), c.topLeft) << c.type;
        EXPECT_EQ(canvas.at(30, 9), c.bottomRight) << c.type;
    }
}

TEST_F(BitmapSliderPixels, ThumbTintFollowsTheButtonFace) {
    BitmapSliderModel m = slider(0, 0, 0);
    windows::setSysColor(COLOR_BTNFACE, RGB(255, 255, 255));  // a white tint keeps the greys
    Canvas canvas(216, 10);
    draw(canvas, m);
    const std::vector<std::uint32_t> picture = sondrel::thumbPicture(16, 10, false, false);
    EXPECT_EQ(canvas.at(3, 5), picture[5 * 16 + 3] & 0xFFFFFF);
}

}  // namespace
