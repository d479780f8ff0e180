// Test traffic: which made-up aircraft each kind of stand gets, their numbering and marks.
#include "airports/test_traffic.h"
#include "airports_test_fixture.h"
#include "core/random_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace ksb::test {
namespace {

// Spans chosen so that a stand's radius picks one candidate of a table. Types without an entry
// are light aircraft of the mean half span of C172 and C208, 6.725 m.
DbaseSpec lf_testTrafficDbase() {
    DbaseSpec spec = airportsDbaseSpec();
    spec.aircrafts = {"C172", "C208", "A320", "B738", "B752",
                      "B77W", "B763", "A306", "B789", "B744"};
    spec.large = {"A320", "B738", "B752"};
    spec.heavy = {"B77W", "B763", "A306", "B789", "B744"};
    spec.wingspans = {{"C172", "11.0"},  {"C208", "15.9"},  {"A320", "34.1"},
                      {"B738", "35.8"},  {"B752", "38.05"}, {"B77W", "64.8"},
                      {"B763", "47.57"}, {"A306", "44.84"}, {"B789", "60.1"}};
    return spec;
}

ParkPosition lf_stand(double radiusMetres, bool heli = false, bool cargo = false,
                      bool ramp = false) {
    return ParkPosition({}, "S", 52.0, 4.0, 0.0, radiusMetres, cargo, ramp, heli);
}

class TestTrafficTest : public AirportsTest {
protected:
    void SetUp() override {
        AirportsTest::SetUp();
        writeDbaseXml(lf_testTrafficDbase());
        ASSERT_TRUE(gf_readDbase());
        gf_setRandomSeedForTests(7);
    }
    void TearDown() override {
        gf_setRandomSeedForTests(std::nullopt);
        AirportsTest::TearDown();
    }
};

TEST_F(TestTrafficTest, EachStandKindAndRegionGetsItsCandidate) {
    struct Case {
        const char* name;
        std::string stem;
        ParkPosition stand;
        std::pair<std::string, std::string> chosen;
    };
    const Case cases[] = {
        {"helipad of any size", "EHAM", lf_stand(1.0, true, true, true), {"PVT", "EC35"}},
        {"cargo stand", "EHAM", lf_stand(8.0, false, true, true), {"FDX", "C208"}},
        {"ramp stand", "EHAM", lf_stand(4.5, false, false, true), {"PVT", "C172"}},
        {"region K", "KJFK", lf_stand(33.0), {"UAL", "B77W"}},
        {"region C", "CYYZ", lf_stand(30.5), {"ACA", "B789"}},
        {"region E", "EHAM", lf_stand(33.0), {"KLM", "B77W"}},
        {"region Z", "ZBAA", lf_stand(17.5), {"CSA", "A320"}},
        {"region R", "RJTT", lf_stand(18.2), {"JAL", "B738"}},
        {"any other region, any size", "LFPG", lf_stand(100.0), {"ZZZ", "B738"}},
        {"lower-case stem is another region", "eham", lf_stand(1.0), {"ZZZ", "B738"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ParkPosition> stands{c.stand};
        lf_makeTestTraffic(c.stem, stands);
        ASSERT_EQ(stands[0].observations.size(), 1u);
        const StandObservation& made = stands[0].observations[0];
        EXPECT_EQ(std::make_pair(made.airline, made.type), c.chosen);
        EXPECT_EQ(made.registration, "REGFAKE1");
        EXPECT_EQ(made.callsign, "FAKE1");
        EXPECT_EQ(made.coupledCallsign, "");
        // Wed Dec 09 2026 10:29:59 UTC: weekday 3, half hour 20.
        EXPECT_EQ(made.day, 3);
        EXPECT_EQ(made.halfHours, std::bitset<48>().set(20));
        EXPECT_EQ(made.sequenceNumber, 1u);
        EXPECT_FALSE(made.learned);
        EXPECT_TRUE(made.soft);
        EXPECT_TRUE(made.testTraffic);
    }
}

TEST_F(TestTrafficTest, SeveralFittingCandidatesGiveOneOfTheTable) {
    const std::vector<std::pair<std::string, std::string>> fitting{
        {"SAS", "A320"}, {"EZY", "A320"}, {"RYR", "B738"}, {"DLH", "A320"}, {"KLM", "B738"}};
    std::vector<ParkPosition> stands(20, lf_stand(17.5));
    lf_makeTestTraffic("EHAM", stands);
    for (const ParkPosition& stand : stands) {
        ASSERT_EQ(stand.observations.size(), 1u);
        const auto chosen =
            std::make_pair(stand.observations[0].airline, stand.observations[0].type);
        EXPECT_NE(std::find(fitting.begin(), fitting.end(), chosen), fitting.end())
            << chosen.first << " " << chosen.second;
    }
}

TEST_F(TestTrafficTest, UnfitStandsAreSkippedAndNumbersFollowThePerStandOrder) {
    ParkPosition learnedOn = lf_stand(33.0);
    learnedOn.observations.resize(2);
    learnedOn.observations[0].sequenceNumber = 1;
    learnedOn.observations[1].sequenceNumber = 2;
    std::vector<ParkPosition> stands{lf_stand(33.0), lf_stand(1.0), lf_stand(4.5, false, true),
                                     learnedOn, lf_stand(4.5, false, false, true)};
    lf_makeTestTraffic("EHAM", stands);
    struct Expected {
        std::size_t count;
        std::string callsign;
        std::uint32_t sequenceNumber;
    };
    const Expected expected[] = {
        {1, "FAKE1", 1}, {0, "", 0}, {0, "", 0}, {3, "FAKE2", 3}, {1, "FAKE3", 1}};
    for (std::size_t i = 0; i < stands.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(stands[i].observations.size(), expected[i].count);
        if (expected[i].count > 0) {
            const StandObservation& made = stands[i].observations.back();
            EXPECT_EQ(made.callsign, expected[i].callsign);
            EXPECT_EQ(made.registration, "REG" + expected[i].callsign);
            EXPECT_EQ(made.sequenceNumber, expected[i].sequenceNumber);
        }
    }

    // A new load numbers from 1 again.
    std::vector<ParkPosition> next{lf_stand(1.0), lf_stand(33.0)};
    lf_makeTestTraffic("EHAM", next);
    ASSERT_EQ(next[1].observations.size(), 1u);
    EXPECT_EQ(next[1].observations[0].callsign, "FAKE1");
}

TEST_F(TestTrafficTest, TheContextCountsOnlyMadeFlights) {
    TestTrafficContext context{"EHAM", 5, 47, 7};
    ParkPosition unfit = lf_stand(1.0);
    lf_makeTestFlights(context, unfit);
    EXPECT_TRUE(unfit.observations.empty());
    EXPECT_EQ(context.number, 7);
    ParkPosition fit = lf_stand(33.0);
    lf_makeTestFlights(context, fit);
    ASSERT_EQ(fit.observations.size(), 1u);
    EXPECT_EQ(fit.observations[0].callsign, "FAKE7");
    EXPECT_EQ(fit.observations[0].day, 5);
    EXPECT_EQ(fit.observations[0].halfHours, std::bitset<48>().set(47));
    EXPECT_EQ(context.number, 8);
}

} // namespace
} // namespace ksb::test
