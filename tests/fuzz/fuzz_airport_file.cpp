// The stand reader on arbitrary airport files: the bytes are loaded as XML and their stands read
// against an empty aircraft database; every "hh" value also goes through the half-hour reader.
// Nothing may crash, user error 94 is the only exception that may leave the reader, and no
// stand or observation may come out with a value the program could not use. Nothing here reads
// dbase.xml, so the database stays empty.
#include "airports/airports.h"
#include "core/exceptions.h"

#include <pugixml.hpp>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

void lf_check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void lf_checkStand(const ParkPosition& stand) {
    for (const double value : {stand.latitude, stand.longitude, stand.heading, stand.radius}) {
        lf_check(std::isfinite(value));
    }
    lf_check(stand.standId == 0 && !stand.manual && stand.realSearchMap.empty());
    lf_check(stand.observations.capacity() == stand.observations.size());
    for (std::size_t i = 0; i < stand.observations.size(); ++i) {
        const StandObservation& seen = stand.observations[i];
        lf_check(seen.sequenceNumber == i + 1);
        lf_check(!seen.callsign.starts_with("TOW "));
        lf_check(!seen.learned && !seen.testTraffic);
        // The text form reads back to the same set.
        lf_check(lf_hours2bitset(gf_bitset2hours(seen.halfHours)) == seen.halfHours);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pugi::xml_document doc;
    if (!doc.load_buffer(data, size)) {
        return 0;
    }
    for (const pugi::xpath_node opt : doc.select_nodes("//opt[@hh]")) {
        (void)lf_hours2bitset(opt.node().attribute("hh").value());
    }
    std::vector<ParkPosition> stands;
    try {
        lf_readParkPositions(doc, stands);
    } catch (const ksb::UserErrorException& e) {
        lf_check(std::string_view(e.what()).starts_with("94: Parking position "));
    }
    for (const ParkPosition& stand : stands) {
        lf_checkStand(stand);
    }
    (void)gf_readIntParameter(doc, "num_parkpos");
    (void)gf_readBoolParameter(doc, "handmade");
    (void)gf_readStringParameter(doc, "publisher");
    return 0;
}
