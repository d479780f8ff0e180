// output/LiveriesScanned.xml: the scanned records, so that a start without a scan can build the
// index from the last scan.
#include "catalogue/catalogue_state.h"
#include "catalogue/livery_index.h"
#include "core/config_paths.h"
#include "core/exceptions.h"
#include "core/log.h"
#include "core/meta_block.h"
#include "core/parameters_file.h"
#include "core/xml_attributes.h"

#include <fmt/format.h>

void lf_appendLiveryElement(pugi::xml_node root, const LiveryRecord& record) {
    pugi::xml_node element = root.append_child("liv");
    element.append_attribute("airl") = record.airline.c_str();
    element.append_attribute("type") = record.type.c_str();
    if (record.cargo) {
        element.append_attribute("cargo") = "true";
    }
    element.append_attribute("title") = record.title.c_str();
    element.append_attribute("atcid") = record.atcid.c_str();
}

void gf_writeLiveriesXml() {
    if (scannedLiveries.empty()) {
        return;
    }
    pugi::xml_document doc;
    gf_writeMeta(doc);
    pugi::xml_node root = doc.append_child("liveries");
    for (const LiveryRecord& record : scannedLiveries) {
        lf_appendLiveryElement(root, record);
    }
    const std::string path = gf_liveriesFilePath().string();
    gf_saveXmlDocument(doc, path);
    gf_log(fmt::format("{} liveries in {}", scannedLiveries.size(), path));
}

void gf_readLiveriesXml() {
    scannedLiveries.clear();
    const std::string path = gf_liveriesFilePath().string();
    pugi::xml_document doc;
    if (!gf_loadXmlFile(doc, path)) {
        throw ksb::UserErrorException(51, fmt::format("File {} not found", path));
    }
    // An incomplete block is logged by the reader; the records are still good.
    gf_readMeta(doc);
    const pugi::xml_node root = doc.child("liveries");
    if (!root) {
        throw ksb::UserErrorException(
            52, fmt::format("{} does not contain a <liveries> section", path));
    }
    for (const pugi::xml_node& element : root.children("liv")) {
        LiveryRecord record;
        record.airline = gf_getAttributeValue(element, "airl");
        record.type = gf_getAttributeValue(element, "type");
        record.title = gf_getAttributeValue(element, "title");
        record.atcid = gf_getAttributeValue(element, "atcid");
        record.cargo = gf_getAttributeBool(element, "cargo");
        record.priority = 0;
        scannedLiveries.push_back(std::move(record));
    }
    if (scannedLiveries.empty()) {
        throw ksb::UserErrorException(53, path + " does not contain liveries");
    }
    gf_log(fmt::format("No scan done, {} liveries read from {}", scannedLiveries.size(), path));
}
