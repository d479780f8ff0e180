#include "park_airport_fixture.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace ksb::test;

namespace {

std::string lf_continued(const std::string& text) {
    return "          " + text;
}

std::string lf_setting(const std::string& name, const std::string& value) {
    return lf_continued(fmt::format("{:24}: {}", name, value));
}

// The lines a good load of the stock EHAM writes after the learned file's own.
std::vector<std::string> lf_summaryLines(const fs::path& readFrom, const std::string& quality,
                                         std::size_t stands = 3) {
    return {fmt::format("Airport file read from \"{}\" for Schiphol", readFrom.string()),
            lf_setting("publisher", "stock"),
            lf_continued(fmt::format("{:24}: -11 ft", "altitude")),
            lf_setting("num_parkpos", std::to_string(stands)),
            lf_setting("quality factor", quality),
            lf_setting("RT traffic week", "48")};
}

std::vector<std::string> lf_concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class ParkAirportLoadTest : public ksb::test::ParkAirportTest {};

// Each learned file's settings, with what the parameters, the controls, the message line and the
// log show afterwards.
TEST_F(ParkAirportLoadTest, TheLearnedFileSettingsReachTheParametersControlsAndLog) {
    struct Case {
        std::string name;
        bool learnedFile = true;
        std::vector<std::pair<std::string, std::string>> parameters;
        std::function<void()> before;
        // The lines between "read_apf: ..." and the summary.
        std::vector<std::string> lines;
        std::vector<RecordedMessage> messages;
        std::vector<std::string> serviceCalls;
        std::function<void()> check;
    };
    const std::string readLearned =
        fmt::format("Read from learned airport file: \"{}\"", kLearnedStock.string());
    const std::string overruled = "parking percentage overruled by CUSTOM_PARKING_PERCENTAGE";
    const std::vector<Case> cases = {
        {"no learned file: 30 %, field disabled",
         false,
         {},
         [] { parking_percentage.setRaw(70); },
         {lf_continued("parking_percentage      : 30%")},
         {},
         {"setParkElevation(-11)"},
         [] {
             EXPECT_EQ(parking_percentage.value(), 30);
             EXPECT_FALSE(control(parking_percentage.commandId()).enabled);
             EXPECT_EQ(control(parking_percentage.commandId()).text, "30");
         }},
        {"no learned file: CUSTOM_PARKING_PERCENTAGE as a plain line",
         false,
         {},
         [] { CUSTOM_PARKING_PERCENTAGE.setRaw(55); },
         {"parking percentage overruled by CUSTOM_PARKING_PERCENTAGE",
          lf_continued("parking_percentage      : 55%")},
         {},
         {"setParkElevation(-11)"},
         [] { EXPECT_EQ(parking_percentage.value(), 55); }},
        {"learned file without settings: defaults, field enabled",
         true,
         {},
         [] {
             MAX_LIVE.setRaw(100);
             parking_percentage.setRaw(70);
             gf_enableControl(parking_percentage.commandId(), false);
         },
         {readLearned},
         {},
         {"setParkElevation(-11)"},
         [] {
             EXPECT_EQ(MAX_LIVE.value(), 300);
             EXPECT_EQ(control(MAX_LIVE.commandId()).text, "");
             EXPECT_EQ(parking_percentage.value(), 30);
             EXPECT_TRUE(control(parking_percentage.commandId()).enabled);
         }},
        {"every setting, parking_percentage clamped",
         true,
         {{"LEARN_SOFT", "true"},
          {"MAX_LIVE", "120"},
          {"LATERAL_RANGE", "25"},
          {"PARK_FAKE", "false"},
          {"WEEK", "true"},
          {"PARK_SOFT", "true"},
          {"parking_percentage", "150"},
          {"INITIAL_LOAD_ONLY", "true"},
          {"MAX_FIT", "60"},
          {"RT_PARKTRAFFIC_ONLY", "false"}},
         [] { userMaxLive = 77; },
         {readLearned, lf_setting("LEARN_SOFT", "true"), lf_setting("MAX_LIVE", "120"),
          lf_setting("LATERAL_RANGE", "25"), lf_setting("PARK_FAKE", "false"),
          lf_setting("WEEK", "true"), lf_setting("PARK_SOFT", "true"),
          lf_setting("parking_percentage", "100"), lf_setting("INITIAL_LOAD_ONLY", "true"),
          lf_continued(
              "MAX_FIT                 : 47 (max number of half hours, is 24 hrs decimal)"),
          lf_setting("RT_PARKTRAFFIC_ONLY", "false")},
         {},
         {"setParkElevation(-11)"},
         [] {
             EXPECT_TRUE(LEARN_SOFT.value());
             EXPECT_TRUE(control(LEARN_SOFT.commandId()).checked);
             EXPECT_EQ(MAX_LIVE.value(), 120);
             EXPECT_EQ(control(MAX_LIVE.commandId()).text, "120");
             EXPECT_EQ(userMaxLive.load(), 77);
             EXPECT_EQ(LATERAL_RANGE.value(), 25);
             EXPECT_EQ(injectionRadiusNm.load(), 25.0);
             EXPECT_TRUE(control(LATERAL_RANGE.commandId()).enabled);
             EXPECT_TRUE(WEEK.value());
             EXPECT_TRUE(control(PARK_SOFT.commandId()).checked);
             EXPECT_EQ(parking_percentage.value(), 100);
             EXPECT_TRUE(INITIAL_LOAD_ONLY.value());
             EXPECT_EQ(MAX_FIT.value(), 47);
             EXPECT_EQ(MAX_FIT_FL.value(), 24.0f);
             EXPECT_EQ(control(MAX_FIT_FL.commandId()).text, "24");
             EXPECT_TRUE(control(parking_percentage.commandId()).enabled);
         }},
        {"MAX_FIT_WEEK when MAX_FIT is absent, MAX_LIVE 300 blanked",
         true,
         {{"MAX_LIVE", "300"}, {"MAX_FIT_WEEK", "7"}},
         {},
         {readLearned, lf_setting("MAX_LIVE", "300"),
          lf_continued("MAX_FIT                 : 7 (max number of half hours, is 4 hrs decimal)")},
         {},
         {"setParkElevation(-11)"},
         [] {
             EXPECT_EQ(MAX_FIT.value(), 7);
             EXPECT_EQ(MAX_FIT_FL.value(), 4.0f);
             EXPECT_EQ(control(MAX_LIVE.commandId()).text, "");
         }},
        {"CUSTOM_PARKING_PERCENTAGE overrules the file on the message line",
         true,
         {{"parking_percentage", "40"}},
         [] { CUSTOM_PARKING_PERCENTAGE.setRaw(55); },
         {readLearned, lf_setting("parking_percentage", "40")},
         {{RecordedMessage::Kind::message, overruled, true}},
         {"setParkElevation(-11)"},
         [] {
             EXPECT_EQ(parking_percentage.value(), 55);
             EXPECT_EQ(control(parking_percentage.commandId()).text, "55");
         }},
        {"AUTO_RANGE on keeps the manual range and recomputes",
         true,
         {{"AUTO_RANGE", "true"}},
         [] {
             LATERAL_RANGE.setRaw(33);
             lf_setCheckBox(AUTO_RANGE, false);
         },
         {readLearned, lf_setting("AUTO_RANGE", "true")},
         {},
         {"updateRangeFields", "setParkElevation(-11)"},
         [] {
             EXPECT_EQ(userLateralRange.load(), 33);
             EXPECT_TRUE(control(AUTO_RANGE.commandId()).checked);
             EXPECT_FALSE(control(LATERAL_RANGE.commandId()).enabled);
         }},
        {"AUTO_RANGE off goes back to the manual range",
         true,
         {{"AUTO_RANGE", "false"}},
         [] {
             LATERAL_RANGE.setRaw(8);
             userLateralRange = 20;
         },
         {readLearned, lf_setting("AUTO_RANGE", "false")},
         {{RecordedMessage::Kind::clear, "", false}},
         {"setParkElevation(-11)"},
         [] {
             EXPECT_FALSE(AUTO_RANGE.value());
             EXPECT_EQ(LATERAL_RANGE.value(), 20);
             EXPECT_EQ(injectionRadiusNm.load(), 20.0);
             EXPECT_EQ(control(LATERAL_RANGE.commandId()).text, "20");
             EXPECT_TRUE(control(LATERAL_RANGE.commandId()).enabled);
         }},
        {"RT_PARKTRAFFIC_ONLY on keeps the percentage field disabled",
         true,
         {{"RT_PARKTRAFFIC_ONLY", "true"}},
         [] { gf_enableControl(parking_percentage.commandId(), true); },
         {readLearned, lf_setting("RT_PARKTRAFFIC_ONLY", "true")},
         {},
         {"setParkElevation(-11)"},
         [] {
             EXPECT_TRUE(RT_PARKTRAFFIC_ONLY.value());
             EXPECT_FALSE(control(parking_percentage.commandId()).enabled);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startOver();
        gf_resetParametersForTests();
        userLateralRange = LATERAL_RANGE.value();
        userMaxLive = MAX_LIVE.value();
        parkSettingsChanged = true;
        if (c.before) {
            c.before();
        }
        ehamAirportFile().write(ksb::test::kStockFile);
        if (c.learnedFile) {
            AirportFileBuilder learned = ehamLearnedFile();
            for (const auto& [name, value] : c.parameters) {
                learned.parameter(name, value);
            }
            learned.write(kLearnedStock);
        }
        freshLog();
        const auto messagesBefore = messages.all().size();
        services.takeCalls();

        EXPECT_EQ(load(ksb::test::kStockFile), "");

        std::vector<std::string> expected{
            fmt::format("read_apf: {}", ksb::test::kStockFile.string())};
        expected = lf_concat(expected, c.lines);
        const auto summary = lf_summaryLines(ksb::test::kStockFile, "");
        const std::vector<std::string> lines = logLines();
        ASSERT_EQ(lines.size(), expected.size() + summary.size());
        EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expected.size()),
                  expected);
        EXPECT_EQ(lines[expected.size()], summary[0]);
        const auto all = messages.all();
        EXPECT_EQ(std::vector<RecordedMessage>(all.begin() + messagesBefore, all.end()),
                  c.messages);
        EXPECT_EQ(services.takeCalls(), c.serviceCalls);
        EXPECT_TRUE(gf_parkAirportState().parkAirportLoaded);
        EXPECT_FALSE(parkSettingsChanged);
        EXPECT_TRUE(control(FLUSH_STATIC_BUTTON.commandId()).enabled);
        c.check();
    }
}

TEST_F(ParkAirportLoadTest, AGoodLoadPublishesTheAirport) {
    ehamAirportFile().write(ksb::test::kStockFile);
    ehamLearnedFile()
        .parkpos({{"id", "D2"}}, {opt("EI-DVM", "2", "30,31", "RYR7:RYR8")})
        .write(kLearnedStock);

    EXPECT_EQ(load(ksb::test::kStockFile), "");

    const ksb::ParkAirportState& state = gf_parkAirportState();
    EXPECT_EQ(state.airportName, "Schiphol");
    EXPECT_EQ(state.publisher, "stock");
    EXPECT_EQ(state.altitudeFt, -11);
    EXPECT_EQ(state.altitude, -11.0);
    EXPECT_EQ(state.currentPath, ksb::test::kStockFile);
    EXPECT_FALSE(state.handmade);
    // D1 and D2 score 10124 each, F9 nothing: 20248 / 3 x 0.00625 = 42.2.
    EXPECT_EQ(state.qualityFactors.real, 42);
    EXPECT_EQ(state.qualityFactors.soft, 0);
    ASSERT_EQ(state.stands.size(), 3u);
    EXPECT_EQ(state.stands[0].standId, 1u);
    EXPECT_EQ(state.stands[2].standId, 3u);
    EXPECT_EQ(mainWindow.stands.load(), 3);
    EXPECT_EQ(mainWindow.text(WindowText::parkAirportSecond), "stock");
    EXPECT_EQ(mainWindow.text(WindowText::parkQuality), "42/ 0");
    EXPECT_FALSE(mainWindow.handmadeMark.load());
    const auto lines = logLines();
    const auto summary = lf_summaryLines(ksb::test::kStockFile, "42/ 0");
    ASSERT_GE(lines.size(), summary.size());
    EXPECT_EQ(
        std::vector<std::string>(lines.end() - static_cast<long>(summary.size()), lines.end()),
        summary);
    EXPECT_EQ(services.calls(), std::vector<std::string>{"setParkElevation(-11)"});
}

// Radii of 30 m give 60 m together; neighbours are closer than 60 / 1.1 = 54.5 m. C lies 20 m
// west of A, so it neighbours A alone.
TEST_F(ParkAirportLoadTest, StandsAreNumberedAndLinkedAroundTheOverlapFactor) {
    struct Case {
        std::string name;
        double secondLongitudeOffsetMetres;
        bool neighbours;
    };
    const double metresPerDegree = 1852.0 * 60.0 * std::cos(52.3 * kRadiansPerDegree);
    const std::vector<Case> cases = {
        {"clearly overlapping", 40.0, true},
        {"just inside 1.1", 54.0, true},
        {"just outside 1.1", 55.0, false},
        {"far apart", 500.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("airports");
        AirportFileBuilder file;
        file.parameter("altitude", "0")
            .parkpos(standAttributes("A", 52.3, 4.76))
            .parkpos(
                standAttributes("B", 52.3, 4.76 + c.secondLongitudeOffsetMetres / metresPerDegree))
            .parkpos(standAttributes("C", 52.3, 4.76 - 20.0 / metresPerDegree));
        file.write(ksb::test::kStockFile);
        EXPECT_EQ(load(ksb::test::kStockFile), "");
        const auto& stands = gf_parkAirportState().stands;
        ASSERT_EQ(stands.size(), 3u);
        EXPECT_EQ(stands[2].adjacentStandIds, (std::vector<std::uint32_t>{1}));
        if (c.neighbours) {
            EXPECT_EQ(stands[0].adjacentStandIds, (std::vector<std::uint32_t>{2, 3}));
            EXPECT_EQ(stands[1].adjacentStandIds, (std::vector<std::uint32_t>{1}));
        } else {
            EXPECT_EQ(stands[0].adjacentStandIds, (std::vector<std::uint32_t>{3}));
            EXPECT_EQ(stands[1].adjacentStandIds, (std::vector<std::uint32_t>{}));
        }
        EXPECT_EQ(stands[0].adjacentStandIds.capacity(), stands[0].adjacentStandIds.size());
    }
}

TEST_F(ParkAirportLoadTest, EveryFailureIsAResultTextAndLeavesTheAirportUnloaded) {
    struct Case {
        std::string name;
        std::function<void()> prepare;
        std::string result;
        bool loaded;
        std::vector<std::string> serviceCalls;
    };
    const std::string stock = ksb::test::kStockFile.string();
    const std::vector<Case> cases = {
        {"no park airport set",
         [] {
             gf_parkAirportState().name.clear();
             ehamAirportFile().write(ksb::test::kStockFile);
         },
         "gf_readApf, no park airport set",
         false,
         {}},
        {"does not parse",
         [] { AirportFileBuilder().raw("<meta").write(ksb::test::kStockFile); },
         stock + " found, but could not be loaded:",
         false,
         {}},
        {"missing file", [] {}, stock + " found, but could not be loaded:", false, {}},
        {"meta refused",
         [] { ehamAirportFile().withoutMetaEntry("author").write(ksb::test::kStockFile); },
         stock + " found but refused to load, copyright problem",
         false,
         {}},
        {"no altitude: user error 65",
         [] { AirportFileBuilder().parameter("publisher", "stock").write(ksb::test::kStockFile); },
         "65: Parameter altitude not found",
         false,
         {}},
        {"a duplicate stand: user error 94",
         [] {
             AirportFileBuilder()
                 .parameter("altitude", "10")
                 .parkpos(standAttributes("A1", 52.3, 4.76))
                 .parkpos(standAttributes("A1", 52.3, 4.77))
                 .write(ksb::test::kStockFile);
         },
         "94: Parking position A1 appears more than once?",
         false,
         {}},
        {"no stands still loads",
         [] { AirportFileBuilder().parameter("altitude", "10").write(ksb::test::kStockFile); },
         "no stands found",
         true,
         {"setParkElevation(10)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startOver();
        services.takeCalls();
        c.prepare();
        EXPECT_EQ(load(ksb::test::kStockFile), c.result);
        EXPECT_EQ(gf_parkAirportState().parkAirportLoaded.load(), c.loaded);
        EXPECT_EQ(services.takeCalls(), c.serviceCalls);
    }
}

// my_ORBX becomes learned/ORBX: an airport file whose path is just short enough has a learned
// path too long to look at, and that look-up throws.
TEST_F(ParkAirportLoadTest, AFileSystemErrorWhileLookingForTheLearnedFileIsAResult) {
    fs::path apf = "airports/my_ORBX";
    while (apf.string().size() < 4000) {
        apf /= std::string(200, 'x');
    }
    apf /= std::string(4093 - apf.string().size() - 1, 'y');
    ehamAirportFile("ORBX").write(apf);
    ASSERT_TRUE(fs::exists(apf));

    const std::string result = load(apf);

    EXPECT_TRUE(result.starts_with("exception in readApf: filesystem error: ")) << result;
    EXPECT_TRUE(result.find("File name too long") != std::string::npos) << result;
    EXPECT_FALSE(gf_parkAirportState().parkAirportLoaded);
    EXPECT_TRUE(services.calls().empty());
}

} // namespace
