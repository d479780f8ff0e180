#pragma once
#include "support/e2e/traffic_day.h"
#include "support/rtstub/rt_stub.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ProgramOptions {
    rtstub::Options stub;
    std::optional<std::string> script;
    std::optional<std::string> log;
    // The update server: a folder served instead of the built-in files, and item versions.
    std::optional<std::string> updates;
    std::vector<std::pair<std::string, std::string>> updateVersions;
    // A generated day of traffic on the traffic scene, made once the options are read.
    std::optional<ksb::e2e::trafficDay::DayOptions> day;
    bool help = false;
};

inline constexpr const char* kUsageText =
    "usage: rtstub [options]\n"
    "  --scene           the shared scene of the demo and the e2e tests (give it first)\n"
    "  --traffic-scene   the traffic scene: the shared scene's service with live flights\n"
    "                    along tracks and parked traffic on EDDF's stands (give it first)\n"
    "  --traffic-day SEED\n"
    "                    the traffic scene with a generated, seeded day of traffic (give it\n"
    "                    first)\n"
    "  --time-scale S    day seconds per real second of the traffic day (default 16)\n"
    "  --day-hours H     length of the traffic day in day hours (default 8)\n"
    "  --port N          listen on 127.0.0.1:N (default: a free port)\n"
    "  --licence TEXT    an accepted licence; repeatable (default DEMO-LICENCE)\n"
    "  --rrl MS          traffic poll interval in the answers (default 2000)\n"
    "  --wrrl MS         weather poll interval in the answers (default 2000)\n"
    "  --station ICAO    nearest weather station (default EHAM)\n"
    "  --qnh N           QNH in hPa (default 1013)\n"
    "  --aircraft N      sample aircraft (default 12)\n"
    "  --parked N        parked records (default 10)\n"
    "  --centre LAT,LON  fixed centre of the sample traffic (default: each request's box)\n"
    "  --seed N          seed of the sample traffic (default 1)\n"
    "  --updates DIR     serve the update server's files from DIR (default: built-in)\n"
    "  --update-version ITEM=X.Y.Z\n"
    "                    version of program, dbase, aig or archive; repeatable\n"
    "  --script FILE     scripted replies per route (JSON)\n"
    "  --log FILE        one JSON object per request\n"
    "Runs until SIGINT, SIGTERM or the command exit; \"help\" on stdin lists the commands.\n";

// Throws UsageError with the text for the user.
ProgramOptions gf_parseOptions(int argc, char** argv);
