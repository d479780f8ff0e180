#include "catalogue/scan_state.h"

#include "catalogue/cfg_file_walk.h"
#include "catalogue/livery_scan.h"

#include <fmt/format.h>

#include <mutex>

ScanReport invalidAirlineCodes{"invalid airline codes"};
ScanReport invalidModelCodes{"invalid model codes"};
ScanReport codeFixes{"code fixes"};
ScanReport invalidCfgFiles{"invalid cfg files"};
ScanReport incompleteSections{"incomplete sections"};
ScanReport cfgFilesWithoutSection{"cfg files without section"};
ScanReport airlineModelConversions{"airline model conversions"};
ScanReport skippedOnPriority{"skipped on priority"};
SeenTitles seenTitles;
std::map<std::string, std::string> modelFixes;
std::set<std::string> pvtFixes;
std::set<std::string> govFixes;

void ScanReport::add(std::string line) {
    std::lock_guard lock(mutex_);
    lines_.push_back(std::move(line));
}

std::vector<std::string> ScanReport::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::size_t ScanReport::size() const {
    std::lock_guard lock(mutex_);
    return lines_.size();
}

void ScanReport::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

bool SeenTitles::insert(const std::string& title) {
    std::lock_guard lock(mutex_);
    return titles_.insert(title).second;
}

bool SeenTitles::contains(const std::string& title) const {
    std::lock_guard lock(mutex_);
    return titles_.contains(title);
}

std::size_t SeenTitles::size() const {
    std::lock_guard lock(mutex_);
    return titles_.size();
}

void SeenTitles::clear() {
    std::lock_guard lock(mutex_);
    titles_.clear();
}

void lf_addFixLine(std::string text) {
    codeFixes.add(std::move(text));
}

void lf_addInvalidCfgFileLine(std::string text) {
    invalidCfgFiles.add(std::move(text));
}

void lf_addIncompleteSectionLine(std::string text) {
    incompleteSections.add(std::move(text));
}

void lf_addNoFltsimSectionLine(std::string text) {
    cfgFilesWithoutSection.add(std::move(text));
}

void lf_addInvalidAirlineLine(const std::string& code, const std::string& cfgPath,
                              const std::string& header) {
    invalidAirlineCodes.add(fmt::format("{:12} in {} ", code, cfgPath) + header);
}

void lf_addInvalidAircraftLine(const std::string& code, const std::string& cfgPath) {
    invalidModelCodes.add(fmt::format("{:16} in {}", code, cfgPath));
}

void gf_clearScanLists() {
    for (ScanReport* report : {&invalidAirlineCodes, &invalidModelCodes, &codeFixes,
                               &invalidCfgFiles, &incompleteSections, &cfgFilesWithoutSection,
                               &airlineModelConversions, &skippedOnPriority}) {
        report->clear();
    }
    seenTitles.clear();
}

void gf_resetScanStateForTests() {
    gf_clearScanLists();
    modelFixes.clear();
    pvtFixes.clear();
    govFixes.clear();
    gf_setCfgWalkSeams({});
    gf_setRootFolderWalk({});
}
