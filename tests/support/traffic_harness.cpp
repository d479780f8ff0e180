#include "support/traffic_harness.h"

#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "traffic/feed_intake.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <mutex>
#include <stdexcept>
#include <utility>

namespace ksb::test {

DbaseSpec trafficHarnessDbase() {
    DbaseSpec spec;
    spec.aircrafts = {"C172", "CRJ9", "A320", "B744", "F16", "EC35"};
    spec.buzjet = {"CRJ9"};
    spec.large = {"A320"};
    spec.heavy = {"B744"};
    spec.highPerformance = {"F16"};
    spec.rotorcraft = {"EC35"};
    spec.cargoTypes = {"B744"};
    spec.similar = {{"A320", "B744"}};
    spec.icaoAirlines = {"BAW"};
    spec.cargoOperators = {"FDX"};
    spec.publishers = {"Aerosoft,AS"};
    spec.wingspans = {{"A320", "34.1"}, {"B744", "64.4"}};
    spec.records = {{"G-EUUA", "BAW", "A320", "", false}, {"G-CIVA", "BAW", "B744", "", false}};
    return spec;
}

TrafficHarness::TrafficHarness() {
    gf_resetTrafficForTests();
    writeDbaseXml(trafficHarnessDbase());
    if (!gf_readDbase()) {
        throw std::runtime_error("the harness database was not read");
    }
}

TrafficHarness::~TrafficHarness() {
    gf_resetTrafficForTests();
    gf_resetCatalogueForTests();
}

void TrafficHarness::feed(std::vector<LiveFlight> batch, int delay) {
    ::gf_takeFeedRecords(batch, delay);
}

void TrafficHarness::pendingSteps(int n) {
    for (int i = 0; i < n; ++i) {
        std::lock_guard traffic(trafficState.trafficMutex);
        gf_takePendingFeedRecords();
        ++trafficState.tickCounter;
    }
}

std::vector<LiveAircraft> TrafficHarness::live() const {
    std::lock_guard traffic(trafficState.trafficMutex);
    return trafficState.live;
}

LiveAircraft TrafficHarness::liveAircraft(std::uint32_t flightKey) const {
    std::lock_guard traffic(trafficState.trafficMutex);
    for (const LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.flightKey == flightKey) {
            return aircraft.copy();
        }
    }
    throw std::out_of_range("no live aircraft with that flight key");
}

std::vector<std::uint32_t> TrafficHarness::removals() const {
    std::lock_guard traffic(trafficState.trafficMutex);
    return {trafficState.removals.begin(), trafficState.removals.end()};
}

void TrafficHarness::loadParkAirport(const std::string& code, double elevation) {
    std::lock_guard traffic(trafficState.trafficMutex);
    ParkAirportState& park = gf_parkAirportState();
    park.name = code;
    park.altitude = elevation;
    park.parkAirportLoaded = true;
}

} // namespace ksb::test
