#include "app/start_up.h"
#include "core/codec.h"
#include "core/exceptions.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/run_values.h"
#include "core/time_of_week.h"
#include "start_up_fixture.h"
#include "support/file_bytes.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <system_error>

namespace {

namespace fs = std::filesystem;
using ksb::test::kSetupPath5;
using ksb::test::RecordedExit;

class StartUpTest : public ksb::test::StartUpFixture {
protected:
    // As the window does: the worker is counted before it starts.
    void runWorker() {
        activeWorkers.fetch_add(1);
        lf_startUpKSBY();
        EXPECT_EQ(0, activeWorkers.load());
    }
};

// The text of the file-system error that an operation raises here.
std::string lf_errorOf(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const fs::filesystem_error& e) {
        return e.what();
    }
    ADD_FAILURE() << "the operation did not fail";
    return {};
}

TEST_F(StartUpTest, ANewUserIsTakenToTheRunPhase) {
    runWorker();

    EXPECT_EQ((std::vector<std::string>{"gf_findRealTrafficLicense", "gf_updateDbase",
                                        "gf_readDbase", "gf_readFixesXml", "gf_checkProgramVersion",
                                        "gf_updateAigRegcodes", "gf_updateArchive",
                                        "gf_readAirports", "gf_scanLiveries(true, true, false, {})",
                                        "gf_scanAddonAirports(true, {})", "lf_run"}),
              services->calls());
    for (const char* folder :
         {"output", "output/info", "output/errors", "airports", "airports/learned",
          "airports/learned/stock", "airports/learned/ORBX", "airports/learned/thirdparty",
          "airports/my_ORBX", "airports/my_thirdparty", "input", "input/my_regcodes"}) {
        EXPECT_TRUE(fs::is_directory(work / folder)) << folder;
    }
    EXPECT_EQ("9.3.0", stored("PROGRAM_VERSION"));
    EXPECT_EQ(fs::current_path().string(), stored("PROGRAM_INSTALL_PATH"));
    EXPECT_EQ(R"({"License":"fill in your license here","Name":"not relevant"})",
              ksb::test::readBytes(work / "RealTraffic.lic"));
    EXPECT_TRUE(log->contains("A RealTraffic license file \"RealTraffic.lic\" created to fill in "
                              "your license"));
    const auto body = log->body();
    EXPECT_NE(body.end(), std::find(body.begin(), body.end(), "P3Dv5detected"));
    // Detected for this run and shown, not saved.
    EXPECT_EQ(kSetupPath5, SIM_INSTALL_PATH.value());
    EXPECT_EQ(kSetupPath5, widget(SIM_INSTALL_PATH).text);
    EXPECT_EQ("", stored("SIM_INSTALL_PATH"));
    EXPECT_EQ(std::string(kSetupPath5) + "Scenery", stockAirportsPath.text());
    EXPECT_TRUE(log->contains(std::string("Stock airports path does not exist: ") + kSetupPath5 +
                              "Scenery"));
    EXPECT_EQ(gf_scrambledDateStamp(), stored("DATA_CHECKED_AT_DATE"));
    EXPECT_EQ("false", stored("SCAN_LIVERIES"));
    EXPECT_EQ("false", stored("SCAN_AIRPORTS"));
    EXPECT_EQ(gf_currentDayHalfHour(), dayHalfHourNow.load());
    EXPECT_GE(workerLimit.load(), 1);
    EXPECT_EQ(0, runningWorkers.load());
    EXPECT_EQ(300, liveLimit.load());
    EXPECT_EQ(300, userMaxLive.load());
    EXPECT_EQ(40, userLateralRange.load());
    EXPECT_EQ(40.0, injectionRadiusNm.load());
    EXPECT_EQ(84080, injectionRadiusMetres.load());
    EXPECT_EQ("", mainWindow.errorText());
    EXPECT_TRUE(exits->all().empty());
    // LAST_EPOCH_TIME 0: neither a since-last-run line nor a hold.
    EXPECT_FALSE(log->contains("since last run"));
    EXPECT_TRUE(clock->sleeps().empty());
}

TEST_F(StartUpTest, TheWiredAirportScanFindsNothingAndWarns) {
    // The real scan reads the simulator's scenery lists: none in an empty program-data folder.
    const ksb::test::TempFolder programData;
    const ksb::test::ScopedEnv programDataEnv("KSBY_PROGRAMDATA", programData.path().string());
    services.reset();
    // The aircraft database is real now and has no input/dbase.xml here; the rest stays wired.
    StartupServices onlyDbase;
    onlyDbase.readDbase = [] { return true; };
    onlyDbase.readFixesXml = [] { return true; };
    onlyDbase.scanLiveries = [](bool, bool, bool, std::vector<std::string>&) { return true; };
    // The real list would need input/airports_p3d.xml.
    onlyDbase.readAirports = [] {};
    // The real run would wait for a simulator.
    onlyDbase.run = [] {};
    gf_setStartupServices(onlyDbase);
    runWorker();
    gf_wireStartupServices();
    EXPECT_EQ("Warning: Scan has not found any add-on airports", mainWindow.messageText());
    EXPECT_TRUE(log->contains("Warning: Scan has not found any add-on airports"));
    EXPECT_EQ("false", stored("SCAN_LIVERIES"));
    EXPECT_EQ("true", stored("SCAN_AIRPORTS"));
    EXPECT_EQ("", mainWindow.errorText());
    EXPECT_TRUE(exits->all().empty());
}

TEST_F(StartUpTest, EveryControlInItsRunState) {
    struct Expected {
        const ParameterControl* control;
        bool enabled;
        std::string text;
        bool checked;
    };
    // After a first start of the day with the defaults (both scans found something).
    const std::vector<Expected> defaults{
        {&SIM_INSTALL_PATH, true, kSetupPath5, false},
        {&SCAN_LIVERIES, true, "", false},
        {&LIG_AUTOMATIC, true, "", true},
        {&LIG_PRIORITIZE, true, "", false},
        {&SUPPRESS_STUB, true, "", true},
        {&LOG, true, "", true},
        {&ALWAYS_ON_TOP, true, "", false},
        {&SCAN_AIRPORTS, true, "", false},
        {&AFG_AUTOMATIC, true, "", true},
        {&NAV_LIGHTS_WHILE_PARKED, true, "", true},
        {&LEARN_SOFT, false, "", true},
        {&MATCHING_DEPTH, true, "4", false},
        {&LIGHT_AIRCRAFT, true, "", true},
        {&HELICOPTERS, true, "", true},
        {&HIGH_PERF_AIRCRAFT, true, "", true},
        {&GUID_CHANGES, true, "", true},
        {&LATERAL_RANGE, true, "40", false},
        {&AUTO_RANGE, true, "", true},
        {&MAX_LIVE, true, "", false},
        {&CHECK_VERSION_BUTTON, false, "Check version", false},
        {&TIME_SHIFT_DAYS, true, "0", false},
        {&COLLISION_USER_GND, true, "", true},
        {&COLLISION_USER_AIR, true, "", true},
        {&COLLISION_LIVE_PARKED_GND, true, "", false},
        {&SIM_TIME, true, "", false},
        {&TIME_SHIFT_HOURS, true, "0", false},
        {&BLOCK_CALLSIGN, true, "", false},
        {&UNBLOCK_BUTTON, false, "Unblock", false},
        {&KEEP_SIM_TIME_PAR, true, "", false},
        {&TIME_SHIFT_MINS, true, "0", false},
        {&AIRPORT_RANGE, true, "20", false},
        {&AIRPORT_HEIGHT, true, "18000", false},
        {&PARK_FAKE, true, "", false},
        {&WEEK, true, "", false},
        {&PARK_SOFT, true, "", true},
        {&parking_percentage, false, "30", false},
        {&INITIAL_LOAD_ONLY, true, "", false},
        {&MAX_FIT_FL, true, "24", false},
        {&RT_PARKTRAFFIC_ONLY, true, "", false},
        {&FLUSH_STATIC_BUTTON, false, "Flush static", false},
        {&REREAD_BUTTON, false, "Re-read", false},
    };
    ASSERT_EQ(controlTable().size(), defaults.size());

    using Change = std::function<void(Expected&)>;
    const auto field = [](bool enabled, std::string text) -> Change {
        return [=](Expected& e) {
            e.enabled = enabled;
            e.text = text;
        };
    };
    const auto check = [](Expected& e) { e.checked = true; };
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> stored;
        std::vector<std::pair<const ParameterControl*, Change>> changes;
        bool shiftActive;
        std::vector<std::string> offsetCalls;
    };
    const std::string today = gf_scrambledDateStamp();
    const Case cases[] = {
        {"defaults", {}, {}, false, {}},
        {"simulator time",
         {{"SIM_TIME", "true"}},
         {{&SIM_TIME, check},
          {&TIME_SHIFT_DAYS, field(false, "0")},
          {&TIME_SHIFT_HOURS, field(false, "0")},
          {&TIME_SHIFT_MINS, field(false, "0")}},
         false,
         {}},
        {"stored time shift",
         {{"TIME_SHIFT_DAYS", "1"}, {"TIME_SHIFT_HOURS", "2"}, {"TIME_SHIFT_MINS", "5"}},
         {{&TIME_SHIFT_DAYS, field(true, "1")},
          {&TIME_SHIFT_HOURS, field(true, "2")},
          {&TIME_SHIFT_MINS, field(true, "5")}},
         true,
         {"gf_rtSetTimeOffset(1565)"}},
        {"simulator time with a stored time shift",
         {{"SIM_TIME", "true"},
          {"TIME_SHIFT_DAYS", "1"},
          {"TIME_SHIFT_HOURS", "2"},
          {"TIME_SHIFT_MINS", "5"}},
         {{&SIM_TIME, check},
          {&TIME_SHIFT_DAYS, field(false, "1")},
          {&TIME_SHIFT_HOURS, field(false, "2")},
          {&TIME_SHIFT_MINS, field(false, "5")}},
         false,
         {}},
        {"same day, a blocked callsign and a live limit",
         {{"DATA_CHECKED_AT_DATE", today}, {"BLOCK_CALLSIGN", "AB12"}, {"MAX_LIVE", "100"}},
         {{&CHECK_VERSION_BUTTON, field(true, "Check version")},
          {&UNBLOCK_BUTTON, field(true, "Unblock")},
          {&BLOCK_CALLSIGN, field(true, "AB12")},
          {&MAX_LIVE, field(true, "100")}},
         false,
         {}},
        // Start-up enables the parked-traffic controls again after the switch disabled them, and
        // shows MAX_FIT_FL, as the start-up sequence is written.
        {"parked traffic from the service only",
         {{"RT_PARKTRAFFIC_ONLY", "true"}},
         {{&RT_PARKTRAFFIC_ONLY, check}, {&parking_percentage, field(false, "")}},
         false,
         {}},
        {"install path set and automatic range off",
         {{"SIM_INSTALL_PATH", "D:\\P3D v6"}, {"AUTO_RANGE", "false"}},
         {{&SIM_INSTALL_PATH, field(true, "D:\\P3D v6")},
          {&AUTO_RANGE, [](Expected& e) { e.checked = false; }}},
         false,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (!c.stored.empty()) {
            writeParameters(c.stored);
        }

        runWorker();

        ASSERT_EQ("", mainWindow.errorText());
        std::vector<Expected> expected = defaults;
        for (const auto& [control, change] : c.changes) {
            for (Expected& e : expected) {
                if (e.control == control) {
                    change(e);
                }
            }
        }
        for (const Expected& e : expected) {
            const auto* parameter = dynamic_cast<const Parameter*>(e.control);
            SCOPED_TRACE(parameter != nullptr ? parameter->name() : "?");
            const auto shown = widget(*e.control);
            EXPECT_EQ(e.enabled, shown.enabled);
            EXPECT_EQ(e.text, shown.text);
            EXPECT_EQ(e.checked, shown.checked);
        }
        EXPECT_EQ(c.shiftActive, timeShiftActive.load());
        std::vector<std::string> offsets;
        for (const std::string& call : services->calls()) {
            if (call.rfind("gf_rtSetTimeOffset", 0) == 0) {
                offsets.push_back(call);
            }
        }
        EXPECT_EQ(c.offsetCalls, offsets);
        EXPECT_TRUE(mainWindow.timeShiftControlsEnabled.load());
        EXPECT_EQ(c.name == std::string("install path set and automatic range off"),
                  !log->contains("P3Dv5detected"));
    }
}

TEST_F(StartUpTest, ASecondRunInTheProcessSkipsTheDatabaseAndTheDailyUpdates) {
    runWorker();
    ksb::test::writeBytes(work / "input" / "dbase.xml", "<dbase/>");
    ksb::test::writeBytes(work / "input" / "AIG-regcodes.xml", "<regcodes/>");
    ksb::test::writeBytes(work / "output" / "LiveriesScanned.xml", "<liveries/>");
    services->clearCalls();

    runWorker();

    EXPECT_EQ((std::vector<std::string>{"gf_findRealTrafficLicense", "lf_archiveFoldersMissing",
                                        "gf_readAirports",
                                        "gf_scanLiveries(false, true, false, {})", "lf_run"}),
              services->calls());
    EXPECT_EQ("", mainWindow.errorText());
}

TEST_F(StartUpTest, WithoutTheDocsFolderNothingIsCreatedOrRead) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"no docs", [this] { fs::remove(work / "docs"); }},
        {"docs is a file",
         [this] {
             fs::remove(work / "docs");
             ksb::test::writeBytes(work / "docs", "");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.arrange();

        runWorker();

        EXPECT_EQ("41: KSBY_P3D must be run from the KSBY_P3D folder!", mainWindow.errorText());
        EXPECT_TRUE(exits->all().empty());
        EXPECT_TRUE(services->calls().empty());
        EXPECT_FALSE(fs::exists(work / "output"));
        EXPECT_FALSE(fs::exists(parametersFile()));
        EXPECT_FALSE(log->contains("parameters"));
        // So the exit will not save the defaults over the stored settings.
        EXPECT_FALSE(parametersLoaded.load());
    }
}

TEST_F(StartUpTest, FileSystemFailuresEndStartUpWithASystemError) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::function<void()> failingOperation;
        bool parametersRead;
    };
    const Case cases[] = {
        {"the state of docs cannot be read",
         [this] {
             fs::remove(work / "docs");
             fs::create_symlink("docs", work / "docs");
         },
         [] { (void)fs::status("docs"); }, false},
        {"a folder cannot be created", [this] { ksb::test::writeBytes(work / "output", ""); },
         [] { fs::create_directory("output/info"); }, false},
        {"the old installer cannot be removed",
         [this] {
             writeParameters({{"PROGRAM_VERSION", "9.2.0"}, {"MAX_FIT", "60"}});
             ksb::test::writeBytes(work / "install_new_version.exe" / "inside", "");
         },
         [] { fs::remove("install_new_version.exe"); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.arrange();
        const std::string expected = "lf_startUpKSBY: " + lf_errorOf(c.failingOperation);

        runWorker();

        EXPECT_EQ(expected, mainWindow.errorText());
        EXPECT_EQ((std::vector<RecordedExit>{{ExitReason::SYSTEM_ERROR, 0}}), exits->all());
        EXPECT_TRUE(services->calls().empty());
        if (c.parametersRead) {
            // Nothing of the update is stored, so the next start runs it again.
            EXPECT_EQ("9.2.0", stored("PROGRAM_VERSION"));
            EXPECT_EQ("60", stored("MAX_FIT"));
        } else {
            EXPECT_FALSE(fs::exists(parametersFile()));
        }
    }
}

TEST_F(StartUpTest, NeighbourFailuresReachTheReporterUnchanged) {
    struct Case {
        const char* name;
        const char* call;
        std::function<void()> fail;
        std::string error;
        bool systemError;
        bool dayStored;
    };
    const std::string newVersion = "New version 9.4.0 available. Exit here, and run as "
                                   "administrator:   \"/ksby/install_new_version.exe\"";
    const Case cases[] = {
        {"two licences", "gf_findRealTrafficLicense",
         [] { throw ksb::UserErrorException(900, "You have two different RT licenses?"); },
         "900: You have two different RT licenses?", false, false},
        {"a new program version", "gf_checkProgramVersion",
         [&] { throw ksb::UserErrorException(99, newVersion); }, newVersion, false, false},
        {"the aircraft database", "gf_readDbase",
         [] { throw std::runtime_error("decrypt airl \"AB\" error"); },
         "lf_startUpKSBY: decrypt airl \"AB\" error", true, false},
        {"the airports list", "gf_readAirports",
         [] {
             throw ksb::UserErrorException(88,
                                           "input/airports_p3d.xml not loaded File was not found");
         },
         "88: input/airports_p3d.xml not loaded File was not found", false, true},
        {"a download", "gf_updateDbase",
         [] {
             throw fs::filesystem_error("remove", "version.json",
                                        std::make_error_code(std::errc::is_a_directory));
         },
         "lf_startUpKSBY: " +
             std::string(fs::filesystem_error("remove", "version.json",
                                              std::make_error_code(std::errc::is_a_directory))
                             .what()),
         true, false},
        {"the livery scan", "gf_scanLiveries", [] { throw ksb::SysErrorException(400, "scan"); },
         "lf_startUpKSBY: sys error 400: scan", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        services->onCall(c.call, c.fail);

        runWorker();

        EXPECT_EQ(c.error, mainWindow.errorText());
        const std::vector<RecordedExit> systemError{{ExitReason::SYSTEM_ERROR, 0}};
        EXPECT_EQ(c.systemError ? systemError : std::vector<RecordedExit>{}, exits->all());
        const auto names = services->names();
        EXPECT_EQ(c.call, names.back());
        EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), "lf_run"));
        // The day is stored last: a failure before leaves it unchecked.
        EXPECT_EQ(c.dayStored ? gf_scrambledDateStamp() : "",
                  stored("DATA_CHECKED_AT_DATE").value_or(""));
    }
}

TEST_F(StartUpTest, TheTimeSinceTheLastRunIsLoggedAndHeldInVirtualTime) {
    struct Case {
        const char* name;
        std::int64_t secondsAgo;
        const char* line;
        std::vector<std::chrono::nanoseconds> sleeps;
    };
    using std::chrono::seconds;
    const Case cases[] = {
        {"just now", 0, "0 seconds since last run", {seconds(2)}},
        {"a second ago", 1, "1 second since last run", {seconds(1)}},
        {"two seconds ago", 2, "2 seconds since last run", {}},
        {"a minute ago", 61, "1 minute and 1 second since last run", {}},
        {"in the future", -5, "-5 second since last run", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const auto now = static_cast<std::int64_t>(ksb::gf_utcSecondsNow());
        writeParameters({{"PROGRAM_VERSION", "9.3.0"},
                         {"LAST_EPOCH_TIME", std::to_string(now - c.secondsAgo)}});

        runWorker();

        const auto body = log->body();
        EXPECT_NE(body.end(), std::find(body.begin(), body.end(), c.line));
        EXPECT_EQ(c.sleeps, clock->sleeps());
        if (c.sleeps.empty()) {
            EXPECT_FALSE(log->contains("Holding for"));
        } else {
            EXPECT_TRUE(log->contains(fmt::format(
                "Holding for {} seconds... (RT API cannnot be revisited within 2 seconds)",
                std::chrono::duration_cast<seconds>(c.sleeps[0]).count())));
        }
        EXPECT_EQ("lf_run", services->names().back());
    }
}

TEST_F(StartUpTest, AnExitOrStopDuringTheScansEndsTheWorker) {
    struct Case {
        const char* name;
        const char* call;
        std::function<void()> flag;
        std::vector<RecordedExit> exits;
    };
    const Case cases[] = {
        {"exit during the livery step", "gf_scanLiveries", [] { exitInProgress = 1; }, {}},
        {"stop during the livery step", "gf_scanLiveries", [] { stopRequested = 1; }, {}},
        {"new run generation during the livery step",
         "gf_scanLiveries",
         [] { ++runGeneration; },
         {}},
        {"stop during the airport step",
         "gf_scanAddonAirports",
         [] { stopRequested = 1; },
         {{ExitReason::USER_CLOSED_SIM, 1}}},
        {"exit during the airport step",
         "gf_scanAddonAirports",
         [] { exitInProgress = 1; },
         {{ExitReason::USER_CLOSED_SIM, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        // A hold would be due: the flag must end it at once.
        writeParameters({{"LAST_EPOCH_TIME",
                          std::to_string(static_cast<std::int64_t>(ksb::gf_utcSecondsNow()))}});
        services->onCall(c.call, c.flag);

        runWorker();

        EXPECT_EQ(c.call, services->names().back());
        EXPECT_EQ(c.exits, exits->all());
        EXPECT_TRUE(clock->sleeps().empty());
        EXPECT_EQ("", mainWindow.errorText());
    }
}

TEST_F(StartUpTest, TheAddOnAirportCountersFollowTheScanOutput) {
    services->onCall("gf_scanAddonAirports", [this] {
        ksb::test::writeBytes(work / "airports" / "my_ORBX" / "EGLL.xml", "");
        ksb::test::writeBytes(work / "airports" / "my_ORBX" / "EGKK.txt", "");
        ksb::test::writeBytes(work / "airports" / "my_thirdparty" / "KSEA.xml", "");
        fs::create_directory(work / "airports" / "my_thirdparty" / "sub");
    });
    runWorker();
    EXPECT_EQ(2, mainWindow.orbxAirports.load());
    EXPECT_EQ(1, mainWindow.thirdpartyAirports.load());
    const auto regions = port.invalidated();
    EXPECT_NE(regions.end(), std::find(regions.begin(), regions.end(), kStatusRegion));
}

} // namespace
