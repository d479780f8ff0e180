// The choice of the stand on which an aircraft that stopped near stands is learned softly.
#include "traffic/stand_search.h"

#include "traffic/stand_options.h"

#include "stand_test_fixture.h"
#include "support/scripted_random.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ksb::test::gf_testAircraft;
using ksb::test::gf_testOption;
using ksb::test::ScriptedRandom;
using ksb::test::StandTest;

const DayHalfHour kTime = gf_packDayHalfHour(3, 20);

class SoftStandTest : public StandTest {
protected:
    // A stand of the kind: "G" gate, "R" ramp, "C" cargo, "H" heli (first letter of its name).
    ParkPosition& kindStand(const std::string& name, double radiusMetres = 20.0) {
        ParkPosition& stand =
            addStand(name, 100.0 * static_cast<double>(stands().size()), radiusMetres);
        stand.ramp = name[0] == 'R';
        stand.cargo = name[0] == 'C';
        stand.heli = name[0] == 'H';
        return stand;
    }
    static std::string found(const ParkPosition* stand) { return stand ? stand->name : "none"; }
};

TEST_F(SoftStandTest, ThePassesFollowTheKindOfAircraft) {
    struct Case {
        const char* name;
        std::vector<std::string> stands;
        AircraftCategory category;
        bool cargo;
        std::string airline;
        std::string airport;
        std::vector<std::uint32_t> draws; // the nine-in-ten draw when there is one
        std::string expected;
    };
    using C = AircraftCategory;
    const std::vector<std::string> all{"G1", "R1", "C1", "H1"};
    const Case cases[] = {
        {"rotorcraft: heli stand", all, C::rotorcraft, false, "BAW", "EGLL", {}, "H1"},
        {"rotorcraft: ramp without heli",
         {"G1", "R1", "C1"},
         C::rotorcraft,
         false,
         "BAW",
         "EGLL",
         {},
         "R1"},
        {"rotorcraft: never a gate", {"G1", "C1"}, C::rotorcraft, false, "BAW", "EGLL", {}, "none"},
        {"cargo: cargo stand", all, C::large, true, "BAW", "EGLL", {}, "C1"},
        {"cargo: small cargo stand before a gate",
         {"G1", "Cs"},
         C::large,
         true,
         "BAW",
         "EGLL",
         {},
         "Cs"},
        {"cargo: any fitting stand but heli",
         {"H1", "R1"},
         C::large,
         true,
         "BAW",
         "EGLL",
         {},
         "R1"},
        {"cargo: any stand but heli", {"H1", "Gs"}, C::large, true, "BAW", "EGLL", {}, "Gs"},
        {"light: ramp", all, C::light, false, "BAW", "EGLL", {}, "R1"},
        {"light: only ramp", {"G1", "C1"}, C::light, false, "BAW", "EGLL", {}, "none"},
        {"business jet: ramp", all, C::buzjet, false, "BAW", "EGLL", {}, "R1"},
        {"PVT: ramp", all, C::large, false, "PVT", "EGLL", {}, "R1"},
        {"'K' airport: gate without a draw", all, C::large, false, "AAL", "KJFK", {}, "G1"},
        {"'K' airport: ramp when no gate", {"R1", "C1"}, C::large, false, "AAL", "KJFK", {}, "R1"},
        {"nine in ten: gate", all, C::large, false, "BAW", "EGLL", {10}, "G1"},
        {"one in ten: ramp", all, C::large, false, "BAW", "EGLL", {9}, "R1"},
        {"one in ten: gate when no ramp",
         {"G1", "C1"},
         C::large,
         false,
         "BAW",
         "EGLL",
         {109},
         "G1"},
        {"heavy: nine in ten", all, C::heavy, false, "BAW", "EGLL", {99}, "G1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        gf_parkAirportState().name = c.airport;
        for (const std::string& name : c.stands) {
            // "s": a stand too small for the A320.
            kindStand(name, name[1] == 's' ? 10.0 : 20.0);
        }
        LiveAircraft aircraft = gf_testAircraft(0x4ca001, "BAW1", "G-EUUA", c.airline);
        aircraft.category = c.category;
        aircraft.cargo = c.cargo;
        if (c.category == C::rotorcraft) {
            aircraft.halfWingSpan = 5.0 * kNMPerMetre;
        }
        ScriptedRandom random(c.draws);
        EXPECT_EQ(found(gf_findSoftStand(kTime, aircraft, false)), c.expected);
        EXPECT_EQ(random.bounds(), std::vector<std::uint32_t>(c.draws.size(), 100));
    }
}

TEST_F(SoftStandTest, TheBestFittingAndMatchingStandWins) {
    gf_parkAirportState().name = "KJFK"; // no nine-in-ten draw
    const LiveAircraft aircraft = gf_testAircraft(0x4ca001, "BAW1", "G-EUUA");
    // A320 half span 17.05 m: a 20 m stand scores 0, 25 m 1 (0.57 steps), 40 m 2 (1.64 steps).
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, double>> stands;
        std::vector<std::string> matching; // stands with an option of BAW1 at another time
        std::vector<std::uint32_t> draws;
        std::string expected;
    };
    const Case cases[] = {
        {"the smaller score after the shuffle", {{"G40", 40.0}, {"G25", 25.0}}, {}, {0}, "G25"},
        {"a worse score later is not taken", {{"G25", 25.0}, {"G40", 40.0}}, {}, {}, "G25"},
        {"too small for a fit: any", {{"G10", 10.0}}, {}, {}, "G10"},
        {"the overhang allowed", {{"G15", 15.3}, {"G10", 10.0}}, {}, {}, "G15"},
        {"equals in shuffled order", {{"G20", 20.0}, {"G21", 21.0}}, {}, {0}, "G21"},
        {"equals, the draw leaves them", {{"G20", 20.0}, {"G21", 21.0}}, {}, {1}, "G20"},
        {"matching first", {{"G20", 20.0}, {"G21", 21.0}}, {"G21"}, {1}, "G21"},
        {"matching less than the best is not taken",
         {{"G40", 40.0}, {"G20", 20.0}},
         {"G40"},
         {},
         "G40"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        for (const auto& [name, radius] : c.stands) {
            ParkPosition& stand =
                addStand(name, 100.0 * static_cast<double>(stands().size()), radius);
            for (const std::string& m : c.matching) {
                if (m == name) {
                    stand.observations = {gf_testOption(1, 5, {3})};
                }
            }
        }
        ScriptedRandom random(c.draws);
        EXPECT_EQ(found(gf_findSoftStand(kTime, aircraft, false)), c.expected);
        EXPECT_EQ(random.left(), 0u);
    }
}

TEST_F(SoftStandTest, AStandUsedAtThatHalfHourIsSkipped) {
    gf_parkAirportState().name = "KJFK";
    const LiveAircraft aircraft = gf_testAircraft(0x4ca001, "EZY5", "G-EZAA", "EZY", "A319");
    struct Case {
        const char* name;
        StandObservation option;
        bool skipped;
    };
    StandObservation excluded = gf_testOption(1, 3, {20});
    excluded.excluded = true;
    StandObservation soft = gf_testOption(1, 3, {20});
    soft.soft = true;
    const Case cases[] = {
        {"used then", gf_testOption(1, 3, {20}), true},
        {"used softly then", soft, true},
        {"used another day", gf_testOption(1, 4, {20}), false},
        {"used another half hour", gf_testOption(1, 3, {21}), false},
        {"number 0", gf_testOption(0, 3, {20}), false},
        {"excluded", excluded, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        addStand("G1").observations = {c.option};
        addStand("G2", 100.0, 40.0); // scores worse
        EXPECT_EQ(found(gf_findSoftStand(kTime, aircraft, false)), c.skipped ? "G2" : "G1");
    }

    // The heli pass takes used heli and ramp stands at last, without scoring.
    stands().clear();
    LiveAircraft helicopter = gf_testAircraft(0x4ca002, "HELI1", "G-HELI", "BAW", "EC35");
    helicopter.category = AircraftCategory::rotorcraft;
    helicopter.halfWingSpan = 5.0 * kNMPerMetre;
    kindStand("H1", 60.0).observations = {gf_testOption(1, 3, {20})};
    kindStand("R1", 30.0).observations = {gf_testOption(1, 3, {20})};
    kindStand("Hs", 2.0); // the rotor overhangs by more than 1.8 m
    EXPECT_EQ(found(gf_findSoftStand(kTime, helicopter, false)), "H1");
}

TEST_F(SoftStandTest, ASmallAirportTriesTheNextHalfHour) {
    gf_parkAirportState().name = "KJFK";
    const LiveAircraft aircraft = gf_testAircraft(0x4ca001, "EZY5", "G-EZAA", "EZY", "A319");
    struct Case {
        const char* name;
        int stands;
        DayHalfHour time;
        bool mayTryNext;
        std::string expected;
    };
    const Case cases[] = {
        {"10 stands", 10, gf_packDayHalfHour(3, 20), true, "S10"},
        {"11 stands", 11, gf_packDayHalfHour(3, 20), true, "none"},
        {"not asked to", 10, gf_packDayHalfHour(3, 20), false, "none"},
        {"Sunday's last half hour: Monday's first", 10, gf_packDayHalfHour(7, 47), true, "S10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        const int day = gf_weekdayOf(c.time);
        const int slot = gf_halfHourOfPair(c.time);
        const int nextDay = slot == 47 ? (day == 7 ? 1 : day + 1) : day;
        const int nextSlot = slot == 47 ? 0 : slot + 1;
        for (int i = 1; i <= c.stands; ++i) {
            ParkPosition& stand = addStand("S" + std::to_string(i), 100.0 * i);
            stand.observations = {gf_testOption(1, day, {slot})};
            if (i != 10) {
                // Used in the next half hour too; only S10 is free then.
                stand.observations.push_back(gf_testOption(2, nextDay, {nextSlot}));
            }
        }
        EXPECT_EQ(found(gf_findSoftStand(c.time, aircraft, c.mayTryNext)), c.expected);
    }
}

TEST_F(SoftStandTest, SoftLearningAsTheGroundPassWillCallIt) {
    gf_parkAirportState().name = "KJFK";
    addStand("G1");
    LiveAircraft aircraft = gf_testAircraft(0x4ca001, "EZY5", "G-EZAA", "EZY", "A319");
    const auto learnSoft = [&aircraft](DayHalfHour t) {
        if (!lf_markLastLearned(t, aircraft.flightKey, false)) {
            return std::string("throttled");
        }
        ParkPosition* stand = gf_findSoftStand(t, aircraft, true);
        if (stand == nullptr || !lf_addSoftOption(stand->standId, aircraft, false, t)) {
            lf_removeLastLearned(aircraft.flightKey);
            return std::string("refused");
        }
        return stand->name;
    };
    EXPECT_EQ(learnSoft(gf_packDayHalfHour(3, 20)), "G1");
    EXPECT_EQ(learnSoft(gf_packDayHalfHour(3, 21)), "throttled");
    // 1.5 hours later it is learned again, into its own option of the day.
    EXPECT_EQ(learnSoft(gf_packDayHalfHour(3, 20 + 3)), "G1");
    EXPECT_EQ(ksb::test::gf_optionText(stands()[0].observations[0]), "1 day 3 hh 20,23 EZY5: soft");
    // An airport file's soft option of its registration refuses it, and the flight may be
    // learned again at once.
    StandObservation fileSoft = gf_testOption(2, 4, {});
    fileSoft.registration = "G-EZAA";
    fileSoft.soft = true;
    fileSoft.learned = false;
    stands()[0].observations.push_back(fileSoft);
    EXPECT_EQ(learnSoft(gf_packDayHalfHour(4, 30)), "refused");
    EXPECT_TRUE(trafficState.lastLearned.empty());

    // The soft option never blocks real learning of the same aircraft at the same time.
    EXPECT_TRUE(lf_addRealOption(1, aircraft, false, gf_packDayHalfHour(3, 20), false));
    EXPECT_EQ(ksb::test::gf_optionText(stands()[0].observations.back()), "3 day 3 hh 20 EZY5:");
}

} // namespace
