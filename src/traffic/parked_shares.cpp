#include "traffic/parked_shares.h"

#include "core/globals.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/time_of_week.h"
#include "traffic/traffic_state.h"

#include <atomic>

namespace {

// Half hours between parking and now, summed, and the aircraft counted.
struct ParkedTimes {
    int count = 0;
    long long halfHours = 0;

    void add(const AiAircraft& aircraft, DayHalfHour now) {
        ++count;
        halfHours += gf_halfHoursBetween(aircraft.parkedAt, now);
    }
    // Hours per aircraft, the half hour it stands in counted.
    float averageFit() const {
        if (count == 0) {
            return 0.0F;
        }
        return static_cast<float>(static_cast<double>(halfHours) / (2.0 * count) + 0.5);
    }
};

void lf_showFit(std::atomic<float>& field, float fit) {
    if (field.load() != fit) {
        field = fit;
        gf_invalidate(kStatisticsRegion);
    }
}

} // namespace

namespace ksb {

int gf_updateLiveParkedShare(bool show) {
    const DayHalfHour now = dayHalfHourNow.load();
    ParkedTimes times;
    for (const LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.parkedInSimulator()) {
            times.add(aircraft, now);
        }
    }
    if (show) {
        lf_showFit(mainWindow.liveParkedAverageFit, times.averageFit());
    }
    return times.count;
}

int gf_updateStaticParkedShare(bool show) {
    const DayHalfHour now = dayHalfHourNow.load();
    ParkedTimes times;
    for (const AiAircraft& parked : trafficState.statics) {
        if (parked.state == LiveState::inSimulator || parked.state == LiveState::beingRemoved) {
            times.add(parked, now);
        }
    }
    // By weekday the time fit has no meaning, so the window keeps its value.
    if (show && !WEEK.value()) {
        lf_showFit(mainWindow.staticAverageFit, times.averageFit());
    }
    return times.count;
}

} // namespace ksb
