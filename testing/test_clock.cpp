#include "testing/test_clock.h"

namespace fixtures {

std::atomic<TestClock*> TestClock::current_{nullptr};

TestClock::TestClock() : unixMs_(0), ticks_(1000) { setUtc(2024, 1, 15, 10, 30, 0); }

TestClock::~TestClock() {
    TestClock* self = this;
    current_.compare_exchange_strong(self, nullptr);
}

void TestClock::install() { current_ = this; }

std::uint32_t TestClock::installedTicks() {
    TestClock* clock = current_;
    return clock ? clock->ticks() : 0;
}

std::int64_t TestClock::daysFromCivil(int year, int month, int day) {
    // Howard Hinnant's days_from_civil.
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void TestClock::setUtc(int year, int month, int day, int hour, int minute, int second,
                       int milliseconds) {
    std::int64_t days = daysFromCivil(year, month, day);
    unixMs_ = ((days * 24 + hour) * 60 + minute) * 60000 + second * 1000 + milliseconds;
}

void TestClock::advance(std::int64_t ms) {
    unixMs_ += ms;
    ticks_ += static_cast<std::uint32_t>(ms);
}

TestClock::Utc TestClock::utc() const {
    std::int64_t ms = unixMs_;
    std::int64_t days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
    std::int64_t rest = ms - days * 86400000;
    // civil_from_days, the inverse of daysFromCivil.
    std::int64_t z = days + 719468;
    std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    std::int64_t doe = z - era * 146097;
    std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    std::int64_t mp = (5 * doy + 2) / 153;
    int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    int year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    Utc u{};
    u.year = year;
    u.month = month;
    u.day = day;
    u.dayOfWeek = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    u.hour = static_cast<int>(rest / 3600000);
    u.minute = static_cast<int>(rest / 60000 % 60);
    u.second = static_cast<int>(rest / 1000 % 60);
    u.milliseconds = static_cast<int>(rest % 1000);
    return u;
}

}  // namespace fixtures
