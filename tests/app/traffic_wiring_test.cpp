#include "app/startup_services.h"
#include "simlink/client/simconnect_capture.h"
#include "simlink/sim_session.h"
#include "traffic/traffic_state.h"

#include <gtest/gtest.h>

namespace {

// The engine reaches the simulator link only through the table the start-up wiring fills.
TEST(TrafficWiring, TheEngineReachesTheLinkAfterTheWiring) {
    auto capture = sc::makeCaptureHandle();
    gf_setSimHandleForTests(capture->get());
    EXPECT_FALSE(trafficState.linkServices.setFlightPlan(1234, "/data/orig_dest/1234.pln"));
    gf_wireStartupServices();
    EXPECT_TRUE(trafficState.linkServices.setFlightPlan(1234, "/data/orig_dest/1234.pln"));
    gf_setSimHandleForTests(nullptr);
    gf_resetTrafficForTests();
}

} // namespace
