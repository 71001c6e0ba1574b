// System clock and the fake clock for tests.
#include "platform/clock.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace plat {

LocalTime LocalTimeFromTm(const std::tm& tm, int millisecond) {
    LocalTime t{};
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.millisecond = millisecond;
    t.weekday = tm.tm_wday;
    return t;
}

namespace {

LocalTime WallTime(bool local) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    const std::time_t secs = ts.tv_sec;
    if (local) localtime_r(&secs, &tm);
    else gmtime_r(&secs, &tm);
    return LocalTimeFromTm(tm, static_cast<int>(ts.tv_nsec / 1000000));
}

class RealClock final : public Clock {
public:
    int64_t MonotonicMs() override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
    }
    LocalTime Now() override { return WallTime(true); }
    LocalTime NowUtc() override { return WallTime(false); }
    std::time_t Time() override { return std::time(nullptr); }
    void SleepMs(int ms) override {
        if (ms <= 0) return;
        timespec req{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
        timespec rem{};
        // Resume after signals so the caller always waits the full time.
        while (nanosleep(&req, &rem) != 0 && errno == EINTR) req = rem;
    }
};

std::atomic<Clock*> g_clock{nullptr};

} // namespace

Clock& SystemClock() {
    static RealClock clock;
    return clock;
}

Clock& CurrentClock() {
    Clock* c = g_clock.load(std::memory_order_acquire);
    return c ? *c : SystemClock();
}

void SetClock(Clock* clock) { g_clock.store(clock, std::memory_order_release); }

// The fake clock reports UTC for both, so tests do not depend on the time zone.
LocalTime FakeClock::Now() { return NowUtc(); }

LocalTime FakeClock::NowUtc() {
    int64_t ms = mono_ % 1000;
    int64_t secs = mono_ / 1000;
    if (ms < 0) { // a clock moved before its start still gives a valid time
        ms += 1000;
        secs -= 1;
    }
    const std::time_t t = epoch_ + static_cast<std::time_t>(secs);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return LocalTimeFromTm(tm, static_cast<int>(ms));
}

} // namespace plat
