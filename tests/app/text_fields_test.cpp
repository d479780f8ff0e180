#include "app/text_fields.h"
#include "commands_fixture.h"
#include "core/message_sink.h"
#include "support/recording_sinks.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using ksb::test::CommandsFixture;
using ksb::test::RecordedExit;

class TextFieldsTest : public CommandsFixture {};

TEST_F(TextFieldsTest, BlockingACallsign) {
    struct Case {
        const char* name;
        std::string storedBefore;
        std::string typed;
        std::string value;
        std::optional<std::string> saved;
        std::string message;
        bool logged;
        std::string shown;
        bool unblockEnabled;
        bool changed;
    };
    const std::string e = "\xC3\xA9"; // é, two bytes
    const Case cases[] = {
        {"letters upper-cased", "", "ab12", "AB12", "AB12",
         "live aircraft with callsign \"AB12\" will be blocked", true, "AB12", true, true},
        {"eight bytes", "", "klm1234x", "KLM1234X", "KLM1234X",
         "live aircraft with callsign \"KLM1234X\" will be blocked", true, "KLM1234X", true, true},
        {"three bytes", "", "abc", "", std::nullopt, "callsign \"abc\" is not valid", true, "",
         false, false},
        {"nine bytes", "AB12", "abcdefghi", "AB12", std::nullopt,
         "callsign \"abcdefghi\" is not valid", true, "AB12", false, false},
        {"three characters in six bytes", "", e + e + e, e + e + e, e + e + e,
         "live aircraft with callsign \"" + e + e + e + "\" will be blocked", true, e + e + e, true,
         true},
        {"seven characters in nine bytes", "", "abcde" + e + e, "", std::nullopt,
         "callsign \"abcde" + e + e + "\" is not valid", true, "", false, false},
        {"only a to z change", "", e + "b_z{", e + "B_Z{", e + "B_Z{",
         "live aircraft with callsign \"" + e + "B_Z{\" will be blocked", true, e + "B_Z{", true,
         true},
        {"the same callsign again", "AB12", "ab12", "AB12", std::nullopt,
         "This callsign (AB12) was already set ...", true, "AB12", false, false},
        {"empty with a stored callsign", "AB12", "", "", "",
         "no more blocking of live aircraft \"AB12\"", true, "", false, true},
        {"empty without one", "", "", "", std::nullopt, "", false, "", false, false},
        {"no UTF-8 changes nothing", "AB12", "ab\xFF", "AB12", std::nullopt, "", false, "ab\xFF",
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        BLOCK_CALLSIGN.assign(c.storedBefore);
        gf_enableControl(UNBLOCK_BUTTON.commandId(), false);
        gf_showMessage("earlier", false);

        enter(BLOCK_CALLSIGN, c.typed);

        EXPECT_EQ(c.value, BLOCK_CALLSIGN.value());
        EXPECT_EQ(c.saved, stored("BLOCK_CALLSIGN"));
        EXPECT_EQ(c.message, mainWindow.messageText());
        const auto lines = newLines();
        EXPECT_EQ(c.logged, std::find(lines.begin(), lines.end(), c.message) != lines.end());
        EXPECT_EQ(c.shown, port.text(BLOCK_CALLSIGN.commandId()));
        EXPECT_EQ(c.unblockEnabled, enabled(UNBLOCK_BUTTON));
        EXPECT_EQ(c.changed, blockCallsignChanged.load());
    }
}

TEST_F(TextFieldsTest, UnblockForgetsTheCallsignOnce) {
    enter(BLOCK_CALLSIGN, "dlh4u");
    blockCallsignChanged = false;
    lf_unblockCallsign();
    EXPECT_EQ("", BLOCK_CALLSIGN.value());
    EXPECT_EQ("", stored("BLOCK_CALLSIGN"));
    EXPECT_FALSE(enabled(UNBLOCK_BUTTON));
    EXPECT_TRUE(blockCallsignChanged.load());
    EXPECT_EQ("no more blocking of live aircraft \"DLH4U\"", mainWindow.messageText());

    // Nothing stored: nothing happens.
    blockCallsignChanged = false;
    gf_showMessage("earlier", false);
    lf_unblockCallsign();
    EXPECT_FALSE(blockCallsignChanged.load());
    EXPECT_EQ("earlier", mainWindow.messageText());
}

class InstallPathTest : public CommandsFixture {
protected:
    void SetUp() override {
        CommandsFixture::SetUp();
        drive.emplace("KSBY_DRIVE_D", disk.path().string());
        std::filesystem::create_directories(disk / "Prepar3D v5");
        std::filesystem::create_directories(disk / "other");
        std::filesystem::create_symlink("loop", disk / "loop");
    }
    void TearDown() override {
        std::filesystem::remove_all(disk / "Prepar3D v5");
        std::filesystem::remove_all(disk / "other");
        std::filesystem::remove(disk / "loop");
        drive.reset();
        CommandsFixture::TearDown();
    }

    ksb::test::TempFolder disk;
    std::optional<ksb::test::ScopedEnv> drive;
};

TEST_F(InstallPathTest, OnlyAnExistingPathIsStoredAndRestarts) {
    struct Case {
        const char* name;
        std::string storedBefore;
        std::string typed;
        std::string value;
        std::optional<std::string> saved;
        std::string message;
        std::vector<RecordedExit> exits;
    };
    const std::string native = (disk / "other").string();
    const std::string tooLong = "D:\\" + std::string(300, 'a');
    const Case cases[] = {
        {"an existing folder",
         "",
         native,
         native,
         native,
         "Install path exists, KSBY_P3D will restart",
         {{ExitReason::RESTART_IPP, 3}}},
        {"a Windows text, stored as typed",
         "D:\\old",
         "d:\\PREPAR3D V5\\",
         "d:\\PREPAR3D V5\\",
         "d:\\PREPAR3D V5\\",
         "Install path exists, KSBY_P3D will restart",
         {{ExitReason::RESTART_IPP, 3}}},
        {"a missing path",
         "D:\\old",
         "D:\\Prepar3D v6",
         "D:\\old",
         std::nullopt,
         "This install path does not exist: D:\\Prepar3D v6",
         {}},
        {"missing below an existing folder",
         "D:\\old",
         "D:\\Prepar3D v5\\x\\y",
         "D:\\old",
         std::nullopt,
         "This install path does not exist: D:\\Prepar3D v5\\x\\y",
         {}},
        {"a name too long",
         "D:\\old",
         tooLong,
         "D:\\old",
         std::nullopt,
         "This install path does not exist: " + tooLong,
         {}},
        {"a symbolic-link loop",
         "D:\\old",
         "D:\\loop\\sub",
         "D:\\old",
         std::nullopt,
         "This install path does not exist: D:\\loop\\sub",
         {}},
        {"empty forgets the stored path", "D:\\old", "", "", "", "", {}},
        {"empty without one", "", "", "", std::nullopt, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        SIM_INSTALL_PATH.assign(c.storedBefore);
        gf_showError("41: start-up failed");
        gf_showMessage("earlier", false);

        enter(SIM_INSTALL_PATH, c.typed);

        EXPECT_EQ(c.value, SIM_INSTALL_PATH.value());
        EXPECT_EQ(c.saved, stored("SIM_INSTALL_PATH"));
        EXPECT_EQ("", mainWindow.errorText());
        EXPECT_EQ(c.message, mainWindow.messageText());
        const auto lines = newLines();
        EXPECT_EQ(!c.message.empty(),
                  std::find(lines.begin(), lines.end(), c.message) != lines.end());
        EXPECT_EQ(c.exits, exits->all());
        if (c.saved) {
            EXPECT_EQ(c.value, text(SIM_INSTALL_PATH));
        }
    }
}

TEST_F(InstallPathTest, ExistenceThatCannotBeToldCountsAsMissing) {
    const std::string tooLong = (disk / std::string(300, 'a')).string();
    EXPECT_FALSE(lf_installPathExists(tooLong));
    EXPECT_FALSE(lf_installPathExists((disk / "loop").string()));
    EXPECT_TRUE(lf_installPathExists("D:/prepar3d v5"));
    EXPECT_FALSE(lf_installPathExists("E:\\nothing here"));
}

} // namespace
