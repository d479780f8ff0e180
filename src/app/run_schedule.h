#pragma once
// The main loop's timing and its per-second schedule as pure functions, so that the rules are
// tested apart from the clock and the engine.
#include <chrono>

// What the second n (secondsCounter after its increment) asks for beyond the per-second step.
struct SecondWork {
    bool parkCheck = false;     // a multiple of 16, not of 15
    bool twinPass = false;      // a multiple of 61, not of 15
    bool fifteen = false;       // reader status, reference position, query box, renewal step
    bool thirty = false;        // lf_every30Seconds
    bool minute = false;        // minutes-to-renewal display
    bool twentyMinutes = false; // unmatched flights, renewal request
    bool day = false;           // counter back to 0, matching summary
    bool operator==(const SecondWork&) const = default;
};
SecondWork lf_secondWork(int n);

// 20 - ((n / 60) mod 20).
int lf_minutesToRenewal(int n);

enum class RenewalStep { none, first, second };
// The 15-second renewal step for the request flag and staticRenewalPhase.
RenewalStep lf_renewalStep(bool requested, bool phase);

using SteadyTime = std::chrono::steady_clock::time_point;
// The next cycle's deadline: a pending second tick re-anchors it to now + 10 ms, otherwise it
// moves on by exactly 10 ms, so late cycles are caught up.
SteadyTime lf_nextDeadline(SteadyTime deadline, SteadyTime now, bool secondTickPending);
// At least one whole millisecond is left before the deadline.
bool lf_sleepNeeded(SteadyTime deadline, SteadyTime now);
