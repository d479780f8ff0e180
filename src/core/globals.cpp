#include "core/globals.h"

#include "core/log.h"
#include "core/sim_session_state.h"
#include "platform/warning_sink.h"

#include <algorithm>
#include <thread>

std::atomic<bool> timeShiftActive{false};
std::atomic<double> lastFeedTimeStamp{0.0};

std::atomic<std::int32_t> runningWorkers{0};
// Start-up sets it again at every run.
std::atomic<std::int32_t> workerLimit{
    static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()))};

std::atomic<std::uint64_t> dayHalfHourNow{0};
StockAirportsPath stockAirportsPath;

std::vector<std::vector<std::string>> csvRows;

LazyCoreValues lazyCoreValues;

std::atomic<bool> randomSeedSet{false};
std::atomic<std::uint32_t> randomSeedValue{0};
std::atomic<std::uint64_t> randomSeedGeneration{0};

std::atomic<ksb::MessageSink*> installedMessageSink{nullptr};
std::atomic<ksb::ExitHandler*> installedExitHandler{nullptr};
std::atomic<ksb::Clock*> installedClock{nullptr};
std::atomic<void (*)()> installedRangeFieldsUpdater{nullptr};

void gf_resetCoreGlobals() {
    gf_closeLog();
    platform::setWarningSink(nullptr);
    timeShiftActive = false;
    lastFeedTimeStamp = 0.0;
    runningWorkers = 0;
    workerLimit = static_cast<std::int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    dayHalfHourNow = 0;
    stockAirportsPath.set({});
    csvRows.clear();
    {
        std::lock_guard lock(lazyCoreValues.mutex);
        lazyCoreValues.dataFolder.reset();
        lazyCoreValues.parametersFile.reset();
        lazyCoreValues.installedFlags.reset();
    }
    randomSeedSet = false;
    randomSeedValue = 0;
    ++randomSeedGeneration;
    installedMessageSink = nullptr;
    installedExitHandler = nullptr;
    installedClock = nullptr;
    installedRangeFieldsUpdater = nullptr;
    gf_resetSimSessionState();
}
