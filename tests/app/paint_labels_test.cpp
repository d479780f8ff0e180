// The texts beside the controls: places, colour rules, counts and plurals.
#include "app/paint.h"

#include "app/paint_fixture.h"
#include "support/recording_canvas.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

using ksb::test::CanvasOp;
using ksb::test::paintWith;
using ksb::test::RecordingCanvas;
using ksb::test::startSnapshot;

RecordingCanvas paintLabels(const PaintSnapshot& s) {
    return paintWith(lf_paintParameterLabels, s);
}

TEST(PaintParameterLabels, StartWindowShowsEveryLabelAtItsRow) {
    const ui::Rgb black = colours::black, red = colours::red;
    // Rows as the controls stand: check boxes 2 pixels above their box, fields at their top.
    const std::vector<CanvasOp> expected = {
        CanvasOp::textAt(652, 315, "Time shift:", black),
        CanvasOp::textAt(672, 343, "Save", black),
        CanvasOp::textAt(672, 287, "Sim Time", black),
        CanvasOp::textAt(672, 175, "Log", black),
        CanvasOp::textAt(768, 175, "Stay on top", black),
        CanvasOp::textAt(768, 203, "Learn Soft", black),
        CanvasOp::textAt(672, 203, "Nav lights", black),
        CanvasOp::textAt(768, 231, "GUID changes", black),
        CanvasOp::textAt(788, 315, "days", black),
        CanvasOp::textAt(788, 287, "hours", black),
        CanvasOp::textAt(788, 343, "minutes", black),
        CanvasOp::textAt(5, 119, "Install path:", black),
        CanvasOp::textAt(25, 175, "Scan for liveries:", red),
        CanvasOp::textAt(237, 175, "Automatic", black),
        CanvasOp::textAt(343, 175, "Prioritize", black),
        CanvasOp::textAt(450, 175, "STUB", black),
        CanvasOp::textAt(25, 203, "Scan for addon airports:", red),
        CanvasOp::textAt(237, 203, "Automatic", black),
        CanvasOp::textAt(5, 231, "Max aircraft matching depth:", black),
        CanvasOp::textAt(253, 231, "Optional:", black),
        CanvasOp::textAt(343, 231, "Light aircraft", black),
        CanvasOp::textAt(450, 231, "Helicopters", black),
        CanvasOp::textAt(556, 231, "FighterJets", black),
        CanvasOp::textAt(5, 259, "Traffic injection", black),
        CanvasOp::textAt(167, 259, "radius:", black),
        CanvasOp::textAt(260, 259, "nm,  or", black),
        CanvasOp::textAt(343, 259, "auto range", black),
        CanvasOp::textAt(500, 259, "max live:", black),
        CanvasOp::textAt(5, 287, "Callsigns", black),
        CanvasOp::textAt(172, 287, "block:", black),
        CanvasOp::textAt(5, 315, "Collision avoidance:", black),
        CanvasOp::textAt(237, 315, "User ground", black),
        CanvasOp::textAt(343, 315, "User air", black),
        CanvasOp::textAt(450, 315, "Live X parked", black),
        CanvasOp::textAt(5, 343, "Airport parking:", black),
        CanvasOp::textAt(217, 343, "within range (nm):", black),
        CanvasOp::textAt(430, 343, "< height above gnd (ft):", black),
        CanvasOp::textAt(25, 371, "Fake", black),
        CanvasOp::textAt(91, 371, "Week", black),
        CanvasOp::textAt(171, 371, "Soft", black),
        CanvasOp::textAt(262, 371, "%", black),
        CanvasOp::textAt(343, 371, "ILO", black),
        CanvasOp::textAt(400, 371, "Max fit:", black),
        CanvasOp::textAt(556, 371, "PT only", black),
    };
    EXPECT_EQ(paintLabels(startSnapshot()).ops(), expected);
}

struct Expect {
    int x, y;
    const char* text; // nullptr: nothing at (x, y)
    ui::Rgb colour = colours::black;
};

void check(const RecordingCanvas& canvas, const Expect& e) {
    SCOPED_TRACE(testing::Message() << "at (" << e.x << "," << e.y << ")");
    std::vector<CanvasOp> expected;
    if (e.text != nullptr) {
        expected.push_back(CanvasOp::textAt(e.x, e.y, e.text, e.colour));
    }
    EXPECT_EQ(canvas.textsAt(e.x, e.y), expected);
}

struct RuleCase {
    const char* name;
    std::function<void(PaintSnapshot&)> change;
    std::vector<Expect> expect;
};

void runCases(const std::vector<RuleCase>& cases) {
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.name);
        PaintSnapshot s = startSnapshot();
        c.change(s);
        const RecordingCanvas canvas = paintLabels(s);
        for (const Expect& e : c.expect) {
            check(canvas, e);
        }
    }
}

TEST(PaintParameterLabels, ColourRules) {
    const ui::Rgb black = colours::black, grey = colours::grey, yellow = colours::yellow,
                  red = colours::red;
    runCases({
        {"time-shift controls disabled",
         [](PaintSnapshot& s) { s.window.timeShiftControlsEnabled = false; },
         {{652, 315, "Time shift:", grey},
          {672, 343, "Save", grey},
          {672, 287, "Sim Time", grey},
          {788, 315, "days", grey},
          {788, 287, "hours", grey},
          {788, 343, "minutes", grey},
          {672, 175, "Log", black}}},
        {"stay on top on",
         [](PaintSnapshot& s) { s.alwaysOnTop = true; },
         {{768, 175, "Stay on top", yellow}}},
        {"GUID changes off",
         [](PaintSnapshot& s) { s.guidChanges = false; },
         {{768, 231, "GUID changes", yellow}}},
        {"no livery scan",
         [](PaintSnapshot& s) { s.scanLiveries = false; },
         {{25, 175, "Scan for liveries:", black}, {25, 203, "Scan for addon airports:", red}}},
        {"no airport scan",
         [](PaintSnapshot& s) { s.scanAirports = false; },
         {{25, 175, "Scan for liveries:", red}, {25, 203, "Scan for addon airports:", black}}},
        {"STUB off", [](PaintSnapshot& s) { s.suppressStub = false; }, {{450, 175, "STUB", grey}}},
        {"light aircraft disabled",
         [](PaintSnapshot& s) { s.enabled[LIGHT_AIRCRAFT.commandId()] = false; },
         {{343, 231, "Light aircraft", grey},
          {450, 231, "Helicopters", black},
          {556, 231, "FighterJets", black}}},
        {"helicopters disabled",
         [](PaintSnapshot& s) { s.enabled[HELICOPTERS.commandId()] = false; },
         {{343, 231, "Light aircraft", black},
          {450, 231, "Helicopters", grey},
          {556, 231, "FighterJets", black}}},
        {"fighter jets disabled",
         [](PaintSnapshot& s) { s.enabled[HIGH_PERF_AIRCRAFT.commandId()] = false; },
         {{343, 231, "Light aircraft", black},
          {450, 231, "Helicopters", black},
          {556, 231, "FighterJets", grey}}},
        {"no controls made yet",
         [](PaintSnapshot& s) { s.enabled.clear(); },
         {{343, 231, "Light aircraft", grey},
          {450, 231, "Helicopters", grey},
          {556, 231, "FighterJets", grey},
          {253, 231, "Optional:", black}}},
        {"only live parked traffic",
         [](PaintSnapshot& s) { s.rtParkTrafficOnly = true; },
         {{25, 371, "Fake", grey},
          {91, 371, "Week", grey},
          {171, 371, "Soft", grey},
          {262, 371, "%", grey},
          {343, 371, "ILO", grey},
          {400, 371, "Max fit:", grey},
          {556, 371, "PT only", black}}},
        {"unlocked, park airport flag set",
         [](PaintSnapshot& s) { s.controlsLocked = false; },
         {{5, 343, "Airport parking:", black}}},
        {"unlocked, park airport flag clear",
         [](PaintSnapshot& s) { s.window.parkAirportFlag = false; },
         {{5, 343, "Airport parking:", red}}},
        {"locked, park airport flag set",
         [](PaintSnapshot& s) { s.controlsLocked = true; },
         {{5, 343, "Airport static parking active:", yellow}}},
        {"locked, park airport flag clear",
         [](PaintSnapshot& s) {
             s.controlsLocked = true;
             s.window.parkAirportFlag = false;
         },
         {{5, 343, "Airport static parking active:", red}}},
        {"no TBLO airports",
         [](PaintSnapshot& s) { s.window.tbloAirports = 0; },
         {{323, 203, nullptr}}},
        {"TBLO count unknown",
         [](PaintSnapshot& s) { s.window.tbloAirports = -1; },
         {{323, 203, nullptr}}},
        {"one TBLO airport",
         [](PaintSnapshot& s) { s.window.tbloAirports = 1; },
         {{323, 203, "1 airport in TBLO folder", yellow}}},
        {"two TBLO airports",
         [](PaintSnapshot& s) { s.window.tbloAirports = 2; },
         {{323, 203, "2 airports in TBLO folder", yellow}}},
    });
}

TEST(PaintParameterLabels, RenewalMinutesShowOnlyWhileARenewalIsComing) {
    const auto show = [](PaintSnapshot& s, std::int32_t minutes) {
        s.window.parkAirportLoaded = true;
        s.window.minutesToRenewal = minutes;
    };
    runCases({
        {"loaded, 7 minutes", [&](PaintSnapshot& s) { show(s, 7); }, {{111, 343, "(in 7 min)"}}},
        {"1 minute", [&](PaintSnapshot& s) { show(s, 1); }, {{111, 343, "(in 1 min)"}}},
        {"19 minutes", [&](PaintSnapshot& s) { show(s, 19); }, {{111, 343, "(in 19 min)"}}},
        {"0 minutes", [&](PaintSnapshot& s) { show(s, 0); }, {{111, 343, nullptr}}},
        {"20 minutes", [&](PaintSnapshot& s) { show(s, 20); }, {{111, 343, nullptr}}},
        {"negative minutes", [&](PaintSnapshot& s) { show(s, -3); }, {{111, 343, nullptr}}},
        {"not loaded",
         [&](PaintSnapshot& s) {
             show(s, 7);
             s.window.parkAirportLoaded = false;
         },
         {{111, 343, nullptr}}},
        {"controls locked",
         [&](PaintSnapshot& s) {
             show(s, 7);
             s.controlsLocked = true;
         },
         {{111, 343, nullptr}, {5, 343, "Airport static parking active:", colours::yellow}}},
        {"initial load only",
         [&](PaintSnapshot& s) {
             show(s, 7);
             s.initialLoadOnly = true;
         },
         {{111, 343, nullptr}}},
        {"initial load only with live parked traffic only",
         [&](PaintSnapshot& s) {
             show(s, 7);
             s.initialLoadOnly = true;
             s.rtParkTrafficOnly = true;
         },
         {{111, 343, "(in 7 min)"}}},
        {"live parked traffic only",
         [&](PaintSnapshot& s) {
             show(s, 7);
             s.rtParkTrafficOnly = true;
         },
         {{111, 343, "(in 7 min)"}}},
    });
}

TEST(PaintParameterLabels, TimeShiftUnitsAreSingularOnlyForOneAndNegatives) {
    struct Case {
        std::int32_t value;
        const char *day, *hour, *minute;
    };
    const Case cases[] = {
        {1, "day", "hour", "minute"},     {0, "days", "hours", "minutes"},
        {2, "days", "hours", "minutes"},  {-1, "day", "hour", "minute"},
        {28, "days", "hours", "minutes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        PaintSnapshot s = startSnapshot();
        s.timeShiftDays = s.timeShiftHours = s.timeShiftMins = c.value;
        const RecordingCanvas canvas = paintLabels(s);
        check(canvas, {788, 315, c.day});
        check(canvas, {788, 287, c.hour});
        check(canvas, {788, 343, c.minute});
    }
    // Each unit follows its own field.
    PaintSnapshot s = startSnapshot();
    s.timeShiftDays = 1;
    s.timeShiftHours = 5;
    s.timeShiftMins = 1;
    const RecordingCanvas canvas = paintLabels(s);
    check(canvas, {788, 315, "day"});
    check(canvas, {788, 287, "hours"});
    check(canvas, {788, 343, "minute"});
}

} // namespace
