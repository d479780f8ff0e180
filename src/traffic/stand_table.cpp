#include "traffic/stand_table.h"

#include "airports/park_airport_state.h"
#include "core/log.h"
#include "core/main_window.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <vector>

ParkPosition* gf_findStandById(std::uint32_t standId) {
    if (standId == 0) {
        return nullptr;
    }
    for (ParkPosition& stand : gf_parkAirportState().stands) {
        if (stand.standId == standId) {
            return &stand;
        }
    }
    return nullptr;
}

ParkPosition* gf_findStandByName(std::string_view name) {
    for (ParkPosition& stand : gf_parkAirportState().stands) {
        if (stand.name == name) {
            return &stand;
        }
    }
    return nullptr;
}

void gf_markStandTaken(ParkPosition& stand) {
    stand.taken = true;
    for (const std::uint32_t adjacentId : stand.adjacentStandIds) {
        if (ParkPosition* adjacent = gf_findStandById(adjacentId)) {
            adjacent->adjacentTaken = true;
        }
    }
}

ParkPosition* lf_nearestStand(const Position& position, double maxNm) {
    ParkPosition* nearest = nullptr;
    double nearestDistance = maxNm;
    for (ParkPosition& stand : gf_parkAirportState().stands) {
        const double distance = gf_distanceNM(position, Position{stand.latitude, stand.longitude});
        if (distance <= nearestDistance && (nearest == nullptr || distance < nearestDistance)) {
            nearest = &stand;
            nearestDistance = distance;
        }
    }
    return nearest;
}

std::string gf_standLogName(std::uint32_t standId) {
    if (standId == 0) {
        return "sid==0?";
    }
    const ParkPosition* stand = gf_findStandById(standId);
    return stand != nullptr ? stand->name : "unknown";
}

void gf_countLearnedUpdate() {
    const std::int32_t count = ++gf_parkAirportState().learnedUpdateCount;
    if (mainWindow.updateCount.exchange(count) != count) {
        gf_invalidate(kStatisticsRegion);
    }
}

void lf_markCargoStand(LiveAircraft& aircraft) {
    if (!aircraft.cargo) {
        return;
    }
    ParkPosition* stand = gf_findStandById(aircraft.standId);
    if (stand == nullptr || stand->cargo) {
        return;
    }
    stand->cargo = true;
    stand->cargoChanged = true;
    // The departure learns only where the flight's and the stand's cargo flags agree.
    aircraft.standCargo = true;
    gf_countLearnedUpdate();
    gf_log(fmt::format("{} stand: {}, cargo attribute set to true, {} parked here",
                       gf_parkAirportState().name, stand->name, aircraft.describe()));
}

void gf_clearStandNameMemo() {
    trafficState.standNameMemo = ksb::StandNameMemo{};
}
