#include "support/traffic_harness.h"

#include "airports/park_airport_state.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "core/geodesy.h"
#include "core/globals.h"
#include "simlink/link_state.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace ksb::test {

namespace {

// Keys above this name live aircraft, the others static ones.
constexpr std::uint32_t kLastStaticKey = 10000;
constexpr double kGroundPitchDegrees = 0.6;

} // namespace

DbaseSpec trafficHarnessDbase() {
    DbaseSpec spec;
    spec.aircrafts = {"C172", "CRJ9", "A320", "B744", "F16", "EC35"};
    spec.buzjet = {"CRJ9"};
    spec.large = {"A320"};
    spec.heavy = {"B744"};
    spec.highPerformance = {"F16"};
    spec.rotorcraft = {"EC35"};
    spec.cargoTypes = {"B744"};
    spec.similar = {{"A320", "B744"}};
    spec.icaoAirlines = {"BAW"};
    spec.cargoOperators = {"FDX"};
    spec.publishers = {"Aerosoft,AS"};
    spec.wingspans = {{"A320", "34.1"}, {"B744", "64.4"}};
    spec.records = {{"G-EUUA", "BAW", "A320", "", false}, {"G-CIVA", "BAW", "B744", "", false}};
    return spec;
}

TrafficHarness::TrafficHarness(FakeLinkScope linkScope) {
    gf_resetSimLinkStateForTests();
    gf_resetTrafficForTests();
    writeDbaseXml(trafficHarnessDbase());
    if (!gf_readDbase()) {
        throw std::runtime_error("the harness database was not read");
    }
    link_.emplace(linkScope);
    {
        std::lock_guard traffic(trafficState.trafficMutex);
        trafficState.feedServices.takeSeenFlights = [this](std::set<std::string>& callsigns,
                                                           std::set<std::uint32_t>& flightIds) {
            callsigns = seenCallsigns_;
            flightIds = seenFlightIds_;
        };
    }
    // In the temporary data folder of the parameters.
    ::gf_createFlightPlanFolder();
}

TrafficHarness::~TrafficHarness() {
    link_.reset();
    gf_resetTrafficForTests();
    gf_resetSimLinkStateForTests();
    gf_resetCatalogueForTests();
}

void TrafficHarness::feed(std::vector<LiveFlight> batch, int delay) {
    ::gf_takeFeedRecords(batch, delay);
}

void TrafficHarness::tick(int n) {
    for (int i = 0; i < n; ++i) {
        postDueRecords();
        std::lock_guard traffic(trafficState.trafficMutex);
        ::gf_trafficTick();
    }
}

void TrafficHarness::post(const SimInboundRecord& record) {
    ::gf_postSimEvent(record);
}

void TrafficHarness::simAdds(std::uint32_t key, std::uint32_t object, double agl) {
    post(SimInboundRecord{object, key, 0, SimInboundKind::liveAdded, 0.0, agl});
}

void TrafficHarness::simStaticAdds(std::uint32_t key, std::uint32_t object) {
    post(SimInboundRecord{object, key, 0, SimInboundKind::staticAdded, 0.0, 0.0});
}

void TrafficHarness::simRemoved(std::uint32_t object) {
    post(SimInboundRecord{object, 0, 0, SimInboundKind::objectRemoved, 0.0, 0.0});
}

void TrafficHarness::simCreateFailed(std::uint32_t key) {
    post(SimInboundRecord{0, key, 0, SimInboundKind::creationRefused, 0.0, 0.0});
}

void TrafficHarness::groundData(std::uint32_t object, bool onGround, double groundAltitude,
                                double agl) {
    post(SimInboundRecord{object, onGround ? 1U : 0U, 0, SimInboundKind::aircraftNearUser,
                          groundAltitude, agl});
}

void TrafficHarness::staticCg(std::uint32_t object, double cg, double pitch) {
    post(SimInboundRecord{object, 0, 0, SimInboundKind::restingAttitude, cg, pitch});
}

void TrafficHarness::blocked(std::uint32_t key) {
    post(SimInboundRecord{0, key, 0, SimInboundKind::blockedCallsign, 0.0, 0.0});
}

void TrafficHarness::schedule(SimInboundRecord record) {
    scheduled_.push_back(ScheduledRecord{trafficState.tickCounter.load() + simDelay_, record});
}

void TrafficHarness::postDueRecords() {
    const std::int32_t now = trafficState.tickCounter.load();
    while (!scheduled_.empty() && scheduled_.front().tick <= now) {
        const SimInboundRecord record = scheduled_.front().record;
        scheduled_.pop_front();
        if (record.kind == SimInboundKind::liveAdded ||
            record.kind == SimInboundKind::staticAdded) {
            objects_.push_back(SimObject{record.flightKeyOrOnGround, record.objectId, now, 0});
        }
        post(record);
    }
}

void TrafficHarness::autoSim(int k, std::optional<double> groundElevation) {
    simDelay_ = k;
    std::lock_guard traffic(trafficState.trafficMutex);
    TrafficLinkServices& services = trafficState.linkServices;
    // The fake records the call and hands it to the link; the answer follows.
    services.queueCreateAiAircraft =
        [this, create = services.queueCreateAiAircraft,
         groundElevation](const AiCreateRequest& request) {
            create(request);
            const SimInboundKind kind = request.flightKey > kLastStaticKey
                                            ? SimInboundKind::liveAdded
                                            : SimInboundKind::staticAdded;
            double agl = 0.0;
            if (groundElevation && request.initPosition.OnGround == 0) {
                agl = std::max(0.0, request.initPosition.Altitude - *groundElevation);
            }
            schedule(SimInboundRecord{nextObject_++, request.flightKey, 0, kind, 0.0, agl});
        };
    services.queueRemoveAiAircraft =
        [this, remove = services.queueRemoveAiAircraft](std::uint32_t objectId) {
            remove(objectId);
            for (SimObject& object : objects_) {
                if (object.objectId == objectId) {
                    ++object.removals;
                }
            }
            schedule(SimInboundRecord{objectId, 0, 0, SimInboundKind::objectRemoved, 0.0, 0.0});
        };
}

void TrafficHarness::admitAtOnce(std::string title) {
    title_ = std::move(title);
    std::lock_guard traffic(trafficState.trafficMutex);
    trafficState.hooks.admitNewAircraft = [this](LiveAircraft& aircraft) {
        if (aircraft.samples.empty() ||
            trafficState.tickCounter.load() < aircraft.samples.front().dueTick) {
            return;
        }
        const PositionSample& sample = aircraft.samples.front();
        SimPositionBlock& block = aircraft.position;
        block.latitude = sample.latitude;
        block.longitude = sample.longitude;
        block.altitude = sample.altitude;
        // As admission does: a re-created aircraft comes back as it stood, in its phase.
        if (aircraft.hasRecreationHeading) {
            block.heading = aircraft.recreationHeading;
        } else {
            block.heading =
                sample.trueHeadingValid ? sample.trueHeading : sample.track * kRadiansPerDegree;
        }
        block.pitch = sample.airborne ? 0.0 : kGroundPitchDegrees * kRadiansPerDegree;
        block.bank = 0.0;
        if (!aircraft.recreating) {
            aircraft.phase = sample.airborne ? FlightPhase::airborne : FlightPhase::taxi;
        }
        aircraft.liveryTitle = title_;
        aircraft.state = LiveState::creationRequested;
        trafficState.waitingKeys.push_back(aircraft.flightKey);
    };
}

std::vector<LiveAircraft> TrafficHarness::live() const {
    std::lock_guard traffic(trafficState.trafficMutex);
    return trafficState.live;
}

std::optional<LiveAircraft> TrafficHarness::findLive(std::uint32_t flightKey) const {
    std::lock_guard traffic(trafficState.trafficMutex);
    for (const LiveAircraft& aircraft : trafficState.live) {
        if (aircraft.flightKey == flightKey) {
            return aircraft.copy();
        }
    }
    return std::nullopt;
}

LiveAircraft TrafficHarness::liveAircraft(std::uint32_t flightKey) const {
    std::optional<LiveAircraft> aircraft = findLive(flightKey);
    if (!aircraft) {
        throw std::out_of_range("no live aircraft with that flight key");
    }
    return std::move(*aircraft);
}

std::vector<AiAircraft> TrafficHarness::statics() const {
    std::lock_guard traffic(trafficState.trafficMutex);
    return trafficState.statics;
}

TrafficQueues TrafficHarness::queues() const {
    TrafficQueues q;
    std::lock_guard traffic(trafficState.trafficMutex);
    q.liveCreations.assign(trafficState.liveCreations.begin(), trafficState.liveCreations.end());
    q.staticCreations.assign(trafficState.staticCreations.begin(),
                             trafficState.staticCreations.end());
    q.removals.assign(trafficState.removals.begin(), trafficState.removals.end());
    q.waitingKeys = trafficState.waitingKeys;
    q.startupSequences = trafficState.startupSequences;
    q.positionWrites = trafficState.positionWrites;
    std::lock_guard inbound(trafficState.inboundMutex);
    q.inbound = trafficState.inbound;
    return q;
}

std::vector<std::uint32_t> TrafficHarness::removals() const {
    return queues().removals;
}

void TrafficHarness::loadParkAirport(const std::string& code, double elevation,
                                     std::vector<ParkPosition> stands) {
    std::lock_guard traffic(trafficState.trafficMutex);
    ParkAirportState& park = gf_parkAirportState();
    park.name = code;
    park.altitude = elevation;
    park.stands = std::move(stands);
    park.parkAirportLoaded = true;
}

void TrafficHarness::setDayHalfHour(std::uint64_t value) {
    dayHalfHourNow = value;
}

void TrafficHarness::setSeenFlights(std::set<std::string> callsigns,
                                    std::set<std::uint32_t> flightIds) {
    seenCallsigns_ = std::move(callsigns);
    seenFlightIds_ = std::move(flightIds);
}

} // namespace ksb::test
