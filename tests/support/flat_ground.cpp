#include "support/flat_ground.h"

#include "simlink/send_queues.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <mutex>
#include <utility>

namespace ksb::test {
namespace {

// The simulator sends ground records only up to this height.
constexpr double kReportedHeight = 2500.0;
constexpr double kOnGroundMargin = 1.0;

} // namespace

FlatGround::FlatGround(TrafficHarness& harness, double elevation)
    : harness_(harness), elevation_(elevation) {
    std::lock_guard traffic(trafficState.trafficMutex);
    previous_ = trafficState.linkServices.requestAircraftInRange;
    trafficState.linkServices.requestAircraftInRange = [this](double metres) {
        const bool sent = previous_(metres);
        if (sent) {
            answer();
        }
        return sent;
    };
}

FlatGround::~FlatGround() {
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.linkServices.requestAircraftInRange = std::move(previous_);
}

void FlatGround::staticCg(std::uint32_t object, double cg, double pitch) {
    cg_[object] = cg;
    harness_.staticCg(object, cg, pitch);
}

void FlatGround::answer() {
    for (const PositionUpdate& write : harness_.link().sendList()) {
        lastAltitude_[write.objectId] = write.altitude;
    }
    const std::vector<AiCreateRequest> creations = gf_sendQueueSnapshot().creations;
    for (const LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.state != LiveState::inSimulator || aircraft.objectId == 0) {
            continue;
        }
        const std::uint32_t object = aircraft.objectId;
        double altitude = 0.0;
        bool onGround = false;
        const auto written = lastAltitude_.find(object);
        if (written != lastAltitude_.end()) {
            altitude = written->second;
            const auto cg = cg_.find(object);
            const double cgHeight = cg == cg_.end() ? 0.0 : cg->second;
            onGround = std::max(0.0, altitude - elevation_) <= cgHeight + kOnGroundMargin;
        } else {
            const auto created =
                std::find_if(creations.begin(), creations.end(), [&](const AiCreateRequest& r) {
                    return r.flightKey == aircraft.flightKey;
                });
            if (created == creations.end()) {
                continue;
            }
            altitude = created->initPosition.Altitude;
            onGround = created->initPosition.OnGround != 0;
        }
        const double height = std::max(0.0, altitude - elevation_);
        if (height > kReportedHeight) {
            continue;
        }
        harness_.groundData(object, onGround, elevation_, height);
        ++answers_;
    }
}

} // namespace ksb::test
