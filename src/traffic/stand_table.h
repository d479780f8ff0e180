#pragma once
// The park airport's stand table (gf_parkAirportState().stands): lookups, the taken marks, the
// update count of what was learned, the cargo mark and the memo of gf_standNameAt. The caller
// holds trafficState.trafficMutex; nothing here takes a lock.
#include "core/airport_records.h"
#include "core/geodesy.h"
#include "traffic/live_aircraft.h"

#include <cstdint>
#include <string>
#include <string_view>

// The first stand with the id; nullptr when none has it (id 0 never matches).
ParkPosition* gf_findStandById(std::uint32_t standId);
// The first stand with exactly that name; nullptr when none has it.
ParkPosition* gf_findStandByName(std::string_view name);
// Takes the stand for the static-parking plan: its taken flag, and the adjacent-taken flag of
// the first stand with each of its adjacent ids.
void gf_markStandTaken(ParkPosition& stand);
// The stand nearest the position within maxNm nautical miles, whatever its flags; the first in
// table order of equally near ones; nullptr when none is that near.
ParkPosition* lf_nearestStand(const Position& position, double maxNm);
// The stand name that heads traffic log lines: "sid==0?" for id 0, "unknown" when the table has
// no such id.
std::string gf_standLogName(std::uint32_t standId);
// One more learned change: the park airport's update count, shown in the main window (which is
// repainted only when the shown number changes).
void gf_countLearnedUpdate();
// A cargo flight on a stand that is not a cargo stand makes it one (counted and logged), and its
// copy of the stand's cargo flag follows. Nothing changes for an unknown stand id.
void lf_markCargoStand(LiveAircraft& aircraft);
// Forgets gf_standNameAt's last answer; the stand table changed under it. The traffic reset, the
// park airport's load and its close call it.
void gf_clearStandNameMemo();
