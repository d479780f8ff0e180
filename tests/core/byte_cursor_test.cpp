#include "core/byte_cursor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

using ksb::ByteCursor;
using ksb::ByteReadError;

// The exact text of a refused read, and the cursor's position unchanged after it.
void expectPastEnd(ByteCursor& cursor, const std::function<void(ByteCursor&)>& read,
                   const std::string& text) {
    const std::size_t before = cursor.position();
    try {
        read(cursor);
        ADD_FAILURE() << "no ByteReadError";
    } catch (const ByteReadError& e) {
        EXPECT_EQ(std::string(e.what()), text);
    }
    EXPECT_EQ(cursor.position(), before);
}

TEST(ByteCursorTest, ReadsLittleEndianValues) {
    const std::vector<std::uint8_t> bytes = {
        0x7F,                                           // u8
        0x34, 0x12,                                     // u16
        0x78, 0x56, 0x34, 0x12,                         // u32
        0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01, // u64
        0xFE, 0xFF, 0xFF, 0xFF,                         // i32 -2
        0xFD, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, // i64 -3
        0x00, 0x00, 0xC0, 0x3F,                         // f32 1.5
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0xC0, // f64 -2.5
    };
    ByteCursor cursor(bytes);
    EXPECT_EQ(cursor.u8(), 0x7F);
    EXPECT_EQ(cursor.u16(), 0x1234);
    EXPECT_EQ(cursor.u32(), 0x12345678u);
    EXPECT_EQ(cursor.u64(), 0x0123456789ABCDEFull);
    EXPECT_EQ(cursor.i32(), -2);
    EXPECT_EQ(cursor.i64(), -3);
    EXPECT_EQ(cursor.f32(), 1.5f);
    EXPECT_EQ(cursor.f64(), -2.5);
    EXPECT_TRUE(cursor.atEnd());
    EXPECT_EQ(cursor.position(), bytes.size());
    EXPECT_EQ(cursor.remaining(), 0u);
}

TEST(ByteCursorTest, RefusesEveryReadPastTheEndWithItsOffset) {
    const std::vector<std::uint8_t> bytes(6, 0xAA);
    struct Case {
        const char* name;
        std::size_t start;
        std::function<void(ByteCursor&)> read;
        const char* text;
    };
    const Case cases[] = {
        {"u8 at the end", 6, [](ByteCursor& c) { c.u8(); },
         "read past end: 1 bytes at offset 6 of 6"},
        {"u16 one short", 5, [](ByteCursor& c) { c.u16(); },
         "read past end: 2 bytes at offset 5 of 6"},
        {"u32 one short", 3, [](ByteCursor& c) { c.u32(); },
         "read past end: 4 bytes at offset 3 of 6"},
        {"i32", 4, [](ByteCursor& c) { c.i32(); }, "read past end: 4 bytes at offset 4 of 6"},
        {"u64", 0, [](ByteCursor& c) { c.u64(); }, "read past end: 8 bytes at offset 0 of 6"},
        {"i64", 1, [](ByteCursor& c) { c.i64(); }, "read past end: 8 bytes at offset 1 of 6"},
        {"f32", 3, [](ByteCursor& c) { c.f32(); }, "read past end: 4 bytes at offset 3 of 6"},
        {"f64", 0, [](ByteCursor& c) { c.f64(); }, "read past end: 8 bytes at offset 0 of 6"},
        {"skip", 2, [](ByteCursor& c) { c.skip(5); }, "read past end: 5 bytes at offset 2 of 6"},
        {"bytes", 0, [](ByteCursor& c) { c.bytes(7); }, "read past end: 7 bytes at offset 0 of 6"},
        {"sub", 4, [](ByteCursor& c) { c.sub(3); }, "read past end: 3 bytes at offset 4 of 6"},
        {"huge count does not wrap", 1, [](ByteCursor& c) { c.skip(static_cast<std::size_t>(-1)); },
         "read past end: 18446744073709551615 bytes at offset 1 of 6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ByteCursor cursor(bytes);
        cursor.skip(c.start);
        expectPastEnd(cursor, c.read, c.text);
    }
}

TEST(ByteCursorTest, SubCursorIsLimitedToItsDeclaredSize) {
    const std::vector<std::uint8_t> bytes = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0};
    ByteCursor outer(bytes);
    outer.skip(2);
    ByteCursor record = outer.sub(6);
    EXPECT_EQ(outer.position(), 8u);
    EXPECT_EQ(record.size(), 6u);
    EXPECT_EQ(record.u16(), 0);
    EXPECT_EQ(record.u32(), 2u);
    // Offsets of the refusal are the record's own, not the outer cursor's.
    expectPastEnd(
        record, [](ByteCursor& c) { c.u8(); }, "read past end: 1 bytes at offset 6 of 6");
    EXPECT_EQ(outer.u32(), 3u);
}

TEST(ByteCursorTest, SeekMovesWithinTheSpanOnly) {
    const std::vector<std::uint8_t> bytes = {9, 8, 7, 6};
    ByteCursor cursor(bytes);
    cursor.seek(3);
    EXPECT_EQ(cursor.u8(), 6);
    cursor.seek(4);
    EXPECT_TRUE(cursor.atEnd());
    cursor.seek(0);
    EXPECT_EQ(cursor.u8(), 9);
    expectPastEnd(
        cursor, [](ByteCursor& c) { c.seek(9); }, "read past end: 5 bytes at offset 4 of 4");
}

TEST(ByteCursorTest, StringsEndAtZeroWidthOrEnd) {
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t width; // 0: zero-terminated
        std::string text;
        std::size_t positionAfter;
    };
    const Case cases[] = {
        {"fixed, ends at zero", std::string("AB\0CDEF", 7), 6, "AB", 6},
        {"fixed, fills the field", "ABCDEFGH", 4, "ABCD", 4},
        {"fixed, ends at the span's end", "ABC", 8, "ABC", 3},
        {"fixed, empty", std::string("\0\0\0\0", 4), 4, "", 4},
        {"fixed, 8-bit bytes kept", "\xC4\xFF\x80", 3, "\xC4\xFF\x80", 3},
        {"terminated, zero passed", std::string("Hi\0rest", 7), 0, "Hi", 3},
        {"terminated, no zero", "Hello", 0, "Hello", 5},
        {"terminated, empty", std::string("\0x", 2), 0, "", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ByteCursor cursor(c.bytes.data(), c.bytes.size());
        const std::string_view text =
            c.width == 0 ? cursor.zeroTerminatedString() : cursor.fixedString(c.width);
        EXPECT_EQ(text, c.text);
        EXPECT_EQ(cursor.position(), c.positionAfter);
    }
}

TEST(ByteCursorTest, ErrorCarriesItsNumbers) {
    const ByteReadError error(4, 10, 12);
    EXPECT_EQ(error.count(), 4u);
    EXPECT_EQ(error.offset(), 10u);
    EXPECT_EQ(error.size(), 12u);
    EXPECT_STREQ(error.what(), "read past end: 4 bytes at offset 10 of 12");
}

} // namespace
