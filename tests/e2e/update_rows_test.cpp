// The daily update check end to end: the program against the web stand-in's update server on
// the first start of a UTC day.
#include "e2e_run.h"

#include "core/codec.h"
#include "support/e2e/scene.h"
#include "support/file_bytes.h"
#include "support/rtstub/update_files.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace ksb::e2e {
namespace {


bool lf_contains(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

// parameters.xml holds today as the day of the last check.
bool lf_dayStored(const E2eRun& run) {
    return gf_fileText(run.folder.parametersFile())
               .find(fmt::format(R"(name="DATA_CHECKED_AT_DATE" value="{}")",
                                 gf_scrambledDateStamp())) != std::string::npos;
}

TEST(Rows, Row12aFreshInstallationOnANewDay) {
    E2eRun run(gf_testName());
    RunOptions o;
    o.dayChecked = false;
    o.components = false;
    run.prepare(o);
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(run.awaitLog(kTrafficConnected, kLoginBound + kFlushBound + kStartBound));
    const std::vector<std::string> lines = run.log();
    EXPECT_TRUE(lf_contains(lines, " dbase records from \"")) << run.diagnostics("the dbase read");
    EXPECT_TRUE(lf_contains(lines, "Archive has been updated to version 1.0.0"));
    const rtstub::UpdateVersions versions;
    EXPECT_EQ(*rtstub::defaultUpdateFile("dbase/dbase.xml", versions),
              gf_fileText(run.folder.work / "input" / "dbase.xml"));
    EXPECT_EQ(*rtstub::defaultUpdateFile("aig/AIG-regcodes.xml", versions),
              gf_fileText(run.folder.work / "input" / "AIG-regcodes.xml"));
    EXPECT_TRUE(fs::exists(run.folder.work / "airports" / "archive" / "stock" / "EDDF.xml"));
    EXPECT_TRUE(fs::exists(run.folder.work / "airports" / "archive" / "thirdparty" / "Demo" /
                           "EHAM.xml"));
    EXPECT_EQ(*rtstub::defaultUpdateFile("docs/P3D_archive.txt", versions),
              gf_fileText(run.folder.work / "docs" / "P3D_archive.txt"));
    EXPECT_FALSE(fs::exists(run.folder.work / "archive.zip"));
    EXPECT_TRUE(lf_dayStored(run));
    run.closeFromTheLoop();
}

TEST(Rows, Row12bNewerProgramStopsWithError99) {
    E2eRun run(gf_testName());
    RunOptions o;
    o.dayChecked = false;
    run.prepare(o);
    run.rt->setUpdateVersion("program", "9.4.0");
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    const std::string text = fmt::format(
        "New version 9.4.0 available. Exit here, and run as administrator:   \"{}\"",
        (run.folder.work / "install_new_version.exe").string());
    ASSERT_TRUE(run.awaitTrace("error=" + text, kStartBound));
    // The window stays open on the error until the user closes it.
    EXPECT_TRUE(run.program->running());
    EXPECT_EQ(rtstub::installerBytes(), gf_fileText(run.folder.work / "install_new_version.exe"));
    EXPECT_FALSE(lf_dayStored(run));
    std::vector<std::string> updates;
    for (const rtstub::RequestRecord& r : run.rt->requests()) {
        if (r.route.rfind("update:", 0) == 0) {
            updates.push_back(r.route);
        }
    }
    ASSERT_FALSE(updates.empty());
    EXPECT_EQ("update:release/setup_KSBY_P3D_v9.4.0.zip", updates.back());
    run.close();
    run.expectCleanEnd(0);
}

TEST(Rows, Row12cUpdateServerUnreachableOnANewDay) {
    E2eRun run(gf_testName());
    RunOptions o;
    o.dayChecked = false;
    o.updateBase = false;
    run.prepare(o);
    run.startSim();
    run.startProgram();
    ASSERT_TRUE(run.awaitWindow());
    ASSERT_TRUE(run.awaitLog(kTrafficConnected, kLoginBound + kFlushBound));
    const std::vector<std::string> lines = run.log();
    for (const char* warning : {"===> No dbase version info found at the KSBY server?",
                                "===> Program Version file not found?",
                                "===> No AIG regcodes version info found at the KSBY server?",
                                "===> No archive version info found at the KSBY server?"}) {
        EXPECT_EQ(1, std::count(lines.begin(), lines.end(), std::string(warning)))
            << run.diagnostics(warning);
    }
    EXPECT_TRUE(lf_contains(lines, "\"http://127.0.0.1:9/downloads/dbase/version.json\" => "));
    for (const rtstub::RequestRecord& r : run.rt->requests()) {
        EXPECT_NE(0u, r.route.rfind("update:", 0)) << r.route;
    }
    EXPECT_TRUE(lf_dayStored(run));
    run.closeFromTheLoop();
}

} // namespace
} // namespace ksb::e2e
