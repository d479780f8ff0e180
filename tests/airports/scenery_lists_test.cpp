// The scenery lists: active areas of scenery.cfg, <Path> lines of scenery_add-ons.xml, read in
// place, in every encoding the simulator writes, and the two real scenery.cfg files.
#include "airports/addon_scan.h"
#include "airports_test_fixture.h"
#include "core/globals.h"
#include "core/parameters.h"
#include "support/realdata.h"
#include "support/scoped_env.h"

#include <gtest/gtest.h>

namespace ksb::test {
namespace {

namespace fs = std::filesystem;

class SceneryListsTest : public AirportsTest {
protected:
    void SetUp() override {
        AirportsTest::SetUp();
        setInstallPath("S:\\Prepar3D v5");
    }
    void TearDown() override {
        stockAirportsPath.set("");
        AirportsTest::TearDown();
    }
    // As start-up sets both.
    static void setInstallPath(const std::string& installPath) {
        SIM_INSTALL_PATH.assign(installPath);
        std::string stock = installPath;
        if (!stock.empty() && stock.back() != '\\') {
            stock += '\\';
        }
        stockAirportsPath.set(stock + "Scenery");
    }
    std::vector<std::string> readCfg(const std::string& text) {
        writeBytes("scenery.cfg", text);
        std::vector<std::string> folders;
        lf_readSceneryCfgFile("scenery.cfg", folders);
        return folders;
    }
};

TEST_F(SceneryListsTest, ActiveAreasGiveTheirLocalFolders) {
    struct Case {
        const char* name;
        std::string installPath;
        std::string text;
        std::vector<std::string> folders;
    };
    const std::string install = "S:\\Prepar3D v5";
    const Case cases[] = {
        {"inactive area", install, "[Area.001]\nLocal=D:\\A\nActive=FALSE\n", {}},
        {"last area without a header after it", install,
         "[Area.001]\nActive=FALSE\nLocal=D:\\A\n[Area.002]\nActive=TRUE\nLocal=D:\\B",
         {"D:\\B"}},
        {"lines before the first header", install,
         "Local=D:\\X\nActive=TRUE\n[Area.001]\nActive=TRUE\nLocal=D:\\A\n", {"D:\\A"}},
        {"a General section", install,
         "[General]\nActive=TRUE\nLocal=D:\\G\n[Area.001]\nActive=FALSE\nLocal=D:\\A\n", {}},
        {"Title, Layer and Required lines dropped", install,
         "[Area.001]\nTitle=Active local=D:\\T true\nLayer=1 local=D:\\L\n"
         "Required=FALSE local=D:\\R\nLocal=D:\\A\nActive=FALSE\n",
         {}},
        {"a relative value", install, "[Area.001]\nActive=TRUE\nLocal=Addon Scenery\\MyAirport\n",
         {"S:\\Prepar3D v5\\Addon Scenery\\MyAirport"}},
        {"an absolute value", install, "[Area.001]\n  Active = TRUE\r\n  Local = D:\\Sceneries\\EHAM \n",
         {"D:\\Sceneries\\EHAM"}},
        {"a stock name", install, "[Area.001]\nActive=TRUE\nLocal=D:\\Addons\\World\\X\n", {}},
        {"inside the stock folder", install,
         "[Area.001]\nActive=TRUE\nLocal=Scenery\\Custom\n[Area.002]\nActive=TRUE\n"
         "Local=S:\\Prepar3D v5\\Scenery\\Other\n",
         {}},
        {"BayArea", install, "[Area.001]\nActive=TRUE\nLocal=D:\\Sceneries\\BayArea\n",
         {"D:\\Sceneries\\BayArea"}},
        {"an empty install path", "",
         "[Area.001]\nActive=TRUE\nLocal=Addon Scenery\n[Area.002]\nActive=TRUE\n"
         "Local=Scenery\\Custom\n",
         {"Addon Scenery", "Scenery\\Custom"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setInstallPath(c.installPath);
        EXPECT_EQ(readCfg(c.text), c.folders);
    }
}

TEST_F(SceneryListsTest, LogsWhatItReadsAndFinds) {
    EXPECT_EQ(readCfg("[Area.001]\nActive=TRUE\nLocal=D:\\A\n"),
              (std::vector<std::string>{"D:\\A"}));
    const std::vector<std::string> body = logLines();
    const std::vector<std::string> expected{"", "Reading: scenery.cfg for airport add-ons ...",
                                            "      found:D:\\A", "1 scenery add-on paths found",
                                            ""};
    ASSERT_GE(body.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(body.end() - 5, body.end()), expected);
}

TEST_F(SceneryListsTest, ReadsEveryEncodingAndReportsAMissingFile) {
    const std::string utf8Bom = "\xEF\xBB\xBF[Area.001]\nActive=TRUE\nLocal=D:\\\xC3\x84rea\n";
    std::string utf16;
    for (const char c : std::string("\xFF\xFE")) {
        utf16 += c;
    }
    for (const char c : std::string("[Area.001]\r\nActive=TRUE\r\nLocal=D:\\A\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    EXPECT_EQ(readCfg(utf8Bom), (std::vector<std::string>{"D:\\\xC3\x84rea"}));
    EXPECT_EQ(readCfg(utf16), (std::vector<std::string>{"D:\\A"}));
    std::vector<std::string> folders{"kept"};
    freshLog();
    lf_readSceneryCfgFile("missing.cfg", folders);
    lf_readSceneryAddOnsXmlFile("missing.xml", folders);
    EXPECT_EQ(folders, (std::vector<std::string>{"kept"}));
    EXPECT_TRUE(log->contains("missing.cfg not found!"));
    EXPECT_TRUE(log->contains("missing.xml not found!"));
    EXPECT_TRUE(log->contains("0 scenery add-on paths found"));
}

TEST_F(SceneryListsTest, AddOnsXmlGivesEveryNonEmptyPath) {
    writeBytes("scenery_add-ons.xml",
               "<?xml version=\"1.0\"?>\n<SceneryAddons>\n"
               "  <AddOn><Path>D:\\Sceneries\\EHAM</Path></AddOn>\n"
               "  <AddOn><Path></Path></AddOn>\n  <AddOn><Name>none</Name></AddOn>\n"
               "  <AddOn><Path>S:\\Prepar3D v5\\Scenery\\World</Path></AddOn>\n</SceneryAddons>\n");
    std::vector<std::string> folders;
    lf_readSceneryAddOnsXmlFile("scenery_add-ons.xml", folders);
    EXPECT_EQ(folders, (std::vector<std::string>{"D:\\Sceneries\\EHAM",
                                                 "S:\\Prepar3D v5\\Scenery\\World"}));
    EXPECT_TRUE(log->contains("found path:D:\\Sceneries\\EHAM"));
    EXPECT_TRUE(log->contains("2 scenery add-on paths found"));
}

TEST_F(SceneryListsTest, TheListsAreReadBelowTheProgramDataFolder) {
    const fs::path programData = fs::current_path() / "programdata";
    writeBytes(programData / "Lockheed Martin/Prepar3D v5/scenery.cfg",
               "[Area.001]\nActive=TRUE\nLocal=R:\\leab\n");
    writeBytes(programData / "Lockheed Martin/Prepar3D v5/scenery_add-ons.xml",
               "<Path>D:\\B</Path>\n");
    const ScopedEnv env("KSBY_PROGRAMDATA", programData.string());
    std::vector<std::string> folders;
    lf_readSceneryCfg(folders);
    lf_readSceneryAddOnsXml(folders);
    EXPECT_EQ(folders, (std::vector<std::string>{"R:\\leab", "D:\\B"}));
}

TEST_F(SceneryListsTest, StockNamesAreMatchedInTheirOwnCase) {
    EXPECT_TRUE(lf_isStockSceneryPath("Local=Scenery\\World"));
    EXPECT_TRUE(lf_isStockSceneryPath("Local=Scenery\\0106"));
    EXPECT_TRUE(lf_isStockSceneryPath("Local=Scenery\\Bathymetry"));
    EXPECT_FALSE(lf_isStockSceneryPath("Local=Scenery\\world"));
    EXPECT_FALSE(lf_isStockSceneryPath("Local=Scenery/World"));
}

TEST_F(SceneryListsTest, TheRealSceneryCfgFilesGiveOnlyTheAddonFolder) {
    KSBY_REQUIRE_REALDATA();
    const std::string install = "C:\\Program Files\\Lockheed Martin\\Prepar3D v5";
    setInstallPath(install);
    for (const char* file : {"fsx-root/scenery.cfg", "fs9-scenerycfg/scenery.cfg"}) {
        SCOPED_TRACE(file);
        std::vector<std::string> folders;
        lf_readSceneryCfgFile(realdataDir() / file, folders);
        EXPECT_EQ(folders, (std::vector<std::string>{install + "\\Addon Scenery"}));
    }
}

} // namespace
} // namespace ksb::test
