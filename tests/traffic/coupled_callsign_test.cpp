// The coupled-callsign search: a live flight learns both callsigns of an option of its callsign
// recorded around this time.
#include "traffic/stand_search.h"
#include "traffic/traffic.h"

#include "core/parameters.h"

#include "stand_test_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using ksb::test::gf_testAircraft;
using ksb::test::gf_testOption;
using ksb::test::StandTest;

class CoupledCallsignTest : public StandTest {
protected:
    CoupledCallsignTest() { LOG.setRaw(true); }
};

TEST_F(CoupledCallsignTest, AnOptionAroundThisTimeGivesBothCallsigns) {
    struct Case {
        const char* name;
        int optionSlot;
        int now;
        AircraftCategory category;
        std::string callsign;
        std::function<void(StandObservation&)> change;
        bool found;
    };
    const auto same = [](StandObservation&) {};
    using C = AircraftCategory;
    const Case cases[] = {
        {"heavy: 14 half hours before", 6, 20, C::heavy, "BAW1", same, true},
        {"heavy: 15 before", 5, 20, C::heavy, "BAW1", same, false},
        {"heavy: 14 after", 34, 20, C::heavy, "BAW1", same, true},
        {"heavy: 15 after", 35, 20, C::heavy, "BAW1", same, false},
        {"large: 10 before", 10, 20, C::large, "BAW1", same, true},
        {"large: 11 before", 9, 20, C::large, "BAW1", same, false},
        {"large: 10 after", 30, 20, C::large, "BAW1", same, true},
        {"large: 11 after", 31, 20, C::large, "BAW1", same, false},
        {"clipped at slot 0", 0, 3, C::large, "BAW1", same, true},
        {"clipped at slot 47", 47, 45, C::light, "BAW1", same, true},
        {"by the coupled callsign", 20, 20, C::large, "BAW2", same, true},
        {"a ghost's mark dropped", 20, 20, C::large, "BAW1_", same, true},
        {"neither callsign", 20, 20, C::large, "BAW3", same, false},
        {"another day", 20, 20, C::large, "BAW1", [](StandObservation& o) { o.day = 4; }, false},
        {"another airline", 20, 20, C::large, "BAW1",
         [](StandObservation& o) { o.airline = "SHT"; }, false},
        {"another type is fine", 20, 20, C::large, "BAW1",
         [](StandObservation& o) { o.type = "B744"; }, true},
        {"no coupled callsign", 20, 20, C::large, "BAW1",
         [](StandObservation& o) { o.coupledCallsign = ""; }, false},
        {"number 0", 20, 20, C::large, "BAW1", [](StandObservation& o) { o.sequenceNumber = 0; },
         false},
        {"excluded", 20, 20, C::large, "BAW1", [](StandObservation& o) { o.excluded = true; },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stands().clear();
        ParkPosition& stand = addStand("A1");
        stand.observations = {gf_testOption(1, 3, {c.optionSlot})};
        stand.observations[0].coupledCallsign = "BAW2";
        c.change(stand.observations[0]);
        LiveAircraft aircraft = gf_testAircraft(0x4ca001, c.callsign, "G-EUUA");
        aircraft.category = c.category;
        aircraft.firstReceivedCallsign = "FIRST";
        aircraft.coupledCallsign = "COUPLED";
        ksb::lf_searchForCoupledCsAroundThisTime(gf_packDayHalfHour(3, c.now), aircraft);
        EXPECT_EQ(aircraft.firstReceivedCallsign, c.found ? "BAW1" : "FIRST");
        EXPECT_EQ(aircraft.coupledCallsign, c.found ? "BAW2" : "COUPLED");
        EXPECT_EQ(aircraft.callsign, c.callsign);
    }
}

TEST_F(CoupledCallsignTest, TheFirstOptionInTableOrderWinsAndIsLogged) {
    ParkPosition& a = addStand("A1");
    ParkPosition& b = addStand("B2", 100.0);
    a.observations = {gf_testOption(1, 3, {2}), gf_testOption(2, 3, {20}),
                      gf_testOption(3, 3, {21})};
    a.observations[1].coupledCallsign = "BAW7";
    a.observations[2].coupledCallsign = "BAW8";
    b.observations = {gf_testOption(1, 3, {20})};
    b.observations[0].coupledCallsign = "BAW9";

    struct Case {
        const char* name;
        std::uint32_t standId;
        bool log;
        std::string line; // empty: none
    };
    const Case cases[] = {
        {"on its stand", 2, true, "          [BAW1_ from couple \"BAW1:BAW7\" at stand B2]"},
        {"no stand", 0, true, "          [BAW1_ from couple \"BAW1:BAW7\" at stand sid==0?]"},
        {"unknown stand", 7, true, "          [BAW1_ from couple \"BAW1:BAW7\" at stand unknown]"},
        {"LOG off", 2, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LOG.setRaw(c.log);
        LiveAircraft aircraft = gf_testAircraft(0x4ca001, "BAW1_", "G-EUUA");
        aircraft.standId = c.standId;
        const std::size_t before = harness.log().body().size();
        ksb::lf_searchForCoupledCsAroundThisTime(gf_packDayHalfHour(3, 20), aircraft);
        EXPECT_EQ(aircraft.firstReceivedCallsign, "BAW1");
        EXPECT_EQ(aircraft.coupledCallsign, "BAW7");
        const std::vector<std::string> body = harness.log().body();
        ASSERT_EQ(body.size() - before, c.line.empty() ? 0u : 1u);
        if (!c.line.empty()) {
            EXPECT_EQ(body.back(), c.line);
        }
    }
}

TEST_F(CoupledCallsignTest, TheEngineTableCallsTheSearch) {
    ksb::gf_setTrafficServices(ksb::TrafficServices{});
    addStand("A1").observations = {gf_testOption(1, 3, {20})};
    stands()[0].observations[0].coupledCallsign = "BAW2";
    LiveAircraft aircraft = gf_testAircraft(0x4ca001, "BAW2", "G-EUUA");
    lf_searchForCoupledCsAroundThisTime(gf_packDayHalfHour(3, 20), aircraft);
    EXPECT_EQ(aircraft.firstReceivedCallsign, "BAW1");
    EXPECT_EQ(aircraft.coupledCallsign, "BAW2");
}

TEST_F(CoupledCallsignTest, NoStandsNoCouple) {
    LiveAircraft aircraft = gf_testAircraft(0x4ca001, "BAW1", "G-EUUA");
    ksb::lf_searchForCoupledCsAroundThisTime(gf_packDayHalfHour(3, 20), aircraft);
    EXPECT_EQ(aircraft.firstReceivedCallsign, "");
    EXPECT_EQ(aircraft.coupledCallsign, "");
}

} // namespace
