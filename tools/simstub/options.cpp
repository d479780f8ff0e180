#include "options.h"

#include "support/e2e/scene.h"
#include "support/e2e/traffic_scene.h"

#include <charconv>
#include <fmt/format.h>
#include <string_view>

const char* const kUsageText =
    "Usage: simstub [--scenario FILE] [--port N] [--ipv6] [--pipe-dir DIR] [--no-pipe]\n"
    "               [--cfg-out FILE] [--frame-hz F] [--time-scale S] [--scene] [--traffic-scene]\n"
    "               [--picture FILE [--picture-every SECONDS]] [--verbose] [--help]\n"
    "\n"
    "A SimConnect server standing in for the simulator: it listens on 127.0.0.1 (and [::1]\n"
    "with --ipv6) and on a Unix socket standing in for the named pipe, answers the system's\n"
    "packets, prints one line per packet and message, and takes commands on stdin.\n"
    "\n"
    "  --scene           start from the shared scene of the demo and the e2e tests\n"
    "  --traffic-scene   start from the traffic scene (the shared scene's user, EDDF's\n"
    "                    stands as marks, the title \"Scene B753 CFG\" refused)\n"
    "  --scenario FILE   JSON scenario (see scenarios/default.json)\n"
    "  --port N          IPv4 port (default: a free one, printed at start)\n"
    "  --ipv6            also listen on [::1]\n"
    "  --pipe-dir DIR    folder of the pipe stand-in (default: KSBY_PIPE_DIR,\n"
    "                    $XDG_RUNTIME_DIR/ksby-pipes, /tmp/ksby-pipes)\n"
    "  --no-pipe         no pipe stand-in\n"
    "  --cfg-out FILE    write a SimConnect.cfg for the IPv4 endpoint\n"
    "  --frame-hz F      frames per real second (default 30)\n"
    "  --time-scale S    stand-in seconds per real second (default 1)\n"
    "  --picture FILE    draw the traffic picture (SVG) into FILE at the start, every\n"
    "                    --picture-every real seconds (default 5) and at the exit\n"
    "  --picture-every SECONDS\n"
    "  --verbose         also print frames and once-a-second answers\n"
    "  --help            this text\n"
    "\n"
    "Type help on stdin for the commands. exit, SIGINT or SIGTERM stop it.\n";

namespace {

double lf_number(std::string_view option, std::string_view text, double min, double max) {
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || ptr != text.data() + text.size() || !(value >= min && value <= max)) {
        throw UsageError(
            fmt::format("simstub: {}: not a number from {} to {}: {}", option, min, max, text));
    }
    return value;
}

} // namespace

Options gf_parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> std::string_view {
            if (i + 1 >= argc) {
                throw UsageError(fmt::format("simstub: {} needs a value", arg));
            }
            return argv[++i];
        };
        if (arg == "--scenario") {
            o.scenario = std::filesystem::path(value());
        } else if (arg == "--port") {
            const std::string_view text = value();
            unsigned port = 0;
            auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
            if (ec != std::errc() || ptr != text.data() + text.size() || port > 65535) {
                throw UsageError(fmt::format("simstub: --port: not a port number: {}", text));
            }
            o.port = static_cast<std::uint16_t>(port);
        } else if (arg == "--ipv6") {
            o.ipv6 = true;
        } else if (arg == "--pipe-dir") {
            o.pipeDir = std::filesystem::path(value());
        } else if (arg == "--scene") {
            o.scene = true;
            o.trafficScene = false;
        } else if (arg == "--traffic-scene") {
            o.trafficScene = true;
            o.scene = false;
        } else if (arg == "--no-pipe") {
            o.noPipe = true;
        } else if (arg == "--cfg-out") {
            o.cfgOut = std::filesystem::path(value());
        } else if (arg == "--frame-hz") {
            o.frameHz = lf_number(arg, value(), 0.1, 1000.0);
        } else if (arg == "--time-scale") {
            o.timeScale = lf_number(arg, value(), 0.01, 1000.0);
        } else if (arg == "--picture") {
            o.picture = std::filesystem::path(value());
        } else if (arg == "--picture-every") {
            o.pictureEvery = lf_number(arg, value(), 0.1, 86400.0);
        } else if (arg == "--verbose") {
            o.verbose = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else {
            throw UsageError(fmt::format("simstub: unknown argument: {}", arg));
        }
    }
    if (o.pictureEvery && !o.picture) {
        throw UsageError("simstub: --picture-every needs --picture");
    }
    if (o.picture && !o.pictureEvery) {
        o.pictureEvery = 5.0;
    }
    return o;
}

simstub::Scenario gf_startScenario(const Options& options) {
    if (options.trafficScene) {
        return ksb::e2e::trafficScene::simScenario();
    }
    return options.scene ? ksb::e2e::scene::simScenario() : simstub::Scenario{};
}
