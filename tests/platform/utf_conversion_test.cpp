#include "platform/utf_conversion.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace {

using win32::Utf16ToUtf8;
using win32::Utf8ConversionException;
using win32::Utf8ToUtf16;

constexpr const char* kInvalidUtf8 = "Invalid UTF-8 sequence found in input string.";
constexpr const char* kInvalidUtf16 = "Invalid UTF-16 sequence found in input string.";

template <class Call>
void expectConversionError(Call call, std::uint32_t direction, const char* text) {
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const Utf8ConversionException& e) {
        EXPECT_EQ(e.errorCode(), 1113u);
        EXPECT_EQ(e.direction(), direction);
        EXPECT_STREQ(e.what(), text);
    }
}

TEST(Utf8ToUtf16, RefusesMalformedInput) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"stray continuation byte", "a\x80z"},
        {"lead byte C0 (always overlong)", "\xC0\xAF"},
        {"lead byte C1 (always overlong)", "\xC1\xBF"},
        {"overlong three-byte slash", "\xE0\x80\xAF"},
        {"overlong four-byte", "\xF0\x8F\xBF\xBF"},
        {"truncated two-byte at end", "ab\xC3"},
        {"truncated three-byte at end", "\xE2\x82"},
        {"truncated four-byte at end", "\xF0\x9F\x98"},
        {"two-byte followed by ASCII", "\xC3"
                                       "A"},
        {"three-byte broken in the middle", "\xE2"
                                            "A\xAC"},
        {"encoded high surrogate", "\xED\xA0\x80"},
        {"encoded low surrogate", "\xED\xBF\xBF"},
        {"above U+10FFFF via F4 90", "\xF4\x90\x80\x80"},
        {"lead byte F5", "\xF5\x80\x80\x80"},
        {"byte FE", "\xFE"},
        {"byte FF", "x\xFF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectConversionError([&] { Utf8ToUtf16(c.bytes); }, 0, kInvalidUtf8);
    }
}

TEST(Utf16ToUtf8, RefusesUnpairedSurrogates) {
    struct Case {
        const char* name;
        std::u16string units;
    };
    const Case cases[] = {
        {"lone high surrogate at end", u"ab\xD83D"},
        {"lone high surrogate before ASCII", std::u16string{0xD83D, u'a'}},
        {"lone low surrogate", std::u16string{u'a', 0xDE00, u'b'}},
        {"low before high", std::u16string{0xDE00, 0xD83D}},
        {"two high surrogates", std::u16string{0xD83D, 0xD83D, 0xDE00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectConversionError([&] { Utf16ToUtf8(c.units); }, 1, kInvalidUtf16);
    }
}

TEST(Utf8Conversion, EmptyGivesEmpty) {
    EXPECT_EQ(Utf8ToUtf16(""), u"");
    EXPECT_EQ(Utf16ToUtf8(u""), "");
}

TEST(Utf8Conversion, RoundTripsEveryLength) {
    struct Case {
        const char* name;
        std::string utf8;
        std::u16string utf16;
    };
    const Case cases[] = {
        {"ASCII with NUL", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"two-byte", "Z\xC3\xBCrich \xC3\x85", u"Z\u00FCrich \u00C5"},
        {"three-byte", "\xE2\x82\xAC \xE4\xB8\xAD", u"\u20AC \u4E2D"},
        {"four-byte", "\xF0\x9F\x98\x80", u"\U0001F600"},
        {"edges", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF",
         u"\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF"},
        {"mixed", "M\xC3\xBCnchen \xE2\x82\xAC\xF0\x9F\x9B\xAB!",
         u"M\u00FCnchen \u20AC\U0001F6EB!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    }
}

TEST(Utf8ConversionException, CopiesAllFields) {
    static_assert(std::is_base_of_v<std::runtime_error, Utf8ConversionException>);
    const Utf8ConversionException original("text", 1113, 1);
    const Utf8ConversionException copy = original;
    EXPECT_STREQ(copy.what(), "text");
    EXPECT_EQ(copy.errorCode(), 1113u);
    EXPECT_EQ(copy.direction(), 1u);
}

} // namespace
