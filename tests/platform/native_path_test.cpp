#include "platform/native_path.h"
#include "support/file_bytes.h"
#include "support/realdata.h"
#include "support/scoped_env.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

using ksb::test::ScopedEnv;
using ksb::test::TempFolder;

// Texts whose paths do not exist, so the case-insensitive lookup leaves them as mapped.
TEST(NativePathTest, MapsWindowsTexts) {
    struct Case {
        const char* name;
        std::optional<std::string> driveD;
        const char* base;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"drive default", std::nullopt, "", "C:\\ksby-none\\Aircraft.cfg",
         "/mnt/c/ksby-none/Aircraft.cfg"},
        {"lower-case drive letter", std::nullopt, "", "c:\\ksby-none\\x", "/mnt/c/ksby-none/x"},
        {"forward slashes after the drive", std::nullopt, "", "C:/ksby-none/x",
         "/mnt/c/ksby-none/x"},
        {"drive override", "/drives/d", "", "D:\\ksby-none\\x", "/drives/d/ksby-none/x"},
        {"drive override for a lower-case letter", "/drives/d/", "", "d:\\ksby-none\\x",
         "/drives/d/ksby-none/x"},
        {"empty override counts as unset", "", "", "D:\\ksby-none\\x", "/mnt/d/ksby-none/x"},
        {"trailing backslash kept", std::nullopt, "", "D:\\ksby-none\\Addons\\",
         "/mnt/d/ksby-none/Addons/"},
        {"drive root", std::nullopt, "", "C:\\", "/mnt/c/"},
        {"native text stays", std::nullopt, "/base", "/ksby-none/a\\b.cfg", "/ksby-none/a\\b.cfg"},
        {"relative text joined to the base", std::nullopt, "/base", "sub\\dir\\file.txt",
         "/base/sub/dir/file.txt"},
        {"relative text without a base", std::nullopt, "", "sub\\file.txt", "sub/file.txt"},
        {"text rooted on the current drive stays below the base", std::nullopt, "/base",
         "\\Addons\\x", "/base/Addons/x"},
        {"drive text replaces the base", std::nullopt, "/base", "C:\\ksby-none\\x",
         "/mnt/c/ksby-none/x"},
        {"native text replaces the base", std::nullopt, "/base", "/ksby-none/x", "/ksby-none/x"},
        {"UNC text not mapped", std::nullopt, "/base", "\\\\server\\share\\x", "//server/share/x"},
        {"a colon later in the text is no drive", std::nullopt, "/base", "ab:\\x", "/base/ab:/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnv driveD("KSBY_DRIVE_D", c.driveD);
        ScopedEnv driveC("KSBY_DRIVE_C", std::nullopt);
        const std::filesystem::path result =
            *c.base == '\0' ? platform::toNativePath(c.text)
                            : platform::toNativePath(std::filesystem::path(c.base), c.text);
        EXPECT_EQ(result.string(), c.expected);
    }
}

TEST(NativePathTest, FindsComponentsInAnotherCase) {
    TempFolder tree;
    ksb::test::writeBytes(tree / "Alpha/Beta/File.CFG", "x");
    // Three spellings of one name: byte order puts "DATA" first.
    ksb::test::writeBytes(tree / "data/x", "x");
    ksb::test::writeBytes(tree / "Data/x", "x");
    ksb::test::writeBytes(tree / "DATA/x", "x");
    const std::string root = tree.path().string();
    ScopedEnv driveE("KSBY_DRIVE_E", root);
    struct Case {
        const char* name;
        std::filesystem::path base;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"every component", tree.path(), "alpha\\BETA\\file.cfg", "Alpha/Beta/File.CFG"},
        {"through a drive", {}, "e:\\ALPHA\\beta\\FILE.cfg", "Alpha/Beta/File.CFG"},
        {"native text", {}, root + "/ALPHA/beta/file.cfg", "Alpha/Beta/File.CFG"},
        {"trailing backslash", tree.path(), "alpha\\beta\\", "Alpha/Beta/"},
        {"exact case preferred", tree.path(), "Data\\x", "Data/x"},
        {"first in byte order", tree.path(), "dAtA\\x", "DATA/x"},
        {"rest kept from the first missing component", tree.path(), "alpha\\Gamma\\beta\\f.cfg",
         "Alpha/Gamma/beta/f.cfg"},
        {"a file is no folder", tree.path(), "alpha\\beta\\file.cfg\\more",
         "Alpha/Beta/File.CFG/more"},
        {"dot components", tree.path(), "alpha\\.\\beta\\..\\BETA\\file.cfg",
         "Alpha/./Beta/../Beta/File.CFG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::toNativePath(c.base, c.text).string(), root + "/" + c.expected);
    }
}

TEST(NativePathTest, RelativeLookupWithoutBaseStartsInTheWorkingFolder) {
    TempFolder tree;
    ksb::test::writeBytes(tree / "Docs/ReadMe.txt", "x");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(tree.path());
    const std::filesystem::path result = platform::toNativePath("docs\\readme.TXT");
    std::filesystem::current_path(previous);
    EXPECT_EQ(result.string(), "Docs/ReadMe.txt");
}

TEST(NativePathTest, FindsRealAircraftConfigurationThroughLowerCaseText) {
    KSBY_REQUIRE_REALDATA();
    const std::filesystem::path expected =
        ksb::test::realdataDir() / "bavmm/Simobjects/Airplanes/B703/Aircraft.cfg";
    ASSERT_TRUE(std::filesystem::is_regular_file(expected));
    EXPECT_EQ(platform::toNativePath(ksb::test::realdataDir(),
                                     "bavmm\\simobjects\\airplanes\\b703\\aircraft.cfg"),
              expected);
    ScopedEnv driveR("KSBY_DRIVE_R", ksb::test::realdataDir().string());
    EXPECT_EQ(platform::toNativePath("r:\\BAVMM\\SIMOBJECTS\\AIRPLANES\\B703\\AIRCRAFT.CFG"),
              expected);
}

} // namespace
