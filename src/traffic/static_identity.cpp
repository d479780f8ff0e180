#include "traffic/static_identity.h"

#include "core/log.h"
#include "core/parameters.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <cstdint>
#include <string>

namespace {

// Hexids of the feed lie above it; a smaller value in a static aircraft is no hexid.
constexpr std::uint32_t kLowestStaticHexid = 10000;

const char* lf_identityGroundWord(const LiveAircraft& live) {
    return live.onGround ? "on ground" : "airborne";
}

// An empty text names nothing.
bool lf_namesStatic(const std::string& text, const AiAircraft& parked) {
    return !text.empty() &&
           (text == parked.firstReceivedCallsign || text == parked.coupledCallsign);
}

// The live callsign text that names the static aircraft; nullptr when none does.
const std::string* lf_matchingCallsign(const LiveAircraft& live, const std::string& ghostOf,
                                       const AiAircraft& parked) {
    for (const std::string* text : {&live.callsign, &live.coupledCallsign, &ghostOf}) {
        if (lf_namesStatic(*text, parked)) {
            return text;
        }
    }
    return nullptr;
}

void lf_logSameCallsign(const LiveAircraft& live, const AiAircraft& parked,
                        const std::string& matched) {
    const bool same = !live.callsign.empty() && live.callsign == parked.firstReceivedCallsign;
    gf_log(fmt::format("{:8}: {:8} \"{} {}\" removed, new {} {} \"{} {}\" has {} callsign {}",
                       gf_standLogName(parked.standId), parked.callsign,
                       parked.firstReceivedCallsign, parked.coupledCallsign,
                       lf_identityGroundWord(live), live.callsign, live.firstReceivedCallsign,
                       live.coupledCallsign, same ? "same" : "coupled", matched));
}

} // namespace

namespace ksb {

bool lf_checkSameIdentity(const LiveAircraft& live, const AiAircraft& parked) {
    if (parked.state != LiveState::inSimulator) {
        return false;
    }
    const bool log = LOG.value();
    if (parked.trafficValue > kLowestStaticHexid && parked.trafficValue == live.flightKey) {
        if (log) {
            gf_log(fmt::format("{:8}: {:8} removed, new {} {} has same hexid",
                               gf_standLogName(parked.standId), parked.callsign,
                               lf_identityGroundWord(live), live.callsign));
        }
        return true;
    }
    if (!live.registration.empty() && live.registration == parked.registration) {
        if (log) {
            gf_log(fmt::format("{:8}: {:8} {} removed, new {} {} has same regcode {}",
                               gf_standLogName(parked.standId), parked.callsign, parked.type,
                               lf_identityGroundWord(live), live.callsign, live.registration));
        }
        return true;
    }
    // A ghost stands for the flight whose callsign it carries before its "_".
    std::string ghostOf;
    if (live.callsign.size() > 1 && live.callsign.back() == '_') {
        ghostOf = live.callsign.substr(0, live.callsign.size() - 1);
    }
    const std::string* matched = lf_matchingCallsign(live, ghostOf, parked);
    if (matched == nullptr) {
        return false;
    }
    if (log) {
        lf_logSameCallsign(live, parked, *matched);
    }
    return true;
}

void lf_removeStaticTwinOfLive(LiveAircraft& live) {
    if (!live.onGround || live.state != LiveState::inSimulator) {
        return;
    }
    const std::string tail = live.callsign.empty() ? std::string() : live.callsign + "*";
    for (AiAircraft& parked : trafficState.statics) {
        if (parked.state != LiveState::inSimulator) {
            continue;
        }
        if ((!tail.empty() && parked.callsign == tail) ||
            (!live.registration.empty() && parked.registration == live.registration)) {
            trafficState.linkServices.releaseAiAircraft(parked);
            return;
        }
    }
}

} // namespace ksb
