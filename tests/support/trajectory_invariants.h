#pragma once
// The checks every recorded trajectory must pass, whatever the scenario: finite values in
// range, no jumps, no turn faster than allowed, no pitch or bank jerk in the air, never in the
// simulator without a sample, and no configuration event for a rotorcraft.
#include "support/trajectory_recorder.h"

#include <gtest/gtest.h>

namespace ksb::test {

struct InvariantOptions {
    // The script's times agree with its speeds, so the per-tick move is bounded by them.
    bool speedsAgree = true;
};

// Success, or the first failures with their ticks.
::testing::AssertionResult trajectoryInvariantsHold(const TrajectoryRecorder& recorder,
                                                    InvariantOptions options = {});

} // namespace ksb::test
