// Start-up's daily check and the "Check version" button with the real updates, against the
// update server of the web-service stand-in.
#include "app/daily_steps.h"
#include "app/startup_services.h"
#include "commands_fixture.h"
#include "core/codec.h"
#include "core/exceptions.h"
#include "core/main_window.h"
#include "core/parameters_file.h"
#include "start_up_fixture.h"
#include "support/catalogue_fixtures.h"
#include "support/rtstub/rt_stub.h"
#include "updates/downloads.h"
#include "updates/updates.h"

#include <curl/curl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using ksb::test::readBytes;
using ksb::test::writeBytes;

const bool curlReady = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;

class DailyUpdatesTest : public ksb::test::StartUpFixture {
protected:
    void SetUp() override {
        StartUpFixture::SetUp();
        ASSERT_TRUE(curlReady);
        fs::create_directories(work / "input");
        // The recording table, with the real updates in it.
        StartupServices table = services->startupTable();
        table.updateDbase = gf_updateDbase;
        table.updateAigRegcodes = gf_updateAigRegcodes;
        table.checkProgramVersion = gf_checkProgramVersion;
        table.updateArchive = gf_updateArchive;
        table.archiveFoldersMissing = lf_archiveFoldersMissing;
        gf_setStartupServices(table);
        ksb::gf_setUpdateBase(stub.baseUrl());
    }
    void TearDown() override {
        ksb::gf_resetUpdateSettings();
        StartUpFixture::TearDown();
    }
    std::vector<std::string> updateRoutes() const {
        std::vector<std::string> routes;
        for (const rtstub::RequestRecord& r : stub.requests()) {
            routes.push_back(r.route);
        }
        return routes;
    }

    rtstub::RtStub stub;
};

TEST_F(DailyUpdatesTest, AFreshInstallationOnANewDayGetsEverythingAndScansAirports) {
    writeParameters({{"SCAN_AIRPORTS", "false"}});
    gf_readParameters(gf_parameterLists());
    lf_dailyCheck();
    const std::string today = gf_scrambledDateStamp();
    EXPECT_EQ(today, stored("DATA_CHECKED_AT_DATE"));
    EXPECT_EQ("true", stored("SCAN_AIRPORTS"));
    EXPECT_TRUE(SCAN_AIRPORTS.value());
    for (const char* name : {"DBASE_VERSION", "AIG_VERSION", "ARCHIVE_VERSION"}) {
        EXPECT_EQ("1.0.0", stored(name)) << name;
    }
    EXPECT_TRUE(fs::exists(work / "input" / "dbase.xml"));
    EXPECT_TRUE(fs::exists(work / "input" / "AIG-regcodes.xml"));
    EXPECT_FALSE(lf_archiveFoldersMissing());
    EXPECT_TRUE(fs::exists(work / "docs" / "P3D_archive.csv"));
    EXPECT_EQ((std::vector<std::string>{
                  "update:dbase/version.json", "update:dbase/dbase.xml",
                  "update:release/version_P3D.json", "update:aig/version.json",
                  "update:aig/AIG-regcodes.xml", "update:archive/p3d/version.json",
                  "update:archive/p3d/archive.zip", "update:docs/P3D_archive.txt",
                  "update:docs/P3D_archive.csv"}),
              updateRoutes());
}

TEST_F(DailyUpdatesTest, ASameDayStartWithoutTheRegcodesFetchesOnlyThem) {
    const std::string today = gf_scrambledDateStamp();
    writeParameters({{"DATA_CHECKED_AT_DATE", today}, {"AIG_VERSION", "1.0.0"}});
    gf_readParameters(gf_parameterLists());
    dbaseLoaded = true;
    writeBytes(work / "input" / "dbase.xml", "<dbase/>");
    for (const char* folder : {"stock", "ORBX", "thirdparty"}) {
        fs::create_directories(work / "airports" / "archive" / folder);
    }
    lf_dailyCheck();
    EXPECT_EQ((std::vector<std::string>{"update:aig/version.json", "update:aig/AIG-regcodes.xml"}),
              updateRoutes());
    EXPECT_TRUE(fs::exists(work / "input" / "AIG-regcodes.xml"));
    EXPECT_EQ("<dbase/>", readBytes(work / "input" / "dbase.xml"));
    EXPECT_EQ(today, stored("DATA_CHECKED_AT_DATE"));
}

TEST_F(DailyUpdatesTest, ANewerProgramLeavesTheDayUnchecked) {
    writeParameters({{"DATA_CHECKED_AT_DATE", "DAY1"},
                     {"DBASE_VERSION", "1.0.0"},
                     {"PROGRAM_INSTALL_PATH", work.path().string()}});
    gf_readParameters(gf_parameterLists());
    dbaseLoaded = true;
    writeBytes(work / "input" / "dbase.xml", "<dbase/>");
    stub.setUpdateVersion("program", "9.4.0");
    const std::string text = fmt::format(
        "New version 9.4.0 available. Exit here, and run as administrator:   \"{}\"",
        (work.path() / "install_new_version.exe").string());
    EXPECT_THAT([] { lf_dailyCheck(); },
                testing::ThrowsMessage<ksb::UserErrorException>(testing::StrEq(text)));
    EXPECT_EQ("DAY1", stored("DATA_CHECKED_AT_DATE"));
    EXPECT_TRUE(fs::exists(work / "install_new_version.exe"));
    EXPECT_EQ("update:release/setup_KSBY_P3D_v9.4.0.zip", updateRoutes().back());
}

class CheckVersionTest : public ksb::test::CommandsFixture {
protected:
    void SetUp() override {
        CommandsFixture::SetUp();
        folder.emplace();
        ksb::gf_setUpdateBase(stub.baseUrl());
        DATA_CHECKED_AT_DATE.setValue("20261210");
        for (StringParameter* p : {&DBASE_VERSION, &AIG_VERSION, &ARCHIVE_VERSION}) {
            p->setValue("1.0.0");
        }
    }
    void TearDown() override {
        ksb::gf_resetUpdateSettings();
        folder.reset();
        CommandsFixture::TearDown();
    }

    rtstub::RtStub stub;
    std::optional<ksb::test::WorkingFolder> folder;
};

TEST_F(CheckVersionTest, TellsWhatIsNewerAndClearsTheDay) {
    stub.setUpdateVersion("dbase", "1.1.0");
    click(CHECK_VERSION_BUTTON.commandId());
    EXPECT_EQ("New version for: dbase (1.1.0) ==> exit KSBY_P3D and restart ...",
              mainWindow.messageText());
    EXPECT_EQ("", stored("DATA_CHECKED_AT_DATE"));
    EXPECT_FALSE(enabled(CHECK_VERSION_BUTTON));
    EXPECT_EQ(4u, stub.requests().size());
}

TEST_F(CheckVersionTest, UpToDateKeepsTheDay) {
    click(CHECK_VERSION_BUTTON.commandId());
    EXPECT_EQ("KSBY_P3D is up to date", mainWindow.messageText());
    EXPECT_EQ("20261210", stored("DATA_CHECKED_AT_DATE"));
    EXPECT_FALSE(enabled(CHECK_VERSION_BUTTON));
}

TEST_F(CheckVersionTest, AFailingFetchIsNeverReportedAsUpToDate) {
    stub.setUpdateVersion("dbase", "1.1.0");
    stub.script("update:dbase/version.json", rtstub::Reply::http(503, "busy"));
    click(CHECK_VERSION_BUTTON.commandId());
    EXPECT_EQ("Version check failed: no version from the update server for dbase",
              mainWindow.messageText());
    EXPECT_EQ("20261210", stored("DATA_CHECKED_AT_DATE"));
    const std::string failed = fmt::format("===> downloading \"{}/downloads/dbase/version.json\" "
                                           "failed",
                                           stub.baseUrl());
    EXPECT_TRUE(log->contains(failed));
    EXPECT_FALSE(enabled(CHECK_VERSION_BUTTON));
}

} // namespace
