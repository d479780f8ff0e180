// The folder step and folder walk of the add-on scan: one worker per BGL file with an airport
// section, at most workerLimit at once, every one awaited before the walk returns.
#include "airports/addon_scan.h"
#include "airports/bgl_decode.h"
#include "airports/scan_worker_pool.h"

#include "core/globals.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "core/worker_throttle.h"
#include "platform/native_path.h"

#include <fmt/format.h>

#include <algorithm>
#include <deque>
#include <exception>
#include <system_error>
#include <optional>

namespace fs = std::filesystem;

namespace {


// The scan's own sink: the decoder's calls go to the scan's link, generate and report steps.
class ScanSink final : public ksb::AirportScanSink {
public:
    bool linkArchivedAirport(ScannedAirport& airport, int& archivedStandCount,
                             std::string_view bglPath) override {
        return lf_linkArchivedAirport(airport, archivedStandCount, bglPath);
    }
    void generateApf(ScannedAirport& airport) override { lf_generateApf(airport); }
    void addScanLogLine(std::string line) override { lf_addScanLogLine(std::move(line)); }
};

// Set by tests while no scan runs.
AirportWalkContext& lf_seams() {
    static AirportWalkContext seams;
    return seams;
}

std::size_t lf_futureLimit() {
    return static_cast<std::size_t>(std::max<std::int32_t>(1, workerLimit.load()));
}

std::string lf_failureText(std::future<void>& future) {
    try {
        future.get();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown failure";
    }
    return {};
}

class FolderWalk {
public:
    FolderWalk(const fs::path& folder, const AirportWalkContext& context)
        : folder_(folder), context_(context) {
        // The stock test compares native path texts.
        if (const std::string stock = lf_stockFolderText(SIM_INSTALL_PATH.value());
            !stock.empty()) {
            stockNative_ = platform::toNativePath(stock).string();
        }
    }

    void run() {
        context_.sink->addScanLogLine("Scanning for addon airports in " + folder_.string());
        try {
            fs::recursive_directory_iterator it(folder_);
            for (; it != fs::recursive_directory_iterator(); context_.increment(it)) {
                bool stop = false;
                try {
                    stop = handleEntry(it);
                } catch (const std::exception& e) {
                    context_.sink->addScanLogLine(
                        fmt::format("{} airports search in folder {} aborted, cause: {}",
                                    kScanWarning, folder_.string(), e.what()));
                }
                if (stop) {
                    break;
                }
                if (futures_.size() > lf_futureLimit()) {
                    takeOldestDuringWalk(it->path().string());
                }
            }
        } catch (const std::exception& e) {
            context_.sink->addScanLogLine(fmt::format(
                "{} airports search in folder {} aborted because of iterator problem: {}",
                kScanWarning, folder_.string(), e.what()));
        }
        // Also after an iterator failure: no worker may outlive the walk.
        while (!futures_.empty()) {
            std::future<void> future = std::move(futures_.front());
            futures_.pop_front();
            if (const std::string failure = lf_failureText(future); !failure.empty()) {
                context_.sink->addScanLogLine(
                    fmt::format("{} airports search in {} aborted, futs outer error: {}",
                                kScanWarning, folder_.string(), failure));
            }
        }
    }

private:
    // True when the walk must end (exit or stop).
    bool handleEntry(fs::recursive_directory_iterator& it) {
        const fs::directory_entry& entry = *it;
        const std::string path = entry.path().string();
        if (!stockNative_.empty() && path.find(stockNative_) != std::string::npos) {
            it.disable_recursion_pending();
            return false;
        }
        if (!entry.is_regular_file() || !lf_isBglFile(entry.path().extension().string()) ||
            path.find("statics") != std::string::npos ||
            path.find("_heliports") != std::string::npos ||
            !lf_hasAirportSection(entry.path())) {
            return false;
        }
        if (exitInProgress.load() != 0 || stopRequested.load() != 0) {
            return true;
        }
        // The oldest worker is usually the first to end: waiting for it spares most of the
        // slot wait's polling.
        if (!futures_.empty() && runningWorkers.load() >= static_cast<std::int32_t>(lf_futureLimit())) {
            futures_.front().wait();
        }
        gf_waitForWorkerSlot();
        startWorker(entry.path());
        return false;
    }

    void startWorker(const fs::path& path) {
        ksb::AirportScanSink* sink = context_.sink;
        AirportScanTask task([path, sink] { lf_toParkingPositions(path, *sink); });
        std::future<void> future = task.get_future();
        // Counted before the start, so that the next wait cannot let one too many through.
        ++runningWorkers;
        try {
            if (context_.startWorker) {
                context_.startWorker(std::move(task));
            } else {
                if (!pool_) {
                    pool_.emplace(lf_futureLimit());
                }
                pool_->start(std::move(task));
            }
        } catch (...) {
            --runningWorkers;
            throw;
        }
        futures_.push_back(std::move(future));
    }

    void takeOldestDuringWalk(const std::string& entryPath) {
        const std::size_t pending = futures_.size();
        std::future<void> future = std::move(futures_.front());
        futures_.pop_front();
        if (const std::string failure = lf_failureText(future); !failure.empty()) {
            context_.sink->addScanLogLine(
                fmt::format("{} airports search aborted, futs inner, \n{}\n{}\n{}", kScanWarning,
                            failure, pending, entryPath));
        }
    }

    const fs::path& folder_;
    const AirportWalkContext& context_;
    std::string stockNative_;
    std::deque<std::future<void>> futures_;
    // The walk's own workers when the context names no starter; destroyed after every future
    // was awaited, so no thread outlives the walk.
    std::optional<ScanWorkerPool> pool_;
};

} // namespace

AirportWalkContext gf_scanWalkContext() {
    static ScanSink sink;
    AirportWalkContext context{&sink, lf_seams().startWorker, lf_seams().increment};
    if (!context.increment) {
        context.increment = [](fs::recursive_directory_iterator& it) { ++it; };
    }
    return context;
}

void gf_setAirportWalkSeams(std::function<void(AirportScanTask)> startWorker,
                            std::function<void(fs::recursive_directory_iterator&)> increment) {
    lf_seams() = {nullptr, std::move(startWorker), std::move(increment)};
}

void lf_scanSceneryPath(const std::string& folderText, const AirportWalkContext& context) {
    if (folderText.empty()) {
        return;
    }
    const fs::path folder = platform::toNativePath(folderText);
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (!fs::exists(status)) {
        gf_showMessage(folderText + " does not exist, skipped!", true);
        return;
    }
    if (!fs::is_directory(status)) {
        gf_showMessage(folderText + " is not a folder name, skipped!", true);
        return;
    }
    if (lf_isInStockFolder(folderText, SIM_INSTALL_PATH.value())) {
        return;
    }
    lf_scanFolderForAirports(folder, context);
}

void lf_scanFolderForAirports(const fs::path& folder, const AirportWalkContext& context) {
    FolderWalk(folder, context).run();
}
