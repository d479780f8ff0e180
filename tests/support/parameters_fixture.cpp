#include "support/parameters_fixture.h"

#include "core/config_paths.h"
#include "core/controls.h"
#include "core/globals.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_values.h"

#include <pugixml.hpp>

namespace ksb::test {

namespace {

void lf_resetAll() {
    gf_setWindowPort(nullptr);
    gf_resetCoreGlobals();
    gf_resetParametersForTests();
    gf_resetControlsForTests();
    mainWindow.resetToStart();
    gf_resetRunValues();
}

} // namespace

ParametersFixture::ParametersFixture(bool createDataFolder)
    : env_("KSBY_APPDATA", appData_.path().string()) {
    lf_resetAll();
    if (createDataFolder) {
        std::filesystem::create_directories(dataFolder());
    }
}

ParametersFixture::~ParametersFixture() {
    lf_resetAll();
}

std::filesystem::path ParametersFixture::dataFolder() const {
    return appData_.path() / kDataFolderName;
}

std::filesystem::path ParametersFixture::parametersFile() const {
    return dataFolder() / kParametersFileName;
}

std::optional<std::string> ParametersFixture::stored(const std::string& name) const {
    return storedParameter(parametersFile(), name);
}

std::optional<std::string> storedParameter(const std::filesystem::path& file,
                                           const std::string& name) {
    pugi::xml_document doc;
    if (!doc.load_file(file.c_str())) {
        return std::nullopt;
    }
    const pugi::xml_node node =
        doc.child("parameters").find_child_by_attribute("parameter", "name", name.c_str());
    if (!node) {
        return std::nullopt;
    }
    return std::string(node.attribute("value").as_string());
}

} // namespace ksb::test
