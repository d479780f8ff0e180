#pragma once
// What the session and the send queues share inside the link; nobody outside calls it.
#include "core/geodesy.h"
#include "core/link_records.h"
#include "simlink/client/simconnect.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simlink {

// The SimConnect thread's own state; others touch it only once the thread has ended.
struct SessionState {
    std::vector<PendingCreation> pendingCreations;
    std::vector<std::uint32_t> justAddedObjects;
    std::string userTitle;
    std::string userModel;
    std::string userStandName;
    std::optional<Position> previousPosition; // for the teleport test
    int frameCount = 0;
};
SessionState& gf_session();

// Written under the send-queue mutex; the thread that opened it reads it freely.
extern std::atomic<SimConnectHandle*> simHandle;

// The caller holds the send-queue mutex.
void gf_emptySendQueuesLocked();
UserAircraftState& gf_linkUserStateLocked();

void gf_resetSessionState();
void gf_resetSendQueues();

} // namespace simlink
