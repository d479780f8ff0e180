// The learned aircraft planned on the stands: observations of this weekday and half hour first,
// widening half an hour at a time; real ones before soft ones.
#include "traffic/static_plan.h"

#include "airports/park_airport_state.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/strings.h"
#include "traffic/traffic_draw.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace {

std::int64_t lf_learnedTakenStands() {
    const std::vector<ParkPosition>& stands = gf_parkAirportState().stands;
    return static_cast<std::int64_t>(
        std::count_if(stands.begin(), stands.end(), [](const ParkPosition& s) { return s.taken; }));
}

std::string lf_learnedHoursText(std::int64_t halfHours) {
    return gf_numberText(static_cast<float>(halfHours) * 0.5F + 0.5F);
}

void lf_learnedAppend(std::vector<LearnedCandidate>& to, std::vector<LearnedCandidate>& from) {
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
    from.clear();
}

// After a pass that reached the wanted count: the last offset's candidates give way at random
// when the earlier ones already exceed the need, then the accepted ones are cut from the end.
void lf_learnedTrim(std::int64_t wanted, std::int64_t have, std::vector<LearnedCandidate>& offset,
                    std::vector<LearnedCandidate>& accepted) {
    const std::int64_t excess = static_cast<std::int64_t>(accepted.size()) - wanted + have;
    if (excess >= 1 && !offset.empty()) {
        ksb::lf_dropRandomCandidates(excess, offset);
    }
    lf_learnedAppend(accepted, offset);
    while (static_cast<std::int64_t>(accepted.size()) - wanted + have >= 1 && !accepted.empty()) {
        accepted.pop_back();
    }
}

} // namespace

namespace ksb {

void lf_dropRandomCandidates(std::int64_t n, std::vector<LearnedCandidate>& candidates) {
    gf_trafficShuffle(candidates);
    const auto drop = static_cast<std::size_t>(
        std::clamp<std::int64_t>(n, 0, static_cast<std::int64_t>(candidates.size())));
    candidates.resize(candidates.size() - drop);
}

bool lf_positionFit(DayHalfHour time, bool soft, std::int64_t wanted,
                    std::vector<LearnedCandidate>& offsetCandidates,
                    std::vector<LearnedCandidate>& acceptedCandidates) {
    const std::int64_t before = lf_learnedTakenStands();
    const int maxFit = MAX_FIT.value();
    bool reached = false;
    int offset = 0;
    for (;; ++offset) {
        lf_searchStands(time, soft, offset, offsetCandidates, acceptedCandidates);
        if (wanted <= lf_learnedTakenStands()) {
            reached = true;
            break;
        }
        lf_learnedAppend(acceptedCandidates, offsetCandidates);
        if (offset >= maxFit) {
            break;
        }
    }
    const std::int64_t added = lf_learnedTakenStands() - before;
    if (added >= 1) {
        const std::string scope =
            WEEK.value() ? std::string(", week") : fmt::format(", day {}", gf_weekdayOf(time));
        const int slot = gf_halfHourOfPair(time);
        gf_log(fmt::format("{} {} position{} found, Max fit={} hours{}{}", added,
                           soft ? "soft" : "real", added > 1 ? "s" : "",
                           lf_learnedHoursText(maxFit), scope,
                           fmt::format(", hh:{} or {} hrs fit: {} hour", slot,
                                       lf_learnedHoursText(slot), lf_learnedHoursText(offset))));
    }
    if (soft) {
        trafficState.softFitOffset = offset;
    } else {
        trafficState.realFitOffset = offset;
        trafficState.softFitOffset = -1;
    }
    return reached;
}

void lf_collectLearnedPositions(DayHalfHour time, std::int64_t wanted, std::int64_t have) {
    std::vector<LearnedCandidate>& accepted = trafficState.acceptedCandidates;
    std::vector<LearnedCandidate>& offset = trafficState.offsetCandidates;
    accepted.clear();
    offset.clear();
    if (lf_positionFit(time, false, wanted, offset, accepted)) {
        lf_learnedTrim(wanted, have, offset, accepted);
    }
    if (static_cast<std::int64_t>(accepted.size()) + have < wanted &&
        (PARK_SOFT.value() || PARK_FAKE.value())) {
        if (lf_positionFit(time, true, wanted, offset, accepted)) {
            lf_learnedTrim(wanted, have, offset, accepted);
        }
    }
    for (LearnedCandidate& candidate : accepted) {
        trafficState.standsToFill.push_back(StandToFill{
            0, candidate.fit, std::move(candidate.airline), std::move(candidate.type),
            candidate.standId, std::move(candidate.callsign), std::move(candidate.coupledCallsign),
            std::move(candidate.registration), false, candidate.stays});
    }
    accepted.clear();
}

} // namespace ksb
