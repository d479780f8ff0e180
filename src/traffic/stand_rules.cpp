// Who keeps a stand that a newcomer wants: the aircraft parked on it, or parked on a neighbour
// stand close enough for the wings to touch.
#include "traffic/conflicts.h"

#include "catalogue/catalogue.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/time_text.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_hooks.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <optional>
#include <string>

namespace {

// Stand id 0 (no stand) and ids not in the table match no aircraft.
bool lf_standRuleParkedOn(const LiveAircraft& aircraft, std::uint32_t standId) {
    return standId != 0 && aircraft.parkedInSimulator() && aircraft.standId == standId &&
           gf_findStandById(standId) != nullptr;
}

// `longer` is `shorter` followed by one character; an empty `shorter` never counts.
bool lf_standRuleOneLonger(const std::string& longer, const std::string& shorter) {
    return !shorter.empty() && longer.size() == shorter.size() + 1 &&
           longer.compare(0, shorter.size(), shorter) == 0;
}

// Nautical miles between two stands of the table; none when either is not there.
std::optional<double> lf_standRuleApart(std::uint32_t a, std::uint32_t b) {
    const ParkPosition* first = gf_findStandById(a);
    const ParkPosition* second = gf_findStandById(b);
    if (first == nullptr || second == nullptr) {
        return std::nullopt;
    }
    return gf_distanceNM(Position{first->latitude, first->longitude},
                         Position{second->latitude, second->longitude});
}

} // namespace

namespace ksb {

bool lf_sameCallsignWantsStand(StandRuleContext& context, LiveAircraft& other) {
    if (!lf_standRuleParkedOn(other, context.wantedStandId)) {
        return false;
    }
    const std::string& n = context.newcomer.callsign;
    const std::string& l = other.callsign;
    const std::string stand = gf_standLogName(context.wantedStandId);
    // Lines are formatted only while LOG is on.
    const auto release = [&](auto line) {
        if (LOG.value()) {
            gf_log(line());
        }
        trafficState.linkServices.releaseAiAircraft(other);
        return false;
    };
    const auto refuse = [&](auto line) {
        if (LOG.value()) {
            gf_log(line());
        }
        context.allowed = false;
        return true;
    };
    if (!n.empty() && n == l) {
        return release([&] {
            return fmt::format("{:8}: {:8} ac with same callsign {} wants it, remove existing ... ",
                               stand, l, n);
        });
    }
    if (lf_standRuleOneLonger(n, l)) {
        return refuse([&] {
            return fmt::format("{:8}: {:8} ghost {} wants it, but don't do it ... ", stand, l, n);
        });
    }
    const auto replaceBy = [&] {
        return fmt::format("{:8}: {:8} ghost, replace by {}", stand, l, n);
    };
    if (lf_standRuleOneLonger(l, n)) {
        return release(replaceBy);
    }
    const bool otherIsGhost = gf_isGhostCallsign(l);
    const bool newcomerIsGhost = gf_isGhostCallsign(n);
    if (otherIsGhost && !newcomerIsGhost) {
        return release(replaceBy);
    }
    if (newcomerIsGhost && !otherIsGhost) {
        return refuse(
            [&] { return fmt::format("{:8}: {:8} ghost {} wants it, refused ", stand, l, n); });
    }
    if (!other.standChecked) {
        return release(
            [&] { return fmt::format("{:8}: {:8} removed because of new {}", stand, l, n); });
    }
    // Its feed has shown it on the stand: it stays, the newcomer goes elsewhere.
    return refuse([&] {
        return fmt::format("{:8}: {:8} other live {} wants it? {} ", stand, l, n,
                           gf_logTimeStamp());
    });
}

bool lf_adjacentStandConflict(StandRuleContext& context, LiveAircraft& other) {
    const std::string& n = context.newcomer.callsign;
    if (!lf_standRuleParkedOn(other, context.neighbourStandId) ||
        (!n.empty() && other.callsign == n)) {
        return false;
    }
    const std::optional<double> apart =
        lf_standRuleApart(context.wantedStandId, context.neighbourStandId);
    if (!apart) {
        return false;
    }
    const double spans = gf_wingspanOfType(other.type) + gf_wingspanOfType(context.newcomer.type);
    if (*apart < spans) {
        if (LOG.value()) {
            gf_log(fmt::format("{:8}: {:8} at adjacent and colliding, {} blocks live {} parking",
                               gf_standLogName(context.wantedStandId), n, other.callsign, n));
        }
        context.allowed = false;
        return true;
    }
    if (LOG.value()) {
        gf_log(
            fmt::format("{:8}: {:8} stays, while live {} at adjacent, and possibly colliding {}, "
                        "is parking, but wingspans fit",
                        gf_standLogName(other.standId), other.callsign, n,
                        gf_standLogName(context.wantedStandId)));
    }
    return false;
}

bool lf_removedByAdjacentParking(StandRuleContext& context, LiveAircraft& other) {
    if (!lf_standRuleParkedOn(other, context.neighbourStandId)) {
        return false;
    }
    const std::optional<double> apart =
        lf_standRuleApart(context.wantedStandId, context.neighbourStandId);
    if (!apart) {
        return false;
    }
    const LiveAircraft& arriving = context.newcomer;
    if (*apart < other.halfWingSpan + arriving.halfWingSpan) {
        if (LOG.value()) {
            gf_log(fmt::format("{:8}: {:8} removed by adjacent parking {} {}",
                               gf_standLogName(other.standId), other.callsign, arriving.callsign,
                               gf_utcClockText()));
        }
        trafficState.linkServices.releaseAiAircraft(other);
        return true;
    }
    if (LOG.value()) {
        gf_log(
            fmt::format("{:8}: {:8} stays, while live {} at adjacent, and possibly colliding {}, "
                        "is parking, but wingspans fit {}",
                        gf_standLogName(other.standId), other.callsign, arriving.callsign,
                        gf_standLogName(context.wantedStandId), gf_utcClockText()));
    }
    return false;
}

} // namespace ksb
