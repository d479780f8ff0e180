#pragma once
// Decoding the bytes of a text file into UTF-8 lines. The file readers (core/text_file.h) read
// a file whole and hand its bytes here, so tests and the fuzz target reach the same code.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class CharacterEncoding : std::int32_t {
    // 8-bit text, also UTF-8 without a mark; the bytes are kept as they are.
    ANSI = 0,
    UTF16_LE = 1,
    UTF16_BE = 2,
    UTF8_with_BOM = 3,
    // Never produced by the detector: a UTF-8 file without a mark is "ANSI".
    UTF8_without_BOM = 4,
    // The file cannot be opened.
    none_found = 5,
};

// The encoding a file's first two bytes announce: FF FE, FE FF, EF BB (the third byte is not
// inspected), anything else (also fewer than two bytes) "ANSI".
CharacterEncoding lf_encodingFromMark(std::string_view firstBytes);

// The 16-bit units of UTF-16 file bytes, read in place. A leading FF FE selects little-endian
// and FE FF big-endian, and the mark is consumed; without a mark the bytes are big-endian. A
// final odd byte is ignored. The bytes must outlive the reader.
class Utf16UnitReader {
public:
    explicit Utf16UnitReader(std::string_view bytes);

    bool bigEndian() const { return bigEndian_; }
    // The units up to the next U+000A (not included) into line; false when no unit is left.
    bool nextLine(std::u16string& line);

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
    bool bigEndian_ = true;
};

// Converts every line of the reader to UTF-8 (one trailing '\r' dropped) and appends it. At the
// first line that does not convert it throws win32::Utf8ConversionException; the lines before
// it are appended.
void lf_wideLineToUtf8(Utf16UnitReader& reader, std::vector<std::string>& lines);

// Appends the lines of 8-bit bytes as they are: split at '\n', one trailing '\r' dropped, a
// last line without '\n' kept, no line after a final '\n'.
void gf_appendByteLines(std::string_view bytes, std::vector<std::string>& lines);

// Appends the lines of a whole file's bytes read in the given encoding. UTF-16 lines become
// UTF-8; a line that does not convert stops the reading and shows "conversion from error from
// utf16 to utf8, code: {}" (or ": " and the error's text) on the message line, logged; the
// lines before it stay. "ANSI" and UTF-8 lines keep their bytes; a UTF-8 mark is removed from
// the first line. "none_found" appends nothing.
void lf_decodeTextBytes(CharacterEncoding encoding, std::string_view bytes,
                        std::vector<std::string>& lines);
