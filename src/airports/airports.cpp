#include "airports/airports.h"

// PLACEHOLDER ("Park-airport load, learned files and save"): no park airport is ever loaded yet.
void gf_resetParkAirport() {}
