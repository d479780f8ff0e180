#include "app/program_exit.h"
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

    EXPECT_EQ(0, gf_runMainWindow(port, events));

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

TEST_F(RunMainWindowTest, AWindowThatCannotBeMadeEndsWithCodeZero) {
    port.failCreate(true);
    EXPECT_EQ(0, gf_runMainWindow(port, events));
    EXPECT_TRUE(log->contains("initInstance failed"));
    EXPECT_EQ(nullptr, gf_windowPort());
    EXPECT_TRUE(port.posted().empty());
    EXPECT_FALSE(std::filesystem::exists(appData.path() / "KSBY_P3D"));
}

TEST_F(RunMainWindowTest, TheCloseButtonEndsTheProgramThroughEndProgram) {
    exits.reset(); // the program's own exit handler
    ksb::test::ManualClock clock(1'780'000'000.0);
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
    EXPECT_EQ("Thu May 28 20:26:40 2026", log->body().back());
}

TEST_F(RunMainWindowTest, TheProgramsExitHandlerEndsTheWindowOnlyForAFinalExit) {
    struct Case {
        ExitReason reason;
        bool posts;
    };
    const Case cases[] = {
        {ExitReason::SIM_WAS_CLOSED, true}, {ExitReason::USER_CLOSED_SIM, true},
        {ExitReason::SYSTEM_ERROR, true},   {ExitReason::RESTART, false},
        {ExitReason::RESTART_IPP, false},
    };
    for (const Case& c : cases) {
        const std::string reason(gf_exitReasonText(c.reason));
        SCOPED_TRACE(reason);
        const std::size_t before = port.posted().size();
        gf_programExitHandler().requestExit(c.reason, 30);
        const auto posted = port.posted();
        if (c.posts) {
            EXPECT_EQ(before + 1, posted.size());
            EXPECT_EQ(ui::AppMessage::EndProgram, posted.back());
        } else {
            EXPECT_EQ(before, posted.size());
            EXPECT_EQ("===> " + reason + " requested (30 s): restarting is not built yet",
                      log->body().back());
        }
    }
    // Without a window nothing is posted anywhere.
    gf_setWindowPort(nullptr);
    EXPECT_NO_THROW(gf_programExitHandler().requestExit(ExitReason::USER_CLOSED_SIM, 0));
}

} // namespace
