#include "volume_knob/volume_knob_model.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

using sondrel::KnobEffect;
using sondrel::KnobEffects;
using sondrel::VolumeKnobModel;

KnobEffect change(LONG v) { return {KnobEffect::FireValueChange, v}; }
const KnobEffect kRedraw{KnobEffect::Redraw};

TEST(VolumeKnobModel, Defaults) {
    VolumeKnobModel m(RGB(1, 2, 3));
    EXPECT_EQ(m.value(), 0);
    EXPECT_EQ(m.max(), 1000);
    EXPECT_EQ(m.min(), 0);
    EXPECT_EQ(m.speed(), 3.0);
    EXPECT_DOUBLE_EQ(m.startPos, 4 * std::numbers::pi / 3);
    EXPECT_EQ(m.indColor(), 0);
    EXPECT_EQ(m.flat(), VARIANT_FALSE);
    EXPECT_EQ(m.side(), 100);
    EXPECT_EQ(m.color, 0xFF010203u);
}

TEST(VolumeKnobModel, TheDraggedAngleSetsTheTarget) {
    // The Min position is at 240 degrees; the sweep runs clockwise from there.
    struct Case {
        int x, y;
        LONG target;
        const char* where;
    } cases[] = {
        {50, 10, 499, "straight up: 150 degrees of 300"},
        {57, 90, 1000, "in the gap from 300 to 330 degrees"},
        {50, 90, 0, "straight down: 330 degrees, past the gap"},
        {40, 90, 0, "just before the Min position"},
        {90, 50, 799, "right: 240 degrees"},
    };
    for (const Case& c : cases) {
        VolumeKnobModel m(0);
        m.mouseDown(c.x, c.y);
        EXPECT_EQ(m.target(), c.target) << c.where;
        EXPECT_EQ(m.animating(), c.target != 0) << c.where;
    }
}

TEST(VolumeKnobModel, PressInsideAndOutside) {
    VolumeKnobModel m(0);
    EXPECT_EQ(m.mouseDown(50, 10), (KnobEffects{{KnobEffect::FireMouseDown, 1}, {KnobEffect::Capture}}));
    EXPECT_TRUE(m.pressed());
    EXPECT_EQ(m.mouseUp(), (KnobEffects{{KnobEffect::FireMouseClick, 1}, {KnobEffect::FireMouseUp}, kRedraw,
                                        {KnobEffect::ReleaseCapture}}));
    EXPECT_FALSE(m.animating());  // the knob stays where the glide brought it
    EXPECT_EQ(m.value(), 0);
    EXPECT_EQ(m.mouseDown(2, 2), (KnobEffects{{KnobEffect::FireMouseDown, 0}}));
    EXPECT_FALSE(m.pressed());
    m.enabled = VARIANT_FALSE;
    EXPECT_TRUE(m.mouseDown(50, 10).empty());
    EXPECT_FALSE(m.ownsCursor());
}

TEST(VolumeKnobModel, GlideStepsByTheSpeedAndFiresEveryStep) {
    VolumeKnobModel m(0);
    EXPECT_TRUE(m.putValue(70, true).empty());
    EXPECT_EQ(m.tick(true, 0, 0, 0), (KnobEffects{change(30), kRedraw}));
    EXPECT_EQ(m.tick(true, 0, 0, 0), (KnobEffects{change(60), kRedraw}));
    EXPECT_EQ(m.tick(true, 0, 0, 0), (KnobEffects{change(70), kRedraw}));
    EXPECT_FALSE(m.animating());
    EXPECT_TRUE(m.tick(true, 0, 0, 0).empty());
    EXPECT_TRUE(m.putValue(5000, false) == KnobEffects{kRedraw});
    EXPECT_EQ(m.value(), 1000);
    EXPECT_TRUE(m.tick(false, 0, 0, 0).empty());
}

TEST(VolumeKnobModel, AGlideWithStepsBelowOneUnitStillArrives) {
    VolumeKnobModel m(0);
    m.putMax(10);  // 0.3 units a tick
    m.putValue(4, true);
    int ticks = 0;
    while (m.animating() && ticks < 20) {
        m.tick(true, 0, 0, 0);
        ++ticks;
    }
    EXPECT_EQ(m.value(), 4);
    EXPECT_LE(ticks, 5);
}

TEST(VolumeKnobModel, RangeChangesPullTheShownValueAndTheGlideIn) {
    VolumeKnobModel m(0);
    m.putValue(800, false);
    m.putValue(900, true);
    m.putMax(500);
    EXPECT_EQ(m.value(), 500);
    EXPECT_EQ(m.target(), 500);
    m.putMin(600);  // above Max: Min becomes 499
    EXPECT_EQ(m.min(), 499);
    m.putMax(100);  // below Min: Max becomes 500
    EXPECT_EQ(m.max(), 500);
}

TEST(VolumeKnobModel, RefusedPuts) {
    VolumeKnobModel m(0);
    EXPECT_STREQ(m.putSpeed(-1), "VolumeButtonVer01 must have Speed value between 0 and 1000");
    EXPECT_STREQ(m.putSpeed(1000.01), "VolumeButtonVer01 must have Speed value between 0 and 1000");
    EXPECT_EQ(m.speed(), 3.0);
    EXPECT_STREQ(m.putIndColor(12), "VolumeButtonVer01 must have between 0 and 11 IndColors");
    EXPECT_STREQ(m.putIndColor(-1), "VolumeButtonVer01 must have between 0 and 11 IndColors");
    EXPECT_EQ(m.putIndColor(11), nullptr);
    EXPECT_EQ(m.indColor(), 11);
    EXPECT_EQ(m.lampShown(), 11);
}

TEST(VolumeKnobModel, AFlatKnobIsThreeDimensionalWhileThePointerIsOverIt) {
    VolumeKnobModel m(0);
    EXPECT_EQ(m.putFlat(VARIANT_TRUE), KnobEffects{kRedraw});
    EXPECT_TRUE(m.flatLook());
    EXPECT_EQ(m.tick(true, 50, 50, 0), KnobEffects{kRedraw});
    EXPECT_FALSE(m.flatLook());
    EXPECT_TRUE(m.tick(true, 60, 60, 0).empty());
    EXPECT_EQ(m.tick(true, 99, 99, 0), KnobEffects{kRedraw});  // outside the radius of 50
    EXPECT_TRUE(m.flatLook());
    m.mouseDown(50, 50);
    m.tick(true, 200, 200, 0);  // held: 3-D wherever the pointer is
    EXPECT_FALSE(m.flatLook());
    m.mouseUp();
    m.enabled = VARIANT_FALSE;
    m.tick(true, 50, 50, 0);  // a disabled knob stays flat
    EXPECT_TRUE(m.flatLook());
    EXPECT_TRUE(m.putFlat(VARIANT_TRUE).empty());  // unchanged
}

TEST(VolumeKnobModel, AnOddLampBlinksWhileHeld) {
    VolumeKnobModel m(0);
    m.putIndColor(3);
    m.mouseDown(40, 90);  // at the Min position: no glide
    EXPECT_EQ(m.tick(true, 50, 50, 1000), KnobEffects{kRedraw});
    EXPECT_EQ(m.lampShown(), 2);
    EXPECT_TRUE(m.tick(true, 50, 50, 1170).empty());
    EXPECT_EQ(m.lampShown(), 2);
    m.tick(true, 50, 50, 1171);
    EXPECT_EQ(m.lampShown(), 3);
    m.tick(true, 50, 50, 1400);
    EXPECT_EQ(m.lampShown(), 2);
    m.mouseUp();
    m.tick(true, 50, 50, 1401);
    EXPECT_EQ(m.lampShown(), 3);

    m.putIndColor(4);
    m.mouseDown(40, 90);
    m.tick(true, 50, 50, 5000);
    EXPECT_EQ(m.lampShown(), 4);
}

TEST(VolumeKnobModel, BorderMovesTheCentreAndTheLampFollowsTheValue) {
    VolumeKnobModel m(0);
    EXPECT_TRUE(m.putBorderType(1));
    EXPECT_FALSE(m.putBorderType(1));
    EXPECT_EQ(m.side(), 121);
    EXPECT_EQ(m.centre(), 60);
    m.mouseDown(60, 20);  // straight up from the new centre
    m.mouseMove(60, 20);
    EXPECT_EQ(m.target(), 499);

    VolumeKnobModel lamp(0);
    EXPECT_DOUBLE_EQ(lamp.lampAngle(), lamp.startPos);
    lamp.putValue(1000, false);
    EXPECT_DOUBLE_EQ(lamp.lampAngle(), lamp.startPos - 5.236);
    lamp.putMin(1000);  // an empty range keeps the lamp at the start
    lamp.putMax(1000);
    EXPECT_DOUBLE_EQ(lamp.lampAngle(), lamp.startPos);
}

}  // namespace
