// The airport archive, the program installer and the list of newer items, from the stand-in.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "core/exceptions.h"
#include "support/e2e/scene_catalogue.h"
#include "support/rtstub/update_files.h"
#include "support/zip_writer.h"
#include "update_fixture.h"
#include "updates/updates.h"

#include <fmt/format.h>
#include <gmock/gmock.h>

namespace {

namespace fs = std::filesystem;
using rtstub::Reply;

class ArchiveUpdateTest : public ksb::test::UpdateFixture {
protected:
    ArchiveUpdateTest() {
        // The publisher lookups of the thirdparty entries read the scene's database.
        ksb::test::writeDbaseXml(ksb::e2e::scene::dbaseSpec());
        gf_readDbase();
        fs::create_directory(at("docs"));
    }
    ~ArchiveUpdateTest() override { gf_resetCatalogueForTests(); }

    std::string zipPath() const { return at("archive.zip").string(); }
};

TEST_F(ArchiveUpdateTest, AFreshInstallationGetsTheArchiveAndTheDocs) {
    EXPECT_TRUE(gf_updateArchive());
    EXPECT_EQ((std::vector<std::string>{
                  "Downloading archive files version 1.0.0 ...",
                  fmt::format("{} extracted 3 files", zipPath()),
                  "Archive has been updated to version 1.0.0"}),
              messages.messages());
    EXPECT_EQ("1.0.0", stored("ARCHIVE_VERSION"));
    EXPECT_FALSE(fs::exists(at("archive.zip")));
    EXPECT_FALSE(lf_archiveFoldersMissing());
    EXPECT_TRUE(fs::exists(at("airports/archive/stock/EDDF.xml")));
    EXPECT_TRUE(fs::exists(at("airports/archive/ORBX/EDDS.xml")));
    EXPECT_TRUE(fs::exists(at("airports/archive/thirdparty/Demo/EHAM.xml")));
    EXPECT_FALSE(fs::exists(at("airports/readme.txt")));
    rtstub::UpdateVersions versions;
    EXPECT_EQ(*rtstub::defaultUpdateFile("docs/P3D_archive.txt", versions),
              ksb::test::readBytes(at("docs/P3D_archive.txt")));
    EXPECT_EQ(*rtstub::defaultUpdateFile("docs/P3D_archive.csv", versions),
              ksb::test::readBytes(at("docs/P3D_archive.csv")));
    EXPECT_FALSE(fs::exists(at("P3D_archive.txt")));
    EXPECT_EQ((std::vector<std::string>{"update:archive/p3d/version.json",
                                        "update:archive/p3d/archive.zip",
                                        "update:docs/P3D_archive.txt",
                                        "update:docs/P3D_archive.csv"}),
              routes());
    EXPECT_TRUE(log.contains("P3D_archive.txt downloaded"));
    EXPECT_TRUE(log.contains("P3D_archive.csv downloaded"));
}

TEST_F(ArchiveUpdateTest, WhatIsNotDownloadedOrCannotBeOpenedLeavesTheVersion) {
    struct Case {
        const char* name;
        std::function<void()> setUp;
        std::vector<std::string> messages;
        std::vector<std::string> warnings;
        bool zipKept;
    };
    const Case cases[] = {
        {"up to date",
         [this] {
             ARCHIVE_VERSION.setValue("1.0.0");
             for (const char* f : {"airports/archive/stock", "airports/archive/ORBX",
                                   "airports/archive/thirdparty"}) {
                 fs::create_directories(at(f));
             }
         },
         {},
         {},
         false},
        {"no version file",
         [this] { stub.script("update:archive/p3d/version.json", Reply::http(404, "")); },
         {},
         {"===> No archive version info found at the KSBY server?"},
         false},
        {"download fails",
         [this] { stub.script("update:archive/p3d/archive.zip", Reply::http(500, "down")); },
         {"Downloading archive files version 1.0.0 ...",
          "Downloading archive files version 1.0.0 failed"},
         {},
         true},
        {"not a zip",
         [this] { stub.setUpdateFile("archive/p3d/archive.zip", "garbage, not a zip"); },
         {"Downloading archive files version 1.0.0 ..."},
         {"===> could not open {zip}"},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::test::ParametersFixture settings;
        ksb::test::LogCapture caseLog;
        ksb::test::WorkingFolder folder;
        ksb::test::RecordingMessageSink caseMessages;
        c.setUp();
        const std::string before = ARCHIVE_VERSION.value();
        EXPECT_FALSE(gf_updateArchive());
        EXPECT_EQ(c.messages, caseMessages.messages());
        std::vector<std::string> expected = c.warnings;
        for (std::string& line : expected) {
            if (const auto at = line.find("{zip}"); at != std::string::npos) {
                line.replace(at, 5, (folder.path() / "archive.zip").string());
            }
        }
        EXPECT_EQ(expected, ksb::test::warningLines(caseLog.body()));
        EXPECT_EQ(before, ARCHIVE_VERSION.value());
        EXPECT_EQ(c.zipKept, fs::exists(folder.path() / "archive.zip"));
        EXPECT_FALSE(fs::exists(folder.path() / "docs" / "P3D_archive.txt"));
    }
}

TEST_F(ArchiveUpdateTest, AnEntryNotWrittenRecordsNoVersionAndTheNextRunFetchesAgain) {
    stub.setUpdateFile("archive/p3d/archive.zip",
                       ksb::test::ZipWriter()
                           .add("archive/stock/EDDF.xml", "<eddf/>")
                           .add("archive/../../evil.xml", "<evil/>")
                           .bytes());
    EXPECT_FALSE(gf_updateArchive());
    EXPECT_EQ((std::vector<std::string>{"Downloading archive files version 1.0.0 ...",
                                        fmt::format("{} extracted 1 files", zipPath())}),
              messages.messages());
    EXPECT_TRUE(log.contains("===> unsafe archive entry archive/../../evil.xml skipped"));
    EXPECT_EQ("", ARCHIVE_VERSION.value());
    EXPECT_FALSE(fs::exists(at("archive.zip")));
    EXPECT_FALSE(fs::exists(at("docs/P3D_archive.txt")));
    EXPECT_FALSE(fs::exists(work.path().parent_path() / "evil.xml"));

    // The server's archive is whole again: the next run takes it and records the version.
    stub.setUpdateFile("archive/p3d/archive.zip",
                       ksb::test::ZipWriter().add("archive/stock/EDDF.xml", "<eddf/>").bytes());
    EXPECT_TRUE(gf_updateArchive());
    EXPECT_EQ("1.0.0", stored("ARCHIVE_VERSION"));
    const std::vector<std::string> asked = routes();
    EXPECT_EQ(2, std::count(asked.begin(), asked.end(), "update:archive/p3d/archive.zip"));
}

class ProgramUpdateTest : public ksb::test::UpdateFixture {
protected:
    ProgramUpdateTest() { PROGRAM_INSTALL_PATH.assign(work.path().string()); }
    std::string setupPath() const { return "release/setup_KSBY_P3D_v9.4.0.zip"; }
    static constexpr const char* kFailed =
        "download/extract of the new version failed? Try manually via my website";
};

TEST_F(ProgramUpdateTest, ANewerProgramIsFetchedAndNamed) {
    stub.setUpdateVersion("program", "9.4.0");
    const std::string text = fmt::format(
        "New version 9.4.0 available. Exit here, and run as administrator:   \"{}\"",
        (work.path() / "install_new_version.exe").string());
    EXPECT_THAT([] { gf_checkProgramVersion(); },
                testing::ThrowsMessage<ksb::UserErrorException>(testing::StrEq(text)));
    EXPECT_EQ(rtstub::installerBytes(), ksb::test::readBytes(at("install_new_version.exe")));
    EXPECT_FALSE(fs::exists(at("setup_KSBY_P3D_v9.4.0.zip")));
    const std::string zip = at("setup_KSBY_P3D_v9.4.0.zip").string();
    EXPECT_EQ((std::vector<std::string>{
                  fmt::format("downloaded {}", zip),
                  fmt::format("{} extracted to {}", zip,
                              at("install_new_version.exe").string())}),
              lines());
}

TEST_F(ProgramUpdateTest, NotNewerOrUnreadableFetchesNoInstaller) {
    gf_checkProgramVersion();
    stub.script("update:release/version_P3D.json", Reply::http(404, ""));
    gf_checkProgramVersion();
    EXPECT_EQ((std::vector<std::string>{"update:release/version_P3D.json",
                                        "update:release/version_P3D.json"}),
              routes());
    EXPECT_EQ("===> Program Version file not found?", lines().back());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(ProgramUpdateTest, ABrokenInstallerIsNeverAnnounced) {
    // Two stored entries; the second's bytes are damaged, so its CRC check fails.
    std::string twoEntries = ksb::test::ZipWriter()
                                 .stored()
                                 .add("first.exe", "FIRST-ENTRY-BYTES")
                                 .add("second.exe", "SECOND-ENTRY-BYTES")
                                 .bytes();
    twoEntries[twoEntries.find("SECOND-ENTRY-BYTES")] = 'X';
    struct Case {
        const char* name;
        std::function<void()> setUp;
        std::vector<std::string> messages;
        std::string warning; // "" when none
    };
    const Case cases[] = {
        {"download fails",
         [this] { stub.script("update:" + setupPath(), Reply::http(404, "")); },
         {"Downloading program installer file version 9.4.0 failed", kFailed},
         ""},
        {"no entry", [this] { stub.setUpdateFile(setupPath(), ksb::test::ZipWriter().bytes()); },
         {kFailed},
         ""},
        {"not a zip", [this] { stub.setUpdateFile(setupPath(), "no zip"); },
         {kFailed},
         fmt::format("===> could not open {}", at("setup_KSBY_P3D_v9.4.0.zip").string())},
        {"second entry fails", [&] { stub.setUpdateFile(setupPath(), twoEntries); },
         {kFailed},
         "===> extracting error code : 7"},
    };
    stub.setUpdateVersion("program", "9.4.0");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::test::LogCapture caseLog;
        ksb::test::RecordingMessageSink caseMessages;
        c.setUp();
        EXPECT_NO_THROW(gf_checkProgramVersion());
        EXPECT_EQ(c.messages, caseMessages.messages());
        const std::vector<std::string> warnings = ksb::test::warningLines(caseLog.body());
        EXPECT_EQ(c.warning, warnings.empty() ? "" : warnings.back());
        EXPECT_FALSE(fs::exists(at("install_new_version.exe")));
        EXPECT_EQ(c.name == std::string("download fails"),
                  fs::exists(at("setup_KSBY_P3D_v9.4.0.zip")));
        fs::remove(at("setup_KSBY_P3D_v9.4.0.zip"));
    }
}

TEST_F(ProgramUpdateTest, TheNewerItemsFromTheServer) {
    DBASE_VERSION.setValue("1.0.0");
    AIG_VERSION.setValue("1.0.0");
    ARCHIVE_VERSION.setValue("1.0.0");
    EXPECT_EQ("", gf_newVersionsText());
    stub.setUpdateVersion("program", "9.4.0");
    stub.setUpdateVersion("dbase", "1.1.0");
    stub.script("update:aig/version.json", Reply::http(500, ""));
    stub.setUpdateVersion("aig", "2.0.0");
    EXPECT_EQ("New versions for: KSBY_P3D (9.4.0), dbase (1.1.0)", gf_newVersionsText());
    stub.setUpdateVersion("program", "9.3.0");
    stub.setUpdateVersion("dbase", "1.0.0");
    EXPECT_EQ("New version for: AIG-regcodes (2.0.0)", gf_newVersionsText());
    EXPECT_FALSE(fs::exists(at("version.json")));
}

TEST_F(ProgramUpdateTest, VersionsThatCannotBeReadAreNeverUpToDate) {
    DBASE_VERSION.setValue("1.0.0");
    AIG_VERSION.setValue("1.0.0");
    ARCHIVE_VERSION.setValue("1.0.0");
    struct Case {
        const char* name;
        std::vector<const char*> failing; // version files the server answers with 500
        const char* text;
    };
    const Case cases[] = {
        {"one unreadable",
         {"aig/version.json"},
         "Version check failed: no version from the update server for AIG-regcodes"},
        {"all unreadable",
         {"release/version_P3D.json", "dbase/version.json", "archive/p3d/version.json",
          "aig/version.json"},
         "Version check failed: no version from the update server for KSBY_P3D, dbase, archive, "
         "AIG-regcodes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rtstub::RtStub server;
        ksb::gf_setUpdateBase(server.baseUrl());
        for (const char* item : c.failing) {
            server.script(fmt::format("update:{}", item), Reply::http(500, ""));
        }
        EXPECT_THAT([] { (void)gf_newVersionsText(); },
                    testing::ThrowsMessage<std::runtime_error>(testing::StrEq(c.text)));
    }
    ksb::gf_setUpdateBase(stub.baseUrl());
}

} // namespace
