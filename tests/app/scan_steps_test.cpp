#include "app/scan_steps.h"
#include "app/start_up.h"
#include "core/exceptions.h"
#include "core/globals.h"
#include "core/log.h"
#include "core/main_window.h"
#include "core/parameters.h"
#include "core/parameters_file.h"
#include "core/run_values.h"
#include "start_up_fixture.h"
#include "support/file_bytes.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using ksb::test::writeBytes;

class ScanStepsTest : public ksb::test::StartUpFixture {
protected:
    void SetUp() override {
        StartUpFixture::SetUp();
        lf_createFolders();
        gf_readParameters(gf_parameterLists());
        services->clearCalls();
    }

    void setText(StringParameter& parameter, std::string value) {
        parameter.assign(std::move(value));
    }

    std::string userError(const std::function<void()>& step) {
        try {
            step();
        } catch (const ksb::UserErrorException& e) {
            return e.what();
        }
        return {};
    }
};

TEST_F(ScanStepsTest, TheLiveriesStep) {
    struct Case {
        const char* name;
        bool rescan, automatic, prioritize;
        std::vector<std::pair<StringParameter*, std::string>> folders;
        std::string message; // shown on the message line; empty: none
        std::string startLine;
        std::string call;
        std::string error;
    };
    const std::string manualStart = "++++++++++++++++++++++++ liveries scan manual starts "
                                    "++++++++++++++++++++++++++++++++";
    const Case cases[] = {
        {"load the liveries file",
         false,
         false,
         true,
         {{&lfolder0, "D:\\AI"}},
         "",
         "++++++++++++++++++++++++ liveries scan starts ++++++++++++++++++++++++++++++++",
         "gf_scanLiveries(false, false, true, {})",
         ""},
        {"automatic rescan",
         true,
         true,
         true,
         {{&lfolder0, "D:\\AI"}},
         "Scanning for liveries ...",
         "++++++++++++++++++++++++ liveries scan automatic starts "
         "++++++++++++++++++++++++++++++++",
         "gf_scanLiveries(true, true, true, {})",
         ""},
        {"manual rescan",
         true,
         false,
         false,
         {{&lfolder3, "D:\\AI"}, {&lfolder1, "E:\\More AI"}},
         "Scanning for liveries ...",
         manualStart,
         "gf_scanLiveries(true, false, false, {E:\\More AI, D:\\AI})",
         ""},
        {"prioritized manual rescan",
         true,
         false,
         true,
         {{&lfolder9, "D:\\AI"}},
         "Scanning prioritized for liveries ...",
         manualStart,
         "gf_scanLiveries(true, false, true, {D:\\AI})",
         ""},
        {"manual rescan without folders",
         true,
         false,
         false,
         {},
         "Scanning for liveries ...",
         manualStart,
         "",
         "48: Set lfolder parameter(-s) to your liveries first, see Manual 5.1 (or check "
         "Liveries automatic)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        lf_setCheckBox(SCAN_LIVERIES, c.rescan);
        LIG_AUTOMATIC.setRaw(c.automatic);
        LIG_PRIORITIZE.setRaw(c.prioritize);
        for (const auto& [parameter, value] : c.folders) {
            setText(*parameter, value);
        }

        EXPECT_EQ(c.error, userError([&] { lf_scanLiveriesStep(c.rescan); }));

        EXPECT_EQ(c.message, mainWindow.messageText());
        EXPECT_FALSE(log->contains("Scanning"));
        EXPECT_TRUE(log->contains(c.startLine));
        EXPECT_EQ(c.call.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.call},
                  services->calls());
        EXPECT_EQ(c.error.empty(), log->contains("-------------------------- liveries scan ends   "
                                                 "--------------------------------"));
        // Only a successful rescan clears the request.
        EXPECT_EQ(c.rescan && !c.error.empty(), SCAN_LIVERIES.value());
        EXPECT_EQ(SCAN_LIVERIES.value(), widget(SCAN_LIVERIES).checked);
        EXPECT_EQ(c.rescan && c.error.empty() ? "false" : "true", stored("SCAN_LIVERIES"));
    }
}

TEST_F(ScanStepsTest, TheAirportsStep) {
    struct Case {
        const char* name;
        bool automatic;
        std::string installPath;
        std::vector<std::pair<StringParameter*, std::string>> folders;
        std::string call;
        std::string error;
    };
    const std::string install = "C:\\P3D v5\\";
    const Case cases[] = {
        {"automatic",
         true,
         install,
         {{&afolder0, "D:\\Airports"}},
         "gf_scanAddonAirports(true, {})",
         ""},
        {"manual",
         false,
         install,
         {{&afolder4, "D:\\Airports"}, {&afolder2, "E:\\ORBX"}},
         "gf_scanAddonAirports(false, {E:\\ORBX, D:\\Airports})",
         ""},
        {"manual without folders",
         false,
         install,
         {},
         "",
         "49: Set afolder parameter(-s) to your add-on airports first, see Manual 6.1"},
        {"a folder inside the stock airports",
         false,
         install,
         {{&afolder0, "D:\\Airports"}, {&afolder1, "C:\\P3D v5\\Scenery\\0601"}},
         "",
         "42: parameter afolder1 points to stock airports instead of add-on airports!"},
        // Without an install path the stock text is only "Scenery".
        {"no install path",
         false,
         "",
         {{&afolder0, "D:\\Scenery\\EHAM"}},
         "gf_scanAddonAirports(false, {D:\\Scenery\\EHAM})",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        AFG_AUTOMATIC.setRaw(c.automatic);
        SIM_INSTALL_PATH.assign(c.installPath);
        lf_checkStockAirportsPath();
        for (const auto& [parameter, value] : c.folders) {
            setText(*parameter, value);
        }

        EXPECT_EQ(c.error, userError(lf_scanAirportsStep));

        EXPECT_EQ(c.call.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.call},
                  services->calls());
        EXPECT_TRUE(log->contains(std::string("++++++++++++++++++++++++ airports scan ") +
                                  (c.automatic ? "automatic" : "manual") +
                                  " starts +++++++++++++++++++++++++++++"));
        EXPECT_EQ(c.error.empty(), log->contains("-------------------------- airports scan ends    "
                                                 "----------------------------"));
        EXPECT_EQ(!c.error.empty(), SCAN_AIRPORTS.value());
        EXPECT_EQ(c.error.empty() ? "false" : "true", stored("SCAN_AIRPORTS"));
    }
}

TEST_F(ScanStepsTest, AScanThatFoundNothingKeepsTheRequest) {
    services->setResult("gf_scanAddonAirports", false);
    lf_scanAirportsStep();
    EXPECT_EQ("Warning: Scan has not found any add-on airports", mainWindow.messageText());
    EXPECT_TRUE(log->contains("Warning: Scan has not found any add-on airports"));
    EXPECT_TRUE(SCAN_AIRPORTS.value());
    EXPECT_TRUE(widget(SCAN_AIRPORTS).checked);
    EXPECT_EQ("true", stored("SCAN_AIRPORTS"));
}

TEST_F(ScanStepsTest, TheScanOutputFoldersAreEmptiedOrMade) {
    fs::remove_all(work / "airports" / "my_thirdparty");
    writeBytes(work / "airports" / "my_ORBX" / "EGLL.xml", "x");
    writeBytes(work / "airports" / "my_ORBX" / "EGLL.txt", "x");
    writeBytes(work / "airports" / "my_ORBX" / "keep" / "EGKK.xml", "x");
    std::vector<std::pair<std::size_t, std::size_t>> seen;
    services->onCall("gf_scanAddonAirports", [&] {
        seen.emplace_back(std::distance(fs::directory_iterator(work / "airports" / "my_ORBX"),
                                        fs::directory_iterator()),
                          std::distance(fs::directory_iterator(work / "airports" / "my_thirdparty"),
                                        fs::directory_iterator()));
    });

    lf_scanAirportsStep();

    // Only the sub-folder is left in my_ORBX; my_thirdparty was made.
    EXPECT_EQ((std::vector<std::pair<std::size_t, std::size_t>>{{1, 0}}), seen);
    EXPECT_TRUE(fs::exists(work / "airports" / "my_ORBX" / "keep" / "EGKK.xml"));
}

TEST_F(ScanStepsTest, EmptyingAFolder) {
    writeBytes(work / "f" / "a.xml", "");
    writeBytes(work / "f" / "b", "");
    writeBytes(work / "f" / "sub" / "c.xml", "");
    lf_emptyFolder(work / "f");
    EXPECT_EQ(1, std::distance(fs::directory_iterator(work / "f"), fs::directory_iterator()));
    EXPECT_TRUE(fs::exists(work / "f" / "sub" / "c.xml"));

    // Nothing to do for a missing folder or a file.
    writeBytes(work / "file", "x");
    lf_emptyFolder(work / "missing");
    lf_emptyFolder(work / "file");
    EXPECT_TRUE(fs::exists(work / "file"));
}

TEST_F(ScanStepsTest, AFileSystemFailureWhileEmptyingIsUserErrorFive) {
    fs::create_symlink("loop", work / "loop");
    std::string expected;
    try {
        (void)fs::exists(work / "loop");
    } catch (const fs::filesystem_error& e) {
        expected = std::string("5: ") + e.what();
    }
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected, userError([&] { lf_emptyFolder(work / "loop"); }));
}

TEST_F(ScanStepsTest, TheStockAirportsPath) {
    struct Case {
        const char* name;
        std::string installPath;
        std::string text;
        bool exists;
    };
    const Case cases[] = {
        {"ends in a backslash", "C:\\P3D v5\\", "C:\\P3D v5\\Scenery", true},
        {"ends in a slash", "C:\\P3D v5/", "C:\\P3D v5/Scenery", true},
        {"no separator", "C:\\P3D v5", "C:\\P3D v5\\Scenery", true},
        {"missing folder", "C:\\P3D v6", "C:\\P3D v6\\Scenery", false},
        {"empty", "", "Scenery", false},
    };
    fs::create_directories(driveC.path() / "P3D v5" / "scenery");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mainWindow.clearError();
        gf_clearMessage();
        SIM_INSTALL_PATH.assign(c.installPath);

        lf_checkStockAirportsPath();

        EXPECT_EQ(c.text, stockAirportsPath.text());
        const std::string warning = "Stock airports path does not exist: " + c.text;
        EXPECT_EQ(c.exists ? "" : warning, mainWindow.messageText());
        EXPECT_EQ(!c.exists, log->contains(warning));
    }
}

TEST_F(ScanStepsTest, AMissingLiveriesFileForcesARescan) {
    writeParameters({{"SCAN_LIVERIES", "false"}, {"SCAN_AIRPORTS", "false"}});
    activeWorkers = 1;
    lf_startUpKSBY();
    EXPECT_TRUE(log->contains("File output/LiveriesScanned.xml is gone, rescan liveries"));
    const auto calls = services->calls();
    EXPECT_NE(calls.end(),
              std::find(calls.begin(), calls.end(), "gf_scanLiveries(true, true, false, {})"));
    EXPECT_FALSE(SCAN_LIVERIES.value());
    EXPECT_EQ("false", stored("SCAN_LIVERIES"));

    // With the file there nothing is rescanned.
    writeBytes(work / "output" / "LiveriesScanned.xml", "<liveries/>");
    services->clearCalls();
    activeWorkers = 1;
    lf_startUpKSBY();
    const auto again = services->calls();
    EXPECT_NE(again.end(),
              std::find(again.begin(), again.end(), "gf_scanLiveries(false, true, false, {})"));
}

} // namespace
