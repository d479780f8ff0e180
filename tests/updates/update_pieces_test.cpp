// The pure pieces of the updates, the zip reader and the extraction of generated archives; no
// server is involved.
#include "catalogue/catalogue.h"
#include "catalogue/catalogue_state.h"
#include "support/catalogue_fixtures.h"
#include "support/e2e/scene_catalogue.h"
#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/recording_sinks.h"
#include "core/text_file.h"
#include "support/zip_writer.h"
#include "update_fixture.h"
#include "updates/update_steps.h"
#include "updates/zip_archive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using ksb::ZipArchive;
using ksb::ZipEntry;
using ksb::ZipRead;
using ksb::test::ZipWriter;

TEST(ArchiveEntryTargetTest, OnlyNamesBelowArchiveAreWritten) {
    struct Case {
        const char* name;
        std::string entry;
        std::optional<fs::path> target;
    };
    const Case cases[] = {
        {"stock file", "archive/stock/EDDF.xml", fs::path("archive/stock/EDDF.xml")},
        {"publisher file", "archive/thirdparty/Demo/EHAM.xml",
         fs::path("archive/thirdparty/Demo/EHAM.xml")},
        {"absolute", "/abs", std::nullopt},
        {"absolute below archive", "/archive/stock/x.xml", std::nullopt},
        {"parent", "../x", std::nullopt},
        {"parent inside", "archive/../../x", std::nullopt},
        {"dot", "archive/./x.xml", std::nullopt},
        {"backslash", "archive\\x", std::nullopt},
        {"drive", "c:x", std::nullopt},
        {"colon inside", "archive/c:x.xml", std::nullopt},
        {"not below archive", "stock/x.xml", std::nullopt},
        {"empty component", "archive//x.xml", std::nullopt},
        {"archive in another case", "Archive/stock/x.xml", std::nullopt},
        {"NUL", std::string("archive/x\0.xml", 14), std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.target, lf_archiveEntryTarget(c.entry));
    }
}

TEST(ArchiveWantedTest, NewerRolledBackOrFoldersMissing) {
    struct Case {
        const char* name;
        VersionTriple server, local;
        bool foldersMissing;
        bool wanted;
    };
    const Case cases[] = {
        {"newer patch", {1, 2, 1}, {1, 2, 0}, false, true},
        {"newer major", {2, 0, 0}, {1, 9, 9}, false, true},
        {"fresh installation", {1, 0, 0}, {}, false, true},
        {"rolled back to 1.0.0", {1, 0, 0}, {1, 2, 0}, false, true},
        {"rolled back to 0.1.0", {0, 1, 0}, {0, 2, 0}, false, true},
        {"older but no roll-back version", {1, 1, 0}, {1, 2, 0}, false, false},
        {"the same", {1, 2, 0}, {1, 2, 0}, false, false},
        {"the same, folders missing", {1, 2, 0}, {1, 2, 0}, true, true},
        {"1.0.0 on 1.0.0", {1, 0, 0}, {1, 0, 0}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.wanted, lf_archiveWanted(c.server, c.local, c.foldersMissing));
    }
}

TEST(NewVersionsTextTest, NamesEachNewerItem) {
    const ItemVersions same{{1, 0, 0}, {1, 0, 0}};
    const ItemVersions program{{9, 4, 0}, {9, 3, 0}};
    const ItemVersions dbase{{1, 1, 0}, {1, 0, 0}};
    const ItemVersions archive{{1, 0, 1}, {1, 0, 0}};
    const ItemVersions aig{{2, 0, 0}, {}};
    const ItemVersions unreadable{{}, {}};
    struct Case {
        const char* name;
        ItemVersions program, dbase, archive, aig;
        std::string text;
    };
    const Case cases[] = {
        {"none", same, same, same, same, ""},
        {"one", same, dbase, same, same, "New version for: dbase (1.1.0)"},
        {"two", program, same, same, aig,
         "New versions for: KSBY_P3D (9.4.0), AIG-regcodes (2.0.0)"},
        {"all four", program, dbase, archive, aig,
         "New versions for: KSBY_P3D (9.4.0), dbase (1.1.0), archive (1.0.1), AIG-regcodes "
         "(2.0.0)"},
        {"unreadable never counts", unreadable, unreadable, unreadable, unreadable, ""},
        {"older is not newer", {{9, 2, 0}, {9, 3, 0}}, same, same, same, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.text, lf_newVersionsText(c.program, c.dbase, c.archive, c.aig));
    }
}

TEST(ZipArchiveTest, ListsReadsAndStreamsTheEntries) {
    const std::string big(ZipArchive::kChunkBytes * 2 + 17, 'x');
    const std::string bytes =
        ZipWriter().add("folder/").add("folder/a.txt", "alpha").add("b.bin", big).bytes();
    const std::optional<ZipArchive> zip = ZipArchive::openBytes(bytes);
    ASSERT_TRUE(zip);
    const std::vector<ZipEntry> entries = zip->entries();
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("folder/", entries[0].name);
    EXPECT_EQ("folder/a.txt", entries[1].name);
    EXPECT_EQ(5u, entries[1].size);
    EXPECT_EQ("b.bin", entries[2].name);
    EXPECT_EQ(big.size(), entries[2].size);

    const ZipRead whole = zip->readText(entries[1], 5);
    EXPECT_EQ(ZipRead::Outcome::read, whole.outcome);
    EXPECT_EQ("alpha", whole.text);
    EXPECT_EQ(ZipRead::Outcome::tooLarge, zip->readText(entries[1], 4).outcome);

    std::ostringstream out;
    EXPECT_EQ(0, zip->streamTo(entries[2], out));
    EXPECT_EQ(big, out.str());
    std::ostringstream failing;
    failing.setstate(std::ios::badbit);
    EXPECT_EQ(-1, zip->streamTo(entries[2], failing));
}

TEST(ZipArchiveTest, RefusesWhatIsNotAZip) {
    ksb::test::TempFolder folder;
    ksb::test::writeBytes(folder / "not.zip", "PK but not a zip at all");
    EXPECT_FALSE(ZipArchive::open(folder / "not.zip"));
    EXPECT_FALSE(ZipArchive::open(folder / "missing.zip"));
    // libzip would take an empty file for an empty archive.
    ksb::test::writeBytes(folder / "empty.zip", "");
    EXPECT_FALSE(ZipArchive::open(folder / "empty.zip"));
    EXPECT_FALSE(ZipArchive::openBytes(""));
    EXPECT_FALSE(ZipArchive::openBytes("PK\x03\x04 truncated"));
    // The end record alone is an archive without entries.
    const std::optional<ZipArchive> empty = ZipArchive::openBytes(ZipWriter().bytes());
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->entries().empty());
}

// Extraction below airports/archive of a working folder of its own, with the scene's database,
// whose one publisher is "Demo".
class ExtractionTest : public ::testing::Test {
protected:
    ExtractionTest() {
        ksb::test::writeDbaseXml(ksb::e2e::scene::dbaseSpec());
        gf_readDbase();
        for (const char* folder :
             {"airports/archive/stock", "airports/archive/ORBX", "airports/archive/thirdparty"}) {
            fs::create_directories(folder);
        }
    }
    ~ExtractionTest() override { gf_resetCatalogueForTests(); }

    struct Result {
        int counter = 0;
        std::vector<EntryOutcome> outcomes;
    };
    Result extract(const ZipWriter& writer) {
        ksb::test::writeBytes("archive.zip", writer.bytes());
        const std::optional<ZipArchive> zip = ZipArchive::open("archive.zip");
        EXPECT_TRUE(zip);
        Result result;
        for (const ZipEntry& entry : zip->entries()) {
            result.outcomes.push_back(lf_extractArchive(*zip, entry, "archive.zip", result.counter));
        }
        return result;
    }

    ksb::test::LogCapture log;
    ksb::test::WorkingFolder work;
    ksb::test::RecordingMessageSink messages;
};

TEST_F(ExtractionTest, WritesAirportFilesAndSkipsTheRest) {
    const Result result = extract(ZipWriter()
                                      .add("archive/")
                                      .add("archive/stock/")
                                      .add("archive/stock/EDDF.xml", "<airport/>")
                                      .add("archive/ORBX/EDDS.txt", "not an airport file")
                                      .add("archive/thirdparty/Demo/EHAM.xml", "<eham/>")
                                      .add("archive/thirdparty/Other/LFPG.xml", "<lfpg/>")
                                      .add("readme.txt", "hello"));
    EXPECT_EQ(3, result.counter);
    using enum EntryOutcome;
    EXPECT_EQ((std::vector<EntryOutcome>{skipped, skipped, written, skipped, written, written,
                                         skipped}),
              result.outcomes);
    EXPECT_EQ("<airport/>\n", ksb::test::readBytes("airports/archive/stock/EDDF.xml"));
    EXPECT_EQ("<eham/>\n", ksb::test::readBytes("airports/archive/thirdparty/Demo/EHAM.xml"));
    // An unknown publisher is warned; its file still lands where the archive puts it.
    EXPECT_EQ("<lfpg/>\n", ksb::test::readBytes("airports/archive/thirdparty/Other/LFPG.xml"));
    EXPECT_FALSE(fs::exists("airports/archive/ORBX/EDDS.txt"));
    EXPECT_FALSE(fs::exists("airports/readme.txt"));
    EXPECT_EQ((std::vector<std::string>{"===> pub archive/thirdparty/Other/LFPG.xml not found"}),
              ksb::test::warningLines(log.body()));
}

TEST_F(ExtractionTest, ShowsProgressEvery300Files) {
    ZipWriter writer;
    for (int i = 0; i < 650; ++i) {
        writer.add("archive/stock/A" + std::to_string(i) + ".xml", "<a/>");
    }
    writer.add("archive/stock/readme.txt", "x");
    const Result result = extract(writer);
    EXPECT_EQ(650, result.counter);
    using ksb::test::RecordedMessage;
    EXPECT_EQ((std::vector<RecordedMessage>{
                  {RecordedMessage::Kind::message, "Extracting archive.zip ...  300 files", false},
                  {RecordedMessage::Kind::message, "Extracting archive.zip ...  600 files",
                   false}}),
              messages.all());
    EXPECT_EQ(650u, gf_countFilesInFolder("airports/archive/stock"));
}

TEST_F(ExtractionTest, UnsafeAndOversizedEntriesNeverLeaveTheArchiveFolder) {
    const char* unsafe[] = {"/abs.xml",       "../x.xml",         "archive/../../x.xml",
                            "archive\\x.xml", "c:x.xml",          "stock/x.xml",
                            "archive//x.xml", "archive/./x.xml"};
    ZipWriter writer;
    for (const char* name : unsafe) {
        writer.add(name, "<evil/>");
    }
    const Result result = extract(writer);
    EXPECT_EQ(0, result.counter);
    std::vector<std::string> expected;
    for (const char* name : unsafe) {
        expected.push_back(std::string("===> unsafe archive entry ") + name + " skipped");
    }
    EXPECT_EQ(expected, ksb::test::warningLines(log.body()));
    for (const EntryOutcome outcome : result.outcomes) {
        EXPECT_EQ(EntryOutcome::failed, outcome);
    }
    // Nothing was written: not in the working folder, not at the root.
    for (const auto& item : fs::recursive_directory_iterator(work.path())) {
        if (item.is_regular_file()) {
            EXPECT_NE("<evil/>\n", ksb::test::readBytes(item.path())) << item.path();
        }
    }
    EXPECT_FALSE(fs::exists("/abs.xml"));
}

TEST_F(ExtractionTest, AnEntryOverTheCapIsSkipped) {
    // Stored, so the archive stays small on disk only by compression; a 64 MiB + 1 entry.
    const std::string huge(kMaxArchiveEntryBytes + 1, '\0');
    const Result result = extract(ZipWriter().add("archive/stock/BIG.xml", huge));
    EXPECT_EQ(0, result.counter);
    EXPECT_EQ((std::vector<EntryOutcome>{EntryOutcome::failed}), result.outcomes);
    EXPECT_EQ((std::vector<std::string>{"===> archive entry archive/stock/BIG.xml too large, "
                                        "skipped"}),
              ksb::test::warningLines(log.body()));
    EXPECT_FALSE(fs::exists("airports/archive/stock/BIG.xml"));
}

TEST_F(ExtractionTest, AnEntryThatCannotBeWrittenIsWarnedAndNotCounted) {
    // A file where the entry's parent folder would go.
    ksb::test::writeBytes("airports/archive/ORBX/blocked", "a file");
    const Result result = extract(ZipWriter()
                                      .add("archive/ORBX/blocked/EDDS.xml", "<edds/>")
                                      .add("archive/stock/EDDF.xml", "<eddf/>"));
    EXPECT_EQ(1, result.counter);
    EXPECT_EQ((std::vector<EntryOutcome>{EntryOutcome::failed, EntryOutcome::written}),
              result.outcomes);
    const fs::path target = work.path() / "airports/archive/ORBX/blocked/EDDS.xml";
    EXPECT_EQ((std::vector<std::string>{"===> writing " + target.string() + " failed?"}),
              ksb::test::warningLines(log.body()));
}

} // namespace
