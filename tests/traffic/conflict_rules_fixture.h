#pragma once
// Live and static aircraft around the user's aircraft for the conflict rules: the engine fixture
// with LOG on, the user placed, aircraft placed by bearing and distance from the user or by their
// offset from the user's heading line, and the releases read back from the fake link. Tests run
// the rules under trafficMutex, as the main loop does.
#include "engine_test_fixture.h"

#include "core/geodesy.h"
#include "core/parameters.h"

#include "support/static_aircraft_builder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ksb::test {

inline constexpr Position kConflictUser{51.4700, -0.4543};
// An A320's half span, nautical miles.
inline constexpr double kConflictHalfSpan = 17.05 * kNMPerMetre;

class ConflictRulesTest : public EngineTest {
protected:
    ConflictRulesTest() { LOG.setRaw(true); }

    // The user-state block: at the position, true heading in degrees, altitude and height above
    // ground in feet.
    static void placeUser(Position at, double headingDegrees, double altitude, double agl) {
        UserAircraftState& user = trafficState.userState;
        user.latitude = at.latitude;
        user.longitude = at.longitude;
        user.trueHeading = headingDegrees * kRadiansPerDegree;
        user.altitude = altitude;
        user.altitudeAboveGround = agl;
    }
    static Position userAt() {
        return Position{trafficState.userState.latitude, trafficState.userState.longitude};
    }
    // The point at the bearing (degrees) and distance from the user.
    static Position fromUser(double bearingDegrees, double distanceNm) {
        return gf_destinationPoint(userAt(), bearingDegrees * kRadiansPerDegree,
                                   distanceNm * kFeetPerNM);
    }
    // The point aheadNm along the user's heading (behind when negative), then rightFeet square
    // to it (left when negative): placed without the lateral formula under test.
    static Position besideUserLine(double aheadNm, double rightFeet) {
        const double heading = trafficState.userState.trueHeading;
        const Position onLine = gf_destinationPoint(userAt(), heading, aheadNm * kFeetPerNM);
        const double pi = 3.141592653589793;
        return gf_destinationPoint(onLine, heading + (rightFeet < 0.0 ? -pi / 2 : pi / 2),
                                   rightFeet < 0.0 ? -rightFeet : rightFeet);
    }

    // A live aircraft in the simulator (object 500 + key) at the position.
    static LiveAircraft& addLiveAt(const std::string& callsign, std::uint32_t key, Position at,
                                   bool onGround, double headingDegrees = 0.0,
                                   double altitude = 0.0,
                                   LiveState state = LiveState::inSimulator) {
        LiveAircraft& aircraft = addLive(key, state, !onGround, 500 + key);
        aircraft.callsign = callsign;
        aircraft.onGround = onGround;
        aircraft.halfWingSpan = kConflictHalfSpan;
        aircraft.setPhase(onGround ? FlightPhase::taxi : FlightPhase::airborne);
        aircraft.position.latitude = at.latitude;
        aircraft.position.longitude = at.longitude;
        aircraft.position.heading = headingDegrees * kRadiansPerDegree;
        aircraft.position.altitude = altitude;
        return aircraft;
    }
    static AiAircraft& addStaticAircraft(const StaticAircraftBuilder& builder) {
        trafficState.statics.push_back(builder.build());
        return trafficState.statics.back();
    }

    // The callsigns the link was asked to release, in order.
    std::vector<std::string> released() {
        std::vector<std::string> out;
        for (const std::string& call : link().callsOf("releaseAiAircraft")) {
            const std::size_t open = call.find('(');
            out.push_back(call.substr(open + 1, call.size() - open - 2));
        }
        return out;
    }
    // Empties the aircraft, the removal list and the link's record between rows.
    void clearAircraft() {
        trafficState.live.clear();
        trafficState.statics.clear();
        trafficState.removals.clear();
        trafficState.staticCreations.clear();
        trafficState.userGroundCheck = Position{};
        link().clearCalls();
    }
};

} // namespace ksb::test
