// The airports list: reading input/airports_p3d.xml, lookups by code and position, display
// names.
#include "airports/airports_globals.h"
#include "airports_test_fixture.h"
#include "core/exceptions.h"
#include "support/airports_list_fixture.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>

namespace fs = std::filesystem;

// Airport is a global type, so its comparison must be found there.
static bool operator==(const Airport& a, const Airport& b) {
    return a.code == b.code && a.iata == b.iata && a.lat == b.lat && a.lon == b.lon &&
           a.alt == b.alt;
}

namespace ksb::test {
namespace {

constexpr double kFeetPerNm = 1852.0 / 0.3048;

class AirportsListTest : public AirportsTest {};

TEST_F(AirportsListTest, AGoodFileIsReadSortedOnceWithItsCount) {
    writeAirportsList({{"EHAM", "AMS", 52.3086, 4.7639, -11.0},
                       {"EDDF", "FRA", 50.0333, 8.5706, 364.0},
                       {"EDDFX", "", 50.5, 8.5, 1.5},
                       {"EDD", "", -1.25, -170.5, 12345.5}},
                      {.leaveOut = {{"EDDFX", {"iata"}}}});
    gf_readAirports();
    const std::vector<Airport> expected{{"EDD", "", -1.25, -170.5, 12345.5},
                                        {"EDDF", "FRA", 50.0333, 8.5706, 364.0},
                                        {"EDDFX", "", 50.5, 8.5, 1.5},
                                        {"EHAM", "AMS", 52.3086, 4.7639, -11.0}};
    EXPECT_EQ(airportsList, expected);
    EXPECT_TRUE(airportsListLoaded);
    EXPECT_EQ(logLines(),
              std::vector<std::string>{"4 airports read from \"input/airports_p3d.xml\""});

    // Read once per process: a changed file is not looked at again.
    freshLog();
    writeAirportsListText("<airports/>");
    gf_readAirports();
    EXPECT_EQ(airportsList, expected);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(AirportsListTest, ABrokenFileIsAUserErrorAndKeepsNothing) {
    const Airport eham{"EHAM", "AMS", 52.3086, 4.7639, -11.0};
    struct Case {
        const char* name;
        std::optional<std::string> bytes; // nullopt: no file
        std::string message;
    };
    const Case cases[] = {
        {"missing file", std::nullopt, "88: input/airports_p3d.xml not loaded File was not found"},
        {"does not parse", "<airports><airport code=\"EHAM\"",
         "88: input/airports_p3d.xml not loaded Error parsing start element tag"},
        {"wrong root", airportsListText({eham}, {.root = "airport_list"}),
         "88: input/airports_p3d.xml not found"},
        {"no lat", airportsListText({eham}, {.leaveOut = {{"EHAM", {"lat"}}}}),
         "88: invalid stod argument"},
        {"lon no number",
         "<airports><airport code=\"EHAM\" lat=\"52\" lon=\"east\" alt=\"1\"/></airports>",
         "88: invalid stod argument"},
        {"lat out of range",
         "<airports><airport code=\"EHAM\" lat=\"1e999\" lon=\"4\" alt=\"1\"/></airports>",
         "88: stod argument out of range"},
        {"no alt", airportsListText({eham}, {.leaveOut = {{"EHAM", {"alt"}}}}),
         "88: invalid stof argument"},
        {"alt out of range",
         "<airports><airport code=\"EHAM\" lat=\"52\" lon=\"4\" alt=\"1e40\"/></airports>",
         "88: stof argument out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(kAirportsListPath);
        if (c.bytes) {
            // A good airport before the bad one must not stay behind.
            writeAirportsListText(*c.bytes);
        }
        freshLog();
        try {
            gf_readAirports();
            ADD_FAILURE() << "no exception";
        } catch (const ksb::UserErrorException& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
        EXPECT_TRUE(airportsList.empty());
        EXPECT_FALSE(airportsListLoaded);
        EXPECT_TRUE(logLines().empty());
    }
}

TEST_F(AirportsListTest, AReadAfterAFailedOneHoldsEachAirportOnce) {
    writeAirportsListText("<airports><airport code=\"EHAM\" lat=\"52\" lon=\"4\" alt=\"1\"/>"
                          "<airport code=\"EDDF\" lat=\"x\" lon=\"8\" alt=\"1\"/></airports>");
    EXPECT_THROW(gf_readAirports(), ksb::UserErrorException);
    writeAirportsList({{"EHAM", "AMS", 52.0, 4.0, 1.0}});
    gf_readAirports();
    EXPECT_EQ(airportsList, (std::vector<Airport>{{"EHAM", "AMS", 52.0, 4.0, 1.0}}));
    EXPECT_TRUE(airportsListLoaded);
}

TEST_F(AirportsListTest, AirportsAreFoundByTheirExactCode) {
    airportsList = {{"", "XXX", 1.0, 1.0, 0.0},
                    {"EHAM", "AMS", 52.0, 4.0, 1.0},
                    {"EHAM", "SPL", 53.0, 5.0, 2.0}};
    struct Case {
        const char* code;
        std::optional<std::string> iata;
    };
    const Case cases[] = {{"EHAM", "AMS"},
                          {"eham", std::nullopt},
                          {"EHA", std::nullopt},
                          {"EHAM ", std::nullopt},
                          {"", "XXX"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const std::optional<Airport> found = gf_findAirport(c.code);
        ASSERT_EQ(found.has_value(), c.iata.has_value());
        if (found) {
            EXPECT_EQ(found->iata, *c.iata);
        }
    }
}

// The farthest and the nearest latitude steps north of the origin at which the computed distance
// is still within 5 NM and already beyond it.
std::pair<Position, Position> lf_fiveNmEdge(const Position& origin) {
    double inside = 0.0;
    double outside = 0.2;
    for (int step = 0; step < 200; ++step) {
        const double middle = (inside + outside) / 2.0;
        if (middle == inside || middle == outside) {
            break;
        }
        const double distance =
            gf_distanceNM(origin, Position{origin.latitude + middle, origin.longitude});
        (distance <= 5.0 ? inside : outside) = middle;
    }
    return {Position{origin.latitude + inside, origin.longitude},
            Position{origin.latitude + outside, origin.longitude}};
}

Airport lf_airportAt(std::string code, const Position& position) {
    return Airport{std::move(code), "", position.latitude, position.longitude, 0.0};
}

void lf_writeStockFile(const std::string& code, const std::vector<Position>& stands) {
    AirportFileBuilder builder;
    int number = 0;
    for (const Position& stand : stands) {
        builder.parkpos({{"id", fmt::format("{}{}", code, ++number)},
                         {"latitude", fmt::format("{}", stand.latitude)},
                         {"longitude", fmt::format("{}", stand.longitude)}});
    }
    builder.write(fs::path("airports/archive/stock") / (code + ".xml"));
}

TEST_F(AirportsListTest, TheClosestAirportWithinFiveNmWinsUnlessTheNeighbourHasTheNearerStand) {
    const Position here{52.0, 4.0};
    const Position north3 = gf_destinationPoint(here, 0.0, 3.0 * kFeetPerNm);
    const Position south4 = gf_destinationPoint(here, std::numbers::pi, 4.0 * kFeetPerNm);
    const Position east6 = gf_destinationPoint(here, std::numbers::pi / 2.0, 6.0 * kFeetPerNm);
    const Position halfNm = gf_destinationPoint(here, std::numbers::pi / 2.0, 0.5 * kFeetPerNm);
    const auto [edgeInside, edgeOutside] = lf_fiveNmEdge(here);
    ASSERT_LE(gf_distanceNM(here, edgeInside), 5.0);
    ASSERT_GT(gf_distanceNM(here, edgeOutside), 5.0);

    const Airport a3 = lf_airportAt("AAA3", north3);
    const Airport b4 = lf_airportAt("BBB4", south4);
    const std::string bothLine = "Airport AAA3 is closest, neighbour is BBB4";
    const std::string neighbourWins =
        "Airport AAA3 is closest, but stand BBB41 at neighbouring airport BBB4 is closest at 0 "
        "meters ...";
    struct Case {
        const char* name;
        std::vector<Airport> list;
        std::map<std::string, std::vector<Position>> stockFiles;
        std::optional<std::string> result;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"empty list", {}, {}, std::nullopt, {}},
        {"none within 5 NM", {lf_airportAt("FAR6", east6)}, {}, std::nullopt, {}},
        {"just inside 5 NM", {lf_airportAt("EDGE", edgeInside)}, {}, "EDGE", {}},
        {"just outside 5 NM", {lf_airportAt("EDGE", edgeOutside)}, {}, std::nullopt, {}},
        {"one within, one beyond",
         {lf_airportAt("FAR6", east6), b4},
         {{"BBB4", {here}}},
         "BBB4",
         {}},
        {"neighbour's stand nearer",
         {a3, b4},
         {{"AAA3", {halfNm}}, {"BBB4", {here}}},
         "BBB4",
         {bothLine, neighbourWins}},
        {"neighbour's stand nearer, list reversed",
         {b4, a3},
         {{"AAA3", {halfNm}}, {"BBB4", {here}}},
         "BBB4",
         {bothLine, neighbourWins}},
        {"equal stand distances",
         {a3, b4},
         {{"AAA3", {here}}, {"BBB4", {here}}},
         "AAA3",
         {bothLine}},
        {"neighbour's stand farther",
         {a3, b4},
         {{"AAA3", {here}}, {"BBB4", {halfNm}}},
         "AAA3",
         {bothLine}},
        {"neighbour without airport file", {a3, b4}, {{"AAA3", {halfNm}}}, "AAA3", {bothLine}},
        {"closest without airport file",
         {a3, b4},
         {{"BBB4", {here}}},
         "BBB4",
         {bothLine, neighbourWins}},
        {"equal airport distances keep the earlier",
         {lf_airportAt("ZZZZ", north3), lf_airportAt("AAAA", north3)},
         {},
         "ZZZZ",
         {"Airport ZZZZ is closest, neighbour is AAAA"}},
        {"third airport farther than both",
         {lf_airportAt("CCC5", edgeInside), b4, a3},
         {{"AAA3", {halfNm}}, {"BBB4", {here}}},
         "BBB4",
         {bothLine, neighbourWins}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("airports");
        for (const auto& [code, stands] : c.stockFiles) {
            lf_writeStockFile(code, stands);
        }
        airportsList = c.list;
        freshLog();
        const std::optional<Airport> found = gf_findClosestAirport(here);
        ASSERT_EQ(found.has_value(), c.result.has_value());
        if (found) {
            EXPECT_EQ(found->code, *c.result);
        }
        EXPECT_EQ(logLines(), c.log);
    }
}

TEST(AirportDisplayNameTest, CodeAndIataCode) {
    struct Case {
        Airport airport;
        std::string text;
    };
    const Case cases[] = {{{"EHAM", "AMS"}, "EHAM (AMS)"},
                          {{"EHAM", ""}, "EHAM"},
                          {{"", "AMS"}, "? (AMS)"},
                          {{"", ""}, "?"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(gf_airportDisplayName(c.airport), c.text);
    }
}

} // namespace
} // namespace ksb::test
