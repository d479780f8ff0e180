// The motion's tests of a new feed sample: acceptance (standing jitter, glitches at speed,
// rotorcraft, the antimeridian) and the reversal check of an aircraft held in its landing roll
// or towed (stop and turn, dropped samples behind, across north).
#include "ground_motion_fixture.h"

#include <cmath>
#include <mutex>

namespace {

using ksb::test::GroundMotionTest;

constexpr double kFilterDeg = kRadiansPerDegree;

TEST_F(GroundMotionTest, AcceptanceAsOneTable) {
    struct Case {
        const char* name;
        AircraftCategory category;
        bool onGround;       // the aircraft, in the simulator
        bool takeOffRoll;
        double lastSpeed;    // knots, the last queued sample
        double dLatitude;    // degrees from the last queued sample
        double dLongitude;
        double speed;        // of the new sample
        bool airborne;       // the new sample
        bool accepted;
        bool repeated;       // as accepted
        double speedAfter;   // as accepted
    };
    const AircraftCategory large = AircraftCategory::large;
    const Case cases[] = {
        {"moving on", large, true, false, 10, 0.001, 0, 10, false, true, false, 10},
        {"the same position: standing", large, true, false, 10, 0, 0, 3, false, true, true, 0},
        {"the same position in the air", large, false, false, 200, 0, 0, 200, true, false, false,
         0},
        {"the same position, the aircraft flying", large, false, false, 200, 0, 0, 0, false,
         false, false, 0},
        {"the same position in the roll at 30 kt", large, true, true, 30, 0, 0, 35, false, false,
         false, 0},
        {"the same position in the roll at 29 kt", large, true, true, 29, 0, 0, 35, false, true,
         true, 0},
        {"jitter within the box", large, true, false, 3, 0.0001, -0.00015, 2, false, true, true,
         0},
        {"jitter in the air", large, true, false, 150, 0.0001, 0, 150, true, false, false, 0},
        {"jitter in the roll at 50 kt", large, true, true, 50, 0.0001, 0, 55, false, false, false,
         0},
        {"jitter in the roll at 49 kt", large, true, true, 49, 0.0001, 0, 55, false, true, true,
         0},
        {"just outside the box", large, true, false, 3, 0.00016, 0, 2, false, true, false, 2},
        {"a stop at speed in the roll", large, true, true, 60, 0.002, 0, 0, false, false, false,
         0},
        {"a stop at speed in the air", large, false, false, 120, 0.01, 0, 0, true, false, false,
         0},
        {"a stop at speed on the taxiway", large, true, false, 60, 0.002, 0, 0, false, true,
         false, 0},
        {"a stop below 50 kt in the roll", large, true, true, 49, 0.002, 0, 0, false, true, false,
         0},
        {"rotorcraft hovering", AircraftCategory::rotorcraft, false, false, 0, 0, 0, 0, true,
         true, true, 0},
        {"rotorcraft jitter is kept as it is", AircraftCategory::rotorcraft, false, false, 0,
         0.0001, 0, 2, true, true, false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PositionSample last = sampleAt(50.0, 8.0, c.lastSpeed, 1000);
        last.altitude = 120.0;
        last.track = 33.0;
        last.trueHeading = 0.6;
        last.trueHeadingValid = true;
        LiveAircraft a = aircraftWith({last});
        a.category = c.category;
        a.onGround = c.onGround;
        a.takeOffRoll = c.takeOffRoll;
        PositionSample s = sampleAt(50.0 + c.dLatitude, 8.0 + c.dLongitude, c.speed, 1500);
        s.airborne = c.airborne;
        s.altitude = c.airborne ? 3000.0 : 0.0;
        EXPECT_EQ(ksb::lf_acceptSample(a, s), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(s.repeated, c.repeated);
            EXPECT_EQ(s.groundSpeed, c.speedAfter);
            EXPECT_EQ(s.dueTick, 1500);
            if (c.repeated && c.category != AircraftCategory::rotorcraft && c.dLatitude != 0.0) {
                // A jittering sample takes the last queued one's values.
                EXPECT_EQ(s.latitude, last.latitude);
                EXPECT_EQ(s.longitude, last.longitude);
                EXPECT_EQ(s.altitude, last.altitude);
                EXPECT_EQ(s.track, last.track);
                EXPECT_EQ(s.trueHeading, last.trueHeading);
            }
        }
    }

    // 0.0001 degrees across the antimeridian counts as within the box.
    PositionSample last = sampleAt(10.0, 179.99995, 3.0, 1000);
    LiveAircraft a = aircraftWith({last});
    PositionSample s = sampleAt(10.0, -179.99995, 2.0, 1500);
    EXPECT_TRUE(ksb::lf_acceptSample(a, s));
    EXPECT_TRUE(s.repeated);
    EXPECT_EQ(s.longitude, 179.99995);
}

TEST_F(GroundMotionTest, ReversalAsOneTable) {
    struct Case {
        const char* name;
        double heading;     // degrees
        int queued;         // samples; the second and third lie ahead along the heading
        bool descending;
        std::int32_t extra;
        double bearing;     // degrees, from the last queued sample to the new one
        bool appended;
        int left;           // queued samples after the check
        bool stopped;       // the current sample replaced at the aircraft, due at now + 1
    };
    const Case cases[] = {
        {"one queued, ahead", 90.0, 1, false, 0, 100.0, true, 1, false},
        {"one queued, 149 degrees off", 90.0, 1, false, 0, 239.0, true, 1, false},
        {"one queued, 170 degrees off: stop and turn", 90.0, 1, false, 0, 260.0, true, 1, true},
        {"the same, across north", 350.0, 1, false, 0, 180.0, true, 1, true},
        {"across north, 20 degrees off: no reversal", 350.0, 1, false, 0, 10.0, true, 1, false},
        {"170 degrees off with synthetic samples: dropped", 90.0, 1, false, 3, 260.0, false, 1,
         false},
        {"descending, 95 degrees off: dropped", 90.0, 1, true, 0, 185.0, false, 1, false},
        {"descending, 89 degrees off", 90.0, 1, true, 0, 179.0, true, 1, false},
        {"two queued, ahead", 90.0, 2, false, 0, 90.0, true, 2, false},
        {"two queued, behind: the last dropped", 90.0, 2, false, 0, 270.0, true, 1, false},
        {"three queued, behind both: two dropped", 90.0, 3, false, 0, 270.0, true, 1, false},
        {"across north, 20 degrees off: nothing dropped", 350.0, 3, false, 0, 10.0, true, 3,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setNow(5000);
        const double ahead = c.heading * kFilterDeg;
        std::vector<PositionSample> queue = {sampleAt(50.0, 8.0, 10.0, 5000)};
        for (int i = 1; i < c.queued; ++i) {
            const Position p = gf_destinationPoint({50.0, 8.0}, ahead, 200.0 * i);
            queue.push_back(sampleAt(p.latitude, p.longitude, 10.0, 5000 + 500 * i));
        }
        LiveAircraft a = aircraftWith(queue, c.heading);
        a.position.latitude = 49.9999; // a little behind the current sample
        a.descending = c.descending;
        a.extraSamples = c.extra;
        a.landingRoll = true;
        const PositionSample& last = queue.back();
        const Position p =
            gf_destinationPoint({last.latitude, last.longitude}, c.bearing * kFilterDeg, 400.0);
        PositionSample s = sampleAt(p.latitude, p.longitude, 60.0, 9000);
        std::lock_guard traffic(trafficState.trafficMutex);
        EXPECT_EQ(ksb::lf_checkReversal(a, s), c.appended);
        EXPECT_EQ(static_cast<int>(a.samples.size()), c.left);
        const PositionSample& current = a.samples.front();
        if (c.stopped) {
            EXPECT_EQ(current.latitude, 49.9999);
            EXPECT_EQ(current.longitude, a.position.longitude);
            EXPECT_EQ(current.dueTick, 5001);
        } else {
            EXPECT_EQ(current.latitude, 50.0);
            EXPECT_EQ(current.dueTick, 5000);
        }
        if (c.appended) {
            // Not faster than the last queued sample above 40 kt; after a stop that is the
            // stop, a copy of the sample.
            EXPECT_EQ(s.groundSpeed, c.stopped ? 60.0 : 10.0);
            EXPECT_FALSE(s.repeated);
            EXPECT_EQ(a.extraSamples, 0);
        }
    }

    // A sample at the last queued position is not appended; a slow speed-up is kept.
    setNow(5000);
    LiveAircraft a = aircraftWith({sampleAt(50.0, 8.0, 10.0, 5000)}, 0.0);
    PositionSample same = sampleAt(50.0, 8.0, 0.0, 6000);
    EXPECT_FALSE(ksb::lf_checkReversal(a, same));
    PositionSample slow = sampleAt(50.001, 8.0, 30.0, 6000);
    EXPECT_TRUE(ksb::lf_checkReversal(a, slow));
    EXPECT_EQ(slow.groundSpeed, 30.0);
}

} // namespace
