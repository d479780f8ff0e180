#include "traffic/sim_call_failure.h"

#include "core/log.h"
#include "traffic/traffic_state.h"

bool gf_checkSimCall(bool succeeded, std::string_view failureLine) {
    if (!succeeded) {
        gf_logLine(failureLine);
        trafficState.linkServices.countRequestError();
    }
    return succeeded;
}
