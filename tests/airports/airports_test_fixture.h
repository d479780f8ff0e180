#pragma once
// The fixture of the airport-file tests: a working folder of its own as the current directory
// (every airports/ path is relative to it), parameters at their defaults, a log to read back, a
// fixed clock for the meta block's date, and an empty aircraft database before and after each
// test.
#include "airports/airport_files.h"
#include "airports/airports_globals.h"
#include "airports/airports.h"
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "support/airport_file_builder.h"
#include "support/catalogue_fixtures.h"
#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/manual_clock.h"
#include "support/parameters_fixture.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ksb::test {

// The candidate files of EHAM and the archive files its links point to.
inline const std::filesystem::path kThirdPartyLink = "airports/my_thirdparty/EHAM.txt";
inline const std::filesystem::path kThirdPartyFile = "airports/my_thirdparty/EHAM.xml";
inline const std::filesystem::path kOrbxLink = "airports/my_ORBX/EHAM.txt";
inline const std::filesystem::path kOrbxFile = "airports/my_ORBX/EHAM.xml";
inline const std::filesystem::path kStockFile = "airports/archive/stock/EHAM.xml";
inline const std::filesystem::path kArchivedOrbx = "airports/archive/ORBX/EHAM.xml";
inline const std::filesystem::path kArchivedThirdParty =
    "airports/archive/thirdparty/Aerosoft/EHAM.xml";

// Wed Dec 09 2026, as the builder's meta block says.
inline constexpr double kDecember9 = 1796812199.0;

// Registrations with and without an operator code, and ones found only through a hyphenated
// spelling (DAIPA as D-AIPA, EIDVM as EI-DVM).
inline DbaseSpec airportsDbaseSpec() {
    DbaseSpec spec;
    spec.aircrafts = {"A320", "B738", "B744"};
    spec.large = {"A320", "B738"};
    spec.heavy = {"B744"};
    spec.buzjet = {"C25A"};
    spec.rotorcraft = {"EC35"};
    spec.highPerformance = {"F16"};
    spec.cargoTypes = {"B744"};
    spec.similar = {{"A320", "A319"}};
    spec.icaoAirlines = {"DLH", "KLM", "RYR"};
    spec.cargoOperators = {"MPH"};
    spec.publishers = {"Aerosoft"};
    spec.wingspans = {{"A320", "35.8"}};
    spec.records = {
        {"D-AIPA", "DLH", "A320", "", false},
        {"PH-BFA", "KLM", "B744", "MPH", true},
        {"EI-DVM", "RYR", "B738", "", false},
    };
    return spec;
}

// The attributes of an element, in order.
inline XmlAttributes attributesOf(const pugi::xml_node& element) {
    XmlAttributes attributes;
    for (const pugi::xml_attribute& attribute : element.attributes()) {
        attributes.emplace_back(attribute.name(), attribute.value());
    }
    return attributes;
}

class AirportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        gf_resetCatalogueForTests();
        gf_resetAirportsGlobals();
    }
    void TearDown() override {
        gf_resetCatalogueForTests();
        gf_resetAirportsGlobals();
    }

    void readDbase() {
        writeDbaseXml(airportsDbaseSpec());
        ASSERT_TRUE(gf_readDbase());
    }

    // A new, empty log for the next part of a test.
    void freshLog() {
        log.reset();
        log.emplace();
    }
    std::vector<std::string> logLines() const { return log->body(); }

    ParametersFixture parameters;
    std::optional<LogCapture> log{std::in_place};
    WorkingFolder work;
    ManualClock clock{kDecember9};
    ScopedClock scopedClock{clock};
};

} // namespace ksb::test
