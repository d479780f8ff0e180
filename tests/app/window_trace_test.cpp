// The window trace: the values a paint showed, and the lines each paint adds to the file.
#include "app/window_trace.h"

#include "app/paint_fixture.h"
#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using ksb::test::RecordingCanvas;
using ksb::test::setText;
using ksb::test::startSnapshot;

// The window in the main loop: simulator and service all set, both readers receiving.
PaintSnapshot lf_runningSnapshot() {
    PaintSnapshot s = startSnapshot();
    s.window.simConnected = true;
    s.window.flightLoaded = true;
    s.window.servicePending = false;
    s.window.sessionEstablished = true;
    s.window.weatherCell = 1;
    s.window.trafficCell = 2;
    s.window.qnh = 1021;
    s.window.liveCount = 4;
    s.window.liveriesCount = 3;
    s.window.message = "Traffic Reader connected";
    setText(s, WindowText::simulatorText, "Lockheed Martin Prepar3D v5 (5.4.9.28482)");
    setText(s, WindowText::userTitle, "Demo B77W");
    return s;
}

// A loaded park airport with static parking wanted.
void lf_loadParkAirport(PaintSnapshot& s) {
    setText(s, WindowText::airportDisplayName, "EDDF (FRA)");
    setText(s, WindowText::parkAirportName, "Scene Frankfurt");
    s.window.parkAirportLoaded = true;
    s.window.parkAirportFlag = true;
    s.window.parkedLive = 1;
    s.window.parkedStatic = 7;
    s.window.staticTarget = 9;
}

PaintedValues lf_paint(const PaintSnapshot& s) {
    RecordingCanvas canvas;
    return lf_paintMainWindow(canvas, s);
}

TEST(WindowTrace, ThePaintReportsWhatItDrew) {
    struct Case {
        const char* name;
        void (*change)(PaintSnapshot&);
        const char* sim;
        const char* rt;
        const char* simText;
        const char* title;
    };
    const Case cases[] = {
        {"all set", [](PaintSnapshot&) {}, "green", "green",
         "Lockheed Martin Prepar3D v5 (5.4.9.28482)", "Demo B77W"},
        {"with a user stand", [](PaintSnapshot& s) { setText(s, WindowText::userStand, "V155"); },
         "green", "green", "Lockheed Martin Prepar3D v5 (5.4.9.28482), user stand V155",
         "Demo B77W"},
        {"no flight yet", [](PaintSnapshot& s) { s.window.flightLoaded = false; }, "yellow",
         "green", "Lockheed Martin Prepar3D v5 (5.4.9.28482)", "Demo B77W"},
        {"simulator gone: neither text is drawn",
         [](PaintSnapshot& s) { s.window.simConnected = false; }, "red", "green", "", ""},
        {"service still pending", [](PaintSnapshot& s) { s.window.servicePending = true; }, "green",
         "black", "Lockheed Martin Prepar3D v5 (5.4.9.28482)", "Demo B77W"},
        {"no session", [](PaintSnapshot& s) { s.window.sessionEstablished = false; }, "green",
         "red", "Lockheed Martin Prepar3D v5 (5.4.9.28482)", "Demo B77W"},
        {"a title the window cannot draw",
         [](PaintSnapshot& s) { setText(s, WindowText::userTitle, "bad \xff title"); }, "green",
         "green", "Lockheed Martin Prepar3D v5 (5.4.9.28482)", ""},
    };
    ksb::test::LogCapture log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintSnapshot s = lf_runningSnapshot();
        c.change(s);
        RecordingCanvas canvas;
        const PaintedValues painted = lf_paintMainWindow(canvas, s);
        EXPECT_EQ(c.sim, gf_colourName(painted.status.sim));
        EXPECT_EQ(c.rt, gf_colourName(painted.status.rt));
        EXPECT_EQ(c.simText, painted.status.simText);
        EXPECT_EQ(c.title, painted.status.title);
        // The block colours are the ones filled.
        EXPECT_TRUE(canvas.indexOf(ksb::test::CanvasOp::fill(
                        {397, 30, 425, 112}, painted.status.sim)) != RecordingCanvas::npos);
        EXPECT_TRUE(canvas.indexOf(ksb::test::CanvasOp::fill(
                        {425, 30, 453, 112}, painted.status.rt)) != RecordingCanvas::npos);
        EXPECT_EQ("Traffic Reader connected", painted.message);
        EXPECT_EQ(1, painted.weather);
        EXPECT_EQ(2, painted.traffic);
        EXPECT_EQ(1021, painted.qnh);
        EXPECT_EQ(4, painted.live);
        EXPECT_EQ(3, painted.liveries);
    }
}

TEST(WindowTrace, ThePaintReportsTheParkAirportRowsAsDrawn) {
    struct Case {
        const char* name;
        void (*change)(PaintSnapshot&);
        const char* park;
        std::optional<std::int32_t> parkedLive, parkedStatic, maxPark;
        bool staticActive;
    };
    const Case cases[] = {
        {"no park airport", [](PaintSnapshot&) {}, "", {}, {}, {}, false},
        {"chosen, not loaded yet",
         [](PaintSnapshot& s) {
             lf_loadParkAirport(s);
             s.window.parkAirportLoaded = false;
         },
         "EDDF (FRA)", {}, {}, {}, false},
        {"loaded", lf_loadParkAirport, "EDDF (FRA)", 1, 7, 9, false},
        {"static parking at work",
         [](PaintSnapshot& s) {
             lf_loadParkAirport(s);
             s.controlsLocked = true;
         },
         "EDDF (FRA)", 1, 7, 9, true},
        {"no static target: no static count",
         [](PaintSnapshot& s) {
             lf_loadParkAirport(s);
             s.window.staticTarget = 0;
         },
         "EDDF (FRA)", 1, {}, 0, false},
        {"only live parked traffic: no max park",
         [](PaintSnapshot& s) {
             lf_loadParkAirport(s);
             s.rtParkTrafficOnly = true;
         },
         "EDDF (FRA)", 1, 7, {}, false},
        {"a name the window cannot draw",
         [](PaintSnapshot& s) {
             lf_loadParkAirport(s);
             setText(s, WindowText::airportDisplayName, "bad \xff name");
         },
         "", 1, 7, 9, false},
    };
    ksb::test::LogCapture log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintSnapshot s = lf_runningSnapshot();
        c.change(s);
        const PaintedValues painted = lf_paint(s);
        EXPECT_EQ(c.park, painted.statistics.park);
        EXPECT_EQ(c.parkedLive, painted.statistics.parkedLive);
        EXPECT_EQ(c.parkedStatic, painted.statistics.parkedStatic);
        EXPECT_EQ(c.maxPark, painted.statistics.maxPark);
        EXPECT_EQ(c.staticActive, painted.staticActive);
    }
}

TEST(WindowTrace, ColourNames) {
    EXPECT_EQ("red", gf_colourName(colours::red));
    EXPECT_EQ("yellow", gf_colourName(colours::yellow));
    EXPECT_EQ("green", gf_colourName(colours::green));
    EXPECT_EQ("black", gf_colourName(colours::black));
    EXPECT_EQ("#99ccff", gf_colourName(colours::lightBlue));
}

TEST(WindowTrace, TheFirstPaintWritesEveryValueThenOnlyChanges) {
    ksb::test::TempFolder folder;
    const std::filesystem::path file = folder / "trace.txt";
    WindowTrace trace(file);

    PaintSnapshot s = lf_runningSnapshot();
    trace.afterPaint(lf_paint(s));
    EXPECT_EQ("message=Traffic Reader connected\n"
              "error=\n"
              "sim=green\n"
              "rt=green\n"
              "simText=Lockheed Martin Prepar3D v5 (5.4.9.28482)\n"
              "title=Demo B77W\n"
              "weather=1\n"
              "traffic=2\n"
              "qnh=1021\n"
              "live=4\n"
              "liveries=3\n"
              "park=\n"
              "parkedLive=\n"
              "parkedStatic=\n"
              "maxPark=\n"
              "staticActive=0\n",
              ksb::test::readBytes(file));

    // The same values again add nothing.
    trace.afterPaint(lf_paint(s));
    const std::string afterFirst = ksb::test::readBytes(file);
    EXPECT_EQ(16, std::count(afterFirst.begin(), afterFirst.end(), '\n'));

    s.window.error = "1001: RT error";
    s.window.simConnected = false;
    s.window.liveCount = 0;
    trace.afterPaint(lf_paint(s));
    const std::string afterError = afterFirst + "error=1001: RT error\n"
                                                "sim=red\n"
                                                "simText=\n"
                                                "title=\n"
                                                "live=0\n";
    EXPECT_EQ(afterError, ksb::test::readBytes(file));

    lf_loadParkAirport(s);
    s.controlsLocked = true;
    trace.afterPaint(lf_paint(s));
    EXPECT_EQ(afterError + "park=EDDF (FRA)\n"
                           "parkedLive=1\n"
                           "parkedStatic=7\n"
                           "maxPark=9\n"
                           "staticActive=1\n",
              ksb::test::readBytes(file));
}

TEST(WindowTrace, EachValueStaysOneLineAndAnExistingFileIsAppendedTo) {
    ksb::test::TempFolder folder;
    const std::filesystem::path file = folder / "trace.txt";
    ksb::test::writeBytes(file, "earlier=1\n");
    PaintedValues before = lf_paint(lf_runningSnapshot());
    PaintedValues now = before;
    now.message = "two\nlines\r";
    EXPECT_EQ("message=two\\nlines\n", gf_windowTraceLines(before, now));
    EXPECT_EQ("", gf_windowTraceLines(before, before));

    WindowTrace trace(file);
    trace.afterPaint(now);
    const std::string text = ksb::test::readBytes(file);
    EXPECT_EQ(0u, text.find("earlier=1\nmessage=two\\nlines\nerror=\n"));
}

TEST(WindowTrace, AFileThatCannotBeWrittenIsReportedOnceAndChangesNothingElse) {
    ksb::test::TempFolder folder;
    ksb::test::LogCapture log;
    // A folder where the file must go.
    std::filesystem::create_directory(folder / "trace.txt");
    WindowTrace trace(folder / "trace.txt");
    PaintSnapshot s = lf_runningSnapshot();
    trace.afterPaint(lf_paint(s));
    s.window.qnh = 1013;
    trace.afterPaint(lf_paint(s));
    EXPECT_EQ((std::vector<std::string>{"===> window trace " + (folder / "trace.txt").string() +
                                        ": Is a directory"}),
              log.body());
}

} // namespace
