#include "app/final_exit.h"
#include "app/window_app.h"
#include "core/config_paths.h"
#include "core/exit_request.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "support/file_bytes.h"
#include "support/manual_clock.h"
#include "support/window_fixture.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using ksb::test::FakeWindowPort;

class RunMainWindowTest : public ksb::test::WindowFixture {
protected:
    // StartWorker runs a stand-in worker at once instead of on a thread; like the real one it
    // gives the window's count back.
    int workerRuns = 0;
    MainWindowEvents events{port,
                            [this] {
                                ++workerRuns;
                                activeWorkers.fetch_sub(1);
                            },
                            [](std::function<void()> body) { body(); }};
};

TEST_F(RunMainWindowTest, OpensTheWindowMakesTheDataFolderAndStartsTheWorker) {
    ASSERT_FALSE(std::filesystem::exists(gf_dataFolder()));
    gf_setWindowPort(nullptr);

    EXPECT_EQ(FakeWindowPort::kRanDry, gf_runMainWindow(port, events));

    EXPECT_EQ((FakeWindowPort::CreateCall{"KSBY_P3D", 400, 20, 880, 516}), port.created());
    EXPECT_TRUE(port.shown());
    EXPECT_EQ(41u, port.controls().size());
    EXPECT_EQ(&port, gf_windowPort());
    EXPECT_TRUE(std::filesystem::is_directory(appData.path() / "KSBY_P3D"));
    EXPECT_EQ(std::vector<ui::AppMessage>{ui::AppMessage::StartWorker}, port.posted());
    EXPECT_EQ(1, workerRuns);
    EXPECT_EQ(0, activeWorkers.load());
    // Messages now reach the window's line.
    gf_showMessage("hello", false);
    EXPECT_EQ("hello", mainWindow.messageText());
}

TEST_F(RunMainWindowTest, AnExistingDataFolderIsKept) {
    ksb::test::writeBytes(appData.path() / "KSBY_P3D" / "parameters.xml", "<x/>");
    EXPECT_EQ(FakeWindowPort::kRanDry, gf_runMainWindow(port, events));
    EXPECT_EQ("<x/>", ksb::test::readBytes(appData.path() / "KSBY_P3D" / "parameters.xml"));
}

TEST_F(RunMainWindowTest, ADataFolderThatCannotBeMadeEndsWithCodeOne) {
    // A file where the folder must go.
    ksb::test::writeBytes(appData.path() / "KSBY_P3D", "not a folder");
    const std::string line =
        "could not create the program data folder " + (appData.path() / "KSBY_P3D").string() + ": ";

    testing::internal::CaptureStderr();
    const int code = gf_runMainWindow(port, events);
    const std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(1, code);
    EXPECT_TRUE(port.posted().empty());
    EXPECT_EQ(0u, err.find(line)) << err;
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n'));
    const auto body = log->body();
    ASSERT_FALSE(body.empty());
    EXPECT_EQ("===> " + err.substr(0, err.size() - 1), body.back());
}

TEST_F(RunMainWindowTest, TheReadyFlagIsAwaitedEighteenTimesFiftyMilliseconds) {
    ksb::test::ManualClock clock(1'780'000'000.0, true);
    ksb::test::ScopedClock scoped(clock);
    mainWindow.ready = false;

    testing::internal::CaptureStderr();
    EXPECT_EQ(1, gf_runMainWindow(port, events));
    EXPECT_EQ("initInstance failed\n", testing::internal::GetCapturedStderr());

    EXPECT_EQ(std::vector<std::chrono::nanoseconds>(18, std::chrono::milliseconds(50)),
              clock.sleeps());
    EXPECT_FALSE(port.created().has_value());
    EXPECT_TRUE(log->contains("initInstance failed"));
    EXPECT_TRUE(port.posted().empty());
}

TEST_F(RunMainWindowTest, AReadyFlagThatComesDuringTheWaitOpensTheWindow) {
    ksb::test::ManualClock clock(1'780'000'000.0, true);
    ksb::test::ScopedClock scoped(clock);
    mainWindow.ready = false;
    clock.setSleepHook([&] {
        if (clock.sleepCount() == 18) {
            mainWindow.ready = true;
        }
    });

    EXPECT_TRUE(initInstance(port, events));
    EXPECT_EQ(18u, clock.sleepCount());
    EXPECT_TRUE(port.shown());
}

TEST_F(RunMainWindowTest, AWindowThatCannotBeMadeEndsWithCodeOneAndOneStderrLine) {
    port.failCreate(true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(1, gf_runMainWindow(port, events));
    EXPECT_EQ("initInstance failed\n", testing::internal::GetCapturedStderr());
    EXPECT_TRUE(log->contains("initInstance failed"));
    EXPECT_EQ(nullptr, gf_windowPort());
    EXPECT_TRUE(port.posted().empty());
    EXPECT_FALSE(std::filesystem::exists(appData.path() / "KSBY_P3D"));
}

TEST_F(RunMainWindowTest, TheCloseButtonEndsTheProgramThroughEndProgram) {
    exits.reset(); // the program's own exit handler
    // The exit runs in place, its sleeps passing in virtual time.
    gf_setExitThreadStarter([](std::function<void()> body) { body(); });
    ksb::test::ManualClock clock(1'780'000'000.0, true);
    ksb::test::ScopedClock scoped(clock);
    int idle = 0;
    port.setIdleHook([&] {
        // The user moves the window and clicks the close button once the worker has started.
        if (idle++ == 0) {
            port.setWindowRect({640, 200, 1520, 716});
            port.events()->onCloseRequested();
            return true;
        }
        return false;
    });

    EXPECT_EQ(0, gf_runMainWindow(port, events));

    EXPECT_EQ(
        (std::vector<ui::AppMessage>{ui::AppMessage::StartWorker, ui::AppMessage::EndProgram}),
        port.posted());
    EXPECT_EQ("Close window button clicked, closing KSBY_P3D ...", mainWindow.messageText());
    EXPECT_EQ(640, MAIN_WINDOW_X.value());
    EXPECT_EQ(200, MAIN_WINDOW_Y.value());
    EXPECT_FALSE(gf_logIsOpen());
    // The exit's 1.5 s of waits passed before the log closed.
    EXPECT_EQ("Thu May 28 20:26:41 2026", log->body().back());
    EXPECT_TRUE(log->contains("Exiting: USER CLOSED SIM"));
    EXPECT_TRUE(log->contains("User closed KSBY_P3D"));
    EXPECT_EQ(1u, stopRequested.load());
    gf_setExitThreadStarter({});
}

} // namespace
