// What the first calculation of the static parking and its renewal share: the time frame, the
// fresh start of the plan with the user's stands blocked, the time comparison and the sort.
#include "traffic/static_plan.h"

#include "airports/park_airport_state.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/sim_session_state.h"
#include "core/strings.h"
#include "core/time_text.h"
#include "traffic/seen_flights.h"
#include "traffic/stand_name_at.h"
#include "traffic/stand_table.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <string>

namespace ksb {

DayHalfHour lf_logTimeFrame() {
    const DayHalfHour now = dayHalfHourNow.load();
    const int weekday = gf_weekdayOf(now);
    gf_log(fmt::format("\n{} (utc) It is day {} ({}), {} hours", gf_logTimeStamp(), weekday,
                       gf_dayName(weekday),
                       gf_numberText(static_cast<float>(gf_halfHourOfPair(now)) * 0.5F + 0.5F)));
    return now;
}

void lf_blockUserStands() {
    const std::string& reserved = trafficState.reservedStand;
    if (!reserved.empty()) {
        if (ParkPosition* stand = gf_findStandByName(reserved)) {
            stand->blocked = true;
        }
    }
    const UserAircraftState user = gf_userState();
    const std::string under = lf_standNameAt(user.latitude, user.longitude);
    if (!under.empty() && under != reserved) {
        if (ParkPosition* stand = gf_findStandByName(under)) {
            stand->blocked = true;
        }
    }
}

void lf_startStaticPlan() {
    mainWindow.staticAverageFit = -1.0F;
    mainWindow.liveParkedAverageFit = -1.0F;
    mainWindow.staticParkingRunning = false;
    gf_invalidate(kStatisticsRegion);
    trafficState.standsToFill.clear();
    trafficState.parkedLive.clear();
    trafficState.stayers.clear();
    trafficState.adjustments.clear();
    gf_clearStaticLists();
    for (ParkPosition& stand : gf_parkAirportState().stands) {
        stand.taken = false;
        stand.blocked = false;
        stand.adjacentTaken = false;
    }
    lf_blockUserStands();
}

bool lf_sameTimeOrLater(DayHalfHour since, DayHalfHour other, DayHalfHour now) {
    return gf_halfHoursElapsed(since, now) <= gf_halfHoursElapsed(other, now);
}

void lf_sortStandsToFill(bool descending) {
    std::vector<StandToFill>& list = trafficState.standsToFill;
    if (descending) {
        std::stable_sort(list.begin(), list.end(), [](const StandToFill& a, const StandToFill& b) {
            return a.sortKey > b.sortKey;
        });
    } else {
        std::stable_sort(list.begin(), list.end(), [](const StandToFill& a, const StandToFill& b) {
            return a.sortKey < b.sortKey;
        });
    }
}

} // namespace ksb
