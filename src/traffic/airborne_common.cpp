#include "traffic/motion.h"

#include "traffic/traffic_state.h"

#include <algorithm>
#include <limits>

namespace ksb {
namespace {

constexpr std::int32_t kNarrowestWindow = 1000;
constexpr std::int32_t kWindowShrink = 100;
constexpr std::int32_t kOpenWindow = 3000;
constexpr std::int32_t kTakeOffLateWindow = 5000;
constexpr double kFewestTicks = 25.0;

std::int32_t lf_shrunkWindow(std::int32_t window) {
    return window > kNarrowestWindow ? std::max(window - kWindowShrink, kNarrowestWindow) : window;
}

} // namespace

std::uint32_t gf_motionThrottle(const LiveAircraft& aircraft, std::uint32_t state) {
    return aircraft.category == AircraftCategory::rotorcraft ? 4u : state;
}

void gf_shrinkSampleWindows(LiveAircraft& aircraft) {
    aircraft.earlyWindow = lf_shrunkWindow(aircraft.earlyWindow);
    aircraft.lateWindow = lf_shrunkWindow(aircraft.lateWindow);
}

void gf_openSampleWindows(LiveAircraft& aircraft) {
    aircraft.earlyWindow = kOpenWindow;
    aircraft.lateWindow = aircraft.takeOffRoll ? kTakeOffLateWindow : kOpenWindow;
}

void gf_clearCurve(LiveAircraft& aircraft) {
    aircraft.curveControlX = std::numeric_limits<double>::quiet_NaN();
    aircraft.curveControlY = std::numeric_limits<double>::quiet_NaN();
    aircraft.curveParameter = 0.0;
}

std::int64_t gf_motionNow() {
    return trafficState.tickCounter.load();
}

double gf_ticksToNextSample(const LiveAircraft& aircraft) {
    if (aircraft.samples.size() < 2) {
        return kFewestTicks;
    }
    const std::int64_t ticks = std::int64_t{aircraft.samples[1].dueTick} - gf_motionNow();
    return std::max(static_cast<double>(ticks), kFewestTicks);
}

} // namespace ksb
