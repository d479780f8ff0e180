#include "core/flight_text.h"

#include "core/airport_records.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

Flight lf_flight(std::string callsign, std::string registration, std::string airline,
                 std::string type, std::string departure, std::string destination) {
    Flight flight;
    flight.callsign = std::move(callsign);
    flight.registration = std::move(registration);
    flight.airline = std::move(airline);
    flight.type = std::move(type);
    flight.departure = std::move(departure);
    flight.destination = std::move(destination);
    return flight;
}

TEST(FlightText, AirlineTypeKeyAndRouteText) {
    struct Case {
        const char* name;
        std::string airline, type, key;
    };
    const Case keys[] = {
        {"both padded", "BA", "A32", "BA  A32 "},
        {"exact widths", "BAW", "A320", "BAW A320"},
        {"both empty", "", "", "        "},
        {"longer texts unchanged", "BAWX", "A320N", "BAWX A320N"},
    };
    for (const Case& c : keys) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_airlineTypeKey(c.airline, c.type), c.key);
        const Flight flight = lf_flight("", "", c.airline, c.type, "", "");
        EXPECT_EQ(gf_airlineTypeKey(flight), c.key);
    }

    struct Route {
        const char* name;
        std::string departure, destination, text;
    };
    const Route routes[] = {
        {"IATA codes", "LHR", "JFK", "LHR->JFK"},
        {"ICAO codes are not cut", "EGLL", "KJFK", "EGLL->KJFK"},
        {"both empty is eight blanks", "", "", "        "},
        {"departure only", "LHR", "", "LHR->   "},
        {"destination only", "", "JFK", "   ->JFK"},
        {"short codes padded", "A", "BC", "A  ->BC "},
    };
    for (const Route& r : routes) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(gf_routeText(r.departure, r.destination), r.text);
    }
}

TEST(FlightText, FlightLinesArePaddedByteForByte) {
    struct Case {
        const char* name;
        Flight flight;
        std::string padded, summary, describe, noLiveryKey;
    };
    const Case cases[] = {
        {"full flight", lf_flight("BAW123", "G-EUUA", "BAW", "A320", "LHR", "JFK"), "BAW123  ",
         "BAW123   G-EUUA BAW A320", "BAW123   G-EUUA   LHR->JFK BAW A320", "BAW A320 G-EUUA"},
        {"no registration and no route", lf_flight("N123AB", "", "", "C172", "", ""), "N123AB  ",
         "N123AB" + std::string(8, ' ') + "C172", "N123AB" + std::string(25, ' ') + "C172",
         "    C172 "},
        {"eight-character callsign", lf_flight("EZY123AB", "G-EZAA", "EZY", "A319", "LGW", "GVA"),
         "EZY123AB", "EZY123AB G-EZAA EZY A319", "EZY123AB G-EZAA   LGW->GVA EZY A319",
         "EZY A319 G-EZAA"},
        {"long texts unchanged",
         lf_flight("CALLSIGN10", "REGISTRATION", "ABCD", "B7478", "EGLL", "KJFK"), "CALLSIGN10",
         "CALLSIGN10 REGISTRATION ABCD B7478", "CALLSIGN10 REGISTRATION EGLL->KJFK ABCD B7478",
         "ABCD B7478 REGISTRATION"},
        {"empty flight", Flight{}, std::string(8, ' '), std::string(18, ' '), std::string(35, ' '),
         std::string(9, ' ')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.flight.paddedCallsign(), c.padded);
        EXPECT_EQ(c.flight.summary(), c.summary);
        EXPECT_EQ(c.flight.describe(), c.describe);
        EXPECT_EQ(c.flight.noLiveryKey(), c.noLiveryKey);
    }
}

TEST(FlightText, SameAirlineAndTypeComparesBytesAcrossRecords) {
    StandObservation option;
    option.airline = "BAW";
    option.type = "A320";
    StandToFill plan;
    plan.airline = "BAW";
    plan.type = "A320";
    EXPECT_TRUE(gf_sameAirlineAndType(option, plan));

    struct Case {
        const char* name;
        std::string airline, type;
        bool same;
    };
    const Case cases[] = {
        {"equal", "BAW", "A320", true},
        {"other airline", "EZY", "A320", false},
        {"other type", "BAW", "A321", false},
        {"case differs", "baw", "A320", false},
        {"trailing blank", "BAW ", "A320", false},
        {"airline and type swapped", "A320", "BAW", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Flight flight = lf_flight("", "", c.airline, c.type, "", "");
        EXPECT_EQ(gf_sameAirlineAndType(flight, option), c.same);
        EXPECT_EQ(gf_sameAirlineAndType(option, flight), c.same);
    }
}

TEST(FlightText, CategoryNames) {
    struct Case {
        int category;
        const char* name;
    };
    const Case cases[] = {{0, "Light"}, {1, "Buzjets"},  {2, "Large"},
                          {3, "Heavy"}, {4, "HighPerf"}, {5, "Rotorcraft"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_categoryName(c.category), c.name);
        EXPECT_EQ(gf_categoryName(static_cast<AircraftCategory>(c.category)), c.name);
    }
    for (const int outside : {-1, 6, 1000}) {
        SCOPED_TRACE(outside);
        try {
            gf_categoryName(outside);
            FAIL() << "no exception";
        } catch (const std::out_of_range& error) {
            EXPECT_STREQ(error.what(), "invalid unordered_map<K, T> key");
        }
    }
}

} // namespace

namespace {

TEST(FlightText, AirlineFromCallsign) {
    struct Case {
        const char* name;
        std::string callsign;
        bool taken;
        std::string airline; // before: "OLD"
    };
    const Case cases[] = {
        {"three letters and a digit", "BAW1", true, "BAW"},
        {"longer callsign", "DLH4AB", true, "DLH"},
        {"three characters only", "BAW", false, "OLD"},
        {"two letters before the digit", "BA12", false, "OLD"},
        {"lower case", "baw1", false, "OLD"},
        {"letter in fourth place", "BAWA", false, "OLD"},
        {"digit first", "1BAW", false, "OLD"},
        {"empty", "", false, "OLD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Flight flight;
        flight.callsign = c.callsign;
        flight.airline = "OLD";
        EXPECT_EQ(flight.airlineFromCallsign(), c.taken);
        EXPECT_EQ(flight.airline, c.airline);
        EXPECT_EQ(flight.callsign, c.callsign);
    }
}

} // namespace
