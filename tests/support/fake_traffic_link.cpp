#include "support/fake_traffic_link.h"

#include "simlink/ai_control.h"
#include "simlink/send_queues.h"
#include "simlink/traffic_link_wiring.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <utility>

namespace ksb::test {

std::string LinkCall::text() const {
    return fmt::format("{}({})", name, arguments);
}

FakeTrafficLink::FakeTrafficLink(FakeLinkScope scope) {
    TrafficLinkServices s = gf_trafficLinkServices();
    if (scope == FakeLinkScope::everything) {
        fakeLinkMembers(s);
    }
    s.requestAircraftInRange = [this](double metres) {
        return rawCall(RawLinkCall::requestAircraftInRange, "requestAircraftInRange",
                       fmt::format("{}", metres));
    };
    s.requestStaticCg = [this](std::uint32_t objectId) {
        return rawCall(RawLinkCall::requestStaticCg, "requestStaticCg",
                       fmt::format("{}", objectId));
    };
    s.allLightsToggle = [this](std::uint32_t objectId) {
        return rawCall(RawLinkCall::allLightsToggle, "allLightsToggle",
                       fmt::format("{}", objectId));
    };
    s.setFlightPlan = [this](std::uint32_t objectId, const std::string& path) {
        return rawCall(RawLinkCall::setFlightPlan, "setFlightPlan",
                       fmt::format("{}, {}", objectId, path));
    };
    s.setSpoilersAndThrottles = [this](std::uint32_t objectId, double spoilers, double throttle1,
                                       double throttle2) {
        return rawCall(RawLinkCall::setSpoilersAndThrottles, "setSpoilersAndThrottles",
                       fmt::format("{}, {}, {}, {}", objectId, spoilers, throttle1, throttle2));
    };
    s.requestUserPosition = [this] {
        record("requestUserPosition", "");
        std::lock_guard lock(mutex_);
        return userState_;
    };
    // Sends nothing, so nothing is recorded.
    s.lastUserState = [this] {
        std::lock_guard lock(mutex_);
        return userState_;
    };
    s.userHalfWingSpan = [this] { return userHalfWingSpan_.load(); };

    std::lock_guard traffic(trafficState.trafficMutex);
    previous_ = std::move(trafficState.linkServices);
    trafficState.linkServices = std::move(s);
}

FakeTrafficLink::~FakeTrafficLink() {
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.linkServices = std::move(previous_);
}

void FakeTrafficLink::fakeLinkMembers(TrafficLinkServices& s) {
    s.queueCreateAiAircraft = [this](const AiCreateRequest& request) {
        record("queueCreateAiAircraft", fmt::format("{}, {}", request.callsign, request.flightKey));
        gf_queueCreateAiAircraft(request);
    };
    s.queueRemoveAiAircraft = [this](std::uint32_t objectId) {
        record("queueRemoveAiAircraft", fmt::format("{}", objectId));
        gf_queueRemoveAiAircraft(objectId);
    };
    s.queueEnginesOn = [this](std::uint32_t objectId) {
        record("queueEnginesOn", fmt::format("{}", objectId));
        gf_queueEnginesOn(objectId);
    };
    s.queueEnginesOff = [this](std::uint32_t objectId) {
        record("queueEnginesOff", fmt::format("{}", objectId));
        gf_queueEnginesOff(objectId);
    };
    s.queueSetLights = [this](std::uint32_t objectId, const std::array<std::uint32_t, 7>& lights) {
        record("queueSetLights", fmt::format("{}, {}", objectId, fmt::join(lights, " ")));
        gf_queueSetLights(objectId, lights);
    };
    s.setThrottle = [this](AiAircraft& aircraft, std::uint32_t state) {
        record("setThrottle", fmt::format("{}, {}", aircraft.callsign, state));
        gf_setThrottle(aircraft, state);
    };
    s.setFlaps = [this](AiAircraft& aircraft, std::uint32_t state) {
        record("setFlaps", fmt::format("{}, {}", aircraft.callsign, state));
        gf_setFlaps(aircraft, state);
    };
    s.setSpoilers = [this](const AiAircraft& aircraft, bool out) {
        record("setSpoilers", fmt::format("{}, {}", aircraft.callsign, out));
        gf_setSpoilers(aircraft, out);
    };
    s.setGear = [this](const AiAircraft& aircraft, bool down) {
        record("setGear", fmt::format("{}, {}", aircraft.callsign, down));
        gf_setGear(aircraft, down);
    };
    s.queueCabinLights = [this](std::uint32_t objectId, std::uint32_t value) {
        record("queueCabinLights", fmt::format("{}, {}", objectId, value));
        gf_queueCabinLights(objectId, value);
    };
    s.shutdownAiAircraft = [this](AiAircraft& aircraft) {
        record("shutdownAiAircraft", aircraft.callsign);
        gf_shutdownAiAircraft(aircraft);
    };
    s.releaseAiAircraft = [this](AiAircraft& aircraft) {
        record("releaseAiAircraft", aircraft.callsign);
        gf_releaseAiAircraft(aircraft);
    };
    s.lockControls = [this] {
        record("lockControls", "");
        gf_lockControls();
    };
    s.unlockControls = [this] {
        record("unlockControls", "");
        gf_unlockControls();
    };
    s.trySwapPositionLists = [this](std::vector<PositionUpdate>& list) {
        record("trySwapPositionLists", fmt::format("{}", list.size()));
        if (busy_) {
            return false;
        }
        std::lock_guard lock(mutex_);
        sendList_.swap(list);
        list.clear();
        return true;
    };
    s.swapPositionLists = [this](std::vector<PositionUpdate>& list) {
        // The engine waits for the send queue here.
        record("swapPositionLists", fmt::format("{}", list.size()));
        std::lock_guard lock(mutex_);
        sendList_.swap(list);
        list.clear();
    };
    s.frameRate = [this] {
        record("frameRate", "");
        return frameRate_.load();
    };
    s.requestErrorSet = [this] {
        record("requestErrorSet", "");
        return requestError_.load();
    };
    s.countRequestError = [this] {
        record("countRequestError", "");
        ++requestErrors_;
    };
}

void FakeTrafficLink::failOnce(RawLinkCall call) {
    std::lock_guard lock(mutex_);
    failures_[static_cast<int>(call)].once = true;
}

void FakeTrafficLink::failAlways(RawLinkCall call) {
    std::lock_guard lock(mutex_);
    failures_[static_cast<int>(call)].always = true;
}

void FakeTrafficLink::stopFailing(RawLinkCall call) {
    std::lock_guard lock(mutex_);
    failures_[static_cast<int>(call)] = Failure{};
}

void FakeTrafficLink::setUserState(const UserAircraftState& state) {
    std::lock_guard lock(mutex_);
    userState_ = state;
}

std::vector<PositionUpdate> FakeTrafficLink::sendList() const {
    std::lock_guard lock(mutex_);
    return sendList_;
}

void FakeTrafficLink::setSendList(std::vector<PositionUpdate> list) {
    std::lock_guard lock(mutex_);
    sendList_ = std::move(list);
}

std::vector<LinkCall> FakeTrafficLink::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> FakeTrafficLink::callTexts() const {
    std::vector<std::string> out;
    for (const LinkCall& call : calls()) {
        out.push_back(call.text());
    }
    return out;
}

std::vector<std::string> FakeTrafficLink::callsOf(std::string_view name) const {
    std::vector<std::string> out;
    for (const LinkCall& call : calls()) {
        if (call.name == name) {
            out.push_back(call.text());
        }
    }
    return out;
}

void FakeTrafficLink::clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

void FakeTrafficLink::record(std::string_view name, std::string arguments) {
    if (!recording_) {
        return;
    }
    const std::int32_t tick = trafficState.tickCounter.load();
    std::lock_guard lock(mutex_);
    calls_.push_back(LinkCall{std::string(name), std::move(arguments), tick});
}

bool FakeTrafficLink::rawCall(RawLinkCall call, std::string_view name, std::string arguments) {
    record(name, std::move(arguments));
    std::lock_guard lock(mutex_);
    Failure& failure = failures_[static_cast<int>(call)];
    if (failure.always) {
        return false;
    }
    if (failure.once) {
        failure.once = false;
        return false;
    }
    return true;
}

} // namespace ksb::test
