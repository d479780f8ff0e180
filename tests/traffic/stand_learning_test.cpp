// Real and soft learning from live aircraft on the park airport's stands, with the gap filling
// and the throttle of soft learning.
#include "traffic/stand_options.h"

#include "stand_test_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using ksb::test::gf_optionText;
using ksb::test::gf_testAircraft;
using ksb::test::gf_testOption;
using ksb::test::StandTest;

constexpr std::uint32_t kKey = 0x4ca001;

class StandLearningTest : public StandTest {
protected:
    StandLearningTest() { addStand("A1"); }

    static std::vector<std::string> optionTexts() {
        std::vector<std::string> texts;
        for (const StandObservation& option : stands()[0].observations) {
            texts.push_back(gf_optionText(option));
        }
        return texts;
    }
};

// One call of the real learning: placement and arrival (continued and leaving clear) or the
// departure (both set).
struct RealCall {
    int day;
    int slot;
    bool departure = false;
    bool result = true;
    std::string callsign = "BAW1";
    std::uint32_t standId = 1;
};

TEST_F(StandLearningTest, RealLearningRecordsAndFillsTheHalfHours) {
    struct Case {
        const char* name;
        std::vector<StandObservation> before;
        std::vector<RealCall> calls;
        std::vector<std::string> options;
        std::optional<StandSearchEntry> entry; // the aircraft's real-map entry afterwards
        int updates;
        std::string registration = "G-EUUA";
    };
    StandObservation fileOption = gf_testOption(1, 3, {});
    fileOption.learned = false;
    StandObservation softOption = gf_testOption(1, 3, {20});
    softOption.soft = true;
    StandObservation excludedOption = gf_testOption(1, 3, {20});
    excludedOption.excluded = true;
    const Case cases[] = {
        {"arrival", {}, {{3, 20}}, {"1 day 3 hh 20 BAW1:"}, StandSearchEntry{3, 20, 1}, 1},
        {"departure 3 half hours later fills the gap",
         {},
         {{3, 20}, {3, 23, true}},
         {"1 day 3 hh 20,21,22,23 BAW1:"},
         std::nullopt,
         2},
        {"departure 7 half hours later fills nothing",
         {},
         {{3, 20}, {3, 27, true}},
         {"1 day 3 hh 20,27 BAW1:"},
         std::nullopt,
         2},
        {"departure 5 half hours later is the longest gap filled",
         {},
         {{3, 20}, {3, 25, true}},
         {"1 day 3 hh 20,21,22,23,24,25 BAW1:"},
         std::nullopt,
         2},
        {"departing under a new callsign learns the couple",
         {},
         {{3, 20}, {3, 22, true, true, "BAW2"}},
         {"1 day 3 hh 20,21,22 BAW1:BAW2"},
         std::nullopt,
         2},
        {"across midnight: a new option for the new day",
         {},
         {{3, 46}, {4, 1, true}},
         {"1 day 3 hh 46,47 BAW1:", "2 day 4 hh 0,1 BAW1:"},
         std::nullopt,
         2},
        {"across the week's end",
         {},
         {{7, 47}, {1, 0, true}},
         {"1 day 7 hh 47 BAW1:", "2 day 1 hh 0 BAW1:"},
         std::nullopt,
         2},
        {"across midnight onto an option of an earlier week",
         {gf_testOption(1, 4, {30})},
         {{3, 46}, {4, 1, true}},
         {"1 day 4 hh 0,1,30 BAW1:", "2 day 3 hh 46,47 BAW1:"},
         std::nullopt,
         2},
        {"across midnight more than 5 apart",
         {},
         {{3, 40}, {4, 1, true}},
         {"1 day 3 hh 40 BAW1:", "2 day 4 hh 1 BAW1:"},
         StandSearchEntry{4, 1, 2},
         2},
        {"an airport file's option blocks",
         {fileOption},
         {{3, 20, false, false}, {3, 21, true, false}},
         {"1 day 3 hh  BAW1: file"},
         std::nullopt,
         0},
        {"a soft option of the registration is passed over",
         {softOption},
         {{3, 20}},
         {"1 day 3 hh 20 BAW1: soft", "2 day 3 hh 20 BAW1:"},
         StandSearchEntry{3, 20, 2},
         1},
        {"a second arrival on the same day",
         {},
         {{3, 20}, {3, 30}, {3, 30, false, false}},
         {"1 day 3 hh 20,30 BAW1:"},
         StandSearchEntry{3, 20, 1},
         2},
        {"its own excluded option is extended",
         {excludedOption},
         {{3, 21}},
         {"1 day 3 hh 20,21 BAW1:"},
         std::nullopt,
         1},
        {"departure at a slot already set forgets the aircraft",
         {},
         {{3, 20}, {3, 20, true, false}},
         {"1 day 3 hh 20 BAW1:"},
         std::nullopt,
         1},
        {"departure without an arrival",
         {gf_testOption(1, 3, {20})},
         {{3, 25, true}},
         {"1 day 3 hh 20,25 BAW1:"},
         std::nullopt,
         1},
        {"no registration", {}, {{3, 20, false, false}}, {}, std::nullopt, 0, ""},
        {"no callsign", {}, {{3, 20, false, false, ""}}, {}, std::nullopt, 0},
        {"unknown stand", {}, {{3, 20, false, false, "BAW1", 9}}, {}, std::nullopt, 0},
        {"stand id 0", {}, {{3, 20, false, false, "BAW1", 0}}, {}, std::nullopt, 0},
        {"slot out of range",
         {gf_testOption(1, 3, {20})},
         {{3, 48, false, false}, {3, 48, true, false}},
         {"1 day 3 hh 20 BAW1:"},
         std::nullopt,
         0},
        {"slot out of range without an option", {}, {{3, 48, false, false}}, {}, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParkPosition& stand = stands()[0];
        stand.observations = c.before;
        stand.realSearchMap.clear();
        gf_parkAirportState().learnedUpdateCount = 0;
        for (const RealCall& call : c.calls) {
            SCOPED_TRACE(gf_dayHalfHourText(gf_packDayHalfHour(call.day, call.slot)));
            LiveAircraft aircraft = gf_testAircraft(kKey, call.callsign, c.registration);
            EXPECT_EQ(lf_addRealOption(call.standId, aircraft, call.departure,
                                       gf_packDayHalfHour(call.day, call.slot), call.departure),
                      call.result);
        }
        EXPECT_EQ(optionTexts(), c.options);
        const auto found = stand.realSearchMap.find(kKey);
        ASSERT_EQ(found != stand.realSearchMap.end(), c.entry.has_value());
        if (c.entry) {
            EXPECT_EQ(found->second.day, c.entry->day);
            EXPECT_EQ(found->second.slot, c.entry->slot);
            EXPECT_EQ(found->second.option, c.entry->option);
        }
        EXPECT_TRUE(stand.softSearchMap.empty());
        EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, c.updates);
    }
    EXPECT_EQ(harness.log().body().back(),
              "Add real option exception, hh_now: 48, invalid bitset position");
}

TEST_F(StandLearningTest, EachLearningStepIsCountedInTheWindow) {
    LiveAircraft aircraft = gf_testAircraft(kKey, "BAW1", "G-EUUA");
    EXPECT_TRUE(lf_addRealOption(1, aircraft, false, gf_packDayHalfHour(2, 10), false));
    EXPECT_EQ(mainWindow.updateCount.load(), 1);
    EXPECT_TRUE(lf_addRealOption(1, aircraft, true, gf_packDayHalfHour(2, 12), true));
    EXPECT_EQ(mainWindow.updateCount.load(), 2);
    EXPECT_FALSE(lf_addRealOption(1, aircraft, true, gf_packDayHalfHour(2, 12), true));
    EXPECT_EQ(mainWindow.updateCount.load(), 2);
    EXPECT_EQ(window.invalidated().size(), 2u);
}

TEST_F(StandLearningTest, AnEmptyStandTableLearnsNothing) {
    stands().clear();
    LiveAircraft aircraft = gf_testAircraft(kKey, "BAW1", "G-EUUA");
    EXPECT_FALSE(lf_addRealOption(1, aircraft, false, gf_packDayHalfHour(2, 10), false));
    EXPECT_FALSE(lf_addSoftOption(1, aircraft, false, gf_packDayHalfHour(2, 10)));
    EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, 0);
}

TEST_F(StandLearningTest, SoftLearningKeepsItsOwnOptionsAndMap) {
    ParkPosition& stand = stands()[0];
    // No registration needed; the aircraft stays tracked.
    LiveAircraft unregistered = gf_testAircraft(kKey + 1, "", "");
    EXPECT_TRUE(lf_addSoftOption(1, unregistered, false, gf_packDayHalfHour(5, 12)));
    LiveAircraft aircraft = gf_testAircraft(kKey, "BAW1_", "G-EUUA");
    const DayHalfHour t = gf_packDayHalfHour(5, 20);
    EXPECT_TRUE(lf_addSoftOption(1, aircraft, false, t));
    EXPECT_TRUE(lf_addSoftOption(1, aircraft, false, gf_packDayHalfHour(5, 21)));
    EXPECT_FALSE(lf_addSoftOption(1, aircraft, false, t)); // slot already set
    EXPECT_EQ(optionTexts(),
              (std::vector<std::string>{"1 day 5 hh 12 : soft", "2 day 5 hh 20,21 BAW1: soft"}));
    ASSERT_EQ(stand.softSearchMap.count(kKey), 1u);
    EXPECT_EQ(stand.softSearchMap.at(kKey).option, 2u);
    EXPECT_EQ(stand.softSearchMap.at(kKey).slot, 20);
    EXPECT_TRUE(stand.realSearchMap.empty());
    EXPECT_EQ(gf_parkAirportState().learnedUpdateCount, 3);

    // Continued soft learning fills its gap; entries stay.
    EXPECT_TRUE(lf_addSoftOption(1, aircraft, true, gf_packDayHalfHour(5, 24)));
    EXPECT_EQ(optionTexts()[1], "2 day 5 hh 20,21,22,23,24 BAW1: soft");
    EXPECT_EQ(stand.softSearchMap.at(kKey).slot, 24);

    // A soft option never blocks real learning of the same aircraft.
    EXPECT_TRUE(lf_addRealOption(1, aircraft, false, gf_packDayHalfHour(5, 24), false));
    EXPECT_EQ(optionTexts().back(), "3 day 5 hh 24 BAW1:");

    // An airport file's soft option is never changed.
    StandObservation fileSoft = gf_testOption(4, 6, {});
    fileSoft.soft = true;
    fileSoft.learned = false;
    stand.observations.push_back(fileSoft);
    EXPECT_FALSE(lf_addSoftOption(1, aircraft, false, gf_packDayHalfHour(6, 3)));
    EXPECT_FALSE(lf_addSoftOption(9, aircraft, false, gf_packDayHalfHour(6, 3)));
    EXPECT_FALSE(lf_addSoftOption(1, aircraft, false, gf_packDayHalfHour(6, 48)));
    EXPECT_EQ(harness.log().body().back(),
              "Add soft option exception, hh_now: 48, invalid bitset position");
    EXPECT_EQ(optionTexts().back(), "4 day 6 hh  BAW1: soft file");
}

TEST_F(StandLearningTest, TheLastLearnedThrottleWaitsThreeHalfHours) {
    struct Step {
        int slot;
        std::uint32_t key;
        bool force;
        bool result;
    };
    const Step steps[] = {
        {20, 1, false, true}, {21, 1, false, false}, {22, 1, false, false}, {23, 1, false, true},
        {23, 1, true, true},  {46, 2, false, true},  {0, 2, false, false},  {1, 2, false, true},
        {2, 2, true, true},   {10, 3, true, true},   {11, 3, false, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::to_string(s.key) + " at " + std::to_string(s.slot));
        EXPECT_EQ(lf_markLastLearned(gf_packDayHalfHour(4, s.slot), s.key, s.force), s.result);
    }
    const auto list = [] {
        std::vector<std::pair<std::uint32_t, std::int32_t>> entries;
        for (const ksb::LastLearned& e : trafficState.lastLearned) {
            entries.emplace_back(e.flightKey, e.slot);
        }
        return entries;
    };
    using Entries = std::vector<std::pair<std::uint32_t, std::int32_t>>;
    EXPECT_EQ(list(), (Entries{{1, 23}, {2, 2}, {3, 10}}));
    lf_removeLastLearned(1); // the last entry takes its place
    EXPECT_EQ(list(), (Entries{{3, 10}, {2, 2}}));
    lf_removeLastLearned(7);
    lf_removeLastLearned(2);
    EXPECT_EQ(list(), (Entries{{3, 10}}));
}

} // namespace
