// Reading the stands of an airport file or learned file, and the round trips through the writer.
#include "airports_test_fixture.h"
#include "core/exceptions.h"

#include <cmath>
#include <numbers>

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

class AirportReaderTest : public AirportsTest {
protected:
    void SetUp() override {
        AirportsTest::SetUp();
        readDbase();
        freshLog();
    }

    // Loads the builder's text and reads its stands into stands.
    void read(const AirportFileBuilder& file) {
        ASSERT_TRUE(doc.load_string(file.text().c_str()));
        lf_readParkPositions(doc, stands);
    }

    pugi::xml_document doc;
    std::vector<ParkPosition> stands;
};

struct ExpectedObservation {
    std::string airline, type, registration, callsign, coupledCallsign;
    std::string halfHours; // as written
    std::int32_t day;
    bool soft;
};

void expectObservations(const std::vector<StandObservation>& read,
                        const std::vector<ExpectedObservation>& expected) {
    ASSERT_EQ(read.size(), expected.size());
    // Reading leaves no spare room behind.
    EXPECT_EQ(read.capacity(), read.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        SCOPED_TRACE(expected[i].registration + "/" + expected[i].callsign);
        const StandObservation& seen = read[i];
        EXPECT_EQ(seen.airline, expected[i].airline);
        EXPECT_EQ(seen.type, expected[i].type);
        EXPECT_EQ(seen.registration, expected[i].registration);
        EXPECT_EQ(seen.callsign, expected[i].callsign);
        EXPECT_EQ(seen.coupledCallsign, expected[i].coupledCallsign);
        EXPECT_EQ(gf_bitset2hours(seen.halfHours), expected[i].halfHours);
        EXPECT_EQ(seen.day, expected[i].day);
        EXPECT_EQ(seen.soft, expected[i].soft);
        EXPECT_EQ(seen.sequenceNumber, i + 1);
        EXPECT_FALSE(seen.learned);
        EXPECT_FALSE(seen.testTraffic);
    }
}

TEST_F(AirportReaderTest, StandsAndTheirOptionsAreRead) {
    read(AirportFileBuilder()
             .parameter("num_parkpos", "2")
             .parkpos({{"id", "D7"},
                       {"latitude", "52.308611"},
                       {"longitude", "-4.763889"},
                       {"heading", "90.0"},
                       {"radius", "37.04"},
                       {"cargo", "true"},
                       {"ramp", "Yes"}},
                      {{{"reg", "PH-BFA"},
                        {"airl", "XXX"},
                        {"type", "XXXX"},
                        {"day", "1"},
                        {"hh", "14,15"},
                        {"cs", "KLM1601:KLM1602"}},
                       {{"reg", "DAIPA"}, {"day", "2"}, {"hh", "0,"}, {"cs", "DLH4AB"}},
                       // A tow is skipped whole: its bad half hours give no warning line.
                       {{"reg", "N1"}, {"day", "3"}, {"hh", "1,48"}, {"cs", "TOW N1"}},
                       {{"reg", "EIDVM"}, {"soft", "true"}, {"day", "4"}, {"cs", ":RYR2"}},
                       {{"reg", "N999ZZ"},
                        {"airl", "AAL"},
                        {"type", "B38M"},
                        {"day", "5"},
                        {"hh", "47"},
                        {"cs", "AAL1:AAL2:AAL3"}},
                       {{"reg", ""}, {"airl", "PVT"}, {"type", "C172"}, {"day", "6"}}})
             .parkpos({{"id", "H1"}, {"heli", "true"}, {"cargo", "0"}, {"heading", "360.0"}}));
    ASSERT_EQ(stands.size(), 2u);
    const ParkPosition& gate = stands[0];
    EXPECT_EQ(gate.name, "D7");
    EXPECT_EQ(gate.latitude, 52.308611);
    EXPECT_EQ(gate.longitude, -4.763889);
    EXPECT_DOUBLE_EQ(gate.heading, std::numbers::pi / 2);
    EXPECT_DOUBLE_EQ(gate.radius, 0.02);
    EXPECT_TRUE(gate.cargo);
    EXPECT_TRUE(gate.ramp);
    EXPECT_FALSE(gate.heli);
    EXPECT_EQ(gate.standId, 0u);
    expectObservations(gate.observations,
                       {// The database's operator code, not the element's airline.
                        {"MPH", "B744", "PH-BFA", "KLM1601", "KLM1602", "14,15", 1, false},
                        // Found as D-AIPA; without an operator code the airline code.
                        {"DLH", "A320", "DAIPA", "DLH4AB", "", "0", 2, false},
                        // The tow took no sequence number.
                        {"RYR", "B738", "EIDVM", "", "RYR2", "", 4, true},
                        // A second ':' leaves the coupled callsign empty.
                        {"AAL", "B38M", "N999ZZ", "AAL1", "", "47", 5, false},
                        {"PVT", "C172", "", "", "", "", 6, false}});

    const ParkPosition& helipad = stands[1];
    EXPECT_TRUE(helipad.heli);
    EXPECT_FALSE(helipad.cargo);
    EXPECT_DOUBLE_EQ(helipad.heading, 2 * std::numbers::pi);
    EXPECT_TRUE(helipad.observations.empty());
    EXPECT_EQ(helipad.observations.capacity(), 0u);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(AirportReaderTest, MissingOrUnreadableValuesGiveTheirDefaults) {
    read(AirportFileBuilder()
             .parkpos({}, {{}, {{"hh", "3,x"}, {"day", "Monday"}}})
             .parkpos({{"id", "N1"},
                       {"latitude", "nan"},
                       {"longitude", "1e999"},
                       {"heading", "-inf"},
                       {"radius", "wide"},
                       {"ramp", "no"}}));
    ASSERT_EQ(stands.size(), 2u);
    const ParkPosition& bare = stands[0];
    EXPECT_EQ(bare.name, "");
    for (const ParkPosition& stand : stands) {
        SCOPED_TRACE(stand.name);
        EXPECT_EQ(stand.latitude, 0.0);
        EXPECT_EQ(stand.longitude, 0.0);
        EXPECT_EQ(stand.heading, 0.0);
        EXPECT_EQ(stand.radius, 0.0);
        EXPECT_FALSE(stand.cargo);
        EXPECT_FALSE(stand.ramp);
        EXPECT_FALSE(stand.heli);
    }
    expectObservations(bare.observations,
                       {{"", "", "", "", "", "", 0, false}, {"", "", "", "", "", "3", 0, false}});
    // The bad half-hour text is reported and the file read on.
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "===> exception invalid stoi argument in lf_hours2bitset"}));
}

TEST_F(AirportReaderTest, OnlyParkposElementsUnderParkpositionsAreStands) {
    read(AirportFileBuilder().withoutParkPositions());
    EXPECT_TRUE(stands.empty());
    ASSERT_TRUE(doc.load_string("<parameters/><parkpositions><gate id=\"G1\"/><parkpos id=\"A1\">"
                                "<option reg=\"X\"/><opt reg=\"Y\"/></parkpos></parkpositions>"
                                "<parkpos id=\"B1\"/>"));
    lf_readParkPositions(doc, stands);
    ASSERT_EQ(stands.size(), 1u);
    EXPECT_EQ(stands[0].name, "A1");
    ASSERT_EQ(stands[0].observations.size(), 1u);
    EXPECT_EQ(stands[0].observations[0].registration, "Y");
}

TEST_F(AirportReaderTest, ADuplicateIdInOneFileIsUserError94) {
    // A stand of the same name read from another file before.
    read(AirportFileBuilder().parkpos({{"id", "A1"}}));
    try {
        read(AirportFileBuilder()
                 .parkpos({{"id", "A1"}})
                 .parkpos({{"id", "a1"}})
                 .parkpos({{"id", "B2"}})
                 .parkpos({{"id", "A1"}})
                 .parkpos({{"id", "C3"}}));
        FAIL() << "no exception";
    } catch (const ksb::UserErrorException& e) {
        EXPECT_STREQ(e.what(), "94: Parking position A1 appears more than once?");
    }
    std::vector<std::string> names;
    for (const ParkPosition& stand : stands) {
        names.push_back(stand.name);
    }
    // The stands read before the duplicate stay; ids compare with their case.
    EXPECT_EQ(names, (std::vector<std::string>{"A1", "A1", "a1", "B2"}));

    stands.clear();
    EXPECT_THROW(read(AirportFileBuilder().parkpos({}).parkpos({{"radius", "1"}})),
                 ksb::UserErrorException);
    EXPECT_EQ(stands.size(), 1u);
}

TEST_F(AirportReaderTest, ObservationTypesComeFromTheElement) {
    ASSERT_TRUE(doc.load_string("<opt airl=\"KLM\" type=\"B738\"/><opt type=\"A320\"/>"));
    const pugi::xml_node first = doc.first_child();
    EXPECT_EQ(lf_readObservationTypes(first),
              std::make_pair(std::string("KLM"), std::string("B738")));
    EXPECT_EQ(lf_readObservationTypes(first.next_sibling()),
              std::make_pair(std::string(), std::string("A320")));
}

ScannedAirport roundTripAirport() {
    ScannedAirport airport;
    airport.ident = "EHAM";
    airport.airportName = "Schiphol";
    airport.publisher = "Aerosoft";
    airport.altitude = -11;
    airport.realQualityFactor = 40;
    airport.softQualityFactor = 20;
    airport.stands.emplace_back(std::vector<StandObservation>{}, "D7", 52.30861234, 4.76388956,
                                1.2345, 37.04, true, false, false);
    airport.stands.emplace_back(std::vector<StandObservation>{}, "H1", -33.9461, 151.1772,
                                2 * std::numbers::pi, 18.52, false, true, true);
    airport.stands.emplace_back(std::vector<StandObservation>{}, "R12", 0.0, -0.000001, 0.0, 60.0,
                                false, true, false);
    return airport;
}

void expectStandsEqual(const std::vector<ParkPosition>& read,
                       const std::vector<ParkPosition>& written) {
    ASSERT_EQ(read.size(), written.size());
    for (std::size_t i = 0; i < read.size(); ++i) {
        SCOPED_TRACE(written[i].name);
        EXPECT_EQ(read[i].name, written[i].name);
        // Up to the written precision: 6 decimals of a degree, 0.1 degree, 0.1 m.
        EXPECT_NEAR(read[i].latitude, written[i].latitude, 0.5e-6);
        EXPECT_NEAR(read[i].longitude, written[i].longitude, 0.5e-6);
        EXPECT_NEAR(read[i].heading, written[i].heading, 0.05 * std::numbers::pi / 180.0);
        EXPECT_NEAR(read[i].radius * 1852.0, written[i].radius * 1852.0, 0.05);
        EXPECT_EQ(read[i].cargo, written[i].heli ? false : written[i].cargo);
        EXPECT_EQ(read[i].ramp, written[i].ramp);
        EXPECT_EQ(read[i].heli, written[i].heli);
    }
}

TEST_F(AirportReaderTest, AGeneratedAirportFileReadsBackItsStands) {
    const ScannedAirport airport = roundTripAirport();
    const fs::path path = "airports/my_thirdparty/EHAM.xml";
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(gf_saveApf(airport, path, false, false));
    ASSERT_TRUE(doc.load_file(path.c_str()));
    lf_readParkPositions(doc, stands);
    expectStandsEqual(stands, airport.stands);
    for (const ParkPosition& stand : stands) {
        EXPECT_TRUE(stand.observations.empty());
    }
    EXPECT_EQ(lf_readNumParkpos(path), 3);
    EXPECT_EQ(lf_readPublisher(path), "Aerosoft");
}

TEST_F(AirportReaderTest, AHandmadeLearnedFileReadsBackItsStandsAndObservations) {
    ScannedAirport airport = roundTripAirport();
    const auto seen = [](std::string airline, std::string type, std::string registration,
                         std::string callsign, std::string coupled, std::uint32_t sequence) {
        StandObservation observation;
        observation.airline = std::move(airline);
        observation.type = std::move(type);
        observation.registration = std::move(registration);
        observation.callsign = std::move(callsign);
        observation.coupledCallsign = std::move(coupled);
        observation.sequenceNumber = sequence;
        observation.day = static_cast<std::int32_t>(sequence % 7 + 1);
        observation.halfHours.set(sequence % 48).set(47);
        observation.learned = true;
        return observation;
    };
    std::vector<StandObservation>& observations = airport.stands[0].observations;
    observations = {seen("MPH", "B744", "PH-BFA", "KLM1601", "KLM1602", 1),
                    seen("DLH", "A320", "DAIPA", "", "DLH5", 2),
                    seen("ZZZ", "ZZZZ", "GONE", "X1", "", 0),
                    seen("AAL", "B38M", "N999ZZ", "AAL1", "", 4),
                    seen("TST", "A320", "TEST1", "TST1", "", 5),
                    seen("PVT", "C172", "", "", "", 6)};
    observations[3].soft = true;
    observations[4].testTraffic = true;
    airport.stands[1].manual = true;
    const fs::path path = "airports/learned/thirdparty/Aerosoft/EHAM.xml";
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(gf_saveApf(airport, path, true, true));

    ASSERT_TRUE(doc.load_file(path.c_str()));
    EXPECT_EQ(gf_readBoolParameter(doc, "handmade"), true);
    EXPECT_EQ(gf_readIntParameter(doc, "altitude"), -11);
    EXPECT_EQ(gf_readIntParameter(doc, "Qf_real"), 40);
    EXPECT_EQ(gf_readIntParameter(doc, "Qf_soft"), 20);
    lf_readParkPositions(doc, stands);
    expectStandsEqual(stands, airport.stands);
    // Numbered afresh; the invalid one and the test traffic are not in the file.
    std::vector<ExpectedObservation> expected;
    for (const std::size_t i : {0u, 1u, 3u, 5u}) {
        const StandObservation& written = observations[i];
        expected.push_back({written.airline, written.type, written.registration, written.callsign,
                            written.coupledCallsign, gf_bitset2hours(written.halfHours),
                            written.day, written.soft});
    }
    expectObservations(stands[0].observations, expected);
    EXPECT_TRUE(stands[1].observations.empty());
}

} // namespace
