#pragma once
// The airports-and-stands services that the application calls.
#include <string>
#include <vector>

// Loads input/airports_p3d.xml into the airports list on its first successful call in the
// process. A missing or bad file throws ksb::UserErrorException 87 or 88.
void gf_readAirports();
// The add-on airport scan: automatic discovery when automatic is set, else over the given afolder
// texts (the discovery appends to them). Writes into airports/my_ORBX and airports/my_thirdparty,
// which the caller has emptied; ends early on an exit or a stop. True when it found add-on
// airports.
bool gf_scanAddonAirports(bool automatic, std::vector<std::string>& folders);
// Closes the park airport (its airport file is saved first when it changed); the exit calls it
// once before it waits for the workers.
void gf_resetParkAirport();
