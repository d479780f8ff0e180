#pragma once
// The stand manoeuvres on a fresh engine: the harness (fake link, manual clock, captured log,
// parameters), the default stand row loaded as the park airport, and builders of live aircraft
// parked on a stand or taxiing near one. Calls of the motion functions hold the traffic mutex,
// as the tick does.
#include "airports/park_airport_state.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "core/parameters.h"
#include "core/time_of_week.h"
#include "traffic/live_aircraft.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/stand_fixture.h"
#include "support/traffic_harness.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ksb::test {

inline constexpr std::uint32_t kStandSubjectKey = 0x4ca001;
inline constexpr std::uint32_t kStandSubjectObject = 7;
// The A320's half span, as the harness's database gives it.
inline constexpr double kStandHalfSpanNm = 17.05 * kNMPerMetre;

class StandMotionTest : public ::testing::Test {
protected:
    StandMotionTest() : row(gf_defaultStandRow()) {
        gf_loadStandRow(row);
        harness.setDayHalfHour(gf_packDayHalfHour(3, 20));
        trafficState.tickCounter = 100000;
    }
    ~StandMotionTest() override { gf_setTrafficServices(gf_defaultTrafficServices()); }

    // The position north (or, negative, south) and east of a stand, in metres.
    Position nearStand(std::size_t index, double northMetres, double eastMetres = 0.0) const {
        const Position stand = gf_standRowPoint(row, index);
        const Position north =
            gf_destinationPoint(stand, 0.0, northMetres * kNMPerMetre * kFeetPerNM);
        return gf_destinationPoint(north, 90.0 * kRadiansPerDegree,
                                   eastMetres * kNMPerMetre * kFeetPerNM);
    }

    static PositionSample sampleAt(const Position& at, std::int32_t due, double speed = 0.0) {
        PositionSample sample;
        sample.latitude = at.latitude;
        sample.longitude = at.longitude;
        sample.groundSpeed = speed;
        sample.dueTick = due;
        return sample;
    }

    // A large BAW aircraft in the simulator at the position, taxiing, with one current sample
    // there.
    static LiveAircraft taxiing(const Position& at, std::uint32_t key = kStandSubjectKey,
                                std::string callsign = "BAW123") {
        LiveAircraft aircraft;
        aircraft.flightKey = key;
        aircraft.callsign = std::move(callsign);
        aircraft.airline = "BAW";
        aircraft.type = "A320";
        aircraft.registration = "G-EUUA";
        aircraft.category = AircraftCategory::large;
        aircraft.halfWingSpan = kStandHalfSpanNm;
        aircraft.pushSpeed = 4.0;
        aircraft.baseTurnRate = 0.07 * kRadiansPerDegree;
        aircraft.turnRate = aircraft.baseTurnRate;
        aircraft.objectId = kStandSubjectObject;
        aircraft.state = LiveState::inSimulator;
        aircraft.onGround = true;
        aircraft.phase = FlightPhase::taxi;
        aircraft.previousPhase = FlightPhase::newFlight;
        aircraft.position.latitude = at.latitude;
        aircraft.position.longitude = at.longitude;
        aircraft.samples.push_back(sampleAt(at, trafficState.tickCounter.load()));
        return aircraft;
    }

    // Parked on the stand (0-based index of the row) as an arrival leaves it: phase 6 after 5,
    // the stand occupied, one repeated sample at the stand.
    LiveAircraft parkedOn(std::size_t index, std::uint32_t key = kStandSubjectKey,
                          std::string callsign = "BAW123") const {
        const ParkPosition& stand = gf_parkAirportState().stands.at(index);
        LiveAircraft aircraft =
            taxiing({stand.latitude, stand.longitude}, key, std::move(callsign));
        aircraft.phase = FlightPhase::parked;
        aircraft.previousPhase = FlightPhase::movingToAdjacentStand;
        aircraft.standId = stand.standId;
        aircraft.standLatitude = stand.latitude;
        aircraft.standLongitude = stand.longitude;
        aircraft.standHeading = stand.heading;
        aircraft.standCargo = stand.cargo;
        aircraft.position.heading = stand.heading;
        aircraft.samples.front().repeated = true;
        return aircraft;
    }

    static ParkPosition& stand(std::size_t index) { return gf_parkAirportState().stands.at(index); }

    // Log lines written since the mark.
    std::vector<std::string> linesSince(std::size_t mark) const {
        const std::vector<std::string> lines = harness.log().body();
        return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(mark),
                                        lines.end());
    }
    // The link calls of the motion (the tick's questions left out), then forgets them.
    std::vector<std::string> takeCalls() {
        std::vector<std::string> out;
        for (const LinkCall& call : harness.link().calls()) {
            if (call.name != "frameRate" && call.name != "requestErrorSet" &&
                call.name != "trySwapPositionLists" && call.name != "swapPositionLists" &&
                call.name != "requestUserPosition" && call.name != "requestAircraftInRange") {
                out.push_back(call.text());
            }
        }
        harness.link().clearCalls();
        return out;
    }

    TrafficHarness harness;
    StandRowSpec row;
};

} // namespace ksb::test
