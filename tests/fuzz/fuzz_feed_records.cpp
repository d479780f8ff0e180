// The live record parser on arbitrary JSON: an object is a poll answer's "data" and each member
// goes through processLine, anything else goes through as one record. Nothing may crash, and
// every record kept must be one the filters allow.
#include "core/geodesy.h"
#include "feed/process_line.h"
#include "feed/rt_clients.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void lf_check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

ksb::FeedContext lf_context() {
    ksb::FeedContext context;
    context.reference = Position{51.4706, -0.4619};
    context.liveRange = 100.0;
    context.qnh = 1000;
    context.parkIcao = "EGLL";
    context.parkPosition = Position{51.4700, -0.4543};
    context.parkElevation = 83.0;
    context.blockCallsign = "EZY12AB";
    return context;
}

void lf_checkKept(const LiveFlight& flight, const ksb::FeedContext& context) {
    lf_check(flight.flightId > 10000);
    lf_check(std::isfinite(flight.latitude) && flight.latitude >= -90.0 && flight.latitude <= 90.0);
    lf_check(std::isfinite(flight.longitude) && flight.longitude >= -180.0 &&
             flight.longitude <= 180.0);
    lf_check(gf_distanceNM(context.reference, Position{flight.latitude, flight.longitude}) <=
             context.liveRange);
    lf_check(std::isfinite(flight.timeStamp));
    lf_check(flight.altitude >= 0.0 && std::isfinite(flight.altitude));
    lf_check(flight.airborne == (flight.altitude > 0.0));
    lf_check(flight.airborne || !flight.bankValid);
    lf_check(!flight.registration.empty() || !flight.callsign.empty());
    lf_check(flight.registration.size() <= 12);
    lf_check(flight.callsign.rfind(towPrefix, 0) != 0 && flight.callsign != context.blockCallsign);
    lf_check(!flight.trueHeadingValid ||
             (flight.trueHeading > 0.0 && flight.trueHeading <= 6.283185307179587));
    lf_check(std::isfinite(flight.trueAirspeed) && std::isfinite(flight.track));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ksb::RtTrafficClient client;
    static const ksb::FeedContext context = lf_context();
    const nlohmann::json parsed = nlohmann::json::parse(data, data + size, nullptr, false);
    if (parsed.is_discarded()) {
        return 0;
    }
    client.liveRecords.clear();
    client.collectFlag.store(true);
    if (parsed.is_object()) {
        for (const auto& member : parsed.items()) {
            processLine(client, member.value(), context);
        }
    } else {
        processLine(client, parsed, context);
    }
    for (const LiveFlight& flight : client.liveRecords) {
        lf_checkKept(flight, context);
    }
    client.clearCollected();
    return 0;
}
