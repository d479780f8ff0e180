// The 20-minute renewal of the static parking, from aircraft built in code: each learned static
// aircraft judged against the new plan, the parked live aircraft beyond the wanted count, the
// parked-traffic-only branches, the trim order, the at-once removal of a displaced aircraft and
// the exclusions that end with the renewal. After each, no stand holds two static aircraft.
#include "traffic/static_plan.h"

#include "static_plan_test_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace ksb::test {
namespace {

using StaticPlanAdjustTest = StaticPlanTest;

std::vector<std::string> lf_adjustRemovalList() {
    std::vector<std::string> out;
    for (const StaticAdjustment& a : trafficState.adjustments) {
        out.push_back(a.callsign);
    }
    return out;
}

TEST_F(StaticPlanAdjustTest, EachLearnedStaticAircraftStaysOrGoes) {
    struct Case {
        const char* name;
        std::function<void(StaticPlanAdjustTest&)> setup;
        std::vector<std::string> plan;
        std::vector<std::string> released;
        std::vector<std::string> stayers; // tails
    };
    // TL1*, received as STA1, registration G-STA1, stands on A1 since 2 half hours ago.
    const auto optionOnA1 = [](const char* callsign, const char* registration, int slot) {
        return [=](StaticPlanAdjustTest&) {
            stand(1).observations = {option(1, callsign, registration, {slot})};
        };
    };
    const Case cases[] = {
        {"the same aircraft by callsign", optionOnA1("STA1", "G-XXX9", 20), {}, {}, {"TL1"}},
        {"the same aircraft by registration", optionOnA1("OTH1", "G-STA1", 20), {}, {}, {"TL1"}},
        // Made from an entry with the stays flag: its own option still plans it, so it stays
        // rather than going now and coming back at the next renewal.
        {"the same aircraft that stays, by callsign",
         [&](StaticPlanAdjustTest& t) {
             optionOnA1("STA1", "G-XXX9", 20)(t);
             trafficState.statics.back().stays = true;
         },
         {},
         {},
         {"TL1"}},
        {"the same aircraft that stays, by registration",
         [&](StaticPlanAdjustTest& t) {
             optionOnA1("OTH1", "G-STA1", 20)(t);
             trafficState.statics.back().stays = true;
         },
         {},
         {},
         {"TL1"}},
        {"its received callsign flies live",
         [&](StaticPlanAdjustTest& t) {
             optionOnA1("OTH1", "G-OTH1", 17)(t);
             t.harness.setSeenFlights({"STA1"}, {});
         },
         {"A1 OTH1 3"},
         {"TL1*"},
         {}},
        {"its tail flies live",
         [&](StaticPlanAdjustTest& t) {
             optionOnA1("OTH1", "G-OTH1", 17)(t);
             t.harness.setSeenFlights({"TL1"}, {});
         },
         {"A1 OTH1 3"},
         {"TL1*"},
         {}},
        {"another aircraft standing since earlier: the static one stays",
         optionOnA1("OTH1", "G-OTH1", 17),
         {},
         {},
         {"TL1"}},
        {"another aircraft since the same half hour: the static one stays",
         optionOnA1("OTH1", "G-OTH1", 18),
         {},
         {},
         {"TL1"}},
        {"another aircraft standing since later: it replaces the static one",
         optionOnA1("OTH1", "G-OTH1", 20),
         {"A1 OTH1 0"},
         {"TL1*"},
         {}},
        {"nothing planned on its stand", [](StaticPlanAdjustTest&) {}, {}, {"TL1*"}, {}},
    };
    addRow(3);
    clearNeighbours();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        harness.setSeenFlights({}, {});
        trafficState.statics.clear();
        harness.link().clearCalls();
        stand(1).observations.clear();
        addStatic(StaticAircraftBuilder("TL1*", 1).received("STA1").registration("G-STA1"), 1, 2);
        c.setup(*this);
        adjust();
        EXPECT_EQ(plan(), c.plan);
        EXPECT_EQ(released(), c.released);
        std::vector<std::string> stayers;
        for (const StaticStayer& s : trafficState.stayers) {
            stayers.push_back(s.tail);
        }
        EXPECT_EQ(stayers, c.stayers);
        expectNoStandTwice();
    }
    EXPECT_EQ(logLinesWith("live stayers").back(), "live stayers: 0, ");
}

TEST_F(StaticPlanAdjustTest, ParkedLiveAircraftBeyondTheWantedCount) {
    struct Case {
        const char* name;
        int percentage;
        bool initialLoadOnly;
        std::vector<std::string> released;
        std::vector<std::string> messages;
    };
    // LIV1..LIV3 checked on A1..A3 for 10, 30 and 20 minutes; LIV4 on A4 for 100 minutes
    // without a feed sample at its stand.
    const Case cases[] = {
        {"the unseen one goes, then the longest parked",
         50,
         false,
         {"LIV4", "LIV2"},
         {"Parking adjustments: 1 more live ac than wanted"}},
        {"with the initial load only the unseen one counts too",
         50,
         true,
         {"LIV2", "LIV4"},
         {"Parking adjustments: 2 more live ac than wanted"}},
        {"none wanted: the trim gives them up from the back",
         0,
         false,
         {"LIV4", "LIV3", "LIV2", "LIV1"},
         {}},
        {"none wanted, initial load only: the trim keeps them", 0, true, {}, {}},
    };
    addRow(4);
    clearNeighbours();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        parking_percentage.setRaw(c.percentage);
        INITIAL_LOAD_ONLY.setRaw(c.initialLoadOnly);
        trafficState.live.clear();
        addParkedLive(30001, "LIV1", 1, 10);
        addParkedLive(30002, "LIV2", 2, 30);
        addParkedLive(30003, "LIV3", 3, 20);
        addParkedLive(30004, "LIV4", 4, 100).standChecked = false;
        harness.link().clearCalls();
        const std::size_t shown = harness.messages().messages().size();
        adjust();
        EXPECT_EQ(released(), c.released);
        std::vector<std::string> messages = harness.messages().messages();
        messages.erase(messages.begin(), messages.begin() + static_cast<std::ptrdiff_t>(shown));
        EXPECT_EQ(messages, c.messages);
        EXPECT_TRUE(plan().empty());
        // The stands of the parked live aircraft that stay are kept from the plan.
        EXPECT_TRUE(stand(1).taken);
    }
}

TEST_F(StaticPlanAdjustTest, ParkTrafficOnlyBranches) {
    struct Case {
        const char* name;
        bool onlyParkTraffic;
        bool switchedOn;
        bool fetchFails;
        std::vector<std::string> plan;
        std::vector<std::string> released;
        std::vector<std::string> messages;
        std::vector<std::string> adjustmentsLine;
    };
    // LRN1* learned on A1; PT2* and PT3* from parked traffic on A2 and A3 since 4 half hours.
    // The service reports PT2 on A2 again and PT4 newly on A4.
    const Case cases[] = {
        {"switched on: the learned aircraft go with those not reported any more",
         true,
         true,
         false,
         {"A4 PT4 1 pt"},
         {"LRN1*", "PT3*"},
         {"ParkTraffic changes: 2 to be removed, 1 to be added"},
         {}},
        {"switched on, the fetch failed: the learned aircraft go all the same",
         true,
         true,
         true,
         {},
         {"LRN1*"},
         {},
         {}},
        {"parked traffic only, the fetch failed: nothing changes",
         true,
         false,
         true,
         {},
         {},
         {},
         {}},
        {"both kinds: the learned one is judged, it has no entry",
         false,
         false,
         false,
         {"A4 PT4 1 pt"},
         {"PT3*", "LRN1*"},
         {},
         {"Parking adjustments: 2 to be removed, 1 to be added"}},
    };
    addRow(4);
    clearNeighbours();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RT_PARKTRAFFIC_ONLY.setRaw(c.onlyParkTraffic);
        trafficState.statics.clear();
        addStatic(StaticAircraftBuilder("LRN1*", 1), 1, 2);
        addStatic(StaticAircraftBuilder("PT2*", 2).hexid(0x40002), 2, 4, true);
        addStatic(StaticAircraftBuilder("PT3*", 3).hexid(0x40003), 3, 4, true);
        if (c.fetchFails) {
            parkTraffic.reset();
        } else {
            parkTraffic = std::vector<ParkedFlight>{record("PT2", 0x40002, 2, 4),
                                                    record("PT4", 0x40004, 4, 1)};
        }
        harness.link().clearCalls();
        const std::size_t shown = harness.messages().messages().size();
        const std::size_t logged = harness.log().body().size();
        adjust(c.switchedOn);
        EXPECT_EQ(plan(), c.plan);
        EXPECT_EQ(released(), c.released);
        std::vector<std::string> messages = harness.messages().messages();
        messages.erase(messages.begin(), messages.begin() + static_cast<std::ptrdiff_t>(shown));
        EXPECT_EQ(messages, c.messages);
        std::vector<std::string> adjustments;
        const std::vector<std::string> body = harness.log().body();
        for (std::size_t i = logged; i < body.size(); ++i) {
            if (body[i].starts_with("Parking adjustments:")) {
                adjustments.push_back(body[i]);
            }
        }
        EXPECT_EQ(adjustments, c.adjustmentsLine);
        // Locked at the start; again at the end while entries wait.
        EXPECT_EQ(harness.link().callsOf("lockControls").size(), c.plan.empty() ? 1U : 2U);
        expectNoStandTwice();
    }
}

TEST_F(StaticPlanAdjustTest, TheTrimDropsTheWorstEntriesThenTheLongestStandingStayers) {
    // Six stands at 50 %: three wanted. Three live aircraft stay parked on A4..A6. PT1 (on A1
    // since 6 half hours) and PT2 (on A2 since 1) are reported again, PT3 newly on A3: three
    // entries reach the wanted count, two of them plan the standing aircraft again.
    addRow(6);
    clearNeighbours();
    parking_percentage.setRaw(50);
    addStatic(StaticAircraftBuilder("PT1*", 1).hexid(0x40001), 1, 6, true);
    addStatic(StaticAircraftBuilder("PT2*", 2).hexid(0x40002), 2, 1, true);
    addParkedLive(30004, "LIV4", 4, 5);
    addParkedLive(30005, "LIV5", 5, 5);
    addParkedLive(30006, "LIV6", 6, 5);
    parkTraffic =
        std::vector<ParkedFlight>{record("PT1", 0x40001, 1, 6), record("PT2", 0x40002, 2, 1),
                                  record("PT3", 0x40003, 3, 5), record("PT4", 0x40004, 3, 5)};
    adjust();
    EXPECT_TRUE(plan().empty());
    EXPECT_EQ(lf_adjustRemovalList(), (std::vector<std::string>{"PT1*", "PT2*"}));
    EXPECT_EQ(released(), (std::vector<std::string>{"PT1*", "PT2*"}));
    EXPECT_TRUE(trafficState.stayers.empty());
    EXPECT_EQ(logLinesWith("Parking adjustments:"),
              (std::vector<std::string>{"Parking adjustments: 2 to be removed, 0 to be added"}));
    // The live aircraft are not touched while static ones can give way.
    EXPECT_EQ(harness.link().callsOf("releaseAiAircraft").size(), 2U);
}

TEST_F(StaticPlanAdjustTest, ADisplacedAircraftGoesAtOnceAndNoLeavingOneIsPickedLater) {
    addRow(3);
    clearNeighbours();
    // On A2 an aircraft left at an earlier renewal, and STA7 from parked traffic since 9 half
    // hours, displaced by BAW10 standing since 3. On A3 a learned aircraft with no entry, and
    // one leaving there.
    addStatic(StaticAircraftBuilder("OLD2*", 5).state(LiveState::beingRemoved), 2, 20, true);
    addStatic(StaticAircraftBuilder("STA7*", 7).hexid(0x50007), 2, 9, true);
    addStatic(StaticAircraftBuilder("OLD3*", 6).state(LiveState::beingRemoved), 3, 20);
    addStatic(StaticAircraftBuilder("LRN3*", 8), 3, 2);
    parkTraffic = std::vector<ParkedFlight>{record("BAW10", 0x4000A, 2, 3)};
    adjust();
    EXPECT_EQ(released(), (std::vector<std::string>{"STA7*", "LRN3*"}));
    EXPECT_EQ(lf_adjustRemovalList(), (std::vector<std::string>{"STA7*", "LRN3*"}));
    EXPECT_EQ(staticsLeft(),
              (std::vector<std::string>{"LRN3* 4", "OLD2* 4", "OLD3* 4", "STA7* 4"}));
    expectNoStandTwice();
}

TEST_F(StaticPlanAdjustTest, AWaitingAircraftOnAStandThePlanGivesAwayIsCancelled) {
    // A learned aircraft whose creation still waits in the queue is judged like one standing:
    // another aircraft planned on its stand since later replaces it, and its request goes.
    addRow(2);
    clearNeighbours();
    addStatic(StaticAircraftBuilder("TL1*", 1).state(LiveState::creationRequested), 1, 2);
    AiCreateRequest request;
    request.callsign = "TL1*";
    request.flightKey = 1;
    trafficState.staticCreations.push_back(request);
    stand(1).observations = {option(1, "OTH1", "G-OTH1", {20})};
    adjust();
    EXPECT_EQ(plan(), (std::vector<std::string>{"A1 OTH1 0"}));
    EXPECT_TRUE(staticsLeft().empty());
    EXPECT_TRUE(trafficState.staticCreations.empty());
    expectNoStandTwice();
}

TEST_F(StaticPlanAdjustTest, ExclusionsEndWithTheRenewalAndTheNumbersStay) {
    addRow(2);
    clearNeighbours();
    StandObservation other = option(5, "OTH1", "G-OTH1", {10});
    other.excluded = true;
    stand(1).observations = {other};
    mainWindow.staticParkingRunning = true;
    mainWindow.staticAverageFit = 3.0F;
    adjust();
    EXPECT_FALSE(stand(1).observations[0].excluded);
    EXPECT_EQ(stand(1).observations[0].sequenceNumber, 5U);
    EXPECT_FALSE(mainWindow.staticParkingRunning.load());
    EXPECT_EQ(mainWindow.staticAverageFit.load(), -1.0F);
    EXPECT_EQ(harness.link().callsOf("lockControls"), (std::vector<std::string>{"lockControls()"}));
}

} // namespace
} // namespace ksb::test
