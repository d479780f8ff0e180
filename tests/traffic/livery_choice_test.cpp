// The livery a new flight is created with: the cache by flight key, the matcher, and the memory
// of flights without a livery.
#include "placement_test_fixture.h"

#include "catalogue/unmatched_flights.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

class LiveryChoiceTest : public PlacementTest {
protected:
    LiveryChoiceTest() { trafficState.parkAirport.lat = 10.0; }

    static bool choose(LiveAircraft& aircraft) {
        std::lock_guard lock(trafficState.trafficMutex);
        return lf_chooseLivery(aircraft);
    }
    static void cache(std::uint32_t key, const std::string& title) {
        trafficState.liveryCache[key] = gf_storeTitle(title);
    }
};

TEST_F(LiveryChoiceTest, CachedTitleIsTakenAndLoggedOnlyWithLogOnAndNoRecreation) {
    struct Case {
        const char* name;
        bool log;
        bool recreation;
        const char* title;
        bool fsltlBefore;
        bool fsltl;
        bool logged;
    };
    const Case cases[] = {
        {"logged with LOG on", true, false, "Cached A320 BAW", true, false, true},
        {"silent with LOG off", false, false, "Cached A320 BAW", false, false, false},
        {"silent for a re-creation", true, true, "Cached A320 BAW", false, false, false},
        {"an FSLTL title sets the flag", true, false, "FSLTL_A320_BAW", false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        trafficState.live.clear();
        LogCapture log;
        LOG.setRaw(c.log);
        LiveAircraft& aircraft = addFlight(flightAt(0.0).standing(3));
        cache(aircraft.flightKey, c.title);
        aircraft.hasRecreationHeading = c.recreation;
        aircraft.fsltlModel = c.fsltlBefore;
        EXPECT_TRUE(choose(aircraft));
        // Not the matcher's choice, which would be the installed BAW A320.
        EXPECT_EQ(aircraft.liveryTitle, c.title);
        EXPECT_EQ(aircraft.fsltlModel, c.fsltl);
        const std::string line = "          " + aircraft.describe() + " =c= " + c.title;
        const std::vector<std::string> body = log.body();
        EXPECT_EQ(std::count(body.begin(), body.end(), line), c.logged ? 1 : 0);
        EXPECT_EQ(body.size(), c.logged ? 1U : 0U);
    }
}

TEST_F(LiveryChoiceTest, RefusedCachedTitleMakesTheMatcherChooseAgain) {
    LiveAircraft& aircraft = addFlight(flightAt(0.0).standing(3));
    cache(aircraft.flightKey, "Refused A320 BAW");
    Flight refused = aircraft;
    refused.liveryTitle = gf_storeTitle("Refused A320 BAW");
    gf_liveryNotCreated(refused);
    EXPECT_TRUE(choose(aircraft));
    EXPECT_EQ(aircraft.liveryTitle, "Airbus A320 British Airways");
    ASSERT_EQ(trafficState.liveryCache.count(aircraft.flightKey), 1U);
    EXPECT_EQ(trafficState.liveryCache.at(aircraft.flightKey), "Airbus A320 British Airways");
}

TEST_F(LiveryChoiceTest, MatchedTitleIsCachedAndKeptByTheFlight) {
    LiveAircraft& aircraft = addFlight(flightAt(0.0).standing(3));
    EXPECT_TRUE(choose(aircraft));
    EXPECT_EQ(aircraft.liveryTitle, "Airbus A320 British Airways");
    EXPECT_EQ(trafficState.liveryCache.at(aircraft.flightKey), "Airbus A320 British Airways");
    // A flight that has a title keeps it, whatever the cache says.
    cache(aircraft.flightKey, "Another title");
    EXPECT_TRUE(choose(aircraft));
    EXPECT_EQ(aircraft.liveryTitle, "Airbus A320 British Airways");
}

TEST_F(LiveryChoiceTest, FlightWithoutLiveryIsRememberedAndTheNextOneDroppedWithoutAsking) {
    LiveAircraft& first = addFlight(flightAt(0.0).type("E190").registration("G-EMBA").standing(3));
    const std::string key = first.noLiveryKey();
    place(first);
    EXPECT_TRUE(first.erase);
    EXPECT_EQ(first.state, LiveState::newFlight);
    EXPECT_EQ(trafficState.noLiveryKeys, (std::set<std::string>{key}));
    EXPECT_EQ(gf_noLiveryFlights(), (std::vector<std::string>{key}));
    EXPECT_TRUE(trafficState.liveryCache.empty());
    EXPECT_TRUE(trafficState.waitingKeys.empty());

    // An E190 livery appears; the same aircraft on its next flight is not matched again.
    scannedLiveries.push_back(livery("BAW", "E190", "Embraer 190 British Airways"));
    gf_processScannedLiveries();
    LiveAircraft& next = addFlight(
        flightAt(0.0, 0x4ca0f0).type("E190").registration("G-EMBA").callsign("BAW55").taxi(3));
    {
        std::lock_guard lock(trafficState.trafficMutex);
        lf_admitNewAircraft(next);
    }
    EXPECT_TRUE(next.erase);
    EXPECT_TRUE(next.liveryTitle.empty());
    EXPECT_TRUE(trafficState.waitingKeys.empty());
}

TEST_F(LiveryChoiceTest, RecreatedAircraftKeepsItsTitleHeadingAndPhase) {
    LiveAircraft& aircraft = addFlight(flightAt(0.0).taxi(3));
    aircraft.liveryTitle = gf_storeTitle("Title it was created with");
    aircraft.phase = FlightPhase::taxi;
    aircraft.previousPhase = FlightPhase::pushBackOrTow;
    aircraft.recreating = true;
    aircraft.hasRecreationHeading = true;
    aircraft.recreationHeading = 2.5;
    place(aircraft);
    EXPECT_EQ(aircraft.liveryTitle, "Title it was created with");
    EXPECT_EQ(aircraft.phase, FlightPhase::taxi);
    EXPECT_EQ(aircraft.previousPhase, FlightPhase::pushBackOrTow);
    EXPECT_DOUBLE_EQ(aircraft.position.heading, 2.5);
    EXPECT_EQ(aircraft.state, LiveState::creationRequested);
    EXPECT_FALSE(trafficState.liveryCache.count(aircraft.flightKey));
}

} // namespace
} // namespace ksb::test
