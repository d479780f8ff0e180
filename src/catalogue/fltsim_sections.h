#pragma once
// The lines of one aircraft.cfg or sim.cfg file as livery records: the numbering check of its
// [fltsim.N] headers, its type code, and each section checked against its folders, the aircraft
// database, the fixes and the don't-use titles. Every problem becomes a report line
// (catalogue/scan_state.h) or a log line; nothing stops the scan but a file-system error.
#include "core/catalogue_records.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The path text up to, not including, its last '\' or '/'; empty without one.
std::string lf_fileFolder(std::string_view cfgPath);

// One step of the numbering check over the sorted numbers.
struct FltSimNumbering {
    std::string cfgPath;
    std::int32_t expected = 0;
};
// True when the number breaks the run 0, 1, 2 ... (the fault is reported).
bool lf_checkFltSimNumber(FltSimNumbering& state, std::int32_t number);
// False when the file yields no liveries for its numbering. A file without any header is listed
// in AircraftCfgWithNoFltsimSection.txt and passes.
bool lf_collectFltSimSections(const std::vector<std::string>& lines, const std::string& cfgPath);

// The file's type code from its first atc_model line, fixed through modelFixes; empty when
// there is none (reported).
std::string lf_fixMissingAtcModel(const std::string& cfgPath,
                                  const std::vector<std::string>& lines);

// A livery record; with registerTitle the title is registered in seenTitles first, and an
// empty record comes back when it was taken already.
LiveryRecord lf_makeLiveryRecord(std::int32_t priority, const std::string& airline,
                                 const std::string& type, bool cargo, const std::string& title,
                                 const std::string& atcid, bool registerTitle);

// The working values of one section.
struct FltSimSection {
    std::int32_t priority = 0;
    std::string typeCode;
    std::string cfgPath;
    std::string folder;
    std::string header;
    std::string title, operatorCodes, parkingTypes, atcId, model, sim, texture;
    bool registerTitle = true;
    std::vector<LiveryRecord> records;
};

// The atc_id value's registration check: the single good registration, or empty.
void lf_checkRegistration(const std::string& value, const std::string& title, std::string& atcId);
// The keys both section kinds read after their own: parking types, atc_id, model, sim and
// texture. drop reports a repeated key of the section kind; checkRegistration takes the atc_id
// value. False ends the section as dropped.
using SectionDrop = void (*)(const FltSimSection& section, std::string_view what);
using RegistrationCheck = void (*)(const std::string& value, const std::string& title,
                                   std::string& atcId);
bool gf_takeSharedSectionKeys(FltSimSection& section, const std::string& line, SectionDrop drop,
                              RegistrationCheck checkRegistration);
// The item names of a section, as Windows resolves them (trailing points and blanks dropped).
std::string lf_itemName(std::string name);
// Whether the item named in the file's folder is a directory (or a regular file); throws
// std::filesystem::filesystem_error for a query failing for another reason than a missing item.
bool lf_itemIsDirectory(const std::string& folder, const std::string& name);
bool lf_itemIsRegularFile(const std::string& folder, const std::string& name);
// The text naming an item of the folder in report lines.
std::string lf_itemText(const std::string& folder, const std::string& name);

// Finishes one operator code of the section: its record, or a report line.
void lf_finishLivery(FltSimSection& section, std::string operatorCode);
// The records of one section, in operator-code order; empty when it is dropped. Removes
// trailing empty and "//" lines. Standard exceptions are logged and passed on.
std::vector<LiveryRecord> lf_procesFltSimSection(std::int32_t priority,
                                                 std::vector<std::string>& sectionLines,
                                                 const std::string& typeCode,
                                                 const std::string& cfgPath,
                                                 const std::string& folder);
// Drops trailing empty and "//" lines.
void lf_dropTrailingLines(std::vector<std::string>& sectionLines);
