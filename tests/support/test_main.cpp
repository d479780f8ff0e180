// gtest main: every test starts from the start values of the process-wide state: core globals,
// the system clock, the default message sink and exit handler, parameters, controls, the window
// model, the run values, the traffic state, the airports subsystem and the simulator link.
#include "airports/airports_globals.h"
#include "core/controls.h"
#include "core/globals.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_state.h"
#include "core/run_values.h"
#include "simlink/link_state.h"
#include "traffic/traffic_state.h"

#include <gtest/gtest.h>

namespace {
void lf_resetProcessState() {
    gf_resetCoreGlobals();
    gf_setWindowPort(nullptr);
    gf_resetParametersForTests();
    gf_resetControlsForTests();
    mainWindow.resetToStart();
    gf_resetRunValues();
    gf_resetRunState();
    gf_resetTrafficForTests();
    gf_resetAirportsGlobals();
    gf_resetSimLinkStateForTests();
}

class ResetCoreGlobals : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { lf_resetProcessState(); }
    void OnTestEnd(const ::testing::TestInfo&) override { lf_resetProcessState(); }
};
} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    ::testing::UnitTest::GetInstance()->listeners().Append(new ResetCoreGlobals);
    return RUN_ALL_TESTS();
}
