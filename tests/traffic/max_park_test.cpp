// The parked aircraft at the park airport stay within the wanted count: the live aircraft that
// has stood longest goes, then the static aircraft that has stood longest, across the week's end.
#include "core/globals.h"
#include "core/parameters.h"
#include "traffic/conflicts.h"
#include "traffic/new_flight.h"
#include "traffic/traffic_hooks.h"

#include "stand_test_fixture.h"
#include "support/static_aircraft_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

// Monday 02:00 UTC: Sunday's half hours lie just behind it.
constexpr DayHalfHour kMaxParkNow = gf_packDayHalfHour(1, 4);

class MaxParkTest : public StandTest {
protected:
    MaxParkTest() {
        LOG.setRaw(true);
        harness.setDayHalfHour(kMaxParkNow);
    }

    // W stands for the wanted count: 0 with no stands, else one stand per wanted aircraft at 100%.
    void wantStatics(int wanted) {
        stands().clear();
        parking_percentage.setRaw(100);
        for (int i = 0; i < wanted; ++i) {
            addStand("P" + std::to_string(i + 1), 100.0 * i);
        }
        if (wanted == 1) {
            return; // one stand always wants one
        }
        ASSERT_EQ(gf_wantedStaticCount(), wanted);
    }

    // A parked live aircraft in the simulator that has stood there for the minutes.
    LiveAircraft& addParked(std::uint32_t key, std::string callsign, int minutes,
                            LiveState state = LiveState::inSimulator) {
        LiveAircraft aircraft = gf_testAircraft(key, std::move(callsign), "G-EUUA");
        aircraft.state = state;
        aircraft.phase = FlightPhase::parked;
        aircraft.objectId = key % 1000;
        aircraft.standId = 1;
        aircraft.atStandSince = gf_clock().steadyNow() - std::chrono::minutes(minutes);
        trafficState.live.push_back(std::move(aircraft));
        return trafficState.live.back();
    }
    static void addStatic(std::uint32_t key, DayHalfHour since,
                          LiveState state = LiveState::inSimulator) {
        trafficState.statics.push_back(StaticAircraftBuilder("EZY" + std::to_string(key) + "*", key)
                                           .objectId(500 + key)
                                           .parkedAt(since)
                                           .state(state)
                                           .build());
    }
    // Callsigns of the aircraft released by the call, live ones first.
    static std::vector<std::string> released(const std::vector<LiveState>& liveBefore,
                                             const std::vector<LiveState>& staticsBefore) {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < trafficState.live.size(); ++i) {
            if (trafficState.live[i].state != liveBefore[i]) {
                out.push_back(trafficState.live[i].callsign);
            }
        }
        for (std::size_t i = 0; i < trafficState.statics.size(); ++i) {
            if (trafficState.statics[i].state != staticsBefore[i]) {
                out.push_back(trafficState.statics[i].callsign);
            }
        }
        return out;
    }
    static std::vector<LiveState> statesOf(const auto& records) {
        std::vector<LiveState> states;
        for (const auto& r : records) {
            states.push_back(r.state);
        }
        return states;
    }
};

TEST_F(MaxParkTest, TheCountsAndSwitchesDecideWhoGoes) {
    struct Case {
        const char* name;
        int wanted;     // W
        int liveParked; // P without extra; minutes 40, 30, 20, ...
        int extra;
        std::vector<LiveState> statics; // parked earlier the further down the list
        bool initialLoadOnly;
        bool parkTrafficOnly;
        std::vector<std::string> released;
    };
    const LiveState two = LiveState::inSimulator;
    const LiveState four = LiveState::beingRemoved;
    const LiveState one = LiveState::creationRequested;
    const Case cases[] = {
        {"within the count", 3, 2, 1, {}, false, false, {}},
        {"one live too many: the longest parked goes", 3, 3, 1, {}, false, false, {"BAW1"}},
        {"the extra decides at the edge", 3, 3, 0, {}, false, false, {}},
        {"live and static over: one of each", 3, 3, 1, {two, two}, false, false, {"BAW1", "EZY2*"}},
        {"INITIAL_LOAD_ONLY keeps the live ones", 3, 3, 1, {two}, true, false, {"EZY1*"}},
        {"RT_PARKTRAFFIC_ONLY releases nothing", 3, 4, 1, {two}, false, true, {}},
        {"W 0: no live release, the statics still go", 0, 1, 0, {two}, false, false, {"EZY1*"}},
        {"statics over the rest of the count", 3, 1, 0, {two, two, two}, false, false, {"EZY3*"}},
        {"state 4 counts but is never picked", 3, 1, 0, {two, four, four}, false, false, {"EZY1*"}},
        {"only state 4 left: nothing to pick", 3, 2, 0, {four, four}, false, false, {}},
        {"state 1 does not count", 3, 2, 0, {one, one, two}, false, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.live.clear();
        trafficState.statics.clear();
        trafficState.removals.clear();
        wantStatics(c.wanted);
        INITIAL_LOAD_ONLY.setRaw(c.initialLoadOnly);
        RT_PARKTRAFFIC_ONLY.setRaw(c.parkTrafficOnly);
        for (int i = 0; i < c.liveParked; ++i) {
            addParked(0x4ca001 + i, "BAW" + std::to_string(i + 1), 40 - 10 * i);
        }
        // A taxiing one never counts.
        addParked(0x4ca0ff, "TAXI1", 500).phase = FlightPhase::taxi;
        for (std::size_t i = 0; i < c.statics.size(); ++i) {
            addStatic(static_cast<std::uint32_t>(i + 1),
                      gf_packDayHalfHour(1, 3 - static_cast<int>(i)), c.statics[i]);
        }
        const std::vector<LiveState> liveBefore = statesOf(trafficState.live);
        const std::vector<LiveState> staticsBefore = statesOf(trafficState.statics);

        lf_checkMaxPark(c.extra);

        EXPECT_EQ(released(liveBefore, staticsBefore), c.released);
        EXPECT_EQ(trafficState.removals.size(), c.released.size());
    }
}

TEST_F(MaxParkTest, TheLiveAircraftThatHasStoodLongestGoesATieToListOrder) {
    wantStatics(3);
    addParked(0x4ca001, "BAW1", 30);
    addParked(0x4ca002, "BAW2", 50);
    addParked(0x4ca003, "BAW3", 50);
    addParked(0x4ca004, "BAW4", 10);
    addParked(0x4ca005, "BAW5", 90, LiveState::beingRemoved);

    std::vector<ParkedMinutes> list;
    lf_listParkedLive(list);
    std::vector<std::string> listed;
    for (const ParkedMinutes& entry : list) {
        listed.push_back(std::to_string(entry.flightKey - 0x4ca000) + ":" +
                         std::to_string(entry.minutes));
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"2:50", "3:50", "1:30", "4:10"}));

    const std::size_t before = harness.log().body().size();
    lf_checkMaxPark(0);
    EXPECT_EQ(trafficState.live[1].state, LiveState::beingRemoved);
    EXPECT_EQ(trafficState.live[2].state, LiveState::inSimulator);
    const std::vector<std::string> lines = harness.log().body();
    EXPECT_EQ(
        std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end()),
        std::vector<std::string>{"P1: BAW2     max park exceeded, removed"});
    // The next check takes the next one, the released one no longer counting.
    lf_checkMaxPark(1);
    EXPECT_EQ(trafficState.live[2].state, LiveState::beingRemoved);
}

TEST_F(MaxParkTest, TheStaticThatHasStoodLongestGoesAcrossTheWeeksEnd) {
    struct Case {
        const char* name;
        std::vector<DayHalfHour> since; // parked at; all in state 2 unless listed below
        std::vector<std::size_t> beingRemoved;
        std::size_t picked;
    };
    const Case cases[] = {
        {"Sunday night before Monday morning",
         {gf_packDayHalfHour(1, 2), gf_packDayHalfHour(7, 40), gf_packDayHalfHour(1, 0)},
         {},
         1},
        {"Saturday before Sunday", {gf_packDayHalfHour(7, 1), gf_packDayHalfHour(6, 47)}, {}, 1},
        {"a moment after now is almost a week ago",
         {gf_packDayHalfHour(3, 0), gf_packDayHalfHour(1, 5)},
         {},
         1},
        {"equal: the first in list order",
         {gf_packDayHalfHour(5, 9), gf_packDayHalfHour(5, 9)},
         {},
         0},
        {"the longest is being removed: the next one",
         {gf_packDayHalfHour(1, 1), gf_packDayHalfHour(6, 0), gf_packDayHalfHour(7, 0)},
         {1},
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.statics.clear();
        trafficState.removals.clear();
        wantStatics(1);
        for (std::size_t i = 0; i < c.since.size(); ++i) {
            addStatic(static_cast<std::uint32_t>(i + 1), c.since[i]);
        }
        for (const std::size_t i : c.beingRemoved) {
            trafficState.statics[i].state = LiveState::beingRemoved;
        }
        lf_checkMaxPark(1);
        for (std::size_t i = 0; i < c.since.size(); ++i) {
            const bool expected =
                i == c.picked || std::count(c.beingRemoved.begin(), c.beingRemoved.end(), i) > 0;
            EXPECT_EQ(trafficState.statics[i].state == LiveState::beingRemoved, expected) << i;
        }
        EXPECT_EQ(
            std::vector<std::uint32_t>(trafficState.removals.begin(), trafficState.removals.end()),
            std::vector<std::uint32_t>{trafficState.statics[c.picked].objectId});
    }
}

// Random static lists, the week's end included, against a brute-force search for the longest
// standing one in state 2.
TEST_F(MaxParkTest, ThePickMatchesABruteForceMaximumOverRandomLists) {
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> weekday(1, 7);
    std::uniform_int_distribution<int> slot(0, 47);
    std::uniform_int_distribution<int> size(0, 12);
    std::uniform_int_distribution<int> stateDraw(0, 5);
    wantStatics(1);
    for (int round = 0; round < 400; ++round) {
        SCOPED_TRACE(round);
        trafficState.statics.clear();
        trafficState.removals.clear();
        const DayHalfHour now = gf_packDayHalfHour(weekday(random), slot(random));
        dayHalfHourNow = now;
        const int n = size(random);
        for (int i = 0; i < n; ++i) {
            const int draw = stateDraw(random);
            const LiveState state = draw == 0   ? LiveState::beingRemoved
                                    : draw == 1 ? LiveState::creationRequested
                                                : LiveState::inSimulator;
            // Few distinct values, so that ties are common.
            addStatic(static_cast<std::uint32_t>(i + 1),
                      gf_packDayHalfHour(weekday(random), slot(random) % 4 * 12), state);
        }
        std::vector<LiveState> before = statesOf(trafficState.statics);

        // Brute force: the largest elapsed time, the first on a tie.
        int expected = -1;
        int best = -1;
        for (int i = 0; i < n; ++i) {
            const AiAircraft& a = trafficState.statics[static_cast<std::size_t>(i)];
            if (a.state != LiveState::inSimulator) {
                continue;
            }
            const int since = (gf_weekdayOf(now) - gf_weekdayOf(a.parkedAt)) * 48 +
                              gf_halfHourOfPair(now) - gf_halfHourOfPair(a.parkedAt);
            const int elapsed = ((since % 336) + 336) % 336;
            if (elapsed > best) {
                best = elapsed;
                expected = i;
            }
        }

        lf_checkMaxPark(2); // P = 2 > W = 1: the static step always runs

        int picked = -1;
        for (int i = 0; i < n; ++i) {
            const std::size_t at = static_cast<std::size_t>(i);
            if (trafficState.statics[at].state != before[at]) {
                ASSERT_EQ(picked, -1) << "two released";
                picked = i;
            }
        }
        EXPECT_EQ(picked, expected);
        EXPECT_EQ(trafficState.removals.size(), expected < 0 ? 0u : 1u);
    }
}

} // namespace
} // namespace ksb::test
