#include "app/time_shift.h"

#include "app/startup_services.h"
#include "core/controls.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/time_shift_controls.h"

#include <fmt/format.h>

namespace {

// 28 days.
constexpr int kMaxShiftMinutes = 40320;

} // namespace

void lf_applyTimeShift(int minutes, bool quiet) {
    timeShiftActive = minutes > 0;
    if (minutes > kMaxShiftMinutes) {
        gf_log("Time shifting is limited to 4 weeks");
        minutes = kMaxShiftMinutes;
    }
    lf_setTimeShiftFields(minutes);
    gf_rtServices().setTimeOffset(minutes);
    if (minutes != 0) {
        if (quiet) {
            return;
        }
        gf_showMessage(fmt::format("Time shifted {} minute{}", minutes, minutes > 1 ? "s" : ""),
                       true);
    } else {
        gf_showMessage("No time shift", true);
        lf_setControlText(TIME_SHIFT_DAYS.commandId());
        lf_setControlText(TIME_SHIFT_HOURS.commandId());
        lf_setControlText(TIME_SHIFT_MINS.commandId());
        if (quiet) {
            return;
        }
    }
    // PLACEHOLDER ("Edit fields, commands and time shift"): the traffic placed under the old
    // shift (live aircraft in or queued for the simulator, the static parked aircraft) is not
    // dropped yet.
}
