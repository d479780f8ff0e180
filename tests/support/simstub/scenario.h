#pragma once
// Everything the stand-in starts from. Every field has the default a test expects, so a test
// changes only what it tests.
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace simstub {

struct OpenAnswer {
    // 8-bit bytes as they go on the wire.
    std::string name = "Lockheed Martin Prepar3D v5";
    std::array<std::uint32_t, 4> version{5, 3, 17, 28160};
};

struct UserState {
    double latitude = 50.0333;  // degrees
    double longitude = 8.5706;  // degrees
    double altitude = 364.0;    // feet
    double pitch = 0.0;         // degrees
    double bank = 0.0;          // degrees
    double heading = 250.0;     // degrees true
    double verticalSpeed = 0.0; // feet per second
    double airspeed = 0.0;      // knots true
    double groundSpeed = 0.0;   // knots
    bool onGround = true;
    std::string title = "Test B738";
    std::string model = "TT:ATCCOM.AC_MODEL_B738.0.text";
    std::string atcId = "D-KSBY";
    std::uint32_t lights = 0; // light bits, see LightBit
};

struct LatLon {
    double latitude = 0.0;
    double longitude = 0.0;
};

struct ForeignAircraft {
    std::string atcId;
    LatLon position;
    double agl = 0.0; // feet above the ground elevation
    std::string title;
};

// A named point with a heading (a stand, say), drawn in the traffic picture.
struct Mark {
    std::string name;
    LatLon position;
    double heading = 0.0; // degrees true
};

struct StaticCg {
    double cgToGround = 9.5; // feet
    double pitch = 0.0175;   // radians
};

enum class ClockMode { real, manual };

struct Scenario {
    // What the simulator is.
    OpenAnswer open;
    UserState user;
    double groundElevation = 364.0;      // feet, one value everywhere
    std::int64_t zuluStart = 1709168400; // 2024-02-29 01:00:00 UTC, seconds since 1970
    double frameHz = 30.0;
    std::optional<double> frameRate; // reported in Frame messages; unset: the frame Hz
    double timeScale = 1.0;          // stand-in seconds per real second (real mode)
    bool flightRunning = true;
    std::set<std::string> refusedTitles;
    std::size_t objectLimit = 1000; // AI and foreign aircraft together
    std::uint32_t objectType = 2;
    std::chrono::milliseconds objectAddedDelay{0};
    std::chrono::milliseconds atcIdDelay{0};
    StaticCg defaultStaticCg;
    std::map<std::string, StaticCg> staticCg; // by title
    std::vector<ForeignAircraft> foreign;
    bool failFlightPlans = false;
    std::vector<Mark> marks;

    // How it runs.
    ClockMode clock = ClockMode::real;
    std::uint16_t port = 0; // IPv4 (and IPv6 when not 0); 0 picks a free port
    bool ipv6 = false;
    bool pipe = true;
    std::filesystem::path
        pipeDir;          // empty: KSBY_PIPE_DIR, $XDG_RUNTIME_DIR/ksby-pipes, /tmp/ksby-pipes
    std::string pipeName; // empty: "Lockheed Martin Prepar3D v5\SimConnect"
    std::chrono::milliseconds sendTimeout{1000};
    // 0 keeps every record (tests); the program keeps the last 100,000 packets and messages and
    // the last 1,000 positions, writes and events per object.
    std::size_t packetLimit = 0;
    std::size_t perObjectLimit = 0;
    // 0 keeps every ended object with its records; the program keeps the last 200 ended
    // objects and their positions.
    std::size_t endedLimit = 0;
};

} // namespace simstub
