#include "catalogue/catalogue_state.h"

#include "catalogue/refused_liveries.h"
#include "catalogue/scan_state.h"
#include "catalogue/unmatched_flights.h"

AircraftDatabase aircraftDatabase;
LiveryIndex liveryIndex;
std::vector<std::string> dontUseTitles;
std::vector<LiveryRecord> scannedLiveries;

namespace {

// Elements of an unordered_set keep their address through rehashing.
std::unordered_set<std::string>& lf_titleStore() {
    static std::unordered_set<std::string> store;
    return store;
}

} // namespace

std::string_view gf_storeTitle(const std::string& title) {
    return *lf_titleStore().insert(title).first;
}

std::size_t gf_storedTitleCount() {
    return lf_titleStore().size();
}

void gf_resetCatalogueForTests() {
    aircraftDatabase = AircraftDatabase{};
    liveryIndex = LiveryIndex{};
    dontUseTitles.clear();
    scannedLiveries.clear();
    lf_titleStore().clear();
    gf_clearNoLiveryFlights();
    gf_clearRefusedLiveriesForTests();
    gf_resetScanStateForTests();
    for (std::atomic<std::uint32_t>& count : matchStepCounts) {
        count.store(0, std::memory_order_relaxed);
    }
}
