#pragma once
// The simulator link as the traffic engine sees it (trafficState.linkServices), installed for the
// fake's lifetime; the table in force before comes back at its end. Every call is recorded in
// order with the engine's tick counter at the call. The queueing and control calls then go on to
// the link's real functions, so that the link keeps its own bookkeeping (last throttle and flaps
// state, the release's stand, state and removal list, the send queues). The rest is faked: the
// raw simulator calls succeed unless a test fails one, the position hand-over swaps with a send
// list kept here, and the frame rate, the request-error flag and count and the user aircraft's
// state and half wing span are the test's.
//
// Construct and destroy it while the calling thread holds no engine lock: it takes
// trafficState.trafficMutex to install and restore the table.
#include "core/link_records.h"
#include "traffic/traffic_link_services.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace ksb::test {

struct LinkCall {
    std::string name;      // the member, e.g. "queueSetLights"
    std::string arguments; // numbers as {fmt} writes them, aircraft by callsign
    std::int32_t tick = 0; // trafficState.tickCounter at the call

    // "name(arguments)".
    std::string text() const;
};

// The raw simulator calls a test can fail.
enum class RawLinkCall {
    requestAircraftInRange,
    requestStaticCg,
    allLightsToggle,
    setFlightPlan,
    setSpoilersAndThrottles,
};

// What the fake stands in for.
enum class FakeLinkScope {
    // Every member: recorded, the queueing and control calls passed on, the rest faked.
    everything,
    // Only the raw calls (recorded, faked) and the user position; every other member is the
    // link's own, the position hand-over, the frame rate and the request-error count included.
    rawCalls,
};

class FakeTrafficLink {
public:
    explicit FakeTrafficLink(FakeLinkScope scope = FakeLinkScope::everything);
    ~FakeTrafficLink();
    FakeTrafficLink(const FakeTrafficLink&) = delete;
    FakeTrafficLink& operator=(const FakeTrafficLink&) = delete;

    // The next call of that kind answers false, then they succeed again.
    void failOnce(RawLinkCall call);
    // Every call of that kind answers false until stopFailing.
    void failAlways(RawLinkCall call);
    void stopFailing(RawLinkCall call);

    // While busy, trySwapPositionLists answers false and changes nothing.
    void setBusy(bool busy) { busy_ = busy; }
    void setFrameRate(float framesPerSecond) { frameRate_ = framesPerSecond; }
    void setRequestError(bool set) { requestError_ = set; }
    // What requestUserPosition and lastUserState answer from now on.
    void setUserState(const UserAircraftState& state);
    // What userHalfWingSpan answers from now on (nautical miles; 0 at the start).
    void setUserHalfWingSpan(double nm) { userHalfWingSpan_ = nm; }

    // countRequestError calls so far.
    int requestErrorCount() const { return requestErrors_.load(); }
    // What the link would send on its next frame: the list the last swap handed over.
    std::vector<PositionUpdate> sendList() const;
    // Updates the link has not sent yet.
    void setSendList(std::vector<PositionUpdate> list);

    // Every call in order.
    std::vector<LinkCall> calls() const;
    // "name(arguments)" of every call in order.
    std::vector<std::string> callTexts() const;
    // The calls of one member, as "name(arguments)".
    std::vector<std::string> callsOf(std::string_view name) const;
    void clearCalls();
    // Off: calls are no longer recorded (a benchmark's long run); on at the start.
    void setRecording(bool on) { recording_ = on; }

private:
    // The queueing and control members recorded and passed on; the hand-over and the link's
    // values faked.
    void fakeLinkMembers(TrafficLinkServices& s);
    void record(std::string_view name, std::string arguments);
    // Records the call and gives its scripted answer.
    bool rawCall(RawLinkCall call, std::string_view name, std::string arguments);

    struct Failure {
        bool once = false;
        bool always = false;
    };

    mutable std::mutex mutex_; // never held while calling out
    std::vector<LinkCall> calls_;
    Failure failures_[5];
    std::vector<PositionUpdate> sendList_;
    UserAircraftState userState_;
    std::atomic<double> userHalfWingSpan_{0.0};
    std::atomic<bool> busy_{false};
    std::atomic<bool> recording_{true};
    std::atomic<float> frameRate_{30.0F};
    std::atomic<bool> requestError_{false};
    std::atomic<int> requestErrors_{0};
    TrafficLinkServices previous_;
};

} // namespace ksb::test
