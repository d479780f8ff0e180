// The stand on which an aircraft that stood near stands without parking is learned as a soft
// option: passes over the stand table by kind of stand, the best fitting and matching stands
// first, one of equals at random.
#include "traffic/stand_search.h"

#include "airports/airports.h"
#include "airports/park_airport_state.h"
#include "traffic/stand_options.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_draw.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <vector>

namespace {

struct SoftSearch {
    DayHalfHour time = 0;
    const LiveAircraft* aircraft = nullptr;
    bool ramp = false;    // the ramp stands, or those that are not
    bool skipUsed = true; // pass over stands learned at that half hour
    bool scored = true;   // fit passes score the spare radius
    std::vector<SoftCandidate> candidates;
    int bestScore = INT_MAX;
    bool bestMatch = false;
};

using SoftCandidateRule = void (*)(SoftSearch&, const ParkPosition&);

// The rule every candidate passes: the stand is free at that half hour, it is scored, and it is
// taken unless it scores worse or matches less than the best so far.
void lf_softConsider(SoftSearch& search, const ParkPosition& stand, bool fit) {
    const std::int32_t day = gf_weekdayOf(search.time);
    const std::size_t slot = static_cast<std::size_t>(gf_halfHourOfPair(search.time));
    if (search.skipUsed && std::any_of(stand.observations.begin(), stand.observations.end(),
                                       [&](const StandObservation& o) {
                                           return o.sequenceNumber != 0 && !o.excluded &&
                                                  o.day == day && slot < 48 &&
                                                  o.halfHours.test(slot);
                                       })) {
        return;
    }
    int score = 0;
    if (fit) {
        const std::optional<int> spare = gf_standRadiusScore(stand, search.aircraft->halfWingSpan);
        if (!spare) {
            return;
        }
        score = search.scored ? *spare : 0;
    }
    const bool match =
        gf_findStandOption(stand.observations, search.aircraft->callsign, *search.aircraft);
    if (score > search.bestScore || (!match && search.bestMatch)) {
        return;
    }
    search.candidates.push_back(SoftCandidate{stand.name, score, match});
    search.bestScore = score;
    search.bestMatch = match;
}

void lf_softFitCandidate(SoftSearch& search, const ParkPosition& stand) {
    if (!stand.cargo && !stand.heli && stand.ramp == search.ramp) {
        lf_softConsider(search, stand, true);
    }
}

void lf_softAnyCandidate(SoftSearch& search, const ParkPosition& stand) {
    if (!stand.cargo && !stand.heli && stand.ramp == search.ramp) {
        lf_softConsider(search, stand, false);
    }
}

void lf_softCargoFitCandidate(SoftSearch& search, const ParkPosition& stand) {
    if (stand.cargo && !stand.heli) {
        lf_softConsider(search, stand, true);
    }
}

void lf_softCargoAnyCandidate(SoftSearch& search, const ParkPosition& stand) {
    if (stand.cargo && !stand.heli) {
        lf_softConsider(search, stand, false);
    }
}

void lf_softNonHeliFitCandidate(SoftSearch& search, const ParkPosition& stand) {
    if (!stand.heli) {
        lf_softConsider(search, stand, true);
    }
}

void lf_softNonHeliAnyCandidate(SoftSearch& search, const ParkPosition& stand) {
    if (!stand.heli) {
        lf_softConsider(search, stand, false);
    }
}

void lf_softHeliFitCandidate(SoftSearch& search, const ParkPosition& stand) {
    if (stand.heli) {
        lf_softConsider(search, stand, true);
    }
}

void lf_softRampFitCandidate(SoftSearch& search, const ParkPosition& stand) {
    if (stand.ramp) {
        lf_softConsider(search, stand, true);
    }
}

// One walk over the stand table; true when it found candidates.
bool lf_softWalk(SoftSearch& search, SoftCandidateRule rule) {
    search.candidates.clear();
    search.bestScore = INT_MAX;
    search.bestMatch = false;
    for (const ParkPosition& stand : gf_parkAirportState().stands) {
        rule(search, stand);
    }
    return !search.candidates.empty();
}

bool lf_softStandPass(SoftSearch& search, bool ramp) {
    search.ramp = ramp;
    return lf_softWalk(search, lf_softFitCandidate) || lf_softWalk(search, lf_softAnyCandidate);
}

bool lf_softHeliPass(SoftSearch& search) {
    if (lf_softWalk(search, lf_softHeliFitCandidate) ||
        lf_softWalk(search, lf_softRampFitCandidate)) {
        return true;
    }
    search.skipUsed = false;
    search.scored = false;
    return lf_softWalk(search, lf_softHeliFitCandidate) ||
           lf_softWalk(search, lf_softRampFitCandidate);
}

bool lf_softPasses(SoftSearch& search) {
    const LiveAircraft& aircraft = *search.aircraft;
    if (aircraft.category == AircraftCategory::rotorcraft) {
        return lf_softHeliPass(search);
    }
    if (aircraft.cargo) {
        return lf_softWalk(search, lf_softCargoFitCandidate) ||
               lf_softWalk(search, lf_softCargoAnyCandidate) ||
               lf_softWalk(search, lf_softNonHeliFitCandidate) ||
               lf_softWalk(search, lf_softNonHeliAnyCandidate);
    }
    if (aircraft.category == AircraftCategory::light ||
        aircraft.category == AircraftCategory::buzjet || aircraft.airline == "PVT") {
        return lf_softStandPass(search, true);
    }
    // Airliners mostly stand at gates; in the United States ('K') always first.
    const bool gatesFirst =
        gf_parkAirportState().name.starts_with('K') || gf_trafficDraw(100) >= 10;
    return lf_softStandPass(search, !gatesFirst) || lf_softStandPass(search, gatesFirst);
}

} // namespace

ParkPosition* gf_findSoftStand(DayHalfHour time, const LiveAircraft& aircraft, bool mayTryNext) {
    SoftSearch search;
    search.time = time;
    search.aircraft = &aircraft;
    if (!lf_softPasses(search)) {
        if (mayTryNext && gf_parkAirportState().stands.size() <= 10) {
            const std::int32_t day = gf_weekdayOf(time);
            const std::int32_t slot = gf_halfHourOfPair(time);
            const DayHalfHour next = slot >= 47 ? gf_packDayHalfHour(gf_weekdayAfter(day), 0)
                                                : gf_packDayHalfHour(day, slot + 1);
            return gf_findSoftStand(next, aircraft, false);
        }
        return nullptr;
    }
    std::vector<SoftCandidate>& candidates = search.candidates;
    if (candidates.size() > 1) {
        gf_trafficShuffle(candidates);
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const SoftCandidate& a, const SoftCandidate& b) {
                             if (a.match != b.match) {
                                 return a.match;
                             }
                             return a.score < b.score;
                         });
    }
    return gf_findStandByName(candidates.front().standName);
}
