// The farthest aircraft in the simulator goes first when there are too many.
#include "core/controls.h"
#include "core/parameters.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/max_aircraft.h"

#include "engine_test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace {

using ksb::test::EngineTest;

// On the sphere of the system, one degree of latitude is exactly 60 NM.
constexpr double kUserLatitude = 50.0;

class MaxAircraftTest : public EngineTest {
protected:
    MaxAircraftTest() {
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.userState.latitude = kUserLatitude;
        trafficState.userState.longitude = 8.0;
    }
    // An aircraft north of the user at the distance.
    static void addAt(std::uint32_t key, double distanceNm,
                      LiveState state = LiveState::inSimulator) {
        LiveAircraft& aircraft = addLive(key, state, true, key - 20000 + 100);
        aircraft.position.latitude = kUserLatitude + distanceNm / 60.0;
        aircraft.position.longitude = 8.0;
    }
    static std::vector<std::uint32_t> released() {
        std::vector<std::uint32_t> keys;
        for (const LiveAircraft& aircraft : trafficState.live) {
            if (aircraft.state == LiveState::beingRemoved) {
                keys.push_back(aircraft.flightKey);
            }
        }
        return keys;
    }
};

TEST_F(MaxAircraftTest, RemoveFarthestOnlyBeyondTheMargin) {
    struct Case {
        const char* name;
        double d;
        std::vector<double> distances; // keys 20001, 20002, ... in this order
        bool result;
        std::vector<std::uint32_t> released;
    };
    const Case cases[] = {
        {"only 0.05 NM farther: nothing to release", 5.0, {5.05}, true, {}},
        {"0.2 and 0.25 NM farther: the first, the second is within its margin",
         5.0,
         {5.2, 5.25},
         false,
         {20001}},
        {"0.2 and 0.35 NM farther: the second", 5.0, {5.2, 5.35}, false, {20002}},
        {"no aircraft", 5.0, {}, true, {}},
        {"-1: any aircraft in the simulator", -1.0, {0.0}, false, {20001}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.live.clear();
        for (std::size_t i = 0; i < c.distances.size(); ++i) {
            addAt(static_cast<std::uint32_t>(20001 + i), c.distances[i]);
        }
        EXPECT_EQ(lf_removeFarthest(c.d), c.result);
        EXPECT_EQ(released(), c.released);
    }
}

TEST_F(MaxAircraftTest, OnlyAircraftInTheSimulatorCount) {
    std::lock_guard lock(trafficState.trafficMutex);
    addAt(20001, 30.0, LiveState::creationRequested);
    addAt(20002, 40.0, LiveState::toBeRecreated);
    addAt(20003, 50.0, LiveState::newFlight);
    EXPECT_TRUE(lf_removeFarthest(5.0));
    EXPECT_TRUE(released().empty());
}

TEST_F(MaxAircraftTest, ApplyMaxAircraftReleasesTheFarthestAboveTheLimit) {
    struct Case {
        const char* name;
        std::int32_t maxLive;
        std::vector<std::uint32_t> released;
    };
    const Case cases[] = {
        {"at the count: nothing", 7, {}},
        {"two below the count: the two farthest", 5, {20004, 20006}},
        // Releases by the farthest rule, never below the limit.
        {"six: the farthest", 6, {20006}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MAX_LIVE.setRaw(c.maxLive);
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.live.clear();
        trafficState.removals.clear();
        const double distances[] = {3.0, 12.0, 7.0, 40.0, 1.0, 55.0, 20.0};
        for (std::size_t i = 0; i < std::size(distances); ++i) {
            addAt(static_cast<std::uint32_t>(20001 + i), distances[i]);
        }
        addAt(20008, 90.0, LiveState::creationRequested);
        ksb::gf_applyMaxAircraft();
        std::vector<std::uint32_t> keys = released();
        std::sort(keys.begin(), keys.end());
        EXPECT_EQ(keys, c.released);
        EXPECT_EQ(trafficState.removals.size(), c.released.size());
    }
}

TEST_F(MaxAircraftTest, AtTheDefaultOnlyTheFieldIsShown) {
    gf_registerControl(MAX_LIVE.createEdit(217, 34));
    lf_setControlText(MAX_LIVE.commandId());
    MAX_LIVE.setRaw(MAX_LIVE.defaultValue());
    std::lock_guard lock(trafficState.trafficMutex);
    for (std::uint32_t i = 0; i < 3; ++i) {
        addAt(20001 + i, 10.0 * i);
    }
    ksb::gf_applyMaxAircraft();
    EXPECT_TRUE(released().empty());
    EXPECT_EQ(gf_controlState(MAX_LIVE.commandId())->text, "300");
}

} // namespace
