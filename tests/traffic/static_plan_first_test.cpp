// The first static-parking plan of a park airport: the parked traffic placed stand by stand, the
// learned aircraft widening by the half hour, the trim, the order the creation takes entries in,
// and the lines and controls of each outcome.
#include "traffic/static_plan.h"

#include "core/main_window.h"
#include "core/random_engine.h"
#include "core/run_state.h"
#include "core/sim_session_state.h"

#include "static_plan_test_fixture.h"
#include "support/scripted_random.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

using StaticPlanFirstTest = StaticPlanTest;

TEST_F(StaticPlanFirstTest, ParkTrafficPlacementOneChangePerRow) {
    struct Case {
        const char* name;
        std::function<void(StaticPlanFirstTest&)> setup;
        std::vector<std::string> plan;
        std::vector<std::string> released;
        std::vector<std::string> statics;
        // The first plan leaves learned static aircraft to the renewal.
        bool learnedStaticKept = false;
    };
    // BAW10, hexid 0x4000A, an A320 of registration G-PTAA, stands on A2 for 3 half hours.
    const auto only = [](std::function<void(StaticPlanFirstTest&)> more) {
        return [more](StaticPlanFirstTest& t) {
            t.parkTraffic = std::vector<ParkedFlight>{record("BAW10", 0x4000A, 2, 3, "G-PTAA")};
            more(t);
        };
    };
    const auto nothing = [](StaticPlanFirstTest&) {};
    const auto liveTwin = [](std::uint32_t key, const char* callsign, const char* registration) {
        return [=](StaticPlanFirstTest&) {
            LiveAircraft a = gf_testAircraft(key, callsign, registration);
            a.state = LiveState::inSimulator;
            a.setPhase(FlightPhase::airborne);
            trafficState.live.push_back(a);
        };
    };
    const auto staticOnA2 = [](const char* tail, int halfHoursAgo, bool fromParkTraffic,
                               LiveState state = LiveState::inSimulator) {
        return [=](StaticPlanFirstTest&) {
            addStatic(StaticAircraftBuilder(tail, 7).hexid(0x50007).state(state), 2, halfHoursAgo,
                      fromParkTraffic);
        };
    };
    const Case cases[] = {
        {"placed", only(nothing), {"A2 BAW10 3 pt"}, {}, {}},
        {"flight id seen live",
         only([](StaticPlanFirstTest& t) { t.harness.setSeenFlights({}, {0x4000A}); }),
         {},
         {},
         {}},
        {"callsign seen live",
         only([](StaticPlanFirstTest& t) { t.harness.setSeenFlights({"BAW10"}, {}); }),
         {},
         {},
         {}},
        {"its ghost seen live",
         only([](StaticPlanFirstTest& t) { t.harness.setSeenFlights({"BAW10_"}, {}); }),
         {},
         {},
         {}},
        {"twin by flight key", only(liveTwin(0x4000A, "XXX1", "G-XXXX")), {}, {}, {}},
        {"twin by callsign", only(liveTwin(30001, "BAW10", "G-XXXX")), {}, {}, {}},
        {"twin by ghost callsign", only(liveTwin(30001, "BAW10_", "G-XXXX")), {}, {}, {}},
        {"twin by registration", only(liveTwin(30001, "XXX1", "G-PTAA")), {}, {}, {}},
        {"empty registrations are no twins",
         [&](StaticPlanFirstTest& t) {
             t.parkTraffic = std::vector<ParkedFlight>{record("BAW10", 0x4000A, 2, 3, "")};
             liveTwin(30001, "XXX1", "")(t);
         },
         {"A2 BAW10 3 pt"},
         {},
         {}},
        {"blocked: the reserved stand",
         only([](StaticPlanFirstTest&) { trafficState.reservedStand = "A2"; }),
         {},
         {},
         {}},
        {"taken by the record before",
         [](StaticPlanFirstTest& t) {
             t.parkTraffic = std::vector<ParkedFlight>{record("BAW10", 0x4000A, 2),
                                                       record("BAW11", 0x4000B, 2)};
         },
         {"A2 BAW10 3 pt"},
         {},
         {}},
        {"adjacent taken, the wings fit",
         [](StaticPlanFirstTest& t) {
             t.parkTraffic = std::vector<ParkedFlight>{record("BAW10", 0x4000A, 2),
                                                       record("BAW11", 0x4000B, 3, 5)};
         },
         {"A3 BAW11 5 pt", "A2 BAW10 3 pt"},
         {},
         {}},
        {"adjacent taken, the wings clash",
         [](StaticPlanFirstTest& t) {
             t.parkTraffic = std::vector<ParkedFlight>{record("BAW10", 0x4000A, 2, 3, "", "B744"),
                                                       record("BAW11", 0x4000B, 3, 5)};
         },
         {"A2 BAW10 3 pt"},
         {},
         {}},
        {"the same aircraft static on the stand",
         only(staticOnA2("BAW10*", 9, true)),
         {},
         {},
         {"BAW10* 2"}},
        // The newer arrival keeps the stand: the record standing since later displaces it.
        {"another static aircraft there since earlier goes at once",
         only(staticOnA2("STA7*", 9, true)),
         {},
         {"STA7*"},
         {"STA7* 4"}},
        {"since the same half hour goes too",
         only(staticOnA2("STA7*", 3, true)),
         {},
         {"STA7*"},
         {"STA7* 4"}},
        {"one there since later stays, the record waits",
         only(staticOnA2("STA7*", 1, true)),
         {},
         {},
         {"STA7* 2"}},
        {"a learned static aircraft does not hold the stand",
         only(staticOnA2("STA7*", 9, false)),
         {"A2 BAW10 3 pt"},
         {},
         {"STA7* 2"},
         true},
        {"a leaving one does not either",
         only(staticOnA2("STA7*", 9, true, LiveState::beingRemoved)),
         {"A2 BAW10 3 pt"},
         {},
         {"STA7* 4"}},
        {"a displaced one whose request went is marked",
         only(staticOnA2("STA7*", 9, true, LiveState::creationRequested)),
         {},
         {},
         {"STA7* 1+"}},
        {"a displaced one whose request waits is cancelled",
         only([staticOnA2](StaticPlanFirstTest& t) {
             staticOnA2("STA7*", 9, true, LiveState::creationRequested)(t);
             AiCreateRequest request;
             request.callsign = "STA7*";
             request.flightKey = 7;
             trafficState.staticCreations.push_back(request);
         }),
         {},
         {},
         {}},
    };
    addRow(4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        harness.setSeenFlights({}, {});
        trafficState.live.clear();
        trafficState.statics.clear();
        trafficState.staticCreations.clear();
        trafficState.reservedStand.clear();
        harness.link().clearCalls();
        c.setup(*this);
        calculate();
        EXPECT_EQ(plan(), c.plan);
        EXPECT_EQ(released(), c.released);
        EXPECT_EQ(staticsLeft(), c.statics);
        if (!c.learnedStaticKept) {
            expectNoStandTwice();
        }
    }
}

TEST_F(StaticPlanFirstTest, ARecordWithoutAStandIsLoggedAndTheNextPlaced) {
    addRow(3);
    ParkedFlight far = record("DLH4", 0x3C4D5E, 1, 2, "D-AIPA");
    far.latitude += 200.0 * kNMPerMetre / 60.0 + 80.0 * kNMPerMetre / 60.0;
    far.stand = "V12";
    parkTraffic = std::vector<ParkedFlight>{far, record("BAW10", 0x4000A, 1)};
    calculate();
    EXPECT_EQ(plan(), (std::vector<std::string>{"A1 BAW10 3 pt"}));
    EXPECT_EQ(logLinesWith("could not find"),
              (std::vector<std::string>{
                  "[DLH4      :   3c4d5e A320     D-AIPA       ===> could not find a stand for "
                  "PT's V12]"}));
    EXPECT_EQ(logLinesWith("from PT"), (std::vector<std::string>{"1 parking position from PT"}));
}

TEST_F(StaticPlanFirstTest, LearnedAircraftWidenHalfAnHourAtATime) {
    struct Case {
        const char* name;
        int maxFit;
        bool parkSoft;
        bool parkFake;
        std::vector<std::string> plan;
        std::vector<std::string> found;
        int realOffset;
        int softOffset;
    };
    // Ten stands at 30 %: three wanted. Real options at the half hour (A1), one before (A2) and
    // three before (A3, A4); soft ones at the half hour (A5, A6).
    const Case cases[] = {
        {"offsets until three stands are taken",
         4,
         false,
         false,
         {"A3 C3 3", "A2 C2 1", "A1 C1 0"},
         // A4 was taken at the last offset too, then trimmed.
         {"4 real positions found, Max fit=2.5 hours, day 3, hh:20 or 10.5 hrs fit: 2 hour"},
         3,
         -1},
        {"Max fit 0: only this half hour, then soft",
         0,
         true,
         false,
         {"A1 C1 0", "A5 S5 0", "A6 S6 0"},
         {"1 real position found, Max fit=0.5 hours, day 3, hh:20 or 10.5 hrs fit: 0.5 hour",
          "2 soft positions found, Max fit=0.5 hours, day 3, hh:20 or 10.5 hrs fit: 0.5 hour"},
         0,
         0},
        {"PARK_FAKE allows the soft pass too",
         1,
         false,
         true,
         {"A2 C2 1", "A1 C1 0", "A5 S5 0"},
         {"2 real positions found, Max fit=1 hours, day 3, hh:20 or 10.5 hrs fit: 1 hour",
          "2 soft positions found, Max fit=1 hours, day 3, hh:20 or 10.5 hrs fit: 0.5 hour"},
         1,
         0},
        {"no soft pass without PARK_SOFT or PARK_FAKE",
         1,
         false,
         false,
         {"A2 C2 1", "A1 C1 0"},
         {"2 real positions found, Max fit=1 hours, day 3, hh:20 or 10.5 hrs fit: 1 hour"},
         1,
         -1},
    };
    addRow(10);
    clearNeighbours();
    parking_percentage.setRaw(30);
    ScriptedRandom draws;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MAX_FIT.setRaw(c.maxFit);
        PARK_SOFT.setRaw(c.parkSoft);
        PARK_FAKE.setRaw(c.parkFake);
        stand(1).observations = {option(1, "C1", "G-AAA1", {20})};
        stand(2).observations = {option(1, "C2", "G-AAA2", {19})};
        stand(3).observations = {option(1, "C3", "G-AAA3", {17})};
        stand(4).observations = {option(1, "C4", "G-AAA4", {17})};
        for (int n : {5, 6}) {
            StandObservation soft =
                option(1, fmt::format("S{}", n), fmt::format("G-SSS{}", n), {20});
            soft.soft = true;
            stand(n).observations = {soft};
        }
        const std::size_t before = harness.log().body().size();
        calculate();
        EXPECT_EQ(plan(), c.plan);
        std::vector<std::string> found;
        const std::vector<std::string> body = harness.log().body();
        for (std::size_t i = before; i < body.size(); ++i) {
            if (body[i].find("found, Max fit") != std::string::npos) {
                found.push_back(body[i]);
            }
        }
        EXPECT_EQ(found, c.found);
        EXPECT_EQ(trafficState.realFitOffset, c.realOffset);
        EXPECT_EQ(trafficState.softFitOffset, c.softOffset);
    }
}

TEST_F(StaticPlanFirstTest, TheTrimKeepsTheBestFitAndTheBackHoldsIt) {
    // Four stands at 50 %: two wanted. Parked traffic takes A1 (standing 6 half hours); three
    // learned aircraft fit at once. Sorted ascending the worst two go, and the list is handed
    // on best fit last.
    addRow(4);
    clearNeighbours();
    parking_percentage.setRaw(50);
    parkTraffic = std::vector<ParkedFlight>{record("PT1", 0x40001, 1, 6)};
    stand(3).observations = {option(1, "C3", "G-AAA3", {20})};
    stand(4).observations = {option(1, "C4", "G-AAA4", {20})};
    calculate();
    EXPECT_EQ(plan(), (std::vector<std::string>{"A1 PT1 6 pt", "A3 C3 0"}));
    EXPECT_EQ(
        logLinesWith("positions ("),
        (std::vector<std::string>{"2 positions (50% vs wanted 50%, with Max fit=2.5 hours)"}));
    EXPECT_EQ(harness.link().callsOf("lockControls"), (std::vector<std::string>{"lockControls()"}));
    EXPECT_TRUE(harness.link().callsOf("unlockControls").empty());
}

TEST_F(StaticPlanFirstTest, TheOutcomesLinesAndControls) {
    addRow(4);
    struct Case {
        const char* name;
        bool onlyParkTraffic;
        bool loggedIn;
        std::optional<std::vector<ParkedFlight>> answer;
        std::vector<std::string> plan;
        std::vector<std::string> lines; // every line of the outcome, in order
        int fetches;
        bool locked;
    };
    const auto two = [] {
        return std::vector<ParkedFlight>{record("PT1", 0x40001, 1, 2),
                                         record("PT3", 0x40003, 3, 7)};
    };
    const Case cases[] = {
        {"parked traffic only, with records",
         true,
         true,
         two(),
         {"A3 PT3 7 pt", "A1 PT1 2 pt"},
         {"2 positions from RT parktraffic only"},
         1,
         true},
        {"parked traffic only, an empty answer",
         true,
         true,
         std::vector<ParkedFlight>{},
         {},
         {"no parking positions found"},
         1,
         false},
        {"parked traffic only, the fetch failed",
         true,
         true,
         std::nullopt,
         {},
         {"no parking positions found"},
         1,
         false},
        {"without a login nothing is fetched, the learned part fills",
         false,
         false,
         two(),
         {"A2 C2 0"},
         {"0 parking positions from PT",
          "1 real position found, Max fit=2.5 hours, day 3, "
          "hh:20 or 10.5 hrs fit: 2.5 hour",
          "1 positions (25% vs wanted 100%, with Max fit=2.5 hours)"},
         0,
         true},
        {"a failed fetch: the learned part fills",
         false,
         true,
         std::nullopt,
         {"A2 C2 0"},
         {"0 parking positions from PT",
          "1 real position found, Max fit=2.5 hours, day 3, "
          "hh:20 or 10.5 hrs fit: 2.5 hour",
          "1 positions (25% vs wanted 100%, with Max fit=2.5 hours)"},
         1,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RT_PARKTRAFFIC_ONLY.setRaw(c.onlyParkTraffic);
        loggedIn = c.loggedIn;
        parkTraffic = c.answer;
        fetches = 0;
        stand(2).observations = {option(1, "C2", "G-AAA2", {20})};
        harness.link().clearCalls();
        const std::size_t before = harness.log().body().size();
        calculate();
        EXPECT_EQ(plan(), c.plan);
        std::vector<std::string> lines = harness.log().body();
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before));
        // The time frame heads every calculation: a blank line, then the day line.
        ASSERT_GE(lines.size(), 2U);
        EXPECT_EQ(lines[0], "");
        EXPECT_NE(lines[1].find("(utc) It is day 3 (Wednesday), 10.5 hours"), std::string::npos);
        lines.erase(lines.begin(), lines.begin() + 2);
        while (!lines.empty() && lines.back().empty()) {
            lines.pop_back();
        }
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(fetches, c.fetches);
        EXPECT_EQ(harness.link().callsOf("lockControls").size(), c.locked ? 1U : 0U);
        EXPECT_EQ(harness.link().callsOf("unlockControls").size(), c.locked ? 0U : 1U);
    }
}

TEST_F(StaticPlanFirstTest, StartsFromACleanPlanWithTheUserStandsBlocked) {
    addRow(4);
    stand(1).observations = {option(1, "C1", "G-AAA1", {20})};
    stand(3).observations = {option(1, "C3", "G-AAA3", {20})};
    stand(4).observations = {option(1, "C4", "G-AAA4", {20})};
    stand(4).taken = true; // left from an earlier plan
    trafficState.reservedStand = "A1";
    // The user stands on A3.
    UserAircraftState user;
    user.latitude = stand(3).latitude;
    user.longitude = stand(3).longitude;
    gf_setUserState(user);
    userOnGround = true;
    userOnGroundKnown = true;
    trafficState.standsToFill.push_back(StandToFill{});
    trafficState.adjustments.push_back(StaticAdjustment{"OLD*", 9});
    mainWindow.staticAverageFit = 2.5F;
    mainWindow.liveParkedAverageFit = 1.5F;
    mainWindow.staticParkingRunning = true;
    calculate();
    EXPECT_EQ(plan(), (std::vector<std::string>{"A4 C4 0"}));
    EXPECT_TRUE(stand(1).blocked);
    EXPECT_TRUE(stand(3).blocked);
    EXPECT_FALSE(stand(2).blocked);
    EXPECT_TRUE(trafficState.adjustments.empty());
    EXPECT_EQ(mainWindow.staticAverageFit.load(), -1.0F);
    EXPECT_EQ(mainWindow.liveParkedAverageFit.load(), -1.0F);
    EXPECT_FALSE(mainWindow.staticParkingRunning.load());
    EXPECT_EQ(harness.messages().messages(),
              (std::vector<std::string>{"Making changes to airport parking parameters is "
                                        "disabled while static parking takes place ..."}));
    gf_setUserState(UserAircraftState{});
    userOnGround = false;
    userOnGroundKnown = false;
}

TEST(StaticPlanCandidatesTest, TheLastOffsetGivesWayAtRandomWhenTheEarlierOnesExceed) {
    // Two accepted at earlier offsets, three of the last offset; one stand wanted with one
    // already planned elsewhere: the earlier two exceed by two, so two of the last offset's
    // three go at random (the shuffle's draws scripted), then A is cut from its end to none.
    std::vector<LearnedCandidate> last;
    const auto candidate = [](const char* callsign) {
        LearnedCandidate c;
        c.callsign = callsign;
        return c;
    };
    for (const char* cs : {"L1", "L2", "L3"}) {
        last.push_back(candidate(cs));
    }
    ScriptedRandom draws({0, 0});
    lf_dropRandomCandidates(2, last);
    // Fisher-Yates: i=2 swaps with 0 -> L3 L2 L1; i=1 swaps with 0 -> L2 L3 L1; two dropped.
    ASSERT_EQ(last.size(), 1U);
    EXPECT_EQ(last[0].callsign, "L2");
    EXPECT_EQ(draws.bounds(), (std::vector<std::uint32_t>{3, 2}));

    ScriptedRandom more({1});
    std::vector<LearnedCandidate> two{candidate("M1"), candidate("M2")};
    lf_dropRandomCandidates(5, two);
    EXPECT_TRUE(two.empty());
}

} // namespace
} // namespace ksb::test
