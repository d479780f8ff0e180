#include "core/time_shift_controls.h"

#include "core/controls.h"
#include "core/main_window.h"
#include "core/parameters.h"

namespace {

void lf_setField(IntEditParameter& parameter, int value) {
    parameter.setClamped(value);
    parameter.save();
    lf_showIntParameter(parameter);
}

} // namespace

void lf_setTimeShiftFields(int minutes) {
    const int days = minutes / 1440;
    const int hours = (minutes - days * 1440) / 60;
    lf_setField(TIME_SHIFT_DAYS, days);
    lf_setField(TIME_SHIFT_HOURS, hours);
    lf_setField(TIME_SHIFT_MINS, minutes % 60);
}

void lf_enableTimeShiftControls(bool enable) {
    // The simulator's time replaces the shift while SIM_TIME is on, so the fields stay off then.
    const bool fields = enable && !SIM_TIME.value();
    gf_enableControl(TIME_SHIFT_DAYS.commandId(), fields);
    gf_enableControl(TIME_SHIFT_HOURS.commandId(), fields);
    gf_enableControl(TIME_SHIFT_MINS.commandId(), fields);
    gf_enableControl(SIM_TIME.commandId(), enable);
    gf_enableControl(KEEP_SIM_TIME_PAR.commandId(), enable);
    mainWindow.timeShiftControlsEnabled = enable;
    gf_invalidate(kStatusRegion);
}
