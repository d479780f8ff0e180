#pragma once
// The engine's calls into the simulator link. The link's library already uses this one, so the
// engine reaches it through this table, which the program's start-up wiring fills. Unwired, a
// member does nothing and answers false.
#include <cstdint>
#include <functional>
#include <string>

namespace ksb {

struct TrafficLinkServices {
    // Hands the object its flight-plan file (the absolute path); false when the call failed.
    std::function<bool(std::uint32_t objectId, const std::string& path)> setFlightPlan =
        [](std::uint32_t, const std::string&) { return false; };
    // Counts one failed simulator call; the link turns the third into a restart.
    std::function<void()> countRequestError = [] {};
};

} // namespace ksb
