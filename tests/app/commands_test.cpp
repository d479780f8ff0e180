#include "airports/park_airport_state.h"
#include "app/commands.h"
#include "app/response_delay.h"
#include "commands_fixture.h"
#include "core/globals.h"
#include "core/message_sink.h"
#include "core/run_state.h"
#include "core/sim_session_state.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <stdexcept>

namespace {

using ksb::test::CommandsFixture;
using ksb::test::gf_liveAircraft;
using ksb::test::gf_staticAircraft;

constexpr const char* kEarlier = "earlier";
const std::string kDelay = "KSBY_P3D will respond in 10 seconds ...";

bool lf_has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class CommandsTest : public CommandsFixture {
protected:
    void SetUp() override {
        CommandsFixture::SetUp();
        gf_parkAirportState().parkAirportLoaded = true;
        secondsCounter = 20;
    }
};

// One row per check box: the message after the click to on and to off (kEarlier: the line is
// left alone, "": cleared), the flags and the calls of each direction.
struct BoxCase {
    const char* name;
    CheckBoxParameter* box;
    std::string onMessage;
    std::string offMessage;
    bool parkSettingsChanged = false; // both directions
    bool renewal = false;             // staticRenewalRequested, both directions
    bool offLogged = false;           // the off message is logged (the time shift's)
    std::vector<std::string> offEngine = {};
    std::vector<std::string> offFeed = {};
    std::function<void(CommandsFixture&, bool on)> extra = {};
};

TEST_F(CommandsTest, EveryCheckBoxFlipsIsSavedAndDoesItsStep) {
    const BoxCase cases[] = {
        {"SCAN_LIVERIES", &SCAN_LIVERIES,
         "Your liveries will be scanned at the next start of KSBY_P3D, recommended after you have "
         "add/removed AI aircraft models/liveries",
         ""},
        {"SCAN_AIRPORTS", &SCAN_AIRPORTS,
         "Your airports will be scanned at the next start of KSBY_P3D, recommended after you have "
         "add/removed airports",
         ""},
        {"LIG_AUTOMATIC", &LIG_AUTOMATIC, "",
         "The liveries defined by your lfolder parameters will be scanned"},
        {"LIG_PRIORITIZE", &LIG_PRIORITIZE,
         "Liveries in lower lfolders that are already available will be skipped", ""},
        {"AFG_AUTOMATIC", &AFG_AUTOMATIC, "",
         "The airports defined by your afolder parameters will be scanned"},
        {"SUPPRESS_STUB", &SUPPRESS_STUB,
         "Exclude FSLTL-liveries titles ending with _STUB from scan", ""},
        {"COLLISION_USER_AIR", &COLLISION_USER_AIR, "",
         "Be aware, no collision avoidance with user aircraft in the air"},
        {"COLLISION_USER_GND", &COLLISION_USER_GND, "",
         "Be aware, no collision avoidance with user aircraft on the ground"},
        {"COLLISION_LIVE_PARKED_GND", &COLLISION_LIVE_PARKED_GND, "",
         "Be aware, no collision avoidance with live aircraft vs parked static on the ground"},
        {"GUID_CHANGES", &GUID_CHANGES, "",
         "Be aware, no more livery updates: you miss correct data for Learn, LittleNavMap, etc.."},
        {"ALWAYS_ON_TOP",
         &ALWAYS_ON_TOP,
         "KSBY_P3D's window will remain visible",
         "",
         false,
         false,
         false,
         {},
         {},
         [](CommandsFixture& f, bool on) { EXPECT_EQ(std::optional<bool>(on), f.port.topmost()); }},
        {"INITIAL_LOAD_ONLY", &INITIAL_LOAD_ONLY,
         "Initial Load Only: static parked aircraft are generated once, no renewal every 20 "
         "minutes",
         "", true},
        {"LEARN_SOFT", &LEARN_SOFT, kEarlier, kEarlier, true},
        {"PARK_SOFT", &PARK_SOFT, kDelay, kDelay, true, true},
        {"PARK_FAKE", &PARK_FAKE, kDelay, kDelay, true, true},
        {"WEEK", &WEEK, kDelay, kDelay, true, true},
        {"RT_PARKTRAFFIC_ONLY",
         &RT_PARKTRAFFIC_ONLY,
         kDelay,
         kDelay,
         true,
         true,
         false,
         {},
         {},
         [](CommandsFixture& f, bool on) {
             EXPECT_EQ(on ? 1 : 0, parkTrafficOnlyLatch.load());
             EXPECT_EQ(!on, f.enabled(parking_percentage));
             EXPECT_EQ(!on, f.enabled(MAX_FIT_FL));
             EXPECT_EQ(!on, f.enabled(WEEK));
             EXPECT_EQ(on ? "" : "30", f.text(parking_percentage));
             const auto regions = f.port.invalidated();
             EXPECT_NE(regions.end(), std::find(regions.begin(), regions.end(), kStatisticsRegion));
         }},
        {"AUTO_RANGE",
         &AUTO_RANGE,
         kEarlier,
         "",
         true,
         false,
         false,
         {},
         {},
         [](CommandsFixture& f, bool on) { EXPECT_EQ(!on, f.enabled(LATERAL_RANGE)); }},
        {"NAV_LIGHTS_WHILE_PARKED", &NAV_LIGHTS_WHILE_PARKED, kEarlier, kEarlier},
        {"SIM_TIME",
         &SIM_TIME,
         kEarlier,
         "No time shift",
         false,
         true,
         true,
         {"gf_removeAllStatic()"},
         {"gf_rtSetTimeOffset(0)"},
         [](CommandsFixture& f, bool on) {
             EXPECT_EQ(!on, f.enabled(TIME_SHIFT_DAYS));
             EXPECT_EQ(!on, f.enabled(TIME_SHIFT_MINS));
         }},
        {"KEEP_SIM_TIME_PAR", &KEEP_SIM_TIME_PAR, kEarlier, kEarlier},
        {"LOG", &LOG, kEarlier, kEarlier},
        {"LIGHT_AIRCRAFT", &LIGHT_AIRCRAFT, kEarlier, kEarlier},
        {"HELICOPTERS", &HELICOPTERS, kEarlier, kEarlier},
        {"HIGH_PERF_AIRCRAFT", &HIGH_PERF_AIRCRAFT, kEarlier, kEarlier},
    };
    std::set<const CheckBoxParameter*> covered;
    for (const BoxCase& c : cases) {
        covered.insert(c.box);
        for (const bool on : {true, false}) {
            SCOPED_TRACE(fmt::format("{} {}", c.name, on ? "on" : "off"));
            TearDown();
            SetUp();
            lf_setCheckBox(*c.box, !on);
            gf_showMessage(kEarlier, false);

            EXPECT_TRUE(lf_onCommand(c.box->commandId()));

            EXPECT_EQ(on, c.box->value());
            EXPECT_EQ(on, port.widget(c.box->commandId())->checked);
            // Saved before the handler returned.
            EXPECT_EQ(on ? "true" : "false", stored(c.box->name()));
            const std::string& message = on ? c.onMessage : c.offMessage;
            EXPECT_EQ(message, mainWindow.messageText());
            const auto lines = newLines();
            EXPECT_TRUE(lf_has(lines, fmt::format("{}={}", c.box->name(), on)));
            if (message != kEarlier && !message.empty()) {
                EXPECT_EQ(!on && c.offLogged, lf_has(lines, message));
            }
            EXPECT_EQ(c.parkSettingsChanged, parkSettingsChanged.load());
            // SIM_TIME renews only when it drops the traffic (off).
            EXPECT_EQ(c.renewal && (c.box != &SIM_TIME || !on), staticRenewalRequested.load());
            EXPECT_EQ(on ? std::vector<std::string>{} : c.offEngine, engine->calls());
            EXPECT_EQ(on ? std::vector<std::string>{} : c.offFeed, services->calls());
            if (c.extra) {
                c.extra(*this, on);
            }

            // A second click restores the box.
            EXPECT_TRUE(lf_onCommand(c.box->commandId()));
            EXPECT_EQ(!on, c.box->value());
            EXPECT_EQ(!on, port.widget(c.box->commandId())->checked);
            EXPECT_EQ(!on ? "true" : "false", stored(c.box->name()));
        }
    }
    const auto boxes = gf_parameterLists().checkBoxes;
    EXPECT_EQ(std::set<const CheckBoxParameter*>(boxes.begin(), boxes.end()), covered);
}

TEST_F(CommandsTest, ParkSettingsOfTheAirportFollowOnlyWithAParkAirport) {
    for (CheckBoxParameter* box : {&INITIAL_LOAD_ONLY, &LEARN_SOFT}) {
        SCOPED_TRACE(box->name());
        TearDown();
        SetUp();
        gf_parkAirportState().parkAirportLoaded = false;
        EXPECT_TRUE(lf_onCommand(box->commandId()));
        EXPECT_FALSE(parkSettingsChanged.load());
    }
}

TEST_F(CommandsTest, AnIdOfNoControlChangesNothing) {
    gf_showMessage(kEarlier, false);
    for (const std::uint16_t id :
         {std::uint16_t{0}, std::uint16_t{1}, MAX_LIVE.commandId(), SIM_INSTALL_PATH.commandId()}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(lf_onCommand(id));
    }
    EXPECT_EQ(kEarlier, mainWindow.messageText());
    EXPECT_FALSE(stored("LOG").has_value());
    EXPECT_TRUE(engine->calls().empty());
}

TEST_F(CommandsTest, TheFourButtons) {
    struct Case {
        const char* name;
        ButtonParameter* button;
        std::function<void(CommandsTest&)> before;
        std::string message;
        bool logged;
        bool enabledAfter;
        std::function<void(CommandsTest&)> check;
    };
    const Case cases[] = {
        {"Unblock with a callsign", &UNBLOCK_BUTTON,
         [](CommandsTest&) { BLOCK_CALLSIGN.setValue("AB12"); },
         "no more blocking of live aircraft \"AB12\"", true, false,
         [](CommandsTest& t) {
             EXPECT_EQ("", BLOCK_CALLSIGN.value());
             EXPECT_EQ("", t.stored("BLOCK_CALLSIGN"));
             EXPECT_TRUE(blockCallsignChanged.load());
         }},
        {"Unblock without one", &UNBLOCK_BUTTON, [](CommandsTest&) {},
         "Nothing to block or unblock...", false, true,
         [](CommandsTest&) { EXPECT_FALSE(blockCallsignChanged.load()); }},
        {"Check version with new versions", &CHECK_VERSION_BUTTON,
         [](CommandsTest&) {
             DATA_CHECKED_AT_DATE.setValue("20261210");
             gf_setNewVersionsSource([] { return "New versions for: dbase (3.1.0)"; });
         },
         "New versions for: dbase (3.1.0) ==> exit KSBY_P3D and restart ...", false, false,
         [](CommandsTest& t) {
             EXPECT_EQ("", DATA_CHECKED_AT_DATE.value());
             EXPECT_EQ("", t.stored("DATA_CHECKED_AT_DATE"));
         }},
        {"Check version, up to date", &CHECK_VERSION_BUTTON,
         [](CommandsTest&) {
             DATA_CHECKED_AT_DATE.setValue("20261210");
             gf_setNewVersionsSource([] { return std::string(); });
         },
         "KSBY_P3D is up to date", false, false,
         [](CommandsTest& t) { EXPECT_EQ("20261210", t.stored("DATA_CHECKED_AT_DATE")); }},
        {"Check version fails", &CHECK_VERSION_BUTTON,
         [](CommandsTest&) {
             DATA_CHECKED_AT_DATE.setValue("20261210");
             gf_setNewVersionsSource(
                 []() -> std::string { throw std::runtime_error("cannot remove temporary file"); });
         },
         "cannot remove temporary file", true, false,
         [](CommandsTest& t) {
             EXPECT_EQ("20261210", t.stored("DATA_CHECKED_AT_DATE"));
             EXPECT_EQ("", mainWindow.errorText());
             EXPECT_TRUE(t.exits->all().empty());
         }},
        {"Re-read", &REREAD_BUTTON, [](CommandsTest&) {}, kEarlier, false, false,
         [](CommandsTest&) { EXPECT_TRUE(reservedStandCheckPending.load()); }},
        {"Flush static", &FLUSH_STATIC_BUTTON, [](CommandsTest&) {},
         "All static parked aircraft will be removed ...", false, false,
         [](CommandsTest&) { EXPECT_TRUE(flushStaticRequested.load()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.before(*this);
        newLines();
        gf_showMessage(kEarlier, false);

        click(c.button->commandId());

        EXPECT_EQ(c.message, mainWindow.messageText());
        EXPECT_EQ(c.logged, lf_has(newLines(), c.message));
        EXPECT_EQ(c.enabledAfter, enabled(*c.button));
        if (c.check) {
            c.check(*this);
        }
    }
}

TEST_F(CommandsTest, TheResponseDelay) {
    struct Case {
        const char* name;
        bool parkAirport;
        bool initialLoadOnly;
        int seconds;
        std::string message;
        bool parkSettingsChanged;
        bool renewal;
    };
    const Case cases[] = {
        {"at a multiple of 15", true, false, 30, "KSBY_P3D will respond in 15 seconds ...", true,
         true},
        {"one before", true, false, 29, "KSBY_P3D will respond in 1 second ...", true, true},
        {"one after", true, false, 31, "KSBY_P3D will respond in 14 seconds ...", true, true},
        {"at the start", true, false, 0, "KSBY_P3D will respond in 15 seconds ...", true, true},
        {"the last second of the day", true, false, 86399, "KSBY_P3D will respond in 1 second ...",
         true, true},
        {"initial load only", true, true, 20, kEarlier, true, false},
        {"no park airport", false, false, 20, "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        gf_parkAirportState().parkAirportLoaded = c.parkAirport;
        lf_setCheckBox(INITIAL_LOAD_ONLY, c.initialLoadOnly);
        secondsCounter = c.seconds;
        gf_showMessage(kEarlier, false);

        lf_showResponseDelay();

        EXPECT_EQ(c.message, mainWindow.messageText());
        EXPECT_FALSE(lf_has(newLines(), c.message));
        EXPECT_EQ(c.parkSettingsChanged, parkSettingsChanged.load());
        EXPECT_EQ(c.renewal, staticRenewalRequested.load());
    }
}

TEST_F(CommandsTest, AutoRangeOnAndOffReturnsTheUsersRange) {
    lf_setCheckBox(AUTO_RANGE, false);
    LATERAL_RANGE.setRaw(33);
    injectionRadiusNm = 33.0;
    injectionRadiusMetres = 33 * 1852 + 10000;
    lf_showIntParameter(LATERAL_RANGE);
    userOnGround = true;

    click(AUTO_RANGE.commandId());
    EXPECT_EQ(33, userLateralRange.load());
    EXPECT_EQ(8, LATERAL_RANGE.value());
    EXPECT_EQ(8.0, injectionRadiusNm.load());
    EXPECT_EQ(24816, injectionRadiusMetres.load());
    EXPECT_EQ("8", text(LATERAL_RANGE));
    EXPECT_FALSE(enabled(LATERAL_RANGE));
    EXPECT_EQ(std::vector<std::string>{"gf_rtUpdateQueryBox"}, services->calls());

    click(AUTO_RANGE.commandId());
    EXPECT_EQ(33, LATERAL_RANGE.value());
    EXPECT_EQ(33.0, injectionRadiusNm.load());
    EXPECT_EQ(33 * 1852 + 10000, injectionRadiusMetres.load());
    EXPECT_EQ("33", text(LATERAL_RANGE));
    EXPECT_TRUE(enabled(LATERAL_RANGE));
    // The automatic range was never saved.
    EXPECT_FALSE(stored("LATERAL_RANGE").has_value());
    EXPECT_EQ("false", stored("AUTO_RANGE"));
}

TEST_F(CommandsTest, NavLightsReachOnlyTheParkedAircraftInTheSimulator) {
    engine->statics() = {gf_staticAircraft("S1", LiveState::inSimulator, 101),
                         gf_staticAircraft("S2", LiveState::creationRequested, 102),
                         gf_staticAircraft("S3", LiveState::inSimulator, 103)};
    engine->live() = {
        gf_liveAircraft("L1", LiveState::inSimulator, 201, FlightPhase::parked),
        gf_liveAircraft("L2", LiveState::inSimulator, 202, FlightPhase::taxi),
        gf_liveAircraft("L3", LiveState::creationRequested, 203, FlightPhase::parked),
        gf_liveAircraft("L4", LiveState::beingRemoved, 204, FlightPhase::parked),
        gf_liveAircraft("L5", LiveState::inSimulator, 205, FlightPhase::parked),
    };
    ASSERT_TRUE(NAV_LIGHTS_WHILE_PARKED.value());

    click(NAV_LIGHTS_WHILE_PARKED.commandId());
    click(NAV_LIGHTS_WHILE_PARKED.commandId());

    EXPECT_EQ((std::vector<std::string>{"navLights(101, false)", "navLights(103, false)",
                                        "navLights(201, false)", "navLights(205, false)",
                                        "navLights(101, true)", "navLights(103, true)",
                                        "navLights(201, true)", "navLights(205, true)"}),
              linkCalls());
    EXPECT_EQ(std::vector<bool>(8, true), linkHeld());
    // Released on the way out.
    ASSERT_TRUE(trafficState.trafficMutex.try_lock());
    trafficState.trafficMutex.unlock();
}

} // namespace
