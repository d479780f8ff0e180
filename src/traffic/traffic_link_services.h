#pragma once
// The engine's calls into the simulator link. The link's library already uses this one, so the
// engine reaches it through this table, which the program's start-up wiring fills. Unwired, a
// member does nothing, answers false or an empty state; the user position answers the worker's
// current copy.
#include "core/flight_records.h"
#include "core/link_records.h"
#include "core/sim_session_state.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ksb {

struct TrafficLinkServices {
    std::function<void(const AiCreateRequest&)> queueCreateAiAircraft = [](const AiCreateRequest&) {
    };
    std::function<void(std::uint32_t objectId)> queueRemoveAiAircraft = [](std::uint32_t) {};
    std::function<void(std::uint32_t objectId)> queueEnginesOn = [](std::uint32_t) {};
    std::function<void(std::uint32_t objectId)> queueEnginesOff = [](std::uint32_t) {};
    std::function<void(std::uint32_t objectId, const std::array<std::uint32_t, 7>& lights)>
        queueSetLights = [](std::uint32_t, const std::array<std::uint32_t, 7>&) {};

    std::function<void(AiAircraft&, std::uint32_t state)> setThrottle = [](AiAircraft&,
                                                                           std::uint32_t) {};
    std::function<void(AiAircraft&, std::uint32_t state)> setFlaps = [](AiAircraft&,
                                                                        std::uint32_t) {};
    std::function<void(const AiAircraft&, bool out)> setSpoilers = [](const AiAircraft&, bool) {};
    std::function<void(const AiAircraft&, bool down)> setGear = [](const AiAircraft&, bool) {};
    std::function<void(std::uint32_t objectId, std::uint32_t value)> queueCabinLights =
        [](std::uint32_t, std::uint32_t) {};
    std::function<void(AiAircraft&)> shutdownAiAircraft = [](AiAircraft&) {};
    // Frees the stand, sets state 4 and queues the object's removal; the caller holds the
    // traffic mutex.
    std::function<void(AiAircraft&)> releaseAiAircraft = [](AiAircraft&) {};
    // Lock or unlock the window's parked-traffic controls while the static parking is planned
    // and created (controlsLocked follows).
    std::function<void()> lockControls = [] {};
    std::function<void()> unlockControls = [] {};

    // Each exchanges the list with the link's send list and empties what it hands back; the
    // first gives up (false) when the send queue is busy.
    std::function<bool(std::vector<PositionUpdate>&)> trySwapPositionLists =
        [](std::vector<PositionUpdate>&) { return false; };
    std::function<void(std::vector<PositionUpdate>&)> swapPositionLists =
        [](std::vector<PositionUpdate>&) {};

    std::function<float()> frameRate = [] { return 0.0F; };
    std::function<bool()> requestErrorSet = [] { return false; };
    // Counts one failed simulator call; the link turns the third into a restart.
    std::function<void()> countRequestError = [] {};

    // The raw simulator calls; each answers false when the call failed.
    std::function<bool(double metres)> requestAircraftInRange = [](double) { return false; };
    std::function<bool(std::uint32_t objectId)> requestStaticCg = [](std::uint32_t) {
        return false;
    };
    std::function<bool(std::uint32_t objectId)> allLightsToggle = [](std::uint32_t) {
        return false;
    };
    // Spoiler handle and both throttle levers in percent, written at once.
    std::function<bool(std::uint32_t objectId, double spoilers, double throttle1, double throttle2)>
        setSpoilersAndThrottles = [](std::uint32_t, double, double, double) { return false; };
    // Hands the object its flight-plan file (the absolute path).
    std::function<bool(std::uint32_t objectId, const std::string& path)> setFlightPlan =
        [](std::uint32_t, const std::string&) { return false; };

    // Unwired: the worker's current copy, so nothing changes.
    std::function<UserAircraftState()> requestUserPosition = [] { return gf_userState(); };
    // The user's state as the link last received it; sends no request. Unwired: the worker's
    // current copy.
    std::function<UserAircraftState()> lastUserState = [] { return gf_userState(); };
    // Half the user aircraft's wing span in nautical miles, as the link last worked it out.
    std::function<double()> userHalfWingSpan = [] { return 0.0; };
};

} // namespace ksb
