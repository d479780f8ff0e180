// scripts/demo headless, as a new user would run it, on the traffic scene: a private X server,
// aircraft created and moving, a screenshot and the stand-in's picture, the window closed through
// tools/xwin, and nothing left running.
#include "e2e_run.h"

#include "support/e2e/line_watcher.h"
#include "support/e2e/process.h"
#include "support/file_bytes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <pugixml.hpp>
#include <regex>
#include <sstream>
#include <sys/types.h>

namespace fs = std::filesystem;

namespace ksb::e2e {
namespace {

// The demo waits this long for a moving and a standing aircraft before it gives up.
constexpr auto kDemoAircraftBound = std::chrono::seconds(180);

struct DemoPictureContent {
    bool parsed = false;
    // Objects without a static square whose track has two or more points. The demo's picture is
    // the stand-in's last, drawn once the program has removed them, so they may be grey.
    int liveTracks = 0;
    int staticSquares = 0;
};

DemoPictureContent lf_demoPictureContent(const fs::path& file) {
    DemoPictureContent c;
    pugi::xml_document doc;
    if (!doc.load_file(file.c_str())) {
        return c;
    }
    c.parsed = true;
    for (const pugi::xpath_node& node : doc.select_nodes("//g[@class='object']")) {
        const pugi::xml_node object = node.node();
        if (object.select_node("rect[@class='static']")) {
            ++c.staticSquares;
            continue;
        }
        std::size_t points = 0;
        for (const pugi::xpath_node& line : object.select_nodes("g[@class='track']/polyline")) {
            std::istringstream words(line.node().attribute("points").value());
            std::string word;
            std::size_t n = 0;
            while (words >> word) {
                ++n;
            }
            // Each run of one colour starts at the last point of the one before.
            points += points == 0 || n == 0 ? n : n - 1;
        }
        if (points >= 2) {
            ++c.liveTracks;
        }
    }
    return c;
}

TEST(Rows, Row10DemoHeadless) {
    const fs::path root = fs::path(KSBY_E2E_RUNS_DIR) / "Row10DemoHeadless";
    std::error_code error;
    fs::remove_all(root, error);
    fs::create_directories(root / "home");
    SpawnSpec spec;
    spec.program = fs::path(KSBY_SOURCE_DIR) / "scripts" / "demo";
    spec.workFolder = root;
    spec.environment = {
        {"PATH", "/usr/local/bin:/usr/bin:/bin"},
        {"HOME", (root / "home").string()},
        {"KSBY_DEMO_NO_SETUP", "1"},
        {"KSBY_DEMO_DIR", (root / "demo").string()},
        {"KSBY_DEMO_SECONDS", "3"},
        {"KSBY_DEMO_BIN", KSBY_BIN_DIR},
    };
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS", "LSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name); value != nullptr) {
            spec.environment[name] = value;
        }
    }
    spec.stdoutFile = root / "stdout.txt";
    spec.stderrFile = root / "stderr.txt";
    Process demo(spec);
    // Its own start, the wait, its close and the stand-ins' stop fit in 35 s; the row's
    // TIMEOUT leaves room for the diagnostics below.
    const auto status =
        demo.waitForExit(kDemoAircraftBound + scaled(std::chrono::seconds(35)));
    const auto report = [&] {
        std::string out = "stdout:\n";
        for (const auto& line : gf_completeLines(root / "stdout.txt")) {
            out += "    " + line + "\n";
        }
        out += "stderr:\n";
        for (const auto& line : gf_completeLines(root / "stderr.txt")) {
            out += "    " + line + "\n";
        }
        out += "folder: " + root.string() + "\n";
        return out;
    };
    if (!status) {
        ADD_FAILURE() << "the demo outlived its bound; ended by pid\n" << report();
        demo.signal(SIGTERM);
        if (!demo.waitForExit(std::chrono::seconds(20))) {
            demo.kill();
        }
    }
    EXPECT_EQ(status, std::optional<int>(0)) << report();
    const auto png = test::readBytes(root / "demo" / "screenshot.png");
    EXPECT_TRUE(png.size() > 8 &&
                std::string(png.begin(), png.begin() + 8) == std::string("\x89PNG\r\n\x1a\n", 8))
        << report();
    const LineWatcher log(root / "demo" / "work" / "Log.txt");
    EXPECT_EQ(log.count("Lockheed Martin Prepar3D v5 (5.4.9.28482) connected "), 1u) << report();
    EXPECT_EQ(log.count("Authenticated at RT server \"rt-stand-in\""), 1u) << report();
    EXPECT_EQ(log.count("User closed KSBY_P3D"), 1u) << report();
    EXPECT_EQ(log.count("The park airport is EDDF (FRA)"), 1u) << report();
    EXPECT_GE(log.countMatching(std::regex("^[A-Z0-9]{1,8} *: \\S+\\* +parked ")), 1u) << report();
    const auto picture = lf_demoPictureContent(root / "demo" / "traffic.svg");
    EXPECT_TRUE(picture.parsed) << report();
    EXPECT_GE(picture.liveTracks, 1) << report();
    EXPECT_GE(picture.staticSquares, 1) << report();
    std::ifstream pids(root / "demo" / "pids");
    pid_t pid = 0;
    int recorded = 0;
    while (pids >> pid) {
        ++recorded;
        EXPECT_FALSE(::kill(pid, 0) == 0 && fs::exists(fs::path("/proc") / std::to_string(pid)))
            << "pid " << pid << " still runs";
    }
    EXPECT_GE(recorded, 3) << report();
    if (!::testing::Test::HasFailure()) {
        fs::remove_all(root, error);
    }
}

} // namespace
} // namespace ksb::e2e
