#include "support/parameters_fixture.h"

#include "core/config_paths.h"
#include "core/controls.h"
#include "core/globals.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_values.h"

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

} // namespace ksb::test
