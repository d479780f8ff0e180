// Typing and clicking in the real window reach the window logic: a number typed into a field is
// clamped and saved on Enter, and a click on a check box flips it once and saves it.
#include "app/window_app.h"
#include "core/controls.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "support/parameters_fixture.h"
#include "support/log_capture.h"
#include "support/recording_sinks.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"
#include "ui/fltk/fltk_app.h"
#include "ui/fltk/fltk_window_port.h"
#include "x_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

// Generous: the bound only matters when something is broken.
constexpr double kBound = 10.0;

class CommandsOnTheWindow : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(appData.path() / "KSBY_P3D");
        gf_setWindowPort(&port);
        gf_setMessageSink(&gf_windowMessageSink());
        MAIN_WINDOW_X.setRaw(60);
        MAIN_WINDOW_Y.setRaw(30);
        ASSERT_TRUE(port.create("KSBY_P3D", MAIN_WINDOW_X.value(), MAIN_WINDOW_Y.value(),
                                kWindowWidth, kWindowHeight, events));
        port.show();
        ASSERT_TRUE(settle()) << "the window was never drawn";
    }
    void TearDown() override {
        gf_setMessageSink(nullptr);
        gf_setWindowPort(nullptr);
    }

    bool settle() {
        const bool drawn = ui::fltkPumpUntil([&] { return port.drawn(); }, kBound);
        ui::fltkSync();
        return drawn;
    }

    // The middle of a control in root coordinates, from the control table.
    void clickControl(const ParameterControl& control) {
        for (const ControlRow& row : controlTable()) {
            if (row.control != &control) {
                continue;
            }
            const bool box = row.kind == ui::Kind::CheckBox;
            const int width = box ? 12 : row.width;
            const int height = box ? 12 : (row.kind == ui::Kind::Button ? 20 : 16);
            const int top = control.row() + (box ? 2 : 0);
            ksb::test::clickAt(MAIN_WINDOW_X.value() + row.x + std::min(width, 60) / 2,
                               MAIN_WINDOW_Y.value() + top + height / 2);
            return;
        }
        throw std::out_of_range("no such control");
    }

    std::optional<std::string> stored(const std::string& name) const {
        return ksb::test::storedParameter(appData.path() / "KSBY_P3D" / "parameters.xml", name);
    }

    ksb::test::TempFolder appData;
    ksb::test::ScopedEnv appDataEnv{"KSBY_APPDATA", appData.path().string()};
    ksb::test::LogCapture log;
    ksb::test::RecordingExitHandler exits;
    ui::FltkWindowPort port;
    MainWindowEvents events{port};
};

TEST_F(CommandsOnTheWindow, ATypedNumberIsClampedAndSavedOnEnter) {
    // Edit fields start disabled until start-up hands them to the user.
    gf_enableControl(AIRPORT_RANGE.commandId(), true);
    ASSERT_TRUE(settle());
    clickControl(AIRPORT_RANGE);
    ksb::test::typeText("50");
    ksb::test::pressKey("Return");
    ASSERT_TRUE(ui::fltkPumpUntil([] { return AIRPORT_RANGE.value() != 20; }, kBound));
    EXPECT_EQ(30, AIRPORT_RANGE.value());
    EXPECT_EQ("30", stored("AIRPORT_RANGE"));
    ASSERT_TRUE(settle());
    EXPECT_EQ("30", port.text(AIRPORT_RANGE.commandId()));
    EXPECT_EQ("The new AIRPORT_RANGE is 30", mainWindow.messageText());
}

TEST_F(CommandsOnTheWindow, ACheckBoxClickFlipsItOnceAndSavesIt) {
    ASSERT_TRUE(LOG.value());
    gf_enableControl(REREAD_BUTTON.commandId(), true);
    ASSERT_TRUE(settle());
    clickControl(LOG);
    // The button behind it fences off every earlier event.
    clickControl(REREAD_BUTTON);
    ASSERT_TRUE(ui::fltkPumpUntil([] { return reservedStandCheckPending.load(); }, kBound));
    EXPECT_FALSE(LOG.value());
    EXPECT_EQ("false", stored("LOG"));
    ASSERT_TRUE(settle());
    EXPECT_FALSE(port.checked(LOG.commandId()));
    EXPECT_FALSE(port.enabled(REREAD_BUTTON.commandId()));
}

} // namespace
