// The scan driver on the walk seam: root folders and priorities, database reconciliation, the
// priority pass, reports, errors, a stopped scan and the load path.
#include "catalogue/livery_scan.h"
#include "catalogue/regcodes.h"
#include "catalogue/scan_state.h"
#include "catalogue_test_fixture.h"
#include "core/exceptions.h"
#include "core/run_values.h"
#include "support/livery_tree.h"

#include <fmt/format.h>

#include <filesystem>
#include <functional>
#include <map>

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

class ScanDriverTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        DbaseSpec spec = StandardLiveryTree::dbaseSpec();
        spec.records.push_back({"G-EMPTY", "", "", "", true});
        spec.records.push_back({"G-OPER", "BAW", "A321", "CLX", false});
        readDbase(spec);
        gf_setRootFolderWalk([this](std::int32_t priority, const std::string& root) {
            walks.emplace_back(priority, root);
            if (onWalk) {
                onWalk(root);
            }
            const auto it = recordsByRoot.find(root);
            if (it == recordsByRoot.end()) {
                return;
            }
            for (LiveryRecord record : it->second) {
                record.priority = priority;
                scannedLiveries.push_back(std::move(record));
            }
        });
    }

    // An existing empty folder as a root.
    std::string root(const std::string& name) {
        fs::create_directories(roots / name);
        return (roots / name).string();
    }

    std::string scanError(std::vector<std::string> folders, bool prioritized = false) {
        try {
            EXPECT_TRUE(gf_scanLiveries(true, false, prioritized, folders));
        } catch (const ksb::UserErrorException& e) {
            return e.what();
        }
        return {};
    }

    TempFolder roots;
    std::map<std::string, std::vector<LiveryRecord>> recordsByRoot;
    std::vector<std::pair<std::int32_t, std::string>> walks;
    std::function<void(const std::string&)> onWalk;
};

TEST_F(ScanDriverTest, RootLinesPrioritiesAndTotal) {
    std::vector<std::string> folders{"", (roots / "missing").string()};
    for (int i = 1; i <= 11; ++i) {
        folders.push_back(root("r" + std::to_string(i)));
    }
    writeBytes(roots / "file", "x");
    folders.push_back((roots / "file").string());
    recordsByRoot[folders[2]] = {livery("AAL", "A321", "One")};
    recordsByRoot[folders[4]] = {livery("AAL", "A321", "Two"), livery("BAW", "A321", "Three")};
    recordsByRoot[folders[12]] = {livery("DLH", "A320", "Eleven")};
    freshLog();
    EXPECT_EQ("", scanError(folders));
    std::vector<std::int32_t> priorities;
    for (const auto& [priority, walked] : walks) {
        priorities.push_back(priority);
    }
    EXPECT_EQ((std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10}), priorities);
    EXPECT_TRUE(logHas(folders[1] + " does not exist, skipped!"));
    EXPECT_TRUE(logHas(folders[13] + " is not a folder name, skipped!"));
    EXPECT_TRUE(logHas("1 liverie found in " + folders[2]));
    EXPECT_TRUE(logHas("No liveries found in " + folders[3]));
    EXPECT_TRUE(logHas("2 liveries found in " + folders[4]));
    EXPECT_TRUE(logHas("1 liverie found in " + folders[12]));
    EXPECT_TRUE(logHas("4 in total"));
    EXPECT_TRUE(logHas("\"output/LiveriesScanned.xml\" saved"));
    EXPECT_EQ(4, mainWindow.liveriesCount.load());
    EXPECT_TRUE(scannedLiveries.empty());
    EXPECT_TRUE(gf_hasAirlineModelLiveries("DLH", "A320"));
}

TEST_F(ScanDriverTest, OneRootWritesNoTotal) {
    const std::string only = root("only");
    recordsByRoot[only] = {livery("AAL", "A321", "One")};
    freshLog();
    EXPECT_EQ("", scanError({only}));
    EXPECT_FALSE(logContains("in total"));
}

TEST_F(ScanDriverTest, DatabaseValuesReplaceLiveryCodes) {
    const std::string ai = root("ai");
    recordsByRoot[ai] = {
        livery("AAL", "A321", "Same", "N101NN"),
        livery("BAW", "B738", "Moved to Lufthansa", "DAIPA"),
        // Empty database codes keep the livery's own; the cargo flag is always taken.
        livery("AAL", "A321", "Empty database codes", "G-EMPTY"),
        livery("BAW", "A321", "Operated by", "G-OPER"),
        livery("AAL", "A321", "No registration"),
    };
    EXPECT_EQ("", scanError({ai}));
    EXPECT_EQ((std::vector<std::string>{
                  fmt::format("{:80} DAIPA airl BAW => DLH", "Moved to Lufthansa"),
                  fmt::format("{:80} DAIPA model B738 => A320", "Moved to Lufthansa"),
                  fmt::format("{:80} G-EMPTY cargo false => true", "Empty database codes"),
                  fmt::format("{:80} G-OPER airl BAW => CLX", "Operated by")}),
              gf_readRegcodeTxtLines("output/info/AirlineModelConversions.txt").value());
    EXPECT_TRUE(logHas("4 liveries updated with real live data from dbase, see "
                       "output/info/AirlineModelConversions.txt"));
    EXPECT_TRUE(gf_hasAirlineModelLiveries("DLH", "A320"));
    EXPECT_TRUE(gf_hasAirlineModelLiveries("CLX", "A321"));
}

TEST_F(ScanDriverTest, PriorityPass) {
    const std::string first = root("first");
    const std::string second = root("second");
    const std::string third = root("third");
    recordsByRoot[first] = {livery("AAL", "A321", "AAL one"), livery("AAL", "A321", "AAL two")};
    recordsByRoot[second] = {livery("BAW", "A321", "BAW two")};
    recordsByRoot[third] = {livery("AAL", "A321", "AAL three"), livery("BAW", "A321", "BAW three"),
                            livery("DLH", "A320", "DLH three")};
    freshLog();
    EXPECT_EQ("", scanError({first, second, third}, true));
    EXPECT_EQ((std::vector<std::string>{"AAL A321 \"AAL three\"", "BAW A321 \"BAW three\""}),
              gf_readRegcodeTxtLines("output/info/LiveriesSkippedOnPriority.txt").value());
    EXPECT_TRUE(logHas("2 liveries skipped on priority, see "
                       "output/info/LiveriesSkippedOnPriority.txt"));
    EXPECT_EQ(4, mainWindow.liveriesCount.load());
    EXPECT_TRUE(gf_hasAirlineModelLiveries("DLH", "A320"));
}

TEST_F(ScanDriverTest, PriorityPassNeedsASmallerNumber) {
    scannedLiveries = {livery("AAL", "A321", "a"), livery("AAL", "A321", "b"),
                       livery("AAL", "A320", "c")};
    scannedLiveries[1].priority = 2;
    scannedLiveries[2].priority = 2;
    EXPECT_EQ(1U, lf_skipLiveriesOnPriority());
    EXPECT_EQ((std::vector<LiveryRecord>{livery("AAL", "A321", "a"), scannedLiveries[1]}),
              scannedLiveries);
    EXPECT_EQ("c", scannedLiveries[1].title);
    EXPECT_EQ((std::vector<std::string>{"AAL A321 \"b\""}), skippedOnPriority.lines());
}

TEST_F(ScanDriverTest, ReportFilesAndTheirLines) {
    const std::string ai = root("ai");
    recordsByRoot[ai] = {livery("AAL", "A321", "One")};
    onWalk = [](const std::string&) {
        lf_addInvalidAirlineLine("XYZ", "b.cfg", "[fltsim.0]");
        lf_addInvalidAirlineLine("ABC", "a.cfg", "[fltsim.1]");
        lf_addInvalidAircraftLine("B78X", "c.cfg");
        lf_addFixLine("second fix");
        lf_addFixLine("a first fix");
        lf_addIncompleteSectionLine("z incomplete");
        lf_addNoFltsimSectionLine("y.cfg");
        lf_addNoFltsimSectionLine("x.cfg");
    };
    freshLog();
    EXPECT_EQ("", scanError({ai}));
    const auto file = [](const char* path) { return gf_readRegcodeTxtLines(path).value(); };
    EXPECT_EQ((std::vector<std::string>{"ABC          in a.cfg [fltsim.1]",
                                        "XYZ          in b.cfg [fltsim.0]"}),
              file("output/errors/InvalidAirlineCodes.txt"));
    EXPECT_EQ((std::vector<std::string>{"second fix", "a first fix"}),
              file("output/errors/Fixes.txt"));
    EXPECT_EQ((std::vector<std::string>{"x.cfg", "y.cfg"}),
              file("output/info/AircraftCfgWithNoFltsimSection.txt"));
    EXPECT_FALSE(fs::exists("output/errors/InvalidAircraftCfgFiles.txt"));
    EXPECT_EQ((std::vector<std::string>{
                  "Errors:",
                  "2 invalid airline codes, see output/errors/InvalidAirlineCodes.txt",
                  "1 invalid model code, see output/errors/InvalidAircraftCodes.txt",
                  "2 code fixes, see output/errors/Fixes.txt",
                  "1 incomplete [fltsim.x] sections, see output/errors/IncompleFltsimSections.txt",
                  "",
                  "Information:",
                  "2 empty aircraft.cfg files, see output/info/AircraftCfgWithNoFltsimSection.txt",
              }),
              logFrom("Errors:", 8));
    // Everything the scan filled is empty again.
    EXPECT_EQ(0U, invalidAirlineCodes.size() + codeFixes.size() + cfgFilesWithoutSection.size());
}

TEST_F(ScanDriverTest, NoErrorsAndUnwritableReports) {
    const std::string ai = root("ai");
    recordsByRoot[ai] = {livery("AAL", "A321", "One")};
    onWalk = [](const std::string&) { lf_addNoFltsimSectionLine("x.cfg"); };
    // A folder where the report file should be.
    fs::create_directories("output/info/AircraftCfgWithNoFltsimSection.txt/x");
    freshLog();
    EXPECT_EQ("", scanError({ai}));
    EXPECT_TRUE(logHas("No errors"));
    EXPECT_TRUE(logHas("===> output/info/AircraftCfgWithNoFltsimSection.txt could not be written"));
    EXPECT_TRUE(logHas("Information:"));
    EXPECT_TRUE(logHas("\"output/LiveriesScanned.xml\" saved"));
}

TEST_F(ScanDriverTest, OldReportsAreRemoved) {
    for (const char* path :
         {"output/info/AircraftCfgWithNoFltsimSection.txt",
          "output/info/LiveriesSkippedOnPriority.txt", "output/info/AirlineModelConversions.txt",
          "output/errors/InlineRegcodes.txt", "output/errors/Fixes.txt",
          "output/errors/IncompleFltsimSections.txt"}) {
        writeBytes(path, "old\n");
    }
    const std::string ai = root("ai");
    recordsByRoot[ai] = {livery("AAL", "A321", "One")};
    onWalk = [](const std::string&) {
        EXPECT_FALSE(fs::exists("output/errors"));
        EXPECT_FALSE(fs::exists("output/LiveriesScanned.xml"));
        EXPECT_FALSE(fs::exists("output/info/LiveriesSkippedOnPriority.txt"));
        // Replaced only when a scan writes it again.
        EXPECT_TRUE(fs::exists("output/info/AirlineModelConversions.txt"));
    };
    writeLiveriesFile({livery("AAL", "A321", "Old")});
    EXPECT_EQ("", scanError({ai}));
}

TEST_F(ScanDriverTest, ARemovalFailureIsLogged) {
    writeBytes("output/errors/Fixes.txt", "old\n");
    writeBytes("output/errors/Other.txt", "kept\n");
    const std::string ai = root("ai");
    recordsByRoot[ai] = {livery("AAL", "A321", "One")};
    freshLog();
    EXPECT_EQ("", scanError({ai}));
    EXPECT_FALSE(fs::exists("output/errors/Fixes.txt"));
    EXPECT_TRUE(fs::exists("output/errors/Other.txt"));
    std::error_code error;
    fs::remove("output/errors", error);
    EXPECT_TRUE(logHas(fmt::format(
        "problems with removing previous files: {}",
        fs::filesystem_error("cannot remove", fs::path("output/errors"), error).what())));
}

TEST_F(ScanDriverTest, NoLiveriesIsUserError53) {
    const std::string ai = root("ai");
    onWalk = [](const std::string&) { lf_addIncompleteSectionLine("x"); };
    mainWindow.liveriesCount = 7;
    EXPECT_EQ("53: no liveries found", scanError({ai}));
    EXPECT_EQ(0, mainWindow.liveriesCount.load());
    EXPECT_EQ(0U, incompleteSections.size());
    EXPECT_FALSE(fs::exists("output/LiveriesScanned.xml"));
    EXPECT_EQ("53: no liveries found", scanError({}));
}

TEST_F(ScanDriverTest, AStopDuringTheWalkWritesNothing) {
    const std::string first = root("first");
    const std::string second = root("second");
    recordsByRoot[first] = {livery("AAL", "A321", "One")};
    recordsByRoot[second] = {livery("BAW", "A321", "Two")};
    onWalk = [](const std::string&) {
        lf_addIncompleteSectionLine("x");
        stopRequested = 1;
    };
    freshLog();
    EXPECT_EQ("", scanError({first, second}));
    EXPECT_EQ(1U, walks.size());
    EXPECT_FALSE(fs::exists("output/LiveriesScanned.xml"));
    EXPECT_FALSE(fs::exists("output/errors"));
    EXPECT_FALSE(logContains("No errors"));
    EXPECT_FALSE(logContains("Errors:"));
    EXPECT_FALSE(logContains("in total"));
}

TEST_F(ScanDriverTest, AScanAfterAStoppedOneStartsClean) {
    writeAigRegcodes({{"Old Title Not Used", std::vector<std::string>{}}});
    const std::string ai = root("ai");
    recordsByRoot[ai] = {livery("AAL", "A321", "One")};
    onWalk = [](const std::string&) {
        // What the file tasks of a walk do.
        EXPECT_TRUE(seenTitles.insert("One"));
        lf_addIncompleteSectionLine("from the first scan");
        exitInProgress = 1;
    };
    EXPECT_EQ("", scanError({ai}));
    EXPECT_EQ(1U, dontUseTitles.size());
    exitInProgress = 0;
    onWalk = [](const std::string&) {
        EXPECT_TRUE(seenTitles.insert("One"));
        EXPECT_EQ((std::vector<std::string>{"Old Title Not Used"}), dontUseTitles);
    };
    EXPECT_EQ("", scanError({ai}));
    EXPECT_FALSE(fs::exists("output/errors/IncompleFltsimSections.txt"));
    EXPECT_EQ(1, mainWindow.liveriesCount.load());
}

TEST_F(ScanDriverTest, TheLoadPath) {
    writeLiveriesFile({livery("AAL", "A321", "One"), livery("DLH", "A320", "Two")});
    freshLog();
    std::vector<std::string> folders;
    EXPECT_TRUE(gf_scanLiveries(false, true, true, folders));
    EXPECT_TRUE(walks.empty());
    EXPECT_TRUE(scannedLiveries.empty());
    EXPECT_TRUE(gf_hasAirlineModelLiveries("DLH", "A320"));
    EXPECT_TRUE(logHas("No scan done, 2 liveries read from output/LiveriesScanned.xml"));
    EXPECT_FALSE(logContains("Reading"));
}

TEST_F(ScanDriverTest, AStatusErrorOtherThanNotFoundPropagates) {
    std::vector<std::string> folders{(roots / std::string(300, 'x')).string()};
    try {
        gf_scanLiveries(true, false, false, folders);
        ADD_FAILURE() << "no exception";
    } catch (const fs::filesystem_error& e) {
        EXPECT_EQ(std::errc::filename_too_long, e.code());
        EXPECT_NE(std::string(e.what()).find("status"), std::string::npos);
    }
}

TEST_F(ScanDriverTest, AMissingInfoFolderIsCreated) {
    fs::remove_all("output/info");
    const std::string ai = root("ai");
    recordsByRoot[ai] = {livery("AAL", "A321", "One")};
    onWalk = [](const std::string&) { lf_addNoFltsimSectionLine("x.cfg"); };
    EXPECT_EQ("", scanError({ai}));
    EXPECT_EQ((std::vector<std::string>{"x.cfg"}),
              gf_readRegcodeTxtLines("output/info/AircraftCfgWithNoFltsimSection.txt").value());
}

} // namespace
