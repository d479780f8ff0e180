#pragma once
// Start-up's calls into its neighbours, each through a member of a replaceable table, so that
// tests put a recording fake in their place and later subsystems swap in their real functions in
// one place (gf_wireStartupServices).
#include "core/link_records.h"
#include "core/run_capacities.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

struct StartupServices {
    // The aircraft database and fixes.xml, once per process.
    std::function<bool()> readDbase;
    std::function<bool()> readFixesXml;
    // (scan, automatic, prioritize, lfolder texts); without scan the liveries file is loaded.
    std::function<bool(bool, bool, bool, std::vector<std::string>&)> scanLiveries;
    std::function<void()> updateDbase;
    std::function<void()> updateAigRegcodes;
    std::function<void()> checkProgramVersion;
    std::function<bool()> updateArchive;
    std::function<bool()> archiveFoldersMissing;
    std::function<void()> readAirports;
    // (automatic, afolder texts)
    std::function<bool(bool, std::vector<std::string>&)> scanAddonAirports;
    // The run phase; returns when its main loop has ended.
    std::function<void()> run;
    // Closes the park airport, saving its airport file when it changed.
    std::function<void()> resetParkAirport;
};

// The live-traffic service's calls.
struct RtServices {
    // Finds the service licence; throws user errors 900 and 901.
    std::function<void()> findRealTrafficLicense;
    // The query box follows the injection radius.
    std::function<void()> updateQueryBox;
    // The time offset in minutes of both web-API clients.
    std::function<void(int)> setTimeOffset;
    std::function<bool()> hasLicense;
    // Blocking; gives up when the run ends.
    std::function<void()> authenticate;
    std::function<bool()> loggedIn;
    // The GUID of the login; empty until the service answered.
    std::function<std::string()> loginGuid;
    // Each counts its thread in activeWorkers; false when it could not start.
    std::function<bool()> startWeatherReader;
    std::function<bool()> startTrafficReader;
    std::function<void(double, double)> setReferencePosition;
    std::function<void()> showStatus;
    std::function<void()> setCollectFlag;
    // Sets both readers' stop flags and wakes their sleeps.
    std::function<void()> stopReaders;
    std::function<void()> deauth;
    // The restart's reset of the traffic and the weather client.
    std::function<void()> reset;
    std::function<void()> resetWeather;
};

// The simulator link's calls.
struct LinkServices {
    // The link's thread body. The starter has counted it in activeWorkers; the body leaves that
    // count once on every way out, and ends on the token or when the run generation moves on.
    std::function<void(std::stop_token, std::uint64_t generation)> threadBody;
    // Clears simRequestError for a new run.
    std::function<void()> clearRequestError;
    // Grows the link's containers to the run's capacities.
    std::function<void(const RunCapacities&)> reserve;
    // Request 108 (the user's on-ground data once a second) through the guarded access; false
    // when it was not sent.
    std::function<bool()> requestOnGroundData;
    // Asks for the user aircraft's state once; returns the block last received.
    std::function<UserAircraftState()> requestUserPosition;
    std::function<void()> requestUserTitleAndModel;
    // One failed simulator request; the third restarts the run.
    std::function<void()> countRequestError;
    // Nav lights of an object in the simulator on or off.
    std::function<void(std::uint32_t objectId, bool on)> queueNavLights;
    // Drops the session's per-run state at a restart: user-model flag, pending creations and
    // just-added objects, the client handle (closed), userObjectId, the request-error count,
    // the send queues, the user aircraft's texts and its last position (so that the first answer
    // of the new run is not taken for a jump).
    std::function<void()> restartReset;
    // Hands an aircraft in the simulator back to the simulator's AI.
    std::function<void(std::uint32_t objectId)> releaseAiAircraft;
    // Queues an object for removal on the link's next frames.
    std::function<void(std::uint32_t objectId)> queueRemoveAiAircraft;
    // Holds the parked-traffic controls while the static parking is recalculated.
    std::function<void()> lockControls;
    // Empties the position send list (under the send-queue mutex).
    std::function<void()> clearPositionQueues;
};

// The catalogue's calls.
struct CatalogueServices {
    std::function<void()> logUnmatched;
    std::function<void()> clearNoLiveryFlights;
    std::function<void()> printLiveryMatchSummary;
};

// The tables in force; wired on first use.
const StartupServices& gf_startupServices();
const RtServices& gf_rtServices();
const LinkServices& gf_linkServices();
const CatalogueServices& gf_catalogueServices();
// Replace a table; members left empty get the wired function. Only while no other thread calls
// them (program start, test set-up).
void gf_setStartupServices(StartupServices services);
void gf_setRtServices(RtServices services);
void gf_setLinkServices(LinkServices services);
void gf_setCatalogueServices(CatalogueServices services);

// The one wiring of start-up's neighbours: fills the tables above with the real functions, the
// traffic engine's link and feed tables
// (trafficState.linkServices, feedServices) with the link's and the feed's, and installs the
// automatic range behind the core's hook.
void gf_wireStartupServices();
