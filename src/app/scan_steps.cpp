#include "app/scan_steps.h"

#include "app/startup_services.h"
#include "core/config_paths.h"
#include "core/controls.h"
#include "core/exceptions.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "platform/native_path.h"

#include <array>
#include <fmt/format.h>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const std::array<StringParameter*, 10>& lf_lfolders() {
    static const std::array<StringParameter*, 10> folders{
        &lfolder0, &lfolder1, &lfolder2, &lfolder3, &lfolder4,
        &lfolder5, &lfolder6, &lfolder7, &lfolder8, &lfolder9};
    return folders;
}

const std::array<StringParameter*, 10>& lf_afolders() {
    static const std::array<StringParameter*, 10> folders{
        &afolder0, &afolder1, &afolder2, &afolder3, &afolder4,
        &afolder5, &afolder6, &afolder7, &afolder8, &afolder9};
    return folders;
}

// A successful scan is not due again at the next start.
void lf_scanDone(CheckBoxParameter& request) {
    lf_setCheckBox(request, false);
    request.save();
    gf_invalidate(kControlsRegion);
}

// airports/my_ORBX or airports/my_thirdparty, emptied or made.
void lf_prepareScanOutput(const fs::path& folder) {
    if (fs::exists(fs::status(folder))) {
        lf_emptyFolder(folder);
    } else {
        fs::create_directory(folder);
    }
}

} // namespace

std::string lf_stockAirportsPathFor(const std::string& installPath) {
    std::string text = installPath;
    if (!text.empty() && text.back() != '\\' && text.back() != '/') {
        text += '\\';
    }
    return text + "Scenery";
}

void lf_checkStockAirportsPath() {
    const std::string text = lf_stockAirportsPathFor(SIM_INSTALL_PATH.value());
    stockAirportsPath.set(text);
    std::error_code error;
    if (!fs::is_directory(platform::toNativePath(text), error)) {
        gf_showMessage(fmt::format("Stock airports path does not exist: {}", text), true);
    }
}

void lf_checkAddonAirportFolder(std::vector<std::string>& folders) {
    folders.clear();
    // Without an install path "Scenery" alone would match every scenery folder.
    const bool stockKnown = !SIM_INSTALL_PATH.value().empty();
    const std::string stock = stockAirportsPath.text();
    for (const StringParameter* parameter : lf_afolders()) {
        std::string value = parameter->value();
        if (value.empty()) {
            continue;
        }
        if (stockKnown && value.find(stock) != std::string::npos) {
            throw ksb::UserErrorException(
                42, fmt::format("parameter {} points to stock airports instead of add-on airports!",
                                parameter->name()));
        }
        folders.push_back(std::move(value));
    }
}

void lf_emptyFolder(const fs::path& folder) {
    try {
        if (!fs::exists(folder) || !fs::is_directory(folder)) {
            return;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            if (!entry.is_regular_file()) {
                continue;
            }
            if (!fs::remove(entry.path())) {
                gf_log(entry.path().string() + " could not be removed");
            }
        }
    } catch (const fs::filesystem_error& e) {
        throw ksb::UserErrorException(5, e.what());
    }
}

void lf_scanLiveriesStep(bool rescan) {
    const bool automatic = LIG_AUTOMATIC.value();
    const bool prioritize = LIG_PRIORITIZE.value();
    std::vector<std::string> folders;
    if (!rescan) {
        gf_log("\n++++++++++++++++++++++++ liveries scan starts ++++++++++++++++++++++++++++++++");
    } else {
        gf_showMessage(std::string("Scanning ") + (prioritize && !automatic ? "prioritized " : "") +
                           "for liveries ...",
                       false);
        gf_log(std::string("\n++++++++++++++++++++++++ liveries scan ") +
               (automatic ? "automatic" : "manual") + " starts ++++++++++++++++++++++++++++++++");
        if (!automatic) {
            for (const StringParameter* parameter : lf_lfolders()) {
                if (std::string value = parameter->value(); !value.empty()) {
                    folders.push_back(std::move(value));
                }
            }
            if (folders.empty()) {
                throw ksb::UserErrorException(48, "Set lfolder parameter(-s) to your liveries "
                                                  "first, see Manual 5.1 (or check Liveries "
                                                  "automatic)");
            }
        }
    }
    const bool ok = gf_startupServices().scanLiveries(rescan, automatic, prioritize, folders);
    if (!ok && automatic) {
        throw ksb::UserErrorException(43, "Automatic scan has not found any liveries, switch off "
                                          "automatic and set lfolder parameter(-s), Manual 5.1");
    }
    if (ok && rescan) {
        lf_scanDone(SCAN_LIVERIES);
    }
    gf_log("-------------------------- liveries scan ends   --------------------------------\n");
}

void lf_scanAirportsStep() {
    const bool automatic = AFG_AUTOMATIC.value();
    gf_showMessage("Scanning for addon airports ...", false);
    gf_log(std::string("\n++++++++++++++++++++++++ airports scan ") +
           (automatic ? "automatic" : "manual") + " starts +++++++++++++++++++++++++++++");
    std::vector<std::string> folders;
    if (!automatic) {
        lf_checkAddonAirportFolder(folders);
        if (folders.empty()) {
            throw ksb::UserErrorException(
                49, "Set afolder parameter(-s) to your add-on airports first, see Manual 6.1");
        }
    }
    lf_prepareScanOutput(gf_myOrbxFolderPath());
    lf_prepareScanOutput(gf_myThirdPartyFolderPath());
    if (gf_startupServices().scanAddonAirports(automatic, folders)) {
        lf_scanDone(SCAN_AIRPORTS);
    } else {
        gf_showMessage("Warning: Scan has not found any add-on airports", true);
    }
    gf_log("-------------------------- airports scan ends    ----------------------------\n");
}
