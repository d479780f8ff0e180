// Reading input/dbase.xml: top-level sections without a common root, scrambled codes decoded
// with the core's codec on the way in.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "core/codec.h"
#include "core/config_paths.h"
#include "core/exceptions.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/number_parse.h"
#include "core/parameters_file.h"
#include "core/strings.h"
#include "core/xml_attributes.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

constexpr double kMetresToHalfSpanNm = 0.5 * kNMPerMetre;

// The codes of a list attribute; an empty piece names no code.
std::vector<std::string> lf_listItems(const pugi::xml_node& element, const char* attribute) {
    std::vector<std::string> items = gf_splitToVector(element.attribute(attribute).as_string());
    std::erase(items, std::string());
    return items;
}

template <class Decode>
void lf_readListSection(const pugi::xml_document& doc, const char* section, const char* element,
                        const char* attribute, Decode decode, std::set<std::string>& target) {
    std::set<std::string> collected;
    for (const pugi::xml_node& node : doc.child(section).children(element)) {
        for (std::string& item : lf_listItems(node, attribute)) {
            collected.insert(std::move(item));
        }
    }
    if (collected.empty()) {
        throw ksb::UserErrorException(61, fmt::format("In an xml file section {} {} {} is empty ",
                                                      section, element, attribute));
    }
    for (const std::string& item : collected) {
        target.insert(decode(item));
    }
}

void lf_readTypesSection(const pugi::xml_document& doc, const char* section, const char* element,
                         TypeSection which) {
    lf_readListSection(doc, section, element, "types", decryptType,
                       aircraftDatabase.typeSets[static_cast<int>(which)]);
}

void lf_readCodesSection(const pugi::xml_document& doc, const char* section,
                         std::set<std::string>& target) {
    lf_readListSection(doc, section, "ICAO", "codes", decryptAirline, target);
}

void lf_readSimilarTypes(const pugi::xml_document& doc) {
    for (const pugi::xml_node& node : doc.child("similar_types").children("similar")) {
        std::vector<std::string> types = lf_listItems(node, "types");
        for (std::string& type : types) {
            type = decryptType(type);
        }
        std::sort(types.begin(), types.end());
        aircraftDatabase.similarLists.push_back(std::move(types));
    }
}

void lf_readPublishers(const pugi::xml_document& doc, const std::string& path) {
    try {
        std::vector<std::string> texts;
        for (const pugi::xml_node& node : doc.child("publishers").children("pub")) {
            texts.emplace_back(node.attribute("names").as_string());
        }
        std::sort(texts.begin(), texts.end());
        texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
        for (const std::string& text : texts) {
            std::vector<std::string> group = gf_splitToVector(text);
            std::erase(group, std::string());
            // An empty name would be found in every text.
            if (!group.empty()) {
                aircraftDatabase.publisherGroups.push_back(std::move(group));
            }
        }
    } catch (const std::exception& e) {
        throw ksb::SysErrorException(
            299, fmt::format("exception {} in reading publishers from \"{}\"", e.what(), path));
    }
}

// True when the text converts to a value no span can have: NaN, infinity (an overflow included)
// or below zero.
bool lf_invalidSpanText(const pugi::xml_node& element, const char* name) {
    const pugi::xml_attribute attribute = element.attribute(name);
    if (!attribute) {
        return false;
    }
    if (gf_getAttributeDouble(element, name) < 0.0) {
        return true;
    }
    // gf_getAttributeDouble reads NaN and infinity as 0; the text itself tells them apart.
    try {
        return !std::isfinite(gf_stod(attribute.value()));
    } catch (const std::out_of_range&) {
        return true;
    } catch (const std::invalid_argument&) {
        return false;
    }
}

void lf_computeCategoryMeans() {
    std::array<double, 6> sums{};
    std::array<int, 6> counts{};
    for (const auto& [type, halfSpan] : aircraftDatabase.halfSpanByType) {
        const int category = gf_typeCategory(type);
        sums[static_cast<std::size_t>(category)] += halfSpan;
        ++counts[static_cast<std::size_t>(category)];
    }
    for (std::size_t i = 0; i < sums.size(); ++i) {
        aircraftDatabase.categoryMeanHalfSpan[i] = counts[i] > 0 ? sums[i] / counts[i] : 0.0;
    }
}

void lf_readWingspans(const pugi::xml_document& doc, const std::string& path) {
    try {
        bool accepted = false;
        for (const pugi::xml_node& node : doc.child("wingspans").children("wingspan")) {
            const std::string type = decryptType(node.attribute("type").as_string());
            if (!gf_isKnownType(type)) {
                gf_logLine(fmt::format("wingspan model {} is no valid model, skipped", type));
                continue;
            }
            if (lf_invalidSpanText(node, "meters")) {
                gf_logLine(fmt::format("wingspan model {} has an invalid span {}, skipped", type,
                                       node.attribute("meters").value()));
                continue;
            }
            const double halfSpan = gf_getAttributeDouble(node, "meters") * kMetresToHalfSpanNm;
            aircraftDatabase.halfSpanByType.try_emplace(type, halfSpan);
            aircraftDatabase.maxHalfSpanNm = std::max(aircraftDatabase.maxHalfSpanNm, halfSpan);
            accepted = true;
        }
        if (accepted) {
            lf_computeCategoryMeans();
        }
    } catch (const std::exception& e) {
        throw ksb::SysErrorException(
            288, fmt::format("exception {} in reading wingspans from \"{}\"", e.what(), path));
    }
}

// An airline field of a bad length throws the codec's runtime error out of the read.
void lf_readDbaseRecords(const pugi::xml_document& doc) {
    const pugi::xml_node section = doc.child("dbase");
    auto& records = aircraftDatabase.dbaseRecords;
    const auto elements = section.children("db");
    records.reserve(static_cast<std::size_t>(std::distance(elements.begin(), elements.end())));
    for (const pugi::xml_node& node : elements) {
        std::string registration = decryptRegcode(node.attribute("reg").as_string());
        DbaseRecord record;
        record.airline = decryptAirline(node.attribute("airl").as_string());
        record.type = decryptType(node.attribute("type").as_string());
        record.operatorCode = decryptAirline(node.attribute("opr").as_string());
        record.cargo = gf_getAttributeBool(node, "cargo");
        const auto [it, inserted] = records.try_emplace(std::move(registration), std::move(record));
        if (!inserted) {
            gf_logLine(fmt::format("regcode {} already exists", it->first));
        }
    }
}

} // namespace

bool gf_readDbase() {
    const std::string path = gf_dbaseFilePath().string();
    // A second read starts afresh instead of doubling the lists.
    aircraftDatabase = AircraftDatabase{};
    pugi::xml_document doc;
    const pugi::xml_parse_result result = gf_loadXmlFile(doc, path);
    if (!result) {
        throw ksb::UserErrorException(
            60, fmt::format("\"{}\" not read because of {}", path, result.description()));
    }
    lf_readTypesSection(doc, "aircrafts", "aircraft", TypeSection::aircrafts);
    lf_readTypesSection(doc, "high_performance", "hpf", TypeSection::highPerformance);
    lf_readTypesSection(doc, "heavy", "hvy", TypeSection::heavy);
    lf_readTypesSection(doc, "large", "lar", TypeSection::large);
    lf_readTypesSection(doc, "buzjet", "bzj", TypeSection::buzjet);
    lf_readTypesSection(doc, "rotorcraft", "rot", TypeSection::rotorcraft);
    lf_readTypesSection(doc, "cargo_types", "cargo_type", TypeSection::cargoTypes);
    lf_readSimilarTypes(doc);
    lf_readCodesSection(doc, "ICAO_airlines", aircraftDatabase.icaoAirlines);
    lf_readCodesSection(doc, "cargo_operators", aircraftDatabase.cargoOperators);
    lf_readPublishers(doc, path);
    lf_readWingspans(doc, path);
    lf_readDbaseRecords(doc);
    gf_log(fmt::format("{} dbase records from \"{}\" read", aircraftDatabase.dbaseRecords.size(),
                       path));
    return true;
}
