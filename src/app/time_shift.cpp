#include "app/time_shift.h"

#include "app/startup_services.h"
#include "core/controls.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "core/time_shift_controls.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <cstddef>
#include <fmt/format.h>
#include <mutex>

namespace {

// 28 days.
constexpr int kMaxShiftMinutes = 40320;

// The traffic was placed for the old "now": aircraft in the simulator are released, queued
// creations cancelled (or, when already sent, removed once created), the static ones removed.
// The caller holds trafficMutex.
void lf_dropPlacedTraffic() {
    auto& live = trafficState.live;
    const LinkServices& link = gf_linkServices();
    for (std::size_t i = 0; i < live.size();) {
        if (live[i].state == LiveState::inSimulator) {
            link.releaseAiAircraft(live[i].objectId);
        } else if (live[i].state == LiveState::creationRequested) {
            const std::size_t before = live.size();
            (void)gf_cancelQueuedCreations(live[i].callsign);
            if (live.size() < before) {
                // The last aircraft now stands at i and is still to be visited.
                continue;
            }
            live[i].removeOnceCreated = true;
        }
        ++i;
    }
    gf_removeAllStatic();
}

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
    {
        // The engine's tick walks the same lists on the worker thread.
        std::lock_guard lock(trafficState.trafficMutex);
        lf_dropPlacedTraffic();
    }
    staticRenewalRequested = true;
}
