// Every parameter object against the table of settings: kind, default, range, command id, row.
#include "core/controls.h"
#include "core/parameters.h"
#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/parameters_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace {

struct CheckBoxRow {
    CheckBoxParameter* parameter;
    const char* name;
    bool defaultValue;
    std::uint16_t id;
    std::int32_t row;
};

constexpr CheckBoxRow kCheckBoxes[] = {
    {&ALWAYS_ON_TOP, "ALWAYS_ON_TOP", false, 32771, 175},
    {&GUID_CHANGES, "GUID_CHANGES", true, 32773, 231},
    {&LEARN_SOFT, "LEARN_SOFT", true, 32777, 203},
    {&NAV_LIGHTS_WHILE_PARKED, "NAV_LIGHTS_WHILE_PARKED", true, 32778, 203},
    {&LOG, "LOG", true, 32779, 175},
    {&SCAN_LIVERIES, "SCAN_LIVERIES", true, 32797, 175},
    {&LIG_AUTOMATIC, "LIG_AUTOMATIC", true, 32798, 175},
    {&LIG_PRIORITIZE, "LIG_PRIORITIZE", false, 32799, 175},
    {&SUPPRESS_STUB, "SUPPRESS_STUB", true, 32800, 175},
    {&SCAN_AIRPORTS, "SCAN_AIRPORTS", true, 32802, 203},
    {&AFG_AUTOMATIC, "AFG_AUTOMATIC", true, 32803, 203},
    {&LIGHT_AIRCRAFT, "LIGHT_AIRCRAFT", true, 32809, 231},
    {&HELICOPTERS, "HELICOPTERS", true, 32810, 231},
    {&HIGH_PERF_AIRCRAFT, "HIGH_PERF_AIRCRAFT", true, 32811, 231},
    {&AUTO_RANGE, "AUTO_RANGE", true, 32819, 259},
    {&COLLISION_USER_AIR, "COLLISION_USER_AIR", true, 32833, 315},
    {&COLLISION_USER_GND, "COLLISION_USER_GND", true, 32834, 315},
    {&COLLISION_LIVE_PARKED_GND, "COLLISION_LIVE_PARKED_GND", false, 32835, 315},
    {&INITIAL_LOAD_ONLY, "INITIAL_LOAD_ONLY", false, 32849, 371},
    {&PARK_SOFT, "PARK_SOFT", true, 32850, 371},
    {&WEEK, "WEEK", false, 32852, 371},
    {&RT_PARKTRAFFIC_ONLY, "RT_PARKTRAFFIC_ONLY", false, 32854, 371},
    {&PARK_FAKE, "PARK_FAKE", false, 32856, 371},
    {&SIM_TIME, "SIM_TIME", false, 32861, 287},
    {&KEEP_SIM_TIME_PAR, "KEEP_SIM_TIME_PAR", false, 32862, 343},
};

struct IntFieldRow {
    IntEditParameter* parameter;
    const char* name;
    std::int32_t defaultValue, min, max;
    std::uint16_t id;
    std::int32_t row;
};

constexpr IntFieldRow kIntFields[] = {
    {&MATCHING_DEPTH, "MATCHING_DEPTH", 4, 1, 4, 32808, 231},
    {&LATERAL_RANGE, "LATERAL_RANGE", 40, 2, 100, 32818, 259},
    {&MAX_LIVE, "MAX_LIVE", 300, 6, 300, 32820, 259},
    {&AIRPORT_RANGE, "AIRPORT_RANGE", 20, 8, 30, 32839, 343},
    {&AIRPORT_HEIGHT, "AIRPORT_HEIGHT", 18000, 2000, 45000, 32840, 343},
    {&parking_percentage, "parking_percentage", 30, 0, 100, 32848, 371},
    {&MAX_FIT, "MAX_FIT", 47, 0, 47, 32851, 371},
    {&TIME_SHIFT_DAYS, "TIME_SHIFT_DAYS", 0, 0, 28, 32858, 315},
    {&TIME_SHIFT_HOURS, "TIME_SHIFT_HOURS", 0, 0, 23, 32859, 287},
    {&TIME_SHIFT_MINS, "TIME_SHIFT_MINS", 0, 0, 59, 32860, 343},
};

struct ControlRowOnly {
    const ParameterControl* control;
    const Parameter* parameter;
    const char* name;
    std::uint16_t id;
    std::int32_t row;
};

// Text edit fields and buttons (a button's name is its label).
const ControlRowOnly kTextFieldsAndButtons[] = {
    {&SIM_INSTALL_PATH, &SIM_INSTALL_PATH, "SIM_INSTALL_PATH", 32788, 119},
    {&BLOCK_CALLSIGN, &BLOCK_CALLSIGN, "BLOCK_CALLSIGN", 32828, 287},
    {&CHECK_VERSION_BUTTON, &CHECK_VERSION_BUTTON, "Check version", 32780, 257},
    {&UNBLOCK_BUTTON, &UNBLOCK_BUTTON, "Unblock", 32829, 285},
    {&REREAD_BUTTON, &REREAD_BUTTON, "Re-read", 32838, 369},
    {&FLUSH_STATIC_BUTTON, &FLUSH_STATIC_BUTTON, "Flush static", 32855, 369},
};

struct NumberRow {
    IntParameter* parameter;
    const char* name;
    std::int32_t defaultValue, min, max;
};

constexpr NumberRow kNumbers[] = {
    {&MAIN_WINDOW_X, "MAIN_WINDOW_X", 400, -30000, 30000},
    {&MAIN_WINDOW_Y, "MAIN_WINDOW_Y", 20, -30000, 30000},
    {&CUSTOM_PARKING_PERCENTAGE, "CUSTOM_PARKING_PERCENTAGE", -1, -1, 100},
    {&LAST_EPOCH_TIME, "LAST_EPOCH_TIME", 0, 0, 2147483647},
    {&P3D_VERSION, "P3D_VERSION", 5, 5, 6},
};

struct TextRow {
    StringParameter* parameter;
    const char* name;
};

const TextRow kTexts[] = {
    {&PROGRAM_INSTALL_PATH, "PROGRAM_INSTALL_PATH"},
    {&PROGRAM_VERSION, "PROGRAM_VERSION"},
    {&ARCHIVE_VERSION, "ARCHIVE_VERSION"},
    {&DBASE_VERSION, "DBASE_VERSION"},
    {&AIG_VERSION, "AIG_VERSION"},
    {&DATA_CHECKED_AT_DATE, "DATA_CHECKED_AT_DATE"},
    {&lfolder0, "lfolder0"},
    {&lfolder1, "lfolder1"},
    {&lfolder2, "lfolder2"},
    {&lfolder3, "lfolder3"},
    {&lfolder4, "lfolder4"},
    {&lfolder5, "lfolder5"},
    {&lfolder6, "lfolder6"},
    {&lfolder7, "lfolder7"},
    {&lfolder8, "lfolder8"},
    {&lfolder9, "lfolder9"},
    {&afolder0, "afolder0"},
    {&afolder1, "afolder1"},
    {&afolder2, "afolder2"},
    {&afolder3, "afolder3"},
    {&afolder4, "afolder4"},
    {&afolder5, "afolder5"},
    {&afolder6, "afolder6"},
    {&afolder7, "afolder7"},
    {&afolder8, "afolder8"},
    {&afolder9, "afolder9"},
    {&META_AUTHOR, "author"},
    {&META_DATE, "date"},
    {&META_VERSION, "version"},
};

TEST(ParameterTable, EveryObjectMatchesItsRow) {
    ksb::test::ParametersFixture fixture;
    std::set<const Parameter*> seen;
    std::map<std::uint16_t, std::string> ids;
    const auto noteId = [&ids](std::uint16_t id, const std::string& name) {
        const auto [it, inserted] = ids.emplace(id, name);
        EXPECT_TRUE(inserted) << name << " shares id " << id << " with " << it->second;
    };

    for (const CheckBoxRow& row : kCheckBoxes) {
        SCOPED_TRACE(row.name);
        seen.insert(row.parameter);
        EXPECT_EQ(row.parameter->name(), row.name);
        EXPECT_EQ(row.parameter->value(), row.defaultValue);
        EXPECT_EQ(row.parameter->defaultValue(), row.defaultValue);
        EXPECT_EQ(row.parameter->min(), row.defaultValue);
        EXPECT_EQ(row.parameter->max(), row.defaultValue);
        EXPECT_EQ(row.parameter->commandId(), row.id);
        EXPECT_EQ(row.parameter->row(), row.row);
        noteId(row.id, row.name);
    }
    for (const IntFieldRow& row : kIntFields) {
        SCOPED_TRACE(row.name);
        seen.insert(row.parameter);
        EXPECT_EQ(row.parameter->name(), row.name);
        EXPECT_EQ(row.parameter->value(), row.defaultValue);
        EXPECT_EQ(row.parameter->defaultValue(), row.defaultValue);
        EXPECT_EQ(row.parameter->min(), row.min);
        EXPECT_EQ(row.parameter->max(), row.max);
        EXPECT_EQ(row.parameter->commandId(), row.id);
        EXPECT_EQ(row.parameter->row(), row.row);
        noteId(row.id, row.name);
    }
    {
        SCOPED_TRACE("MAX_FIT_FL");
        seen.insert(&MAX_FIT_FL);
        EXPECT_EQ(MAX_FIT_FL.name(), "MAX_FIT_FL");
        EXPECT_EQ(MAX_FIT_FL.value(), 24.0f);
        EXPECT_EQ(MAX_FIT_FL.defaultValue(), 24.0f);
        EXPECT_EQ(MAX_FIT_FL.min(), 0.5f);
        EXPECT_EQ(MAX_FIT_FL.max(), 24.0f);
        EXPECT_EQ(MAX_FIT_FL.commandId(), 32853);
        EXPECT_EQ(MAX_FIT_FL.row(), 371);
        noteId(32853, "MAX_FIT_FL");
    }
    for (const ControlRowOnly& row : kTextFieldsAndButtons) {
        SCOPED_TRACE(row.name);
        seen.insert(row.parameter);
        EXPECT_EQ(row.parameter->name(), row.name);
        EXPECT_EQ(row.control->commandId(), row.id);
        EXPECT_EQ(row.control->row(), row.row);
        if (const auto* text = dynamic_cast<const TextEditParameter*>(row.parameter)) {
            EXPECT_EQ(text->value(), "");
            EXPECT_EQ(text->defaultValue(), "");
        } else {
            EXPECT_NE(dynamic_cast<const ButtonParameter*>(row.parameter), nullptr);
        }
        noteId(row.id, row.name);
    }
    for (const NumberRow& row : kNumbers) {
        SCOPED_TRACE(row.name);
        seen.insert(row.parameter);
        EXPECT_EQ(row.parameter->name(), row.name);
        EXPECT_EQ(dynamic_cast<ParameterControl*>(row.parameter), nullptr);
        EXPECT_EQ(row.parameter->value(), row.defaultValue);
        EXPECT_EQ(row.parameter->defaultValue(), row.defaultValue);
        EXPECT_EQ(row.parameter->min(), row.min);
        EXPECT_EQ(row.parameter->max(), row.max);
    }
    for (const TextRow& row : kTexts) {
        SCOPED_TRACE(row.name);
        seen.insert(row.parameter);
        EXPECT_EQ(row.parameter->name(), row.name);
        EXPECT_EQ(dynamic_cast<ParameterControl*>(row.parameter), nullptr);
        EXPECT_EQ(row.parameter->value(), "");
        EXPECT_EQ(row.parameter->defaultValue(), "");
    }
    // The copyright line is ours to choose, but it must be there: the meta block writes it.
    seen.insert(&META_COPYRIGHT);
    EXPECT_EQ(META_COPYRIGHT.name(), "copyright");
    EXPECT_FALSE(META_COPYRIGHT.value().empty());

    // Nothing in the program's list of parameters is missing from the table, nor the reverse.
    std::set<const Parameter*> all;
    for (const Parameter* parameter : gf_allParameters()) {
        EXPECT_TRUE(all.insert(parameter).second) << parameter->name() << " listed twice";
    }
    EXPECT_EQ(all, seen);
}

TEST(ParameterTable, ValuesChangeWithoutTouchingDefaultOrRange) {
    IntParameter number("TEST_NUMBER", 7, -3, 12);
    EXPECT_EQ(number.value(), 7);
    number.setRaw(99);
    EXPECT_EQ(number.value(), 99);
    EXPECT_EQ(number.defaultValue(), 7);
    EXPECT_EQ(number.min(), -3);
    EXPECT_EQ(number.max(), 12);

    struct Case {
        const char* name;
        std::int32_t given;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"inside", 5, 5},  {"at min", -3, -3}, {"at max", 12, 12},
        {"below", -4, -3}, {"above", 13, 12},  {"far below", INT32_MIN, -3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        number.setClamped(c.given);
        EXPECT_EQ(number.value(), c.expected);
    }

    BoolParameter flag("TEST_FLAG", true);
    EXPECT_TRUE(flag.value());
    EXPECT_TRUE(flag.min());
    EXPECT_TRUE(flag.max());
}

class ToggleTest : public ::testing::Test {
protected:
    ksb::test::ParametersFixture fixture;
    ksb::test::LogCapture log;
};

TEST_F(ToggleTest, ForeignIdChangesNothing) {
    gf_registerControl(LOG.createCheckBox(652, LOG.value()));
    EXPECT_FALSE(LOG.toggle(ALWAYS_ON_TOP.commandId()));
    EXPECT_TRUE(LOG.value());
    EXPECT_TRUE(gf_controlState(LOG.commandId())->checked);
    EXPECT_FALSE(std::filesystem::exists(fixture.parametersFile()));
    EXPECT_TRUE(log.body().empty());
}

TEST_F(ToggleTest, OwnIdFlipsShowsAndSavesBeforeReturning) {
    gf_registerControl(LOG.createCheckBox(652, LOG.value()));
    ksb::test::writeBytes(fixture.parametersFile(), "<?xml version=\"1.0\"?>\n<parameters>\n"
                                                    "\t<parameter name=\"LOG\" value=\"true\" />\n"
                                                    "\t<parameter name=\"WEEK\" value=\"true\" />\n"
                                                    "</parameters>\n");

    EXPECT_TRUE(LOG.toggle(LOG.commandId()));
    EXPECT_FALSE(LOG.value());
    EXPECT_FALSE(gf_controlState(LOG.commandId())->checked);
    EXPECT_EQ(ksb::test::readBytes(fixture.parametersFile()),
              "<?xml version=\"1.0\"?>\n<parameters>\n"
              "\t<parameter name=\"LOG\" value=\"false\" />\n"
              "\t<parameter name=\"WEEK\" value=\"true\" />\n"
              "</parameters>\n");

    EXPECT_TRUE(LOG.toggle(LOG.commandId()));
    EXPECT_TRUE(LOG.value());
    EXPECT_TRUE(gf_controlState(LOG.commandId())->checked);
    const std::string saved = "\"" + fixture.parametersFile().string() + "\" saved";
    EXPECT_EQ(log.body(), (std::vector<std::string>{"LOG=false", saved, "LOG=true", saved}));
}

} // namespace
