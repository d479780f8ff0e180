#pragma once
// Scripted feed tracks made of legs: each leg flies (or taxies) a straight line at one speed and
// vertical rate, one record every few seconds. Legs follow on from each other unless one gives
// its own start or altitude, so a corner is simply the next leg's heading. The records are
// checked against the intake's filters, so a script that the intake would thin out fails at
// once instead of testing something else.
#include "core/flight_records.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace ksb::test {

struct Leg {
    std::optional<double> latitude = std::nullopt;  // degrees; the previous leg's end when absent
    std::optional<double> longitude = std::nullopt; // degrees
    double heading = 90.0;           // degrees, the track of every record
    double knots = 0.0;              // ground speed
    double feetPerMinute = 0.0;      // vertical rate; the altitude changes by it between records
    std::optional<double> altitude = std::nullopt;  // feet; the previous leg's end when absent
    bool airborne = false;
    double spacing = 4.0; // seconds from the record before
    int count = 1;
    // The heading also as a valid true heading, and a bank when given (radians).
    bool trueHeading = false;
    std::optional<double> bank = std::nullopt;
};

// The records of the legs, identity from the builder's next record, stamps on from the
// builder's next stamp. Throws std::invalid_argument when two records would trip a filter of the
// intake (not more than 1.0 s apart, a tenfold speed jump, slow ground records within 20 m and
// 15 s, fast airborne records within 450 m on one track).
class LiveFlightBuilder;
std::vector<LiveFlight> legTrack(LiveFlightBuilder& builder, const std::vector<Leg>& legs);

// The records as samples for function tests: the first due at firstDueTick, the others by their
// stamps (100 ticks a second).
std::vector<PositionSample> samplesOf(const std::vector<LiveFlight>& records,
                                      std::int32_t firstDueTick);

} // namespace ksb::test
