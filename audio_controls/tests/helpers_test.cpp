#include "helpers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using sondrel::colorFromHsv;
using sondrel::hsvFromColor;

TEST(Hsv, ColoursFromHueSaturationValue) {
    struct Case {
        int h, s, v;
        COLORREF rgb;
    } cases[] = {
        {0, 255, 255, RGB(255, 0, 0)},     {85, 255, 255, RGB(0, 255, 0)},  {170, 255, 255, RGB(0, 0, 255)},
        {0, 0, 128, RGB(128, 128, 128)},   {42, 255, 255, RGB(255, 250, 0)}, {255, 255, 255, RGB(255, 0, 0)},
        {212, 255, 200, RGB(196, 0, 200)}, {0, 255, 0, RGB(0, 0, 0)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(colorFromHsv(c.h, c.s, c.v), c.rgb) << c.h << "," << c.s << "," << c.v;
}

TEST(Hsv, HueSaturationValueFromColours) {
    struct Case {
        COLORREF rgb;
        int h, s, v;
    } cases[] = {
        {RGB(255, 0, 0), 0, 255, 255},    {RGB(0, 255, 0), 85, 255, 255}, {RGB(0, 0, 255), 170, 255, 255},
        {RGB(80, 80, 80), 0, 0, 80},      {RGB(0, 0, 0), 0, 0, 0},        {RGB(255, 0, 128), 233, 255, 255},
        {RGB(100, 200, 50), 70, 191, 200},
    };
    for (const Case& c : cases) {
        sondrel::Hsv hsv = hsvFromColor(c.rgb);
        EXPECT_EQ(hsv.hue, c.h) << std::hex << c.rgb;
        EXPECT_EQ(hsv.saturation, c.s) << std::hex << c.rgb;
        EXPECT_EQ(hsv.value, c.v) << std::hex << c.rgb;
    }
}

TEST(Hsv, LoweringTheValueDarkensTheSameHue) {
    sondrel::Hsv hsv = hsvFromColor(RGB(200, 100, 50));
    COLORREF darker = colorFromHsv(hsv.hue, hsv.saturation, hsv.value - 60);
    EXPECT_LT(GetRValue(darker), 200);
    EXPECT_GT(GetRValue(darker), GetGValue(darker));
    EXPECT_GT(GetGValue(darker), GetBValue(darker));
}

std::vector<BYTE> greyRamp() {
    std::vector<BYTE> px;
    for (int i = 0; i < 256; ++i) px.insert(px.end(), {BYTE(i), BYTE(i), BYTE(i), BYTE(255 - i)});
    return px;
}

TEST(Tint, BrightTintScalesEachChannelByItsShare) {
    std::vector<BYTE> px = greyRamp();
    sondrel::tintPixels(256, 1, px.data(), 200, 100, 0);
    for (int i : {0, 64, 129, 200, 255}) {
        EXPECT_EQ(px[4 * i + 0], 0) << i;                       // blue
        EXPECT_EQ(px[4 * i + 1], MulDiv(100, i, 200)) << i;     // green
        EXPECT_EQ(px[4 * i + 2], MulDiv(200, i, 200)) << i;     // red
        EXPECT_EQ(px[4 * i + 3], 255 - i) << i;                 // alpha stays
    }
}

TEST(Tint, DarkTintTurnsTheDarkHalfWhite) {
    std::vector<BYTE> px = greyRamp();
    // The largest channel is below 190, so 190 divides.
    sondrel::tintPixels(16, 16, px.data(), 90, 20, 10);
    for (int i : {0, 100, 129}) {
        EXPECT_EQ(px[4 * i + 0], 255) << i;
        EXPECT_EQ(px[4 * i + 2], 255) << i;
    }
    EXPECT_EQ(px[4 * 130 + 2], MulDiv(90, 130, 190));
    EXPECT_EQ(px[4 * 255 + 1], MulDiv(20, 255, 190));
}

TEST(Tint, ABrightChannelWithTooSmallASumStillCountsAsDark) {
    std::vector<BYTE> px = greyRamp();
    sondrel::tintPixels(256, 1, px.data(), 100, 0, 0);  // a channel of 96 or more, but the sum is below 128
    EXPECT_EQ(px[4 * 10 + 2], 255);
    EXPECT_EQ(px[4 * 200 + 2], MulDiv(100, 200, 190));
    px = greyRamp();
    sondrel::tintPixels(256, 1, px.data(), 95, 20, 20);  // sum 135 but no channel reaches 96
    EXPECT_EQ(px[4 * 10 + 2], 255);
}

TEST(Geometry, SignAndCircle) {
    EXPECT_EQ(sondrel::Sign(-0.5), 1);
    EXPECT_EQ(sondrel::Sign(0), -1);
    EXPECT_EQ(sondrel::Sign(3), -1);
    EXPECT_TRUE(sondrel::insideCircle(3, 4, 5));
    EXPECT_TRUE(sondrel::insideCircle(0, 0, 0));
    EXPECT_FALSE(sondrel::insideCircle(3, 4, 4));
    EXPECT_FALSE(sondrel::insideCircle(-6, 0, 5));
    // Squares that would wrap in 32 bits stay far outside.
    EXPECT_FALSE(sondrel::insideCircle(46341, 46341, 10));
    EXPECT_FALSE(sondrel::insideCircle(65536, 0, 10));
}

}  // namespace
