#include "step_knob/step_model.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using sondrel::KnobEffect;
using sondrel::KnobEffects;
using sondrel::StepKnobModel;

constexpr COLORREF kFace = RGB(10, 20, 30);

KnobEffect change(LONG v) { return {KnobEffect::FireValueChange, v}; }
const KnobEffect kRedraw{KnobEffect::Redraw};

TEST(PointerAngle, CountsCounterClockwiseFromTheRight) {
    struct Case {
        int x, y, degrees;
    } cases[] = {{90, 50, 0}, {50, 10, 90}, {10, 50, 180}, {50, 90, 270}, {150, 51, 359},
                 {150, 48, 1}, {50, 50, 90}};  // the centre itself counts as straight up
    for (const Case& c : cases) EXPECT_EQ(sondrel::pointerDegrees(c.x, c.y, 50, 50), c.degrees) << c.x << "," << c.y;
}

TEST(PointerAngle, ColoursAreOpaqueArgbOfTheLowThreeBytes) {
    EXPECT_EQ(sondrel::argbFromColor(RGB(1, 2, 3)), 0xFF010203u);
    EXPECT_EQ(sondrel::argbFromColor(0x8000000F), 0xFF0F0000u);  // no system colour lookup
    EXPECT_EQ(sondrel::colorFromArgb(0xFF0F0000u), 0x0000000Fu);
}

TEST(StepKnobModel, Defaults) {
    StepKnobModel m(kFace);
    EXPECT_EQ(m.value(), 0);
    EXPECT_EQ(m.max(), 1000);
    EXPECT_EQ(m.min(), 0);
    EXPECT_EQ(m.speed(), 1.0);
    EXPECT_EQ(m.frame(), 0);
    EXPECT_EQ(m.color, 0xFF0A141Eu);
    EXPECT_EQ(m.backColor, 0xFF0A141Eu);
}

TEST(StepKnobModel, TurningClockwiseRaisesTheValueOneChangePerMove) {
    StepKnobModel m(kFace);
    EXPECT_EQ(m.mouseDown(50, 10),  // straight up: 90 degrees
              (KnobEffects{{KnobEffect::FireMouseDown, 1}, {KnobEffect::Capture}, change(0)}));
    const KnobEffects halfway = m.mouseMove(78, 22);
    EXPECT_EQ(halfway, (KnobEffects{change(m.value()), kRedraw}));
    EXPECT_GT(m.value(), 30);
    EXPECT_EQ(m.mouseMove(90, 50), (KnobEffects{change(90), kRedraw}));  // 0 degrees
    EXPECT_EQ(m.value(), 90);
    EXPECT_EQ(m.mouseMove(90, 50), (KnobEffects{change(90)}));  // no turn: no redraw
    EXPECT_EQ(m.mouseUp(), (KnobEffects{{KnobEffect::FireMouseClick, 1}, {KnobEffect::FireMouseUp}, kRedraw,
                                        {KnobEffect::ReleaseCapture}}));
    EXPECT_FALSE(m.pressed());
    EXPECT_TRUE(m.mouseMove(50, 10).empty());
}

TEST(StepKnobModel, TurningIsClampedAndScaledBySpeed) {
    StepKnobModel m(kFace);
    m.putMax(50);
    m.mouseDown(50, 10);
    m.mouseMove(90, 50);
    EXPECT_EQ(m.value(), 50);
    m.mouseUp();
    m.putValue(10);
    ASSERT_EQ(m.putSpeed(0.5), nullptr);
    m.mouseDown(90, 50);
    m.mouseMove(50, 10);  // 90 degrees counter-clockwise
    EXPECT_EQ(m.value(), 0);
    m.mouseMove(10, 50);
    EXPECT_EQ(m.value(), 0);
}

TEST(StepKnobModel, CrossingTheZeroLineTurnsTheShortWay) {
    StepKnobModel m(kFace);
    m.putValue(100);
    m.mouseDown(90, 50);   // 0 degrees
    m.mouseMove(150, 51);  // 359: one degree clockwise
    EXPECT_EQ(m.value(), 101);
    m.mouseMove(150, 48);  // 1: two degrees counter-clockwise
    EXPECT_EQ(m.value(), 99);
}

TEST(StepKnobModel, PressesOutsideTheKnobOrWhileDisabled) {
    StepKnobModel m(kFace);
    m.putValue(7);
    EXPECT_EQ(m.mouseDown(2, 2), (KnobEffects{{KnobEffect::FireMouseDown, 0}}));
    EXPECT_TRUE(m.mouseMove(50, 10).empty());
    EXPECT_EQ(m.value(), 7);
    EXPECT_EQ(m.mouseUp().front(), (KnobEffect{KnobEffect::FireMouseClick, 0}));
    m.enabled = VARIANT_FALSE;
    EXPECT_TRUE(m.mouseDown(50, 10).empty());
    EXPECT_FALSE(m.pressed());
    EXPECT_FALSE(m.ownsCursor(50, 10));
    m.enabled = VARIANT_TRUE;
    EXPECT_TRUE(m.ownsCursor(50, 10));
    EXPECT_FALSE(m.ownsCursor(2, 2));
    m.mousePointer = 0;
    EXPECT_FALSE(m.ownsCursor(50, 10));
}

TEST(StepKnobModel, FramesFollowTheAngleAndTheScrollMethods) {
    StepKnobModel m(kFace);
    for (int i = 0; i < 9; ++i) m.scrollMinus();
    EXPECT_EQ(m.frame(), 0);
    m.scrollPlus();
    EXPECT_EQ(m.frame(), 8);
    m.scrollMinus();
    m.scrollMinus();
    EXPECT_EQ(m.frame(), 1);
    m.mouseDown(50, 10);  // the press keeps the frame
    EXPECT_EQ(m.frame(), 1);
    m.mouseMove(10, 50);  // 90 degrees further: 18 frames of 5 degrees
    EXPECT_EQ(m.frame(), 1);
    m.mouseMove(31, 16);  // about 29 degrees back
    EXPECT_NE(m.frame(), 1);
}

TEST(StepKnobModel, RangeRulesKeepMinAtMostMax) {
    struct Case {
        LONG putMin, putMax;  // in this order
        LONG min, max;
    } cases[] = {{0, -5, 0, 1}, {2000, 1000, 2000, 2001}, {-10, 10, -10, 10},
                 {INT_MAX, INT_MIN, INT_MAX, INT_MAX}};
    for (const Case& c : cases) {
        StepKnobModel m(kFace);
        m.putMax(INT_MAX);
        m.putMin(c.putMin);
        m.putMax(c.putMax);
        EXPECT_EQ(m.min(), c.min) << c.putMin << " " << c.putMax;
        EXPECT_EQ(m.max(), c.max) << c.putMin << " " << c.putMax;
    }
    StepKnobModel m(kFace);
    m.putValue(500);
    m.putMax(300);
    EXPECT_EQ(m.value(), 300);
    m.putMin(400);  // above Max: Min becomes 299
    EXPECT_EQ(m.min(), 299);
    EXPECT_EQ(m.value(), 300);
    m.putValue(5000);  // stored as given
    EXPECT_EQ(m.value(), 5000);
}

TEST(StepKnobModel, Speed) {
    StepKnobModel m(kFace);
    for (double ok : {0.0, 1000.0, 0.25}) EXPECT_EQ(m.putSpeed(ok), nullptr) << ok;
    for (double bad : {1000.5, -0.1}) {
        EXPECT_STREQ(m.putSpeed(bad), "StepButton must have Speed value between 0 and 1000") << bad;
        EXPECT_EQ(m.speed(), 0.25);
    }
}

}  // namespace
