#include "options.h"

#include "support/e2e/scene.h"
#include "support/e2e/traffic_scene.h"
#include "support/rtstub/update_files.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <string_view>

namespace {

template <class T> T lf_number(std::string_view option, std::string_view text, T min, T max) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) {
        throw UsageError(
            fmt::format("{}: \"{}\" is not a number from {} to {}", option, text, min, max));
    }
    return value;
}

} // namespace

ProgramOptions gf_parseOptions(int argc, char** argv) {
    ProgramOptions options;
    bool licenceGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option == "--scene") {
            // The shared scene; options after it change it.
            options.stub = ksb::e2e::scene::rtOptions();
            licenceGiven = false;
            continue;
        }
        if (option == "--traffic-scene") {
            // The traffic scene: the shared scene's service with its flights and parked
            // traffic; options after it change it.
            options.stub = ksb::e2e::trafficScene::rtOptions();
            options.day.reset();
            licenceGiven = false;
            continue;
        }
        if (i + 1 >= argc) {
            throw UsageError(fmt::format("{}: a value is missing (see --help)", option));
        }
        const std::string_view value = argv[++i];
        if (option == "--port") {
            options.stub.port = lf_number<std::uint16_t>(option, value, 1, 65535);
        } else if (option == "--licence") {
            if (!licenceGiven) {
                options.stub.licences.clear();
                licenceGiven = true;
            }
            options.stub.licences.emplace_back(value);
        } else if (option == "--rrl") {
            options.stub.rrl = lf_number<int>(option, value, 0, 3'600'000);
        } else if (option == "--wrrl") {
            options.stub.wrrl = lf_number<int>(option, value, 0, 3'600'000);
        } else if (option == "--station") {
            options.stub.station = std::string(value);
        } else if (option == "--qnh") {
            options.stub.qnh = lf_number<int>(option, value, 0, 9999);
        } else if (option == "--aircraft") {
            options.stub.aircraft = lf_number<int>(option, value, 0, 100000);
        } else if (option == "--parked") {
            options.stub.parked = lf_number<int>(option, value, 0, 100000);
        } else if (option == "--centre") {
            const std::size_t comma = value.find(',');
            if (comma == std::string_view::npos) {
                throw UsageError(fmt::format("{}: \"{}\" is not LAT,LON", option, value));
            }
            options.stub.centre =
                std::pair{lf_number<double>(option, value.substr(0, comma), -90.0, 90.0),
                          lf_number<double>(option, value.substr(comma + 1), -180.0, 180.0)};
        } else if (option == "--seed") {
            options.stub.seed = lf_number<std::uint32_t>(option, value, 0, 4'294'967'295u);
        } else if (option == "--updates") {
            options.updates = std::string(value);
        } else if (option == "--update-version") {
            const std::size_t equals = value.find('=');
            const std::string_view item = value.substr(0, std::min(equals, value.size()));
            if (equals == std::string_view::npos || !rtstub::isUpdateItem(item)) {
                throw UsageError(fmt::format(
                    "{}: \"{}\" is not ITEM=X.Y.Z with ITEM program, dbase, aig or archive",
                    option, value));
            }
            options.updateVersions.emplace_back(std::string(item),
                                                std::string(value.substr(equals + 1)));
        } else if (option == "--traffic-day") {
            // The traffic scene's service with a day of traffic in place of its flights.
            options.stub = ksb::e2e::trafficScene::rtOptions();
            licenceGiven = false;
            options.day = ksb::e2e::trafficDay::DayOptions{};
            options.day->seed = lf_number<std::uint32_t>(option, value, 0, 4'294'967'295u);
        } else if (option == "--time-scale" || option == "--day-hours") {
            if (!options.day) {
                throw UsageError(fmt::format("{}: give --traffic-day first", option));
            }
            (option == "--time-scale" ? options.day->timeScale : options.day->hours) =
                lf_number<double>(option, value, 0.01, option == "--time-scale" ? 1000.0 : 240.0);
        } else if (option == "--script") {
            options.script = std::string(value);
        } else if (option == "--log") {
            options.log = std::string(value);
        } else {
            throw UsageError(fmt::format("unknown option {} (see --help)", option));
        }
    }
    if (options.day) {
        options.stub.scene = ksb::e2e::trafficDay::generate(*options.day);
    }
    return options;
}
