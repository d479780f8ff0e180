#pragma once
// Every process-wide value of the airports subsystem, so that tests can set all of them back
// with gf_resetAirportsGlobals().
#include "core/airport_records.h"

#include <vector>

// The world's airports, sorted by code; read once per process, read-only after that.
extern std::vector<Airport> airportsList;
// Set by the first successful read; restarts keep it.
extern bool airportsListLoaded;

// The airports list empty and unread again, and the park-airport state at its start values.
void gf_resetAirportsGlobals();
