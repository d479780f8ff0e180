// The livery matcher's ladder for live flights and static parked aircraft, its random pick, its
// log lines and its step counts.
#include "livery_matcher_fixture.h"

#include <random>

namespace {

using namespace ksb::test;

constexpr auto kLight = AircraftCategory::light;
constexpr auto kBuzjet = AircraftCategory::buzjet;
constexpr auto kLarge = AircraftCategory::large;
constexpr auto kHeavy = AircraftCategory::heavy;
constexpr auto kHighPerf = AircraftCategory::highPerformance;
constexpr auto kRotorcraft = AircraftCategory::rotorcraft;

struct LadderCase {
    const char* name;
    FlightSpec flight;
    int depth;
    MatcherWorld world;
    std::string title; // empty: none
    int step;          // 0: none
    bool parked = false;
    bool standCargo = false;
};

std::vector<LadderCase> ladderCases() {
    return {
        {"registration at depth 1",
         {"DLH", "A320", "D-AIPA"},
         1,
         {{pax("DLH", "A320", "Lufthansa D-AIPA"), pax("DLH", "A320", "Lufthansa A320")},
          {"Lufthansa D-AIPA;D-AIPA"}},
         "Lufthansa D-AIPA",
         1},
        {"registration found from its bare spelling, one-letter prefix",
         {"DLH", "A320", "DAIPA"},
         1,
         {{pax("DLH", "A320", "Lufthansa D-AIPA")}, {"Lufthansa D-AIPA;D-AIPA"}},
         "Lufthansa D-AIPA",
         1},
        {"registration found from its bare spelling, two-letter prefix",
         {"SWR", "A320", "HBJLT"},
         1,
         {{pax("SWR", "A320", "Swiss HB-JLT")}, {"Swiss HB-JLT;HB-JLT"}},
         "Swiss HB-JLT",
         1},
        {"registration whatever the airline",
         {"BAW", "A388", "D-AIPA"},
         1,
         {{pax("DLH", "A320", "Lufthansa D-AIPA")}, {"Lufthansa D-AIPA;D-AIPA"}},
         "Lufthansa D-AIPA",
         1},
        {"depth 1 stops after the registration",
         {"DLH", "A320", "D-AIXX"},
         1,
         {{pax("DLH", "A320", "Lufthansa A320")}},
         "",
         0},
        {"airline and type at depth 2",
         {"DLH", "A320", "D-AIXX"},
         2,
         {{pax("DLH", "A320", "Lufthansa A320")}},
         "Lufthansa A320",
         2},
        {"database airline of an operated registration at step 2",
         {"DLH", "A320", "D-AEWA"},
         2,
         {{pax("EWG", "A320", "Eurowings A320")}},
         "Eurowings A320",
         2},
        {"own airline before the database airline",
         {"DLH", "A320", "D-AEWA"},
         2,
         {{pax("EWG", "A320", "Eurowings A320"), pax("DLH", "A320", "Lufthansa A320")}},
         "Lufthansa A320",
         2},
        {"registration without operator gives no database airline",
         {"SHT", "A320", "G-EUUA"},
         4,
         {{pax("BAW", "A320", "British A320")}},
         "",
         0},
        {"PVT takes the ZZZ livery at depth 2, counted at step 4",
         {"PVT", "C172", "", kLight},
         2,
         {{pax("PVT", "C172", "Private Cessna"), pax("ZZZ", "C172", "Cessna house")}},
         "Cessna house",
         4},
        {"PVT without ZZZ livery takes its own at step 2",
         {"PVT", "C172", "", kLight},
         2,
         {{pax("PVT", "C172", "Private Cessna")}},
         "Private Cessna",
         2},
        {"similar types need depth 3",
         {"DLH", "A321", ""},
         2,
         {{pax("DLH", "A320", "Lufthansa A320")}},
         "",
         0},
        {"similar type at depth 3",
         {"DLH", "A321", ""},
         3,
         {{pax("DLH", "A320", "Lufthansa A320")}},
         "Lufthansa A320",
         3},
        {"similar type under the database airline",
         {"DLH", "A321", "D-AEWA"},
         3,
         {{pax("DLH", "A320", "Lufthansa A320 special"), pax("EWG", "A320", "Eurowings A320")},
          {"Lufthansa A320 special;D-AIPB"}},
         "Eurowings A320",
         3},
        {"the flight's own airline chooses the similar types of the database airline",
         {"DLH", "A321", "D-AEWA"},
         3,
         {{pax("EWG", "A320", "Eurowings A320")}},
         "",
         0},
        {"ZZZ of a large type needs depth 4",
         {"DLH", "A320", ""},
         3,
         {{pax("ZZZ", "A320", "Airbus house")}},
         "",
         0},
        {"type lookup for a light type at step 5",
         {"DLH", "C172", "", kLight},
         3,
         {{pax("BAW", "C172", "British Cessna")}},
         "British Cessna",
         5},
        {"no type lookup for a large type",
         {"DLH", "A320", "", kLarge},
         4,
         {{pax("BAW", "A320", "British A320")}},
         "",
         0},
        {"substitute type for a light type at step 6",
         {"DLH", "PA28", "", kLight},
         3,
         {{pax("BAW", "C172", "British Cessna")}},
         "British Cessna",
         6},
        {"substitute type for a rotorcraft at step 6",
         {"DLH", "H60", "", kRotorcraft},
         3,
         {{pax("BAW", "EC35", "British EC135")}},
         "British EC135",
         6},
        {"no substitute type for a large type",
         {"DLH", "A321", "", kLarge},
         4,
         {{pax("BAW", "A320", "British A320")}},
         "",
         0},
        {"unknown light type takes an installed light model at step 6",
         {"DLH", "XXXX", "", kLight},
         3,
         {{pax("BAW", "C172", "British Cessna")}},
         "British Cessna",
         6},
        {"cargo flight takes its airline's pax livery at step 2",
         {"FDX", "B744", "", kHeavy, true},
         2,
         {{pax("FDX", "B744", "FedEx B744")}},
         "FedEx B744",
         2},
        {"cargo flight takes a cargo livery first",
         {"FDX", "B744", "", kHeavy, true},
         2,
         {{pax("FDX", "B744", "FedEx B744"), freighter("FDX", "B744", "FedEx B744F")}},
         "FedEx B744F",
         2},
        {"pax flight never takes a cargo livery",
         {"KLM", "B744", "", kHeavy},
         4,
         {{freighter("KLM", "B744", "KLM B744F")}},
         "",
         0},
        {"cargo flight takes only cargo liveries in the type lookup",
         {"FDX", "C172", "", kLight, true},
         4,
         {{pax("BAW", "C172", "British Cessna")}},
         "",
         0},
        {"cargo flight takes a cargo livery of the type at step 5",
         {"FDX", "C172", "", kLight, true},
         3,
         {{pax("BAW", "C172", "British Cessna"), freighter("BAW", "C172", "Cessna freighter")}},
         "Cessna freighter",
         5},
        {"live flight without airline skips the airline steps",
         {"", "A320", "D-AEWA"},
         3,
         {{pax("EWG", "A320", "Eurowings A320")}},
         "",
         0},
        {"parked aircraft without airline tries the database airline",
         {"", "A320", "D-AEWA"},
         3,
         {{pax("EWG", "A320", "Eurowings A320")}},
         "Eurowings A320",
         2,
         true},
        {"parked aircraft takes the stand's cargo flag",
         {"FDX", "B744", "", kHeavy},
         2,
         {{pax("FDX", "B744", "FedEx B744"), freighter("FDX", "B744", "FedEx B744F")}},
         "FedEx B744F",
         2,
         true,
         true},
        {"parked aircraft at depth 1",
         {"DLH", "A320", ""},
         1,
         {{pax("DLH", "A320", "Lufthansa A320")}},
         "",
         0,
         true},
        {"parked aircraft finds a similar type",
         {"DLH", "A321", ""},
         3,
         {{pax("DLH", "A320", "Lufthansa A320")}},
         "Lufthansa A320",
         3,
         true},
        {"special titles only give nothing, and the ladder goes on",
         {"DLH", "A320", ""},
         4,
         {{pax("DLH", "A320", "Lufthansa special 1"), pax("DLH", "A320", "Lufthansa special 2"),
           pax("ZZZ", "A320", "Airbus house")},
          {"Lufthansa special 1;D-AIPX", "Lufthansa special 2;D-AIPY,D-AIPZ;#"}},
         "Airbus house",
         4},
        {"one ordinary title among special ones",
         {"DLH", "A320", ""},
         2,
         {{pax("DLH", "A320", "Lufthansa special 1"), pax("DLH", "A320", "Lufthansa special 2"),
           pax("DLH", "A320", "Lufthansa A320")},
          {"Lufthansa special 1;D-AIPX", "Lufthansa special 2;D-AIPY"}},
         "Lufthansa A320",
         2},
        {"empty index", {"DLH", "A320", "D-AIPA"}, 4, {{}}, "", 0},
        {"empty flight of a large category",
         {"", "", "", kLarge},
         4,
         {{pax("ZZZ", "A320", "Airbus house"), pax("DLH", "A320", "Lufthansa A320")}},
         "",
         0},
        {"unknown airline and type",
         {"XXX", "ZZZZ", "X-XXXX", kLarge},
         4,
         {{pax("ZZZ", "A320", "Airbus house"), pax("DLH", "A320", "Lufthansa A320")}},
         "",
         0},
    };
}

TEST_F(LiveryMatcherTest, LadderFindsTheTitleAtItsStep) {
    for (const LadderCase& c : ladderCases()) {
        SCOPED_TRACE(c.name);
        gf_resetCatalogueForTests();
        build(c.world);
        setDepth(c.depth);
        Flight f = flight(c.flight);
        std::vector<std::string> expectedLog;
        if (c.parked) {
            const ParkPosition position = stand("A12", c.standCargo);
            EXPECT_EQ(gf_matchParkedLivery(f, position), !c.title.empty());
            EXPECT_EQ(counts(), countedAt(0));
            if (c.title.empty()) {
                expectedLog = {fmt::format("A12     : {} no livery match ...", f.summary())};
            }
        } else {
            gf_matchLiveFlightLivery(f);
            EXPECT_EQ(counts(), countedAt(c.step));
        }
        EXPECT_EQ(f.liveryTitle, c.title);
        if (!c.title.empty()) {
            expectedLog = {matchLine(f, c.step)};
        }
        EXPECT_EQ(logLines(), expectedLog);
    }
}

struct CategoryCase {
    AircraftCategory category;
    std::string type;
    bool atDepth3;
};

TEST_F(LiveryMatcherTest, GenericAirlineForEveryCategoryAtDepth4ButOnlySmallOnesAtDepth3) {
    const CategoryCase cases[] = {
        {kLight, "C172", true},  {kBuzjet, "C25A", true},   {kLarge, "A320", false},
        {kHeavy, "A388", false}, {kHighPerf, "F16", false}, {kRotorcraft, "EC35", true},
    };
    for (const CategoryCase& c : cases) {
        for (const int depth : {3, 4}) {
            SCOPED_TRACE(fmt::format("{} at depth {}", c.type, depth));
            gf_resetCatalogueForTests();
            build({{pax("ZZZ", c.type, "House " + c.type)}});
            setDepth(depth);
            Flight f = flight({"DLH", c.type, "", c.category});
            gf_matchLiveFlightLivery(f);
            const bool found = depth == 4 || c.atDepth3;
            EXPECT_EQ(f.liveryTitle, found ? "House " + c.type : "");
            EXPECT_EQ(counts(), countedAt(found ? 4 : 0));
        }
    }
}

TEST_F(LiveryMatcherTest, ParkedAircraftKeepsItsCargoFlagWhenTheRegistrationFindsATitle) {
    build({{pax("FDX", "B744", "FedEx N601FE"), freighter("FDX", "B744", "FedEx B744F")},
           {"FedEx N601FE;N601FE"}});
    struct Case {
        const char* name;
        std::string registration;
        bool cargo;
        bool standCargo;
        std::string title;
        bool cargoAfter;
    };
    const Case cases[] = {
        {"registration hit keeps pax", "N601FE", false, true, "FedEx N601FE", false},
        {"registration hit keeps cargo", "N601FE", true, false, "FedEx N601FE", true},
        {"no hit takes the cargo stand", "N999FE", false, true, "FedEx B744F", true},
        // The pax liveries hold only the special title of another registration.
        {"no hit takes the pax stand", "N999FE", true, false, "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Flight f = flight({"FDX", "B744", c.registration, kHeavy, c.cargo});
        EXPECT_EQ(gf_matchParkedLivery(f, stand("C3", c.standCargo)), !c.title.empty());
        EXPECT_EQ(f.liveryTitle, c.title);
        EXPECT_EQ(f.cargo, c.cargoAfter);
    }
}

TEST_F(LiveryMatcherTest, ParkedAircraftWithATitleKeepsIt) {
    build({{pax("DLH", "A320", "Lufthansa A320")}});
    refuse("Refused title");
    freshLog();
    Flight f = flight({"DLH", "A320", "D-AIPA"});
    f.callsign = "DLH4AB";
    f.liveryTitle = gf_storeTitle("Refused title");
    f.cargo = true;
    f.fsltlModel = true;
    EXPECT_TRUE(gf_matchParkedLivery(f, stand("A1", false)));
    EXPECT_EQ(f.liveryTitle, "Refused title");
    EXPECT_TRUE(f.cargo);
    EXPECT_TRUE(f.fsltlModel);
    EXPECT_EQ(counts(), countedAt(0));
    EXPECT_EQ(logLines(), std::vector<std::string>{
                              "          DLH4AB   D-AIPA   EDDF->EGLL DLH A320 =s= Refused title"});
}

TEST_F(LiveryMatcherTest, LogLinesFollowTheLogSetting) {
    build({{pax("DLH", "A320", "Lufthansa FSLTL_A320"), pax("BAW", "A320", "British A320")},
           {"Lufthansa FSLTL_A320;D-AIPA"}});
    struct Case {
        const char* name;
        bool log;
        std::string registration;
        std::string airline;
        bool parked;
        bool fsltlBefore;
        std::vector<std::string> lines;
        bool fsltlAfter;
    };
    const Case cases[] = {
        {"live, FSLTL title",
         true,
         "D-AIPA",
         "DLH",
         false,
         false,
         {"          DLH4AB   D-AIPA   EDDF->EGLL DLH A320 =1= Lufthansa FSLTL_A320"},
         true},
        {"live, other title",
         true,
         "G-EUUB",
         "BAW",
         false,
         true,
         {"          DLH4AB   G-EUUB   EDDF->EGLL BAW A320 =2= British A320"},
         false},
        {"live, no title", true, "", "SHT", false, true, {}, true},
        {"parked",
         true,
         "D-AIPA",
         "DLH",
         true,
         false,
         {"          DLH4AB   D-AIPA   EDDF->EGLL DLH A320 =1= Lufthansa FSLTL_A320"},
         false},
        {"parked, no title",
         true,
         "",
         "SHT",
         true,
         false,
         {"B17     : DLH4AB    SHT A320 no livery match ..."},
         false},
        {"live, log off", false, "D-AIPA", "DLH", false, false, {}, true},
        {"parked, log off", false, "D-AIPA", "DLH", true, false, {}, false},
        {"parked, no title, log off", false, "", "SHT", true, false, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LOG.setRaw(c.log);
        freshLog();
        Flight f = flight({c.airline, "A320", c.registration});
        f.callsign = "DLH4AB";
        f.fsltlModel = c.fsltlBefore;
        if (c.parked) {
            gf_matchParkedLivery(f, stand("B17", false));
        } else {
            gf_matchLiveFlightLivery(f);
        }
        EXPECT_EQ(logLines(), c.lines);
        EXPECT_EQ(f.fsltlModel, c.fsltlAfter);
    }
    // The parked aircraft that kept its title.
    LOG.setRaw(false);
    freshLog();
    Flight kept = flight({"DLH", "A320", "D-AIPA"});
    kept.liveryTitle = gf_storeTitle("Lufthansa A320");
    EXPECT_TRUE(gf_matchParkedLivery(kept, stand("B17", false)));
    EXPECT_TRUE(logLines().empty());
}

TEST_F(LiveryMatcherTest, LiveFlightWithATitleIsLeftAlone) {
    build({{pax("DLH", "A320", "Lufthansa A320")}});
    Flight f = flight({"DLH", "A320", ""});
    f.liveryTitle = gf_storeTitle("Condor A320");
    EXPECT_DEBUG_DEATH(gf_matchLiveFlightLivery(f), "matched only without a title");
    EXPECT_EQ(f.liveryTitle, "Condor A320");
    EXPECT_FALSE(f.fsltlModel);
    EXPECT_EQ(counts(), countedAt(0));
    EXPECT_TRUE(logLines().empty());
}

// A list of several titles draws the engine's next output modulo the list's size.
TEST_F(LiveryMatcherTest, DrawsFollowTheThreadsEngine) {
    build({{pax("DLH", "A320", "Lufthansa one"), pax("DLH", "A320", "Lufthansa two"),
            pax("DLH", "A320", "Lufthansa three"), pax("BAW", "A320", "British A320")}});
    const std::vector<std::string> titles = {"Lufthansa one", "Lufthansa two", "Lufthansa three"};
    setDepth(2);
    gf_setRandomSeedForTests(7u);
    std::mt19937 reference(7u);
    std::set<std::string> seen;
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        Flight f = flight({"DLH", "A320", ""});
        gf_matchLiveFlightLivery(f);
        const std::string expected = titles[reference() % titles.size()];
        EXPECT_EQ(f.liveryTitle, expected);
        seen.insert(expected);
    }
    EXPECT_EQ(seen.size(), 3u);
    // A single candidate takes no output.
    Flight single = flight({"BAW", "A320", ""});
    gf_matchLiveFlightLivery(single);
    EXPECT_EQ(single.liveryTitle, "British A320");
    EXPECT_EQ(gf_randomEngine()(), reference());
}

// Five redraws while the title is special, a sixth draw, then a draw among the ordinary titles
// only when there are more than one.
TEST_F(LiveryMatcherTest, SpecialTitlesAreRedrawnFiveTimesThenLeftOut) {
    std::vector<LiveryRecord> liveries;
    std::vector<std::string> regcodes;
    std::vector<std::string> candidates;
    for (int i = 1; i <= 8; ++i) {
        // Two ordinary titles among six special ones.
        const bool ordinary = i == 3 || i == 6;
        const std::string title = fmt::format("Lufthansa {} {}", ordinary ? "A320" : "special", i);
        liveries.push_back(pax("DLH", "A320", title));
        candidates.push_back(title);
        if (!ordinary) {
            regcodes.push_back(fmt::format("{};D-AIS{}", title, i));
        }
    }
    liveries.push_back(pax("KLM", "A320", "KLM special 1"));
    liveries.push_back(pax("KLM", "A320", "KLM special 2"));
    liveries.push_back(pax("ZZZ", "A320", "Airbus house"));
    regcodes.push_back("KLM special 1;PH-AAA");
    regcodes.push_back("KLM special 2;PH-AAB");
    build({liveries, regcodes});
    setDepth(4);
    const auto special = [](const std::string& title) {
        return title.find("special") != std::string::npos;
    };
    int fullRedraws = 0;
    for (std::uint32_t seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(seed);
        gf_setRandomSeedForTests(seed);
        std::mt19937 reference(seed);
        std::string expected = candidates[reference() % candidates.size()];
        int redraws = 0;
        for (; redraws < 5 && special(expected); ++redraws) {
            expected = candidates[reference() % candidates.size()];
        }
        if (redraws == 5) {
            // The sixth draw is not looked at.
            ++fullRedraws;
            const std::vector<std::string> ordinary = {"Lufthansa A320 3", "Lufthansa A320 6"};
            expected = ordinary[reference() % ordinary.size()];
        }
        Flight f = flight({"DLH", "A320", ""});
        gf_matchLiveFlightLivery(f);
        EXPECT_EQ(f.liveryTitle, expected);
        EXPECT_EQ(gf_randomEngine()(), reference());
    }
    EXPECT_GT(fullRedraws, 0);
    // Only special titles: six draws, then nothing; the single generic livery takes no draw.
    gf_setRandomSeedForTests(kSeed);
    std::mt19937 reference(kSeed);
    reference.discard(6);
    Flight f = flight({"KLM", "A320", ""});
    gf_matchLiveFlightLivery(f);
    EXPECT_EQ(f.liveryTitle, "Airbus house");
    EXPECT_EQ(counts()[3], 1u);
    EXPECT_EQ(gf_randomEngine()(), reference());
}

TEST_F(LiveryMatcherTest, StepCountsAddUpAndSurviveARebuild) {
    const MatcherWorld world{{pax("DLH", "A320", "Lufthansa D-AIPA"),
                              pax("DLH", "A320", "Lufthansa A320"),
                              pax("ZZZ", "A320", "Airbus house")},
                             {"Lufthansa D-AIPA;D-AIPA"}};
    build(world);
    const FlightSpec flights[] = {
        {"DLH", "A320", "D-AIPA"}, {"DLH", "A320", ""}, {"DLH", "A320", "DAIPA"},
        {"BAW", "A320", ""},       {"DLH", "A320", ""}, {"BAW", "B744", "", kHeavy},
    };
    for (const FlightSpec& spec : flights) {
        Flight f = flight(spec);
        gf_matchLiveFlightLivery(f);
    }
    const std::array<std::uint32_t, 6> expected = {2, 2, 0, 1, 0, 0};
    EXPECT_EQ(counts(), expected);
    // Parked aircraft are not counted.
    Flight parked = flight({"DLH", "A320", ""});
    EXPECT_TRUE(gf_matchParkedLivery(parked, stand("A1", false)));
    EXPECT_EQ(counts(), expected);

    build(world);
    EXPECT_EQ(counts(), expected);
    Flight again = flight({"DLH", "A320", "D-AIPA"});
    gf_matchLiveFlightLivery(again);
    EXPECT_EQ(again.liveryTitle, "Lufthansa D-AIPA");
    EXPECT_EQ(counts(), (std::array<std::uint32_t, 6>{3, 2, 0, 1, 0, 0}));
}

} // namespace
