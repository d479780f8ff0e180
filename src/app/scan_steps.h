#pragma once
// The two scans of start-up, when they are due: the liveries and the add-on airports.
#include <filesystem>
#include <string>
#include <vector>

// stockAirportsPath = SIM_INSTALL_PATH's text, one '\' and "Scenery"; warns when that folder does
// not exist.
void lf_checkStockAirportsPath();
// The stock scenery text for an install path text (no separator after an empty text or one that
// ends in '\' or '/').
std::string lf_stockAirportsPathFor(const std::string& installPath);
// folders = the non-empty afolder values in order; user error 42 for one inside the stock
// airports (never while SIM_INSTALL_PATH is empty).
void lf_checkAddonAirportFolder(std::vector<std::string>& folders);
// Removes the regular files directly in the folder (when it is one); a file not removed is
// logged. A file-system failure becomes user error 5.
void lf_emptyFolder(const std::filesystem::path& folder);
// Scans (rescan) or loads the liveries; a successful rescan clears SCAN_LIVERIES.
void lf_scanLiveriesStep(bool rescan);
// Scans for add-on airports into emptied airports/my_ORBX and airports/my_thirdparty; a scan that
// found some clears SCAN_AIRPORTS.
void lf_scanAirportsStep();
