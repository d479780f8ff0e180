// The search for learned aircraft to plan on the stands, with its exclusions and the stays flag,
// and the recent-use test of a stand.
#include "traffic/stand_search.h"

#include "airports/airports.h"
#include "core/parameters.h"
#include "core/random_engine.h"
#include "traffic/stand_options.h"

#include "stand_test_fixture.h"
#include "support/scripted_random.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using ksb::test::gf_testAircraft;
using ksb::test::gf_testOption;
using ksb::test::ScriptedRandom;
using ksb::test::StandTest;

// "stand registration callsign:coupled fit stays" of a plan entry.
std::string lf_planText(const LearnedCandidate& c) {
    return std::to_string(c.standId) + " " + c.registration + " " + c.callsign + ":" +
           c.coupledCallsign + " " + std::to_string(c.fit) + (c.stays ? " stays" : "");
}

std::vector<std::string> lf_planTexts(const std::vector<LearnedCandidate>& plan) {
    std::vector<std::string> texts;
    for (const LearnedCandidate& c : plan) {
        texts.push_back(lf_planText(c));
    }
    return texts;
}

AiAircraft lf_staticAircraft(std::uint32_t standId, std::string callsign, LiveState state,
                             bool stays, std::string registration = "G-STAT") {
    AiAircraft a;
    a.standId = standId;
    a.callsign = std::move(callsign);
    a.registration = std::move(registration);
    a.airline = "BAW";
    a.type = "A320";
    a.state = state;
    a.stays = stays;
    return a;
}

class StandSearchTest : public StandTest {
protected:
    StandSearchTest() {
        WEEK.setRaw(false);
        HELICOPTERS.setRaw(true);
    }

    std::vector<std::string> search(DayHalfHour time, int offset, bool soft = false) {
        plan.clear();
        lf_searchStands(time, soft, offset, plan, chosen);
        return lf_planTexts(plan);
    }

public:
    std::vector<LearnedCandidate> plan;
    std::vector<LearnedCandidate> chosen;
};

TEST_F(StandSearchTest, TheSearchedHalfHourDayAndStandFlags) {
    struct Case {
        const char* name;
        std::function<void(ParkPosition&)> setup;
        DayHalfHour time;
        int offset;
        bool soft;
        std::vector<std::string> plan;
    };
    const auto slots = [](int day, std::vector<int> s) {
        return [day, s](ParkPosition& stand) { stand.observations = {gf_testOption(1, day, s)}; };
    };
    const auto withFlag = [](bool ParkPosition::*flag) {
        return [flag](ParkPosition& stand) {
            stand.observations = {gf_testOption(1, 3, {20})};
            stand.*flag = true;
        };
    };
    const Case cases[] = {
        {"the half hour offset before",
         slots(3, {17}),
         gf_packDayHalfHour(3, 20),
         3,
         false,
         {"1 G-EUUA BAW1: 3 stays"}},
        {"not the half hour itself", slots(3, {20}), gf_packDayHalfHour(3, 20), 3, false, {}},
        {"slot 1 less 3 is slot 46 of Sunday",
         slots(7, {46}),
         gf_packDayHalfHour(1, 1),
         3,
         false,
         {"1 G-EUUA BAW1: 3 stays"}},
        {"not slot 46 of Monday", slots(1, {46}), gf_packDayHalfHour(1, 1), 3, false, {}},
        {"another weekday", slots(4, {20}), gf_packDayHalfHour(3, 20), 0, false, {}},
        {"no weekday", slots(0, {20}), gf_packDayHalfHour(3, 20), 0, false, {}},
        {"blocked", withFlag(&ParkPosition::blocked), gf_packDayHalfHour(3, 20), 0, false, {}},
        {"taken", withFlag(&ParkPosition::taken), gf_packDayHalfHour(3, 20), 0, false, {}},
        {"adjacent taken",
         withFlag(&ParkPosition::adjacentTaken),
         gf_packDayHalfHour(3, 20),
         0,
         false,
         {}},
        {"occupied counts for nothing here",
         withFlag(&ParkPosition::occupied),
         gf_packDayHalfHour(3, 20),
         0,
         false,
         {"1 G-EUUA BAW1: 0 stays"}},
        {"heli stand with HELICOPTERS",
         withFlag(&ParkPosition::heli),
         gf_packDayHalfHour(3, 20),
         0,
         false,
         {"1 G-EUUA BAW1: 0 stays"}},
        {"number 0",
         [](ParkPosition& s) { s.observations = {gf_testOption(0, 3, {20})}; },
         gf_packDayHalfHour(3, 20),
         0,
         false,
         {}},
        {"a real option in the soft search",
         slots(3, {20}),
         gf_packDayHalfHour(3, 20),
         0,
         true,
         {}},
        {"a soft option in the soft search",
         [](ParkPosition& s) {
             s.observations = {gf_testOption(1, 3, {20})};
             s.observations[0].soft = true;
         },
         gf_packDayHalfHour(3, 20),
         0,
         true,
         {"1 G-EUUA BAW1: 0 stays"}},
        {"a soft option in the real search",
         [](ParkPosition& s) {
             s.observations = {gf_testOption(1, 3, {20})};
             s.observations[0].soft = true;
         },
         gf_packDayHalfHour(3, 20),
         0,
         false,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        ParkPosition& stand = addStand("A1");
        c.setup(stand);
        EXPECT_EQ(search(c.time, c.offset, c.soft), c.plan);
        EXPECT_EQ(stand.taken, !c.plan.empty() || std::string(c.name) == "taken");
    }

    // WEEK lets every weekday count, and no weekday too.
    WEEK.setRaw(true);
    for (const int day : {4, 0}) {
        SCOPED_TRACE(day);
        stands().clear();
        addStand("A1").observations = {gf_testOption(1, day, {20})};
        EXPECT_EQ(search(gf_packDayHalfHour(3, 20), 0),
                  std::vector<std::string>{"1 G-EUUA BAW1: 0 stays"});
    }
    // Without HELICOPTERS a heli stand gives nothing.
    HELICOPTERS.setRaw(false);
    stands().clear();
    addStand("H1").heli = true;
    stands()[0].observations = {gf_testOption(1, 3, {20})};
    EXPECT_TRUE(search(gf_packDayHalfHour(3, 20), 0).empty());
}

TEST_F(StandSearchTest, APlannedStandTakesItsNeighbours) {
    ParkPosition& a = addStand("A1");
    ParkPosition& b = addStand("A2", 100.0);
    ParkPosition& c = addStand("A3", 200.0);
    a.adjacentStandIds = {2};
    for (ParkPosition* stand : {&a, &b, &c}) {
        stand->observations = {gf_testOption(1, 3, {20})};
        stand->observations[0].registration = "G-REG" + stand->name;
    }
    EXPECT_EQ(search(gf_packDayHalfHour(3, 20), 0),
              (std::vector<std::string>{"1 G-REGA1 BAW1: 0 stays", "3 G-REGA3 BAW1: 0 stays"}));
    EXPECT_TRUE(a.taken && c.taken);
    EXPECT_FALSE(b.taken);
    EXPECT_TRUE(b.adjacentTaken);
    EXPECT_TRUE(search(gf_packDayHalfHour(3, 20), 0).empty()); // all taken now
}

TEST_F(StandSearchTest, AStaticAircraftNextDoorNeedsRoomForBothWings) {
    // A320 half spans: 17.05 m each, 34.1 m together.
    struct Case {
        const char* name;
        double metresApart;
        LiveState state;
        bool planned;
    };
    const Case cases[] = {
        {"30 m apart", 30.0, LiveState::inSimulator, false},
        {"40 m apart", 40.0, LiveState::inSimulator, true},
        {"not yet in the simulator", 30.0, LiveState::creationRequested, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        trafficState.statics.clear();
        ParkPosition& a = addStand("A1");
        ParkPosition& b = addStand("A2", c.metresApart);
        a.adjacentStandIds = {2};
        a.observations = {gf_testOption(1, 3, {20})};
        AiAircraft neighbour = lf_staticAircraft(2, "EZY7*", c.state, false);
        neighbour.standLatitude = b.latitude;
        neighbour.standLongitude = b.longitude;
        trafficState.statics.push_back(neighbour);
        EXPECT_EQ(search(gf_packDayHalfHour(3, 20), 0).size(), c.planned ? 1u : 0u);
    }
}

TEST_F(StandSearchTest, OneOfSeveralOptionsAtRandomUnlessAStaticOneStaysPut) {
    ParkPosition& stand = addStand("A1");
    for (std::uint32_t n = 1; n <= 3; ++n) {
        stand.observations.push_back(gf_testOption(n, 3, {20}));
        stand.observations.back().registration = "G-OPT" + std::to_string(n);
        stand.observations.back().callsign = "BAW" + std::to_string(n);
    }
    stand.observations[1].coupledCallsign = "SHT2";
    stand.observations[1].halfHours.set(21);
    {
        // i = 2 draws 0 of 0..2 (3 to the front), i = 1 draws 1 of 0..1 (stays).
        ScriptedRandom random({0, 1});
        EXPECT_EQ(search(gf_packDayHalfHour(3, 20), 0),
                  std::vector<std::string>{"1 G-OPT3 BAW3: 0 stays"});
        EXPECT_EQ(random.bounds(), (std::vector<std::uint32_t>{3, 2}));
    }
    struct Case {
        const char* name;
        AiAircraft parked;
        std::vector<std::string> plan; // empty: drawn
    };
    AiAircraft otherType = lf_staticAircraft(1, "BAW2*", LiveState::inSimulator, false);
    otherType.type = "A319";
    const Case cases[] = {
        {"by its callsign",
         lf_staticAircraft(1, "BAW2*", LiveState::inSimulator, false),
         {"1 G-OPT2 BAW2:SHT2 0 stays"}},
        {"by its coupled callsign",
         lf_staticAircraft(1, "SHT2*", LiveState::inSimulator, false),
         {"1 G-OPT2 BAW2:SHT2 0 stays"}},
        {"still being created",
         lf_staticAircraft(1, "BAW2*", LiveState::creationRequested, false),
         {"1 G-OPT2 BAW2:SHT2 0 stays"}},
        {"being removed", lf_staticAircraft(1, "BAW2*", LiveState::beingRemoved, false), {}},
        {"one that stays keeps nothing",
         lf_staticAircraft(1, "BAW3*", LiveState::inSimulator, true),
         {}},
        {"another type", otherType, {}},
        {"on another stand", lf_staticAircraft(2, "BAW2*", LiveState::inSimulator, false), {}},
        {"without the star", lf_staticAircraft(1, "BAW2", LiveState::inSimulator, false), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stand.taken = false;
        for (StandObservation& option : stand.observations) {
            option.excluded = false;
        }
        trafficState.statics = {c.parked};
        ScriptedRandom random(c.plan.empty() ? std::vector<std::uint32_t>{1, 0}
                                             : std::vector<std::uint32_t>{});
        const std::vector<std::string> got = search(gf_packDayHalfHour(3, 20), 0);
        if (c.plan.empty()) {
            EXPECT_EQ(random.bounds().size(), 2u);
        } else {
            EXPECT_EQ(got, c.plan);
            EXPECT_TRUE(random.bounds().empty());
        }
    }
}

TEST_F(StandSearchTest, AnAircraftShownElsewhereIsExcluded) {
    struct Case {
        const char* name;
        std::function<void(StandSearchTest&)> setup;
        bool excluded;
    };
    const auto seen = [](std::string callsign) {
        return [callsign](StandSearchTest&) { trafficState.seenCallsigns = {callsign}; };
    };
    const auto filled = [](std::string callsign, std::string registration) {
        return [callsign, registration](StandSearchTest&) {
            StandToFill entry;
            entry.callsign = callsign;
            entry.registration = registration;
            trafficState.standsToFill = {entry};
        };
    };
    const auto parkedLive = [](std::string callsign) {
        return [callsign](StandSearchTest&) { trafficState.parkedLive = {{callsign, 5, 0}}; };
    };
    const auto statics = [](AiAircraft parked) {
        return [parked](StandSearchTest&) { trafficState.statics = {parked}; };
    };
    const auto chosenRegistration = [](std::string registration) {
        return [registration](StandSearchTest& t) {
            LearnedCandidate earlier;
            earlier.registration = registration;
            t.chosen = {earlier};
        };
    };
    const Case cases[] = {
        {"nothing elsewhere", [](StandSearchTest&) {}, false},
        {"registration already chosen", chosenRegistration("G-EUUA"), true},
        {"callsign seen live", seen("BAW1"), true},
        {"callsign seen as a ghost", seen("BAW1_"), true},
        {"coupled callsign seen live", seen("SHT1"), true},
        {"coupled callsign seen as a ghost", seen("SHT1_"), true},
        {"another callsign seen", seen("BAW10"), false},
        {"planned by callsign", filled("BAW1", ""), true},
        {"planned by coupled callsign", filled("SHT1", ""), true},
        {"planned by registration", filled("", "G-EUUA"), true},
        {"parked live by callsign", parkedLive("BAW1"), true},
        {"parked live by coupled callsign", parkedLive("SHT1"), true},
        {"static that stays, callsign",
         statics(lf_staticAircraft(4, "BAW1*", LiveState::inSimulator, true)), true},
        {"static that stays, coupled",
         statics(lf_staticAircraft(4, "SHT1*", LiveState::inSimulator, true)), true},
        {"static that stays, registration",
         statics(lf_staticAircraft(4, "XXX9*", LiveState::inSimulator, true, "G-EUUA")), true},
        {"static that leaves",
         statics(lf_staticAircraft(4, "BAW1*", LiveState::inSimulator, false)), false},
        // On the searched stand itself it is not elsewhere: the renewal keeps it there.
        {"static that stays on this stand, callsign",
         statics(lf_staticAircraft(1, "BAW1*", LiveState::inSimulator, true)), false},
        {"static that stays on this stand, registration",
         statics(lf_staticAircraft(1, "XXX9*", LiveState::inSimulator, true, "G-EUUA")), false},
        {"static not yet in the simulator",
         statics(lf_staticAircraft(4, "BAW1*", LiveState::creationRequested, true)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        chosen.clear();
        trafficState.seenCallsigns.clear();
        trafficState.standsToFill.clear();
        trafficState.parkedLive.clear();
        trafficState.statics.clear();
        ParkPosition& stand = addStand("A1");
        stand.observations = {gf_testOption(1, 3, {20, 21})};
        stand.observations[0].coupledCallsign = "SHT1";
        c.setup(*this);
        const std::vector<std::string> got = search(gf_packDayHalfHour(3, 20), 0);
        EXPECT_EQ(stand.observations[0].excluded, c.excluded);
        EXPECT_EQ(stand.observations[0].sequenceNumber, 1u); // excluded, not renumbered
        EXPECT_EQ(got.size(), c.excluded ? 0u : 1u);
        EXPECT_EQ(stand.taken, !c.excluded);
    }
}

TEST_F(StandSearchTest, AnEmptyTextNeverExcludesOrKeeps) {
    // An option without coupled callsign and registration against entries whose texts are
    // empty too.
    ParkPosition& stand = addStand("A1");
    stand.observations = {gf_testOption(1, 3, {20})};
    stand.observations[0].registration = "";
    chosen = {LearnedCandidate{}};
    trafficState.seenCallsigns = {"", "_"};
    trafficState.standsToFill = {StandToFill{}};
    trafficState.parkedLive = {{"", 5, 0}};
    trafficState.statics = {lf_staticAircraft(4, "*", LiveState::inSimulator, true, "")};
    EXPECT_EQ(search(gf_packDayHalfHour(3, 20), 0), std::vector<std::string>{"1  BAW1: 0 stays"});
    EXPECT_FALSE(stand.observations[0].excluded);

    // Nor does a static "*" keep an option without coupled callsign among several.
    stand.taken = false;
    stand.observations = {gf_testOption(1, 3, {20}), gf_testOption(2, 3, {20})};
    stand.observations[0].callsign = "";
    stand.observations[1].callsign = "";
    trafficState.statics = {lf_staticAircraft(1, "*", LiveState::inSimulator, false, "")};
    ScriptedRandom random({1});
    search(gf_packDayHalfHour(3, 20), 0);
    EXPECT_EQ(random.bounds(), std::vector<std::uint32_t>{2});
}

TEST_F(StandSearchTest, TheStaysFlagLooksAtTheNextHalfHour) {
    struct Case {
        const char* name;
        int slot;
        std::string coupled;
        std::vector<int> slots;
        std::function<void(ParkPosition&)> more;
        bool stays;
    };
    const auto nextDay = [](std::string type, bool excluded) {
        return [type, excluded](ParkPosition& s) {
            s.observations.push_back(gf_testOption(2, 4, {0}));
            s.observations.back().type = type;
            s.observations.back().registration = "G-OTHR";
            s.observations.back().excluded = excluded;
        };
    };
    const auto none = [](ParkPosition&) {};
    const Case cases[] = {
        {"no coupled callsign", 20, "", {20}, none, true},
        {"coupled, there at slot 21", 20, "SHT1", {20, 21}, none, true},
        {"coupled, gone at slot 21", 20, "SHT1", {20}, none, false},
        {"slot 47, the next day's option", 47, "SHT1", {47}, nextDay("A320", false), true},
        {"slot 47, another type next day", 47, "SHT1", {47}, nextDay("A319", false), false},
        {"slot 47, excluded next day", 47, "SHT1", {47}, nextDay("A320", true), false},
        {"slot 47, nothing next day", 47, "SHT1", {47}, none, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        ParkPosition& stand = addStand("A1");
        stand.observations = {gf_testOption(1, 3, {})};
        for (const int s : c.slots) {
            stand.observations[0].halfHours.set(static_cast<std::size_t>(s));
        }
        stand.observations[0].coupledCallsign = c.coupled;
        c.more(stand);
        search(gf_packDayHalfHour(3, c.slot), 0);
        ASSERT_EQ(plan.size(), 1u);
        EXPECT_EQ(plan[0].stays, c.stays);
        EXPECT_EQ(plan[0].coupledCallsign, c.coupled);
    }
    // The current half hour counts, not the searched one: at slot 20 with offset 2 the option
    // of slot 18 stays only when it holds slot 21.
    stands().clear();
    ParkPosition& stand = addStand("A1");
    stand.observations = {gf_testOption(1, 3, {18, 19})};
    stand.observations[0].coupledCallsign = "SHT1";
    search(gf_packDayHalfHour(3, 20), 2);
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_FALSE(plan[0].stays);
}

TEST_F(StandSearchTest, AnExceptionEndsTheSearchAndKeepsWhatWasPlanned) {
    // Slot -2 searches slot 46 of the day before; the stays test of a coupled option then looks
    // at slot -1 and fails.
    ParkPosition& a = addStand("A1");
    ParkPosition& b = addStand("A2", 100.0);
    ParkPosition& c = addStand("A3", 200.0);
    a.observations = {gf_testOption(1, 2, {46})};
    b.observations = {gf_testOption(1, 2, {46})};
    b.observations[0].coupledCallsign = "SHT1";
    b.observations[0].registration = "G-B";
    c.observations = {gf_testOption(1, 2, {46})};
    c.observations[0].registration = "G-C";
    EXPECT_EQ(search(gf_packDayHalfHour(3, -2), 0),
              std::vector<std::string>{"1 G-EUUA BAW1: 0 stays"});
    EXPECT_EQ(harness.log().body().back(),
              "exception in lf_searchStands, day: 3, offset 0: invalid bitset position");
    EXPECT_TRUE(a.taken);
    EXPECT_FALSE(b.taken || c.taken);
}

TEST_F(StandSearchTest, AnExcludedOptionIsSkippedButLearnedOnAndSaved) {
    ParkPosition& stand = addStand("A1");
    stand.observations = {gf_testOption(1, 3, {20})};
    stand.observations[0].coupledCallsign = "BAW9";
    trafficState.seenCallsigns = {"BAW1"};
    EXPECT_TRUE(search(gf_packDayHalfHour(3, 20), 0).empty());
    ASSERT_TRUE(stand.observations[0].excluded);

    // Later searches pass it over even when its aircraft is no longer live.
    trafficState.seenCallsigns.clear();
    EXPECT_TRUE(search(gf_packDayHalfHour(3, 20), 0).empty());
    trafficState.realFitOffset = 2;
    EXPECT_FALSE(lf_sameTypeOnStandRecently(gf_packDayHalfHour(3, 21), 1, "BAW", "A320"));
    Flight flight;
    EXPECT_FALSE(gf_findStandOption(stand.observations, "BAW1", flight));
    LiveAircraft live = gf_testAircraft(0x4ca002, "BAW9", "G-EUUA");
    ksb::lf_searchForCoupledCsAroundThisTime(gf_packDayHalfHour(3, 20), live);
    EXPECT_EQ(live.coupledCallsign, "");

    // Its aircraft parking again extends it.
    LiveAircraft aircraft = gf_testAircraft(0x4ca001, "BAW1", "G-EUUA");
    EXPECT_TRUE(lf_addRealOption(1, aircraft, false, gf_packDayHalfHour(3, 22), false));
    ASSERT_EQ(stand.observations.size(), 1u);
    EXPECT_EQ(ksb::test::gf_optionText(stand.observations[0]), "1 day 3 hh 20,22 BAW1:BAW9");

    // And the learned file holds it.
    ScannedAirport airport;
    airport.ident = "EGLL";
    airport.airportName = "Heathrow";
    airport.publisher = "stock";
    airport.stands = stands();
    const std::filesystem::path path = harness.log().folder() / "EGLL.xml";
    ASSERT_TRUE(gf_saveApf(airport, path, true, false));
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(path.c_str()));
    std::vector<ParkPosition> readBack;
    lf_readParkPositions(doc, readBack);
    ASSERT_EQ(readBack.size(), 1u);
    ASSERT_EQ(readBack[0].observations.size(), 1u);
    // The reader leaves the learned flag to its caller.
    EXPECT_EQ(ksb::test::gf_optionText(readBack[0].observations[0]),
              "1 day 3 hh 20,22 BAW1:BAW9 file");
    EXPECT_FALSE(readBack[0].observations[0].excluded);
}

TEST_F(StandSearchTest, ASeedGivesTheSamePlanAsItsReferenceGenerator) {
    const auto build = [] {
        stands().clear();
        for (int s = 0; s < 3; ++s) {
            ParkPosition& stand = ksb::test::StandTest::stands().emplace_back();
            stand.standId = static_cast<std::uint32_t>(s + 1);
            stand.name = "S" + std::to_string(s + 1);
            for (std::uint32_t n = 1; n <= 4; ++n) {
                stand.observations.push_back(gf_testOption(n, 3, {20}));
                stand.observations.back().registration = stand.name + "-" + std::to_string(n);
            }
        }
    };
    const auto run = [this, &build] {
        build();
        gf_setRandomSeedForTests(2026);
        return search(gf_packDayHalfHour(3, 20), 0);
    };
    const std::vector<std::string> first = run();
    EXPECT_EQ(run(), first);

    std::mt19937 reference(2026);
    std::vector<std::string> predicted;
    for (int s = 1; s <= 3; ++s) {
        std::vector<int> numbers{1, 2, 3, 4};
        for (std::size_t i = numbers.size() - 1; i >= 1; --i) {
            std::swap(numbers[i], numbers[reference() % (i + 1)]);
        }
        predicted.push_back(std::to_string(s) + " S" + std::to_string(s) + "-" +
                            std::to_string(numbers[0]) + " BAW1: 0 stays");
    }
    EXPECT_EQ(first, predicted);
    gf_setRandomSeedForTests(std::nullopt);
}

TEST_F(StandSearchTest, RecentUseReachesBackIntoThePreviousDay) {
    struct Case {
        const char* name;
        int realOffset;
        int softOffset;
        int day;
        int slot;
        std::vector<StandObservation> options;
        bool recent;
        std::uint32_t standId = 1;
    };
    const auto other = [](StandObservation o, std::string airline, std::string type) {
        o.airline = airline;
        o.type = type;
        return o;
    };
    StandObservation excluded = gf_testOption(1, 3, {18});
    excluded.excluded = true;
    const Case cases[] = {
        {"inside the range", 3, -1, 3, 20, {gf_testOption(1, 3, {17})}, true},
        {"the soft offset when larger", -1, 3, 3, 20, {gf_testOption(1, 3, {17})}, true},
        {"before the range", 2, 1, 3, 20, {gf_testOption(1, 3, {17})}, false},
        {"after the time", 3, -1, 3, 20, {gf_testOption(1, 3, {21})}, false},
        {"another day", 3, -1, 3, 20, {gf_testOption(1, 4, {19})}, false},
        {"another airline", 3, -1, 3, 20, {other(gf_testOption(1, 3, {19}), "EZY", "A320")}, false},
        {"another type", 3, -1, 3, 20, {other(gf_testOption(1, 3, {19}), "BAW", "A319")}, false},
        {"number 0", 3, -1, 3, 20, {gf_testOption(0, 3, {19})}, false},
        {"excluded", 3, -1, 3, 20, {excluded}, false},
        {"carried into the day before",
         3,
         -1,
         3,
         1,
         {gf_testOption(1, 3, {}), gf_testOption(2, 2, {46})},
         true},
        {"carried one slot further",
         3,
         -1,
         3,
         1,
         {gf_testOption(1, 3, {}), gf_testOption(2, 2, {45})},
         true},
        {"beyond the carry",
         3,
         -1,
         3,
         1,
         {gf_testOption(1, 3, {}), gf_testOption(2, 2, {44})},
         false},
        {"no carry without an option of the day", 3, -1, 3, 1, {gf_testOption(2, 2, {46})}, false},
        {"Monday carries into Sunday",
         3,
         -1,
         1,
         0,
         {gf_testOption(1, 1, {}), gf_testOption(2, 7, {47})},
         true},
        {"negative offsets: the slot itself", -1, -1, 3, 20, {gf_testOption(1, 3, {20})}, true},
        {"negative offsets: not the slot before",
         -1,
         -1,
         3,
         20,
         {gf_testOption(1, 3, {19})},
         false},
        {"offsets capped at 47", 60, -1, 3, 47, {gf_testOption(1, 3, {0})}, true},
        {"unknown stand", 3, -1, 3, 20, {gf_testOption(1, 3, {20})}, false, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        addStand("A1").observations = c.options;
        trafficState.realFitOffset = c.realOffset;
        trafficState.softFitOffset = c.softOffset;
        EXPECT_EQ(
            lf_sameTypeOnStandRecently(gf_packDayHalfHour(c.day, c.slot), c.standId, "BAW", "A320"),
            c.recent);
    }
}

} // namespace
