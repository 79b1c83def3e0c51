#include <gtest/gtest.h>

#include <cstdint>

#include "testing/test_clock.h"

using fixtures::TestClock;

namespace {

// Shaped like the platform's SYSTEMTIME, which this folder cannot include.
struct SystemTimeLike {
    std::uint16_t wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

}  // namespace

TEST(TestClock, UtcFieldsFollowTheCalendar) {
    struct Case {
        int year, month, day, hour, minute, second, ms, dayOfWeek;
    };
    const Case cases[] = {
        {1970, 1, 1, 0, 0, 0, 0, 4},      {2000, 2, 29, 23, 59, 59, 999, 2},
        {2024, 1, 15, 10, 30, 0, 0, 1},   {2038, 1, 19, 3, 14, 8, 0, 2},
        {1969, 12, 31, 23, 59, 59, 500, 3},
    };
    TestClock clock;
    for (const Case& c : cases) {
        clock.setUtc(c.year, c.month, c.day, c.hour, c.minute, c.second, c.ms);
        TestClock::Utc u = clock.utc();
        EXPECT_EQ(u.year, c.year);
        EXPECT_EQ(u.month, c.month);
        EXPECT_EQ(u.day, c.day);
        EXPECT_EQ(u.hour, c.hour);
        EXPECT_EQ(u.minute, c.minute);
        EXPECT_EQ(u.second, c.second);
        EXPECT_EQ(u.milliseconds, c.ms);
        EXPECT_EQ(u.dayOfWeek, c.dayOfWeek) << c.year << "-" << c.month << "-" << c.day;
    }
}

TEST(TestClock, AdvanceMovesTimeAndWrapsTicks) {
    TestClock clock;
    clock.setUtc(1999, 12, 31, 23, 59, 59, 900);
    clock.setTicks(0xFFFFFFF0u);
    clock.advance(200);
    EXPECT_EQ(clock.ticks(), 0xB8u);
    SystemTimeLike st{};
    clock.fill(&st);
    EXPECT_EQ(st.wYear, 2000);
    EXPECT_EQ(st.wMonth, 1);
    EXPECT_EQ(st.wDay, 1);
    EXPECT_EQ(st.wDayOfWeek, 6);
    EXPECT_EQ(st.wHour, 0);
    EXPECT_EQ(st.wSecond, 0);
    EXPECT_EQ(st.wMilliseconds, 100);
}

TEST(TestClock, InstalledClockServesThePlainFunctionSeams) {
    SystemTimeLike st{};
    {
        TestClock clock;
        clock.setTicks(42);
        clock.install();
        EXPECT_EQ(TestClock::installedTicks(), 42u);
        clock.advance(8);
        EXPECT_EQ(TestClock::installedTicks(), 50u);
        void (*seam)(SystemTimeLike*) = &TestClock::installedSystemTime<SystemTimeLike>;
        seam(&st);
        EXPECT_EQ(st.wYear, 2024);
    }
    EXPECT_EQ(TestClock::installed(), nullptr);
    EXPECT_EQ(TestClock::installedTicks(), 0u);
}
