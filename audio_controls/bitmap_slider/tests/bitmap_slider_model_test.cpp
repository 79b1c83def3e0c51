#include "bitmap_slider/bitmap_slider_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

using sondrel::BitmapSliderEffect;
using sondrel::BitmapSliderEffects;
using sondrel::BitmapSliderModel;
using sondrel::PixelSize;

constexpr PixelSize kWide{216, 10};  // 200 pixels of travel for the 16-pixel thumb
const BitmapSliderEffect kRedraw{BitmapSliderEffect::Redraw};
BitmapSliderEffect change(LONG v) { return {BitmapSliderEffect::FireValueChange, v}; }

TEST(BitmapSliderModel, Defaults) {
    BitmapSliderModel m;
    EXPECT_EQ(m.value(), 0);
    EXPECT_EQ(m.min(), 0);
    EXPECT_EQ(m.max(), 100);
    EXPECT_EQ(m.speed(), 2.0);
    EXPECT_EQ(m.borderType(), 2);
    EXPECT_EQ(m.orientation(), 0);
    EXPECT_EQ(m.size(), 0);
    EXPECT_EQ(m.thickness(), 10);
    EXPECT_EQ(m.pushEnabled, VARIANT_TRUE);
    EXPECT_EQ(m.enabled, VARIANT_TRUE);
    EXPECT_EQ(m.mousePointer, 1);
    EXPECT_EQ(m.backColor, 0x8000000Fu);
    EXPECT_EQ(m.borderColor, 0u);
}

TEST(BitmapSliderModel, RangeErrorsKeepTheStoredValue) {
    const char* const speed = "SliderVer01 must have Speed value between 0 and 1000";
    const char* const border = "SliderVer01 must have BorderType value between 0 and 3";
    const char* const orientation = "SliderVer01 must have Orientation value 0 or 1";
    const char* const size = "SliderVer01 must have Size value between 0 and 2";
    BitmapSliderModel m;
    PixelSize resize{};
    for (double v : {1001.0, -0.5, std::numeric_limits<double>::quiet_NaN()}) EXPECT_STREQ(m.putSpeed(v), speed) << v;
    EXPECT_EQ(m.putSpeed(1000), nullptr);
    EXPECT_EQ(m.putSpeed(0), nullptr);
    EXPECT_EQ(m.speed(), 0);
    for (LONG v : {4, -1}) EXPECT_STREQ(m.putBorderType(v), border) << v;
    EXPECT_EQ(m.borderType(), 2);
    for (LONG v : {2, -1}) EXPECT_STREQ(m.putOrientation(v, kWide, &resize), orientation) << v;
    EXPECT_EQ(m.orientation(), 0);
    for (LONG v : {3, -1}) EXPECT_STREQ(m.putSize(v, kWide, &resize), size) << v;
    EXPECT_EQ(m.size(), 0);
    EXPECT_EQ(resize, (PixelSize{}));
}

TEST(BitmapSliderModel, SizeAndOrientationShapeTheControl) {
    BitmapSliderModel m;
    PixelSize resize{};
    ASSERT_EQ(m.putSize(1, {150, 10}, &resize), nullptr);
    EXPECT_EQ(resize, (PixelSize{150, 16}));
    EXPECT_EQ(m.adjustSize({10, 40}), (PixelSize{32, 16}));  // 16 high whatever the host asks
    EXPECT_EQ(m.adjustSize({300, 2}), (PixelSize{300, 16}));
    ASSERT_EQ(m.putOrientation(1, {150, 16}, &resize), nullptr);
    EXPECT_EQ(resize, (PixelSize{16, 150}));
    ASSERT_EQ(m.putSize(2, {16, 150}, &resize), nullptr);
    EXPECT_EQ(resize, (PixelSize{22, 150}));
    EXPECT_EQ(m.adjustSize({5, 5}), (PixelSize{22, 32}));
    resize = {};
    ASSERT_EQ(m.putOrientation(1, {22, 150}, &resize), nullptr);  // unchanged: no resize
    EXPECT_EQ(resize, (PixelSize{}));
}

TEST(BitmapSliderModel, DragToTheFarEndRisesByTwoPerTickAndStopsAtRelease) {
    BitmapSliderModel m;
    EXPECT_EQ(m.mouseDown(300, 5, kWide),
              (BitmapSliderEffects{{BitmapSliderEffect::Capture}, {BitmapSliderEffect::FireMouseDown}}));
    EXPECT_EQ(m.target(), 100);
    EXPECT_TRUE(m.pushed());
    EXPECT_EQ(m.tick(true), (BitmapSliderEffects{change(2), kRedraw}));
    EXPECT_EQ(m.tick(true), (BitmapSliderEffects{change(4), kRedraw}));
    EXPECT_EQ(m.tick(false), BitmapSliderEffects{});  // not active: no step
    EXPECT_EQ(m.tick(true), (BitmapSliderEffects{change(6), kRedraw}));
    EXPECT_EQ(m.mouseUp(300, 5, kWide), (BitmapSliderEffects{kRedraw,
                                                             {BitmapSliderEffect::FireMouseUp},
                                                             {BitmapSliderEffect::ReleaseCapture}}));
    EXPECT_EQ(m.value(), 6);
    EXPECT_FALSE(m.pushed());
    EXPECT_EQ(m.tick(true), BitmapSliderEffects{});

    m.pushEnabled = VARIANT_FALSE;
    m.mouseDown(10, 5, kWide);
    EXPECT_TRUE(m.dragging());
    EXPECT_FALSE(m.pushed());
}

TEST(BitmapSliderModel, GlideEndsOnTheTarget) {
    BitmapSliderModel m;
    m.putValue(5, true);
    EXPECT_EQ(m.tick(true), (BitmapSliderEffects{change(2), kRedraw}));
    EXPECT_EQ(m.tick(true), (BitmapSliderEffects{change(4), kRedraw}));
    EXPECT_EQ(m.tick(true), (BitmapSliderEffects{change(5), kRedraw}));  // the last step is short
    EXPECT_FALSE(m.animating());
    m.putSpeed(0);
    EXPECT_EQ(m.putValue(50, true), BitmapSliderEffects{kRedraw});
    EXPECT_EQ(m.value(), 50);
}

TEST(BitmapSliderModel, DragMapping) {
    struct Case {
        LONG orientation, min, max;
        int x, y;
        PixelSize size;
        LONG target;
    } cases[] = {
        {0, 0, 100, 8, 5, kWide, 0},
        {0, 0, 100, 108, 5, kWide, 50},
        {0, 0, 100, -40, 5, kWide, 0},
        {1, 10, 110, 5, 215, {10, 216}, 10},  // the bottom end of a vertical slider is Min
        {1, 10, 110, 5, 8, {10, 216}, 110},
        {0, 0, 100, 8, 5, {16, 10}, 0},       // no longer than the thumb: no division by zero
    };
    for (const Case& c : cases) {
        BitmapSliderModel m;
        PixelSize unused{};
        m.putOrientation(c.orientation, c.size, &unused);
        m.putMax(c.max);
        m.putMin(c.min);
        m.mouseDown(c.x, c.y, c.size);
        EXPECT_EQ(m.target(), c.target) << c.x << "," << c.y;
    }
}

TEST(BitmapSliderModel, MinAndMaxKeepARangeAndPullTheValueIn) {
    BitmapSliderModel m;
    m.putMax(0);
    EXPECT_EQ(m.max(), 1);
    m.putMin(1);
    EXPECT_EQ(m.min(), 0);
    m.putMax(100);
    m.putValue(80, false);
    m.putMax(40);
    EXPECT_EQ(m.value(), 40);
    m.putMin(-10);
    m.putValue(-10, false);
    m.putMin(0);
    EXPECT_EQ(m.value(), 0);
    EXPECT_EQ(m.thumbOffset({16, 10}), 0);
}

TEST(BitmapSliderModel, PressWhileDisabledDoesNothing) {
    BitmapSliderModel m;
    m.enabled = VARIANT_FALSE;
    EXPECT_EQ(m.mouseDown(100, 5, kWide), BitmapSliderEffects{});
    EXPECT_FALSE(m.dragging());
    EXPECT_FALSE(m.ownsCursor());
}

}  // namespace
