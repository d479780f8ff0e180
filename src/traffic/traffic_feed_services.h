#pragma once
// The engine's calls into the feed, whose library already uses the engine's; filled by the
// program's start-up wiring. Unwired, a member does nothing.
#include "core/flight_records.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ksb {

struct TrafficFeedServices {
    // Lowers the feed's collect flag and replaces both sets with what the feed collected.
    std::function<void(std::set<std::string>& callsigns, std::set<std::uint32_t>& flightIds)>
        takeSeenFlights = [](std::set<std::string>&, std::set<std::uint32_t>&) {};
    // The parked traffic around the park airport; nothing when the fetch failed. The feed's
    // ksb::SysErrorException for an answer 400 passes through. The caller holds trafficMutex.
    std::function<std::optional<std::vector<ParkedFlight>>()> parkedTraffic = [] {
        return std::optional<std::vector<ParkedFlight>>{};
    };
    // Raises the feed's collect flag: it gathers the callsigns and flight ids it sees until
    // takeSeenFlights.
    std::function<void()> setCollectFlag = [] {};
    // True while the feed holds a service login.
    std::function<bool()> loggedIn = [] { return false; };
};

} // namespace ksb
