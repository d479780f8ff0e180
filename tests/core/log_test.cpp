#include "core/exceptions.h"
#include "core/log.h"
#include "core/program_info.h"
#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/manual_clock.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace {

using ksb::test::readBytes;
using ksb::test::TempFolder;
using ksb::test::writeBytes;

std::vector<std::string> lf_linesOf(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    std::string bytes = readBytes(path);
    std::size_t start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find('\n', start);
        lines.push_back(bytes.substr(start, end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return lines;
}

TEST(LogRotation, KeepsTwoEarlierGenerations) {
    struct Case {
        const char* name;
        std::optional<std::string> log, log0;
        std::optional<std::string> expect0, expect00;
    };
    const Case cases[] = {
        {"first start", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"one earlier log", "one\n", std::nullopt, "one\n", std::nullopt},
        {"two earlier logs", "newer\n", "older\n", "newer\n", "older\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        if (c.log) {
            writeBytes(folder / "Log.txt", *c.log);
        }
        if (c.log0) {
            writeBytes(folder / "Log0.txt", *c.log0);
        }
        writeBytes(folder / "Log00.txt", "oldest\n");
        gf_openLog(folder.path());
        gf_closeLog();

        EXPECT_EQ(lf_linesOf(folder / "Log.txt").size(), 1u);
        if (c.expect0) {
            EXPECT_EQ(readBytes(folder / "Log0.txt"), *c.expect0);
        } else {
            EXPECT_FALSE(std::filesystem::exists(folder / "Log0.txt"));
        }
        EXPECT_EQ(readBytes(folder / "Log00.txt"), c.expect00.value_or("oldest\n"));
    }
}

TEST(LogRotation, NameWithoutPointIsLeftAlone) {
    TempFolder folder;
    writeBytes(folder / "Log", "x");
    lf_rotateLog(folder / "Log");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(LogOpen, HeaderLineNamesTimeProgramVersionAndSimulator) {
    ksb::test::ManualClock clock(1765276199.0); // Tue Dec 09 10:29:59 2025 UTC
    ksb::test::ScopedClock installed(clock);
    ksb::test::LogCapture log;
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Tue Dec 09 10:29:59 2025 (utc) KSBY_P3D version 9.3.0 for Prepar3D v5/v6");
    EXPECT_EQ(gf_programVersion().toString(), "9.3.0");
}

TEST(LogOpen, UnwritableLogThrowsSysError40) {
    TempFolder folder;
    // A folder named Log.txt cannot be opened as a file (also not by root).
    std::filesystem::create_directory(folder / "Log.txt");
    std::filesystem::create_directory(folder / "Log.txt" / "sub");
    try {
        gf_openLog(folder.path());
        FAIL() << "no exception";
    } catch (const std::filesystem::filesystem_error&) {
        // Rotation copies Log.txt first; a folder there fails the copy.
        SUCCEED();
    }
    EXPECT_FALSE(gf_logIsOpen());

    TempFolder other;
    const auto missing = other / "no" / "such";
    try {
        gf_openLog(missing);
        FAIL() << "no exception";
    } catch (const ksb::SysErrorException& e) {
        EXPECT_EQ(std::string(e.what()),
                  "sys error 40: Failed to write file " + (missing / "Log.txt").string());
    }
    EXPECT_FALSE(gf_logIsOpen());
}

TEST(LogLines, FormsOfPlainWarningAndContinuationLines) {
    ksb::test::LogCapture log;
    gf_log("plain");
    gf_logView(std::string_view("view"));
    gf_logLine("warning");
    gf_logContinue("continued");
    EXPECT_EQ(log.body(),
              (std::vector<std::string>{"plain", "view", "===> warning", "          continued"}));
}

TEST(LogLines, WarningLineReachesTheDiskAtOnce) {
    ksb::test::LogCapture log;
    gf_log("before");
    gf_logLine("warning");
    // Read without gf_flushLog: the warning flushed everything before it.
    const auto lines = lf_linesOf(log.folder() / "Log.txt");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "before");
    EXPECT_EQ(lines[2], "===> warning");
}

TEST(LogLines, WritesBeforeOpenAndAfterCloseAreDropped) {
    gf_log("before open");
    gf_logLine("before open");
    TempFolder folder;
    gf_openLog(folder.path());
    gf_log("kept");
    gf_closeLog();
    gf_log("after close");
    gf_logLine("after close");
    gf_logContinue("after close");
    gf_flushLog();
    const auto lines = lf_linesOf(folder / "Log.txt");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "kept");
}

TEST(Banner, StarsAroundTitle) {
    struct Case {
        const char* name;
        int width, extra;
        bool lead, trail;
        const char* title;
        std::string expected;
    };
    const Case cases[] = {
        {"parameters opening", 70, 0, true, false, "parameters",
         "\n" + std::string(34, '*') + " parameters " + std::string(34, '*')},
        {"closing, empty title", 70, 10, false, false, "", std::string(80, '*')},
        {"odd width rounds up", 70, 1, false, true, "ab",
         std::string(35, '*') + " ab " + std::string(35, '*') + "\n"},
        {"odd empty rounds up", 3, 0, false, false, "", "****"},
        {"title longer than stars allow", 6, 0, false, false, "abcdefg", "abcdefg"},
        {"title of exactly n - 2", 10, 0, false, false, "abcdefgh", "abcdefgh"},
        {"title of n - 3", 10, 0, false, false, "abcdefg", "**** abcdefg ****"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_bannerLine(c.width, c.extra, c.lead, c.trail, c.title), c.expected);
    }
}

TEST(Exceptions, MessagesCarryTheCode) {
    EXPECT_EQ(std::string(ksb::UserErrorException(41, "no docs folder").what()),
              "41: no docs folder");
    EXPECT_EQ(std::string(ksb::UserErrorException(99, "run the installer").what()),
              "run the installer");
    EXPECT_EQ(std::string(ksb::SysErrorException(40, "Failed to write file x").what()),
              "sys error 40: Failed to write file x");
    const std::runtime_error& base = ksb::UserErrorException(1, "x");
    EXPECT_EQ(std::string(base.what()), "1: x");
}

} // namespace
