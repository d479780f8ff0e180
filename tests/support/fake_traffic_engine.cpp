#include "support/fake_traffic_engine.h"

#include <fmt/format.h>

#include <utility>

namespace ksb::test {

namespace {
const char* lf_bool(bool value) {
    return value ? "true" : "false";
}
} // namespace

FakeTrafficEngine::FakeTrafficEngine() : previous_(gf_trafficServices()) {
    gf_resetTrafficForTests();
    TrafficServices s;
    s.trafficTick = [this] { record("gf_trafficTick", ""); };
    s.processSimEvents = [this] { record("gf_processSimEvents", ""); };
    s.checkParkAirport = [this](bool calculateNow) {
        record("gf_checkParkAirport", lf_bool(calculateNow));
    };
    s.readParkAirports = [this](bool force) {
        record("gf_readParkAirports", lf_bool(force));
        return readParkAirportsResult;
    };
    s.writeParkAirports = [this] { record("gf_writeParkAirports", ""); };
    s.createFlightPlanFolder = [this] { record("gf_createFlightPlanFolder", ""); };
    s.removeFlightPlanFolder = [this] {
        record("gf_removeFlightPlanFolder", "");
        return removeFlightPlanFolderResult;
    };
    s.setFeedIntake = [this](bool open) { record("gf_setFeedIntake", lf_bool(open)); };
    s.refreshStaticParking = [this](bool parkTrafficOnlySwitchedOn) {
        record("gf_refreshStaticParking", lf_bool(parkTrafficOnlySwitchedOn));
        return refreshStaticParkingResult;
    };
    s.clearReservedStand = [this] { record("gf_clearReservedStand", ""); };
    s.checkReservedStand = [this](bool reRead, std::string& text) {
        record("gf_checkReservedStand", lf_bool(reRead));
        if (checkReservedStandResult) {
            text = checkReservedStandText;
        }
        return checkReservedStandResult;
    };
    s.removeStaticTwinOfLive = [this](LiveAircraft& live) {
        record("lf_removeStaticTwinOfLive", live.callsign);
    };
    s.searchForCoupledCsAroundThisTime = [this](DayHalfHour now, LiveAircraft& live) {
        record("lf_searchForCoupledCsAroundThisTime",
               fmt::format("{}, {}, {}", gf_weekdayOf(now), gf_halfHourOfPair(now), live.callsign));
    };
    s.checkSameIdentity = [this](const LiveAircraft& live, const AiAircraft& parked) {
        record("lf_checkSameIdentity", fmt::format("{}, {}", live.callsign, parked.callsign));
        return checkSameIdentityResult;
    };
    s.removeAllStatic = [this] { record("gf_removeAllStatic", ""); };
    s.avoidUserCollision = [this](LiveAircraft& live) {
        record("lf_avoidUserCollision", live.callsign);
        return avoidUserCollisionResult;
    };
    s.avoidUserCollisionOnGround = [this] { record("lf_avoidUserCollisionOnGround", ""); };
    s.avoidCollisionWithLive = [this](const LiveAircraft& liveCopy, AiAircraft& parked) {
        record("lf_avoidCollisionWithLive",
               fmt::format("{}, {}", liveCopy.callsign, parked.callsign));
        return avoidCollisionWithLiveResult;
    };
    s.cancelQueuedCreations = [this](std::string callsign) {
        record("gf_cancelQueuedCreations", callsign);
        if (cancelQueuedCreationsResult && cancelErasesLive) {
            auto& live = trafficState.live;
            for (std::size_t i = 0; i < live.size(); ++i) {
                if (live[i].callsign == callsign) {
                    if (i + 1 != live.size()) {
                        live[i] = std::move(live.back());
                    }
                    live.pop_back();
                    break;
                }
            }
        }
        return cancelQueuedCreationsResult;
    };
    s.resetTraffic = [this] { record("gf_resetTraffic", ""); };
    s.applyMaxAircraft = [this] { record("gf_applyMaxAircraft", ""); };
    s.updateLiveParkedShare = [this](bool show) {
        record("gf_updateLiveParkedShare", lf_bool(show));
        return liveParkedShare;
    };
    s.updateStaticParkedShare = [this](bool show) {
        record("gf_updateStaticParkedShare", lf_bool(show));
        return staticParkedShare;
    };
    s.postSimEvent = [this](SimInboundRecord event) {
        {
            std::lock_guard lock(mutex_);
            postedEvents_.push_back(event);
        }
        record("gf_postSimEvent",
               fmt::format("kind={}, objectId={}, key={}", static_cast<std::uint32_t>(event.kind),
                           event.objectId, event.flightKeyOrOnGround));
    };
    s.standNameAt = [this](double latitude, double longitude) {
        record("gf_standNameAt", fmt::format("{}, {}", latitude, longitude));
        return standName;
    };
    s.takeFeedRecords = [this](std::vector<LiveFlight>& batch, int delay) {
        const std::size_t size = batch.size();
        {
            std::lock_guard lock(mutex_);
            takenBatches_.push_back(TakenBatch{std::move(batch), delay});
        }
        batch.clear();
        record("gf_takeFeedRecords", fmt::format("{} records, {}", size, delay));
    };
    gf_setTrafficServices(std::move(s));
}

FakeTrafficEngine::~FakeTrafficEngine() {
    gf_setTrafficServices(std::move(previous_));
    gf_resetTrafficForTests();
}

void FakeTrafficEngine::record(std::string_view name, std::string arguments) {
    bool held = false;
    if (probeTrafficMutex) {
        // Nobody else takes it in such a test, so a failed try means this thread holds it.
        held = !trafficState.trafficMutex.try_lock();
        if (!held) {
            trafficState.trafficMutex.unlock();
        }
    }
    {
        std::lock_guard lock(mutex_);
        calls_.push_back(fmt::format("{}({})", name, arguments));
        held_.push_back(held);
    }
    if (onCall) {
        onCall(name);
    }
}

std::vector<std::string> FakeTrafficEngine::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<std::string> FakeTrafficEngine::callsOf(std::string_view name) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> found;
    for (const std::string& call : calls_) {
        if (call.size() > name.size() && call.compare(0, name.size(), name) == 0 &&
            call[name.size()] == '(') {
            found.push_back(call);
        }
    }
    return found;
}

std::vector<bool> FakeTrafficEngine::trafficMutexHeld() const {
    std::lock_guard lock(mutex_);
    return held_;
}

void FakeTrafficEngine::clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
    held_.clear();
    postedEvents_.clear();
    takenBatches_.clear();
}

std::vector<SimInboundRecord> FakeTrafficEngine::postedEvents() const {
    std::lock_guard lock(mutex_);
    return postedEvents_;
}

std::vector<TakenBatch> FakeTrafficEngine::takenBatches() const {
    std::lock_guard lock(mutex_);
    return takenBatches_;
}

} // namespace ksb::test
