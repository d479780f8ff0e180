#pragma once
// The main road's checks on the traffic scene, one function per step, so that a failure names
// its step. Expected values come from the scene's tracks and tables; positions are compared with
// the tracks by the stand-in's real UTC times, since the feed runs in real time.
#include "e2e_run.h"

#include "support/e2e/traffic_scene.h"

#include <optional>
#include <string>
#include <vector>

namespace ksb::e2e::road {

// The AI object of the tail, existing or ended (the last one when there are several).
std::optional<simstub::ObjectState> gf_objectByTail(const E2eRun& run, const std::string& tail);
// Every AI object of the run, existing and ended, in id order.
std::vector<simstub::ObjectState> gf_aiObjects(const E2eRun& run);
// Metres between two points near the scene.
double gf_metresApart(double latA, double lonA, double latB, double lonB);
// The second of the scene (feed time) at a real UTC time.
double gf_sceneSecond(const E2eRun& run, std::chrono::system_clock::time_point when);

// The four conditions after which the user closes.
bool gf_arrivalStood(const E2eRun& run, std::chrono::seconds standing);
bool gf_renewalLogged(const E2eRun& run);
bool gf_leaverRemoved(const E2eRun& run);
bool gf_departureTookOff(const E2eRun& run);

// While the program runs: the plan files of living objects exist, the removed leaver's is gone.
void gf_checkPlanFilesWhileRunning(const E2eRun& run);

// The steps, after the close.
void gf_checkParkAirport(const E2eRun& run);
void gf_checkStaticParking(const E2eRun& run);
void gf_checkLiveries(const E2eRun& run);
void gf_checkAdoption(const E2eRun& run);
void gf_checkMotion(const E2eRun& run);
void gf_checkDeparture(const E2eRun& run);
void gf_checkArrival(const E2eRun& run);
void gf_checkLeaving(const E2eRun& run);
void gf_checkRenewal(const E2eRun& run);
void gf_checkClose(const E2eRun& run);

} // namespace ksb::e2e::road
