#include "core/controls.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/parking_controls.h"
#include "core/time_shift_controls.h"
#include "support/window_fixture.h"

#include <gtest/gtest.h>

namespace {

class RunControlsTest : public ksb::test::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        std::filesystem::create_directories(appData / "KSBY_P3D");
        // Created as the window does: check boxes enabled, fields disabled and empty.
        for (const ui::ControlSpec& spec :
             {parking_percentage.createEdit(217, 34), MAX_FIT_FL.createEdit(460, 24),
              INITIAL_LOAD_ONLY.createCheckBox(323, false), PARK_SOFT.createCheckBox(151, true),
              PARK_FAKE.createCheckBox(5, false), WEEK.createCheckBox(71, false),
              RT_PARKTRAFFIC_ONLY.createCheckBox(536, false), SIM_TIME.createCheckBox(652, false),
              KEEP_SIM_TIME_PAR.createCheckBox(652, false), TIME_SHIFT_DAYS.createEdit(748, 30),
              TIME_SHIFT_HOURS.createEdit(748, 30), TIME_SHIFT_MINS.createEdit(748, 30)}) {
            gf_registerControl(spec);
            port.addControl(spec);
        }
        port.clearInvalidated();
    }

    bool enabled(const ParameterControl& control) {
        return port.widget(control.commandId())->enabled;
    }
    std::string text(const ParameterControl& control) {
        return port.widget(control.commandId())->text;
    }
};

TEST_F(RunControlsTest, ParkingControlsFollowParkTrafficOnly) {
    struct Case {
        const char* name;
        bool parkTrafficOnly;
        bool enabled;
        std::string percentage;
        std::string maxFit;
    };
    const Case cases[] = {
        {"own parked traffic", false, true, "30", "24"},
        {"the service's parked traffic only", true, false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Fields start with a text, so that emptying shows.
        lf_showIntParameter(parking_percentage);
        lf_showFloatParameter(MAX_FIT_FL);
        port.clearInvalidated();
        RT_PARKTRAFFIC_ONLY.setRaw(c.parkTrafficOnly);

        lf_enableParkingControls();

        for (const ParameterControl* control :
             {static_cast<const ParameterControl*>(&parking_percentage),
              static_cast<const ParameterControl*>(&MAX_FIT_FL),
              static_cast<const ParameterControl*>(&INITIAL_LOAD_ONLY),
              static_cast<const ParameterControl*>(&PARK_SOFT),
              static_cast<const ParameterControl*>(&PARK_FAKE),
              static_cast<const ParameterControl*>(&WEEK)}) {
            EXPECT_EQ(c.enabled, enabled(*control)) << control->commandId();
        }
        EXPECT_TRUE(enabled(RT_PARKTRAFFIC_ONLY));
        EXPECT_EQ(c.percentage, text(parking_percentage));
        EXPECT_EQ(c.maxFit, text(MAX_FIT_FL));
        EXPECT_EQ(kControlsRegion, port.invalidated().back());
    }
}

TEST_F(RunControlsTest, TimeShiftControls) {
    struct Case {
        const char* name;
        bool enable;
        bool simTime;
        bool fields;
        bool boxes;
    };
    const Case cases[] = {
        {"enabled, own time shift", true, false, true, true},
        {"enabled, simulator time", true, true, false, true},
        {"disabled", false, false, false, false},
        {"disabled, simulator time", false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port.clearInvalidated();
        SIM_TIME.setRaw(c.simTime);
        mainWindow.timeShiftControlsEnabled = !c.enable;

        lf_enableTimeShiftControls(c.enable);

        EXPECT_EQ(c.fields, enabled(TIME_SHIFT_DAYS));
        EXPECT_EQ(c.fields, enabled(TIME_SHIFT_HOURS));
        EXPECT_EQ(c.fields, enabled(TIME_SHIFT_MINS));
        EXPECT_EQ(c.boxes, enabled(SIM_TIME));
        EXPECT_EQ(c.boxes, enabled(KEEP_SIM_TIME_PAR));
        EXPECT_EQ(c.enable, mainWindow.timeShiftControlsEnabled.load());
        EXPECT_EQ(std::vector<ui::Rect>{kStatusRegion}, port.invalidated());
    }
}

TEST_F(RunControlsTest, TimeShiftFieldsSplitClampSaveAndShow) {
    struct Case {
        int minutes;
        std::vector<std::string> texts;
        std::vector<std::int32_t> values;
    };
    const Case cases[] = {
        {0, {"0", "0", "0"}, {0, 0, 0}},
        {1565, {"1", "2", "5"}, {1, 2, 5}},
        {59, {"0", "0", "59"}, {0, 0, 59}},
        {40320, {"28", "0", "0"}, {28, 0, 0}},
        // Beyond 28 days only the days are clamped.
        {50000, {"28", "17", "20"}, {28, 17, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minutes);
        lf_setTimeShiftFields(c.minutes);
        EXPECT_EQ(c.texts, (std::vector<std::string>{text(TIME_SHIFT_DAYS), text(TIME_SHIFT_HOURS),
                                                     text(TIME_SHIFT_MINS)}));
        EXPECT_EQ(c.values,
                  (std::vector<std::int32_t>{TIME_SHIFT_DAYS.value(), TIME_SHIFT_HOURS.value(),
                                             TIME_SHIFT_MINS.value()}));
    }
    // Each is saved in turn: days, hours, minutes.
    const auto body = log->body();
    std::vector<std::string> saves;
    for (const std::string& line : body) {
        if (line.rfind("TIME_SHIFT_", 0) == 0) {
            saves.push_back(line);
        }
    }
    ASSERT_GE(saves.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"TIME_SHIFT_DAYS=28", "TIME_SHIFT_HOURS=17",
                                        "TIME_SHIFT_MINS=20"}),
              std::vector<std::string>(saves.end() - 3, saves.end()));
}

} // namespace
