#include "app/daily_steps.h"

#include "app/startup_services.h"
#include "core/codec.h"
#include "core/config_paths.h"
#include "core/controls.h"
#include "core/main_window.h"
#include "core/parameters.h"

#include <filesystem>

std::atomic<bool> dbaseLoaded{false};

namespace {

void lf_scanAirportsNextStart() {
    lf_setCheckBox(SCAN_AIRPORTS, true);
    SCAN_AIRPORTS.save();
    gf_invalidate(kControlsRegion);
}

} // namespace

std::string_view gf_dailyStepName(DailyStep step) {
    switch (step) {
    case DailyStep::updateDbase:
        return "updateDbase";
    case DailyStep::readDatabase:
        return "readDatabase";
    case DailyStep::checkProgramVersion:
        return "checkProgramVersion";
    case DailyStep::updateAigRegcodes:
        return "updateAigRegcodes";
    case DailyStep::updateArchive:
        return "updateArchive";
    case DailyStep::storeDay:
        return "storeDay";
    }
    return "?";
}

std::vector<DailyStep> lf_dailySteps(const DailyInputs& inputs) {
    std::vector<DailyStep> steps;
    const bool sameDay = inputs.today == inputs.storedDay;
    if (!sameDay || inputs.dbaseMissing) {
        steps.push_back(DailyStep::updateDbase);
    }
    if (!inputs.dbaseLoaded) {
        steps.push_back(DailyStep::readDatabase);
    }
    if (sameDay) {
        if (inputs.regcodesMissing) {
            steps.push_back(DailyStep::updateAigRegcodes);
        }
        if (inputs.archiveFoldersMissing) {
            steps.push_back(DailyStep::updateArchive);
        }
        return steps;
    }
    steps.insert(steps.end(), {DailyStep::checkProgramVersion, DailyStep::updateAigRegcodes,
                               DailyStep::updateArchive, DailyStep::storeDay});
    return steps;
}

void lf_runDailySteps(const std::vector<DailyStep>& steps, const std::string& today) {
    const StartupServices& services = gf_startupServices();
    for (const DailyStep step : steps) {
        switch (step) {
        case DailyStep::updateDbase:
            services.updateDbase();
            break;
        case DailyStep::readDatabase:
            services.readDbase();
            services.readFixesXml();
            dbaseLoaded = true;
            break;
        case DailyStep::checkProgramVersion:
            services.checkProgramVersion();
            break;
        case DailyStep::updateAigRegcodes:
            services.updateAigRegcodes();
            break;
        case DailyStep::updateArchive:
            if (services.updateArchive()) {
                lf_scanAirportsNextStart();
            }
            break;
        case DailyStep::storeDay:
            DATA_CHECKED_AT_DATE.setValue(today);
            gf_enableControl(CHECK_VERSION_BUTTON.commandId(), false);
            break;
        }
    }
}

void lf_dailyCheck() {
    namespace fs = std::filesystem;
    DailyInputs inputs;
    inputs.today = gf_scrambledDateStamp();
    inputs.storedDay = DATA_CHECKED_AT_DATE.value();
    inputs.dbaseMissing = !fs::exists(gf_dbaseFilePath());
    inputs.dbaseLoaded = dbaseLoaded.load();
    inputs.regcodesMissing = !fs::exists(gf_regcodesFilePath());
    // The new-day branch leaves the archive folders to the archive update itself.
    inputs.archiveFoldersMissing =
        inputs.today == inputs.storedDay && gf_startupServices().archiveFoldersMissing();
    lf_runDailySteps(lf_dailySteps(inputs), inputs.today);
}
