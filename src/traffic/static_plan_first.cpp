// The first static-parking plan for a park airport just loaded.
#include "traffic/static_parking.h"

#include "airports/park_airport_state.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/parking_controls.h"
#include "core/strings.h"
#include "traffic/new_flight.h"
#include "traffic/static_plan.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace ksb {

void gf_calculateStaticParking() {
    const DayHalfHour time = lf_logTimeFrame();
    gf_showMessage(
        "Making changes to airport parking parameters is disabled while static parking takes "
        "place ...",
        false);
    lf_startStaticPlan();

    const bool onlyParkTraffic = RT_PARKTRAFFIC_ONLY.value();
    lf_enableParkingControls();
    // Without a login the service would refuse the request; the learned part still runs.
    if (trafficState.feedServices.loggedIn()) {
        if (const std::optional<std::vector<ParkedFlight>> parked =
                trafficState.feedServices.parkedTraffic()) {
            lf_placeParkedFlights(*parked);
            lf_keepPlannedParkTraffic();
        }
    }
    if (!onlyParkTraffic) {
        const std::size_t fromParkTraffic = trafficState.standsToFill.size();
        gf_log(fmt::format("{} parking position{} from PT", fromParkTraffic,
                           gf_pluralSuffix(fromParkTraffic)));
        const auto have = static_cast<std::int64_t>(fromParkTraffic);
        const std::int64_t wanted = gf_wantedStaticCount();
        if (wanted - have > 0) {
            lf_collectLearnedPositions(time, wanted, have);
        }
        lf_sortStandsToFill(false);
        while (static_cast<std::int64_t>(trafficState.standsToFill.size()) > wanted) {
            trafficState.standsToFill.pop_back();
        }
    } else {
        lf_sortStandsToFill(true);
    }
    lf_applyStaticRemovals();

    const std::size_t count = trafficState.standsToFill.size();
    const std::size_t stands = gf_parkAirportState().stands.size();
    const long percent =
        stands == 0 ? 0
                    : std::lround(static_cast<double>(count) * 100.0 / static_cast<double>(stands));
    if (count < 1) {
        gf_log("no parking positions found");
        trafficState.linkServices.unlockControls();
        return;
    }
    if (onlyParkTraffic) {
        gf_log(fmt::format("{} positions from RT parktraffic only\n", count));
    } else {
        gf_log(fmt::format("{} positions ({}% vs wanted {}%, with Max fit={} hours)\n", count,
                           percent, parking_percentage.value(),
                           gf_numberText(static_cast<float>(MAX_FIT.value()) * 0.5F + 0.5F)));
    }
    // The best fit ends at the back, where the creation takes entries from.
    lf_sortStandsToFill(true);
    trafficState.linkServices.lockControls();
}

} // namespace ksb
