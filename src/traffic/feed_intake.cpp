#include "traffic/feed_intake.h"

#include "core/log.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/new_flight.h"
#include "traffic/sample_intake.h"
#include "traffic/traffic_state.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <mutex>

namespace {

constexpr std::int64_t kTicksPerSecond = 100;
// A pending batch is armed at most once every 201 to 210 ticks, on a multiple of 10.
constexpr std::int64_t kPendingPause = 201;
constexpr std::int64_t kPendingArmStep = 10;
// Above this many records the pending batch is taken two records per tick.
constexpr std::size_t kDoubleTakeAbove = 150;

} // namespace

namespace ksb {

void gf_takeFeedRecords(std::vector<LiveFlight>& batch, int delay) {
    if (batch.empty()) {
        return;
    }
    const std::int64_t baseTick =
        std::int64_t{delay} * kTicksPerSecond + trafficState.tickCounter.load();
    const std::size_t unusable = gf_setPlayTicks(batch, baseTick);
    if (unusable > 0) {
        gf_logLine(
            fmt::format("feed batch: {} records with unusable time stamps dropped", unusable));
    }
    if (batch.empty()) {
        return;
    }
    if (delay > 0) {
        std::lock_guard traffic(trafficState.trafficMutex);
        for (LiveFlight& record : batch) {
            gf_ingestFeedRecord(record);
        }
    } else {
        std::lock_guard feed(trafficState.feedMutex);
        // A batch still being taken makes this one be dropped, not queued.
        if (trafficState.intakeOpen && trafficState.pendingBatch.empty()) {
            trafficState.pendingBatch.assign(std::make_move_iterator(batch.begin()),
                                             std::make_move_iterator(batch.end()));
        }
    }
    batch.clear();
}

} // namespace ksb

void gf_takePendingFeedRecords() {
    std::array<LiveFlight, 2> taken;
    std::size_t count = 0;
    {
        // Ingesting may reach the link's send-queue mutex, which ranks below this one: the
        // records are taken out here and ingested after the lock is released.
        std::lock_guard feed(trafficState.feedMutex);
        std::vector<LiveFlight>& pending = trafficState.pendingBatch;
        ++trafficState.pendingTicks;
        if (trafficState.pendingCount > 0) {
            const std::size_t wanted = trafficState.pendingDoubleTake ? 2 : 1;
            while (count < wanted && trafficState.pendingCount > 0 && !pending.empty()) {
                taken[count++] = std::move(pending.back());
                pending.pop_back();
                --trafficState.pendingCount;
            }
            if (pending.empty()) {
                trafficState.pendingCount = 0;
            }
        } else if (trafficState.pendingTicks >= kPendingPause &&
                   trafficState.pendingTicks % kPendingArmStep == 0 && !pending.empty()) {
            trafficState.pendingCount = static_cast<std::int64_t>(pending.size());
            trafficState.pendingDoubleTake = pending.size() > kDoubleTakeAbove;
            trafficState.pendingTicks = 0;
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        gf_ingestFeedRecord(taken[i]);
    }
}

void gf_ingestFeedRecord(LiveFlight& record) {
    std::vector<LiveAircraft>& live = trafficState.live;
    if (LiveAircraft* aircraft = gf_liveByKey(record.flightId)) {
        lf_appendToAircraft(record, *aircraft);
        return;
    }
    // A new hexid for a flight already shown under its callsign and type is the same aircraft.
    if (!record.callsign.empty() &&
        std::any_of(live.begin(), live.end(), [&record](const LiveAircraft& aircraft) {
            return aircraft.callsign == record.callsign && aircraft.type == record.type;
        })) {
        return;
    }
    lf_newFlight(record);
}
