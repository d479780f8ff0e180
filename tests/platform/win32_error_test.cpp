#include "platform/win32_error.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

TEST(Win32ErrorTest, ErrnoMapsToTheWin32Code) {
    struct Case {
        const char* name;
        int error;
        int code;
    };
    const Case cases[] = {
        {"ENOENT", ENOENT, 2}, {"ENOTDIR", ENOTDIR, 3}, {"EACCES", EACCES, 5},
        {"EPERM", EPERM, 5},   {"EISDIR", EISDIR, 5},   {"ENAMETOOLONG", ENAMETOOLONG, 206},
        {"EIO", EIO, 31},      {"ENOSPC", ENOSPC, 31},  {"zero", 0, 31},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::win32ErrorFromErrno(c.error), c.code);
    }
}

TEST(Win32ErrorTest, CategoryGivesTheWindowsTexts) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {2, "The system cannot find the file specified."},
        {3, "The system cannot find the path specified."},
        {5, "Access is denied."},
        {6, "The handle is invalid."},
        {206, "The filename or extension is too long."},
        {1113, "No mapping for the Unicode character exists in the target multi-byte code page."},
        {123456, "Unknown error 123456."},
    };
    const std::error_category& category = win32::systemCategory();
    EXPECT_STREQ(category.name(), "win32");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(category.message(c.code), c.text);
    }
}

} // namespace
