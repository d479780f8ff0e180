// The liveries file: written from the scanned records, read back into them, and its errors.
#include "catalogue_test_fixture.h"
#include "core/exceptions.h"
#include "support/manual_clock.h"

#include <functional>

namespace {

using namespace ksb::test;

// Wed Dec 09 2026.
constexpr double kDecember9 = 1796812199.0;

const std::filesystem::path kLiveriesFile = std::filesystem::path("output") / "LiveriesScanned.xml";

class LiveriesFileTest : public CatalogueTest {
protected:
    ManualClock clock{kDecember9};
    ScopedClock scopedClock{clock};
};

std::string userErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const ksb::UserErrorException& e) {
        return e.what();
    }
    return "no exception";
}

TEST_F(LiveriesFileTest, WritesMetaAndOneElementPerRecordInOrder) {
    META_COPYRIGHT.assign("(c) Test");
    scannedLiveries = {livery("DLH", "A320", "Lufthansa A320"),
                       livery("FDX", "B77L", "FedEx B777F", "N850FD", true)};
    gf_writeLiveriesXml();
    EXPECT_EQ(readBytes(work / kLiveriesFile.string()),
              "<?xml version=\"1.0\"?>\n"
              "<meta>\n"
              "\t<info name=\"author\" value=\"KSBY_P3D\" />\n"
              "\t<info name=\"version\" value=\"9.3.0\" />\n"
              "\t<info name=\"date\" value=\"Dec 09, 2026\" />\n"
              "\t<info name=\"copyright\" value=\"(c) Test\" />\n"
              "</meta>\n"
              "<liveries>\n"
              "\t<liv airl=\"DLH\" type=\"A320\" title=\"Lufthansa A320\" atcid=\"\" />\n"
              "\t<liv airl=\"FDX\" type=\"B77L\" cargo=\"true\" title=\"FedEx B777F\" "
              "atcid=\"N850FD\" />\n"
              "</liveries>\n");
    EXPECT_EQ(logFrom("\"output/LiveriesScanned.xml\" saved", 2),
              (std::vector<std::string>{"\"output/LiveriesScanned.xml\" saved",
                                        "2 liveries in output/LiveriesScanned.xml"}));
}

TEST_F(LiveriesFileTest, NothingWrittenWithoutRecords) {
    gf_writeLiveriesXml();
    EXPECT_FALSE(std::filesystem::exists(kLiveriesFile));
    EXPECT_FALSE(logContains("liveries in"));
}

TEST_F(LiveriesFileTest, RecordsReadBackByteIdenticalWithPriorityZero) {
    const std::vector<LiveryRecord> records = {
        livery("AFR", "A320", "Air France \"A&B\" <new> 'x' caf\xE9"),
        livery("DLH", "A320", "Lufthansa", "D-AIPA"),
        livery("FDX", "B77L", "FedEx", "", true),
        livery("ZZZ", "C172", "  padded  "),
    };
    scannedLiveries = records;
    gf_writeLiveriesXml();
    scannedLiveries = {livery("OLD", "OLD", "stale")};

    gf_readLiveriesXml();
    ASSERT_EQ(scannedLiveries.size(), records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(records[i].title);
        EXPECT_EQ(scannedLiveries[i], records[i]);
        EXPECT_EQ(scannedLiveries[i].title, records[i].title);
        EXPECT_EQ(scannedLiveries[i].priority, 0);
    }
    EXPECT_TRUE(logHas("No scan done, 4 liveries read from output/LiveriesScanned.xml"));
}

TEST_F(LiveriesFileTest, AttributesAsTheyStand) {
    struct Case {
        const char* cargo;
        bool value;
    };
    const Case cases[] = {{"1", true}, {"t", true},      {"T", true},  {"yes", true},
                          {"Y", true}, {"false", false}, {"0", false}, {"no", false},
                          {"", false}, {" true", false}};
    std::string text = "<liveries>"
                       "<liv airl=\"DLH\" type=\"A320\" title=\"no cargo, no atcid\" />"
                       "<other airl=\"XXX\" />"
                       "<liv />";
    for (const Case& c : cases) {
        text += std::string("<liv cargo=\"") + c.cargo + "\" />";
    }
    writeBytes(work / kLiveriesFile.string(), text + "</liveries>");
    gf_readLiveriesXml();
    ASSERT_EQ(scannedLiveries.size(), 2 + std::size(cases));
    EXPECT_EQ(scannedLiveries[0], livery("DLH", "A320", "no cargo, no atcid"));
    EXPECT_FALSE(scannedLiveries[0].cargo);
    EXPECT_EQ(scannedLiveries[1], livery("", "", ""));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].cargo);
        EXPECT_EQ(scannedLiveries[2 + i].cargo, cases[i].value);
    }
    // Without a meta block the read goes on after the warning.
    EXPECT_TRUE(logHas("===> meta data incorrect?"));
}

TEST_F(LiveriesFileTest, IncompleteMetaIsOnlyLogged) {
    writeLiveriesFile({livery("DLH", "A320", "Lufthansa")},
                      {LiveriesFileOptions::Meta::incomplete, "liveries"});
    gf_readLiveriesXml();
    EXPECT_EQ(scannedLiveries.size(), 1u);
    EXPECT_TRUE(logHas("===> meta data incorrect?"));
}

TEST_F(LiveriesFileTest, ReadErrors) {
    struct Case {
        const char* name;
        std::function<void()> prepare;
        std::string what;
    };
    const Case cases[] = {
        {"missing file", [] {}, "51: File output/LiveriesScanned.xml not found"},
        {"malformed", [] { writeBytes(kLiveriesFile, "<liveries><liv airl=\"DLH\""); },
         "51: File output/LiveriesScanned.xml not found"},
        {"folder in its place", [] { std::filesystem::create_directories(kLiveriesFile); },
         "51: File output/LiveriesScanned.xml not found"},
        {"no liveries element",
         [] {
             writeLiveriesFile({livery("DLH", "A320", "x")}, {{}, "liverys"});
         },
         "52: output/LiveriesScanned.xml does not contain a <liveries> section"},
        {"no records", [] { writeLiveriesFile({}); },
         "53: output/LiveriesScanned.xml does not contain liveries"},
        {"only other elements",
         [] { writeBytes(kLiveriesFile, "<liveries><livery airl=\"DLH\" /></liveries>"); },
         "53: output/LiveriesScanned.xml does not contain liveries"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(kLiveriesFile);
        c.prepare();
        scannedLiveries = {livery("OLD", "OLD", "stale")};
        EXPECT_EQ(userErrorOf([] { gf_readLiveriesXml(); }), c.what);
        EXPECT_TRUE(scannedLiveries.empty());
    }
}

TEST_F(LiveriesFileTest, FailedSaveLeavesTheOldFileWhole) {
    writeBytes(kLiveriesFile, "old content");
    // A folder where the temporary file goes: the save cannot write, whoever runs the test.
    std::filesystem::create_directory(work / "output" / "LiveriesScanned.xml.tmp");
    scannedLiveries = {livery("DLH", "A320", "Lufthansa")};
    gf_writeLiveriesXml();
    EXPECT_EQ(readBytes(kLiveriesFile), "old content");
    EXPECT_TRUE(std::filesystem::is_directory(work / "output" / "LiveriesScanned.xml.tmp"));
    EXPECT_TRUE(std::filesystem::is_empty(work / "output" / "LiveriesScanned.xml.tmp"));
    EXPECT_TRUE(logHas("could not save to \"output/LiveriesScanned.xml\""));
    const auto entries = std::distance(std::filesystem::directory_iterator(work / "output"),
                                       std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 3); // info, the old file and the folder
}

} // namespace
