// The pipe path rule, the scenario file and the zulu clock's parts.
#include "support/scoped_env.h"
#include "support/simstub/datums.h"
#include "support/simstub/scenario_json.h"
#include "support/simstub/socket_util.h"

#include <gtest/gtest.h>

namespace {

using ksb::test::ScopedEnv;

TEST(PipePath, FollowsTheGivenFolderThenTheEnvironment) {
    struct Case {
        const char* name;
        const char* given;
        std::optional<std::string> pipeDir;
        std::optional<std::string> runtimeDir;
        const char* expected;
    };
    const Case cases[] = {
        {"given", "/g", "/k", "/x", "/g"},
        {"KSBY_PIPE_DIR", "", "/k", "/x", "/k"},
        {"XDG_RUNTIME_DIR", "", std::nullopt, "/x", "/x/ksby-pipes"},
        {"empty variables count as unset", "", "", "", "/tmp/ksby-pipes"},
        {"nothing", "", std::nullopt, std::nullopt, "/tmp/ksby-pipes"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ScopedEnv pipe("KSBY_PIPE_DIR", k.pipeDir);
        ScopedEnv run("XDG_RUNTIME_DIR", k.runtimeDir);
        EXPECT_EQ(simstub::gf_pipeDir(k.given), std::filesystem::path(k.expected));
    }
}

TEST(PipePath, MapsPipeNamesBelowTheFolder) {
    EXPECT_EQ(simstub::gf_pipePath("/p", ""), "/p/Lockheed Martin Prepar3D v5/SimConnect");
    EXPECT_EQ(simstub::gf_pipePath("/p", "Custom\\Pipe"), "/p/Custom/Pipe");
    EXPECT_EQ(simstub::gf_pipePathOfWin32Name(
                  "\\\\.\\pipe\\Lockheed Martin Prepar3D v5\\SimConnect", "/p"),
              "/p/Lockheed Martin Prepar3D v5/SimConnect");
    EXPECT_EQ(simstub::gf_pipePathOfWin32Name("\\\\host\\pipe\\Other", "/p"), "/p/Other");
}

TEST(ScenarioFile, DefaultFileHoldsTheDefaults) {
    const simstub::Scenario d;
    simstub::Scenario changed;
    changed.open.name = "x";
    changed.user.title = "x";
    changed.user.heading = 1.0;
    changed.groundElevation = 1.0;
    changed.zuluStart = 1;
    changed.frameHz = 1.0;
    changed.frameRate = 1.0;
    changed.objectLimit = 1;
    changed.defaultStaticCg.pitch = 1.0;
    const simstub::Scenario s = simstub::gf_loadScenario(KSBY_SIMSTUB_DEFAULT_SCENARIO, changed);
    EXPECT_EQ(s.open.name, d.open.name);
    EXPECT_EQ(s.open.version, d.open.version);
    EXPECT_EQ(s.user.latitude, d.user.latitude);
    EXPECT_EQ(s.user.longitude, d.user.longitude);
    EXPECT_EQ(s.user.altitude, d.user.altitude);
    EXPECT_EQ(s.user.heading, d.user.heading);
    EXPECT_EQ(s.user.onGround, d.user.onGround);
    EXPECT_EQ(s.user.groundSpeed, d.user.groundSpeed);
    EXPECT_EQ(s.user.title, d.user.title);
    EXPECT_EQ(s.user.model, d.user.model);
    EXPECT_EQ(s.user.atcId, d.user.atcId);
    EXPECT_EQ(s.user.lights, d.user.lights);
    EXPECT_EQ(s.groundElevation, d.groundElevation);
    EXPECT_EQ(s.zuluStart, d.zuluStart);
    EXPECT_EQ(s.frameHz, d.frameHz);
    EXPECT_FALSE(s.frameRate.has_value()); // the frame Hz
    EXPECT_EQ(s.timeScale, d.timeScale);
    EXPECT_EQ(s.flightRunning, d.flightRunning);
    EXPECT_EQ(s.objectLimit, d.objectLimit);
    EXPECT_EQ(s.objectType, d.objectType);
    EXPECT_EQ(s.objectAddedDelay, d.objectAddedDelay);
    EXPECT_EQ(s.atcIdDelay, d.atcIdDelay);
    EXPECT_EQ(s.defaultStaticCg.cgToGround, d.defaultStaticCg.cgToGround);
    EXPECT_EQ(s.defaultStaticCg.pitch, d.defaultStaticCg.pitch);
    EXPECT_TRUE(s.refusedTitles.empty());
    EXPECT_TRUE(s.foreign.empty());
    EXPECT_FALSE(s.failFlightPlans);
    EXPECT_TRUE(s.marks.empty());
}

TEST(ScenarioFile, ReadsEveryFieldAndTurnsTextsIntoLatin1) {
    const simstub::Scenario s = simstub::gf_parseScenario(R"({
        "open": {"name": "Sim \u00e9", "version": [6, 0, 1, 2]},
        "user": {"title": "B\u00e4r", "atcId": "D-ABCD", "lights": 3, "onGround": false},
        "zuluStart": "2025-12-31T23:59:58Z",
        "frameRate": null,
        "refusedTitles": ["A", "B"],
        "objectAddedDelayMs": 250,
        "staticCg": {"titles": {"T\u00fc": {"pitch": 0.5}}},
        "foreign": [{"atcId": "F1", "latitude": 1.5, "longitude": 2.5, "agl": 100, "title": "X"}],
        "marks": [{"name": "A\u00e9", "latitude": 50.04, "longitude": 8.57, "heading": 90}]
    })");
    EXPECT_EQ(s.open.name, "Sim \xE9");
    EXPECT_EQ(s.open.version, (std::array<std::uint32_t, 4>{6, 0, 1, 2}));
    EXPECT_EQ(s.user.title, "B\xE4r");
    EXPECT_EQ(s.user.lights, 3U);
    EXPECT_FALSE(s.user.onGround);
    EXPECT_EQ(s.user.latitude, 50.0333); // not in the file: the default
    EXPECT_EQ(s.zuluStart, 1767225598);
    EXPECT_FALSE(s.frameRate.has_value());
    EXPECT_EQ(s.refusedTitles, (std::set<std::string>{"A", "B"}));
    EXPECT_EQ(s.objectAddedDelay, std::chrono::milliseconds(250));
    ASSERT_EQ(s.staticCg.count("T\xFC"), 1U);
    EXPECT_EQ(s.staticCg.at("T\xFC").cgToGround, 9.5);
    EXPECT_EQ(s.staticCg.at("T\xFC").pitch, 0.5);
    ASSERT_EQ(s.foreign.size(), 1U);
    EXPECT_EQ(s.foreign[0].position.longitude, 2.5);
    EXPECT_EQ(s.foreign[0].agl, 100.0);
    ASSERT_EQ(s.marks.size(), 1U);
    EXPECT_EQ(s.marks[0].name, "A\xE9");
    EXPECT_EQ(s.marks[0].position.latitude, 50.04);
    EXPECT_EQ(s.marks[0].heading, 90.0);
}

TEST(ScenarioFile, ABadFileIsOneLineNamingTheField) {
    struct Case {
        const char* json;
        const char* error;
    };
    const Case cases[] = {
        {"{", "scenario: not valid JSON"},
        {"[]", "scenario: (top): expected an object"},
        {R"({"frameHz": "fast"})", "scenario: frameHz: expected a number"},
        {R"({"frameHz": 0})", "scenario: frameHz: 0 is outside 0.1 to 1000"},
        {R"({"user": {"titel": "x"}})", "scenario: user.titel: unknown field"},
        {R"({"user": {"title": "\u0101"}})",
         "scenario: user.title: character U+0101 is not Latin-1"},
        {R"({"user": {"lights": 1.5}})", "scenario: user.lights: expected an integer"},
        {R"({"zuluStart": "2023-02-29T00:00:00Z"})",
         "scenario: zuluStart: expected a UTC time \"YYYY-MM-DDThh:mm:ssZ\""},
        {R"({"open": {"version": [5, 3]}})", "scenario: open.version: expected four integers"},
        {R"({"foreign": [{"lat": 1}]})", "scenario: foreign[0].lat: unknown field"},
        {R"({"refusedTitles": [1]})", "scenario: refusedTitles[0]: expected a text"},
        {R"({"marks": [{"name": "A1", "heading": 400}]})",
         "scenario: marks[0].heading: 400 is outside 0 to 360"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.json);
        try {
            simstub::gf_parseScenario(k.json);
            ADD_FAILURE() << "accepted";
        } catch (const simstub::ScenarioError& e) {
            EXPECT_EQ(std::string(e.what()), k.error);
        }
    }
    try {
        simstub::gf_loadScenario("/nonexistent/x.json");
        ADD_FAILURE() << "accepted";
    } catch (const simstub::ScenarioError& e) {
        EXPECT_EQ(std::string(e.what()), "scenario: cannot read /nonexistent/x.json");
    }
}

TEST(ZuluClock, GivesYearDayOfYearAndSecondsOfDay) {
    struct Case {
        double seconds;
        std::int64_t year;
        std::int64_t dayOfYear;
        double secondsOfDay;
    };
    const Case cases[] = {
        {0.0, 1970, 1, 0.0},
        {1709168400.5, 2024, 60, 3600.5},   // 2024-02-29 01:00:00.5
        {1735689599.0, 2024, 366, 86399.0}, // 2024-12-31 23:59:59
        {1735689600.0, 2025, 1, 0.0},
        {951782400.0, 2000, 60, 0.0}, // 2000-02-29
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.seconds);
        const simstub::ZuluParts p = simstub::gf_zuluParts(k.seconds);
        EXPECT_EQ(p.year, k.year);
        EXPECT_EQ(p.dayOfYear, k.dayOfYear);
        EXPECT_EQ(p.secondsOfDay, k.secondsOfDay);
    }
}

} // namespace
