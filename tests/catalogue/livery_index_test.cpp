// The livery index built from the scanned records: grouping, the pax, cargo and type indexes,
// the category report, the category switch-offs and rebuilds in one process.
#include "catalogue_test_fixture.h"
#include "core/parameters_file.h"

#include <fmt/format.h>

namespace {

using namespace ksb::test;

class LiveryIndexTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        readDbase(smallDbaseSpec());
    }
};

std::vector<std::string> titlesOf(const std::vector<TitleEntry>& entries) {
    std::vector<std::string> titles;
    for (const TitleEntry& entry : entries) {
        titles.emplace_back(entry.title);
    }
    return titles;
}

std::vector<std::string> textsOf(const TitleViews& views) {
    return {views.begin(), views.end()};
}

TEST_F(LiveryIndexTest, EveryRecordGoesToItsOwnAirlineAndTypeInListOrder) {
    // Interleaved airlines of one type, and no order at all.
    buildIndex({livery("AAL", "B738", "AAL 1"), livery("BAW", "B738", "BAW 1"),
                livery("AAL", "B738", "AAL 2"), livery("AAL", "A320", "AAL A320"),
                livery("BAW", "B738", "BAW 2", "", true), livery("AAL", "B738", "AAL 3")});
    const auto& all = liveryIndex.allLiveries;
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(titlesOf(all.at("AAL").at("B738")),
              (std::vector<std::string>{"AAL 1", "AAL 2", "AAL 3"}));
    EXPECT_EQ(titlesOf(all.at("AAL").at("A320")), std::vector<std::string>{"AAL A320"});
    EXPECT_EQ(titlesOf(all.at("BAW").at("B738")), (std::vector<std::string>{"BAW 1", "BAW 2"}));
    EXPECT_TRUE(all.at("BAW").at("B738")[1].cargo);

    EXPECT_EQ(textsOf(liveryIndex.paxTitles.at("AAL").at("B738")),
              (std::vector<std::string>{"AAL 1", "AAL 2", "AAL 3"}));
    EXPECT_EQ(textsOf(liveryIndex.paxTitles.at("BAW").at("B738")),
              std::vector<std::string>{"BAW 1"});
    EXPECT_EQ(textsOf(liveryIndex.cargoTitles.at("BAW").at("B738")),
              std::vector<std::string>{"BAW 2"});
    EXPECT_FALSE(liveryIndex.cargoTitles.contains("AAL"));
    EXPECT_EQ(sortedTexts(liveryIndex.typePaxTitles.at("B738")),
              (std::vector<std::string>{"AAL 1", "AAL 2", "AAL 3", "BAW 1"}));
    EXPECT_EQ(sortedTexts(liveryIndex.typeCargoTitles.at("B738")),
              std::vector<std::string>{"BAW 2"});
    EXPECT_TRUE(logHas("2 airlines, 2 pax aircraft models and 1 cargo aircraft models"));
}

TEST_F(LiveryIndexTest, CargoOnlyAirlineAndGenericLiveries) {
    buildIndex({livery("FDX", "B744", "FedEx 744", "", true), livery("ZZZ", "B744", "Generic 744"),
                livery("ZZZ", "B748", "Generic 748F", "", true), livery("KLM", "B744", "KLM 744")});
    EXPECT_TRUE(liveryIndex.cargoTitles.contains("FDX"));
    EXPECT_FALSE(liveryIndex.paxTitles.contains("FDX"));
    EXPECT_EQ(textsOf(liveryIndex.paxTitles.at("ZZZ").at("B744")),
              std::vector<std::string>{"Generic 744"});
    EXPECT_EQ(textsOf(liveryIndex.cargoTitles.at("ZZZ").at("B748")),
              std::vector<std::string>{"Generic 748F"});
    EXPECT_EQ(sortedTexts(liveryIndex.typePaxTitles.at("B744")),
              (std::vector<std::string>{"Generic 744", "KLM 744"}));
    EXPECT_EQ(sortedTexts(liveryIndex.typeCargoTitles.at("B744")),
              std::vector<std::string>{"FedEx 744"});
    EXPECT_EQ(sortedTexts(liveryIndex.typeCargoTitles.at("B748")),
              std::vector<std::string>{"Generic 748F"});
}

TEST_F(LiveryIndexTest, Queries) {
    buildIndex({livery("DLH", "A320", "Lufthansa A320"), livery("ABCD", "B738", "Four letters"),
                livery("FDX", "B744", "FedEx", "", true)});
    struct Case {
        const char* name;
        std::string airline, type;
        bool airlineModel;
        bool generic;
    };
    const Case cases[] = {
        {"pax", "DLH", "A320", true, true},
        {"cargo", "FDX", "B744", true, true},
        {"other airline's type", "DLH", "B744", false, true},
        {"no livery of the type", "DLH", "A388", false, false},
        {"unknown airline", "XXX", "A320", false, true},
        {"case matters", "dlh", "A320", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_hasAirlineModelLiveries(c.airline, c.type), c.airlineModel);
        EXPECT_EQ(gf_hasGenericLiveries(c.type), c.generic);
    }
    EXPECT_EQ(sortedTexts(lf_liveryAirlineCodes()),
              (std::vector<std::string>{"ABC", "DLH", "FDX"}));

    const std::string_view found = lf_findTitleInIndex("Lufthansa A320");
    EXPECT_EQ(found, "Lufthansa A320");
    // The view is the stored title the index holds, not a copy.
    EXPECT_EQ(found.data(), liveryIndex.allLiveries.at("DLH").at("A320").front().title.data());
    EXPECT_TRUE(lf_findTitleInIndex("lufthansa a320").empty());
    EXPECT_TRUE(lf_findTitleInIndex("Lufthansa").empty());
}

TEST_F(LiveryIndexTest, LivesCountAndHeaderLines) {
    buildIndex(
        {livery("DLH", "A320", "a"), livery("DLH", "A320", "b"), livery("BAW", "A320", "c")});
    EXPECT_EQ(mainWindow.liveriesCount.load(), 3);
    const auto regions = port.invalidated();
    EXPECT_NE(std::find(regions.begin(), regions.end(), kStatusRegion), regions.end());
    EXPECT_EQ(logFrom("Processing scanned liveries", 1),
              std::vector<std::string>{"Processing scanned liveries"});
    const auto lines = logLines();
    const auto at = std::find(lines.begin(), lines.end(), "Processing scanned liveries");
    ASSERT_NE(at, lines.begin());
    EXPECT_EQ(*(at - 1), "");
    EXPECT_TRUE(logHas("0 registration codes"));
    EXPECT_TRUE(logHas("2 airlines, 1 pax aircraft models and 0 cargo aircraft models"));
    // A319 and A321 are similar to A320, which has liveries.
    EXPECT_TRUE(logHas("2 similar model definitions"));
}

TEST_F(LiveryIndexTest, CategoryLinesAndPlurals) {
    buildIndex({
        livery("ZZZ", "C172", "Cessna"),            // Light: 1 pax
        livery("NJE", "C25A", "NetJets", "", true), // Buzjets: cargo only
        livery("DLH", "A320", "a"), livery("BAW", "A320", "b"),
        livery("FDX", "B738", "c", "", true), livery("FDX", "B739", "d", "", true),
        livery("UPS", "B762", "e", "", true), // Large: 2 pax, 3 cargo
        livery("ADAC", "EC35", "ADAC"), livery("ZZZ", "H60", "Medevac", "", true), // 1 and 1
    });
    EXPECT_EQ(logFrom("Category Light: 1 pax liverie", 14),
              (std::vector<std::string>{
                  "Category Light: 1 pax liverie",
                  "  C172",
                  "Category Buzjets: 0 pax liveries and 1 cargo liverie",
                  "  C25A",
                  "Category Large: 2 pax liveries and 3 cargo liveries",
                  "  A320,B738,B739,B762",
                  "Category Heavy: No livery found",
                  "Category HighPerf: No livery found",
                  "HIGH_PERF_AIRCRAFT=false",
                  fmt::format("\"{}\" saved", parameters.parametersFile().string()),
                  "HIGH_PERF_AIRCRAFT temporary switched off because you do not have High Perf "
                  "aircraft installed",
                  "Category Rotorcraft: 1 pax liverie and 1 cargo liverie",
                  "  EC35,H60",
              }));
    EXPECT_EQ(liveryIndex.lightModels, std::vector<std::string>{"C172"});
    EXPECT_EQ(liveryIndex.buzjetModels, std::vector<std::string>{"C25A"});
    EXPECT_EQ(liveryIndex.rotorcraftModels, (std::vector<std::string>{"EC35", "H60"}));
}

TEST_F(LiveryIndexTest, GenericLiveriesLine) {
    struct Case {
        const char* name;
        std::vector<LiveryRecord> records;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"none", {livery("DLH", "A320", "a")}, {"No generic liveries"}},
        {"one",
         {livery("ZZZ", "C172", "a"), livery("ZZZ", "C172", "b")},
         {"1 model have a generic livery", "  C172"}},
        {"several",
         {livery("ZZZ", "C172", "a"), livery("ZZZ", "A320", "b", "", true),
          livery("DLH", "B738", "c")},
         {"2 models have a generic livery", "  A320,C172"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        freshLog();
        buildIndex(c.records);
        EXPECT_EQ(logFrom(c.lines.front(), c.lines.size()), c.lines);
    }
}

TEST_F(LiveryIndexTest, ModelListsOfTwentyAndTwentyOneCodes) {
    for (const int count : {20, 21}) {
        SCOPED_TRACE(count);
        freshLog();
        std::vector<LiveryRecord> records;
        std::vector<std::string> codes;
        for (int i = 1; i <= count; ++i) {
            codes.push_back(fmt::format("L{:03}", i));
            // Unknown types count as Light.
            records.push_back(livery("ZZZ", codes.back(), "title " + codes.back()));
        }
        buildIndex(records);
        std::string first = "  " + codes[0];
        for (int i = 1; i < 20; ++i) {
            first += "," + codes[static_cast<std::size_t>(i)];
        }
        std::vector<std::string> expected = {first};
        if (count == 21) {
            expected.push_back("  L021");
        }
        const std::string generic = fmt::format("{} models have a generic livery", count);
        const std::string light = fmt::format("Category Light: {} pax liveries", count);
        expected.insert(expected.begin(), generic);
        EXPECT_EQ(logFrom(generic, expected.size()), expected);
        expected.front() = light;
        EXPECT_EQ(logFrom(light, expected.size()), expected);
        // A line after the list is the next category's.
        EXPECT_EQ(logFrom(light, expected.size() + 1).back(), "Category Buzjets: No livery found");
        EXPECT_EQ(liveryIndex.lightModels, codes);
    }
}

std::string savedValue(const std::filesystem::path& file, const std::string& name) {
    pugi::xml_document doc;
    if (!gf_loadXmlFile(doc, file)) {
        return "<no file>";
    }
    const pugi::xml_node node = gf_findParameterNode(doc, name);
    return node ? node.attribute("value").value() : "<not saved>";
}

TEST_F(LiveryIndexTest, CategoryWithNothingInstalledSwitchesItsCheckBoxOff) {
    struct Box {
        CheckBoxParameter* box;
        LiveryRecord present;
        std::string line;
    };
    const Box boxes[] = {
        {&LIGHT_AIRCRAFT, livery("ZZZ", "C172", "Cessna"),
         "LIGHT_AIRCRAFT temporary switched off because you do not have light aircraft "
         "installed"},
        {&HIGH_PERF_AIRCRAFT, livery("ZZZ", "F16", "Viper"),
         "HIGH_PERF_AIRCRAFT temporary switched off because you do not have High Perf aircraft "
         "installed"},
        {&HELICOPTERS, livery("ZZZ", "EC35", "EC135", "", true),
         "HELICOPTERS temporary switched off because you do not have Helicopters installed"},
    };
    struct Case {
        const char* name;
        bool on;
        bool present;
        bool value;
        std::string saved;
        bool enabled;
        bool logged;
    };
    const Case cases[] = {
        {"on, installed", true, true, true, "<no file>", true, false},
        {"on, nothing installed", true, false, false, "false", false, true},
        {"off, installed", false, true, false, "<no file>", true, false},
        {"off, nothing installed", false, false, false, "<no file>", false, false},
    };
    for (const Box& box : boxes) {
        for (const Case& c : cases) {
            SCOPED_TRACE(box.box->name() + ": " + c.name);
            freshLog();
            std::filesystem::remove(parameters.parametersFile());
            // The other boxes off, so that only the box of the case can be saved.
            for (const Box& other : boxes) {
                lf_setCheckBox(*other.box, false);
            }
            lf_setCheckBox(*box.box, c.on);
            gf_enableControl(box.box->commandId(), true);
            std::vector<LiveryRecord> records = {livery("DLH", "A320", "a")};
            if (c.present) {
                records.push_back(box.present);
            }
            buildIndex(records);
            EXPECT_EQ(box.box->value(), c.value);
            EXPECT_EQ(savedValue(parameters.parametersFile(), box.box->name()), c.saved);
            const auto widget = port.widget(box.box->commandId());
            ASSERT_TRUE(widget.has_value());
            EXPECT_EQ(widget->checked, c.value);
            EXPECT_EQ(widget->enabled, c.enabled);
            EXPECT_EQ(gf_controlEnabled(box.box->commandId()), c.enabled);
            EXPECT_EQ(logHas(box.line), c.logged);
        }
    }
}

TEST_F(LiveryIndexTest, RebuildKeepsHeldViewsAndReplacesTheIndex) {
    buildIndex({livery("DLH", "A320", std::string(64, 'L') + " first build"),
                livery("BAW", "A320", "BA A320", "G-EUUA"), livery("ZZZ", "C172", "Cessna")});
    const std::string_view held = liveryIndex.paxTitles.at("DLH").at("A320").front();
    const std::string_view heldRegcode = liveryIndex.regcodeTitles.at("G-EUUA");
    const std::string heldText(held);

    freshLog();
    buildIndex({livery("KLM", "B738", "KLM 738", "PH-BXA"), livery("BAW", "A320", "BA A320")});
    // Views from the first build read the same bytes.
    EXPECT_EQ(held, heldText);
    EXPECT_EQ(heldRegcode, "BA A320");
    // What is gone is not found.
    EXPECT_TRUE(lf_findTitleInIndex(heldText).empty());
    EXPECT_TRUE(lf_findTitleInIndex("Cessna").empty());
    EXPECT_FALSE(liveryIndex.allLiveries.contains("DLH"));
    EXPECT_FALSE(liveryIndex.regcodeTitles.contains("G-EUUA"));
    EXPECT_FALSE(gf_hasGenericLiveries("C172"));
    // A title of both builds is stored once.
    EXPECT_EQ(lf_findTitleInIndex("BA A320").data(), heldRegcode.data());
    // Counts reflect the second build only.
    EXPECT_EQ(liveryIndex.allLiveries.size(), 2u);
    EXPECT_EQ(liveryIndex.regcodeTitles.size(), 1u);
    EXPECT_TRUE(liveryIndex.lightModels.empty());
    EXPECT_EQ(mainWindow.liveriesCount.load(), 2);
    EXPECT_TRUE(logContains("1 registration codes"));
    EXPECT_TRUE(logContains("2 airlines, 2 pax aircraft models and 0 cargo aircraft models"));
    EXPECT_TRUE(logContains("No generic liveries"));
}

} // namespace
