#include "support/leg_track.h"

#include "core/geodesy.h"
#include "support/live_flight_builder.h"

#include <cmath>
#include <fmt/format.h>
#include <stdexcept>

namespace ksb::test {

namespace {

constexpr double kLegSecondsPerHour = 3600.0;
constexpr double kLegSecondsPerMinute = 60.0;
constexpr double kLegTicksPerSecond = 100.0;
// The intake's filters, as the scripts must pass them.
constexpr double kLegShortestGap = 1.0;          // seconds
constexpr double kLegSlowGround = 30.0;          // knots
constexpr double kLegSlowGroundGap = 0.010799136069114472;  // nautical miles (20 m)
constexpr double kLegSlowGroundSeconds = 15.0;
constexpr double kLegFastAirborne = 120.0;       // knots
constexpr double kLegFastAirborneGap = 0.2429805615550756;  // nautical miles (450 m)
constexpr double kLegSlowGroundTrack = 2.0;      // degrees
constexpr double kLegFastAirborneTrack = 1.0;    // degrees

void lf_checkLegPair(const LiveFlight& last, const LiveFlight& record, std::size_t index) {
    const double dt = record.timeStamp - last.timeStamp;
    const double v = record.groundSpeed;
    const double w = last.groundSpeed;
    auto refuse = [index](const char* why) {
        throw std::invalid_argument(fmt::format("leg record {} would be dropped: {}", index, why));
    };
    if (dt <= kLegShortestGap) {
        refuse("not more than 1 s after the record before");
    }
    if ((w > 5.0 && v >= 10.0 * w) || (v > 5.0 && w >= 10.0 * v) || (w <= 5.0 && v >= 80.0) ||
        (v <= 5.0 && w >= 80.0)) {
        refuse("a tenfold speed jump");
    }
    const double trackDifference = std::fabs(record.track - last.track);
    if (record.airborne && v > kLegFastAirborne && trackDifference <= kLegFastAirborneTrack &&
        dt <= kLegFastAirborneGap / v * kLegSecondsPerHour) {
        refuse("a fast airborne record within 450 m");
    }
    if (!record.airborne && v <= kLegSlowGround && trackDifference <= kLegSlowGroundTrack) {
        const double limit = v > 0.0 ? std::min(kLegSlowGroundGap / v * kLegSecondsPerHour,
                                                kLegSlowGroundSeconds)
                                     : kLegSlowGroundSeconds;
        if (dt <= limit) {
            refuse("a slow ground record within 20 m and 15 s");
        }
    }
}

} // namespace

std::vector<LiveFlight> legTrack(LiveFlightBuilder& builder, const std::vector<Leg>& legs) {
    LiveFlight cursor = builder.next();
    std::vector<LiveFlight> records;
    for (const Leg& leg : legs) {
        if (leg.latitude) {
            cursor.latitude = *leg.latitude;
        }
        if (leg.longitude) {
            cursor.longitude = *leg.longitude;
        }
        if (leg.altitude) {
            cursor.altitude = *leg.altitude;
        }
        for (int i = 0; i < leg.count; ++i) {
            if (!records.empty()) {
                cursor.timeStamp = records.back().timeStamp + leg.spacing;
            }
            cursor.track = leg.heading;
            cursor.trueHeading = leg.heading * kRadiansPerDegree;
            cursor.trueHeadingValid = leg.trueHeading;
            cursor.bank = leg.bank.value_or(0.0);
            cursor.bankValid = leg.bank.has_value();
            cursor.groundSpeed = leg.knots;
            cursor.trueAirspeed = leg.knots;
            cursor.verticalRate = leg.feetPerMinute;
            cursor.airborne = leg.airborne;
            cursor.repeated = false;
            if (!records.empty()) {
                lf_checkLegPair(records.back(), cursor, records.size());
            }
            records.push_back(cursor);
            const double feet = leg.knots * leg.spacing / kLegSecondsPerHour * kFeetPerNM;
            const Position moved = gf_destinationPoint({cursor.latitude, cursor.longitude},
                                                       leg.heading * kRadiansPerDegree, feet);
            cursor.latitude = moved.latitude;
            cursor.longitude = moved.longitude;
            cursor.altitude += leg.feetPerMinute * leg.spacing / kLegSecondsPerMinute;
        }
    }
    return records;
}

std::vector<PositionSample> samplesOf(const std::vector<LiveFlight>& records,
                                      std::int32_t firstDueTick) {
    std::vector<PositionSample> samples;
    for (const LiveFlight& record : records) {
        PositionSample sample = gf_positionSampleOf(record);
        sample.dueTick = firstDueTick +
                         static_cast<std::int32_t>(std::lround(
                             (record.timeStamp - records.front().timeStamp) * kLegTicksPerSecond));
        samples.push_back(sample);
    }
    return samples;
}

} // namespace ksb::test
