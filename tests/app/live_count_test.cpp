#include "app/live_count.h"

#include "core/main_window.h"
#include "traffic/traffic_state.h"

#include "support/fake_traffic_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records the invalidated regions; nothing else is used here.
class InvalidationRecorder final : public ui::WindowPort {
public:
    bool create(std::string_view, int, int, int, int, ui::WindowEvents&) override { return true; }
    void addControl(const ui::ControlSpec&) override {}
    void show() override {}
    int run() override { return 0; }
    void quit(int) override {}
    ui::Rect windowRect() const override { return {}; }
    std::string text(std::uint16_t) const override { return {}; }
    bool checked(std::uint16_t) const override { return false; }
    void setText(std::uint16_t, std::string) override {}
    void setChecked(std::uint16_t, bool) override {}
    void setEnabled(std::uint16_t, bool) override {}
    void invalidate(ui::Rect region) override { regions.push_back(region); }
    void post(ui::AppMessage) override {}
    void setTopmost(bool) override {}

    std::vector<ui::Rect> regions;
};

LiveAircraft lf_aircraft(LiveState state, FlightPhase phase) {
    LiveAircraft aircraft;
    aircraft.state = state;
    aircraft.phase = phase;
    return aircraft;
}

class LiveCountTest : public ::testing::Test {
protected:
    void SetUp() override {
        mainWindow.resetToStart();
        gf_setWindowPort(&port);
    }
    void TearDown() override {
        gf_setWindowPort(nullptr);
        mainWindow.resetToStart();
    }

    InvalidationRecorder port;
    ksb::test::FakeTrafficEngine engine;
};

TEST_F(LiveCountTest, CountsAircraftInTheSimulatorThatAreNotParked) {
    for (LiveState state :
         {LiveState::newFlight, LiveState::creationRequested, LiveState::inSimulator,
          LiveState::toBeRecreated, LiveState::beingRemoved}) {
        for (FlightPhase phase :
             {FlightPhase::pushBackUnderWay, FlightPhase::pushBackOrTow, FlightPhase::taxi,
              FlightPhase::rotationAndInitialClimb, FlightPhase::airborne,
              FlightPhase::movingToAdjacentStand, FlightPhase::parked, FlightPhase::newFlight}) {
            engine.live().push_back(lf_aircraft(state, phase));
        }
    }
    // In the simulator: every phase but parked counts, seven of the forty.
    lf_updateLiveCount();
    EXPECT_EQ(mainWindow.liveCount, 7);
    EXPECT_EQ(port.regions, (std::vector<ui::Rect>{kStatusRegion}));
    // Counts only; the average fits are not asked for every second.
    EXPECT_EQ(engine.calls(), (std::vector<std::string>{"gf_updateLiveParkedShare(false)",
                                                        "gf_updateStaticParkedShare(false)"}));
}

TEST_F(LiveCountTest, InvalidatesOnlyTheRegionsWhoseFiguresChanged) {
    engine.live().push_back(lf_aircraft(LiveState::inSimulator, FlightPhase::airborne));
    engine.live().push_back(lf_aircraft(LiveState::inSimulator, FlightPhase::parked));
    lf_updateLiveCount();
    ASSERT_EQ(port.regions, (std::vector<ui::Rect>{kStatusRegion}));

    struct Step {
        const char* name;
        int flying, parkedLive, parkedStatic;
        std::vector<ui::Rect> regions;
    };
    const Step steps[] = {
        {"nothing changed", 1, 0, 0, {}},
        {"a parked live aircraft", 1, 1, 0, {kStatisticsRegion}},
        {"a static aircraft", 1, 1, 3, {kStatisticsRegion}},
        {"one more flying", 2, 1, 3, {kStatusRegion}},
        {"all three changed", 1, 0, 0, {kStatusRegion, kStatisticsRegion}},
        {"still unchanged", 1, 0, 0, {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        port.regions.clear();
        engine.live().resize(1);
        for (int i = 1; i < step.flying; ++i) {
            engine.live().push_back(lf_aircraft(LiveState::inSimulator, FlightPhase::taxi));
        }
        engine.liveParkedShare = step.parkedLive;
        engine.staticParkedShare = step.parkedStatic;
        lf_updateLiveCount();
        EXPECT_EQ(mainWindow.liveCount, step.flying);
        EXPECT_EQ(mainWindow.parkedLive, step.parkedLive);
        EXPECT_EQ(mainWindow.parkedStatic, step.parkedStatic);
        EXPECT_EQ(port.regions, step.regions);
    }
}

TEST_F(LiveCountTest, HoldsTheTrafficMutexForTheShareCalls) {
    std::vector<bool> heldDuring;
    engine.onCall = [&](std::string_view) {
        // Another thread could not take it now.
        const bool free = trafficState.trafficMutex.try_lock();
        if (free) {
            trafficState.trafficMutex.unlock();
        }
        heldDuring.push_back(!free);
    };
    lf_updateLiveCount();
    EXPECT_EQ(heldDuring, (std::vector<bool>{true, true}));
    // Released on the way out.
    ASSERT_TRUE(trafficState.trafficMutex.try_lock());
    trafficState.trafficMutex.unlock();
}

TEST(LiveCountDeathTest, CalledWithTheTrafficMutexHeldIsCaught) {
    if (!ksb::gf_lockRanksChecked()) {
        GTEST_SKIP() << "lock ranks are checked in debug and sanitizer builds";
    }
    EXPECT_DEATH(
        {
            std::lock_guard lock(trafficState.trafficMutex);
            lf_updateLiveCount();
        },
        "taking \"traffic\" \\(rank 10\\) while holding \"traffic\" \\(rank 10\\)");
}

} // namespace
