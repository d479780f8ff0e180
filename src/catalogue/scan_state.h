#pragma once
// What a livery scan fills besides the records: the titles registered so far, the report lists
// that go to output/errors and output/info at its end, and the fixes of input/fixes.xml that the
// scanner applies. The per-file tasks add to the reports and titles from their own threads, so
// each has its own mutex; the fixes are read before a scan and only read during it.
#include "core/ranked_mutex.h"

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

// One report list: lines appended by any thread, read by the driver after the walk.
class ScanReport {
public:
    explicit ScanReport(const char* name) : mutex_(ksb::LockRank::leaf, name) {}
    ScanReport(const ScanReport&) = delete;
    ScanReport& operator=(const ScanReport&) = delete;

    void add(std::string line);
    std::vector<std::string> lines() const;
    std::size_t size() const;
    bool empty() const { return size() == 0; }
    void clear();

private:
    mutable ksb::RankedMutex mutex_;
    std::vector<std::string> lines_;
};

// Filled by the scanner: InvalidAirlineCodes.txt, InvalidAircraftCodes.txt, Fixes.txt,
// InvalidAircraftCfgFiles.txt, IncompleFltsimSections.txt (output/errors) and
// AircraftCfgWithNoFltsimSection.txt (output/info).
extern ScanReport invalidAirlineCodes;
extern ScanReport invalidModelCodes;
extern ScanReport codeFixes;
extern ScanReport invalidCfgFiles;
extern ScanReport incompleteSections;
extern ScanReport cfgFilesWithoutSection;
// Filled by the driver: AirlineModelConversions.txt and LiveriesSkippedOnPriority.txt
// (output/info).
extern ScanReport airlineModelConversions;
extern ScanReport skippedOnPriority;

// Titles registered by this scan (exact text).
class SeenTitles {
public:
    SeenTitles() = default;
    SeenTitles(const SeenTitles&) = delete;
    SeenTitles& operator=(const SeenTitles&) = delete;

    // True when the title was not registered yet; it is now.
    bool insert(const std::string& title);
    bool contains(const std::string& title) const;
    std::size_t size() const;
    void clear();

private:
    mutable ksb::RankedMutex mutex_{ksb::LockRank::leaf, "seen titles"};
    std::unordered_set<std::string> titles_;
};

extern SeenTitles seenTitles;

// input/fixes.xml: wrong -> correct type codes, and the operator codes of private and of
// government aircraft.
extern std::map<std::string, std::string> modelFixes;
extern std::set<std::string> pvtFixes;
extern std::set<std::string> govFixes;

// Report adders, each one line under its list's mutex.
void lf_addFixLine(std::string text);
void lf_addInvalidCfgFileLine(std::string text);
void lf_addIncompleteSectionLine(std::string text);
void lf_addNoFltsimSectionLine(std::string text);
// "{:12} in {} " with code and cfg path, followed by the header.
void lf_addInvalidAirlineLine(const std::string& code, const std::string& cfgPath,
                              const std::string& header);
// "{:16} in {}" with code and cfg path.
void lf_addInvalidAircraftLine(const std::string& code, const std::string& cfgPath);

// Empties the report lists and the titles seen (gf_clearLiveryLists calls it).
void gf_clearScanLists();
// Everything above back to empty, the fixes included, and the walk's seams back to the real
// ones (tests).
void gf_resetScanStateForTests();
