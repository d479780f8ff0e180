// Aircraft that overlap on the ground: the user's ground pass (live aircraft first, statics only
// after the user moved) and a taxiing live aircraft against the statics, each just inside and
// just outside 1.1 times the sum of the half spans; the cheap latitude test never changes an
// answer of the haversine.
#include "conflict_rules_fixture.h"

#include "traffic/aircraft_overlap.h"
#include "traffic/traffic.h"
#include "traffic/user_collision.h"

#include <mutex>
#include <optional>
#include <random>

namespace ksb::test {
namespace {

// 1.1 x (0.01 + 0.01) NM.
constexpr double kOverlapLimit = 0.022;
constexpr double kInside = 0.0219;
constexpr double kOutside = 0.0221;

class AircraftOverlapTest : public ConflictRulesTest {
protected:
    AircraftOverlapTest() {
        addStands(2);
        link().setUserHalfWingSpan(0.01);
    }
};

TEST_F(AircraftOverlapTest, TheUsersGroundPassReleasesLiveAircraftFirstAndStaticsOnceMoved) {
    struct Near {
        double distanceNm;
        LiveState state = LiveState::inSimulator;
        bool onGround = true;
    };
    struct Case {
        const char* name;
        std::optional<Near> live;
        std::vector<Near> statics;
        bool userMoved;
        std::vector<std::string> released;
        bool remembered; // the user's position is the one remembered afterwards
    };
    const Case cases[] = {
        {"live just inside", Near{kInside}, {}, true, {"BAW1"}, false},
        {"live just outside", Near{kOutside}, {}, true, {}, true},
        {"live airborne inside", Near{kInside, LiveState::inSimulator, false}, {}, true, {}, true},
        {"live being removed inside", Near{kInside, LiveState::beingRemoved}, {}, true, {}, true},
        {"live creation requested inside",
         Near{kInside, LiveState::creationRequested},
         {},
         true,
         {},
         true},
        {"static just inside, user moved", std::nullopt, {Near{kInside}}, true, {"EZY1*"}, true},
        {"static just outside, user moved", std::nullopt, {Near{kOutside}}, true, {}, true},
        {"static inside, user not moved", std::nullopt, {Near{kInside}}, false, {}, true},
        {"static creation requested inside",
         std::nullopt,
         {Near{kInside, LiveState::creationRequested}},
         true,
         {},
         true},
        {"static being removed, then one inside",
         std::nullopt,
         {Near{0.0, LiveState::beingRemoved}, Near{kInside}},
         true,
         {"EZY2*"},
         true},
        {"two statics inside: the first goes",
         std::nullopt,
         {Near{kInside}, Near{0.01}},
         true,
         {"EZY1*"},
         true},
        {"live and static inside: the live one goes, the statics wait",
         Near{kInside},
         {Near{kInside}},
         true,
         {"BAW1"},
         false},
    };
    std::lock_guard traffic(trafficState.trafficMutex);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        placeUser(kConflictUser, 80.0, 200.0, 0.0);
        if (!c.userMoved) {
            trafficState.userGroundCheck = kConflictUser;
        }
        if (c.live.has_value()) {
            LiveAircraft& aircraft = addLiveAt("BAW1", 20001, fromUser(45.0, c.live->distanceNm),
                                               c.live->onGround, 0.0, 0.0, c.live->state);
            aircraft.halfWingSpan = 0.01;
        }
        std::uint32_t key = 1;
        for (const Near& near : c.statics) {
            addStaticAircraft(StaticAircraftBuilder(fmt::format("EZY{}*", key), key)
                                  .stand(key, fromUser(200.0, near.distanceNm))
                                  .halfWingSpan(0.01)
                                  .state(near.state));
            ++key;
        }
        ::lf_avoidUserCollisionOnGround();
        EXPECT_EQ(released(), c.released);
        const Position remembered = trafficState.userGroundCheck;
        EXPECT_EQ(remembered.latitude == kConflictUser.latitude &&
                      remembered.longitude == kConflictUser.longitude,
                  c.remembered || !c.userMoved);
    }
}

TEST_F(AircraftOverlapTest, AStaticAircraftIsTestedAgainOnlyAfterTheUserMoved) {
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        placeUser(kConflictUser, 80.0, 200.0, 0.0);
        ::lf_avoidUserCollisionOnGround();
        // A static aircraft that appears while the user stands still waits for the user's next
        // move.
        addStaticAircraft(
            StaticAircraftBuilder("EZY1*", 1).stand(1, fromUser(10.0, kInside)).halfWingSpan(0.01));
        ::lf_avoidUserCollisionOnGround();
        EXPECT_TRUE(released().empty());
        placeUser(fromUser(90.0, 0.001), 80.0, 200.0, 0.0);
        ::lf_avoidUserCollisionOnGround();
        EXPECT_EQ(released(), std::vector<std::string>{"EZY1*"});
        EXPECT_NE(trafficState.userGroundCheck.latitude, 0.0);
    }
    // A restart forgets the remembered position.
    trafficState.reset();
    EXPECT_EQ(trafficState.userGroundCheck.latitude, 0.0);
    EXPECT_EQ(trafficState.userGroundCheck.longitude, 0.0);
}

TEST_F(AircraftOverlapTest, ATaxiingLiveAircraftReleasesTheStaticAircraftItOverlaps) {
    struct Case {
        const char* name;
        double distanceNm;
        LiveState state;
        std::uint32_t standId;
        bool released;
        const char* line;
    };
    const Case cases[] = {
        {"just inside", kInside, LiveState::inSimulator, 1, true,
         "A1      : EZY7*    removed for collision avoidance with live BAW1"},
        {"just outside", kOutside, LiveState::inSimulator, 1, false, nullptr},
        {"on the spot, creation requested", 0.0, LiveState::creationRequested, 1, false, nullptr},
        {"on the spot, being removed", 0.0, LiveState::beingRemoved, 1, false, nullptr},
        {"without a stand", 0.0, LiveState::inSimulator, 0, true,
         "sid==0? : EZY7*    removed for collision avoidance with live BAW1"},
        {"on a stand not in the table", 0.0, LiveState::inSimulator, 9, true,
         "unknown : EZY7*    removed for collision avoidance with live BAW1"},
    };
    for (const bool log : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(fmt::format("{}, LOG {}", c.name, log));
            LOG.setRaw(log);
            LogCapture capture;
            std::lock_guard traffic(trafficState.trafficMutex);
            clearAircraft();
            placeUser(Position{51.0, -0.4}, 0.0, 0.0, 0.0);
            LiveAircraft& aircraft = addLiveAt("BAW1", 20001, kConflictUser, true);
            aircraft.halfWingSpan = 0.01;
            AiAircraft& parked = addStaticAircraft(
                StaticAircraftBuilder("EZY7*", 7)
                    .stand(c.standId,
                           gf_destinationPoint(kConflictUser, 1.3, c.distanceNm * kFeetPerNM))
                    .halfWingSpan(0.01)
                    .state(c.state));
            const LiveState before = parked.state;
            const LiveAircraft copy = aircraft.copy();
            EXPECT_EQ(::lf_avoidCollisionWithLive(copy, parked), c.released);
            EXPECT_EQ(parked.state, c.released ? LiveState::beingRemoved : before);
            EXPECT_EQ(released(),
                      c.released ? std::vector<std::string>{"EZY7*"} : std::vector<std::string>{});
            EXPECT_EQ(aircraft.state, LiveState::inSimulator);
            std::vector<std::string> lines;
            if (log && c.line != nullptr) {
                lines.push_back(c.line);
            }
            EXPECT_EQ(capture.body(), lines);
        }
    }
}

TEST(AircraftOverlapGeometry, TheLatitudeTestNeverChangesTheHaversinesAnswer) {
    std::mt19937 random(2811);
    std::uniform_real_distribution<double> offset(-0.001, 0.001);
    std::uniform_real_distribution<double> limit(0.001, 0.1);
    for (int i = 0; i < 2000; ++i) {
        const Position a{51.47 + offset(random), -0.45 + offset(random)};
        const Position b{a.latitude + offset(random), a.longitude + offset(random)};
        const double nm = limit(random);
        SCOPED_TRACE(i);
        ASSERT_EQ(gf_closerThanNm(a, b, nm), gf_distanceNM(a, b) < nm);
        if (gf_fartherByLatitude(a, b, nm)) {
            ASSERT_GE(gf_distanceNM(a, b), nm);
        }
    }
    // Due north at the limit: the latitude alone settles it; due east it never does.
    const Position start{51.47, -0.45};
    EXPECT_FALSE(gf_closerThanNm(start, gf_destinationPoint(start, 0.0, 0.0221 * kFeetPerNM),
                                 kOverlapLimit));
    EXPECT_TRUE(gf_closerThanNm(start, gf_destinationPoint(start, 0.0, 0.0219 * kFeetPerNM),
                                kOverlapLimit));
    EXPECT_FALSE(gf_fartherByLatitude(start, Position{51.47, 10.0}, kOverlapLimit));
    EXPECT_TRUE(gf_closerThanNm(start, start, kOverlapLimit));
    EXPECT_DOUBLE_EQ(gf_overlapDistanceNm(0.01, 0.01), kOverlapLimit);
}

} // namespace
} // namespace ksb::test
