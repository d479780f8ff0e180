#pragma once
// A park airport with a hand-made stand table on a fresh engine, a window port that records the
// repaints, and builders for stands, stand options and live aircraft. The caller of the stand
// functions would hold trafficMutex; these tests run on one thread and take no lock.
#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "core/airport_records.h"
#include "core/geodesy.h"
#include "core/main_window.h"
#include "core/time_of_week.h"
#include "traffic/live_aircraft.h"
#include "traffic/traffic_state.h"

#include "support/fake_window_port.h"
#include "support/traffic_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ksb::test {

inline constexpr double kStandBaseLatitude = 51.47;
inline constexpr double kStandBaseLongitude = -0.45;

// A learned real option of BAW A320 G-EUUA "BAW1" with the given slots.
inline StandObservation gf_testOption(std::uint32_t number, std::int32_t day,
                                      const std::vector<int>& slots) {
    StandObservation option{.airline = "BAW",
                            .type = "A320",
                            .registration = "G-EUUA",
                            .callsign = "BAW1",
                            .coupledCallsign = "",
                            .halfHours = {},
                            .sequenceNumber = number,
                            .day = day,
                            .learned = true,
                            .soft = false};
    for (const int slot : slots) {
        option.halfHours.set(static_cast<std::size_t>(slot));
    }
    return option;
}

// "n day hh slots cs:coupled" of an option, for comparing whole option lists.
inline std::string gf_optionText(const StandObservation& o) {
    std::string slots;
    for (std::size_t i = 0; i < 48; ++i) {
        if (o.halfHours.test(i)) {
            slots += (slots.empty() ? "" : ",") + std::to_string(i);
        }
    }
    return std::to_string(o.sequenceNumber) + " day " + std::to_string(o.day) + " hh " + slots +
           " " + o.callsign + ":" + o.coupledCallsign + (o.soft ? " soft" : "") +
           (o.learned ? "" : " file");
}

// A live aircraft with only what the stand functions read.
inline LiveAircraft gf_testAircraft(std::uint32_t key, std::string callsign,
                                    std::string registration, std::string airline = "BAW",
                                    std::string type = "A320") {
    LiveAircraft aircraft;
    aircraft.flightKey = key;
    aircraft.callsign = std::move(callsign);
    aircraft.registration = std::move(registration);
    aircraft.airline = std::move(airline);
    aircraft.type = std::move(type);
    aircraft.category = AircraftCategory::large;
    aircraft.halfWingSpan = 17.05 * kNMPerMetre;
    return aircraft;
}

// The harness's database and: G-EUPT of BAW flown by its operator SHT, D-AIPA of DLH (found as
// "DAIPA" only through its hyphenated spelling), the E190 of small half span and the heavy B77W.
inline DbaseSpec gf_standDbase() {
    DbaseSpec spec = trafficHarnessDbase();
    spec.aircrafts.insert(spec.aircrafts.end(), {"E190", "B77W"});
    spec.large.push_back("E190");
    spec.heavy.push_back("B77W");
    spec.icaoAirlines.insert(spec.icaoAirlines.end(), {"DLH", "SHT", "KLM"});
    spec.wingspans.insert(spec.wingspans.end(), {{"E190", "28.7"}, {"B77W", "64.8"}});
    spec.records.push_back({"G-EUPT", "BAW", "A320", "SHT", false});
    spec.records.push_back({"D-AIPA", "DLH", "A320", "", false});
    return spec;
}

class StandTest : public ::testing::Test {
protected:
    StandTest() {
        writeDbaseXml(gf_standDbase());
        gf_resetCatalogueForTests();
        if (!gf_readDbase()) {
            throw std::runtime_error("the stand tests' database was not read");
        }
        gf_setWindowPort(&window);
        ParkAirportState& park = gf_parkAirportState();
        park.name = "EGLL";
        park.parkAirportLoaded = true;
        // References handed out by addStand stay valid.
        park.stands.reserve(64);
    }
    ~StandTest() override { gf_setWindowPort(nullptr); }

    // A stand with the next id, northMetres north of the base point, of the radius in metres.
    ParkPosition& addStand(std::string name, double northMetres = 0.0, double radiusMetres = 25.0) {
        std::vector<ParkPosition>& stands = gf_parkAirportState().stands;
        ParkPosition& stand =
            stands.emplace_back(std::vector<StandObservation>{}, std::move(name),
                                kStandBaseLatitude + northMetres * kNMPerMetre / 60.0,
                                kStandBaseLongitude, 0.0, radiusMetres, false, false, false);
        stand.standId = static_cast<std::uint32_t>(stands.size());
        return stand;
    }
    static std::vector<ParkPosition>& stands() { return gf_parkAirportState().stands; }

    TrafficHarness harness;
    FakeWindowPort window;
};

} // namespace ksb::test
