// The scene options of tools/simstub: what the stand-in starts from before a scenario file.
#include "options.h"

#include "support/e2e/scene.h"
#include "support/e2e/traffic_scene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace traffic = ksb::e2e::trafficScene;

Options lf_parsedOptions(std::vector<std::string> args) {
    args.insert(args.begin(), "simstub");
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    return gf_parseOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(SimStubOptionsTest, TheSceneOptionsChooseTheStartingScenario) {
    enum class Start { defaults, scene, trafficScene };
    struct Case {
        const char* name;
        std::vector<std::string> args;
        Start start;
    };
    const Case cases[] = {
        {"no scene", {"--no-pipe"}, Start::defaults},
        {"shared scene", {"--scene"}, Start::scene},
        {"traffic scene", {"--traffic-scene", "--no-pipe"}, Start::trafficScene},
        {"the later scene wins", {"--traffic-scene", "--scene"}, Start::scene},
        {"the later traffic scene wins", {"--scene", "--traffic-scene"}, Start::trafficScene},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const simstub::Scenario s = gf_startScenario(lf_parsedOptions(c.args));
        if (c.start == Start::defaults) {
            EXPECT_EQ(s.user.title, simstub::Scenario{}.user.title);
            EXPECT_TRUE(s.marks.empty());
            continue;
        }
        // Both scenes share the user and the simulator.
        EXPECT_EQ(s.user.title, ksb::e2e::scene::kUserTitle);
        EXPECT_EQ(s.user.latitude, ksb::e2e::scene::kLatitude);
        EXPECT_EQ(s.user.longitude, ksb::e2e::scene::kLongitude);
        EXPECT_EQ(s.open.name, ksb::e2e::scene::kOpenName);
        EXPECT_EQ(s.timeScale, 1.0);
        if (c.start == Start::scene) {
            EXPECT_TRUE(s.marks.empty());
            EXPECT_TRUE(s.refusedTitles.empty());
            continue;
        }
        EXPECT_EQ(s.refusedTitles, std::set<std::string>{"Scene B753 CFG"});
        const std::vector<traffic::Stand> stands = traffic::stands();
        ASSERT_EQ(s.marks.size(), 30u);
        for (std::size_t i = 0; i < stands.size(); ++i) {
            EXPECT_EQ(s.marks[i].name, stands[i].name);
            EXPECT_EQ(s.marks[i].position.latitude, stands[i].position.latitude);
            EXPECT_EQ(s.marks[i].position.longitude, stands[i].position.longitude);
            EXPECT_EQ(s.marks[i].heading, stands[i].heading);
        }
        EXPECT_EQ(s.marks.front().name, "V1");
        EXPECT_EQ(s.marks.front().heading, ksb::e2e::scene::kHeading);
    }
}

} // namespace
