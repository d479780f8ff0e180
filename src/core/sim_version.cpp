#include "core/sim_version.h"

#include "core/exceptions.h"
#include "core/parameters.h"

#include <fmt/format.h>
#include <string_view>

namespace {

bool lf_containsEither(std::string_view text, std::string_view a, std::string_view b) {
    return text.find(a) != std::string_view::npos || text.find(b) != std::string_view::npos;
}

} // namespace

std::string gf_simVersionFromInstallPath() {
    // The install path is a Windows path text; the test is on the text, never on a file.
    const std::string path = SIM_INSTALL_PATH.value();
    if (lf_containsEither(path, "v5", "V5")) {
        return "5";
    }
    if (lf_containsEither(path, "v6", "V6")) {
        return "6";
    }
    const std::int32_t version = P3D_VERSION.value();
    if (version > 4) {
        return fmt::format("{}", version);
    }
    throw ksb::UserErrorException(
        77, fmt::format("P3D install path does not contain v5 or v6? Use hidden parameter {}, set "
                        "it at 5 or 6",
                        P3D_VERSION.name()));
}
