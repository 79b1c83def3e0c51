#include "amp_bar/amp_bar_view.h"
#include "tests/canvas.h"
#include "tests/gdiplus_test.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using sondrel::AmpBarModel;

constexpr COLORREF kTick = RGB(0, 255, 0);
constexpr COLORREF kPick = RGB(255, 0, 0);
constexpr COLORREF kBack = RGB(0xE1, 0xE1, 0xE1);

class AmpBarPixels : public GdiplusTest {
protected:

    Canvas& draw(const AmpBarModel& m, int width, int height) {
        canvas_ = std::make_unique<Canvas>(width, height);
        sondrel::drawAmpBar(canvas_->dc(), {0, 0, width, height}, m);
        return *canvas_;
    }
    static AmpBarModel bar(LONG style, LONG value, LONG borderType = 2) {
        AmpBarModel m;
        m.putStyle(style);
        m.putBorderType(borderType);
        m.putValue(value, false);
        return m;
    }

    std::unique_ptr<Canvas> canvas_;
};

TEST_F(AmpBarPixels, TicksStartAfterTheBorderAndTurnToThePickColour) {
    Canvas& c = draw(bar(2, 100), 100, 10);
    const struct {
        int x;
        COLORREF color;
    } samples[] = {{1, kTick}, {2, kTick}, {3, kBack}, {4, kTick}, {73, kTick}, {74, kTick}, {75, kBack},
                   {76, kPick}, {77, kPick}, {78, kBack}, {97, kPick}};
    for (const auto& s : samples) EXPECT_EQ(c.at(s.x, 5), s.color) << s.x;
    EXPECT_EQ(c.at(50, 0), RGB(0x10, 0, 0));  // sunken border: top
    EXPECT_EQ(c.at(50, 9), RGB(0x14, 0, 0));  // bottom

    // Without a border the ticks start at 0; a bar at half shows no pick ticks.
    Canvas& half = draw(bar(2, 50, 0), 100, 10);
    EXPECT_EQ(half.at(0, 5), kTick);
    EXPECT_EQ(half.at(2, 5), kBack);
    EXPECT_EQ(half.at(48, 5), kTick);
    EXPECT_EQ(half.at(51, 5), kBack);
}

TEST_F(AmpBarPixels, SolidBarWithAGradientIntoThePickZone) {
    // Pick width 25 of 200 px: solid to 126, gradient to 174, pick colour beyond.
    Canvas& full = draw(bar(1, 100, 0), 200, 10);
    EXPECT_EQ(full.at(0, 5), kTick);
    EXPECT_EQ(full.at(125, 5), kTick);
    const COLORREF mid = full.at(150, 5);
    EXPECT_GT(GetRValue(mid), 60);
    EXPECT_GT(GetGValue(mid), 60);
    EXPECT_LT(GetRValue(full.at(130, 5)), GetRValue(full.at(170, 5)));
    EXPECT_EQ(full.at(174, 5), kPick);
    EXPECT_EQ(full.at(199, 5), kPick);

    Canvas& half = draw(bar(1, 50, 0), 200, 10);
    EXPECT_EQ(half.at(99, 5), kTick);
    EXPECT_EQ(half.at(100, 5), kBack);
}

TEST_F(AmpBarPixels, StyleTwoWithoutGapsIsSolidInTwoColours) {
    AmpBarModel m = bar(2, 100, 0);
    m.tickInterval = 0;
    Canvas& c = draw(m, 200, 10);
    EXPECT_EQ(c.at(149, 5), kTick);
    EXPECT_EQ(c.at(150, 5), kPick);
    EXPECT_EQ(c.at(199, 5), kPick);
}

TEST_F(AmpBarPixels, VerticalBarsGrowUpward) {
    AmpBarModel m = bar(1, 50, 0);
    m.putOrientation(1);
    Canvas& solid = draw(m, 20, 100);
    EXPECT_EQ(solid.at(10, 99), kTick);
    EXPECT_EQ(solid.at(10, 50), kTick);
    EXPECT_EQ(solid.at(10, 49), kBack);

    AmpBarModel t = bar(2, 100, 0);
    t.putOrientation(1);
    Canvas& ticks = draw(t, 20, 100);
    EXPECT_EQ(ticks.at(10, 99), kTick);
    EXPECT_EQ(ticks.at(10, 98), kTick);
    EXPECT_EQ(ticks.at(10, 97), kBack);
    EXPECT_EQ(ticks.at(10, 50), kTick);
    EXPECT_EQ(ticks.at(10, 24), kPick);
    EXPECT_EQ(ticks.at(10, 22), kBack);
    EXPECT_EQ(ticks.at(10, 2), kPick);
}

TEST_F(AmpBarPixels, SettingsThatWouldNeverEndOrLeaveTheBarAreDrawnSafely) {
    AmpBarModel m = bar(2, 100, 0);
    m.tickWidth = -1;  // a tick and its gap add up to nothing
    Canvas& solid = draw(m, 200, 10);
    EXPECT_EQ(solid.at(100, 5), kTick);
    EXPECT_EQ(solid.at(160, 5), kPick);

    AmpBarModel wide = bar(2, 100, 0);
    wide.tickInterval = 0;
    wide.pickWidthPercent = 150;  // all of the bar
    Canvas& pick = draw(wide, 200, 10);
    EXPECT_EQ(pick.at(0, 5), kPick);
    EXPECT_EQ(pick.at(199, 5), kPick);
}

TEST_F(AmpBarPixels, BorderColourAndBounds) {
    AmpBarModel m = bar(1, 0, 1);
    m.borderColor = 0xFF0000FF;
    Canvas c(120, 40);
    RECT all{0, 0, 120, 40};
    FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    sondrel::drawAmpBar(c.dc(), {10, 20, 110, 30}, m);
    EXPECT_EQ(c.at(5, 25), RGB(255, 255, 255));
    EXPECT_EQ(c.at(50, 10), RGB(255, 255, 255));
    EXPECT_EQ(c.at(10, 25), RGB(0, 0, 255));
    EXPECT_EQ(c.at(109, 25), RGB(0, 0, 255));
    EXPECT_EQ(c.at(50, 29), RGB(0, 0, 255));
    EXPECT_EQ(c.at(50, 25), kBack);
}

TEST_F(AmpBarPixels, TicksFollowTheBoundsOrigin) {
    Canvas c(130, 10);
    sondrel::drawAmpBar(c.dc(), {30, 0, 130, 10}, bar(2, 100));
    EXPECT_EQ(c.at(31, 5), kTick);
    EXPECT_EQ(c.at(33, 5), kBack);
    EXPECT_EQ(c.at(106, 5), kPick);
}

}  // namespace
