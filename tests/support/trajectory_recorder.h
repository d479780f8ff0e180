#pragma once
// What one live aircraft did tick by tick, and the client events the link queued meanwhile,
// each with its tick; the invariant checker (trajectory_invariants.h) reads both. Link calls and
// their ticks are FakeTrafficLink's.
#include "core/flight_records.h"
#include "core/link_records.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace ksb::test {

class FeedScript;
class TrafficHarness;

struct TrajectoryPoint {
    std::int32_t tick = 0; // the tick that ran
    double latitude = 0.0;
    double longitude = 0.0;
    double altitude = 0.0;
    double heading = 0.0; // radians
    double pitch = 0.0;
    double bank = 0.0;
    FlightPhase phase = FlightPhase::newFlight;
    LiveState state = LiveState::newFlight;
    double sentSpeed = 0.0;         // knots, as written to the simulator
    double sentVerticalSpeed = 0.0; // feet per second, as written
    // What the checker bounds the tick's change by.
    double turnRate = 0.0;         // radians per tick
    double headingStep = 0.0;      // radians per tick
    // The first queued sample: the one the aircraft moves toward after its sample step.
    double frontGroundSpeed = 0.0; // knots
    double frontLatitude = 0.0;
    double frontLongitude = 0.0;
    std::int32_t frontDueTick = 0;
    bool frontRepeated = false;
    bool onGround = false;
    bool curve = false;
    double curveParameter = 0.0;
    std::size_t samples = 0;
};

struct TickEvent {
    std::int32_t tick = 0;
    ClientEventRequest event;
};

class TrajectoryRecorder {
public:
    TrajectoryRecorder(TrafficHarness& harness, std::uint32_t flightKey);

    // n ticks; before each the script's due records, after each one point while the aircraft
    // exists and the events queued in that tick.
    void run(int n, FeedScript* script = nullptr);
    // Ticks until the predicate holds on the aircraft after a tick, at most n; true when it did.
    template <typename Predicate>
    bool runUntil(int n, Predicate done, FeedScript* script = nullptr) {
        for (int i = 0; i < n; ++i) {
            run(1, script);
            if (!points_.empty() && done(points_.back())) {
                return true;
            }
        }
        return false;
    }

    const std::vector<TrajectoryPoint>& points() const { return points_; }
    const std::vector<TickEvent>& events() const { return events_; }
    // The point of a tick, when the aircraft existed then.
    std::optional<TrajectoryPoint> at(std::int32_t tick) const;
    std::uint32_t flightKey() const { return flightKey_; }
    std::uint32_t objectId() const { return objectId_; }
    AircraftCategory category() const { return category_; }

private:
    void takeEvents(std::int32_t tick);

    TrafficHarness& harness_;
    std::uint32_t flightKey_ = 0;
    std::uint32_t objectId_ = 0;
    AircraftCategory category_ = AircraftCategory::large;
    std::vector<TrajectoryPoint> points_;
    std::vector<TickEvent> events_;
    std::size_t eventsSeen_ = 0;
};

} // namespace ksb::test
