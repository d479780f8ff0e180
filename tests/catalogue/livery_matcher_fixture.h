#pragma once
// The fixture of the livery matcher tests: a small world (aircraft database, liveries,
// registration lines) built the way the program builds it, from dbase.xml, the scanned records
// and a my_regcodes .TXT file, and flights filled directly.
#include "catalogue_test_fixture.h"
#include "core/airport_records.h"
#include "core/flight_records.h"
#include "core/random_engine.h"
#include "support/recording_sinks.h"

#include <fmt/format.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace ksb::test {

inline LiveryRecord pax(std::string airline, std::string type, std::string title) {
    return livery(std::move(airline), std::move(type), std::move(title));
}

inline LiveryRecord freighter(std::string airline, std::string type, std::string title) {
    return livery(std::move(airline), std::move(type), std::move(title), "", true);
}

// The database of the matcher tests: the categories, similar groups and airlines of the small
// database, and three registrations: D-AIPA (Lufthansa), D-AEWA (Eurowings, with an operator, so
// its airline is tried as the database airline) and G-EUUA (British, without an operator).
inline DbaseSpec matcherDbaseSpec() {
    DbaseSpec spec = smallDbaseSpec();
    spec.icaoAirlines = {"BAW", "DLH", "EWG", "FDX", "KLM"};
    spec.records = {
        {"D-AIPA", "DLH", "A320", "DLH", false},
        {"D-AEWA", "EWG", "A320", "EWG", false},
        {"G-EUUA", "BAW", "A320", "", false},
    };
    return spec;
}

// What a test installs. A registration line is "title;registrations[;#]" with the registrations
// separated by ','; a single registration, or "#", makes the title special.
struct MatcherWorld {
    std::vector<LiveryRecord> liveries;
    std::vector<std::string> regcodes{};
    DbaseSpec dbase = matcherDbaseSpec();
};

struct FlightSpec {
    std::string airline;
    std::string type;
    std::string registration;
    AircraftCategory category = AircraftCategory::large;
    bool cargo = false;
};

class LiveryMatcherTest : public CatalogueTest {
protected:
    static constexpr std::uint32_t kSeed = 20260512u;

    // Builds (or rebuilds) the database and the livery index from the world; the step counts and
    // the refused liveries stay as they are.
    void build(const MatcherWorld& world) {
        readDbase(world.dbase);
        writeRegcodeTxt("matcher.TXT", world.regcodes);
        buildIndex(world.liveries);
        gf_setRandomSeedForTests(kSeed);
        freshLog();
    }

    static Flight flight(const FlightSpec& spec) {
        Flight f;
        f.callsign = spec.airline.empty() ? "N12345" : spec.airline + "123";
        f.airline = spec.airline;
        f.type = spec.type;
        f.registration = spec.registration;
        f.category = spec.category;
        f.cargo = spec.cargo;
        f.departure = "EDDF";
        f.destination = "EGLL";
        return f;
    }

    static ParkPosition stand(std::string name, bool cargo) {
        ParkPosition position;
        position.name = std::move(name);
        position.cargo = cargo;
        return position;
    }

    static void setDepth(int depth) { MATCHING_DEPTH.setRaw(depth); }

    static std::array<std::uint32_t, 6> counts() {
        std::array<std::uint32_t, 6> values{};
        for (std::size_t i = 0; i < values.size(); ++i) {
            values[i] = matchStepCounts[i].load();
        }
        return values;
    }

    // The counts with one match at the step (none for step 0).
    static std::array<std::uint32_t, 6> countedAt(int step) {
        std::array<std::uint32_t, 6> values{};
        if (step > 0) {
            values[static_cast<std::size_t>(step - 1)] = 1;
        }
        return values;
    }

    static std::string matchLine(const Flight& f, int step) {
        return fmt::format("          {} ={}= {}", f.describe(), step, f.liveryTitle);
    }

    // A refusal of the title, as the engine reports it.
    static void refuse(std::string_view title, std::string airline = "DLH",
                       std::string type = "A320") {
        Flight f;
        f.callsign = airline + "9";
        f.airline = std::move(airline);
        f.type = std::move(type);
        const std::string stored(title);
        f.liveryTitle = gf_storeTitle(stored);
        gf_liveryNotCreated(f);
    }
};

} // namespace ksb::test
