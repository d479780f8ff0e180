#pragma once
// The engine's calls into the feed, whose library already uses the engine's; filled by the
// program's start-up wiring. Unwired, a member does nothing.
#include <cstdint>
#include <functional>
#include <set>
#include <string>

namespace ksb {

struct TrafficFeedServices {
    // Lowers the feed's collect flag and replaces both sets with what the feed collected.
    std::function<void(std::set<std::string>& callsigns, std::set<std::uint32_t>& flightIds)>
        takeSeenFlights = [](std::set<std::string>&, std::set<std::uint32_t>&) {};
};

} // namespace ksb
