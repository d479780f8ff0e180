#include "traffic/creation_cancel.h"

#include "core/flight_records.h"
#include "core/link_records.h"
#include "traffic/aircraft_erase.h"
#include "traffic/aircraft_lookup.h"
#include "traffic/traffic_state.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

namespace {

// The owner goes with its request only while it waits for creation; a record in another state
// has been sent, released or re-queued since, and its own bookkeeping ends it.
template <class Record>
void lf_eraseCancelledOwner(std::vector<Record>& records, std::uint32_t key) {
    Record* owner = gf_recordByKey(records, key);
    if (owner != nullptr && owner->state == LiveState::creationRequested) {
        gf_eraseAircraft(records, *owner);
    }
}

template <class Record>
bool lf_cancelFromQueue(const std::string& callsign, std::deque<AiCreateRequest>& queue,
                        std::vector<Record>& records) {
    bool removed = false;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < queue.size(); ++i) {
        if (queue[i].callsign == callsign) {
            removed = true;
            lf_eraseCancelledOwner(records, queue[i].flightKey);
            continue;
        }
        if (kept != i) {
            queue[kept] = std::move(queue[i]);
        }
        ++kept;
    }
    queue.resize(kept);
    return removed;
}

// A waiting key has no request yet: its aircraft would otherwise be created only to be removed.
bool lf_cancelWaitingKeys(const std::string& callsign) {
    std::vector<std::uint32_t>& keys = trafficState.waitingKeys;
    std::vector<LiveAircraft>& live = trafficState.live;
    bool removed = false;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        LiveAircraft* owner = gf_recordByKey(live, keys[i]);
        if (owner != nullptr && owner->state == LiveState::creationRequested &&
            owner->callsign == callsign) {
            removed = true;
            gf_eraseAircraft(live, *owner);
            continue;
        }
        keys[kept++] = keys[i];
    }
    keys.resize(kept);
    return removed;
}

} // namespace

namespace ksb {

bool lf_cancelQueuedCreations(std::string callsign) {
    const bool queued = lf_cancelFromQueue(callsign, trafficState.liveCreations, trafficState.live);
    const bool waiting = lf_cancelWaitingKeys(callsign);
    return queued || waiting;
}

bool lf_cancelStaticCreation(std::string callsign) {
    return lf_cancelFromQueue(callsign, trafficState.staticCreations, trafficState.statics);
}

} // namespace ksb
