#pragma once
// A recording traffic engine: installed for its lifetime in place of the engine's services, it
// records every call with its arguments and answers with the results a test scripts. The engine
// state (traffic/traffic_state.h) is emptied at both ends, so a test fills the live and static
// aircraft it needs through live() and statics().
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace ksb::test {

struct TakenBatch {
    std::vector<LiveFlight> records;
    int delay = 0;
};

class FakeTrafficEngine {
public:
    FakeTrafficEngine();
    ~FakeTrafficEngine();
    FakeTrafficEngine(const FakeTrafficEngine&) = delete;
    FakeTrafficEngine& operator=(const FakeTrafficEngine&) = delete;

    // Scripted results; set them before the calls (they are read without a lock).
    bool readParkAirportsResult = false;
    bool removeFlightPlanFolderResult = false;
    bool refreshStaticParkingResult = false;
    bool checkReservedStandResult = false;
    std::string checkReservedStandText; // given to the caller when the result is true
    bool checkSameIdentityResult = false;
    bool avoidUserCollisionResult = false;
    bool avoidCollisionWithLiveResult = false;
    bool cancelQueuedCreationsResult = false;
    // With a true result, the cancel also erases the first live aircraft with that callsign as
    // the engine does: the last aircraft moves into its place.
    bool cancelErasesLive = false;
    // Records at every call whether trafficState.trafficMutex was held (see trafficMutexHeld).
    // Only for tests where no other thread holds it: the probe cannot tell who holds it.
    bool probeTrafficMutex = false;
    int liveParkedShare = 0;
    int staticParkedShare = 0;
    std::string standName;
    // Runs at every call, after it was recorded, with the operation's name: a test checks what
    // the caller holds at that moment or throws to play a failure.
    std::function<void(std::string_view name)> onCall;

    // Every call in order, as "name(arguments)": numbers as {fmt} writes them, aircraft by
    // callsign, a batch as its size and delay.
    std::vector<std::string> calls() const;
    // The calls of one operation, by name.
    std::vector<std::string> callsOf(std::string_view name) const;
    void clearCalls();
    // Per call of calls(): the traffic mutex was held when it came (false without the probe).
    std::vector<bool> trafficMutexHeld() const;
    // The records and batches passed whole.
    std::vector<SimInboundRecord> postedEvents() const;
    std::vector<TakenBatch> takenBatches() const;

    // The engine's aircraft lists (guarded by trafficState.trafficMutex when threads run).
    std::vector<LiveAircraft>& live() { return trafficState.live; }
    std::vector<AiAircraft>& statics() { return trafficState.statics; }

private:
    void record(std::string_view name, std::string arguments);

    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
    std::vector<bool> held_;
    std::vector<SimInboundRecord> postedEvents_;
    std::vector<TakenBatch> takenBatches_;
    TrafficServices previous_;
};

} // namespace ksb::test
