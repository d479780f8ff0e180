// One aircraft.cfg as livery records: the numbering check, the type code and the sections with
// their report and log lines.
#include "catalogue/cfg_file_walk.h"
#include "catalogue/fltsim_sections.h"
#include "catalogue/scan_state.h"
#include "catalogue_test_fixture.h"
#include "support/livery_tree.h"

#include <fmt/format.h>

#include <filesystem>

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

std::string replaced(std::string text, const std::string& folder, const std::string& cfg) {
    for (std::size_t at = text.find("$F"); at != std::string::npos; at = text.find("$F")) {
        text.replace(at, 2, folder);
    }
    for (std::size_t at = text.find("$C"); at != std::string::npos; at = text.find("$C")) {
        text.replace(at, 2, cfg);
    }
    return text;
}

class FltsimSectionsTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        readDbase(StandardLiveryTree::dbaseSpec());
        modelFixes = {{"B738W", "B738"}};
        pvtFixes = {"PRIV"};
        govFixes = {"GOVT"};
        makeLiveryItems(folder, {"", "F"}, {"", "AAL", "BAW"}, {"A321"});
    }

    std::vector<std::string> expand(const std::vector<std::string>& lines) const {
        std::vector<std::string> out;
        for (const std::string& line : lines) {
            out.push_back(replaced(line, folderText(), cfgPath()));
        }
        return out;
    }
    std::string folderText() const { return folder.string(); }
    std::string cfgPath() const { return (folder / "aircraft.cfg").string(); }

    fs::path folder = work / "acft";
};

struct SectionCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<LiveryRecord> records;
    std::vector<std::string> incomplete{};
    std::vector<std::string> invalidAirlines{};
    std::vector<std::string> fixes{};
    std::vector<std::string> logLines{};
    std::vector<std::string> dontUse{};
    std::vector<std::string> takenTitles{};
};

LiveryRecord rec(std::string airline, std::string title, std::string atcid = {},
                 bool cargo = false) {
    return livery(std::move(airline), "A321", std::move(title), std::move(atcid), cargo);
}

TEST_F(FltsimSectionsTest, SectionsBecomeRecordsOrReportLines) {
    const std::vector<std::string> base{"sim=A321", "model=", "texture=AAL"};
    const auto with = [&base](std::vector<std::string> lines) {
        lines.insert(lines.begin() + 1, base.begin(), base.end());
        return lines;
    };
    const SectionCase cases[] = {
        {"one code", with({"[fltsim.0]", "title=T", "atc_parking_codes=AAL"}), {rec("AAL", "T")}},
        {"codes with blanks and repeats in byte order",
         with({"[fltsim.0]", "title=T", "atc_parking_codes= BAW , AAL ,BAW"}),
         {rec("AAL", "T"), rec("BAW", "T")}},
        {"second title",
         with({"[fltsim.0]", "title=T", "TITLE = U", "atc_parking_codes=AAL"}),
         {},
         {"$F [fltsim.0] has more than one title key"}},
        {"second codes key, any text",
         with({"[fltsim.0]", "title=T", "atc_parking_codes=AAL", "//atc_parking_codes=BAW",
               "atc_parking_types=GATE"}),
         {},
         {"$F [fltsim.0] has more than one atc_parking_codes key"}},
        {"second parking types",
         with({"[fltsim.0]", "title=T", "atc_parking_codes=AAL", "atc_parking_types=GATE",
               "atc_parking_types=RAMP"}),
         {},
         {"$F [fltsim.0] has more than one atc_parking_types key"}},
        {"comment holding atc_id= after an atc_id",
         with({"[fltsim.0]", "title=T", "atc_id=N1", "// atc_id=N2", "atc_parking_codes=AAL"}),
         {},
         {"$F, [fltsim.0], has more than one atc_id key"}},
        {"registration cut at the semicolon",
         with({"[fltsim.0]", "title=T", "atc_id=N101NN ; delivered", "atc_parking_codes=AAL"}),
         {rec("AAL", "T", "N101NN")}},
        {"two registrations leave it empty",
         with({"[fltsim.0]", "title=T", "atc_id=N1, N2", "atc_parking_codes=AAL"}),
         {rec("AAL", "T")}},
        {"value starting with a semicolon",
         with({"[fltsim.0]", "title=T", "atc_id=;N1", "atc_parking_codes=AAL"}),
         {rec("AAL", "T")},
         {},
         {},
         {},
         {"invalid atc_id= ==> in: T"}},
        {"empty part",
         with({"[fltsim.0]", "title=T", "atc_id=N1,,N2", "atc_parking_codes=AAL"}),
         {rec("AAL", "T")},
         {},
         {},
         {},
         {"empty regcode in T N1,,N2"}},
        {"long registration, title not yet known",
         with({"[fltsim.0]", "atc_id=ABCDEFGHIJKLM", "title=T", "atc_parking_codes=AAL"}),
         {rec("AAL", "T")},
         {},
         {},
         {},
         {"regcode: ABCDEFGHIJKLM, has more than 12 chars or contains UTF16 chars in \"\"?"}},
        {"wild card",
         with({"[fltsim.0]", "title=T", "atc_id=N1*", "atc_parking_codes=AAL"}),
         {rec("AAL", "T")},
         {},
         {},
         {},
         {"===> T N1* wild cards no longer supported, atc_id skipped "}},
        {"manufacturer code clears the atc id",
         with({"[fltsim.0]", "title=T", "atc_id=F-WXAI", "atc_parking_codes=AIB"}),
         {rec("ZZZ", "T")}},
        {"two manufacturer codes are finished one by one",
         with({"[fltsim.0]", "title=T", "atc_parking_codes=BOE,AIB"}),
         {},
         {},
         {"AIB          in $C [fltsim.0]", "BOE          in $C [fltsim.0]"}},
        {"trailing X and C cut, invalid code listed",
         with({"[fltsim.0]", "title=T", "atc_parking_codes=BAWX,AALC,XYZ"}),
         {rec("AAL", "T"), rec("BAW", "T")},
         {},
         {"XYZ          in $C [fltsim.0]"}},
        {"private and government fixes",
         with({"[fltsim.0]", "title=T", "atc_parking_codes=PRIV,GOVT"}),
         {rec("PVT", "T"), rec("PVT", "T")},
         {},
         {},
         {"Fix: GOVT found in $C changed into PVT", "Fix: PRIV found in $C changed into PVT"}},
        {"ZZZ clears the atc id",
         with({"[fltsim.0]", "title=T", "atc_id=N1", "atc_parking_codes=AAL,ZZZ,BAW"}),
         {rec("AAL", "T", "N1"), rec("BAW", "T", "N1"), rec("ZZZ", "T")}},
        {"cargo from the parking types only",
         with({"[fltsim.0]", "title=CARGO T", "atc_parking_codes=AAL",
               "atc_parking_types=gate, Cargo"}),
         {rec("AAL", "CARGO T", "", true)}},
        {"no cargo from the title",
         with({"[fltsim.0]", "title=CARGO", "atc_parking_codes=AAL"}),
         {rec("AAL", "CARGO")}},
        {"empty codes",
         with({"[fltsim.0]", "title=T", "atc_parking_codes="}),
         {},
         {"$F [fltsim.0] empty atc_parking_codes="}},
        {"missing title",
         with({"[fltsim.0]", "title=", "atc_parking_codes=AAL"}),
         {},
         {"$F [fltsim.0] misses title"}},
        {"missing texture folder reported before the title",
         {"[fltsim.0]", "sim=A321", "model=", "texture=HOUSE", "atc_parking_codes=AAL"},
         {},
         {"$F/texture.HOUSE [fltsim.0] does not exist"}},
        {"model folder tested first",
         {"[fltsim.0]", "title=T", "sim=NONE", "model=X", "texture=NONE", "atc_parking_codes=AAL"},
         {},
         {"$F/model.X [fltsim.0] does not exist"}},
        {"section without a sim line",
         {"[fltsim.0]", "title=T", "model=", "texture=AAL", "atc_parking_codes=AAL"},
         {},
         {"$F/.air [fltsim.0] does not exist"}},
        {"first model, sim and texture win",
         {"[fltsim.0]", "title=T", "model=F", "model=X", "sim=A321", "sim=X", "texture=BAW",
          "texture=X", "atc_parking_codes=AAL"},
         {rec("AAL", "T")}},
        {"item names lose trailing points and blanks; folder case is found",
         {"[fltsim.0]", "title=T", "sim=a321", "model=f. .", "texture=aal",
          "atc_parking_codes=AAL"},
         {rec("AAL", "T")}},
        {"don't-use title",
         with({"[fltsim.0]", "title=Old", "atc_parking_codes=AAL"}),
         {},
         {},
         {},
         {},
         {},
         {"Old"}},
        {"title taken by an earlier livery",
         with({"[fltsim.0]", "title=T", "atc_parking_codes=AAL,BAW"}),
         {},
         {"$F [fltsim.0] title \"T\" already exists", "$F [fltsim.0] title \"T\" already exists"},
         {},
         {},
         {},
         {},
         {"T"}},
        {"trailing empty and comment lines dropped",
         with({"[fltsim.0]", "title=T", "atc_parking_codes=AAL", "", "//", "// end"}),
         {rec("AAL", "T")}},
    };
    for (const SectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        gf_clearScanLists();
        dontUseTitles = c.dontUse;
        for (const std::string& title : c.takenTitles) {
            seenTitles.insert(title);
        }
        freshLog();
        std::vector<std::string> lines = c.lines;
        EXPECT_EQ(c.records, lf_procesFltSimSection(1, lines, "A321", cfgPath(), folderText()));
        EXPECT_EQ(expand(c.incomplete), sortedTexts(incompleteSections.lines()));
        EXPECT_EQ(expand(c.invalidAirlines), sortedTexts(invalidAirlineCodes.lines()));
        EXPECT_EQ(expand(c.fixes), sortedTexts(codeFixes.lines()));
        for (const std::string& line : c.logLines) {
            EXPECT_TRUE(logHas(line)) << line;
        }
    }
}

TEST_F(FltsimSectionsTest, AFileSystemFailureIsLoggedAndPassedOn) {
    std::vector<std::string> lines{"[fltsim.0]",  "title=T",  "model=" + std::string(300, 'm'),
                                   "texture=AAL", "sim=A321", "atc_parking_codes=AAL"};
    try {
        lf_procesFltSimSection(1, lines, "A321", cfgPath(), folderText());
        ADD_FAILURE() << "no exception";
    } catch (const fs::filesystem_error& e) {
        EXPECT_NE(std::string(e.what()).find("File name too long"), std::string::npos);
        EXPECT_TRUE(logHas(
            fmt::format("exception in lf_procesFltSimSection: {}, file: {}", e.what(), cfgPath())));
    }
}

struct NumberingCase {
    const char* name;
    std::vector<std::string> lines;
    bool passes;
    std::string invalid;
    bool noSection = false;
    std::string logLine{};
};

TEST_F(FltsimSectionsTest, SectionNumbering) {
    const NumberingCase cases[] = {
        {"any order", {"[fltsim.1]", "[fltsim.0]", "[fltsim.2]"}, true, ""},
        {"a gap",
         {"[fltsim.0]", "[fltsim.2]"},
         false,
         "$C contains non-consecutive [fltsim.x] numbers at .x=2"},
        {"a repeat",
         {"[fltsim.0]", "[fltsim.0]"},
         false,
         "$C contains non-consecutive [fltsim.x] numbers at .x=0"},
        {"a header with a comment",
         {"[fltsim.0]", "[fltsim.1] //x"},
         false,
         "$C contains a [fltsim.] section without a number"},
        {"none", {"[General]", "atc_model=A321"}, true, "", true},
        {"beyond 32 bits",
         {"[fltsim.0]", "[fltsim.4294967296]"},
         false,
         "",
         false,
         "===> fltsim num [fltsim.4294967296] incorrect"},
    };
    for (const NumberingCase& c : cases) {
        SCOPED_TRACE(c.name);
        gf_clearScanLists();
        EXPECT_EQ(c.passes, lf_collectFltSimSections(c.lines, cfgPath()));
        EXPECT_EQ(c.invalid.empty() ? std::vector<std::string>{}
                                    : std::vector<std::string>{replaced(c.invalid, "", cfgPath())},
                  invalidCfgFiles.lines());
        EXPECT_EQ(c.noSection ? std::vector<std::string>{cfgPath()} : std::vector<std::string>{},
                  cfgFilesWithoutSection.lines());
        if (!c.logLine.empty()) {
            EXPECT_TRUE(logHas(c.logLine));
        }
    }
}

struct TypeCase {
    const char* name;
    std::vector<std::string> lines;
    std::string type;
    std::string invalidCfg{};
    std::string invalidModel{};
    std::string fix{};
};

TEST_F(FltsimSectionsTest, TypeCode) {
    const TypeCase cases[] = {
        {"known", {"atc_model=A321"}, "A321"},
        {"first of the file wins, outside [General] too",
         {"[fltsim.0]", "atc_model=B744", "[General]", "atc_model=A321"},
         "B744"},
        {"fixed",
         {"ATC_MODEL = B738W"},
         "B738",
         "",
         "",
         "Fix: B738W found in $C changed into B738"},
        {"invalid", {"atc_model=B78X "}, "", "", "B78X             in $C"},
        {"comment stays part of it", {"atc_model=A321 ;x"}, "", "", "A321 ;x          in $C"},
        {"missing", {"atc_model="}, "", "Line atc_model= is missing in [General] section of $C"},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(c.name);
        gf_clearScanLists();
        EXPECT_EQ(c.type, lf_fixMissingAtcModel(cfgPath(), c.lines));
        const auto one = [this](const std::string& text) {
            return text.empty() ? std::vector<std::string>{}
                                : std::vector<std::string>{replaced(text, "", cfgPath())};
        };
        EXPECT_EQ(one(c.invalidCfg), invalidCfgFiles.lines());
        EXPECT_EQ(one(c.invalidModel), invalidModelCodes.lines());
        EXPECT_EQ(one(c.fix), codeFixes.lines());
    }
}

TEST_F(FltsimSectionsTest, FileCutIntoSections) {
    // [General] last ends the final section; a '[' far into a line does not end one.
    const std::vector<std::string> lines{"[fltsim.1]",
                                         "title=Foo [Bar]",
                                         "sim=A321",
                                         "model=",
                                         "texture=BAW",
                                         "atc_parking_codes=BAW",
                                         "",
                                         "[fltsim.0]",
                                         "title=Zero",
                                         "sim=A321",
                                         "model=",
                                         "texture=AAL",
                                         "     [x",
                                         "atc_parking_codes=AAL",
                                         "[General]",
                                         "atc_model=A321"};
    const auto records = lf_searchLiveriesInLines(2, cfgPath(), lines);
    LiveryRecord bar = rec("BAW", "Foo [Bar]");
    bar.priority = 2;
    EXPECT_EQ((std::vector<LiveryRecord>{bar}), records);
    ASSERT_EQ(1U, records.size());
    EXPECT_EQ(2, records[0].priority);
    EXPECT_EQ((std::vector<std::string>{folderText() + " [fltsim.0] empty atc_parking_codes="}),
              incompleteSections.lines());
}

struct IvaoTypeCase {
    const char* name;
    std::string relative;
    std::string type;
    std::string invalidModel{};
    std::string fix{};
};

TEST_F(FltsimSectionsTest, IvaoTypeFromThePath) {
    const IvaoTypeCase cases[] = {
        {"lower-case w", "IVAO_MTL/IVAO_B738w/aircraft.cfg", "B738"},
        {"backslashes and any case", "ivao_mtl\\ivao_A321\\AIRCRAFT.CFG", "A321"},
        {"B744F", "IVAO_MTL/IVAO_B744F/aircraft.cfg", "B744"},
        {"T154B2", "IVAO_MTL/IVAO_T154B2/aircraft.cfg", "", "T154             in $C"},
        {"glider", "IVAO_MTL/IVAO_GLID_KA8/aircraft.cfg", "", "GLID             in $C"},
        {"fixed", "IVAO_MTL/IVAO_B738W/aircraft.cfg", "B738", "",
         "Fix: B738W found in $C changed into B738"},
        {"sim.cfg", "IVAO_MTL/IVAO_A321/sim.cfg", "", "                 in $C"},
        {"outside the layout", "ivao_x-csl/A321/aircraft.cfg", "", "                 in $C"},
        {"not directly inside IVAO_MTL", "IVAO_MTL/x/IVAO_A321/aircraft.cfg", "",
         "                 in $C"},
    };
    for (const IvaoTypeCase& c : cases) {
        SCOPED_TRACE(c.name);
        gf_clearScanLists();
        const std::string path = (work / "pkgs").string() + "/" + c.relative;
        EXPECT_EQ(c.type, lf_fixIvaoMtlTypes(path));
        const auto one = [&path](const std::string& text) {
            return text.empty() ? std::vector<std::string>{}
                                : std::vector<std::string>{replaced(text, "", path)};
        };
        EXPECT_EQ(one(c.invalidModel), invalidModelCodes.lines());
        EXPECT_EQ(one(c.fix), codeFixes.lines());
    }
}

TEST_F(FltsimSectionsTest, IvaoSectionsDiffer) {
    const std::string cfg = cfgPath();
    const std::vector<std::string> lines{"[fltsim.0]",
                                         "title=A321 AAL American",
                                         "sim=A321",
                                         "model=",
                                         "texture=AAL",
                                         "atc_id=N1;x",
                                         "atc_parking_types=CARGO",
                                         "",
                                         "[fltsim.1]",
                                         "title=A321 Foo [Bar]",
                                         "sim=A321",
                                         "model=",
                                         "texture=AAL",
                                         "",
                                         "[fltsim.2]",
                                         "title=Boeing",
                                         "sim=A321",
                                         "model=",
                                         "texture=AAL",
                                         "",
                                         "[fltsim.3]",
                                         "title=A321 BOE House",
                                         "sim=A321",
                                         "model=",
                                         "texture=BAW",
                                         "atc_id=F-X"};
    const auto records = lf_searchLiveriesInIvaoLines(1, cfg, "A321", lines);
    // Never cargo; the atc id is not cut at ';' and passes as one part.
    EXPECT_EQ((std::vector<LiveryRecord>{rec("AAL", "A321 AAL American", "N1;x"),
                                         rec("ZZZ", "A321 BOE House")}),
              records);
    // "[fltsim.1]" ends at its title line, which holds '['; what is left names no sim.
    EXPECT_EQ((std::vector<std::string>{folderText() + "/.air [fltsim.1] does not exist",
                                        folderText() + " [fltsim.2] misses airlinecode in title"}),
              incompleteSections.lines());
    EXPECT_EQ(0U, invalidAirlineCodes.size());
}

} // namespace
