// The coupled-callsign search: a live flight learns the other callsign its aircraft flew under
// when it stood on a stand of the park airport around this time.
#include "traffic/stand_search.h"

#include "airports/park_airport_state.h"
#include "core/log.h"
#include "core/parameters.h"
#include "traffic/stand_table.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>

bool lf_coupledOptionMatches(const CoupledSearch& search, const StandObservation& option) {
    LiveAircraft& aircraft = *search.aircraft;
    if (option.sequenceNumber == 0 || option.excluded || option.day != search.day ||
        (option.halfHours & search.window).none() || option.airline != aircraft.airline ||
        option.coupledCallsign.empty() ||
        (option.callsign != search.callsign && option.coupledCallsign != search.callsign)) {
        return false;
    }
    aircraft.firstReceivedCallsign = option.callsign;
    aircraft.coupledCallsign = option.coupledCallsign;
    if (LOG.value()) {
        gf_log(fmt::format("          [{} from couple \"{}:{}\" at stand {}]", aircraft.callsign,
                           option.callsign, option.coupledCallsign,
                           gf_standLogName(aircraft.standId)));
    }
    return true;
}

namespace ksb {

void lf_searchForCoupledCsAroundThisTime(DayHalfHour time, LiveAircraft& aircraft) {
    try {
        const int slot = gf_halfHourOfPair(time);
        const int width = aircraft.category == AircraftCategory::heavy ? 14 : 10;
        CoupledSearch search;
        search.day = gf_weekdayOf(time);
        for (int s = std::max(slot - width, 0); s <= std::min(slot + width, 47); ++s) {
            search.window.set(static_cast<std::size_t>(s));
        }
        search.callsign = aircraft.callsign;
        if (gf_isGhostCallsign(search.callsign)) {
            search.callsign.remove_suffix(1);
        }
        search.aircraft = &aircraft;
        for (const ParkPosition& stand : gf_parkAirportState().stands) {
            for (const StandObservation& option : stand.observations) {
                if (lf_coupledOptionMatches(search, option)) {
                    return;
                }
            }
        }
    } catch (const std::exception& e) {
        gf_log(fmt::format("lf_searchForCoupledCsAroundThisTime {}", e.what()));
    }
}

} // namespace ksb
