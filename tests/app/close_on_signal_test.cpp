// A termination signal closes the window as its close button does, once, and never during an
// exit.
#include "app/close_on_signal.h"

#include "app/final_exit.h"
#include "app/window_app.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/run_values.h"
#include "platform/termination_signals.h"
#include "support/window_fixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <vector>

namespace {

using ksb::test::RecordedExit;

class CloseOnSignalTest : public ksb::test::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        platform::installTerminationSignals();
    }
    void TearDown() override {
        platform::restoreTerminationSignals();
        WindowFixture::TearDown();
    }

    void check() {
        gf_closeOnTerminationSignal([this] {
            ++closes;
            events.onCloseRequested();
        });
    }

    MainWindowEvents events{port};
    int closes = 0;
};

TEST_F(CloseOnSignalTest, ASignalClosesLikeTheCloseButtonOnce) {
    check();
    EXPECT_EQ(0, closes);

    ASSERT_EQ(0, std::raise(SIGTERM));
    check();
    EXPECT_EQ(1, closes);
    EXPECT_EQ("Close window button clicked, closing KSBY_P3D ...", mainWindow.messageText());
    EXPECT_EQ((std::vector<RecordedExit>{{ExitReason::USER_CLOSED_SIM, 0}}), exits->all());

    // Taken: the periodic check finds nothing more.
    check();
    EXPECT_EQ(1, closes);
}

TEST_F(CloseOnSignalTest, ASecondSignalDuringTheExitChangesNothing) {
    // The program's own handler marks the exit; its thread does nothing here.
    exits.reset();
    gf_setExitHandler(&gf_finalExitHandler());
    gf_setExitThreadStarter([](std::function<void()>) {});

    ASSERT_EQ(0, std::raise(SIGINT));
    check();
    EXPECT_EQ(1, closes);
    EXPECT_EQ(1, exitInProgress.load());
    gf_showMessage("Exiting ...", false);

    ASSERT_EQ(0, std::raise(SIGTERM));
    ASSERT_EQ(0, std::raise(SIGHUP));
    for (int i = 0; i < 3; ++i) {
        check();
    }
    EXPECT_EQ(1, closes);
    EXPECT_EQ("Exiting ...", mainWindow.messageText());

    gf_setExitThreadStarter({});
    gf_setExitHandler(nullptr);
}

TEST_F(CloseOnSignalTest, ASignalDuringAnotherExitWaitsUntilARestartCountdownClearsIt) {
    exitInProgress = 1;
    ASSERT_EQ(0, std::raise(SIGTERM));
    check();
    EXPECT_EQ(0, closes);
    EXPECT_TRUE(exits->all().empty());

    // The restart's resets clear the flag for the countdown; the close then ends it.
    exitInProgress = 0;
    check();
    EXPECT_EQ(1, closes);
    EXPECT_EQ((std::vector<RecordedExit>{{ExitReason::USER_CLOSED_SIM, 0}}), exits->all());
}

} // namespace
