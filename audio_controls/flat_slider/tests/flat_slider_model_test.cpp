#include "flat_slider/flat_slider_model.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace {

using sondrel::FlatSliderEffect;
using sondrel::FlatSliderEffects;
using sondrel::FlatSliderModel;
using sondrel::PixelSize;

constexpr PixelSize kTall{20, 209};  // 200 pixels of travel for the default 9-pixel thumb
const FlatSliderEffect kRedraw{FlatSliderEffect::Redraw};
FlatSliderEffect change(LONG v) { return {FlatSliderEffect::FireValueChange, v}; }

// The values of the ValueChange effects among the ticks' effects, until the glide ends.
std::vector<LONG> glide(FlatSliderModel& m, int maxTicks = 200) {
    std::vector<LONG> values;
    for (int i = 0; i < maxTicks && m.animating(); ++i)
        for (const FlatSliderEffect& e : m.tick(true, true))
            if (e.kind == FlatSliderEffect::FireValueChange) values.push_back(e.value);
    return values;
}

TEST(FlatSliderModel, Defaults) {
    FlatSliderModel m;
    EXPECT_EQ(m.value(), 0);
    EXPECT_EQ(m.min(), 0);
    EXPECT_EQ(m.max(), 100);
    EXPECT_EQ(m.orientation(), 1);
    EXPECT_EQ(m.trackStyle, 2);
    EXPECT_EQ(m.trackWidth, 2);
    EXPECT_EQ(m.thumbLength, 9);
    EXPECT_EQ(m.speed, 2.0);
    EXPECT_EQ(m.ticks, VARIANT_FALSE);
    EXPECT_EQ(m.trackBorderColor, 0u);
    EXPECT_EQ(m.trackColor, 0x80000005u);
    EXPECT_EQ(m.enabled, VARIANT_TRUE);
    EXPECT_EQ(m.mousePointer, 1);
    EXPECT_TRUE(m.pointerOutside());
    EXPECT_FALSE(m.hot());
}

TEST(FlatSliderModel, SetValueJumpsWithoutAnEventAndEndsAGlide) {
    FlatSliderModel m;
    m.putValue(80, true);
    ASSERT_TRUE(m.animating());
    EXPECT_EQ(m.setValue(150), FlatSliderEffects{kRedraw});
    EXPECT_EQ(m.value(), 100);
    EXPECT_FALSE(m.animating());
    EXPECT_EQ(m.tick(true, false), FlatSliderEffects{});
    m.setValue(-3);
    EXPECT_EQ(m.value(), 0);
}

TEST(FlatSliderModel, ValuePutGlidesOnlyWhenActiveWithASpeed) {
    FlatSliderModel m;
    EXPECT_EQ(m.putValue(30, false), FlatSliderEffects{kRedraw});
    EXPECT_EQ(m.value(), 30);
    EXPECT_EQ(m.putValue(40, true), FlatSliderEffects{});
    EXPECT_EQ(m.value(), 30);
    EXPECT_EQ(glide(m), (std::vector<LONG>{32, 34, 36, 38, 40, 40}));
    m.speed = 0;
    EXPECT_EQ(m.putValue(7, true), FlatSliderEffects{kRedraw});
    EXPECT_EQ(m.value(), 7);
}

TEST(FlatSliderModel, MinAndMaxKeepARangeAndPullTheValueIn) {
    struct Case {
        LONG putMin, putMax;  // in this order
        LONG min, max;
    } cases[] = {
        {0, 0, 0, 1},  // Max equal to Min would leave an empty range
        {100, 100, 99, 100},
        {50, 10, 50, 51},
        {-10, 5, -10, 5},
        {INT_MIN, INT_MIN, INT_MIN, INT_MIN + 1},
    };
    for (const Case& c : cases) {
        FlatSliderModel m;
        m.putMin(c.putMin);
        m.putMax(c.putMax);
        EXPECT_EQ(m.min(), c.min) << c.putMin << " " << c.putMax;
        EXPECT_EQ(m.max(), c.max) << c.putMin << " " << c.putMax;
    }
    FlatSliderModel m;
    m.setValue(80);
    EXPECT_EQ(m.putMax(50), FlatSliderEffects{kRedraw});
    EXPECT_EQ(m.value(), 50);
    m.putMin(-20);
    m.setValue(-20);
    m.putMin(5);
    EXPECT_EQ(m.value(), 5);
}

TEST(FlatSliderModel, OrientationPutsTheLongSideAlongTheTrack) {
    FlatSliderModel m;
    PixelSize resize{};
    EXPECT_STREQ(m.putOrientation(2, {20, 200}, &resize), "SliderVer01 must have Orientation value 0 or 1");
    EXPECT_EQ(m.orientation(), 1);
    ASSERT_EQ(m.putOrientation(0, {20, 200}, &resize), nullptr);
    EXPECT_EQ(resize, (PixelSize{200, 20}));
    ASSERT_EQ(m.putOrientation(1, {300, 30}, &resize), nullptr);
    EXPECT_EQ(resize, (PixelSize{30, 300}));
    resize = {};
    ASSERT_EQ(m.putOrientation(1, {300, 30}, &resize), nullptr);  // unchanged: no resize
    EXPECT_EQ(resize, (PixelSize{}));
}

TEST(FlatSliderModel, DragToTheTopRisesByTwoPerTickAndStopsAtRelease) {
    FlatSliderModel m;
    EXPECT_EQ(m.mouseDown(10, 0, kTall),
              (FlatSliderEffects{{FlatSliderEffect::Capture}, {FlatSliderEffect::FireMouseDown}}));
    EXPECT_EQ(m.target(), 100);
    EXPECT_TRUE(m.hot());
    EXPECT_EQ(m.tick(true, true), (FlatSliderEffects{change(2), kRedraw}));
    EXPECT_EQ(m.tick(true, true), (FlatSliderEffects{change(4), kRedraw}));
    m.tick(true, true);
    EXPECT_EQ(m.mouseUp(10, 0, kTall), (FlatSliderEffects{kRedraw,
                                                          {FlatSliderEffect::FireMouseUp},
                                                          {FlatSliderEffect::ReleaseCapture}}));
    EXPECT_EQ(m.value(), 6);
    EXPECT_FALSE(m.animating());
    EXPECT_FALSE(m.dragging());
    EXPECT_EQ(m.tick(true, true), FlatSliderEffects{});
}

TEST(FlatSliderModel, DragMapping) {
    struct Case {
        LONG orientation, min, max;
        int x, y;
        PixelSize size;
        LONG target;
    } cases[] = {
        {1, 10, 110, 10, 208, kTall, 10},   // the bottom end of a vertical slider is Min
        {1, 10, 110, 10, 500, kTall, 10},   // beyond it, clamped
        {1, 0, 100, 10, 4, kTall, 100},     // half a thumb from the top is Max
        {1, 0, 100, 10, 104, kTall, 50},
        {0, 0, 100, 4, 10, {209, 20}, 0},   // horizontal: Min at the left
        {0, 0, 100, 104, 10, {209, 20}, 50},
        {0, -50, 50, -30, 10, {209, 20}, -50},
        {1, 0, 100, 10, 4, {20, 9}, 0},     // a thumb as long as the control: no division by zero
    };
    for (const Case& c : cases) {
        FlatSliderModel m;
        PixelSize unused{};
        m.putOrientation(c.orientation, c.size, &unused);
        m.putMax(c.max);
        m.putMin(c.min);
        m.mouseDown(c.x, c.y, c.size);
        EXPECT_EQ(m.target(), c.target) << c.x << "," << c.y;
    }
}

TEST(FlatSliderModel, PressWhileDisabledDoesNothing) {
    FlatSliderModel m;
    m.enabled = VARIANT_FALSE;
    EXPECT_EQ(m.mouseDown(10, 0, kTall), FlatSliderEffects{});
    EXPECT_FALSE(m.dragging());
    EXPECT_FALSE(m.ownsCursor());
}

TEST(FlatSliderModel, HoverFollowsThePointerWhileEnabled) {
    FlatSliderModel m;
    EXPECT_EQ(m.tick(false, true), FlatSliderEffects{});  // not active: nothing
    EXPECT_EQ(m.tick(true, true), FlatSliderEffects{kRedraw});
    EXPECT_TRUE(m.hot());
    EXPECT_EQ(m.tick(true, true), FlatSliderEffects{});
    m.enabled = VARIANT_FALSE;
    EXPECT_EQ(m.tick(true, false), FlatSliderEffects{});
    EXPECT_FALSE(m.pointerOutside());
    m.enabled = VARIANT_TRUE;
    // During a glide the hover change waits for the glide's own redraw.
    m.putValue(50, true);
    EXPECT_EQ(m.tick(true, false), (FlatSliderEffects{change(2), kRedraw}));
    EXPECT_TRUE(m.pointerOutside());
}

TEST(FlatSliderModel, UnusableSpeedsNeverLeaveTheRange) {
    for (double speed : {-2.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        FlatSliderModel m;
        m.speed = speed;
        m.putValue(10, true);
        std::vector<LONG> values = glide(m);
        ASSERT_FALSE(values.empty()) << speed;
        EXPECT_EQ(values.back(), 10) << speed;
        EXPECT_EQ(m.value(), 10) << speed;
        EXPECT_FALSE(m.animating()) << speed;
    }
}

TEST(FlatSliderModel, ThumbOffsetAndSizeRule) {
    FlatSliderModel m;
    m.setValue(50);
    EXPECT_EQ(m.thumbOffset(kTall), 100);           // vertical: (h - 9) * 50 / 100
    PixelSize unused{};
    m.putOrientation(0, kTall, &unused);
    EXPECT_EQ(m.thumbOffset({210, 20}), 100);       // horizontal: (w - 9 - 1) * 50 / 100
    EXPECT_EQ(m.adjustSize({2, 10}), (PixelSize{32, 10}));
    m.putOrientation(1, kTall, &unused);
    EXPECT_EQ(m.adjustSize({2, 10}), (PixelSize{4, 32}));
    EXPECT_EQ(m.adjustSize({40, 400}), (PixelSize{40, 400}));
}

}  // namespace
