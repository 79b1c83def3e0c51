#include "tests/canvas.h"
#include "tests/gdiplus_test.h"
#include "volume_wedge/wedge_view.h"

#include <gtest/gtest.h>

namespace {

using sondrel::WedgeModel;

constexpr COLORREF kColor = RGB(255, 0, 0);
constexpr COLORREF kShadowColor = RGB(192, 0, 0);
constexpr COLORREF kBack = RGB(0, 0, 120);
constexpr COLORREF kWhite = RGB(255, 255, 255);

class WedgePixels : public GdiplusTest {
protected:
    void SetUp() override {
        GdiplusTest::SetUp();
        if (HasFatalFailure()) return;
        m.putColor(kColor);
        m.backColor = sondrel::argbFromColor(kBack);
    }
    void draw(Canvas& canvas) { sondrel::drawWedge(canvas.dc(), {0, 0, canvas.width(), canvas.height()}, m); }

    WedgeModel m{0};
};

TEST_F(WedgePixels, LyingWedgeWithItsThumbAtMin) {
    Canvas canvas(50, 21);
    draw(canvas);
    EXPECT_EQ(canvas.at(45, 14), kColor);  // inside the triangle
    EXPECT_EQ(canvas.at(20, 4), kBack);    // above its slope
    EXPECT_EQ(canvas.at(30, 17), kWhite);  // the highlighted bottom edge
    // The thumb at x 0: filled, white top and left, shaded right and bottom.
    EXPECT_EQ(canvas.at(4, 10), kColor);
    EXPECT_EQ(canvas.at(4, 0), kWhite);
    EXPECT_EQ(canvas.at(0, 10), kWhite);
    EXPECT_EQ(canvas.at(9, 10), kShadowColor);
    EXPECT_EQ(canvas.at(4, 20), kShadowColor);
    EXPECT_EQ(canvas.at(10, 10), kBack);
}

TEST_F(WedgePixels, TheSlopeTakesTheHighlightWhileHovered) {
    Canvas plain(50, 21), hovered(50, 21);
    draw(plain);
    m.tick(true, 25, 10);
    ASSERT_TRUE(m.hoverLook());
    draw(hovered);
    int shaded = 0, white = 0;
    for (int x = 12; x < 45; ++x)
        for (int y = 3; y < 17; ++y) {
            shaded += plain.at(x, y) == kShadowColor;
            white += hovered.at(x, y) == kWhite;
        }
    EXPECT_GT(shaded, 25);
    EXPECT_EQ(white, shaded);
}

TEST_F(WedgePixels, ThumbPositionsOfTheStyles) {
    struct Case {
        LONG style;
        LONG value;
        int x, y;  // a point inside the thumb
    } cases[] = {{0, 100, 44, 10}, {1, 50, 24, 10}, {2, 0, 44, 10}, {3, 100, 4, 10},
                 {4, 0, 10, 44},   {5, 100, 10, 4}, {6, 0, 10, 4},  {7, 100, 10, 44}};
    for (const Case& c : cases) {
        m.putStyle(c.style);
        m.putValue(c.value, false);
        Canvas canvas(m.size().cx, m.size().cy);
        draw(canvas);
        EXPECT_EQ(canvas.at(c.x, c.y), kColor) << c.style;
        if (m.upright()) EXPECT_EQ(canvas.at(c.x, c.y - 4), kWhite) << c.style;  // the thumb's top edge
        else EXPECT_EQ(canvas.at(c.x - 4, c.y), kWhite) << c.style;            // its left edge
    }
}

TEST_F(WedgePixels, AnUnknownStyleShowsOnlyTheBackground) {
    m.putStyle(9);
    Canvas canvas(21, 50);
    draw(canvas);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 21; ++x) ASSERT_EQ(canvas.at(x, y), kBack) << x << "," << y;
}

}  // namespace
