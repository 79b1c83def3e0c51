#include "time_display/time_display_model.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using sondrel::PixelSize;
using sondrel::TimeDisplayModel;
using D = TimeDisplayModel;

struct Shown {
    LONG digits[7];
};

void expectDigits(const TimeDisplayModel& m, const Shown& s, const char* what) {
    for (int i = 0; i < 7; ++i) EXPECT_EQ(m.digit(static_cast<D::Digit>(i)), s.digits[i]) << what << " digit " << i;
}

TEST(TimeDisplayModel, SetTimeTable) {
    struct Case {
        long long ms;
        Shown shown;
    } cases[] = {
        {0, {0, 0, 0, 0, 0, 0, 0}},
        {99, {0, 0, 0, 0, 0, 0, 0}},
        {3723400, {0, 1, 0, 2, 0, 3, 4}},
        {59999, {0, 0, 0, 0, 5, 9, 9}},
        {60000, {0, 0, 0, 1, 0, 0, 0}},
        {3599900, {0, 0, 5, 9, 5, 9, 9}},
        {36000000, {1, 0, 0, 0, 0, 0, 0}},
        {359999999, {9, 9, 5, 9, 5, 9, 9}},
        {360000000, {10, 0, 0, 0, 0, 0, 0}},  // 100 hours: the tens show blank
        {INT_MAX, {59, 6, 3, 1, 2, 3, 6}},
    };
    for (const Case& c : cases) {
        TimeDisplayModel m;
        EXPECT_TRUE(m.setTime(c.ms));
        expectDigits(m, c.shown, std::to_string(c.ms).c_str());
    }
}

TEST(TimeDisplayModel, GetsReadTheDigits) {
    TimeDisplayModel m;
    m.setTime(3723400);
    EXPECT_EQ(m.hours(), 1);
    EXPECT_EQ(m.minutes(), 2);
    EXPECT_EQ(m.seconds(), 3);
    EXPECT_EQ(m.milliseconds(), 400);
}

TEST(TimeDisplayModel, NegativeTimeChangesNothing) {
    TimeDisplayModel m;
    m.setTime(3723400);
    EXPECT_FALSE(m.setTime(-1));
    EXPECT_EQ(m.seconds(), 3);
    EXPECT_FALSE(m.putMinutes(-1));
    EXPECT_FALSE(m.putSeconds(-5));
    EXPECT_FALSE(m.putMilliseconds(-100));
    EXPECT_EQ(m.hours(), 1);
    EXPECT_EQ(m.minutes(), 2);
    EXPECT_EQ(m.milliseconds(), 400);
}

TEST(TimeDisplayModel, PutsOfGroups) {
    TimeDisplayModel m;
    m.setTime(3723400);
    EXPECT_TRUE(m.putSeconds(59));
    EXPECT_EQ(m.hours(), 1);
    EXPECT_EQ(m.minutes(), 2);
    EXPECT_EQ(m.seconds(), 59);
    EXPECT_EQ(m.milliseconds(), 400);
    EXPECT_TRUE(m.putMinutes(75));  // recomputes the whole display
    expectDigits(m, {{0, 1, 1, 5, 0, 0, 0}}, "75 minutes");
    EXPECT_TRUE(m.putSeconds(125));
    expectDigits(m, {{0, 0, 0, 2, 0, 5, 0}}, "125 seconds");
    EXPECT_TRUE(m.putMilliseconds(999));
    EXPECT_EQ(m.milliseconds(), 900);
    EXPECT_EQ(m.seconds(), 5);
    EXPECT_TRUE(m.putMilliseconds(61500));
    expectDigits(m, {{0, 0, 0, 1, 0, 1, 5}}, "61500 ms");
    EXPECT_TRUE(m.putHours(123));
    EXPECT_EQ(m.hours(), 23);
    EXPECT_TRUE(m.putHours(-7));
    EXPECT_EQ(m.digit(D::HoursUnits), -7);
    EXPECT_EQ(m.hours(), -7);
}

TEST(TimeDisplayModel, LargeMinuteAndSecondPutsDoNotOverflow) {
    TimeDisplayModel m;
    EXPECT_TRUE(m.putMinutes(INT_MAX));  // 2147483647 minutes
    EXPECT_EQ(m.minutes(), 7);
    EXPECT_EQ(m.digit(D::HoursUnits), 4);
    EXPECT_EQ(m.digit(D::HoursTens), 3579139);
    EXPECT_TRUE(m.putSeconds(INT_MAX));
    EXPECT_EQ(m.seconds(), 7);
    EXPECT_EQ(m.minutes(), 14);
    EXPECT_EQ(m.digit(D::HoursTens), 59652);
}

TEST(TimeDisplayModel, VisibilityCoupling) {
    TimeDisplayModel m;
    EXPECT_TRUE(m.putShowSeconds(VARIANT_FALSE));  // hides the tenths too
    EXPECT_FALSE(m.showMilliseconds());
    EXPECT_FALSE(m.putShowMilliseconds(VARIANT_TRUE));  // refused while seconds are hidden
    EXPECT_FALSE(m.putShowMinutes(VARIANT_FALSE));      // both hidden is refused
    EXPECT_TRUE(m.showMinutes());
    EXPECT_TRUE(m.putShowSeconds(VARIANT_TRUE));
    EXPECT_TRUE(m.putShowMilliseconds(VARIANT_TRUE));
    EXPECT_TRUE(m.putShowMinutes(VARIANT_FALSE));  // hides the hours too
    EXPECT_FALSE(m.showHours());
    EXPECT_FALSE(m.putShowHours(VARIANT_TRUE));  // hours need minutes while seconds show
    EXPECT_FALSE(m.putShowSeconds(VARIANT_FALSE));
    EXPECT_TRUE(m.showSeconds());
    EXPECT_TRUE(m.putShowMinutes(-1));  // any non-zero value shows
    EXPECT_TRUE(m.putShowHours(VARIANT_TRUE));
    EXPECT_TRUE(m.putShowSeconds(VARIANT_FALSE));
    EXPECT_TRUE(m.putShowHours(VARIANT_FALSE));  // minutes alone
    EXPECT_EQ(m.cellCount(), 2);
}

TEST(TimeDisplayModel, StyleAndBorderPuts) {
    TimeDisplayModel m;
    EXPECT_FALSE(m.putDigitStyle(5));
    EXPECT_EQ(m.digitStyle(), 1);
    EXPECT_TRUE(m.putDigitStyle(2));
    EXPECT_EQ(m.digitStyle(), 2);
    EXPECT_TRUE(m.putBorderType(7));  // only redraws
    EXPECT_EQ(m.borderType(), 0);
    EXPECT_TRUE(m.putBorderType(3));
    EXPECT_EQ(m.borderType(), 3);
}

TEST(TimeDisplayModel, MinimumSizes) {
    TimeDisplayModel m;
    EXPECT_EQ(m.minimumSize(), (PixelSize{84, 22}));
    EXPECT_EQ(m.adjustSize({10, 10}), (PixelSize{84, 22}));
    EXPECT_EQ(m.adjustSize({200, 50}), (PixelSize{200, 50}));  // never shrinks
    m.showInscriptions = VARIANT_TRUE;
    EXPECT_EQ(m.adjustSize({100, 25}), (PixelSize{100, 30}));
    m.putShowMilliseconds(VARIANT_FALSE);
    m.putShowHours(VARIANT_FALSE);
    EXPECT_EQ(m.minimumSize(), (PixelSize{48, 30}));
}

}  // namespace
