#pragma once
// One single-thread fixture for the traffic engine: a fresh engine and simulator link at both
// ends, a FakeTrafficLink and a fake feed table installed for its life, an injected clock, a
// captured log, recorders of the message line and of exit requests, a temporary data folder
// (with its flight-plan folder) and the parameters reset, and a small aircraft database read by
// the real reader.
//
// The test thread is the main loop and every simulator thread at once: tick(n) runs the ticks
// under the traffic mutex, the inbound posts stand for the link's and the feed's records, and
// autoSim answers the link's creations and removals as a simulator would. Call everything here
// while the test thread holds no engine lock.
#include "core/airport_records.h"
#include "core/flight_records.h"
#include "core/link_records.h"
#include "traffic/live_aircraft.h"

#include "support/catalogue_fixtures.h"
#include "support/fake_traffic_link.h"
#include "support/log_capture.h"
#include "support/manual_clock.h"
#include "support/parameters_fixture.h"
#include "support/recording_sinks.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace ksb::test {

// The database the harness writes (every section of the file must hold something): one type
// per category, C172 light, CRJ9 buzjet, A320 large, B744 heavy (cargo), F16 high performance,
// EC35 rotorcraft; wing spans of A320 and B744; G-EUUA an A320 and G-CIVA a B744 of BAW.
DbaseSpec trafficHarnessDbase();

// One simulator object that autoSim created.
struct SimObject {
    std::uint32_t flightKey = 0;
    std::uint32_t objectId = 0;
    std::int32_t addedTick = 0; // the tick that handled its kind-0 or kind-1 record
    int removals = 0;           // removals the link queued for it
};

// The engine's queues at one moment.
struct TrafficQueues {
    std::vector<AiCreateRequest> liveCreations;   // oldest first
    std::vector<AiCreateRequest> staticCreations; // oldest first
    std::vector<std::uint32_t> removals;          // object ids, oldest first
    std::vector<std::uint32_t> waitingKeys;       // taken from the end
    std::vector<SimInboundRecord> startupSequences;
    std::vector<SimInboundRecord> inbound; // posted, not yet handled
    std::vector<PositionUpdate> positionWrites;
};

class TrafficHarness {
public:
    // The stress test passes FakeLinkScope::rawCalls: the link's own functions then do the rest.
    explicit TrafficHarness(FakeLinkScope linkScope = FakeLinkScope::everything);
    ~TrafficHarness();
    TrafficHarness(const TrafficHarness&) = delete;
    TrafficHarness& operator=(const TrafficHarness&) = delete;

    // Hands the batch to the engine as the Traffic Reader does, on this thread.
    void feed(std::vector<LiveFlight> batch, int delay);
    // n ticks, each under the traffic mutex as the main loop holds it; before each, autoSim's
    // answers that are due are posted.
    void tick(int n = 1);

    // Inbound records as the link posts them.
    void simAdds(std::uint32_t key, std::uint32_t object, double agl = 0.0);
    void simStaticAdds(std::uint32_t key, std::uint32_t object);
    void simRemoved(std::uint32_t object);
    void simCreateFailed(std::uint32_t key);
    void groundData(std::uint32_t object, bool onGround, double groundAltitude, double agl);
    void staticCg(std::uint32_t object, double cg, double pitch);
    void blocked(std::uint32_t key);

    // From now on each creation the link queues is answered k ticks later with kind 0 (kind 1
    // for a static key, 10000 or below) and a new object id from 100 up, and each removal k
    // ticks later with kind 2. Given the ground's elevation, an object created in the air is
    // reported at its height above it, as the simulator does; else at 0 ft.
    void autoSim(int k, std::optional<double> groundElevation = std::nullopt);
    // Posts autoSim's answers that are due. tick() does it before each tick; a test whose ticks
    // the real main loop runs calls it from the clock's sleep hook, once per cycle.
    void postDueRecords();
    // Every object autoSim created, in creation order.
    std::vector<SimObject> simObjects() const { return objects_; }

    // Admission stub: once the first queued sample is due, the aircraft takes its position
    // (pitch 0.6 degrees on the ground, 0 in the air, bank 0), phase 2 on the ground or 4 in the
    // air, the title, state 1, and its key joins the waiting keys. As admission does, an aircraft
    // being re-created keeps its phase and takes its re-creation heading.
    void admitAtOnce(std::string title);
    const std::string& admittedTitle() const { return title_; }

    // Snapshots, taken under the traffic mutex.
    std::vector<LiveAircraft> live() const;
    // A copy of the live aircraft with the flight key; throws std::out_of_range when none.
    LiveAircraft liveAircraft(std::uint32_t flightKey) const;
    std::optional<LiveAircraft> findLive(std::uint32_t flightKey) const;
    std::vector<AiAircraft> statics() const;
    TrafficQueues queues() const;
    // The removal queue (object ids), oldest first.
    std::vector<std::uint32_t> removals() const;

    // A loaded park airport with its code, elevation (feet) and stand table.
    void loadParkAirport(const std::string& code, double elevation,
                         std::vector<ParkPosition> stands = {});
    // The packed weekday and half hour that the engine reads as "now".
    void setDayHalfHour(std::uint64_t value);
    // What the fake feed hands over as the flights it saw.
    void setSeenFlights(std::set<std::string> callsigns, std::set<std::uint32_t> flightIds);

    FakeTrafficLink& link() { return *link_; }
    ManualClock& clock() { return clock_; }
    const LogCapture& log() const { return log_; }
    const RecordingMessageSink& messages() const { return messages_; }
    const RecordingExitHandler& exits() const { return exits_; }
    const ParametersFixture& parameters() const { return parameters_; }

private:
    struct ScheduledRecord {
        std::int32_t tick = 0;
        SimInboundRecord record;
    };
    void post(const SimInboundRecord& record);
    void schedule(SimInboundRecord record);

    ParametersFixture parameters_; // first: its core reset closes the log
    ManualClock clock_;
    ScopedClock scopedClock_{clock_};
    LogCapture log_;
    RecordingMessageSink messages_;
    RecordingExitHandler exits_;
    WorkingFolder folder_;
    std::optional<FakeTrafficLink> link_;

    std::string title_;
    int simDelay_ = -1; // autoSim's answer delay; -1 while off
    std::uint32_t nextObject_ = 100;
    std::vector<SimObject> objects_;
    std::deque<ScheduledRecord> scheduled_; // in tick order
    std::set<std::string> seenCallsigns_;
    std::set<std::uint32_t> seenFlightIds_;
};

} // namespace ksb::test
