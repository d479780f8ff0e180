// The single saves: each loads parameters.xml, changes one entry and writes the file back, all
// under the parameters-file mutex.
#include "core/config_paths.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/parameters_file.h"

#include <fmt/format.h>
#include <mutex>
#include <string>

namespace {

// The value is taken under the mutex, so when two saves of one parameter race, the file ends
// with the value in force rather than the older one.
template <class ValueText> void lf_saveParameterText(const std::string& name, ValueText valueText) {
    std::lock_guard lock(gf_parametersFileMutex());
    const std::string value = valueText();
    const std::string path = gf_parametersFile();
    pugi::xml_document doc;
    const pugi::xml_parse_result result = gf_loadXmlFile(doc, path);
    if (!result && result.status != pugi::status_file_not_found) {
        // The file holds every other setting; writing this one alone would lose them.
        gf_log(fmt::format("{}={}", name, value));
        gf_log("saving xml did not work?");
        return;
    }
    pugi::xml_node root = doc.child("parameters");
    if (!root) {
        root = doc.append_child("parameters");
    }
    if (pugi::xml_node node = gf_findParameterNode(doc, name)) {
        pugi::xml_attribute attribute = node.attribute("value");
        if (!attribute) {
            attribute = node.append_attribute("value");
        }
        attribute.set_value(value.c_str());
    } else {
        lf_appendParameterNode(root, name, value);
    }
    gf_log(fmt::format("{}={}", name, value));
    if (!gf_saveXmlDocument(doc, path)) {
        gf_log("saving xml did not work?");
    }
}

} // namespace

void IntParameter::save() const {
    lf_saveParameterText(name(), [this] { return fmt::format("{}", value()); });
}

void StringParameter::save() const {
    lf_saveParameterText(name(), [this] { return value(); });
}

void CheckBoxParameter::save() const {
    lf_saveParameterText(name(), [this] { return std::string(value() ? "true" : "false"); });
}
