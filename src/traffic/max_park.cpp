// The number of parked aircraft at the park airport stays within the wanted count: the live
// aircraft that has stood longest goes, and the static aircraft that has stood longest.
#include "traffic/conflicts.h"

#include "core/clock.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/time_of_week.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/new_flight.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// The static aircraft in state 2 that has stood longest, wrapping through the week; the first in
// list order among equals. nullptr when none is in state 2.
AiAircraft* lf_longestStandingStatic() {
    const DayHalfHour now = dayHalfHourNow.load();
    AiAircraft* longest = nullptr;
    int longestElapsed = -1;
    for (AiAircraft& aircraft : trafficState.statics) {
        if (aircraft.state != LiveState::inSimulator) {
            continue;
        }
        const int elapsed = gf_halfHoursElapsed(aircraft.parkedAt, now);
        if (elapsed > longestElapsed) {
            longest = &aircraft;
            longestElapsed = elapsed;
        }
    }
    return longest;
}

} // namespace

namespace ksb {

void lf_listParkedLive(std::vector<ParkedMinutes>& list) {
    list.clear();
    const Clock::SteadyTime now = gf_clock().steadyNow();
    for (const LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.parkedInSimulator()) {
            const auto minutes =
                std::chrono::duration_cast<std::chrono::minutes>(now - aircraft.atStandSince);
            list.push_back(ParkedMinutes{aircraft.flightKey, minutes.count()});
        }
    }
    std::stable_sort(list.begin(), list.end(), [](const ParkedMinutes& a, const ParkedMinutes& b) {
        return a.minutes > b.minutes;
    });
}

void lf_checkMaxPark(int extra) {
    if (RT_PARKTRAFFIC_ONLY.value()) {
        return;
    }
    const std::vector<LiveAircraft>& live = trafficState.live;
    // Counted once: a call may release a live aircraft and a static one.
    const std::int64_t parked = static_cast<std::int64_t>(std::count_if(
                                    live.begin(), live.end(),
                                    [](const LiveAircraft& a) { return a.parkedInSimulator(); })) +
                                extra;
    const std::int64_t wanted = gf_wantedStaticCount();
    if (!INITIAL_LOAD_ONLY.value() && wanted >= 1 && parked > wanted) {
        std::vector<ParkedMinutes> list;
        lf_listParkedLive(list);
        LiveAircraft* longest = list.empty() ? nullptr : gf_liveByKey(list.front().flightKey);
        if (longest != nullptr) {
            if (LOG.value()) {
                gf_log(fmt::format("{:}: {:8} max park exceeded, removed",
                                   gf_standLogName(longest->standId), longest->callsign));
            }
            trafficState.linkServices.releaseAiAircraft(*longest);
        }
    }
    const std::vector<AiAircraft>& statics = trafficState.statics;
    const auto standing = static_cast<std::int64_t>(
        std::count_if(statics.begin(), statics.end(), [](const AiAircraft& aircraft) {
            return aircraft.state == LiveState::inSimulator ||
                   aircraft.state == LiveState::beingRemoved;
        }));
    if (parked + standing > wanted) {
        if (AiAircraft* longest = lf_longestStandingStatic()) {
            trafficState.linkServices.releaseAiAircraft(*longest);
        }
    }
}

} // namespace ksb
