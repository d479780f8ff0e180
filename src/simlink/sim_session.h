#pragma once
// The simulator session: the one SimConnect connection of a run, its thread, the dispatch of
// received messages and the user aircraft's state.
#include "core/link_records.h"
#include "core/sim_session_state.h"
#include "simlink/client/simconnect.h"

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

// The thread body. Its starter has counted it in activeWorkers; it leaves that count once on every
// way out. It waits for the simulator, connects and polls until the token is requested (or the
// run generation moved on outside an exit); an exit still needs frames for its removals.
void gf_simConnectThread(std::stop_token stop, std::uint64_t generation);

// The dispatch callback: one received message.
void lf_dispatch(const std::uint8_t* message, std::uint32_t size, void* context);

// Asks for the user aircraft's state (request 109) unless simRequestError is set; returns the
// state of the last answer received.
UserAircraftState gf_requestUserPosition();
// Requests 106 and 107.
void gf_requestUserTitleAndModel();
// Request 108 once a second, through the guarded access; false when not sent (the caller logs
// and counts the failure).
bool gf_requestOnGroundData();
// The traffic engine's own calls, each through the guarded access; false when the call failed
// (the engine logs and counts the failure).
// Ground data of every aircraft within the radius (request 101, definition 404).
bool gf_requestAircraftInRange(double metres);
// The resting CG height and pitch of one object, once (request 102, definition 405).
bool gf_requestStaticCg(std::uint32_t objectId);
// ALL_LIGHTS_TOGGLE (214) with data 0 to one object, notification group 301.
bool gf_sendAllLightsToggle(std::uint32_t objectId);
// Hands an AI object its flight-plan file (request 110); false when the call failed.
bool gf_setAiFlightPlan(std::uint32_t objectId, const std::string& path);
// Spoiler handle and the two throttle levers (percent) in one write of definition 401.
bool gf_setSpoilersAndThrottles(std::uint32_t objectId, double spoilers, double throttle1,
                                double throttle2);
// One failed request; the third of a run shows its message, sets simRequestError and restarts.
void lf_countRequestError();
// Clears simRequestError for a new run.
void gf_clearSimRequestError();
// Records the stand the user stands still on as the first park airport's reserved stand.
void gf_updateUserStand();
// The flight key of the first pending creation with this callsign, removed; 0 when none.
std::uint32_t lf_takePendingCreation(std::string_view atcId);
// The restart's reset of the session; closes a handle the ended thread left open.
void gf_linkRestartReset();

// The user aircraft as the traffic engine sees it.
struct UserAircraftView {
    UserAircraftState state;
    bool onGround = false;
    bool standsStill = false;
    double halfWingSpan = 0.0; // nautical miles
};
UserAircraftView gf_userAircraftView();

// Tests: the handle the session uses (no thread running), its per-run lists and texts.
void gf_setSimHandleForTests(SimConnectHandle* handle);
SimConnectHandle* gf_simHandle();
std::vector<PendingCreation> gf_pendingCreations();
std::vector<std::uint32_t> gf_justAddedObjects();
std::string gf_userTitle();
std::string gf_userModel();
std::string gf_userStandName();
std::optional<UserAircraftState> gf_previousUserPosition();
// True between the thread body's start and its end.
bool gf_simConnectThreadRunning();
