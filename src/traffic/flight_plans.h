#pragma once
// The simulator flight plans of live aircraft: one file per simulator object in the folder
// "orig_dest" of the data folder, handed to the simulator when the object is bound, removed with
// the object, the whole folder removed at exit.
#include "traffic/live_aircraft.h"

#include <cstdint>
#include <filesystem>

// The flight-plan folder, computed on first use (so an exit before the run still finds a folder
// that a crash left).
std::filesystem::path gf_flightPlanFolder();
// "{objectId}.pln".
std::filesystem::path gf_flightPlanFileName(std::uint32_t objectId);
// Writes the plan of the aircraft; false when the file cannot be opened or written.
bool gf_writeFlightPlanFile(const std::filesystem::path& path, const LiveAircraft& aircraft);
// Gives a newly bound aircraft with a departure and a destination its plan. The caller holds
// trafficState.trafficMutex.
void lf_setFlightPlan(LiveAircraft& aircraft);
// Removes the plan file of the aircraft's object and clears its has-flight-plan flag.
void lf_removeFlightPlanFile(LiveAircraft& aircraft);

namespace ksb {
// The engine's own bodies of gf_createFlightPlanFolder and gf_removeFlightPlanFolder
// (traffic/traffic.h).
void gf_createFlightPlanFolder();
bool gf_removeFlightPlanFolder();
} // namespace ksb
