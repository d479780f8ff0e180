// The simulator and service blocks, the catalogue counts and the QNH and live counts.
#include "app/paint.h"

#include "app/paint_fixture.h"
#include "support/recording_canvas.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using ksb::test::CanvasOp;
using ksb::test::paintAll;
using ksb::test::RecordingCanvas;
using ksb::test::setText;
using ksb::test::startSnapshot;

// What is drawn at a place: exactly the text given, or nothing when there is no text.
void expectAt(const RecordingCanvas& canvas, int x, int y, std::optional<std::string> text,
              ui::Rgb colour = colours::black) {
    SCOPED_TRACE(testing::Message() << "at (" << x << "," << y << ")");
    std::vector<CanvasOp> expected;
    if (text) {
        expected.push_back(CanvasOp::textAt(x, y, *text, colour));
    }
    EXPECT_EQ(canvas.textsAt(x, y), expected);
}

TEST(PaintStatusBlock, SimulatorColourFollowsConnectionFlightAndTitle) {
    struct Case {
        const char* name;
        bool connected, flightLoaded;
        const char* title;
        bool recognised;
        const char* stand;
        ui::Rgb sim;
        std::optional<std::string> line35;
        ui::Rgb titleColour;
    };
    const ui::Rgb red = colours::red, yellow = colours::yellow, green = colours::green;
    const Case cases[] = {
        {"not connected", false, true, "Cessna", true, "GA 3", red, std::nullopt, red},
        {"connected, no flight", true, false, "Cessna", true, "", yellow, "Prepar3D v5.4", yellow},
        {"connected, flight, no title", true, true, "", true, "", yellow, "Prepar3D v5.4", yellow},
        {"all set", true, true, "Cessna", true, "", green, "Prepar3D v5.4", green},
        {"all set with a stand", true, true, "Cessna", true, "GA 3", green,
         "Prepar3D v5.4, user stand GA 3", green},
        {"all set, title not recognised", true, true, "Cessna", false, "", green, "Prepar3D v5.4",
         yellow},
        {"no flight, title not recognised", true, false, "Cessna", false, "GA 3", yellow,
         "Prepar3D v5.4, user stand GA 3", yellow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintSnapshot s = startSnapshot();
        s.window.simConnected = c.connected;
        s.window.flightLoaded = c.flightLoaded;
        s.window.userRecognised = c.recognised;
        setText(s, WindowText::userTitle, c.title);
        setText(s, WindowText::simulatorText, "Prepar3D v5.4");
        setText(s, WindowText::userStand, c.stand);
        const RecordingCanvas canvas = paintAll(s);
        EXPECT_NE(canvas.indexOf(CanvasOp::fill({397, 30, 425, 112}, c.sim)),
                  RecordingCanvas::npos);
        expectAt(canvas, 398, 63, "Sim", colours::black);
        expectAt(canvas, 5, 35, c.line35, c.sim);
        expectAt(canvas, 5, 63, c.line35 ? std::optional<std::string>(c.title) : std::nullopt,
                 c.titleColour);
    }
}

TEST(PaintStatusBlock, LiveriesOrbxAndThirdpartyCounts) {
    struct Case {
        const char* name;
        std::int64_t liveries;
        std::int32_t orbx;
        bool orbxComplete;
        std::int32_t thirdparty;
        std::string liveriesText;
        ui::Rgb liveriesColour;
        std::string orbxText;
        ui::Rgb orbxColour;
        std::string thirdpText;
        ui::Rgb thirdpColour;
    };
    const ui::Rgb red = colours::red, yellow = colours::yellow, green = colours::green;
    const Case cases[] = {
        {"nothing known yet", -1, 0, true, 0, "# liveries: ...", red, "# ORBX: ...", yellow,
         "# thirdp: ...", yellow},
        {"zero counts", 0, 0, false, 0, "# liveries: ...", red, "# ORBX: ...", yellow,
         "# thirdp: ...", yellow},
        {"negative airport counts", 1, -1, true, -1, "# liveries: 1", green, "# ORBX: ...", yellow,
         "# thirdp: ...", yellow},
        {"counted, ORBX scan complete", 12345, 17, true, 42, "# liveries: 12345", green,
         "# ORBX: 17", green, "# thirdp: 42", green},
        {"ORBX scan still running", 6000000000, 3, false, 1, "# liveries: 6000000000", green,
         "# ORBX: 3", yellow, "# thirdp: 1", green},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintSnapshot s = startSnapshot();
        s.window.liveriesCount = c.liveries;
        s.window.orbxAirports = c.orbx;
        s.window.orbxScanComplete = c.orbxComplete;
        s.window.thirdpartyAirports = c.thirdparty;
        const RecordingCanvas canvas = paintAll(s);
        expectAt(canvas, 5, 91, c.liveriesText, c.liveriesColour);
        expectAt(canvas, 141, 91, c.orbxText, c.orbxColour);
        expectAt(canvas, 278, 91, c.thirdpText, c.thirdpColour);
    }
}

TEST(PaintStatusBlock, ServiceBlockReaderCellsQnhAndLiveCount) {
    struct Case {
        const char* name;
        bool pending, established;
        std::int32_t weatherCell, trafficCell, qnh;
        ui::Rgb block;
        std::optional<ui::Rgb> weather, traffic; // nullopt: the word is not drawn
        std::optional<std::string> qnhText, liveText;
    };
    const ui::Rgb red = colours::red, yellow = colours::yellow, green = colours::green,
                  black = colours::black;
    const auto none = std::nullopt;
    const Case cases[] = {
        {"pending", true, false, 1, 1, 1013, black, none, none, none, none},
        {"pending on an established session", true, true, 1, 1, 1013, black, green, green,
         "qnh: 1013", "live:  87"},
        {"no session", false, false, 1, 1, 1013, red, none, none, none, none},
        {"both receiving", false, true, 1, 1, 1013, green, green, green, "qnh: 1013", "live:  87"},
        {"both idle", false, true, 2, 2, 987, green, yellow, yellow, "qnh:  987", "live:  87"},
        {"both stopped", false, true, 3, 3, 1013, green, none, none, none, none},
        {"weather receiving, traffic stopped", false, true, 1, 3, 1013, green, green, none,
         "qnh: 1013", none},
        {"weather stopped, traffic idle", false, true, 3, 2, 1013, green, none, yellow, none,
         "live:  87"},
        {"QNH not known", false, true, 1, 1, 0, green, green, green, none, "live:  87"},
        {"QNH negative", false, true, 2, 1, -4, green, yellow, green, none, "live:  87"},
        {"QNH 1", false, true, 1, 1, 1, green, green, green, "qnh:    1", "live:  87"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintSnapshot s = startSnapshot();
        s.window.servicePending = c.pending;
        s.window.sessionEstablished = c.established;
        s.window.weatherCell = c.weatherCell;
        s.window.trafficCell = c.trafficCell;
        s.window.qnh = c.qnh;
        s.window.liveCount = 87;
        const RecordingCanvas canvas = paintAll(s);
        EXPECT_NE(canvas.indexOf(CanvasOp::fill({425, 30, 453, 112}, c.block)),
                  RecordingCanvas::npos);
        expectAt(canvas, 430, 63, "RT", colours::black);
        expectAt(canvas, 458, 63, c.weather ? std::optional<std::string>("Weather") : none,
                 c.weather.value_or(black));
        expectAt(canvas, 458, 91, c.traffic ? std::optional<std::string>("Traffic") : none,
                 c.traffic.value_or(black));
        expectAt(canvas, 642, 63, c.qnhText, green);
        expectAt(canvas, 642, 91, c.liveText, green);
    }
}

TEST(PaintStatusBlock, LiveCountIsPaddedToThreeAndWiderNumbersStayWhole) {
    PaintSnapshot s = startSnapshot();
    s.window.servicePending = false;
    s.window.sessionEstablished = true;
    s.window.trafficCell = 1;
    for (const auto& [count, text] :
         {std::pair{0, "live:   0"}, std::pair{5, "live:   5"}, std::pair{1234, "live: 1234"}}) {
        SCOPED_TRACE(text);
        s.window.liveCount = count;
        expectAt(paintAll(s), 642, 91, std::string(text), colours::green);
    }
}

} // namespace
