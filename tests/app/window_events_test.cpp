#include "app/window_app.h"
#include "core/exceptions.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "support/manual_clock.h"
#include "support/scoped_current_dir.h"
#include "support/temp_folder.h"
#include "support/window_fixture.h"

#include <gtest/gtest.h>
#include <system_error>

namespace {

using ksb::test::RecordedExit;

class WindowEventsTest : public ksb::test::WindowFixture {};

TEST_F(WindowEventsTest, CloseShowsTheMessageAndAsksForTheExitButKeepsTheWindow) {
    MainWindowEvents events(port);
    events.onCloseRequested();

    EXPECT_EQ("Close window button clicked, closing KSBY_P3D ...", mainWindow.messageText());
    EXPECT_FALSE(log->contains("Close window button clicked"));
    EXPECT_EQ((std::vector<RecordedExit>{{ExitReason::USER_CLOSED_SIM, 0}}), exits->all());
    // The window goes only when the exit sends EndProgram.
    EXPECT_FALSE(port.quitCode().has_value());
    EXPECT_TRUE(port.posted().empty());
    EXPECT_TRUE(gf_logIsOpen());
}

TEST_F(WindowEventsTest, CloseWhileAnErrorStandsStillAsksForTheExit) {
    MainWindowEvents events(port);
    gf_showError("1001: RT error");
    events.onCloseRequested();
    EXPECT_EQ("", mainWindow.messageText());
    EXPECT_EQ("1001: RT error", mainWindow.errorText());
    EXPECT_EQ((std::vector<RecordedExit>{{ExitReason::USER_CLOSED_SIM, 0}}), exits->all());
}

TEST_F(WindowEventsTest, EveryCommandInvalidatesTheControlsRegion) {
    // "Check version" downloads into the working folder.
    const ksb::test::TempFolder work;
    const ksb::test::ScopedCurrentDir inWork(work.path());
    MainWindowEvents events(port);
    for (std::uint16_t id :
         {ALWAYS_ON_TOP.commandId(), CHECK_VERSION_BUTTON.commandId(), std::uint16_t{1}}) {
        SCOPED_TRACE(id);
        port.clearInvalidated();
        events.onCommand(id);
        // The control's own step may repaint other regions (a message) first.
        ASSERT_FALSE(port.invalidated().empty());
        EXPECT_EQ(kControlsRegion, port.invalidated().back());
    }
}

TEST_F(WindowEventsTest, StartWorkerCountsTheWorkerBeforeItStarts) {
    struct Case {
        const char* name;
        std::int32_t before;
    };
    for (const Case c : {Case{"first worker", 0}, Case{"readers running", 2}}) {
        SCOPED_TRACE(c.name);
        activeWorkers = c.before;
        std::vector<std::int32_t> seenAtLaunch, seenInWorker;
        MainWindowEvents events(
            port,
            [&] {
                seenInWorker.push_back(activeWorkers.load());
                lf_startUpKSBY();
            },
            [&](std::function<void()> body) {
                seenAtLaunch.push_back(activeWorkers.load());
                body(); // a thread that runs at once
            });
        events.onAppMessage(ui::AppMessage::StartWorker);
        EXPECT_EQ(std::vector<std::int32_t>{c.before + 1}, seenAtLaunch);
        EXPECT_EQ(std::vector<std::int32_t>{c.before + 1}, seenInWorker);
        // The worker gives its count back, however it ends (here: without "docs").
        EXPECT_EQ(c.before, activeWorkers.load());
    }
}

TEST_F(WindowEventsTest, AFailedWorkerStartIsUndoneAndReported) {
    struct Case {
        const char* name;
        std::function<void()> fail;
        std::string error;
        std::vector<RecordedExit> exits;
    };
    const std::system_error noThread(
        std::make_error_code(std::errc::resource_unavailable_try_again), "thread");
    const Case cases[] = {
        {"system error",
         [&] { throw noThread; },
         std::string("lf_wndProc: ") + noThread.what(),
         {{ExitReason::SYSTEM_ERROR, 0}}},
        {"user error", [] { throw ksb::UserErrorException(7, "no worker"); }, "7: no worker", {}},
        {"not a standard exception", [] { throw 42; }, "Unknown exception", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exits.emplace();
        mainWindow.clearError();
        activeWorkers = 1;
        bool ran = false;
        MainWindowEvents events(
            port, [&] { ran = true; }, [&](std::function<void()>) { c.fail(); });
        EXPECT_NO_THROW(events.onAppMessage(ui::AppMessage::StartWorker));
        EXPECT_FALSE(ran);
        EXPECT_EQ(1, activeWorkers.load());
        EXPECT_EQ(c.error, mainWindow.errorText());
        EXPECT_EQ(c.exits, exits->all());
    }
}

TEST_F(WindowEventsTest, EndProgramSavesThePositionWritesTheTimeClosesTheLogAndQuits) {
    ksb::test::ManualClock clock(1'780'000'000.0);
    ksb::test::ScopedClock scoped(clock);
    MainWindowEvents events(port);
    ASSERT_TRUE(port.create("KSBY_P3D", 400, 20, kWindowWidth, kWindowHeight, events));
    port.setWindowRect({512, 64, 1392, 580});
    port.post(ui::AppMessage::EndProgram);
    EXPECT_EQ(1u, port.pump());

    EXPECT_EQ(512, MAIN_WINDOW_X.value());
    EXPECT_EQ(64, MAIN_WINDOW_Y.value());
    EXPECT_FALSE(gf_logIsOpen());
    gf_log("after the close");
    ASSERT_FALSE(log->body().empty());
    EXPECT_EQ("Thu May 28 20:26:40 2026", log->body().back());
    EXPECT_EQ(std::optional<int>(0), port.quitCode());
}

TEST_F(WindowEventsTest, EndProgramKeepsTheStartPositionForACornerAtALimit) {
    MainWindowEvents events(port);
    MAIN_WINDOW_X.setRaw(250);
    MAIN_WINDOW_Y.setRaw(30);
    port.setWindowRect({-32000, -32000, -31840, -31972});
    events.onAppMessage(ui::AppMessage::EndProgram);
    EXPECT_EQ(250, MAIN_WINDOW_X.value());
    EXPECT_EQ(30, MAIN_WINDOW_Y.value());
    EXPECT_EQ(std::optional<int>(0), port.quitCode());
}

} // namespace
