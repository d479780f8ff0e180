#include "airports/park_airport_state.h"
#include "app/edit_fields.h"
#include "commands_fixture.h"
#include "core/globals.h"
#include "core/message_sink.h"
#include "core/run_state.h"
#include "core/strings.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using ksb::test::CommandsFixture;

class EditFieldsTest : public CommandsFixture {};

TEST_F(EditFieldsTest, IntegerFieldsReadClampSaveAndShow) {
    struct Case {
        const char* name;
        IntEditParameter* field;
        int before;
        std::string typed;
        int value;
        std::optional<std::string> saved; // in parameters.xml; nothing: not saved
        std::string message;
        std::vector<std::string> lines; // the log, saves included
        std::string shown;
        bool result;
    };
    const std::string longText = std::string(510, ' ') + "12";
    const Case cases[] = {
        {"blanks and trailing junk",
         &MAX_LIVE,
         300,
         "  3abc",
         6,
         "6",
         "The new MAX_LIVE is 6",
         {"MAX_LIVE=6"},
         "6",
         true},
        {"a sign",
         &AIRPORT_RANGE,
         20,
         "+25",
         25,
         "25",
         "The new AIRPORT_RANGE is 25",
         {"AIRPORT_RANGE=25"},
         "25",
         true},
        {"below the range",
         &LATERAL_RANGE,
         40,
         "-5",
         2,
         "2",
         "The new LATERAL_RANGE is 2",
         {"LATERAL_RANGE=2"},
         "2",
         true},
        {"above the range",
         &AIRPORT_HEIGHT,
         18000,
         "99999",
         45000,
         "45000",
         "The new AIRPORT_HEIGHT is 45000",
         {"AIRPORT_HEIGHT=45000"},
         "45000",
         true},
        {"at the top of the range",
         &MATCHING_DEPTH,
         2,
         "4",
         4,
         "4",
         "The new MATCHING_DEPTH is 4",
         {"MATCHING_DEPTH=4"},
         "4",
         true},
        {"no digits",
         &MATCHING_DEPTH,
         4,
         "abc",
         4,
         std::nullopt,
         "invalid input: abc",
         {"invalid input: abc"},
         "abc",
         false},
        {"a sign alone",
         &MATCHING_DEPTH,
         4,
         " -",
         4,
         std::nullopt,
         "invalid input:  -",
         {"invalid input:  -"},
         " -",
         false},
        {"overflow",
         &AIRPORT_RANGE,
         20,
         "99999999999",
         20,
         std::nullopt,
         "",
         {"===> procesTbInt exception stoi argument out of range, h=99999999999 "},
         "99999999999",
         false},
        {"the same value",
         &MATCHING_DEPTH,
         4,
         "4",
         4,
         std::nullopt,
         "Same MATCHING_DEPTH value 4, no changes made",
         {"Same MATCHING_DEPTH value 4, no changes made"},
         "4",
         false},
        {"the same value after clamping is new",
         &MAX_LIVE,
         300,
         "500",
         300,
         "300",
         "The new MAX_LIVE is 300",
         {"MAX_LIVE=300"},
         "",
         true},
        {"empty: the default, saved",
         &AIRPORT_RANGE,
         25,
         "",
         20,
         "20",
         "The new AIRPORT_RANGE is 20",
         {"AIRPORT_RANGE=20"},
         "20",
         true},
        {"empty MAX_LIVE at its default",
         &MAX_LIVE,
         300,
         "",
         300,
         "300",
         "The new MAX_LIVE is 300",
         {"MAX_LIVE=300"},
         "",
         true},
        {"empty MAX_LIVE elsewhere",
         &MAX_LIVE,
         50,
         "",
         300,
         "300",
         "The new MAX_LIVE is 300",
         {"MAX_LIVE=300"},
         "",
         true},
        {"empty parking_percentage: 0, not saved",
         &parking_percentage,
         30,
         "",
         0,
         std::nullopt,
         "The new parking_percentage is 0",
         {},
         "0",
         true},
        {"parking_percentage not saved",
         &parking_percentage,
         30,
         "55",
         55,
         std::nullopt,
         "The new parking_percentage is 55",
         {},
         "55",
         true},
        {"a time-shift field not saved on its own",
         &TIME_SHIFT_HOURS,
         0,
         "30",
         23,
         std::nullopt,
         "The new TIME_SHIFT_HOURS is 23",
         {},
         "23",
         true},
        {"an empty time-shift field: the default, left to the time shift to save",
         &TIME_SHIFT_MINS,
         7,
         "",
         0,
         std::nullopt,
         "The new TIME_SHIFT_MINS is 0",
         {},
         "0",
         true},
        {"cut at 511 units",
         &MATCHING_DEPTH,
         4,
         longText,
         1,
         "1",
         "The new MATCHING_DEPTH is 1",
         {"MATCHING_DEPTH=1"},
         "1",
         true},
        {"no UTF-8",
         &MATCHING_DEPTH,
         4,
         "3\xFF",
         4,
         std::nullopt,
         "",
         {"Invalid UTF-8 sequence found in input string."},
         "3\xFF",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.field->setRaw(c.before);
        port.setUserText(c.field->commandId(), c.typed);

        EXPECT_EQ(c.result, procesTbInt(*c.field));

        EXPECT_EQ(c.value, c.field->value());
        EXPECT_EQ(c.saved, stored(c.field->name()));
        EXPECT_EQ(c.message, mainWindow.messageText());
        EXPECT_EQ(c.lines, newLines());
        EXPECT_EQ(c.shown, port.text(c.field->commandId()));
    }
}

TEST_F(EditFieldsTest, EnterClearsTheMessageLineAndEveryOtherIdIsNoField) {
    gf_showMessage("earlier", false);
    enter(AIRPORT_RANGE, "25");
    EXPECT_EQ("The new AIRPORT_RANGE is 25", mainWindow.messageText());
    gf_showMessage("earlier", false);
    enter(AIRPORT_RANGE, "25");
    EXPECT_EQ("Same AIRPORT_RANGE value 25, no changes made", mainWindow.messageText());
    gf_showMessage("earlier", false);
    EXPECT_FALSE(lf_onEnter(LOG.commandId()));
    EXPECT_FALSE(lf_onEnter(1));
    EXPECT_EQ("earlier", mainWindow.messageText());
    for (const ParameterControl* field : std::initializer_list<const ParameterControl*>{
             &SIM_INSTALL_PATH, &BLOCK_CALLSIGN, &MATCHING_DEPTH, &LATERAL_RANGE, &MAX_LIVE,
             &AIRPORT_RANGE, &AIRPORT_HEIGHT, &TIME_SHIFT_DAYS, &TIME_SHIFT_HOURS, &TIME_SHIFT_MINS,
             &parking_percentage, &MAX_FIT_FL}) {
        SCOPED_TRACE(field->commandId());
        EXPECT_TRUE(lf_onEnter(field->commandId()));
    }
}

TEST_F(EditFieldsTest, WhatEachFieldDoesAfterANewValue) {
    struct Case {
        const char* name;
        IntEditParameter* field;
        int before;
        std::string typed;
        bool parkAirport;
        bool parkSettingsChanged;
        bool matchingDepthRaised;
        bool staticRenewal;
        int liveLimit;
        int userMaxLive;
        double radiusNm;
        int radiusMetres;
        std::vector<std::string> engineCalls;
        std::string message;
    };
    const Case cases[] = {
        {"LATERAL_RANGE",
         &LATERAL_RANGE,
         40,
         "25",
         false,
         true,
         false,
         false,
         300,
         300,
         25.0,
         25 * 1852 + 10000,
         {},
         "The new LATERAL_RANGE is 25"},
        {"LATERAL_RANGE clamped",
         &LATERAL_RANGE,
         40,
         "1",
         false,
         true,
         false,
         false,
         300,
         300,
         2.0,
         2 * 1852 + 10000,
         {},
         "The new LATERAL_RANGE is 2"},
        {"MATCHING_DEPTH raised",
         &MATCHING_DEPTH,
         2,
         "3",
         false,
         false,
         true,
         false,
         300,
         300,
         40.0,
         84080,
         {},
         "The new MATCHING_DEPTH is 3"},
        {"MATCHING_DEPTH lowered",
         &MATCHING_DEPTH,
         4,
         "2",
         false,
         false,
         false,
         false,
         300,
         300,
         40.0,
         84080,
         {},
         "The new MATCHING_DEPTH is 2"},
        {"MAX_LIVE without a park airport",
         &MAX_LIVE,
         300,
         "100",
         false,
         false,
         false,
         false,
         100,
         100,
         40.0,
         84080,
         {"gf_applyMaxAircraft()"},
         "The new MAX_LIVE is 100"},
        {"MAX_LIVE with a park airport",
         &MAX_LIVE,
         300,
         "100",
         true,
         true,
         false,
         false,
         300,
         100,
         40.0,
         84080,
         {"gf_applyMaxAircraft()"},
         "The new MAX_LIVE is 100"},
        {"MAX_LIVE unchanged does nothing more",
         &MAX_LIVE,
         300,
         "300",
         false,
         false,
         false,
         false,
         300,
         300,
         40.0,
         84080,
         {},
         "Same MAX_LIVE value 300, no changes made"},
        {"parking_percentage with a park airport",
         &parking_percentage,
         30,
         "40",
         true,
         true,
         false,
         true,
         300,
         300,
         40.0,
         84080,
         {},
         "KSBY_P3D will respond in 10 seconds ..."},
        {"parking_percentage without one",
         &parking_percentage,
         30,
         "40",
         false,
         false,
         false,
         false,
         300,
         300,
         40.0,
         84080,
         {},
         ""},
        {"AIRPORT_RANGE",
         &AIRPORT_RANGE,
         20,
         "10",
         true,
         false,
         false,
         false,
         300,
         300,
         40.0,
         84080,
         {},
         "The new AIRPORT_RANGE is 10"},
        {"AIRPORT_HEIGHT",
         &AIRPORT_HEIGHT,
         18000,
         "9000",
         true,
         false,
         false,
         false,
         300,
         300,
         40.0,
         84080,
         {},
         "The new AIRPORT_HEIGHT is 9000"},
        {"invalid text does nothing more",
         &LATERAL_RANGE,
         40,
         "x",
         false,
         false,
         false,
         false,
         300,
         300,
         40.0,
         84080,
         {},
         "invalid input: x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.field->setRaw(c.before);
        gf_parkAirportState().parkAirportLoaded = c.parkAirport;
        secondsCounter = 20;

        enter(*c.field, c.typed);

        EXPECT_EQ(c.parkSettingsChanged, parkSettingsChanged.load());
        EXPECT_EQ(c.matchingDepthRaised, matchingDepthRaised.load());
        EXPECT_EQ(c.staticRenewal, staticRenewalRequested.load());
        EXPECT_EQ(c.liveLimit, liveLimit.load());
        EXPECT_EQ(c.userMaxLive, userMaxLive.load());
        EXPECT_EQ(c.radiusNm, injectionRadiusNm.load());
        EXPECT_EQ(c.radiusMetres, injectionRadiusMetres.load());
        EXPECT_EQ(c.engineCalls, engine->calls());
        // gf_applyMaxAircraft runs under the lock that guards the engine's lists.
        EXPECT_EQ(std::vector<bool>(c.engineCalls.size(), true), engine->trafficMutexHeld());
        EXPECT_EQ(c.message, mainWindow.messageText());
    }
}

TEST_F(EditFieldsTest, ATimeShiftFieldAppliesTheShiftOfAllThree) {
    TIME_SHIFT_HOURS.setRaw(2);
    TIME_SHIFT_MINS.setRaw(5);
    enter(TIME_SHIFT_DAYS, "1");
    EXPECT_EQ(std::vector<std::string>{"gf_rtSetTimeOffset(1565)"}, services->calls());
    EXPECT_EQ("Time shifted 1565 minutes", mainWindow.messageText());
    EXPECT_TRUE(timeShiftActive.load());
    EXPECT_EQ("1", stored("TIME_SHIFT_DAYS"));
    EXPECT_EQ("2", stored("TIME_SHIFT_HOURS"));
    EXPECT_EQ("5", stored("TIME_SHIFT_MINS"));

    // 30 days are clamped by the field to 28: four weeks and the hours beyond them are capped.
    services->clearCalls();
    enter(TIME_SHIFT_DAYS, "30");
    EXPECT_EQ(std::vector<std::string>{"gf_rtSetTimeOffset(40320)"}, services->calls());
    EXPECT_EQ("Time shifted 40320 minutes", mainWindow.messageText());
    EXPECT_EQ((std::vector<std::string>{"28", "0", "0"}),
              (std::vector<std::string>{text(TIME_SHIFT_DAYS), text(TIME_SHIFT_HOURS),
                                        text(TIME_SHIFT_MINS)}));

    // Back to all 0.
    enter(TIME_SHIFT_DAYS, "0");
    EXPECT_EQ("No time shift", mainWindow.messageText());
    EXPECT_FALSE(timeShiftActive.load());
    EXPECT_EQ((std::vector<std::string>{"", "", ""}),
              (std::vector<std::string>{text(TIME_SHIFT_DAYS), text(TIME_SHIFT_HOURS),
                                        text(TIME_SHIFT_MINS)}));
    EXPECT_EQ("0", stored("TIME_SHIFT_DAYS"));
}

TEST_F(EditFieldsTest, MaxFitInHalfHours) {
    struct Case {
        const char* name;
        float before;
        std::string typed;
        float value;
        int maxFit;
        std::optional<std::string> saved;
        std::string message;
        std::vector<std::string> lines;
        bool result;
    };
    const std::string nanLine = "procesTbFloat exception invalid stof argument, h=nan ";
    const Case cases[] = {
        {"3.3 to the next half hour",
         24.0f,
         "3.3",
         3.5f,
         6,
         "6",
         "The new MAX_FIT_FL is 3.5",
         {"MAX_FIT=6"},
         true},
        {"below the range",
         24.0f,
         "0.2",
         0.5f,
         0,
         "0",
         "The new MAX_FIT_FL is 0.5",
         {"MAX_FIT=0"},
         true},
        {"negative", 24.0f, "-3", 0.5f, 0, "0", "The new MAX_FIT_FL is 0.5", {"MAX_FIT=0"}, true},
        {"above the range",
         3.5f,
         "30",
         24.0f,
         47,
         "47",
         "The new MAX_FIT_FL is 24.0",
         {"MAX_FIT=47"},
         true},
        {"infinity clamps",
         3.5f,
         "inf",
         24.0f,
         47,
         "47",
         "The new MAX_FIT_FL is 24.0",
         {"MAX_FIT=47"},
         true},
        {"blanks and junk",
         24.0f,
         " 12.74xyz",
         12.5f,
         24,
         "24",
         "The new MAX_FIT_FL is 12.5",
         {"MAX_FIT=24"},
         true},
        {"empty: the default",
         3.5f,
         "",
         24.0f,
         47,
         "47",
         "The new MAX_FIT_FL is 24.0",
         {"MAX_FIT=47"},
         true},
        {"the same value",
         24.0f,
         "24",
         24.0f,
         47,
         std::nullopt,
         "Same MAX_FIT_FL value 24, no changes made",
         {"Same MAX_FIT_FL value 24, no changes made"},
         false},
        {"unreadable",
         24.0f,
         "abc",
         24.0f,
         47,
         std::nullopt,
         "",
         {"procesTbFloat exception invalid stof argument, h=abc "},
         false},
        {"nan", 24.0f, "nan", 24.0f, 47, std::nullopt, "", {nanLine}, false},
        {"negative nan",
         3.5f,
         " -NaN",
         3.5f,
         6,
         std::nullopt,
         "",
         {"procesTbFloat exception invalid stof argument, h= -NaN "},
         false},
        {"too large",
         24.0f,
         "1e39",
         24.0f,
         47,
         std::nullopt,
         "",
         {"procesTbFloat exception stof argument out of range, h=1e39 "},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        MAX_FIT_FL.setRaw(c.before);
        MAX_FIT.setRaw(static_cast<int>(c.before * 2.0f) - 1);
        port.setUserText(MAX_FIT_FL.commandId(), c.typed);

        EXPECT_EQ(c.result, procesTbFloat(MAX_FIT_FL));

        EXPECT_EQ(c.value, MAX_FIT_FL.value());
        EXPECT_EQ(c.maxFit, MAX_FIT.value());
        EXPECT_EQ(c.saved, stored("MAX_FIT"));
        EXPECT_FALSE(stored("MAX_FIT_FL").has_value());
        EXPECT_EQ(c.message, mainWindow.messageText());
        EXPECT_EQ(c.lines, newLines());
        if (c.result) {
            EXPECT_EQ(gf_numberText(c.value), text(MAX_FIT_FL));
        }
    }
}

TEST_F(EditFieldsTest, MaxFitActsOnlyWithAParkAirport) {
    secondsCounter = 29;
    gf_showMessage("earlier", false);
    enter(MAX_FIT_FL, "3.3");
    EXPECT_EQ(24.0f, MAX_FIT_FL.value());
    EXPECT_EQ(47, MAX_FIT.value());
    EXPECT_FALSE(stored("MAX_FIT").has_value());
    EXPECT_EQ("", mainWindow.messageText());
    EXPECT_FALSE(parkSettingsChanged.load());

    gf_parkAirportState().parkAirportLoaded = true;
    enter(MAX_FIT_FL, "3.3");
    EXPECT_EQ(3.5f, MAX_FIT_FL.value());
    EXPECT_EQ("6", stored("MAX_FIT"));
    EXPECT_EQ("KSBY_P3D will respond in 1 second ...", mainWindow.messageText());
    EXPECT_TRUE(parkSettingsChanged.load());
    EXPECT_TRUE(staticRenewalRequested.load());
}

TEST_F(EditFieldsTest, AFailedSaveIsLoggedAndTheValueStaysInForce) {
    // parameters.xml cannot be read back while a folder stands in its place.
    std::filesystem::create_directory(appData / "KSBY_P3D" / "parameters.xml");
    enter(AIRPORT_RANGE, "25");
    EXPECT_EQ(25, AIRPORT_RANGE.value());
    EXPECT_EQ("25", text(AIRPORT_RANGE));
    EXPECT_EQ("The new AIRPORT_RANGE is 25", mainWindow.messageText());
    const auto lines = newLines();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "saving xml did not work?"));
}

TEST_F(EditFieldsTest, AFailureBehindEnterIsReportedAndReleasesTheLock) {
    engine->onCall = [](std::string_view name) {
        if (name == "gf_applyMaxAircraft") {
            throw std::runtime_error("engine failed");
        }
    };
    EXPECT_NO_THROW(enter(MAX_LIVE, "100"));
    EXPECT_EQ("lf_wndProc: engine failed", mainWindow.errorText());
    EXPECT_EQ(100, MAX_LIVE.value());
    ASSERT_TRUE(trafficState.trafficMutex.try_lock());
    trafficState.trafficMutex.unlock();
}

} // namespace
