#pragma once
// The hand-over between the traffic engine and the SimConnect thread: the engine (and anyone
// else) appends to the send queues; the SimConnect thread sends them once per simulator frame.
// All queues sit under the send-queue mutex, which also serialises every SimConnect call made
// outside the per-frame sending.
//
// Lock order: trafficMutex, then inboundMutex, then the send-queue mutex; the link never takes
// the inbound mutex while it holds the send-queue mutex.
#include "core/link_records.h"
#include "core/ranked_mutex.h"
#include "core/run_capacities.h"
#include "simlink/client/simconnect.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

ksb::RankedMutex& gf_sendQueueMutex();

// The one raw append of a client event; every queueing operation below uses it.
void gf_queueClientEvent(std::uint32_t objectId, std::uint32_t eventId, std::uint32_t data);
void gf_queueCreateAiAircraft(const AiCreateRequest& request);
void gf_queueRemoveAiAircraft(std::uint32_t objectId);
void gf_queueEnginesOn(std::uint32_t objectId);
void gf_queueEnginesOff(std::uint32_t objectId);
void gf_queueNavLights(std::uint32_t objectId, std::uint32_t value);
void gf_queueCabinLights(std::uint32_t objectId, std::uint32_t value);
// Nav, beacon, landing, taxi, strobes, logo, cabin; under one lock.
void gf_queueSetLights(std::uint32_t objectId, const std::array<std::uint32_t, 7>& values);

// Releases the object from the simulator's AI at once and queues the three freezes for the next
// frame. SimConnect thread, inside dispatch.
void gf_freezeAiAircraft(std::uint32_t objectId);

// Exchange the engine's write list with the send list under the mutex and empty the list handed back
// (what the link had not yet sent is dropped). The try form gives false, changing nothing, when
// the mutex is busy.
bool gf_trySwapPositionLists(std::vector<PositionUpdate>& list);
void gf_swapPositionLists(std::vector<PositionUpdate>& list);
// Empties the send list under the mutex.
void gf_clearPositionQueues();

// Runs call with the connection under the send-queue mutex and returns its result; without a
// connection calls nothing and returns kScFail. For the engine's own calls and request 108.
ScResult gf_withSimConnect(const std::function<ScResult(SimConnectHandle*)>& call);

// Grows the queues and the session's lists to the run's capacities.
void gf_reserveLinkCapacities(const RunCapacities& capacities);

// SimConnect thread, on each Frame: sends positions, client events, creations and removals.
// While exitInProgress is set the creations are dropped unsent; while simRequestError is set
// positions, events and creations are dropped unsent and only the removals go.
void lf_processSendQueues();
// SimConnect thread, as it stops with its connection open: sends the removals still queued.
void gf_sendQueuedRemovals();

// What is queued now (tests).
struct SendQueueSnapshot {
    std::vector<PositionUpdate> positionsToSend;
    std::vector<ClientEventRequest> events;
    std::vector<AiCreateRequest> creations;
    std::vector<std::uint32_t> removals;
};
SendQueueSnapshot gf_sendQueueSnapshot();
