// The readers that look into one airport file without loading it as the park airport, the
// parameter readers and the quality text.
#include "airports_test_fixture.h"

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

const std::string kUnparsable = "<parameters><parameter name=\"num_parkpos\" value=\"3\">";

TEST_F(AirportsTest, StandCountAndPublisherOfAFile) {
    struct Case {
        const char* name;
        std::optional<std::string> bytes; // nullopt: no file
        std::int32_t count;
        std::string publisher;
    };
    const Case cases[] = {
        {"both present",
         AirportFileBuilder()
             .parameter("publisher", "FlyTampa")
             .parameter("num_parkpos", "12")
             .text(),
         12, "FlyTampa"},
        {"first of duplicates",
         AirportFileBuilder()
             .parameter("num_parkpos", "7")
             .parameter("publisher", "A")
             .parameter("num_parkpos", "8")
             .parameter("publisher", "B")
             .text(),
         7, "A"},
        {"without values",
         AirportFileBuilder()
             .parameterWithoutValue("num_parkpos")
             .parameterWithoutValue("publisher")
             .text(),
         0, ""},
        {"absent", AirportFileBuilder().parameter("airport_name", "x").text(), 0, ""},
        {"no meta block does not matter",
         AirportFileBuilder().withoutMeta().parameter("num_parkpos", "2").text(), 2, ""},
        {"does not parse", kUnparsable, 0, ""},
        {"missing file", std::nullopt, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("airports");
        if (c.bytes) {
            writeBytes(kOrbxFile, *c.bytes);
        }
        EXPECT_EQ(lf_readNumParkpos(kOrbxFile), c.count);
        EXPECT_EQ(lf_readPublisher(kOrbxFile), c.publisher);
    }
    // A folder in the file's place is not read.
    fs::create_directories("airports/folder.xml");
    EXPECT_EQ(lf_readNumParkpos("airports/folder.xml"), 0);
    EXPECT_EQ(lf_readPublisher("airports/folder.xml"), "");
}

TEST_F(AirportsTest, TheGateCheckLooksForAStandOfExactlyThatName) {
    struct Case {
        const char* name;
        std::optional<std::string> bytes;
        std::string stand;
        bool found;
    };
    const std::string file =
        AirportFileBuilder().parkpos({{"id", "A1"}}).parkpos({{"id", "D7"}}).text();
    const Case cases[] = {
        {"present", file, "D7", true},
        {"other case", file, "d7", false},
        {"absent", file, "D8", false},
        {"no parkpositions", AirportFileBuilder().withoutParkPositions().text(), "D7", false},
        {"does not parse", kUnparsable, "D7", false},
        {"missing file", std::nullopt, "D7", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("airports");
        if (c.bytes) {
            writeBytes(kOrbxFile, *c.bytes);
        }
        EXPECT_EQ(gf_readApfForGateCheck("EHAM", c.stand), c.found);
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(AirportsTest, TheClosestStandSearchKeepsTheFirstOfEqualDistances) {
    const Position origin{0.0, 0.0};
    struct Case {
        const char* name;
        std::optional<std::string> bytes;
        double distance; // -1: check only that it is below 100
        std::string standName;
    };
    const Case cases[] = {
        {"the nearest",
         AirportFileBuilder()
             .parkpos({{"id", "far"}, {"latitude", "0.5"}, {"longitude", "0"}})
             .parkpos({{"id", "near"}, {"latitude", "0.1"}, {"longitude", "0"}})
             .text(),
         -1.0, "near"},
        {"the first of two equal distances",
         AirportFileBuilder()
             .parkpos({{"id", "east"}, {"latitude", "0"}, {"longitude", "1"}})
             .parkpos({{"id", "west"}, {"latitude", "0"}, {"longitude", "-1"}})
             .text(),
         -1.0, "east"},
        {"a stand on the position, its coordinates missing",
         AirportFileBuilder()
             .parkpos({{"id", "far"}, {"latitude", "1"}})
             .parkpos({{"id", "here"}})
             .text(),
         0.0, "here"},
        {"every stand 100 NM or more away",
         AirportFileBuilder()
             .parkpos({{"id", "x"}, {"latitude", "10"}, {"longitude", "10"}})
             .text(),
         100.0, "untouched"},
        {"no stand", AirportFileBuilder().text(), 100.0, "untouched"},
        {"does not parse", kUnparsable, 100.0, "untouched"},
        {"missing file", std::nullopt, 100.0, "untouched"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("airports");
        if (c.bytes) {
            writeBytes(kOrbxFile, *c.bytes);
        }
        std::string name = "untouched";
        const double distance = gf_readDestApfForClosestStand("EHAM", origin, name);
        if (c.distance < 0.0) {
            EXPECT_GT(distance, 0.0);
            EXPECT_LT(distance, 100.0);
        } else {
            EXPECT_EQ(distance, c.distance);
        }
        EXPECT_EQ(name, c.standName);
    }
    EXPECT_TRUE(logLines().empty());
}

TEST_F(AirportsTest, QualityFactorsAreLookedForInTheStockArchiveFileOnly) {
    struct Case {
        const char* name;
        fs::path path;
        std::optional<std::string> bytes;
        bool result;
    };
    const Case cases[] = {
        {"real factor", kStockFile,
         AirportFileBuilder().parameter("Qf_real", "30").parameter("Qf_soft", "-1").text(), true},
        {"soft factor 0", kStockFile,
         AirportFileBuilder().parameter("Qf_real", "-1").parameter("Qf_soft", "0").text(), true},
        {"both -1", kStockFile,
         AirportFileBuilder().parameter("Qf_real", "-1").parameter("Qf_soft", "-1").text(), false},
        {"absent", kStockFile, AirportFileBuilder().text(), false},
        {"without value", kStockFile, AirportFileBuilder().parameterWithoutValue("Qf_real").text(),
         true},
        {"only in a generated file", kOrbxFile,
         AirportFileBuilder().parameter("Qf_real", "30").text(), false},
        {"does not parse", kStockFile, "<parameters><parameter name=\"Qf_real\" value=\"30\">",
         false},
        {"missing file", kStockFile, std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("airports");
        if (c.bytes) {
            writeBytes(c.path, *c.bytes);
        }
        EXPECT_EQ(lf_readQualityFactors("EHAM"), c.result);
    }
}

TEST_F(AirportsTest, ParametersAreReadAsOptionalValues) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(AirportFileBuilder()
                                    .parameter("flag", "Yes")
                                    .parameter("off", "0")
                                    .parameter("number", "-12")
                                    .parameter("letters", "abc")
                                    .parameter("text", "Aerosoft")
                                    .parameter("text", "second")
                                    .parameterWithoutValue("empty")
                                    .text()
                                    .c_str()));
    EXPECT_EQ(gf_readBoolParameter(doc, "flag"), std::optional<bool>(true));
    EXPECT_EQ(gf_readBoolParameter(doc, "off"), std::optional<bool>(false));
    EXPECT_EQ(gf_readBoolParameter(doc, "empty"), std::optional<bool>(false));
    EXPECT_EQ(gf_readBoolParameter(doc, "absent"), std::nullopt);
    EXPECT_EQ(gf_readIntParameter(doc, "number"), std::optional<std::int32_t>(-12));
    EXPECT_EQ(gf_readIntParameter(doc, "letters"), std::optional<std::int32_t>(0));
    EXPECT_EQ(gf_readIntParameter(doc, "empty"), std::optional<std::int32_t>(0));
    EXPECT_EQ(gf_readIntParameter(doc, "absent"), std::nullopt);
    EXPECT_EQ(gf_readStringParameter(doc, "text"), std::optional<std::string>("Aerosoft"));
    EXPECT_EQ(gf_readStringParameter(doc, "empty"), std::optional<std::string>(""));
    EXPECT_EQ(gf_readStringParameter(doc, "absent"), std::nullopt);
}

TEST(QualityFactorsText, BothSignsAndThe45Boundary) {
    struct Case {
        std::int32_t real;
        std::int32_t soft;
        const char* text;
    };
    const Case cases[] = {
        {-1, -1, "  "},   {-1, 30, "-1/30"}, {30, -1, "30/-1"}, {0, 0, " 0/ 0"},
        {44, 5, "44/ 5"}, {45, 5, "45"},     {80, 10, "80"},    {100, -1, "100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.real << "/" << c.soft);
        EXPECT_EQ(gf_qualityFactorsText(c.real, c.soft), c.text);
    }
}

} // namespace
