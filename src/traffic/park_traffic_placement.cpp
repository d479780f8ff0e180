// The aircraft the live-traffic service reports parked at the park airport, placed on their
// stands before anything learned.
#include "traffic/static_plan.h"

#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/strings.h"
#include "traffic/free_stand.h"
#include "traffic/new_flight.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace {

// 110 m: how far a reported position may lie from its stand.
constexpr double kParkTrafficStandReachNm = 0.05939524838012959;

// Wings of the newcomer and of an entry already planned on a neighbour stand must not overlap.
bool lf_parkTrafficNeighbourClashes(const ParkPosition& stand, double halfWingSpan) {
    for (const std::uint32_t adjacentId : stand.adjacentStandIds) {
        const ParkPosition* neighbour = gf_findStandById(adjacentId);
        if (neighbour == nullptr) {
            continue;
        }
        const double apart = gf_distanceNM(Position{stand.latitude, stand.longitude},
                                           Position{neighbour->latitude, neighbour->longitude});
        for (const StandToFill& entry : trafficState.standsToFill) {
            if (entry.standId == adjacentId &&
                halfWingSpan + gf_wingspanOfType(entry.type) > apart) {
                return true;
            }
        }
    }
    return false;
}

// A static parked-traffic aircraft on the stand, not the record's own, holds the record back:
// the one that stands there since the earlier time keeps the stand. True when held back.
bool lf_parkTrafficHeldByStatic(const ParkedFlight& record, ParkPosition& stand) {
    const DayHalfHour now = dayHalfHourNow.load();
    for (AiAircraft& parked : trafficState.statics) {
        if (!parked.creatorFlag || parked.standId != stand.standId ||
            !ksb::lf_staticStillStanding(parked)) {
            continue;
        }
        if (!record.callsign.empty() && gf_equalsWithStar(record.callsign, parked.callsign)) {
            continue; // the same aircraft: planned as usual, the renewal keeps it
        }
        const DayHalfHour recordSince = gf_halfHoursBefore(now, record.age);
        if (ksb::lf_sameTimeOrLater(recordSince, parked.parkedAt, now)) {
            trafficState.adjustments.push_back(
                ksb::StaticAdjustment{parked.callsign, stand.standId});
            ksb::lf_removeStaticAircraft(parked); // may erase records: the walk ends here
            return true;
        }
        std::string callsign = parked.callsign;
        if (!callsign.empty()) {
            callsign.pop_back();
        }
        trafficState.standsToFill.push_back(
            StandToFill{parked.trafficValue, gf_halfHoursElapsed(parked.parkedAt, now),
                        parked.airline, parked.type, stand.standId, std::move(callsign),
                        std::string(), parked.registration, true, true});
        gf_markStandTaken(stand);
        return true;
    }
    return false;
}

// The entry plans the static parked-traffic aircraft again on its own stand.
bool lf_parkTrafficPlannedAgain(const StandToFill& entry, const AiAircraft& parked) {
    return entry.fromParkTraffic && entry.standId == parked.standId &&
           ((entry.flightId != 0 && entry.flightId == parked.trafficValue) ||
            (!entry.callsign.empty() && gf_equalsWithStar(entry.callsign, parked.callsign)));
}

} // namespace

namespace ksb {

bool lf_isLiveTwin(const ParkedFlight& record, const LiveAircraft& live) {
    if (record.flightId != 0 && live.flightKey == record.flightId) {
        return true;
    }
    if (!record.callsign.empty() &&
        (live.callsign == record.callsign || live.callsign == record.callsign + "_")) {
        return true;
    }
    return !record.registration.empty() && live.registration == record.registration;
}

void lf_placeParkTraffic(const ParkedFlight& record) {
    if (trafficState.seenFlightIds.contains(record.flightId)) {
        return;
    }
    if (!record.callsign.empty() && (trafficState.seenCallsigns.contains(record.callsign) ||
                                     trafficState.seenCallsigns.contains(record.callsign + "_"))) {
        return;
    }
    for (const LiveAircraft& live : trafficState.live) {
        if (lf_isLiveTwin(record, live)) {
            return;
        }
    }
    Flight flight;
    static_cast<FlightIdentity&>(flight) = record;
    if (flight.airline.empty()) {
        flight.airline = "PVT";
    }
    flight.category = static_cast<AircraftCategory>(gf_typeCategory(flight.type));
    flight.halfWingSpan = gf_wingspanOfType(flight.type);
    ParkPosition* stand = gf_findFreeStand(Position{record.latitude, record.longitude}, flight,
                                           kParkTrafficStandReachNm, false);
    if (stand == nullptr) {
        gf_log(fmt::format("[{:10}: {:8x} {:8} {:12} ===> could not find a stand for PT's {}]",
                           record.callsign, record.flightId, record.type, record.registration,
                           record.stand));
        return;
    }
    if (stand->blocked || stand->taken ||
        (stand->adjacentTaken && lf_parkTrafficNeighbourClashes(*stand, flight.halfWingSpan)) ||
        lf_parkTrafficHeldByStatic(record, *stand)) {
        return;
    }
    trafficState.standsToFill.push_back(
        StandToFill{record.flightId, record.age, flight.airline, flight.type, stand->standId,
                    flight.callsign, std::string(), flight.registration, true, true});
    gf_markStandTaken(*stand);
}

void lf_placeParkedFlights(const std::vector<ParkedFlight>& records) {
    const bool onlyParkTraffic = RT_PARKTRAFFIC_ONLY.value();
    const std::int64_t wanted = gf_wantedStaticCount();
    if (wanted < 1 && !onlyParkTraffic) {
        return;
    }
    for (const ParkedFlight& record : records) {
        if (!onlyParkTraffic &&
            static_cast<std::int64_t>(trafficState.standsToFill.size()) >= wanted) {
            break;
        }
        lf_placeParkTraffic(record);
    }
}

void lf_keepPlannedParkTraffic() {
    std::vector<StandToFill>& entries = trafficState.standsToFill;
    for (const AiAircraft& parked : trafficState.statics) {
        if (!parked.creatorFlag || !lf_staticStillStanding(parked)) {
            continue;
        }
        const auto planned =
            std::find_if(entries.begin(), entries.end(), [&parked](const StandToFill& entry) {
                return lf_parkTrafficPlannedAgain(entry, parked);
            });
        if (planned != entries.end()) {
            entries.erase(planned);
            trafficState.stayers.push_back(lf_stayerOf(parked));
        } else {
            trafficState.adjustments.push_back(StaticAdjustment{parked.callsign, parked.standId});
        }
    }
}

StaticStayer lf_stayerOf(const AiAircraft& parked) {
    std::string tail = parked.callsign;
    if (!tail.empty() && tail.back() == '*') {
        tail.pop_back();
    }
    return StaticStayer{parked.firstReceivedCallsign,
                        std::move(tail),
                        parked.registration,
                        parked.airline,
                        parked.type,
                        parked.parkedAt,
                        parked.standId,
                        parked.creatorFlag};
}

} // namespace ksb
