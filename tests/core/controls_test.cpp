#include "core/controls.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "support/window_fixture.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

class ControlsTest : public ksb::test::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        for (const ui::ControlSpec& spec :
             {MAX_LIVE.createEdit(576, 34), TIME_SHIFT_DAYS.createEdit(748, 30),
              MAX_FIT_FL.createEdit(460, 24), BLOCK_CALLSIGN.createEdit(217, 100),
              SIM_INSTALL_PATH.createEdit(111, 1200), WEEK.createCheckBox(71, WEEK.value()),
              LOG.createCheckBox(652, LOG.value()),
              CHECK_VERSION_BUTTON.createButton(692, 120, CHECK_VERSION_BUTTON.name())}) {
            gf_registerControl(spec);
            port.addControl(spec);
        }
        port.clearInvalidated();
    }

    // The mirror and the widget agree; returns the text.
    std::string shownText(std::uint16_t id) {
        const auto state = gf_controlState(id);
        EXPECT_TRUE(state.has_value());
        EXPECT_EQ(state ? state->text : "", port.text(id));
        return port.text(id);
    }
};

TEST_F(ControlsTest, WritersShowTheValueAndInvalidateTheControls) {
    struct Case {
        const char* name;
        std::function<void()> write;
        std::uint16_t id;
        std::string text;
    };
    const Case cases[] = {
        {"integer",
         [] {
             MAX_LIVE.setRaw(123);
             lf_showIntParameter(MAX_LIVE);
         },
         32820, "123"},
        {"integer zero", [] { lf_showIntParameter(TIME_SHIFT_DAYS); }, 32858, "0"},
        {"whole float", [] { lf_showFloatParameter(MAX_FIT_FL); }, 32853, "24"},
        {"half float",
         [] {
             MAX_FIT_FL.setRaw(0.5f);
             lf_showFloatParameter(MAX_FIT_FL);
         },
         32853, "0.5"},
        {"text",
         [] {
             BLOCK_CALLSIGN.assign("KLM1234");
             lf_showTextParameter(BLOCK_CALLSIGN);
         },
         32828, "KLM1234"},
        {"text outside ASCII",
         [] {
             BLOCK_CALLSIGN.assign("Zürich ✈");
             lf_showTextParameter(BLOCK_CALLSIGN);
         },
         32828, "Zürich ✈"},
        {"install path", [] { lf_setSimInstallPath("/mnt/d/Prepar3D v5"); }, 32788,
         "/mnt/d/Prepar3D v5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port.clearInvalidated();
        c.write();
        EXPECT_EQ(c.text, shownText(c.id));
        EXPECT_EQ(std::vector<ui::Rect>{kControlsRegion}, port.invalidated());
    }
    EXPECT_EQ("/mnt/d/Prepar3D v5", SIM_INSTALL_PATH.value());

    lf_setControlText(MAX_LIVE.commandId());
    EXPECT_EQ("", shownText(MAX_LIVE.commandId()));
    EXPECT_EQ(0u, port.writesToUnknownIds());
    // Only the install path's save writes lines; no text was refused.
    EXPECT_FALSE(log->contains("conversion exception"));
}

TEST_F(ControlsTest, ATextTheWindowCannotShowIsLoggedAndTheControlKeepsItsText) {
    BLOCK_CALLSIGN.assign("OLD");
    lf_showTextParameter(BLOCK_CALLSIGN);
    BLOCK_CALLSIGN.assign("\xC3\x28");
    EXPECT_NO_THROW(lf_showTextParameter(BLOCK_CALLSIGN));
    EXPECT_EQ("OLD", shownText(BLOCK_CALLSIGN.commandId()));
    EXPECT_EQ(std::vector<std::string>{"\xC3\x28 conversion exception Invalid UTF-8 sequence found "
                                       "in input string., error code: 1113"},
              log->body());
}

TEST_F(ControlsTest, ACheckBoxMarkFollowsItsValue) {
    lf_setCheckBox(WEEK, true);
    EXPECT_TRUE(WEEK.value());
    EXPECT_TRUE(port.checked(WEEK.commandId()));
    EXPECT_TRUE(gf_controlState(WEEK.commandId())->checked);

    // toggle ignores another control's id.
    EXPECT_FALSE(WEEK.toggle(LOG.commandId()));
    EXPECT_TRUE(WEEK.value());
    EXPECT_TRUE(port.checked(WEEK.commandId()));
    EXPECT_TRUE(LOG.value());

    EXPECT_TRUE(WEEK.toggle(WEEK.commandId()));
    EXPECT_FALSE(WEEK.value());
    EXPECT_FALSE(port.checked(WEEK.commandId()));
    EXPECT_FALSE(gf_controlState(WEEK.commandId())->checked);

    // A check box without a control still takes its value.
    lf_setCheckBox(PARK_FAKE, true);
    EXPECT_TRUE(PARK_FAKE.value());
    EXPECT_EQ(0u, port.writesToUnknownIds());
}

TEST_F(ControlsTest, EnablingReachesMirrorAndWidget) {
    EXPECT_FALSE(gf_controlEnabled(SIM_INSTALL_PATH.commandId()));
    gf_enableWindow(SIM_INSTALL_PATH);
    EXPECT_TRUE(gf_controlEnabled(SIM_INSTALL_PATH.commandId()));
    EXPECT_TRUE(port.widget(SIM_INSTALL_PATH.commandId())->enabled);

    gf_enableControl(CHECK_VERSION_BUTTON.commandId(), true);
    gf_enableControl(CHECK_VERSION_BUTTON.commandId(), false);
    EXPECT_FALSE(gf_controlEnabled(CHECK_VERSION_BUTTON.commandId()));
    EXPECT_FALSE(port.widget(CHECK_VERSION_BUTTON.commandId())->enabled);

    // No control, nothing written.
    gf_enableControl(MAX_FIT.commandId(), true);
    EXPECT_FALSE(gf_controlEnabled(MAX_FIT.commandId()));
    EXPECT_EQ(0u, port.writesToUnknownIds());
}

TEST_F(ControlsTest, ReadingAFieldKeepsAtMost2047Utf16Units) {
    const std::string emoji = "\xF0\x9F\x98\x80"; // two UTF-16 units
    std::string eAcute2047;
    for (int i = 0; i < 2047; ++i) {
        eAcute2047 += "\xC3\xA9";
    }
    struct Case {
        const char* name;
        std::string typed;
        std::string want;
    };
    const Case cases[] = {
        {"short", "D:\\Prepar3D v5", "D:\\Prepar3D v5"},
        {"empty", "", ""},
        {"exactly 2047", std::string(2047, 'a'), std::string(2047, 'a')},
        {"2048 cut to 2047", std::string(2048, 'a'), std::string(2047, 'a')},
        {"pair ending at 2047", std::string(2045, 'a') + emoji, std::string(2045, 'a') + emoji},
        {"pair across the limit keeps neither half", std::string(2046, 'a') + emoji,
         std::string(2046, 'a')},
        {"two-byte characters count once", eAcute2047 + "x", eAcute2047},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        port.setUserText(SIM_INSTALL_PATH.commandId(), c.typed);
        EXPECT_EQ(c.want, lf_readTextField(SIM_INSTALL_PATH.commandId()));
    }
    EXPECT_TRUE(log->body().empty());
}

TEST_F(ControlsTest, AFieldThatCannotBeConvertedReadsEmptyAndIsLogged) {
    port.setUserText(BLOCK_CALLSIGN.commandId(), "AB\xFF");
    EXPECT_EQ("", lf_readTextField(BLOCK_CALLSIGN.commandId()));
    EXPECT_EQ(std::vector<std::string>{"Invalid UTF-8 sequence found in input string."},
              log->body());
    EXPECT_EQ("", lf_readTextField(1)); // no such control
}

TEST_F(ControlsTest, WithoutAWindowTheMirrorStillKeepsEveryWrite) {
    gf_setWindowPort(nullptr);
    MAX_LIVE.setRaw(42);
    lf_showIntParameter(MAX_LIVE);
    lf_setCheckBox(LOG, false);
    gf_enableControl(MAX_LIVE.commandId(), true);
    EXPECT_EQ((ControlState{"42", true, false}), gf_controlState(MAX_LIVE.commandId()));
    EXPECT_FALSE(gf_controlState(LOG.commandId())->checked);
    EXPECT_EQ("42", lf_readTextField(MAX_LIVE.commandId()));
    EXPECT_EQ("", port.text(MAX_LIVE.commandId()));
}

} // namespace
