#include "app/start_up.h"

#include "app/daily_steps.h"
#include "app/run_controls.h"
#include "app/scan_steps.h"
#include "app/since_last_run.h"
#include "app/startup_services.h"
#include "core/clock.h"
#include "core/config_paths.h"
#include "core/controls.h"
#include "core/exceptions.h"
#include "core/exit_request.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/program_info.h"
#include "core/report_exception.h"
#include "core/run_values.h"
#include "core/text_file.h"
#include "platform/heap_trim.h"
#include "platform/thread_name.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fmt/format.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Gives the window's count of this worker back exactly once, however the worker ends.
class WorkerCount {
public:
    WorkerCount() = default;
    ~WorkerCount() { activeWorkers.fetch_sub(1); }
    WorkerCount(const WorkerCount&) = delete;
    WorkerCount& operator=(const WorkerCount&) = delete;
};

// The program's own folder holds "docs".
void lf_checkRunFolder() {
    if (!fs::is_directory(fs::status(kDocsFolder))) {
        throw ksb::UserErrorException(41, lf_formatRunFromFolderMessage());
    }
}

void lf_ensureMyRegcodesFolder() {
    const fs::path folder = gf_myRegcodesFolderPath();
    if (!fs::exists(folder)) {
        fs::create_directory(folder);
    }
}

void lf_rescanWhenLiveriesFileGone() {
    const fs::path file = gf_liveriesFilePath();
    if (fs::exists(file) || SCAN_LIVERIES.value()) {
        return;
    }
    gf_showMessage(fmt::format("File {} is gone, rescan liveries", file.string()), true);
    lf_setCheckBox(SCAN_LIVERIES, true);
    SCAN_LIVERIES.save();
    gf_invalidate(kControlsRegion);
}

// The service may not be called again within 2 seconds of the last run's use.
void lf_hold(int seconds, std::uint64_t generation) {
    if (seconds <= 0) {
        return;
    }
    gf_showMessage(fmt::format("Holding for {} seconds... (RT API cannnot be revisited within 2 "
                               "seconds)",
                               seconds),
                   true);
    ksb::gf_sleepFor(std::chrono::seconds(seconds),
                     [generation] { return gf_runShouldEnd(generation); });
}

void lf_countAddonAirports() {
    mainWindow.orbxAirports =
        static_cast<std::int32_t>(gf_countFilesInFolder(gf_myOrbxFolderPath()));
    mainWindow.thirdpartyAirports =
        static_cast<std::int32_t>(gf_countFilesInFolder(gf_myThirdPartyFolderPath()));
    gf_invalidate(kStatusRegion);
}

void lf_startUp(std::uint64_t generation) {
    lf_checkRunFolder();
    lf_prepareStart();
    const SinceLastRun sinceLastRun = lf_sinceLastRun(lf_secondsSinceLastRun());
    if (sinceLastRun.line) {
        gf_log(*sinceLastRun.line);
    }
    lf_ensureMyRegcodesFolder();
    lf_checkStockAirportsPath();
    workerLimit = static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    runningWorkers = 0;
    lf_rescanWhenLiveriesFileGone();
    lf_scanLiveriesStep(SCAN_LIVERIES.value());
    if (gf_runShouldEnd(generation)) {
        return;
    }
    if (SCAN_AIRPORTS.value()) {
        lf_scanAirportsStep();
    }
    lf_hold(sinceLastRun.holdSeconds, generation);
    lf_countAddonAirports();
    platform::releaseFreeHeap();
    if (!gf_runShouldEnd(generation)) {
        gf_startupServices().run();
    } else {
        gf_requestExit(ExitReason::USER_CLOSED_SIM, 1);
    }
}

} // namespace

std::string lf_formatRunFromFolderMessage() {
    return fmt::format("{} must be run from the {} folder!", kProgramName, kProgramName);
}

void lf_startUpKSBY() {
    platform::setThreadName("ksby-worker");
    // The window counted this worker before the thread started.
    const WorkerCount count;
    const std::uint64_t generation = runGeneration.load();
    try {
        lf_startUp(generation);
    } catch (...) {
        gf_reportException("lf_startUpKSBY");
    }
}

void gf_resetStartUpForTests() {
    dbaseLoaded = false;
    lastSimUtcSeconds = 0;
}
