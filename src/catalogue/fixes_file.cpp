// input/fixes.xml: wrong type codes and their corrections, and the operator codes that stand
// for private and for government aircraft.
#include "catalogue/catalogue.h"
#include "catalogue/livery_scan.h"
#include "catalogue/scan_state.h"
#include "core/config_paths.h"
#include "core/exceptions.h"
#include "core/log.h"
#include "core/parameters_file.h"
#include "core/xml_attributes.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <filesystem>

namespace {

void lf_readOperatorFixes(const pugi::xml_document& doc, const char* section, const char* kind,
                          std::set<std::string>& target) {
    for (const pugi::xml_node& fix : doc.child(section).children("fix")) {
        const std::string wrong = gf_getAttributeValue(fix, "wrong");
        if (wrong.empty()) {
            continue;
        }
        if (gf_isIcaoAirline(wrong)) {
            gf_logLine(fmt::format("{} fix {} is an ICAO airline code? ", kind, wrong));
            continue;
        }
        if (!target.insert(wrong).second) {
            gf_logLine(fmt::format("wrong: {}, already exists, skipped", wrong));
        }
    }
}

} // namespace

bool gf_readFixesXml() {
    const std::string path = (std::filesystem::path(kInputFolder) / "fixes.xml").string();
    modelFixes.clear();
    pvtFixes.clear();
    govFixes.clear();
    pugi::xml_document doc;
    if (!gf_loadXmlFile(doc, path)) {
        throw ksb::UserErrorException(3, path + " (or sections of it) not found?");
    }
    for (const pugi::xml_node& fix : doc.child("fixes").children("fix")) {
        const std::string wrong = gf_getAttributeValue(fix, "wrong");
        const std::string correct = gf_getAttributeValue(fix, "correct");
        if (correct.empty()) {
            continue;
        }
        if (!gf_isKnownType(correct)) {
            gf_logLine(
                fmt::format("wrong fix {}->{}, the latter is not a valid model", wrong, correct));
            continue;
        }
        if (!modelFixes.emplace(wrong, correct).second) {
            gf_logLine(fmt::format("wrong part of fix: {}, already exists, skipped", wrong));
        }
    }
    lf_readOperatorFixes(doc, "PVT_fixes", "PVT", pvtFixes);
    lf_readOperatorFixes(doc, "GOV_fixes", "GOV", govFixes);
    gf_log(fmt::format("\"{}\" read", path));
    return !modelFixes.empty() && !pvtFixes.empty() && !govFixes.empty();
}
