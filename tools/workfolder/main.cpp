// tools/workfolder: writes the prepared folders of a program run (the shared scene's working
// folder, or the traffic scene's with --traffic-scene, data folders, registry store and drive
// S:) under a root folder, and prints the environment that points the program at them, one
// "NAME=value" a line.
#include "support/e2e/work_folder.h"

#include <charconv>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    ksb::e2e::WorkFolderSpec spec;
    std::string webBase;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--pipe-dir" && i + 1 < argc) {
            spec.pipeDir = argv[++i];
        } else if (arg == "--sim-port" && i + 1 < argc) {
            const std::string text = argv[++i];
            std::uint16_t port = 0;
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
            if (ec != std::errc() || end != text.data() + text.size()) {
                std::fprintf(stderr, "workfolder: bad port %s\n", text.c_str());
                return 2;
            }
            spec.simPort = port;
        } else if (arg == "--web" && i + 1 < argc) {
            webBase = argv[++i];
        } else if (arg == "--no-licence") {
            spec.licence = ksb::e2e::LicencePlace::none;
        } else if (arg == "--traffic-scene") {
            spec.trafficScene = true;
        } else if (arg == "--parameter" && i + 1 < argc &&
                   std::string(argv[i + 1]).find('=') != std::string::npos) {
            // A parameters.xml value beside the scene's, e.g. MAX_LIVE=250.
            const std::string pair = argv[++i];
            const std::size_t equals = pair.find('=');
            spec.parameters.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
        } else if (arg.size() > 0 && arg[0] != '-' && spec.root.empty()) {
            spec.root = std::filesystem::absolute(arg);
        } else {
            std::fprintf(stderr,
                         "usage: workfolder ROOT [--pipe-dir DIR] [--sim-port N] [--web URL] "
                         "[--no-licence] [--traffic-scene] [--parameter NAME=VALUE]...\n");
            return 2;
        }
    }
    if (spec.root.empty()) {
        std::fprintf(stderr,
                     "usage: workfolder ROOT [--pipe-dir DIR] [--sim-port N] [--web URL] "
                     "[--no-licence] [--traffic-scene] [--parameter NAME=VALUE]...\n");
        return 2;
    }
    if (spec.pipeDir.empty()) {
        spec.pipeDir = spec.root / "pipes";
    }
    try {
        const ksb::e2e::WorkFolder folder = ksb::e2e::gf_buildWorkFolder(spec);
        for (const auto& [name, value] : ksb::e2e::gf_programEnvironment(folder, "", webBase)) {
            if (name != "PATH" && name.find("SAN_OPTIONS") == std::string::npos) {
                std::printf("%s=%s\n", name.c_str(), value.c_str());
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "workfolder: %s\n", e.what());
        return 1;
    }
    return 0;
}
