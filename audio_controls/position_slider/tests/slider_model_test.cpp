#include "position_slider/slider_model.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace {

using sondrel::PixelSize;
using sondrel::SliderEffect;
using sondrel::SliderEffects;
using sondrel::SliderModel;

constexpr PixelSize kWide{213, 15};  // 200 pixels of travel for the mouse

SliderEffect change(LONG v) { return {SliderEffect::FireValueChange, v}; }
const SliderEffect kRedraw{SliderEffect::Redraw};

TEST(SliderModel, Defaults) {
    SliderModel m;
    EXPECT_EQ(m.min(), 0);
    EXPECT_EQ(m.max(), 100);
    EXPECT_EQ(m.value(), 0);
    EXPECT_EQ(m.speed(), 2.0);
    EXPECT_EQ(m.orientation(), 0);
    EXPECT_EQ(m.borderType(), 2);
    EXPECT_EQ(m.enabled, 1);
    EXPECT_EQ(m.mousePointer, 1);
    EXPECT_EQ(m.backColor, 0x8000000Fu);
    EXPECT_EQ(m.stripColor, 0x80000005u);
    EXPECT_EQ(m.borderColor, 0u);
}

TEST(SliderModel, ValueOutsideTheRangeIsClampedAndShownAtOnceWhenNotActive) {
    SliderModel m;
    EXPECT_EQ(m.putValue(150, false), SliderEffects{kRedraw});
    EXPECT_EQ(m.value(), 100);
    m.putValue(-5, false);
    EXPECT_EQ(m.value(), 0);
    // Active with speed 0 also jumps.
    ASSERT_EQ(m.putSpeed(0), nullptr);
    m.putValue(42, true);
    EXPECT_EQ(m.value(), 42);
    EXPECT_FALSE(m.animating());
}

TEST(SliderModel, MinAndMaxKeepMinBelowMax) {
    struct Case {
        LONG putMin, putMax;  // applied in this order
        LONG min, max;
    } cases[] = {
        {0, 0, 0, 1},         // Max equal to Min stores Min + 1
        {100, 100, 99, 100},  // Min equal to Max stores Max - 1
        {50, 10, 50, 51},     {-10, 5, -10, 5},
        {INT_MIN, INT_MIN, INT_MIN, INT_MIN + 1},
    };
    for (const Case& c : cases) {
        SliderModel m;
        m.putMin(c.putMin);
        m.putMax(c.putMax);
        EXPECT_EQ(m.min(), c.min) << c.putMin << " " << c.putMax;
        EXPECT_EQ(m.max(), c.max) << c.putMin << " " << c.putMax;
        EXPECT_LT(m.min(), m.max());
    }
}

TEST(SliderModel, ShownValueAndGlideTargetFollowANarrowedRange) {
    SliderModel m;
    m.putValue(80, false);
    m.putMax(50);
    EXPECT_EQ(m.value(), 50);
    m.putMin(60);  // 60 >= Max: Min becomes 49
    EXPECT_EQ(m.min(), 49);
    EXPECT_EQ(m.value(), 50);

    // A glide under way never leaves the new range.
    SliderModel g;
    g.putValue(90, true);
    EXPECT_EQ(g.value(), 0);
    EXPECT_EQ(g.target(), 90);
    g.putMax(40);
    EXPECT_EQ(g.target(), 40);
    for (int i = 0; i < 100 && g.animating(); ++i) {
        for (const SliderEffect& e : g.tick(true)) {
            if (e.kind == SliderEffect::FireValueChange) {
                EXPECT_LE(e.value, 40);
            }
        }
    }
    EXPECT_EQ(g.value(), 40);

    SliderModel up;
    up.putValue(10, true);
    up.putMin(20);
    EXPECT_EQ(up.value(), 20);
    EXPECT_EQ(up.target(), 20);
}

TEST(SliderModel, RangeErrorsLeaveTheOldValue) {
    SliderModel m;
    EXPECT_STREQ(m.putSpeed(1000.5), "SliderVer01 must have Speed value between 0 and 1000");
    EXPECT_STREQ(m.putSpeed(-0.1), "SliderVer01 must have Speed value between 0 and 1000");
    EXPECT_EQ(m.speed(), 2.0);
    EXPECT_EQ(m.putSpeed(1000), nullptr);
    EXPECT_STREQ(m.putBorderType(4), "SliderVer01 must have BorderType value between 0 and 3");
    EXPECT_STREQ(m.putBorderType(-1), "SliderVer01 must have BorderType value between 0 and 3");
    EXPECT_EQ(m.borderType(), 2);
    PixelSize resize{0, 0};
    EXPECT_STREQ(m.putOrientation(2, {200, 15}, &resize), "SliderVer01 must have Orientation value 0 or 1");
    EXPECT_EQ(m.orientation(), 0);
}

TEST(SliderModel, OrientationTurnsTheLongerSide) {
    SliderModel m;
    PixelSize resize{0, 0};
    EXPECT_EQ(m.putOrientation(0, {200, 15}, &resize), nullptr);
    EXPECT_EQ(resize, (PixelSize{0, 0}));  // unchanged: nothing happens
    m.putOrientation(1, {200, 15}, &resize);
    EXPECT_EQ(resize, (PixelSize{15, 200}));
    m.putOrientation(0, {15, 120}, &resize);
    EXPECT_EQ(resize, (PixelSize{120, 15}));
}

TEST(SliderModel, SizeRules) {
    SliderModel m;
    EXPECT_EQ(m.adjustSize({10, 40}), (PixelSize{32, 15}));
    EXPECT_EQ(m.adjustSize({300, 4}), (PixelSize{300, 15}));
    PixelSize resize{};
    m.putOrientation(1, {300, 15}, &resize);
    EXPECT_EQ(m.adjustSize({40, 10}), (PixelSize{15, 32}));
    EXPECT_EQ(m.adjustSize({40, 90}), (PixelSize{15, 90}));
}

TEST(SliderModel, GlideFiresOnEveryTickAndOnceMoreAtTheEnd) {
    SliderModel m;
    m.putSpeed(30);  // 30 of the range per tick
    EXPECT_EQ(m.putValue(70, true), SliderEffects{});
    EXPECT_EQ(m.value(), 0);  // not yet there
    EXPECT_EQ(m.tick(true), (SliderEffects{change(30), kRedraw}));
    EXPECT_EQ(m.tick(true), (SliderEffects{change(60), kRedraw}));
    EXPECT_EQ(m.value(), 60);
    EXPECT_EQ(m.tick(true), (SliderEffects{change(70), kRedraw}));
    EXPECT_FALSE(m.animating());
    EXPECT_EQ(m.tick(true), SliderEffects{});
}

TEST(SliderModel, GlideDownwardsAndFractionalSteps) {
    SliderModel m;
    m.putValue(10, false);
    m.putSpeed(2.5);
    m.putValue(5, true);
    EXPECT_EQ(m.tick(true), (SliderEffects{change(7), kRedraw}));  // 7.5 truncated
    EXPECT_EQ(m.value(), 7);
    EXPECT_EQ(m.tick(true), (SliderEffects{change(5), kRedraw}));  // 5.0 exactly
    EXPECT_TRUE(m.animating());
    EXPECT_EQ(m.tick(true), (SliderEffects{change(5), kRedraw}));  // the closing event
    EXPECT_FALSE(m.animating());
    EXPECT_EQ(m.tick(true), SliderEffects{});
}

TEST(SliderModel, TickDoesNothingWhenInactiveOrIdle) {
    SliderModel m;
    m.putValue(50, true);
    EXPECT_EQ(m.tick(false), SliderEffects{});
    EXPECT_EQ(m.value(), 0);
    SliderModel idle;
    EXPECT_EQ(idle.tick(true), SliderEffects{});
}

TEST(SliderModel, DragWithSpeedZeroJumpsOnTheNextTick) {
    SliderModel m;
    m.putSpeed(0);
    EXPECT_EQ(m.mouseDown(), (SliderEffects{{SliderEffect::Capture}, {SliderEffect::FireMouseDown}}));
    EXPECT_TRUE(m.dragging());
    m.mouseMove(106, 7, kWide);
    EXPECT_EQ(m.value(), 0);
    EXPECT_EQ(m.tick(true), (SliderEffects{change(50), kRedraw}));
    EXPECT_EQ(m.value(), 50);
}

TEST(SliderModel, QuickClickMovesOnlyPartOfTheWay) {
    SliderModel m;  // speed 2: two per tick
    m.mouseDown();
    m.mouseMove(206, 7, kWide);
    EXPECT_EQ(m.target(), 100);
    m.tick(true);
    m.tick(true);
    m.mouseMove(206, 7, kWide);
    EXPECT_EQ(m.mouseUp(),
              (SliderEffects{kRedraw, {SliderEffect::FireMouseUp}, {SliderEffect::ReleaseCapture}}));
    EXPECT_EQ(m.value(), 4);
    EXPECT_FALSE(m.animating());
    EXPECT_FALSE(m.dragging());
    EXPECT_EQ(m.tick(true), SliderEffects{});
}

TEST(SliderModel, MoveWithoutDragChangesNothingAndUpFiresAlone) {
    SliderModel m;
    m.mouseMove(150, 7, kWide);
    EXPECT_FALSE(m.animating());
    EXPECT_EQ(m.target(), 0);
    SliderEffects up = m.mouseUp();
    EXPECT_EQ(up[1].kind, SliderEffect::FireMouseUp);
}

TEST(SliderModel, DisabledIgnoresTheButton) {
    SliderModel m;
    m.enabled = VARIANT_FALSE;
    EXPECT_EQ(m.mouseDown(), SliderEffects{});
    EXPECT_FALSE(m.dragging());
    EXPECT_FALSE(m.ownsCursor());
    m.enabled = 5;  // any non-zero value counts as true
    EXPECT_TRUE(m.ownsCursor());
    m.mousePointer = 0;
    EXPECT_FALSE(m.ownsCursor());
}

TEST(SliderModel, DragMapping) {
    SliderModel h;
    struct Case {
        int x;
        LONG value;
    } horizontal[] = {{6, 0}, {0, 0}, {-300, 0}, {106, 50}, {107, 50}, {108, 51}, {206, 100}, {500, 100}};
    for (const Case& c : horizontal) EXPECT_EQ(h.valueAt(c.x, 7, kWide), c.value) << c.x;

    SliderModel v;
    PixelSize resize{};
    v.putOrientation(1, {100, 15}, &resize);
    v.putMax(20);
    v.putMin(10);
    const PixelSize tall{15, 100};
    EXPECT_EQ(v.valueAt(7, 6, tall), 20);
    EXPECT_EQ(v.valueAt(7, tall.cy - 7, tall), 10);
    EXPECT_EQ(v.valueAt(7, -40, tall), 20);
    EXPECT_EQ(v.valueAt(7, 400, tall), 10);
}

TEST(SliderModel, WideRangesAndTracksWithoutTravel) {
    SliderModel m;
    m.putMin(INT_MIN);
    m.putMax(INT_MAX);
    EXPECT_EQ(m.valueAt(206, 7, kWide), INT_MAX);
    EXPECT_EQ(m.valueAt(106, 7, kWide), -1);  // INT_MIN + 100 * (2^32 - 1) / 200
    m.putValue(INT_MAX, false);
    EXPECT_EQ(m.thumbPosition(kWide), 199);
    // No travel: the thumb sits at the start and a drag points at Min.
    EXPECT_EQ(m.thumbPosition({14, 15}), 0);
    EXPECT_EQ(m.thumbPosition({3, 15}), 0);
    EXPECT_EQ(m.valueAt(50, 7, {13, 15}), INT_MIN);
    EXPECT_EQ(m.valueAt(50, 7, {0, 0}), INT_MIN);
}

TEST(SliderModel, ThumbPosition) {
    SliderModel m;
    struct Case {
        LONG value;
        int pos;
    } cases[] = {{0, 0}, {50, 93}, {100, 186}, {33, 61}};
    for (const Case& c : cases) {
        m.putValue(c.value, false);
        EXPECT_EQ(m.thumbPosition({200, 15}), c.pos) << c.value;
    }
}

}  // namespace
