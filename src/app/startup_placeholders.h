#pragma once
// Neighbours of start-up that other subsystems will bring; until then placeholders stand in their
// place, wired in gf_wireStartupServices. Each goes when its subsystem brings the real one.
#include "core/link_records.h"
#include "core/run_capacities.h"

#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

// The run phase with its main loop.
void lf_run();
// The simulator link's thread and requests.
void gf_simConnectThread(std::stop_token stop, std::uint64_t generation);
void gf_clearSimRequestError();
void gf_reserveLinkCapacities(const RunCapacities& capacities);
bool gf_requestOnGroundData();
UserAircraftState gf_requestUserPosition();
void gf_requestUserTitleAndModel();
void lf_countRequestError();
void gf_queueNavLights(std::uint32_t objectId, bool on);
// The simulator link's restart reset, release and removal queue.
void gf_linkRestartReset();
void gf_releaseAiAircraft(std::uint32_t objectId);
void gf_queueRemoveAiAircraft(std::uint32_t objectId);
void gf_lockControls();
void gf_clearPositionQueues();
