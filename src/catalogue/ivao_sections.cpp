// IVAO traffic packages: the type comes from the folder IVAO_MTL\IVAO_<type>, the operator from
// the first three word characters after the type in the title.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/cfg_file_walk.h"
#include "catalogue/fltsim_keys.h"
#include "catalogue/fltsim_sections.h"
#include "catalogue/scan_state.h"
#include "core/log.h"
#include "core/strings.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

namespace {

constexpr std::size_t kMaxRegistrationBytes = 12;

char lf_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool lf_equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lf_lower(x) == lf_lower(y);
           });
}

bool lf_isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool lf_isSeparator(char c) {
    return c == '\\' || c == '/';
}

bool lf_isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The <type> of ".+[\\/]IVAO_MTL[\\/]IVAO_(\w+)[\\/]aircraft.cfg" matched as a whole, ignoring
// case.
std::optional<std::string> lf_matchIvaoMtlPath(std::string_view path) {
    constexpr std::string_view kFile = "aircraft.cfg";
    if (path.size() < kFile.size() + 1 ||
        !lf_equalsNoCase(path.substr(path.size() - kFile.size()), kFile)) {
        return std::nullopt;
    }
    path.remove_suffix(kFile.size());
    if (!lf_isSeparator(path.back())) {
        return std::nullopt;
    }
    path.remove_suffix(1);
    const std::size_t folderStart = path.find_last_of("\\/");
    if (folderStart == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view folder = path.substr(folderStart + 1);
    constexpr std::string_view kPrefix = "IVAO_";
    if (folder.size() <= kPrefix.size() ||
        !lf_equalsNoCase(folder.substr(0, kPrefix.size()), kPrefix) ||
        !std::all_of(folder.begin() + kPrefix.size(), folder.end(), lf_isWordChar)) {
        return std::nullopt;
    }
    const std::string_view parent = path.substr(0, folderStart);
    constexpr std::string_view kMtl = "IVAO_MTL";
    if (parent.size() < kMtl.size() + 2 ||
        !lf_equalsNoCase(parent.substr(parent.size() - kMtl.size()), kMtl) ||
        !lf_isSeparator(parent[parent.size() - kMtl.size() - 1])) {
        return std::nullopt;
    }
    // ".+" before the separator: at least one character, none a line terminator.
    const std::string_view lead = parent.substr(0, parent.size() - kMtl.size() - 1);
    if (lead.empty() || lead.find_first_of("\r\n") != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(folder.substr(kPrefix.size()));
}

std::string lf_adjustIvaoType(std::string name) {
    if (!name.empty() && name.back() == 'w') {
        name.pop_back();
        return name;
    }
    if (name == "B744F" || name == "T154M") {
        name.pop_back();
    } else if (name == "T154B2") {
        name.resize(name.size() - 2);
    } else if (name == "GLID_SH" || name == "GLID_A13" || name == "GLID_A25" ||
               name == "GLID_KA6" || name == "GLID_KA8" || name == "GLID_L13") {
        name = "GLID";
    }
    return name;
}

// The three word characters after the type code (and optional blanks) that start the title.
std::optional<std::string> lf_operatorFromTitle(std::string_view title, std::string_view type) {
    if (title.size() < type.size() || !lf_equalsNoCase(title.substr(0, type.size()), type)) {
        return std::nullopt;
    }
    std::size_t pos = type.size();
    while (pos < title.size() && lf_isSpace(title[pos])) {
        ++pos;
    }
    if (title.size() - pos < 3 ||
        !std::all_of(title.begin() + static_cast<std::ptrdiff_t>(pos),
                     title.begin() + static_cast<std::ptrdiff_t>(pos + 3), lf_isWordChar)) {
        return std::nullopt;
    }
    if (title.substr(pos + 3).find_first_of("\r\n") != std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(title.substr(pos, 3));
}

void lf_checkIvaoRegistration(const std::string& value, const std::string& title,
                              std::string& atcId) {
    const std::vector<std::string> parts = gf_splitToVector(value);
    atcId.clear();
    for (const std::string& part : parts) {
        if (part.empty()) {
            gf_log(fmt::format("empty regcode in: {}", value));
            return;
        }
        if (part.size() > kMaxRegistrationBytes) {
            gf_log(fmt::format("regcode: {}, has more than 12 chars in title: {}", part, title));
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

void lf_dropIvao(const FltSimSection& section, std::string_view what) {
    lf_addIncompleteSectionLine(fmt::format("{} {} ", section.folder, section.header) +
                                std::string(what));
}

// False ends the section as dropped.
bool lf_takeIvaoLine(FltSimSection& section, const std::string& line) {
    if (!section.title.empty()) {
        std::string second;
        if (lf_matchTitle(line, second)) {
            lf_dropIvao(section, "has more than one title key");
            return false;
        }
    } else if (lf_matchTitle(line, section.title)) {
        return true;
    }
    return gf_takeSharedSectionKeys(section, line, &lf_dropIvao, &lf_checkIvaoRegistration);
}

LiveryRecord lf_processIvaoSection(FltSimSection& section, std::vector<std::string>& lines) {
    lf_dropTrailingLines(lines);
    for (const std::string& line : lines) {
        if (!lf_takeIvaoLine(section, line)) {
            return {};
        }
    }
    const std::string modelName = "model." + section.model;
    const std::string simName = section.sim + ".air";
    const std::string textureName = "texture." + section.texture;
    const std::string* missing = nullptr;
    if (!lf_itemIsDirectory(section.folder, modelName)) {
        missing = &modelName;
    } else if (!lf_itemIsRegularFile(section.folder, simName)) {
        missing = &simName;
    } else if (!lf_itemIsDirectory(section.folder, textureName)) {
        missing = &textureName;
    }
    if (missing != nullptr) {
        lf_addIncompleteSectionLine(fmt::format(
            "{} {} does not exist", lf_itemText(section.folder, *missing), section.header));
        return {};
    }
    if (section.title.empty()) {
        lf_dropIvao(section, "misses title");
        return {};
    }
    if (std::find(dontUseTitles.begin(), dontUseTitles.end(), section.title) !=
        dontUseTitles.end()) {
        return {};
    }
    std::optional<std::string> code = lf_operatorFromTitle(section.title, section.typeCode);
    if (!code) {
        lf_dropIvao(section, "misses airlinecode in title");
        return {};
    }
    if (lf_isManufacturerCode(*code)) {
        *code = "ZZZ";
    }
    if (!gf_isIcaoAirline(*code)) {
        lf_addInvalidAirlineLine(*code, section.cfgPath, section.header);
        return {};
    }
    if (*code == "ZZZ") {
        section.atcId.clear();
    }
    LiveryRecord record = lf_makeLiveryRecord(section.priority, *code, section.typeCode, false,
                                              section.title, section.atcId, true);
    if (record.airline.empty()) {
        lf_dropIvao(section, "title already exists: " + section.title);
    }
    return record;
}

} // namespace

std::string lf_fixIvaoMtlTypes(const std::string& cfgPath) {
    const std::optional<std::string> captured = lf_matchIvaoMtlPath(cfgPath);
    if (!captured) {
        lf_addInvalidAircraftLine("  ", cfgPath);
        return {};
    }
    const std::string name = lf_adjustIvaoType(*captured);
    if (aircraftDatabase.typeSet(TypeSection::aircrafts).contains(name)) {
        return name;
    }
    if (const auto fix = modelFixes.find(name); fix != modelFixes.end()) {
        lf_addFixLine(
            fmt::format("Fix: {} found in {} changed into {}", name, cfgPath, fix->second));
        return fix->second;
    }
    lf_addInvalidAircraftLine(name, cfgPath);
    return {};
}

LiveryRecord lf_procesIvaoFltSimSection(std::int32_t priority,
                                        std::vector<std::string>& sectionLines,
                                        const std::string& typeCode, const std::string& cfgPath,
                                        const std::string& folder) {
    FltSimSection section;
    section.priority = priority;
    section.typeCode = typeCode;
    section.cfgPath = cfgPath;
    section.folder = folder;
    if (!sectionLines.empty()) {
        section.header = sectionLines.front();
    }
    return lf_processIvaoSection(section, sectionLines);
}
