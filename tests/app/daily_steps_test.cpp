#include "app/daily_steps.h"
#include "core/codec.h"
#include "core/controls.h"
#include "core/exceptions.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "start_up_fixture.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

using Steps = std::vector<DailyStep>;
using enum DailyStep;

std::vector<std::string_view> lf_names(const Steps& steps) {
    std::vector<std::string_view> names;
    for (const DailyStep step : steps) {
        names.push_back(gf_dailyStepName(step));
    }
    return names;
}

TEST(DailyStepsTest, TheStepsOfEachStart) {
    struct Case {
        const char* name;
        DailyInputs inputs;
        Steps steps;
    };
    const Steps newDay{checkProgramVersion, updateAigRegcodes, updateArchive, storeDay};
    const Case cases[] = {
        {"first start of the process on a new day",
         {"DAY2", "DAY1", false, false, false, false},
         {updateDbase, readDatabase, checkProgramVersion, updateAigRegcodes, updateArchive,
          storeDay}},
        {"restart on a new day",
         {"DAY2", "DAY1", false, true, false, false},
         {updateDbase, checkProgramVersion, updateAigRegcodes, updateArchive, storeDay}},
        {"never checked",
         {"DAY2", "", false, true, false, false},
         {updateDbase, checkProgramVersion, updateAigRegcodes, updateArchive, storeDay}},
        // The archive update looks at the folders itself on a new day.
        {"new day, everything missing",
         {"DAY2", "DAY1", true, true, true, true},
         {updateDbase, checkProgramVersion, updateAigRegcodes, updateArchive, storeDay}},
        {"same day, nothing to do", {"DAY1", "DAY1", false, true, false, false}, {}},
        {"same day, first start of the process",
         {"DAY1", "DAY1", false, false, false, false},
         {readDatabase}},
        {"same day, database file missing",
         {"DAY1", "DAY1", true, true, false, false},
         {updateDbase}},
        {"same day, regcodes missing",
         {"DAY1", "DAY1", false, true, true, false},
         {updateAigRegcodes}},
        {"same day, archive folders missing",
         {"DAY1", "DAY1", false, true, false, true},
         {updateArchive}},
        {"same day, all missing, first start",
         {"DAY1", "DAY1", true, false, true, true},
         {updateDbase, readDatabase, updateAigRegcodes, updateArchive}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lf_names(c.steps), lf_names(lf_dailySteps(c.inputs)));
    }
}

class DailyStepsRunTest : public ksb::test::StartUpFixture {
protected:
    void SetUp() override {
        StartUpFixture::SetUp();
        writeParameters({{"DATA_CHECKED_AT_DATE", "DAY1"}, {"SCAN_AIRPORTS", "false"}});
        gf_readParameters(gf_parameterLists());
        gf_enableControl(CHECK_VERSION_BUTTON.commandId(), true);
        services->clearCalls();
    }
};

const Steps kNewDay{updateDbase,       readDatabase,  checkProgramVersion,
                    updateAigRegcodes, updateArchive, storeDay};

TEST_F(DailyStepsRunTest, ANewDayRunsEveryStepAndStoresTheDayLast) {
    lf_runDailySteps(kNewDay, "DAY2");

    EXPECT_EQ((std::vector<std::string>{"gf_updateDbase", "gf_readDbase", "gf_readFixesXml",
                                        "gf_checkProgramVersion", "gf_updateAigRegcodes",
                                        "gf_updateArchive"}),
              services->calls());
    EXPECT_TRUE(dbaseLoaded.load());
    EXPECT_EQ("DAY2", DATA_CHECKED_AT_DATE.value());
    EXPECT_EQ("DAY2", stored("DATA_CHECKED_AT_DATE"));
    EXPECT_FALSE(widget(CHECK_VERSION_BUTTON).enabled);
    // No new archive: the airport scan is not asked for.
    EXPECT_FALSE(SCAN_AIRPORTS.value());
    EXPECT_EQ("false", stored("SCAN_AIRPORTS"));
}

TEST_F(DailyStepsRunTest, AFailureBeforeTheEndLeavesTheDayUnchecked) {
    struct Case {
        const char* name;
        const char* call;
        std::function<void()> fail;
        std::string what;
    };
    const std::string newVersion = "New version 9.4.0 available. Exit here, and run as "
                                   "administrator:   \"C:\\KSBY_P3D\\install_new_version.exe\"";
    const Case cases[] = {
        {"new program version", "gf_checkProgramVersion",
         [&] { throw ksb::UserErrorException(99, newVersion); }, newVersion},
        {"regcodes", "gf_updateAigRegcodes", [] { throw std::runtime_error("copy_file"); },
         "copy_file"},
        {"archive", "gf_updateArchive", [] { throw std::runtime_error("create_directory"); },
         "create_directory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        services->onCall(c.call, c.fail);
        try {
            lf_runDailySteps(kNewDay, "DAY2");
            ADD_FAILURE() << "no exception";
        } catch (const std::exception& e) {
            EXPECT_EQ(c.what, e.what());
        }
        EXPECT_EQ(c.call, services->names().back());
        EXPECT_EQ("DAY1", DATA_CHECKED_AT_DATE.value());
        EXPECT_EQ("DAY1", stored("DATA_CHECKED_AT_DATE"));
        EXPECT_TRUE(widget(CHECK_VERSION_BUTTON).enabled);
    }
}

TEST_F(DailyStepsRunTest, TheNewProgramVersionIsAUserError) {
    services->onCall("gf_checkProgramVersion", [] { throw ksb::UserErrorException(99, "New"); });
    EXPECT_THROW(lf_runDailySteps(kNewDay, "DAY2"), ksb::UserErrorException);
}

TEST_F(DailyStepsRunTest, ANewArchiveAsksForTheAirportScan) {
    for (const Steps& steps : {kNewDay, Steps{updateArchive}}) {
        SCOPED_TRACE(steps.size());
        TearDown();
        SetUp();
        services->setResult("gf_updateArchive", true);
        port.clearInvalidated();

        lf_runDailySteps(steps, "DAY2");

        EXPECT_TRUE(SCAN_AIRPORTS.value());
        EXPECT_TRUE(widget(SCAN_AIRPORTS).checked);
        EXPECT_EQ("true", stored("SCAN_AIRPORTS"));
        const auto regions = port.invalidated();
        EXPECT_NE(regions.end(), std::find(regions.begin(), regions.end(), kControlsRegion));
    }
}

TEST_F(DailyStepsRunTest, TheDailyCheckTakesItsInputsFromTheFilesAndTheClock) {
    struct Case {
        const char* name;
        bool sameDay;
        bool dbaseThere;
        bool regcodesThere;
        bool archiveMissing;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"new day",
         false,
         true,
         true,
         true,
         {"gf_updateDbase", "gf_readDbase", "gf_readFixesXml", "gf_checkProgramVersion",
          "gf_updateAigRegcodes", "gf_updateArchive"}},
        {"same day, files there",
         true,
         true,
         true,
         false,
         {"lf_archiveFoldersMissing", "gf_readDbase", "gf_readFixesXml"}},
        {"same day, files missing",
         true,
         false,
         false,
         true,
         {"lf_archiveFoldersMissing", "gf_updateDbase", "gf_readDbase", "gf_readFixesXml",
          "gf_updateAigRegcodes", "gf_updateArchive"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.sameDay) {
            DATA_CHECKED_AT_DATE.setValue(gf_scrambledDateStamp());
        }
        if (c.dbaseThere) {
            ksb::test::writeBytes(work / "input" / "dbase.xml", "");
        }
        if (c.regcodesThere) {
            ksb::test::writeBytes(work / "input" / "AIG-regcodes.xml", "");
        }
        services->setResult("lf_archiveFoldersMissing", c.archiveMissing);

        lf_dailyCheck();

        EXPECT_EQ(c.calls, services->calls());
        EXPECT_EQ(gf_scrambledDateStamp(), DATA_CHECKED_AT_DATE.value());
    }
}

} // namespace
