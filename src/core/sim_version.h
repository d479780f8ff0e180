#pragma once
#include <string>

// "5" when SIM_INSTALL_PATH's text contains "v5" or "V5", else "6" for "v6" or "V6", else
// P3D_VERSION's value when it is above 4. Throws ksb::UserErrorException 77 when none of these
// gives a version.
std::string gf_simVersionFromInstallPath();
