#include "airports/test_traffic.h"

#include "airports/airport_files.h"
#include "airports/airports.h"
#include "catalogue/catalogue.h"
#include "core/random_engine.h"
#include "core/time_of_week.h"

#include <fmt/format.h>

#include <span>
#include <string>

namespace {

struct TestCandidate {
    std::string_view airline;
    std::string_view type;
};

constexpr TestCandidate kHelipad[] = {{"PVT", "EC35"}};
constexpr TestCandidate kCargo[] = {
    {"FDX", "C208"}, {"FDX", "B752"}, {"FDX", "B763"}, {"UPS", "A306"}, {"DHK", "B763"}};
constexpr TestCandidate kRamp[] = {
    {"PVT", "C172"}, {"PVT", "C206"}, {"PVT", "P28A"}, {"PVT", "PC12"}, {"PVT", "C550"},
    {"PVT", "TBM9"}, {"PVT", "LJ25"}, {"PVT", "GLF6"}, {"PVT", "FA6X"}, {"PVT", "FA8X"},
    {"PVT", "GLF4"}, {"PVT", "GLF5"}, {"PVT", "LJ60"}, {"PVT", "DHC7"}, {"PVT", "DH8A"},
    {"PVT", "DH8C"}, {"PVT", "E550"}, {"PVT", "CL30"}, {"PVT", "GA6C"}};
constexpr TestCandidate kRegionK[] = {
    {"UAL", "B77W"}, {"DAL", "B739"}, {"JBU", "BCS3"}, {"FFT", "A320"}, {"UAL", "B78X"},
    {"UAL", "B738"}, {"AAL", "B738"}, {"SKW", "E75L"}, {"SWA", "B737"}, {"FFT", "A320"}};
constexpr TestCandidate kRegionC[] = {
    {"ACA", "B789"}, {"ACA", "B38M"}, {"ROU", "A321"}, {"JZA", "CRJ9"}};
constexpr TestCandidate kRegionE[] = {{"KLM", "B77W"}, {"SAS", "A320"}, {"EZY", "A320"},
                                      {"RYR", "B738"}, {"DLH", "A320"}, {"KLM", "B738"},
                                      {"BAW", "A21N"}};
constexpr TestCandidate kRegionZ[] = {{"CSA", "A320"}, {"CES", "A333"}, {"CES", "A321"}};
constexpr TestCandidate kRegionR[] = {{"ANA", "A20N"}, {"JAL", "A35K"}, {"JAL", "B738"}};
constexpr TestCandidate kAnyRegion[] = {{"ZZZ", "B738"}};

// The table of the stand's kind and whether its rows must fit the stand.
std::pair<std::span<const TestCandidate>, bool> lf_candidateTable(std::string_view stem,
                                                                  const ParkPosition& stand) {
    if (stand.heli) {
        return {kHelipad, false};
    }
    if (stand.cargo) {
        return {kCargo, true};
    }
    if (stand.ramp) {
        return {kRamp, true};
    }
    switch (stem.empty() ? '\0' : stem.front()) {
    case 'K':
        return {kRegionK, true};
    case 'C':
        return {kRegionC, true};
    case 'E':
        return {kRegionE, true};
    case 'Z':
        return {kRegionZ, true};
    case 'R':
        return {kRegionR, true};
    default:
        return {kAnyRegion, false};
    }
}

} // namespace

void lf_makeTestFlights(TestTrafficContext& context, ParkPosition& stand) {
    const auto [table, mustFit] = lf_candidateTable(context.stem, stand);
    std::vector<TestCandidate> candidates;
    for (const TestCandidate& candidate : table) {
        if (!mustFit || gf_standRadiusFits(stand, gf_wingspanOfType(std::string(candidate.type)))) {
            candidates.push_back(candidate);
        }
    }
    if (candidates.empty()) {
        return;
    }
    std::size_t index = 0;
    if (candidates.size() > 1) {
        index = gf_randomEngine()() % candidates.size();
    }
    const TestCandidate& chosen = candidates[index];
    StandObservation observation;
    observation.airline = chosen.airline;
    observation.type = chosen.type;
    observation.registration = fmt::format("REGFAKE{}", context.number);
    observation.callsign = fmt::format("FAKE{}", context.number);
    observation.halfHours.set(static_cast<std::size_t>(context.halfHour));
    observation.day = context.weekday;
    observation.sequenceNumber = lf_nextSequenceNumber(stand);
    observation.learned = false;
    observation.soft = true;
    observation.testTraffic = true;
    stand.observations.push_back(std::move(observation));
    ++context.number;
}

void lf_makeTestTraffic(std::string_view stem, std::vector<ParkPosition>& stands) {
    const DayHalfHour now = gf_currentDayHalfHour();
    TestTrafficContext context{stem, gf_weekdayOf(now), gf_halfHourOfPair(now), 1};
    for (ParkPosition& stand : stands) {
        lf_makeTestFlights(context, stand);
    }
}
