// The aircraft database: dbase.xml read through the codec, its lookups, its warnings and errors.
#include "catalogue_test_fixture.h"
#include "core/codec.h"
#include "core/exceptions.h"

#include <pugixml.hpp>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <typeinfo>

namespace {

using namespace ksb::test;

class AircraftDatabaseTest : public CatalogueTest {};

TEST_F(AircraftDatabaseTest, CategoriesKnownTypesAndAirlines) {
    readDbase(smallDbaseSpec());
    struct Case {
        const char* name;
        std::string code;
        int category;
        bool known;
        bool airline;
    };
    const Case cases[] = {
        {"large", "A320", 2, true, false},
        {"large before heavy", "B762", 2, true, false},
        {"heavy", "B744", 3, true, false},
        {"buzjet", "C25A", 1, true, false},
        {"rotorcraft", "EC35", 5, true, false},
        {"high performance", "F16", 4, true, false},
        {"only in aircrafts", "C172", 0, true, false},
        {"unknown", "XXXX", 0, false, false},
        {"empty", "", 0, false, false},
        {"ICAO airline", "DLH", 0, false, true},
        {"cargo operator is no ICAO airline", "FDX", 0, false, false},
        {"lower case", "dlh", 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_typeCategory(c.code), c.category);
        EXPECT_EQ(gf_isKnownType(c.code), c.known);
        EXPECT_EQ(gf_isIcaoAirline(c.code), c.airline);
    }
    EXPECT_EQ(aircraftDatabase.typeSet(TypeSection::cargoTypes),
              (std::set<std::string>{"B744", "B748"}));
    EXPECT_EQ(aircraftDatabase.cargoOperators, std::set<std::string>{"FDX"});
    EXPECT_EQ(aircraftDatabase.similarLists,
              (std::vector<std::vector<std::string>>{
                  {"A319", "A320", "A321"}, {"B737", "B738", "B739"}, {"B744", "B748"}}));
    EXPECT_TRUE(logHas("4 dbase records from \"input/dbase.xml\" read"));
}

TEST_F(AircraftDatabaseTest, WingSpans) {
    readDbase(smallDbaseSpec());
    const double largeMean = (halfSpan(35.8) + halfSpan(35.79) + halfSpan(47.6)) / 3;
    struct Case {
        const char* name;
        std::string type;
        double span;
        bool own;
    };
    const Case cases[] = {
        {"first entry wins", "A320", halfSpan(35.8), true},
        {"own entry", "B738", halfSpan(35.79), true},
        {"heavy entry", "A388", halfSpan(79.75), true},
        {"missing meters give 0", "C25A", 0.0, true},
        {"large mean", "AT76", largeMean, false},
        {"heavy mean", "B744", halfSpan(79.75), false},
        {"buzjet mean", "C56X", 0.0, false},
        {"category without entries", "EC35", 0.0, false},
        {"unknown type, light mean", "XXXX", 0.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(gf_wingspanOfType(c.type), c.span);
        EXPECT_EQ(gf_hasWingspan(c.type), c.own);
    }
    // The dropped second A320 entry still counts for the maximum.
    EXPECT_DOUBLE_EQ(aircraftDatabase.maxHalfSpanNm, halfSpan(80.0));
}

TEST_F(AircraftDatabaseTest, NoWingSpansAtAllGiveZeroMeans) {
    DbaseSpec spec = smallDbaseSpec();
    spec.wingspans.clear();
    readDbase(spec);
    for (const char* type : {"A320", "B744", "C25A", "C172"}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(gf_wingspanOfType(type), 0.0);
        EXPECT_FALSE(gf_hasWingspan(type));
    }
    EXPECT_EQ(aircraftDatabase.maxHalfSpanNm, 0.0);
}

TEST_F(AircraftDatabaseTest, RegistrationVariants) {
    struct Case {
        const char* name;
        std::string registration;
        std::vector<std::string> variants;
    };
    const Case cases[] = {
        {"hyphen added two ways", "DAIPA", {"DAIPA", "DA-IPA", "D-AIPA"}},
        {"US registration", "N12345", {"N12345"}},
        {"has a hyphen", "G-ABCD", {"G-ABCD"}},
        {"too short", "ABCD", {"ABCD"}},
        {"empty", "", {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_registrationVariants(c.registration), c.variants);
    }
}

TEST_F(AircraftDatabaseTest, RegistrationLookups) {
    readDbase(smallDbaseSpec());
    struct Case {
        const char* name;
        std::string registration;
        std::string airline, type, operatorCode;
        bool found;
    };
    const Case cases[] = {
        {"exact", "D-AIPA", "DLH", "A320", "DLH", true},
        {"through a variant", "DAIPA", "DLH", "A320", "DLH", true},
        {"other operator", "PHBFA", "KLM", "B744", "MPH", true},
        {"no operator", "G-EUUA", "BAW", "A320", "", true},
        {"N registration", "N123AA", "AAL", "B738", "", true},
        {"unknown", "D-ABCD", "", "", "", false},
        {"empty", "", "", "", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_dbaseRecordOfReg(c.registration).has_value(), c.found);
        EXPECT_EQ(gf_dbaseAirlineOfReg(c.registration), c.airline);
        EXPECT_EQ(gf_dbaseTypeOfReg(c.registration), c.type);
        EXPECT_EQ(gf_dbaseOperatorOfReg(c.registration), c.operatorCode);
    }
    EXPECT_TRUE(gf_dbaseRecordOfReg("PH-BFA")->cargo);

    std::optional<DbaseRecord> holder;
    EXPECT_FALSE(gf_dbaseLookup(holder, "DAIPA"));
    EXPECT_FALSE(holder.has_value());
    ASSERT_TRUE(gf_dbaseLookup(holder, "D-AIPA"));
    EXPECT_EQ(holder->type, "A320");
    // A miss leaves what the holder had.
    EXPECT_FALSE(gf_dbaseLookup(holder, "G-XXXX"));
    EXPECT_EQ(holder->airline, "DLH");
    ASSERT_TRUE(gf_dbaseLookup(holder, "G-EUUA"));
    EXPECT_EQ(holder->airline, "BAW");
}

TEST_F(AircraftDatabaseTest, Publishers) {
    readDbase(smallDbaseSpec());
    // Groups stand in the order of their raw texts.
    ASSERT_EQ(aircraftDatabase.publisherGroups.size(), 3u);
    EXPECT_EQ(aircraftDatabase.publisherGroups[0].front(), "Aerosoft");
    struct Case {
        const char* name;
        std::string text;
        std::string publisher;
    };
    const Case cases[] = {
        {"exact", "SimObjects/Airplanes/Aerosoft A320", "Aerosoft"},
        {"other case", "simobjects/aerosoft a320", "Aerosoft"},
        {"second name of a group", "AS Group A319", "Aerosoft"},
        {"first group in table order wins", "FSLTL Aerosoft", "Aerosoft"},
        {"invalid pattern found as substring", "Just(Flight A320", "Just(Flight"},
        {"invalid pattern other case", "just(flight A320", "unknown"},
        {"no name", "SimObjects/Airplanes/Default", "unknown"},
        {"empty", "", "unknown"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_publisherOf(c.text), c.publisher);
    }
}

TEST_F(AircraftDatabaseTest, EmptyPublisherNamesMatchNothing) {
    DbaseSpec spec = smallDbaseSpec();
    // An empty name would be a substring of every text.
    spec.publishers = {",Orbx", "", " , "};
    readDbase(spec);
    EXPECT_EQ(aircraftDatabase.publisherGroups, std::vector<std::vector<std::string>>{{"Orbx"}});
    EXPECT_EQ(gf_publisherOf("Default/EDDF"), "unknown");
    EXPECT_EQ(gf_publisherOf("Orbx/EGLL"), "Orbx");
}

TEST_F(AircraftDatabaseTest, ContainsNameIgnoringCase) {
    struct Case {
        const char* name;
        std::string text, pattern;
        bool result;
    };
    const Case cases[] = {
        {"other case", "My Aerosoft Livery", "AEROSOFT", true},
        {"pattern", "FSLTL_A320", "fsltl_a3.0", true},
        {"absent", "Default", "Aerosoft", false},
        {"invalid pattern", "a(b", "(", false},
        // The name is a pattern as it stands: ".*a|b.*" is "ends in a" or "starts with b".
        {"alternative, first branch", "xa", "a|b", true},
        {"alternative, second branch not at the start", "xb", "a|b", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_containsNameIcase(c.text, c.pattern), c.result);
    }
}

TEST_F(AircraftDatabaseTest, WarningsSkipEntriesOrKeepTheFirst) {
    DbaseSpec spec = smallDbaseSpec();
    spec.wingspans = {{"A320", "35.8"}, {"XXXX", "30"},    {"B738", "nan"},  {"B739", "inf"},
                      {"A321", "-30"},  {"A319", "1e999"}, {"B737", "-nan"}, {"AT76", "27.05"}};
    spec.records.push_back({"D-AIPA", "BAW", "B744", "", false});
    spec.records.push_back({"D-AIPB", "", "A320", "", false, std::string("DLH")});
    readDbase(spec);

    const std::vector<std::string> expected = {
        "===> wingspan model XXXX is no valid model, skipped",
        "===> wingspan model B738 has an invalid span nan, skipped",
        "===> wingspan model B739 has an invalid span inf, skipped",
        "===> wingspan model A321 has an invalid span -30, skipped",
        "===> wingspan model A319 has an invalid span 1e999, skipped",
        "===> wingspan model B737 has an invalid span -nan, skipped",
        "===> regcode D-AIPA already exists",
        "===> Unencrypted airline DLH in decrypt airl?",
    };
    for (const std::string& line : expected) {
        SCOPED_TRACE(line);
        EXPECT_TRUE(logHas(line));
    }
    for (const char* type : {"XXXX", "B738", "B739", "A321", "A319", "B737"}) {
        SCOPED_TRACE(type);
        EXPECT_FALSE(gf_hasWingspan(type));
        EXPECT_TRUE(std::isfinite(gf_wingspanOfType(type)));
    }
    // Only the valid entries make the large mean and the maximum.
    EXPECT_DOUBLE_EQ(gf_wingspanOfType("B738"), (halfSpan(35.8) + halfSpan(27.05)) / 2);
    EXPECT_DOUBLE_EQ(aircraftDatabase.maxHalfSpanNm, halfSpan(35.8));
    EXPECT_EQ(gf_dbaseAirlineOfReg("D-AIPA"), "DLH");
    EXPECT_EQ(gf_dbaseAirlineOfReg("D-AIPB"), "DLH");
}

TEST_F(AircraftDatabaseTest, MissingAttributesReadAsEmpty) {
    DbaseSpec spec = smallDbaseSpec();
    spec.leaveOut = {"dbase"};
    writeBytes(work / "input" / "dbase.xml", dbaseXmlText(spec) + "<dbase><db reg=\"" +
                                                 regcodeEncrypt("G-ABCD") + "\" /></dbase>");
    ASSERT_TRUE(gf_readDbase());
    const auto record = gf_dbaseRecordOfReg("G-ABCD");
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->airline, "");
    EXPECT_EQ(record->type, "");
    EXPECT_EQ(record->operatorCode, "");
    EXPECT_FALSE(record->cargo);
}

TEST_F(AircraftDatabaseTest, OptionalSectionsMayBeMissing) {
    DbaseSpec spec = smallDbaseSpec();
    spec.leaveOut = {"similar_types", "publishers", "wingspans", "dbase"};
    readDbase(spec);
    EXPECT_TRUE(aircraftDatabase.similarLists.empty());
    EXPECT_EQ(gf_publisherOf("Aerosoft"), "unknown");
    EXPECT_TRUE(aircraftDatabase.dbaseRecords.empty());
    EXPECT_TRUE(logHas("0 dbase records from \"input/dbase.xml\" read"));
}

template <class Exception> std::string whatOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const Exception& e) {
        return e.what();
    }
    return "no exception";
}

std::string parseDescription(const std::string& text) {
    pugi::xml_document doc;
    return doc.load_string(text.c_str()).description();
}

TEST_F(AircraftDatabaseTest, UnreadableFileIsUserError60) {
    EXPECT_EQ(whatOf<ksb::UserErrorException>([] { gf_readDbase(); }),
              "60: \"input/dbase.xml\" not read because of File was not found");

    DbaseSpec spec = smallDbaseSpec();
    spec.malformed = true;
    writeDbaseXml(spec);
    EXPECT_EQ(whatOf<ksb::UserErrorException>([] { gf_readDbase(); }),
              "60: \"input/dbase.xml\" not read because of " +
                  parseDescription(dbaseXmlText(spec)));
    EXPECT_NE(parseDescription(dbaseXmlText(spec)), "No error");

    // A folder where the file should be is not read.
    std::filesystem::remove(work / "input" / "dbase.xml");
    std::filesystem::create_directory(work / "input" / "dbase.xml");
    EXPECT_EQ(whatOf<ksb::UserErrorException>([] { gf_readDbase(); }),
              "60: \"input/dbase.xml\" not read because of Error reading from file/stream");
}

TEST_F(AircraftDatabaseTest, EmptyListSectionIsUserError61BeforeLaterSections) {
    struct Case {
        const char* name;
        std::function<void(DbaseSpec&)> change;
        std::string what;
        TypeSection lastRead;
    };
    const Case cases[] = {
        {"aircrafts missing", [](DbaseSpec& s) { s.leaveOut = {"aircrafts"}; },
         "61: In an xml file section aircrafts aircraft types is empty ", TypeSection::count},
        {"heavy empty", [](DbaseSpec& s) { s.heavy.clear(); },
         "61: In an xml file section heavy hvy types is empty ", TypeSection::highPerformance},
        {"cargo types only empty values",
         [](DbaseSpec& s) {
             s.cargoTypes = {"", ""};
         },
         "61: In an xml file section cargo_types cargo_type types is empty ",
         TypeSection::rotorcraft},
        {"ICAO airlines missing", [](DbaseSpec& s) { s.leaveOut = {"ICAO_airlines"}; },
         "61: In an xml file section ICAO_airlines ICAO codes is empty ", TypeSection::cargoTypes},
        {"cargo operators empty", [](DbaseSpec& s) { s.cargoOperators.clear(); },
         "61: In an xml file section cargo_operators ICAO codes is empty ",
         TypeSection::cargoTypes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetCatalogueForTests();
        DbaseSpec spec = smallDbaseSpec();
        c.change(spec);
        writeDbaseXml(spec);
        EXPECT_EQ(whatOf<ksb::UserErrorException>([] { gf_readDbase(); }), c.what);
        for (int section = 0; section < static_cast<int>(TypeSection::count); ++section) {
            const bool read =
                c.lastRead != TypeSection::count && section <= static_cast<int>(c.lastRead);
            EXPECT_EQ(!aircraftDatabase.typeSets[static_cast<std::size_t>(section)].empty(), read)
                << "section " << section;
        }
        EXPECT_TRUE(aircraftDatabase.publisherGroups.empty());
        EXPECT_TRUE(aircraftDatabase.halfSpanByType.empty());
        EXPECT_TRUE(aircraftDatabase.dbaseRecords.empty());
    }
}

TEST_F(AircraftDatabaseTest, AirlineOfBadLengthEndsTheReadWithTheCodecsError) {
    DbaseSpec spec = smallDbaseSpec();
    spec.records.push_back({"G-ABCD", "", "A320", "", false, std::string("ABCD")});
    writeDbaseXml(spec);
    try {
        gf_readDbase();
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(typeid(e), typeid(std::runtime_error));
        EXPECT_STREQ(e.what(), "decrypt airl \"ABCD\" error");
    }
}

TEST_F(AircraftDatabaseTest, ASecondReadGivesTheSameDatabase) {
    readDbase(smallDbaseSpec());
    const auto similar = aircraftDatabase.similarLists;
    const auto publishers = aircraftDatabase.publisherGroups;
    const auto records = aircraftDatabase.dbaseRecords.size();
    ASSERT_TRUE(gf_readDbase());
    EXPECT_EQ(aircraftDatabase.similarLists, similar);
    EXPECT_EQ(aircraftDatabase.publisherGroups, publishers);
    EXPECT_EQ(aircraftDatabase.dbaseRecords.size(), records);
    EXPECT_FALSE(logContains("already exists"));
}

} // namespace
