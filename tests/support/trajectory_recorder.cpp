#include "support/trajectory_recorder.h"

#include "simlink/send_queues.h"
#include "support/feed_script.h"
#include "support/traffic_harness.h"
#include "traffic/traffic_state.h"

#include <cmath>
#include <mutex>

namespace ksb::test {

TrajectoryRecorder::TrajectoryRecorder(TrafficHarness& harness, std::uint32_t flightKey)
    : harness_(harness), flightKey_(flightKey) {
    const LiveAircraft aircraft = harness_.liveAircraft(flightKey);
    objectId_ = aircraft.objectId;
    category_ = aircraft.category;
    eventsSeen_ = gf_sendQueueSnapshot().events.size();
}

void TrajectoryRecorder::run(int n, FeedScript* script) {
    for (int i = 0; i < n; ++i) {
        if (script != nullptr) {
            script->feedDue(harness_);
        }
        const std::int32_t tick = trafficState.tickCounter.load();
        harness_.tick();
        takeEvents(tick);
        std::lock_guard traffic(trafficState.trafficMutex);
        for (const LiveAircraft& a : trafficState.live) {
            if (a.flightKey != flightKey_) {
                continue;
            }
            TrajectoryPoint p;
            p.tick = tick;
            p.latitude = a.position.latitude;
            p.longitude = a.position.longitude;
            p.altitude = a.position.altitude;
            p.heading = a.position.heading;
            p.pitch = a.position.pitch;
            p.bank = a.position.bank;
            p.phase = a.phase;
            p.state = a.state;
            p.sentSpeed = a.position.trueAirspeed;
            p.sentVerticalSpeed = a.position.verticalSpeed;
            p.turnRate = a.turnRate;
            p.headingStep = a.headingStep;
            if (!a.samples.empty()) {
                const PositionSample& front = a.samples.front();
                p.frontGroundSpeed = front.groundSpeed;
                p.frontLatitude = front.latitude;
                p.frontLongitude = front.longitude;
                p.frontDueTick = front.dueTick;
                p.frontRepeated = front.repeated;
            }
            p.onGround = a.onGround;
            p.curve = !std::isnan(a.curveControlX);
            p.curveParameter = a.curveParameter;
            p.samples = a.samples.size();
            points_.push_back(p);
            break;
        }
    }
}

void TrajectoryRecorder::takeEvents(std::int32_t tick) {
    const std::vector<ClientEventRequest> events = gf_sendQueueSnapshot().events;
    if (events.size() < eventsSeen_) {
        eventsSeen_ = 0; // the queue was sent or emptied
    }
    for (std::size_t i = eventsSeen_; i < events.size(); ++i) {
        events_.push_back(TickEvent{tick, events[i]});
    }
    eventsSeen_ = events.size();
}

std::optional<TrajectoryPoint> TrajectoryRecorder::at(std::int32_t tick) const {
    for (const TrajectoryPoint& p : points_) {
        if (p.tick == tick) {
            return p;
        }
    }
    return std::nullopt;
}

} // namespace ksb::test
