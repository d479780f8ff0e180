#include "traffic/new_flight.h"

#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "core/geodesy.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/random_engine.h"
#include "traffic/category_tables.h"
#include "traffic/traffic_state.h"

#include "support/catalogue_fixtures.h"
#include "support/fake_window_port.h"
#include "support/traffic_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using ksb::test::WorkingFolder;

// The traffic harness's small aircraft database.
class NewFlightTest : public ::testing::Test {
protected:
    void SetUp() override {
        ksb::test::writeDbaseXml(ksb::test::trafficHarnessDbase());
        ASSERT_TRUE(gf_readDbase());
        gf_setRandomSeedForTests(7);
    }
    void TearDown() override {
        gf_setRandomSeedForTests(std::nullopt);
        gf_resetCatalogueForTests();
    }

    static LiveFlight record(std::string type, std::string registration, double altitude = 0.0) {
        LiveFlight flight;
        flight.type = std::move(type);
        flight.registration = std::move(registration);
        flight.callsign = "BAW123";
        flight.coupledCallsign = "BA123";
        flight.coupledSearchDone = true;
        flight.altitude = altitude;
        flight.latitude = 51.47;
        flight.longitude = -0.45;
        flight.playTick = 4200;
        flight.timeStamp = 1700000000.0;
        flight.flightId = 0x4ca123;
        return flight;
    }

    static bool create(LiveFlight flight) {
        std::lock_guard traffic(trafficState.trafficMutex);
        return lf_newFlight(flight);
    }

    WorkingFolder folder_;
};

TEST_F(NewFlightTest, EveryCategoryCopiesItsTableRow) {
    LIGHT_AIRCRAFT.setRaw(true);
    HIGH_PERF_AIRCRAFT.setRaw(true);
    HELICOPTERS.setRaw(true);
    struct Case {
        const char* type;
        AircraftCategory category;
        double rotation, climb, turn, climbLimit, push;
        std::int32_t flare, derotation, rotationTicks, transition;
    };
    const Case cases[] = {
        {"C172", AircraftCategory::light, -9, -15, 0.15, 0.5, 5.0, 250, 250, 100, 200},
        {"CRJ9", AircraftCategory::buzjet, -8, -18, 0.10, 0.75, 4.5, 300, 300, 200, 250},
        {"A320", AircraftCategory::large, -6, -16.5, 0.07, 0.6, 4.0, 400, 350, 200, 300},
        {"B744", AircraftCategory::heavy, -5, -12.5, 0.05, 0.5, 3.0, 450, 450, 250, 400},
        {"F16", AircraftCategory::highPerformance, -6, -20, 0.10, 1.0, 4.5, 150, 150, 100, 200},
        {"EC35", AircraftCategory::rotorcraft, -20, -30, 0.20, 0.75, 5.0, 100, 100, 100, 100},
    };
    // Each varied pitch takes one of exactly two values: the table value moved by the
    // percentage up or down.
    const auto varied = [](double v, double pct) {
        return std::set<double>{(v + 1.0 * v * pct / 100.0) * kRadiansPerDegree,
                                (v + -1.0 * v * pct / 100.0) * kRadiansPerDegree};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        std::set<double> rotations;
        std::set<double> climbs;
        for (int i = 0; i < 64; ++i) {
            const Flight flight = gf_flightFromFeed(record(c.type, ""));
            rotations.insert(flight.rotationPitch);
            climbs.insert(flight.climbPitch);
        }
        EXPECT_EQ(rotations, varied(c.rotation, 2.5));
        EXPECT_EQ(climbs, varied(c.climb, 5.0));

        ASSERT_TRUE(create(record(c.type, "")));
        std::lock_guard traffic(trafficState.trafficMutex);
        const LiveAircraft& live = trafficState.live.back();
        EXPECT_EQ(live.category, c.category);
        EXPECT_EQ(live.flightKey, 0x4ca123u);
        EXPECT_EQ(live.type, c.type);
        EXPECT_DOUBLE_EQ(live.baseTurnRate, c.turn * kRadiansPerDegree);
        EXPECT_EQ(live.turnRate, live.baseTurnRate);
        EXPECT_EQ(live.climbLimit, c.climbLimit);
        EXPECT_EQ(live.pushSpeed, c.push);
        EXPECT_EQ(live.flarePitchTicks, c.flare);
        EXPECT_EQ(live.derotationTicks, c.derotation);
        EXPECT_EQ(live.rotationTicks, c.rotationTicks);
        EXPECT_EQ(live.climbPitchTicks, c.transition);
        EXPECT_TRUE(varied(c.rotation, 2.5).contains(live.rotationPitch));
        EXPECT_TRUE(varied(c.climb, 5.0).contains(live.climbPitch));
        EXPECT_EQ(live.halfWingSpan, gf_wingspanOfType(c.type));
    }
}

TEST_F(NewFlightTest, ANewLiveAircraftStartsNewWithItsFirstSample) {
    ASSERT_TRUE(create(record("A320", "G-EUUA", 0.0)));
    std::lock_guard traffic(trafficState.trafficMutex);
    ASSERT_EQ(trafficState.live.size(), 1u);
    const LiveAircraft& live = trafficState.live.front();
    EXPECT_EQ(live.callsign, "BAW123");
    EXPECT_EQ(live.firstReceivedCallsign, "BAW123");
    EXPECT_EQ(live.coupledCallsign, "");
    EXPECT_FALSE(live.coupledSearchDone);
    EXPECT_EQ(live.registration, "G-EUUA");
    EXPECT_GT(live.halfWingSpan, 0.0);
    EXPECT_EQ(live.state, LiveState::newFlight);
    EXPECT_EQ(live.phase, FlightPhase::newFlight);
    EXPECT_EQ(live.objectId, 0u);
    EXPECT_EQ(live.staticCgHeight, 0.0);
    EXPECT_EQ(live.groundPitch, 0.0);
    EXPECT_EQ(live.lastFeedTimeStamp, 1700000000.0);
    ASSERT_EQ(live.samples.size(), 1u);
    EXPECT_EQ(live.samples.front().latitude, 51.47);
    EXPECT_EQ(live.samples.front().dueTick, 4200);
    EXPECT_TRUE(live.liveryTitle.empty());
}

TEST_F(NewFlightTest, CreationFilter) {
    struct Case {
        const char* name;
        std::string type;
        std::string registration;
        bool light, highPerformance, helicopters;
        bool created;
        std::string typeAfter;
    };
    const Case cases[] = {
        {"known type", "A320", "", false, false, false, true, "A320"},
        {"empty type from the registration", "", "G-EUUA", false, false, false, true, "A320"},
        {"empty type, registration unknown", "", "N12345", true, true, true, false, ""},
        {"unknown type repaired", "XX99", "G-CIVA", false, false, false, true, "B744"},
        {"unknown type, registration unknown", "XX99", "N12345", true, true, true, false, ""},
        {"buzjet with every box off", "CRJ9", "", false, false, false, true, "CRJ9"},
        {"heavy with every box off", "B744", "", false, false, false, true, "B744"},
        {"light, box off", "C172", "", false, true, true, false, ""},
        {"light, box on", "C172", "", true, false, false, true, "C172"},
        {"high performance, box off", "F16", "", true, false, true, false, ""},
        {"high performance, box on", "F16", "", false, true, false, true, "F16"},
        {"rotorcraft, box off", "EC35", "", true, true, false, false, ""},
        {"rotorcraft, box on", "EC35", "", false, false, true, true, "EC35"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetTrafficForTests();
        LIGHT_AIRCRAFT.setRaw(c.light);
        HIGH_PERF_AIRCRAFT.setRaw(c.highPerformance);
        HELICOPTERS.setRaw(c.helicopters);
        EXPECT_EQ(create(record(c.type, c.registration)), c.created);
        std::lock_guard traffic(trafficState.trafficMutex);
        ASSERT_EQ(trafficState.live.size(), c.created ? 1u : 0u);
        if (c.created) {
            EXPECT_EQ(trafficState.live.front().type, c.typeAfter);
        }
    }
}

TEST_F(NewFlightTest, AltitudeBandAroundTheParkAirport) {
    struct Case {
        const char* name;
        double altitude;
        bool loaded;
        double elevation;
        bool plausible;
    };
    const Case cases[] = {
        {"within 120 ft of the park airport", 5000.0, true, 5050.0, false},
        {"exactly 120 ft away", 5000.0, true, 5120.0, false},
        {"just over 120 ft away", 5000.0, true, 5120.5, true},
        {"on the ground", 0.0, true, 50.0, true},
        {"below zero", -20.0, true, 0.0, true},
        {"at 10000 ft", 10000.0, true, 9950.0, true},
        {"just under 10000 ft", 9999.0, true, 9950.0, false},
        {"no park airport loaded", 5000.0, false, 5000.0, true},
        {"130 ft below the park airport", 5000.0, true, 5130.0, true},
        {"low without a park airport", 100.0, false, 100.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetTrafficForTests();
        ksb::ParkAirportState& park = gf_parkAirportState();
        park.altitude = c.elevation;
        park.parkAirportLoaded = c.loaded;
        EXPECT_EQ(lf_altitudePlausible(record("A320", "", c.altitude)), c.plausible);
        EXPECT_EQ(create(record("A320", "", c.altitude)), c.plausible);
    }
}

TEST(CategoryTables, ACategoryOutOfRangeThrowsTheMapText) {
    for (const int category : {-1, 6}) {
        SCOPED_TRACE(category);
        try {
            gf_categoryValues(category);
            FAIL() << "no exception";
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), "invalid unordered_map<K, T> key");
        }
    }
    EXPECT_EQ(gf_categoryValues(AircraftCategory::rotorcraft).flareTicks, 100);
}

TEST(CategoryTables, RandomVariationMovesByExactlyThePercentage) {
    gf_setRandomSeedForTests(11);
    std::set<double> seen;
    for (int i = 0; i < 200; ++i) {
        seen.insert(gf_randomVariation(-6.0, 2.5));
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_DOUBLE_EQ(*seen.begin(), -6.15);
    EXPECT_DOUBLE_EQ(*seen.rbegin(), -5.85);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(gf_randomVariation(-6.0, 0.0), -6.0);
        EXPECT_EQ(gf_randomVariation(-6.0, -5.0), -6.0);
    }
    gf_setRandomSeedForTests(std::nullopt);
}

TEST(WantedStaticCount, ShareOfTheStandsShownInTheWindow) {
    struct Case {
        std::size_t stands;
        std::int32_t percentage;
        std::int64_t wanted;
    };
    const Case cases[] = {
        {0, 30, 1},   {0, 50, 0},  {1, 0, 1},    {1, 100, 1},  {2, 30, 1},
        {2, 50, 1},   {3, 49, 1},  {3, 50, 2},   {4, 30, 1},   {5, 30, 2},
        {7, 50, 4},   {10, 0, 0},  {400, 30, 120}, {401, 30, 120}, {405, 30, 122},
    };
    ksb::test::FakeWindowPort port;
    gf_setWindowPort(&port);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stands << " stands at " << c.percentage << " %");
        port.clearInvalidated();
        mainWindow.staticTarget = -7;
        parking_percentage.setRaw(c.percentage);
        std::lock_guard traffic(trafficState.trafficMutex);
        gf_parkAirportState().stands.assign(c.stands, ParkPosition{});
        EXPECT_EQ(gf_wantedStaticCount(), c.wanted);
        EXPECT_EQ(mainWindow.staticTarget, c.wanted);
        EXPECT_EQ(port.invalidated(), std::vector<ui::Rect>{kStatisticsRegion});
    }
    gf_setWindowPort(nullptr);
}

} // namespace
