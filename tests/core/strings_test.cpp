#include "core/globals.h"
#include "core/line_readers.h"
#include "core/strings.h"

#include <gtest/gtest.h>

#include <list>
#include <sstream>

namespace {

using Items = std::vector<std::string>;

TEST(Split, ItemsBetweenSeparators) {
    struct Case {
        const char* name;
        std::string text;
        Items items;
    };
    const Case cases[] = {
        {"blanks trimmed, empty item kept, final comma adds none", "a, b,,c,",
         Items{"a", "b", "", "c"}},
        {"empty text gives no item", "", Items{}},
        {"one separator gives one empty item", ",", Items{""}},
        {"leading separator", ",a", Items{"", "a"}},
        {"two final separators keep one empty item", "a,,", Items{"a", ""}},
        {"blanks only give one empty item", " \t\r\n", Items{""}},
        {"inner blanks stay", " Air Berlin , DLH ", Items{"Air Berlin", "DLH"}},
        {"8-bit bytes pass", "K\xF6ln,\xA0x", Items{"K\xF6ln", "\xA0x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_splitToVector(c.text), c.items);
        EXPECT_EQ(gf_splitCsvLine(c.text), c.items);
        EXPECT_EQ(gf_splitAtCommas(c.text), std::list<std::string>(c.items.begin(), c.items.end()));
        // The same rule at ';', where ',' is an ordinary character.
        std::string words = c.text;
        for (char& ch : words) {
            ch = ch == ',' ? ';' : ch;
        }
        EXPECT_EQ(gf_splitWords(words), c.items);
    }
    EXPECT_EQ(gf_splitWords("A320;B738,B739; "), (Items{"A320", "B738,B739", ""}));
}

TEST(AppendCsvRows, AppendsOneRowPerLine) {
    csvRows = {{"old"}};
    gf_appendCsvRows(Items{"A320, Airbus", "", "B738,"});
    const std::vector<Items> expected{{"old"}, {"A320", "Airbus"}, {}, {"B738"}};
    EXPECT_EQ(csvRows, expected);
}

TEST(Trim, RemovesBlankSetAtBothEnds) {
    struct Case {
        const char* name;
        std::string text;
        std::string trimmed;
    };
    const Case cases[] = {
        {"both ends", " \t x y \r\n", "x y"},
        {"only blanks", " \t\r\n", ""},
        {"empty", "", ""},
        {"nothing to trim", "abc", "abc"},
        {"other white space stays", "\vabc\f", "\vabc\f"},
        {"non-ASCII byte stays", "\xA0x\xA0", "\xA0x\xA0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_trim(c.text), c.trimmed);
    }
}

TEST(RemoveBlanks, TrimsCommaSeparatedParts) {
    struct Case {
        const char* name;
        std::string text;
        std::string result;
    };
    const Case cases[] = {
        {"no blank: unchanged, even with a final comma", "AAL,BAW,", "AAL,BAW,"},
        {"blanks around parts", " AAL , BAW,DLH ", "AAL,BAW,DLH"},
        {"final comma dropped once blanks are found", "AAL, BAW,", "AAL,BAW"},
        {"empty part kept", "AAL, ,BAW", "AAL,,BAW"},
        {"blank inside a part stays", "Air Berlin", "Air Berlin"},
        {"blanks only", "  ", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = c.text;
        gf_removeBlanks(text);
        EXPECT_EQ(text, c.result);
    }
}

TEST(SplitAtColon, ThreeCases) {
    struct Case {
        const char* name;
        std::string text;
        std::string first;
        std::string second;
    };
    const Case cases[] = {
        {"one colon", "key:value", "key", "value"},
        {"second colon leaves the out text", "a:b:c", "a", "before"},
        {"no colon clears the out text", "abc", "abc", ""},
        {"colon at the end", "key:", "key", ""},
        {"colon at the start", ":value", "", "value"},
        {"empty text", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string second = "before";
        EXPECT_EQ(gf_splitAtColon(c.text, second), c.first);
        EXPECT_EQ(second, c.second);
    }
}

TEST(Compare, EqualsUpperWithStarContainsChar) {
    struct Case {
        const char* name;
        bool result;
        bool expected;
    };
    const Case cases[] = {
        {"upper: B turned upper equals A", gf_equalsUpper("KLM123", "klM123"), true},
        {"upper: A is not turned upper", gf_equalsUpper("klm", "KLM"), false},
        {"upper: non-ASCII letters are not folded", gf_equalsUpper("\xC4", "\xE4"), false},
        {"upper: different lengths", gf_equalsUpper("KLM", "klm1"), false},
        {"upper: both empty", gf_equalsUpper("", ""), true},
        {"star: callsign with star", gf_equalsWithStar("KLM123", "KLM123*"), true},
        {"star: same callsign", gf_equalsWithStar("KLM123", "KLM123"), false},
        {"star: star alone after empty", gf_equalsWithStar("", "*"), true},
        {"star: other text before the star", gf_equalsWithStar("KLM12", "KLM13*"), false},
        {"star: other last character", gf_equalsWithStar("KLM12", "KLM12+"), false},
        {"contains: present", gf_containsChar("a:b", ':'), true},
        {"contains: absent", gf_containsChar("ab", ':'), false},
        {"contains: empty text", gf_containsChar("", ':'), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result, c.expected);
    }
}

TEST(NumberText, NoDecimalWithoutFraction) {
    struct Case {
        const char* name;
        float number;
        std::string text;
    };
    const Case cases[] = {
        {"whole", 3.0f, "3"},        {"half", 2.5f, "2.5"},  {"zero", 0.0f, "0"},
        {"negative", -1.5f, "-1.5"}, {"large", 47.0f, "47"}, {"one decimal", 0.3f, "0.3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_numberText(c.number), c.text);
    }
}

TEST(PathFromXmlLine, TextBetweenTags) {
    struct Case {
        const char* name;
        std::string line;
        std::string path;
    };
    const Case cases[] = {
        {"indented", "    <Path>D:\\Addons\\LEAB\\scenery</Path>", "D:\\Addons\\LEAB\\scenery"},
        {"no closing tag", "<Path>scenery", ""},
        {"no opening tag", "scenery</Path>", ""},
        {"closing before opening", "</Path><Path>x</Path>", "x"},
        {"empty path", "<Path></Path>", ""},
        {"first pair only", "<Path>a</Path><Path>b</Path>", "a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(gf_pathFromXmlLine(c.line), c.path);
    }
}

TEST(ParseActiveKey, SetsButNeverClears) {
    struct Case {
        const char* name;
        std::string line;
        bool before;
        bool after;
    };
    const Case cases[] = {
        {"scenery.cfg form", "Active=TRUE", false, true},
        {"lower case", "active=true", false, true},
        {"mixed spellings", "ACTIVE = True", false, true},
        {"add-on.xml form", "<Active>true</Active>", false, true},
        {"false value", "Active=FALSE", false, false},
        {"false value does not clear", "Active=FALSE", true, true},
        {"other key", "Required=TRUE", false, false},
        {"other spelling of the key", "aCtive=TRUE", false, false},
        {"Inactive still counts", "Inactive=True", false, true},
        {"empty line", "", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool flag = c.before;
        gf_parseActiveKey(flag, c.line);
        EXPECT_EQ(flag, c.after);
    }
}

TEST(ReadLines, EveryLineThenClearsTheStream) {
    struct Case {
        const char* name;
        std::string text;
        Items lines;
    };
    const Case cases[] = {
        {"last line without newline", "a\nb", Items{"before", "a", "b"}},
        {"CRLF", "a\r\n\r\nb\r\n", Items{"before", "a", "", "b"}},
        {"only one carriage return dropped", "a\r\r\n", Items{"before", "a\r"}},
        {"empty stream", "", Items{"before"}},
        {"one empty line", "\n", Items{"before", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream in(c.text);
        Items lines{"before"};
        gf_readLines(in, lines);
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(in.rdstate(), std::ios::goodbit);
    }
}

} // namespace

namespace {

TEST(Strings, XmlEscapedWritesTheFiveEntities) {
    EXPECT_EQ(gf_xmlEscaped(R"(A<B&C>"D'E)"), "A&lt;B&amp;C&gt;&quot;D&apos;E");
    EXPECT_EQ(gf_xmlEscaped("EGLL"), "EGLL");
    EXPECT_EQ(gf_xmlEscaped(""), "");
    EXPECT_EQ(gf_xmlEscaped("&amp;"), "&amp;amp;");
}

} // namespace
