#pragma once
// Wall clock, monotonic clock and sleep, replaceable by tests.
#include <cstdint>
#include <ctime>

namespace plat {

struct LocalTime {
    int year, month, day, hour, minute, second, millisecond, weekday; // month 1-12, weekday 0=Sunday
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t MonotonicMs() = 0;          // milliseconds since an arbitrary start
    virtual LocalTime Now() = 0;                // local date and time
    virtual LocalTime NowUtc() = 0;             // UTC date and time
    virtual std::time_t Time() = 0;             // seconds since the epoch
    virtual void SleepMs(int ms) = 0;
};

Clock& SystemClock();           // the real one
Clock& CurrentClock();          // the one in use
void SetClock(Clock* clock);    // tests; null restores the system clock

// The fields of a broken-down time (localtime_r / gmtime_r) with the given milliseconds.
LocalTime LocalTimeFromTm(const std::tm& tm, int millisecond = 0);

inline int64_t MonotonicMs() { return CurrentClock().MonotonicMs(); }
inline void SleepMs(int ms) { CurrentClock().SleepMs(ms); }

// A clock for tests: time moves only when told; SleepMs advances it.
class FakeClock : public Clock {
public:
    int64_t MonotonicMs() override { return mono_; }
    LocalTime Now() override;
    LocalTime NowUtc() override;
    std::time_t Time() override { return epoch_ + mono_ / 1000; }
    void SleepMs(int ms) override { mono_ += ms; sleeps_ += 1; }
    void Advance(int64_t ms) { mono_ += ms; }
    void SetEpoch(std::time_t t) { epoch_ = t; }
    int Sleeps() const { return sleeps_; }

private:
    int64_t mono_ = 0;
    std::time_t epoch_ = 1767225600; // 2026-01-01 00:00:00 UTC
    int sleeps_ = 0;
};

} // namespace plat
