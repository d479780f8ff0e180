#pragma once
// A park airport with a row of stands for the motion tests: stands 40 m apart along one bearing,
// each with its neighbours, radius, heading and cargo flag, one of them a helipad; the airport's
// elevation and position, and the user's reserved stand. Load it while the calling thread holds
// no engine lock.
#include "core/airport_records.h"
#include "core/geodesy.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ksb::test {

inline constexpr double kStandSpacingMetres = 40.0;

// One stand of the row.
struct StandRowEntry {
    std::string name;
    double radiusMetres = 25.0;
    double headingDegrees = 0.0; // where the nose points when parked
    bool cargo = false;
    bool heli = false;
};

struct StandRowSpec {
    std::string code = "EGLL";
    Position origin{51.47, -0.45}; // the first stand
    double rowBearingDegrees = 90.0;
    double elevationFeet = 83.0;
    std::string reservedStand;
    // Neighbours: the stands next to each other in the row.
    std::vector<StandRowEntry> stands;
};

// Six stands A1 to A6 facing north in a row to the east: A4 a cargo stand, A6 a helipad of
// 10 m; radius 25 m elsewhere, so that wings on neighbour stands may touch.
StandRowSpec gf_defaultStandRow();

// The stands of the row with ids 1, 2, ... and their neighbour lists, not loaded.
std::vector<ParkPosition> gf_standRowStands(const StandRowSpec& spec);
// The position of the index-th stand (0-based), whether or not it is in the table.
Position gf_standRowPoint(const StandRowSpec& spec, std::size_t index);
// Loads the row as the park airport: code, elevation, stand table and loaded flag, the engine's
// park-airport position and the reserved stand. Takes the traffic mutex.
void gf_loadStandRow(const StandRowSpec& spec);
// The same for a caller that holds the traffic mutex.
void gf_loadStandRowLocked(const StandRowSpec& spec);

} // namespace ksb::test
