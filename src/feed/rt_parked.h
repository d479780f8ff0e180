#pragma once
// The parked traffic around the park airport: the aircraft the service last saw standing there,
// completed from the aircraft database and filtered for the static parking.
#include "feed/rt_clients.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

// Fetches the parked traffic of the box around the park airport into the traffic client's
// parked records, youngest first, one per stand and per callsign. The traffic engine calls it
// on its thread while it holds the traffic mutex. True when the request succeeded (possibly
// with no records); false after a failure, which is logged unless an exit or stop aborted it,
// and then the parked records are empty. Raises ksb::SysErrorException 400 "RT API parameter
// fault" when the service answers 400.
bool gf_rtGetParkedTraffic();

namespace ksb {

// What every record of one answer is compared with.
struct ParkedContext {
    std::string reservedStand; // the user's; empty = none
    std::string userStand;     // the stand at the user aircraft's position; empty = none
};

// The view of the engine and the user aircraft now; the caller holds the traffic mutex.
ParkedContext gf_rtParkedContext();

} // namespace ksb

// The request and its records, into the client's parked records (left empty on a failure).
// status: the answer's, 0 without one. aborted: an exit or stop ended the request.
bool lf_rtParkedTraffic(ksb::RtTrafficClient& client, std::int64_t& status, bool& aborted);
// One record: the member key (the flight id in hexadecimal) and its array. Appends it to the
// parked records when every filter passes; never throws.
void lf_processParkedLine(ksb::RtTrafficClient& client, const std::string& key,
                          const nlohmann::json& record, const ksb::ParkedContext& context);
// The registration of the record (index 4): "" when it is no text, "null" or over 12 characters.
std::string lf_readParkedText4(const nlohmann::json& record);
