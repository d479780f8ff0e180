// The read-only lookups of the aircraft database.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"

#include <locale>
#include <regex>
#include <unordered_map>

namespace {

bool lf_inSection(TypeSection section, const std::string& type) {
    return aircraftDatabase.typeSet(section).contains(type);
}

// libstdc++'s ctype<char> fills its narrow() cache lazily, a byte per character and without a
// lock, and compiling a pattern goes through it; scan workers compile patterns side by side, so
// the cache is filled once before the first pattern is compiled.
void lf_fillNarrowCache() {
    static const bool filled = [] {
        const auto& ctype = std::use_facet<std::ctype<char>>(std::locale());
        for (int c = 1; c < 256; ++c) {
            (void)ctype.narrow(static_cast<char>(c), '\0');
        }
        return true;
    }();
    (void)filled;
}

// Compiled patterns of gf_containsNameIcase per thread; nullopt for a name that is no valid
// pattern. The publisher lookup tries every name for every scanned livery, and compiling a
// pattern costs far more than matching it.
const std::optional<std::regex>& lf_icasePattern(const std::string& name) {
    thread_local std::unordered_map<std::string, std::optional<std::regex>> patterns;
    auto it = patterns.find(name);
    if (it == patterns.end()) {
        lf_fillNarrowCache();
        std::optional<std::regex> pattern;
        try {
            pattern.emplace(".*" + name + ".*",
                            std::regex_constants::ECMAScript | std::regex_constants::icase);
        } catch (const std::exception&) {
            pattern.reset();
        }
        it = patterns.emplace(name, std::move(pattern)).first;
    }
    return it->second;
}

} // namespace

int gf_typeCategory(const std::string& type) {
    if (lf_inSection(TypeSection::large, type)) {
        return 2;
    }
    if (lf_inSection(TypeSection::heavy, type)) {
        return 3;
    }
    if (lf_inSection(TypeSection::buzjet, type)) {
        return 1;
    }
    if (lf_inSection(TypeSection::rotorcraft, type)) {
        return 5;
    }
    if (lf_inSection(TypeSection::highPerformance, type)) {
        return 4;
    }
    return 0;
}

bool gf_isKnownType(const std::string& type) {
    return !type.empty() && lf_inSection(TypeSection::aircrafts, type);
}

bool gf_isIcaoAirline(const std::string& airline) {
    return !airline.empty() && aircraftDatabase.icaoAirlines.contains(airline);
}

double gf_wingspanOfType(const std::string& type) {
    const auto it = aircraftDatabase.halfSpanByType.find(type);
    if (it != aircraftDatabase.halfSpanByType.end()) {
        return it->second;
    }
    return aircraftDatabase.categoryMeanHalfSpan[static_cast<std::size_t>(gf_typeCategory(type))];
}

bool gf_hasWingspan(const std::string& type) {
    return aircraftDatabase.halfSpanByType.contains(type);
}

std::vector<std::string> gf_registrationVariants(const std::string& registration) {
    std::vector<std::string> variants{registration};
    if (registration.size() >= 5 && registration.front() != 'N' &&
        registration.find('-') == std::string::npos) {
        variants.push_back(registration.substr(0, 2) + "-" + registration.substr(2));
        variants.push_back(registration.substr(0, 1) + "-" + registration.substr(1));
    }
    return variants;
}

bool gf_dbaseLookup(std::optional<DbaseRecord>& holder, const std::string& key) {
    const auto it = aircraftDatabase.dbaseRecords.find(key);
    if (it == aircraftDatabase.dbaseRecords.end()) {
        return false;
    }
    holder = it->second;
    return true;
}

std::optional<DbaseRecord> gf_dbaseRecordOfReg(const std::string& registration) {
    std::optional<DbaseRecord> record;
    if (registration.empty()) {
        return record;
    }
    for (const std::string& variant : gf_registrationVariants(registration)) {
        if (gf_dbaseLookup(record, variant)) {
            break;
        }
    }
    return record;
}

std::string gf_dbaseAirlineOfReg(const std::string& registration) {
    const auto record = gf_dbaseRecordOfReg(registration);
    return record ? record->airline : std::string();
}

std::string gf_dbaseTypeOfReg(const std::string& registration) {
    const auto record = gf_dbaseRecordOfReg(registration);
    return record ? record->type : std::string();
}

std::string gf_dbaseOperatorOfReg(const std::string& registration) {
    const auto record = gf_dbaseRecordOfReg(registration);
    return record ? record->operatorCode : std::string();
}

bool gf_containsNameIcase(const std::string& text, const std::string& name) {
    try {
        const std::optional<std::regex>& pattern = lf_icasePattern(name);
        return pattern && std::regex_match(text, *pattern);
    } catch (const std::exception&) {
        return false;
    }
}

std::string gf_publisherOf(const std::string& text) {
    for (const std::vector<std::string>& group : aircraftDatabase.publisherGroups) {
        for (const std::string& name : group) {
            if (text.find(name) != std::string::npos || gf_containsNameIcase(text, name)) {
                return group.front();
            }
        }
    }
    return "unknown";
}
