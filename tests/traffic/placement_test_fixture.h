#pragma once
// Placement on a park airport with a hand-made stand table: the stand fixture's engine and
// database, installed liveries indexed the way the program indexes them, live aircraft made by
// the engine's own creator from LiveFlightBuilder records, and stand-rule hooks that record
// every call and can object. The test thread holds trafficMutex around each engine call.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/livery_index.h"
#include "core/flight_records.h"
#include "core/globals.h"
#include "core/parameters.h"
#include "core/run_state.h"
#include "core/sim_session_state.h"
#include "core/time_of_week.h"
#include "support/catalogue_fixtures.h"
#include "traffic/admission.h"
#include "traffic/new_flight.h"
#include "traffic/stand_table.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "stand_test_fixture.h"
#include "support/live_flight_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace ksb::test {

// One stand-rule call as the hooks saw it.
struct StandRuleCall {
    std::string rule; // "same" or "adjacent"
    std::uint32_t wanted = 0;
    std::uint32_t neighbour = 0;
    std::string newcomer;
    std::string other;
};

class PlacementTest : public StandTest {
protected:
    // Wednesday 10:00, slot 20.
    static constexpr DayHalfHour kPlacementNow = gf_packDayHalfHour(3, 20);

    PlacementTest() {
        scannedLiveries = {
            livery("BAW", "A320", "Airbus A320 British Airways"),
            livery("BAW", "B744", "Boeing 747-400 British Airways Cargo", "", true),
            livery("ZZZ", "EC35", "Eurocopter EC135 Police"),
        };
        gf_processScannedLiveries();
        trafficState.live.reserve(64);
        trafficState.statics.reserve(64);
        trafficState.parkAirport.code = "EGLL";
        trafficState.parkAirport.lat = kStandBaseLatitude;
        trafficState.parkAirport.lon = kStandBaseLongitude;
        harness.setDayHalfHour(kPlacementNow);
        // On the ground, far from every stand, unless a test moves the user.
        setUser(false, 52.5, 1.0);
    }
    ~PlacementTest() override {
        userOnGround = false;
        userOnGroundKnown = false;
    }

    // The position northMetres north and eastMetres east of the base point.
    static std::pair<double, double> near(double northMetres, double eastMetres = 0.0) {
        return {kStandBaseLatitude + northMetres * kNMPerMetre / 60.0,
                kStandBaseLongitude + eastMetres * kNMPerMetre / 60.0 /
                                          std::cos(kStandBaseLatitude * kRadiansPerDegree)};
    }

    // A live aircraft made by the engine's creator from the first record, the others queued as
    // its samples; state new, phase new.
    static LiveAircraft& addFlight(std::vector<LiveFlight> records) {
        std::lock_guard lock(trafficState.trafficMutex);
        lf_createLiveAircraft(records.front());
        LiveAircraft& aircraft = trafficState.live.back();
        for (std::size_t i = 1; i < records.size(); ++i) {
            aircraft.samples.push_back(gf_positionSampleOf(records[i]));
        }
        return aircraft;
    }
    // A builder at the position northMetres north of the base point.
    static LiveFlightBuilder flightAt(double northMetres, std::uint32_t hexid = 0x4ca001) {
        LiveFlightBuilder builder(hexid);
        const auto [lat, lon] = near(northMetres);
        builder.at(lat, lon);
        return builder;
    }

    static void place(LiveAircraft& aircraft) {
        std::lock_guard lock(trafficState.trafficMutex);
        lf_placeNewAircraft(aircraft);
    }

    // The user as the link last saw it, and core's on-ground flags.
    void setUser(bool onGround, double latitude, double longitude, double groundSpeed = 0.0) {
        UserAircraftState state;
        state.latitude = latitude;
        state.longitude = longitude;
        state.groundVelocity = groundSpeed;
        harness.link().setUserState(state);
        userOnGround = onGround;
        userOnGroundKnown = true;
    }

    // Stand rules that record their calls; a rule objects for the callsign it is told.
    void recordStandRules(std::string sameObjectsTo = {}, std::string adjacentObjectsTo = {}) {
        std::lock_guard lock(trafficState.trafficMutex);
        TrafficHooks& hooks = trafficState.hooks;
        hooks.sameCallsignWantsStand = [this, sameObjectsTo](StandRuleContext& context,
                                                             LiveAircraft& other) {
            ruleCalls.push_back({"same", context.wantedStandId, context.neighbourStandId,
                                 context.newcomer.callsign, other.callsign});
            if (other.callsign == sameObjectsTo) {
                context.allowed = false;
                return true;
            }
            return false;
        };
        hooks.adjacentStandConflict = [this, adjacentObjectsTo](StandRuleContext& context,
                                                                LiveAircraft& other) {
            ruleCalls.push_back({"adjacent", context.wantedStandId, context.neighbourStandId,
                                 context.newcomer.callsign, other.callsign});
            if (other.callsign == adjacentObjectsTo) {
                context.allowed = false;
                return true;
            }
            return false;
        };
        hooks.checkMaxPark = [this](int extra) { maxParkCalls.push_back(extra); };
        hooks.removeGhost = [this](const std::string& callsign) { ghostCalls.push_back(callsign); };
    }

    std::vector<StandRuleCall> ruleCalls;
    std::vector<int> maxParkCalls;
    std::vector<std::string> ghostCalls;
};

} // namespace ksb::test
