// What the static-parking renewal takes from the parked live aircraft, and the tail number of a
// static parked aircraft.
#include "core/parameters.h"
#include "traffic/conflicts.h"

#include "stand_test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

class ParkedRenewalTest : public StandTest {
protected:
    ParkedRenewalTest() {
        LOG.setRaw(true);
        addStand("R1");
        addStand("R2", 100.0);
    }

    static LiveAircraft& addParked(std::uint32_t key, std::string callsign, int minutes,
                                   bool standChecked = false,
                                   AircraftCategory category = AircraftCategory::large) {
        LiveAircraft aircraft = gf_testAircraft(key, std::move(callsign), "G-EUUA");
        aircraft.state = LiveState::inSimulator;
        aircraft.phase = FlightPhase::parked;
        aircraft.objectId = key - 0x4ca000;
        aircraft.standId = 1 + key % 2;
        aircraft.category = category;
        aircraft.standChecked = standChecked;
        aircraft.atStandSince = gf_clock().steadyNow() - std::chrono::minutes(minutes);
        trafficState.live.push_back(std::move(aircraft));
        return trafficState.live.back();
    }
    static std::vector<std::string> releasedCallsigns() {
        std::vector<std::string> out;
        for (const LiveAircraft& a : trafficState.live) {
            if (a.state == LiveState::beingRemoved) {
                out.push_back(a.callsign);
            }
        }
        return out;
    }
    std::vector<std::string> linesSince(std::size_t before) const {
        const std::vector<std::string> lines = harness.log().body();
        return {lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()};
    }
};

TEST_F(ParkedRenewalTest, TheParkedListKeepsThoseSeenAndReleasesThoseLongUnseen) {
    struct Case {
        const char* name;
        bool initialLoadOnly;
        std::vector<std::string> listed; // "callsign stand minutes", fewest minutes first
        std::vector<std::string> released;
    };
    const Case cases[] = {
        {"unseen too long: released",
         false,
         {"CHK1 2 0", "CHK2 1 0", "LRG89 1 89", "HVY179 1 179"},
         {"LRG91", "HVY181"}},
        {"INITIAL_LOAD_ONLY: all listed with their minutes",
         true,
         {"CHK1 2 0", "CHK2 1 0", "LRG89 1 89", "LRG91 2 91", "HVY179 1 179", "HVY181 2 181"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.live.clear();
        trafficState.removals.clear();
        INITIAL_LOAD_ONLY.setRaw(c.initialLoadOnly);
        addParked(0x4ca001, "HVY181", 181, false, AircraftCategory::heavy);
        addParked(0x4ca002, "LRG89", 89);
        addParked(0x4ca003, "CHK1", 500, true);
        addParked(0x4ca004, "HVY179", 179, false, AircraftCategory::heavy);
        addParked(0x4ca005, "LRG91", 91);
        addParked(0x4ca006, "CHK2", 20, true);
        addParked(0x4ca007, "TAXI", 300).phase = FlightPhase::taxi;
        addParked(0x4ca008, "GONE", 300, false).state = LiveState::beingRemoved;
        trafficState.parkedLive = {ParkedLiveEntry{"OLD", 9, 1}};

        lf_collectParkedLive();

        std::vector<std::string> listed;
        for (const ParkedLiveEntry& e : trafficState.parkedLive) {
            listed.push_back(e.callsign + " " + std::to_string(e.standId) + " " +
                             std::to_string(e.minutes));
        }
        EXPECT_EQ(listed, c.listed);
        std::vector<std::string> expectedReleased = c.released;
        expectedReleased.insert(expectedReleased.begin(), "GONE");
        std::vector<std::string> actual = releasedCallsigns();
        std::sort(actual.begin(), actual.end());
        std::sort(expectedReleased.begin(), expectedReleased.end());
        EXPECT_EQ(actual, expectedReleased);
        EXPECT_EQ(trafficState.removals.size(), c.released.size());
    }
}

TEST_F(ParkedRenewalTest, TheLongestParkedGoFirst) {
    struct Case {
        const char* name;
        int n;
        std::vector<std::string> released;
    };
    const Case cases[] = {
        {"none", 0, {}},
        {"negative", -2, {}},
        {"one", 1, {"BAW2"}},
        {"two: a tie keeps list order", 2, {"BAW2", "BAW3"}},
        {"more than there are", 10, {"BAW1", "BAW2", "BAW3", "BAW4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.live.clear();
        trafficState.removals.clear();
        addParked(0x4ca001, "BAW1", 30);
        addParked(0x4ca002, "BAW2", 60);
        addParked(0x4ca003, "BAW3", 60, true);
        addParked(0x4ca004, "BAW4", 5);
        addParked(0x4ca005, "TAXI", 300).phase = FlightPhase::taxi;
        const std::size_t before = harness.log().body().size();

        lf_removeLongestParked(c.n);

        EXPECT_EQ(releasedCallsigns(), c.released);
        EXPECT_EQ(trafficState.removals.size(), c.released.size());
        std::vector<std::string> lines;
        for (const LiveAircraft& a : trafficState.live) {
            if (a.state == LiveState::beingRemoved) {
                lines.push_back("live parked " + a.describe() + " at R" +
                                std::to_string(a.standId) + " removed");
            }
        }
        EXPECT_EQ(linesSince(before), lines);
    }
}

TEST_F(ParkedRenewalTest, TheListedPredicateReleasesOnlyListedParkedAircraftInTheSimulator) {
    LiveAircraft& parked = addParked(0x4ca001, "BAW1", 30);
    const std::vector<std::uint32_t> keys = {0x4ca001, 0x4ca002};
    EXPECT_FALSE(lf_removeListedParked({0x4ca009}, parked));
    EXPECT_EQ(parked.state, LiveState::inSimulator);
    EXPECT_TRUE(lf_removeListedParked(keys, parked));
    EXPECT_EQ(parked.state, LiveState::beingRemoved);
    // Already on its way out: not again.
    EXPECT_FALSE(lf_removeListedParked(keys, parked));
    EXPECT_EQ(trafficState.removals.size(), 1u);
}

TEST(StaticCallsign, TheTailNumberOfAPlannedStaticAircraft) {
    struct Case {
        const char* name;
        std::string callsign;
        std::string coupled;
        bool stays;
        std::string airline;
        std::string tail;
    };
    const Case cases[] = {
        {"a callsign gets an asterisk", "BAW123", "", true, "BAW", "BAW123*"},
        {"one trailing underscore goes", "BAW123_", "", true, "BAW", "BAW123*"},
        {"already an asterisk: unchanged", "BAW123*", "", true, "BAW", "BAW123*"},
        {"stays set: its own callsign", "BAW123", "BAW124", true, "BAW", "BAW123*"},
        {"stays clear: the coupled callsign", "BAW123", "BAW124_", false, "BAW", "BAW124*"},
        {"stays clear without a coupled callsign: its own", "BAW123", "", false, "BAW", "BAW123*"},
        {"no callsign: airline, key and asterisk", "", "BAW124", false, "PVT", "PVT42*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StandToFill entry;
        entry.callsign = c.callsign;
        entry.coupledCallsign = c.coupled;
        entry.stays = c.stays;
        entry.airline = c.airline;
        entry.registration = "G-EUUA";
        EXPECT_EQ(lf_staticCallsign(entry, 42), c.tail);
    }
}

} // namespace
} // namespace ksb::test
