#include "catalogue/unmatched_flights.h"

#include "core/log.h"
#include "core/ranked_mutex.h"

#include <mutex>
#include <set>

namespace {

struct NoLiveryFlights {
    ksb::RankedMutex mutex{ksb::LockRank::leaf, "no-livery flights"};
    std::set<std::string> keys;
};

NoLiveryFlights& lf_noLiveryFlights() {
    static NoLiveryFlights flights;
    return flights;
}

} // namespace

void gf_addNoLiveryFlight(std::string key) {
    NoLiveryFlights& flights = lf_noLiveryFlights();
    std::lock_guard lock(flights.mutex);
    flights.keys.insert(std::move(key));
}

void gf_clearNoLiveryFlights() {
    NoLiveryFlights& flights = lf_noLiveryFlights();
    std::lock_guard lock(flights.mutex);
    flights.keys.clear();
}

void gf_logUnmatched() {
    NoLiveryFlights& flights = lf_noLiveryFlights();
    // Held through the writes, so the report shows one state of the set.
    std::lock_guard lock(flights.mutex);
    if (flights.keys.empty()) {
        return;
    }
    gf_log("\nNo match found for: ");
    for (const std::string& key : flights.keys) {
        gf_log(key);
    }
    gf_log("");
}

std::vector<std::string> gf_noLiveryFlights() {
    NoLiveryFlights& flights = lf_noLiveryFlights();
    std::lock_guard lock(flights.mutex);
    return {flights.keys.begin(), flights.keys.end()};
}
