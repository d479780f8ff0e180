// The similar-type tables built after the livery index, and the two lookups the matcher shuffles.
#include "catalogue_test_fixture.h"
#include "core/random_engine.h"

namespace {

using namespace ksb::test;

class SimilarTypesTest : public CatalogueTest {};

std::vector<std::string> sortedCopy(const std::vector<std::string>& types) {
    return sortedTexts(types);
}

TEST_F(SimilarTypesTest, TypeInTwoListsTakesTheTextThatSortsFirst) {
    DbaseSpec spec = smallDbaseSpec();
    spec.similar = {{"A320", "A321"}, {"A320", "A319"}};
    readDbase(spec);
    // A320 has no generic livery itself; A319 and A321 have.
    buildIndex({livery("DLH", "A319", "DLH A319"), livery("BAW", "A321", "BAW A321")});
    // "A320,A319" sorts before "A320,A321".
    EXPECT_EQ(aircraftDatabase.similarGenericTypes.at("A320"), std::vector<std::string>{"A319"});
    // A319 and A321 have no similar type with generic liveries.
    EXPECT_EQ(aircraftDatabase.similarGenericTypes.size(), 1u);
    EXPECT_TRUE(logHas("1 similar model definitions"));
}

TEST_F(SimilarTypesTest, AirlineGetsSimilarTypesOnlyForTypesItLacks) {
    readDbase(smallDbaseSpec());
    buildIndex({livery("DLH", "A319", "DLH A319"), livery("DLH", "A320", "DLH A320"),
                livery("BAW", "A321", "BAW A321"), livery("KLM", "B744", "KLM B744", "", true)});
    const auto& airlines = aircraftDatabase.airlineSimilarTypes;
    ASSERT_TRUE(airlines.contains("DLH"));
    EXPECT_EQ(airlines.at("DLH").size(), 1u);
    EXPECT_EQ(sortedCopy(airlines.at("DLH").at("A321")),
              (std::vector<std::string>{"A319", "A320"}));
    ASSERT_TRUE(airlines.contains("BAW"));
    EXPECT_EQ(airlines.at("BAW").at("A319"), std::vector<std::string>{"A321"});
    EXPECT_EQ(airlines.at("BAW").at("A320"), std::vector<std::string>{"A321"});
    // B748 has no livery of anyone, but is similar to B744, which KLM has.
    ASSERT_TRUE(airlines.contains("KLM"));
    EXPECT_EQ(airlines.at("KLM").size(), 1u);
    EXPECT_EQ(airlines.at("KLM").at("B748"), std::vector<std::string>{"B744"});

    struct Case {
        const char* name;
        std::string airline, type;
        std::vector<std::string> types;
    };
    const Case cases[] = {
        {"two similar types", "DLH", "A321", {"A319", "A320"}},
        {"one similar type", "BAW", "A320", {"A321"}},
        {"type the airline has", "DLH", "A320", {}},
        {"no similar type the airline has", "DLH", "B748", {}},
        {"cargo liveries count", "KLM", "B748", {"B744"}},
        {"unknown airline", "XXX", "A321", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sortedCopy(gf_similarTypesShuffled(c.airline, c.type)), c.types);
    }
}

TEST_F(SimilarTypesTest, SubstituteTypesPerCategory) {
    readDbase(smallDbaseSpec());
    buildIndex({livery("DLH", "A319", "DLH A319"), livery("BAW", "A321", "BAW A321"),
                livery("ZZZ", "C172", "Cessna 172"), livery("ZZZ", "C25A", "Citation CJ1"),
                livery("ZZZ", "EC35", "EC135 Police")});
    struct Case {
        const char* name;
        std::string type;
        std::vector<std::string> types;
    };
    const Case cases[] = {
        {"similar types with generic liveries", "A320", {"A319", "A321"}},
        {"light without similar types", "PA28", {"C172"}},
        {"buzjet", "C56X", {"C25A"}},
        {"rotorcraft", "H60", {"EC35"}},
        {"unknown type counts as light", "XXXX", {"C172"}},
        {"large", "AT76", {}},
        {"heavy", "A388", {}},
        {"high performance", "F16", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sortedCopy(gf_substituteTypes(c.type)), c.types);
    }
}

TEST_F(SimilarTypesTest, EmptyModelListGivesNoSubstitute) {
    readDbase(smallDbaseSpec());
    buildIndex({livery("DLH", "A320", "DLH A320")});
    EXPECT_TRUE(liveryIndex.lightModels.empty());
    EXPECT_TRUE(gf_substituteTypes("PA28").empty());
    EXPECT_TRUE(gf_substituteTypes("H60").empty());
}

TEST_F(SimilarTypesTest, SeededShufflesKeepTheirMembers) {
    gf_setRandomSeedForTests(20260101u);
    DbaseSpec spec = smallDbaseSpec();
    spec.similar = {{"A319", "A320", "A321", "B738", "B737", "B739"}};
    readDbase(spec);
    buildIndex({livery("DLH", "A319", "a"), livery("DLH", "A321", "b"), livery("DLH", "B738", "c"),
                livery("DLH", "B737", "d"), livery("DLH", "B739", "e"), livery("BAW", "A320", "f"),
                livery("ZZZ", "C172", "g"), livery("ZZZ", "PA28", "h"),
                livery("ZZZ", "C182", "i")});
    const std::vector<std::string> similar = {"A319", "A321", "B737", "B738", "B739"};
    bool reordered = false;
    std::vector<std::string> first = gf_similarTypesShuffled("DLH", "A320");
    std::set<std::string> drawn;
    for (int i = 0; i < 20; ++i) {
        const auto& shuffled = gf_similarTypesShuffled("DLH", "A320");
        EXPECT_EQ(sortedCopy(shuffled), similar);
        reordered = reordered || shuffled != first;
        EXPECT_EQ(sortedCopy(gf_substituteTypes("A320")),
                  (std::vector<std::string>{"A319", "A321", "B737", "B738", "B739"}));
        const auto& models = gf_substituteTypes("XXXX");
        ASSERT_EQ(models.size(), 1u);
        drawn.insert(models.front());
    }
    EXPECT_TRUE(reordered);
    EXPECT_EQ(drawn, (std::set<std::string>{"C172", "C182", "PA28"}));
}

TEST_F(SimilarTypesTest, RebuildDropsTypesNoLongerInstalled) {
    readDbase(smallDbaseSpec());
    buildIndex({livery("DLH", "A319", "DLH A319"), livery("DLH", "A320", "DLH A320"),
                livery("BAW", "A321", "BAW A321")});
    EXPECT_EQ(sortedCopy(aircraftDatabase.similarGenericTypes.at("A319")),
              (std::vector<std::string>{"A320", "A321"}));
    ASSERT_TRUE(aircraftDatabase.airlineSimilarTypes.contains("BAW"));

    buildIndex({livery("DLH", "A319", "DLH A319"), livery("DLH", "A320", "DLH A320")});
    EXPECT_EQ(aircraftDatabase.similarGenericTypes.at("A319"), std::vector<std::string>{"A320"});
    EXPECT_EQ(aircraftDatabase.similarGenericTypes.at("A321"),
              (std::vector<std::string>{"A319", "A320"}));
    EXPECT_FALSE(aircraftDatabase.airlineSimilarTypes.contains("BAW"));
    EXPECT_EQ(sortedCopy(gf_similarTypesShuffled("DLH", "A321")),
              (std::vector<std::string>{"A319", "A320"}));
}

} // namespace
