#pragma once
// The walk of one root folder: every aircraft.cfg and sim.cfg is read and cut into sections on a
// worker thread of its own (at most workerLimit at once), and the records of all files are
// appended to scannedLiveries in the order the files were found. Files of IVAO packages name
// their type by their folder and their operator by the livery title.
#include "core/catalogue_records.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <vector>

using CfgFileTask = std::packaged_task<std::vector<LiveryRecord>()>;

// Where the walk meets the system, replaceable by tests: the start of a task's thread (throws
// when the thread cannot start) and the step of the directory iterator. An empty member means
// the real one.
struct CfgWalkSeams {
    std::function<void(CfgFileTask)> startTask;
    std::function<void(std::filesystem::recursive_directory_iterator&)> increment;
};
// Replaces the seams; CfgWalkSeams{} restores the real ones.
void gf_setCfgWalkSeams(CfgWalkSeams seams);

// Walks the root folder (a native path) and appends the records of its files to
// scannedLiveries. Logs every failure and returns when every task it started has ended.
void gf_scanAircraftCfgFiles(std::int32_t priority, const std::string& rootFolder);

// Whether the walk reads the entry's file: a regular file aircraft.cfg or sim.cfg (any case).
bool lf_isLiveryCfgFile(const std::filesystem::directory_entry& entry);
bool lf_isIvaoPath(const std::string& pathText);

// The tasks of one file; each marks its worker finished when it ends.
std::vector<LiveryRecord> lf_searchLiveriesinFile(std::int32_t priority,
                                                  const std::string& cfgPath);
std::vector<LiveryRecord> lf_searchLiveriesInIvaoFile(std::int32_t priority,
                                                      const std::string& cfgPath);

// The per-file pipeline on lines already read: numbering check, type code and sections.
std::vector<LiveryRecord> lf_searchLiveriesInLines(std::int32_t priority,
                                                   const std::string& cfgPath,
                                                   const std::vector<std::string>& lines);
// The IVAO variant; the type code comes from lf_fixIvaoMtlTypes.
std::vector<LiveryRecord> lf_searchLiveriesInIvaoLines(std::int32_t priority,
                                                       const std::string& cfgPath,
                                                       const std::string& typeCode,
                                                       const std::vector<std::string>& lines);

// Cutting a file into sections, one line at a time.
struct SectionCutState {
    std::int32_t priority = 0;
    std::string typeCode;
    std::string cfgPath;
    std::string folder;
    std::vector<std::string> buffer;
    bool inSection = false;
    std::vector<LiveryRecord> records;
};
void lf_collectSectionLine(SectionCutState& state, const std::string& line);
void lf_collectIvaoSectionLine(SectionCutState& state, const std::string& line);

// The type code of an IVAO file from its folder IVAO_MTL\IVAO_<type>; empty when there is none
// (reported).
std::string lf_fixIvaoMtlTypes(const std::string& cfgPath);
// One IVAO section; a record with an empty airline when it yields nothing.
LiveryRecord lf_procesIvaoFltSimSection(std::int32_t priority,
                                        std::vector<std::string>& sectionLines,
                                        const std::string& typeCode, const std::string& cfgPath,
                                        const std::string& folder);
