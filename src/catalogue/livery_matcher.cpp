// The livery matcher: a ladder of lookups in the livery index, from the registration down to
// liveries of other airlines and substitute types, each step only while no title is found.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "core/airport_records.h"
#include "core/flight_records.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/random_engine.h"

#include <fmt/format.h>

#include <algorithm>
#include <cassert>
#include <string>
#include <string_view>
#include <vector>

std::array<std::atomic<std::uint32_t>, 6> matchStepCounts{};

namespace {

// The airline under which liveries without a real airline are filed.
const std::string kGenericAirline = "ZZZ";
const std::string kPrivateAirline = "PVT";
constexpr int kRedraws = 5;

// What the ladder found: the step, 0 for nothing.
using Step = int;

std::string_view lf_draw(const TitleViews& candidates) {
    if (candidates.size() == 1) {
        return candidates.front();
    }
    return candidates[gf_randomEngine()() % candidates.size()];
}

bool lf_isSpecial(std::string_view title) {
    const TitleViews& special = liveryIndex.specialTitles;
    return std::find(special.begin(), special.end(), title) != special.end();
}

// A special title belongs to its registrations, so a random pick avoids it: a few redraws, then
// a draw among the others.
void lf_pickLivery(Flight& flight, const TitleViews& candidates) {
    if (candidates.empty()) {
        flight.liveryTitle = {};
        return;
    }
    flight.liveryTitle = lf_draw(candidates);
    for (int i = 0; i < kRedraws; ++i) {
        if (liveryIndex.specialTitles.empty() || !lf_isSpecial(flight.liveryTitle)) {
            return;
        }
        flight.liveryTitle = lf_draw(candidates);
    }
    TitleViews ordinary;
    for (const std::string_view title : candidates) {
        if (!lf_isSpecial(title)) {
            ordinary.push_back(title);
        }
    }
    flight.liveryTitle = ordinary.empty() ? std::string_view() : lf_draw(ordinary);
}

const TitleViews* lf_findTitles(const AirlineTypeTitles& index, const std::string& airline,
                                const std::string& type) {
    const auto airlineIt = index.find(airline);
    if (airlineIt == index.end()) {
        return nullptr;
    }
    const auto typeIt = airlineIt->second.find(type);
    return typeIt == airlineIt->second.end() ? nullptr : &typeIt->second;
}

bool lf_matchAirlineModel(Flight& flight, const std::string& airline, const std::string& type) {
    if (flight.cargo) {
        if (const TitleViews* titles = lf_findTitles(liveryIndex.cargoTitles, airline, type)) {
            lf_pickLivery(flight, *titles);
        }
    }
    // A cargo flight rather flies its airline's pax livery than another airline's.
    if (flight.liveryTitle.empty()) {
        if (const TitleViews* titles = lf_findTitles(liveryIndex.paxTitles, airline, type)) {
            lf_pickLivery(flight, *titles);
        }
    }
    return !flight.liveryTitle.empty();
}

bool lf_matchGenericModel(Flight& flight, const std::string& type) {
    const auto& index = flight.cargo ? liveryIndex.typeCargoTitles : liveryIndex.typePaxTitles;
    const auto it = index.find(type);
    if (it != index.end()) {
        lf_pickLivery(flight, it->second);
    }
    return !flight.liveryTitle.empty();
}

bool lf_matchByRegistration(Flight& flight) {
    if (flight.registration.empty()) {
        return false;
    }
    for (const std::string& spelling : gf_registrationVariants(flight.registration)) {
        const auto it = liveryIndex.regcodeTitles.find(spelling);
        if (it != liveryIndex.regcodeTitles.end()) {
            flight.liveryTitle = it->second;
            return !flight.liveryTitle.empty();
        }
    }
    return false;
}

bool lf_hasSmallCategory(const Flight& flight) {
    return flight.category == AircraftCategory::light ||
           flight.category == AircraftCategory::buzjet ||
           flight.category == AircraftCategory::rotorcraft;
}

// The ladder after the registration lookup. A live flight without an airline skips the airline
// steps; a static one tries them anyway, as its registration may still name an operator.
Step lf_matchBelowRegistration(Flight& flight, int depth, bool live) {
    if (depth < 2) {
        return 0;
    }
    if (flight.airline == kPrivateAirline &&
        lf_matchAirlineModel(flight, kGenericAirline, flight.type)) {
        return 4;
    }
    const bool airlineSteps = !live || !flight.airline.empty();
    bool hasOperator = false;
    std::string databaseAirline;
    if (airlineSteps) {
        hasOperator = !gf_dbaseOperatorOfReg(flight.registration).empty();
        if (hasOperator) {
            databaseAirline = gf_dbaseAirlineOfReg(flight.registration);
        }
        if (lf_matchAirlineModel(flight, flight.airline, flight.type)) {
            return 2;
        }
        if (hasOperator && lf_matchAirlineModel(flight, databaseAirline, flight.type)) {
            return 2;
        }
    }
    if (depth < 3) {
        return 0;
    }
    if (airlineSteps) {
        // The lists are shuffled in place; nothing below reshuffles them while they are walked.
        for (const std::string& similar : gf_similarTypesShuffled(flight.airline, flight.type)) {
            if (lf_matchAirlineModel(flight, flight.airline, similar)) {
                return 3;
            }
        }
        // The flight's own airline picks the similar types, also for the database airline.
        if (hasOperator) {
            for (const std::string& similar :
                 gf_similarTypesShuffled(flight.airline, flight.type)) {
                if (lf_matchAirlineModel(flight, databaseAirline, similar)) {
                    return 3;
                }
            }
        }
    }
    if (depth >= 4 && lf_matchAirlineModel(flight, kGenericAirline, flight.type)) {
        return 4;
    }
    if (!lf_hasSmallCategory(flight)) {
        return 0;
    }
    if (flight.airline != kPrivateAirline &&
        lf_matchAirlineModel(flight, kGenericAirline, flight.type)) {
        return 4;
    }
    if (lf_matchGenericModel(flight, flight.type)) {
        return 5;
    }
    for (const std::string& substitute : gf_substituteTypes(flight.type)) {
        if (lf_matchGenericModel(flight, substitute)) {
            return 6;
        }
    }
    return 0;
}

void lf_logMatch(const Flight& flight, Step step) {
    gf_log(fmt::format("          {} ={}= {}", flight.describe(), step, flight.liveryTitle));
}

} // namespace

void gf_matchLiveFlightLivery(Flight& flight) {
    // The engine asks only for flights without a title.
    assert(flight.liveryTitle.empty() && "a live flight is matched only without a title");
    if (!flight.liveryTitle.empty()) {
        return;
    }
    const int depth = MATCHING_DEPTH.value();
    Step step = lf_matchByRegistration(flight) ? 1 : lf_matchBelowRegistration(flight, depth, true);
    if (step == 0) {
        return;
    }
    if (gf_isRefusedTitle(flight.liveryTitle)) {
        flight.liveryTitle = {};
        return;
    }
    matchStepCounts[static_cast<std::size_t>(step - 1)].fetch_add(1, std::memory_order_relaxed);
    if (LOG.value()) {
        lf_logMatch(flight, step);
    }
    flight.fsltlModel = gf_isFsltlTitle(flight.liveryTitle);
}

bool gf_isFsltlTitle(std::string_view title) {
    return title.find("FSLTL_") != std::string_view::npos;
}

bool gf_matchParkedLivery(Flight& flight, const ParkPosition& stand) {
    const bool log = LOG.value();
    if (!flight.liveryTitle.empty()) {
        if (log) {
            gf_log(fmt::format("          {} =s= {}", flight.describe(), flight.liveryTitle));
        }
        return true;
    }
    const int depth = MATCHING_DEPTH.value();
    Step step = 0;
    if (lf_matchByRegistration(flight)) {
        step = 1;
    } else {
        flight.cargo = stand.cargo;
        step = lf_matchBelowRegistration(flight, depth, false);
    }
    if (step == 0) {
        if (log) {
            gf_log(fmt::format("{:8}: {} no livery match ...", stand.name, flight.summary()));
        }
        return false;
    }
    if (gf_isRefusedTitle(flight.liveryTitle)) {
        flight.liveryTitle = {};
        return false;
    }
    if (log) {
        lf_logMatch(flight, step);
    }
    return true;
}

void gf_printLiveryMatchSummary() {
    constexpr std::string_view kTitle = "live traffic livery matching summary";
    constexpr int kWidth = 100 - static_cast<int>(kTitle.size());
    std::vector<std::string> lines;
    lines.push_back(gf_bannerLine(kWidth, 0, true, false, kTitle));
    lines.push_back("Matches at step: ");
    for (std::size_t i = 0; i < matchStepCounts.size(); ++i) {
        lines.push_back(
            fmt::format("  {}: {}", i + 1, matchStepCounts[i].load(std::memory_order_relaxed)));
    }
    std::vector<std::string> failed = lf_listFailedLiveries();
    if (!failed.empty()) {
        lines.push_back(fmt::format("\nCould not be created by {}:", "P3D"));
        for (std::string& line : failed) {
            lines.push_back(std::move(line));
        }
    }
    lines.push_back(gf_bannerLine(kWidth, static_cast<int>(kTitle.size()), false, true, ""));
    for (const std::string& line : lines) {
        gf_log(line);
    }
}
