#include "app/detect_sim.h"

#include "core/controls.h"
#include "core/exceptions.h"
#include "core/log.h"
#include "core/message_sink.h"
#include "core/parameters.h"
#include "core/sim_detection.h"

#include <fmt/format.h>
#include <initializer_list>

namespace {

constexpr const char* kNoInstallPath =
    "No P3D install path detected, type full Install Path above, and press Enter";

[[noreturn]] void lf_noInstallPath() {
    lf_setSimInstallPath("");
    throw ksb::UserErrorException(151, kNoInstallPath);
}

bool lf_anyFolderParameterSet() {
    for (const StringParameter* parameter :
         {&lfolder0, &lfolder1, &lfolder2, &lfolder3, &lfolder4, &lfolder5, &lfolder6,
          &lfolder7, &lfolder8, &lfolder9, &afolder0, &afolder1, &afolder2, &afolder3,
          &afolder4, &afolder5, &afolder6, &afolder7, &afolder8, &afolder9}) {
        if (!parameter->value().empty()) {
            return true;
        }
    }
    return false;
}

} // namespace

void lf_detectSimVersion() {
    const bool v5 = gf_p3dInstalled(5);
    const bool v6 = gf_p3dInstalled(6);
    if (v5 && v6) {
        throw ksb::UserErrorException(153, "More than one P3D version detected, type full Install "
                                           "Path to wanted version above and press Enter");
    }
    if (v5 || v6) {
        const int version = v5 ? 5 : 6;
        gf_log(fmt::format("P3Dv{}detected", version));
        const std::string path = gf_getP3dSetupPath(version);
        if (path.empty()) {
            lf_noInstallPath();
        }
        // Shown for this run; only a path the user enters is saved.
        SIM_INSTALL_PATH.assign(path);
        lf_showTextParameter(SIM_INSTALL_PATH);
        return;
    }
    gf_showMessage("P3D not detected?", true);
    if (lf_anyFolderParameterSet()) {
        return;
    }
    lf_noInstallPath();
}
