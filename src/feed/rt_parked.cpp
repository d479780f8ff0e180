#include "feed/rt_parked.h"

#include "core/exceptions.h"
#include "core/geodesy.h"
#include "core/log.h"
#include "core/number_parse.h"
#include "core/parameters.h"
#include "core/time_of_week.h"
#include "feed/feed_services.h"
#include "feed/json_record.h"
#include "feed/rt_request.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <set>
#include <utility>

namespace {

using ksb::gf_recordElement;
using ksb::RtAnswer;
using ksb::RtRequest;
using nlohmann::json;

// Three nautical miles at 111.2 km a degree, and in feet.
constexpr double kBoxHalfHeight = 0.04996402877697842;
constexpr double kBoxHalfWidthFeet = 18228.34647;
// 2100-01-01: the cut to whole seconds stays in range below it.
constexpr double kLatestLastSeen = 4102444800.0;

// Record indices of a parked aircraft.
enum : std::size_t {
    pLatitude = 0,
    pLongitude = 1,
    pStand = 2,
    pType = 3,
    pRegistration = 4,
    pLastSeen = 5,
    pCallsign = 6,
};

constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kTypeReplacements{{
    {"A380", "A388"},
    {"B767", "B763"},
    {"B747", "B744"},
    {"B757", "B752"},
}};

std::string lf_parkedText(const json& record, std::size_t index) {
    const json& value = gf_recordElement(record, index);
    return value.is_string() ? value.get<std::string>() : std::string();
}

// The half-hour slot of "last seen"; a value that is no number, or one outside 1970..2100,
// breaks the record.
int lf_lastSeenSlot(const json& record) {
    const json& value = gf_recordElement(record, pLastSeen);
    if (!value.is_number()) {
        throw json::type_error::create(
            302, fmt::format("type must be number, but is {}", value.type_name()), &value);
    }
    const double seconds = value.get<double>();
    if (!(seconds >= 0.0 && seconds <= kLatestLastSeen)) {
        throw json::out_of_range::create(406, fmt::format("last seen {} out of range", seconds),
                                         &value);
    }
    return gf_halfHourOf(std::trunc(seconds));
}

std::string lf_readType(const json& record) {
    std::string type = lf_parkedText(record, pType);
    if (type == "0" || type == "ZZZZ") {
        return {};
    }
    for (const auto& [from, to] : kTypeReplacements) {
        if (type == from) {
            return std::string(to);
        }
    }
    return type;
}

std::string lf_readCallsign(const json& record) {
    std::string callsign = lf_parkedText(record, pCallsign);
    if (callsign == "null" || callsign.find('@') != std::string::npos ||
        callsign.find("00000") != std::string::npos || callsign.size() > 8) {
        return {};
    }
    if (!callsign.empty() && callsign.front() == '.') {
        callsign.erase(0, 1);
    }
    return callsign;
}

// Any JSON number within range, as live records read them.
std::optional<double> lf_coordinate(const json& record, std::size_t index) {
    const json& value = gf_recordElement(record, index);
    if (!value.is_number()) {
        return std::nullopt;
    }
    const double number = value.get<double>();
    return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

bool lf_categoryAdmitted(int category) {
    switch (static_cast<AircraftCategory>(category)) {
    case AircraftCategory::buzjet:
    case AircraftCategory::large:
    case AircraftCategory::heavy:
        return true;
    case AircraftCategory::light:
        return LIGHT_AIRCRAFT.value();
    case AircraftCategory::rotorcraft:
        return HELICOPTERS.value();
    case AircraftCategory::highPerformance:
        return HIGH_PERF_AIRCRAFT.value();
    }
    return false;
}

// The steps of one record into the buffer; false drops it.
bool lf_parseParked(ParkedFlight& flight, const std::string& key, const json& record,
                    const ksb::ParkedContext& context) {
    if (!record.is_array()) {
        throw json::type_error::create(
            302, fmt::format("type must be array, but is {}", record.type_name()), &record);
    }
    const ksb::FeedServices& services = ksb::gf_feedServices();
    flight.airline.clear();
    const std::optional<std::uint32_t> id = gf_parseHexId(key);
    if (!id || *id <= 10000) {
        return false;
    }
    flight.flightId = *id;
    flight.age = lf_lastSeenSlot(record);
    flight.registration = lf_readParkedText4(record);
    flight.type = lf_readType(record);

    const std::optional<double> latitude = lf_coordinate(record, pLatitude);
    const std::optional<double> longitude = lf_coordinate(record, pLongitude);
    if (!latitude || !longitude) {
        return false;
    }
    flight.latitude = *latitude;
    flight.longitude = *longitude;
    if (flight.latitude < -90.0 || flight.latitude > 90.0 || flight.longitude < -180.0 ||
        flight.longitude > 180.0 ||
        !gf_isValidPosition(Position{flight.latitude, flight.longitude})) {
        return false;
    }
    flight.callsign = lf_readCallsign(record);

    if (!flight.registration.empty()) {
        std::optional<DbaseRecord> hit;
        for (const std::string& spelling : services.registrationVariants(flight.registration)) {
            if (services.dbaseLookup(hit, spelling)) {
                break;
            }
        }
        if (hit) {
            flight.airline = hit->airline;
            flight.type = hit->type;
            if (!hit->operatorCode.empty()) {
                flight.airline = hit->operatorCode;
            }
            if (flight.callsign.empty()) {
                flight.callsign = flight.registration;
            }
        }
    }
    if (!services.isKnownType(flight.type) ||
        !lf_categoryAdmitted(services.typeCategory(flight.type))) {
        return false;
    }
    flight.coupledSearchDone = false;
    const json& stand = gf_recordElement(record, pStand);
    if (!stand.is_string()) {
        return false;
    }
    flight.stand = stand.get<std::string>();
    // An empty stand name says nothing about where the user stands.
    if (!flight.stand.empty() &&
        (flight.stand == context.reservedStand || flight.stand == context.userStand)) {
        return false;
    }
    return true;
}

// Youngest first; one record per stand (two empty names are the same stand) and per callsign.
void lf_ageSortAndThin(std::vector<ParkedFlight>& records) {
    const int now = gf_currentHalfHour();
    for (ParkedFlight& record : records) {
        record.age = now - record.age;
        if (record.age < 0) {
            record.age += 48;
        }
    }
    if (!RT_PARKTRAFFIC_ONLY.value()) {
        const int oldest = MAX_FIT.value();
        std::erase_if(records, [oldest](const ParkedFlight& r) { return r.age > oldest; });
    }
    std::stable_sort(records.begin(), records.end(),
                     [](const ParkedFlight& a, const ParkedFlight& b) { return a.age < b.age; });
    std::set<std::string> stands;
    std::set<std::string> callsigns;
    std::vector<ParkedFlight> kept;
    kept.reserve(records.size());
    for (ParkedFlight& record : records) {
        if (stands.contains(record.stand) ||
            (!record.callsign.empty() && callsigns.contains(record.callsign))) {
            continue;
        }
        stands.insert(record.stand);
        if (!record.callsign.empty()) {
            callsigns.insert(record.callsign);
        }
        kept.push_back(std::move(record));
    }
    records = std::move(kept);
}

} // namespace

namespace ksb {

ParkedContext gf_rtParkedContext() {
    const FeedServices& services = gf_feedServices();
    ParkedContext context;
    context.reservedStand = services.reservedStandName();
    const UserPosition user = services.userPosition();
    context.userStand = services.standNameAt(user.latitude, user.longitude);
    return context;
}

} // namespace ksb

std::string lf_readParkedText4(const json& record) {
    std::string registration = lf_parkedText(record, pRegistration);
    if (registration.size() > 12 || registration == "null") {
        return {};
    }
    return registration;
}

void lf_processParkedLine(ksb::RtTrafficClient& client, const std::string& key, const json& record,
                          const ksb::ParkedContext& context) {
    ParkedFlight& flight = client.parkedRecord;
    flight = ParkedFlight{};
    try {
        if (lf_parseParked(flight, key, record, context)) {
            client.parkedRecords.push_back(flight);
        }
    } catch (const ksb::SysErrorException&) {
    } catch (const std::exception& e) {
        gf_log(fmt::format("exception in processLine: {}", e.what()));
    }
}

bool lf_rtParkedTraffic(ksb::RtTrafficClient& client, std::int64_t& status, bool& aborted) {
    status = 0;
    aborted = false;
    client.parkedRecords.clear();
    const std::string guid = client.guid();
    if (guid.empty()) {
        return false;
    }
    const ksb::FeedServices& services = ksb::gf_feedServices();
    const RtAnswer answer = ksb::gf_rtPost(
        RtRequest::parkedTraffic,
        ksb::gf_rtParkedTrafficBody(guid, client.parkedQueryBox, client.toffset.load()),
        services.exitRequested);
    if (answer.outcome == RtAnswer::Outcome::aborted) {
        aborted = true;
        return false;
    }
    if (answer.outcome != RtAnswer::Outcome::answered) {
        return false;
    }
    bool result = false;
    const bool handled = ksb::gf_rtHandleAnswer(
        RtRequest::parkedTraffic, answer, [&](const json& reply, const std::string&) {
            status = ksb::gf_rtStatus(reply);
            if (status != 200) {
                return;
            }
            const auto data = reply.find("data");
            if (data != reply.end() && !data->is_null()) {
                if (!data->is_object()) {
                    throw json::type_error::create(
                        302, fmt::format("type must be object, but is {}", data->type_name()),
                        &*data);
                }
                const ksb::ParkedContext context = ksb::gf_rtParkedContext();
                for (const auto& member : data->items()) {
                    lf_processParkedLine(client, member.key(), member.value(), context);
                }
            }
            result = true;
        });
    if (!handled || !result) {
        client.parkedRecords.clear();
        return false;
    }
    return true;
}

bool gf_rtGetParkedTraffic() {
    ksb::RtTrafficClient& client = rtTrafficClient;
    const ksb::ParkAirportSnapshot park = ksb::gf_feedServices().parkAirport();
    const Position centre{park.latitude, park.longitude};
    client.parkedQueryBox.top = park.latitude + kBoxHalfHeight;
    client.parkedQueryBox.bottom = park.latitude - kBoxHalfHeight;
    client.parkedQueryBox.left =
        gf_destinationPoint(centre, -std::numbers::pi / 2.0, kBoxHalfWidthFeet).longitude;
    client.parkedQueryBox.right =
        gf_destinationPoint(centre, std::numbers::pi / 2.0, kBoxHalfWidthFeet).longitude;

    std::int64_t status = 0;
    bool aborted = false;
    if (lf_rtParkedTraffic(client, status, aborted)) {
        lf_ageSortAndThin(client.parkedRecords);
        return true;
    }
    if (aborted) {
        return false;
    }
    if (status == 400) {
        throw ksb::SysErrorException(400, "RT API parameter fault");
    }
    if (status == 401) {
        gf_logLine(
            fmt::format("RT Parked traffic: re-authentication to RT API is needed {}", "KSBY_P3D"));
        return false;
    }
    gf_logLine(fmt::format("RT parkedtraffic error status: {}", status));
    return false;
}
