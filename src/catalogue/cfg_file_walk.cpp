#include "catalogue/cfg_file_walk.h"

#include "catalogue/catalogue_state.h"
#include "catalogue/fltsim_keys.h"
#include "catalogue/fltsim_sections.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/strings.h"
#include "core/text_file.h"
#include "core/worker_throttle.h"
#include "platform/thread_name.h"

#include <fmt/format.h>

#include <algorithm>
#include <deque>
#include <exception>
#include <iterator>
#include <mutex>
#include <thread>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPrunedPathBytes = 250;
constexpr std::size_t kSectionLines = 48;
constexpr std::size_t kExtraLines = 1024;

using RecordsFuture = std::future<std::vector<LiveryRecord>>;

// Set by tests while no walk runs.
CfgWalkSeams& lf_seams() {
    static CfgWalkSeams seams;
    return seams;
}

void lf_startTask(CfgFileTask task) {
    if (lf_seams().startTask) {
        lf_seams().startTask(std::move(task));
        return;
    }
    // The task lives in the thread: when the start fails it dies with it, and its future
    // reports a broken promise instead of never becoming ready.
    std::thread([task = std::move(task)]() mutable {
        platform::setThreadName("ksby-scan");
        task();
    }).detach();
}

void lf_increment(fs::recursive_directory_iterator& it) {
    if (lf_seams().increment) {
        lf_seams().increment(it);
        return;
    }
    ++it;
}

void lf_appendRecords(std::vector<LiveryRecord>&& records) {
    scannedLiveries.insert(scannedLiveries.end(), std::make_move_iterator(records.begin()),
                           std::make_move_iterator(records.end()));
}

// Takes the oldest future: waits for it, appends its records and removes it.
void lf_takeOldest(std::deque<RecordsFuture>& futures, bool duringWalk) {
    RecordsFuture future = std::move(futures.front());
    futures.pop_front();
    if (!future.valid()) {
        if (duringWalk) {
            gf_logLine("futs #1 not yet valid ? ...");
        } else {
            gf_log("futs #1 not yet valid ...");
        }
        return;
    }
    try {
        lf_appendRecords(future.get());
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("liveries search aborted, futs {}, {}",
                               duringWalk ? "inner" : "outer", e.what()));
    }
}

void lf_startFileTask(const fs::directory_entry& entry, std::int32_t priority,
                      std::deque<RecordsFuture>& futures) {
    gf_waitForWorkerSlot();
    const std::string path = entry.path().string();
    const bool ivao = lf_isIvaoPath(path);
    CfgFileTask task([priority, path, ivao] {
        return ivao ? lf_searchLiveriesInIvaoFile(priority, path)
                    : lf_searchLiveriesinFile(priority, path);
    });
    futures.push_back(task.get_future());
    // Counted before the start, so that the next wait cannot let one too many through.
    ++runningWorkers;
    try {
        lf_startTask(std::move(task));
    } catch (...) {
        --runningWorkers;
        throw;
    }
}

void lf_handleEntry(fs::recursive_directory_iterator& it, std::int32_t priority,
                    std::deque<RecordsFuture>& futures) {
    const fs::directory_entry& entry = *it;
    const std::string path = entry.path().string();
    if (path.find("airport") != std::string::npos || path.size() >= kPrunedPathBytes) {
        it.disable_recursion_pending();
    }
    if (!lf_isLiveryCfgFile(entry)) {
        return;
    }
    lf_startFileTask(entry, priority, futures);
}

std::size_t lf_futureLimit() {
    return static_cast<std::size_t>(std::max<std::int32_t>(1, workerLimit.load()));
}

// Reads the file's lines: nothing when it has no encoding or cannot be read.
bool lf_readCfgLines(const std::string& cfgPath, CharacterEncoding encoding,
                     std::vector<std::string>& lines) {
    const std::uintmax_t size = fs::file_size(cfgPath);
    lines.reserve(static_cast<std::size_t>(size) + kExtraLines);
    return lf_readWideTextFile(encoding, cfgPath, lines);
}

void lf_processCutSection(SectionCutState& state) {
    std::vector<LiveryRecord> records = lf_procesFltSimSection(
        state.priority, state.buffer, state.typeCode, state.cfgPath, state.folder);
    state.records.insert(state.records.end(), std::make_move_iterator(records.begin()),
                         std::make_move_iterator(records.end()));
    state.buffer.clear();
}

void lf_processIvaoCutSection(SectionCutState& state) {
    LiveryRecord record = lf_procesIvaoFltSimSection(state.priority, state.buffer, state.typeCode,
                                                     state.cfgPath, state.folder);
    if (!record.airline.empty()) {
        state.records.push_back(std::move(record));
    }
    state.buffer.clear();
}

template <class Collect, class Process>
std::vector<LiveryRecord>
lf_cutSections(std::int32_t priority, const std::string& cfgPath, const std::string& typeCode,
               const std::vector<std::string>& lines, Collect collect, Process process) {
    SectionCutState state;
    state.priority = priority;
    state.typeCode = typeCode;
    state.cfgPath = cfgPath;
    state.folder = lf_fileFolder(cfgPath);
    state.buffer.reserve(kSectionLines);
    for (const std::string& line : lines) {
        collect(state, line);
    }
    if (state.inSection && !state.buffer.empty()) {
        process(state);
    }
    return std::move(state.records);
}

template <class Process>
void lf_collectLine(SectionCutState& state, const std::string& line, bool endsSection,
                    Process process) {
    if (!lf_matchFltSimHeader(line).empty()) {
        if (!state.buffer.empty()) {
            process(state);
        }
        state.inSection = true;
        state.buffer.push_back(line);
        return;
    }
    if (endsSection) {
        if (state.inSection) {
            process(state);
            state.inSection = false;
        }
        return;
    }
    if (state.inSection) {
        state.buffer.push_back(line);
    }
}

} // namespace

void gf_setCfgWalkSeams(CfgWalkSeams seams) {
    lf_seams() = std::move(seams);
}

bool lf_isLiveryCfgFile(const fs::directory_entry& entry) {
    if (!entry.is_regular_file()) {
        return false;
    }
    const fs::path& path = entry.path();
    if (!gf_equalsUpper(".CFG", path.extension().string())) {
        return false;
    }
    const std::string stem = path.stem().string();
    return gf_equalsUpper("AIRCRAFT", stem) || gf_equalsUpper("SIM", stem);
}

bool lf_isIvaoPath(const std::string& pathText) {
    return pathText.find("ivao_x-csl") != std::string::npos ||
           pathText.find("IVAO_MTL") != std::string::npos;
}

void gf_scanAircraftCfgFiles(std::int32_t priority, const std::string& rootFolder) {
    std::deque<RecordsFuture> futures;
    try {
        fs::recursive_directory_iterator it(rootFolder);
        for (; it != fs::recursive_directory_iterator(); lf_increment(it)) {
            try {
                lf_handleEntry(it, priority, futures);
            } catch (const std::exception& e) {
                gf_logLine(fmt::format("liveries search in {} aborted, cause: {}",
                                       it->path().string(), e.what()));
            }
            if (futures.size() > lf_futureLimit()) {
                lf_takeOldest(futures, true);
            }
        }
    } catch (const std::exception& e) {
        gf_logLine(fmt::format("liveries search in folder {} aborted because of iterator "
                               "problem: {}",
                               rootFolder, e.what()));
    }
    // Also after an iterator failure: no task may outlive the walk that reads its results.
    while (!futures.empty()) {
        lf_takeOldest(futures, false);
    }
}

std::vector<LiveryRecord> lf_searchLiveriesInLines(std::int32_t priority,
                                                   const std::string& cfgPath,
                                                   const std::vector<std::string>& lines) {
    if (!lf_collectFltSimSections(lines, cfgPath)) {
        return {};
    }
    const std::string typeCode = lf_fixMissingAtcModel(cfgPath, lines);
    if (typeCode.empty()) {
        return {};
    }
    return lf_cutSections(priority, cfgPath, typeCode, lines, lf_collectSectionLine,
                          lf_processCutSection);
}

std::vector<LiveryRecord> lf_searchLiveriesInIvaoLines(std::int32_t priority,
                                                       const std::string& cfgPath,
                                                       const std::string& typeCode,
                                                       const std::vector<std::string>& lines) {
    if (typeCode.empty() || !lf_collectFltSimSections(lines, cfgPath)) {
        return {};
    }
    return lf_cutSections(priority, cfgPath, typeCode, lines, lf_collectIvaoSectionLine,
                          lf_processIvaoCutSection);
}

std::vector<LiveryRecord> lf_searchLiveriesinFile(std::int32_t priority,
                                                  const std::string& cfgPath) {
    const WorkerFinished finished;
    try {
        const CharacterEncoding encoding = lf_detectCharacterEncoding(cfgPath);
        if (encoding == CharacterEncoding::none_found) {
            return {};
        }
        std::vector<std::string> lines;
        if (!lf_readCfgLines(cfgPath, encoding, lines)) {
            return {};
        }
        return lf_searchLiveriesInLines(priority, cfgPath, lines);
    } catch (const std::exception& e) {
        gf_log(fmt::format("exception in lf_searchLiveriesinFile {}: {}", cfgPath, e.what()));
        throw;
    }
}

std::vector<LiveryRecord> lf_searchLiveriesInIvaoFile(std::int32_t priority,
                                                      const std::string& cfgPath) {
    const WorkerFinished finished;
    const std::string typeCode = lf_fixIvaoMtlTypes(cfgPath);
    if (typeCode.empty()) {
        return {};
    }
    const CharacterEncoding encoding = lf_detectCharacterEncoding(cfgPath);
    if (encoding == CharacterEncoding::none_found) {
        gf_logLine(fmt::format("no character set found for {}", cfgPath));
        return {};
    }
    std::vector<std::string> lines;
    if (!lf_readCfgLines(cfgPath, encoding, lines)) {
        return {};
    }
    return lf_searchLiveriesInIvaoLines(priority, cfgPath, typeCode, lines);
}

void lf_collectSectionLine(SectionCutState& state, const std::string& line) {
    const bool ends = line.substr(0, 6).find('[') != std::string::npos;
    lf_collectLine(state, line, ends, lf_processCutSection);
}

void lf_collectIvaoSectionLine(SectionCutState& state, const std::string& line) {
    const bool ends = line.find('[') != std::string::npos;
    lf_collectLine(state, line, ends, lf_processIvaoCutSection);
}
