#include "traffic/flight_plans.h"

#include "core/globals.h"
#include "traffic/traffic.h"
#include "traffic/traffic_state.h"

#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/recording_sinks.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A temporary application-data folder, so that the data folder and "orig_dest" are temporary,
// and a link table that records the plan calls.
class FlightPlansTest : public ::testing::Test {
protected:
    FlightPlansTest() : env_("KSBY_APPDATA", appData_.path().string()) {
        gf_resetCoreGlobals(); // forgets a cached data folder
        gf_resetTrafficForTests();
        trafficState.linkServices.setFlightPlan = [this](std::uint32_t object,
                                                         const std::string& path) {
            calls_.emplace_back(object, path);
            return sendSucceeds_;
        };
        trafficState.linkServices.countRequestError = [this] { ++errors_; };
    }
    ~FlightPlansTest() override {
        gf_resetTrafficForTests();
        gf_resetCoreGlobals();
    }

    fs::path folder() const { return appData_.path() / "KSBY_P3D" / "orig_dest"; }

    static LiveAircraft aircraft(AircraftCategory category, std::string departure,
                                 std::string destination) {
        LiveAircraft live;
        live.callsign = "BAW123";
        live.registration = "G-EUUA";
        live.airline = "BAW";
        live.type = "A320";
        live.category = category;
        live.departure = std::move(departure);
        live.destination = std::move(destination);
        live.objectId = 1234;
        return live;
    }

    static std::string plan(const char* type, const char* departure, const char* destination) {
        return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") +
               "<SimBase.Document Type=\"AceXML\" version=\"4,3\">\n" +
               "<FlightPlan.FlightPlan>\n" + "<FPType>" + type + "</FPType>\n" +
               "<DepartureID>" + departure + "</DepartureID>\n" + "<DestinationID>" +
               destination + "</DestinationID>\n" + "</FlightPlan.FlightPlan>\n" +
               "</SimBase.Document>\n";
    }

    ksb::test::TempFolder appData_;
    ksb::test::ScopedEnv env_;
    std::vector<std::pair<std::uint32_t, std::string>> calls_;
    bool sendSucceeds_ = true;
    int errors_ = 0;
};

TEST_F(FlightPlansTest, FileLinesWithTheFlightRulesOfTheCategory) {
    struct Case {
        AircraftCategory category;
        const char* rules;
    };
    const Case cases[] = {
        {AircraftCategory::light, "VFR"},           {AircraftCategory::buzjet, "IFR"},
        {AircraftCategory::large, "IFR"},           {AircraftCategory::heavy, "IFR"},
        {AircraftCategory::highPerformance, "VFR"}, {AircraftCategory::rotorcraft, "VFR"},
    };
    ksb::gf_createFlightPlanFolder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rules);
        const fs::path path = folder() / "plan.pln";
        ASSERT_TRUE(gf_writeFlightPlanFile(path, aircraft(c.category, "EGLL", "KJFK")));
        EXPECT_EQ(ksb::test::readBytes(path), plan(c.rules, "EGLL", "KJFK"));
    }
    EXPECT_EQ(gf_flightPlanFileName(1234), fs::path("1234.pln"));
}

TEST_F(FlightPlansTest, DepartureAndDestinationAreEscaped) {
    ksb::gf_createFlightPlanFolder();
    const fs::path path = folder() / "plan.pln";
    ASSERT_TRUE(gf_writeFlightPlanFile(path, aircraft(AircraftCategory::large, "A<B&C", "\"D'>")));
    EXPECT_EQ(ksb::test::readBytes(path),
              plan("IFR", "A&lt;B&amp;C", "&quot;D&apos;&gt;"));
}

TEST_F(FlightPlansTest, ABoundAircraftGetsItsPlan) {
    ksb::gf_createFlightPlanFolder();
    LiveAircraft live = aircraft(AircraftCategory::heavy, "EGLL", "KJFK");
    lf_setFlightPlan(live);
    const fs::path file = folder() / "1234.pln";
    EXPECT_EQ(ksb::test::readBytes(file), plan("IFR", "EGLL", "KJFK"));
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].first, 1234u);
    EXPECT_EQ(fs::path(calls_[0].second), fs::absolute(file));
    EXPECT_TRUE(live.hasFlightPlan);
    EXPECT_EQ(errors_, 0);

    lf_removeFlightPlanFile(live);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(live.hasFlightPlan);
}

TEST_F(FlightPlansTest, NoPlanWithoutBothEnds) {
    ksb::gf_createFlightPlanFolder();
    ksb::test::RecordingMessageSink messages;
    for (const auto& [departure, destination] :
         {std::pair{"EGLL", ""}, std::pair{"", "KJFK"}, std::pair{"", ""}}) {
        SCOPED_TRACE(std::string(departure) + "->" + destination);
        LiveAircraft live = aircraft(AircraftCategory::large, departure, destination);
        live.hasFlightPlan = true; // kept as it is
        lf_setFlightPlan(live);
        EXPECT_TRUE(live.hasFlightPlan);
    }
    EXPECT_TRUE(fs::is_empty(folder()));
    EXPECT_TRUE(calls_.empty());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(FlightPlansTest, AFailedWriteOrSendCostsOnlyThePlan) {
    struct Case {
        const char* name;
        bool folderInTheWay;
        bool sendSucceeds;
        std::size_t calls;
        int errors;
    };
    const Case cases[] = {
        {"the file cannot be written", true, true, 0, 0},
        {"the simulator refuses the plan", false, false, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder());
        ksb::gf_createFlightPlanFolder();
        if (c.folderInTheWay) {
            fs::create_directory(folder() / "1234.pln");
        }
        calls_.clear();
        errors_ = 0;
        sendSucceeds_ = c.sendSucceeds;
        ksb::test::RecordingMessageSink messages;
        LiveAircraft live = aircraft(AircraftCategory::large, "EGLL", "KJFK");
        live.hasFlightPlan = true;
        lf_setFlightPlan(live);
        EXPECT_FALSE(live.hasFlightPlan);
        EXPECT_EQ(calls_.size(), c.calls);
        EXPECT_EQ(errors_, c.errors);
        EXPECT_EQ(messages.messages(),
                  std::vector<std::string>{"BAW123   G-EUUA BAW A320 creating a flight plan failed !"});
    }
}

TEST_F(FlightPlansTest, FolderCreatedWithTheDataFolderAndReused) {
    ASSERT_FALSE(fs::exists(appData_.path() / "KSBY_P3D"));
    gf_createFlightPlanFolder(); // through the engine's table
    EXPECT_TRUE(fs::is_directory(folder()));
    ksb::test::writeBytes(folder() / "7.pln", "left by a crash");
    gf_createFlightPlanFolder();
    EXPECT_EQ(ksb::test::readBytes(folder() / "7.pln"), "left by a crash");
}

TEST_F(FlightPlansTest, FolderCreationFailureReachesTheCaller) {
    // A file where the data folder must go.
    ksb::test::writeBytes(appData_.path() / "KSBY_P3D", "in the way");
    EXPECT_THROW(gf_createFlightPlanFolder(), fs::filesystem_error);
}

TEST_F(FlightPlansTest, FolderRemovedWhenPresent) {
    ksb::test::LogCapture log;
    EXPECT_FALSE(gf_removeFlightPlanFolder());
    gf_createFlightPlanFolder();
    ksb::test::writeBytes(folder() / "7.pln", "plan");
    EXPECT_TRUE(gf_removeFlightPlanFolder());
    EXPECT_FALSE(fs::exists(folder()));
    EXPECT_TRUE(fs::is_directory(appData_.path() / "KSBY_P3D"));
    EXPECT_FALSE(gf_removeFlightPlanFolder());
    EXPECT_FALSE(log.contains("gf_removeFlightPlanFolder"));
}

} // namespace
