#include "core/parameters_file.h"

#include "core/atomic_file.h"
#include "core/config_paths.h"
#include "core/controls.h"
#include "core/log.h"

#include <fmt/format.h>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

template <class T> void lf_logValue(std::string_view name, const T& value) {
    gf_log(fmt::format("{}={}", name, value));
}

bool lf_readBoolParameter(BoolParameter& parameter, const pugi::xml_document& doc) {
    const pugi::xml_node node = gf_findParameterNode(doc, parameter.name());
    if (node) {
        parameter.setRaw(node.attribute("value").as_bool());
    } else {
        parameter.setRaw(parameter.defaultValue());
    }
    lf_logValue(parameter.name(), parameter.value());
    return static_cast<bool>(node);
}

bool lf_readNumParameter(IntParameter& parameter, const pugi::xml_document& doc, bool log) {
    const pugi::xml_node node = gf_findParameterNode(doc, parameter.name());
    if (node) {
        // as_int saturates beyond the 32-bit range; the range of the parameter is ours to apply.
        parameter.setClamped(node.attribute("value").as_int());
    } else {
        parameter.setRaw(parameter.defaultValue());
    }
    if (log) {
        lf_logValue(parameter.name(), parameter.value());
    }
    return static_cast<bool>(node);
}

bool lf_readStringParameter(StringParameter& parameter, const pugi::xml_document& doc) {
    const pugi::xml_node node = gf_findParameterNode(doc, parameter.name());
    parameter.assign(node ? node.attribute("value").as_string() : parameter.defaultValue());
    lf_logValue(parameter.name(), parameter.value());
    return static_cast<bool>(node);
}

bool lf_readFolderParameter(StringParameter& parameter, const pugi::xml_document& doc) {
    const pugi::xml_node node = gf_findParameterNode(doc, parameter.name());
    parameter.assign(node ? node.attribute("value").as_string() : parameter.defaultValue());
    const std::string value = parameter.value();
    if (!value.empty()) {
        lf_logValue(parameter.name(), value);
    }
    return static_cast<bool>(node);
}

// A list may hold a parameter that an earlier list already wrote; a new file holds it once.
bool lf_written(pugi::xml_node root, std::string_view name) {
    return static_cast<bool>(
        root.find_child_by_attribute("parameter", "name", std::string(name).c_str()));
}

void lf_logInitFailure(std::string_view name, std::string_view value) {
    gf_log(fmt::format("{}adding init xml parameter {} with {} failed!", logPrefix, name, value));
}

void lf_addBoolParameterInit(BoolParameter& parameter, pugi::xml_node root) {
    parameter.setRaw(parameter.defaultValue());
    const bool value = parameter.value();
    if (!lf_written(root, parameter.name()) &&
        !lf_appendBoolParameterNode(root, parameter.name(), value)) {
        lf_logInitFailure(parameter.name(), value ? "true" : "false");
    }
    lf_logValue(parameter.name(), value);
}

void lf_addNumParameterInit(IntParameter& parameter, pugi::xml_node root) {
    parameter.setRaw(parameter.defaultValue());
    const std::int32_t value = parameter.value();
    if (!lf_written(root, parameter.name()) &&
        !lf_appendNumParameterNode(root, parameter.name(), value)) {
        lf_logInitFailure(parameter.name(), fmt::format("{}", value));
    }
    lf_logValue(parameter.name(), value);
}

void lf_addStringParameterInit(StringParameter& parameter, pugi::xml_node root) {
    parameter.assign(parameter.defaultValue());
    const std::string value = parameter.value();
    if (!lf_written(root, parameter.name()) &&
        !lf_appendParameterNode(root, parameter.name(), value)) {
        lf_logInitFailure(parameter.name(), value);
    }
    lf_logValue(parameter.name(), value);
}

void lf_removeNode(pugi::xml_node node) {
    node.parent().remove_child(node);
}

// The caller holds the parameters-file mutex.
void lf_removeParameterLocked(const Parameter& parameter) {
    const std::string path = gf_parametersFile();
    pugi::xml_document doc;
    if (!gf_loadXmlFile(doc, path)) {
        // Nothing was read, so there is nothing to remove and nothing to write back.
        return;
    }
    const pugi::xml_node node = gf_findParameterNode(doc, parameter.name());
    if (!node) {
        return;
    }
    lf_removeNode(node);
    gf_log("Parameter " + parameter.name() + " removed");
    if (!gf_saveXmlDocument(doc, path)) {
        gf_log("saving xml did not work?");
    }
}

// A file that exists but does not parse is the user's (often hand-edited) settings: it is copied
// aside before the defaults replace it. False when no copy could be made; the file must then
// stay as it is.
bool lf_keepUnreadableFile(const std::string& path, const pugi::xml_parse_result& result) {
    std::error_code error;
    if (result.status == pugi::status_file_not_found || !fs::is_regular_file(path, error)) {
        return true;
    }
    const std::string backup = path + ".bak";
    fs::copy_file(path, backup, fs::copy_options::overwrite_existing, error);
    if (error) {
        gf_logLine(fmt::format("{} could not be read ({}), no copy could be kept as {} ({}), "
                               "the file is left as it is",
                               path, result.description(), backup, error.message()));
        return false;
    }
    gf_logLine(
        fmt::format("{} could not be read ({}), kept as {}", path, result.description(), backup));
    return true;
}

void lf_writeDefaults(const ParameterLists& lists, const std::string& path, bool save) {
    gf_log(path + " not found, default values taken:");
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("parameters");
    for (CheckBoxParameter* parameter : lists.first) {
        lf_addBoolParameterInit(*parameter, root);
    }
    for (CheckBoxParameter* parameter : lists.checkBoxes) {
        lf_addBoolParameterInit(*parameter, root);
        lf_setCheckBox(*parameter, parameter->value());
    }
    for (IntParameter* parameter : lists.numbers) {
        lf_addNumParameterInit(*parameter, root);
    }
    for (IntEditParameter* parameter : lists.intFields) {
        lf_addNumParameterInit(*parameter, root);
        lf_showIntParameter(*parameter);
    }
    for (StringParameter* parameter : lists.texts) {
        if (lf_isFolderParameter(parameter->name())) {
            parameter->assign(parameter->defaultValue());
        } else {
            lf_addStringParameterInit(*parameter, root);
        }
    }
    for (TextEditParameter* parameter : lists.textFields) {
        lf_addStringParameterInit(*parameter, root);
        lf_showTextParameter(*parameter);
    }
    if (save) {
        gf_saveXmlDocument(doc, path);
    }
}

void lf_completeLoaded(pugi::xml_document& doc, const ParameterLists& lists,
                       const std::string& path) {
    gf_log(fmt::format("from \"{}\"", path));
    pugi::xml_node root = doc.child("parameters");
    const auto readBool = [&](CheckBoxParameter& parameter) {
        if (!lf_readBoolParameter(parameter, doc) && root) {
            lf_appendBoolParameterNode(root, parameter.name(), parameter.value());
        }
    };
    const auto readNumber = [&](IntParameter& parameter) {
        if (!lf_readNumParameter(parameter, doc, true) && root) {
            lf_appendNumParameterNode(root, parameter.name(), parameter.value());
        }
    };
    const auto readText = [&](StringParameter& parameter) {
        if (!lf_readStringParameter(parameter, doc) && root) {
            lf_appendParameterNode(root, parameter.name(), parameter.value());
        }
    };
    for (CheckBoxParameter* parameter : lists.first) {
        readBool(*parameter);
    }
    for (CheckBoxParameter* parameter : lists.checkBoxes) {
        readBool(*parameter);
        // The controls were made from the defaults; a later click must flip the loaded value.
        lf_setCheckBox(*parameter, parameter->value());
    }
    for (IntParameter* parameter : lists.numbers) {
        readNumber(*parameter);
    }
    for (IntEditParameter* parameter : lists.intFields) {
        readNumber(*parameter);
        lf_showIntParameter(*parameter);
    }
    for (StringParameter* parameter : lists.texts) {
        if (!lf_isFolderParameter(parameter->name())) {
            readText(*parameter);
            continue;
        }
        // A missing entry has nothing to remove.
        if (lf_readFolderParameter(*parameter, doc) && parameter->value().empty()) {
            lf_removeParameterLocked(*parameter);
            // Also from the loaded document, so that its save does not write the entry back.
            lf_removeNode(gf_findParameterNode(doc, parameter->name()));
        }
    }
    for (TextEditParameter* parameter : lists.textFields) {
        readText(*parameter);
        lf_showTextParameter(*parameter);
    }
    gf_saveXmlDocument(doc, path);
}

} // namespace

ksb::RankedMutex& gf_parametersFileMutex() {
    static ksb::RankedMutex mutex(ksb::LockRank::parametersFile, "parameters file");
    return mutex;
}

std::string lf_parameterXPath(std::string_view name) {
    return fmt::format("/parameters/parameter[@name='{}']", name);
}

pugi::xml_node gf_findParameterNode(const pugi::xml_document& doc, std::string_view name) {
    try {
        return doc.select_node(lf_parameterXPath(name).c_str()).node();
    } catch (const pugi::xpath_exception& e) {
        // Only a name with a quote gets here; it cannot be in the file.
        gf_log(e.what());
        return {};
    }
}

bool lf_isFolderParameter(std::string_view name) {
    return name.find("lfolder") != std::string_view::npos ||
           name.find("afolder") != std::string_view::npos;
}

bool lf_appendParameterNode(pugi::xml_node root, std::string_view name, std::string_view value) {
    pugi::xml_node node = root.append_child("parameter");
    if (!node) {
        return false;
    }
    pugi::xml_attribute nameAttribute = node.append_attribute("name");
    pugi::xml_attribute valueAttribute = node.append_attribute("value");
    return nameAttribute && valueAttribute && nameAttribute.set_value(std::string(name).c_str()) &&
           valueAttribute.set_value(std::string(value).c_str());
}

bool lf_appendBoolParameterNode(pugi::xml_node root, std::string_view name, bool value) {
    return lf_appendParameterNode(root, name, value ? "true" : "false");
}

bool lf_appendNumParameterNode(pugi::xml_node root, std::string_view name, std::int32_t value) {
    return lf_appendParameterNode(root, name, fmt::format("{}", value));
}

pugi::xml_parse_result gf_loadXmlFile(pugi::xml_document& doc, const fs::path& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        // pugixml would size a folder as a file of gigantic length and try to allocate it.
        doc.reset();
        pugi::xml_parse_result result;
        result.status = pugi::status_io_error;
        return result;
    }
    return doc.load_file(path.c_str());
}

bool gf_saveXmlDocument(const pugi::xml_document& doc, const fs::path& path) {
    bool saved = false;
    try {
        saved = gf_replaceFileAtomically(path, [&doc](std::ostream& out) { doc.save(out); });
    } catch (const std::exception&) {
        saved = false;
    }
    if (saved) {
        gf_log(fmt::format("\"{}\" saved", path.string()));
    } else {
        gf_log(fmt::format("could not save to \"{}\"", path.string()));
    }
    return saved;
}

void gf_readParameters(const ParameterLists& lists) {
    std::lock_guard lock(gf_parametersFileMutex());
    gf_log(gf_bannerLine(70, 0, true, false, "parameters"));
    const std::string path = gf_parametersFile();
    pugi::xml_document doc;
    const pugi::xml_parse_result result = gf_loadXmlFile(doc, path);
    if (result) {
        lf_completeLoaded(doc, lists, path);
    } else {
        const bool overwrite = lf_keepUnreadableFile(path, result);
        lf_writeDefaults(lists, path, overwrite);
    }
    gf_log(gf_bannerLine(70, 10, false, true, ""));
}

bool gf_readWindowPosition() {
    std::lock_guard lock(gf_parametersFileMutex());
    pugi::xml_document doc;
    if (!gf_loadXmlFile(doc, gf_parametersFile())) {
        return false;
    }
    lf_readNumParameter(MAIN_WINDOW_X, doc, false);
    lf_readNumParameter(MAIN_WINDOW_Y, doc, false);
    return true;
}

void gf_removeParameter(const Parameter& parameter) {
    std::lock_guard lock(gf_parametersFileMutex());
    lf_removeParameterLocked(parameter);
}
