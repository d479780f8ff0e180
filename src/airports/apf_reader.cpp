// Reading the stands and parameters of a loaded airport file or learned file.
#include "airports/airport_files.h"

#include "catalogue/catalogue.h"
#include "core/exceptions.h"
#include "core/geodesy.h"
#include "core/parameters_file.h"
#include "core/strings.h"
#include "core/xml_attributes.h"

#include <fmt/format.h>

#include <optional>
#include <tuple>
#include <unordered_set>

namespace {

// Archive files hold up to this many observations on a busy stand.
constexpr std::size_t kObservationsReserved = 128;

// Options recorded for a tow, not for a parked aircraft.
bool lf_isTow(const std::string& callsign) {
    return callsign.starts_with("TOW ");
}

// One <opt>, or nothing for a tow. The sequence number is the caller's.
std::optional<StandObservation> lf_readObservation(pugi::xml_node opt) {
    // A tow's option is skipped whole: no database lookup, no warning about its half hours. The
    // prefix holds no ':', so the whole "cs" text begins with it exactly when the callsign does.
    if (lf_isTow(gf_getAttributeValue(opt, "cs"))) {
        return std::nullopt;
    }
    return lf_readOpt(opt);
}

std::vector<StandObservation> lf_readObservations(pugi::xml_node parkpos) {
    std::vector<StandObservation> observations;
    observations.reserve(kObservationsReserved);
    for (pugi::xml_node opt : parkpos.children("opt")) {
        if (auto observation = lf_readObservation(opt)) {
            observation->sequenceNumber = static_cast<std::uint32_t>(observations.size() + 1);
            observations.push_back(std::move(*observation));
        }
    }
    observations.shrink_to_fit();
    return observations;
}

} // namespace

StandObservation lf_readOpt(pugi::xml_node opt) {
    StandObservation observation;
    observation.callsign =
        gf_splitAtColon(gf_getAttributeValue(opt, "cs"), observation.coupledCallsign);
    observation.registration = gf_getAttributeValue(opt, "reg");
    if (const auto record = gf_dbaseRecordOfReg(observation.registration)) {
        observation.airline = record->operatorCode.empty() ? record->airline : record->operatorCode;
        observation.type = record->type;
    } else {
        std::tie(observation.airline, observation.type) = lf_readObservationTypes(opt);
    }
    observation.soft = gf_getAttributeBool(opt, "soft");
    observation.day = opt.attribute("day").as_int();
    observation.halfHours = lf_hours2bitset(gf_getAttributeValue(opt, "hh"));
    return observation;
}

std::pair<std::string, std::string> lf_readObservationTypes(pugi::xml_node opt) {
    return {gf_getAttributeValue(opt, "airl"), gf_getAttributeValue(opt, "type")};
}

void lf_readParkPositions(const pugi::xml_document& doc, std::vector<ParkPosition>& stands) {
    const pugi::xml_node parkpositions = doc.child("parkpositions");
    std::unordered_set<std::string> ids;
    for (pugi::xml_node parkpos : parkpositions.children("parkpos")) {
        std::string id = gf_getAttributeValue(parkpos, "id");
        if (!ids.insert(id).second) {
            throw ksb::UserErrorException(
                94, fmt::format("Parking position {} appears more than once?", id));
        }
        stands.push_back(lf_readStand(parkpos, std::move(id), lf_readObservations(parkpos)));
    }
}

ParkPosition lf_readStand(pugi::xml_node parkpos, std::string&& id,
                          std::vector<StandObservation>&& observations) {
    const double latitude = gf_getAttributeDouble(parkpos, "latitude");
    const double longitude = gf_getAttributeDouble(parkpos, "longitude");
    const double radiusMetres = gf_getAttributeDouble(parkpos, "radius");
    const bool heli = gf_getAttributeBool(parkpos, "heli");
    const bool ramp = gf_getAttributeBool(parkpos, "ramp");
    const bool cargo = gf_getAttributeBool(parkpos, "cargo");
    const double heading = gf_getAttributeDouble(parkpos, "heading") * kRadiansPerDegree;
    return ParkPosition(std::move(observations), std::move(id), latitude, longitude, heading,
                        radiusMetres, cargo, ramp, heli);
}

std::optional<bool> gf_readBoolParameter(const pugi::xml_document& doc, std::string_view name) {
    const pugi::xml_node node = gf_findParameterNode(doc, name);
    if (!node) {
        return std::nullopt;
    }
    return gf_getAttributeBool(node, "value");
}

std::optional<std::int32_t> gf_readIntParameter(const pugi::xml_document& doc,
                                                std::string_view name) {
    const pugi::xml_node node = gf_findParameterNode(doc, name);
    if (!node) {
        return std::nullopt;
    }
    return node.attribute("value").as_int();
}

std::optional<std::string> gf_readStringParameter(const pugi::xml_document& doc,
                                                  std::string_view name) {
    const pugi::xml_node node = gf_findParameterNode(doc, name);
    if (!node) {
        return std::nullopt;
    }
    return gf_getAttributeValue(node, "value");
}
