#include "volume_wedge/wedge_model.h"

#include <gtest/gtest.h>

namespace {

using sondrel::KnobEffect;
using sondrel::KnobEffects;
using sondrel::PixelSize;
using sondrel::WedgeModel;

KnobEffect change(LONG v) { return {KnobEffect::FireValueChange, v}; }
const KnobEffect kRedraw{KnobEffect::Redraw};

TEST(WedgeModel, Defaults) {
    WedgeModel m(RGB(1, 2, 3));
    EXPECT_EQ(m.value(), 0);
    EXPECT_EQ(m.max(), 100);
    EXPECT_EQ(m.min(), 0);
    EXPECT_EQ(m.speed(), 4.0);
    EXPECT_EQ(m.style(), 0);
    EXPECT_EQ(m.size(), (PixelSize{50, 21}));
    EXPECT_EQ(m.color(), 0xFF010203u);
    EXPECT_EQ(m.backColor, 0xFF010203u);
}

TEST(WedgeModel, StylesAndTheirSizes) {
    struct Case {
        LONG style;
        PixelSize size;
    } cases[] = {{0, {50, 21}}, {3, {50, 21}}, {4, {21, 50}}, {5, {21, 50}}, {7, {21, 50}}, {9, {21, 50}}, {-1, {21, 50}}};
    for (const Case& c : cases) {
        WedgeModel m(0);
        m.putStyle(c.style);
        EXPECT_EQ(m.size(), c.size) << c.style;
    }
}

TEST(WedgeModel, PositionToValue) {
    struct Case {
        LONG style;
        int x, y;
        long long value;
    } cases[] = {
        {0, 25, 10, 48},  {1, 5, 0, 0},     {0, 46, 0, 100},  {0, 0, 0, -12},  // before clamping
        {2, 25, 10, 51},  {3, 46, 0, 0},    {4, 10, 25, 51},  {5, 10, 5, 100},
        {6, 10, 25, 48},  {7, 10, 46, 100}, {9, 17, 25, 100},  // others: left to right over 21 - 9
    };
    for (const Case& c : cases) {
        WedgeModel m(0);
        m.putStyle(c.style);
        EXPECT_EQ(m.valueAt(c.x, c.y), c.value) << c.style << " " << c.x << "," << c.y;
    }
}

TEST(WedgeModel, PressGlidesToThePointAndReleaseStopsTheGlide) {
    WedgeModel m(0);
    EXPECT_EQ(m.mouseDown(25, 10), (KnobEffects{{KnobEffect::Capture}, {KnobEffect::FireMouseDown, 0}}));
    EXPECT_EQ(m.target(), 48);
    EXPECT_TRUE(m.animating());
    EXPECT_EQ(m.tick(true, -5, -5), (KnobEffects{{KnobEffect::FireValueChange, 4}, kRedraw}));
    m.mouseMove(0, 10);  // clamped to Min
    EXPECT_EQ(m.target(), 0);
    m.mouseMove(49, 10);
    EXPECT_EQ(m.target(), 100);
    m.tick(true, -5, -5);
    EXPECT_EQ(m.value(), 8);
    EXPECT_EQ(m.mouseUp(49, 10), (KnobEffects{kRedraw, {KnobEffect::FireMouseUp}, {KnobEffect::ReleaseCapture}}));
    EXPECT_FALSE(m.animating());
    EXPECT_EQ(m.value(), 8);

    m.enabled = VARIANT_FALSE;
    EXPECT_TRUE(m.mouseDown(25, 10).empty());
    EXPECT_FALSE(m.dragging());
}

TEST(WedgeModel, GlideArrivesWithOneChangePerTick) {
    WedgeModel m(0);
    EXPECT_TRUE(m.putValue(10, true).empty());
    EXPECT_EQ(m.tick(true, -5, -5), (KnobEffects{change(4), kRedraw}));
    EXPECT_EQ(m.tick(true, -5, -5), (KnobEffects{change(8), kRedraw}));
    EXPECT_EQ(m.tick(true, -5, -5), (KnobEffects{change(10), kRedraw}));
    EXPECT_FALSE(m.animating());
    EXPECT_TRUE(m.tick(true, -5, -5).empty());
    EXPECT_TRUE(m.tick(false, -5, -5).empty());
    EXPECT_EQ(m.putValue(-4, false), KnobEffects{kRedraw});
    EXPECT_EQ(m.value(), 0);
}

TEST(WedgeModel, HoverLookFollowsThePointer) {
    WedgeModel m(0);
    EXPECT_EQ(m.tick(true, 10, 10), KnobEffects{kRedraw});  // over it: Enabled
    EXPECT_TRUE(m.hoverLook());
    EXPECT_EQ(m.tick(true, 60, 10), KnobEffects{kRedraw});  // away: Flat
    EXPECT_FALSE(m.hoverLook());
    m.flat = VARIANT_TRUE;
    m.tick(true, 60, 10);
    EXPECT_TRUE(m.hoverLook());
    m.flat = VARIANT_FALSE;
    m.mouseDown(10, 10);
    m.tick(true, 60, 10);  // dragging counts as over it
    EXPECT_TRUE(m.hoverLook());
}

TEST(WedgeModel, ShadowIsTheColourDarkerByAQuarter) {
    struct Case {
        COLORREF color;
        ARGB shadow;
    } cases[] = {{RGB(100, 100, 100), 0xFF252525u}, {RGB(30, 30, 30), 0xFF000000u}, {RGB(255, 0, 0), 0xFFC00000u}};
    for (const Case& c : cases) {
        WedgeModel m(0);
        m.putColor(c.color);
        EXPECT_EQ(m.shadow(), c.shadow) << std::hex << c.color;
    }
}

TEST(WedgeModel, RangeAndSpeed) {
    WedgeModel m(0);
    EXPECT_STREQ(m.putSpeed(-1), "VolumeButtonVer01 must have Speed value between 0 and 1000");
    EXPECT_EQ(m.speed(), 4.0);
    m.putValue(80, false);
    m.putMax(50);
    EXPECT_EQ(m.value(), 50);
    EXPECT_EQ(m.thumbPosition(), 40);
    m.putMin(60);  // above Max: Min becomes 49
    EXPECT_EQ(m.min(), 49);
    m.putMin(50);
    m.putMax(50);
    EXPECT_EQ(m.thumbPosition(), 0);  // an empty range
}

}  // namespace
