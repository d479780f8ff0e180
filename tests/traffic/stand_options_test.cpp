// The operations on stand options: matching, the range test, adding and marking a slot.
#include "traffic/stand_options.h"

#include "core/flight_text.h"

#include "stand_test_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using ksb::test::gf_optionText;
using ksb::test::gf_testOption;
using ksb::test::StandTest;

class StandOptionsTest : public StandTest {};

TEST_F(StandOptionsTest, AnOptionMatchesByCallsignOrAirlineAndTypeWhenItCounts) {
    Flight flight;
    flight.airline = "BAW";
    flight.type = "A320";
    struct Case {
        const char* name;
        std::function<void(StandObservation&)> change;
        std::string key;
        bool matches;
        bool found; // by gf_findStandOption over a list of that option alone
    };
    const Case cases[] = {
        {"callsign", [](StandObservation&) {}, "BAW1", true, true},
        {"coupled callsign", [](StandObservation&) {}, "BAW2", true, true},
        {"neither callsign", [](StandObservation&) {}, "EZY5", false, false},
        {"airline and type", [](StandObservation& o) { o.airline = "BAW", o.type = "A320"; },
         "EZY5", true, true},
        {"airline alone", [](StandObservation& o) { o.airline = "BAW"; }, "EZY5", false, false},
        {"type alone", [](StandObservation& o) { o.type = "A320"; }, "EZY5", false, false},
        {"number 0", [](StandObservation& o) { o.sequenceNumber = 0; }, "BAW1", false, false},
        {"excluded", [](StandObservation& o) { o.excluded = true; }, "BAW1", false, false},
        {"soft", [](StandObservation& o) { o.soft = true; }, "BAW1", false, false},
        {"empty key, airline and type",
         [](StandObservation& o) { o.airline = "BAW", o.type = "A320"; }, "", true, false},
        {"empty key, no coupled callsign", [](StandObservation& o) { o.coupledCallsign = ""; }, "",
         true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StandObservation option = gf_testOption(3, 2, {20});
        option.airline = "EZY";
        option.type = "A319";
        option.coupledCallsign = "BAW2";
        c.change(option);
        EXPECT_EQ(gf_standOptionMatches(c.key, flight, option), c.matches);
        EXPECT_EQ(gf_findStandOption({option}, c.key, flight), c.found);
    }
    // Any option of the list will do.
    StandObservation other = gf_testOption(1, 2, {});
    other.callsign = "EZY5";
    EXPECT_TRUE(gf_findStandOption({gf_testOption(0, 2, {}), other}, "EZY5", flight));
    EXPECT_FALSE(gf_findStandOption({}, "EZY5", flight));
}

TEST_F(StandOptionsTest, TheRangeTestCarriesIntoThePreviousDay) {
    struct Case {
        const char* name;
        int start;
        int count;
        std::vector<int> slots;
        bool hit;
        int carry;
    };
    const Case cases[] = {
        {"2 over 5 reaches below 0", 2, 5, {3}, false, 3},
        {"2 over 5 finds slot 0", 2, 5, {0}, true, -1},
        {"the start itself", 20, 0, {20}, true, -1},
        {"47 over 3 finds 44", 47, 3, {44}, true, -1},
        {"47 over 3 stops at 44", 47, 3, {43}, false, -1},
        {"1 over 1 ends at slot 0 without carry", 1, 1, {}, false, -1},
        {"0 over 47: carry capped at 46", 0, 47, {}, false, 46},
        {"0 over 46", 0, 46, {}, false, 46},
        {"5 over 20", 5, 20, {}, false, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StandObservation option = gf_testOption(1, 3, {});
        for (const int slot : c.slots) {
            option.halfHours.set(static_cast<std::size_t>(slot));
        }
        int carry = 99;
        EXPECT_EQ(testRange(option, c.start, c.count, carry), c.hit);
        EXPECT_EQ(carry, c.carry);
    }

    const StandObservation full = [] {
        StandObservation o = gf_testOption(1, 3, {});
        o.halfHours.set();
        return o;
    }();
    for (const int start : {48, -1}) {
        SCOPED_TRACE(start);
        int carry = 99;
        EXPECT_FALSE(testRange(full, start, 5, carry));
        EXPECT_EQ(carry, -1);
        EXPECT_EQ(harness.log().body().back(),
                  "===> exception invalid bitset position in testRange, start: " +
                      std::to_string(start) + ", offset: 5");
    }
}

TEST_F(StandOptionsTest, MarkingASlotLearnsTheCallsigns) {
    struct Case {
        const char* name;
        std::string optionCallsign;
        std::string given;
        std::uint32_t number;
        bool result;
        std::string expected; // text of option 2 afterwards
    };
    const Case cases[] = {
        {"empty callsign changes no callsign", "BAW1", "", 2, true, "2 day 3 hh 20,21 BAW1:BAW2"},
        {"the first callsign", "", "BAW7", 2, true, "2 day 3 hh 20,21 BAW7:BAW2"},
        {"the option's callsign", "BAW1", "BAW1", 2, true, "2 day 3 hh 20,21 BAW1:BAW2"},
        {"the coupled callsign", "BAW1", "BAW2", 2, true, "2 day 3 hh 20,21 BAW1:BAW2"},
        {"a new one replaces the coupled", "BAW1", "BAW9", 2, true, "2 day 3 hh 20,21 BAW1:BAW9"},
        {"a ghost's mark is dropped", "BAW1", "BAW9_", 2, true, "2 day 3 hh 20,21 BAW1:BAW9"},
        {"a missing number", "BAW1", "BAW9", 7, false, "2 day 3 hh 20 BAW1:BAW2"},
        {"number 0 never answers", "BAW1", "BAW9", 0, false, "2 day 3 hh 20 BAW1:BAW2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParkPosition stand;
        stand.observations = {gf_testOption(0, 3, {}), gf_testOption(2, 3, {20}),
                              gf_testOption(2, 3, {})};
        stand.observations[1].callsign = c.optionCallsign;
        stand.observations[1].coupledCallsign = "BAW2";
        EXPECT_EQ(gf_updateStandOption(stand, gf_packDayHalfHour(3, 21), c.number, c.given),
                  c.result);
        EXPECT_EQ(gf_optionText(stand.observations[1]), c.expected);
        // Only the first option of the number answers.
        EXPECT_TRUE(stand.observations[0].halfHours.none());
        EXPECT_TRUE(stand.observations[2].halfHours.none());
    }

    ParkPosition stand;
    stand.observations = {gf_testOption(2, 3, {20})};
    stand.observations[0].coupledCallsign = "BAW2";
    EXPECT_FALSE(gf_updateStandOption(stand, gf_packDayHalfHour(3, 48), 2, "BAW9"));
    EXPECT_EQ(harness.log().body().back(),
              "Update Option exception invalid bitset position 2 BAW A320 G-EUUA BAW1:BAW2 day 3 "
              "hh 20");
    EXPECT_EQ(gf_optionText(stand.observations[0]), "2 day 3 hh 20 BAW1:BAW2");
}

TEST_F(StandOptionsTest, AnAddedOptionIsNumberedAndNamedFromTheDatabase) {
    Flight flight;
    flight.airline = "EZY";
    flight.type = "A319";
    struct Case {
        const char* name;
        std::vector<std::uint32_t> numbers; // of the options before
        std::string registration;
        std::string callsign;
        bool soft;
        std::uint32_t number;
        std::size_t size;
        std::string airlineType;
        std::string callsignStored;
    };
    const Case cases[] = {
        {"first option", {}, "G-EUUA", "BAW1", false, 1, 1, "BAW A320", "BAW1"},
        {"after trailing number-0 options",
         {1, 3, 0, 0},
         "G-EUUA",
         "BAW1",
         false,
         4,
         3,
         "BAW A320",
         "BAW1"},
        {"number 0 inside the list stays",
         {1, 0, 2},
         "G-EUUA",
         "BAW1",
         false,
         3,
         4,
         "BAW A320",
         "BAW1"},
        {"one trailing '_' dropped", {}, "G-EUUA", "BAW1__", false, 1, 1, "BAW A320", "BAW1_"},
        {"operator code first", {}, "G-EUPT", "SHT4", false, 1, 1, "SHT A320", "SHT4"},
        {"hyphenated spelling", {}, "DAIPA", "DLH4", true, 1, 1, "DLH A320", "DLH4"},
        {"unknown registration: the flight's",
         {},
         "G-ZZZZ",
         "EZY5",
         false,
         1,
         1,
         "EZY A319",
         "EZY5"},
        {"no registration: the flight's", {}, "", "EZY5", true, 1, 1, "EZY A319", "EZY5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParkPosition stand;
        for (const std::uint32_t number : c.numbers) {
            stand.observations.push_back(gf_testOption(number, 1, {}));
        }
        EXPECT_EQ(gf_addStandOption(stand, flight, c.soft, gf_packDayHalfHour(6, 33), c.callsign,
                                    c.registration),
                  c.number);
        ASSERT_EQ(stand.observations.size(), c.size);
        const StandObservation& added = stand.observations.back();
        EXPECT_EQ(gf_airlineTypeKey(added), c.airlineType);
        EXPECT_EQ(added.registration, c.registration);
        EXPECT_EQ(added.callsign, c.callsignStored);
        EXPECT_EQ(added.coupledCallsign, "");
        EXPECT_EQ(added.sequenceNumber, c.number);
        EXPECT_EQ(added.day, 6);
        EXPECT_EQ(added.halfHours, std::bitset<48>().set(33));
        EXPECT_TRUE(added.learned);
        EXPECT_EQ(added.soft, c.soft);
        EXPECT_FALSE(added.excluded);
    }

    // A slot out of range changes nothing, not even the trailing number-0 options.
    ParkPosition stand;
    stand.observations = {gf_testOption(1, 1, {}), gf_testOption(0, 1, {})};
    try {
        gf_addStandOption(stand, flight, false, gf_packDayHalfHour(6, 48), "EZY5", "");
        FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "invalid bitset position");
    }
    EXPECT_EQ(stand.observations.size(), 2u);
}

} // namespace
