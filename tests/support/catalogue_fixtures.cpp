#include "support/catalogue_fixtures.h"

#include "core/codec.h"
#include "support/file_bytes.h"

#include <pugixml.hpp>

#include <sstream>

namespace fs = std::filesystem;

namespace ksb::test {

namespace {

std::string lf_join(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty()) {
            text += ',';
        }
        text += item;
    }
    return text;
}

template <class Encode>
std::string lf_joinEncoded(const std::vector<std::string>& items, Encode encode) {
    std::vector<std::string> encoded;
    encoded.reserve(items.size());
    for (const std::string& item : items) {
        encoded.push_back(encode(item));
    }
    return lf_join(encoded);
}

std::string lf_documentText(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out);
    return out.str();
}

// Cuts the text inside its last element's start tag.
std::string lf_malformed(std::string text) {
    return text + "<broken attr=\"unterminated";
}

struct ListSection {
    const char* section;
    const char* element;
    const char* attribute;
    const std::vector<std::string>* items;
    bool airlines;
};

void lf_appendInfo(pugi::xml_node meta, const char* name, const char* value) {
    pugi::xml_node info = meta.append_child("info");
    info.append_attribute("name") = name;
    info.append_attribute("value") = value;
}

} // namespace

WorkingFolder::WorkingFolder(bool createFolders) : previous_(fs::current_path()) {
    if (createFolders) {
        fs::create_directories(folder_ / "input" / "my_regcodes");
        fs::create_directories(folder_ / "output" / "info");
    }
    fs::current_path(folder_.path());
}

WorkingFolder::~WorkingFolder() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
}

std::string dbaseXmlText(const DbaseSpec& spec) {
    pugi::xml_document doc;
    const auto wanted = [&](const char* section) { return !spec.leaveOut.contains(section); };
    const ListSection lists[] = {
        {"aircrafts", "aircraft", "types", &spec.aircrafts, false},
        {"high_performance", "hpf", "types", &spec.highPerformance, false},
        {"heavy", "hvy", "types", &spec.heavy, false},
        {"large", "lar", "types", &spec.large, false},
        {"buzjet", "bzj", "types", &spec.buzjet, false},
        {"rotorcraft", "rot", "types", &spec.rotorcraft, false},
        {"cargo_types", "cargo_type", "types", &spec.cargoTypes, false},
        {"ICAO_airlines", "ICAO", "codes", &spec.icaoAirlines, true},
        {"cargo_operators", "ICAO", "codes", &spec.cargoOperators, true},
    };
    for (const ListSection& list : lists) {
        if (!wanted(list.section)) {
            continue;
        }
        pugi::xml_node element = doc.append_child(list.section).append_child(list.element);
        const std::string text = list.airlines ? lf_joinEncoded(*list.items, encryptAirline)
                                               : lf_joinEncoded(*list.items, encryptType);
        element.append_attribute(list.attribute) = text.c_str();
    }
    if (wanted("similar_types")) {
        pugi::xml_node section = doc.append_child("similar_types");
        for (const auto& group : spec.similar) {
            section.append_child("similar").append_attribute("types") =
                lf_joinEncoded(group, encryptType).c_str();
        }
    }
    if (wanted("publishers")) {
        pugi::xml_node section = doc.append_child("publishers");
        for (const std::string& names : spec.publishers) {
            section.append_child("pub").append_attribute("names") = names.c_str();
        }
    }
    if (wanted("wingspans")) {
        pugi::xml_node section = doc.append_child("wingspans");
        for (const DbaseWingspan& span : spec.wingspans) {
            pugi::xml_node element = section.append_child("wingspan");
            element.append_attribute("type") = encryptType(span.type).c_str();
            if (span.meters) {
                element.append_attribute("meters") = span.meters->c_str();
            }
        }
    }
    if (wanted("dbase")) {
        pugi::xml_node section = doc.append_child("dbase");
        for (const DbaseEntry& entry : spec.records) {
            pugi::xml_node element = section.append_child("db");
            element.append_attribute("reg") = regcodeEncrypt(entry.registration).c_str();
            element.append_attribute("airl") =
                (entry.rawAirline ? *entry.rawAirline : encryptAirline(entry.airline)).c_str();
            element.append_attribute("type") = encryptType(entry.type).c_str();
            element.append_attribute("opr") =
                (entry.rawOperator ? *entry.rawOperator : encryptAirline(entry.operatorCode))
                    .c_str();
            element.append_attribute("cargo") = entry.cargo ? "true" : "false";
        }
    }
    const std::string text = lf_documentText(doc);
    return spec.malformed ? lf_malformed(text) : text;
}

void writeDbaseXml(const DbaseSpec& spec, const fs::path& path) {
    writeBytes(path, dbaseXmlText(spec));
}

std::string aigRegcodesText(const std::vector<AigEntry>& entries, AigOptions options) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child(options.withRoot ? "AIG-regcodes" : "regcodes");
    for (const AigEntry& entry : entries) {
        pugi::xml_node element = root.append_child("livery");
        element.append_attribute("title") = entry.title.c_str();
        if (entry.registrations) {
            const std::string text = entry.raw
                                         ? lf_join(*entry.registrations)
                                         : lf_joinEncoded(*entry.registrations, regcodeEncrypt);
            element.append_attribute("reg") = text.c_str();
        }
        if (entry.special) {
            element.append_attribute("special") = entry.special->c_str();
        }
    }
    const std::string text = lf_documentText(doc);
    return options.malformed ? lf_malformed(text) : text;
}

void writeAigRegcodes(const std::vector<AigEntry>& entries, AigOptions options,
                      const fs::path& path) {
    writeBytes(path, aigRegcodesText(entries, options));
}

void writeRegcodeTxt(std::string_view fileName, const std::vector<std::string>& lines,
                     TxtOptions options) {
    std::string bytes = options.utf8Mark ? "\xEF\xBB\xBF" : "";
    for (const std::string& line : lines) {
        bytes += line;
        bytes += options.crlf ? "\r\n" : "\n";
    }
    writeBytes(options.folder / fileName, bytes);
}

std::string liveriesFileText(const std::vector<LiveryRecord>& records,
                             const LiveriesFileOptions& options) {
    pugi::xml_document doc;
    if (options.meta != LiveriesFileOptions::Meta::none) {
        pugi::xml_node meta = doc.append_child("meta");
        lf_appendInfo(meta, "author", "KSBY_P3D");
        lf_appendInfo(meta, "version", "9.3.0");
        if (options.meta == LiveriesFileOptions::Meta::complete) {
            lf_appendInfo(meta, "date", "Dec 09, 2026");
        }
        lf_appendInfo(meta, "copyright", "");
    }
    pugi::xml_node root = doc.append_child(options.rootName.c_str());
    for (const LiveryRecord& record : records) {
        pugi::xml_node element = root.append_child("liv");
        element.append_attribute("airl") = record.airline.c_str();
        element.append_attribute("type") = record.type.c_str();
        if (record.cargo) {
            element.append_attribute("cargo") = "true";
        }
        element.append_attribute("title") = record.title.c_str();
        element.append_attribute("atcid") = record.atcid.c_str();
    }
    return lf_documentText(doc);
}

void writeLiveriesFile(const std::vector<LiveryRecord>& records, const LiveriesFileOptions& options,
                       const fs::path& path) {
    writeBytes(path, liveriesFileText(records, options));
}

} // namespace ksb::test
