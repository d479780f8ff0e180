#pragma once
// The park airport: the one airport whose stands the traffic engine fills and learns on. Its
// data has one home, read by the engine, the simulator link, the feed and the window.
//
// Guards: parkAirportLoaded is atomic and parkSnapshot has a leaf lock of its own; every other
// member is guarded by the traffic engine's trafficMutex, which the callers hold (this folder
// never takes it).
#include "airports/airports.h"
#include "core/airport_records.h"
#include "core/ranked_mutex.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ksb {

// The chosen park airport as readers outside the engine see it.
struct ParkSnapshot {
    std::string code;
    double latitude = 0.0;  // degrees
    double longitude = 0.0; // degrees
};

// Under a leaf lock of its own, never trafficMutex: the park-airport load updates the automatic
// range while it holds trafficMutex, and the range reads this.
class ParkSnapshotHolder {
public:
    // Nothing while no park airport is chosen.
    std::optional<ParkSnapshot> get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void set(std::optional<ParkSnapshot> value) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }

private:
    mutable RankedMutex mutex_{LockRank::leaf, "park snapshot"};
    std::optional<ParkSnapshot> value_;
};

class ParkAirportState {
public:
    ParkAirportState() = default;
    ParkAirportState(const ParkAirportState&) = delete;
    ParkAirportState& operator=(const ParkAirportState&) = delete;

    // Everything back to its start value; the caller holds trafficMutex.
    void reset();

    std::string name; // ICAO code and file stem; empty = no park airport set
    std::string airportName;
    std::string publisher;
    std::int32_t altitudeFt = 0;
    double altitude = 0.0;               // feet
    std::vector<ParkPosition> stands;    // the stand table, in file order
    bool handmade = false;               // the learned file replaced the airport file's stands
    std::int32_t learnedUpdateCount = 0; // changes learned since the load
    std::filesystem::path currentPath;   // the airport file loaded; empty when closed
    QualityFactors qualityFactors;

    // Read without trafficMutex by the engine, the window and the exit.
    std::atomic<bool> parkAirportLoaded{false};
    // The chosen park airport's code and position.
    ParkSnapshotHolder parkSnapshot;
};

} // namespace ksb

ksb::ParkAirportState& gf_parkAirportState();
// The quality factors of the park airport's stands; the caller holds trafficMutex.
QualityFactors gf_computeQualityFactors();
