// How well the learned observations cover the stands, and the lookup of a registration's
// observation at a time of week.
#include "airports/airports.h"

#include "core/geodesy.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// One stand's score for one kind of observation: counts, weekdays and half hours, each capped.
constexpr double kObservedBase = 10000.0;
constexpr double kPerObservation = 20.0;
constexpr double kObservationCap = 4000.0;
constexpr double kPerWeekday = 100.0;
constexpr double kPerHalfHour = 2.0;
constexpr std::size_t kHalfHourCap = 600;
// The average score times this is the factor in percent.
constexpr double kScoreToPercent = 0.00625;
constexpr std::int32_t kFactorMax = 100;
constexpr std::int32_t kSlotsPerDay = 48;

std::int32_t lf_factor(double scoreSum, std::size_t standCount) {
    const double factor = std::round(scoreSum / static_cast<double>(standCount) * kScoreToPercent);
    return std::clamp(static_cast<std::int32_t>(factor), 0, kFactorMax);
}

} // namespace

double lf_standScore(const ParkPosition& stand, bool soft) {
    std::size_t count = 0;
    std::size_t halfHours = 0;
    std::array<bool, 8> days{};
    for (const StandObservation& observation : stand.observations) {
        if (observation.soft != soft || observation.sequenceNumber == 0) {
            continue;
        }
        ++count;
        halfHours += observation.halfHours.count();
        if (observation.day >= 1 && observation.day <= 7) {
            days[static_cast<std::size_t>(observation.day)] = true;
        }
    }
    if (count == 0) {
        return 0.0;
    }
    const auto weekdays = static_cast<double>(std::count(days.begin(), days.end(), true));
    return kObservedBase + std::min(kPerObservation * static_cast<double>(count), kObservationCap) +
           kPerWeekday * weekdays +
           kPerHalfHour * static_cast<double>(std::min(halfHours, kHalfHourCap));
}

QualityFactors gf_computeQualityFactors(const std::vector<ParkPosition>& stands) {
    const bool anyRecord = std::any_of(stands.begin(), stands.end(), [](const ParkPosition& s) {
        return !s.observations.empty();
    });
    if (!anyRecord) {
        return QualityFactors{};
    }
    double real = 0.0;
    double soft = 0.0;
    for (const ParkPosition& stand : stands) {
        real += lf_standScore(stand, false);
        soft += lf_standScore(stand, true);
    }
    return QualityFactors{lf_factor(real, stands.size()), lf_factor(soft, stands.size())};
}

std::vector<StandObservation>::const_iterator
gf_findObservationForSlot(const std::vector<StandObservation>& observations, std::int32_t day,
                          std::int32_t slot, std::string_view registration) {
    const auto holds = [](const StandObservation& observation, std::int32_t s) {
        return s >= 0 && s < kSlotsPerDay &&
               observation.halfHours.test(static_cast<std::size_t>(s));
    };
    const std::int32_t before = slot == 0 ? kSlotsPerDay - 1 : slot - 1;
    const std::int32_t after = slot == kSlotsPerDay - 1 ? 0 : slot + 1;
    return std::find_if(observations.begin(), observations.end(),
                        [&](const StandObservation& observation) {
                            return observation.sequenceNumber != 0 && observation.day == day &&
                                   !observation.soft && observation.registration == registration &&
                                   (holds(observation, slot) || holds(observation, before) ||
                                    holds(observation, after));
                        });
}

std::optional<int> gf_standRadiusScore(const ParkPosition& stand, double halfSpanNm) {
    // A wing may overhang the stand by this much.
    constexpr double kOverhangNm = 1.8 / kMetresPerNM;
    // Larger aircraft tolerate a larger stand: the spare radius counts in larger steps.
    constexpr double kLargeHalfSpanNm = 17.8 / kMetresPerNM;
    constexpr double kSmallStepNm = 14.0 / kMetresPerNM;
    constexpr double kLargeStepNm = 21.0 / kMetresPerNM;
    if (halfSpanNm - stand.radius > kOverhangNm) {
        return std::nullopt;
    }
    const double step = halfSpanNm <= kLargeHalfSpanNm ? kSmallStepNm : kLargeStepNm;
    return static_cast<int>(std::round((stand.radius - halfSpanNm) / step));
}

bool gf_standRadiusFits(const ParkPosition& stand, double halfSpanNm) {
    return gf_standRadiusScore(stand, halfSpanNm) == 0;
}
