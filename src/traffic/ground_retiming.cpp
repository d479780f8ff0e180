// Re-timing of the next ground sample: distance over speed, the turn rate scaled to the turn
// ahead, all within the windows around the feed's own due tick.
#include "traffic/motion.h"

#include "core/geodesy.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace ksb {

namespace {

constexpr double kRetimeSlowest = 1.0; // knots
constexpr std::int32_t kWindowOpenEarly = 3000;
constexpr std::int32_t kWindowOpenLate = 3000;
constexpr std::int32_t kWindowTakeOffLate = 5000;
constexpr std::int32_t kWindowNarrowest = 1000;
constexpr std::int32_t kWindowShrink = 100;
constexpr std::int32_t kWindowWideTurn = 2000;
// Turns up to this many degrees are stretched over the sample interval, larger ones sped up.
constexpr double kGentleTurn = 45.0;
constexpr double kStretchFrom = 1.2;

double lf_retimeDistance(const LiveAircraft& aircraft) {
    const PositionSample& current = aircraft.samples[0];
    const PositionSample& next = aircraft.samples[1];
    return gf_distanceNM(gf_samplePosition(current), gf_samplePosition(next));
}

// The turn rate fitted to the turn ahead: a gentle turn spread over the interval, a sharp one
// quickened, never more than 90 degrees' worth.
void lf_scaleTurnRate(LiveAircraft& aircraft, std::int64_t ticks, double distance) {
    const double angle = aircraft.turning ? aircraft.turnAngle : aircraft.curveTurnAngle;
    if (angle == 0.0 || distance <= 0.0 || !(aircraft.turnRate > 0.0)) {
        return;
    }
    // Degrees over radians per tick, as the turn tables have always been read.
    const double turnTicks = std::max(std::round(angle / aircraft.turnRate / 100.0), 1.0);
    const double r = static_cast<double>(ticks) / turnTicks;
    if (angle <= kGentleTurn) {
        const double factor =
            r >= kStretchFrom ? std::min({r * 10.0 / angle, r * 30.0 / distance, r}) : r;
        if (factor > 0.0 && std::isfinite(factor)) {
            aircraft.turnRate /= factor;
        }
        return;
    }
    aircraft.turnRate *= std::min(r, std::min(angle, 90.0) / 30.0);
    if (angle >= 90.0) {
        aircraft.earlyWindow = std::max(aircraft.earlyWindow, kWindowWideTurn);
        aircraft.lateWindow = std::max(aircraft.lateWindow, kWindowWideTurn);
    }
}

} // namespace

void lf_openWindows(LiveAircraft& aircraft) {
    aircraft.earlyWindow = kWindowOpenEarly;
    aircraft.lateWindow = aircraft.takeOffRoll ? kWindowTakeOffLate : kWindowOpenLate;
}

void lf_shrinkWindows(LiveAircraft& aircraft) {
    for (std::int32_t* window : {&aircraft.earlyWindow, &aircraft.lateWindow}) {
        if (*window > kWindowNarrowest) {
            *window = std::max(*window - kWindowShrink, kWindowNarrowest);
        }
    }
}

double lf_groundSpeedEstimate(const LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return kRetimeSlowest;
    }
    const PositionSample& current = aircraft.samples[0];
    const PositionSample& next = aircraft.samples[1];
    double estimate = (current.groundSpeed + next.groundSpeed) / 2.0;
    if (current.groundSpeed == 0.0 && next.groundSpeed == 0.0) {
        const std::int64_t ticks = std::max<std::int64_t>(
            std::int64_t{next.dueTick} - std::int64_t{current.dueTick}, kFewestSampleTicks);
        estimate = lf_retimeDistance(aircraft) * kTicksPerHour / static_cast<double>(ticks);
    }
    return std::isfinite(estimate) ? std::max(estimate, kRetimeSlowest) : kRetimeSlowest;
}

void lf_setNextSampleTick(LiveAircraft& aircraft, std::int64_t ticks) {
    if (aircraft.samples.size() < 2) {
        return;
    }
    PositionSample& next = aircraft.samples[1];
    const std::int64_t now = gf_motionNow();
    const std::int64_t feedDue = next.dueTick;
    std::int64_t t = now + ticks;
    if (aircraft.extraSamples <= 0) {
        t = std::min(t, feedDue + aircraft.lateWindow);
        t = std::max(t, feedDue - aircraft.earlyWindow);
    }
    next.dueTick = gf_clampTick(std::max(t, now));
}

void lf_timeNextGroundSample(LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return;
    }
    const PositionSample& current = aircraft.samples[0];
    PositionSample& next = aircraft.samples[1];
    const std::int64_t now = gf_motionNow();
    if (next.repeated) {
        // Standing still: at the feed's pace, at least 25 ticks on.
        const std::int64_t c = current.dueTick;
        const std::int64_t n = next.dueTick;
        std::int64_t t = std::max(c + std::max<std::int64_t>(n - c, kFewestSampleTicks),
                                  now + kFewestSampleTicks);
        if (aircraft.extraSamples <= 0) {
            if (t > n + aircraft.lateWindow) {
                t = n + aircraft.lateWindow;
            } else {
                t = std::max(t, n - aircraft.earlyWindow);
            }
        }
        next.dueTick = gf_clampTick(std::max(t, now));
        return;
    }
    aircraft.turnRate = aircraft.baseTurnRate;
    const double distance = lf_retimeDistance(aircraft);
    const double ticksWanted =
        std::round(distance * kTicksPerHour / lf_groundSpeedEstimate(aircraft));
    const std::int64_t ticks =
        std::isfinite(ticksWanted)
            ? std::clamp<std::int64_t>(static_cast<std::int64_t>(std::min(ticksWanted, 1e12)),
                                       kFewestSampleTicks, std::numeric_limits<std::int32_t>::max())
            : kFewestSampleTicks;
    if (lf_hasCurve(aircraft) || aircraft.turning) {
        lf_scaleTurnRate(aircraft, ticks, distance);
    }
    lf_setNextSampleTick(aircraft, ticks);
    if (lf_hasCurve(aircraft) && aircraft.phase != FlightPhase::pushBackUnderWay) {
        lf_setCurveStep(aircraft);
    }
}

} // namespace ksb
