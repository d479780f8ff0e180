// The simulator position block an aircraft is created with.
#include "core/geodesy.h"
#include "traffic/live_aircraft.h"
#include "traffic/position_block.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace ksb::test {
namespace {

constexpr double kBlockTestTwoPi = 6.283185307179586;

PositionSample lf_blockSample(double latitude, double longitude, bool airborne, double track = 0.0,
                              double verticalRate = 0.0) {
    PositionSample sample;
    sample.latitude = latitude;
    sample.longitude = longitude;
    sample.airborne = airborne;
    sample.altitude = airborne ? 4000.0 : 0.0;
    sample.track = track;
    sample.verticalRate = verticalRate;
    sample.trueAirspeed = airborne ? 180.0 : 0.0;
    return sample;
}

double lf_pitchDegrees(double verticalRate) {
    LiveAircraft aircraft;
    aircraft.samples.push_back(lf_blockSample(50.0, 8.0, true, 0.0, verticalRate));
    lf_fillPositionBlock(aircraft);
    return aircraft.position.pitch * kDegreesPerRadian;
}

TEST(PositionBlockTest, PitchFollowsTheLimitedVerticalRate) {
    struct Case {
        const char* name;
        double rate;
        double degrees;
    };
    const Case cases[] = {
        {"level", 0.0, -3.0},
        {"climbing", 1200.0, -3.0 - 4.4},
        {"climbing above 2400", 4000.0, -3.0 - 8.8},
        {"descending, halved", -1200.0, -3.0 + 2.2},
        {"descending beyond -3000", -6000.0, -3.0 + 5.5},
        {"infinite climb", std::numeric_limits<double>::infinity(), -3.0 - 8.8},
        {"infinite descent", -std::numeric_limits<double>::infinity(), -3.0 + 5.5},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), -3.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(lf_pitchDegrees(c.rate), c.degrees, 1e-12);
    }
    LiveAircraft onGround;
    onGround.samples.push_back(lf_blockSample(50.0, 8.0, false, 0.0, 1500.0));
    lf_fillPositionBlock(onGround);
    EXPECT_EQ(onGround.position.pitch, 0.010471975511965976);
}

TEST(PositionBlockTest, HeadingComesFromTheFirstSourceThatApplies) {
    struct Case {
        const char* name;
        bool recreation;
        bool parked;
        bool secondRepeated;
        bool secondAtFirst;
        bool airborne;
        double heading; // radians
    };
    // The second sample lies due east of the first; the track says 200 degrees.
    const double east = gf_initialBearing({50.0, 8.0}, {50.0, 8.01});
    const double track = 200.0 * kRadiansPerDegree;
    const Case cases[] = {
        {"re-creation heading first", true, true, false, false, false, 0.5},
        {"stand heading when parked", false, true, false, false, false, 1.5},
        {"bearing to the second sample", false, false, false, false, false, east},
        {"bearing when airborne", false, false, false, false, true, east},
        {"track when the second repeats", false, false, true, false, false, track},
        {"a second sample at the first gives 0", false, false, false, true, false, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft aircraft;
        aircraft.samples.push_back(lf_blockSample(50.0, 8.0, c.airborne, 200.0));
        PositionSample second = lf_blockSample(50.0, c.secondAtFirst ? 8.0 : 8.01, c.airborne);
        second.repeated = c.secondRepeated;
        aircraft.samples.push_back(second);
        aircraft.hasRecreationHeading = c.recreation;
        aircraft.recreationHeading = 0.5;
        aircraft.standHeading = 1.5;
        if (c.parked) {
            aircraft.setPhase(FlightPhase::parked);
        }
        lf_fillPositionBlock(aircraft);
        EXPECT_NEAR(aircraft.position.heading, c.heading, 1e-12);
        EXPECT_FALSE(std::isnan(aircraft.position.heading));
        EXPECT_EQ(aircraft.groundHeading, c.airborne ? 0.0 : aircraft.position.heading);
    }
}

TEST(PositionBlockTest, HeadingIsBroughtIntoZeroToTwoPi) {
    struct Case {
        const char* name;
        double given;
        double heading;
    };
    const Case cases[] = {
        {"below 0", -0.5, kBlockTestTwoPi - 0.5},
        {"above 2 pi", kBlockTestTwoPi + 0.25, 0.25},
        {"2 pi itself stays", kBlockTestTwoPi, kBlockTestTwoPi},
        {"far above", 3 * kBlockTestTwoPi + 1.0, 1.0},
        {"far below", -2 * kBlockTestTwoPi - 1.0, kBlockTestTwoPi - 1.0},
        {"in range", 3.0, 3.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LiveAircraft aircraft;
        aircraft.samples.push_back(lf_blockSample(50.0, 8.0, false));
        aircraft.hasRecreationHeading = true;
        aircraft.recreationHeading = c.given;
        lf_fillPositionBlock(aircraft);
        EXPECT_NEAR(aircraft.position.heading, c.heading, 1e-9);
        EXPECT_GE(aircraft.position.heading, 0.0);
        EXPECT_LE(aircraft.position.heading, kBlockTestTwoPi);
    }
}

TEST(PositionBlockTest, PositionBankAndSpeedsComeFromTheFirstSample) {
    for (const bool bankValid : {true, false}) {
        SCOPED_TRACE(bankValid ? "bank valid" : "bank not valid");
        LiveAircraft aircraft;
        PositionSample first = lf_blockSample(51.25, -0.5, true, 90.0, 900.0);
        first.bank = 0.2;
        first.bankValid = bankValid;
        aircraft.samples.push_back(first);
        lf_fillPositionBlock(aircraft);
        const SimPositionBlock& block = aircraft.position;
        EXPECT_EQ(block.latitude, 51.25);
        EXPECT_EQ(block.longitude, -0.5);
        EXPECT_EQ(block.bank, bankValid ? 0.2 : 0.0);
        EXPECT_EQ(block.altitude, 4000.0);
        EXPECT_EQ(block.verticalSpeed, 15.0); // feet per second
        EXPECT_EQ(block.trueAirspeed, 180.0);
        EXPECT_NEAR(block.heading, 90.0 * kRadiansPerDegree, 1e-12);
    }
    LiveAircraft empty;
    empty.position.latitude = 7.0;
    lf_fillPositionBlock(empty);
    EXPECT_EQ(empty.position.latitude, 7.0);
}

} // namespace
} // namespace ksb::test
