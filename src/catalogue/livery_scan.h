#pragma once
// The livery scan driver and input/fixes.xml. The start-up's liveries step calls
// gf_scanLiveries: it scans the root folders (and the AI add-on packages) into the scanned list,
// reconciles it with the aircraft database, writes the scan reports and the liveries file and
// builds the livery index; without a scan it loads the liveries file instead.
#include "core/catalogue_records.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Always true. rootFolders are the lfolder texts in order; the add-on readers append to them.
// Throws ksb::UserErrorException 53 when no livery is found (and the errors of the liveries
// file and the index build without a scan). Returns at once, writing nothing, when an exit or
// a stop is requested during the walk.
bool gf_scanLiveries(bool doScan, bool addOnPackages, bool prioritized,
                     std::vector<std::string>& rootFolders);

// input/fixes.xml into modelFixes, pvtFixes and govFixes (catalogue/scan_state.h). True when
// all three hold entries. Throws ksb::UserErrorException 3 when the file cannot be parsed.
bool gf_readFixesXml();

// The counters shared by the root folders of one scan.
struct RootScanCounters {
    std::int32_t priority = 0;
    std::size_t total = 0;
    std::size_t sizeAfterPrevious = 0;
};
// One root folder: its status, its priority, its walk and its count line.
void lf_scanRootFolder(const std::string& folderText, RootScanCounters& counters);
// Removes the reports and the liveries file of the previous scan.
void lf_removeOldListFiles();
// Takes the registration's database values into the livery, reporting each change.
void lf_listCodeFixes(LiveryRecord& livery);
// Drops every livery whose airline and type a livery of a smaller priority number covers.
std::size_t lf_skipLiveriesOnPriority();
// The report files and their log lines.
void lf_writeScanReport();

// The walk of one root folder as the driver calls it; tests hand in records instead. An empty
// function restores gf_scanAircraftCfgFiles.
using RootFolderWalk = std::function<void(std::int32_t priority, const std::string& rootFolder)>;
void gf_setRootFolderWalk(RootFolderWalk walk);
