#include "core/xml_files.h"
#include "support/file_bytes.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

TEST(XmlFilesTest, RegularXmlFilesDirectlyInTheFolder) {
    ksb::test::TempFolder folder;
    for (const char* name : {"EHAM.xml", "EGLL.XML", "KSEA.Xml", "notes.txt", "EDDF.xmlx", "xml",
                             ".xml", "LFPG.xml.bak"}) {
        ksb::test::writeBytes(folder / name, "");
    }
    ksb::test::writeBytes(folder / "sub" / "LOWW.xml", "");
    fs::create_directory(folder / "folder.xml");
    fs::create_symlink("EHAM.xml", folder / "link.xml");

    std::vector<fs::path> files = gf_listXmlFiles(folder.path());

    std::vector<std::string> names;
    for (const fs::path& file : files) {
        EXPECT_EQ(folder.path(), file.parent_path());
        names.push_back(file.filename().string());
    }
    std::sort(names.begin(), names.end());
    // ".xml" alone is a name without an extension.
    EXPECT_EQ((std::vector<std::string>{"EGLL.XML", "EHAM.xml", "KSEA.Xml", "link.xml"}), names);
    EXPECT_GE(files.capacity(), 512u);
}

TEST(XmlFilesTest, AnEntryWhoseStateCannotBeReadThrows) {
    ksb::test::TempFolder folder;
    fs::create_symlink("loop.xml", folder / "loop.xml");
    std::string expected;
    try {
        (void)fs::status(folder / "loop.xml");
    } catch (const fs::filesystem_error& e) {
        expected = e.what();
    }
    ASSERT_FALSE(expected.empty());
    try {
        (void)gf_listXmlFiles(folder.path());
        ADD_FAILURE() << "no exception";
    } catch (const fs::filesystem_error& e) {
        EXPECT_EQ(expected, e.what());
    }
}

} // namespace
