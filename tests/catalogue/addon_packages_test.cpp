// The AI add-on packages of add-ons.cfg (with their add-on.xml) and simobjects.cfg.
#include "catalogue/addon_packages.h"
#include "catalogue_test_fixture.h"
#include "support/livery_tree.h"
#include "support/realdata.h"
#include "support/scoped_env.h"

#include <filesystem>

namespace {

using namespace ksb::test;
namespace fs = std::filesystem;

class AddonPackagesTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        SIM_INSTALL_PATH.assign(tree.simInstallPath());
        freshLog();
    }
    std::string fx() const { return tree.root().string(); }

    StandardLiveryTree tree;
};

TEST_F(AddonPackagesTest, TheStandardTree) {
    std::vector<std::string> roots{"D:\\mine"};
    lf_readAddOnsCfg(roots);
    lf_readSimObjectsCfg(roots);
    EXPECT_EQ(
        (std::vector<std::string>{"D:\\mine", fx() + "/addons/AIPack/SimObjects/Airplanes",
                                  fx() + "/sim/Prepar3D v5/SimObjects/MyAI", "D:\\external_ai"}),
        roots);
    EXPECT_EQ(
        (std::vector<std::string>{
            "",
            "Reading " + fx() +
                "/appdata/Lockheed Martin/Prepar3D v5/add-ons.cfg for AI add-on packages...",
            "path found:" + fx() + "/addons/AIPack",
            "   exploring " + fx() + "/addons/AIPack/add-on.xml",
            "      Simobjects found:" + fx() + "/addons/AIPack/SimObjects/Airplanes",
            "1 AI add-on packages found", "",
            "Reading " + fx() +
                "/programdata/Lockheed Martin/Prepar3D v5/simobjects.cfg for AI add-on packages...",
            "2 AI add-on packages found"}),
        logLines());
}

TEST_F(AddonPackagesTest, MissingFilesAddNothing) {
    fs::remove(tree / "appdata/Lockheed Martin/Prepar3D v5/add-ons.cfg");
    fs::remove(tree / "programdata/Lockheed Martin/Prepar3D v5/simobjects.cfg");
    fs::remove(tree / "addons/AIPack/add-on.xml");
    std::vector<std::string> roots;
    lf_readAddOnsCfg(roots);
    lf_readSimObjectsCfg(roots);
    EXPECT_TRUE(roots.empty());
    const std::string addOns = fx() + "/appdata/Lockheed Martin/Prepar3D v5/add-ons.cfg";
    const std::string simObjects = fx() + "/programdata/Lockheed Martin/Prepar3D v5/simobjects.cfg";
    EXPECT_EQ((std::vector<std::string>{"", "Reading " + addOns + " for AI add-on packages...",
                                        addOns + " not found!", "",
                                        "Reading " + simObjects + " for AI add-on packages...",
                                        simObjects + " not found!"}),
              logLines());
}

TEST_F(AddonPackagesTest, AMissingAddOnXml) {
    fs::remove(tree / "addons/AIPack/add-on.xml");
    std::vector<std::string> roots;
    lf_readAddOnsCfg(roots);
    EXPECT_TRUE(roots.empty());
    EXPECT_TRUE(logHas(fx() + "/addons/AIPack/add-on.xml not found!"));
    EXPECT_TRUE(logHas("0 AI add-on packages found"));
}

struct PackageSectionCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::string> handled;
};

TEST(AddonSections, HeadersActiveKeysAndDroppedLines) {
    const PackageSectionCase cases[] = {
        {"a path holding the header word stays a path",
         {"[Package.0]", "PATH=D:\\AI Packages\\X", "ACTIVE=true"},
         {"PATH=D:\\AI Packages\\X", "ACTIVE=true"}},
        {"a discovery section is not read and ends the package",
         {"[Package.0]", "PATH=A", "ACTIVE=true", " [DiscoveryPath.0]", "PATH=B", "ACTIVE=TRUE"},
         {"PATH=A", "ACTIVE=true"}},
        {"without a true active line nothing", {"[Package.0]", "PATH=A", "ACTIVE=false"}, {}},
        {"a required line is never handled",
         {"[Package.0]", "REQUIRED=true PATH=A", "ACTIVE=true"},
         {"ACTIVE=true"}},
        {"lines before the first header are ignored",
         {"PATH=A", "ACTIVE=true", "[Package.1]", "PATH=B"},
         {}},
        {"the last section is finished",
         {"[Package.0]", "PATH=A", "[package.1]", "PATH=B", "Active=True"},
         {"PATH=B", "Active=True"}},
    };
    for (const PackageSectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> handled;
        lf_readCfgSections(c.lines, {"Package", "PACKAGE", "package"}, {"Required", "REQUIRED"},
                           [&handled](const std::string& line) { handled.push_back(line); });
        EXPECT_EQ(c.handled, handled);
    }
}

TEST_F(AddonPackagesTest, ComponentPathsOfAnAddOnXml) {
    const std::vector<std::string> lines{"<Category>SimObjects</Category>",
                                         "<Path>SimObjects</Path>",
                                         "<Path>Other</Path>",
                                         "<Category>Simobjects</Category>",
                                         "<Path></Path>",
                                         "<Category>SIMOBJECTS</Category>",
                                         "<Path>D:\\Lights Reborn\\SimObjects</Path>",
                                         "<Category>simobjects</Category>",
                                         "<Path>/abs/AI</Path>"};
    std::vector<std::string> roots;
    lf_findSimObjectsInPackage(lines, fx() + "/pkg", roots);
    // The marked line is the path line only: "<Path>SimObjects</Path>" marks nothing.
    EXPECT_EQ((std::vector<std::string>{fx() + "/pkg/SimObjects", "/abs/AI"}), roots);
}

TEST_F(AddonPackagesTest, RelativeSimObjectsPathsJoinTheInstallFolder) {
    writeBytes(tree / "programdata/Lockheed Martin/Prepar3D v5/simobjects.cfg",
               "[Entry.0]\nPath=MyFolder\\AI\nActive=True\n[Entry.1]\nPath\nActive=True\n"
               "[ENTRY.2]\nPath=SimObjects\\Rotorcraft\nACTIVE=TRUE\n");
    std::vector<std::string> roots;
    lf_readSimObjectsCfg(roots);
    EXPECT_EQ((std::vector<std::string>{fx() + "/sim/Prepar3D v5/MyFolder/AI"}), roots);
}

TEST_F(AddonPackagesTest, RealAddOnXmlFiles) {
    KSBY_REQUIRE_REALDATA();
    const fs::path data = realdataDir();
    struct Case {
        const char* name;
        fs::path package;
        std::vector<std::string> roots;
    };
    const Case cases[] = {
        {"bavmm: relative, found in its own case",
         data / "bavmm",
         {(data / "bavmm/Simobjects/Airplanes").string()}},
        {"leab AI package with a mark",
         data / "leab/SAF_ALA14_EF2000_FSX_P3D",
         {(data / "leab/SAF_ALA14_EF2000_FSX_P3D/SimObjects").string()}},
        {"airport without SimObjects", data / "leab/LEAB ARV187", {}},
        {"another airport", data / "leab/LEAB_RFN", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(tree / "appdata/Lockheed Martin/Prepar3D v5/add-ons.cfg",
                   "[Package.0]\nPATH=" + c.package.string() + "\nACTIVE=true\n");
        std::vector<std::string> roots;
        lf_readAddOnsCfg(roots);
        EXPECT_EQ(c.roots, roots);
    }
}

} // namespace
