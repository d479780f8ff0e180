#pragma once
// Process-wide values that the window's controls write and the run phase reads. Each request
// flag is set by the window and taken by the one step that acts on it.
#include <atomic>
#include <cstdint>

// The maximum number of live aircraft in force.
extern std::atomic<std::int32_t> liveLimit;
// The user's own LATERAL_RANGE, kept while AUTO_RANGE computes the radius.
extern std::atomic<std::int32_t> userLateralRange;
// The user's own MAX_LIVE.
extern std::atomic<std::int32_t> userMaxLive;
// The live-traffic injection radius in force; metres = nm x 1852 + 10000.
extern std::atomic<double> injectionRadiusNm;
extern std::atomic<std::int32_t> injectionRadiusMetres;
// A setting that shapes the park airport's parked traffic or the injection radius changed.
extern std::atomic<bool> parkSettingsChanged;

extern std::atomic<bool> staticRenewalRequested;
extern std::atomic<bool> flushStaticRequested;
extern std::atomic<bool> reservedStandCheckPending;
extern std::atomic<bool> blockCallsignChanged;
extern std::atomic<bool> matchingDepthRaised;
// Receives the new value of RT_PARKTRAFFIC_ONLY.
extern std::atomic<std::uint8_t> parkTrafficOnlyLatch;

// Set while the static-parking calculation holds the parked-traffic controls.
extern std::atomic<bool> controlsLocked;
// Worker procedures running: worker, exit thread, the two readers and the SimConnect thread.
extern std::atomic<std::int32_t> activeWorkers;

// The run state that every wait and loop of the worker threads tests. The exit sets and clears
// the two flags and advances the generation; whoever changes one calls gf_wakeSleepers().
extern std::atomic<std::uint8_t> exitInProgress;
extern std::atomic<std::uint8_t> stopRequested;
// A worker records the generation it started in; a newer one means its run is over.
extern std::atomic<std::uint64_t> runGeneration;
// An exit is in progress, a stop was requested, or the generation moved on.
bool gf_runShouldEnd(std::uint64_t generation);

// parameters.xml was read into the parameters in this process. Kept across restarts; until it
// is set, the parameters hold only their defaults, which must never overwrite the stored file.
extern std::atomic<bool> parametersLoaded;

// Back to the start values.
void gf_resetRunValues();
