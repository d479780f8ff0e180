#pragma once
// Command-line options of tools/simstub.
#include "support/simstub/scenario.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

// A bad argument; the text is the one line the program prints.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Options {
    std::optional<std::filesystem::path> scenario;
    std::optional<std::uint16_t> port;
    bool ipv6 = false;
    std::optional<std::filesystem::path> pipeDir;
    bool noPipe = false;
    bool scene = false;
    bool trafficScene = false;
    std::optional<std::filesystem::path> cfgOut;
    std::optional<double> frameHz;
    std::optional<double> timeScale;
    std::optional<std::filesystem::path> picture;
    std::optional<double> pictureEvery; // real seconds; 5 when only --picture is given
    bool verbose = false;
    bool help = false;
};

Options gf_parseOptions(int argc, char** argv);
// What the stand-in starts from before a --scenario file: the traffic scene, the shared scene
// or the defaults.
simstub::Scenario gf_startScenario(const Options& options);
extern const char* const kUsageText;
