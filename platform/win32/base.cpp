#include "win32/base.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace {
thread_local DWORD lastError = 0;
std::atomic<win32::TickSource> tickSource{nullptr};
std::atomic<win32::TimeSource> timeSource{nullptr};

void fromTm(const std::tm& tm, long millis, SYSTEMTIME* out) {
    out->wYear = static_cast<WORD>(tm.tm_year + 1900);
    out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out->wDay = static_cast<WORD>(tm.tm_mday);
    out->wHour = static_cast<WORD>(tm.tm_hour);
    out->wMinute = static_cast<WORD>(tm.tm_min);
    out->wSecond = static_cast<WORD>(tm.tm_sec);
    out->wMilliseconds = static_cast<WORD>(millis);
}

void nowAs(bool local, SYSTEMTIME* out) {
    auto now = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    if (local)
        localtime_r(&secs, &tm);
    else
        gmtime_r(&secs, &tm);
    fromTm(tm, static_cast<long>(ms % 1000), out);
}
}  // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

namespace win32 {
void setTickSource(TickSource source) { tickSource.store(source); }
void setSystemTimeSource(TimeSource source) { timeSource.store(source); }

std::uint64_t monotonicMilliseconds() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}  // namespace win32

DWORD GetTickCount() {
    if (auto source = tickSource.load()) return source();
    return static_cast<DWORD>(win32::monotonicMilliseconds());
}

void GetSystemTime(SYSTEMTIME* time) {
    if (!time) return;
    if (auto source = timeSource.load()) return source(time);
    nowAs(false, time);
}

void GetLocalTime(SYSTEMTIME* time) {
    if (!time) return;
    if (timeSource.load()) return GetSystemTime(time);
    nowAs(true, time);
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
