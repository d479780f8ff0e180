#pragma once
// Neighbours of start-up that other subsystems will bring; until then placeholders stand in their
// place, wired in gf_wireStartupServices. Each goes when its subsystem brings the real one.
#include <string>
#include <vector>

// input/fixes.xml.
bool gf_readFixesXml();
// The livery scan driver.
bool gf_scanLiveries(bool doScan, bool addOnPackages, bool prioritized,
                     std::vector<std::string>& rootFolders);
