#pragma once
// The paint is a pure function of a snapshot of the model.
#include "core/main_window.h"
#include "ui/window_port.h"

#include <cstdint>
#include <map>

// Everything the paint reads besides the window model: parameter values, control states and
// engine-side flags.
struct PaintSnapshot {
    MainWindowSnapshot window;
    // Enabled state of each control by command id (the grey rules).
    std::map<std::uint16_t, bool> enabled;
    bool alwaysOnTop = false, learnSoft = true, guidChanges = true, scanLiveries = true,
         suppressStub = true, scanAirports = true, rtParkTrafficOnly = false,
         initialLoadOnly = false, week = false;
    std::int32_t timeShiftDays = 0, timeShiftHours = 0, timeShiftMins = 0,
                 parkingPercentage = 30;
    bool controlsLocked = false;
};

// Copies the model, the parameters and the control mirror.
PaintSnapshot gf_takePaintSnapshot();
void lf_paintMainWindow(ui::Canvas& canvas, const PaintSnapshot& snapshot);
void lf_paintStatusBlock(ui::Canvas& canvas, const PaintSnapshot& snapshot);
void lf_paintParameterLabels(ui::Canvas& canvas, const PaintSnapshot& snapshot);
void lf_paintStatistics(ui::Canvas& canvas, const PaintSnapshot& snapshot);
// Draws a text; one that cannot be converted for the window is logged and not drawn.
void lf_drawTextLine(ui::Canvas& canvas, int x, int y, std::string_view utf8, ui::Rgb colour);
