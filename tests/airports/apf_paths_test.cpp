// Finding an airport's file, following link files, the learned file's path and the airport
// codes of a folder.
#include "airports_test_fixture.h"
#include "core/xml_files.h"

#include <algorithm>
#include <system_error>

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

struct FixtureFile {
    fs::path path;
    std::string bytes;
};

TEST_F(AirportsTest, TheAirportFileIsFoundInTheOrderOfItsCandidates) {
    struct Case {
        const char* name;
        std::vector<FixtureFile> files;
        fs::path expected;
        bool exists;
    };
    const std::string airportFile = AirportFileBuilder().text();
    const Case cases[] = {
        {"the third-party link comes first",
         {{kThirdPartyLink, kArchivedThirdParty.string() + "\n"},
          {kArchivedThirdParty, airportFile},
          {kThirdPartyFile, airportFile},
          {kOrbxFile, airportFile},
          {kStockFile, airportFile}},
         kArchivedThirdParty,
         true},
        {"a link whose target is missing is passed over",
         {{kThirdPartyLink, kArchivedThirdParty.string() + "\n"}, {kOrbxFile, airportFile}},
         kOrbxFile,
         true},
        {"the third-party file before the ORBX link",
         {{kThirdPartyFile, airportFile},
          {kOrbxLink, kArchivedOrbx.string()},
          {kArchivedOrbx, airportFile}},
         kThirdPartyFile,
         true},
        {"a link line ending in a carriage return and blanks",
         {{kOrbxLink, kArchivedOrbx.string() + "\r   \nsecond line\n"},
          {kArchivedOrbx, airportFile},
          {kStockFile, airportFile}},
         kArchivedOrbx,
         true},
        {"anything after the name's last l is cut",
         {{kOrbxLink, kArchivedOrbx.string() + "; junk\n"}, {kArchivedOrbx, airportFile}},
         kArchivedOrbx,
         true},
        {"a link line without any l",
         {{kOrbxLink, "airports/archive/ORBX/EHAM.xm\n"},
          {"airports/archive/ORBX/EHAM.xm", airportFile},
          {kStockFile, airportFile}},
         kStockFile,
         true},
        {"an empty link file",
         {{kThirdPartyLink, ""}, {kOrbxLink, "\n"}, {kStockFile, airportFile}},
         kStockFile,
         true},
        {"the ORBX file before the stock file",
         {{kOrbxFile, airportFile}, {kStockFile, airportFile}},
         kOrbxFile,
         true},
        {"the stock file alone", {{kStockFile, airportFile}}, kStockFile, true},
        {"a link alone, its target missing",
         {{kOrbxLink, kArchivedOrbx.string()}},
         fs::path(),
         true},
        {"nothing at all", {}, fs::path(), false},
        {"another airport's files only",
         {{"airports/archive/stock/EHAMX.xml", airportFile},
          {"airports/my_ORBX/eham.xml", airportFile}},
         fs::path(),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("airports");
        for (const FixtureFile& file : c.files) {
            writeBytes(file.path, file.bytes);
        }
        EXPECT_EQ(gf_findApfPath("EHAM"), c.expected);
        EXPECT_EQ(gf_apfExists("EHAM"), c.exists);
    }
}

TEST_F(AirportsTest, ALinkIsFollowedOnlyToAnExistingFile) {
    writeBytes(kArchivedOrbx, "x");
    struct Case {
        const char* name;
        std::optional<std::string> link; // nullopt: no link file
        std::optional<fs::path> target;
    };
    const Case cases[] = {
        {"plain line", kArchivedOrbx.string() + "\n", kArchivedOrbx},
        {"no line end", kArchivedOrbx.string(), kArchivedOrbx},
        {"missing target", "airports/archive/ORBX/EDDF.xml\n", std::nullopt},
        {"empty file", "", std::nullopt},
        {"no link file", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(kOrbxLink);
        if (c.link) {
            writeBytes(kOrbxLink, *c.link);
        }
        fs::path target = "untouched";
        EXPECT_EQ(lf_followApfLink(kOrbxLink, target), c.target.has_value());
        EXPECT_EQ(target, c.target.value_or("untouched"));
    }
}

TEST_F(AirportsTest, TheLearnedFileLiesInTheLearnedFolderOfItsKind) {
    struct Case {
        const char* name;
        fs::path airportFile;
        std::optional<std::string> publisher; // written into the airport file when given
        fs::path expected;
        std::vector<std::string> lines;
        bool fileExists = true;
    };
    const Case cases[] = {
        {"stock archive", kStockFile, std::nullopt, "airports/learned/stock/EHAM.xml", {}},
        {"ORBX archive", kArchivedOrbx, std::nullopt, "airports/learned/ORBX/EHAM.xml", {}},
        {"third-party archive",
         kArchivedThirdParty,
         std::nullopt,
         "airports/learned/thirdparty/Aerosoft/EHAM.xml",
         {}},
        {"my_ORBX", kOrbxFile, std::string("ORBX"), "airports/learned/ORBX/EHAM.xml", {}},
        {"my_thirdparty with a publisher",
         kThirdPartyFile,
         std::string("FlyTampa"),
         "airports/learned/thirdparty/FlyTampa/EHAM.xml",
         {}},
        {"my_thirdparty without a publisher",
         kThirdPartyFile,
         std::nullopt,
         "airports/learned/thirdparty/EHAM.xml",
         {}},
        {"my_thirdparty file missing",
         "airports/my_thirdparty/EDDF.xml",
         std::nullopt,
         "airports/learned/thirdparty/EDDF.xml",
         {},
         false},
        {"publisher leading out of the folder",
         kThirdPartyFile,
         std::string("../../../etc"),
         "airports/learned/thirdparty/EHAM.xml",
         {"===> publisher \"../../../etc\" of airports/my_thirdparty/EHAM.xml is not a folder "
          "name, ignored"}},
        {"publisher with a backslash",
         kThirdPartyFile,
         std::string("a\\b"),
         "airports/learned/thirdparty/EHAM.xml",
         {"===> publisher \"a\\b\" of airports/my_thirdparty/EHAM.xml is not a folder name, "
          "ignored"}},
        {"publisher with a drive colon",
         kThirdPartyFile,
         std::string("C:"),
         "airports/learned/thirdparty/EHAM.xml",
         {"===> publisher \"C:\" of airports/my_thirdparty/EHAM.xml is not a folder name, "
          "ignored"}},
        {"publisher naming the parent folder",
         kThirdPartyFile,
         std::string(".."),
         "airports/learned/thirdparty/EHAM.xml",
         {"===> publisher \"..\" of airports/my_thirdparty/EHAM.xml is not a folder name, "
          "ignored"}},
        {"publisher naming the folder itself",
         kThirdPartyFile,
         std::string("."),
         "airports/learned/thirdparty/EHAM.xml",
         {"===> publisher \".\" of airports/my_thirdparty/EHAM.xml is not a folder name, "
          "ignored"}},
        {"outside the three folders",
         "./elsewhere//EHAM.xml",
         std::nullopt,
         "./elsewhere//EHAM.xml",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("airports");
        freshLog();
        if (c.publisher) {
            AirportFileBuilder().parameter("publisher", *c.publisher).write(c.airportFile);
        } else if (c.fileExists) {
            AirportFileBuilder().parameter("airport_name", "Schiphol").write(c.airportFile);
        }
        const fs::path learned = lf_learnedPathFor(c.airportFile);
        EXPECT_EQ(learned.string(), c.expected.string());
        EXPECT_EQ(logLines(), c.lines);
    }
}

TEST_F(AirportsTest, AirportCodesAreTheFourCharacterStemsOfTheXmlFiles) {
    const fs::path folder = "airports/my_ORBX";
    for (const char* name : {"EHAM.xml", "LFPG.XML", "KJFK.Xml", "ABC.xml", "ABCDE.xml", "EDDF.txt",
                             "EGLL.xmlx", "EDDM"}) {
        writeBytes(folder / name, "x");
    }
    fs::create_directories(folder / "LOWW.xml");
    const std::vector<std::string> codes = gf_listAirportCodes(folder);
    // In the order of the folder listing.
    std::vector<std::string> listed;
    for (const fs::path& file : gf_listXmlFiles(folder)) {
        if (file.stem().string().size() == 4) {
            listed.push_back(file.stem().string());
        }
    }
    EXPECT_EQ(codes, listed);
    std::vector<std::string> sorted = codes;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{"EHAM", "KJFK", "LFPG"}));
}

TEST_F(AirportsTest, TheFolderListingsFailuresPassThroughAsTheyAre) {
    fs::create_directories("airports/looped");
    fs::create_symlink("loop.xml", "airports/looped/loop.xml");
    struct Case {
        const char* name;
        fs::path folder;
        fs::filesystem_error expected;
    };
    const Case cases[] = {
        {"a folder that cannot be opened", "airports/missing",
         fs::filesystem_error("directory iterator cannot open directory",
                              fs::path("airports/missing"),
                              std::make_error_code(std::errc::no_such_file_or_directory))},
        {"an entry whose state cannot be read", "airports/looped",
         fs::filesystem_error("status", fs::path("airports/looped/loop.xml"),
                              std::make_error_code(std::errc::too_many_symbolic_link_levels))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            (void)gf_listAirportCodes(c.folder);
            ADD_FAILURE() << "no exception";
        } catch (const fs::filesystem_error& e) {
            EXPECT_STREQ(e.what(), c.expected.what());
            EXPECT_EQ(e.code(), c.expected.code());
        }
    }
}

} // namespace
