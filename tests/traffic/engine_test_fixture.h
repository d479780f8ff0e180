#pragma once
// A single-thread fixture for the engine's tick and inbound records: a fresh engine, a link
// table that records every call in order, the log, a manual clock, and a temporary data folder
// with its flight-plan folder. Every object is made through the helpers below.
#include "airports/park_airport_state.h"
#include "catalogue/catalogue_state.h"
#include "core/flight_records.h"
#include "core/link_records.h"
#include "simlink/ai_control.h"
#include "traffic/flight_plans.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/log_capture.h"
#include "support/manual_clock.h"
#include "support/parameters_fixture.h"
#include "support/recording_sinks.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ksb::test {

// The engine's calls into the link, each as one text, in order. The release is the link's own
// (stand, state 4, removal list); the raw calls succeed unless a test fails them.
class RecordingTrafficLink {
public:
    RecordingTrafficLink() {
        TrafficLinkServices& s = trafficState.linkServices;
        s.queueCreateAiAircraft = [this](const AiCreateRequest& request) {
            created.push_back(request);
            note(fmt::format("create {}", request.flightKey));
        };
        s.queueRemoveAiAircraft = [this](std::uint32_t id) { note(fmt::format("remove {}", id)); };
        s.queueEnginesOn = [this](std::uint32_t id) { note(fmt::format("engines on {}", id)); };
        s.queueEnginesOff = [this](std::uint32_t id) { note(fmt::format("engines off {}", id)); };
        s.queueSetLights = [this](std::uint32_t id, const std::array<std::uint32_t, 7>& l) {
            note(fmt::format("lights {} {}{}{}{}{}{}{}", id, l[0], l[1], l[2], l[3], l[4], l[5],
                             l[6]));
        };
        s.setThrottle = [this](AiAircraft& a, std::uint32_t state) {
            note(fmt::format("throttle {} {}", a.objectId, state));
        };
        s.setFlaps = [this](AiAircraft& a, std::uint32_t state) {
            note(fmt::format("flaps {} {}", a.objectId, state));
        };
        s.setSpoilers = [this](const AiAircraft& a, bool out) {
            note(fmt::format("spoilers {} {}", a.objectId, out ? 1 : 0));
        };
        s.shutdownAiAircraft = [this](AiAircraft& a) {
            note(fmt::format("shutdown {}", a.objectId));
        };
        s.releaseAiAircraft = [this](AiAircraft& a) {
            note(fmt::format("release {}", a.flightKey));
            gf_releaseAiAircraft(a);
        };
        s.trySwapPositionLists = [this](std::vector<PositionUpdate>& list) {
            if (busy) {
                return false;
            }
            swap(list);
            return true;
        };
        s.swapPositionLists = [this](std::vector<PositionUpdate>& list) {
            ++waits;
            swap(list);
        };
        s.frameRate = [this] { return frameRate; };
        s.requestErrorSet = [this] { return requestError; };
        s.countRequestError = [this] { ++requestErrors; };
        s.requestAircraftInRange = [this](double metres) {
            note(fmt::format("range {}", metres));
            return !failRange;
        };
        s.requestStaticCg = [this](std::uint32_t id) {
            note(fmt::format("static cg {}", id));
            return !failStaticCg;
        };
        s.allLightsToggle = [this](std::uint32_t id) {
            note(fmt::format("toggle {}", id));
            return !failToggle;
        };
        s.setFlightPlan = [this](std::uint32_t id, const std::string& path) {
            plans.push_back(path);
            note(fmt::format("plan {}", id));
            return true;
        };
        s.requestUserPosition = [this] {
            ++userAsked;
            return user;
        };
    }
    ~RecordingTrafficLink() { trafficState.linkServices = TrafficLinkServices{}; }
    RecordingTrafficLink(const RecordingTrafficLink&) = delete;
    RecordingTrafficLink& operator=(const RecordingTrafficLink&) = delete;

    // The calls recorded since the last take, and forgets them.
    std::vector<std::string> take() { return std::exchange(calls, {}); }

    std::vector<std::string> calls;
    std::vector<std::int32_t> callTicks; // the tick counter at each call
    std::vector<AiCreateRequest> created;
    std::vector<std::string> plans;
    std::vector<PositionUpdate> sendList; // what the link would send on its next frame
    bool busy = false;
    float frameRate = 30.0F;
    bool requestError = false;
    bool failRange = false;
    bool failStaticCg = false;
    bool failToggle = false;
    int requestErrors = 0;
    int waits = 0;
    int userAsked = 0;
    UserAircraftState user;

private:
    void note(std::string call) {
        calls.push_back(std::move(call));
        callTicks.push_back(trafficState.tickCounter.load());
    }
    void swap(std::vector<PositionUpdate>& list) {
        std::swap(list, sendList);
        list.clear();
    }
};

class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        gf_setTrafficServices(gf_defaultTrafficServices());
        gf_resetTrafficForTests();
        link_.emplace();
        ::gf_createFlightPlanFolder();
    }
    ~EngineTest() override {
        link_.reset();
        gf_setTrafficServices(gf_defaultTrafficServices());
        gf_resetTrafficForTests();
        gf_resetCatalogueForTests();
    }

    RecordingTrafficLink& link() { return *link_; }

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
    std::optional<RecordingTrafficLink> link_;
};

} // namespace ksb::test
