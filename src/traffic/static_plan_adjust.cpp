// The 20-minute renewal of the static parking: the plan made again against the static and live
// aircraft already standing, so that only the differences are removed and created.
#include "traffic/static_parking.h"

#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/strings.h"
#include "traffic/conflicts.h"
#include "traffic/new_flight.h"
#include "traffic/stand_table.h"
#include "traffic/static_plan.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

// 1.8 m: how far a static aircraft may stand off the point of a stand that an entry plans.
constexpr double kAdjustFitMarginNm = 0.0009719222462203025;

bool lf_adjustSameText(const std::string& a, const std::string& b) {
    return !a.empty() && a == b;
}

bool lf_adjustListed(const AiAircraft& parked) {
    return std::any_of(trafficState.adjustments.begin(), trafficState.adjustments.end(),
                       [&parked](const ksb::StaticAdjustment& entry) {
                           return entry.standId == parked.standId &&
                                  entry.callsign == parked.callsign;
                       });
}

void lf_adjustMarkTaken(std::uint32_t standId) {
    if (ParkPosition* stand = gf_findStandById(standId)) {
        gf_markStandTaken(*stand);
    }
}

// A live aircraft flies or taxis under one of the static aircraft's callsigns.
bool lf_adjustTwinSeen(const AiAircraft& parked) {
    const std::set<std::string>& seen = trafficState.seenCallsigns;
    std::string tail = parked.callsign;
    if (!tail.empty() && tail.back() == '*') {
        tail.pop_back();
    }
    return (!parked.firstReceivedCallsign.empty() && seen.contains(parked.firstReceivedCallsign)) ||
           (!tail.empty() && seen.contains(tail));
}

// Whether the learned static aircraft stays: its entry in the plan goes then. Otherwise it is put
// on the removal list.
void lf_adjustJudgeStatic(const AiAircraft& parked, DayHalfHour now) {
    std::vector<StandToFill>& entries = trafficState.standsToFill;
    bool stays = false;
    if (!lf_adjustTwinSeen(parked)) {
        const auto entry =
            std::find_if(entries.begin(), entries.end(),
                         [&parked](const StandToFill& e) { return e.standId == parked.standId; });
        if (entry != entries.end()) {
            if (lf_adjustSameText(entry->callsign, parked.firstReceivedCallsign) ||
                lf_adjustSameText(entry->registration, parked.registration)) {
                stays = true;
            } else if (const ParkPosition* stand = gf_findStandById(entry->standId);
                       stand != nullptr &&
                       gf_wingspanOfType(entry->type) + kAdjustFitMarginNm >=
                           gf_distanceNM(Position{stand->latitude, stand->longitude},
                                         Position{parked.standLatitude, parked.standLongitude})) {
                const DayHalfHour entrySince = gf_halfHoursBefore(now, entry->sortKey);
                // The entry's aircraft arrived no later: the one standing keeps the stand.
                stays = ksb::lf_sameTimeOrLater(parked.parkedAt, entrySince, now);
            }
            if (stays) {
                entries.erase(entry);
            }
        }
    }
    if (stays) {
        trafficState.stayers.push_back(ksb::lf_stayerOf(parked));
    } else {
        trafficState.adjustments.push_back(ksb::StaticAdjustment{parked.callsign, parked.standId});
    }
}

// Too many parked at the airport: the worst-fitting entries go first, then the stayers that have
// stood longest, then (unless only the initial load is wanted) parked live aircraft.
void lf_adjustTrim(std::int64_t wanted) {
    std::vector<StandToFill>& entries = trafficState.standsToFill;
    std::vector<ksb::StaticStayer>& stayers = trafficState.stayers;
    std::vector<ksb::ParkedLiveEntry>& parkedLive = trafficState.parkedLive;
    ksb::lf_sortStandsToFill(false);
    std::int64_t excess =
        static_cast<std::int64_t>(parkedLive.size() + entries.size() + stayers.size()) - wanted;
    for (; excess > 0; --excess) {
        if (!entries.empty()) {
            entries.pop_back();
        } else if (!stayers.empty()) {
            trafficState.adjustments.push_back(
                ksb::StaticAdjustment{stayers.back().tail + "*", stayers.back().standId});
            stayers.pop_back();
        } else if (!parkedLive.empty()) {
            if (!INITIAL_LOAD_ONLY.value()) {
                const ksb::ParkedLiveEntry& last = parkedLive.back();
                for (LiveAircraft& live : trafficState.live) {
                    if (live.parkedInSimulator() && live.callsign == last.callsign &&
                        live.standId == last.standId) {
                        trafficState.linkServices.releaseAiAircraft(live);
                        break;
                    }
                }
            }
            parkedLive.pop_back();
        }
    }
}

// The removals carried out; the controls stay locked while entries remain to be created (the
// park-airport check unlocks them once the list is empty).
void lf_adjustFinish() {
    ksb::lf_applyStaticRemovals();
    if (!trafficState.standsToFill.empty()) {
        trafficState.linkServices.lockControls();
    }
}

} // namespace

namespace ksb {

void gf_adjustStaticParking(bool parkTrafficOnlySwitchedOn) {
    const DayHalfHour time = lf_logTimeFrame();
    trafficState.linkServices.lockControls();
    lf_startStaticPlan();
    // An exclusion of the stand search lasts until the next renewal.
    for (ParkPosition& stand : gf_parkAirportState().stands) {
        for (StandObservation& option : stand.observations) {
            option.excluded = false;
        }
    }

    if (parkTrafficOnlySwitchedOn) {
        for (const AiAircraft& parked : trafficState.statics) {
            if (!parked.creatorFlag && lf_staticStillStanding(parked)) {
                trafficState.adjustments.push_back(
                    StaticAdjustment{parked.callsign, parked.standId});
            }
        }
    }

    const bool onlyParkTraffic = RT_PARKTRAFFIC_ONLY.value();
    const std::int64_t wanted = gf_wantedStaticCount();
    lf_collectParkedLive();
    const auto parkedCount = static_cast<std::int64_t>(trafficState.parkedLive.size());
    if (!onlyParkTraffic && wanted >= 1 && parkedCount > wanted) {
        const std::int64_t more = parkedCount - wanted;
        gf_showMessage(fmt::format("Parking adjustments: {} more live ac than wanted", more), true);
        lf_removeLongestParked(static_cast<int>(more));
        lf_collectParkedLive();
    }
    for (const ParkedLiveEntry& parked : trafficState.parkedLive) {
        lf_adjustMarkTaken(parked.standId);
    }

    std::optional<std::vector<ParkedFlight>> parkTraffic;
    // Without a login the service would refuse the request; the learned part still runs.
    if (trafficState.feedServices.loggedIn()) {
        parkTraffic = trafficState.feedServices.parkedTraffic();
    }
    if (!parkTraffic) {
        if (onlyParkTraffic) {
            lf_sortStandsToFill(true);
            // The learned aircraft go even so when the user has just asked for parked traffic
            // only.
            lf_adjustFinish();
            return;
        }
    } else {
        lf_placeParkedFlights(*parkTraffic);
        lf_keepPlannedParkTraffic();
        const std::size_t fromParkTraffic = trafficState.standsToFill.size();
        gf_log(fmt::format("{} parking position{} from PT", fromParkTraffic,
                           gf_pluralSuffix(fromParkTraffic)));
        if (onlyParkTraffic) {
            gf_showMessage(fmt::format("ParkTraffic changes: {} to be removed, {} to be added",
                                       trafficState.adjustments.size(), fromParkTraffic),
                           true);
            lf_sortStandsToFill(true);
            lf_adjustFinish();
            return;
        }
    }

    for (const StaticStayer& stayer : trafficState.stayers) {
        lf_adjustMarkTaken(stayer.standId);
    }
    const auto have =
        static_cast<std::int64_t>(trafficState.parkedLive.size() +
                                  trafficState.standsToFill.size() + trafficState.stayers.size());
    if (wanted - have > 0) {
        lf_collectLearnedPositions(time, wanted, have);
    }

    for (const AiAircraft& parked : trafficState.statics) {
        if (!parked.creatorFlag && lf_staticStillStanding(parked) && !lf_adjustListed(parked)) {
            lf_adjustJudgeStatic(parked, time);
        }
    }

    // The longest-standing stayers last, so that the trim gives them up first.
    std::stable_sort(trafficState.stayers.begin(), trafficState.stayers.end(),
                     [time](const StaticStayer& a, const StaticStayer& b) {
                         return gf_halfHoursElapsed(a.standingSince, time) <
                                gf_halfHoursElapsed(b.standingSince, time);
                     });
    for (const StaticStayer& stayer : trafficState.stayers) {
        lf_adjustMarkTaken(stayer.standId);
    }
    gf_log(fmt::format("live stayers: {}, ", trafficState.parkedLive.size()));

    lf_adjustTrim(wanted);
    lf_sortStandsToFill(true);
    gf_log(fmt::format("Parking adjustments: {} to be removed, {} to be added\n",
                       trafficState.adjustments.size(), trafficState.standsToFill.size()));
    lf_adjustFinish();
}

} // namespace ksb
