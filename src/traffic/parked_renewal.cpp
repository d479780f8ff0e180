// What the static-parking renewal takes from the parked live aircraft: the list of those that
// stay, and the release of those that have stood longest.
#include "traffic/conflicts.h"

#include "core/clock.h"
#include "core/log.h"
#include "core/parameters.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Without a feed sample at its stand for longer than this, a parked aircraft has left unseen.
constexpr std::int64_t kUnseenMinutes = 90;
constexpr std::int64_t kUnseenHeavyMinutes = 180;

} // namespace

namespace ksb {

void lf_collectParkedLive() {
    std::vector<ParkedLiveEntry>& list = trafficState.parkedLive;
    list.clear();
    const Clock::SteadyTime now = gf_clock().steadyNow();
    for (LiveAircraft& aircraft : trafficState.live) {
        if (!aircraft.parkedInSimulator()) {
            continue;
        }
        if (aircraft.standChecked) {
            list.push_back(ParkedLiveEntry{aircraft.callsign, aircraft.standId, 0});
            continue;
        }
        const std::int64_t minutes =
            std::chrono::duration_cast<std::chrono::minutes>(now - aircraft.atStandSince).count();
        const std::int64_t limit =
            aircraft.category == AircraftCategory::heavy ? kUnseenHeavyMinutes : kUnseenMinutes;
        if (!INITIAL_LOAD_ONLY.value() && minutes > limit) {
            trafficState.linkServices.releaseAiAircraft(aircraft);
            continue;
        }
        list.push_back(ParkedLiveEntry{aircraft.callsign, aircraft.standId,
                                       static_cast<std::int32_t>(minutes)});
    }
    std::stable_sort(
        list.begin(), list.end(),
        [](const ParkedLiveEntry& a, const ParkedLiveEntry& b) { return a.minutes < b.minutes; });
}

bool lf_removeListedParked(const std::vector<std::uint32_t>& keys, LiveAircraft& aircraft) {
    if (!aircraft.parkedInSimulator() ||
        std::find(keys.begin(), keys.end(), aircraft.flightKey) == keys.end()) {
        return false;
    }
    if (LOG.value()) {
        gf_log(fmt::format("live parked {} at {} removed", aircraft.describe(),
                           gf_standLogName(aircraft.standId)));
    }
    trafficState.linkServices.releaseAiAircraft(aircraft);
    return true;
}

void lf_removeLongestParked(int n) {
    if (n <= 0) {
        return;
    }
    std::vector<ParkedMinutes> parked;
    lf_listParkedLive(parked);
    std::vector<std::uint32_t> keys;
    const std::size_t count = std::min(parked.size(), static_cast<std::size_t>(n));
    keys.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        keys.push_back(parked[i].flightKey);
    }
    for (LiveAircraft& aircraft : trafficState.live) {
        lf_removeListedParked(keys, aircraft);
    }
}

} // namespace ksb
