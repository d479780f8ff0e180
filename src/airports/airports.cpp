#include "airports/airports.h"

// PLACEHOLDER ("Add-on airport scan"): a scan that found nothing.
bool gf_scanAddonAirports(bool, std::vector<std::string>&) {
    return false;
}
