#include "app/live_count.h"

#include "core/main_window.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/fake_traffic_engine.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace {

LiveAircraft lf_flying() {
    LiveAircraft aircraft;
    aircraft.state = LiveState::inSimulator;
    aircraft.phase = FlightPhase::airborne;
    return aircraft;
}

// The count walks the live aircraft while the main loop's tick adds and erases them; both hold
// the traffic mutex, so the walk never sees a vector in the middle of a change.
TEST(LiveCountThreads, CountsWhileTheTickChangesTheLiveAircraft) {
    mainWindow.resetToStart();
    ksb::test::FakeTrafficEngine engine;
    constexpr int kRounds = 2000;

    std::thread tick([&] {
        for (int i = 0; i < kRounds; ++i) {
            std::lock_guard lock(trafficState.trafficMutex);
            gf_trafficTick();
            if (i % 3 == 2) {
                trafficState.live.pop_back();
            } else {
                trafficState.live.push_back(lf_flying());
            }
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        lf_updateLiveCount();
        const int count = mainWindow.liveCount;
        EXPECT_GE(count, 0);
        EXPECT_LE(count, kRounds);
    }
    tick.join();

    lf_updateLiveCount();
    std::lock_guard lock(trafficState.trafficMutex);
    EXPECT_EQ(mainWindow.liveCount, static_cast<int>(trafficState.live.size()));
    EXPECT_EQ(engine.callsOf("gf_trafficTick").size(), static_cast<std::size_t>(kRounds));
    EXPECT_EQ(engine.callsOf("gf_updateLiveParkedShare").size(),
              static_cast<std::size_t>(kRounds + 1));
    mainWindow.resetToStart();
}

} // namespace
