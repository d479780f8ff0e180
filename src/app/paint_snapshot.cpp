#include "app/paint.h"

#include "core/controls.h"
#include "core/parameters.h"
#include "core/run_values.h"

PaintSnapshot gf_takePaintSnapshot() {
    PaintSnapshot s;
    s.window = mainWindow.snapshot();
    // Every control's state, not only those the grey rules read today: a copy of 41 flags is
    // cheap and a new rule then needs no change here.
    for (const Parameter* parameter : gf_allParameters()) {
        if (const auto* control = dynamic_cast<const ParameterControl*>(parameter)) {
            if (const auto state = gf_controlState(control->commandId())) {
                s.enabled[control->commandId()] = state->enabled;
            }
        }
    }
    s.alwaysOnTop = ALWAYS_ON_TOP.value();
    s.guidChanges = GUID_CHANGES.value();
    s.scanLiveries = SCAN_LIVERIES.value();
    s.suppressStub = SUPPRESS_STUB.value();
    s.scanAirports = SCAN_AIRPORTS.value();
    s.rtParkTrafficOnly = RT_PARKTRAFFIC_ONLY.value();
    s.initialLoadOnly = INITIAL_LOAD_ONLY.value();
    s.week = WEEK.value();
    s.timeShiftDays = TIME_SHIFT_DAYS.value();
    s.timeShiftHours = TIME_SHIFT_HOURS.value();
    s.timeShiftMins = TIME_SHIFT_MINS.value();
    s.parkingPercentage = parking_percentage.value();
    s.controlsLocked = controlsLocked.load();
    return s;
}
