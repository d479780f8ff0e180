// Liveries the simulator refused: never chosen again, shown on the message line, listed in the
// matching summary, and too many of them stop the program.
#include "catalogue/refused_liveries.h"
#include "core/exceptions.h"
#include "livery_matcher_fixture.h"

namespace {

using namespace ksb::test;

constexpr auto kLight = AircraftCategory::light;

struct RefusedCase {
    const char* name;
    FlightSpec flight;
    MatcherWorld world;
    std::string refused;
};

// Each refused title is the first one the ladder finds; a lower step would find another.
TEST_F(LiveryMatcherTest, RefusedTitleAtAnyStepLeavesTheFlightWithout) {
    const RefusedCase cases[] = {
        {"step 1",
         {"DLH", "A320", "D-AIPA"},
         {{pax("DLH", "A320", "Lufthansa D-AIPA"), pax("ZZZ", "A320", "Airbus house")},
          {"Lufthansa D-AIPA;D-AIPA"}},
         "Lufthansa D-AIPA"},
        {"step 2",
         {"DLH", "A320", ""},
         {{pax("DLH", "A320", "Lufthansa A320"), pax("ZZZ", "A320", "Airbus house")}},
         "Lufthansa A320"},
        {"step 3",
         {"DLH", "A321", ""},
         {{pax("DLH", "A320", "Lufthansa A320"), pax("ZZZ", "A321", "Airbus house")}},
         "Lufthansa A320"},
        {"step 4",
         {"DLH", "C172", "", kLight},
         {{pax("ZZZ", "C172", "Cessna house"), pax("BAW", "C172", "British Cessna")}},
         "Cessna house"},
        {"step 5",
         {"DLH", "C172", "", kLight},
         {{pax("BAW", "C172", "British Cessna")}},
         "British Cessna"},
        {"step 6",
         {"DLH", "PA28", "", kLight},
         {{pax("BAW", "C172", "British Cessna")}},
         "British Cessna"},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        gf_resetCatalogueForTests();
        build(c.world);
        refuse(c.refused);
        freshLog();
        Flight live = flight(c.flight);
        live.fsltlModel = true;
        gf_matchLiveFlightLivery(live);
        EXPECT_EQ(live.liveryTitle, "");
        EXPECT_TRUE(live.fsltlModel);
        EXPECT_EQ(counts(), countedAt(0));
        Flight parked = flight(c.flight);
        EXPECT_FALSE(gf_matchParkedLivery(parked, stand("A1", false)));
        EXPECT_EQ(parked.liveryTitle, "");
        EXPECT_TRUE(logLines().empty());
    }
}

TEST_F(LiveryMatcherTest, RefusedTitleStaysRefusedThroughARebuild) {
    const std::string title = "Lufthansa Airbus A320-214 retro livery";
    const MatcherWorld world{{pax("DLH", "A320", title)}};
    build(world);
    // The engine's view of the title may go before the refusal does.
    {
        const std::string own = title;
        Flight f = flight({"DLH", "A320", ""});
        f.liveryTitle = own;
        gf_liveryNotCreated(f);
    }
    build(world);
    Flight f = flight({"DLH", "A320", ""});
    gf_matchLiveFlightLivery(f);
    EXPECT_EQ(f.liveryTitle, "");
    EXPECT_TRUE(gf_isRefusedTitle(title));
}

// Shows whether the title was refused already when the message came, and so that the list's
// mutex was free then.
class ProbingSink final : public ksb::MessageSink {
public:
    ProbingSink() { gf_setMessageSink(this); }
    ~ProbingSink() override { gf_setMessageSink(nullptr); }
    void showMessage(std::string_view text, bool log) override {
        messages.push_back({RecordedMessage::Kind::message, std::string(text), log});
        refusedWhenShown = gf_isRefusedTitle("Lufthansa A320");
    }
    void showError(std::string_view) override {}

    std::vector<RecordedMessage> messages;
    bool refusedWhenShown = true;
};

TEST_F(LiveryMatcherTest, RefusalIsShownThenRemembered) {
    ProbingSink sink;
    Flight f = flight({"DLH", "A320", ""});
    f.callsign = "DLH4AB";
    f.liveryTitle = gf_storeTitle("Lufthansa A320");
    gf_liveryNotCreated(f);
    EXPECT_EQ(sink.messages,
              (std::vector<RecordedMessage>{
                  {RecordedMessage::Kind::message,
                   "DLH4AB \"Lufthansa A320\" could not be created by your Sim!", true}}));
    EXPECT_FALSE(sink.refusedWhenShown);
    EXPECT_EQ(lf_listFailedLiveries(), std::vector<std::string>{"  A320 DLH"});

    struct Case {
        const char* name;
        std::string title;
        bool refused;
    };
    const Case cases[] = {
        {"same bytes", "Lufthansa A320", true},
        {"other case", "lufthansa A320", false},
        {"prefix", "Lufthansa A32", false},
        {"longer", "Lufthansa A320 ", false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_isRefusedTitle(c.title), c.refused);
    }
}

TEST_F(LiveryMatcherTest, TwentiethRefusalStopsTheProgram) {
    RecordingMessageSink sink;
    for (int i = 1; i <= 19; ++i) {
        EXPECT_NO_THROW(refuse(fmt::format("Title {}", i)));
    }
    EXPECT_TRUE(logLines().empty());
    const std::string expectedWhat =
        "81: there are too many liveries that could not be created by P3D!, see Log.txt";
    const std::vector<std::string> expectedLog = {
        "", "===> Error 81, there are too many liveries that could not be created by P3D!", ""};
    for (int i = 20; i <= 21; ++i) {
        SCOPED_TRACE(i);
        freshLog();
        try {
            refuse(fmt::format("Title {}", i));
            ADD_FAILURE() << "no error 81";
        } catch (const ksb::UserErrorException& e) {
            EXPECT_EQ(std::string(e.what()), expectedWhat);
        }
        EXPECT_EQ(logLines(), expectedLog);
        EXPECT_TRUE(gf_isRefusedTitle(fmt::format("Title {}", i)));
    }
    EXPECT_EQ(sink.messages().size(), 21u);
    EXPECT_EQ(sink.messages().back(), "DLH9 \"Title 21\" could not be created by your Sim!");
    EXPECT_EQ(lf_listFailedLiveries(), std::vector<std::string>{"  A320 DLH"});
}

TEST_F(LiveryMatcherTest, FailedLiveriesAreSortedWithoutRepeats) {
    EXPECT_TRUE(lf_listFailedLiveries().empty());
    RecordingMessageSink sink;
    refuse("a", "KLM", "B738");
    refuse("b", "DLH", "A320");
    refuse("c", "KLM", "B738");
    refuse("d", "BAW", "A320");
    refuse("e", "", "C172");
    EXPECT_EQ(lf_listFailedLiveries(),
              (std::vector<std::string>{"  A320 BAW", "  A320 DLH", "  B738 KLM", "  C172 "}));
    gf_clearRefusedLiveriesForTests();
    EXPECT_TRUE(lf_listFailedLiveries().empty());
    EXPECT_FALSE(gf_isRefusedTitle("a"));
}

std::vector<std::string> summaryLines(const std::vector<std::string>& middle) {
    const std::string stars(31, '*');
    std::vector<std::string> lines = {"", stars + " live traffic livery matching summary " + stars,
                                      "Matches at step: "};
    lines.insert(lines.end(), middle.begin(), middle.end());
    lines.push_back(std::string(100, '*'));
    lines.push_back("");
    return lines;
}

TEST_F(LiveryMatcherTest, SummaryWithoutRefusals) {
    gf_printLiveryMatchSummary();
    EXPECT_EQ(logLines(),
              summaryLines({"  1: 0", "  2: 0", "  3: 0", "  4: 0", "  5: 0", "  6: 0"}));
}

TEST_F(LiveryMatcherTest, SummaryWithCountsAndRefusals) {
    build({{pax("DLH", "A320", "Lufthansa D-AIPA"), pax("DLH", "A320", "Lufthansa A320"),
            pax("BAW", "C172", "British Cessna")},
           {"Lufthansa D-AIPA;D-AIPA"}});
    LOG.setRaw(false);
    const FlightSpec flights[] = {{"DLH", "A320", "D-AIPA"},
                                  {"DLH", "A320", ""},
                                  {"KLM", "PA28", "", kLight},
                                  {"KLM", "PA28", "", kLight},
                                  {"KLM", "PA28", "", kLight}};
    for (const FlightSpec& spec : flights) {
        Flight f = flight(spec);
        gf_matchLiveFlightLivery(f);
    }
    RecordingMessageSink sink;
    refuse("x", "KLM", "B738");
    refuse("y", "DLH", "A320");
    refuse("z", "KLM", "B738");
    gf_printLiveryMatchSummary();
    EXPECT_EQ(logLines(),
              summaryLines({"  1: 1", "  2: 1", "  3: 0", "  4: 0", "  5: 0", "  6: 3", "",
                            "Could not be created by P3D:", "  A320 DLH", "  B738 KLM"}));
}

} // namespace
