// The parked counts and average fits of the main window: what is counted, the average for one
// and several aircraft and for none, WEEK on, and a field written and repainted only when its
// value changes.
#include "conflict_rules_fixture.h"

#include "core/globals.h"
#include "core/main_window.h"
#include "traffic/parked_shares.h"
#include "traffic/traffic.h"

#include "support/fake_window_port.h"

#include <mutex>

namespace ksb::test {
namespace {

// Wednesday 10:00-10:30.
constexpr DayHalfHour kShareNow = gf_packDayHalfHour(3, 20);

class ParkedSharesTest : public ConflictRulesTest {
protected:
    ParkedSharesTest() {
        gf_setWindowPort(&port_);
        dayHalfHourNow = kShareNow;
    }
    ~ParkedSharesTest() override { gf_setWindowPort(nullptr); }

    FakeWindowPort port_;
};

struct Parked {
    LiveState state = LiveState::inSimulator;
    DayHalfHour since = kShareNow;
    FlightPhase phase = FlightPhase::parked; // live only
};

TEST_F(ParkedSharesTest, TheCountsAndAverageFitsOfLiveAndStaticParkedAircraft) {
    struct Case {
        const char* name;
        std::vector<Parked> aircraft;
        int liveCount;
        float liveFit;
        int staticCount;
        float staticFit;
    };
    const Case cases[] = {
        {"none", {}, 0, 0.0F, 0, 0.0F},
        {"one parked this half hour", {{}}, 1, 0.5F, 1, 0.5F},
        {"one parked three half hours ago",
         {{LiveState::inSimulator, gf_packDayHalfHour(3, 17)}},
         1,
         2.0F,
         1,
         2.0F},
        {"several, one since Tuesday",
         {{LiveState::inSimulator, gf_packDayHalfHour(3, 19)},
          {LiveState::inSimulator, gf_packDayHalfHour(2, 20)}},
         2,
         12.75F, // (1 + 48) / 4 + 0.5
         2,
         12.75F},
        {"being removed: a static counts, a live one not",
         {{LiveState::beingRemoved, gf_packDayHalfHour(3, 16)}, {}},
         1,
         0.5F,
         2,
         1.5F},
        {"not yet in the simulator", {{LiveState::creationRequested}}, 0, 0.0F, 0, 0.0F},
        {"live aircraft not parked",
         {{LiveState::inSimulator, kShareNow, FlightPhase::taxi}},
         0,
         0.0F,
         1,
         0.5F},
    };
    std::lock_guard traffic(trafficState.trafficMutex);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clearAircraft();
        std::uint32_t key = 1;
        for (const Parked& p : c.aircraft) {
            LiveAircraft& live = addLiveAt(fmt::format("BAW{}", key), 20000 + key, kConflictUser,
                                           true, 0.0, 0.0, p.state);
            live.setPhase(p.phase);
            live.parkedAt = p.since;
            addStaticAircraft(StaticAircraftBuilder(fmt::format("EZY{}*", key), key)
                                  .parkedAt(p.since)
                                  .state(p.state));
            ++key;
        }
        // Counting alone leaves the window alone.
        mainWindow.liveParkedAverageFit = -1.0F;
        mainWindow.staticAverageFit = -1.0F;
        port_.clearInvalidated();
        EXPECT_EQ(::gf_updateLiveParkedShare(false), c.liveCount);
        EXPECT_EQ(::gf_updateStaticParkedShare(false), c.staticCount);
        EXPECT_EQ(mainWindow.liveParkedAverageFit.load(), -1.0F);
        EXPECT_EQ(mainWindow.staticAverageFit.load(), -1.0F);
        EXPECT_TRUE(port_.invalidated().empty());

        EXPECT_EQ(::gf_updateLiveParkedShare(true), c.liveCount);
        EXPECT_EQ(mainWindow.liveParkedAverageFit.load(), c.liveFit);
        EXPECT_EQ(::gf_updateStaticParkedShare(true), c.staticCount);
        EXPECT_EQ(mainWindow.staticAverageFit.load(), c.staticFit);
        EXPECT_EQ(port_.invalidated(),
                  (std::vector<ui::Rect>{kStatisticsRegion, kStatisticsRegion}));
        // The same values again: nothing written, nothing repainted.
        port_.clearInvalidated();
        EXPECT_EQ(::gf_updateLiveParkedShare(true), c.liveCount);
        EXPECT_EQ(::gf_updateStaticParkedShare(true), c.staticCount);
        EXPECT_TRUE(port_.invalidated().empty());
    }
}

TEST_F(ParkedSharesTest, WithWeekOnTheStaticFitIsLeftAlone) {
    WEEK.setRaw(true);
    std::lock_guard traffic(trafficState.trafficMutex);
    addStaticAircraft(StaticAircraftBuilder("EZY1*", 1).parkedAt(gf_packDayHalfHour(1, 0)));
    addStaticAircraft(StaticAircraftBuilder("EZY2*", 2).parkedAt(gf_packDayHalfHour(7, 47)));
    mainWindow.staticAverageFit = 3.5F;
    port_.clearInvalidated();
    EXPECT_EQ(::gf_updateStaticParkedShare(true), 2);
    EXPECT_EQ(mainWindow.staticAverageFit.load(), 3.5F);
    EXPECT_TRUE(port_.invalidated().empty());
    // The live fit has no such switch.
    EXPECT_EQ(::gf_updateLiveParkedShare(true), 0);
    EXPECT_EQ(mainWindow.liveParkedAverageFit.load(), 0.0F);
}

} // namespace
} // namespace ksb::test
