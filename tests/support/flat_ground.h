#pragma once
// Level ground at one elevation, as the simulator reports it to the range request: on every
// requestAircraftInRange the fake link records (and answers true), one ground record (kind 3)
// for each live aircraft in the simulator whose height is at most 2500 ft. The height is that
// of the object's last position write above the elevation (before the first write, the altitude
// of its creation request); the object is on the ground when the height is at most its static
// CG height + 1 ft, and before its first write by the OnGround flag of its creation request.
// The records are handled by the next tick, as the link's answers are.
//
// Construct it after the harness (its link must be installed) and while no engine lock is held.
#include "support/traffic_harness.h"

#include <cstdint>
#include <functional>
#include <unordered_map>

namespace ksb::test {

class FlatGround {
public:
    FlatGround(TrafficHarness& harness, double elevation);
    ~FlatGround();
    FlatGround(const FlatGround&) = delete;
    FlatGround& operator=(const FlatGround&) = delete;

    void setElevation(double feet) { elevation_ = feet; }
    double elevation() const { return elevation_; }
    // Posts the object's resting attitude (kind 4), as the simulator answers definition 405,
    // and takes its CG height for the on-ground test.
    void staticCg(std::uint32_t object, double cg, double pitch);
    // Ground records posted so far.
    int answers() const { return answers_; }

private:
    // Inside the tick, with the traffic mutex held.
    void answer();

    TrafficHarness& harness_;
    double elevation_ = 0.0;
    int answers_ = 0;
    std::unordered_map<std::uint32_t, double> cg_;           // object -> feet
    std::unordered_map<std::uint32_t, double> lastAltitude_; // object -> feet
    std::function<bool(double)> previous_;
};

} // namespace ksb::test
