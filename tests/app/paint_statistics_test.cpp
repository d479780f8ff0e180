// The park airport's two statistics rows.
#include "app/paint.h"

#include "app/paint_fixture.h"
#include "support/recording_canvas.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using ksb::test::CanvasOp;
using ksb::test::paintWith;
using ksb::test::RecordingCanvas;
using ksb::test::setText;
using ksb::test::startSnapshot;

// A loaded park airport with both kinds of parked traffic.
PaintSnapshot loadedAirport() {
    PaintSnapshot s = startSnapshot();
    MainWindowSnapshot& w = s.window;
    setText(s, WindowText::airportDisplayName, "EHAM Schiphol");
    setText(s, WindowText::parkAirportName, "EHAM");
    setText(s, WindowText::parkAirportSecond, "Amsterdam");
    setText(s, WindowText::parkQuality, "B");
    w.parkAirportLoaded = true;
    w.updateCount = 12;
    w.stands = 215;
    w.parkedLive = 37;
    w.liveParkedAverageFit = 3.5f;
    w.staticTarget = 64;
    w.parkedStatic = 60;
    w.staticAverageFit = 7.0f;
    s.parkingPercentage = 30;
    return s;
}

CanvasOp green(int x, int y, std::string text) {
    return CanvasOp::textAt(x, y, std::move(text), colours::green);
}

TEST(PaintStatistics, RowsFollowTheParkAirportAndItsSettings) {
    const CanvasOp name = green(5, 399, "EHAM Schiphol");
    const CanvasOp line = green(85, 399, " EHAM,  Amsterdam ");
    const CanvasOp quality = green(430, 399, "qf: B");
    const CanvasOp updates = green(748, 399, "# updates:   12");
    const CanvasOp stands = green(5, 427, "# stands: 215");
    const CanvasOp parkedLive = green(111, 427, "parked live:  37");
    const CanvasOp liveFit = green(249, 427, "average fit: 3.5");
    const CanvasOp parkedStatic = green(430, 427, "parked static:  60");
    const CanvasOp staticFit = green(571, 427, "average fit: 7");
    const CanvasOp maxPark = green(708, 427, "max park:  64 (=30% )");

    struct Case {
        const char* name;
        std::function<void(PaintSnapshot&)> change;
        std::vector<CanvasOp> texts;
    };
    const Case cases[] = {
        {"no park airport",
         [](PaintSnapshot& s) {
             s = startSnapshot();
             s.window.staticTarget = 64;
         },
         {}},
        {"chosen, not loaded yet",
         [](PaintSnapshot& s) { s.window.parkAirportLoaded = false; },
         {CanvasOp::textAt(5, 399, "EHAM Schiphol", colours::yellow)}},
        {"loaded",
         [](PaintSnapshot&) {},
         {name, line, quality, updates, stands, parkedLive, liveFit, parkedStatic, staticFit,
          maxPark}},
        {"loaded without a display name",
         [](PaintSnapshot& s) { setText(s, WindowText::airportDisplayName, ""); },
         {line, quality, updates, stands, parkedLive, liveFit, parkedStatic, staticFit, maxPark}},
        {"hand-made airport, static parking running",
         [](PaintSnapshot& s) {
             s.window.handmadeMark = true;
             s.window.staticParkingRunning = true;
         },
         {name, green(85, 399, " EHAM,  Amsterdam (h)"), green(370, 399, "*S*"), quality, updates,
          stands, parkedLive, liveFit, parkedStatic, staticFit, maxPark}},
        {"valid reserved stand",
         [](PaintSnapshot& s) {
             setText(s, WindowText::reservedStand, "G12");
             s.window.reservedStandValid = true;
         },
         {name, line, quality, green(571, 399, "reserved stand: G12"), updates, stands, parkedLive,
          liveFit, parkedStatic, staticFit, maxPark}},
        {"reserved stand not valid",
         [](PaintSnapshot& s) { setText(s, WindowText::reservedStand, "G12"); },
         {name, line, quality, CanvasOp::textAt(571, 399, "reserved stand: G12", colours::red),
          updates, stands, parkedLive, liveFit, parkedStatic, staticFit, maxPark}},
        {"WEEK",
         [](PaintSnapshot& s) { s.week = true; },
         {name, line, quality, updates, stands, parkedLive, liveFit, parkedStatic, maxPark}},
        {"only live parked traffic",
         [](PaintSnapshot& s) { s.rtParkTrafficOnly = true; },
         {name, line, updates, stands, parkedLive, liveFit, parkedStatic, staticFit}},
        {"zero static target",
         [](PaintSnapshot& s) { s.window.staticTarget = 0; },
         {name, line, quality, updates, stands, parkedLive, liveFit,
          green(708, 427, "max park:   0 (=30% )")}},
        {"zero averages",
         [](PaintSnapshot& s) {
             s.window.liveParkedAverageFit = 0.0f;
             s.window.staticAverageFit = -1.0f;
         },
         {name, line, quality, updates, stands, parkedLive, parkedStatic, maxPark}},
        {"wide counts and a fractional fit",
         [](PaintSnapshot& s) {
             s.window.updateCount = 123456;
             s.window.stands = 1200;
             s.window.parkedLive = 5;
             s.window.liveParkedAverageFit = 12.25f;
             s.window.staticTarget = 2000;
             s.window.parkedStatic = 0;
             s.parkingPercentage = 100;
         },
         {name, line, quality, green(748, 399, "# updates: 123456"),
          green(5, 427, "# stands: 1200"), green(111, 427, "parked live:   5"),
          green(249, 427, "average fit: 12.2"), green(430, 427, "parked static:   0"), staticFit,
          green(708, 427, "max park: 2000 (=100% )")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintSnapshot s = loadedAirport();
        c.change(s);
        EXPECT_EQ(paintWith(lf_paintStatistics, s).ops(), c.texts);
    }
}

TEST(PaintStatistics, RowsFollowTheStatisticsTop) {
    PaintSnapshot s = loadedAirport();
    s.window.statisticsTop = 401;
    const RecordingCanvas canvas = paintWith(lf_paintStatistics, s);
    for (const CanvasOp& op : canvas.texts()) {
        SCOPED_TRACE(op.text);
        EXPECT_TRUE(op.at.y1 == 401 || op.at.y1 == 429);
    }
    EXPECT_EQ(canvas.textsAt(5, 429).size(), 1u);
}

} // namespace
