#pragma once
// The engine's own conflict rules driven the way the main loop drives them: a TrafficHarness
// with the engine's services installed, 100 ticks and then lf_everySecond() for each second (its
// steps take the traffic mutex themselves), and the 61-s twin walk of the main loop's cycle. The
// user's state goes through the fake link, which the tick copies every 100 ticks. Aircraft that
// hold still are ready aircraft whose first sample lies far in the future.
#include "app/main_loop.h"
#include "core/geodesy.h"
#include "core/parameters.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/feed_script.h"
#include "support/live_flight_builder.h"
#include "support/ready_aircraft.h"
#include "support/static_aircraft_builder.h"
#include "support/traffic_harness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ksb::test {

// Far in the future: the aircraft never takes a sample step.
inline constexpr std::int32_t kSceneHoldTick = 1'000'000'000;

class ConflictScene : public ::testing::Test {
protected:
    ConflictScene() {
        gf_setTrafficServices(gf_defaultTrafficServices());
        gf_resetMainLoopForTests();
        LOG.setRaw(true);
        userOnGround = false;
        userOnGroundKnown = false;
    }
    ~ConflictScene() override {
        userOnGround = false;
        userOnGroundKnown = false;
        gf_setTrafficServices(gf_defaultTrafficServices());
    }

    // One second: its 100 ticks (a script feeds what is due before each), then the main loop's
    // per-second work.
    void second(FeedScript* script = nullptr) {
        for (int i = 0; i < 100; ++i) {
            if (script != nullptr) {
                script->feedDue(harness);
            }
            harness.tick();
        }
        lf_everySecond();
    }
    // The main loop's 61-s walk.
    static void twinPass() {
        std::lock_guard traffic(trafficState.trafficMutex);
        if (!trafficState.statics.empty()) {
            for (LiveAircraft& aircraft : trafficState.live) {
                lf_removeStaticTwinOfLive(aircraft);
            }
        }
    }

    // The user's state as the link reports it from the next refresh on.
    void setUser(Position at, double headingDegrees, double altitude, double agl) {
        UserAircraftState user;
        user.latitude = at.latitude;
        user.longitude = at.longitude;
        user.trueHeading = headingDegrees * kRadiansPerDegree;
        user.altitude = altitude;
        user.altitudeAboveGround = agl;
        harness.link().setUserState(user);
    }

    // A live aircraft in the simulator that holds its position; its object id is given.
    static std::uint32_t holdAt(std::uint32_t hexid, const std::string& callsign, Position at,
                                double trackDegrees, double altitude, std::uint32_t objectId) {
        LiveFlightBuilder builder(hexid);
        builder.callsign(callsign).registration("").at(at.latitude, at.longitude);
        builder.track(trackDegrees).altitude(altitude);
        LiveFlight record = builder.next();
        record.trueHeading = trackDegrees * kRadiansPerDegree;
        record.trueHeadingValid = true;
        const bool onGround = altitude <= 0.0;
        return placeReadyAircraft(record,
                                  {.phase = onGround ? FlightPhase::taxi : FlightPhase::airborne,
                                   .onGround = onGround,
                                   .objectId = objectId,
                                   .firstDueTick = kSceneHoldTick});
    }
    static void addStatic(const StaticAircraftBuilder& builder) {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.statics.push_back(builder.build());
    }

    // The state of the live or static aircraft with the object id; nullopt when none.
    static std::optional<LiveState> stateOf(std::uint32_t objectId) {
        std::lock_guard traffic(trafficState.trafficMutex);
        for (const LiveAircraft& aircraft : trafficState.live) {
            if (aircraft.objectId == objectId) {
                return aircraft.state;
            }
        }
        for (const AiAircraft& aircraft : trafficState.statics) {
            if (aircraft.objectId == objectId) {
                return aircraft.state;
            }
        }
        return std::nullopt;
    }

    // Every object id queued for removal so far, in order: those the tick has handed to the link
    // (one every 10 ticks), then those still waiting.
    std::vector<std::uint32_t> removals() {
        std::vector<std::uint32_t> out;
        for (const std::string& call : harness.link().callsOf("queueRemoveAiAircraft")) {
            const std::size_t open = call.find('(');
            out.push_back(static_cast<std::uint32_t>(
                std::stoul(call.substr(open + 1, call.size() - open - 2))));
        }
        std::lock_guard traffic(trafficState.trafficMutex);
        out.insert(out.end(), trafficState.removals.begin(), trafficState.removals.end());
        return out;
    }

    TrafficHarness harness;
};

} // namespace ksb::test
