#include "amp_bar/amp_bar_model.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using sondrel::AmpBarModel;

TEST(AmpBarModel, ANewBarIsFull) {
    AmpBarModel m;
    EXPECT_EQ(m.value(), 100);
    EXPECT_EQ(m.min(), 0);
    EXPECT_EQ(m.max(), 100);
    EXPECT_EQ(m.speed(), 4.0);
    EXPECT_EQ(m.style(), 1);
    EXPECT_EQ(m.borderType(), 2);
    EXPECT_EQ(m.orientation(), 0);
    EXPECT_EQ(m.tickInterval, 1);
    EXPECT_EQ(m.tickWidth, 2);
    EXPECT_EQ(m.pickWidthPercent, 25);
    EXPECT_EQ(sondrel::colorFromArgb(m.tickColor), RGB(0, 255, 0));
    EXPECT_EQ(sondrel::colorFromArgb(m.pickColor), RGB(255, 0, 0));
    EXPECT_EQ(sondrel::colorFromArgb(m.backColor), RGB(0xE1, 0xE1, 0xE1));
    EXPECT_EQ(sondrel::colorFromArgb(m.tickBackColor), RGB(0x9D, 0x9D, 0x9D));
    EXPECT_EQ(m.borderColor, 0xFF000000u);
    EXPECT_EQ(sondrel::argbFromColor(0x8000000F), 0xFF0F0000u);  // low bytes only
}

TEST(AmpBarModel, ValuesAreClampedAndShownAtOnceUnlessGliding) {
    AmpBarModel m;
    EXPECT_TRUE(m.putValue(150, false));
    EXPECT_EQ(m.value(), 100);
    EXPECT_TRUE(m.putValue(-5, false));
    EXPECT_EQ(m.value(), 0);
    ASSERT_EQ(m.putSpeed(0), nullptr);
    EXPECT_TRUE(m.putValue(42, true));
    EXPECT_EQ(m.value(), 42);
    EXPECT_FALSE(m.animating());
}

TEST(AmpBarModel, TheGlideMovesFourPercentOfTheRangePerTick) {
    AmpBarModel m;
    EXPECT_FALSE(m.putValue(50, true));
    EXPECT_EQ(m.value(), 100);
    for (LONG expected = 96; expected >= 52; expected -= 4) {
        ASSERT_TRUE(m.tick());
        EXPECT_EQ(m.value(), expected);
    }
    ASSERT_TRUE(m.tick());  // closer than a step: arrives
    EXPECT_EQ(m.value(), 50);
    EXPECT_FALSE(m.animating());
    EXPECT_FALSE(m.tick());

    // The step follows the range.
    m.putMin(-100);
    m.putValue(100, true);
    m.tick();
    EXPECT_EQ(m.value(), 58);
}

TEST(AmpBarModel, MinAndMaxStayApartAndCarryTheValue) {
    struct Case {
        LONG putMin, putMax;  // applied in this order
        LONG min, max, value;
    } cases[] = {
        {200, 100, 99, 100, 100},  // Min above Max stores Max - 1
        {0, -5, 0, 1, 1},          // Max below Min stores Min + 1, the value follows
        {100, 100, 99, 100, 100},  // equal values would leave no range
        {0, 0, 0, 1, 1},
        {10, 60, 10, 60, 60},
    };
    for (const Case& c : cases) {
        AmpBarModel m;
        m.putMin(c.putMin);
        m.putMax(c.putMax);
        EXPECT_EQ(m.min(), c.min) << c.putMin << " " << c.putMax;
        EXPECT_EQ(m.max(), c.max) << c.putMin << " " << c.putMax;
        EXPECT_EQ(m.value(), c.value) << c.putMin << " " << c.putMax;
    }
    // A glide under way keeps to the new range.
    AmpBarModel g;
    g.putValue(0, true);
    g.putMin(30);
    EXPECT_EQ(g.target(), 30);
}

TEST(AmpBarModel, CorrectedAndRefusedPuts) {
    AmpBarModel m;
    EXPECT_FALSE(m.putStyle(0));  // 1, unchanged
    EXPECT_TRUE(m.putStyle(7));
    EXPECT_EQ(m.style(), 2);
    EXPECT_FALSE(m.putStyle(2));
    EXPECT_TRUE(m.putStyle(-3));
    EXPECT_EQ(m.style(), 1);

    EXPECT_STREQ(m.putSpeed(1000.5), "AmpBar must have Speed value between 0 and 1000");
    EXPECT_STREQ(m.putSpeed(-0.1), "AmpBar must have Speed value between 0 and 1000");
    EXPECT_STREQ(m.putSpeed(std::nan("")), "AmpBar must have Speed value between 0 and 1000");
    EXPECT_EQ(m.speed(), 4.0);
    EXPECT_EQ(m.putSpeed(1000), nullptr);
    EXPECT_STREQ(m.putBorderType(4), "AmpBar must have BorderType value between 0 and 3");
    EXPECT_STREQ(m.putBorderType(-1), "AmpBar must have BorderType value between 0 and 3");
    EXPECT_EQ(m.borderType(), 2);
    EXPECT_STREQ(m.putOrientation(2), "AmpBar must have Orientation value 0 or 1");
    EXPECT_EQ(m.putOrientation(1), nullptr);
    EXPECT_EQ(m.orientation(), 1);
}

}  // namespace
