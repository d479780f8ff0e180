#pragma once
// The checks every recorded trajectory must pass, whatever the scenario: finite values in
// range, no jumps, no turn faster than allowed (the turn rate on the ground and on curves, the
// heading step in phases 3, 4 and 6), no pitch or bank jerk in the air, never in the simulator
// without a sample, and no configuration event for a rotorcraft.
#include "support/trajectory_recorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace ksb::test {

struct InvariantOptions {
    // The script's times agree with its speeds, so the per-tick move is bounded by them.
    bool speedsAgree = true;
};

// Success, or the first failures with their ticks.
::testing::AssertionResult trajectoryInvariantsHold(const TrajectoryRecorder& recorder,
                                                    InvariantOptions options = {});
// The same over points and events of an aircraft of the category and object id.
::testing::AssertionResult trajectoryInvariantsHold(const std::vector<TrajectoryPoint>& points,
                                                    const std::vector<TickEvent>& events,
                                                    AircraftCategory category,
                                                    std::uint32_t objectId,
                                                    InvariantOptions options = {});

} // namespace ksb::test
