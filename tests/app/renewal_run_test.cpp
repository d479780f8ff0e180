// The static parking end to end through the real main loop: the park airport loaded at start
// with its static aircraft created one by one, the controls held until the list is empty, the
// 20-minute renewal in the next half hour that removes and creates only the differences, and the
// switch to parked traffic only that replaces the learned aircraft at the next renewal.
#include "renewal_run_fixture.h"

#include "app/commands.h"
#include "core/run_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using ksb::test::kRenewalFirstHalfHour;
using ksb::test::kRenewalNextHalfHour;
using ksb::test::RenewalRunFixture;

using RenewalStanding = std::map<std::string, std::uint32_t>;

// The first argument of each "name(first, ...)" call text, sorted.
std::vector<std::string> lf_renewalFirstArguments(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    for (const std::string& call : calls) {
        const std::size_t open = call.find('(');
        const std::size_t end = call.find_first_of(",)", open);
        out.push_back(call.substr(open + 1, end - open - 1));
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> lf_renewalTails(const RenewalStanding& standing) {
    std::vector<std::string> tails;
    for (const auto& [tail, object] : standing) {
        tails.push_back(tail);
    }
    return tails;
}

class RenewalRunTest : public RenewalRunFixture {};

TEST_F(RenewalRunTest, TheParkAirportLoadsAtStartAndItsStaticAircraftAppearOneByOne) {
    std::vector<int> lockedBefore; // the seconds before whose tick the controls were held
    std::map<int, std::size_t> standingBefore;
    run(40, [&](int n) {
        if (controlsLocked.load()) {
            lockedBefore.push_back(n);
        }
        standingBefore[n] = standing().size();
    });

    {
        std::lock_guard lock(trafficState.trafficMutex);
        EXPECT_EQ(trafficState.parkAirport.code, "EGLL");
        EXPECT_EQ(trafficState.reservedStand, "18");
        EXPECT_TRUE(trafficState.standsToFill.empty());
        EXPECT_EQ(mainWindow.staticTarget.load(), 5);
    }
    EXPECT_EQ(logLinesWith("User aircraft on the ground at").size(), 1u);
    EXPECT_EQ(logLinesWith("1 parking position from PT").size(), 1u);
    EXPECT_EQ(logLinesWith("5 positions (63% vs wanted 60%, with Max fit=0.5 hours)").size(), 1u);

    // Four of the five entries are created, one every 50 ticks (the CRJ9 has no livery and is
    // consumed); the reserved stand stays free.
    const RenewalStanding created = standing();
    EXPECT_EQ(lf_renewalTails(created),
              (std::vector<std::string>{"BAW11*", "BAW12*", "BAW13*", "BAW77*"}));
    const std::vector<ksb::test::LinkCall> calls = harness.link().calls();
    std::vector<std::int32_t> creationTicks;
    for (const ksb::test::LinkCall& call : calls) {
        if (call.name == "queueCreateAiAircraft") {
            creationTicks.push_back(call.tick);
        }
    }
    EXPECT_EQ(creationTicks, (std::vector<std::int32_t>{100, 150, 200, 250}));
    EXPECT_EQ(lf_renewalFirstArguments(linkCalls("queueCreateAiAircraft", 0, 40)),
              lf_renewalTails(created));
    // Each is in the simulator (state 2) once the 200-tick sequence after its binding has run.
    EXPECT_EQ(standingBefore.at(3), 0u);
    EXPECT_EQ(standingBefore.at(4), 2u);
    EXPECT_EQ(standingBefore.at(5), 4u);
    {
        std::lock_guard lock(trafficState.trafficMutex);
        for (const AiAircraft& aircraft : trafficState.statics) {
            SCOPED_TRACE(aircraft.callsign);
            EXPECT_EQ(aircraft.creatorFlag, aircraft.callsign == "BAW77*");
            EXPECT_EQ(aircraft.trafficValue, aircraft.callsign == "BAW77*" ? 0x4CA077u : 0u);
            EXPECT_EQ(aircraft.parkedAt,
                      gf_halfHoursBefore(kRenewalFirstHalfHour, aircraft.creatorFlag ? 4 : 0));
        }
    }

    // Held from the plan on; the list empties at second 2 and the check of second 16 frees
    // them.
    std::vector<int> expectedLocked;
    for (int n = 1; n <= 16; ++n) {
        expectedLocked.push_back(n);
    }
    EXPECT_EQ(lockedBefore, expectedLocked);
    EXPECT_EQ(linkCallSeconds("lockControls"), std::vector<int>{0});
    EXPECT_EQ(linkCallSeconds("unlockControls"), std::vector<int>{16});
    EXPECT_FALSE(controlsLocked.load());
}

TEST_F(RenewalRunTest, EachRenewalRemovesAndCreatesOnlyTheDifferences) {
    struct Phase {
        const char* name;
        int from;
        int to;
        std::vector<std::string> created;
        std::vector<std::string> released;
        std::vector<std::string> standing; // at its end
    };
    const std::vector<Phase> phases = {
        {"the first plan, half hour 20",
         0,
         1229,
         {"BAW11*", "BAW12*", "BAW13*", "BAW77*"},
         {},
         {"BAW11*", "BAW12*", "BAW13*", "BAW77*"}},
        {"the renewal of second 1230, half hour 21",
         1230,
         1239,
         {"BAW15*"},
         {"BAW12*"},
         {"BAW11*", "BAW13*", "BAW15*", "BAW77*"}},
        {"parked traffic only from the renewal of second 1260",
         1240,
         1280,
         {"BAW88*"},
         {"BAW11*", "BAW13*", "BAW15*"},
         {"BAW77*", "BAW88*"}},
    };

    std::map<int, RenewalStanding> standingAt; // after the work of a second
    std::map<int, DayHalfHour> halfHourAt;
    std::vector<int> requested;
    std::vector<int> betweenSteps;
    std::vector<int> locked;
    run(1280, [&](int n) {
        for (const Phase& phase : phases) {
            if (n == phase.to + 1) {
                standingAt[phase.to] = standing();
            }
        }
        halfHourAt[n - 1] = dayHalfHourNow.load();
        if (n > 1190) {
            if (staticRenewalRequested.load()) {
                requested.push_back(n - 1);
            }
            if (staticRenewalPhase.load() != 0) {
                betweenSteps.push_back(n - 1);
            }
            if (controlsLocked.load()) {
                locked.push_back(n - 1);
            }
        }
        if (n == 1240) {
            // The user switches RT_PARKTRAFFIC_ONLY on; the feed now also reports BAW88.
            parkedTraffic->push_back(ksb::test::renewalParkedFlight("BAW88", 0x4CA088, 16));
            lf_onCommand(RT_PARKTRAFFIC_ONLY.commandId());
            EXPECT_EQ(parkTrafficOnlyLatch.load(), 1);
        }
    });

    EXPECT_EQ(halfHourAt.at(1), kRenewalFirstHalfHour);
    EXPECT_EQ(halfHourAt.at(1230), kRenewalNextHalfHour);
    for (std::size_t i = 0; i < phases.size(); ++i) {
        const Phase& phase = phases[i];
        SCOPED_TRACE(phase.name);
        const RenewalStanding& now = standingAt.at(phase.to);
        EXPECT_EQ(lf_renewalTails(now), phase.standing);
        EXPECT_EQ(
            lf_renewalFirstArguments(linkCalls("queueCreateAiAircraft", phase.from, phase.to)),
            phase.created);
        EXPECT_EQ(lf_renewalFirstArguments(linkCalls("releaseAiAircraft", phase.from, phase.to)),
                  phase.released);
        if (i == 0) {
            continue;
        }
        // The kept aircraft are the same simulator objects; the released ones were removed.
        const RenewalStanding& before = standingAt.at(phases[i - 1].to);
        std::vector<std::string> removedObjects;
        for (const std::string& tail : phase.released) {
            removedObjects.push_back(std::to_string(before.at(tail)));
        }
        std::sort(removedObjects.begin(), removedObjects.end());
        EXPECT_EQ(
            lf_renewalFirstArguments(linkCalls("queueRemoveAiAircraft", phase.from, phase.to)),
            removedObjects);
        for (const auto& [tail, object] : now) {
            if (before.contains(tail)) {
                EXPECT_EQ(object, before.at(tail)) << tail;
            }
        }
    }

    // Requested at 1200 and 1240 (the switch), first steps at 1215 and 1245, second steps at
    // 1230 and 1260; the park check of 1216 would have freed the controls the first step held.
    std::vector<int> expectedRequested;
    std::vector<int> expectedBetween;
    for (int n = 1200; n < 1230; ++n) {
        expectedRequested.push_back(n);
    }
    for (int n = 1240; n < 1260; ++n) {
        expectedRequested.push_back(n);
    }
    for (int n : {1215, 1245}) {
        for (int k = n; k < n + 15; ++k) {
            expectedBetween.push_back(k);
        }
    }
    EXPECT_EQ(requested, expectedRequested);
    EXPECT_EQ(betweenSteps, expectedBetween);
    EXPECT_EQ(appCalls,
              (std::vector<std::string>{"link.lockControls@1215", "rt.setCollectFlag@1215",
                                        "link.lockControls@1245", "rt.setCollectFlag@1245"}));
    // Held from each first step until the first check after the list empties: 1232 and 1264.
    std::vector<int> expectedLocked;
    for (const auto& [first, last] : {std::pair{1215, 1231}, std::pair{1245, 1263}}) {
        for (int k = first; k <= last; ++k) {
            expectedLocked.push_back(k);
        }
    }
    EXPECT_EQ(locked, expectedLocked);
    EXPECT_EQ(linkCallSeconds("unlockControls"), (std::vector<int>{16, 1232, 1264}));

    EXPECT_EQ(logLinesWith("Parking adjustments: 1 to be removed, 1 to be added").size(), 1u);
    // Shown and logged on the message line.
    const std::vector<ksb::test::RecordedMessage> shown = harness.messages().all();
    EXPECT_EQ(std::count(shown.begin(), shown.end(),
                         ksb::test::RecordedMessage{ksb::test::RecordedMessage::Kind::message,
                                                    "ParkTraffic changes: 3 to be removed, 1 to "
                                                    "be added",
                                                    true}),
              1);
    EXPECT_EQ(parkTrafficOnlyLatch.load(), 0);
    EXPECT_FALSE(staticRenewalRequested.load());
    EXPECT_FALSE(controlsLocked.load());
}

} // namespace
