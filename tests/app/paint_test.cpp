// The whole paint: its frame, the message strip, texts that cannot be drawn, and the snapshot.
#include "app/paint.h"

#include "app/paint_fixture.h"
#include "core/controls.h"
#include "core/parameters.h"
#include "core/program_info.h"
#include "core/run_values.h"
#include "support/log_capture.h"
#include "support/recording_canvas.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>

namespace {

using ksb::test::CanvasOp;
using ksb::test::LogCapture;
using ksb::test::paintAll;
using ksb::test::RecordingCanvas;
using ksb::test::setText;
using ksb::test::startSnapshot;

// A window with every block showing something.
PaintSnapshot fullSnapshot() {
    PaintSnapshot s = startSnapshot();
    MainWindowSnapshot& w = s.window;
    w.simConnected = w.flightLoaded = true;
    setText(s, WindowText::userTitle, "Cessna Skyhawk 172SP Paint1");
    setText(s, WindowText::simulatorText, "Prepar3D v5.4");
    setText(s, WindowText::userStand, "GA 12");
    w.liveriesCount = 12345;
    w.orbxAirports = 17;
    w.thirdpartyAirports = 42;
    w.servicePending = false;
    w.sessionEstablished = true;
    w.weatherCell = w.trafficCell = 1;
    w.qnh = 1013;
    w.liveCount = 87;
    w.tbloAirports = 3;
    w.parkAirportLoaded = true;
    w.minutesToRenewal = 7;
    setText(s, WindowText::airportDisplayName, "EHAM Schiphol");
    setText(s, WindowText::parkAirportName, "EHAM");
    setText(s, WindowText::parkAirportSecond, "Amsterdam");
    setText(s, WindowText::parkQuality, "B");
    setText(s, WindowText::reservedStand, "G12");
    w.staticParkingRunning = true;
    w.handmadeMark = true;
    w.updateCount = 12;
    w.stands = 215;
    w.parkedLive = 37;
    w.liveParkedAverageFit = 3.5f;
    w.staticTarget = 64;
    w.parkedStatic = 60;
    w.staticAverageFit = 7.0f;
    w.message = "Loading parked traffic";
    return s;
}

TEST(PaintMainWindow, DrawsTheFrameInOrder) {
    const RecordingCanvas canvas = paintAll(startSnapshot());
    const std::vector<CanvasOp> frame = {
        CanvasOp::fill({0, 0, 880, 28}, colours::black),
        CanvasOp::fill({0, 28, 880, 112}, colours::black),
        CanvasOp::fill({0, 112, 880, 392}, colours::lightBlue),
        CanvasOp::fill({0, 392, 880, 448}, colours::black),
        CanvasOp::fill({0, 448, 880, 476}, colours::green),
        CanvasOp::line(0, 28, 880, 28, colours::white),
        CanvasOp::line(0, 113, 880, 113, colours::white),
        CanvasOp::line(0, 449, 880, 449, colours::white),
        CanvasOp::line(0, 392, 880, 392, colours::white),
        CanvasOp::textAt(3, 7, fmt::format("Version {}", kProgramVersionText), colours::green),
        CanvasOp::textAt(390, 7, "KSBY_P3D", colours::green),
        CanvasOp::line(0, 140, 880, 140, colours::black),
        CanvasOp::line(0, 168, 880, 168, colours::black),
        CanvasOp::line(0, 196, 642, 196, colours::black),
        CanvasOp::line(0, 224, 642, 224, colours::black),
        CanvasOp::line(0, 252, 880, 252, colours::black),
        CanvasOp::line(0, 280, 880, 280, colours::black),
        CanvasOp::line(0, 308, 642, 308, colours::black),
        CanvasOp::line(0, 336, 642, 336, colours::black),
        CanvasOp::line(642, 168, 642, 364, colours::black),
    };
    ASSERT_GE(canvas.ops().size(), frame.size());
    EXPECT_EQ(std::vector<CanvasOp>(canvas.ops().begin(), canvas.ops().begin() + frame.size()),
              frame);

    // After the frame: the two status blocks, and the strip painted again last.
    const std::vector<CanvasOp> fills = canvas.fills();
    const std::vector<CanvasOp> laterFills(fills.begin() + 5, fills.end());
    EXPECT_EQ(laterFills, (std::vector<CanvasOp>{
                              CanvasOp::fill({397, 30, 425, 112}, colours::red),
                              CanvasOp::fill({425, 30, 453, 112}, colours::black),
                              CanvasOp::fill({0, 448, 880, 476}, colours::green),
                          }));
    const std::vector<CanvasOp> lines = canvas.lines();
    EXPECT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines.back(), CanvasOp::line(425, 29, 425, 112, colours::black));
}

TEST(PaintMainWindow, EveryTextOfAFullWindowHasItsOwnPlaceInsideTheWindow) {
    const RecordingCanvas canvas = paintAll(fullSnapshot());
    std::set<std::pair<int, int>> places;
    for (const CanvasOp& op : canvas.texts()) {
        SCOPED_TRACE(op.text);
        EXPECT_TRUE(places.insert({op.at.x1, op.at.y1}).second) << "two texts at one place";
        EXPECT_GE(op.at.x1, 0);
        EXPECT_LT(op.at.x1, kWindowWidth);
        EXPECT_GE(op.at.y1, 0);
        EXPECT_LT(op.at.y1, kWindowHeight);
    }
    // The strip is painted after the statistics and labels, and its text after it.
    const std::size_t strip = canvas.ops().size() - 2;
    EXPECT_EQ(canvas.ops()[strip], CanvasOp::fill(kMessageStrip, colours::green));
    EXPECT_EQ(canvas.ops().back(),
              CanvasOp::textAt(3, 455, "Loading parked traffic", colours::yellow));
}

TEST(PaintMainWindow, MessageStripShowsAnErrorOverAMessage) {
    struct Case {
        const char* name;
        std::string message;
        std::string error;
        ui::Rgb strip;
        std::vector<CanvasOp> texts; // at (3,455)
    };
    const Case cases[] = {
        {"nothing standing", "", "", colours::green, {}},
        {"a message",
         "Flight plans written",
         "",
         colours::green,
         {CanvasOp::textAt(3, 455, "Flight plans written", colours::yellow)}},
        {"an error",
         "",
         "SimConnect lost",
         colours::red,
         {CanvasOp::textAt(3, 455, "SimConnect lost", colours::yellow)}},
        {"an error over a message",
         "Flight plans written",
         "SimConnect lost",
         colours::red,
         {CanvasOp::textAt(3, 455, "SimConnect lost", colours::yellow)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintSnapshot s = startSnapshot();
        s.window.message = c.message;
        s.window.error = c.error;
        const RecordingCanvas canvas = paintAll(s);
        EXPECT_EQ(canvas.fills().back(), CanvasOp::fill(kMessageStrip, c.strip));
        EXPECT_EQ(canvas.textsAt(3, 455), c.texts);
        if (!c.error.empty() && !c.message.empty()) {
            EXPECT_EQ(canvas.countText(c.message), 0u);
        }
    }
}

TEST(PaintMainWindow, TextThatIsNotUtf8IsLoggedOnceAndNotDrawn) {
    const std::string bad = "Boeing 737 \xC3\x28 KLM";
    struct Case {
        const char* name;
        std::function<void(PaintSnapshot&)> place;
        int x, y;
    };
    const Case cases[] = {
        {"user aircraft title", [&](PaintSnapshot& s) { setText(s, WindowText::userTitle, bad); },
         5, 63},
        {"error line", [&](PaintSnapshot& s) { s.window.error = bad; }, 3, 455},
        {"park airport's name",
         [&](PaintSnapshot& s) { setText(s, WindowText::airportDisplayName, bad); }, 5, 399},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        PaintSnapshot s = fullSnapshot();
        c.place(s);
        RecordingCanvas canvas;
        EXPECT_NO_THROW(lf_paintMainWindow(canvas, s));
        EXPECT_TRUE(canvas.textsAt(c.x, c.y).empty());
        EXPECT_EQ(log.body(),
                  std::vector<std::string>{
                      bad + " conversion exception Invalid UTF-8 sequence found in input string., "
                            "error code: 1113"});
        // The rest of the window is still drawn.
        EXPECT_EQ(canvas.textColour("Sim"), colours::black);
        EXPECT_EQ(canvas.textColour("# liveries: 12345"), colours::green);
        EXPECT_EQ(canvas.fills().back().at, kMessageStrip);
    }
}

TEST(PaintMainWindow, DrawTextLineDrawsAValidTextWithoutLogging) {
    LogCapture log;
    RecordingCanvas canvas;
    lf_drawTextLine(canvas, 12, 34, "Zürich ✈ 𝄞", colours::grey);
    EXPECT_EQ(canvas.ops(),
              std::vector<CanvasOp>{CanvasOp::textAt(12, 34, "Zürich ✈ 𝄞", colours::grey)});
    EXPECT_TRUE(log.body().empty());
}

class PaintSnapshotTest : public ::testing::Test {
protected:
    void SetUp() override { restore(); }
    void TearDown() override { restore(); }
    static void restore() {
        gf_resetParametersForTests();
        mainWindow.resetToStart();
        gf_resetControlsForTests();
        gf_resetRunValues();
    }
};

TEST_F(PaintSnapshotTest, CopiesModelParametersControlStatesAndLock) {
    mainWindow.liveriesCount = 4711;
    mainWindow.simConnected = true;
    mainWindow.tbloAirports = 2;
    mainWindow.setText(WindowText::userTitle, "Cessna", kStatusRegion);
    mainWindow.setText(WindowText::airportDisplayName, "EHAM Schiphol", kStatisticsRegion);
    mainWindow.showMessage("hello", false);
    WEEK.setRaw(true);
    RT_PARKTRAFFIC_ONLY.setRaw(true);
    ALWAYS_ON_TOP.setRaw(true);
    GUID_CHANGES.setRaw(false);
    TIME_SHIFT_DAYS.setRaw(3);
    TIME_SHIFT_MINS.setRaw(1);
    parking_percentage.setRaw(55);
    controlsLocked = true;
    gf_registerControl(LIGHT_AIRCRAFT.createCheckBox(323, true));
    gf_registerControl(HELICOPTERS.createCheckBox(430, true));
    gf_enableControl(LIGHT_AIRCRAFT.commandId(), false);

    const PaintSnapshot s = gf_takePaintSnapshot();
    EXPECT_EQ(s.window.liveriesCount, 4711);
    EXPECT_TRUE(s.window.simConnected);
    EXPECT_EQ(s.window.tbloAirports, 2);
    EXPECT_EQ(s.window.text(WindowText::userTitle), "Cessna");
    EXPECT_EQ(s.window.text(WindowText::airportDisplayName), "EHAM Schiphol");
    EXPECT_EQ(s.window.message, "hello");
    EXPECT_TRUE(s.week);
    EXPECT_TRUE(s.rtParkTrafficOnly);
    EXPECT_TRUE(s.alwaysOnTop);
    EXPECT_FALSE(s.guidChanges);
    EXPECT_FALSE(s.initialLoadOnly);
    EXPECT_EQ(s.timeShiftDays, 3);
    EXPECT_EQ(s.timeShiftHours, 0);
    EXPECT_EQ(s.timeShiftMins, 1);
    EXPECT_EQ(s.parkingPercentage, 55);
    EXPECT_TRUE(s.controlsLocked);
    EXPECT_EQ(s.enabled, (std::map<std::uint16_t, bool>{{LIGHT_AIRCRAFT.commandId(), false},
                                                        {HELICOPTERS.commandId(), true}}));

    // And the paint reads them: a disabled box greys its label, an absent one too.
    const RecordingCanvas canvas = paintAll(s);
    EXPECT_EQ(canvas.textColour("Light aircraft"), colours::grey);
    EXPECT_EQ(canvas.textColour("Helicopters"), colours::black);
    EXPECT_EQ(canvas.textColour("FighterJets"), colours::grey);
    EXPECT_EQ(canvas.textColour("Airport static parking active:"), colours::yellow);
    EXPECT_EQ(canvas.textColour("days"), colours::black);
    EXPECT_EQ(canvas.textColour("minute"), colours::black);
}

} // namespace
