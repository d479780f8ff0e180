#include "support/scoped_current_dir.h"
#include "support/temp_folder.h"
#include "updates/updates.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

TEST(ArchiveFoldersTest, MissingWhenAnyOfTheFourIsMissing) {
    struct Case {
        const char* name;
        std::vector<const char*> folders;
        bool missing;
    };
    const Case cases[] = {
        {"none", {}, true},
        {"archive only", {"airports/archive"}, true},
        {"without thirdparty", {"airports/archive/stock", "airports/archive/ORBX"}, true},
        {"without stock", {"airports/archive/ORBX", "airports/archive/thirdparty"}, true},
        {"other case",
         {"airports/archive/stock", "airports/archive/orbx", "airports/archive/thirdparty"},
         true},
        {"all four",
         {"airports/archive/stock", "airports/archive/ORBX", "airports/archive/thirdparty"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ksb::test::TempFolder work;
        ksb::test::ScopedCurrentDir cwd(work.path());
        for (const char* folder : c.folders) {
            fs::create_directories(folder);
        }
        EXPECT_EQ(c.missing, lf_archiveFoldersMissing());
    }
}

TEST(ArchiveFoldersTest, AStateThatCannotBeReadThrows) {
    ksb::test::TempFolder work;
    ksb::test::ScopedCurrentDir cwd(work.path());
    fs::create_directory("airports");
    fs::create_symlink("archive", "airports/archive");
    EXPECT_THROW((void)lf_archiveFoldersMissing(), fs::filesystem_error);
}

} // namespace
