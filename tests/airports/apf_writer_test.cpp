// The writer of generated airport files and learned files: elements and attributes in order,
// the number forms, and the atomic replacement of the file.
#include "airports_test_fixture.h"
#include "core/parameters.h"
#include "core/program_info.h"

#include <fmt/format.h>

#include <algorithm>
#include <iterator>
#include <numbers>

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

constexpr double kTwoPi = 2.0 * std::numbers::pi;

ParkPosition stand(std::string name, double headingRad, double radiusMetres, bool cargo = false,
                   bool ramp = false, bool heli = false) {
    return ParkPosition({}, std::move(name), 52.3086111, 4.7638889, headingRad, radiusMetres, cargo,
                        ramp, heli);
}

StandObservation observation(std::string registration) {
    StandObservation seen;
    seen.airline = "XAL";
    seen.type = "XTYP";
    seen.registration = std::move(registration);
    seen.callsign = "KLM1601";
    seen.halfHours.set(14).set(15);
    seen.sequenceNumber = 3;
    seen.day = 5;
    return seen;
}

class AirportWriterTest : public AirportsTest {
protected:
    void SetUp() override {
        AirportsTest::SetUp();
        readDbase();
    }
    pugi::xml_document doc;
};

TEST_F(AirportWriterTest, StandRecordsAreFullChangeRecordsOrIdsAlone) {
    struct Case {
        const char* name;
        ParkPosition stand;
        bool learned;
        bool handmade;
        XmlAttributes expected;
    };
    const XmlAttributes full = {
        {"id", "D7"},        {"latitude", "52.308611"}, {"longitude", "4.763889"},
        {"heading", "90.0"}, {"radius", "40.0"},        {"cargo", "true"},
        {"ramp", "false"}};
    ParkPosition manual = stand("M1", 0.0, 25.0, false, true);
    manual.manual = true;
    ParkPosition radiusChanged = stand("D7", 1.0, 37.04);
    radiusChanged.radiusChanged = true;
    ParkPosition cargoChanged = stand("D7", 1.0, 40.0, true);
    cargoChanged.cargoChanged = true;
    ParkPosition bothChanged = stand("D7", 1.0, 40.0, false);
    bothChanged.radiusChanged = true;
    bothChanged.cargoChanged = true;
    ParkPosition smallest = stand("S1", kTwoPi, 0.0);
    smallest.radius = 0.01;
    const Case cases[] = {
        {"airport file: full record", stand("D7", std::numbers::pi / 2, 40.0, true), false, false,
         full},
        {"heading 2 pi is not normalised, 0.01 NM is 18.5 m",
         smallest,
         false,
         false,
         {{"id", "S1"},
          {"latitude", "52.308611"},
          {"longitude", "4.763889"},
          {"heading", "360.0"},
          {"radius", "18.5"},
          {"cargo", "false"},
          {"ramp", "false"}}},
        {"helipad: heli in place of cargo",
         stand("H1", 0.0, 20.0, true, false, true),
         false,
         false,
         {{"id", "H1"},
          {"latitude", "52.308611"},
          {"longitude", "4.763889"},
          {"heading", "0.0"},
          {"radius", "20.0"},
          {"heli", "true"},
          {"ramp", "false"}}},
        {"learned, manual: full record with manual",
         manual,
         true,
         false,
         {{"id", "M1"},
          {"latitude", "52.308611"},
          {"longitude", "4.763889"},
          {"heading", "0.0"},
          {"radius", "25.0"},
          {"cargo", "false"},
          {"ramp", "true"},
          {"manual", "true"}}},
        {"learned: radius changed",
         radiusChanged,
         true,
         false,
         {{"id", "D7"}, {"radius_change", "true"}, {"radius", "37.0"}}},
        {"learned: cargo changed",
         cargoChanged,
         true,
         false,
         {{"id", "D7"}, {"cargo_change", "true"}, {"cargo", "true"}}},
        {"learned: both changed",
         bothChanged,
         true,
         false,
         {{"id", "D7"},
          {"radius_change", "true"},
          {"radius", "40.0"},
          {"cargo_change", "true"},
          {"cargo", "false"}}},
        {"learned: unchanged stand is its id alone",
         stand("D7", 1.0, 40.0),
         true,
         false,
         {{"id", "D7"}}},
        {"learned, handmade: full record", stand("D7", std::numbers::pi / 2, 40.0, true), true,
         true, full},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc.reset();
        pugi::xml_node parkpositions = doc.append_child("parkpositions");
        ASSERT_TRUE(lf_writeParkPos(parkpositions, c.stand, c.learned, c.handmade));
        const pugi::xml_node parkpos = parkpositions.child("parkpos");
        EXPECT_EQ(attributesOf(parkpos), c.expected);
        EXPECT_FALSE(parkpos.next_sibling());
    }
}

TEST_F(AirportWriterTest, ObservationsAreWrittenOnlyIntoLearnedFiles) {
    ParkPosition withObservations = stand("D7", 0.0, 40.0);
    withObservations.observations = {observation("N999ZZ"), observation("G-ABCD")};
    for (const bool learned : {false, true}) {
        SCOPED_TRACE(learned ? "learned" : "airport file");
        doc.reset();
        pugi::xml_node parkpositions = doc.append_child("parkpositions");
        ASSERT_TRUE(lf_writeParkPos(parkpositions, withObservations, learned, false));
        const auto opts = parkpositions.child("parkpos").children("opt");
        EXPECT_EQ(std::distance(opts.begin(), opts.end()), learned ? 2 : 0);
    }
}

TEST_F(AirportWriterTest, ObservationsNameTheirAircraftByRegistrationWhenTheDatabaseKnowsIt) {
    struct Case {
        const char* name;
        StandObservation seen;
        std::optional<XmlAttributes> expected; // nullopt: no <opt>
    };
    StandObservation known = observation("DAIPA");
    StandObservation unknown = observation("N999ZZ");
    StandObservation empty = observation("");
    StandObservation soft = observation("N999ZZ");
    soft.soft = true;
    StandObservation coupled = observation("EIDVM");
    coupled.coupledCallsign = "KLM1602";
    StandObservation coupledOnly = observation("EIDVM");
    coupledOnly.callsign.clear();
    coupledOnly.coupledCallsign = "KLM1602";
    StandObservation noCallsign = observation("EIDVM");
    noCallsign.callsign.clear();
    noCallsign.halfHours.reset();
    StandObservation invalid = observation("EIDVM");
    invalid.sequenceNumber = 0;
    StandObservation testTraffic = observation("EIDVM");
    testTraffic.testTraffic = true;
    const Case cases[] = {
        {"registration known through a hyphenated spelling", known,
         XmlAttributes{{"reg", "DAIPA"}, {"day", "5"}, {"hh", "14,15"}, {"cs", "KLM1601"}}},
        {"registration not in the database", unknown,
         XmlAttributes{{"reg", "N999ZZ"},
                       {"airl", "XAL"},
                       {"type", "XTYP"},
                       {"day", "5"},
                       {"hh", "14,15"},
                       {"cs", "KLM1601"}}},
        {"empty registration", empty,
         XmlAttributes{{"reg", ""},
                       {"airl", "XAL"},
                       {"type", "XTYP"},
                       {"day", "5"},
                       {"hh", "14,15"},
                       {"cs", "KLM1601"}}},
        {"soft", soft,
         XmlAttributes{{"reg", "N999ZZ"},
                       {"airl", "XAL"},
                       {"type", "XTYP"},
                       {"soft", "true"},
                       {"day", "5"},
                       {"hh", "14,15"},
                       {"cs", "KLM1601"}}},
        {"callsign and coupled callsign", coupled,
         XmlAttributes{{"reg", "EIDVM"}, {"day", "5"}, {"hh", "14,15"}, {"cs", "KLM1601:KLM1602"}}},
        {"coupled callsign only", coupledOnly,
         XmlAttributes{{"reg", "EIDVM"}, {"day", "5"}, {"hh", "14,15"}, {"cs", ":KLM1602"}}},
        {"no callsign, no half hours", noCallsign,
         XmlAttributes{{"reg", "EIDVM"}, {"day", "5"}, {"hh", ""}}},
        {"sequence number 0", invalid, std::nullopt},
        {"test traffic", testTraffic, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc.reset();
        pugi::xml_node parkpos = doc.append_child("parkpos");
        ASSERT_TRUE(lf_writeObservation(parkpos, c.seen));
        const pugi::xml_node opt = parkpos.child("opt");
        ASSERT_EQ(static_cast<bool>(opt), c.expected.has_value());
        if (c.expected) {
            EXPECT_EQ(attributesOf(opt), *c.expected);
        }
    }
}

using Parameters = std::vector<std::pair<std::string, std::string>>;

Parameters parametersOf(const pugi::xml_node& document) {
    Parameters parameters;
    for (const pugi::xml_node parameter : document.child("parameters").children()) {
        parameters.emplace_back(parameter.attribute("name").value(),
                                parameter.attribute("value").value());
    }
    return parameters;
}

void setOtherSettings(std::int32_t maxLive) {
    LATERAL_RANGE.setRaw(55);
    AUTO_RANGE.setRaw(false);
    WEEK.setRaw(true);
    PARK_FAKE.setRaw(true);
    PARK_SOFT.setRaw(false);
    parking_percentage.setRaw(70);
    INITIAL_LOAD_ONLY.setRaw(true);
    MAX_FIT.setRaw(12);
    RT_PARKTRAFFIC_ONLY.setRaw(true);
    MAX_LIVE.setRaw(maxLive);
    LEARN_SOFT.setRaw(false);
}

TEST_F(AirportWriterTest, TheParameterBlockOfEachFileKind) {
    ScannedAirport airport;
    airport.ident = "EHAM";
    airport.airportName = "Schiphol";
    airport.bglPath = "Scenery/AF2_EHAM.bgl";
    airport.altitude = -11;
    airport.realQualityFactor = 62;
    airport.softQualityFactor = -1;
    airport.trafficWeek = 2611;
    airport.stands = {stand("A1", 0.0, 30.0), stand("A2", 0.0, 30.0), stand("A3", 0.0, 30.0)};
    struct Case {
        const char* name;
        std::string publisher;
        bool learned;
        bool handmade;
        std::optional<std::int32_t> otherSettingsMaxLive; // nullopt: settings at their defaults
        Parameters expected;
    };
    const Parameters defaultSettings = {
        {"LATERAL_RANGE", "40"},        {"AUTO_RANGE", "true"}, {"WEEK", "false"},
        {"PARK_FAKE", "false"},         {"PARK_SOFT", "true"},  {"parking_percentage", "30"},
        {"INITIAL_LOAD_ONLY", "false"}, {"MAX_FIT", "47"},      {"RT_PARKTRAFFIC_ONLY", "false"},
        {"LEARN_SOFT", "true"}};
    const auto otherSettings = [](const char* maxLive) {
        Parameters settings = {{"LATERAL_RANGE", "55"},
                               {"AUTO_RANGE", "false"},
                               {"WEEK", "true"},
                               {"PARK_FAKE", "true"},
                               {"PARK_SOFT", "false"},
                               {"parking_percentage", "70"},
                               {"INITIAL_LOAD_ONLY", "true"},
                               {"MAX_FIT", "12"},
                               {"RT_PARKTRAFFIC_ONLY", "true"}};
        if (maxLive != nullptr) {
            settings.emplace_back("MAX_LIVE", maxLive);
        }
        settings.emplace_back("LEARN_SOFT", "false");
        return settings;
    };
    const auto join = [](Parameters head, const Parameters& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const Case cases[] = {
        {"generated file, named publisher",
         "Aerosoft",
         false,
         false,
         std::nullopt,
         {{"airport_name", "Schiphol"},
          {"publisher", "Aerosoft"},
          {"altitude", "-11"},
          {"num_parkpos", "3"}}},
        {"generated file, unknown publisher, settings changed but not written",
         "unknown",
         false,
         false,
         299,
         {{"airport_name", "Schiphol"},
          {"publisher", "unknown"},
          {"altitude", "-11"},
          {"num_parkpos", "3"},
          {"BGLpath", "Scenery/AF2_EHAM.bgl"}}},
        {"learned file, settings changed, MAX_LIVE below its default", "ORBX", true, false, 299,
         join({{"airport_name", "Schiphol"}, {"publisher", "ORBX"}, {"num_parkpos", "3"}},
              otherSettings("299"))},
        {"learned file, settings changed, MAX_LIVE at its default", "ORBX", true, false, 300,
         join({{"airport_name", "Schiphol"}, {"publisher", "ORBX"}, {"num_parkpos", "3"}},
              otherSettings(nullptr))},
        {"handmade learned file, default settings", "unknown", true, true, std::nullopt,
         join({{"airport_name", "Schiphol"},
               {"publisher", "unknown"},
               {"handmade", "true"},
               {"altitude", "-11"},
               {"num_parkpos", "3"},
               {"Qf_real", "62"},
               {"Qf_soft", "-1"},
               {"BGLpath", "Scenery/AF2_EHAM.bgl"}},
              defaultSettings)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetParametersForTests();
        if (c.otherSettingsMaxLive) {
            setOtherSettings(*c.otherSettingsMaxLive);
        }
        airport.publisher = c.publisher;
        doc.reset();
        ASSERT_TRUE(lf_writeApfParameters(doc, airport, c.learned, c.handmade));
        EXPECT_EQ(parametersOf(doc), c.expected);
    }
}

TEST_F(AirportWriterTest, AGeneratedFileIsWrittenWholeInTheLibraryLayout) {
    META_COPYRIGHT.assign("(c) Test");
    ScannedAirport airport;
    airport.ident = "EHAM";
    airport.airportName = "Schiphol & \"Polderbaan\"";
    airport.publisher = "Aerosoft";
    airport.altitude = -11;
    airport.stands = {stand("D7", std::numbers::pi, 40.0, true),
                      stand("H1", 0.0, 20.0, false, true, true)};
    airport.stands[0].observations = {observation("N999ZZ")};
    const fs::path path = "airports/my_thirdparty/EHAM.xml";
    fs::create_directories(path.parent_path());
    ASSERT_TRUE(gf_saveApf(airport, path, false, false));
    EXPECT_EQ(readBytes(path),
              fmt::format("<?xml version=\"1.0\"?>\n"
                          "<meta>\n"
                          "\t<info name=\"author\" value=\"KSBY_P3D\" />\n"
                          "\t<info name=\"version\" value=\"{}\" />\n"
                          "\t<info name=\"date\" value=\"Dec 09, 2026\" />\n"
                          "\t<info name=\"copyright\" value=\"(c) Test\" />\n"
                          "</meta>\n"
                          "<parameters>\n"
                          "\t<parameter name=\"airport_name\" value=\"Schiphol &amp; "
                          "&quot;Polderbaan&quot;\" />\n"
                          "\t<parameter name=\"publisher\" value=\"Aerosoft\" />\n"
                          "\t<parameter name=\"altitude\" value=\"-11\" />\n"
                          "\t<parameter name=\"num_parkpos\" value=\"2\" />\n"
                          "</parameters>\n"
                          "<parkpositions>\n"
                          "\t<parkpos id=\"D7\" latitude=\"52.308611\" longitude=\"4.763889\" "
                          "heading=\"180.0\" radius=\"40.0\" cargo=\"true\" ramp=\"false\" />\n"
                          "\t<parkpos id=\"H1\" latitude=\"52.308611\" longitude=\"4.763889\" "
                          "heading=\"0.0\" radius=\"20.0\" heli=\"true\" ramp=\"true\" />\n"
                          "</parkpositions>\n",
                          kProgramVersionText));
    // The writer reports nothing; its callers do.
    freshLog();
    ASSERT_TRUE(gf_saveApf(airport, path, false, false));
    EXPECT_TRUE(logLines().empty());
}

TEST_F(AirportWriterTest, AFailedSaveLeavesTheOldFileAsItWas) {
    const fs::path path = "airports/learned/stock/EHAM.xml";
    AirportFileBuilder().parameter("airport_name", "old").parkpos({{"id", "A1"}}).write(path);
    const std::string old = readBytes(path);
    ScannedAirport airport;
    airport.airportName = "new";
    airport.stands = {stand("B2", 0.0, 30.0)};

    // Something else holds the temporary file's name, so the new file cannot be written.
    const fs::path temporary = "airports/learned/stock/EHAM.xml.tmp";
    fs::create_directories(temporary);
    EXPECT_FALSE(gf_saveApf(airport, path, true, false));
    EXPECT_EQ(readBytes(path), old);
    EXPECT_TRUE(fs::is_directory(temporary));
    EXPECT_TRUE(fs::is_empty(temporary));
    std::vector<fs::path> entries;
    for (const auto& entry : fs::directory_iterator(path.parent_path())) {
        entries.push_back(entry.path().filename());
    }
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<fs::path>{"EHAM.xml", "EHAM.xml.tmp"}));

    // A folder that does not exist cannot take the file either.
    EXPECT_FALSE(gf_saveApf(airport, "airports/learned/missing/EHAM.xml", true, false));
    EXPECT_FALSE(fs::exists("airports/learned/missing"));

    // Once the name is free the file is replaced, and no temporary stays behind.
    fs::remove(temporary);
    ASSERT_TRUE(gf_saveApf(airport, path, true, false));
    EXPECT_NE(readBytes(path).find("value=\"new\""), std::string::npos);
    EXPECT_FALSE(fs::exists(temporary));
}

} // namespace
