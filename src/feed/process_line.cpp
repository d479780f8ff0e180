#include "feed/process_line.h"

#include "core/geodesy.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/number_parse.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "feed/feed_services.h"
#include "feed/json_record.h"

#include <fmt/format.h>

#include <array>
#include <cmath>
#include <string_view>

namespace {

using ksb::gf_recordElement;
using nlohmann::json;

constexpr double kTwoPi = 6.283185307179586;

// Record indices.
enum : std::size_t {
    iFlightId = 0,
    iLatitude = 1,
    iLongitude = 2,
    iTrack = 3,
    iBaroAltitude = 4,
    iGroundSpeed = 5,
    iLetter = 7,
    iType = 8,
    iRegistration = 9,
    iTimeStamp = 10,
    iDeparture = 11,
    iDestination = 12,
    iCallsign = 13,
    iVerticalRate = 15,
    iSource = 17,
    iSecondAltitude = 18,
    iTrueAirspeed = 20,
    iRoll = 23,
    iTrueHeading = 25,
    iCategory = 28,
};

// Any JSON number, integer or floating; everything else (a text such as "160" included) is no
// number.
std::optional<double> lf_number(const json& record, std::size_t index) {
    const json& value = gf_recordElement(record, index);
    if (!value.is_number()) {
        return std::nullopt;
    }
    const double number = value.get<double>();
    if (!std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

bool lf_isNullText(std::string_view text) {
    if (text.size() != 4) {
        return false;
    }
    constexpr std::string_view null = "null";
    for (std::size_t i = 0; i < 4; ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != null[i]) {
            return false;
        }
    }
    return true;
}

// A JSON string; the service writes a missing text as "null", which reads as empty like any
// other kind of value.
std::string lf_text(const json& record, std::size_t index) {
    const json& value = gf_recordElement(record, index);
    if (!value.is_string()) {
        return {};
    }
    const auto& text = value.get_ref<const std::string&>();
    if (lf_isNullText(text)) {
        return {};
    }
    return text;
}

bool lf_readRegistration(ksb::RtTrafficClient& client, const json& record) {
    LiveFlight& flight = client.liveRecord;
    flight.registration = lf_text(record, iRegistration);
    if (flight.registration.size() > 12) {
        flight.registration.clear();
    }
    return !(flight.registration.empty() && lf_text(record, iLetter) == "F");
}

bool lf_isWantedFlight(const ksb::RtTrafficClient& client, const json& record) {
    static constexpr std::array<std::string_view, 5> unwantedCategories{"B1", "B2", "B4", "C1",
                                                                        "C2"};
    static constexpr std::array<std::string_view, 6> unwantedTypes{"GRND", "GLID", "SERV",
                                                                   "BALL", "PARA", "SHIP"};
    const std::string category = lf_text(record, iCategory);
    for (const std::string_view c : unwantedCategories) {
        if (category == c) {
            return false;
        }
    }
    for (const std::string_view t : unwantedTypes) {
        if (client.liveRecord.type == t) {
            return false;
        }
    }
    return true;
}

bool lf_readFlightId(ksb::RtTrafficClient& client, const json& record) {
    const std::optional<std::uint32_t> id = gf_parseHexId(lf_text(record, iFlightId));
    if (!id || *id <= 10000) {
        return false;
    }
    client.liveRecord.flightId = *id;
    return true;
}

// reported: index 4, else index 18, when either is a number.
void lf_readAltitude(ksb::RtTrafficClient& client, std::optional<double> reported,
                     const ksb::FeedContext& context) {
    LiveFlight& flight = client.liveRecord;
    double a = reported.value_or(0.0);
    if (a <= 0.0) {
        flight.altitude = 0.0;
        return;
    }
    a += (context.qnh - 1013) * 30.0;
    if (a < 0.0) {
        a = 0.0;
    }
    if (a > 0.0 && a < 14000.0) {
        const double elevation = context.parkElevation.value_or(-1000.0);
        const double h = a - elevation;
        const double gs = flight.groundSpeed;
        if (h <= 0.0 || (h <= 45.0 && gs <= 120.0) || (h <= 90.0 && gs <= 80.0) ||
            (h <= 120.0 && gs <= 43.0)) {
            a = 0.0;
        }
    }
    if (flight.groundSpeed <= 35.0) {
        a = 0.0;
    }
    flight.altitude = a;
}

void lf_blockNotice(ksb::RtTrafficClient& client, const std::string& blockCallsign) {
    const ksb::FeedServices& services = ksb::gf_feedServices();
    if (client.blockFlag.load()) {
        client.blockFlag.store(false);
        lastBlockedCallsign = blockCallsign;
        SimInboundRecord removal;
        removal.objectId = 0;
        removal.flightKeyOrOnGround = client.liveRecord.flightId;
        removal.counter = 0;
        removal.kind = SimInboundKind::blockedCallsign;
        services.postSimEvent(removal);
        services.showMessage("Reader: Live aircraft " + lastBlockedCallsign + " blocked", true);
    } else if (lastBlockedCallsign != blockCallsign) {
        services.showMessage("Reader: Live aircraft " + lastBlockedCallsign + " no longer blocked",
                             true);
        client.blockFlag.store(true);
        lastBlockedCallsign.clear();
    }
}

bool lf_checkCallsign(ksb::RtTrafficClient& client, const json& record,
                      const ksb::FeedContext& context) {
    std::string& callsign = client.liveRecord.callsign;
    callsign = lf_text(record, iCallsign);
    if (callsign.find('@') != std::string::npos) {
        callsign.clear();
    }
    if (callsign.empty()) {
        return true;
    }
    if (callsign.starts_with(towPrefix) || callsign == "ERARMTR0") {
        return false;
    }
    if (context.blockCallsign.empty() || context.blockCallsign != callsign) {
        return true;
    }
    lf_blockNotice(client, context.blockCallsign);
    return false;
}

double lf_airspeedForAltitude(double altitude) {
    if (altitude <= 2000.0) {
        return 180.0;
    }
    if (altitude <= 5000.0) {
        return 220.0;
    }
    if (altitude <= 10000.0) {
        return 250.0;
    }
    if (altitude <= 20000.0) {
        return 350.0;
    }
    return 430.0;
}

// The steps of one record; false drops it.
bool lf_parse(ksb::RtTrafficClient& client, const json& record, const ksb::FeedContext& context) {
    if (!record.is_array()) {
        throw json::type_error::create(
            302, fmt::format("type must be array, but is {}", record.type_name()), &record);
    }
    LiveFlight& flight = client.liveRecord;

    const std::optional<double> timeStamp = lf_number(record, iTimeStamp);
    if (!timeStamp) {
        return false;
    }
    flight.timeStamp = *timeStamp;
    lastFeedTimeStamp.store(*timeStamp);

    if (!lf_readRegistration(client, record)) {
        return false;
    }
    flight.airline.clear();
    flight.type = lf_text(record, iType);
    if (flight.type == "0" || flight.type == "ZZZZ") {
        flight.type.clear();
    }
    if (!lf_isWantedFlight(client, record)) {
        return false;
    }

    const std::optional<double> latitude = lf_number(record, iLatitude);
    const std::optional<double> longitude = lf_number(record, iLongitude);
    if (!latitude || !longitude) {
        return false;
    }
    flight.latitude = *latitude;
    flight.longitude = *longitude;
    const Position position{flight.latitude, flight.longitude};
    if (flight.latitude < -90.0 || flight.latitude > 90.0 || flight.longitude < -180.0 ||
        flight.longitude > 180.0 || !gf_isValidPosition(position)) {
        return false;
    }
    if (gf_distanceNM(context.reference, position) > context.liveRange) {
        return false;
    }

    flight.trueHeadingValid = false;
    flight.trueHeadingFlag = false;
    if (lf_text(record, iSource) == "adsb_icao") {
        // Without a number the heading stays unset; read as 0 it would become 2 pi.
        if (const std::optional<double> h = lf_number(record, iTrueHeading)) {
            if (*h > 360.0) {
                return false;
            }
            if (*h == 0.0) {
                flight.trueHeading = kTwoPi;
            } else if (*h > 0.0) {
                flight.trueHeading = *h * kRadiansPerDegree;
            }
            flight.trueHeadingValid = *h >= 0.0;
            flight.trueHeadingFlag = flight.trueHeadingValid;
        }
    }

    if (!lf_readFlightId(client, record)) {
        return false;
    }

    std::optional<double> reportedAltitude = lf_number(record, iBaroAltitude);
    if (!reportedAltitude) {
        reportedAltitude = lf_number(record, iSecondAltitude);
    }
    const std::optional<double> groundSpeed = lf_number(record, iGroundSpeed);
    if (!groundSpeed && reportedAltitude && *reportedAltitude > 0.0) {
        // Standing still would put an airborne aircraft on the ground.
        return false;
    }
    flight.groundSpeed = groundSpeed.value_or(0.0);
    lf_readAltitude(client, reportedAltitude, context);
    flight.airborne = flight.altitude > 0.0;

    if (!lf_checkCallsign(client, record, context)) {
        return false;
    }
    if (flight.registration.empty() && flight.callsign.empty()) {
        return false;
    }
    if (client.collectFlag.load()) {
        client.collect(flight.callsign, flight.flightId);
    }
    if (!flight.airborne) {
        if (context.parkIcao.empty() || gf_distanceNM(context.parkPosition, position) > 5.0) {
            return false;
        }
    }

    flight.track = lf_number(record, iTrack).value_or(0.0);
    if (flight.track == 0.0 && flight.trueHeadingValid) {
        flight.track = flight.trueHeading * kDegreesPerRadian;
    }
    flight.verticalRate = lf_number(record, iVerticalRate).value_or(0.0);
    flight.departure = lf_text(record, iDeparture);
    flight.destination = lf_text(record, iDestination);

    flight.bankValid = false;
    if (flight.airborne) {
        const std::optional<double> roll = lf_number(record, iRoll);
        if (roll && *roll != 0.0 && *roll != -1.0) {
            flight.bank = -*roll * kRadiansPerDegree;
            flight.bankValid = true;
        }
    }

    flight.trueAirspeed = lf_number(record, iTrueAirspeed).value_or(-1.0);
    if (flight.trueAirspeed == -1.0) {
        flight.trueAirspeed = lf_airspeedForAltitude(flight.altitude);
    }
    flight.repeated = false;
    return true;
}

} // namespace

ksb::FeedContext lf_feedContext(const ksb::RtTrafficClient& client) {
    ksb::FeedContext context;
    context.reference = client.referencePosition();
    context.liveRange = injectionRadiusNm.load();
    context.qnh = client.qnh.load();
    const ksb::ParkAirportSnapshot park = ksb::gf_feedServices().parkAirport();
    context.parkIcao = park.icao;
    context.parkPosition = Position{park.latitude, park.longitude};
    context.parkElevation = client.parkElevation();
    context.blockCallsign = BLOCK_CALLSIGN.value();
    return context;
}

void processLine(ksb::RtTrafficClient& client, const nlohmann::json& record,
                 const ksb::FeedContext& context) {
    try {
        if (lf_parse(client, record, context)) {
            client.liveRecords.push_back(client.liveRecord);
        }
    } catch (const std::exception& e) {
        gf_log(fmt::format("exception in processLine: {}", e.what()));
    }
}
