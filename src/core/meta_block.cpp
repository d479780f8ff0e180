#include "core/meta_block.h"

#include "core/log.h"
#include "core/parameters.h"
#include "core/program_info.h"
#include "core/time_text.h"

#include <fmt/format.h>
#include <string>

bool lf_appendMetaInfo(pugi::xml_node meta, std::string_view name, std::string_view value) {
    pugi::xml_node info = meta.append_child("info");
    if (!info) {
        return false;
    }
    pugi::xml_attribute nameAttribute = info.append_attribute("name");
    pugi::xml_attribute valueAttribute = info.append_attribute("value");
    return nameAttribute && valueAttribute && nameAttribute.set_value(std::string(name).c_str()) &&
           valueAttribute.set_value(std::string(value).c_str());
}

bool gf_writeMeta(pugi::xml_node node) {
    if (node.type() != pugi::node_document && node.type() != pugi::node_element) {
        return false;
    }
    pugi::xml_node meta = node.append_child("meta");
    if (!meta) {
        return false;
    }
    return lf_appendMetaInfo(meta, "author", kProgramName) &&
           lf_appendMetaInfo(meta, "version", gf_programVersion().toString()) &&
           lf_appendMetaInfo(meta, "date", gf_metaDateText()) &&
           lf_appendMetaInfo(meta, "copyright", META_COPYRIGHT.value());
}

std::string lf_metaInfoXPath(std::string_view name) {
    return fmt::format("/meta/info[@name='{}']", name);
}

bool lf_readMetaInfo(const pugi::xml_document& doc, StringParameter& entry) {
    pugi::xml_node info;
    try {
        info = doc.select_node(lf_metaInfoXPath(entry.name()).c_str()).node();
    } catch (const pugi::xpath_exception& e) {
        const char* text = e.what();
        gf_log(text != nullptr && *text != '\0' ? text : "No error");
        info = pugi::xml_node();
    }
    if (!info) {
        entry.assign({});
        return false;
    }
    entry.assign(info.attribute("value").as_string());
    return true;
}

bool gf_readMeta(const pugi::xml_document& doc) {
    const bool author = lf_readMetaInfo(doc, META_AUTHOR);
    const bool date = lf_readMetaInfo(doc, META_DATE);
    const bool version = lf_readMetaInfo(doc, META_VERSION);
    if (author && date && version) {
        return true;
    }
    gf_logLine("meta data incorrect?");
    return false;
}
