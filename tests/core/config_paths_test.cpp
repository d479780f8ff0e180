#include "core/config_paths.h"
#include "core/globals.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

using ksb::test::ScopedEnv;

TEST(ConfigPathsTest, DataFolderAndParametersFileFollowApplicationDataAfterReset) {
    ksb::test::TempFolder folder;
    const std::filesystem::path first = folder / "first";
    const std::filesystem::path second = folder / "zweiter Ördner";
    {
        ScopedEnv appData("KSBY_APPDATA", first.string());
        EXPECT_EQ(gf_getAppDataPath(), first);
        EXPECT_EQ(gf_dataFolder(), first / "KSBY_P3D");
        EXPECT_EQ(gf_parametersFile(), first.string() + "/KSBY_P3D/parameters.xml");
    }
    ScopedEnv appData("KSBY_APPDATA", second.string());
    // Computed once; the environment is read again only after a reset.
    EXPECT_EQ(gf_getAppDataPath(), second);
    EXPECT_EQ(gf_dataFolder(), first / "KSBY_P3D");
    EXPECT_EQ(gf_parametersFile(), first.string() + "/KSBY_P3D/parameters.xml");

    gf_resetCoreGlobals();
    EXPECT_EQ(gf_parametersFile(), second.string() + "/KSBY_P3D/parameters.xml");
    EXPECT_EQ(gf_dataFolder(), second / "KSBY_P3D");
}

TEST(ConfigPathsTest, DataFolderFollowsTheXdgFolderWithoutOverride) {
    ScopedEnv appData("KSBY_APPDATA", std::nullopt);
    ScopedEnv config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(gf_dataFolder(), std::filesystem::path("/cfg/KSBY_P3D"));
    EXPECT_EQ(gf_parametersFile(), "/cfg/KSBY_P3D/parameters.xml");
}

TEST(ConfigPathsTest, WorkingFolderPaths) {
    struct Case {
        const char* name;
        std::filesystem::path path;
        const char* expected;
    };
    const Case cases[] = {
        {"docs", std::filesystem::path(kDocsFolder), "docs"},
        {"offline learning", std::filesystem::path(kOfflineLearningFolder),
         "TO_BE_LEARNED_OFFLINE"},
        {"airports list", std::filesystem::path(kAirportsListFile), "airports_p3d.xml"},
        {"info", gf_infoFolderPath(), "output/info"},
        {"errors", gf_errorsFolderPath(), "output/errors"},
        {"archive", gf_archiveFolderPath(), "airports/archive"},
        {"archive stock", gf_archiveStockFolderPath(), "airports/archive/stock"},
        {"archive ORBX", gf_archiveOrbxFolderPath(), "airports/archive/ORBX"},
        {"archive thirdparty", gf_archiveThirdPartyFolderPath(), "airports/archive/thirdparty"},
        {"learned stock", gf_learnedStockFolderPath(), "airports/learned/stock"},
        {"learned ORBX", gf_learnedOrbxFolderPath(), "airports/learned/ORBX"},
        {"learned thirdparty", gf_learnedThirdPartyFolderPath(), "airports/learned/thirdparty"},
        {"my ORBX", gf_myOrbxFolderPath(), "airports/my_ORBX"},
        {"my thirdparty", gf_myThirdPartyFolderPath(), "airports/my_thirdparty"},
        {"registration codes", gf_regcodesFilePath(), "input/AIG-regcodes.xml"},
        {"own registration codes", gf_myRegcodesFolderPath(), "input/my_regcodes"},
        {"liveries file", gf_liveriesFilePath(), "output/LiveriesScanned.xml"},
        {"park airports", gf_parkAirportsFilePath(), "airports/my_park_airports.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.path.string(), c.expected);
    }
}

} // namespace
