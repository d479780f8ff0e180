#pragma once
// The motion's clock: the engine tick as "now", ticks until a sample is due, and due ticks kept
// within the 32-bit tick counter. Every motion file counts time through these.
#include "core/flight_records.h"
#include "traffic/live_aircraft.h"

#include <cstdint>

namespace ksb {

// Ticks of 10 ms in an hour: nautical miles over knots times this is ticks.
inline constexpr double kTicksPerHour = 360000.0;
// No sample interval is stepped over fewer ticks than this.
inline constexpr std::int64_t kFewestSampleTicks = 25;

// Current tick of the engine.
std::int64_t gf_motionNow();
// Ticks from now until the sample is due, at least kFewestSampleTicks.
std::int64_t gf_ticksUntil(const PositionSample& sample);
// Ticks until the next sample is due, at least kFewestSampleTicks (also without a next one).
double gf_ticksToNextSample(const LiveAircraft& aircraft);
// A tick brought into the range of the 32-bit tick counter.
std::int32_t gf_clampTick(std::int64_t tick);
// A due tick so many ticks after base, kept within the 32-bit tick counter.
std::int32_t gf_dueTickAfter(std::int64_t base, std::int64_t ticks);

} // namespace ksb
