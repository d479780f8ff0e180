// Closing the park airport and writing what was learned on it to its learned file.
#include "airports/airport_files.h"
#include "airports/park_airport_services.h"
#include "airports/park_airport_state.h"

#include "core/controls.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "core/time_text.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The stand with only the observations that pass keep; the state's own stands stay as they are.
template <class Keep> ParkPosition lf_filteredCopy(const ParkPosition& stand, Keep keep) {
    ParkPosition copy = stand;
    std::erase_if(copy.observations, [&keep](const StandObservation& o) { return !keep(o); });
    return copy;
}

ScannedAirport lf_learnedRecord(const ksb::ParkAirportState& state) {
    ScannedAirport record;
    record.ident = state.name;
    record.airportName = state.airportName;
    record.altitude = state.altitudeFt;
    record.publisher = state.publisher;
    if (state.handmade) {
        // Test traffic is never saved, so the stored factors leave it out too.
        for (const ParkPosition& stand : state.stands) {
            record.stands.push_back(
                lf_filteredCopy(stand, [](const StandObservation& o) { return !o.testTraffic; }));
        }
        const QualityFactors factors = gf_computeQualityFactors(record.stands);
        record.realQualityFactor = factors.real;
        record.softQualityFactor = factors.soft;
        return record;
    }
    for (const ParkPosition& stand : state.stands) {
        ParkPosition learned =
            lf_filteredCopy(stand, [](const StandObservation& o) { return o.learned; });
        if (learned.manual || learned.radiusChanged || learned.cargoChanged ||
            !learned.observations.empty()) {
            record.stands.push_back(std::move(learned));
        }
    }
    return record;
}

std::string lf_saveMessage(const fs::path& path, bool handmade, std::int32_t updates) {
    return fmt::format("{}{} \"{}\" saved with {} update{} {}", gf_utcClockText(),
                       handmade ? " handmade" : "", path.string(), updates,
                       updates == 1 || updates < 0 ? "" : "s",
                       parkSettingsChanged.load() ? "and one or more parameter changes" : "");
}

void lf_saveFailed(const fs::path& path) {
    gf_showMessage(
        fmt::format("{} saving \"{}\" did not succeed", gf_utcClockText(), path.string()), true);
}

void lf_saveLearnedFile(const ksb::ParkAirportState& state, const fs::path& path) {
    // A path the rule leaves unchanged is the airport file itself, which is never rewritten.
    if (path == state.currentPath) {
        lf_saveFailed(path);
        return;
    }
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) {
        lf_saveFailed(path);
        gf_logLine(fmt::format("could not create folder \"{}\": {}", path.parent_path().string(),
                               error.message()));
        return;
    }
    if (gf_saveApf(lf_learnedRecord(state), path, true, state.handmade)) {
        gf_showMessage(lf_saveMessage(path, state.handmade, state.learnedUpdateCount), true);
    } else {
        lf_saveFailed(path);
    }
}

} // namespace

void gf_saveParkAirportApf() {
    ksb::ParkAirportState& state = gf_parkAirportState();
    fs::path path;
    try {
        path = lf_learnedPathFor(state.currentPath);
        lf_saveLearnedFile(state, path);
    } catch (const std::exception& e) {
        lf_saveFailed(path);
        gf_logLine(fmt::format("saving the learned file failed: {}", e.what()));
    }
    state.learnedUpdateCount = 0;
    parkSettingsChanged = false;
}

void gf_resetParkAirport() {
    ksb::ParkAirportState& state = gf_parkAirportState();
    if (state.parkAirportLoaded.load() &&
        (parkSettingsChanged.load() || state.learnedUpdateCount >= 1)) {
        // It zeroes the update count, whether it succeeds or not.
        gf_saveParkAirportApf();
    }
    state.handmade = false;
    state.parkAirportLoaded.exchange(false);
    gf_enableControl(FLUSH_STATIC_BUTTON.commandId(), false);
    state.currentPath.clear();
    gf_enableControl(parking_percentage.commandId(), false);
    // The feed would otherwise judge ground positions against the closed airport.
    gf_parkAirportServices().setParkElevation(std::nullopt);
}
