// The traffic scene's park-airport files, read by the real park-airport load: every stand, no
// neighbours, and the learned observations merged onto B1-B3 as real and learned.
#include "park_airport_fixture.h"
#include "support/e2e/traffic_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

using namespace ksb;
namespace traffic = ksb::e2e::trafficScene;

class SceneAirportFilesTest : public ksb::test::ParkAirportTest {
protected:
    void SetUp() override {
        ParkAirportTest::SetUp();
        ksb::test::writeDbaseXml(traffic::dbaseSpec());
        ASSERT_TRUE(gf_readDbase());
        gf_parkAirportState().name = traffic::kParkAirport;
    }
};

TEST_F(SceneAirportFilesTest, TheParkAirportLoadsWithItsLearnedObservations) {
    const std::filesystem::path apf =
        std::filesystem::path("airports") / "my_thirdparty" / "EDDF.xml";
    const std::filesystem::path learnedPath =
        std::filesystem::path("airports") / "learned" / "thirdparty" / "scene" / "EDDF.xml";
    traffic::airportFile().write(apf);
    traffic::learnedFile().write(learnedPath);

    EXPECT_EQ(gf_findApfPath(traffic::kParkAirport), apf);
    EXPECT_EQ(load(apf), "");
    const ParkAirportState& state = gf_parkAirportState();
    EXPECT_EQ(state.airportName, traffic::kAirportName);
    const std::vector<std::string> lines = logLines();
    const auto logged = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(logged("Read from learned airport file: \"" + learnedPath.string() + "\""));
    EXPECT_TRUE(logged("Airport file read from \"" + apf.string() + "\" for Scene Frankfurt"));
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("not found?"), std::string::npos) << line;
        EXPECT_EQ(line.find("differs"), std::string::npos) << line;
    }
    ASSERT_EQ(state.stands.size(), 30u);
    for (const traffic::Stand& expected : traffic::stands()) {
        SCOPED_TRACE(expected.name);
        const ParkPosition& s = stand(expected.name);
        EXPECT_EQ(s.latitude, expected.position.latitude);
        EXPECT_EQ(s.longitude, expected.position.longitude);
        EXPECT_NEAR(s.radius * 1852.0, 30.0, 1e-9);
        EXPECT_TRUE(s.adjacentStandIds.empty());
        const auto learned = traffic::learned();
        const auto it = std::find_if(learned.begin(), learned.end(),
                                     [&](const traffic::Learned& l) { return l.stand == s.name; });
        if (it == learned.end()) {
            EXPECT_TRUE(s.observations.empty());
            continue;
        }
        ASSERT_EQ(s.observations.size(), 7u);
        for (std::size_t i = 0; i < 7; ++i) {
            const StandObservation& o = s.observations[i];
            EXPECT_EQ(o.day, static_cast<int>(i) + 1);
            EXPECT_TRUE(o.halfHours.all());
            EXPECT_TRUE(o.learned);
            EXPECT_FALSE(o.soft);
            EXPECT_EQ(o.registration, it->registration);
            EXPECT_EQ(o.airline, it->airline);
            EXPECT_EQ(o.type, it->type);
            EXPECT_EQ(o.callsign, it->callsign);
        }
    }
}

} // namespace
