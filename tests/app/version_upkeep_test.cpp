#include "app/start_up.h"
#include "app/version_upkeep.h"
#include "core/log.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "core/run_values.h"
#include "start_up_fixture.h"
#include "support/file_bytes.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using ksb::test::readBytes;
using ksb::test::writeBytes;

constexpr const char* kTemplate =
    R"({"License":"fill in your license here","Name":"not relevant"})";

class VersionUpkeepTest : public ksb::test::StartUpFixture {
protected:
    fs::path appLicence() const { return appData / "InsideSystems" / "RealTraffic.lic"; }

    // parameters.xml read, then its upkeep; the log from there on is upkeep's.
    void loadAndUpkeep() {
        gf_readParameters(gf_parameterLists());
        mark_ = log->body().size();
        lf_updateParametersVersion();
    }

    // Upkeep's log lines, without the lines of each save of the file.
    std::vector<std::string> upkeepLines() const {
        std::vector<std::string> lines;
        const auto body = log->body();
        for (std::size_t i = mark_; i < body.size(); ++i) {
            const std::string& line = body[i];
            if (line.size() < 7 || line.compare(line.size() - 7, 7, "\" saved") != 0) {
                lines.push_back(line);
            }
        }
        return lines;
    }

private:
    std::size_t mark_ = 0;
};

TEST_F(VersionUpkeepTest, FirstRunStoresTheVersionAndBringsALicence) {
    struct Case {
        const char* name;
        bool inWorkingFolder;
        bool inAppData;
        std::string licence;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"licence in the working folder", true, true, "mine", {"PROGRAM_VERSION=9.3.0"}},
        {"licence of the RealTraffic app",
         false,
         true,
         "app's",
         {"PROGRAM_VERSION=9.3.0", "copied your \"" + appLicence().string() + "\" to here"}},
        {"no licence anywhere",
         false,
         false,
         kTemplate,
         {"PROGRAM_VERSION=9.3.0",
          "A RealTraffic license file \"RealTraffic.lic\" created to fill in your license"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.inWorkingFolder) {
            writeBytes(work / "RealTraffic.lic", "mine");
        }
        if (c.inAppData) {
            writeBytes(appLicence(), "app's");
        }

        loadAndUpkeep();

        EXPECT_EQ("9.3.0", stored("PROGRAM_VERSION"));
        EXPECT_EQ(c.licence, readBytes(work / "RealTraffic.lic"));
        EXPECT_EQ(c.lines, upkeepLines());
    }
}

TEST_F(VersionUpkeepTest, StoredVersions) {
    struct Case {
        const char* name;
        std::string version;
        bool licenceThere;
        std::string storedVersion;
        std::vector<std::string> lines;
        bool update;
    };
    const std::string created =
        "A RealTraffic license file \"RealTraffic.lic\" created to fill in your license";
    const std::vector<std::string> removals{"Parameter TIME_COMPRESSION_CHECK removed",
                                            "Parameter SECONDS_DELAY removed",
                                            "Parameter FLIGHTPLANS_FOLDER removed",
                                            "Parameter CALLSIGN_OBJECTID removed",
                                            "Parameter DESTINATION_AIRPORT removed",
                                            "Parameter DESTINATION_GATE removed",
                                            "Parameter MAX_FIT_WEEK removed"};
    const auto update = [&](const std::string& from) {
        std::vector<std::string> lines{"This is a version update from " + from + " -> 9.3.0",
                                       "PROGRAM_VERSION=9.3.0"};
        lines.insert(lines.end(), removals.begin(), removals.end());
        lines.insert(lines.end(), {"MAX_FIT=47", "LAST_EPOCH_TIME=0"});
        return lines;
    };
    const Case cases[] = {
        {"equal, licence there", "9.3.0", true, "9.3.0", {}, false},
        {"equal, licence missing", "9.3.0", false, "9.3.0", {created}, false},
        {"higher", "10.0.1", true, "9.3.0", {"PROGRAM_VERSION=9.3.0"}, false},
        {"higher, licence missing",
         "9.3.1",
         false,
         "9.3.0",
         {"PROGRAM_VERSION=9.3.0", created},
         false},
        // A version update does not look at the licence.
        {"lower", "9.2.11", false, "9.3.0", update("9.2.11"), true},
        {"lower by major", "8.9.9", true, "9.3.0", update("8.9.9"), true},
        {"unparsable", "nine", false, "9.3.0", update("0.0.0"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        writeParameters({{"PROGRAM_VERSION", c.version},
                         {"TIME_COMPRESSION_CHECK", "1"},
                         {"SECONDS_DELAY", "2"},
                         {"FLIGHTPLANS_FOLDER", "x"},
                         {"CALLSIGN_OBJECTID", "3"},
                         {"DESTINATION_AIRPORT", "EHAM"},
                         {"DESTINATION_GATE", "G1"},
                         {"MAX_FIT_WEEK", "4"},
                         {"MAX_FIT", "60"},
                         {"LAST_EPOCH_TIME", "1779999000"},
                         {"DATA_CHECKED_AT_DATE", "STAMP"}});
        if (c.licenceThere) {
            writeBytes(work / "RealTraffic.lic", "mine");
        }
        writeBytes(work / "install_new_version.exe", "MZ");

        loadAndUpkeep();

        EXPECT_EQ(c.storedVersion, stored("PROGRAM_VERSION"));
        EXPECT_EQ(c.lines, upkeepLines());
        EXPECT_EQ(c.licenceThere || !c.update, fs::exists(work / "RealTraffic.lic"));
        EXPECT_EQ(!c.update, fs::exists(work / "install_new_version.exe"));
        // Loaded values are clamped in memory; the file keeps what it had until upkeep saves.
        EXPECT_EQ(47, MAX_FIT.value());
        EXPECT_EQ(c.update ? "47" : "60", stored("MAX_FIT"));
        EXPECT_EQ(c.update ? 0 : 1779999000, LAST_EPOCH_TIME.value());
        EXPECT_EQ(c.update ? "0" : "1779999000", stored("LAST_EPOCH_TIME"));
        // An update makes the next daily check a new day (in memory only).
        EXPECT_EQ(c.update ? "" : "STAMP", DATA_CHECKED_AT_DATE.value());
        EXPECT_EQ("STAMP", stored("DATA_CHECKED_AT_DATE"));
        EXPECT_EQ(!c.update, stored("MAX_FIT_WEEK").has_value());
        EXPECT_EQ(!c.update, stored("TIME_COMPRESSION_CHECK").has_value());
    }
}

TEST_F(VersionUpkeepTest, ALicenceThatCannotBeBroughtIsLoggedAndStartUpGoesOn) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string line;
        bool written;
    };
    const Case cases[] = {
        // The copy fails (the app's licence is a folder): the template takes its place.
        {"copy fails", [this] { fs::create_directories(appLicence()); },
         "A RealTraffic license file \"RealTraffic.lic\" created to fill in your license", true},
        {"template cannot be written",
         [this] { fs::create_directory(work / "RealTraffic.lic.tmp"); },
         "===> RealTraffic license file \"RealTraffic.lic\" could not be written", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        c.arrange();

        loadAndUpkeep();

        EXPECT_EQ((std::vector<std::string>{"PROGRAM_VERSION=9.3.0", c.line}), upkeepLines());
        EXPECT_EQ(c.written, fs::exists(work / "RealTraffic.lic"));
        EXPECT_EQ("9.3.0", stored("PROGRAM_VERSION"));
    }
}

TEST_F(VersionUpkeepTest, TheRangeAndInjectionRadiusFollowTheLoadedLateralRange) {
    writeParameters({{"PROGRAM_VERSION", "9.3.0"}, {"LATERAL_RANGE", "250"}});
    lf_loadAllParameters();
    EXPECT_EQ(100, LATERAL_RANGE.value());
    EXPECT_EQ(100.0, injectionRadiusNm.load());
    EXPECT_EQ(100 * 1852 + 10000, injectionRadiusMetres.load());
}

} // namespace
