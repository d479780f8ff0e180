#include "core/main_window.h"
#include "core/message_sink.h"
#include "support/window_fixture.h"

#include <gtest/gtest.h>

namespace {

class MainWindowTest : public ksb::test::WindowFixture {};

TEST_F(MainWindowTest, AMessageStandsTwentyFiveSecondsUnlessReplaced) {
    struct Case {
        const char* name;
        std::int32_t shownAt;     // clock when the message is shown
        std::int32_t replacedAt;  // clock when a new message replaces it; -1: never
        std::int32_t wantShownAt; // the shown-at second stored
        std::int32_t clearedAt;   // clock after the tick that clears it
    };
    const Case cases[] = {
        {"shown at 10", 10, -1, 10, 35},
        {"shown before the clock runs", 0, -1, 1, 26},
        {"replaced at 20", 10, 20, 10, 45},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mainWindow.resetToStart();
        mainWindow.messageClock = c.shownAt;
        gf_showMessage("first", false);
        EXPECT_EQ(c.wantShownAt, mainWindow.messageShownAt.load());
        std::int32_t clearedAt = -1;
        for (int tick = 0; tick < 100 && clearedAt < 0; ++tick) {
            if (mainWindow.messageClock.load() == c.replacedAt) {
                gf_showMessage("second", false);
                EXPECT_EQ(c.replacedAt, mainWindow.messageShownAt.load());
            }
            mainWindow.tickMessageClock();
            if (mainWindow.messageText().empty()) {
                clearedAt = mainWindow.messageClock.load();
            }
        }
        EXPECT_EQ(c.clearedAt, clearedAt);
        EXPECT_EQ(0, mainWindow.messageShownAt.load());
    }
}

TEST_F(MainWindowTest, TheClockTicksWithoutAMessageAndAnEmptyMessageSetsNoTime) {
    mainWindow.messageClock = 7;
    gf_showMessage("", true);
    EXPECT_EQ(0, mainWindow.messageShownAt.load());
    port.clearInvalidated();
    for (int i = 0; i < 30; ++i) {
        mainWindow.tickMessageClock();
    }
    EXPECT_EQ(37, mainWindow.messageClock.load());
    EXPECT_TRUE(port.invalidated().empty());
}

TEST_F(MainWindowTest, OnlyALoggedNonEmptyMessageReachesTheLog) {
    gf_showMessage("logged", true);
    gf_showMessage("not logged", false);
    gf_showMessage("", true);
    gf_clearMessage();
    EXPECT_EQ(std::vector<std::string>{"logged"}, log->body());
    EXPECT_EQ("", mainWindow.messageText());
    EXPECT_EQ(0, mainWindow.messageShownAt.load());
}

TEST_F(MainWindowTest, AnErrorEmptiesTheMessageAndBlocksNewOnesUntilItIsCleared) {
    mainWindow.messageClock = 5;
    gf_showMessage("working", false);
    gf_showError("1001: RT error");
    EXPECT_EQ("", mainWindow.messageText());
    EXPECT_EQ(0, mainWindow.messageShownAt.load());
    EXPECT_EQ("1001: RT error", mainWindow.errorText());

    port.clearInvalidated();
    gf_showMessage("dropped", true);
    gf_clearMessage();
    EXPECT_EQ("", mainWindow.messageText());
    EXPECT_EQ(0, mainWindow.messageShownAt.load());
    EXPECT_TRUE(port.invalidated().empty());
    // The error is logged with its prefix; the dropped message leaves no trace.
    EXPECT_EQ(std::vector<std::string>{"Error 1001: RT error"}, log->body());

    // A later error replaces the first.
    gf_showError("second");
    EXPECT_EQ("second", mainWindow.errorText());

    mainWindow.clearError();
    gf_showMessage("back", false);
    EXPECT_EQ("back", mainWindow.messageText());
    EXPECT_EQ(5, mainWindow.messageShownAt.load());
}

TEST_F(MainWindowTest, TheWindowsSinkDrivesTheLinesAndInvalidatesTheStrip) {
    ksb::MessageSink& sink = gf_windowMessageSink();
    port.clearInvalidated();
    sink.showMessage("a", false);
    sink.clearMessage();
    sink.showError("b");
    mainWindow.clearError();
    mainWindow.clearError(); // nothing left to clear
    EXPECT_EQ(std::vector<ui::Rect>(4, kMessageStrip), port.invalidated());
    EXPECT_EQ(std::vector<std::string>{"Error b"}, log->body());
}

TEST_F(MainWindowTest, TextsInvalidateTheirRegionOnlyWhenTheyChange) {
    port.clearInvalidated();
    mainWindow.setText(WindowText::userTitle, "Boeing 737-800", kStatusRegion);
    mainWindow.setText(WindowText::userTitle, "Boeing 737-800", kStatusRegion);
    mainWindow.setText(WindowText::parkQuality, "good", kStatisticsRegion);
    EXPECT_EQ((std::vector<ui::Rect>{kStatusRegion, kStatisticsRegion}), port.invalidated());
    EXPECT_EQ("Boeing 737-800", mainWindow.text(WindowText::userTitle));
    EXPECT_EQ("Boeing 737-800", mainWindow.snapshot().text(WindowText::userTitle));
}

TEST_F(MainWindowTest, ResetReturnsEverythingToItsStartAndRepaintsTheWindow) {
    const MainWindowSnapshot start = MainWindow().snapshot();
    mainWindow.setText(WindowText::simulatorText, "Prepar3D v5.4", kStatusRegion);
    gf_showMessage("m", false);
    gf_showError("e");
    mainWindow.messageClock = 99;
    mainWindow.staticAverageFit = 3.5f;
    mainWindow.liveriesCount = 1234;
    mainWindow.qnh = 1013;
    mainWindow.tbloAirports = 3;
    mainWindow.servicePending = false;
    mainWindow.simConnected = true;
    mainWindow.trafficCell = 1;
    port.clearInvalidated();

    mainWindow.resetToStart();

    const MainWindowSnapshot now = mainWindow.snapshot();
    EXPECT_EQ(start.message, now.message);
    EXPECT_EQ(start.error, now.error);
    EXPECT_EQ(start.texts, now.texts);
    EXPECT_EQ(start.staticAverageFit, now.staticAverageFit);
    EXPECT_EQ(start.liveriesCount, now.liveriesCount);
    EXPECT_EQ(start.qnh, now.qnh);
    EXPECT_EQ(start.tbloAirports, now.tbloAirports);
    EXPECT_EQ(start.servicePending, now.servicePending);
    EXPECT_EQ(start.simConnected, now.simConnected);
    EXPECT_EQ(start.trafficCell, now.trafficCell);
    EXPECT_EQ(0, mainWindow.messageClock.load());
    EXPECT_EQ(0, mainWindow.messageShownAt.load());
    EXPECT_EQ((std::vector<ui::Rect>{{0, 0, 880, 516}}), port.invalidated());
    EXPECT_TRUE(MainWindow().ready.load());
}

} // namespace
