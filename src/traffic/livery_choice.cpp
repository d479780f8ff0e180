#include "traffic/admission.h"

#include "catalogue/catalogue.h"
#include "core/log.h"
#include "core/parameters.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

namespace ksb {

bool lf_chooseLivery(LiveAircraft& aircraft) {
    if (!aircraft.liveryTitle.empty()) {
        return true;
    }
    auto& cache = trafficState.liveryCache;
    const auto cached = cache.find(aircraft.flightKey);
    if (cached != cache.end()) {
        if (!gf_isRefusedTitle(cached->second)) {
            aircraft.liveryTitle = cached->second;
            aircraft.fsltlModel = gf_isFsltlTitle(aircraft.liveryTitle);
            // A re-creation is not logged again.
            if (LOG.value() && !aircraft.hasRecreationHeading) {
                gf_log(
                    fmt::format("          {} =c= {}", aircraft.describe(), aircraft.liveryTitle));
            }
            return true;
        }
        // The simulator could not create it; the matcher chooses another.
        cache.erase(cached);
    }
    gf_matchLiveFlightLivery(aircraft);
    if (aircraft.liveryTitle.empty()) {
        return false;
    }
    cache.insert_or_assign(aircraft.flightKey, aircraft.liveryTitle);
    return true;
}

} // namespace ksb
