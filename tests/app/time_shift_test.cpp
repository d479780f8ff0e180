#include "airports/park_airport_state.h"
#include "app/range_fields.h"
#include "app/run_controls.h"
#include "app/time_shift.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "core/range_fields_hook.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "core/time_shift_controls.h"
#include "start_up_fixture.h"

#include <gtest/gtest.h>

namespace {

class TimeShiftTest : public ksb::test::StartUpFixture {
protected:
    void SetUp() override {
        StartUpFixture::SetUp();
        gf_readParameters(gf_parameterLists());
        mark_ = log->body().size();
        services->clearCalls();
    }

    // Log lines since SetUp, without the saves of parameters.xml.
    std::vector<std::string> newLines() const {
        std::vector<std::string> lines;
        const auto body = log->body();
        for (std::size_t i = mark_; i < body.size(); ++i) {
            if (body[i].find("\" saved") == std::string::npos) {
                lines.push_back(body[i]);
            }
        }
        return lines;
    }

    std::vector<std::string> fieldTexts() {
        return {widget(TIME_SHIFT_DAYS).text, widget(TIME_SHIFT_HOURS).text,
                widget(TIME_SHIFT_MINS).text};
    }

private:
    std::size_t mark_ = 0;
};

TEST_F(TimeShiftTest, ApplyingAShift) {
    struct Case {
        const char* name;
        int minutes;
        bool quiet;
        std::vector<std::string> stored; // days, hours, minutes
        std::vector<std::string> texts;
        std::string message;
        std::vector<std::string> lines;
        bool active;
    };
    const std::vector<std::string> saves1565{"TIME_SHIFT_DAYS=1", "TIME_SHIFT_HOURS=2",
                                             "TIME_SHIFT_MINS=5"};
    const std::vector<std::string> saves0{"TIME_SHIFT_DAYS=0", "TIME_SHIFT_HOURS=0",
                                          "TIME_SHIFT_MINS=0"};
    const auto with = [](std::vector<std::string> lines, const std::string& last) {
        lines.push_back(last);
        return lines;
    };
    const Case cases[] = {
        {"loud",
         1565,
         false,
         {"1", "2", "5"},
         {"1", "2", "5"},
         "Time shifted 1565 minutes",
         with(saves1565, "Time shifted 1565 minutes"),
         true},
        {"quiet", 1565, true, {"1", "2", "5"}, {"1", "2", "5"}, "", saves1565, true},
        {"one minute",
         1,
         false,
         {"0", "0", "1"},
         {"0", "0", "1"},
         "Time shifted 1 minute",
         {"TIME_SHIFT_DAYS=0", "TIME_SHIFT_HOURS=0", "TIME_SHIFT_MINS=1", "Time shifted 1 minute"},
         true},
        {"none",
         0,
         false,
         {"0", "0", "0"},
         {"", "", ""},
         "No time shift",
         with(saves0, "No time shift"),
         false},
        {"none, quiet",
         0,
         true,
         {"0", "0", "0"},
         {"", "", ""},
         "No time shift",
         with(saves0, "No time shift"),
         false},
        {"30 days",
         30 * 1440,
         false,
         {"28", "0", "0"},
         {"28", "0", "0"},
         "Time shifted 40320 minutes",
         {"Time shifting is limited to 4 weeks", "TIME_SHIFT_DAYS=28", "TIME_SHIFT_HOURS=0",
          "TIME_SHIFT_MINS=0", "Time shifted 40320 minutes"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();

        lf_applyTimeShift(c.minutes, c.quiet);

        EXPECT_EQ(c.stored, (std::vector<std::string>{stored("TIME_SHIFT_DAYS").value_or("?"),
                                                      stored("TIME_SHIFT_HOURS").value_or("?"),
                                                      stored("TIME_SHIFT_MINS").value_or("?")}));
        EXPECT_EQ(c.texts, fieldTexts());
        EXPECT_EQ(c.message, mainWindow.messageText());
        EXPECT_EQ(c.lines, newLines());
        EXPECT_EQ(c.active, timeShiftActive.load());
        EXPECT_EQ(std::vector<std::string>{fmt::format("gf_rtSetTimeOffset({})",
                                                       std::min(c.minutes, 40320))},
                  services->calls());
    }
}

TEST_F(TimeShiftTest, TheModeOfSimTime) {
    simUtcSeconds = 1'779'990'000;
    lastSimUtcSeconds = 5;
    lf_setTimeShiftFields(1565);
    timeShiftActive = true;

    lf_setCheckBox(SIM_TIME, true);
    lf_enableTimeShiftByMode();
    EXPECT_EQ(0, lastSimUtcSeconds.load());
    EXPECT_EQ((std::vector<std::string>{"1", "2", "5"}), fieldTexts());
    for (const ParameterControl* field : {&TIME_SHIFT_DAYS, &TIME_SHIFT_HOURS, &TIME_SHIFT_MINS}) {
        EXPECT_FALSE(widget(*field).enabled);
    }

    lf_setCheckBox(SIM_TIME, false);
    lf_enableTimeShiftByMode();
    EXPECT_EQ(1'779'990'000, lastSimUtcSeconds.load());
    EXPECT_EQ((std::vector<std::string>{"", "", ""}), fieldTexts());
    EXPECT_EQ("0", stored("TIME_SHIFT_DAYS"));
    EXPECT_FALSE(timeShiftActive.load());
    EXPECT_EQ("No time shift", mainWindow.messageText());
    for (const ParameterControl* field : {&TIME_SHIFT_DAYS, &TIME_SHIFT_HOURS, &TIME_SHIFT_MINS}) {
        EXPECT_TRUE(widget(*field).enabled);
    }
}

TEST_F(TimeShiftTest, ResettingTheFieldsSavesZero) {
    lf_setTimeShiftFields(1565);
    lf_resetTimeShiftFields();
    EXPECT_EQ(0, TIME_SHIFT_DAYS.value() + TIME_SHIFT_HOURS.value() + TIME_SHIFT_MINS.value());
    EXPECT_EQ("0", stored("TIME_SHIFT_DAYS"));
    EXPECT_EQ("0", stored("TIME_SHIFT_HOURS"));
    EXPECT_EQ("0", stored("TIME_SHIFT_MINS"));
}

TEST(AutomaticRangeTest, TheBands) {
    struct Case {
        const char* name;
        bool onGround;
        double altitude;
        std::optional<double> distance;
        int nm;
    };
    const Case cases[] = {
        {"on the ground", true, 40000.0, 100.0, 8},
        {"above the airport height", false, 18000.5, 3.0, 40},
        {"at the airport height, near", false, 18000.0, 3.0, 8},
        {"at 5 nm", false, 1000.0, 5.0, 8},
        {"just beyond 5 nm", false, 1000.0, 5.01, 8},
        {"20.4 nm", false, 1000.0, 20.4, 23},
        {"20.5 nm", false, 1000.0, 20.5, 24},
        {"just below 37 nm", false, 1000.0, 36.9, 40},
        {"at 37 nm", false, 1000.0, 37.0, 40},
        {"no park airport", false, 1000.0, std::nullopt, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.nm, lf_automaticRangeNm(c.onGround, c.altitude, 18000, c.distance));
    }
}

class RangeFieldsTest : public TimeShiftTest {};

TEST_F(RangeFieldsTest, TheRangeFollowsTheUserAndTheParkAirport) {
    struct Case {
        const char* name;
        bool onGround;
        double altitude;
        std::optional<ksb::ParkSnapshot> park;
        int range;
        double nm;
        int metres;
    };
    // 20.4 nm due north of the park airport (one degree of latitude is 60 nm on this sphere).
    const ksb::ParkSnapshot park{"EHAM", 52.0, 4.0};
    const double lat20 = 52.0 + 20.4 / (kEarthRadiusNM * 3.141592653589793 / 180.0);
    const Case cases[] = {
        {"on the ground", true, 0.0, park, 8, 8.0, 24816},
        {"above AIRPORT_HEIGHT", false, 18001.0, park, 40, 40.0, 84080},
        {"mid distance", false, 3000.0, park, 23, 23.0, 23 * 1852 + 10000},
        {"no park airport", false, 3000.0, std::nullopt, 40, 40.0, 84080},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        userOnGround = c.onGround;
        UserAircraftState user;
        user.latitude = lat20;
        user.longitude = 4.0;
        user.altitude = c.altitude;
        gf_setUserState(user);
        gf_parkAirportState().parkSnapshot.set(c.park);

        lf_updateRangeFields();

        EXPECT_EQ(c.range, LATERAL_RANGE.value());
        EXPECT_EQ(c.nm, injectionRadiusNm.load());
        EXPECT_EQ(c.metres, injectionRadiusMetres.load());
        // Not saved.
        EXPECT_EQ("40", stored("LATERAL_RANGE"));
        const bool changed = c.range != 40;
        EXPECT_EQ(changed ? std::to_string(c.range) : "40", widget(LATERAL_RANGE).text);
        EXPECT_EQ(changed ? std::vector<std::string>{"gf_rtUpdateQueryBox"}
                          : std::vector<std::string>{},
                  services->calls());
    }
}

TEST_F(RangeFieldsTest, TheQueryBoxFollowsOnlyAChange) {
    userOnGround = true;
    lf_updateRangeFields();
    lf_updateRangeFields();
    userOnGround = false;
    lf_updateRangeFields();
    EXPECT_EQ((std::vector<std::string>{"gf_rtUpdateQueryBox", "gf_rtUpdateQueryBox"}),
              services->calls());
}

TEST_F(RangeFieldsTest, TheParkAirportLoadReachesTheRangeThroughTheCoreHook) {
    gf_wireStartupServices();
    gf_setRtServices(services->rtTable());
    userOnGround = true;
    gf_updateRangeFields();
    EXPECT_EQ(8, LATERAL_RANGE.value());
    EXPECT_EQ(std::vector<std::string>{"gf_rtUpdateQueryBox"}, services->calls());
}

} // namespace
