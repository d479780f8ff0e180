#pragma once
// One single-thread fixture for the traffic engine: a fresh engine at both ends, an injected
// clock, a captured log, a temporary data folder with the parameters reset, and a small aircraft
// database read by the real reader. Tests install the link members they watch by assigning to
// trafficState.linkServices; the reset at the end puts the unwired ones back.
#include "core/flight_records.h"
#include "traffic/live_aircraft.h"

#include "support/catalogue_fixtures.h"
#include "support/log_capture.h"
#include "support/manual_clock.h"
#include "support/parameters_fixture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ksb::test {

// The database the harness writes (every section of the file must hold something): one type
// per category, C172 light, CRJ9 buzjet, A320 large, B744 heavy (cargo), F16 high performance,
// EC35 rotorcraft; wing spans of A320 and B744; G-EUUA an A320 and G-CIVA a B744 of BAW.
DbaseSpec trafficHarnessDbase();

class TrafficHarness {
public:
    TrafficHarness();
    ~TrafficHarness();
    TrafficHarness(const TrafficHarness&) = delete;
    TrafficHarness& operator=(const TrafficHarness&) = delete;

    // Hands the batch to the engine as the Traffic Reader does, on this thread.
    void feed(std::vector<LiveFlight> batch, int delay);
    // n times: the pending intake step under the traffic mutex, as the tick runs it, and the
    // tick counter advanced after it.
    void pendingSteps(int n);

    // Copies of the live aircraft, taken under the traffic mutex.
    std::vector<LiveAircraft> live() const;
    // A copy of the live aircraft with the flight key; throws std::out_of_range when none.
    LiveAircraft liveAircraft(std::uint32_t flightKey) const;
    // The removal queue (object ids), oldest first.
    std::vector<std::uint32_t> removals() const;

    // A loaded park airport with its code and elevation (feet).
    void loadParkAirport(const std::string& code, double elevation);

    ManualClock& clock() { return clock_; }
    const LogCapture& log() const { return log_; }

private:
    ParametersFixture parameters_; // first: its core reset closes the log
    ManualClock clock_;
    ScopedClock scopedClock_{clock_};
    LogCapture log_;
    WorkingFolder folder_;
};

} // namespace ksb::test
