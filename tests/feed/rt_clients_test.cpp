// The clients' resets and the small entry points the application core calls.
#include "feed/rt_clients.h"

#include "core/globals.h"
#include "feed_fixture.h"

namespace {

using ksb::LiveBoxState;
using ksb::QueryBox;

class RtClientsTest : public ksb::test::FeedFixture {};

// Every field that the traffic reset names, compared with a new client.
void lf_expectTrafficFieldsFresh(const ksb::RtTrafficClient& client) {
    const ksb::RtTrafficClient fresh;
    EXPECT_EQ(client.guid(), fresh.guid());
    EXPECT_EQ(client.toffset.load(), fresh.toffset.load());
    EXPECT_EQ(client.stopFlag.load(), fresh.stopFlag.load());
    EXPECT_EQ(client.collectedCallsigns(), fresh.collectedCallsigns());
    EXPECT_EQ(client.collectedFlightIds(), fresh.collectedFlightIds());
    EXPECT_EQ(client.collectFlag.load(), fresh.collectFlag.load());
    EXPECT_TRUE(client.liveRecords.empty());
    EXPECT_EQ(client.liveRecord.callsign, fresh.liveRecord.callsign);
    EXPECT_EQ(client.liveRecord.flightId, fresh.liveRecord.flightId);
    EXPECT_EQ(client.liveRecord.altitude, fresh.liveRecord.altitude);
    EXPECT_EQ(client.recordCount.load(), fresh.recordCount.load());
    EXPECT_EQ(client.parkElevation(), fresh.parkElevation());
    EXPECT_EQ(client.qnh.load(), fresh.qnh.load());
    EXPECT_EQ(client.trafficCellShown.load(), fresh.trafficCellShown.load());
    EXPECT_EQ(client.blockFlag.load(), fresh.blockFlag.load());
    EXPECT_EQ(client.liveBox(), fresh.liveBox());
}

TEST_F(RtClientsTest, NewClientsHoldTheStartValues) {
    const ksb::RtTrafficClient traffic;
    EXPECT_EQ(traffic.guid(), "");
    EXPECT_EQ(traffic.toffset.load(), 0);
    EXPECT_EQ(traffic.rrl.load(), 2000);
    EXPECT_EQ(traffic.wrrl.load(), 2000);
    EXPECT_EQ(traffic.qnh.load(), 1013);
    EXPECT_TRUE(traffic.blockFlag.load());
    EXPECT_FALSE(traffic.collectFlag.load());
    EXPECT_EQ(traffic.liveBox(),
              (LiveBoxState{QueryBox{52.44, 52.17, 4.54, 4.98}, 0.0, 0.0, -1.0}));
    EXPECT_EQ(traffic.parkedQueryBox, (QueryBox{52.44, 52.17, 4.54, 4.98}));
    EXPECT_GE(traffic.liveRecords.capacity(), 384u);
    EXPECT_EQ(traffic.parkElevation(), std::nullopt);
    const ksb::RtWeatherClient weather;
    EXPECT_EQ(weather.lastQnh.load(), 1013);
    EXPECT_FALSE(weather.weatherReceived.load());
    EXPECT_EQ(weather.nearestStation, "");
}

TEST_F(RtClientsTest, TrafficResetForgetsEveryLoginValue) {
    ksb::RtTrafficClient& client = rtTrafficClient;
    client.setGuid("G-1");
    client.toffset.store(30);
    client.stopFlag.store(true);
    client.collectFlag.store(true);
    client.collect("KLM1", 0x4b0001);
    client.liveRecords.push_back(LiveFlight{});
    client.liveRecord.callsign = "KLM1";
    client.liveRecord.flightId = 77777;
    client.liveRecord.altitude = 3000.0;
    client.recordCount.store(12);
    client.setParkElevation(-11.0);
    client.qnh.store(990);
    client.trafficCellShown.store(false);
    client.blockFlag.store(false);
    client.setLiveBox(LiveBoxState{QueryBox{1, 2, 3, 4}, 52.0, 4.7, 40.0});
    client.rrl.store(500);
    client.parkedRecords.push_back(ParkedFlight{});
    lastFeedTimeStamp.store(1765368000.0);

    gf_rtReset();

    lf_expectTrafficFieldsFresh(client);
    EXPECT_EQ(lastFeedTimeStamp.load(), 0.0);
    // Not named by the reset: the next login or parked request replaces them.
    EXPECT_EQ(client.rrl.load(), 500);
    EXPECT_EQ(client.parkedRecords.size(), 1u);
}

TEST_F(RtClientsTest, WeatherResetForgetsTheLoginAndTheWeather) {
    ksb::RtWeatherClient& client = rtWeatherClient;
    client.setGuid("G-1");
    client.toffset.store(30);
    client.stopFlag.store(true);
    client.lastQnh.store(998);
    client.weatherReceived.store(true);
    client.weatherCellShown.store(false);
    client.nearestStation = "EHAM";
    gf_rtResetWeather();
    EXPECT_EQ(client.guid(), "");
    EXPECT_EQ(client.toffset.load(), 0);
    EXPECT_FALSE(client.stopFlag.load());
    EXPECT_EQ(client.lastQnh.load(), 1013);
    EXPECT_FALSE(client.weatherReceived.load());
    EXPECT_TRUE(client.weatherCellShown.load());
    EXPECT_EQ(client.nearestStation, "");
}

TEST_F(RtClientsTest, ClampsTheTimeOffsetForBothClients) {
    struct Case {
        int minutes;
        int stored;
    };
    for (const Case c : {Case{-5, 0}, Case{0, 0}, Case{90, 90}, Case{40320, 40320},
                         Case{40321, 40320}, Case{std::numeric_limits<int>::max(), 40320}}) {
        SCOPED_TRACE(c.minutes);
        gf_rtSetTimeOffset(c.minutes);
        EXPECT_EQ(rtWeatherClient.toffset.load(), c.stored);
        EXPECT_EQ(rtTrafficClient.toffset.load(), c.stored);
    }
}

TEST_F(RtClientsTest, AnswersForTheApplicationCore) {
    EXPECT_FALSE(gf_rtHasLicense());
    rtLicense = "LIC";
    EXPECT_TRUE(gf_rtHasLicense());
    EXPECT_FALSE(gf_rtLoggedIn());
    rtWeatherClient.setGuid("G-1");
    EXPECT_FALSE(gf_rtLoggedIn());
    rtTrafficClient.setGuid("G-1");
    EXPECT_TRUE(gf_rtLoggedIn());

    gf_rtSetReferencePosition(52.3, 4.76);
    EXPECT_EQ(rtTrafficClient.referencePosition().latitude, 52.3);
    EXPECT_EQ(rtTrafficClient.referencePosition().longitude, 4.76);
    gf_rtSetParkElevation(-11.0);
    EXPECT_EQ(rtTrafficClient.parkElevation(), std::optional<double>(-11.0));
    gf_rtSetParkElevation(std::nullopt);
    EXPECT_EQ(rtTrafficClient.parkElevation(), std::nullopt);
    gf_rtSetCollectFlag();
    EXPECT_TRUE(rtTrafficClient.collectFlag.load());
}

TEST_F(RtClientsTest, TakeSeenFlightsHandsOverAndEmptiesTheCollectedSets) {
    gf_rtSetCollectFlag();
    rtTrafficClient.collect("KLM1", 0x4b0001);
    rtTrafficClient.collect("", 0x4b0002);
    std::set<std::string> callsigns{"OLD"};
    std::set<std::uint32_t> ids{1};
    gf_rtTakeSeenFlights(callsigns, ids);
    EXPECT_FALSE(rtTrafficClient.collectFlag.load());
    EXPECT_EQ(callsigns, (std::set<std::string>{"KLM1"}));
    EXPECT_EQ(ids, (std::set<std::uint32_t>{0x4b0001, 0x4b0002}));
    EXPECT_TRUE(rtTrafficClient.collectedCallsigns().empty());
    EXPECT_TRUE(rtTrafficClient.collectedFlightIds().empty());
    gf_rtTakeSeenFlights(callsigns, ids);
    EXPECT_TRUE(callsigns.empty());
    EXPECT_TRUE(ids.empty());
}

} // namespace
