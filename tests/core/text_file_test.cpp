#include "core/atomic_file.h"
#include "core/line_readers.h"
#include "core/strings.h"
#include "core/text_encoding.h"
#include "core/text_file.h"
#include "platform/utf_conversion.h"
#include "support/file_bytes.h"
#include "support/log_capture.h"
#include "support/realdata.h"
#include "support/recording_sinks.h"
#include "support/temp_folder.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;
using ksb::test::LogCapture;
using ksb::test::readBytes;
using ksb::test::RecordingMessageSink;
using ksb::test::TempFolder;
using ksb::test::writeBytes;
using Lines = std::vector<std::string>;

std::string unitBytes(const std::u16string& units, bool bigEndian, bool mark = true) {
    std::string out;
    if (mark) {
        out += bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    }
    for (const char16_t unit : units) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

std::string utf16Bytes(std::string_view utf8, bool bigEndian) {
    return unitBytes(win32::Utf8ToUtf16(utf8), bigEndian);
}

const std::string kBadUnitsMessage = "conversion from error from utf16 to utf8, code: 1113";

TEST(TextFileRead, FixtureTable) {
    enum class Kind { file, missing, folder };
    struct Case {
        const char* name;
        Kind kind;
        std::string bytes;
        CharacterEncoding encoding;
        bool result;
        Lines lines;
        // "{}" stands for the path.
        std::string logLine{};
        std::string message{};
    };
    const Case cases[] = {
        {"UTF-16 LE with mark", Kind::file,
         utf16Bytes("Z\xC3\xBCrich \xE2\x82\xAC\r\n\xF0\x9F\x98\x80 pair\r\n\r\nlast", false),
         CharacterEncoding::UTF16_LE, true,
         Lines{"Z\xC3\xBCrich \xE2\x82\xAC", "\xF0\x9F\x98\x80 pair", "", "last"}},
        {"UTF-16 BE with mark", Kind::file, utf16Bytes("one\ntw\xC3\xB6\n", true),
         CharacterEncoding::UTF16_BE, true, Lines{"one", "tw\xC3\xB6"}},
        {"UTF-8 with mark", Kind::file, "\xEF\xBB\xBF<Path>K\xC3\xB6ln</Path>\r\nx\r\n",
         CharacterEncoding::UTF8_with_BOM, true, Lines{"<Path>K\xC3\xB6ln</Path>", "x"}},
        {"8-bit with CRLF keeps its bytes", Kind::file, "title=K\xF6ln\r\n\r\nend\r\n",
         CharacterEncoding::ANSI, true, Lines{"title=K\xF6ln", "", "end"}},
        {"8-bit with LF, last line without newline", Kind::file, "a\n\nb", CharacterEncoding::ANSI,
         true, Lines{"a", "", "b"}},
        {"empty", Kind::file, "", CharacterEncoding::ANSI, true, Lines{}},
        {"one byte", Kind::file, "x", CharacterEncoding::ANSI, true, Lines{"x"}},
        {"UTF-16 mark only", Kind::file, "\xFF\xFE", CharacterEncoding::UTF16_LE, true, Lines{}},
        {"odd UTF-16 length drops the last byte", Kind::file, utf16Bytes("a\nb", false) + "c",
         CharacterEncoding::UTF16_LE, true, Lines{"a", "b"}},
        {"unpaired surrogate keeps the lines before it", Kind::file,
         unitBytes(u"ok\n" + std::u16string(1, char16_t(0xD800)) + u"x\nafter\n", false),
         CharacterEncoding::UTF16_LE, true, Lines{"ok"}, "", kBadUnitsMessage},
        {"missing file", Kind::missing, "", CharacterEncoding::none_found, false, Lines{},
         "cannot open file {} for character encoding, err: 2"},
        {"directory", Kind::folder, "", CharacterEncoding::none_found, false, Lines{},
         "cannot open file {} for character encoding, err: 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const fs::path path = folder / "file.txt";
        if (c.kind == Kind::file) {
            writeBytes(path, c.bytes);
        } else if (c.kind == Kind::folder) {
            fs::create_directory(path);
        }
        LogCapture log;
        RecordingMessageSink sink;
        Lines lines{"kept"};
        EXPECT_EQ(gf_readExtTextFileToStringVector(path, lines), c.result);
        Lines expected{"kept"};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(lines, expected);
        const Lines expectedLog = c.logLine.empty()
                                      ? Lines{}
                                      : Lines{fmt::format(fmt::runtime(c.logLine), path.string())};
        EXPECT_EQ(log.body(), expectedLog);
        const std::vector<ksb::test::RecordedMessage> expectedMessages =
            c.message.empty() ? std::vector<ksb::test::RecordedMessage>{}
                              : std::vector<ksb::test::RecordedMessage>{
                                    {ksb::test::RecordedMessage::Kind::message, c.message, true}};
        EXPECT_EQ(sink.all(), expectedMessages);
        EXPECT_EQ(lf_detectCharacterEncoding(path), c.encoding);
    }
}

TEST(TextFileRead, DefaultSinkLogsTheConversionFailure) {
    TempFolder folder;
    const fs::path path = folder / "bad.txt";
    writeBytes(path, unitBytes(std::u16string(1, char16_t(0xDC00)), true));
    LogCapture log;
    Lines lines;
    EXPECT_TRUE(gf_readExtTextFileToStringVector(path, lines));
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(log.body(), Lines{kBadUnitsMessage});
}

TEST(TextFileRead, SameTextReadsAlikeInEveryEncoding) {
    const Lines expected{"[fltsim.0]",
                         "title=Airbus A320 \xC3\x89"
                         "dition \xE2\x82\xAC",
                         "",
                         // U+0A0A, U+0A00 and U+010A hold the byte 0A without ending a line.
                         "atc_id=\xE0\xA8\x8A\xE0\xA8\x80\xC4\x8A",
                         "ui_variation=\xF0\x9F\x9B\xAB last"};
    for (const char* lineEnd : {"\n", "\r\n"}) {
        std::string text;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            text += expected[i];
            if (i + 1 < expected.size()) {
                text += lineEnd;
            }
        }
        struct Case {
            const char* name;
            std::string bytes;
        };
        const Case cases[] = {
            {"UTF-8 without mark", text},
            {"UTF-8 with mark", "\xEF\xBB\xBF" + text},
            {"UTF-16 LE", utf16Bytes(text, false)},
            {"UTF-16 BE", utf16Bytes(text, true)},
            {"UTF-16 LE, final line end", utf16Bytes(text + lineEnd, false)},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (lineEnd[0] == '\r' ? ", CRLF" : ", LF"));
            TempFolder folder;
            writeBytes(folder / "t.txt", c.bytes);
            Lines lines;
            EXPECT_TRUE(gf_readExtTextFileToStringVector(folder / "t.txt", lines));
            EXPECT_EQ(lines, expected);
        }
    }
}

// Every prefix of a UTF-16 file decodes to a prefix of its lines or reports the broken pair;
// nothing else happens, and under AddressSanitizer nothing reads past the bytes.
TEST(TextFileRead, TruncationSweepOverUtf16) {
    const std::string utf8 = "A\xC3\xA9\r\n\xF0\x9F\x98\x80\xE2\x82\xAC\nend";
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        const std::string bytes = utf16Bytes(utf8, bigEndian);
        const Lines full{"A\xC3\xA9", "\xF0\x9F\x98\x80\xE2\x82\xAC", "end"};
        int reported = 0;
        for (std::size_t length = 0; length <= bytes.size(); ++length) {
            SCOPED_TRACE(length);
            RecordingMessageSink sink;
            Lines lines;
            lf_decodeTextBytes(bigEndian ? CharacterEncoding::UTF16_BE
                                         : CharacterEncoding::UTF16_LE,
                               std::string_view(bytes).substr(0, length), lines);
            ASSERT_LE(lines.size(), full.size());
            const auto messages = sink.messages();
            if (!messages.empty()) {
                ++reported;
                EXPECT_EQ(messages, Lines{kBadUnitsMessage});
                EXPECT_TRUE(std::equal(lines.begin(), lines.end(), full.begin()));
                continue;
            }
            for (std::size_t i = 0; i < lines.size(); ++i) {
                if (i + 1 < lines.size()) {
                    EXPECT_EQ(lines[i], full[i]);
                } else {
                    EXPECT_EQ(full[i].compare(0, lines[i].size(), lines[i]), 0) << lines[i];
                }
            }
        }
        // Only the cut between the two halves of the pair (bytes 12 and 13) breaks a line.
        EXPECT_EQ(reported, 2);
    }
}

TEST(TextFileRead, MarkDecidesTheByteOrder) {
    // The detector's encoding picks the UTF-16 path; the bytes' own mark picks the order, and
    // bytes without one are big-endian.
    struct Case {
        const char* name;
        CharacterEncoding encoding;
        std::string bytes;
        Lines lines;
    };
    const Case cases[] = {
        {"LE mark under BE", CharacterEncoding::UTF16_BE,
         std::string("\xFF\xFE"
                     "a\0",
                     4),
         Lines{"a"}},
        {"no mark is big-endian", CharacterEncoding::UTF16_LE, std::string("\0a\0\n\0b", 6),
         Lines{"a", "b"}},
        {"UTF-8 mark shorter than three bytes", CharacterEncoding::UTF8_with_BOM, "\xEF\xBB\nx",
         Lines{"", "x"}},
        {"none_found appends nothing", CharacterEncoding::none_found, "abc", Lines{}},
        {"UTF-8 without mark keeps its bytes", CharacterEncoding::UTF8_without_BOM, "\xEF\xBB\xBFx",
         Lines{"\xEF\xBB\xBFx"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lines lines;
        lf_decodeTextBytes(c.encoding, c.bytes, lines);
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(TextFileRead, RealAddOnXmlWithMark) {
    KSBY_REQUIRE_REALDATA();
    const fs::path path = ksb::test::realdataDir() / "leab" / "LEAB_RFN" / "add-on.xml";
    EXPECT_EQ(lf_detectCharacterEncoding(path), CharacterEncoding::UTF8_with_BOM);
    Lines lines;
    ASSERT_TRUE(gf_readExtTextFileToStringVector(path, lines));
    ASSERT_EQ(lines.size(), 15u);
    EXPECT_EQ(lines.front(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
    EXPECT_EQ(lines.back(), "</SimBase.Document>");
    Lines paths;
    for (const std::string& line : lines) {
        if (const std::string path = gf_pathFromXmlLine(line); !path.empty()) {
            paths.push_back(path);
        }
    }
    EXPECT_EQ(paths, (Lines{"scenery", "texture"}));
}

TEST(TextFileRead, RealSceneryCfgWithCrlf) {
    KSBY_REQUIRE_REALDATA();
    const fs::path path = ksb::test::realdataDir() / "fs9-scenerycfg" / "scenery.cfg";
    EXPECT_EQ(lf_detectCharacterEncoding(path), CharacterEncoding::ANSI);
    Lines lines;
    ASSERT_TRUE(gf_readExtTextFileToStringVector(path, lines));
    ASSERT_EQ(lines.size(), 873u);
    EXPECT_EQ(lines.front(), "[General]");
    EXPECT_EQ(lines.back(), "Required=FALSE");
    int areas = 0;
    int active = 0;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find('\r'), std::string::npos);
        areas += line.rfind("[Area.", 0) == 0 ? 1 : 0;
        bool flag = false;
        gf_parseActiveKey(flag, line);
        active += flag ? 1 : 0;
    }
    EXPECT_EQ(areas, 124);
    EXPECT_GT(active, 0);
    EXPECT_LE(active, areas);
}

TEST(TextFileReadLines, ReadsEightBitLines) {
    TempFolder folder;
    struct Case {
        const char* name;
        std::optional<std::string> bytes;
        std::optional<Lines> lines;
    };
    const Case cases[] = {
        {"CRLF lines", "AAL;BAW\r\nK\xF6ln\r\n", Lines{"AAL;BAW", "K\xF6ln"}},
        {"last line without newline", "a\n\nb", Lines{"a", "", "b"}},
        {"empty file yields nothing", "", std::nullopt},
        {"missing file yields nothing", std::nullopt, std::nullopt},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = folder / fmt::format("codes{}.txt", n++);
        if (c.bytes) {
            writeBytes(path, *c.bytes);
        }
        TextFile file(path);
        EXPECT_EQ(file.readLines(10), c.lines);
        EXPECT_EQ(file.lines(), c.lines.value_or(Lines{}));
        EXPECT_EQ(file.path(), path);
    }
}

TEST(TextFileWrite, ContentAndLineEnds) {
    TempFolder folder;
    const fs::path path = folder / "out.txt";
    // A longer old file shows the new content replaces it whole.
    writeBytes(path, "an old and much longer content\r\n");
    struct Case {
        const char* name;
        std::function<bool()> write;
        std::string bytes;
    };
    const Case cases[] = {
        {"text with line end", [&] { return gf_writeTextFile("C:\\a\\b.xml", path, true); },
         "C:\\a\\b.xml\n"},
        {"text without line end", [&] { return gf_writeTextFile("x", path, false); }, "x"},
        {"empty text", [&] { return gf_writeTextFile("", path, false); }, ""},
        {"vector of lines",
         [&] {
             return gf_writeLinesToFile(Lines{"a", "", "K\xF6ln"}, path);
         },
         "a\n\nK\xF6ln\n"},
        {"empty vector", [&] { return gf_writeLinesToFile(Lines{}, path); }, ""},
        {"list of lines",
         [&] {
             return gf_writeStringListToFile(std::list<std::string>{"x", "y"}, path);
         },
         "x\ny\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(c.write());
        EXPECT_EQ(readBytes(path), c.bytes);
        EXPECT_FALSE(fs::exists(folder / "out.txt.tmp"));
    }
    // A new file in an existing folder.
    EXPECT_TRUE(gf_writeLinesToFile(Lines{"new"}, folder / "new.txt"));
    Lines lines;
    EXPECT_TRUE(gf_readExtTextFileToStringVector(folder / "new.txt", lines));
    EXPECT_EQ(lines, Lines{"new"});
}

// The failures are chosen so that they fail as root too, where permission bits stop nothing.
TEST(TextFileWrite, FailedWriteKeepsTheOldFile) {
    struct Case {
        const char* name;
        // Prepares the folder; returns the target.
        std::function<fs::path(const TempFolder&)> prepare;
    };
    const Case cases[] = {
        {"target folder missing", [](const TempFolder& f) { return f / "missing" / "out.txt"; }},
        {"temporary's name taken by a folder",
         [](const TempFolder& f) {
             writeBytes(f / "out.txt", "old\n");
             fs::create_directory(f / "out.txt.tmp");
             return f / "out.txt";
         }},
        {"target is a folder",
         [](const TempFolder& f) {
             fs::create_directory(f / "out.txt");
             writeBytes(f / "out.txt" / "inner", "old\n");
             return f / "out.txt";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto writers = {
            +[](const fs::path& p) { return gf_writeTextFile("new", p, true); },
            +[](const fs::path& p) { return gf_writeLinesToFile(Lines{"new"}, p); },
            +[](const fs::path& p) {
                return gf_writeStringListToFile(std::list<std::string>{"new"}, p);
            },
        };
        for (const auto& write : writers) {
            TempFolder folder;
            const fs::path target = c.prepare(folder);
            const bool hadTemporaryFolder = fs::is_directory(folder / "out.txt.tmp");
            EXPECT_FALSE(write(target));
            if (fs::is_regular_file(target)) {
                EXPECT_EQ(readBytes(target), "old\n");
            } else if (fs::is_directory(target)) {
                EXPECT_EQ(readBytes(target / "inner"), "old\n");
            } else {
                EXPECT_FALSE(fs::exists(target.parent_path()));
            }
            // Nothing of ours is left, and what held the name is untouched.
            EXPECT_EQ(fs::is_directory(folder / "out.txt.tmp"), hadTemporaryFolder);
            EXPECT_FALSE(fs::is_regular_file(folder / "out.txt.tmp"));
        }
    }
}

TEST(ReplaceFileAtomically, FailingWriterLeavesNoTemporary) {
    TempFolder folder;
    const fs::path target = folder / "parameters.xml";
    writeBytes(target, "<old/>\n");

    EXPECT_FALSE(gf_replaceFileAtomically(target, [](std::ostream& out) {
        out << "<half";
        out.setstate(std::ios::badbit);
    }));
    EXPECT_EQ(readBytes(target), "<old/>\n");
    EXPECT_FALSE(fs::exists(folder / "parameters.xml.tmp"));

    try {
        gf_replaceFileAtomically(target, [](std::ostream& out) {
            out << "<half";
            throw std::runtime_error("writer failed");
        });
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "writer failed");
    }
    EXPECT_EQ(readBytes(target), "<old/>\n");
    EXPECT_FALSE(fs::exists(folder / "parameters.xml.tmp"));

    EXPECT_TRUE(gf_replaceFileAtomically(target, [](std::ostream& out) { out << "<new/>\n"; }));
    EXPECT_EQ(readBytes(target), "<new/>\n");
    EXPECT_FALSE(fs::exists(folder / "parameters.xml.tmp"));
}

TEST(CountFilesInFolder, CountsRegularFilesDirectlyInside) {
    TempFolder folder;
    EXPECT_EQ(gf_countFilesInFolder(folder / "missing"), 0u);
    EXPECT_EQ(gf_countFilesInFolder(folder.path()), 0u);
    writeBytes(folder / "a.txt", "a");
    writeBytes(folder / "b.xml", "b");
    writeBytes(folder / "sub" / "c.txt", "c");
    EXPECT_EQ(gf_countFilesInFolder(folder.path()), 2u);
    try {
        gf_countFilesInFolder(folder / "a.txt");
        ADD_FAILURE() << "no exception";
    } catch (const fs::filesystem_error& e) {
        EXPECT_EQ(e.code(), std::errc::not_a_directory);
        EXPECT_EQ(e.path1(), folder / "a.txt");
    }
}

} // namespace
