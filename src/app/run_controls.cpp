#include "app/run_controls.h"

#include "app/time_shift.h"
#include "core/controls.h"
#include "core/parameters.h"
#include "core/parking_controls.h"
#include "core/sim_session_state.h"
#include "core/time_shift_controls.h"

std::atomic<std::int64_t> lastSimUtcSeconds{0};

namespace {

bool lf_timeShiftStored() {
    return TIME_SHIFT_DAYS.value() != TIME_SHIFT_DAYS.defaultValue() ||
           TIME_SHIFT_HOURS.value() != TIME_SHIFT_HOURS.defaultValue() ||
           TIME_SHIFT_MINS.value() != TIME_SHIFT_MINS.defaultValue();
}

void lf_resetField(IntEditParameter& parameter) {
    parameter.setClamped(0);
    parameter.save();
}

} // namespace

void lf_enableParameterControls() {
    gf_enableControl(RT_PARKTRAFFIC_ONLY.commandId(), true);
    lf_enableParkingControls();
    // An empty MAX_LIVE field means the default everywhere.
    if (MAX_LIVE.value() == MAX_LIVE.defaultValue()) {
        lf_setControlText(MAX_LIVE.commandId());
    }
    gf_enableControl(AUTO_RANGE.commandId(), true);
    gf_enableControl(LATERAL_RANGE.commandId(), false);
    gf_enableControl(COLLISION_USER_AIR.commandId(), true);
    gf_enableControl(COLLISION_LIVE_PARKED_GND.commandId(), true);
    gf_enableControl(GUID_CHANGES.commandId(), true);
    gf_enableControl(LEARN_SOFT.commandId(), false);
    gf_enableControl(BLOCK_CALLSIGN.commandId(), true);
    gf_enableControl(MAX_LIVE.commandId(), true);
    gf_enableControl(CHECK_VERSION_BUTTON.commandId(), true);
    gf_enableControl(UNBLOCK_BUTTON.commandId(), !BLOCK_CALLSIGN.value().empty());
    gf_enableControl(KEEP_SIM_TIME_PAR.commandId(), true);
    if (SIM_TIME.value()) {
        lf_enableTimeShiftByMode();
    } else if (lf_timeShiftStored()) {
        lf_applyTimeShift((TIME_SHIFT_HOURS.value() + TIME_SHIFT_DAYS.value() * 24) * 60 +
                              TIME_SHIFT_MINS.value(),
                          true);
    } else {
        lf_showIntParameter(TIME_SHIFT_DAYS);
        lf_showIntParameter(TIME_SHIFT_HOURS);
        lf_showIntParameter(TIME_SHIFT_MINS);
    }
    lf_enableTimeShiftControls(true);
}

void lf_enableTimeShiftByMode() {
    const bool simTime = SIM_TIME.value();
    if (!simTime) {
        lf_setTimeShiftFields(0);
        lf_applyTimeShift(0, false);
        lastSimUtcSeconds = simUtcSeconds.load();
    } else {
        lastSimUtcSeconds = 0;
    }
    gf_enableControl(TIME_SHIFT_DAYS.commandId(), !simTime);
    gf_enableControl(TIME_SHIFT_HOURS.commandId(), !simTime);
    gf_enableControl(TIME_SHIFT_MINS.commandId(), !simTime);
}

void lf_resetTimeShiftFields() {
    lf_resetField(TIME_SHIFT_DAYS);
    lf_resetField(TIME_SHIFT_HOURS);
    lf_resetField(TIME_SHIFT_MINS);
}
