#pragma once
// A clock that tests step. UTC and steady time move together. In auto-advancing mode a sleep
// jumps to its deadline at once, is recorded and calls the hook, so a test can change state
// between the polls of the code under test. Otherwise a sleeper waits until advance() reaches
// its deadline or its stop test turns true.
#include "core/clock.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

namespace ksb::test {

// Wed Dec 09 2026 10:29:59 UTC, a moment several tests start from.
inline constexpr double kWednesdayMorning = 1796812199.0;

class ManualClock final : public Clock {
public:
    // Starts at the given UTC time (seconds since 1970); steady time starts at an arbitrary
    // fixed point.
    explicit ManualClock(double utcSeconds = 1'780'000'000.0, bool autoAdvance = false);

    UtcTime utcNow() override;
    SteadyTime steadyNow() override;
    WakeReason sleepUntil(SteadyTime deadline, const std::function<bool()>& stop) override;
    void wake() override;

    void advance(std::chrono::nanoseconds step);
    void setUtcSeconds(double utcSeconds);
    void setAutoAdvance(bool on);
    // Called (without the clock's lock) after each auto-advanced sleep.
    void setSleepHook(std::function<void()> hook);
    // Durations of the sleeps taken so far (auto-advanced or completed).
    std::vector<std::chrono::nanoseconds> sleeps() const;
    std::size_t sleepCount() const;
    // Number of threads blocked in sleepUntil right now (for tests that step a thread).
    int waiting() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::chrono::nanoseconds utc_;
    std::chrono::nanoseconds steady_{std::chrono::hours(1000)};
    bool autoAdvance_;
    std::function<void()> hook_;
    std::vector<std::chrono::nanoseconds> sleeps_;
    int waiting_ = 0;
};

// Installs a clock for the lifetime of the object.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock) { gf_setClock(&clock); }
    ~ScopedClock() { gf_setClock(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

} // namespace ksb::test
