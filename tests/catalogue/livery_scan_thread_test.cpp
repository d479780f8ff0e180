// The file walk on its worker threads and the whole scan on fixture trees and the real files:
// discovery order, pruning, one and many workers, the failure seams, the standard tree and the
// load path after it.
#include "catalogue/cfg_file_walk.h"
#include "catalogue/livery_scan.h"
#include "catalogue/regcodes.h"
#include "catalogue/scan_state.h"
#include "catalogue_test_fixture.h"
#include "core/globals.h"
#include "core/run_values.h"
#include "support/file_bytes.h"
#include "support/livery_tree.h"
#include "support/realdata.h"
#include "support/temp_folder.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <future>
#include <sstream>
#include <system_error>
#include <thread>

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

std::vector<std::string> fileLines(const fs::path& path) {
    return gf_readRegcodeTxtLines(path).value_or(std::vector<std::string>{});
}

std::vector<std::string> titlesOf(const std::vector<LiveryRecord>& records) {
    std::vector<std::string> titles;
    for (const LiveryRecord& record : records) {
        titles.push_back(record.title);
    }
    return titles;
}

// A folder with one cfg file of one valid section and its items.
void writeLiveryFolder(const fs::path& folder, const std::string& fileName,
                       const std::string& title) {
    writeCfgFile(folder / fileName,
                 {"[fltsim.0]", "title=" + title, "sim=A321", "model=", "texture=AAL",
                  "atc_parking_codes=AAL", "[General]", "atc_model=A321"});
    makeLiveryItems(folder, {""}, {"AAL"}, {"A321"});
}

class FileWalkTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        DbaseSpec spec = generatedTreeDbaseSpec();
        spec.aircrafts.push_back("A321");
        readDbase(spec);
        workerLimit = 1;
    }
    void TearDown() override {
        EXPECT_EQ(0, runningWorkers.load());
        CatalogueTest::TearDown();
    }

    // The cfg files in the order a walk finds them, pruned as it prunes.
    std::vector<std::string> discoveryOrder(const fs::path& top) const {
        std::vector<std::string> files;
        for (auto it = fs::recursive_directory_iterator(top);
             it != fs::recursive_directory_iterator(); ++it) {
            const std::string path = it->path().string();
            if (path.find("airport") != std::string::npos || path.size() >= 250) {
                it.disable_recursion_pending();
            }
            if (lf_isLiveryCfgFile(*it)) {
                files.push_back(path);
            }
        }
        return files;
    }

    std::vector<LiveryRecord> walk(const fs::path& top) {
        scannedLiveries.clear();
        seenTitles.clear();
        gf_scanAircraftCfgFiles(1, top.string());
        return scannedLiveries;
    }

    ScanRoot root;
};

TEST_F(FileWalkTest, FileSelectionPruningAndDiscoveryOrder) {
    const fs::path top = root / "ai";
    writeLiveryFolder(top / "a", "aircraft.cfg", "Title a");
    writeLiveryFolder(top / "b" / "sub", "AIRCRAFT.CFG", "Title b");
    writeLiveryFolder(top / "c", "Sim.Cfg", "Title c");
    writeLiveryFolder(top / "d", "aircraft.cfg.bak", "Title d");
    writeLiveryFolder(top / "e", "aircraft_old.cfg", "Title e");
    writeLiveryFolder(top / "my_airport_vehicles", "aircraft.cfg", "Title airport");
    writeLiveryFolder(top / "f", "aircraft.cfg", "Title f");
    const fs::path longFolder = top / std::string(250 - top.string().size(), 'x');
    writeLiveryFolder(longFolder, "aircraft.cfg", "Title long");
    std::vector<std::string> expected;
    for (const std::string& path : discoveryOrder(top)) {
        expected.push_back("Title " + fs::relative(path, top).begin()->string());
    }
    EXPECT_EQ((std::vector<std::string>{"Title a", "Title b", "Title c", "Title f"}),
              sortedTexts(expected));
    EXPECT_EQ(expected, titlesOf(walk(top)));
}

TEST_F(FileWalkTest, ARootWithAirportInItsPathIsReadOneLevelDeep) {
    const fs::path top = root / "my_airport_ai";
    writeLiveryFolder(top, "aircraft.cfg", "Top");
    writeLiveryFolder(top / "sub", "aircraft.cfg", "Below");
    EXPECT_EQ((std::vector<std::string>{"Top"}), titlesOf(walk(top)));
}

TEST_F(FileWalkTest, ManyWorkersGiveTheSameRecordsInTheSameOrder) {
    const GeneratedTree tree = generateLiveryTree(root / "gen", 40, 7);
    const std::vector<LiveryRecord> one = walk(root / "gen");
    EXPECT_EQ(tree.sections, one.size());
    EXPECT_EQ(sortedTexts(tree.titles), sortedTexts(titlesOf(one)));
    for (const std::int32_t limit : {2, 8}) {
        SCOPED_TRACE(limit);
        workerLimit = limit;
        EXPECT_EQ(one, walk(root / "gen"));
        EXPECT_EQ(0, runningWorkers.load());
    }
    EXPECT_EQ(0U, incompleteSections.size() + invalidAirlineCodes.size());
}

TEST_F(FileWalkTest, AnIteratorFailureKeepsEveryStartedFile) {
    generateLiveryTree(root / "gen", 12, 3);
    workerLimit = 3;
    std::atomic<int> started{0};
    int steps = 0;
    gf_setCfgWalkSeams({[&started](CfgFileTask task) {
                            ++started;
                            std::thread(std::move(task)).detach();
                        },
                        [&steps](fs::recursive_directory_iterator& it) {
                            if (++steps == 50) {
                                throw fs::filesystem_error(
                                    "cannot increment", std::make_error_code(std::errc::io_error));
                            }
                            ++it;
                        }});
    freshLog();
    const std::vector<LiveryRecord> records = walk(root / "gen");
    ASSERT_GT(started.load(), 3);
    ASSERT_LT(started.load(), 12);
    // Every task that started was taken, also those still running at the failure.
    EXPECT_EQ(static_cast<std::size_t>(started.load()) * 4, records.size());
    EXPECT_TRUE(logHas(fmt::format(
        "===> liveries search in folder {} aborted because of iterator problem: {}",
        (root / "gen").string(),
        fs::filesystem_error("cannot increment", std::make_error_code(std::errc::io_error))
            .what())));
}

TEST_F(FileWalkTest, ARegularFileAsRootFailsToOpen) {
    writeBytes(root / "file", "x");
    freshLog();
    EXPECT_TRUE(walk(root / "file").empty());
    const std::string path = (root / "file").string();
    std::error_code error = std::make_error_code(std::errc::not_a_directory);
    EXPECT_TRUE(logHas(fmt::format(
        "===> liveries search in folder {} aborted because of iterator problem: {}", path,
        fs::filesystem_error("recursive directory iterator cannot open directory", fs::path(path),
                             error)
            .what())));
}

TEST_F(FileWalkTest, AThreadThatCannotStart) {
    const fs::path top = root / "ai";
    for (const char* name : {"a", "b", "c"}) {
        writeLiveryFolder(top / name, "aircraft.cfg", std::string("Title ") + name);
    }
    const std::vector<std::string> order = discoveryOrder(top);
    int calls = 0;
    gf_setCfgWalkSeams({[&calls](CfgFileTask task) {
                            if (++calls == 2) {
                                throw std::system_error(
                                    std::make_error_code(std::errc::resource_unavailable_try_again),
                                    "thread start");
                            }
                            std::thread(std::move(task)).detach();
                        },
                        {}});
    freshLog();
    const std::vector<LiveryRecord> records = walk(top);
    EXPECT_EQ(2U, records.size());
    const std::string failed = "Title " + fs::path(order[1]).parent_path().filename().string();
    for (const LiveryRecord& record : records) {
        EXPECT_NE(failed, record.title);
    }
    EXPECT_TRUE(logHas(fmt::format(
        "===> liveries search in {} aborted, cause: {}", order[1],
        std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again),
                          "thread start")
            .what())));
    EXPECT_TRUE(logHas(fmt::format("===> liveries search aborted, futs inner, {}",
                                   std::future_error(std::future_errc::broken_promise).what())));
}

TEST_F(FileWalkTest, AFailingTaskCostsOnlyItsFile) {
    const fs::path top = root / "ai";
    writeLiveryFolder(top / "good", "aircraft.cfg", "Good");
    writeCfgFile(top / "bad" / "aircraft.cfg",
                 {"[fltsim.0]", "title=Bad", "model=" + std::string(300, 'm'), "[General]",
                  "atc_model=A321"});
    freshLog();
    EXPECT_EQ((std::vector<std::string>{"Good"}), titlesOf(walk(top)));
    const std::string cfg = (top / "bad" / "aircraft.cfg").string();
    EXPECT_TRUE(logContains("exception in lf_procesFltSimSection: "));
    EXPECT_TRUE(logContains("exception in lf_searchLiveriesinFile " + cfg + ": "));
    EXPECT_TRUE(logContains("File name too long"));
    EXPECT_TRUE(logContains("===> liveries search aborted, futs "));
}

TEST_F(FileWalkTest, EncodingsAndLineEnds) {
    const fs::path top = root / "ai";
    const CfgFileOptions options[] = {{CfgEncoding::ansi, true},
                                      {CfgEncoding::utf8Mark, false},
                                      {CfgEncoding::utf16le, true},
                                      {CfgEncoding::utf16be, false}};
    int n = 0;
    for (const CfgFileOptions& option : options) {
        const fs::path folder = top / std::to_string(n);
        writeCfgFile(folder / "aircraft.cfg",
                     {"[fltsim.0]", fmt::format("title=Caf\u00e9 {}", n), "sim=A321", "model=",
                      "texture=AAL", "atc_parking_codes=AAL", "[General]", "atc_model=A321"},
                     option);
        makeLiveryItems(folder, {""}, {"AAL"}, {"A321"});
        ++n;
    }
    EXPECT_EQ(
        (std::vector<std::string>{"Caf\u00e9 0", "Caf\u00e9 1", "Caf\u00e9 2", "Caf\u00e9 3"}),
        sortedTexts(titlesOf(walk(top))));
}

TEST_F(FileWalkTest, AnIvaoFileWithoutEncodingIsLogged) {
    // Gone between the walk's discovery and its task.
    const std::string path = (root / "ai/IVAO_MTL/IVAO_A321/aircraft.cfg").string();
    ++runningWorkers;
    freshLog();
    EXPECT_TRUE(lf_searchLiveriesInIvaoFile(1, path).empty());
    EXPECT_TRUE(logHas("===> no character set found for " + path));
}

class StandardTreeScanTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        ASSERT_TRUE(gf_readDbase());
        gf_readFixesXml();
        SIM_INSTALL_PATH.assign(tree.simInstallPath());
        workerLimit = 1;
        freshLog();
    }
    std::string fx() const { return tree.root().string(); }

    StandardLiveryTree tree;
};

TEST_F(StandardTreeScanTest, ScanThenLoad) {
    std::vector<std::string> folders{tree.ai1(), tree.ai2()};
    EXPECT_TRUE(gf_scanLiveries(true, true, true, folders));
    EXPECT_EQ(0, runningWorkers.load());
    const std::string aipack = fx() + "/addons/AIPack/SimObjects/Airplanes";
    const std::string myAi = fx() + "/sim/Prepar3D v5/SimObjects/MyAI";
    EXPECT_EQ((std::vector<std::string>{tree.ai1(), tree.ai2(), aipack, myAi, "D:\\external_ai"}),
              folders);
    EXPECT_EQ((std::vector<std::string>{
                  "6 liveries found in " + tree.ai1(), "2 liveries found in " + tree.ai2(),
                  "1 liverie found in " + aipack, "No liveries found in " + myAi,
                  "D:\\external_ai does not exist, skipped!", "9 in total", "", "Errors:",
                  "1 invalid model code, see "
                  "output/errors/InvalidAircraftCodes.txt",
                  "1 invalid aircraft.cfg files, see "
                  "output/errors/InvalidAircraftCfgFiles.txt",
                  "", "Information:",
                  "1 empty aircraft.cfg files, see "
                  "output/info/AircraftCfgWithNoFltsimSection.txt",
                  "1 liveries updated with real live data from dbase, see "
                  "output/info/AirlineModelConversions.txt",
                  "1 liverie skipped on priority, see "
                  "output/info/LiveriesSkippedOnPriority.txt"}),
              logFrom("6 liveries found in " + tree.ai1(), 15));
    EXPECT_FALSE(logContains("Inactive"));
    const std::string ai1 = tree.ai1();
    EXPECT_EQ(
        (std::vector<std::string>{"ZZZZ             in " + ai1 + "/NO_SECTIONS/aircraft.cfg"}),
        fileLines("output/errors/InvalidAircraftCodes.txt"));
    EXPECT_EQ((std::vector<std::string>{ai1 + "/BROKEN_GAP/aircraft.cfg contains non-consecutive "
                                              "[fltsim.x] numbers at .x=2"}),
              fileLines("output/errors/InvalidAircraftCfgFiles.txt"));
    EXPECT_EQ((std::vector<std::string>{ai1 + "/NO_SECTIONS/aircraft.cfg"}),
              fileLines("output/info/AircraftCfgWithNoFltsimSection.txt"));
    EXPECT_EQ((std::vector<std::string>{
                  fmt::format("{:80} D-AIPA model A321 => A320", "XAI2 A321 Lufthansa D-AIPA")}),
              fileLines("output/info/AirlineModelConversions.txt"));
    EXPECT_EQ((std::vector<std::string>{"AAL A321 \"XAI2 A321 American Airlines\""}),
              fileLines("output/info/LiveriesSkippedOnPriority.txt"));
    for (const char* file :
         {"InvalidAirlineCodes.txt", "Fixes.txt", "IncompleFltsimSections.txt"}) {
        EXPECT_FALSE(fs::exists(fs::path("output/errors") / file)) << file;
    }
    const std::vector<LiveryRecord> expected{
        livery("AAL", "A321", "XAI A321 Multi BAW/AAL"),
        livery("AAL", "A321", "XAI A321 American Airlines N101NN", "N101NN"),
        livery("AAL", "B738", "B738 AAL American", "N900AN"),
        livery("BAW", "A321", "XAI A321 Multi BAW/AAL"),
        livery("CLX", "B744", "XAI B744F CLX Freighter", "LX-VCA", true),
        livery("DLH", "A320", "XAI2 A321 Lufthansa D-AIPA", "D-AIPA"),
        livery("ZZZ", "A321", "XAI A321 House Colours", "", true),
        livery("ZZZ", "C172", "XAI C172 White"),
    };
    EXPECT_EQ(8, mainWindow.liveriesCount.load());
    EXPECT_TRUE(scannedLiveries.empty());
    EXPECT_EQ(0U, seenTitles.size() + incompleteSections.size() + invalidModelCodes.size());
    EXPECT_TRUE(gf_hasAirlineModelLiveries("CLX", "B744"));

    // The load path reads back exactly what the scan wrote.
    freshLog();
    std::vector<std::string> none;
    EXPECT_TRUE(gf_scanLiveries(false, true, true, none));
    EXPECT_TRUE(logHas("No scan done, 8 liveries read from output/LiveriesScanned.xml"));
    gf_readLiveriesXml();
    std::vector<LiveryRecord> loaded = scannedLiveries;
    for (LiveryRecord& record : loaded) {
        record.priority = 1;
    }
    EXPECT_EQ(expected, loaded);
    // Special: the AIG entry and the single registration of the .TXT file.
    EXPECT_EQ(2U, liveryIndex.specialTitles.size());
}

TEST_F(StandardTreeScanTest, ARescanAfterAStoppedScanFindsTheSameLiveries) {
    std::vector<std::string> folders{tree.ai1(), tree.ai2()};
    gf_setRootFolderWalk([](std::int32_t priority, const std::string& folder) {
        gf_scanAircraftCfgFiles(priority, folder);
        exitInProgress = 1;
    });
    EXPECT_TRUE(gf_scanLiveries(true, false, true, folders));
    EXPECT_FALSE(fs::exists("output/LiveriesScanned.xml"));
    gf_setRootFolderWalk({});
    exitInProgress = 0;
    folders = {tree.ai1(), tree.ai2()};
    freshLog();
    EXPECT_TRUE(gf_scanLiveries(true, false, true, folders));
    EXPECT_FALSE(logContains("already exists"));
    EXPECT_EQ(7, mainWindow.liveriesCount.load());
}

class RealFilesScanTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        // Some of their types and airlines, not others.
        DbaseSpec spec;
        spec.aircrafts = {"A320", "A321", "A332", "B744", "B748", "B772", "B788", "A35K", "E170"};
        spec.large = {"A320", "A321"};
        spec.heavy = {"A332", "B744", "B748", "B772", "B788", "A35K"};
        spec.buzjet = {"C25A"};
        spec.rotorcraft = {"R44"};
        spec.highPerformance = {"F16"};
        spec.cargoTypes = {"B744"};
        spec.icaoAirlines = {"BAW", "CFE", "ZZZ", "PVT"};
        spec.cargoOperators = {"GSS"};
        readDbase(spec);
        modelFixes = {{"A350", "A35K"}};
        workerLimit = 4;
        freshLog();
    }
};

TEST_F(RealFilesScanTest, InPlaceEverySectionMissesItsModelFolder) {
    KSBY_REQUIRE_REALDATA();
    const fs::path planes = realdataDir() / "bavmm" / "Simobjects" / "Airplanes";
    gf_scanAircraftCfgFiles(1, (realdataDir() / "bavmm").string());
    gf_scanAircraftCfgFiles(2, (realdataDir() / "leab").string());
    EXPECT_EQ(0, runningWorkers.load());
    EXPECT_TRUE(scannedLiveries.empty());
    const std::vector<std::string> incomplete = incompleteSections.lines();
    const auto has = [&incomplete](const std::string& line) {
        return std::find(incomplete.begin(), incomplete.end(), line) != incomplete.end();
    };
    EXPECT_TRUE(has((planes / "A320").string() + "/model.IAE_NWF [fltsim.0] does not exist"));
    const std::vector<std::string> models = invalidModelCodes.lines();
    EXPECT_NE(std::find(models.begin(), models.end(),
                        "Concorde         in " + (planes / "CONC" / "aircraft.CFG").string()),
              models.end());
    EXPECT_NE(std::find(models.begin(), models.end(),
                        "B78X             in " + (planes / "B78X" / "aircraft.cfg").string()),
              models.end());
    const std::vector<std::string> fixes = codeFixes.lines();
    EXPECT_NE(std::find(fixes.begin(), fixes.end(),
                        "Fix: A350 found in " + (planes / "A35K" / "aircraft.cfg").string() +
                            " changed into A35K"),
              fixes.end());
}

// Copies each cfg file into a temporary tree and creates the items its sections name, found by
// a plain key=value split of our own.
void mirrorWithItems(const fs::path& from, const fs::path& to) {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from)) {
        if (!lf_isLiveryCfgFile(entry)) {
            continue;
        }
        const fs::path target = to / fs::relative(entry.path(), from);
        fs::create_directories(target.parent_path());
        fs::copy_file(entry.path(), target);
        std::istringstream in(readBytes(entry.path()));
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            const std::size_t equals = line.find('=');
            if (equals == std::string::npos) {
                continue;
            }
            std::string key = line.substr(0, equals);
            std::string value = line.substr(equals + 1);
            const auto trim = [](std::string& text) {
                text.erase(0, text.find_first_not_of(" \t"));
                text.erase(text.find_last_not_of(" \t") + 1);
            };
            trim(key);
            trim(value);
            for (char& c : key) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            std::error_code ignored;
            if (key == "model") {
                fs::create_directories(
                    target.parent_path() / (value.empty() ? "model" : "model." + value), ignored);
            } else if (key == "texture") {
                fs::create_directories(target.parent_path() /
                                           (value.empty() ? "texture" : "texture." + value),
                                       ignored);
            } else if (key == "sim") {
                writeBytes(target.parent_path() / (value + ".air"), "air");
            }
        }
    }
}

TEST_F(RealFilesScanTest, MirroredWithTheirItems) {
    KSBY_REQUIRE_REALDATA();
    TempFolder mirror;
    mirrorWithItems(realdataDir() / "bavmm" / "Simobjects" / "Airplanes" / "A320", mirror / "A320");
    mirrorWithItems(realdataDir() / "bavmm" / "Simobjects" / "Airplanes" / "A332", mirror / "A332");
    gf_scanAircraftCfgFiles(1, mirror.path().string());
    std::size_t a320 = 0;
    for (const LiveryRecord& record : scannedLiveries) {
        EXPECT_TRUE(record.airline == "BAW") << record.title;
        a320 += record.type == "A320" ? 1 : 0;
    }
    // Four BAW sections and one of an airline the database does not know.
    EXPECT_EQ(4U, a320);
    const std::vector<std::string> airlines = invalidAirlineCodes.lines();
    EXPECT_NE(std::find(airlines.begin(), airlines.end(),
                        fmt::format("{:12} in {} [fltsim.", "AUH",
                                    (mirror / "A320" / "aircraft.cfg").string()) +
                            std::to_string(4) + "]"),
              airlines.end());
}

} // namespace
