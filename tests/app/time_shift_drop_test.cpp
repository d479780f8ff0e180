#include "app/time_shift.h"
#include "commands_fixture.h"
#include "core/globals.h"

#include <gtest/gtest.h>

namespace {

using ksb::test::CommandsFixture;
using ksb::test::gf_liveAircraft;
using ksb::test::gf_staticAircraft;

class TimeShiftDropTest : public CommandsFixture {
protected:
    std::vector<std::string> callsigns() const {
        std::vector<std::string> out;
        for (const LiveAircraft& aircraft : trafficState.live) {
            out.push_back(aircraft.callsign + (aircraft.removeOnceCreated ? "*" : ""));
        }
        return out;
    }
};

TEST_F(TimeShiftDropTest, ALoudShiftDropsThePlacedTraffic) {
    struct Case {
        const char* name;
        int minutes;
        bool quiet;
        bool cancelResult;
        bool cancelErases;
        std::vector<std::string> link;
        std::vector<std::string> engineCalls;
        std::vector<std::string> remaining; // '*': to be removed once created
        bool renewal;
    };
    const std::vector<std::string> noCancel{"gf_cancelQueuedCreations(Q1)",
                                            "gf_cancelQueuedCreations(Q2)", "gf_removeAllStatic()"};
    const Case cases[] = {
        {"cancels that erase",
         90,
         false,
         true,
         true,
         {"release(11)", "release(14)"},
         {"gf_cancelQueuedCreations(Q1)", "gf_cancelQueuedCreations(Q2)", "gf_removeAllStatic()"},
         {"A", "R", "N", "B"},
         true},
        {"creations already sent",
         90,
         false,
         false,
         false,
         {"release(11)", "release(14)"},
         noCancel,
         {"A", "Q1*", "R", "N", "Q2*", "B"},
         true},
        {"a cancel that finds nothing to erase",
         90,
         false,
         true,
         false,
         {"release(11)", "release(14)"},
         noCancel,
         {"A", "Q1*", "R", "N", "Q2*", "B"},
         true},
        {"no shift, loud",
         0,
         false,
         true,
         true,
         {"release(11)", "release(14)"},
         {"gf_cancelQueuedCreations(Q1)", "gf_cancelQueuedCreations(Q2)", "gf_removeAllStatic()"},
         {"A", "R", "N", "B"},
         true},
        {"quiet", 90, true, true, true, {}, {}, {"A", "Q1", "R", "N", "Q2", "B"}, false},
        {"no shift, quiet", 0, true, true, true, {}, {}, {"A", "Q1", "R", "N", "Q2", "B"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        engine->cancelQueuedCreationsResult = c.cancelResult;
        engine->cancelErasesLive = c.cancelErases;
        engine->live() = {gf_liveAircraft("A", LiveState::inSimulator, 11),
                          gf_liveAircraft("Q1", LiveState::creationRequested, 0),
                          gf_liveAircraft("R", LiveState::beingRemoved, 12),
                          gf_liveAircraft("N", LiveState::newFlight, 0),
                          gf_liveAircraft("Q2", LiveState::creationRequested, 0),
                          gf_liveAircraft("B", LiveState::inSimulator, 14)};
        engine->statics() = {gf_staticAircraft("S", LiveState::inSimulator, 21)};

        lf_applyTimeShift(c.minutes, c.quiet);

        EXPECT_EQ(c.link, linkCalls());
        EXPECT_EQ(c.engineCalls, engine->calls());
        std::vector<std::string> remaining = callsigns();
        std::sort(remaining.begin(), remaining.end());
        std::vector<std::string> expected = c.remaining;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, remaining);
        EXPECT_EQ(c.renewal, staticRenewalRequested.load());
        // Every walk and every engine call under the lock; released on the way out.
        EXPECT_EQ(std::vector<bool>(c.link.size(), true), linkHeld());
        EXPECT_EQ(std::vector<bool>(c.engineCalls.size(), true), engine->trafficMutexHeld());
        ASSERT_TRUE(trafficState.trafficMutex.try_lock());
        trafficState.trafficMutex.unlock();
    }
}

TEST_F(TimeShiftDropTest, EveryAircraftIsVisitedOnceWhileCancelsEraseAroundIt) {
    engine->cancelQueuedCreationsResult = true;
    engine->cancelErasesLive = true;
    engine->live() = {gf_liveAircraft("Q1", LiveState::creationRequested, 0),
                      gf_liveAircraft("Q2", LiveState::creationRequested, 0),
                      gf_liveAircraft("A", LiveState::inSimulator, 3),
                      gf_liveAircraft("Q3", LiveState::creationRequested, 0)};

    lf_applyTimeShift(60, false);

    // Q3 moves into Q1's place and is visited next; then A into its place; Q2 last.
    EXPECT_EQ(
        (std::vector<std::string>{"gf_cancelQueuedCreations(Q1)", "gf_cancelQueuedCreations(Q3)",
                                  "gf_cancelQueuedCreations(Q2)", "gf_removeAllStatic()"}),
        engine->calls());
    EXPECT_EQ(std::vector<std::string>{"release(3)"}, linkCalls());
    EXPECT_EQ(std::vector<std::string>{"A"}, callsigns());
}

TEST(TimeShiftLockDeathTest, CalledWithTheTrafficMutexHeldIsCaught) {
    if (!ksb::gf_lockRanksChecked()) {
        GTEST_SKIP() << "lock ranks are checked in debug and sanitizer builds";
    }
    EXPECT_DEATH(
        {
            ksb::test::FakeTrafficEngine engine;
            std::lock_guard lock(trafficState.trafficMutex);
            lf_applyTimeShift(0, false);
        },
        "taking \"traffic\" \\(rank 10\\) while holding \"traffic\" \\(rank 10\\)");
}

} // namespace
