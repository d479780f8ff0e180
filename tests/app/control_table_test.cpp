#include "app/window_app.h"
#include "core/controls.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "support/window_fixture.h"

#include <gtest/gtest.h>
#include <set>

namespace {

using ui::Kind;

struct ExpectedControl {
    const char* name;
    Kind kind;
    std::uint16_t id;
    int x;
    int row;
    int width;
};

// The window's table, written out independently of the code's.
constexpr ExpectedControl kExpected[] = {
    {"SIM_INSTALL_PATH", Kind::Edit, 32788, 111, 119, 1200},
    {"SCAN_LIVERIES", Kind::CheckBox, 32797, 5, 175, 12},
    {"LIG_AUTOMATIC", Kind::CheckBox, 32798, 217, 175, 12},
    {"LIG_PRIORITIZE", Kind::CheckBox, 32799, 323, 175, 12},
    {"SUPPRESS_STUB", Kind::CheckBox, 32800, 430, 175, 12},
    {"LOG", Kind::CheckBox, 32779, 652, 175, 12},
    {"ALWAYS_ON_TOP", Kind::CheckBox, 32771, 748, 175, 12},
    {"SCAN_AIRPORTS", Kind::CheckBox, 32802, 5, 203, 12},
    {"AFG_AUTOMATIC", Kind::CheckBox, 32803, 217, 203, 12},
    {"NAV_LIGHTS_WHILE_PARKED", Kind::CheckBox, 32778, 652, 203, 12},
    {"LEARN_SOFT", Kind::CheckBox, 32777, 748, 203, 12},
    {"MATCHING_DEPTH", Kind::Edit, 32808, 217, 231, 24},
    {"LIGHT_AIRCRAFT", Kind::CheckBox, 32809, 323, 231, 12},
    {"HELICOPTERS", Kind::CheckBox, 32810, 430, 231, 12},
    {"HIGH_PERF_AIRCRAFT", Kind::CheckBox, 32811, 536, 231, 12},
    {"GUID_CHANGES", Kind::CheckBox, 32773, 748, 231, 12},
    {"LATERAL_RANGE", Kind::Edit, 32818, 217, 259, 34},
    {"AUTO_RANGE", Kind::CheckBox, 32819, 323, 259, 12},
    {"MAX_LIVE", Kind::Edit, 32820, 576, 259, 34},
    {"Check version", Kind::Button, 32780, 692, 257, 120},
    {"TIME_SHIFT_DAYS", Kind::Edit, 32858, 748, 315, 30},
    {"COLLISION_USER_GND", Kind::CheckBox, 32834, 217, 315, 12},
    {"COLLISION_USER_AIR", Kind::CheckBox, 32833, 323, 315, 12},
    {"COLLISION_LIVE_PARKED_GND", Kind::CheckBox, 32835, 430, 315, 12},
    {"SIM_TIME", Kind::CheckBox, 32861, 652, 287, 12},
    {"TIME_SHIFT_HOURS", Kind::Edit, 32859, 748, 287, 30},
    {"BLOCK_CALLSIGN", Kind::Edit, 32828, 217, 287, 100},
    {"Unblock", Kind::Button, 32829, 323, 285, 70},
    {"KEEP_SIM_TIME_PAR", Kind::CheckBox, 32862, 652, 343, 12},
    {"TIME_SHIFT_MINS", Kind::Edit, 32860, 748, 343, 30},
    {"AIRPORT_RANGE", Kind::Edit, 32839, 343, 343, 34},
    {"AIRPORT_HEIGHT", Kind::Edit, 32840, 586, 343, 50},
    {"PARK_FAKE", Kind::CheckBox, 32856, 5, 371, 12},
    {"WEEK", Kind::CheckBox, 32852, 71, 371, 12},
    {"PARK_SOFT", Kind::CheckBox, 32850, 151, 371, 12},
    {"parking_percentage", Kind::Edit, 32848, 217, 371, 34},
    {"INITIAL_LOAD_ONLY", Kind::CheckBox, 32849, 323, 371, 12},
    {"MAX_FIT_FL", Kind::Edit, 32853, 460, 371, 24},
    {"RT_PARKTRAFFIC_ONLY", Kind::CheckBox, 32854, 536, 371, 12},
    {"Flush static", Kind::Button, 32855, 642, 369, 90},
    {"Re-read", Kind::Button, 32838, 758, 369, 90},
};

// Check boxes checked by default.
const std::set<std::string> kCheckedByDefault = {"GUID_CHANGES",
                                                 "LEARN_SOFT",
                                                 "NAV_LIGHTS_WHILE_PARKED",
                                                 "LOG",
                                                 "SCAN_LIVERIES",
                                                 "LIG_AUTOMATIC",
                                                 "SUPPRESS_STUB",
                                                 "SCAN_AIRPORTS",
                                                 "AFG_AUTOMATIC",
                                                 "LIGHT_AIRCRAFT",
                                                 "HELICOPTERS",
                                                 "HIGH_PERF_AIRCRAFT",
                                                 "AUTO_RANGE",
                                                 "COLLISION_USER_AIR",
                                                 "COLLISION_USER_GND",
                                                 "PARK_SOFT"};

class ControlTableTest : public ksb::test::WindowFixture {};

TEST_F(ControlTableTest, TableRowsNameTheirParameters) {
    const auto& table = controlTable();
    ASSERT_EQ(std::size(kExpected), table.size());
    std::set<std::uint16_t> ids;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const ExpectedControl& want = kExpected[i];
        SCOPED_TRACE(want.name);
        const auto* parameter = dynamic_cast<const Parameter*>(table[i].control);
        ASSERT_NE(nullptr, parameter);
        EXPECT_EQ(want.name, parameter->name());
        EXPECT_EQ(want.kind, table[i].kind);
        EXPECT_EQ(want.id, table[i].control->commandId());
        EXPECT_EQ(want.row, table[i].control->row());
        EXPECT_TRUE(ids.insert(want.id).second) << "duplicate id";
    }
    // MAX_FIT is an edit parameter without a control.
    EXPECT_EQ(0u, ids.count(MAX_FIT.commandId()));
}

TEST_F(ControlTableTest, CreationMakesEveryControlAtItsPlaceWithItsStartState) {
    // Check marks come from the values in force, not from the defaults.
    ALWAYS_ON_TOP.setRaw(true);
    GUID_CHANGES.setRaw(false);
    lf_onCreate(port);

    const auto specs = port.controls();
    ASSERT_EQ(std::size(kExpected), specs.size());
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const ExpectedControl& want = kExpected[i];
        SCOPED_TRACE(want.name);
        const ui::ControlSpec& got = specs[i];
        const std::string name = want.name;
        EXPECT_EQ(want.id, got.id);
        EXPECT_EQ(want.kind, got.kind);
        EXPECT_EQ(want.x, got.x);
        switch (want.kind) {
        case Kind::CheckBox: {
            EXPECT_EQ(want.row + 2, got.y);
            EXPECT_EQ(12, got.w);
            EXPECT_EQ(12, got.h);
            EXPECT_EQ("", got.label);
            EXPECT_TRUE(got.enabled);
            const bool checked = name == "ALWAYS_ON_TOP" ||
                                 (name != "GUID_CHANGES" && kCheckedByDefault.count(name) == 1);
            EXPECT_EQ(checked, got.checked);
            break;
        }
        case Kind::Button:
            EXPECT_EQ(want.row, got.y);
            EXPECT_EQ(want.width, got.w);
            EXPECT_EQ(20, got.h);
            EXPECT_EQ(name, got.label);
            EXPECT_FALSE(got.enabled);
            EXPECT_FALSE(got.checked);
            break;
        case Kind::Edit:
            EXPECT_EQ(want.row, got.y);
            EXPECT_EQ(want.width, got.w);
            EXPECT_EQ(16, got.h);
            EXPECT_EQ("", got.label);
            EXPECT_FALSE(got.enabled);
            EXPECT_FALSE(got.checked);
            break;
        }
        // The mirror starts as the widget does.
        const auto state = gf_controlState(want.id);
        ASSERT_TRUE(state.has_value());
        EXPECT_EQ(got.enabled, state->enabled);
        EXPECT_EQ(got.checked, state->checked);
        EXPECT_EQ(want.kind == Kind::Button ? name : std::string(), state->text);
        EXPECT_EQ(state->text, port.text(want.id));
    }
    EXPECT_FALSE(gf_controlState(MAX_FIT.commandId()).has_value());
    EXPECT_EQ(std::vector<ui::Rect>{kControlsRegion}, port.invalidated());
}

TEST_F(ControlTableTest, WindowCreationRunsTheCreateEvent) {
    MainWindowEvents events(port);
    ASSERT_TRUE(port.create("KSBY_P3D", 400, 20, kWindowWidth, kWindowHeight, events));
    EXPECT_EQ(std::size(kExpected), port.controls().size());
}

} // namespace
