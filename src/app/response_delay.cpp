#include "app/response_delay.h"

#include "airports/park_airport_state.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/program_info.h"
#include "core/run_state.h"
#include "core/run_values.h"

#include <fmt/format.h>

void lf_showResponseDelay() {
    if (!gf_parkAirportState().parkAirportLoaded.load()) {
        gf_clearMessage();
        return;
    }
    parkSettingsChanged = true;
    if (INITIAL_LOAD_ONLY.value()) {
        return;
    }
    const int n = secondsCounter.load();
    const int wait = 15 * (n / 15 + 1) - n;
    gf_showMessage(
        fmt::format("{} will respond in {} second{} ...", kProgramName, wait, wait > 1 ? "s" : ""),
        false);
    staticRenewalRequested = true;
}
