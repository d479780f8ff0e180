#pragma once
// One live traffic record of the web service into a LiveFlight: the filters that decide whether
// the flight is usable, the pressure correction of the altitude and the ground rules.
#include "core/geodesy.h"
#include "feed/rt_clients.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace ksb {

// What the parser reads of the rest of the program, taken once per answer so that every record
// of a batch sees the same values.
struct FeedContext {
    Position reference;      // centre of the distance filter
    double liveRange = 0.0;  // nautical miles
    std::int32_t qnh = 1013; // hPa
    std::string parkIcao;    // empty = no park airport loaded
    Position parkPosition;
    std::optional<double> parkElevation; // feet
    std::string blockCallsign;           // the user's blocked callsign; empty = none
};

} // namespace ksb

// The view of the traffic client, the live range, the park airport and BLOCK_CALLSIGN now.
ksb::FeedContext lf_feedContext(const ksb::RtTrafficClient& client);

// Parses the record into the client's record buffer and appends a copy to its live records when
// every filter passes. Sets the last feed time stamp first, for dropped records too. Never
// throws: a broken record is dropped, logged unless it is merely unusable.
void processLine(ksb::RtTrafficClient& client, const nlohmann::json& record,
                 const ksb::FeedContext& context);
