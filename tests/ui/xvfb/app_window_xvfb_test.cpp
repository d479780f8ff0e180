// The real window logic and paint on the FLTK window: the start state and a filled model, each
// captured to a PNG to be looked at, with a few pixels and controls checked.
#include "app/window_app.h"
#include "core/controls.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "support/recording_sinks.h"
#include "ui/fltk/fltk_app.h"
#include "ui/fltk/fltk_window_port.h"
#include "x_tools.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using ui::Rgb;

constexpr double kBound = 10.0;

class AppWindow : public ::testing::Test {
protected:
    void SetUp() override {
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

    Rgb pixel(const ksb::test::Screen& screen, int x, int y) const {
        return screen.at(MAIN_WINDOW_X.value() + x, MAIN_WINDOW_Y.value() + y);
    }

    void save(const char* name) const {
        ksb::test::savePng(std::filesystem::path(KSBY_SCREENSHOT_DIR) / name, MAIN_WINDOW_X.value(),
                           MAIN_WINDOW_Y.value(), kWindowWidth, kWindowHeight);
    }

    ksb::test::RecordingExitHandler exits;
    ui::FltkWindowPort port;
    MainWindowEvents events{port};
};

TEST_F(AppWindow, StartStateShowsTheControlsOfTheTable) {
    save("app_window_start.png");
    const ksb::test::Screen screen = ksb::test::captureScreen();
    EXPECT_EQ(pixel(screen, 411, 100), colours::red) << "Sim block before the simulator";
    EXPECT_EQ(pixel(screen, 440, 40), colours::black) << "RT block while pending";
    EXPECT_EQ(pixel(screen, 600, 465), colours::green) << "message strip";
    EXPECT_EQ(pixel(screen, 300, 130), colours::lightBlue) << "controls region";
    for (const ControlRow& row : controlTable()) {
        EXPECT_TRUE(gf_controlState(row.control->commandId()).has_value());
    }
}

TEST_F(AppWindow, FilledModelShowsStatusStatisticsAndAMessage) {
    mainWindow.simConnected = true;
    mainWindow.flightLoaded = true;
    mainWindow.setText(WindowText::userTitle, "Test B738 Lufthansa D-ABYA", kStatusRegion);
    mainWindow.setText(WindowText::simulatorText, "Lockheed Martin Prepar3D v5 5.3.17.28160",
                       kStatusRegion);
    mainWindow.setText(WindowText::userStand, "A26", kStatusRegion);
    mainWindow.liveriesCount = 4812;
    mainWindow.orbxAirports = 12;
    mainWindow.thirdpartyAirports = 57;
    mainWindow.servicePending = false;
    mainWindow.sessionEstablished = true;
    mainWindow.weatherCell = 1;
    mainWindow.trafficCell = 2;
    mainWindow.qnh = 1017;
    mainWindow.liveCount = 37;
    mainWindow.parkAirportLoaded = true;
    mainWindow.setText(WindowText::airportDisplayName, "EDDF", kStatisticsRegion);
    mainWindow.setText(WindowText::parkAirportName, "Frankfurt Main", kStatisticsRegion);
    mainWindow.setText(WindowText::parkAirportSecond, "FlyTampa", kStatisticsRegion);
    mainWindow.setText(WindowText::parkQuality, "0.82/0.64", kStatisticsRegion);
    mainWindow.setText(WindowText::reservedStand, "V155", kStatisticsRegion);
    mainWindow.reservedStandValid = true;
    mainWindow.handmadeMark = true;
    mainWindow.updateCount = 3;
    mainWindow.stands = 412;
    mainWindow.parkedLive = 9;
    mainWindow.liveParkedAverageFit = 2.5f;
    mainWindow.staticTarget = 120;
    mainWindow.parkedStatic = 118;
    mainWindow.staticAverageFit = 4.0f;
    mainWindow.minutesToRenewal = 12;
    mainWindow.tbloAirports = 2;
    gf_showMessage("Traffic reader started", false);
    gf_invalidate({0, 0, kWindowWidth, kWindowHeight});
    ASSERT_TRUE(settle());
    save("app_window_filled.png");
    const ksb::test::Screen screen = ksb::test::captureScreen();
    EXPECT_EQ(pixel(screen, 411, 100), colours::green) << "Sim block with a flight";
    EXPECT_EQ(pixel(screen, 440, 100), colours::green) << "RT block with a session";

    gf_showError("41: KSBY_P3D must be run from the KSBY_P3D folder!");
    ASSERT_TRUE(settle());
    const ksb::test::Screen withError = ksb::test::captureScreen();
    EXPECT_EQ(pixel(withError, 600, 465), colours::red) << "message strip under an error";
}

} // namespace
