#pragma once
// The paint is a pure function of a snapshot of the model: it takes none of the model's locks
// and never throws, so a worker holding the traffic mutex for seconds cannot stall the window.
#include "core/main_window.h"
#include "ui/window_port.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// Everything the paint reads besides the window model: parameter values, control states and
// run values.
struct PaintSnapshot {
    MainWindowSnapshot window;
    // Enabled state of each control by command id (the grey rules); a missing id is disabled.
    std::map<std::uint16_t, bool> enabled;
    bool alwaysOnTop = false, guidChanges = true, scanLiveries = true, suppressStub = true,
         scanAirports = true, rtParkTrafficOnly = false, initialLoadOnly = false, week = false;
    std::int32_t timeShiftDays = 0, timeShiftHours = 0, timeShiftMins = 0, parkingPercentage = 30;
    bool controlsLocked = false;

    bool isEnabled(std::uint16_t id) const {
        const auto it = enabled.find(id);
        return it != enabled.end() && it->second;
    }
};

// What the status block drew: the two block colours and the texts at (5,35) and (5,63), empty
// where nothing was drawn.
struct PaintedStatus {
    ui::Rgb sim{};
    ui::Rgb rt{};
    std::string simText;
    std::string title;
};

// What the statistics rows drew: the park airport's display name (empty when none was drawn)
// and the counts, each empty when it was not drawn.
struct PaintedStatistics {
    std::string park;
    std::optional<std::int32_t> parkedLive, parkedStatic, maxPark;
};

// The values one paint showed, as the window trace follows them.
struct PaintedValues {
    std::string message;
    std::string error;
    PaintedStatus status;
    std::int32_t weather = 3, traffic = 3, qnh = 0, live = 0;
    std::int64_t liveries = -1;
    PaintedStatistics statistics;
    // "Airport static parking active:" was drawn.
    bool staticActive = false;
};

// Copies the model, the parameters and the control mirror.
PaintSnapshot gf_takePaintSnapshot();
// The whole window, bands first, message strip last.
PaintedValues lf_paintMainWindow(ui::Canvas& canvas, const PaintSnapshot& snapshot);
// Simulator and service blocks with the catalogue counts.
PaintedStatus lf_paintStatusBlock(ui::Canvas& canvas, const PaintSnapshot& snapshot);
// The texts beside the controls; true when the static parking title was among them.
bool lf_paintParameterLabels(ui::Canvas& canvas, const PaintSnapshot& snapshot);
// The park airport's two rows.
PaintedStatistics lf_paintStatistics(ui::Canvas& canvas, const PaintSnapshot& snapshot);
// Draws a text; one that cannot be converted for the window is logged and not drawn (false).
bool lf_drawTextLine(ui::Canvas& canvas, int x, int y, std::string_view utf8, ui::Rgb colour);
