#include "traffic/stand_search.h"

#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "core/checked_lookup.h"
#include "core/flight_text.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/strings.h"
#include "traffic/stand_options.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_draw.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>

namespace {

bool lf_counts(const StandObservation& option) {
    return option.sequenceNumber != 0 && !option.excluded;
}

// An empty text never equals anything.
bool lf_sameText(std::string_view a, std::string_view b) {
    return !a.empty() && a == b;
}

// A static aircraft's callsign is the option's text followed by '*'.
bool lf_starredText(std::string_view text, std::string_view staticCallsign) {
    return !text.empty() && gf_equalsWithStar(text, staticCallsign);
}

bool lf_starredOption(const StandObservation& option, std::string_view staticCallsign) {
    return lf_starredText(option.callsign, staticCallsign) ||
           lf_starredText(option.coupledCallsign, staticCallsign);
}

StandObservation* lf_optionNumbered(ParkPosition& stand, std::uint32_t number) {
    for (StandObservation& option : stand.observations) {
        if (option.sequenceNumber == number) {
            return &option;
        }
    }
    return nullptr;
}

// A static aircraft on an adjacent stand would stand in the way of the option's aircraft.
bool lf_neighbourTooClose(const ParkPosition& stand, const StandObservation& option) {
    for (const std::uint32_t adjacentId : stand.adjacentStandIds) {
        const auto onStand = std::find_if(
            trafficState.statics.begin(), trafficState.statics.end(), [&](const AiAircraft& a) {
                return a.state == LiveState::inSimulator && a.standId == adjacentId;
            });
        if (onStand == trafficState.statics.end()) {
            continue;
        }
        const double distance =
            gf_distanceNM(Position{stand.latitude, stand.longitude},
                          Position{onStand->standLatitude, onStand->standLongitude});
        if (distance < gf_wingspanOfType(option.type) + gf_wingspanOfType(onStand->type)) {
            return true;
        }
    }
    return false;
}

// The number of the candidate whose aircraft stands on the stand already as a static aircraft
// that is to leave; 0 for none.
std::uint32_t lf_keptStatic(ParkPosition& stand, const std::vector<std::uint32_t>& candidates) {
    for (const std::uint32_t number : candidates) {
        const StandObservation* option = lf_optionNumbered(stand, number);
        for (const AiAircraft& parked : trafficState.statics) {
            if (parked.standId == stand.standId && !parked.stays &&
                (parked.state == LiveState::creationRequested ||
                 parked.state == LiveState::inSimulator) &&
                gf_sameAirlineAndType(parked, *option) &&
                lf_starredOption(*option, parked.callsign)) {
                return number;
            }
        }
    }
    return 0;
}

bool lf_seenLive(std::string_view callsign) {
    return !callsign.empty() && (trafficState.seenCallsigns.contains(std::string(callsign)) ||
                                 trafficState.seenCallsigns.contains(std::string(callsign) + "_"));
}

// The option's aircraft is shown, or is to be shown, somewhere other than this stand.
bool lf_shownElsewhere(const StandObservation& option, std::uint32_t standId,
                       const std::vector<LearnedCandidate>& chosen) {
    for (const LearnedCandidate& candidate : chosen) {
        if (lf_sameText(option.registration, candidate.registration)) {
            return true;
        }
    }
    if (lf_seenLive(option.callsign) || lf_seenLive(option.coupledCallsign)) {
        return true;
    }
    for (const StandToFill& entry : trafficState.standsToFill) {
        if (lf_sameText(option.callsign, entry.callsign) ||
            lf_sameText(option.coupledCallsign, entry.callsign) ||
            lf_sameText(option.registration, entry.registration)) {
            return true;
        }
    }
    for (const ksb::ParkedLiveEntry& parked : trafficState.parkedLive) {
        if (lf_sameText(option.callsign, parked.callsign) ||
            lf_sameText(option.coupledCallsign, parked.callsign)) {
            return true;
        }
    }
    for (const AiAircraft& parked : trafficState.statics) {
        // The one standing on this very stand is the option's aircraft staying put: planned
        // again, the renewal keeps it instead of removing it and creating it anew next time.
        if (parked.state == LiveState::inSimulator && parked.stays && parked.standId != standId &&
            (lf_starredOption(option, parked.callsign) ||
             lf_sameText(option.registration, parked.registration))) {
            return true;
        }
    }
    return false;
}

// Whether the option's aircraft is still there in the half hour after the time.
bool lf_optionStays(const ParkPosition& stand, const StandObservation& option, DayHalfHour time) {
    if (option.coupledCallsign.empty()) {
        return true;
    }
    const std::int32_t slot = gf_halfHourOfPair(time);
    if (slot < 47) {
        return gf_bitTest(option.halfHours, static_cast<std::size_t>(slot + 1));
    }
    const std::int32_t nextDay = gf_weekdayAfter(gf_weekdayOf(time));
    return std::any_of(stand.observations.begin(), stand.observations.end(),
                       [&](const StandObservation& next) {
                           return lf_counts(next) && next.day == nextDay &&
                                  gf_sameAirlineAndType(next, option) && next.halfHours.test(0);
                       });
}

} // namespace

void lf_searchStands(DayHalfHour time, bool soft, int offset, std::vector<LearnedCandidate>& plan,
                     const std::vector<LearnedCandidate>& chosen) {
    try {
        std::int32_t day = gf_weekdayOf(time);
        std::int32_t slot = gf_halfHourOfPair(time) - offset;
        if (slot < 0) {
            slot += 48;
            day = gf_weekdayBefore(day);
        }
        std::vector<std::uint32_t> candidates;
        for (ParkPosition& stand : gf_parkAirportState().stands) {
            if (stand.blocked || stand.taken || stand.adjacentTaken ||
                (stand.heli && !HELICOPTERS.value())) {
                continue;
            }
            candidates.clear();
            for (const StandObservation& option : stand.observations) {
                if (lf_counts(option) && option.soft == soft &&
                    (WEEK.value() || option.day == day) &&
                    gf_bitTest(option.halfHours, static_cast<std::size_t>(slot)) &&
                    !lf_neighbourTooClose(stand, option)) {
                    candidates.push_back(option.sequenceNumber);
                }
            }
            if (candidates.empty()) {
                continue;
            }
            std::uint32_t number = candidates.size() > 1 ? lf_keptStatic(stand, candidates) : 0;
            if (number == 0) {
                gf_trafficShuffle(candidates);
                number = candidates[0];
            }
            StandObservation& option = *lf_optionNumbered(stand, number);
            if (lf_shownElsewhere(option, stand.standId, chosen)) {
                option.excluded = true;
                continue;
            }
            plan.push_back(LearnedCandidate{
                option.airline, option.type, stand.standId, offset, option.registration,
                option.callsign, option.coupledCallsign, lf_optionStays(stand, option, time)});
            gf_markStandTaken(stand);
        }
    } catch (const std::exception& e) {
        gf_log(fmt::format("exception in lf_searchStands, day: {}, offset {}: {}",
                           gf_weekdayOf(time), offset, e.what()));
    }
}

bool lf_sameTypeOnStandRecently(DayHalfHour time, std::uint32_t standId, std::string_view airline,
                                std::string_view type) {
    const ParkPosition* stand = gf_findStandById(standId);
    if (stand == nullptr) {
        return false;
    }
    const struct { std::string_view airline, type; } record{airline, type};
    const std::int32_t day = gf_weekdayOf(time);
    const int range =
        std::clamp(std::max(trafficState.realFitOffset, trafficState.softFitOffset), 0, 47);
    int carry = -1;
    for (const StandObservation& option : stand->observations) {
        if (lf_counts(option) && gf_sameAirlineAndType(option, record) && option.day == day) {
            int optionCarry = -1;
            if (testRange(option, gf_halfHourOfPair(time), range, optionCarry)) {
                return true;
            }
            carry = std::max(carry, optionCarry);
        }
    }
    if (carry < 0) {
        return false;
    }
    const std::int32_t dayBefore = gf_weekdayBefore(day);
    for (const StandObservation& option : stand->observations) {
        int ignored = -1;
        if (lf_counts(option) && gf_sameAirlineAndType(option, record) && option.day == dayBefore &&
            testRange(option, 47, carry, ignored)) {
            return true;
        }
    }
    return false;
}
