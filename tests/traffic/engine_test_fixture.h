#pragma once
// A single-thread fixture for the engine's tick and inbound records: a fresh engine and link, the
// fake link that records every call in order, the log, a manual clock, and a temporary data
// folder with its flight-plan folder. Every object is made through the helpers below.
#include "airports/park_airport_state.h"
#include "catalogue/catalogue_state.h"
#include "core/flight_records.h"
#include "core/link_records.h"
#include "simlink/ai_control.h"
#include "simlink/link_state.h"
#include "traffic/flight_plans.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/fake_traffic_link.h"
#include "support/log_capture.h"
#include "support/manual_clock.h"
#include "support/parameters_fixture.h"
#include "support/recording_sinks.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ksb::test {

class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        gf_setTrafficServices(gf_defaultTrafficServices());
        gf_resetSimLinkStateForTests();
        gf_resetTrafficForTests();
        link_.emplace();
        ::gf_createFlightPlanFolder();
    }
    ~EngineTest() override {
        link_.reset();
        gf_setTrafficServices(gf_defaultTrafficServices());
        gf_resetTrafficForTests();
        gf_resetSimLinkStateForTests();
        gf_resetCatalogueForTests();
    }

    FakeTrafficLink& link() { return *link_; }

    // The calls recorded since the last take, as "name(arguments)", and forgets them; the
    // tick's questions to the link and its position hand-over are left out.
    std::vector<std::string> takeCalls() {
        static const std::set<std::string> kEveryTick = {
            "frameRate", "requestErrorSet", "trySwapPositionLists", "swapPositionLists",
            "requestUserPosition"};
        std::vector<std::string> out;
        for (const LinkCall& call : link().calls()) {
            if (kEveryTick.count(call.name) == 0) {
                out.push_back(call.text());
            }
        }
        link().clearCalls();
        return out;
    }
    // The text of the plan call for the object.
    static std::string planCall(std::uint32_t object) {
        return fmt::format(
            "setFlightPlan({}, {})", object,
            std::filesystem::absolute(gf_flightPlanFolder() / gf_flightPlanFileName(object))
                .string());
    }

    // n ticks, each under trafficMutex as the main loop holds it.
    static void tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            std::lock_guard lock(trafficState.trafficMutex);
            ::gf_trafficTick();
        }
    }
    static void post(std::uint32_t object, std::uint32_t keyOrOnGround, SimInboundKind kind,
                     double value1 = 0.0, double value2 = 0.0) {
        ::gf_postSimEvent(SimInboundRecord{object, keyOrOnGround, 0, kind, value1, value2});
    }
    // Handles the posted records as the idle main loop does.
    static void process() {
        std::lock_guard lock(trafficState.trafficMutex);
        ::gf_processSimEvents();
    }

    // A live aircraft with one queued sample, appended to the engine; the caller holds no lock.
    static LiveAircraft& addLive(std::uint32_t key, LiveState state, bool airborne = false,
                                 std::uint32_t object = 0) {
        LiveAircraft aircraft;
        aircraft.callsign = fmt::format("BAW{}", key % 1000);
        aircraft.registration = "G-EUUA";
        aircraft.airline = "BAW";
        aircraft.type = "A320";
        aircraft.flightKey = key;
        aircraft.objectId = object;
        aircraft.state = state;
        PositionSample sample;
        sample.airborne = airborne;
        sample.altitude = airborne ? 5000.0 : 0.0;
        sample.dueTick = 1'000'000;
        aircraft.samples.push_back(sample);
        trafficState.live.push_back(std::move(aircraft));
        return trafficState.live.back();
    }
    static AiAircraft& addStatic(std::uint32_t key, LiveState state, std::uint32_t standId = 0) {
        AiAircraft aircraft;
        aircraft.callsign = fmt::format("EZY{}*", key);
        aircraft.flightKey = key;
        aircraft.standId = standId;
        aircraft.state = state;
        trafficState.statics.push_back(std::move(aircraft));
        return trafficState.statics.back();
    }
    // A park airport with stands 1 to n, named "A1", "A2", ..., all occupied.
    static void addStands(std::uint32_t n) {
        std::vector<ParkPosition>& stands = gf_parkAirportState().stands;
        for (std::uint32_t id = 1; id <= n; ++id) {
            ParkPosition stand;
            stand.name = fmt::format("A{}", id);
            stand.standId = id;
            stand.occupied = true;
            stands.push_back(std::move(stand));
        }
    }
    static bool standOccupied(std::uint32_t id) {
        for (const ParkPosition& stand : gf_parkAirportState().stands) {
            if (stand.standId == id) {
                return stand.occupied;
            }
        }
        return false;
    }

    // Made first: it resets the core and the parameters, and gives the data folder.
    ParametersFixture parameters_;
    LogCapture log_;
    ManualClock clock_{kWednesdayMorning};
    ScopedClock scopedClock_{clock_};
    RecordingMessageSink messages_;

private:
    std::optional<FakeTrafficLink> link_;
};

} // namespace ksb::test
