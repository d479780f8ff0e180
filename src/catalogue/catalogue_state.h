#pragma once
// The process-wide state of the aircraft and livery catalogue: the aircraft database, the livery
// index, the don't-use titles, the scanned list and the title store. The database is written by
// its read and the similar-type build, the index by gf_processScannedLiveries, all on the worker
// thread while nothing else uses them; afterwards every thread only reads them.
#include "core/catalogue_records.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// The type-list sections of dbase.xml, in the order they are read.
enum class TypeSection : int {
    aircrafts = 0,
    highPerformance = 1,
    heavy = 2,
    large = 3,
    buzjet = 4,
    rotorcraft = 5,
    cargoTypes = 6,
    count = 7,
};

struct AircraftDatabase {
    std::array<std::set<std::string>, static_cast<int>(TypeSection::count)> typeSets;
    std::set<std::string> icaoAirlines;
    std::set<std::string> cargoOperators;
    // One list per "similar" element, sorted.
    std::vector<std::vector<std::string>> similarLists;
    // type -> similar types that have generic liveries installed.
    std::unordered_map<std::string, std::vector<std::string>> similarGenericTypes;
    // airline -> type it has no livery of -> similar types it has liveries of.
    std::unordered_map<std::string, std::unordered_map<std::string, std::vector<std::string>>>
        airlineSimilarTypes;
    // The first name of a group is the publisher's name.
    std::vector<std::vector<std::string>> publisherGroups;
    // Half wing spans in nautical miles.
    std::map<std::string, double> halfSpanByType;
    std::array<double, 6> categoryMeanHalfSpan{};
    double maxHalfSpanNm = 0.0;
    // Plain registration -> record.
    std::unordered_map<std::string, DbaseRecord> dbaseRecords;

    const std::set<std::string>& typeSet(TypeSection section) const {
        return typeSets[static_cast<int>(section)];
    }
};

// A title as allLiveries holds it: a view into the title store and the cargo flag.
struct TitleEntry {
    std::string_view title;
    bool cargo = false;
};

using TitleViews = std::vector<std::string_view>;
using AirlineTypeTitles =
    std::unordered_map<std::string, std::unordered_map<std::string, TitleViews>>;

// Everything gf_processScannedLiveries builds; each build replaces the whole of it. Titles are
// views into the title store, so views handed out before a rebuild stay valid.
struct LiveryIndex {
    std::unordered_map<std::string, std::unordered_map<std::string, std::vector<TitleEntry>>>
        allLiveries;
    // Every title of allLiveries, for the lookups by exact title.
    std::unordered_set<std::string_view> indexedTitles;
    AirlineTypeTitles paxTitles;
    AirlineTypeTitles cargoTitles;
    std::unordered_map<std::string, TitleViews> typePaxTitles;
    std::unordered_map<std::string, TitleViews> typeCargoTitles;
    std::unordered_map<std::string, std::string_view> regcodeTitles;
    TitleViews specialTitles;
    std::vector<std::string> lightModels;
    std::vector<std::string> buzjetModels;
    std::vector<std::string> rotorcraftModels;
};

extern AircraftDatabase aircraftDatabase;
extern LiveryIndex liveryIndex;
// Live matches per ladder step (index = step - 1) since the program started. The matcher's,
// kept outside the index so that a rebuild leaves them alone; atomics, since the exit thread
// prints them while the worker may still be matching. The refused titles and their keys sit
// under a mutex of their own (catalogue/refused_liveries.cpp).
extern std::array<std::atomic<std::uint32_t>, 6> matchStepCounts;
// Titles the scan skips; read before a scan, so a build leaves them alone.
extern std::vector<std::string> dontUseTitles;
// The records of a scan or of the liveries file, until the index is built. The scan driver owns
// it (catalogue/livery_scan.h).
extern std::vector<LiveryRecord> scannedLiveries;

// The stored title equal to the text; stores it first when it is new. Titles stay stored for the
// life of the process, so a view of one never dangles.
std::string_view gf_storeTitle(const std::string& title);
// The number of titles stored (tests).
std::size_t gf_storedTitleCount();

// Everything above back to empty, the title store, the scan's lists, fixes and seams, the
// no-livery flights, the refused liveries and the step counts included (tests only: nothing in
// the program resets the counts).
void gf_resetCatalogueForTests();
