#pragma once
// A seeded load for the whole engine: N feed flights on looping tracks that never end (65 %
// airborne circles, level, climbing or descending inside a 10 NM range; 20 % taxiing round a
// loop between the stands and a runway; 15 % standing on stands) and a park airport of 300
// stands in a 20 x 15 grid, 80 m apart, with about 20 learned observations per stand and static
// parking at 30 %. The user stands on the ground 300 m south of the grid. The same seed gives
// the same flights, the same airport and the same engine draws.
#include "core/airport_records.h"
#include "core/flight_records.h"
#include "core/geodesy.h"

#include "support/flat_ground.h"
#include "support/traffic_harness.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace ksb::test {

inline constexpr int kGeneratedStandColumns = 20;
inline constexpr int kGeneratedStandRows = 15;
inline constexpr double kGeneratedElevationFeet = 364.0;
// Seconds between two batches of the feed; one record of each flight per batch.
inline constexpr double kGeneratedBatchSeconds = 2.0;

struct GeneratedCounts {
    int airborne = 0;
    int taxiing = 0;
    int standing = 0;
};

class TrafficGenerator {
public:
    TrafficGenerator(int flights, std::uint32_t seed);

    // The engine's side, while the caller holds no engine lock: the engine's draws seeded, the
    // parameters of the load (LOG off, LATERAL_RANGE 10, MAX_LIVE 300, parking at 30 %, no
    // automatic range), a livery for every flight and observation, the user on the ground, the
    // park airport loaded and its first static plan calculated.
    void install(TrafficHarness& harness) const;

    // The batch numbered from 0: the latest record of every flight at that time, stamps going
    // on past the loop's end.
    std::vector<LiveFlight> batch(std::int64_t number) const;

    const std::vector<ParkPosition>& stands() const { return stands_; }
    Position user() const { return user_; }
    GeneratedCounts counts() const { return counts_; }
    int flights() const { return static_cast<int>(loops_.size()); }

private:
    // One lap of a flight's track; the record after the last is the first again.
    struct Loop {
        std::vector<LiveFlight> records;
        double spacing = kGeneratedBatchSeconds; // seconds between records
    };

    void buildStands(std::uint32_t seed);
    Loop airborneLoop(std::uint32_t hexid, std::uint32_t draw) const;
    Loop taxiLoop(std::uint32_t hexid, std::uint32_t draw) const;
    Loop standingLoop(std::uint32_t hexid, const ParkPosition& stand) const;

    std::uint32_t seed_ = 0;
    Position corner_;
    Position user_;
    std::vector<ParkPosition> stands_;
    std::vector<Loop> loops_;
    GeneratedCounts counts_;
};

// The generator's load on a fresh engine: the harness with autoSim answering creations and
// removals 3 ticks later, level ground answering the range requests, and the feed handed over
// between two ticks on the caller's thread, as the Traffic Reader hands it over, every 200 ticks
// with delay 30. The caller holds no engine lock.
class GeneratedLoad {
public:
    GeneratedLoad(int flights, std::uint32_t seed);
    ~GeneratedLoad();
    GeneratedLoad(const GeneratedLoad&) = delete;
    GeneratedLoad& operator=(const GeneratedLoad&) = delete;

    // True when the next tick is the first after a batch time.
    bool batchDue() const { return ticks_ % kTicksPerBatch == 0; }
    void feedBatch();
    // One tick as the main loop runs it, under the traffic mutex.
    void tick();
    // The feed when due, then the tick.
    void cycle();
    // Every flight live in the simulator, and every planned static aircraft created (or its
    // stand taken by a live one).
    bool settled() const;
    // Planned static aircraft of the first plan.
    int plannedStatics() const { return plannedStatics_; }
    std::int64_t ticks() const { return ticks_; }

    TrafficHarness& harness() { return *harness_; }
    const TrafficGenerator& generator() const { return generator_; }

    static constexpr int kTicksPerBatch = 200;
    static constexpr int kFeedDelay = 30;

private:
    TrafficGenerator generator_;
    std::unique_ptr<TrafficHarness> harness_;
    std::unique_ptr<FlatGround> ground_;
    std::int64_t ticks_ = 0;
    std::int64_t batches_ = 0;
    int plannedStatics_ = 0;
};

} // namespace ksb::test
