#pragma once
// The one source of time and of sleeping. Production code asks gf_clock(); tests install a
// ManualClock and step time instead of waiting for it.
#include <chrono>
#include <functional>

namespace ksb {

enum class WakeReason { deadline, stopped };

class Clock {
public:
    using SteadyTime = std::chrono::steady_clock::time_point;
    using UtcTime = std::chrono::system_clock::time_point;

    virtual ~Clock() = default;
    virtual UtcTime utcNow() = 0;
    virtual SteadyTime steadyNow() = 0;
    // Sleeps until the deadline, or less when stop (may be empty) turns true; stop is tested
    // before sleeping and whenever gf_wakeSleepers() is called.
    virtual WakeReason sleepUntil(SteadyTime deadline, const std::function<bool()>& stop) = 0;
    // Lets sleepers re-test their stop conditions.
    virtual void wake() = 0;
};

// The installed clock, else the system clocks.
Clock& gf_clock();
// nullptr restores the system clocks. The clock must outlive its installation.
void gf_setClock(Clock* clock);
// Whoever sets a stop condition calls this so that sleepers notice at once.
void gf_wakeSleepers();

// Seconds since 1970 of gf_clock().utcNow().
double gf_utcSecondsNow();
// gf_clock().sleepUntil(steadyNow() + duration, stop).
WakeReason gf_sleepFor(std::chrono::steady_clock::duration duration,
                       const std::function<bool()>& stop = {});

} // namespace ksb
