// The parked-record reader and the weather answer's QNH on arbitrary JSON: an object is a parked
// answer's "data" and each member goes through lf_processParkedLine; the whole input is also
// read as a weather answer. Nothing may crash, every record kept must be one the filters allow,
// and a QNH is only ever handed out within 930 to 1080 hPa.
#include "core/geodesy.h"
#include "feed/feed_services.h"
#include "feed/rt_parked.h"
#include "feed/rt_reader_loops.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void lf_check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// A small database: types of four characters are known, their category from the first letter;
// registrations beginning with "G-" are found.
void lf_installServices() {
    ksb::FeedServices services;
    services.registrationVariants = [](const std::string& registration) {
        return std::vector<std::string>{registration, "X" + registration};
    };
    services.dbaseLookup = [](std::optional<DbaseRecord>& holder, const std::string& key) {
        if (!key.starts_with("G-")) {
            return false;
        }
        holder = DbaseRecord{"EZY", key.size() % 2 == 0 ? "A320" : "", "EJU", false};
        return true;
    };
    services.isKnownType = [](const std::string& type) { return type.size() == 4; };
    services.typeCategory = [](const std::string& type) {
        return type.empty() ? 0 : static_cast<unsigned char>(type[0]) % 6;
    };
    services.reservedStandName = [] { return std::string("S1"); };
    services.standNameAt = [](double, double) { return std::string("S2"); };
    services.userPosition = [] { return ksb::UserPosition{51.47, -0.46, 0.0}; };
    ksb::gf_setFeedServices(std::move(services));
}

void lf_checkKept(const ParkedFlight& flight) {
    lf_check(flight.flightId > 10000);
    lf_check(std::isfinite(flight.latitude) && flight.latitude >= -90.0 && flight.latitude <= 90.0);
    lf_check(std::isfinite(flight.longitude) && flight.longitude >= -180.0 &&
             flight.longitude <= 180.0);
    lf_check(gf_isValidPosition(Position{flight.latitude, flight.longitude}));
    lf_check(flight.age >= 0 && flight.age <= 47);
    lf_check(flight.type.size() == 4);
    lf_check(flight.registration.size() <= 12 && flight.registration != "null");
    lf_check(flight.callsign.size() <= 12);
    lf_check(flight.stand != "S1" && flight.stand != "S2");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static ksb::RtTrafficClient client;
    static const bool installed = (lf_installServices(), true);
    (void)installed;
    static const ksb::ParkedContext context = ksb::gf_rtParkedContext();
    const std::string text(reinterpret_cast<const char*>(data), size);
    const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
    if (parsed.is_discarded()) {
        return 0;
    }
    client.parkedRecords.clear();
    if (parsed.is_object()) {
        for (const auto& member : parsed.items()) {
            lf_processParkedLine(client, member.key(), member.value(), context);
        }
    } else {
        lf_processParkedLine(client, "4b1a2c", parsed, context);
    }
    for (const ParkedFlight& flight : client.parkedRecords) {
        lf_checkKept(flight);
    }
    if (parsed.is_object()) {
        try {
            if (const auto qnh = ksb::gf_rtQnhOfAnswer(parsed, text)) {
                lf_check(*qnh >= 930 && *qnh <= 1080);
            }
        } catch (const nlohmann::json::exception&) {
            // A "data" of the wrong kind: the weather request logs it.
        }
    }
    return 0;
}
