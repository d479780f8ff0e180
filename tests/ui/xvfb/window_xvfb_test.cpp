// The FLTK window on a virtual screen, driven through the port with events of the test's own:
// where it sits, what it paints, and how clicks, keys, other threads and the close button
// reach the events.
#include "support/recording_sinks.h"
#include "ui/fltk/fltk_app.h"
#include "ui/fltk/fltk_window_port.h"
#include "x_tools.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using ui::AppMessage;
using ui::Kind;
using ui::Rect;
using ui::Rgb;

// Not the program's default place, so a place taken from anywhere else shows.
constexpr int kLeft = 123;
constexpr int kTop = 45;
constexpr int kWidth = 880;
constexpr int kHeight = 516;
// Generous: the bound only matters when something is broken.
constexpr double kBound = 10.0;

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kLightBlue{153, 204, 255};
constexpr Rgb kGreen{50, 205, 50};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rect kMessageStrip{0, 448, 880, 476};

constexpr std::uint16_t kInstallPath = 32788;
constexpr std::uint16_t kScanLiveries = 32797;
constexpr std::uint16_t kLigAutomatic = 32798;
constexpr std::uint16_t kMatchingDepth = 32808;
constexpr std::uint16_t kCheckVersion = 32780;
constexpr std::uint16_t kUnblock = 32829;

// A few controls of each kind where the program puts them; the install path is wider than
// the window, as in the program.
const std::vector<ui::ControlSpec>& lf_controls() {
    static const std::vector<ui::ControlSpec> controls{
        {kInstallPath, Kind::Edit, 111, 119, 1200, 16, "", false, false},
        {kScanLiveries, Kind::CheckBox, 5, 177, 12, 12, "", true, false},
        {kLigAutomatic, Kind::CheckBox, 217, 177, 12, 12, "", true, true},
        {kMatchingDepth, Kind::Edit, 217, 231, 24, 16, "", false, false},
        {kCheckVersion, Kind::Button, 692, 257, 120, 20, "Check version", true, false},
        {kUnblock, Kind::Button, 323, 285, 70, 20, "Unblock", false, false},
    };
    return controls;
}

const ui::ControlSpec& lf_spec(std::uint16_t id) {
    for (const ui::ControlSpec& spec : lf_controls()) {
        if (spec.id == id) {
            return spec;
        }
    }
    throw std::out_of_range("no such control");
}

void lf_clickControl(std::uint16_t id) {
    const ui::ControlSpec& s = lf_spec(id);
    ksb::test::clickAt(kLeft + s.x + std::min(s.w, kWidth - s.x) / 2, kTop + s.y + s.h / 2);
}

// The window's events as the test sees them: the program's bands, lines and a few labels,
// and a record of everything that arrives.
class TestEvents final : public ui::WindowEvents {
public:
    explicit TestEvents(ui::WindowPort& port) : port_(port) {}

    void onCreate() override {
        ++creates;
        for (const ui::ControlSpec& spec : lf_controls()) {
            port_.addControl(spec);
        }
    }

    void onPaint(ui::Canvas& canvas) override {
        canvas.fillRect(Rect{0, 0, 880, 28}, kBlack);
        canvas.fillRect(Rect{0, 28, 880, 112}, kBlack);
        canvas.fillRect(Rect{0, 112, 880, 392}, kLightBlue);
        canvas.fillRect(Rect{0, 392, 880, 448}, kBlack);
        canvas.fillRect(kMessageStrip, kGreen);
        for (int y : {28, 113, 449, 392}) {
            canvas.line(0, y, 880, y, kWhite);
        }
        canvas.text(3, 7, "Version 1.2.3", kGreen);
        canvas.text(390, 7, "KSBY_P3D", kGreen);
        for (const Rect& s :
             {Rect{0, 140, 880, 140}, Rect{0, 168, 880, 168}, Rect{0, 196, 642, 196},
              Rect{0, 224, 642, 224}, Rect{0, 252, 880, 252}, Rect{0, 280, 880, 280},
              Rect{0, 308, 642, 308}, Rect{0, 336, 642, 336}}) {
            canvas.line(s.x1, s.y1, s.x2, s.y2, kBlack);
        }
        canvas.line(642, 168, 642, 364, kBlack);
        canvas.fillRect(Rect{397, 30, 425, 112}, kRed);
        canvas.text(398, 63, "Sim", kBlack);
        canvas.line(425, 29, 425, 112, kBlack);
        canvas.text(5, 119, "Install path:", kBlack);
        canvas.text(25, 175, "Scan for liveries:", kBlack);
        canvas.text(237, 175, "Automatic", kBlack);
        canvas.text(5, 231, "Max aircraft matching depth:", kBlack);
        canvas.text(172, 287, "block:", kBlack);
        std::lock_guard lock(mutex_);
        canvas.text(3, 455, message_, kYellow);
        paintedMessage_ = message_;
    }

    void onCloseRequested() override {
        ++closes;
        port_.post(AppMessage::EndProgram);
    }

    void onCommand(std::uint16_t id) override {
        commands.push_back(id);
        if (id == throwOn) {
            throw std::runtime_error("boom");
        }
    }

    void onEnter(std::uint16_t id) override { enters.push_back({id, port_.text(id)}); }

    void onAppMessage(AppMessage message) override {
        messages.push_back(message);
        if (message == AppMessage::EndProgram) {
            shownAtEnd = port_.windowRect().x2 > 0;
            port_.quit(quitCode);
        }
    }

    // Any thread.
    void setMessage(std::string text) {
        std::lock_guard lock(mutex_);
        message_ = std::move(text);
    }
    std::string paintedMessage() const {
        std::lock_guard lock(mutex_);
        return paintedMessage_;
    }

    struct Enter {
        std::uint16_t id;
        std::string text;
        bool operator==(const Enter&) const = default;
    };

    int creates = 0;
    int closes = 0;
    std::vector<std::uint16_t> commands;
    std::vector<Enter> enters;
    std::vector<AppMessage> messages;
    std::uint16_t throwOn = 0;
    int quitCode = 0;
    bool shownAtEnd = false;

private:
    ui::WindowPort& port_;
    mutable std::mutex mutex_;
    std::string message_ = "Message Xg";
    std::string paintedMessage_;
};

bool lf_sameRgb(Rgb a, Rgb b) {
    return a == b;
}

std::string lf_text(Rgb c) {
    return fmt::format("({},{},{})", c.r, c.g, c.b);
}

class FltkWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(port.create("KSBY_P3D", kLeft, kTop, kWidth, kHeight, events));
        port.show();
        ASSERT_TRUE(settle()) << "the window was never drawn";
    }

    // Until everything invalidated is on the screen.
    bool settle() {
        const bool drawn = ui::fltkPumpUntil([&] { return port.drawn(); }, kBound);
        ui::fltkSync();
        return drawn;
    }

    bool pumpUntil(const std::function<bool()>& done) { return ui::fltkPumpUntil(done, kBound); }

    // A pixel of the window, in window coordinates.
    static Rgb pixel(const ksb::test::Screen& screen, int x, int y) {
        return screen.at(kLeft + x, kTop + y);
    }

    static std::filesystem::path screenshot(const char* name) {
        return std::filesystem::path(KSBY_SCREENSHOT_DIR) / name;
    }

    ui::FltkWindowPort port;
    TestEvents events{port};
};

TEST_F(FltkWindow, OpensAtItsPlaceWithItsClientSizeAndTitle) {
    EXPECT_EQ(events.creates, 1);
    const auto id = ksb::test::findWindow("KSBY_P3D");
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(*id, port.windowId());
    const auto geometry = ksb::test::windowGeometry(*id);
    ASSERT_TRUE(geometry.has_value());
    EXPECT_EQ(geometry->x, kLeft);
    EXPECT_EQ(geometry->y, kTop);
    EXPECT_EQ(geometry->width, kWidth);
    EXPECT_EQ(geometry->height, kHeight);
    // Read back with the origin it was placed with, so an unmoved window reopens in place.
    EXPECT_EQ(port.windowRect(), (Rect{kLeft, kTop, kLeft + kWidth, kTop + kHeight}));
}

TEST_F(FltkWindow, BandsLinesAndTextsAreWhereThePaintPutsThem) {
    const ksb::test::Screen screen = ksb::test::captureScreen();
    ksb::test::savePng(screenshot("ui_window_start.png"), kLeft, kTop, kWidth, kHeight);
    struct Sample {
        const char* name;
        int x, y;
        Rgb colour;
    };
    const Sample samples[] = {
        {"title band", 200, 20, kBlack},
        {"status region", 200, 60, kBlack},
        {"left of the Sim block", 396, 40, kBlack},
        {"Sim block, first column", 397, 40, kRed},
        {"Sim block, last column", 424, 100, kRed},
        {"line under the title band", 300, 28, kWhite},
        {"above that line", 300, 27, kBlack},
        {"line under the status region", 300, 113, kWhite},
        {"controls band above it", 300, 112, kLightBlue},
        {"controls band below it", 300, 114, kLightBlue},
        {"separator 140", 700, 140, kBlack},
        {"beside separator 140", 700, 141, kLightBlue},
        {"separator 196, last pixel", 641, 196, kBlack},
        {"separator 196 ends before 642", 700, 196, kLightBlue},
        {"vertical line", 642, 300, kBlack},
        {"vertical line, last pixel", 642, 363, kBlack},
        {"vertical line ends before 364", 642, 364, kLightBlue},
        {"line over the statistics", 300, 392, kWhite},
        {"statistics region", 300, 420, kBlack},
        {"message strip top", 300, 448, kGreen},
        {"line in the message strip", 300, 449, kWhite},
        {"message strip", 700, 470, kGreen},
        {"below the message strip", 300, 500, kBlack},
    };
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(lf_text(pixel(screen, s.x, s.y)), lf_text(s.colour));
    }

    // Text is anchored at its top-left corner: the message at (3,455) starts at row 455 and
    // fits in the strip.
    int firstRow = -1;
    int lastRow = -1;
    for (int y = 450; y < 476; ++y) {
        for (int x = 3; x < 200; ++x) {
            if (!lf_sameRgb(pixel(screen, x, y), kGreen)) {
                firstRow = firstRow < 0 ? y : firstRow;
                lastRow = y;
            }
        }
    }
    EXPECT_GE(firstRow, 455);
    EXPECT_LE(firstRow, 459);
    EXPECT_LT(lastRow, 476);
}

TEST_F(FltkWindow, ControlsSitAtTheirSpecs) {
    const ksb::test::Screen screen = ksb::test::captureScreen();
    for (const ui::ControlSpec& s : lf_controls()) {
        SCOPED_TRACE(s.id);
        const int right = std::min(s.x + s.w, kWidth);
        const int midX = (s.x + right) / 2;
        const int midY = s.y + s.h / 2;
        // The control's own edge, and the band just outside it.
        EXPECT_NE(lf_text(pixel(screen, s.x, midY)), lf_text(kLightBlue)) << "left edge";
        EXPECT_NE(lf_text(pixel(screen, midX, s.y)), lf_text(kLightBlue)) << "top edge";
        EXPECT_NE(lf_text(pixel(screen, midX, s.y + s.h - 1)), lf_text(kLightBlue)) << "bottom";
        EXPECT_EQ(lf_text(pixel(screen, s.x - 1, midY)), lf_text(kLightBlue)) << "left";
        EXPECT_EQ(lf_text(pixel(screen, midX, s.y - 1)), lf_text(kLightBlue)) << "above";
        EXPECT_EQ(lf_text(pixel(screen, midX, s.y + s.h)), lf_text(kLightBlue)) << "below";
        if (s.x + s.w <= kWidth) {
            EXPECT_NE(lf_text(pixel(screen, s.x + s.w - 1, midY)), lf_text(kLightBlue)) << "right";
            EXPECT_EQ(lf_text(pixel(screen, s.x + s.w, midY)), lf_text(kLightBlue)) << "beyond";
        }
        // Fields and check boxes stand on light blue, enabled or not.
        if (s.kind == Kind::Edit) {
            EXPECT_EQ(lf_text(pixel(screen, right - 3, midY)), lf_text(kLightBlue)) << "inside";
        }
        if (s.kind == Kind::CheckBox) {
            EXPECT_EQ(lf_text(pixel(screen, s.x + 1, s.y + 1)), lf_text(kLightBlue)) << "inside";
        }
        EXPECT_EQ(port.enabled(s.id), s.enabled);
        if (s.kind == Kind::CheckBox) {
            EXPECT_EQ(port.checked(s.id), s.checked);
        }
    }
    EXPECT_EQ(port.text(kCheckVersion), "Check version");
}

// The mark belongs to the model: a click reports the command and nothing else changes.
TEST_F(FltkWindow, ACheckBoxClickSendsOneCommandAndLeavesTheMark) {
    const ui::ControlSpec& box = lf_spec(kLigAutomatic);
    auto boxPixels = [&] {
        const ksb::test::Screen screen = ksb::test::captureScreen();
        std::vector<std::string> pixels;
        for (int y = box.y; y < box.y + box.h; ++y) {
            for (int x = box.x; x < box.x + box.w; ++x) {
                pixels.push_back(lf_text(pixel(screen, x, y)));
            }
        }
        return pixels;
    };
    const std::vector<std::string> before = boxPixels();

    lf_clickControl(kLigAutomatic);
    // A disabled button sends nothing; the enabled one after it fences off every earlier event.
    lf_clickControl(kUnblock);
    lf_clickControl(kCheckVersion);
    ASSERT_TRUE(pumpUntil([&] { return events.commands.size() >= 2; }));
    EXPECT_EQ(events.commands, (std::vector<std::uint16_t>{kLigAutomatic, kCheckVersion}));
    EXPECT_TRUE(port.checked(kLigAutomatic));
    ASSERT_TRUE(settle());
    EXPECT_EQ(boxPixels(), before);

    // The model moves the mark.
    port.setChecked(kLigAutomatic, false);
    ASSERT_TRUE(settle());
    EXPECT_NE(boxPixels(), before);
}

TEST_F(FltkWindow, EnterInAFieldSendsOneEnterAndEscapeIsIgnored) {
    // Edit fields start disabled.
    port.setEnabled(kMatchingDepth, true);
    ASSERT_TRUE(settle());
    lf_clickControl(kMatchingDepth);
    ksb::test::typeText("12");
    ksb::test::pressKey("Return");
    ksb::test::pressKey("Escape");
    lf_clickControl(kCheckVersion);
    ASSERT_TRUE(pumpUntil([&] { return !events.commands.empty(); }));
    EXPECT_EQ(events.enters, (std::vector<TestEvents::Enter>{{kMatchingDepth, "12"}}));
    EXPECT_EQ(port.text(kMatchingDepth), "12");
    EXPECT_EQ(events.closes, 0);
    EXPECT_TRUE(events.messages.empty());
}

TEST_F(FltkWindow, WritesFromAnotherThreadReachTheWidgetsAndThePaint) {
    // No run(): without the backstop timer only the wake can bring these in.
    std::thread worker([&] {
        port.setText(kMatchingDepth, "stale");
        port.setText(kMatchingDepth, "7");
        port.setEnabled(kMatchingDepth, true);
        port.setText(kInstallPath, "C:\\Program Files\\Lockheed Martin\\Prepar3D v5");
        port.setChecked(kScanLiveries, true);
        port.setChecked(kLigAutomatic, false);
        port.setText(kCheckVersion, "Re-check");
        port.setEnabled(kCheckVersion, false);
        port.setTopmost(true);
        events.setMessage("Written by another thread");
        port.invalidate(kMessageStrip);
        port.post(AppMessage::StartWorker);
    });
    worker.join();
    EXPECT_TRUE(port.topmost());
    ASSERT_TRUE(pumpUntil([&] { return !events.messages.empty(); }));
    ASSERT_TRUE(settle());
    EXPECT_EQ(events.messages, std::vector<AppMessage>{AppMessage::StartWorker});
    EXPECT_EQ(port.text(kMatchingDepth), "7");
    EXPECT_TRUE(port.enabled(kMatchingDepth));
    EXPECT_TRUE(port.checked(kScanLiveries));
    EXPECT_FALSE(port.checked(kLigAutomatic));
    EXPECT_EQ(port.text(kCheckVersion), "Re-check");
    EXPECT_FALSE(port.enabled(kCheckVersion));
    EXPECT_EQ(events.paintedMessage(), "Written by another thread");
    ksb::test::savePng(screenshot("ui_window_filled.png"), kLeft, kTop, kWidth, kHeight);

    // A write on the GUI thread is newer than one still queued from another thread.
    std::thread late([&] { port.setText(kMatchingDepth, "queued"); });
    late.join();
    port.setText(kMatchingDepth, "direct");
    port.post(AppMessage::StartWorker);
    ASSERT_TRUE(pumpUntil([&] { return events.messages.size() == 2; }));
    EXPECT_EQ(port.text(kMatchingDepth), "direct");
}

TEST_F(FltkWindow, TheCloseButtonEndsTheLoopThroughEndProgram) {
    events.quitCode = 7;
    std::mutex mutex;
    std::condition_variable ended;
    bool loopEnded = false;
    bool watchdogFired = false;
    // Ends a loop that never ends by itself, so the test fails instead of hanging.
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!ended.wait_for(lock, std::chrono::seconds(10), [&] { return loopEnded; })) {
            watchdogFired = true;
            port.post(AppMessage::EndProgram);
        }
    });
    ksb::test::sendCloseRequest(port.windowId());
    const int code = port.run();
    {
        std::lock_guard lock(mutex);
        loopEnded = true;
    }
    ended.notify_one();
    watchdog.join();
    EXPECT_FALSE(watchdogFired);
    EXPECT_EQ(code, 7);
    EXPECT_EQ(events.closes, 1);
    EXPECT_EQ(events.messages, std::vector<AppMessage>{AppMessage::EndProgram});
    // The close request itself left the window open; EndProgram closed it.
    EXPECT_TRUE(events.shownAtEnd);
    EXPECT_EQ(port.windowId(), 0u);
}

TEST_F(FltkWindow, AnExceptionInAnEventIsReportedAndTheLoopGoesOn) {
    ksb::test::RecordingMessageSink sink;
    ksb::test::RecordingExitHandler exits;
    events.throwOn = kCheckVersion;
    lf_clickControl(kCheckVersion);
    lf_clickControl(kScanLiveries);
    ASSERT_TRUE(pumpUntil([&] { return events.commands.size() >= 2; }));
    EXPECT_EQ(events.commands, (std::vector<std::uint16_t>{kCheckVersion, kScanLiveries}));
    EXPECT_EQ(sink.errors(), std::vector<std::string>{"lf_wndProc: boom"});
    EXPECT_EQ(exits.all(), (std::vector<ksb::test::RecordedExit>{{ExitReason::SYSTEM_ERROR, 0}}));
}

} // namespace
