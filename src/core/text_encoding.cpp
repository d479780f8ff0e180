#include "core/text_encoding.h"

#include "core/message_sink.h"
#include "platform/utf_conversion.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fmt/format.h>
#include <stdexcept>

CharacterEncoding lf_encodingFromMark(std::string_view firstBytes) {
    if (firstBytes.size() < 2) {
        return CharacterEncoding::ANSI;
    }
    const auto b0 = static_cast<unsigned char>(firstBytes[0]);
    const auto b1 = static_cast<unsigned char>(firstBytes[1]);
    if (b0 == 0xFF && b1 == 0xFE) {
        return CharacterEncoding::UTF16_LE;
    }
    if (b0 == 0xFE && b1 == 0xFF) {
        return CharacterEncoding::UTF16_BE;
    }
    if (b0 == 0xEF && b1 == 0xBB) {
        return CharacterEncoding::UTF8_with_BOM;
    }
    return CharacterEncoding::ANSI;
}

Utf16UnitReader::Utf16UnitReader(std::string_view bytes) {
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE) {
            bigEndian_ = false;
            bytes.remove_prefix(2);
        } else if (b0 == 0xFE && b1 == 0xFF) {
            bytes.remove_prefix(2);
        }
    }
    bytes_ = bytes.substr(0, bytes.size() / 2 * 2);
}

bool Utf16UnitReader::nextLine(std::u16string& line) {
    const std::size_t size = bytes_.size();
    if (pos_ >= size) {
        return false;
    }
    // U+000A is the byte 0A at the unit's low half: an even offset in little-endian, an odd one
    // in big-endian, with 00 beside it.
    const char* const data = bytes_.data();
    const std::size_t lowHalf = bigEndian_ ? 1 : 0;
    std::size_t end = size;
    std::size_t from = pos_;
    while (from < size) {
        const void* found = std::memchr(data + from, '\n', size - from);
        if (found == nullptr) {
            break;
        }
        const auto at = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        const std::size_t unitStart = at - at % 2;
        const char highHalf = bigEndian_ ? data[unitStart] : data[unitStart + 1];
        if (at % 2 == lowHalf && highHalf == '\0') {
            end = unitStart;
            break;
        }
        from = at + 1;
    }
    const std::size_t count = (end - pos_) / 2;
    line.resize(count);
    const char* const units = data + pos_;
    if (bigEndian_ == (std::endian::native == std::endian::big)) {
        std::memcpy(line.data(), units, count * 2);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            const auto first = static_cast<unsigned char>(units[2 * i]);
            const auto second = static_cast<unsigned char>(units[2 * i + 1]);
            line[i] = bigEndian_ ? static_cast<char16_t>((first << 8) | second)
                                 : static_cast<char16_t>((second << 8) | first);
        }
    }
    pos_ = end + 2;
    return true;
}

void lf_wideLineToUtf8(Utf16UnitReader& reader, std::vector<std::string>& lines) {
    // One buffer for all lines keeps large files free of per-line allocations.
    std::u16string line;
    while (reader.nextLine(line)) {
        if (!line.empty() && line.back() == u'\r') {
            line.pop_back();
        }
        lines.push_back(win32::Utf16ToUtf8(line));
    }
}

void gf_appendByteLines(std::string_view bytes, std::vector<std::string>& lines) {
    lines.reserve(lines.size() +
                  static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
    const char* pos = bytes.data();
    const char* const end = pos + bytes.size();
    while (pos < end) {
        const auto* newline =
            static_cast<const char*>(std::memchr(pos, '\n', static_cast<std::size_t>(end - pos)));
        const char* lineEnd = newline != nullptr ? newline : end;
        const char* textEnd = lineEnd;
        if (textEnd > pos && textEnd[-1] == '\r') {
            --textEnd;
        }
        lines.emplace_back(pos, textEnd);
        pos = newline != nullptr ? newline + 1 : end;
    }
}

void lf_decodeTextBytes(CharacterEncoding encoding, std::string_view bytes,
                        std::vector<std::string>& lines) {
    switch (encoding) {
    case CharacterEncoding::UTF16_LE:
    case CharacterEncoding::UTF16_BE: {
        Utf16UnitReader reader(bytes);
        try {
            lf_wideLineToUtf8(reader, lines);
        } catch (const win32::Utf8ConversionException& e) {
            gf_showMessage(
                fmt::format("conversion from error from utf16 to utf8, code: {}", e.errorCode()),
                true);
        } catch (const std::runtime_error& e) {
            gf_showMessage(fmt::format("conversion from error from utf16 to utf8: {}", e.what()),
                           true);
        }
        return;
    }
    case CharacterEncoding::UTF8_with_BOM: {
        const std::size_t first = lines.size();
        gf_appendByteLines(bytes, lines);
        if (lines.size() > first) {
            // The mark is the first three bytes of the first line, whatever they are.
            std::string& line = lines[first];
            line.erase(0, std::min<std::size_t>(3, line.size()));
        }
        return;
    }
    case CharacterEncoding::ANSI:
    case CharacterEncoding::UTF8_without_BOM:
        gf_appendByteLines(bytes, lines);
        return;
    case CharacterEncoding::none_found:
        return;
    }
}
