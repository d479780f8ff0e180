// Loading the chosen park airport, settling the user's reserved stand on it, and starting the
// static parking and its renewal.
#include "traffic/park_airports.h"

#include "airports/airports.h"
#include "airports/park_airport_state.h"
#include "core/controls.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "core/sim_session_state.h"
#include "traffic/reserved_stand.h"
#include "traffic/stand_name_at.h"
#include "traffic/stand_table.h"
#include "traffic/static_parking.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <filesystem>
#include <list>
#include <string>

namespace {

// An airport that learned this well from real parking needs no inferred parking.
constexpr std::int32_t kRealQualityForNoSoft = 45;
constexpr std::size_t kStandsForNoSoft = 20;

void lf_settleSoftLearning(bool loaded) {
    const ksb::ParkAirportState& park = gf_parkAirportState();
    if (loaded && park.qualityFactors.real >= kRealQualityForNoSoft &&
        park.stands.size() >= kStandsForNoSoft) {
        trafficState.softLearningAllowed = false;
        if (LEARN_SOFT.value()) {
            lf_setCheckBox(LEARN_SOFT, false);
            gf_enableControl(LEARN_SOFT.commandId(), false);
            parkSettingsChanged = true;
        }
        return;
    }
    trafficState.softLearningAllowed = true;
    gf_enableControl(LEARN_SOFT.commandId(), true);
}

// The stand the user stands still on becomes the park airport's recorded stand. The airport's
// own record moves to the front rather than gaining a second one, whose empty stand would wipe
// the recorded one.
void lf_recordUserStand() {
    if (!gf_userStandsStill()) {
        return;
    }
    const UserAircraftState user = gf_userState();
    const std::string stand = ksb::lf_standNameAt(user.latitude, user.longitude);
    const Airport& park = trafficState.parkAirport;
    std::list<ParkAirport>& list = trafficState.parkAirports;
    auto record = list.begin();
    while (record != list.end() && record->name != park.code) {
        ++record;
    }
    if (record == list.end()) {
        list.push_front(ParkAirport{park.code, stand, park.lat, park.lon, 0.0});
        ksb::gf_writeParkAirports();
        return;
    }
    list.splice(list.begin(), list, record);
    if (!stand.empty() && stand != list.front().reservedStand) {
        list.front().reservedStand = stand;
        ksb::gf_writeParkAirports();
    }
}

void lf_setReservedStandShown(const std::string& stand, bool known) {
    trafficState.reservedStandFlag = known;
    mainWindow.reservedStandValid = known;
    mainWindow.setText(WindowText::reservedStand, known ? stand : std::string(), kStatisticsRegion);
    gf_invalidate(kStatisticsRegion);
}

// The first record's stand, when it is the park airport's and the table has it.
void lf_takeReservedStand() {
    const std::list<ParkAirport>& list = trafficState.parkAirports;
    const bool own = !list.empty() && list.front().name == trafficState.parkAirport.code;
    const std::string stand = own ? list.front().reservedStand : std::string();
    if (!stand.empty() && gf_findStandByName(stand) != nullptr) {
        trafficState.reservedStand = stand;
        lf_setReservedStandShown(stand, true);
        return;
    }
    trafficState.reservedStand.clear();
    lf_setReservedStandShown(std::string(), false);
}

} // namespace

namespace ksb {

std::string gf_loadParkAirport() {
    ParkAirportState& park = gf_parkAirportState();
    park.stands.clear();
    gf_clearStandNameMemo();
    std::string error;
    const std::filesystem::path path = gf_findApfPath(park.name);
    if (path.empty()) {
        error = fmt::format("{} not found", park.name);
    } else {
        gf_readApf(error, path, park.airportName, park.qualityFactors, park.stands);
        lf_settleSoftLearning(error.empty());
        park.learnedUpdateCount = 0;
        if (error.empty()) {
            lf_recordUserStand();
            lf_takeReservedStand();
        }
    }
    if (error.empty()) {
        mainWindow.parkAirportLoaded = true;
    }
    mainWindow.setText(WindowText::parkAirportName, gf_airportDisplayName(trafficState.parkAirport),
                       kStatisticsRegion);
    gf_invalidate(kStatisticsRegion);
    return error;
}

void lf_startStaticParking(bool showMessage) {
    trafficState.linkServices.lockControls();
    trafficState.feedServices.setCollectFlag();
    if (showMessage) {
        gf_showMessage("Calculating static parked aircraft ...", false);
    }
}

void lf_loadAndCalculate(bool calculateNow) {
    if (!calculateNow) {
        trafficState.parkAirportPendingLoad = true;
        lf_startStaticParking(false);
        return;
    }
    trafficState.parkAirportPendingLoad = false;
    const std::string error = gf_loadParkAirport();
    if (!error.empty()) {
        gf_showMessage(error, true);
        gf_clearParkAirport();
        return;
    }
    gf_calculateStaticParking();
}

bool gf_checkReservedStand(bool reRead, std::string& text) {
    if (!gf_readParkAirports(reRead)) {
        return false;
    }
    const std::list<ParkAirport>& list = trafficState.parkAirports;
    if (reRead && gf_userStandsStill() && !controlsLocked.load() && !list.empty() &&
        !trafficState.parkAirport.code.empty() &&
        list.front().name == trafficState.parkAirport.code) {
        const std::string stand = list.front().reservedStand;
        const std::string old = trafficState.reservedStand;
        if (!stand.empty() && stand != old) {
            text = fmt::format("reserved stand changed from \"{}\" to \"{}\"", old, stand);
            if (ParkPosition* oldStand = old.empty() ? nullptr : gf_findStandByName(old)) {
                oldStand->blocked = false;
            }
            trafficState.reservedStand = stand;
            gf_clearReservedStand();
            ParkPosition* newStand = gf_findStandByName(stand);
            if (newStand != nullptr) {
                newStand->blocked = true;
            }
            lf_setReservedStandShown(stand, newStand != nullptr);
        }
    }
    if (text.empty()) {
        text = "park airports and stands are okay";
    }
    return true;
}

bool gf_refreshStaticParking(bool parkTrafficOnlySwitchedOn) {
    mainWindow.clearError();
    gf_clearMessage();
    if (trafficState.parkAirport.code.empty() || gf_parkAirportState().stands.empty()) {
        return false;
    }
    gf_adjustStaticParking(parkTrafficOnlySwitchedOn);
    return true;
}

} // namespace ksb
