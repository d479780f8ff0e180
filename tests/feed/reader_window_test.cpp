// The live query box around the user aircraft and the window's reader status cells.
#include "feed/rt_readers.h"
#include "feed_fixture.h"
#include "feed_neighbours.h"

#include "core/geodesy.h"
#include "core/main_window.h"
#include "core/run_values.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <cmath>
#include <numbers>

namespace {

using ksb::LiveBoxState;
using ksb::QueryBox;
using ksb::Reader;

class ReaderWindowTest : public ksb::test::FeedFixture {
protected:
    ReaderWindowTest() {
        ksb::FeedServices services = ksb::gf_feedServices();
        neighbours_.install(services);
        ksb::gf_setFeedServices(std::move(services));
    }

    ksb::test::FeedNeighbours neighbours_;
};

TEST_F(ReaderWindowTest, TheBoxSpansTheLiveRangeAroundTheUser) {
    neighbours_.setUser({52.0, 4.8, 1200.0});
    injectionRadiusNm.store(40.0);

    gf_rtUpdateQueryBox();

    const LiveBoxState state = rtTrafficClient.liveBox();
    const double d = 40.0 * 1.852 / 111.2;
    EXPECT_NEAR(d, 0.666187, 1e-6);
    EXPECT_DOUBLE_EQ(state.box.top, 52.0 + d);
    EXPECT_DOUBLE_EQ(state.box.bottom, 52.0 - d);
    const Position user{52.0, 4.8};
    EXPECT_DOUBLE_EQ(state.box.left,
                     gf_destinationPoint(user, -std::numbers::pi / 2, 40.0 * 6076.11549).longitude);
    EXPECT_DOUBLE_EQ(state.box.right,
                     gf_destinationPoint(user, std::numbers::pi / 2, 40.0 * 6076.11549).longitude);
    // About 40 NM either way at 52 degrees north.
    EXPECT_NEAR(state.box.right - 4.8, 40.0 / 60.0 / std::cos(52.0 * std::numbers::pi / 180.0),
                0.01);
    EXPECT_DOUBLE_EQ(state.memoLatitude, 52.0);
    EXPECT_DOUBLE_EQ(state.memoLongitude, 4.8);
    EXPECT_DOUBLE_EQ(state.rangeMemo, 40.0);
}

TEST_F(ReaderWindowTest, TheBoxFollowsOnlyRealMovesAndRangeChanges) {
    struct Step {
        const char* name;
        double latitude, longitude, range;
        bool recomputed;
    };
    const Step steps[] = {
        {"at the origin nothing happens", 0.0005, 0.03, 40.0, false},
        {"first position", 52.0, 4.8, 40.0, true},
        {"a small move", 52.00014, 4.80014, 40.0, false},
        {"a small move back the other way", 51.99986, 4.79986, 40.0, false},
        {"a move in latitude", 52.00016, 4.8, 40.0, true},
        {"a move in longitude", 52.00016, 4.80032, 40.0, true},
        {"the range changes", 52.00016, 4.80032, 20.0, true},
        {"nothing changes", 52.00016, 4.80032, 20.0, false},
        {"back at the origin", 0.0, 0.0, 60.0, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const LiveBoxState before = rtTrafficClient.liveBox();
        neighbours_.setUser({step.latitude, step.longitude, 0.0});
        injectionRadiusNm.store(step.range);

        gf_rtUpdateQueryBox();

        const LiveBoxState after = rtTrafficClient.liveBox();
        if (step.recomputed) {
            EXPECT_DOUBLE_EQ(after.memoLatitude, step.latitude);
            EXPECT_DOUBLE_EQ(after.memoLongitude, step.longitude);
            EXPECT_DOUBLE_EQ(after.rangeMemo, step.range);
            EXPECT_DOUBLE_EQ(after.box.top, step.latitude + step.range * 1.852 / 111.2);
        } else {
            EXPECT_EQ(after, before);
        }
    }
    // The box at the start stays until a position is known.
    rtTrafficClient.setLiveBox(LiveBoxState{});
    neighbours_.setUser({0.0, 0.0, 0.0});
    gf_rtUpdateQueryBox();
    EXPECT_EQ(rtTrafficClient.liveBox().box, (QueryBox{52.44, 52.17, 4.54, 4.98}));
}

TEST_F(ReaderWindowTest, TheStatusCellsFollowWhatTheReadersReceive) {
    struct Step {
        const char* name;
        bool weatherReceived;
        std::int64_t records;
        std::vector<std::string> events;
    };
    const Step steps[] = {
        {"nothing yet: both idle",
         false,
         0,
         {"weather 2", "invalidate", "traffic 2", "invalidate"}},
        {"still nothing: no repaint", false, 0, {}},
        {"weather arrives", true, 0, {"weather 1", "invalidate"}},
        {"records arrive", true, 3, {"traffic 1", "invalidate"}},
        {"both go on: no repaint", true, 1, {}},
        {"an empty batch", true, 0, {"traffic 2", "invalidate"}},
        {"weather lost", false, 0, {"weather 2", "invalidate"}},
    };
    neighbours_.setSession(true);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        neighbours_.clearEvents();
        rtWeatherClient.weatherReceived.store(step.weatherReceived);
        rtTrafficClient.recordCount.store(step.records);

        gf_rtShowStatus();

        EXPECT_EQ(neighbours_.events(), step.events);
    }
}

TEST_F(ReaderWindowTest, TheStatusCellsStayWhileNoSessionIsEstablished) {
    neighbours_.setSession(false);
    rtWeatherClient.weatherReceived.store(true);
    rtTrafficClient.recordCount.store(5);
    gf_rtShowStatus();
    rtWeatherClient.weatherReceived.store(false);
    rtTrafficClient.recordCount.store(0);
    gf_rtShowStatus();

    EXPECT_EQ(neighbours_.events(), std::vector<std::string>{});
    EXPECT_TRUE(rtWeatherClient.weatherCellShown.load());
    EXPECT_TRUE(rtTrafficClient.trafficCellShown.load());
}

TEST_F(ReaderWindowTest, TheDefaultServicesWriteTheWindowModel) {
    ksb::gf_resetFeedServices();
    const ksb::FeedServices& services = ksb::gf_feedServices();
    services.setReaderCell(Reader::weather, 1);
    services.setReaderCell(Reader::traffic, 2);
    services.setWindowQnh(1008);
    services.setEngineQnh(1009);

    EXPECT_EQ(mainWindow.weatherCell.load(), 1);
    EXPECT_EQ(mainWindow.trafficCell.load(), 2);
    EXPECT_EQ(services.readerCell(Reader::weather), 1);
    EXPECT_EQ(mainWindow.qnh.load(), 1008);
    EXPECT_EQ(trafficState.currentQnh.load(), 1009);
}

} // namespace
