#include "app/window_position.h"
#include "core/parameters.h"
#include "support/window_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Save {
    std::string name;
    std::int32_t value;
    bool operator==(const Save&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Save& s) {
    return out << s.name << "=" << s.value;
}

class WindowPositionTest : public ksb::test::WindowFixture {
protected:
    PositionSaver recorder() {
        return [this](const IntParameter& p) { saves.push_back({p.name(), p.value()}); };
    }
    std::vector<Save> saves;
};

TEST_F(WindowPositionTest, StartTakesTheStoredPositionUnlessItSitsAtALimit) {
    struct Case {
        const char* name;
        bool loaded;
        std::int32_t x, y;
        std::int32_t wantX, wantY;
        std::vector<Save> wantSaves;
    };
    const Case cases[] = {
        {"in range", true, 123, -456, 123, -456, {}},
        {"one inside each limit", true, -29999, 29999, -29999, 29999, {}},
        {"x at its minimum", true, -30000, 20, 400, 20, {{"MAIN_WINDOW_X", 400}}},
        {"x at its maximum", true, 30000, 77, 400, 77, {{"MAIN_WINDOW_X", 400}}},
        {"y at its minimum", true, 10, -30000, 10, 20, {{"MAIN_WINDOW_Y", 20}}},
        {"beyond both limits",
         true,
         -2000000,
         2000000,
         400,
         20,
         {{"MAIN_WINDOW_X", 400}, {"MAIN_WINDOW_Y", 20}}},
        {"file not loaded", false, -30000, 555, 400, 20, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        saves.clear();
        MAIN_WINDOW_X.setRaw(1);
        MAIN_WINDOW_Y.setRaw(2);
        lf_positionAtStart(c.loaded, c.x, c.y, recorder());
        EXPECT_EQ(c.wantX, MAIN_WINDOW_X.value());
        EXPECT_EQ(c.wantY, MAIN_WINDOW_Y.value());
        EXPECT_EQ(c.wantSaves, saves);
    }
}

TEST_F(WindowPositionTest, ExitStoresTheCornerUnlessItSitsAtALimit) {
    struct Case {
        const char* name;
        ui::Rect window;
        std::int32_t wantX, wantY;
        std::vector<Save> wantSaves;
    };
    // The window opened at (300, 40).
    const Case cases[] = {
        {"moved in range",
         {-1200, 900, -320, 1416},
         -1200,
         900,
         {{"MAIN_WINDOW_X", -1200}, {"MAIN_WINDOW_Y", 900}}},
        {"one inside each limit",
         {29999, -29999, 30879, -29483},
         29999,
         -29999,
         {{"MAIN_WINDOW_X", 29999}, {"MAIN_WINDOW_Y", -29999}}},
        {"left edge at its minimum",
         {-30000, 50, -29120, 566},
         300,
         50,
         {{"MAIN_WINDOW_X", -30000}, {"MAIN_WINDOW_Y", 50}, {"MAIN_WINDOW_X", 300}}},
        {"top edge beyond its maximum",
         {10, 32000, 890, 32516},
         10,
         40,
         {{"MAIN_WINDOW_X", 10}, {"MAIN_WINDOW_Y", 30000}, {"MAIN_WINDOW_Y", 40}}},
        {"minimised far away",
         {-32000, -32000, -31840, -31972},
         300,
         40,
         {{"MAIN_WINDOW_X", -30000},
          {"MAIN_WINDOW_Y", -30000},
          {"MAIN_WINDOW_X", 300},
          {"MAIN_WINDOW_Y", 40}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        saves.clear();
        MAIN_WINDOW_X.setRaw(300);
        MAIN_WINDOW_Y.setRaw(40);
        lf_saveWindowPositionAtExit(c.window, recorder());
        EXPECT_EQ(c.wantX, MAIN_WINDOW_X.value());
        EXPECT_EQ(c.wantY, MAIN_WINDOW_Y.value());
        EXPECT_EQ(c.wantSaves, saves);
    }
}

TEST_F(WindowPositionTest, ClampFallsBackToThePreviousValueClamped) {
    MAIN_WINDOW_X.setRaw(30000);
    MAIN_WINDOW_Y.setRaw(12);
    lf_clampWindowPosition(99999, 5, recorder());
    EXPECT_EQ(30000, MAIN_WINDOW_X.value()); // the previous value clamped is the limit again
    EXPECT_EQ(12, MAIN_WINDOW_Y.value());
    EXPECT_EQ((std::vector<Save>{{"MAIN_WINDOW_X", 30000}}), saves);
}

} // namespace
