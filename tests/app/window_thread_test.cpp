#include "app/window_app.h"
#include "core/controls.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "support/wait_for.h"
#include "support/window_fixture.h"

#include <atomic>
#include <chrono>
#include <fmt/format.h>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

class NullCanvas final : public ui::Canvas {
public:
    void fillRect(ui::Rect, ui::Rgb) override {}
    void line(int, int, int, int, ui::Rgb) override {}
    void text(int, int, std::string_view, ui::Rgb) override {}
};

using ksb::test::waitFor;

class WindowThreadTest : public ksb::test::WindowFixture {};

TEST_F(WindowThreadTest, ManyWritersWhileTheGuiDrainsAndPaints) {
    MainWindowEvents events(port);
    ASSERT_TRUE(port.create("KSBY_P3D", 400, 20, kWindowWidth, kWindowHeight, events));
    constexpr int kRounds = 400;

    // The writers start together once the GUI loop runs.
    std::atomic<bool> go{false};
    std::vector<std::thread> writers;
    writers.emplace_back([&go] {
        go.wait(false);
        for (int i = 0; i < kRounds; ++i) {
            MAX_LIVE.setRaw(i);
            lf_showIntParameter(MAX_LIVE);
        }
    });
    writers.emplace_back([&go] {
        go.wait(false);
        for (int i = 0; i < kRounds; ++i) {
            lf_setCheckBox(WEEK, i % 2 == 0);
        }
    });
    writers.emplace_back([&go] {
        go.wait(false);
        for (int i = 0; i < kRounds; ++i) {
            gf_enableControl(REREAD_BUTTON.commandId(), i % 2 == 0);
        }
    });
    writers.emplace_back([&go] {
        go.wait(false);
        for (int i = 0; i < kRounds; ++i) {
            gf_showMessage(fmt::format("message {}", i), false);
            if (i % 50 == 0) {
                gf_showError(fmt::format("error {}", i));
                mainWindow.clearError();
            }
        }
    });
    writers.emplace_back([&go] {
        go.wait(false);
        for (int i = 0; i < kRounds; ++i) {
            mainWindow.tickMessageClock();
        }
    });
    writers.emplace_back([&go] {
        go.wait(false);
        for (int i = 0; i < kRounds; ++i) {
            mainWindow.liveCount = i;
            mainWindow.setText(WindowText::userTitle, fmt::format("title {}", i), kStatusRegion);
        }
    });
    // Two threads write the same field.
    for (char who : {'A', 'B'}) {
        writers.emplace_back([&go, who] {
            go.wait(false);
            for (int i = 0; i < kRounds; ++i) {
                BLOCK_CALLSIGN.assign(fmt::format("{}{}", who, i));
                lf_showTextParameter(BLOCK_CALLSIGN);
                gf_enableControl(BLOCK_CALLSIGN.commandId(), who == 'A');
            }
        });
    }
    std::atomic<bool> done{false};
    std::thread joiner([&] {
        for (auto& t : writers) {
            t.join();
        }
        done = true;
    });

    // The GUI thread.
    NullCanvas canvas;
    int frames = 0;
    do {
        port.pump();
        port.paint(canvas);
        const MainWindowSnapshot s = mainWindow.snapshot();
        EXPECT_TRUE(s.message.empty() || s.error.empty());
        for (const ControlRow& row : controlTable()) {
            (void)gf_controlState(row.control->commandId());
            (void)port.text(row.control->commandId());
        }
        if (++frames == 1) {
            go = true;
            go.notify_all();
        }
    } while (!done.load());
    joiner.join();

    // The last write per control and property wins, in the mirror and in the widget alike.
    for (const ControlRow& row : controlTable()) {
        const std::uint16_t id = row.control->commandId();
        SCOPED_TRACE(id);
        const auto state = gf_controlState(id);
        const auto widget = port.widget(id);
        ASSERT_TRUE(state && widget);
        EXPECT_EQ(state->text, widget->text);
        EXPECT_EQ(state->enabled, widget->enabled);
        EXPECT_EQ(state->checked, widget->checked);
    }
    EXPECT_EQ(fmt::format("{}", kRounds - 1), port.text(MAX_LIVE.commandId()));
    EXPECT_FALSE(port.checked(WEEK.commandId()));
    EXPECT_FALSE(WEEK.value());
    EXPECT_FALSE(port.widget(REREAD_BUTTON.commandId())->enabled);
    EXPECT_EQ(BLOCK_CALLSIGN.value().substr(1), std::to_string(kRounds - 1));
    EXPECT_EQ(kRounds - 1, mainWindow.liveCount.load());
    EXPECT_EQ(fmt::format("title {}", kRounds - 1), mainWindow.text(WindowText::userTitle));
    EXPECT_EQ(kRounds, mainWindow.messageClock.load());
    EXPECT_EQ("", mainWindow.errorText());
    EXPECT_EQ(mainWindow.messageText().empty(), mainWindow.messageShownAt.load() == 0);
}

TEST_F(WindowThreadTest, StartWorkerCountsTheWorkerBeforeItsThreadRuns) {
    // A restart starts a new worker in the same window: run it twice.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        auto entered = std::make_shared<std::promise<std::int32_t>>();
        std::future<std::int32_t> seen = entered->get_future();
        MainWindowEvents events(port, [entered] {
            const std::int32_t atEntry = activeWorkers.load();
            lf_startUpKSBY();
            entered->set_value(atEntry);
        });
        events.onAppMessage(ui::AppMessage::StartWorker);
        ASSERT_EQ(std::future_status::ready, seen.wait_for(30s));
        EXPECT_EQ(1, seen.get());
        EXPECT_EQ(0, activeWorkers.load());
    }
}

TEST_F(WindowThreadTest, TheProgramRunsItsWorkerAndEndsOnTheCloseButton) {
    exits.reset(); // the program's own exit handler
    port.setIdleHook([this] {
        if (port.quitCode()) {
            return false;
        }
        // The user closes the window once the worker has ended.
        EXPECT_TRUE(waitFor([] { return activeWorkers.load() == 0; }));
        port.events()->onCloseRequested();
        return true;
    });
    EXPECT_EQ(0, gf_runMainWindow(port));
    EXPECT_EQ(
        (std::vector<ui::AppMessage>{ui::AppMessage::StartWorker, ui::AppMessage::EndProgram}),
        port.posted());
}

} // namespace
