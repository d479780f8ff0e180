#include "simlink/send_queues.h"

#include "core/log.h"
#include "core/message_sink.h"
#include "core/run_values.h"
#include "core/time_text.h"
#include "simlink/link_internals.h"
#include "simlink/link_state.h"
#include "simlink/sim_ids.h"
#include "simlink/sim_session.h"

#include <fmt/format.h>
#include <mutex>
#include <string>
#include <utility>

namespace {

ksb::RankedMutex sendQueueMutex{ksb::LockRank::sendQueue, "send queue"};

// Under sendQueueMutex.
struct SendQueues {
    std::vector<PositionUpdate> positionsToSend;
    std::vector<ClientEventRequest> events;
    std::vector<AiCreateRequest> creations;
    std::vector<std::uint32_t> removals;
};
SendQueues queues;

using Lock = std::lock_guard<ksb::RankedMutex>;

void lf_appendEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data) {
    queues.events.push_back(ClientEventRequest{objectId, eventId, data});
}

void lf_createAiAircraft(SimConnectHandle* handle, const AiCreateRequest& request) {
    const std::string title(request.liveryTitle);
    if (SimConnect_AICreateNonATCAircraft(handle, title.c_str(), request.callsign.c_str(),
                                          request.initPosition, simid::kRequestCreate) != kScOk) {
        gf_log(fmt::format(
            "! Simcon call to create ac in sim failed, hexid:{}, liv: \"{}\", callsign: {}",
            request.flightKey, title, request.callsign));
        lf_countRequestError();
        return;
    }
    std::uint32_t sendId = 0;
    if (SimConnect_GetLastSentPacketID(handle, &sendId) != kScOk) {
        gf_logLine("GetLastSentPacketID");
        sendId = 0;
    }
    simlink::gf_session().pendingCreations.push_back(
        PendingCreation{sendId, request.flightKey, request.callsign});
}

void lf_removeAiAircraft(SimConnectHandle* handle, std::uint32_t objectId) {
    if (objectId <= userObjectId.load()) {
        gf_log(fmt::format("{}!Simconnect call to remove AI ac with objectId {}", gf_utcClockText(),
                           objectId));
        return;
    }
    if (SimConnect_AIRemoveObject(handle, objectId, simid::kRequestRemove) != kScOk) {
        gf_log(fmt::format("{}!Simconnect call to remove AI ac from sim failed, id {}?",
                           gf_utcClockText(), objectId));
        lf_countRequestError();
    }
}

void lf_sendPositions(SimConnectHandle* handle) {
    const std::uint32_t user = userObjectId.load();
    for (const PositionUpdate& update : queues.positionsToSend) {
        if (update.objectId <= user) {
            continue;
        }
        const double values[8] = {update.latitude,      update.longitude,   update.pitch,
                                  update.bank,          update.heading,     update.altitude,
                                  update.verticalSpeed, update.trueAirspeed};
        SimConnect_SetDataOnSimObject(handle, simid::kDefAiPosition, update.objectId, 0, 0,
                                      sizeof(values), values);
    }
    queues.positionsToSend.clear();
}

void lf_sendEvents(SimConnectHandle* handle) {
    for (const ClientEventRequest& event : queues.events) {
        const bool flaps = event.eventId == simid::kFlapsSet;
        if (flaps) {
            SimConnect_AIReleaseControl(handle, event.objectId, simid::kRequestRelease);
        }
        if (SimConnect_TransmitClientEvent(handle, event.objectId, event.eventId, event.data,
                                           simid::kGroup, 0) != kScOk) {
            gf_showMessage(fmt::format("SimConnect TransmitClientEvent: {} fails", event.eventId),
                           true);
        } else if (flaps) {
            SimConnect_AIReleaseControl(handle, event.objectId, simid::kRequestRelease);
        }
    }
    queues.events.clear();
}

// Under sendQueueMutex. Without a connection they wait for one.
void lf_sendRemovals() {
    SimConnectHandle* handle = simlink::simHandle.load();
    if (handle == nullptr) {
        return;
    }
    for (const std::uint32_t objectId : queues.removals) {
        lf_removeAiAircraft(handle, objectId);
    }
    queues.removals.clear();
}

} // namespace

namespace simlink {

void gf_emptySendQueuesLocked() {
    queues.positionsToSend.clear();
    queues.events.clear();
    queues.creations.clear();
    queues.removals.clear();
}

void gf_resetSendQueues() {
    Lock lock(sendQueueMutex);
    gf_emptySendQueuesLocked();
}

} // namespace simlink

ksb::RankedMutex& gf_sendQueueMutex() {
    return sendQueueMutex;
}

void gf_queueClientEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data) {
    Lock lock(sendQueueMutex);
    lf_appendEvent(objectId, eventId, data);
}

void gf_queueCreateAiAircraft(const AiCreateRequest& request) {
    Lock lock(sendQueueMutex);
    queues.creations.push_back(request);
}

void gf_queueRemoveAiAircraft(std::uint32_t objectId) {
    Lock lock(sendQueueMutex);
    queues.removals.push_back(objectId);
}

void gf_queueEnginesOn(std::uint32_t objectId) {
    gf_queueClientEvent(objectId, simid::kEngineAutoStart, 0);
}

void gf_queueEnginesOff(std::uint32_t objectId) {
    gf_queueClientEvent(objectId, simid::kEngineAutoShutdown, 0);
}

void gf_queueNavLights(std::uint32_t objectId, std::uint32_t value) {
    gf_queueClientEvent(objectId, simid::kNavLightsSet, value);
}

void gf_queueCabinLights(std::uint32_t objectId, std::uint32_t value) {
    gf_queueClientEvent(objectId, simid::kCabinLightsSet, value);
}

void gf_queueSetLights(std::uint32_t objectId, const std::array<std::uint32_t, 7>& values) {
    static constexpr std::array<std::uint32_t, 7> kEvents{
        simid::kNavLightsSet,  simid::kBeaconLightsSet, simid::kLandingLightsSet,
        simid::kTaxiLightsSet, simid::kStrobesSet,      simid::kLogoLightsSet,
        simid::kCabinLightsSet};
    Lock lock(sendQueueMutex);
    for (std::size_t i = 0; i < kEvents.size(); ++i) {
        lf_appendEvent(objectId, kEvents[i], values[i]);
    }
}

void gf_freezeAiAircraft(std::uint32_t objectId) {
    Lock lock(sendQueueMutex);
    if (SimConnectHandle* handle = simlink::simHandle.load()) {
        SimConnect_AIReleaseControl(handle, objectId, simid::kRequestRelease);
    }
    lf_appendEvent(objectId, simid::kFreezeLatLonSet, 1);
    lf_appendEvent(objectId, simid::kFreezeAltitudeSet, 1);
    lf_appendEvent(objectId, simid::kFreezeAttitudeSet, 1);
}

bool gf_trySwapPositionLists(std::vector<PositionUpdate>& list) {
    std::unique_lock lock(sendQueueMutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        return false;
    }
    std::swap(list, queues.positionsToSend);
    list.clear();
    return true;
}

void gf_swapPositionLists(std::vector<PositionUpdate>& list) {
    Lock lock(sendQueueMutex);
    std::swap(list, queues.positionsToSend);
    list.clear();
}

void gf_clearPositionQueues() {
    Lock lock(sendQueueMutex);
    queues.positionsToSend.clear();
}

ScResult gf_withSimConnect(const std::function<ScResult(SimConnectHandle*)>& call) {
    Lock lock(sendQueueMutex);
    SimConnectHandle* handle = simlink::simHandle.load();
    if (handle == nullptr) {
        return kScFail;
    }
    return call(handle);
}

void gf_reserveLinkCapacities(const RunCapacities& capacities) {
    {
        Lock lock(sendQueueMutex);
        gf_reserveAtLeast(queues.positionsToSend, capacities.positionQueue);
        gf_reserveAtLeast(queues.creations, capacities.creationQueue);
        gf_reserveAtLeast(queues.removals, capacities.removalQueue);
    }
    // Called before the run's SimConnect thread starts.
    simlink::SessionState& session = simlink::gf_session();
    gf_reserveAtLeast(session.pendingCreations, capacities.pendingCreations);
    gf_reserveAtLeast(session.justAddedObjects, capacities.justAddedObjects);
}

void lf_processSendQueues() {
    if (simRequestError.load()) {
        Lock lock(sendQueueMutex);
        queues.positionsToSend.clear();
        queues.events.clear();
        queues.creations.clear();
        // A restart after request errors must still take our objects out of the simulator.
        lf_sendRemovals();
        return;
    }
    // The engine's tick must never wait for a frame's sending: a busy mutex skips this frame.
    std::unique_lock lock(sendQueueMutex, std::try_to_lock);
    if (!lock.owns_lock()) {
        return;
    }
    SimConnectHandle* handle = simlink::simHandle.load();
    if (handle == nullptr) {
        return;
    }
    lf_sendPositions(handle);
    lf_sendEvents(handle);
    if (exitInProgress.load() != 0) {
        // The exit removes what the simulator holds; an object created behind it would stay.
        queues.creations.clear();
    }
    for (const AiCreateRequest& request : queues.creations) {
        lf_createAiAircraft(handle, request);
    }
    queues.creations.clear();
    lf_sendRemovals();
}

void gf_sendQueuedRemovals() {
    Lock lock(sendQueueMutex);
    lf_sendRemovals();
}

SendQueueSnapshot gf_sendQueueSnapshot() {
    Lock lock(sendQueueMutex);
    return SendQueueSnapshot{queues.positionsToSend, queues.events, queues.creations,
                             queues.removals};
}
