#pragma once

// Fills SIM_INSTALL_PATH (shown, not saved) from the one installed simulator version 5 or 6.
// User error 153 when both are installed, 151 when the install path stays unknown; with neither
// installed but a folder parameter set, start-up goes on without an install path.
void lf_detectSimVersion();
