// The traffic scene's data as the e2e tests rely on it: stands that are no neighbours, ground
// paths clear of the user and of the stands they do not use, and flights that do what the
// scene's table says, measured with the core's great-circle distance.
#include "core/geodesy.h"
#include "support/e2e/traffic_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

namespace scene = ksb::e2e::trafficScene;
using ksb::test::TrackState;

double lf_metres(const ksb::test::GeoPoint& a, const ksb::test::GeoPoint& b) {
    return gf_distanceNM({a.latitude, a.longitude}, {b.latitude, b.longitude}) * kMetresPerNM;
}

const ksb::test::GeoPoint kUser{ksb::e2e::scene::kLatitude, ksb::e2e::scene::kLongitude};

scene::Flight lf_flight(const std::string& callsign) {
    for (scene::Flight& f : scene::flights()) {
        if (f.callsign == callsign) {
            return f;
        }
    }
    throw std::invalid_argument(callsign);
}

TEST(TrafficSceneTest, StandsLieInRowsAndNoTwoAreNeighbours) {
    const std::vector<scene::Stand> stands = scene::stands();
    ASSERT_EQ(stands.size(), 30u);
    EXPECT_EQ(stands.front().name, "V1");
    EXPECT_LT(lf_metres(stands.front().position, kUser), 0.2);
    EXPECT_EQ(stands[1].name, "A1");
    EXPECT_EQ(stands[15].name, "A15");
    EXPECT_EQ(stands[16].name, "B1");
    EXPECT_EQ(stands[29].name, "B14");
    // A8 lies straight north of the user; its neighbours in the row 80 m away.
    EXPECT_NEAR(lf_metres(scene::stand("A8").position, kUser), 400.0, 0.5);
    EXPECT_NEAR(lf_metres(scene::stand("A7").position, scene::stand("A8").position), 80.0, 0.5);
    EXPECT_GT(scene::stand("B1").position.latitude, scene::stand("A1").position.latitude);
    for (std::size_t i = 0; i < stands.size(); ++i) {
        EXPECT_EQ(stands[i].radius, 30.0);
        EXPECT_EQ(stands[i].heading, i == 0 ? ksb::e2e::scene::kHeading : 0.0);
        for (std::size_t j = i + 1; j < stands.size(); ++j) {
            const double d = lf_metres(stands[i].position, stands[j].position);
            EXPECT_LT(stands[i].radius + stands[j].radius, 1.1 * d)
                << stands[i].name << " " << stands[j].name;
        }
    }
}

TEST(TrafficSceneTest, GroundPathsKeepClearOfTheUserAndTheStandsTheyDoNotUse) {
    struct Case {
        const char* callsign;
        const char* ownStand;
    };
    const Case cases[] = {{"DLH4AB", "A5"}, {"DLH9CD", "A7"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.callsign);
        const scene::Flight flight = lf_flight(c.callsign);
        int groundSamples = 0;
        for (double t = 0.0; t <= 600.0; t += 0.25) {
            TrackState s;
            if (!flight.track.at(t, s) || !s.onGround) {
                continue;
            }
            ++groundSamples;
            ASSERT_GE(lf_metres(s.position, kUser), scene::kGroundKeepsFromUser) << t;
            for (const scene::Stand& stand : scene::stands()) {
                if (stand.name != c.ownStand) {
                    // Within the 6 decimals of the stand's point.
                    ASSERT_GE(lf_metres(s.position, stand.position),
                              scene::kGroundKeepsFromStands - 0.1)
                        << t << " " << stand.name;
                }
            }
        }
        EXPECT_GT(groundSamples, 400);
    }
}

TEST(TrafficSceneTest, TheArrivalLandsAndParksOnA5) {
    const scene::Flight arrival = lf_flight("DLH4AB");
    TrackState s;
    ASSERT_TRUE(arrival.track.at(0.0, s));
    EXPECT_FALSE(s.onGround);
    EXPECT_DOUBLE_EQ(s.altitude, 364.0 + 1270.0);
    EXPECT_DOUBLE_EQ(s.knots, 140.0);
    EXPECT_DOUBLE_EQ(s.feetPerMinute, -750.0);
    EXPECT_DOUBLE_EQ(s.course, 250.0);
    // About 4 NM out.
    EXPECT_NEAR(lf_metres(s.position, kUser), 4.4 * 1852.0, 0.3 * 1852.0);
    double touchDown = -1.0;
    for (double t = 0.0; t < 200.0 && touchDown < 0.0; t += 0.1) {
        ASSERT_TRUE(arrival.track.at(t, s));
        if (s.onGround) {
            touchDown = t;
        }
    }
    EXPECT_NEAR(touchDown, 100.0, 3.0);
    ASSERT_TRUE(arrival.track.at(touchDown - 0.1, s));
    EXPECT_NEAR(s.altitude, 364.0, 2.0);
    const scene::Stand a5 = scene::stand("A5");
    ASSERT_TRUE(arrival.track.at(arrival.track.legsEnd(), s));
    EXPECT_LT(lf_metres(s.position, a5.position), 0.01);
    EXPECT_DOUBLE_EQ(s.course, a5.heading);
    // It stands there for good.
    ASSERT_TRUE(arrival.track.at(arrival.track.legsEnd() + 3600.0, s));
    EXPECT_LT(lf_metres(s.position, a5.position), 0.01);
    EXPECT_EQ(s.knots, 0.0);
    EXPECT_TRUE(s.onGround);
    EXPECT_DOUBLE_EQ(arrival.track.greatestKnots(), 140.0);
}

TEST(TrafficSceneTest, TheDepartureIsPushedBackTailFirstAndEndsAMinuteAfterLiftOff) {
    const scene::Flight departure = lf_flight("DLH9CD");
    const scene::Stand a7 = scene::stand("A7");
    struct Case {
        const char* name;
        double seconds;
        double metresFromA7;
    };
    const Case cases[] = {
        {"standing before second 0", -100.0, 0.0}, {"standing", 40.0, 0.0},
        {"half pushed back", 55.0, 30.0},          {"pushed back", 70.0, 60.0},
        {"standing after the push", 79.9, 60.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrackState s;
        ASSERT_TRUE(departure.track.at(c.seconds, s));
        EXPECT_NEAR(lf_metres(s.position, a7.position), c.metresFromA7, 0.05);
        // Tail first: south of the stand, the nose still north.
        EXPECT_LE(s.position.latitude, a7.position.latitude);
        EXPECT_DOUBLE_EQ(s.course, 0.0);
        EXPECT_TRUE(s.onGround);
    }
    double liftOff = -1.0;
    TrackState s;
    for (double t = 80.0; t < 600.0 && liftOff < 0.0; t += 0.05) {
        ASSERT_TRUE(departure.track.at(t, s));
        if (!s.onGround) {
            liftOff = t;
        }
    }
    ASSERT_GT(liftOff, 0.0);
    EXPECT_NEAR(s.knots, 155.0, 0.5);
    EXPECT_DOUBLE_EQ(s.course, 250.0);
    EXPECT_DOUBLE_EQ(s.feetPerMinute, 2000.0);
    EXPECT_NEAR(departure.track.end(), liftOff + 60.0, 0.06);
    ASSERT_TRUE(departure.track.at(liftOff + 40.0, s));
    EXPECT_DOUBLE_EQ(s.knots, 170.0);
    EXPECT_FALSE(departure.track.at(departure.track.end() + 0.1, s));
}

TEST(TrafficSceneTest, AirborneFlightsFlyTheirCirclesAndTheLeaverLeaves) {
    struct Case {
        const char* callsign;
        double radiusNm;
        double altitude;
        double knots;
    };
    const Case cases[] = {{"BAW902", 6.0, 7000.0, 250.0},
                          {"UAE45", 8.0, 9000.0, 250.0},
                          {"RYR12X", 4.0, 4000.0, 220.0},
                          {"CFG5KL", 5.0, 6000.0, 230.0},
                          {"AFR99", 5.0, 8000.0, 250.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.callsign);
        const scene::Flight flight = lf_flight(c.callsign);
        for (const double t : {-500.0, 0.0, 77.7, 1000.0}) {
            TrackState s;
            ASSERT_TRUE(flight.track.at(t, s));
            // The flat frame against the great circle: well within the 150 m the tests allow.
            EXPECT_NEAR(lf_metres(s.position, kUser), c.radiusNm * 1852.0,
                        0.005 * c.radiusNm * 1852.0);
            EXPECT_EQ(s.altitude, c.altitude);
            EXPECT_EQ(s.knots, c.knots);
            EXPECT_FALSE(s.onGround);
            EXPECT_GT(std::fabs(s.bank), 5.0);
        }
    }
    const scene::Flight leaver = lf_flight("EZY71");
    double beyondTen = -1.0;
    for (double t = 0.0; t < 120.0 && beyondTen < 0.0; t += 0.5) {
        TrackState s;
        ASSERT_TRUE(leaver.track.at(t, s));
        if (lf_metres(s.position, kUser) > 10.0 * 1852.0) {
            beyondTen = t;
        }
    }
    EXPECT_NEAR(beyondTen, 36.0, 1.0);
}

TEST(TrafficSceneTest, EveryTitleHasItsLiveryAndEveryRegistrationItsRecord) {
    std::set<std::string> titles;
    for (const LiveryRecord& livery : scene::liveries()) {
        titles.insert(livery.title);
    }
    const ksb::test::DbaseSpec dbase = scene::dbaseSpec();
    EXPECT_TRUE(dbase.similar.empty());
    const auto hasRecord = [&](const std::string& registration) {
        for (const ksb::test::DbaseEntry& e : dbase.records) {
            if (e.registration == registration) {
                return true;
            }
        }
        return false;
    };
    for (const scene::Flight& f : scene::flights()) {
        SCOPED_TRACE(f.callsign);
        EXPECT_TRUE(hasRecord(f.registration));
        EXPECT_EQ(f.expectedTitle.empty() ? 0u : 1u, titles.count(f.expectedTitle));
    }
    for (const scene::Parked& p : scene::parked()) {
        EXPECT_TRUE(hasRecord(p.registration)) << p.callsign;
        EXPECT_EQ(titles.count(p.expectedTitle), 1u) << p.callsign;
    }
    for (const scene::Learned& l : scene::learned()) {
        EXPECT_TRUE(hasRecord(l.registration)) << l.callsign;
        EXPECT_EQ(titles.count(l.expectedTitle), 1u) << l.callsign;
    }
}

} // namespace
