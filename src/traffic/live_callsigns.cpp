#include "traffic/sample_intake.h"

#include "traffic/traffic_state.h"

#include <algorithm>
#include <string_view>

bool lf_liveCallsignExists(const std::string& callsign, const LiveAircraft* except) {
    // One character would leave the empty text, which is no callsign to find.
    if (callsign.size() < 2) {
        return false;
    }
    const std::string_view base(callsign.data(), callsign.size() - 1);
    return std::any_of(
        trafficState.live.begin(), trafficState.live.end(), [&](const LiveAircraft& aircraft) {
            return &aircraft != except && aircraft.state != LiveState::beingRemoved &&
                   aircraft.callsign == base;
        });
}
