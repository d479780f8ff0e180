// Writing generated airport files and learned files.
#include "airports/airport_files.h"

#include "catalogue/catalogue.h"
#include "core/atomic_file.h"
#include "core/geodesy.h"
#include "core/meta_block.h"
#include "core/parameters.h"
#include "core/parameters_file.h"

#include <fmt/format.h>

#include <exception>
#include <ostream>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kUnknownPublisher = "unknown";

bool lf_appendAttribute(pugi::xml_node element, const char* name, const std::string& value) {
    pugi::xml_attribute attribute = element.append_attribute(name);
    return attribute && attribute.set_value(value.c_str());
}

bool lf_appendTrue(pugi::xml_node element, const char* name) {
    return lf_appendAttribute(element, name, "true");
}

bool lf_appendBool(pugi::xml_node element, const char* name, bool value) {
    return lf_appendAttribute(element, name, value ? "true" : "false");
}

std::string lf_radiusText(const ParkPosition& stand) {
    return fmt::format("{:.1F}", stand.radius * kMetresPerNM);
}

// The learned file's copy of the settings an airport may have of its own.
bool lf_writeSettings(pugi::xml_node parameters) {
    bool written =
        lf_appendNumParameterNode(parameters, LATERAL_RANGE.name(), LATERAL_RANGE.value()) &&
        lf_appendBoolParameterNode(parameters, AUTO_RANGE.name(), AUTO_RANGE.value()) &&
        lf_appendBoolParameterNode(parameters, WEEK.name(), WEEK.value()) &&
        lf_appendBoolParameterNode(parameters, PARK_FAKE.name(), PARK_FAKE.value()) &&
        lf_appendBoolParameterNode(parameters, PARK_SOFT.name(), PARK_SOFT.value()) &&
        lf_appendNumParameterNode(parameters, parking_percentage.name(),
                                  parking_percentage.value()) &&
        lf_appendBoolParameterNode(parameters, INITIAL_LOAD_ONLY.name(),
                                   INITIAL_LOAD_ONLY.value()) &&
        lf_appendNumParameterNode(parameters, MAX_FIT.name(), MAX_FIT.value()) &&
        lf_appendBoolParameterNode(parameters, RT_PARKTRAFFIC_ONLY.name(),
                                   RT_PARKTRAFFIC_ONLY.value());
    const std::int32_t maxLive = MAX_LIVE.value();
    if (written && maxLive != MAX_LIVE.defaultValue()) {
        written = lf_appendNumParameterNode(parameters, MAX_LIVE.name(), maxLive);
    }
    return written && lf_appendBoolParameterNode(parameters, LEARN_SOFT.name(), LEARN_SOFT.value());
}

bool lf_writeFullRecord(pugi::xml_node parkpos, const ParkPosition& stand) {
    bool written =
        lf_appendAttribute(parkpos, "latitude", fmt::format("{:.6f}", stand.latitude)) &&
        lf_appendAttribute(parkpos, "longitude", fmt::format("{:.6f}", stand.longitude)) &&
        lf_appendAttribute(parkpos, "heading",
                           fmt::format("{:.1F}", stand.heading * kDegreesPerRadian)) &&
        lf_appendAttribute(parkpos, "radius", lf_radiusText(stand));
    written = written && (stand.heli ? lf_appendTrue(parkpos, "heli")
                                     : lf_appendBool(parkpos, "cargo", stand.cargo));
    written = written && lf_appendBool(parkpos, "ramp", stand.ramp);
    if (written && stand.manual) {
        written = lf_appendTrue(parkpos, "manual");
    }
    return written;
}

// What the learned file changes of an archived stand.
bool lf_writeChangeRecord(pugi::xml_node parkpos, const ParkPosition& stand) {
    bool written = true;
    if (stand.radiusChanged) {
        written = lf_appendTrue(parkpos, "radius_change") &&
                  lf_appendAttribute(parkpos, "radius", lf_radiusText(stand));
    }
    if (written && stand.cargoChanged) {
        written =
            lf_appendTrue(parkpos, "cargo_change") && lf_appendBool(parkpos, "cargo", stand.cargo);
    }
    return written;
}

bool lf_isKnownRegistration(const std::string& registration) {
    return !registration.empty() && gf_dbaseRecordOfReg(registration).has_value();
}

} // namespace

bool lf_writeApfParameters(pugi::xml_node document, const ScannedAirport& airport, bool learned,
                           bool handmade) {
    pugi::xml_node parameters = document.append_child("parameters");
    if (!parameters) {
        return false;
    }
    bool written = lf_appendParameterNode(parameters, "airport_name", airport.airportName) &&
                   lf_appendParameterNode(parameters, "publisher", airport.publisher);
    if (written && handmade) {
        written = lf_appendBoolParameterNode(parameters, "handmade", true);
    }
    if (written && (!learned || handmade)) {
        written = lf_appendNumParameterNode(parameters, "altitude", airport.altitude);
    }
    written =
        written && lf_appendNumParameterNode(parameters, "num_parkpos",
                                             static_cast<std::int32_t>(airport.stands.size()));
    if (written && handmade) {
        written = lf_appendNumParameterNode(parameters, "Qf_real", airport.realQualityFactor) &&
                  lf_appendNumParameterNode(parameters, "Qf_soft", airport.softQualityFactor);
    }
    if (written && airport.publisher == kUnknownPublisher) {
        written = lf_appendParameterNode(parameters, "BGLpath", airport.bglPath);
    }
    if (written && learned) {
        written = lf_writeSettings(parameters);
    }
    return written;
}

bool lf_writeObservation(pugi::xml_node parkpos, const StandObservation& observation) {
    if (observation.sequenceNumber == 0 || observation.testTraffic) {
        return true;
    }
    pugi::xml_node opt = parkpos.append_child("opt");
    bool written = opt && lf_appendAttribute(opt, "reg", observation.registration);
    // A registration the database knows gives its airline and type when read back.
    if (written && !lf_isKnownRegistration(observation.registration)) {
        written = lf_appendAttribute(opt, "airl", observation.airline) &&
                  lf_appendAttribute(opt, "type", observation.type);
    }
    if (written && observation.soft) {
        written = lf_appendTrue(opt, "soft");
    }
    written = written && lf_appendAttribute(opt, "day", fmt::format("{}", observation.day)) &&
              lf_appendAttribute(opt, "hh", gf_bitset2hours(observation.halfHours));
    std::string callsigns = observation.callsign;
    if (!observation.coupledCallsign.empty()) {
        callsigns += ':' + observation.coupledCallsign;
    }
    if (written && !callsigns.empty()) {
        written = lf_appendAttribute(opt, "cs", callsigns);
    }
    return written;
}

bool lf_writeParkPos(pugi::xml_node parkpositions, const ParkPosition& stand, bool learned,
                     bool handmade) {
    pugi::xml_node parkpos = parkpositions.append_child("parkpos");
    if (!parkpos || !lf_appendAttribute(parkpos, "id", stand.name)) {
        return false;
    }
    // A handmade learned file is read back as a whole airport file.
    const bool full = !learned || handmade || stand.manual;
    if (!(full ? lf_writeFullRecord(parkpos, stand) : lf_writeChangeRecord(parkpos, stand))) {
        return false;
    }
    if (!learned) {
        return true;
    }
    for (const StandObservation& observation : stand.observations) {
        if (!lf_writeObservation(parkpos, observation)) {
            return false;
        }
    }
    return true;
}

bool gf_saveApf(const ScannedAirport& airport, const fs::path& path, bool learned, bool handmade) {
    pugi::xml_document doc;
    if (!gf_writeMeta(doc) || !lf_writeApfParameters(doc, airport, learned, handmade)) {
        return false;
    }
    pugi::xml_node parkpositions = doc.append_child("parkpositions");
    if (!parkpositions) {
        return false;
    }
    for (const ParkPosition& stand : airport.stands) {
        if (!lf_writeParkPos(parkpositions, stand, learned, handmade)) {
            return false;
        }
    }
    try {
        // Written beside the old file and renamed over it, so a failed write loses nothing.
        return gf_replaceFileAtomically(path, [&doc](std::ostream& out) { doc.save(out); });
    } catch (const std::exception&) {
        return false;
    }
}
