#include "traffic/feed_intake.h"

#include "core/parameters.h"
#include "core/ranked_mutex.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/live_flight_builder.h"
#include "support/traffic_harness.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>
#include <string>
#include <vector>

namespace {

using ksb::test::LiveFlightBuilder;
using ksb::test::TrafficHarness;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr std::int64_t kLargestTick = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kSmallestTick = std::numeric_limits<std::int32_t>::min();

std::vector<LiveFlight> lf_stamped(const std::vector<double>& stamps) {
    std::vector<LiveFlight> batch;
    for (double stamp : stamps) {
        LiveFlight record;
        record.timeStamp = stamp;
        batch.push_back(record);
    }
    return batch;
}

std::vector<std::int32_t> lf_ticks(const std::vector<LiveFlight>& batch) {
    std::vector<std::int32_t> ticks;
    for (const LiveFlight& record : batch) {
        ticks.push_back(record.playTick);
    }
    return ticks;
}

std::vector<double> lf_stampsOf(const std::vector<LiveFlight>& batch) {
    std::vector<double> stamps;
    for (const LiveFlight& record : batch) {
        stamps.push_back(record.timeStamp);
    }
    return stamps;
}

// Flights with their own hexids and callsigns (the hexid in text), one record each, in hexid
// order.
std::vector<LiveFlight> lf_flights(int count, std::uint32_t firstHexid = 0x500000) {
    std::vector<LiveFlight> batch;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t hexid = firstHexid + static_cast<std::uint32_t>(i);
        LiveFlightBuilder builder(hexid);
        builder.callsign(fmt::format("X{:X}", hexid));
        batch.push_back(builder.next());
    }
    return batch;
}

std::vector<std::uint32_t> lf_keys(const std::vector<LiveAircraft>& live) {
    std::vector<std::uint32_t> keys;
    for (const LiveAircraft& aircraft : live) {
        keys.push_back(aircraft.flightKey);
    }
    return keys;
}

std::vector<std::uint32_t> lf_pendingKeys() {
    std::lock_guard feed(trafficState.feedMutex);
    std::vector<std::uint32_t> keys;
    for (const LiveFlight& record : trafficState.pendingBatch) {
        keys.push_back(record.flightId);
    }
    return keys;
}

TEST(PlayTicks, MedianOfTheBatchAndTenthsCutTowardZero) {
    struct Case {
        const char* name;
        std::vector<double> stamps;
        std::int64_t base;
        std::vector<std::int32_t> ticks;
    };
    const Case cases[] = {
        {"one record plays at the base", {1780000000.25}, 4000, {4000}},
        {"odd count: the middle stamp", {10.00, 10.04, 10.26}, 4000, {4000, 4000, 4020}},
        {"odd count in any order", {5.0, 1.0, 3.0}, 0, {200, -200, 0}},
        {"even count: the upper middle stamp", {1.0, 2.0, 3.0, 4.0}, 0, {-200, -100, 0, 100}},
        {"tenths cut toward zero on both sides", {100.0, 100.37, 99.63}, 500, {500, 530, 470}},
        {"a negative base", {7.0, 8.0}, -1000, {-1100, -1000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<LiveFlight> batch = lf_stamped(c.stamps);
        EXPECT_EQ(gf_setPlayTicks(batch, c.base), 0u);
        EXPECT_EQ(lf_ticks(batch), c.ticks);
    }
}

TEST(PlayTicks, UnusableStampsAreRemovedAndTheMedianTakenOverTheRest) {
    struct Case {
        const char* name;
        std::vector<double> stamps;
        std::int64_t base;
        std::vector<double> kept;
        std::vector<std::int32_t> ticks;
    };
    const Case cases[] = {
        {"not a number", {1000.0, kNaN, 1001.0}, 0, {1000.0, 1001.0}, {-100, 0}},
        {"infinite", {kInfinity, 1000.0, -kInfinity}, 0, {1000.0}, {0}},
        {"far from the median", {1000.0, 1e300, 1001.0, 1002.0}, 0, {1000.0, 1001.0, 1002.0},
         {-100, 0, 100}},
        // Dropping the two far stamps moves the median from 1002 to 1001.
        {"the median moves with what is dropped",
         {1000.0, 1e12, 1001.0, 1e12, 1002.0},
         0,
         {1000.0, 1001.0, 1002.0},
         {-100, 0, 100}},
        {"the largest tick is kept, one past it is not",
         {1000.0, 1006.0, 1006.5, 1000.0, 1000.0},
         kLargestTick - 620,
         {1000.0, 1006.0, 1000.0, 1000.0},
         {static_cast<std::int32_t>(kLargestTick - 620),
          static_cast<std::int32_t>(kLargestTick - 20),
          static_cast<std::int32_t>(kLargestTick - 620),
          static_cast<std::int32_t>(kLargestTick - 620)}},
        {"the smallest tick is kept, one below it is not",
         {1000.0, 994.0, 993.5, 1000.0, 1000.0},
         kSmallestTick + 620,
         {1000.0, 994.0, 1000.0, 1000.0},
         {static_cast<std::int32_t>(kSmallestTick + 620),
          static_cast<std::int32_t>(kSmallestTick + 20),
          static_cast<std::int32_t>(kSmallestTick + 620),
          static_cast<std::int32_t>(kSmallestTick + 620)}},
        {"a base past 32 bits", {1000.0}, kLargestTick + 1, {}, {}},
        {"every stamp unusable", {kNaN, kInfinity}, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<LiveFlight> batch = lf_stamped(c.stamps);
        EXPECT_EQ(gf_setPlayTicks(batch, c.base), c.stamps.size() - c.kept.size());
        EXPECT_EQ(lf_stampsOf(batch), c.kept);
        EXPECT_EQ(lf_ticks(batch), c.ticks);
    }
}

// The feed's hand-over: play ticks from the delay and the tick counter, the polled batch
// matched at once, the zero-delay batch kept as the pending batch.
class FeedHandOverTest : public ::testing::Test {
protected:
    TrafficHarness harness_;
};

TEST_F(FeedHandOverTest, APolledBatchBecomesAircraftWithItsPlayTicks) {
    trafficState.tickCounter = 1000;
    LiveFlightBuilder first(0x400001);
    LiveFlightBuilder second(0x400002);
    LiveFlightBuilder third(0x400003);
    second.callsign("BAW2");
    third.callsign("BAW3");
    first.stamps(1780000010.00, 5.0);
    second.stamps(1780000010.04, 5.0);
    third.stamps(1780000010.26, 5.0);
    std::vector<LiveFlight> batch = {first.next(), second.next(), third.next()};

    gf_takeFeedRecords(batch, 30);

    EXPECT_TRUE(batch.empty());
    const std::vector<LiveAircraft> live = harness_.live();
    ASSERT_EQ(live.size(), 3u);
    std::vector<std::int32_t> due;
    for (const LiveAircraft& aircraft : live) {
        ASSERT_EQ(aircraft.samples.size(), 1u);
        due.push_back(aircraft.samples.front().dueTick);
    }
    EXPECT_EQ(due, (std::vector<std::int32_t>{4000, 4000, 4020}));
    EXPECT_EQ(live[2].lastFeedTimeStamp, 1780000010.26);
}

TEST_F(FeedHandOverTest, UnusableStampsAreDroppedWithOneLinePerBatch) {
    trafficState.tickCounter = 2000;
    std::vector<LiveFlight> batch = lf_flights(4);
    batch[1].timeStamp = kNaN;
    batch[3].timeStamp = 1e300;
    gf_takeFeedRecords(batch, 30);

    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(lf_keys(harness_.live()), (std::vector<std::uint32_t>{0x500000, 0x500002}));
    std::vector<std::string> lines;
    for (const std::string& line : harness_.log().body()) {
        if (line.find("feed batch") != std::string::npos) {
            lines.push_back(line);
        }
    }
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "===> feed batch: 2 records with unusable time stamps dropped"}));

    // A batch with nothing unusable writes no line; one with nothing usable creates nothing.
    std::vector<LiveFlight> good = lf_flights(1, 0x600000);
    gf_takeFeedRecords(good, 30);
    std::vector<LiveFlight> bad = lf_flights(2, 0x700000);
    bad[0].timeStamp = kInfinity;
    bad[1].timeStamp = -kInfinity;
    gf_setFeedIntake(true);
    gf_takeFeedRecords(bad, 0);
    EXPECT_TRUE(bad.empty());
    EXPECT_TRUE(lf_pendingKeys().empty());
    EXPECT_EQ(harness_.live().size(), 3u);
    EXPECT_TRUE(harness_.log().contains("feed batch: 2 records"));
    std::size_t count = 0;
    for (const std::string& line : harness_.log().body()) {
        count += line.find("feed batch") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(count, 2u);
}

TEST_F(FeedHandOverTest, DelayDecidesTheWayAndTheBatchIsAlwaysEmptied) {
    struct Case {
        const char* name;
        bool intakeOpen;
        bool pendingAlready; // a zero-delay batch is waiting
        int delay;
        std::size_t records;
        std::size_t liveAfter;
        std::vector<std::uint32_t> pendingAfter;
    };
    const std::vector<std::uint32_t> waiting = {0x300000, 0x300001};
    const Case cases[] = {
        {"a poll with the intake closed is taken at once", false, false, 30, 3, 3, {}},
        {"a poll while a batch is pending is taken at once", true, true, 30, 3, 3, waiting},
        {"zero delay with the intake open waits in batch order", true, false, 0, 3, 0,
         {0x500000, 0x500001, 0x500002}},
        {"a negative delay counts as zero", true, false, -6, 2, 0, {0x500000, 0x500001}},
        {"zero delay with the intake closed is dropped", false, false, 0, 3, 0, {}},
        {"a second zero-delay batch is dropped", true, true, 0, 3, 0, waiting},
        {"an empty batch changes nothing", true, false, 30, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetTrafficForTests();
        if (c.pendingAlready) {
            gf_setFeedIntake(true);
            std::vector<LiveFlight> first = lf_flights(2, 0x300000);
            gf_takeFeedRecords(first, 0);
        }
        gf_setFeedIntake(c.intakeOpen);
        std::vector<LiveFlight> batch = lf_flights(static_cast<int>(c.records));
        gf_takeFeedRecords(batch, c.delay);
        EXPECT_TRUE(batch.empty());
        EXPECT_EQ(harness_.live().size(), c.liveAfter);
        EXPECT_EQ(lf_pendingKeys(), c.pendingAfter);
    }
}

TEST_F(FeedHandOverTest, APolledTrackBecomesTheSampleQueueOfOneAircraft) {
    struct Case {
        const char* name;
        std::vector<LiveFlight> (*track)(LiveFlightBuilder&);
        std::vector<std::int32_t> due;
        bool airborne;
    };
    const Case cases[] = {
        // Standing still, a record within 15 s of the last one taken adds nothing.
        {"standing", [](LiveFlightBuilder& b) { return b.standing(6); }, {1000, 3000, 5000},
         false},
        {"taxiing", [](LiveFlightBuilder& b) { return b.taxi(6); },
         {1000, 2000, 3000, 4000, 5000, 6000}, false},
        {"climbing out", [](LiveFlightBuilder& b) { return b.climbOut(6); },
         {1000, 2000, 3000, 4000, 5000, 6000}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetTrafficForTests();
        // Ten seconds between records; the median record (the fourth) plays at 30 s from now.
        trafficState.tickCounter = 1000;
        LiveFlightBuilder builder;
        harness_.feed(c.track(builder), 30);
        const std::vector<LiveAircraft> live = harness_.live();
        ASSERT_EQ(live.size(), 1u);
        std::vector<std::int32_t> due;
        double altitude = -1.0;
        for (const PositionSample& sample : live.front().samples) {
            due.push_back(sample.dueTick);
            EXPECT_EQ(sample.airborne, c.airborne);
            EXPECT_EQ(sample.altitude > altitude, c.airborne || altitude < 0.0);
            altitude = sample.altitude;
        }
        EXPECT_EQ(due, c.due);
    }
}

// The pending batch over the ticks: armed on the first multiple of 10 from tick 201 on, then one
// record a tick (two above 150 records), last record first.
class PendingIntakeTest : public ::testing::Test {
protected:
    void SetUp() override {
        gf_setFeedIntake(true);
        keepFlightsNew();
    }
    // The intake alone: admission would drop these one-record flights as soon as they are due.
    static void keepFlightsNew() {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.hooks.admitNewAircraft = [](LiveAircraft&) {};
    }

    void feedZeroDelay(std::vector<LiveFlight> batch) { harness_.feed(std::move(batch), 0); }

    static std::size_t pendingLeft() {
        std::lock_guard feed(trafficState.feedMutex);
        return trafficState.pendingBatch.size();
    }

    TrafficHarness harness_;
};

TEST_F(PendingIntakeTest, ArmedAtTick210AndTakenLastRecordFirst) {
    feedZeroDelay(lf_flights(3));
    harness_.tick(210);
    // The arming tick takes nothing.
    EXPECT_TRUE(harness_.live().empty());
    {
        std::lock_guard feed(trafficState.feedMutex);
        EXPECT_EQ(trafficState.pendingCount, 3);
        EXPECT_FALSE(trafficState.pendingDoubleTake);
        EXPECT_EQ(trafficState.pendingTicks, 0);
    }
    harness_.tick(1);
    EXPECT_EQ(lf_keys(harness_.live()), (std::vector<std::uint32_t>{0x500002}));
    // The record is played with the tick counter of the hand-over, not of its intake.
    EXPECT_EQ(harness_.live().front().samples.front().dueTick, 0);
    harness_.tick(2);
    EXPECT_EQ(lf_keys(harness_.live()),
              (std::vector<std::uint32_t>{0x500002, 0x500001, 0x500000}));
    EXPECT_EQ(pendingLeft(), 0u);

    // The next batch is accepted at once and armed 210 ticks after the last arming.
    feedZeroDelay(lf_flights(1, 0x600000));
    harness_.tick(207);
    EXPECT_EQ(harness_.live().size(), 3u);
    harness_.tick(1);
    EXPECT_EQ(harness_.live().size(), 4u);
}

TEST_F(PendingIntakeTest, TwoRecordsPerTickAbove150) {
    struct Case {
        const char* name;
        int records;
        bool doubleTake;
        std::size_t afterThreeTicks;
    };
    const Case cases[] = {
        {"150 records: one a tick", 150, false, 3},
        {"151 records: two a tick", 151, true, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetTrafficForTests();
        gf_setFeedIntake(true);
        keepFlightsNew();
        feedZeroDelay(lf_flights(c.records));
        harness_.tick(210);
        {
            std::lock_guard feed(trafficState.feedMutex);
            EXPECT_EQ(trafficState.pendingDoubleTake, c.doubleTake);
        }
        harness_.tick(3);
        const std::vector<LiveAircraft> live = harness_.live();
        ASSERT_EQ(live.size(), c.afterThreeTicks);
        EXPECT_EQ(live.front().flightKey, 0x500000u + static_cast<std::uint32_t>(c.records) - 1);
        EXPECT_EQ(pendingLeft(), static_cast<std::size_t>(c.records) - c.afterThreeTicks);
    }
}

TEST_F(PendingIntakeTest, AResetInTheMiddleOfABatchLeavesNothingToTake) {
    feedZeroDelay(lf_flights(5));
    harness_.tick(212);
    ASSERT_EQ(harness_.live().size(), 2u);

    gf_resetTraffic();
    harness_.tick(1);
    EXPECT_TRUE(harness_.live().empty());
    {
        std::lock_guard feed(trafficState.feedMutex);
        EXPECT_TRUE(trafficState.pendingBatch.empty());
        EXPECT_EQ(trafficState.pendingCount, 0);
        EXPECT_FALSE(trafficState.pendingDoubleTake);
        EXPECT_EQ(trafficState.pendingTicks, 1);
    }
    // A count that outlived its batch takes nothing.
    {
        std::lock_guard feed(trafficState.feedMutex);
        trafficState.pendingCount = 4;
    }
    harness_.tick(1);
    {
        std::lock_guard feed(trafficState.feedMutex);
        EXPECT_EQ(trafficState.pendingCount, 0);
    }
    EXPECT_TRUE(harness_.live().empty());

    // The next run's first batch is taken as the first one was.
    gf_setFeedIntake(true);
    feedZeroDelay(lf_flights(2, 0x600000));
    harness_.tick(209);
    EXPECT_EQ(lf_keys(harness_.live()), (std::vector<std::uint32_t>{0x600001}));
}

TEST_F(PendingIntakeTest, PendingRecordsAreIngestedOutsideTheFeedMutex) {
    // The link's functions take the send-queue mutex, which ranks below the feed mutex: checked
    // builds abort when a release runs while the feed mutex is held.
    ksb::RankedMutex sendQueue{ksb::LockRank::sendQueue, "send queue"};
    int releases = 0;
    trafficState.linkServices.releaseAiAircraft = [&](AiAircraft& aircraft) {
        std::lock_guard lock(sendQueue);
        aircraft.state = LiveState::beingRemoved;
        ++releases;
    };
    LiveFlightBuilder builder(0x400001);
    std::vector<LiveFlight> first = {builder.next()};
    harness_.feed(first, 30);
    {
        // In the simulator with a full queue: its next sample ends it.
        std::lock_guard traffic(trafficState.trafficMutex);
        LiveAircraft& aircraft = trafficState.live.front();
        aircraft.state = LiveState::inSimulator;
        aircraft.phase = FlightPhase::taxi;
        aircraft.extraSamples = 1;
        aircraft.samples.resize(201, aircraft.samples.front());
    }
    feedZeroDelay({builder.next()});
    harness_.tick(211);
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(harness_.live().front().state, LiveState::beingRemoved);
}

// Matching a record to its aircraft by flight key and the filters that drop it.
class FeedMatchingTest : public ::testing::Test {
protected:
    TrafficHarness harness_;
};

TEST_F(FeedMatchingTest, FiltersAsOneTable) {
    struct Case {
        const char* name;
        double dt;               // seconds after the first record
        double speedBefore;      // knots
        double speedAfter;       // knots
        bool airborne;           // both records
        double trackChange;      // degrees
        std::int32_t extraSamples;
        LiveState state;
        double parkElevation;    // NaN: no park airport loaded
        double altitude;         // of the second record, feet (airborne records)
        bool appended;
    };
    const LiveState fresh = LiveState::newFlight;
    const Case cases[] = {
        {"the same stamp", 0.0, 10, 10, false, 10, 1, fresh, kNaN, 0, false},
        {"1.0 s newer", 1.0, 10, 10, false, 10, 1, fresh, kNaN, 0, false},
        {"1.01 s newer", 1.01, 10, 10, false, 10, 1, fresh, kNaN, 0, true},
        {"older", -5.0, 10, 10, false, 10, 1, fresh, kNaN, 0, false},
        {"60 kt after 5 kt", 5.0, 5, 60, false, 10, 1, fresh, kNaN, 0, true},
        {"80 kt after 5 kt", 5.0, 5, 80, false, 10, 1, fresh, kNaN, 0, false},
        {"tenfold: 51 kt after 5.1 kt", 5.0, 5.1, 51, false, 10, 1, fresh, kNaN, 0, false},
        {"just under tenfold", 5.0, 5.1, 50.9, false, 10, 1, fresh, kNaN, 0, true},
        {"a tenth: 6 kt after 60 kt", 5.0, 60, 6, false, 10, 1, fresh, kNaN, 0, false},
        {"5 kt after 80 kt", 5.0, 80, 5, false, 10, 1, fresh, kNaN, 0, false},
        {"5 kt after 79 kt", 5.0, 79, 5, false, 10, 1, fresh, kNaN, 0, true},
        {"airborne too close", 4.0, 200, 200, true, 0.5, 0, fresh, kNaN, 5000, false},
        {"airborne too close, extra samples allowed", 4.0, 200, 200, true, 0.5, 1, fresh, kNaN,
         5000, true},
        {"airborne 450 m flown", 4.5, 200, 200, true, 0.5, 0, fresh, kNaN, 5000, true},
        {"airborne turning", 4.0, 200, 200, true, 1.5, 0, fresh, kNaN, 5000, true},
        {"airborne at 120 kt", 4.0, 120, 120, true, 0.5, 0, fresh, kNaN, 5000, true},
        {"on the ground too close", 3.5, 10, 10, false, 1.5, 0, fresh, kNaN, 0, false},
        {"on the ground too close, extra samples allowed", 3.5, 10, 10, false, 1.5, 1, fresh,
         kNaN, 0, true},
        {"on the ground 20 m covered", 4.0, 10, 10, false, 1.5, 0, fresh, kNaN, 0, true},
        {"on the ground turning", 3.5, 10, 10, false, 2.5, 0, fresh, kNaN, 0, true},
        {"standing: within 15 s", 14.0, 0, 0, false, 0, 0, fresh, kNaN, 0, false},
        {"standing: after 15 s", 15.5, 0, 0, false, 0, 0, fresh, kNaN, 0, true},
        {"slow: the wait is capped at 15 s", 15.5, 1, 1, false, 0, 0, fresh, kNaN, 0, true},
        {"on the ground above 30 kt", 3.5, 31, 31, false, 0, 0, fresh, kNaN, 0, true},
        {"to be re-created", 10.0, 10, 10, false, 10, 1, LiveState::toBeRecreated, kNaN, 0,
         false},
        {"being removed", 10.0, 10, 10, false, 10, 1, LiveState::beingRemoved, kNaN, 0, false},
        {"new, within 120 ft of the park airport", 10.0, 200, 200, true, 10, 1, fresh, 5000.0,
         5050, false},
        {"new, away from the park airport", 10.0, 200, 200, true, 10, 1, fresh, 5000.0, 6000,
         true},
        {"in the simulator, within 120 ft of the park airport", 10.0, 200, 200, true, 10, 1,
         LiveState::inSimulator, 5000.0, 5050, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetTrafficForTests();
        // The two records share one position, which the motion's own test takes for a standing
        // (or, airborne, a refused) sample; this table is about the intake's filters.
        trafficState.hooks.acceptSample = [](LiveAircraft&, PositionSample&) { return true; };
        LiveFlightBuilder builder;
        builder.track(90.0).stamps(1780000000.0, 0.0);
        LiveFlight first = builder.altitude(c.airborne ? 7000.0 : 0.0).next();
        first.groundSpeed = c.speedBefore;
        LiveFlight second = builder.altitude(c.altitude).next();
        second.groundSpeed = c.speedAfter;
        second.track = 90.0 + c.trackChange;
        second.timeStamp = first.timeStamp + c.dt;
        second.airborne = c.airborne;
        second.playTick = 500;
        if (!std::isnan(c.parkElevation)) {
            harness_.loadParkAirport("EGLL", c.parkElevation);
        }
        std::lock_guard traffic(trafficState.trafficMutex);
        gf_ingestFeedRecord(first);
        ASSERT_EQ(trafficState.live.size(), 1u);
        LiveAircraft& aircraft = trafficState.live.front();
        aircraft.extraSamples = c.extraSamples;
        aircraft.state = c.state;

        gf_ingestFeedRecord(second);
        ASSERT_EQ(trafficState.live.size(), 1u);
        EXPECT_EQ(aircraft.samples.size(), c.appended ? 2u : 1u);
        EXPECT_EQ(aircraft.lastFeedTimeStamp, c.appended ? second.timeStamp : first.timeStamp);
    }
}

TEST_F(FeedMatchingTest, ANewHexidOfAFlightShownUnderItsCallsignAndTypeCreatesNothing) {
    struct Case {
        const char* name;
        const char* callsign;
        const char* type;
        std::size_t liveAfter;
    };
    const Case cases[] = {
        {"same callsign, same type", "BAW123", "A320", 1},
        {"same callsign, another type", "BAW123", "B744", 2},
        {"another callsign, same type", "BAW124", "A320", 2},
        {"no callsign", "", "A320", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetTrafficForTests();
        LiveFlight shown = LiveFlightBuilder(0x400001).next();
        LiveFlight record = LiveFlightBuilder(0x400002).callsign(c.callsign).type(c.type).next();
        std::lock_guard traffic(trafficState.trafficMutex);
        gf_ingestFeedRecord(shown);
        gf_ingestFeedRecord(record);
        EXPECT_EQ(trafficState.live.size(), c.liveAfter);
    }
}

} // namespace
