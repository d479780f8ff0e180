// The add-on scan with its workers run inline: the folder step and walk, the link and generate
// steps, the off-line learning set-up, the report file and the result.
#include "addon_scan_fixture.h"
#include "airports/bgl_decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace ksb::test {
namespace {

namespace fs = std::filesystem;

AirportWalkContext inlineContext(AirportScanSink& sink) {
    return {&sink, [](AirportScanTask task) { task(); },
            [](fs::recursive_directory_iterator& it) { ++it; }};
}

std::vector<std::string> sorted(std::vector<std::string> values) {
    std::sort(values.begin(), values.end());
    return values;
}

TEST_F(AddonScanTest, TheFolderStepSkipsWhatItCannotScan) {
    const fs::path drive = fs::current_path() / "drive";
    writeAirportBgl(drive / "addons/EHAM.bgl", "EHAM", 1);
    writeAirportBgl(drive / "Prepar3D v5/Scenery/World/EDDF.bgl", "EDDF", 1);
    writeBytes(drive / "file.txt", "x");
    const ScopedEnv d("KSBY_DRIVE_D", drive.string());
    const ScopedEnv s("KSBY_DRIVE_S", drive.string());
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> messages;
        std::vector<std::string> linked;
    };
    const Case cases[] = {
        {"empty text", "", {}, {}},
        {"missing folder", "D:\\missing", {"D:\\missing does not exist, skipped!"}, {}},
        {"unmapped drive", "Q:\\addons", {"Q:\\addons does not exist, skipped!"}, {}},
        {"a file", "D:\\file.txt", {"D:\\file.txt is not a folder name, skipped!"}, {}},
        {"a stock folder", "S:\\Prepar3D v5\\Scenery\\World", {}, {}},
        {"a drive-mapped folder", "D:\\addons", {}, {"EHAM"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingAirportScanSink sink;
        const std::size_t before = messages.messages().size();
        lf_scanSceneryPath(c.text, inlineContext(sink));
        const std::vector<std::string> all = messages.messages();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(before), all.end()),
                  c.messages);
        EXPECT_EQ(sink.linkedIdents(), c.linked);
        if (!c.linked.empty()) {
            EXPECT_EQ(sink.lines().front(),
                      "Scanning for addon airports in " + (drive / "addons").string());
        }
    }
    // Every message line is also logged.
    for (const RecordedMessage& message : messages.all()) {
        EXPECT_TRUE(message.log) << message.text;
    }
}

TEST_F(AddonScanTest, TheWalkDecodesOnlyBglFilesWithAnAirportSection) {
    const fs::path root = fs::current_path() / "tree";
    writeAirportBgl(root / "a/EHAM.Bgl", "EHAM", 1);
    writeAirportBgl(root / "statics/EDDF.bgl", "EDDF", 1);
    writeAirportBgl(root / "x_heliports/EDDS.bgl", "EDDS", 1);
    writeAirportBgl(root / "b/KJFK.BGL", "KJFK", 1);
    writeAirportBgl(root / "d/deeper/LEAB.bgl", "LEAB", 1);
    writeAirportBgl(root / "sim/Prepar3D v5/Scenery/EGLL.bgl", "EGLL", 1);
    BglBuilder().section(0x65, Bytes(64, 1)).writeTo(root / "c/terrain.bgl");
    const ScopedEnv s("KSBY_DRIVE_S", (root / "sim").string());
    RecordingAirportScanSink sink;
    lf_scanFolderForAirports(root, inlineContext(sink));
    EXPECT_EQ(sorted(sink.linkedIdents()), (std::vector<std::string>{"KJFK", "LEAB"}));
    EXPECT_EQ(runningWorkers.load(), 0);
}

TEST_F(AddonScanTest, FailuresOfStartsAndWorkersAreReportedAndTheWalkGoesOn) {
    const fs::path root = fs::current_path() / "tree";
    for (const char* ident : {"EDDF", "EDDS", "EDDM"}) {
        writeAirportBgl(root / (std::string(ident) + ".bgl"), ident, 1);
    }
    RecordingAirportScanSink sink;
    int starts = 0;
    AirportWalkContext context = inlineContext(sink);
    context.startWorker = [&starts](AirportScanTask task) {
        if (++starts == 2) {
            throw std::runtime_error("no thread");
        }
        task();
    };
    lf_scanFolderForAirports(root, context);
    EXPECT_EQ(sink.linkedIdents().size(), 2u);
    EXPECT_EQ(runningWorkers.load(), 0);
    const std::vector<std::string> lines = sink.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "===>  airports search in folder " + root.string() +
                             " aborted, cause: no thread"),
              1);
}

TEST_F(AddonScanTest, WorkerFailuresAreReportedInnerAndOuter) {
    workerLimit = 1;
    const fs::path root = fs::current_path() / "tree";
    for (const char* ident : {"EDDF", "EDDS"}) {
        Bytes bytes = BglBuilder()
                          .airport(BglAirport(ident).parking(BglAirport::kParking, {{}, {}}))
                          .bytes();
        bytes.resize(bytes.size() - 8);
        writeBytes(root / (std::string(ident) + ".bgl"), std::string(bytes.begin(), bytes.end()));
    }
    RecordingAirportScanSink sink;
    lf_scanFolderForAirports(root, inlineContext(sink));
    std::vector<std::string> paths;
    for (const fs::directory_entry& entry : fs::directory_iterator(root)) {
        paths.push_back(entry.path().string());
    }
    const std::vector<std::string> lines = sink.lines();
    const std::string failure = "read past end: 36 bytes at offset 44 of 72";
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Scanning for addon airports in " + root.string());
    EXPECT_TRUE(lines[1].starts_with("===> !? Exception in lf_toParkingPositions: "));
    EXPECT_EQ(lines[3], "===>  airports search aborted, futs inner, \n" + failure + "\n2\n" +
                            lines[2].substr(lines[2].find(": ") + 2));
    EXPECT_EQ(lines[4], "===>  airports search in " + root.string() +
                            " aborted, futs outer error: " + failure);
    EXPECT_EQ(runningWorkers.load(), 0);
}

TEST_F(AddonScanTest, AStopBeforeAStartEndsTheWalkAndTheReportIsStillWritten) {
    writeAirportBgl("tree/EHAM.bgl", "EHAM", 1);
    stopRequested = 1;
    std::vector<std::string> folders{(fs::current_path() / "tree").string()};
    EXPECT_FALSE(gf_scanAddonAirports(false, folders));
    EXPECT_FALSE(fs::exists("airports/my_thirdparty/EHAM.xml"));
    EXPECT_EQ(fileLines("output/info/AirportsScanLog.txt"),
              (std::vector<std::string>{"Scanning for addon airports in " + folders[0]}));
}

TEST_F(AddonScanTest, ThePublisherComesFromThePathOrTheDatabase) {
    readDbase();
    struct Case {
        const char* path;
        const char* publisher;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"/addons/orbx/EHAM.bgl", "ORBX", {"from filename => publisher  ORBX"}},
        {"/addons/ORBX_EHAM/x.bgl", "ORBX", {"from filename => publisher  ORBX"}},
        {"/addons/Aerosoft EHAM/x.bgl", "Aerosoft", {}},
        {"/addons/other/x.bgl", "unknown", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        lf_resetScanGlobals();
        EXPECT_EQ(gf_publisherFromFilename(c.path), c.publisher);
        EXPECT_EQ(reportLines(), c.lines);
    }
}

TEST_F(AddonScanTest, TheLinkStepPointsAtTheArchivedFile) {
    readDbase();
    struct Case {
        const char* name;
        const char* bglPath;
        std::optional<std::string> archive; // the archived file written, if any
        bool folderToo;
        bool linked;
        std::vector<std::string> lines;
        const char* linkFile;
    };
    const Case cases[] = {
        {"ORBX folder missing", "/orbx/a.bgl", std::nullopt, false, false,
         {"from filename => publisher  ORBX", "\nairports/archive/ORBX folder does not exist\n"},
         nullptr},
        {"ORBX file missing", "/orbx/a.bgl", std::nullopt, true, false,
         {"from filename => publisher  ORBX", "airports/archive/ORBX/EHAM.xml does not exist"},
         nullptr},
        {"ORBX file present", "/orbx/a.bgl", "airports/archive/ORBX/EHAM.xml", true, true,
         {"from filename => publisher  ORBX",
          "ORBX airport EHAM linked to airports/archive/ORBX/EHAM.xml"},
         "airports/my_ORBX/EHAM.txt"},
        {"third-party folder missing", "/Aerosoft/a.bgl", std::nullopt, false, false,
         {"\nairports/archive/thirdparty/Aerosoft folder does not exist\n"}, nullptr},
        {"third-party file present", "/Aerosoft/a.bgl",
         "airports/archive/thirdparty/Aerosoft/EHAM.xml", true, true,
         {"thirdparty EHAM linked to airports/archive/thirdparty/Aerosoft/EHAM.xml"},
         "airports/my_thirdparty/EHAM.txt"},
        {"unknown publisher", "/other/a.bgl", std::nullopt, true, false, {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("airports/archive");
        lf_resetScanGlobals();
        if (c.folderToo) {
            fs::create_directories("airports/archive/ORBX");
            fs::create_directories("airports/archive/thirdparty/Aerosoft");
        }
        if (c.archive) {
            writeArchive(*c.archive, 42);
        }
        ScannedAirport airport;
        airport.ident = "EHAM";
        int archived = -1;
        EXPECT_EQ(lf_linkArchivedAirport(airport, archived, c.bglPath), c.linked);
        EXPECT_EQ(archived, c.linked ? 42 : 0);
        EXPECT_EQ(airport.bglPath, c.bglPath);
        EXPECT_EQ(reportLines(), c.lines);
        EXPECT_EQ(linkedOrGeneratedCount.load(), c.linked ? 1 : 0);
        if (c.linkFile) {
            EXPECT_EQ(readBytes(c.linkFile), *c.archive + "\n");
        }
    }
}

TEST_F(AddonScanTest, ALinkFileThatCannotBeWrittenLinksNothing) {
    writeArchive("airports/archive/ORBX/EHAM.xml", 42);
    fs::create_directories("airports/my_ORBX/EHAM.txt/inside");
    ScannedAirport airport;
    airport.ident = "EHAM";
    int archived = -1;
    EXPECT_FALSE(lf_linkArchivedAirport(airport, archived, "/orbx/a.bgl"));
    EXPECT_EQ(archived, 0);
    EXPECT_EQ(reportLines(),
              (std::vector<std::string>{"from filename => publisher  ORBX",
                                        "===> airports/my_ORBX/EHAM.txt could not be written"}));
    EXPECT_EQ(linkedOrGeneratedCount.load(), 0);
}

TEST_F(AddonScanTest, ArchivedStandCountsDecideWhetherTheAirportIsAlsoGenerated) {
    struct Case {
        const char* name;
        std::uint32_t gates;
        bool generated;
    };
    const Case cases[] = {{"fewer", 2, false}, {"equal", 3, false}, {"more", 4, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("tree");
        fs::remove("airports/my_ORBX/EHAM.xml");
        writeArchive("airports/archive/ORBX/EHAM.xml", 3);
        writeAirportBgl("tree/orbx/EHAM.bgl", "EHAM", c.gates);
        std::vector<std::string> folders{(fs::current_path() / "tree").string()};
        EXPECT_TRUE(gf_scanAddonAirports(false, folders));
        EXPECT_TRUE(fs::exists("airports/my_ORBX/EHAM.txt") || c.generated);
        EXPECT_EQ(fs::exists("airports/my_ORBX/EHAM.xml"), c.generated);
    }
}

TEST_F(AddonScanTest, TheGeneratedFileHoldsTheSortedStandsAndSaysSo) {
    struct Case {
        const char* name;
        std::uint32_t gates;
        int helipads;
        const char* line;
    };
    const Case cases[] = {
        {"one helipad", 0, 1, "Generated EHAM.xml: 1 position, of which 1 helipad"},
        {"one gate", 1, 0, "Generated EHAM.xml: 1 position"},
        {"gates and helipads", 10, 2, "Generated EHAM.xml: 12 positions, of which 2 helipads"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lf_resetScanGlobals();
        fs::remove_all("tree");
        writeAirportBgl("tree/EHAM.bgl", "EHAM", c.gates, c.helipads);
        RecordingAirportScanSink ignored;
        ++runningWorkers;
        lf_toParkingPositions("tree/EHAM.bgl", *gf_scanWalkContext().sink);
        const std::vector<std::string> lines = reportLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end());
        EXPECT_EQ(linkedOrGeneratedCount.load(), 1);
    }
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file("airports/my_thirdparty/EHAM.xml"));
    std::vector<std::string> names;
    for (const pugi::xpath_node node : doc.select_nodes("//parkpos")) {
        names.push_back(node.node().attribute("id").value());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"g1", "g10", "g2", "g3", "g4", "g5", "g6", "g7",
                                               "g8", "g9", "helipad1", "helipad2"}));
    EXPECT_EQ(gf_readStringParameter(doc, "airport_name"), "Airport");
    EXPECT_EQ(gf_readStringParameter(doc, "publisher"), "unknown");
    EXPECT_EQ(gf_readStringParameter(doc, "BGLpath"), "tree/EHAM.bgl");
    EXPECT_EQ(gf_readIntParameter(doc, "altitude"), 328);
    EXPECT_EQ(gf_readIntParameter(doc, "num_parkpos"), 12);
}

TEST_F(AddonScanTest, AGeneratedFileThatCannotBeWrittenIsReported) {
    fs::create_directories("airports/my_thirdparty/EHAM.xml/inside");
    writeAirportBgl("tree/EHAM.bgl", "EHAM", 2);
    std::vector<std::string> folders{(fs::current_path() / "tree").string()};
    EXPECT_FALSE(gf_scanAddonAirports(false, folders));
    const std::vector<std::string> lines = fileLines("output/info/AirportsScanLog.txt");
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "===> Generating airports/my_thirdparty/EHAM.xml did not succeed"),
              lines.end());
    EXPECT_EQ(linkedOrGeneratedCount.load(), 0);
    EXPECT_TRUE(fs::is_directory("airports/my_thirdparty/EHAM.xml/inside"));
}

TEST_F(AddonScanTest, GeneratedFilesOfAirportsWithQualityFactorsAreLearnedOffline) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, bool>> orbx; // ident, stock file has factors
        std::vector<std::pair<std::string, bool>> thirdParty;
        std::vector<std::string> copied;
        bool orbxMark;
        std::int32_t tblo;
        std::vector<std::string> logLines;
    };
    const Case cases[] = {
        {"nothing generated", {}, {}, {}, true, 0, {}},
        {"ORBX with and without factors",
         {{"EHAM", true}, {"EDDF", false}},
         {},
         {"EHAM"},
         true,
         1,
         {"EHAM copied to TO_BE_LEARNED_OFFLINE/EHAM.xml"}},
        {"ORBX without factors",
         {{"EDDF", false}},
         {},
         {},
         true,
         0,
         {"All your ORBX airports are done, no off line learning needed."}},
        {"ORBX copies kept when third party needs none",
         {{"EHAM", true}},
         {{"EDDS", false}},
         {"EHAM"},
         true,
         1,
         {"All your third party airports are done, no off line learning needed."}},
        {"both copied",
         {{"EHAM", true}},
         {{"EDDS", true}, {"EDDM", false}},
         {"EDDS", "EHAM"},
         true,
         2,
         {"EDDS copied to TO_BE_LEARNED_OFFLINE/EDDS.xml"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* folder : {"airports/my_ORBX", "airports/my_thirdparty",
                                   "airports/archive/stock"}) {
            fs::remove_all(folder);
            fs::create_directories(folder);
        }
        writeBytes("TO_BE_LEARNED_OFFLINE/OLD.xml", "old");
        const auto place = [&](const auto& idents, const char* folder) {
            for (const auto& [ident, factors] : idents) {
                writeArchive(fs::path(folder) / (ident + ".xml"), 5);
                writeBytes(fs::path(folder) / (ident + ".txt"), "link\n");
                writeArchive("airports/archive/stock/" + ident + ".xml", 5,
                             factors ? std::optional<int>(40) : std::nullopt);
            }
        };
        place(c.orbx, "airports/my_ORBX");
        place(c.thirdParty, "airports/my_thirdparty");
        port.clearInvalidated();
        freshLog();
        std::vector<std::string> folders;
        EXPECT_FALSE(gf_scanAddonAirports(false, folders));
        std::vector<std::string> copied;
        if (fs::exists("TO_BE_LEARNED_OFFLINE")) {
            for (const fs::directory_entry& entry : fs::directory_iterator("TO_BE_LEARNED_OFFLINE")) {
                copied.push_back(entry.path().stem().string());
            }
        }
        EXPECT_EQ(sorted(copied), c.copied);
        EXPECT_EQ(fs::exists("TO_BE_LEARNED_OFFLINE"), !c.copied.empty());
        for (const std::string& ident : c.copied) {
            EXPECT_FALSE(fs::exists("airports/my_ORBX/" + ident + ".txt"));
            EXPECT_FALSE(fs::exists("airports/my_thirdparty/" + ident + ".txt"));
        }
        EXPECT_EQ(mainWindow.orbxScanComplete.load(), c.orbxMark);
        EXPECT_EQ(mainWindow.tbloAirports.load(), c.tblo);
        const std::vector<ui::Rect> invalidated = port.invalidated();
        EXPECT_NE(std::find(invalidated.begin(), invalidated.end(), kStatusRegion),
                  invalidated.end());
        for (const std::string& line : c.logLines) {
            EXPECT_TRUE(log->contains(line)) << line;
        }
    }
}

TEST_F(AddonScanTest, OnlyAScanThatFindsSomethingSucceeds) {
    writeAirportBgl("tree/EHAM.bgl", "EHAM", 2);
    std::vector<std::string> folders{(fs::current_path() / "tree").string()};
    EXPECT_TRUE(gf_scanAddonAirports(false, folders));
    EXPECT_TRUE(log->contains("Airports scan successful"));
    EXPECT_EQ(linkedOrGeneratedCount.load(), 1);
    // A second scan in the same process finds nothing new.
    fs::remove_all("tree");
    fs::create_directories("tree");
    freshLog();
    EXPECT_FALSE(gf_scanAddonAirports(false, folders));
    EXPECT_FALSE(log->contains("Airports scan successful"));
    EXPECT_EQ(linkedOrGeneratedCount.load(), 1);
}

TEST_F(AddonScanTest, TheReportFileReplacesTheLastOneAndTheReportIsEmptied) {
    writeBytes("output/info/AirportsScanLog.txt", "old report\n");
    writeAirportBgl("tree/EHAM.bgl", "EHAM", 1);
    std::vector<std::string> folders{(fs::current_path() / "tree").string()};
    EXPECT_TRUE(gf_scanAddonAirports(false, folders));
    EXPECT_EQ(fileLines("output/info/AirportsScanLog.txt"),
              (std::vector<std::string>{"Scanning for addon airports in " + folders[0],
                                        "===> EHAM has 1 parkpos while archived one has 0",
                                        "Generated EHAM.xml: 1 position"}));
    EXPECT_TRUE(log->contains("output/info/AirportsScanLog.txt written"));
    EXPECT_TRUE(reportLines().empty());
    const std::vector<RecordedMessage> all = messages.all();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.back().kind, RecordedMessage::Kind::clear);
}

TEST_F(AddonScanTest, AReportFileThatCannotBeReplacedIsNotCalledWritten) {
    writeBytes("output/info/AirportsScanLog.txt/inside.txt", "x");
    std::vector<std::string> folders;
    EXPECT_FALSE(gf_scanAddonAirports(false, folders));
    EXPECT_TRUE(log->contains("problems with removing previous files (maybe still open?)"));
    EXPECT_TRUE(log->contains("===> output/info/AirportsScanLog.txt could not be written"));
    EXPECT_FALSE(log->contains("AirportsScanLog.txt written"));
}

} // namespace
} // namespace ksb::test
