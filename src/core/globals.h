#pragma once
// Every mutable process-wide value of the core, in one place, so that tests can set all of them
// back with gf_resetCoreGlobals().
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace ksb {
class Clock;
class ExitHandler;
class MessageSink;
} // namespace ksb

// While a time shift is applied, "now" follows the traffic being replayed.
extern std::atomic<bool> timeShiftActive;
// Time stamp (seconds since 1970) of the last traffic record received; 0 when none.
extern std::atomic<double> lastFeedTimeStamp;

// Scan workers running and the most that may run at once (below 1 counts as 1).
extern std::atomic<std::int32_t> runningWorkers;
extern std::atomic<std::int32_t> workerLimit;

// The current (weekday, half hour) pair (core/time_of_week.h), taken at start-up and by the main
// loop.
extern std::atomic<std::uint64_t> dayHalfHourNow;

// SIM_INSTALL_PATH's text joined with "Scenery": a Windows path text, set by start-up and read by
// the add-on airport scan on other threads.
class StockAirportsPath {
public:
    std::string text() const {
        std::lock_guard lock(mutex_);
        return text_;
    }
    void set(std::string text) {
        std::lock_guard lock(mutex_);
        text_ = std::move(text);
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
};
extern StockAirportsPath stockAirportsPath;

// Rows of the comma-separated table files; written and read by the start-up thread only.
extern std::vector<std::vector<std::string>> csvRows;

// Values computed on first use so that tests can set the environment before.
struct LazyCoreValues {
    std::mutex mutex;
    std::optional<std::filesystem::path> dataFolder;
    std::optional<std::string> parametersFile;
    // Prepar3D v4, v5, v6 installed.
    std::optional<std::array<bool, 3>> installedFlags;
};
extern LazyCoreValues lazyCoreValues;

// Seed for the per-thread random engines; unset: random device.
extern std::atomic<bool> randomSeedSet;
extern std::atomic<std::uint32_t> randomSeedValue;
// Advanced by every reseed so that engines of other threads reseed on their next use.
extern std::atomic<std::uint64_t> randomSeedGeneration;

extern std::atomic<ksb::MessageSink*> installedMessageSink;
extern std::atomic<ksb::ExitHandler*> installedExitHandler;
extern std::atomic<ksb::Clock*> installedClock;
// The application's automatic injection radius (core/range_fields_hook.h).
extern std::atomic<void (*)()> installedRangeFieldsUpdater;

// Sets every value above back to its start value and closes the log.
void gf_resetCoreGlobals();
