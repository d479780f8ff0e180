#include "app/time_shift.h"
#include "commands_fixture.h"
#include "core/globals.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

using ksb::test::CommandsFixture;
using ksb::test::gf_liveAircraft;

// The window's time shift and the worker's drift correction drop the traffic while the engine's
// tick walks, adds and changes the live aircraft on its own thread. Both sides hold trafficMutex,
// so neither sees the vector in the middle of a change, and nobody waits for ever.
class TimeShiftThreads : public CommandsFixture {
protected:
    void SetUp() override {
        CommandsFixture::SetUp();
        // The probe cannot tell which thread holds the mutex.
        engine->probeTrafficMutex = false;
        engine->cancelQueuedCreationsResult = true;
        engine->cancelErasesLive = true;
        LinkServices link;
        link.releaseAiAircraft = [this](std::uint32_t) { releases.fetch_add(1); };
        gf_setLinkServices(link);
    }

    std::atomic<int> releases{0};
};

TEST_F(TimeShiftThreads, ShiftsWhileTheTickWalksTheLiveAircraft) {
    constexpr int kShifts = 20;
    std::atomic<bool> shiftsDone{false};
    std::atomic<int> walks{0};

    std::thread tick([&] {
        std::uint32_t next = 1000;
        do {
            std::lock_guard lock(trafficState.trafficMutex);
            for (LiveAircraft& aircraft : trafficState.live) {
                ++aircraft.extraSamples;
                if (aircraft.state == LiveState::creationRequested && aircraft.extraSamples > 3) {
                    aircraft.state = LiveState::inSimulator;
                }
            }
            if (trafficState.live.size() < 8) {
                const LiveState state =
                    next % 2 == 0 ? LiveState::creationRequested : LiveState::inSimulator;
                trafficState.live.push_back(gf_liveAircraft(fmt::format("T{}", next), state, next));
                ++next;
            }
            walks.fetch_add(1);
        } while (!shiftsDone.load());
    });
    // The worker's drift correction, beside the window's shifts.
    std::thread worker([&] {
        for (int i = 0; i < kShifts; ++i) {
            lf_applyTimeShift(i % 2 == 0 ? 0 : 30, false);
        }
    });
    for (int i = 0; i < kShifts; ++i) {
        lf_applyTimeShift(60 + i, false);
    }
    worker.join();
    shiftsDone = true;
    tick.join();

    EXPECT_GT(walks.load(), 0);
    EXPECT_EQ(2u * kShifts, engine->callsOf("gf_removeAllStatic").size());
    EXPECT_TRUE(staticRenewalRequested.load());
    // Released on the way out.
    ASSERT_TRUE(trafficState.trafficMutex.try_lock());
    trafficState.trafficMutex.unlock();
}

} // namespace
