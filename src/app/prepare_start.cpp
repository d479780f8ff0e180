#include "app/daily_steps.h"
#include "app/detect_sim.h"
#include "app/run_controls.h"
#include "app/start_up.h"
#include "app/startup_services.h"
#include "app/version_upkeep.h"
#include "core/config_paths.h"
#include "core/controls.h"
#include "core/globals.h"
#include "core/injection_radius.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "core/run_values.h"
#include "core/time_of_week.h"

#include <filesystem>
#include <initializer_list>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Created when missing, parents first.
const std::vector<fs::path>& lf_workingFolders() {
    static const std::vector<fs::path> folders{
        fs::path(kOutputFolder),
        gf_infoFolderPath(),
        gf_errorsFolderPath(),
        fs::path(kAirportsFolder),
        fs::path(kAirportsFolder) / kLearnedFolder,
        gf_learnedStockFolderPath(),
        gf_learnedOrbxFolderPath(),
        gf_learnedThirdPartyFolderPath(),
        gf_myOrbxFolderPath(),
        gf_myThirdPartyFolderPath(),
        fs::path(kInputFolder),
        gf_myRegcodesFolderPath(),
    };
    return folders;
}

void lf_enableAll(std::initializer_list<const ParameterControl*> controls) {
    for (const ParameterControl* control : controls) {
        gf_enableWindow(*control);
    }
}

} // namespace

void lf_createFolders() {
    for (const fs::path& folder : lf_workingFolders()) {
        if (!fs::exists(folder)) {
            fs::create_directory(folder);
        }
    }
}

void lf_loadAllParameters() {
    gf_readParameters(gf_parameterLists());
    parametersLoaded = true;
    lf_updateParametersVersion();
    gf_setInjectionRadius(LATERAL_RANGE.value());
}

void lf_prepareStart() {
    lf_createFolders();
    lf_loadAllParameters();
    // MAX_LIVE as the user set it; a park airport's file may override the limit in force later.
    userMaxLive = MAX_LIVE.value();
    liveLimit = MAX_LIVE.value();
    gf_rtServices().findRealTrafficLicense();
    lf_enableParameterControls();
    // Native path texts are UTF-8 on this platform.
    PROGRAM_INSTALL_PATH.setValue(fs::current_path().string());
    dayHalfHourNow = gf_currentDayHalfHour();
    lf_dailyCheck();
    gf_enableWindow(SIM_INSTALL_PATH);
    lf_showTextParameter(SIM_INSTALL_PATH);
    if (SIM_INSTALL_PATH.value().empty()) {
        lf_detectSimVersion();
    }
    gf_invalidate(kControlsRegion);
    lf_enableAll({&LIG_PRIORITIZE, &SCAN_LIVERIES, &LIG_AUTOMATIC, &SCAN_AIRPORTS, &AFG_AUTOMATIC,
                  &LIGHT_AIRCRAFT, &HELICOPTERS, &HIGH_PERF_AIRCRAFT, &AIRPORT_RANGE,
                  &AIRPORT_HEIGHT, &INITIAL_LOAD_ONLY, &PARK_SOFT, &PARK_FAKE, &WEEK, &MAX_FIT_FL});
    // Its value comes with a park airport.
    gf_enableControl(parking_percentage.commandId(), false);
    userLateralRange = LATERAL_RANGE.value();
    MAX_FIT_FL.setRaw(static_cast<float>(MAX_FIT.value()) * 0.5f + 0.5f);
    lf_showFloatParameter(MAX_FIT_FL);
    gf_enableControl(FLUSH_STATIC_BUTTON.commandId(), false);
    lf_enableAll({&NAV_LIGHTS_WHILE_PARKED, &MATCHING_DEPTH, &COLLISION_USER_GND, &LATERAL_RANGE});
    gf_startupServices().readAirports();
    gf_flushLog();
}
