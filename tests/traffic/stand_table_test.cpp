// The stand table's lookups, the taken marks, the learned update count with its window, the
// cargo mark and the engine's random draws.
#include "traffic/stand_table.h"
#include "traffic/traffic_draw.h"

#include "core/parameters.h"
#include "core/random_engine.h"
#include "core/run_capacities.h"

#include "stand_test_fixture.h"
#include "support/scripted_random.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using ksb::test::StandTest;

class StandTableTest : public StandTest {};

TEST_F(StandTableTest, StandsAreFoundByIdAndByExactName) {
    addStand("A1");
    addStand("A2");
    addStand("A2");          // a second stand of that name is never found by it
    stands()[2].standId = 2; // nor by a repeated id

    struct Case {
        const char* name;
        std::uint32_t id;
        const ParkPosition* expected;
    };
    const Case byId[] = {
        {"id 0 is no stand", 0, nullptr},
        {"first id", 1, &stands()[0]},
        {"repeated id gives the first", 2, &stands()[1]},
        {"unknown id", 9, nullptr},
    };
    for (const Case& c : byId) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_findStandById(c.id), c.expected);
    }
    EXPECT_EQ(gf_findStandByName("A2"), &stands()[1]);
    EXPECT_EQ(gf_findStandByName("a2"), nullptr);
    EXPECT_EQ(gf_findStandByName("A"), nullptr);
    EXPECT_EQ(gf_findStandByName(""), nullptr);

    EXPECT_EQ(gf_standLogName(0), "sid==0?");
    EXPECT_EQ(gf_standLogName(1), "A1");
    EXPECT_EQ(gf_standLogName(9), "unknown");

    stands().clear();
    EXPECT_EQ(gf_findStandById(1), nullptr);
    EXPECT_EQ(gf_standLogName(1), "unknown");
    EXPECT_EQ(gf_findStandByName("A1"), nullptr);
}

TEST_F(StandTableTest, NearestStandWithinTheRadiusWhateverItsFlags) {
    const Position base{ksb::test::kStandBaseLatitude, ksb::test::kStandBaseLongitude};
    ParkPosition& far = addStand("FAR", 60.0);
    ParkPosition& near = addStand("NEAR", 30.0);
    ParkPosition& twin = addStand("TWIN", 30.0); // as near as NEAR, later in the table
    near.taken = near.occupied = near.blocked = near.adjacentTaken = near.heli = true;

    EXPECT_EQ(lf_nearestStand(base, 55.0 * kNMPerMetre), &near);
    EXPECT_EQ(lf_nearestStand(base, 20.0 * kNMPerMetre), nullptr);
    // Beyond NEAR's distance only FAR is left once NEAR and TWIN are gone.
    near.latitude = far.latitude + 1.0;
    twin.latitude = far.latitude + 1.0;
    EXPECT_EQ(lf_nearestStand(base, 55.0 * kNMPerMetre), nullptr);
    EXPECT_EQ(lf_nearestStand(base, 65.0 * kNMPerMetre), &far);

    stands().clear();
    EXPECT_EQ(lf_nearestStand(base, 1.0), nullptr);
}

TEST_F(StandTableTest, ATakenStandMarksItsNeighbours) {
    ParkPosition& a = addStand("A1");
    ParkPosition& b = addStand("A2");
    ParkPosition& c = addStand("A3");
    ParkPosition& d = addStand("A4");
    a.adjacentStandIds = {2, 4, 99}; // 99: no such stand
    gf_markStandTaken(a);
    EXPECT_TRUE(a.taken);
    EXPECT_FALSE(a.adjacentTaken);
    EXPECT_TRUE(b.adjacentTaken);
    EXPECT_FALSE(b.taken);
    EXPECT_FALSE(c.adjacentTaken);
    EXPECT_TRUE(d.adjacentTaken);
    EXPECT_FALSE(a.occupied || a.blocked);
}

TEST_F(StandTableTest, EachLearnedUpdateIsCountedAndShown) {
    EXPECT_EQ(mainWindow.updateCount.load(), 0);
    gf_countLearnedUpdate();
    gf_countLearnedUpdate();
    EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, 2);
    EXPECT_EQ(mainWindow.updateCount.load(), 2);
    EXPECT_EQ(window.invalidated(), (std::vector<ui::Rect>{kStatisticsRegion, kStatisticsRegion}));

    // The window already shows the number the count reaches: no repaint.
    window.clearInvalidated();
    mainWindow.updateCount = 3;
    gf_countLearnedUpdate();
    EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, 3);
    EXPECT_TRUE(window.invalidated().empty());

    // After a save zeroed the count the window follows the count again.
    gf_parkAirportState().learnedUpdateCount = 0;
    gf_countLearnedUpdate();
    EXPECT_EQ(mainWindow.updateCount.load(), 1);
    EXPECT_EQ(window.invalidated(), std::vector<ui::Rect>{kStatisticsRegion});
}

TEST_F(StandTableTest, ACargoFlightMakesItsStandACargoStand) {
    struct Case {
        const char* name;
        bool flightCargo;
        bool standCargo;
        std::uint32_t standId;
        bool changed;
    };
    const Case cases[] = {
        {"cargo flight on a passenger stand", true, false, 1, true},
        {"passenger flight", false, false, 1, false},
        {"already a cargo stand", true, true, 1, false},
        {"unknown stand", true, false, 7, false},
        {"no stand", true, false, 0, false},
    };
    LOG.setRaw(false); // the line is written whatever LOG says
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        gf_parkAirportState().learnedUpdateCount = 0;
        ParkPosition& stand = addStand("C12");
        stand.cargo = c.standCargo;
        LiveAircraft aircraft =
            ksb::test::gf_testAircraft(0x4ca001, "FDX12", "N123FE", "FDX", "B744");
        aircraft.cargo = c.flightCargo;
        aircraft.standId = c.standId;
        aircraft.standCargo = c.standCargo;
        aircraft.departure = "EGLL";
        aircraft.destination = "KMEM";
        const std::string line =
            "EGLL stand: C12, cargo attribute set to true, " + aircraft.describe() + " parked here";

        const std::size_t linesBefore = harness.log().body().size();
        lf_markCargoStand(aircraft);
        const std::vector<std::string> body = harness.log().body();

        EXPECT_EQ(stand.cargo, c.standCargo || c.changed);
        EXPECT_EQ(stand.cargoChanged, c.changed);
        EXPECT_EQ(aircraft.standCargo, c.standCargo || c.changed);
        EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, c.changed ? 1 : 0);
        EXPECT_EQ(body.size() - linesBefore, c.changed ? 1u : 0u);
        if (c.changed) {
            EXPECT_EQ(body.back(), line);
        }
    }
    EXPECT_TRUE(harness.log().contains(
        "EGLL stand: C12, cargo attribute set to true, FDX12    N123FE   EGLL->KMEM FDX B744 "
        "parked here"));
}

TEST_F(StandTableTest, TheSearchContainersStartEmptyAndKeepTheirRoom) {
    EXPECT_TRUE(trafficState.parkedLive.empty());
    EXPECT_TRUE(trafficState.lastLearned.empty());
    EXPECT_FALSE(trafficState.standNameMemo.valid);
    EXPECT_EQ(trafficState.realFitOffset, -1);
    EXPECT_EQ(trafficState.softFitOffset, -1);
    trafficState.reserve(kRunCapacities);
    EXPECT_GE(trafficState.parkedLive.capacity(), 64u);

    trafficState.standNameMemo = {{51.47, -0.45}, "A1", true};
    gf_clearStandNameMemo();
    EXPECT_FALSE(trafficState.standNameMemo.valid);
    EXPECT_EQ(trafficState.standNameMemo.answer, "");
}

TEST(TrafficDraw, DrawsFromTheScriptOrTheThreadEngine) {
    {
        ksb::test::ScriptedRandom random({7, 4'000'000'003u, 5});
        EXPECT_EQ(gf_trafficDraw(0), 0u);
        EXPECT_EQ(gf_trafficDraw(1), 0u); // nothing drawn
        EXPECT_EQ(gf_trafficDraw(5), 2u);
        EXPECT_EQ(gf_trafficDraw(100), 3u);
        std::vector<std::string> entries{"a", "b", "c"};
        random.add({1});
        // i = 2 draws 0..2 (5 % 3 = 2: stays), i = 1 draws 0..1 (1: stays).
        gf_trafficShuffle(entries);
        EXPECT_EQ(entries, (std::vector<std::string>{"a", "b", "c"}));
        EXPECT_EQ(random.bounds(), (std::vector<std::uint32_t>{5, 100, 3, 2}));
        EXPECT_EQ(random.left(), 0u);
    }
    // Without a script: the thread's engine, raw output modulo n.
    gf_setRandomSeedForTests(42);
    std::mt19937 reference(42);
    for (const std::uint32_t n : {2u, 3u, 48u, 100u, 1000u}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(gf_trafficDraw(n), static_cast<std::uint32_t>(reference()) % n);
    }
    gf_setRandomSeedForTests(std::nullopt);
}

TEST(TrafficDraw, ShuffleSwapsEachPositionWithItsDraw) {
    ksb::test::ScriptedRandom random({0, 0, 1});
    std::vector<int> entries{1, 2, 3, 4};
    gf_trafficShuffle(entries);
    // i = 3 with 0: 4 2 3 1; i = 2 with 0: 3 2 4 1; i = 1 with 1: unchanged.
    EXPECT_EQ(entries, (std::vector<int>{3, 2, 4, 1}));
    EXPECT_EQ(random.bounds(), (std::vector<std::uint32_t>{4, 3, 2}));
    std::vector<int> one{9};
    gf_trafficShuffle(one); // one entry takes no draw
    EXPECT_EQ(random.left(), 0u);
}

} // namespace
