// After a reset the engine equals a fresh one, except what outlives a run: the hooks, the
// neighbour tables and the flight-plan folder path.
#include "airports/park_airport_state.h"
#include "core/main_window.h"
#include "traffic/seen_flights.h"

#include "engine_test_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <set>
#include <string>

namespace {

using ksb::test::EngineTest;

class TrafficResetTest : public EngineTest {};

// Every list, queue, counter and flag of the engine holds something.
void lf_dirtyEngine() {
    static const std::string title = "Airbus A320 British Airways";
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.live.emplace_back();
    trafficState.statics.emplace_back();
    trafficState.removals.push_back(2001);
    trafficState.identityChecks.push_back(20001);
    trafficState.noLiveryKeys.insert("BAW A320 G-EUUA");
    trafficState.ghostCallsigns.push_back("BAW1_");
    trafficState.waitingKeys.push_back(20002);
    trafficState.standsToFill.emplace_back();
    trafficState.adjustments.push_back({"EZY1*", 4});
    trafficState.parkAirports.push_back(ParkAirport{"EGLL", "501", 51.47, -0.45, 3.0});
    trafficState.parkAirport.code = "EGLL";
    trafficState.parkAirport.lat = 51.47;
    trafficState.reservedStand = "501";
    trafficState.liveryCache.emplace(20001u, title);
    trafficState.seenCallsigns.insert("BAW1");
    trafficState.seenFlightIds.insert(20001);
    trafficState.parkedLive.push_back({"BAW1", 3, 25});
    trafficState.realFitOffset = 4;
    trafficState.softFitOffset = 2;
    trafficState.lastLearned.push_back({20001, 17});
    trafficState.standNameMemo = {{51.47, -0.45}, "501", true};
    trafficState.startupSequences.emplace_back();
    trafficState.inboundTaken.emplace_back();
    trafficState.liveCreations.emplace_back();
    trafficState.staticCreations.emplace_back();
    trafficState.positionWrites.emplace_back();
    trafficState.fastRange = true;
    trafficState.userState.latitude = 51.5;
    trafficState.userState.zuluTime = 3600;
    trafficState.userState.lightStates = 5;
    trafficState.flightPlanFolder = "kept/orig_dest";
    ksb::ParkAirportState& park = gf_parkAirportState();
    park.stands.emplace_back();
    park.name = "EGLL";
    park.airportName = "Heathrow";
    park.publisher = "stock";
    park.altitudeFt = 83;
    park.altitude = 83.0;
    park.handmade = true;
    park.learnedUpdateCount = 3;
    park.currentPath = "airports/archive/stock/EGLL.xml";
    park.qualityFactors = QualityFactors{40, 20};
    park.parkSnapshot.set(ksb::ParkSnapshot{"EGLL", 51.47, -0.45});
    park.parkAirportLoaded = true;
    trafficState.reservedStandFlag = true;
    trafficState.currentQnh = 990;
    trafficState.tickCounter = 4711;
    {
        std::lock_guard inbound(trafficState.inboundMutex);
        trafficState.inbound.emplace_back();
    }
    std::lock_guard feed(trafficState.feedMutex);
    trafficState.intakeOpen = true;
    trafficState.pendingBatch.emplace_back();
    trafficState.pendingCount = 7;
    trafficState.pendingDoubleTake = true;
    trafficState.pendingTicks = 150;
}

void lf_expectSameUser(const UserAircraftState& a, const UserAircraftState& b) {
    EXPECT_EQ(a.latitude, b.latitude);
    EXPECT_EQ(a.longitude, b.longitude);
    EXPECT_EQ(a.pitch, b.pitch);
    EXPECT_EQ(a.bank, b.bank);
    EXPECT_EQ(a.trueHeading, b.trueHeading);
    EXPECT_EQ(a.altitude, b.altitude);
    EXPECT_EQ(a.altitudeAboveGround, b.altitudeAboveGround);
    EXPECT_EQ(a.groundVelocity, b.groundVelocity);
    EXPECT_EQ(a.zuluTime, b.zuluTime);
    EXPECT_EQ(a.zuluDayOfYear, b.zuluDayOfYear);
    EXPECT_EQ(a.zuluYear, b.zuluYear);
    EXPECT_EQ(a.lightStates, b.lightStates);
}

// Field by field; the caller holds no lock.
void lf_expectLikeFresh(ksb::TrafficState& s, ksb::TrafficState& fresh) {
    std::lock_guard traffic(s.trafficMutex);
    EXPECT_EQ(s.live.size(), fresh.live.size());
    EXPECT_EQ(s.statics.size(), fresh.statics.size());
    EXPECT_EQ(s.removals, fresh.removals);
    EXPECT_EQ(s.identityChecks, fresh.identityChecks);
    EXPECT_EQ(s.noLiveryKeys, fresh.noLiveryKeys);
    EXPECT_EQ(s.ghostCallsigns, fresh.ghostCallsigns);
    EXPECT_EQ(s.waitingKeys, fresh.waitingKeys);
    EXPECT_EQ(s.standsToFill.size(), fresh.standsToFill.size());
    EXPECT_EQ(s.adjustments.size(), fresh.adjustments.size());
    EXPECT_EQ(s.parkAirports.size(), fresh.parkAirports.size());
    EXPECT_EQ(s.parkAirport.code, fresh.parkAirport.code);
    EXPECT_EQ(s.parkAirport.iata, fresh.parkAirport.iata);
    EXPECT_EQ(s.parkAirport.lat, fresh.parkAirport.lat);
    EXPECT_EQ(s.parkAirport.lon, fresh.parkAirport.lon);
    EXPECT_EQ(s.parkAirport.alt, fresh.parkAirport.alt);
    EXPECT_EQ(s.reservedStand, fresh.reservedStand);
    EXPECT_EQ(s.liveryCache.size(), fresh.liveryCache.size());
    EXPECT_EQ(s.seenCallsigns, fresh.seenCallsigns);
    EXPECT_EQ(s.seenFlightIds, fresh.seenFlightIds);
    EXPECT_EQ(s.parkedLive.size(), fresh.parkedLive.size());
    EXPECT_EQ(s.realFitOffset, fresh.realFitOffset);
    EXPECT_EQ(s.softFitOffset, fresh.softFitOffset);
    EXPECT_EQ(s.lastLearned.size(), fresh.lastLearned.size());
    EXPECT_EQ(s.standNameMemo.valid, fresh.standNameMemo.valid);
    EXPECT_EQ(s.standNameMemo.answer, fresh.standNameMemo.answer);
    EXPECT_EQ(s.standNameMemo.position.latitude, fresh.standNameMemo.position.latitude);
    EXPECT_EQ(s.startupSequences.size(), fresh.startupSequences.size());
    EXPECT_EQ(s.inboundTaken.size(), fresh.inboundTaken.size());
    EXPECT_EQ(s.liveCreations.size(), fresh.liveCreations.size());
    EXPECT_EQ(s.staticCreations.size(), fresh.staticCreations.size());
    EXPECT_EQ(s.positionWrites.size(), fresh.positionWrites.size());
    EXPECT_EQ(s.fastRange, fresh.fastRange);
    lf_expectSameUser(s.userState, fresh.userState);
    EXPECT_EQ(s.reservedStandFlag.load(), fresh.reservedStandFlag.load());
    EXPECT_EQ(s.currentQnh.load(), fresh.currentQnh.load());
    EXPECT_EQ(s.tickCounter.load(), fresh.tickCounter.load());
    {
        std::lock_guard inbound(s.inboundMutex);
        EXPECT_EQ(s.inbound.size(), fresh.inbound.size());
    }
    std::lock_guard feed(s.feedMutex);
    EXPECT_EQ(s.intakeOpen, fresh.intakeOpen);
    EXPECT_EQ(s.pendingBatch.size(), fresh.pendingBatch.size());
    // A count left behind would make the next tick take from the emptied batch.
    EXPECT_EQ(s.pendingCount, fresh.pendingCount);
    EXPECT_EQ(s.pendingDoubleTake, fresh.pendingDoubleTake);
    EXPECT_EQ(s.pendingTicks, fresh.pendingTicks);
}

TEST_F(TrafficResetTest, AResetEngineEqualsAFreshOneAndTicksOn) {
    int userAsked = 0;
    {
        std::lock_guard lock(trafficState.trafficMutex);
        trafficState.hooks.createStaticParked = [] {};
        trafficState.feedServices.takeSeenFlights = [](std::set<std::string>&,
                                                       std::set<std::uint32_t>&) {};
        trafficState.linkServices.requestUserPosition = [&userAsked] {
            ++userAsked;
            return UserAircraftState{};
        };
    }
    lf_dirtyEngine();
    mainWindow.liveCount = 4;
    mainWindow.parkedLive = 2;
    mainWindow.parkedStatic = 9;

    gf_resetTraffic(); // holding no lock: the reset takes the engine's mutexes itself

    ksb::TrafficState fresh;
    lf_expectLikeFresh(trafficState, fresh);
    const ksb::ParkAirportState& park = gf_parkAirportState();
    const ksb::ParkAirportState freshPark;
    EXPECT_EQ(park.stands.size(), freshPark.stands.size());
    EXPECT_EQ(park.name, freshPark.name);
    EXPECT_EQ(park.airportName, freshPark.airportName);
    EXPECT_EQ(park.publisher, freshPark.publisher);
    EXPECT_EQ(park.altitudeFt, freshPark.altitudeFt);
    EXPECT_EQ(park.altitude, freshPark.altitude);
    EXPECT_EQ(park.handmade, freshPark.handmade);
    EXPECT_EQ(park.learnedUpdateCount, freshPark.learnedUpdateCount);
    EXPECT_EQ(park.currentPath, freshPark.currentPath);
    EXPECT_EQ(park.qualityFactors.real, freshPark.qualityFactors.real);
    EXPECT_EQ(park.qualityFactors.soft, freshPark.qualityFactors.soft);
    EXPECT_FALSE(park.parkSnapshot.get().has_value());
    EXPECT_EQ(park.parkAirportLoaded.load(), freshPark.parkAirportLoaded.load());
    EXPECT_EQ(mainWindow.liveCount, 0);
    EXPECT_EQ(mainWindow.parkedLive, 0);
    EXPECT_EQ(mainWindow.parkedStatic, 0);
    {
        std::lock_guard lock(trafficState.trafficMutex);
        // What outlives a run: the folder of the plan files (the exit removes it) and the
        // tables of the engine's neighbours and stages.
        EXPECT_EQ(trafficState.flightPlanFolder, std::filesystem::path("kept/orig_dest"));
    }

    tick(1);
    EXPECT_EQ(userAsked, 1);
    EXPECT_EQ(trafficState.tickCounter.load(), 1);
}

TEST_F(TrafficResetTest, SeenFlightsAreEmptiedThenTakenFromTheFeed) {
    std::lock_guard lock(trafficState.trafficMutex);
    trafficState.seenCallsigns = {"OLD1"};
    trafficState.seenFlightIds = {11111};
    gf_clearStaticLists();
    // Unwired, the feed adds nothing.
    EXPECT_TRUE(trafficState.seenCallsigns.empty());
    EXPECT_TRUE(trafficState.seenFlightIds.empty());

    trafficState.seenCallsigns = {"OLD1"};
    std::size_t sizeSeenByFeed = 99;
    trafficState.feedServices.takeSeenFlights = [&sizeSeenByFeed](std::set<std::string>& callsigns,
                                                                  std::set<std::uint32_t>& ids) {
        sizeSeenByFeed = callsigns.size();
        callsigns = {"BAW1", "EZY2"};
        ids = {20001, 20002};
    };
    gf_clearStaticLists();
    EXPECT_EQ(sizeSeenByFeed, 0u);
    EXPECT_EQ(trafficState.seenCallsigns, (std::set<std::string>{"BAW1", "EZY2"}));
    EXPECT_EQ(trafficState.seenFlightIds, (std::set<std::uint32_t>{20001, 20002}));
}

} // namespace
