// Registration codes from the liveries, the AIG file and the user's .TXT files, the reports they
// write, and the don't-use titles.
#include "catalogue/regcodes.h"
#include "catalogue_test_fixture.h"
#include "core/codec.h"

#include <functional>

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

const fs::path kOfflineReport = fs::path("output") / "info" / "OfflineRegcodes.txt";
const fs::path kInlineReport = fs::path("output") / "errors" / "InlineRegcodes.txt";

class RegcodesTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        readDbase(smallDbaseSpec());
    }

    // The installed liveries most cases use.
    static std::vector<LiveryRecord> installed() {
        return {livery("DLH", "A320", "Lufthansa A"), livery("DLH", "A320", "Lufthansa B"),
                livery("DLH", "A320", "Lufthansa C"), livery("BAW", "A320", "British A")};
    }

    std::string regcodeTitle(const std::string& registration) const {
        const auto it = liveryIndex.regcodeTitles.find(registration);
        return it == liveryIndex.regcodeTitles.end() ? "<none>" : std::string(it->second);
    }

    // The report file's lines; empty when there is none.
    static std::vector<std::string> reportLines(const fs::path& path) {
        if (!fs::exists(path)) {
            return {};
        }
        std::vector<std::string> lines;
        std::string text = readBytes(path);
        std::size_t start = 0;
        while (start < text.size()) {
            const std::size_t end = text.find('\n', start);
            lines.push_back(text.substr(start, end - start));
            start = end == std::string::npos ? text.size() : end + 1;
        }
        return lines;
    }

    void resetSources() {
        fs::remove(fs::path("input") / "AIG-regcodes.xml");
        fs::remove_all(fs::path("input") / "my_regcodes");
        fs::create_directories(fs::path("input") / "my_regcodes");
    }
};

TEST_F(RegcodesTest, LaterSourcesOverrideEarlierOnes) {
    writeAigRegcodes({{"Lufthansa B", std::vector<std::string>{"D-AIPA", "D-AIPB"}},
                      {"British A", std::vector<std::string>{"G-EUUA"}},
                      {"British A", std::vector<std::string>{"D-AIPB"}}});
    writeRegcodeTxt("mine.TXT", {"Lufthansa C;D-AIPA"});
    std::vector<LiveryRecord> records = installed();
    records[0].atcid = "D-AIPA";
    buildIndex(records);

    EXPECT_EQ(regcodeTitle("D-AIPA"), "Lufthansa C");
    EXPECT_EQ(regcodeTitle("D-AIPB"), "British A");
    EXPECT_EQ(regcodeTitle("G-EUUA"), "British A");
    EXPECT_EQ(reportLines(kOfflineReport),
              (std::vector<std::string>{
                  "Processing input/AIG-regcodes.xml",
                  "   regcode D-AIPA for \"Lufthansa B\", instead of for \"Lufthansa A\"",
                  "   regcode D-AIPB for \"British A\", instead of for \"Lufthansa B\"",
                  "input/AIG-regcodes.xml: 2 new regcodes added, 2 regcodes replaced",
                  "Processing files in input/my_regcodes",
                  "   regcode D-AIPA for \"Lufthansa C\", instead of for \"Lufthansa B\"",
                  "input/my_regcodes/mine.TXT: 0 new regcodes added, 1 regcode replaced, 1 "
                  "regcode defined as special",
              }));
    EXPECT_EQ(sortedTexts(liveryIndex.specialTitles), std::vector<std::string>{"Lufthansa C"});
    EXPECT_EQ(logFrom("Offline regcode files processed, results can be found in "
                      "\"output/info/OfflineRegcodes.txt\"",
                      3),
              (std::vector<std::string>{"Offline regcode files processed, results can be found "
                                        "in \"output/info/OfflineRegcodes.txt\"",
                                        "1 special liveries", "3 registration codes"}));
    // Entries view the stored titles.
    EXPECT_EQ(liveryIndex.regcodeTitles.at("D-AIPA").data(),
              lf_findTitleInIndex("Lufthansa C").data());
}

TEST_F(RegcodesTest, SpecialTitles) {
    struct Case {
        const char* name;
        std::function<void()> write;
        std::vector<std::string> specials;
        std::string summary;
    };
    const Case cases[] = {
        {"one registration",
         [] { writeRegcodeTxt("s.TXT", {"Lufthansa A;D-AIPA"}); },
         {"Lufthansa A"},
         "input/my_regcodes/s.TXT: 1 new regcode added, 1 regcode defined as special"},
        {"two registrations",
         [] { writeRegcodeTxt("s.TXT", {"Lufthansa A;D-AIPA,D-AIPB"}); },
         {},
         "input/my_regcodes/s.TXT: 2 new regcodes added"},
        {"two registrations and #",
         [] { writeRegcodeTxt("s.TXT", {"Lufthansa A;D-AIPA, D-AIPB ; #"}); },
         {"Lufthansa A", "Lufthansa A"},
         "input/my_regcodes/s.TXT: 2 new regcodes added, 2 regcodes defined as special"},
        {"another third field",
         [] { writeRegcodeTxt("s.TXT", {"Lufthansa A;D-AIPA;x"}); },
         {},
         "input/my_regcodes/s.TXT: 0 new regcodes added"},
        {"AIG special",
         [] {
             writeAigRegcodes({{"Lufthansa A", std::vector<std::string>{"D-AIPA", "D-AIPB"},
                                std::string("true")}});
         },
         {"Lufthansa A", "Lufthansa A"},
         "input/AIG-regcodes.xml: 2 new regcodes added, 2 regcodes defined as special"},
        {"AIG not special",
         [] {
             writeAigRegcodes(
                 {{"Lufthansa A", std::vector<std::string>{"D-AIPA"}, std::string("false")},
                  {"Lufthansa B", std::vector<std::string>{"D-AIPB"}}});
         },
         {},
         "input/AIG-regcodes.xml: 2 new regcodes added"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetSources();
        c.write();
        buildIndex(installed());
        EXPECT_EQ(sortedTexts(liveryIndex.specialTitles), c.specials);
        EXPECT_EQ(reportLines(kOfflineReport).back(), c.summary);
    }
}

TEST_F(RegcodesTest, TxtLinesByFieldCount) {
    struct Case {
        const char* name;
        std::string line;
        std::string title; // of D-AIPA afterwards
        std::vector<std::string> reportAfterProcessing;
        bool logged;
    };
    const std::string summary0 = "input/my_regcodes/f.TXT: 0 new regcodes added";
    const Case cases[] = {
        {"empty", "", "<none>", {summary0}, false},
        {"blanks", "  \t ", "<none>", {summary0}, false},
        {"one field", "Lufthansa A", "<none>", {summary0}, false},
        {"two fields",
         " Lufthansa A ; D-AIPA ",
         "Lufthansa A",
         {"input/my_regcodes/f.TXT: 1 new regcode added, 1 regcode defined as special"},
         false},
        {"no registration", "Lufthansa A; ", "<none>", {summary0}, false},
        {"three fields with #",
         "Lufthansa A;D-AIPA;#",
         "Lufthansa A",
         {"input/my_regcodes/f.TXT: 1 new regcode added, 1 regcode defined as special"},
         false},
        {"three fields", "Lufthansa A;D-AIPA;special", "<none>", {summary0}, false},
        {"four fields",
         "Lufthansa A;D-AIPA;#;x",
         "<none>",
         {"===> input/my_regcodes/f.TXT wrong format: Lufthansa A;D-AIPA;#;x", summary0},
         true},
        {"title not installed", "Condor A;D-AIPA", "<none>", {summary0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshLog();
        resetSources();
        writeRegcodeTxt("f.TXT", {c.line});
        buildIndex(installed());
        EXPECT_EQ(regcodeTitle("D-AIPA"), c.title);
        std::vector<std::string> expected = {"Processing files in input/my_regcodes"};
        expected.insert(expected.end(), c.reportAfterProcessing.begin(),
                        c.reportAfterProcessing.end());
        EXPECT_EQ(reportLines(kOfflineReport), expected);
        EXPECT_EQ(logHas("===> input/my_regcodes/f.TXT wrong format: " + c.line), c.logged);
    }
}

TEST_F(RegcodesTest, RegistrationLengths) {
    const std::string twelve = "ABCDEFGHIJKL";
    const std::string thirteen = "ABCDEFGHIJKLM";
    writeAigRegcodes({{"Lufthansa A", std::vector<std::string>{twelve, thirteen}}});
    writeRegcodeTxt("f.TXT", {"Lufthansa B;" + thirteen + ",X"});
    buildIndex(installed());
    EXPECT_EQ(regcodeTitle(twelve), "Lufthansa A");
    EXPECT_EQ(regcodeTitle(thirteen), "<none>");
    EXPECT_EQ(regcodeTitle("X"), "Lufthansa B");
    // The AIG line shows the stored text and the title, the .TXT line the text and the file.
    EXPECT_EQ(reportLines(kOfflineReport),
              (std::vector<std::string>{
                  "Processing input/AIG-regcodes.xml",
                  "===> wrong regcode length \"" + regcodeEncrypt(thirteen) + "\" in Lufthansa A",
                  "input/AIG-regcodes.xml: 1 new regcode added",
                  "Processing files in input/my_regcodes",
                  "===> wrong regcode length \"" + thirteen + "\" in input/my_regcodes/f.TXT",
                  "input/my_regcodes/f.TXT: 1 new regcode added",
              }));
}

TEST_F(RegcodesTest, InlineClashFirstHolderWins) {
    std::vector<LiveryRecord> records = installed();
    records[0].atcid = "D-AIPA";
    records[1].atcid = "D-AIPA";
    records[2].atcid = "D-AIPC";
    records.push_back(livery("DLH", "A320", "Lufthansa A", "D-AIPA"));
    buildIndex(records);
    EXPECT_EQ(regcodeTitle("D-AIPA"), "Lufthansa A");
    EXPECT_EQ(regcodeTitle("D-AIPC"), "Lufthansa C");
    EXPECT_EQ(scannedLiveries[0].atcid, "D-AIPA");
    EXPECT_EQ(scannedLiveries[1].atcid, "");
    EXPECT_EQ(scannedLiveries[4].atcid, "D-AIPA");
    EXPECT_EQ(
        reportLines(kInlineReport),
        std::vector<std::string>{"[DLH A320] D-AIPA \"Lufthansa B\" => in use by \"Lufthansa A\""});
    EXPECT_TRUE(logHas("===> 1 in-line regcode clashes, see \"output/errors/InlineRegcodes.txt\""));
    EXPECT_TRUE(logHas("2 registration codes"));
    // In-line registrations alone write no offline report.
    EXPECT_FALSE(fs::exists(kOfflineReport));
}

TEST_F(RegcodesTest, InlineRegcodeOfATitleNotInTheIndex) {
    // An empty title is never found.
    buildIndex({livery("DLH", "A320", "", "D-AIPA")});
    EXPECT_TRUE(
        logHas("===> sys error: livery \"\" for a [DLH A320] with regcode D-AIPA not available"));
    EXPECT_TRUE(liveryIndex.regcodeTitles.empty());
    EXPECT_FALSE(fs::exists(kInlineReport));
}

TEST_F(RegcodesTest, UninstalledTitlesAreSkippedSilently) {
    writeAigRegcodes({{"Condor A", std::vector<std::string>{"D-ABCD"}, std::string("true")},
                      {"Lufthansa A", std::vector<std::string>{}},
                      {"Lufthansa B", std::nullopt}});
    writeRegcodeTxt("f.TXT", {"Condor A;D-ABCD"});
    buildIndex(installed());
    EXPECT_TRUE(liveryIndex.regcodeTitles.empty());
    EXPECT_TRUE(liveryIndex.specialTitles.empty());
    EXPECT_EQ(reportLines(kOfflineReport),
              (std::vector<std::string>{"Processing input/AIG-regcodes.xml",
                                        "input/AIG-regcodes.xml: 0 new regcodes added",
                                        "Processing files in input/my_regcodes",
                                        "input/my_regcodes/f.TXT: 0 new regcodes added"}));
    EXPECT_FALSE(logContains("special liveries"));
}

TEST_F(RegcodesTest, AigFileThatDoesNotLoadOrHasNoRoot) {
    struct Case {
        const char* name;
        AigOptions options;
        std::vector<std::string> report;
    };
    const Case cases[] = {
        {"malformed",
         {true, true},
         {"Processing input/AIG-regcodes.xml",
          "===>  Failed to load regcode file input/AIG-regcodes.xml"}},
        {"no root",
         {false, false},
         {"Processing input/AIG-regcodes.xml", "input/AIG-regcodes.xml: 0 new regcodes added"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        resetSources();
        writeAigRegcodes({{"Lufthansa A", std::vector<std::string>{"D-AIPA"}}}, c.options);
        buildIndex(installed());
        EXPECT_TRUE(liveryIndex.regcodeTitles.empty());
        EXPECT_EQ(reportLines(kOfflineReport), c.report);
    }
}

TEST_F(RegcodesTest, NoSourcesWriteNoOfflineReportAndRemoveTheOldOne) {
    writeBytes(kOfflineReport, "old report\n");
    // No AIG file and an empty my_regcodes folder.
    buildIndex(installed());
    EXPECT_FALSE(fs::exists(kOfflineReport));
    EXPECT_FALSE(logContains("Offline regcode files processed"));

    writeBytes(kOfflineReport, "old report\n");
    fs::remove_all(fs::path("input") / "my_regcodes");
    buildIndex(installed());
    EXPECT_FALSE(fs::exists(kOfflineReport));
}

TEST_F(RegcodesTest, TxtFilesInUpperCaseNameOrder) {
    writeRegcodeTxt("b.TXT", {"Lufthansa B;D-AIPA,X1"});
    writeRegcodeTxt("A.txt", {"Lufthansa A;D-AIPA,X1"});
    writeRegcodeTxt("c.Txt", {"Lufthansa C;D-AIPA,X1"});
    writeRegcodeTxt("a2.TXT", {"British A;D-AIPA,X1"});
    writeRegcodeTxt("notes.csv", {"British A;D-AIPB"});
    fs::create_directories(fs::path("input") / "my_regcodes" / "sub.TXT");

    std::vector<std::string> names;
    for (const fs::path& file : gf_regcodeTxtFiles(fs::path("input") / "my_regcodes")) {
        names.push_back(file.filename().string());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"A.txt", "a2.TXT", "b.TXT", "c.Txt"}));

    buildIndex(installed());
    EXPECT_EQ(regcodeTitle("D-AIPA"), "Lufthansa C");
    EXPECT_EQ(regcodeTitle("D-AIPB"), "<none>");
    const auto report = reportLines(kOfflineReport);
    std::vector<std::string> summaries;
    for (const std::string& line : report) {
        if (line.find(": ") != std::string::npos && line.find("added") != std::string::npos) {
            summaries.push_back(line.substr(0, line.find(':')));
        }
    }
    EXPECT_EQ(summaries,
              (std::vector<std::string>{"input/my_regcodes/A.txt", "input/my_regcodes/a2.TXT",
                                        "input/my_regcodes/b.TXT", "input/my_regcodes/c.Txt"}));
}

TEST_F(RegcodesTest, TxtWithMarkAndCrLf) {
    writeRegcodeTxt("f.TXT", {"Lufthansa A;D-AIPA", "Lufthansa B;D-AIPB;#"}, {true, true});
    writeRegcodeTxt("g.TXT", {"Lufthansa C;D-AIPC"}, {false, true});
    buildIndex(installed());
    EXPECT_EQ(regcodeTitle("D-AIPA"), "Lufthansa A");
    EXPECT_EQ(regcodeTitle("D-AIPB"), "Lufthansa B");
    EXPECT_EQ(regcodeTitle("D-AIPC"), "Lufthansa C");
    EXPECT_EQ(liveryIndex.specialTitles.size(), 3u);
}

TEST_F(RegcodesTest, FileSystemFailuresEndTheProcessing) {
    // A non-empty folder where the old report would be removed.
    fs::create_directories(kOfflineReport / "inside");
    EXPECT_THROW(buildIndex(installed()), fs::filesystem_error);

    fs::remove_all(kOfflineReport);
    // output/errors cannot be created under a file named output.
    fs::remove_all("output");
    writeBytes("output", "not a folder");
    std::vector<LiveryRecord> records = installed();
    records[0].atcid = "D-AIPA";
    records[1].atcid = "D-AIPA";
    EXPECT_THROW(buildIndex(records), fs::filesystem_error);
}

TEST_F(RegcodesTest, DontUseTitlesFromTxtFiles) {
    writeRegcodeTxt("a.TXT",
                    {"12345678", "123456789", "", "123456789", "Lufthansa A;D-AIPA",
                     "Lufthansa A;D-AIPB", "Lufthansa A", "Shared title"},
                    {true, true});
    writeRegcodeTxt("b.TXT", {"Shared title", "short"});
    lf_readDontUseTitlesTxt();
    EXPECT_EQ(dontUseTitles,
              (std::vector<std::string>{"123456789", "Shared title", "Shared title"}));
    const std::vector<std::string> expected = {
        "===> don't use title \"123456789\" not unique in file input/my_regcodes/a.TXT",
        "===> title \"Lufthansa A\" not unique in file input/my_regcodes/a.TXT",
        "===> don't use title \"Lufthansa A\" not unique in file input/my_regcodes/a.TXT",
        "3 don't use titles read from files in input/my_regcodes",
    };
    for (const std::string& line : expected) {
        SCOPED_TRACE(line);
        EXPECT_TRUE(logHas(line));
    }

    gf_clearLiveryLists();
    EXPECT_TRUE(dontUseTitles.empty());
    fs::remove(fs::path("input") / "my_regcodes" / "a.TXT");
    freshLog();
    lf_readDontUseTitlesTxt();
    EXPECT_TRUE(logHas("1 don't use title read from files in input/my_regcodes"));
}

TEST_F(RegcodesTest, DontUseTitlesFromTheAigFile) {
    writeAigRegcodes({{"No reg attribute", std::nullopt},
                      {"Empty reg", std::vector<std::string>{}},
                      {"Has a reg", std::vector<std::string>{"D-AIPA"}},
                      {"No reg attribute", std::nullopt, std::string("true")}});
    lf_readDontUseTitlesXml();
    EXPECT_EQ(dontUseTitles, (std::vector<std::string>{"No reg attribute", "Empty reg"}));
    EXPECT_TRUE(logHas("===> don't use title \"No reg attribute\" not unique in file "
                       "input/AIG-regcodes.xml"));
    EXPECT_TRUE(logHas("2 don't use titles read from files in input/AIG-regcodes.xml"));

    // Titles taken before a scan stay through the build.
    buildIndex(installed());
    EXPECT_EQ(dontUseTitles.size(), 2u);

    writeAigRegcodes({}, {true, true});
    lf_readDontUseTitlesXml();
    EXPECT_TRUE(logHas("===> Failed to load regcode file input/AIG-regcodes.xml"));
    EXPECT_EQ(dontUseTitles.size(), 2u);
}

} // namespace
