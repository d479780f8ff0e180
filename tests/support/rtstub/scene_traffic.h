#pragma once
// Scripted traffic in place of the generated sample traffic: live flights along tracks, and
// parked aircraft on named stands, some only in the first parked answer, some only in the ones
// after it. A scene fills it; the stand-in builds its records with its own record builders.
#include "support/rtstub/records.h"
#include "support/scene_track.h"

#include <nlohmann/json.hpp>

#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace rtstub {

struct SceneFlight {
    std::string hexid;
    std::string callsign;
    std::string type;
    std::string registration;
    std::string departure;   // "" goes out as "null"
    std::string destination; // "" goes out as "null"
    std::string category;    // index 28, "A3" say
    std::string squawk = "1000";
    ksb::test::Track track;
    // The scene second of the track's second 0; the flight is absent before it. Unset (minus
    // infinity): the track's second 0 is the scene's, and before it the first leg runs backwards.
    double start = -std::numeric_limits<double>::infinity();
};

struct SceneParked {
    std::string hexid;
    std::string callsign;
    std::string type;
    std::string registration;
    std::string stand;
    ksb::test::GeoPoint position;
    bool first = true; // in the first parked answer
    bool later = true; // in every parked answer after it
    // Only in the answers from this scene second and before that one.
    double from = -std::numeric_limits<double>::infinity();
    double until = std::numeric_limits<double>::infinity();
};

struct SceneTraffic {
    std::vector<SceneFlight> flights;
    std::vector<SceneParked> parked;
    double parkedSeenAgo = 3600.0; // seconds before the answer's time
};

// The records of the flights whose tracks run at sceneSeconds and that lie inside the box,
// stamped with the time (seconds since 1970). Index 4 is the altitude as the service reports it
// at the QNH (the client adds (QNH - 1013) x 30 ft back), 0 on the ground.
std::vector<std::pair<std::string, nlohmann::json>> sceneLiveRecords(const SceneTraffic& traffic,
                                                                     const Box& box,
                                                                     double sceneSeconds,
                                                                     double time, int qnh);

// The parked records of the first answer or of a later one at the scene second, last seen
// parkedSeenAgo before the time.
std::vector<std::pair<std::string, nlohmann::json>>
sceneParkedRecords(const SceneTraffic& traffic, bool firstAnswer, double sceneSeconds, double time);

} // namespace rtstub
