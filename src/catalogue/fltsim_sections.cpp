#include "catalogue/fltsim_sections.h"

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/fltsim_keys.h"
#include "catalogue/scan_state.h"
#include "core/log.h"
#include "core/strings.h"
#include "platform/native_path.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <exception>
#include <filesystem>
#include <list>

namespace fs = std::filesystem;

namespace {

constexpr std::int32_t kHeaderWithoutNumber = 10000;
constexpr std::size_t kMaxRegistrationBytes = 12;

void lf_drop(const FltSimSection& section, std::string_view what) {
    lf_addIncompleteSectionLine(fmt::format("{} {} ", section.folder, section.header) +
                                std::string(what));
}

fs::file_type lf_itemType(const std::string& folder, const std::string& name) {
    const std::string item = lf_itemName(name);
    // Throws for anything but a missing item (a name too long, no permission). The exact name
    // first: one query instead of the case-insensitive lookup's several.
    const fs::file_type exact = fs::status(fs::path(folder) / item).type();
    if (exact != fs::file_type::not_found) {
        return exact;
    }
    return fs::status(platform::toNativePath(fs::path(folder), item)).type();
}

// Step 2 of the section processing for one line; false ends the section as dropped.
bool lf_takeSectionLine(FltSimSection& section, const std::string& line) {
    if (!section.title.empty()) {
        std::string second;
        if (lf_matchTitle(line, second)) {
            lf_drop(section, "has more than one title key");
            return false;
        }
    } else if (lf_matchTitle(line, section.title)) {
        return true;
    }
    if (!section.operatorCodes.empty()) {
        if (line.find("atc_parking_codes") != std::string::npos) {
            lf_drop(section, "has more than one atc_parking_codes key");
            return false;
        }
    } else if (std::string codes = lf_matchAtcParkingCodes(line); !codes.empty()) {
        gf_removeBlanks(codes);
        section.operatorCodes = lf_isManufacturerCode(codes) ? "ZZZ" : std::move(codes);
        return true;
    }
    return gf_takeSharedSectionKeys(section, line, &lf_drop, &lf_checkRegistration);
}

std::vector<LiveryRecord> lf_processSection(FltSimSection& section,
                                            std::vector<std::string>& sectionLines) {
    lf_dropTrailingLines(sectionLines);
    for (const std::string& line : sectionLines) {
        if (!lf_takeSectionLine(section, line)) {
            return {};
        }
    }
    const std::string modelName = "model." + section.model;
    const std::string textureName = "texture." + section.texture;
    const std::string simName = section.sim + ".air";
    const std::string* missing = nullptr;
    if (!lf_itemIsDirectory(section.folder, modelName)) {
        missing = &modelName;
    } else if (!lf_itemIsDirectory(section.folder, textureName)) {
        missing = &textureName;
    } else if (!lf_itemIsRegularFile(section.folder, simName)) {
        missing = &simName;
    }
    if (missing != nullptr) {
        lf_addIncompleteSectionLine(fmt::format(
            "{} {} does not exist", lf_itemText(section.folder, *missing), section.header));
        return {};
    }
    if (section.title.empty()) {
        lf_drop(section, "misses title");
        return {};
    }
    if (std::find(dontUseTitles.begin(), dontUseTitles.end(), section.title) !=
        dontUseTitles.end()) {
        return {};
    }
    if (section.operatorCodes.empty()) {
        lf_drop(section, "empty atc_parking_codes=");
        return {};
    }
    std::list<std::string> codes = gf_splitAtCommas(section.operatorCodes);
    codes.sort();
    codes.unique();
    for (std::string& code : codes) {
        lf_finishLivery(section, std::move(code));
    }
    return std::move(section.records);
}

} // namespace

bool gf_takeSharedSectionKeys(FltSimSection& section, const std::string& line, SectionDrop drop,
                              RegistrationCheck checkRegistration) {
    if (!section.parkingTypes.empty()) {
        if (lf_hasAtcParkingTypesKey(line)) {
            drop(section, "has more than one atc_parking_types key");
            return false;
        }
    } else if (lf_matchAtcParkingTypes(line, section.parkingTypes)) {
        gf_removeBlanks(section.parkingTypes);
        for (char& c : section.parkingTypes) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
        return true;
    }
    if (!section.atcId.empty()) {
        if (lf_hasAtcIdKey(line)) {
            lf_addIncompleteSectionLine(fmt::format("{}, {}, has more than one atc_id key",
                                                    section.folder, section.header));
            return false;
        }
    } else {
        std::string value;
        if (lf_matchAtcId(line, value)) {
            checkRegistration(value, section.title, section.atcId);
            return true;
        }
    }
    if (section.model.empty() && lf_matchModel(line, section.model)) {
        return true;
    }
    if (section.sim.empty() && lf_matchSim(line, section.sim)) {
        return true;
    }
    if (section.texture.empty()) {
        lf_matchTexture(line, section.texture);
    }
    return true;
}

std::string lf_fileFolder(std::string_view cfgPath) {
    const std::size_t last = cfgPath.find_last_of("\\/");
    return last == std::string_view::npos ? std::string() : std::string(cfgPath.substr(0, last));
}

bool lf_checkFltSimNumber(FltSimNumbering& state, std::int32_t number) {
    if (number == state.expected) {
        ++state.expected;
        return false;
    }
    const std::string fault =
        number == kHeaderWithoutNumber
            ? std::string("a [fltsim.] section without a number")
            : fmt::format("non-consecutive [fltsim.x] numbers at .x={}", number);
    lf_addInvalidCfgFileLine(state.cfgPath + " contains " + fault);
    return true;
}

bool lf_collectFltSimSections(const std::vector<std::string>& lines, const std::string& cfgPath) {
    std::vector<std::int32_t> numbers;
    for (const std::string& line : lines) {
        const std::string digits = lf_matchFltSimHeader(line);
        if (digits.empty()) {
            continue;
        }
        std::int32_t number = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error != std::errc() || end != digits.data() + digits.size()) {
            gf_logLine(fmt::format("fltsim num {} incorrect", line));
            return false;
        }
        numbers.push_back(number);
    }
    if (numbers.empty()) {
        lf_addNoFltsimSectionLine(cfgPath);
        return true;
    }
    std::sort(numbers.begin(), numbers.end());
    FltSimNumbering state{cfgPath};
    for (const std::int32_t number : numbers) {
        if (lf_checkFltSimNumber(state, number)) {
            return false;
        }
    }
    return true;
}

std::string lf_fixMissingAtcModel(const std::string& cfgPath,
                                  const std::vector<std::string>& lines) {
    std::string value;
    for (const std::string& line : lines) {
        value = lf_matchAtcModel(line);
        if (!value.empty()) {
            break;
        }
    }
    if (value.empty()) {
        lf_addInvalidCfgFileLine("Line atc_model= is missing in [General] section of " + cfgPath);
        return {};
    }
    if (aircraftDatabase.typeSet(TypeSection::aircrafts).contains(value)) {
        return value;
    }
    if (const auto fix = modelFixes.find(value); fix != modelFixes.end()) {
        lf_addFixLine(
            fmt::format("Fix: {} found in {} changed into {}", value, cfgPath, fix->second));
        return fix->second;
    }
    lf_addInvalidAircraftLine(value, cfgPath);
    return {};
}

LiveryRecord lf_makeLiveryRecord(std::int32_t priority, const std::string& airline,
                                 const std::string& type, bool cargo, const std::string& title,
                                 const std::string& atcid, bool registerTitle) {
    if (registerTitle && !seenTitles.insert(title)) {
        return {};
    }
    LiveryRecord record;
    record.airline = airline;
    record.type = type;
    record.title = title;
    record.atcid = atcid;
    record.priority = priority;
    record.cargo = cargo;
    return record;
}

void lf_checkRegistration(const std::string& value, const std::string& title, std::string& atcId) {
    const std::string cut = value.substr(0, value.find(';'));
    const std::vector<std::string> parts = gf_splitToVector(cut);
    atcId.clear();
    if (parts.empty()) {
        gf_log(fmt::format("invalid atc_id={} ==> in: {}", cut, title));
        return;
    }
    for (const std::string& part : parts) {
        if (part.empty()) {
            gf_log(fmt::format("empty regcode in {} {}", title, cut));
            return;
        }
        if (part.size() > kMaxRegistrationBytes) {
            gf_log(fmt::format(
                "regcode: {}, has more than 12 chars or contains UTF16 chars in \"{}\"?", part,
                title));
            return;
        }
        if (part.find('*') != std::string::npos) {
            gf_logLine(
                fmt::format("{} {} wild cards no longer supported, atc_id skipped ", title, part));
            return;
        }
    }
    if (parts.size() == 1) {
        atcId = parts.front();
    }
}

std::string lf_itemName(std::string name) {
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        name.pop_back();
    }
    return name;
}

bool lf_itemIsDirectory(const std::string& folder, const std::string& name) {
    return lf_itemType(folder, name) == fs::file_type::directory;
}

bool lf_itemIsRegularFile(const std::string& folder, const std::string& name) {
    return lf_itemType(folder, name) == fs::file_type::regular;
}

std::string lf_itemText(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

void lf_finishLivery(FltSimSection& section, std::string operatorCode) {
    if (pvtFixes.contains(operatorCode) || govFixes.contains(operatorCode)) {
        lf_addFixLine(fmt::format("Fix: {} found in {} changed into {}", operatorCode,
                                  section.cfgPath, "PVT"));
        operatorCode = "PVT";
    }
    if (operatorCode.size() == 4 && (operatorCode[3] == 'X' || operatorCode[3] == 'C')) {
        operatorCode.resize(3);
    }
    if (!gf_isIcaoAirline(operatorCode)) {
        lf_addInvalidAirlineLine(operatorCode, section.cfgPath, section.header);
        return;
    }
    if (operatorCode == "ZZZ") {
        section.atcId.clear();
    }
    const bool cargo = section.parkingTypes.find("CARGO") != std::string::npos;
    LiveryRecord record =
        lf_makeLiveryRecord(section.priority, operatorCode, section.typeCode, cargo, section.title,
                            section.atcId, section.registerTitle);
    if (record.airline.empty()) {
        lf_drop(section, fmt::format("title \"{}\" already exists", section.title));
        return;
    }
    section.records.push_back(std::move(record));
    section.registerTitle = false;
}

void lf_dropTrailingLines(std::vector<std::string>& sectionLines) {
    while (!sectionLines.empty() &&
           (sectionLines.back().empty() || sectionLines.back().starts_with("//"))) {
        sectionLines.pop_back();
    }
}

std::vector<LiveryRecord> lf_procesFltSimSection(std::int32_t priority,
                                                 std::vector<std::string>& sectionLines,
                                                 const std::string& typeCode,
                                                 const std::string& cfgPath,
                                                 const std::string& folder) {
    try {
        FltSimSection section;
        section.priority = priority;
        section.typeCode = typeCode;
        section.cfgPath = cfgPath;
        section.folder = folder;
        if (!sectionLines.empty()) {
            section.header = sectionLines.front();
        }
        return lf_processSection(section, sectionLines);
    } catch (const std::exception& e) {
        gf_log(fmt::format("exception in lf_procesFltSimSection: {}, file: {}", e.what(), cfgPath));
        throw;
    }
}
