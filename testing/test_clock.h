#pragma once

#include <atomic>
#include <cstdint>

namespace fixtures {

// A settable clock for the code under test: a 32-bit tick count and a UTC time that move
// only when the test says so. The platform's time seams take plain function pointers, so an
// installed clock is also reachable through the static functions below:
//     clock.install();
//     win32::setTickSource(&fixtures::TestClock::installedTicks);
//     win32::setSystemTimeSource(&fixtures::TestClock::installedSystemTime<SYSTEMTIME>);
class TestClock {
public:
    // The fields of a SYSTEMTIME; dayOfWeek counts from Sunday = 0.
    struct Utc {
        int year, month, dayOfWeek, day, hour, minute, second, milliseconds;
    };

    // Starts at 2024-01-15 10:30:00.000 UTC with ticks at 1000.
    TestClock();
    ~TestClock();
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;

    void setUtc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                int milliseconds = 0);
    void setUnixMilliseconds(std::int64_t ms) { unixMs_ = ms; }
    void setTicks(std::uint32_t ticks) { ticks_ = ticks; }
    // Moves both the tick count (wrapping at 2^32) and the UTC time.
    void advance(std::int64_t ms);

    std::int64_t unixMilliseconds() const { return unixMs_; }
    std::uint32_t ticks() const { return ticks_; }
    Utc utc() const;

    // Fills any SYSTEMTIME-shaped structure (wYear, wMonth, ... wMilliseconds).
    template <class SystemTime>
    void fill(SystemTime* out) const {
        Utc u = utc();
        out->wYear = static_cast<decltype(out->wYear)>(u.year);
        out->wMonth = static_cast<decltype(out->wMonth)>(u.month);
        out->wDayOfWeek = static_cast<decltype(out->wDayOfWeek)>(u.dayOfWeek);
        out->wDay = static_cast<decltype(out->wDay)>(u.day);
        out->wHour = static_cast<decltype(out->wHour)>(u.hour);
        out->wMinute = static_cast<decltype(out->wMinute)>(u.minute);
        out->wSecond = static_cast<decltype(out->wSecond)>(u.second);
        out->wMilliseconds = static_cast<decltype(out->wMilliseconds)>(u.milliseconds);
    }

    // Makes this clock the one the static functions read, until it is destroyed or another
    // clock is installed.
    void install();
    static TestClock* installed() { return current_; }
    static std::uint32_t installedTicks();
    template <class SystemTime>
    static void installedSystemTime(SystemTime* out) {
        if (TestClock* clock = current_) clock->fill(out);
    }

    // Days since 1970-01-01 of a proleptic Gregorian date.
    static std::int64_t daysFromCivil(int year, int month, int day);

private:
    std::atomic<std::int64_t> unixMs_;
    std::atomic<std::uint32_t> ticks_;
    static std::atomic<TestClock*> current_;
};

}  // namespace fixtures
