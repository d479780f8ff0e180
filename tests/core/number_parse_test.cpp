#include "core/number_parse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>

namespace {

TEST(NumberParse, PrefixLikeTheStandardOnes) {
    struct Case {
        const char* name;
        std::string text;
        double value;
        std::size_t pos;
    };
    const Case ints[] = {
        {"plain", "42", 42, 2},
        {"leading white space", " \t\r\n-17", -17, 7},
        {"plus sign", "+5", 5, 2},
        {"trailing text stays", "12abc", 12, 2},
        {"hex is not read", "0x1A", 0, 1},
        {"decimal point ends it", "3.9", 3, 1},
        {"largest", "2147483647", 2147483647, 10},
        {"smallest", "-2147483648", -2147483648.0, 11},
    };
    for (const Case& c : ints) {
        SCOPED_TRACE(c.name);
        std::size_t pos = 99;
        EXPECT_EQ(gf_stoi(c.text, &pos), static_cast<int>(c.value));
        EXPECT_EQ(pos, c.pos);
    }
    const Case doubles[] = {
        {"decimal", "52.5", 52.5, 4},
        {"exponent", "-1.25e2x", -125.0, 7},
        {"plus sign and blank", " +0.5", 0.5, 5},
        {"comma ends it (no locale)", "1,5", 1.0, 1},
        {"leading point", ".5", 0.5, 2},
        {"trailing point", "5.", 5.0, 2},
    };
    for (const Case& c : doubles) {
        SCOPED_TRACE(c.name);
        std::size_t pos = 99;
        EXPECT_EQ(gf_stod(c.text, &pos), c.value);
        EXPECT_EQ(pos, c.pos);
        pos = 99;
        EXPECT_EQ(gf_stof(c.text, &pos), static_cast<float>(c.value));
        EXPECT_EQ(pos, c.pos);
    }
    EXPECT_TRUE(std::isinf(gf_stod("inf")));
    EXPECT_TRUE(std::isnan(gf_stof("nan")));
    EXPECT_EQ(gf_stod("4e-320"), 4e-320); // tiny but not zero
}

TEST(NumberParse, WholeTextVariants) {
    EXPECT_EQ(gf_stoiWhole(" 12 "), 12);
    EXPECT_EQ(gf_stodWhole("\t-0.25\r\n"), -0.25);
    EXPECT_EQ(gf_stofWhole("1e3"), 1000.0f);
}

TEST(NumberParse, FailuresCarryTheStandardTexts) {
    enum class Kind { invalid, range };
    struct Case {
        const char* name;
        std::function<void()> call;
        Kind kind;
        std::string text;
    };
    const Case cases[] = {
        {"stoi empty", [] { gf_stoi(""); }, Kind::invalid, "invalid stoi argument"},
        {"stoi blanks only", [] { gf_stoi("  "); }, Kind::invalid, "invalid stoi argument"},
        {"stoi letters", [] { gf_stoi("abc"); }, Kind::invalid, "invalid stoi argument"},
        {"stoi sign alone", [] { gf_stoi("-"); }, Kind::invalid, "invalid stoi argument"},
        {"stoi two signs", [] { gf_stoi("+-5"); }, Kind::invalid, "invalid stoi argument"},
        {"stoi whole with trailing text", [] { gf_stoiWhole("12a"); }, Kind::invalid,
         "invalid stoi argument"},
        {"stoi too large", [] { gf_stoi("2147483648"); }, Kind::range,
         "stoi argument out of range"},
        {"stoi too small", [] { gf_stoi("-2147483649"); }, Kind::range,
         "stoi argument out of range"},
        {"stod empty", [] { gf_stod(""); }, Kind::invalid, "invalid stod argument"},
        {"stod point alone", [] { gf_stod("."); }, Kind::invalid, "invalid stod argument"},
        {"stod two signs", [] { gf_stod("+-1"); }, Kind::invalid, "invalid stod argument"},
        {"stod whole with trailing text", [] { gf_stodWhole("1.5 m"); }, Kind::invalid,
         "invalid stod argument"},
        {"stod too large", [] { gf_stod("1e400"); }, Kind::range, "stod argument out of range"},
        {"stod rounds to zero", [] { gf_stod("1e-400"); }, Kind::range,
         "stod argument out of range"},
        {"stof letters", [] { gf_stof("lat"); }, Kind::invalid, "invalid stof argument"},
        {"stof too large", [] { gf_stof("1e39"); }, Kind::range, "stof argument out of range"},
        {"stof whole empty", [] { gf_stofWhole(""); }, Kind::invalid, "invalid stof argument"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            c.call();
            ADD_FAILURE() << "no exception";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(c.kind, Kind::invalid);
            EXPECT_STREQ(e.what(), c.text.c_str());
        } catch (const std::out_of_range& e) {
            EXPECT_EQ(c.kind, Kind::range);
            EXPECT_STREQ(e.what(), c.text.c_str());
        }
    }
}

} // namespace
